#include "values/numeric_format.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace pagewright {
namespace {

// 39 digits cover the largest 16-byte magnitude.
constexpr int kMaxDecimalDigits = 39;

size_t DecimalMagnitudeWidth(uint8_t precision) {
  if (precision >= 1 && precision <= 9) return 4;
  if (precision >= 10 && precision <= 19) return 8;
  if (precision >= 20 && precision <= 28) return 12;
  return 16;
}

// Fixed-point text of |value| / 10^4 with exactly four decimals.
std::string FormatScaledByTenThousand(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  digits.insert(digits.size() - 4, 1, '.');
  if (value < 0) digits.insert(0, 1, '-');
  return digits;
}

void StripFractionZeros(std::string& text) {
  if (text.find('.') == std::string::npos) return;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "nan";
  return value < 0 ? "-inf" : "inf";
}

// printf's "%.*f" in the classic locale, independent of the process locale.
std::string FixedText(double value, int decimals) {
  // Up to 309 integer digits, the point and the few hundred decimals that a
  // subnormal can ask for.
  char buffer[1100];
  auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return std::string();
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatDecimal(ByteView bytes, uint8_t precision, uint8_t scale) {
  const bool negative = bytes[0] == 0;
  const size_t width = DecimalMagnitudeWidth(precision);
  unsigned __int128 magnitude = 0;
  for (size_t index = width; index > 0; --index)
    magnitude = (magnitude << 8) | bytes[index];  // bytes 1..width, missing ones zero

  // Built least significant character first, reversed at the end.
  std::string reversed;
  int digitCount = 0;
  if (magnitude == 0) {
    reversed.push_back('0');
    digitCount = 1;
  } else {
    while (magnitude != 0 && digitCount < kMaxDecimalDigits) {
      reversed.push_back(static_cast<char>('0' + static_cast<int>(magnitude % 10)));
      magnitude /= 10;
      ++digitCount;
      if (scale > 0 && digitCount == scale) reversed.push_back('.');
    }
  }
  if (digitCount < scale) {
    reversed.append(static_cast<size_t>(scale - digitCount), '0');
    reversed.append(".0");
  } else if (!reversed.empty() && reversed.back() == '.') {
    reversed.push_back('0');
  }
  std::string text(reversed.rbegin(), reversed.rend());

  // Only the magnitude's own digits count against the precision; the padding
  // zeros and the "0" before the point are not digits of the value, so a
  // decimal(1,1) 0.5 keeps its digit.
  if (precision > 0 && digitCount > precision) {
    for (int removed = 0; scale > 0 && removed < scale && digitCount > precision && !text.empty(); ++removed) {
      if (text.back() != '.') --digitCount;
      text.pop_back();
    }
    if (digitCount > precision) return std::string();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  if (negative) text.insert(0, 1, '-');
  return text;
}

std::string FormatMoney(ByteView bytes) { return FormatScaledByTenThousand(bytes.i64_or(0)); }

std::string FormatSmallMoney(ByteView bytes) {
  // Exact integer arithmetic gives the four-decimal text that printing the
  // double v * 0.0001 and cutting after four decimals gives for every int32.
  return FormatScaledByTenThousand(bytes.i32_or(0));
}

std::string FormatFloat(ByteView bytes, bool substitute) {
  const double value = std::bit_cast<double>(bytes.u64_or(0));
  if (!std::isfinite(value)) return substitute ? "0" : NonFiniteText(value);
  int decimals = 6;
  if (value != 0) {
    const double magnitudeExponent = std::ceil(std::log10(std::fabs(value)));
    const double wanted = 15 - magnitudeExponent;
    if (wanted >= 0) decimals = static_cast<int>(wanted);
  }
  std::string text = FixedText(value, decimals);
  StripFractionZeros(text);
  return text;
}

std::string FormatReal(ByteView bytes, bool substitute) {
  const double value = std::bit_cast<float>(bytes.u32_or(0));
  if (!std::isfinite(value)) return substitute ? "0" : NonFiniteText(value);
  if (value == 0) return std::signbit(value) ? "-0" : "0";

  constexpr int kSignificantDigits = 6;
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::scientific,
                              kSignificantDigits - 1);
  if (result.ec != std::errc()) return std::string();
  std::string_view scientific(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t exponentAt = scientific.find('e');
  if (exponentAt == std::string_view::npos) return std::string();
  const int exponent = std::atoi(std::string(scientific.substr(exponentAt + 1)).c_str());

  std::string text;
  if (exponent < -4 || exponent >= kSignificantDigits) {
    std::string mantissa(scientific.substr(0, exponentAt));
    StripFractionZeros(mantissa);
    std::string exponentDigits = std::to_string(std::abs(exponent));
    if (exponentDigits.size() < 3) exponentDigits.insert(0, 3 - exponentDigits.size(), '0');
    text = mantissa + (exponent < 0 ? "e-" : "e+") + exponentDigits;
  } else {
    text = FixedText(value, kSignificantDigits - 1 - exponent);
    StripFractionZeros(text);
  }
  if (substitute && text.find("e-") != std::string::npos) return "0";
  return text;
}

}  // namespace pagewright
