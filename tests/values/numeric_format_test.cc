#include "values/numeric_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace pagewright {
namespace {

std::vector<uint8_t> LittleEndian(uint64_t value, size_t width) {
  std::vector<uint8_t> bytes(width);
  for (size_t index = 0; index < width; ++index) bytes[index] = static_cast<uint8_t>(value >> (8 * index));
  return bytes;
}

// Sign byte, then the magnitude's bytes (least significant first).
std::vector<uint8_t> DecimalBytes(uint8_t sign, std::vector<uint8_t> magnitude) {
  magnitude.insert(magnitude.begin(), sign);
  return magnitude;
}

struct DecimalCase {
  const char* name;
  std::vector<uint8_t> bytes;
  uint8_t precision;
  uint8_t scale;
  const char* expected;
};

TEST(NumericFormat, Decimal) {
  std::vector<uint8_t> twoTo64(16, 0);
  twoTo64[8] = 1;
  const std::vector<DecimalCase> cases = {
      {"positive", DecimalBytes(1, {0x39, 0x30, 0, 0}), 5, 2, "123.45"},
      {"negative sign byte 0", DecimalBytes(0, {0x39, 0x30, 0, 0}), 5, 2, "-123.45"},
      {"fewer digits than scale", DecimalBytes(1, {5, 0, 0, 0}), 5, 2, "0.05"},
      {"digits equal scale", DecimalBytes(1, {55, 0, 0, 0}), 5, 2, "0.55"},
      {"three-place fraction", DecimalBytes(1, {5, 0, 0, 0}), 5, 3, "0.005"},
      {"zero at scale 2", DecimalBytes(1, {0, 0, 0, 0}), 5, 2, "0.00"},
      {"zero at scale 1", DecimalBytes(1, {0, 0, 0, 0}), 5, 1, "0"},
      {"zero at scale 0", DecimalBytes(1, {0, 0, 0, 0}), 5, 0, "0"},
      {"integer", DecimalBytes(1, {0x39, 0x30, 0, 0}), 9, 0, "12345"},
      {"2^64 in 16 bytes", DecimalBytes(1, twoTo64), 38, 0, "18446744073709551616"},
      {"bytes past the magnitude ignored", DecimalBytes(1, {0x39, 0x30, 0, 0, 0xFF, 0xFF}), 9, 2, "123.45"},
      {"8-byte magnitude", DecimalBytes(1, LittleEndian(999999999999999999ULL, 8)), 18, 4, "99999999999999.9999"},
      {"20 digits in precision 19", DecimalBytes(1, LittleEndian(UINT64_MAX, 8)), 19, 4, "1844674407370955.161"},
      {"all-fraction precision keeps its digit", DecimalBytes(1, {5, 0, 0, 0}), 1, 1, "0.5"},
      {"all-fraction two digits", DecimalBytes(1, {5, 0, 0, 0}), 2, 2, "0.05"},
      // 1234567 in decimal(5,2): two fraction digits go, then the point.
      {"too many digits lose the fraction", DecimalBytes(1, {0x87, 0xD6, 0x12, 0}), 5, 2, "12345"},
      {"too many digits even without fraction", DecimalBytes(1, {0x87, 0xD6, 0x12, 0}), 3, 2, ""},
      {"too many digits at scale 0", DecimalBytes(1, {0x87, 0xD6, 0x12, 0}), 5, 0, ""},
      // 2^128 - 1 has 39 digits: one fraction digit is dropped for precision 38.
      {"39 digits", DecimalBytes(1, std::vector<uint8_t>(16, 0xFF)), 38, 10,
       "34028236692093846346337460743.176821145"},
      {"short value reads zeros", {1, 0x39}, 5, 2, "0.57"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDecimal(ByteView(c.bytes), c.precision, c.scale), c.expected) << c.name;
}

struct IntegerCase {
  int64_t value;
  const char* expected;
};

TEST(NumericFormat, MoneyHasFourDecimals) {
  const std::vector<IntegerCase> cases = {
      {12345, "1.2345"},
      {50, "0.0050"},
      {-5000, "-0.5000"},
      {0, "0.0000"},
      {123456789, "12345.6789"},
      {INT64_MAX, "922337203685477.5807"},
      {INT64_MIN, "-922337203685477.5808"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatMoney(ByteView(LittleEndian(static_cast<uint64_t>(c.value), 8))), c.expected) << c.value;
}

TEST(NumericFormat, SmallMoneyHasFourDecimals) {
  const std::vector<IntegerCase> cases = {
      {1, "0.0001"},
      {-1, "-0.0001"},
      {123456, "12.3456"},
      {0, "0.0000"},
      {-50, "-0.0050"},
      {INT32_MAX, "214748.3647"},
      {INT32_MIN, "-214748.3648"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatSmallMoney(ByteView(LittleEndian(static_cast<uint64_t>(c.value), 4))), c.expected) << c.value;
}

struct FloatCase {
  double value;
  bool substitute;
  const char* expected;
};

TEST(NumericFormat, Float) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<FloatCase> cases = {
      {123.456, true, "123.456"},
      {0.1, true, "0.1"},
      {-2.5, true, "-2.5"},
      {5e14, true, "500000000000000"},
      {1e15, true, "1000000000000000"},
      {1e16, true, "10000000000000000"},  // more than 15 digits: six decimals, all stripped
      {0.0, true, "0"},
      {1.0 / 3.0, true, "0.333333333333333"},
      {2.0 / 3.0, true, "0.666666666666667"},
      {1e-5, true, "0.00001"},
      {-1234.5678, true, "-1234.5678"},
      {inf, true, "0"},
      {-inf, true, "0"},
      {std::nan(""), true, "0"},
      {inf, false, "inf"},
      {-inf, false, "-inf"},
      {std::nan(""), false, "nan"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(ByteView(LittleEndian(std::bit_cast<uint64_t>(c.value), 8)), c.substitute), c.expected)
        << c.value << " substitute " << c.substitute;
}

TEST(NumericFormat, RealUsesSixSignificantDigitsAndThreeDigitExponent) {
  const float inf = std::numeric_limits<float>::infinity();
  struct RealCase {
    float value;
    bool substitute;
    const char* expected;
  };
  const std::vector<RealCase> cases = {
      {3.14159f, true, "3.14159"},
      {0.0001f, true, "0.0001"},
      {1234567.0f, true, "1.23457e+006"},
      {123456.0f, true, "123456"},
      {1000000.0f, true, "1e+006"},
      {-2.5f, true, "-2.5"},
      {0.0f, true, "0"},
      {3.4028235e38f, true, "3.40282e+038"},
      {1e-5f, true, "0"},           // "1e-005" is substituted
      {-1.5e-7f, true, "0"},
      {1e-5f, false, "1e-005"},
      {1.17549435e-38f, false, "1.17549e-038"},
      {inf, true, "0"},
      {inf, false, "inf"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatReal(ByteView(LittleEndian(std::bit_cast<uint32_t>(c.value), 4)), c.substitute), c.expected)
        << c.value << " substitute " << c.substitute;
}

TEST(NumericFormat, EmptyViewReadsAsZero) {
  EXPECT_EQ(FormatMoney(ByteView()), "0.0000");
  EXPECT_EQ(FormatFloat(ByteView(), true), "0");
  EXPECT_EQ(FormatReal(ByteView(), true), "0");
}

}  // namespace
}  // namespace pagewright
