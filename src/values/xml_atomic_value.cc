#include "values/xml_atomic_value.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "values/xml_tokens.h"

namespace pagewright {
namespace {

using namespace binxml;

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMillisecondsPerDay = kSecondsPerDay * 1000;
constexpr int kMaxTemporalScale = 7;
constexpr int kMaxDecimalScale = 38;

// Days between 1970-01-01 and the given proleptic Gregorian date.
constexpr int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
  int64_t year;
  int64_t month;
  int64_t day;
};

CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  return {yearOfEra + era * 400 + (month <= 2), month, day};
}

constexpr int64_t kDayOfYearOne = DaysFromCivil(1, 1, 1);
constexpr int64_t kDayOf1900 = DaysFromCivil(1900, 1, 1);

// Decimal digits of a non-negative number, left-padded with zeros to `width`.
std::string Padded(uint64_t value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

void AppendYear(std::string& out, int64_t year) {
  if (year < 0) out.push_back('-');
  out += Padded(static_cast<uint64_t>(year < 0 ? -year : year), 4);
}

void AppendDate(std::string& out, int64_t year, int64_t month, int64_t day) {
  AppendYear(out, year);
  out += '-' + Padded(month, 2) + '-' + Padded(day, 2);
}

void AppendDate(std::string& out, const CivilDate& date) { AppendDate(out, date.year, date.month, date.day); }

void AppendClock(std::string& out, uint64_t hour, uint64_t minute, uint64_t second) {
  out += Padded(hour, 2) + ':' + Padded(minute, 2) + ':' + Padded(second, 2);
}

// ".ddd" for `fraction` units of 10^-scale s, trailing zeros dropped; nothing
// for a zero fraction.
void AppendTrimmedFraction(std::string& out, uint64_t fraction, int scale) {
  if (scale == 0 || fraction == 0) return;
  std::string digits = Padded(fraction, scale);
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  out += '.' + digits;
}

void AppendZone(std::string& out, int64_t offsetMinutes) {
  if (offsetMinutes == 0) {
    out.push_back('Z');
    return;
  }
  out.push_back(offsetMinutes < 0 ? '-' : '+');
  uint64_t magnitude = static_cast<uint64_t>(offsetMinutes < 0 ? -offsetMinutes : offsetMinutes);
  out += Padded(magnitude / 60, 2) + ':' + Padded(magnitude % 60, 2);
}

uint64_t PowerOfTen(int exponent) {
  uint64_t value = 1;
  while (exponent-- > 0) value *= 10;
  return value;
}

// Days since 1900-01-01 and ticks of 1/300 s since midnight.
std::string FormatSqlDateTime(ByteView payload) {
  int64_t days = payload.i32_or(0);
  uint64_t ticks = payload.u32_or(4);
  uint64_t milliseconds = (ticks * 10 + 1) / 3;  // nearest millisecond
  days += static_cast<int64_t>(milliseconds / kMillisecondsPerDay);
  milliseconds %= kMillisecondsPerDay;
  std::string out;
  AppendDate(out, CivilFromDays(kDayOf1900 + days));
  out.push_back('T');
  uint64_t seconds = milliseconds / 1000;
  AppendClock(out, seconds / 3600, seconds / 60 % 60, seconds % 60);
  out += '.' + Padded(milliseconds % 1000, 3);
  return out;
}

std::string FormatSqlSmallDateTime(ByteView payload) {
  int64_t days = payload.u16_or(0);
  uint64_t minutes = payload.u16_or(2);
  days += static_cast<int64_t>(minutes / 1440);
  minutes %= 1440;
  std::string out;
  AppendDate(out, CivilFromDays(kDayOf1900 + days));
  out.push_back('T');
  AppendClock(out, minutes / 60, minutes % 60, 0);
  return out;
}

// The three 8-byte XSD forms pack their fields in mixed radix above two tag
// bits; the tag is not checked because the token already says which form it is.
std::string FormatXsdDate(ByteView payload) {
  uint64_t packed = payload.u64_or(0) >> 2;
  int64_t zoneAdjust = static_cast<int64_t>(packed % 1740) - 840;
  uint64_t dayNumber = packed / 1740;
  std::string out;
  AppendDate(out, static_cast<int64_t>(dayNumber / 372) - 9999, dayNumber / 31 % 12 + 1, dayNumber % 31 + 1);
  // The stored adjustment is what takes local time to UTC: the zone written
  // is its negation.
  AppendZone(out, -zoneAdjust);
  return out;
}

void AppendXsdClock(std::string& out, uint64_t milliseconds, uint64_t hour) {
  uint64_t seconds = milliseconds / 1000;
  AppendClock(out, hour, seconds / 60 % 60, seconds % 60);
  if (milliseconds % 1000 != 0) out += '.' + Padded(milliseconds % 1000, 3);
}

std::string FormatXsdDateTime(ByteView payload) {
  uint64_t packed = payload.u64_or(0) >> 2;
  uint64_t milliseconds = packed % (3600 * 1000);
  packed /= 3600 * 1000;
  uint64_t hour = packed % 24;
  packed /= 24;
  uint64_t day = packed % 31 + 1;
  packed /= 31;
  uint64_t month = packed % 12 + 1;
  packed /= 12;
  std::string out;
  AppendDate(out, static_cast<int64_t>(packed) - 9999, month, day);
  out.push_back('T');
  AppendXsdClock(out, milliseconds, hour);
  out.push_back('Z');
  return out;
}

std::string FormatXsdTime(ByteView payload) {
  uint64_t packed = payload.u64_or(0) >> 2;
  std::string out;
  AppendXsdClock(out, packed % (3600 * 1000), packed / (3600 * 1000));
  out.push_back('Z');
  return out;
}

size_t ScaledTimeBytes(int scale) { return scale <= 2 ? 3 : scale <= 4 ? 4 : 5; }

std::string FormatScaledTemporal(uint8_t token, ByteView payload) {
  const int scale = payload.u8_or(0);
  const size_t timeBytes = ScaledTimeBytes(scale);
  const int64_t unitsPerSecond = static_cast<int64_t>(PowerOfTen(scale));
  const int64_t unitsPerDay = kSecondsPerDay * unitsPerSecond;
  int64_t time = static_cast<int64_t>(payload.uint_n_at(1, timeBytes).value_or(0));
  int64_t days = static_cast<int64_t>(payload.uint_n_at(1 + timeBytes, 3).value_or(0));
  int64_t offsetMinutes = 0;
  const bool hasZone = token == kXsdTimeOffset || token == kXsdDateTimeOffset || token == kXsdDateOffset;
  if (hasZone) {
    offsetMinutes = payload.i16_or(1 + timeBytes + 3);
    // Stored time and date are UTC; the text is local time.
    if (token != kXsdDateOffset) time += offsetMinutes * 60 * unitsPerSecond;
  }
  // A time of 24 h or more carries into the date.
  int64_t carry = time / unitsPerDay;
  time %= unitsPerDay;
  if (time < 0) {
    time += unitsPerDay;
    --carry;
  }
  days += carry;

  std::string out;
  const bool showDate = token == kXsdDateTime2 || token == kXsdDateTimeOffset || token == kXsdDateOffset;
  const bool showTime = token != kXsdDateOffset;
  if (showDate) AppendDate(out, CivilFromDays(kDayOfYearOne + days));
  if (showDate && showTime) out.push_back('T');
  if (showTime) {
    uint64_t seconds = static_cast<uint64_t>(time / unitsPerSecond);
    AppendClock(out, seconds / 3600, seconds / 60 % 60, seconds % 60);
    AppendTrimmedFraction(out, static_cast<uint64_t>(time % unitsPerSecond), scale);
  }
  if (hasZone) AppendZone(out, offsetMinutes);
  return out;
}

std::string FormatDate2(ByteView payload) {
  std::string out;
  AppendDate(out, CivilFromDays(kDayOfYearOne + static_cast<int64_t>(payload.uint_n_at(0, 3).value_or(0))));
  return out;
}

// Four decimals of an amount stored times 10 000.
std::string FormatScaledMoney(int64_t amount) {
  uint64_t magnitude = amount < 0 ? 0 - static_cast<uint64_t>(amount) : static_cast<uint64_t>(amount);
  std::string digits = Padded(magnitude, 5);
  digits.insert(digits.size() - 4, 1, '.');
  return amount < 0 ? '-' + digits : digits;
}

std::string FormatUuid(ByteView payload) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out;
  for (int index = 0; index < 16; ++index) {
    if (index == 4 || index == 6 || index == 8 || index == 10) out.push_back('-');
    uint8_t byte = payload[kOrder[index]];
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0xF]);
  }
  return out;
}

// Shortest round-trip digits and decimal exponent of a finite non-zero value,
// taken from the scientific form "d.ddde±x" that to_chars writes.
template <typename Float>
std::string FormatXQueryFloat(Float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return std::signbit(value) ? "-0" : "0";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string scientific(buffer, result.ptr);
  bool negative = scientific[0] == '-';
  size_t exponentAt = scientific.find('e');
  std::string mantissa = scientific.substr(negative ? 1 : 0, exponentAt - (negative ? 1 : 0));
  int exponent = std::atoi(scientific.c_str() + exponentAt + 1);
  std::string digits;
  for (char c : mantissa)
    if (c != '.') digits.push_back(c);

  std::string out = negative ? "-" : "";
  double magnitude = std::fabs(static_cast<double>(value));
  if (magnitude >= 1e-6 && magnitude < 1e6) {
    // Within this range XQuery writes the value as an xs:decimal.
    if (exponent >= 0) {
      size_t integerDigits = static_cast<size_t>(exponent) + 1;
      if (digits.size() < integerDigits) digits.append(integerDigits - digits.size(), '0');
      out += digits.substr(0, integerDigits);
      if (digits.size() > integerDigits) out += '.' + digits.substr(integerDigits);
    } else {
      out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    return out;
  }
  out += digits.substr(0, 1) + '.' + (digits.size() > 1 ? digits.substr(1) : "0");
  out += 'E' + std::to_string(exponent);
  return out;
}

}  // namespace

size_t XmlFixedValueSize(uint8_t token) {
  switch (token) {
    case kSqlBit: case kSqlTinyInt: case kXsdBoolean: case kXsdByte: return 1;
    case kSqlSmallInt: case kXsdUnsignedShort: return 2;
    case kXsdDate2: return 3;
    case kSqlInt: case kSqlReal: case kSqlSmallDateTime: case kSqlSmallMoney: case kXsdUnsignedInt: return 4;
    case kSqlFloat: case kSqlMoney: case kSqlBigInt: case kSqlDateTime: case kXsdTime: case kXsdDateTime:
    case kXsdDate: case kXsdUnsignedLong: return 8;
    case kSqlUuid: return 16;
    default: return 0;
  }
}

bool IsXmlScaledTemporal(uint8_t token) { return token >= kXsdTimeOffset && token <= kXsdDateTime2; }

std::optional<size_t> XmlScaledTemporalSize(uint8_t token, uint8_t scale) {
  if (!IsXmlScaledTemporal(token) || scale > kMaxTemporalScale) return std::nullopt;
  size_t size = 1 + ScaledTimeBytes(scale) + 3;
  if (token == kXsdTimeOffset || token == kXsdDateTimeOffset || token == kXsdDateOffset) size += 2;
  return size;
}

std::string FormatXmlFixedValue(uint8_t token, ByteView payload) {
  if (IsXmlScaledTemporal(token)) {
    auto size = XmlScaledTemporalSize(token, payload.u8_or(0, 0xFF));
    if (!size || payload.size() < *size) return {};
    return FormatScaledTemporal(token, payload);
  }
  size_t size = XmlFixedValueSize(token);
  if (size == 0 || payload.size() < size) return {};
  switch (token) {
    case kSqlBit: case kSqlTinyInt: return std::to_string(payload.u8_or(0));
    case kXsdByte: return std::to_string(payload.i8_or(0));
    case kXsdBoolean: return payload.u8_or(0) ? "true" : "false";
    case kSqlSmallInt: return std::to_string(payload.i16_or(0));
    case kXsdUnsignedShort: return std::to_string(payload.u16_or(0));
    case kSqlInt: return std::to_string(payload.i32_or(0));
    case kXsdUnsignedInt: return std::to_string(payload.u32_or(0));
    case kSqlBigInt: return std::to_string(payload.i64_or(0));
    case kXsdUnsignedLong: return std::to_string(payload.u64_or(0));
    case kSqlReal: {
      uint32_t bits = payload.u32_or(0);
      float value;
      std::memcpy(&value, &bits, sizeof value);
      return FormatXmlFloat(value);
    }
    case kSqlFloat: {
      uint64_t bits = payload.u64_or(0);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return FormatXmlDouble(value);
    }
    case kSqlMoney: return FormatScaledMoney(payload.i64_or(0));
    case kSqlSmallMoney: return FormatScaledMoney(payload.i32_or(0));
    case kSqlUuid: return FormatUuid(payload);
    case kSqlDateTime: return FormatSqlDateTime(payload);
    case kSqlSmallDateTime: return FormatSqlSmallDateTime(payload);
    case kXsdDate: return FormatXsdDate(payload);
    case kXsdDateTime: return FormatXsdDateTime(payload);
    case kXsdTime: return FormatXsdTime(payload);
    case kXsdDate2: return FormatDate2(payload);
    default: return {};
  }
}

std::optional<std::string> FormatXmlDecimal(ByteView payload, bool canonical) {
  constexpr size_t kLeadBytes = 3;  // precision, scale, sign
  if (payload.size() < kLeadBytes) return std::nullopt;
  const size_t magnitudeBytes = payload.size() - kLeadBytes;
  if (magnitudeBytes != 4 && magnitudeBytes != 8 && magnitudeBytes != 12 && magnitudeBytes != 16)
    return std::nullopt;
  const int scale = payload.u8_or(1);
  if (scale > kMaxDecimalScale) return std::nullopt;
  const bool negative = payload.u8_or(2) == 0;

  // Repeated division of the little-endian 32-bit words by ten.
  uint32_t words[4] = {0, 0, 0, 0};
  const size_t wordCount = magnitudeBytes / 4;
  for (size_t index = 0; index < wordCount; ++index) words[index] = payload.u32_or(kLeadBytes + 4 * index);
  std::string digits;
  bool nonZero = true;
  while (nonZero) {
    uint64_t remainder = 0;
    nonZero = false;
    for (size_t index = wordCount; index-- > 0;) {
      uint64_t current = (remainder << 32) | words[index];
      words[index] = static_cast<uint32_t>(current / 10);
      remainder = current % 10;
      nonZero |= words[index] != 0;
    }
    digits.push_back(static_cast<char>('0' + remainder));
  }
  const bool isZero = digits == "0";
  if (digits.size() <= static_cast<size_t>(scale)) digits.append(scale + 1 - digits.size(), '0');
  std::string text(digits.rbegin(), digits.rend());
  if (scale > 0) text.insert(text.size() - scale, 1, '.');
  if (canonical && scale > 0) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (negative && !isZero) text.insert(0, 1, '-');
  return text;
}

std::string FormatXmlDouble(double value) { return FormatXQueryFloat(value); }
std::string FormatXmlFloat(float value) { return FormatXQueryFloat(value); }

std::string FormatXmlBase64(ByteView bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t offset = 0; offset < bytes.size(); offset += 3) {
    const size_t available = bytes.size() - offset;
    uint32_t group = static_cast<uint32_t>(bytes[offset]) << 16;
    if (available > 1) group |= static_cast<uint32_t>(bytes[offset + 1]) << 8;
    if (available > 2) group |= bytes[offset + 2];
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(available > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=');
    out.push_back(available > 2 ? kAlphabet[group & 0x3F] : '=');
  }
  return out;
}

std::string FormatXmlBinHex(ByteView bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (size_t offset = 0; offset < bytes.size(); ++offset) {
    out.push_back(kHex[bytes[offset] >> 4]);
    out.push_back(kHex[bytes[offset] & 0xF]);
  }
  return out;
}

}  // namespace pagewright
