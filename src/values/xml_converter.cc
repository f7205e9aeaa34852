#include "values/xml_converter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "values/xml_atomic_value.h"
#include "values/xml_text.h"
#include "values/xml_tokens.h"

namespace pagewright {
namespace {

using namespace binxml;

// A healthy document writes a few characters per byte (names are referenced
// by index, so one short token can print a long name). The allowance stops a
// damaged value from turning a small input into an endless text.
constexpr size_t kOutputAllowanceBase = size_t{1} << 20;
constexpr size_t kOutputAllowancePerByte = 64;

constexpr size_t kMb32MaxBytes = 5;
constexpr size_t kMb64MaxBytes = 10;
constexpr uint64_t kMb32MaxValue = 0x7FFFFFFF;
constexpr size_t kCodePageBytes = 4;

constexpr uint8_t kStandaloneYes = 1;
constexpr uint8_t kStandaloneNo = 2;

using Name = std::shared_ptr<const std::u16string>;

// Name-table indexes of a qname's parts.
struct QNameEntry {
  uint32_t uri = 0;
  uint32_t prefix = 0;
  uint32_t local = 0;
};

// The name tables of one document; a nested document has its own.
struct DocumentFrame {
  std::vector<Name> names;
  std::vector<QNameEntry> qnames;
  size_t elementBase = 0;  // open elements that belong to outer documents

  void ResetTables() {
    names.assign(1, std::make_shared<const std::u16string>());  // name 0 is ""
    qnames.assign(1, QNameEntry{});                              // qname 0 is never valid
  }
};

struct OpenElement {
  std::string printedName;
  std::vector<std::u16string> boundPrefixes;  // popped from the scope at the end tag
};

// A namespace binding in scope, and the element depth that made it.
struct Binding {
  std::u16string uri;
  size_t elementDepth = 0;
};

// A prefix (or the default namespace, empty prefix) that the start tag being
// written uses and that may need a declaration the document never stored.
struct NamespaceUse {
  Name prefix;
  Name uri;
  bool isElement = false;
};

std::string Utf8(std::u16string_view units, XmlTextPlace place = XmlTextPlace::kRaw) {
  std::string out;
  AppendXmlText(out, units, place);
  return out;
}

bool IsStringValue(uint8_t token) {
  return token == kSqlChar || token == kSqlNChar || token == kSqlVarChar || token == kSqlNVarChar ||
         token == kSqlText || token == kSqlNText;
}

bool IsAtomicValue(uint8_t token) {
  if (XmlFixedValueSize(token) != 0 || IsXmlScaledTemporal(token)) return true;
  switch (token) {
    case kSqlDecimal: case kSqlNumeric: case kXsdDecimal:
    case kSqlBinary: case kSqlVarBinary: case kSqlImage: case kSqlUdt: case kXsdBinHex: case kXsdBase64:
    case kSqlChar: case kSqlNChar: case kSqlVarChar: case kSqlNVarChar: case kSqlText: case kSqlNText:
    case kXsdQName:
      return true;
    default:
      return false;
  }
}

bool IsMetadata(uint8_t token) {
  return token == kNameDef || token == kQNameDef || token == kExtension || token == kFlush;
}

class BinaryXmlDecoder {
 public:
  explicit BinaryXmlDecoder(ByteView bytes)
      : in_(bytes),
        outputAllowance_(kOutputAllowanceBase +
                         (bytes.size() < SIZE_MAX / kOutputAllowancePerByte
                              ? bytes.size() * kOutputAllowancePerByte
                              : SIZE_MAX - kOutputAllowanceBase)) {}

  std::string Decode(XmlDecodeStatus& status) {
    status = XmlDecodeStatus{};
    if (!ReadHeader()) return {};
    frames_.emplace_back();
    frames_.back().ResetTables();
    scope_[u"xml"].push_back({u"http://www.w3.org/XML/1998/namespace", 0});

    while (pos_ < in_.size()) {
      tokenStart_ = pos_;
      const uint8_t token = in_[pos_++];
      if (!Step(token)) break;
      if (out_.size() > outputAllowance_) {
        Fail("text longer than the value can hold");
        break;
      }
    }
    if (!failed_ && (frames_.size() > 1 || elements_.size() > 0 || inCdata_)) {
      tokenStart_ = in_.size();
      Fail("value ends inside an element");
    }
    status.outcome = failed_ ? XmlDecodeStatus::Outcome::kDamaged : XmlDecodeStatus::Outcome::kComplete;
    status.damageOffset = failed_ ? damageOffset_ : 0;
    status.reason = failed_ ? reason_ : "";
    return std::move(out_);
  }

 private:
  // ---- reading -----------------------------------------------------------

  bool Fail(const char* reason) {
    if (!failed_) {
      failed_ = true;
      damageOffset_ = tokenStart_;
      reason_ = reason;
    }
    return false;
  }

  bool ReadHeader() {
    if (!in_.has(pos_, kHeaderSize)) return false;
    if (in_[pos_] != kSignature0 || in_[pos_ + 1] != kSignature1 || in_[pos_ + 2] > kMaxVersion ||
        in_[pos_ + 3] != kCodePage0 || in_[pos_ + 4] != kCodePage1)
      return false;
    // The version only adds tokens 7A..7F; they are read in any version, so a
    // version 1 value with them (or a nested version 2 document) still decodes.
    pos_ += kHeaderSize;
    return true;
  }

  std::optional<uint8_t> ReadByte() {
    auto byte = in_.u8_at(pos_);
    if (byte) ++pos_;
    return byte;
  }

  // Multi-byte integer of at most `maxBytes` groups; nothing when cut off,
  // too long, or above `maxValue`.
  std::optional<uint64_t> ReadMultiByte(size_t maxBytes, uint64_t maxValue) {
    uint64_t value = 0;
    for (size_t index = 0; index < maxBytes; ++index) {
      auto byte = ReadByte();
      if (!byte) return std::nullopt;
      const uint64_t group = *byte & 0x7F;
      // The tenth group of an mb64 can only hold bit 63, which no signed
      // 64-bit length may set.
      if (index == 9 && group != 0) return std::nullopt;
      value |= group << (7 * index);
      if ((*byte & 0x80) == 0) {
        if (value > maxValue) return std::nullopt;
        return value;
      }
    }
    return std::nullopt;
  }
  std::optional<uint64_t> ReadMb32() { return ReadMultiByte(kMb32MaxBytes, kMb32MaxValue); }
  std::optional<uint64_t> ReadMb64() { return ReadMultiByte(kMb64MaxBytes, INT64_MAX); }

  std::optional<ByteView> ReadBytes(uint64_t length) {
    if (length > in_.size() - pos_) return std::nullopt;
    auto bytes = in_.sub(pos_, static_cast<size_t>(length));
    if (bytes) pos_ += static_cast<size_t>(length);
    return bytes;
  }

  std::optional<std::u16string> ReadUnits(uint64_t count) {
    if (count > (in_.size() - pos_) / 2) return std::nullopt;
    auto bytes = ReadBytes(count * 2);
    if (!bytes) return std::nullopt;
    return Utf16FromBytes(*bytes);
  }

  // A "text": mb32 count of UTF-16 code units, then the units.
  std::optional<std::u16string> ReadText() {
    auto count = ReadMb32();
    if (!count) return std::nullopt;
    return ReadUnits(*count);
  }

  DocumentFrame& Frame() { return frames_.back(); }

  std::optional<Name> LookupName(uint64_t index) {
    if (index >= Frame().names.size()) return std::nullopt;
    return Frame().names[static_cast<size_t>(index)];
  }

  // Reads a qname index and resolves its three parts; nothing for an index
  // outside the table, the never-valid qname 0, or an empty name.
  struct ResolvedQName {
    Name uri;
    Name prefix;
    Name local;
    std::u16string printed;  // prefix:local, or whichever part is present
  };
  std::optional<ResolvedQName> ReadQName() {
    auto index = ReadMb32();
    if (!index || *index == 0 || *index >= Frame().qnames.size()) return std::nullopt;
    const QNameEntry& entry = Frame().qnames[static_cast<size_t>(*index)];
    ResolvedQName name{Frame().names[entry.uri], Frame().names[entry.prefix], Frame().names[entry.local], {}};
    if (name.prefix->empty()) {
      name.printed = *name.local;
    } else {
      name.printed = *name.prefix;
      if (!name.local->empty()) name.printed += u':' + *name.local;
    }
    if (name.printed.empty()) return std::nullopt;
    return name;
  }

  // ---- namespace scope ---------------------------------------------------

  const Binding* InnermostBinding(const std::u16string& prefix) const {
    auto found = scope_.find(prefix);
    if (found == scope_.end() || found->second.empty()) return nullptr;
    return &found->second.back();
  }

  void Bind(const std::u16string& prefix, const std::u16string& uri) {
    scope_[prefix].push_back({uri, elements_.size()});
    elements_.back().boundPrefixes.push_back(prefix);
  }

  // ---- start tags --------------------------------------------------------

  void CloseAttribute() {
    if (!attributeOpen_) return;
    out_.push_back('"');
    attributeOpen_ = false;
    valueRun_ = false;
    if (attributeDeclares_) Bind(attributeDeclaredPrefix_, attributeValue_);
  }

  // Writes the declarations of prefixes the start tag uses without a binding
  // in scope; SQL Server leaves them out of the stored value when an outer
  // context declared them.
  void EndAttributeList() {
    CloseAttribute();
    if (!inAttributeList_) return;
    inAttributeList_ = false;
    for (const NamespaceUse& use : namespaceUses_) {
      const std::u16string& prefix = *use.prefix;
      if (prefix == u"xml" || prefix == u"xmlns") continue;
      if (prefix.empty() && !use.isElement) continue;  // unprefixed attributes have no namespace
      const Binding* bound = InnermostBinding(prefix);
      const bool matches = bound ? bound->uri == *use.uri : use.uri->empty();
      // A prefix this start tag already binds to another namespace cannot be
      // declared twice; the first binding stands.
      const bool declaredHere = bound && bound->elementDepth == elements_.size();
      if (matches || declaredHere) continue;
      if (!prefix.empty() && use.uri->empty()) continue;  // a prefix cannot be bound to no namespace
      out_ += prefix.empty() ? " xmlns=\"" : " xmlns:" + Utf8(prefix) + "=\"";
      AppendXmlText(out_, *use.uri, XmlTextPlace::kAttribute);
      out_.push_back('"');
      Bind(prefix, *use.uri);
    }
    namespaceUses_.clear();
  }

  // Everything that is content ends the start tag before it is written.
  void BeginContent() {
    EndAttributeList();
    if (startTagOpen_) {
      out_.push_back('>');
      startTagOpen_ = false;
    }
  }

  bool StartElement() {
    BeginContent();
    valueRun_ = false;
    if (elements_.size() + frames_.size() >= kMaxXmlNesting) return Fail("elements nested too deeply");
    auto name = ReadQName();
    if (!name) return Fail("element name not defined");
    OpenElement element;
    element.printedName = Utf8(name->printed);
    out_ += '<' + element.printedName;
    elements_.push_back(std::move(element));
    namespaceUses_.push_back({name->prefix, name->uri, true});
    startTagOpen_ = true;
    inAttributeList_ = true;
    return true;
  }

  bool StartAttribute() {
    if (!inAttributeList_) return Fail("attribute outside a start tag");
    CloseAttribute();
    valueRun_ = false;
    auto name = ReadQName();
    if (!name) return Fail("attribute name not defined");
    const std::u16string& printed = name->printed;
    attributeDeclares_ = printed == u"xmlns" || printed.starts_with(u"xmlns:");
    attributeDeclaredPrefix_ = attributeDeclares_ && printed.size() > 5 ? printed.substr(6) : u"";
    attributeValue_.clear();
    if (!attributeDeclares_) namespaceUses_.push_back({name->prefix, name->uri, false});
    out_ += ' ' + Utf8(printed) + "=\"";
    attributeOpen_ = true;
    return true;
  }

  bool EndAttributes() {
    if (!inAttributeList_) return Fail("end of attributes outside a start tag");
    EndAttributeList();
    return true;
  }

  bool EndElement() {
    if (elements_.size() <= Frame().elementBase) return Fail("end of an element that was not started");
    EndAttributeList();
    valueRun_ = false;
    OpenElement& element = elements_.back();
    if (startTagOpen_) {
      out_ += "/>";
      startTagOpen_ = false;
    } else {
      out_ += "</" + element.printedName + '>';
    }
    for (const std::u16string& prefix : element.boundPrefixes) scope_[prefix].pop_back();
    elements_.pop_back();
    return true;
  }

  // ---- atomic values -----------------------------------------------------

  // Reads the payload of an atomic value token and gives its text; nothing
  // when the payload is cut off or impossible.
  std::optional<std::u16string> ReadAtomicValue(uint8_t token) {
    if (IsXmlScaledTemporal(token)) {
      auto scale = in_.u8_at(pos_);
      if (!scale) return std::nullopt;
      auto size = XmlScaledTemporalSize(token, *scale);
      if (!size) return std::nullopt;
      auto payload = ReadBytes(*size);
      if (!payload) return std::nullopt;
      return Ascii(FormatXmlFixedValue(token, *payload));
    }
    if (size_t size = XmlFixedValueSize(token)) {
      auto payload = ReadBytes(size);
      if (!payload) return std::nullopt;
      return Ascii(FormatXmlFixedValue(token, *payload));
    }
    switch (token) {
      case kSqlDecimal: case kSqlNumeric: case kXsdDecimal: {
        auto length = ReadMb32();
        if (!length) return std::nullopt;
        auto payload = ReadBytes(*length);
        if (!payload) return std::nullopt;
        auto text = FormatXmlDecimal(*payload, token == kXsdDecimal);
        if (!text) return std::nullopt;
        return Ascii(*text);
      }
      case kSqlBinary: case kSqlUdt: case kXsdBinHex: case kXsdBase64:
      case kSqlVarBinary: case kSqlImage: {
        auto length = token == kSqlVarBinary || token == kSqlImage ? ReadMb64() : ReadMb32();
        if (!length) return std::nullopt;
        auto payload = ReadBytes(*length);
        if (!payload) return std::nullopt;
        return Ascii(token == kXsdBinHex ? FormatXmlBinHex(*payload) : FormatXmlBase64(*payload));
      }
      case kSqlNChar: case kSqlNVarChar: case kSqlNText: {
        auto count = token == kSqlNChar ? ReadMb32() : ReadMb64();
        if (!count) return std::nullopt;
        return ReadUnits(*count);
      }
      case kSqlChar: case kSqlVarChar: case kSqlText: {
        auto length = token == kSqlChar ? ReadMb32() : ReadMb64();
        if (!length || *length < kCodePageBytes) return std::nullopt;
        auto payload = ReadBytes(*length);
        if (!payload) return std::nullopt;
        return Utf16FromCodePage(payload->from(kCodePageBytes), payload->u32_or(0));
      }
      case kXsdQName: {
        auto name = ReadQName();
        if (!name) return std::nullopt;
        if (attributeOpen_) namespaceUses_.push_back({name->prefix, name->uri, false});
        return name->printed;
      }
      default:
        return std::nullopt;
    }
  }

  static std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

  bool AtomicValue(uint8_t token) {
    const bool inAttribute = attributeOpen_;
    if (!inAttribute) BeginContent();
    auto text = ReadAtomicValue(token);
    if (!text) return Fail("value cut off or impossible");
    // Adjacent values form a list: strings run together, anything typed is
    // separated by one space as in an xs:list.
    const bool isString = IsStringValue(token);
    if (valueRun_ && !(isString && previousWasString_)) out_.push_back(' ');
    valueRun_ = true;
    previousWasString_ = isString;
    if (inAttribute) {
      if (attributeDeclares_) attributeValue_ += *text;
      AppendXmlText(out_, *text, XmlTextPlace::kAttribute);
    } else {
      AppendXmlText(out_, *text, XmlTextPlace::kContent);
    }
    return true;
  }

  // ---- other content -----------------------------------------------------

  bool Comment() {
    BeginContent();
    valueRun_ = false;
    auto text = ReadText();
    if (!text) return Fail("comment cut off");
    out_ += "<!--";
    AppendXmlText(out_, *text, XmlTextPlace::kRaw);
    out_ += "-->";
    return true;
  }

  bool ProcessingInstruction() {
    BeginContent();
    valueRun_ = false;
    auto targetIndex = ReadMb32();
    if (!targetIndex) return Fail("processing instruction cut off");
    auto target = LookupName(*targetIndex);
    if (!target || (*target)->empty()) return Fail("processing instruction target not defined");
    auto data = ReadText();
    if (!data) return Fail("processing instruction cut off");
    out_ += "<?" + Utf8(**target);
    if (!data->empty()) {
      out_.push_back(' ');
      AppendXmlText(out_, *data, XmlTextPlace::kRaw);
    }
    out_ += "?>";
    return true;
  }

  bool CdataChunk() {
    if (!inCdata_) BeginContent();
    valueRun_ = false;
    auto text = ReadText();
    if (!text) return Fail("CDATA section cut off");
    if (!inCdata_) {
      out_ += "<![CDATA[";
      inCdata_ = true;
      cdataBrackets_ = 0;
    }
    AppendXmlText(out_, *text, XmlTextPlace::kCdata, &cdataBrackets_);
    return true;
  }

  bool EmbeddedText() {
    BeginContent();
    valueRun_ = false;
    auto text = ReadText();
    if (!text) return Fail("embedded text cut off");
    AppendXmlText(out_, *text, XmlTextPlace::kRaw);
    return true;
  }

  bool XmlDeclaration() {
    BeginContent();
    valueRun_ = false;
    auto version = ReadText();
    if (!version) return Fail("XML declaration cut off");
    std::optional<std::u16string> encoding;
    if (in_.u8_at(pos_) == kEncoding) {
      ++pos_;
      encoding = ReadText();
      if (!encoding) return Fail("XML declaration cut off");
    }
    auto standalone = ReadByte();
    if (!standalone) return Fail("XML declaration cut off");
    // A nested document's declaration would stand in the middle of the text.
    if (frames_.size() > 1) return true;
    out_ += "<?xml version=\"" + Utf8(*version, XmlTextPlace::kAttribute) + '"';
    if (encoding) out_ += " encoding=\"" + Utf8(*encoding, XmlTextPlace::kAttribute) + '"';
    if (*standalone == kStandaloneYes) out_ += " standalone=\"yes\"";
    if (*standalone == kStandaloneNo) out_ += " standalone=\"no\"";
    out_ += "?>";
    return true;
  }

  bool DoctypeDeclaration() {
    BeginContent();
    valueRun_ = false;
    auto rootName = ReadText();
    if (!rootName) return Fail("DOCTYPE cut off");
    std::optional<std::u16string> parts[3];  // SYSTEM, PUBLIC, SUBSET: stored in this order
    const uint8_t partTokens[3] = {kSystem, kPublic, kSubset};
    for (int part = 0; part < 3; ++part) {
      if (in_.u8_at(pos_) != partTokens[part]) continue;
      ++pos_;
      parts[part] = ReadText();
      if (!parts[part]) return Fail("DOCTYPE cut off");
    }
    out_ += "<!DOCTYPE " + Utf8(*rootName);
    if (parts[1]) {
      out_ += " PUBLIC \"" + Utf8(*parts[1]) + '"';
      if (parts[0]) out_ += " \"" + Utf8(*parts[0]) + '"';
    } else if (parts[0]) {
      out_ += " SYSTEM \"" + Utf8(*parts[0]) + '"';
    }
    if (parts[2]) out_ += " [" + Utf8(*parts[2]) + ']';
    out_ += '>';
    return true;
  }

  bool BeginNestedDocument() {
    BeginContent();
    valueRun_ = false;
    if (elements_.size() + frames_.size() >= kMaxXmlNesting) return Fail("documents nested too deeply");
    if (!ReadHeader()) return Fail("nested document without a header");
    DocumentFrame frame;
    frame.ResetTables();
    frame.elementBase = elements_.size();
    frames_.push_back(std::move(frame));
    return true;
  }

  bool EndNestedDocument() {
    if (frames_.size() < 2) return Fail("end of a nested document that was not started");
    if (elements_.size() != Frame().elementBase) return Fail("nested document ends inside an element");
    valueRun_ = false;
    frames_.pop_back();
    return true;
  }

  // ---- metadata ----------------------------------------------------------

  bool NameDefinition() {
    auto text = ReadText();
    if (!text) return Fail("name definition cut off");
    Frame().names.push_back(std::make_shared<const std::u16string>(std::move(*text)));
    return true;
  }

  bool QNameDefinition() {
    QNameEntry entry;
    uint32_t* parts[3] = {&entry.uri, &entry.prefix, &entry.local};
    for (uint32_t* part : parts) {
      auto index = ReadMb32();
      if (!index) return Fail("qname definition cut off");
      if (*index >= Frame().names.size()) return Fail("qname definition refers to an undefined name");
      *part = static_cast<uint32_t>(*index);
    }
    // An all-empty definition still takes its index; only a use of it fails.
    Frame().qnames.push_back(entry);
    return true;
  }

  bool Extension() {
    auto length = ReadMb32();
    if (!length || !ReadBytes(*length)) return Fail("extension cut off");
    return true;
  }

  // ---- dispatch ----------------------------------------------------------

  bool Step(uint8_t token) {
    if (inCdata_ && token != kCdata && token != kCdataEnd && !IsMetadata(token))
      return Fail("CDATA section not ended");
    switch (token) {
      case kNameDef: return NameDefinition();
      case kQNameDef: return QNameDefinition();
      case kExtension: return Extension();
      case kFlush: Frame().ResetTables(); return true;
      case kElement: return StartElement();
      case kAttribute: return StartAttribute();
      case kEndAttributes: return EndAttributes();
      case kEndElement: return EndElement();
      case kComment: return Comment();
      case kPi: return ProcessingInstruction();
      case kCdata: return CdataChunk();
      case kCdataEnd:
        if (!inCdata_) return Fail("end of a CDATA section that was not started");
        out_ += "]]>";
        inCdata_ = false;
        return true;
      case kEmbeddedText: return EmbeddedText();
      case kXmlDecl: return XmlDeclaration();
      case kDoctypeDecl: return DoctypeDeclaration();
      case kNest: return BeginNestedDocument();
      case kEndNest: return EndNestedDocument();
      default:
        if (IsAtomicValue(token)) return AtomicValue(token);
        return Fail("unknown token");
    }
  }

  ByteView in_;
  size_t pos_ = 0;
  size_t tokenStart_ = 0;
  const size_t outputAllowance_;
  std::string out_;

  bool failed_ = false;
  size_t damageOffset_ = 0;
  const char* reason_ = "";

  std::vector<DocumentFrame> frames_;
  std::vector<OpenElement> elements_;
  std::unordered_map<std::u16string, std::vector<Binding>> scope_;  // by prefix, innermost last
  std::vector<NamespaceUse> namespaceUses_;

  bool startTagOpen_ = false;     // "<name" written, ">" or "/>" not yet
  bool inAttributeList_ = false;  // attributes may still follow
  bool attributeOpen_ = false;    // ' name="' written, closing quote not yet
  bool attributeDeclares_ = false;
  std::u16string attributeDeclaredPrefix_;
  std::u16string attributeValue_;  // raw value of a namespace declaration
  bool valueRun_ = false;          // the last token was an atomic value
  bool previousWasString_ = false;
  bool inCdata_ = false;
  int cdataBrackets_ = 0;
};

}  // namespace

std::string DecodeBinaryXml(ByteView bytes, XmlDecodeStatus& status) {
  return BinaryXmlDecoder(bytes).Decode(status);
}

std::string ConvertXmlValue(ByteView bytes) {
  XmlDecodeStatus status;
  return DecodeBinaryXml(bytes, status);
}

}  // namespace pagewright
