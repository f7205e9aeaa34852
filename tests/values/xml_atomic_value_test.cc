#include "values/xml_atomic_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "values/xml_converter.h"
#include "values/xml_doc_builder.h"

namespace pagewright {
namespace {

using testing::BinXml;
using testing::FromHex;

struct ValueCase {
  const char* name;
  const char* hex;  // token byte and payload
  const char* text;
};

// Decodes <v>value</v> so each case also checks the payload size the decoder
// consumes: a wrong size leaves bytes that break the end tag.
std::string ValueText(const char* hex, XmlDecodeStatus& status) {
  auto doc = BinXml().Define(u"v", 1).Element(1).Raw(FromHex(hex)).EndElement();
  std::string text = DecodeBinaryXml(ByteView(doc.bytes), status);
  if (text.size() >= 7 && text.starts_with("<v>") && text.ends_with("</v>")) return text.substr(3, text.size() - 7);
  return "(whole text) " + text;
}

void ExpectValues(const std::vector<ValueCase>& cases) {
  for (const ValueCase& test : cases) {
    XmlDecodeStatus status;
    EXPECT_EQ(ValueText(test.hex, status), test.text) << test.name;
    EXPECT_EQ(status.outcome, XmlDecodeStatus::Outcome::kComplete) << test.name << ": " << status.reason;
  }
}

TEST(XmlAtomicValue, Integers) {
  ExpectValues({
      {"int_42", "022a000000", "42"},
      {"int_min", "0200000080", "-2147483648"},
      {"smallint", "01feff", "-2"},
      {"bigint", "08ffffffffffffffff", "-1"},
      {"tinyint_unsigned", "07ff", "255"},
      {"xsd_byte_signed", "88ff", "-1"},
      {"unsigned_short", "89ffff", "65535"},
      {"unsigned_int", "8affffffff", "4294967295"},
      {"unsigned_long", "8bffffffffffffffff", "18446744073709551615"},
      {"bit", "0601", "1"},
      {"bit_other_value", "0602", "2"},
      {"boolean_false", "8600", "false"},
      {"boolean_true", "8605", "true"},
  });
}

TEST(XmlAtomicValue, FloatingPointAsXQueryStrings) {
  ExpectValues({
      {"real_13_4", "0366665641", "13.4"},
      {"real_0_1", "03cdcccc3d", "0.1"},
      {"real_max", "03ffff7f7f", "3.4028235E38"},
      {"float_13_4", "04cdcccccccccc2a40", "13.4"},
      {"float_integral", "040000000000005940", "100"},
      {"float_negative", "04000000000c24fec0", "-123456.75"},
      {"float_below_million", "04000000007f842e41", "999999.5"},
      {"float_million", "040000000080842e41", "1.0E6"},
      {"float_1e7", "0400000000d0126341", "1.0E7"},
      {"float_smallest_plain", "048dedb5a0f7c6b03e", "0.000001"},
      {"float_small", "0476830df4f521843e", "1.5E-7"},
      {"float_tiny", "043fc87cbf82f7e03d", "1.2345E-10"},
      {"float_zero", "040000000000000000", "0"},
      {"float_negative_zero", "040000000000000080", "-0"},
      {"float_nan", "04000000000000f87f", "NaN"},
      {"float_infinity", "04000000000000f07f", "INF"},
      {"float_negative_infinity", "04000000000000f0ff", "-INF"},
  });
}

TEST(XmlAtomicValue, MoneyAndDecimals) {
  ExpectValues({
      {"money", "0559920100 00000000", "10.3001"},
      {"money_negative_fraction", "0578ecffffffffffff", "-0.5000"},
      {"smallmoney", "1440e20100", "12.3456"},
      {"smallmoney_negative", "14ffffffff", "-0.0001"},
      {"decimal_keeps_scale", "0a0706040 15e0d0300", "20.0030"},
      {"numeric_negative", "0b07060400 5e0d0300", "-20.0030"},
      {"xsd_decimal_canonical", "870706040 15e0d0300", "20.003"},
      {"xsd_decimal_integral", "87070a03018813 0000", "5"},
      {"decimal_leading_zero", "0a07090301 05000000", "0.005"},
      {"decimal_negative_zero", "0a07090200 00000000", "0.00"},
      {"decimal_38_digits", "0a1326000 1ffffffff3f228a097ac4865aa84c3b4b", "99999999999999999999999999999999999999"},
      {"decimal_8_byte_magnitude", "0a0b130500 0000000001000000", "-42949.67296"},
  });
}

TEST(XmlAtomicValue, BinaryAndGuid) {
  ExpectValues({
      {"binary_empty", "0c00", ""},
      {"binary_one_byte", "0c014d", "TQ=="},
      {"binary_two_bytes", "0c024d61", "TWE="},
      {"varbinary_three_bytes", "0f034d616e", "TWFu"},
      {"image_four_bytes", "17044d616e00", "TWFuAA=="},
      {"udt", "1b02ffff", "//8="},
      {"base64", "8503fbff00", "+/8A"},
      {"binhex", "840342acef", "42ACEF"},
      {"uuid", "09ff19966f868b11d0b42d00c04fc964ff", "6F9619FF-8B86-D011-B42D-00C04FC964FF"},
  });
}

TEST(XmlAtomicValue, TextInCodePages) {
  ExpectValues({
      {"nvarchar", "1102680069 00", "hi"},
      {"nchar", "0e01e900", "\xC3\xA9"},
      {"ntext", "18013c00", "&lt;"},
      {"varchar_1252", "1008e404000063 6166e9", "caf\xC3\xA9"},
      {"char_utf16", "0d08b0040000 68006900", "hi"},
      {"text_932", "1606a4030000 82a0", "\xE3\x81\x82"},
      {"varchar_936", "1006a8030000 c4e3", "\xE4\xBD\xA0"},
      // A code page no converter knows is widened byte by byte.
      {"varchar_unknown_code_page", "1006d2040000 41e9", "A\xC3\xA9"},
      {"varchar_escaped", "1005e4040000 26", "&amp;"},
  });
}

TEST(XmlAtomicValue, SqlAndXsdDatesAndTimes) {
  ExpectValues({
      {"datetime", "1225b100004fa0e200", "2024-02-29T13:45:07.250"},
      {"datetime_base", "120000000000000000", "1900-01-01T00:00:00.000"},
      {"datetime_earliest", "12462effff 00000000", "1753-01-01T00:00:00.000"},
      {"datetime_hour_tick", "1200000000c0 7a1000", "1900-01-01T01:00:00.000"},
      {"datetime_last_tick", "1200000000ff818b01", "1900-01-01T23:59:59.997"},
      {"smalldatetime", "1325b13903", "2024-02-29T13:45:00"},
      {"xsd_date_with_zone", "8379e2523c07000000", "2003-11-09-04:30"},
      {"xsd_datetime", "82cabebdb1d67d0500", "2024-02-29T13:45:07.250Z"},
      {"xsd_time", "81c8aecd0b00000000", "13:45:07.250Z"},
      {"xsd_time_whole_seconds", "81a00f000000000000", "00:00:01Z"},
  });
}

TEST(XmlAtomicValue, ScaledDatesAndTimes) {
  ExpectValues({
      {"date2_first_day", "7f000000", "0001-01-01"},
      {"date2", "7f80460b", "2024-02-29"},
      {"datetime2_3", "7e03b26bf30280460b", "2024-02-29T13:45:07.25"},
      {"datetime2_7", "7e07078a8b447380460b", "2024-02-29T13:45:07.1234567"},
      {"datetime2_0_day_carry", "7e0080510180460b", "2024-03-01T00:00:00"},
      {"time2_7", "7d07078a8b4473000000", "13:45:07.1234567"},
      {"datetimeoffset_east", "7b000b740080460b4a01", "2024-02-29T13:45:07+05:30"},
      {"datetimeoffset_west_previous_day", "7b00201c0081460bd4fe", "2024-02-29T21:00:00-05:00"},
      {"datetimeoffset_utc", "7b000b740080460b0000", "2024-02-29T08:15:07Z"},
      {"timeoffset", "7a000b740080460b4a01", "13:45:07+05:30"},
      {"dateoffset", "7c000b740080460b4a01", "2024-02-29+05:30"},
  });
}

TEST(XmlAtomicValue, QNameValues) {
  // Names: 1 "v", 2 "urn:a", 3 "p", 4 "e", 5 "t"; qnames: 1 v, 2 p:e in urn:a, 3 t.
  auto doc = BinXml().Define(u"v", 1).Name(u"urn:a").Name(u"p").Name(u"e").Name(u"t").QName(2, 3, 4)
                 .QName(0, 0, 5).Element(1).Attribute(3).Token(binxml::kXsdQName).Mb(2).EndAttributes()
                 .Token(binxml::kXsdQName).Mb(2).EndElement();
  XmlDecodeStatus status;
  // The prefix that the attribute value uses is declared on its element.
  EXPECT_EQ(DecodeBinaryXml(ByteView(doc.bytes), status), "<v t=\"p:e\" xmlns:p=\"urn:a\">p:e</v>");
}

TEST(XmlAtomicValue, FormattersRejectImpossibleLayouts) {
  EXPECT_FALSE(FormatXmlDecimal(ByteView(FromHex("0a02010000")), false));  // 2 magnitude bytes
  EXPECT_FALSE(FormatXmlDecimal(ByteView(FromHex("0a2701 00000000")), false));
  EXPECT_FALSE(XmlScaledTemporalSize(binxml::kXsdTime2, 8));
  EXPECT_EQ(XmlScaledTemporalSize(binxml::kXsdDateTimeOffset, 7), 11u);
  EXPECT_EQ(XmlScaledTemporalSize(binxml::kXsdDateTime2, 2), 7u);
  // A payload shorter than its token needs gives no text rather than a read past it.
  EXPECT_EQ(FormatXmlFixedValue(binxml::kSqlDateTime, ByteView(FromHex("00000000"))), "");
  EXPECT_EQ(FormatXmlFixedValue(binxml::kXsdDateTime2, ByteView(FromHex("0700"))), "");
}

}  // namespace
}  // namespace pagewright
