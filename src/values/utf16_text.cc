#include "values/utf16_text.h"

namespace pagewright {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Walks code units from `unitAt` (index -> unit) up to `count` units or, with
// `stopAtZero`, the first zero unit.
template <typename UnitAt>
void AppendUnits(std::string& out, size_t count, bool stopAtZero, UnitAt unitAt) {
  for (size_t index = 0; index < count; ++index) {
    const char32_t unit = unitAt(index);
    if (unit == 0 && stopAtZero) return;
    if (IsHighSurrogate(unit) && index + 1 < count && IsLowSurrogate(unitAt(index + 1))) {
      const char32_t low = unitAt(index + 1);
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      ++index;
    } else {
      AppendUtf8(out, unit);  // a lone surrogate becomes U+FFFD there
    }
  }
}

}  // namespace

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) codePoint = kReplacementCharacter;
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

void AppendUtf16AsUtf8(std::string& out, const char16_t* units, size_t count, bool stopAtZero) {
  if (units == nullptr) return;
  AppendUnits(out, count, stopAtZero, [units](size_t index) { return static_cast<char32_t>(units[index]); });
}

std::string DecodeUtf16Text(ByteView bytes) {
  std::string text;
  text.reserve(bytes.size() / 2);
  const size_t unitCount = (bytes.size() + 1) / 2;
  AppendUnits(text, unitCount, true, [&bytes](size_t index) {
    return static_cast<char32_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));  // past the end reads 0
  });
  return text;
}

std::string DecodeWholeUtf16Text(ByteView bytes) {
  std::string text;
  text.reserve(bytes.size());
  AppendUnits(text, bytes.size() / 2, false, [&bytes](size_t index) { return static_cast<char32_t>(bytes.u16_or(2 * index)); });
  if (bytes.size() % 2) AppendUtf8(text, kReplacementCharacter);
  return text;
}

}  // namespace pagewright
