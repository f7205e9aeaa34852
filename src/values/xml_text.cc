#include "values/xml_text.h"

#include <unicode/ucnv.h>

#include <memory>
#include <string>

#include "values/utf16_text.h"

namespace pagewright {
namespace {

constexpr uint32_t kCodePageUtf16Le = 1200;
constexpr uint32_t kCodePageUtf16Be = 1201;
constexpr uint32_t kCodePageUtf8 = 65001;

void AppendCharacterReference(std::string& out, uint32_t codePoint) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "&#x";
  char digits[8];
  int count = 0;
  do {
    digits[count++] = kHex[codePoint & 0xF];
    codePoint >>= 4;
  } while (codePoint != 0);
  while (count > 0) out.push_back(digits[--count]);
  out.push_back(';');
}

bool IsXmlCharacter(uint32_t codePoint) {
  if (codePoint < 0x20) return codePoint == 0x9 || codePoint == 0xA || codePoint == 0xD;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return false;
  return codePoint != 0xFFFE && codePoint != 0xFFFF;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr OpenConverter(uint32_t codePage) {
  UErrorCode status = U_ZERO_ERROR;
  if (codePage == kCodePageUtf8) return ConverterPtr(ucnv_open("UTF-8", &status));
  if (codePage == kCodePageUtf16Be) return ConverterPtr(ucnv_open("UTF-16BE", &status));
  // The "windows-" aliases name the Windows tables; the "cp" aliases reach the
  // OEM pages (437, 850, ...) that have no Windows alias.
  for (const char* prefix : {"windows-", "cp"}) {
    std::string name = prefix + std::to_string(codePage);
    status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name.c_str(), &status);
    if (converter && U_SUCCESS(status)) return ConverterPtr(converter);
    if (converter) ucnv_close(converter);
  }
  return nullptr;
}

}  // namespace

void AppendXmlText(std::string& out, std::u16string_view units, XmlTextPlace place,
                   int* cdataBrackets) {
  for (size_t index = 0; index < units.size(); ++index) {
    uint32_t codePoint = units[index];
    if (IsHighSurrogate(units[index]) && index + 1 < units.size() &&
        IsLowSurrogate(units[index + 1])) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[index + 1] - 0xDC00);
      ++index;
    }
    if (!IsXmlCharacter(codePoint)) {
      AppendCharacterReference(out, codePoint);
      if (cdataBrackets) *cdataBrackets = 0;
      continue;
    }
    switch (place) {
      case XmlTextPlace::kAttribute:
        if (codePoint == '"') { out += "&quot;"; continue; }
        if (codePoint == 0x9 || codePoint == 0xA) { AppendCharacterReference(out, codePoint); continue; }
        [[fallthrough]];
      case XmlTextPlace::kContent:
        if (codePoint == '&') { out += "&amp;"; continue; }
        if (codePoint == '<') { out += "&lt;"; continue; }
        if (codePoint == '>') { out += "&gt;"; continue; }
        if (codePoint == 0xD) { AppendCharacterReference(out, codePoint); continue; }
        break;
      case XmlTextPlace::kCdata:
        if (cdataBrackets) {
          // "]]>" would end the section early: end it after the brackets and
          // start a new one for the ">".
          if (codePoint == '>' && *cdataBrackets >= 2) out += "]]><![CDATA[";
          *cdataBrackets = codePoint == ']' ? *cdataBrackets + 1 : 0;
        }
        break;
      case XmlTextPlace::kRaw:
        break;
    }
    AppendUtf8(out, codePoint);
  }
}

std::u16string Utf16FromBytes(ByteView bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t offset = 0; offset + 1 < bytes.size(); offset += 2)
    units.push_back(static_cast<char16_t>(bytes.u16_or(offset)));
  return units;
}

std::u16string Utf16FromCodePage(ByteView bytes, uint32_t codePage) {
  if (codePage == kCodePageUtf16Le) return Utf16FromBytes(bytes);
  std::u16string units;
  if (bytes.empty()) return units;
  constexpr size_t kMaxConverterInput = 0x3FFFFFFF;  // keeps ICU's int32 lengths in range
  ConverterPtr converter = bytes.size() <= kMaxConverterInput ? OpenConverter(codePage) : nullptr;
  if (converter) {
    // No code page makes more than one UTF-16 unit of two bytes except for
    // surrogate pairs from 4-byte sequences, so 2 units per byte always fit.
    units.resize(bytes.size() * 2 + 1);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()),
                                   reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<int32_t>(bytes.size()), &status);
    if (U_SUCCESS(status) && length >= 0) {
      units.resize(static_cast<size_t>(length));
      return units;
    }
    units.clear();
  }
  for (size_t offset = 0; offset < bytes.size(); ++offset) units.push_back(bytes[offset]);
  return units;
}

}  // namespace pagewright
