#include "values/xml_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "values/xml_doc_builder.h"

namespace pagewright {
namespace {

using testing::BinXml;
using testing::FromHex;
using Outcome = XmlDecodeStatus::Outcome;

std::string Decode(const std::vector<uint8_t>& bytes, XmlDecodeStatus& status) {
  return DecodeBinaryXml(ByteView(bytes), status);
}

struct Vector {
  const char* name;
  std::vector<uint8_t> bytes;
  std::string text;
};

std::vector<uint8_t> LongTextVector() {
  std::vector<uint8_t> bytes = FromHex("dfff01b004f0016200ef000001f80111ac02");
  for (int index = 0; index < 300; ++index) bytes.insert(bytes.end(), {0x78, 0x00});
  bytes.push_back(0xF7);
  return bytes;
}

// The worked examples and the values taken from real servers' data files.
std::vector<Vector> FormatVectors() {
  return {
      {"attribute_and_text",
       FromHex("dfff01b004f0016100ef000001f801f0016200ef000002f60211013100f511017800f7"), "<a b=\"1\">x</a>"},
      {"namespace_declaration",
       FromHex("dfff01b004f0017500f0017000f0016500ef010203f801f00778006d006c006e0073003a007000ef000400f60211017500"
               "f5f7"),
       "<p:e xmlns:p=\"u\"/>"},
      {"comment_pi_whitespace",
       FromHex("dfff01b004f00472006f006f007400ef000001f80111020a000900f00270006900f40204740065007800740011020a000900"
               "f30763006f006d006d0065006e00740011010a00f7"),
       "<root>\n\t<?pi text?>\n\t<!--comment-->\n</root>"},
      {"simple_text", FromHex("dfff01b004f0016100ef000001f80111013100f7"), "<a>1</a>"},
      {"nested_elements",
       FromHex("dfff01b004f00472006f006f007400ef000001f801f00269006400ef000002f60211013700f5f0017800ef000003f8031102"
               "68006900f7f0017900ef000004f8041103740077006f00f7f7"),
       "<root id=\"7\"><x>hi</x><y>two</y></root>"},
      {"empty_element", FromHex("dfff01b004f0016500ef000001f801f7"), "<e/>"},
      {"qname_reused", FromHex("dfff01b004f0017200ef000001f801f0017800ef000002f80211013100f7f80211013200f7f7"),
       "<r><x>1</x><x>2</x></r>"},
      {"content_escaping",
       FromHex("dfff01b004f0017400ef000001f8011109610020003c00200062002000260020006300f7"), "<t>a &lt; b &amp; c</t>"},
      {"attribute_escaping", FromHex("dfff01b004f0016100ef000001f801f0017000ef000002f6021103780022007900f5f7"),
       "<a p=\"x&quot;y\"/>"},
      {"cdata_stored_as_text", FromHex("dfff01b004f00364006f006300ef000001f801110361003c006200f7"),
       "<doc>a&lt;b</doc>"},
      {"mb64_count", LongTextVector(), "<b>" + std::string(300, 'x') + "</b>"},
  };
}

TEST(XmlConverter, FormatVectors) {
  for (const Vector& vector : FormatVectors()) {
    XmlDecodeStatus status;
    EXPECT_EQ(Decode(vector.bytes, status), vector.text) << vector.name;
    EXPECT_EQ(status.outcome, Outcome::kComplete) << vector.name << ": " << status.reason;
    EXPECT_EQ(ConvertXmlValue(ByteView(vector.bytes)), vector.text) << vector.name;
  }
}

// Every cut-off copy of a value decodes without reading past its end (each
// prefix lives in its own exactly sized buffer, so the sanitizer build sees
// any overread) and gives a prefix of the whole value's text.
TEST(XmlConverter, EveryPrefixDecodesToAPrefixOfTheText) {
  for (const Vector& vector : FormatVectors()) {
    for (size_t length = 0; length < vector.bytes.size(); ++length) {
      std::vector<uint8_t> prefix(vector.bytes.begin(), vector.bytes.begin() + length);
      XmlDecodeStatus status;
      std::string text = Decode(prefix, status);
      SCOPED_TRACE(std::string(vector.name) + " cut at " + std::to_string(length));
      if (length < 5) {
        EXPECT_EQ(status.outcome, Outcome::kNotBinaryXml);
        EXPECT_EQ(text, "");
        continue;
      }
      EXPECT_EQ(vector.text.compare(0, text.size(), text), 0) << text;
      if (status.outcome == Outcome::kComplete) {
        // Only a cut after nothing but name definitions is a whole document.
        EXPECT_EQ(text, "");
      } else {
        EXPECT_EQ(status.outcome, Outcome::kDamaged);
        EXPECT_LE(status.damageOffset, length);
      }
    }
  }
}

TEST(XmlConverter, NotBinaryXmlGivesEmptyText) {
  const std::vector<std::vector<uint8_t>> cases = {
      {},
      {0xDF, 0xFF, 0x01, 0xB0},                    // header cut off
      {0xFF, 0xDF, 0x01, 0xB0, 0x04, 0xF7},        // signature byte-swapped
      {0xDF, 0xFF, 0x03, 0xB0, 0x04},              // version 3 does not exist
      {0xDF, 0xFF, 0x01, 0xE9, 0xFD},              // code page 65001 instead of 1200
      FromHex("3c613e313c2f613e"),                 // "<a>1</a>" as plain text
  };
  for (const auto& bytes : cases) {
    XmlDecodeStatus status;
    EXPECT_EQ(Decode(bytes, status), "");
    EXPECT_EQ(status.outcome, Outcome::kNotBinaryXml);
  }
  // Version 0 reads as version 1; version 2 is accepted too.
  for (uint8_t version : {0, 2}) {
    XmlDecodeStatus status;
    auto doc = BinXml(version).Define(u"a", 1).Element(1).EndElement();
    EXPECT_EQ(Decode(doc.bytes, status), "<a/>");
    EXPECT_EQ(status.outcome, Outcome::kComplete);
  }
}

TEST(XmlConverter, EmptyDocumentAndFragments) {
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(BinXml().bytes, status), "");
  EXPECT_EQ(status.outcome, Outcome::kComplete);

  // A value may hold several top-level elements and bare text.
  auto doc = BinXml().Define(u"a", 1).Element(1).EndElement().NVarChar(u"mid & end").Element(1).NVarChar(u"2")
                 .EndElement();
  EXPECT_EQ(Decode(doc.bytes, status), "<a/>mid &amp; end<a>2</a>");
  EXPECT_EQ(status.outcome, Outcome::kComplete);

  // An empty text node keeps the element from self-closing.
  auto kept = BinXml().Define(u"a", 1).Element(1).NVarChar(u"").EndElement();
  EXPECT_EQ(Decode(kept.bytes, status), "<a></a>");
}

TEST(XmlConverter, EscapingOfContentAndAttributes) {
  const std::u16string awkward = u"<&>\"\t\n\r'";
  auto doc = BinXml().Define(u"e", 1).Define(u"at", 2).Element(1).Attribute(2).NVarChar(awkward).EndAttributes()
                 .NVarChar(awkward).EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status), "<e at=\"&lt;&amp;&gt;&quot;&#x9;&#xA;&#xD;'\">&lt;&amp;&gt;\"\t\n&#xD;'</e>");

  // Characters: a surrogate pair becomes one UTF-8 character, non-ASCII text
  // is written as UTF-8, while what no XML text may hold (damaged values
  // only) stays visible as a character reference.
  auto chars = BinXml().Define(u"t", 1).Element(1).NVarChar(u"\u00e9\u0394\U0001F600\u0001\xd800x\uffff").EndElement();
  EXPECT_EQ(Decode(chars.bytes, status), "<t>\xC3\xA9\xCE\x94\xF0\x9F\x98\x80&#x1;&#xD800;x&#xFFFF;</t>");
}

TEST(XmlConverter, CommentsInstructionsAndCdataAreWrittenRaw) {
  auto doc = BinXml().Define(u"r", 1).Name(u"target").Element(1)
                 .Comment(u" a < b & c ")
                 .Pi(2, u"")
                 .Pi(2, u"x=\"1\" <y>")
                 .Cdata(u"<one>")
                 .Cdata(u"&two")
                 .CdataEnd()
                 .EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status),
            "<r><!-- a < b & c --><?target?><?target x=\"1\" <y>?><![CDATA[<one>&two]]></r>");
  EXPECT_EQ(status.outcome, Outcome::kComplete);
}

TEST(XmlConverter, CdataTerminatorInsideContentSplitsTheSection) {
  // "]]>" inside the content, once within a chunk and once across chunks.
  auto doc = BinXml().Define(u"r", 1).Element(1).Cdata(u"a]]>b]").Cdata(u"]>c").CdataEnd().EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status), "<r><![CDATA[a]]]]><![CDATA[>b]]]]><![CDATA[>c]]></r>");
}

TEST(XmlConverter, PrologDeclarationsAndDoctype) {
  auto doc = BinXml()
                 .Token(binxml::kXmlDecl).Text(u"1.0").Token(binxml::kEncoding).Text(u"utf-16").Raw({1})
                 .Token(binxml::kDoctypeDecl).Text(u"r").Token(binxml::kSystem).Text(u"r.dtd")
                 .Token(binxml::kPublic).Text(u"-//X//Y").Token(binxml::kSubset).Text(u"<!ENTITY e \"v\">")
                 .Define(u"r", 1).Element(1).EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status),
            "<?xml version=\"1.0\" encoding=\"utf-16\" standalone=\"yes\"?>"
            "<!DOCTYPE r PUBLIC \"-//X//Y\" \"r.dtd\" [<!ENTITY e \"v\">]><r/>");

  auto plain = BinXml().Token(binxml::kXmlDecl).Text(u"1.0").Raw({0})
                   .Token(binxml::kDoctypeDecl).Text(u"r").Token(binxml::kSystem).Text(u"r.dtd");
  EXPECT_EQ(Decode(plain.bytes, status), "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"r.dtd\">");
}

TEST(XmlConverter, MetadataAnywhereExtensionsAndFlush) {
  // Definitions between attribute values and an extension are skipped; after
  // a flush, index 1 names something else.
  auto doc = BinXml().Define(u"a", 1).Element(1)
                 .Token(binxml::kExtension).Mb(3).Raw({0xF7, 0xF7, 0xF7})
                 .Define(u"b", 2).Attribute(2).NVarChar(u"x").Name(u"unused").NVarChar(u"y").EndAttributes()
                 .Token(binxml::kFlush).Define(u"c", 1).Element(1).EndElement()
                 .EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status), "<a b=\"xy\"><c/></a>");
  EXPECT_EQ(status.outcome, Outcome::kComplete) << status.reason;

  // The end tag keeps its name when the tables are flushed inside the element.
  auto flushed = BinXml().Define(u"long", 1).Element(1).Token(binxml::kFlush).EndElement();
  EXPECT_EQ(Decode(flushed.bytes, status), "<long/>");
}

TEST(XmlConverter, AllEmptyQNameDefinitionTakesAnIndex) {
  // SQL Server now and then writes a qname of three empty names: it takes an
  // index slot and is harmless until something refers to it.
  auto doc = BinXml().QName(0, 0, 0).Define(u"a", 1).Element(2).EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status), "<a/>");
  EXPECT_EQ(status.outcome, Outcome::kComplete);

  auto used = BinXml().QName(0, 0, 0).Define(u"a", 1).Element(1).EndElement();
  EXPECT_EQ(Decode(used.bytes, status), "");
  EXPECT_EQ(status.outcome, Outcome::kDamaged);
  EXPECT_EQ(status.damageOffset, 17u);
}

TEST(XmlConverter, NestedDocumentsHaveTheirOwnNameTables) {
  auto doc = BinXml().Define(u"outer", 1).Element(1)
                 .Token(binxml::kNest).Raw({0xDF, 0xFF, 0x02, 0xB0, 0x04})
                 .Token(binxml::kXmlDecl).Text(u"1.0").Raw({0})
                 .Define(u"inner", 1).Element(1).NVarChar(u"x").EndElement()
                 .Token(binxml::kEndNest)
                 .Element(1).EndElement()  // qname 1 is "outer" again
                 .EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status), "<outer><inner>x</inner><outer/></outer>");
  EXPECT_EQ(status.outcome, Outcome::kComplete) << status.reason;
}

TEST(XmlConverter, AdjacentValuesFormLists) {
  auto doc = BinXml().Define(u"v", 1).Define(u"l", 2).Element(1).Attribute(2)
                 .Token(binxml::kSqlInt).Le(1, 4).Token(binxml::kSqlInt).Le(2, 4).NVarChar(u"x").NVarChar(u"y")
                 .EndAttributes()
                 .Token(binxml::kSqlInt).Le(3, 4).Token(binxml::kSqlSmallInt).Le(4, 2)
                 .EndElement();
  XmlDecodeStatus status;
  EXPECT_EQ(Decode(doc.bytes, status), "<v l=\"1 2 xy\">3 4</v>");
}

struct NamespaceCase {
  const char* name;
  BinXml doc;
  std::string text;
};

TEST(XmlConverter, NamespaceDeclarations) {
  // Names: 1 "urn:a", 2 "p", 3 "e", 4 "xmlns:p", 5 "xmlns", 6 "urn:b", 7 "f", 8 "q"
  auto names = [] {
    return BinXml().Name(u"urn:a").Name(u"p").Name(u"e").Name(u"xmlns:p").Name(u"xmlns").Name(u"urn:b")
        .Name(u"f").Name(u"q");
  };
  const std::vector<NamespaceCase> cases = {
      // qname 1 = p:e in urn:a, qname 2 = the declaration xmlns:p.
      {"declared_prefix",
       names().QName(1, 2, 3).QName(0, 4, 0).Element(1).Attribute(2).NVarChar(u"urn:a").EndAttributes().EndElement(),
       "<p:e xmlns:p=\"urn:a\"/>"},
      // The stored value lacks the declaration: it is added, once per scope.
      {"undeclared_prefix_is_declared",
       names().QName(1, 2, 3).QName(1, 2, 7).Element(1).Element(2).EndElement().EndElement().Element(1).EndElement(),
       "<p:e xmlns:p=\"urn:a\"><p:f/></p:e><p:e xmlns:p=\"urn:a\"/>"},
      // Default namespace: an unprefixed element in urn:a, a child in no namespace.
      {"default_namespace",
       names().QName(1, 0, 3).QName(0, 0, 7).QName(0, 5, 0).Element(1).Attribute(3).NVarChar(u"urn:a")
           .EndAttributes().Element(2).EndElement().EndElement(),
       "<e xmlns=\"urn:a\"><f xmlns=\"\"/></e>"},
      {"undeclared_default_namespace",
       names().QName(1, 0, 3).QName(1, 0, 7).Element(1).Element(2).EndElement().EndElement(),
       "<e xmlns=\"urn:a\"><f/></e>"},
      // A prefixed attribute needs its binding; an unprefixed one has none.
      {"attribute_prefix",
       names().QName(0, 0, 3).QName(6, 8, 7).QName(6, 0, 7).Element(1).Attribute(2).NVarChar(u"1").Attribute(3)
           .NVarChar(u"2").EndAttributes().EndElement(),
       "<e q:f=\"1\" f=\"2\" xmlns:q=\"urn:b\"/>"},
      // Rebinding a prefix in a child redeclares it; the outer binding returns.
      {"rebinding",
       names().QName(1, 2, 3).QName(6, 2, 7).Element(1).Element(2).EndElement().Element(1).EndElement().EndElement(),
       "<p:e xmlns:p=\"urn:a\"><p:f xmlns:p=\"urn:b\"/><p:e/></p:e>"},
      // The xml prefix is bound everywhere and never declared.
      {"xml_prefix", names().Name(u"xml").Name(u"lang").QName(0, 0, 3).QName(0, 9, 10).Element(1).Attribute(2)
                         .NVarChar(u"en").EndAttributes().EndElement(),
       "<e xml:lang=\"en\"/>"},
  };
  for (const NamespaceCase& test : cases) {
    XmlDecodeStatus status;
    EXPECT_EQ(Decode(test.doc.bytes, status), test.text) << test.name;
    EXPECT_EQ(status.outcome, Outcome::kComplete) << test.name << ": " << status.reason;
  }
}

struct DamageCase {
  const char* name;
  BinXml doc;
  std::string text;     // decoded up to the damage
  size_t damageOffset;  // where the damaged token starts
};

TEST(XmlConverter, DamagedDocumentsKeepTheTextBeforeTheDamage) {
  auto root = [] { return BinXml().Define(u"a", 1).Element(1).NVarChar(u"ok"); };  // 21 bytes
  const std::vector<DamageCase> cases = {
      {"unknown_token", root().Raw({0x00, 0xF7}), "<a>ok", 21},
      {"cut_after_content", root(), "<a>ok", 21},
      {"text_count_beyond_end", root().Token(binxml::kSqlNVarChar).Mb(1000).Units(u"xy"), "<a>ok", 21},
      {"mb32_too_many_bytes", root().Token(binxml::kElement).Raw({0x81, 0x80, 0x80, 0x80, 0x80, 0x00}), "<a>ok", 21},
      {"mb32_above_int32", root().Token(binxml::kComment).Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}), "<a>ok", 21},
      {"mb64_huge_count", root().Token(binxml::kSqlNVarChar).Raw({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
       "<a>ok", 21},
      {"undefined_qname", root().Element(9).EndElement().EndElement(), "<a>ok", 21},
      {"qname_of_undefined_name", root().QName(0, 0, 5), "<a>ok", 21},
      {"undefined_pi_target", root().Pi(7, u"x"), "<a>ok", 21},
      {"end_without_start", root().EndElement().EndElement(), "<a>ok</a>", 22},
      {"attribute_in_content", root().Attribute(1).NVarChar(u"v"), "<a>ok", 21},
      {"end_attributes_in_content", root().EndAttributes(), "<a>ok", 21},
      {"cdata_never_ended", root().Cdata(u"c").EndElement(), "<a>ok<![CDATA[c", 25},
      {"cdata_end_alone", root().CdataEnd(), "<a>ok", 21},
      {"decimal_bad_length", root().Token(binxml::kSqlDecimal).Mb(8).Raw({10, 2, 1, 1, 0, 0, 0, 0}), "<a>ok", 21},
      {"decimal_scale_above_38", root().Token(binxml::kSqlDecimal).Mb(7).Raw({38, 39, 1, 1, 0, 0, 0}), "<a>ok", 21},
      {"temporal_scale_above_7", root().Token(binxml::kXsdDateTime2).Raw({8, 0, 0, 0, 0, 0, 0, 0, 0}), "<a>ok", 21},
      {"codepage_text_shorter_than_code_page", root().Token(binxml::kSqlChar).Mb(3).Raw({0xE4, 0x04, 0}), "<a>ok", 21},
      {"extension_beyond_end", root().Token(binxml::kExtension).Mb(50).Raw({1, 2}), "<a>ok", 21},
      {"nest_without_header", root().Token(binxml::kNest).Raw({0xDF, 0xFF, 0x09, 0xB0, 0x04}), "<a>ok", 21},
      {"end_nest_without_nest", root().Token(binxml::kEndNest), "<a>ok", 21},
      {"nested_document_left_open",
       root().Token(binxml::kNest).Raw({0xDF, 0xFF, 0x01, 0xB0, 0x04}).Define(u"b", 1).Element(1)
           .Token(binxml::kEndNest),
       "<a>ok<b", 37},
      {"nested_end_closes_outer_element",
       root().Token(binxml::kNest).Raw({0xDF, 0xFF, 0x01, 0xB0, 0x04}).EndElement(), "<a>ok", 27},
      {"cut_inside_start_tag",
       BinXml().Define(u"a", 1).Define(u"b", 2).Element(1).Attribute(2).NVarChar(u"1"), "<a b=\"1", 29},
  };
  for (const DamageCase& test : cases) {
    XmlDecodeStatus status;
    EXPECT_EQ(Decode(test.doc.bytes, status), test.text) << test.name;
    EXPECT_EQ(status.outcome, Outcome::kDamaged) << test.name;
    EXPECT_EQ(status.damageOffset, test.damageOffset) << test.name << ": " << status.reason;
  }
}

TEST(XmlConverter, NestingDepthIsBounded) {
  auto nested = [](size_t depth) {
    BinXml doc = BinXml().Define(u"a", 1);
    for (size_t level = 0; level < depth; ++level) doc.Element(1);
    for (size_t level = 0; level < depth; ++level) doc.EndElement();
    return doc;
  };
  XmlDecodeStatus status;
  const size_t deepest = kMaxXmlNesting - 1;  // the document itself is one level
  std::string text = Decode(nested(deepest).bytes, status);
  EXPECT_EQ(status.outcome, Outcome::kComplete);
  EXPECT_EQ(text.size(), (deepest - 1) * 3 + 4 + (deepest - 1) * 4);  // <a>... <a/> ...</a>

  text = Decode(nested(deepest + 1).bytes, status);
  EXPECT_EQ(status.outcome, Outcome::kDamaged);
  EXPECT_EQ(status.damageOffset, 13 + deepest * 2);
  EXPECT_EQ(text.size(), deepest * 3);
}

TEST(XmlConverter, TextProducedIsBoundedByTheValueSize) {
  // One long name printed by a 3-byte token over and over: a healthy value
  // never multiplies its size like this, a damaged one must not run away.
  BinXml doc = BinXml().Define(std::u16string(10000, u'n'), 1);
  for (int index = 0; index < 1000; ++index) doc.Element(1).EndElement();
  XmlDecodeStatus status;
  std::string text = Decode(doc.bytes, status);
  EXPECT_EQ(status.outcome, Outcome::kDamaged);
  const size_t allowance = (size_t{1} << 20) + doc.bytes.size() * 64;
  EXPECT_GT(text.size(), allowance);
  EXPECT_LT(text.size(), allowance + 10003);  // stops at the first token past it
  EXPECT_LT(text.size(), 1000u * 10003);
}

}  // namespace
}  // namespace pagewright
