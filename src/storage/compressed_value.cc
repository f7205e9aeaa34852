#include "storage/compressed_value.h"

#include <string>

#include "storage/scsu.h"
#include "values/type_codes.h"

namespace pagewright {
namespace {

namespace code = type_code;

constexpr uint8_t kSpace = 0x20;
constexpr size_t kDecimalGroupBits = 10;
constexpr int kDecimalExponentBias = 64;
constexpr uint8_t kDecimalPositiveBit = 0x80;
constexpr uint8_t kDecimalExponentMask = 0x7F;
constexpr size_t kMaxDecimalDigits = 38;
// Above this one more decimal digit would overflow 128 bits.
constexpr unsigned __int128 kMantissaLimit = ~static_cast<unsigned __int128>(0) / 10;

// Time ticks take 3, 4 or 5 bytes by scale; a declared length inside the
// type's possible range is trusted over the scale.
size_t TimeWidth(uint8_t scale) { return scale <= 2 ? 3 : scale <= 4 ? 4 : 5; }

size_t TemporalWidth(const ColumnDef& column, size_t extra) {
  size_t fromScale = TimeWidth(column.scale) + extra;
  int declared = column.declaredLength;
  if (declared >= static_cast<int>(3 + extra) && declared <= static_cast<int>(5 + extra)) return declared;
  return fromScale;
}

// The column's length (5, 9, 13 or 17 bytes) when it is one of those, else
// the width its precision gives.
size_t DecimalMagnitudeWidth(const ColumnDef& column) {
  switch (column.declaredLength) {
    case 5: case 9: case 13: case 17: return static_cast<size_t>(column.declaredLength) - 1;
    default: break;
  }
  uint8_t precision = column.precision;
  if (precision == 0 || precision > 28) return 16;
  if (precision <= 9) return 4;
  if (precision <= 19) return 8;
  return 12;
}

size_t IntegerWidth(int32_t typeCode) {
  switch (typeCode) {
    case code::kSmallInt: return 2;
    case code::kInt:
    case code::kSmallMoney: return 4;
    case code::kBigInt:
    case code::kMoney:
    case code::kDateTime: return 8;
    default: return 0;
  }
}

void AppendLittleEndian(std::vector<uint8_t>& out, uint64_t value, size_t width) {
  for (size_t index = 0; index < width; ++index) out.push_back(static_cast<uint8_t>(value >> (8 * index)));
}

ExpandedValue Damaged() {
  ExpandedValue value;
  value.damaged = true;
  return value;
}

ExpandedValue ExpandInteger(ByteView stored, size_t width) {
  ExpandedValue value;
  if (stored.empty()) {
    value.bytes.assign(width, 0);
    return value;
  }
  if (stored.size() > width) return Damaged();
  auto decoded = DecodeExcessInteger(stored);
  if (!decoded) return Damaged();
  AppendLittleEndian(value.bytes, static_cast<uint64_t>(*decoded), width);
  return value;
}

// Zeros go in front of the stored bytes or behind them, up to `width`.
ExpandedValue PadWithZeros(ByteView stored, size_t width, bool zerosInFront) {
  if (stored.size() > width) return Damaged();
  ExpandedValue value;
  if (zerosInFront) value.bytes.assign(width - stored.size(), 0);
  const auto storedBytes = stored.to_vector();
  value.bytes.insert(value.bytes.end(), storedBytes.begin(), storedBytes.end());
  if (!zerosInFront) value.bytes.resize(width, 0);
  return value;
}

// A column of declared width n: the stored bytes with the pad byte put back.
ExpandedValue PadToDeclared(ByteView stored, int declared, uint8_t pad) {
  ExpandedValue value;
  value.bytes = stored.to_vector();
  if (declared <= 0) return value;  // width unknown: keep what was stored
  auto width = static_cast<size_t>(declared);
  if (value.bytes.size() > width) {
    value.bytes.resize(width);
    value.damaged = true;
  }
  value.bytes.resize(width, pad);
  return value;
}

ExpandedValue ExpandUnicode(ByteView stored, int declaredCharacters, bool fixed) {
  UnicodeValue text = DecodeCompressedUnicode(stored);
  ExpandedValue value;
  value.damaged = text.damaged;
  if (fixed && declaredCharacters > 0) {
    auto width = static_cast<size_t>(declaredCharacters);
    if (text.text.size() > width) {
      text.text.resize(width);
      value.damaged = true;
    }
    text.text.resize(width, u' ');
  }
  value.bytes.reserve(2 * text.text.size());
  for (char16_t unit : text.text) AppendLittleEndian(value.bytes, unit, 2);
  return value;
}

ExpandedValue ExpandDecimal(ByteView stored, const ColumnDef& column) {
  const size_t magnitudeWidth = DecimalMagnitudeWidth(column);
  ExpandedValue value;
  if (stored.empty()) {
    value.bytes.assign(1 + magnitudeWidth, 0);
    value.bytes[0] = 1;
    return value;
  }
  const uint8_t head = stored[0];
  const bool positive = (head & kDecimalPositiveBit) != 0;
  const int exponent = static_cast<int>(head & kDecimalExponentMask) - kDecimalExponentBias;

  // The digits, as base-1000 groups read most significant bit first.
  std::string digits;
  const size_t groupCount = (8 * (stored.size() - 1) + kDecimalGroupBits - 1) / kDecimalGroupBits;
  for (size_t group = 0; group < groupCount; ++group) {
    unsigned groupValue = 0;
    for (size_t bit = 0; bit < kDecimalGroupBits; ++bit) {
      size_t bitIndex = group * kDecimalGroupBits + bit;
      size_t byteIndex = 1 + bitIndex / 8;
      unsigned bitValue = byteIndex < stored.size() ? (stored[byteIndex] >> (7 - bitIndex % 8)) & 1 : 0;
      groupValue = (groupValue << 1) | bitValue;
    }
    if (groupValue > 999) return Damaged();
    digits.push_back(static_cast<char>('0' + groupValue / 100));
    digits.push_back(static_cast<char>('0' + groupValue / 10 % 10));
    digits.push_back(static_cast<char>('0' + groupValue % 10));
  }
  // Zeros around the significant digits only pad groups; the leading digit
  // stands at 10^exponent, so value = D * 10^(exponent - (|D| - 1)).
  size_t first = digits.find_first_not_of('0');
  unsigned __int128 mantissa = 0;
  int power = 0;
  if (first != std::string::npos) {
    size_t last = digits.find_last_not_of('0');
    std::string significant = digits.substr(first, last - first + 1);
    if (significant.size() > kMaxDecimalDigits) return Damaged();
    for (char digit : significant) mantissa = mantissa * 10 + static_cast<unsigned>(digit - '0');
    power = exponent - (static_cast<int>(significant.size()) - 1) + column.scale;
  }
  if (mantissa != 0) {
    for (; power > 0; --power) {
      if (mantissa > kMantissaLimit) return Damaged();
      mantissa *= 10;
    }
    for (; power < 0; ++power) {
      // A digit below the column's scale cannot be stored; the bytes are bad.
      if (mantissa % 10 != 0) value.damaged = true;
      mantissa /= 10;
    }
  }
  if (magnitudeWidth < 16 && (mantissa >> (8 * magnitudeWidth)) != 0) return Damaged();
  value.bytes.push_back(positive ? 1 : 0);
  for (size_t index = 0; index < magnitudeWidth; ++index)
    value.bytes.push_back(static_cast<uint8_t>(mantissa >> (8 * index)));
  return value;
}

}  // namespace

std::optional<int64_t> DecodeExcessInteger(ByteView stored) {
  if (stored.empty() || stored.size() > 8) return std::nullopt;
  uint64_t raw = 0;
  for (size_t index = 0; index < stored.size(); ++index) raw = (raw << 8) | stored[index];
  const unsigned bits = static_cast<unsigned>(8 * stored.size());
  raw ^= uint64_t{1} << (bits - 1);  // the stored top bit is a sign marker
  if (bits < 64 && (raw >> (bits - 1)) & 1) raw |= ~uint64_t{0} << bits;  // sign-extend
  return static_cast<int64_t>(raw);
}

size_t UncompressedWidth(const ColumnDef& column) {
  switch (column.typeCode) {
    case code::kTinyInt:
    case code::kBit: return 1;
    case code::kSmallInt: return 2;
    case code::kInt:
    case code::kSmallMoney:
    case code::kSmallDateTime:
    case code::kReal: return 4;
    case code::kBigInt:
    case code::kMoney:
    case code::kDateTime:
    case code::kFloat:
    case code::kTimestamp: return 8;
    case code::kDate: return 3;
    case code::kTime: return TemporalWidth(column, 0);
    case code::kDateTime2: return TemporalWidth(column, 3);
    case code::kDateTimeOffset: return TemporalWidth(column, 5);
    case code::kNumeric:
    case code::kDecimal: return 1 + DecimalMagnitudeWidth(column);
    case code::kUniqueIdentifier: return 16;
    case code::kChar:
    case code::kBinary: return column.declaredLength > 0 ? static_cast<size_t>(column.declaredLength) : 0;
    case code::kNChar: return column.declaredLength > 0 ? static_cast<size_t>(column.declaredLength) : 0;
    default: return 0;
  }
}

ExpandedValue ExpandCompressedValue(const ColumnDef& column, ByteView stored, bool bitOne) {
  switch (column.typeCode) {
    case code::kBit: {
      ExpandedValue value;
      bool set = bitOne || (!stored.empty() && stored[0] != 0);
      value.bytes.push_back(set ? 1 : 0);
      value.damaged = stored.size() > 1;
      return value;
    }
    case code::kTinyInt:
      if (stored.size() > 1) return Damaged();
      return ExpandedValue{{stored.empty() ? uint8_t{0} : stored[0]}, false};
    case code::kSmallInt:
    case code::kInt:
    case code::kSmallMoney:
    case code::kBigInt:
    case code::kMoney:
    case code::kDateTime: return ExpandInteger(stored, IntegerWidth(column.typeCode));
    case code::kSmallDateTime:
    case code::kReal:
    case code::kFloat:
    case code::kTimestamp: return PadWithZeros(stored, UncompressedWidth(column), true);
    case code::kDate:
    case code::kTime:
    case code::kDateTime2:
    case code::kDateTimeOffset: return PadWithZeros(stored, UncompressedWidth(column), false);
    case code::kNumeric:
    case code::kDecimal: return ExpandDecimal(stored, column);
    case code::kChar: return PadToDeclared(stored, column.declaredLength, kSpace);
    case code::kBinary: return PadToDeclared(stored, column.declaredLength, 0);
    case code::kUniqueIdentifier:
      if (stored.empty()) return ExpandedValue{std::vector<uint8_t>(16, 0), false};
      return ExpandedValue{stored.to_vector(), stored.size() != 16};
    // The declared length of an nchar column counts bytes, two per character.
    case code::kNChar: return ExpandUnicode(stored, column.declaredLength / 2, true);
    case code::kNVarChar:
    case code::kSystemType232:
      // (max) columns (no declared length) are never Unicode-compressed.
      if (column.declaredLength <= 0) return ExpandedValue{stored.to_vector(), false};
      return ExpandUnicode(stored, 0, false);
    default: return ExpandedValue{stored.to_vector(), false};
  }
}

}  // namespace pagewright
