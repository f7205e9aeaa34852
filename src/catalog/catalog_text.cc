#include "catalog/catalog_text.h"

#include "values/utf16_text.h"

#include <vector>

namespace pagewright {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

std::string UnitsToUtf8(const std::vector<uint16_t>& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t index = 0; index < units.size(); ++index) {
    uint16_t unit = units[index];
    if (unit >= 0xD800 && unit <= 0xDBFF && index + 1 < units.size() && units[index + 1] >= 0xDC00 &&
        units[index + 1] <= 0xDFFF) {
      uint32_t codePoint = 0x10000 + ((static_cast<uint32_t>(unit) - 0xD800) << 10) + (units[index + 1] - 0xDC00);
      AppendUtf8(out, codePoint);
      ++index;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::vector<uint16_t> ReadUnits(ByteView bytes) {
  std::vector<uint16_t> units;
  units.reserve(bytes.size() / 2);
  for (size_t offset = 0; offset + 1 < bytes.size(); offset += 2) units.push_back(bytes.u16_or(offset));
  return units;
}

bool IsTrailingBlank(uint16_t unit) {
  return unit == 0x20 || unit == 0x09 || unit == 0x0A || unit == 0x0D || unit == 0x0B || unit == 0x0C;
}

}  // namespace

std::string Utf16LeToUtf8(ByteView bytes) { return UnitsToUtf8(ReadUnits(bytes)); }

std::string FixedUtf16Field(ByteView bytes) {
  std::vector<uint16_t> units = ReadUnits(bytes);
  for (size_t index = 0; index < units.size(); ++index) {
    if (units[index] == 0) {
      units.resize(index);
      break;
    }
  }
  while (!units.empty() && IsTrailingBlank(units.back())) units.pop_back();
  return UnitsToUtf8(units);
}

std::string Latin1ToUtf8(ByteView bytes) {
  std::string out;
  for (size_t offset = 0; offset < bytes.size(); ++offset) AppendUtf8(out, bytes[offset]);
  return out;
}

}  // namespace pagewright
