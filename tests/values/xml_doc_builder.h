// Test builder of binary XML documents, token by token, with the token bytes
// of values/xml_tokens.h.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "values/xml_tokens.h"

namespace pagewright::testing {

class BinXml {
 public:
  explicit BinXml(uint8_t version = 1) {
    bytes = {binxml::kSignature0, binxml::kSignature1, version, binxml::kCodePage0, binxml::kCodePage1};
  }
  // Without the header: for continuing a document or writing raw token runs.
  static BinXml Bare() {
    BinXml doc;
    doc.bytes.clear();
    return doc;
  }

  BinXml& Raw(std::initializer_list<uint8_t> raw) {
    bytes.insert(bytes.end(), raw.begin(), raw.end());
    return *this;
  }
  BinXml& Raw(const std::vector<uint8_t>& raw) {
    bytes.insert(bytes.end(), raw.begin(), raw.end());
    return *this;
  }
  BinXml& Mb(uint64_t value) {
    do {
      uint8_t group = value & 0x7F;
      value >>= 7;
      bytes.push_back(value ? group | 0x80 : group);
    } while (value);
    return *this;
  }
  BinXml& Units(std::u16string_view text) {
    for (char16_t unit : text) Raw({static_cast<uint8_t>(unit & 0xFF), static_cast<uint8_t>(unit >> 8)});
    return *this;
  }
  BinXml& Text(std::u16string_view text) { return Mb(text.size()).Units(text); }
  BinXml& Le(uint64_t value, int width) {
    for (int index = 0; index < width; ++index) bytes.push_back(static_cast<uint8_t>(value >> (8 * index)));
    return *this;
  }

  BinXml& Name(std::u16string_view text) { return Token(binxml::kNameDef).Text(text); }
  BinXml& QName(uint64_t uri, uint64_t prefix, uint64_t local) {
    return Token(binxml::kQNameDef).Mb(uri).Mb(prefix).Mb(local);
  }
  BinXml& Element(uint64_t qname) { return Token(binxml::kElement).Mb(qname); }
  BinXml& EndElement() { return Token(binxml::kEndElement); }
  BinXml& Attribute(uint64_t qname) { return Token(binxml::kAttribute).Mb(qname); }
  BinXml& EndAttributes() { return Token(binxml::kEndAttributes); }
  BinXml& NVarChar(std::u16string_view text) { return Token(binxml::kSqlNVarChar).Text(text); }
  BinXml& Comment(std::u16string_view text) { return Token(binxml::kComment).Text(text); }
  BinXml& Pi(uint64_t target, std::u16string_view data) { return Token(binxml::kPi).Mb(target).Text(data); }
  BinXml& Cdata(std::u16string_view text) { return Token(binxml::kCdata).Text(text); }
  BinXml& CdataEnd() { return Token(binxml::kCdataEnd); }

  // <name>: defines the name and an unqualified qname for it; the caller
  // counts the indexes.
  BinXml& Define(std::u16string_view local, uint64_t nameIndex) { return Name(local).QName(0, 0, nameIndex); }

  BinXml& Token(uint8_t token) {
    bytes.push_back(token);
    return *this;
  }

  std::vector<uint8_t> bytes;
};

// Bytes of a hex text; spaces may group the digits.
inline std::vector<uint8_t> FromHex(std::string_view hex) {
  std::vector<uint8_t> bytes;
  int pending = -1;
  for (char c : hex) {
    int nibble = c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
    if (nibble < 0) continue;
    if (pending < 0) {
      pending = nibble;
    } else {
      bytes.push_back(static_cast<uint8_t>(pending << 4 | nibble));
      pending = -1;
    }
  }
  return bytes;
}

}  // namespace pagewright::testing
