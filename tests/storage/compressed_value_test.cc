#include "storage/compressed_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/compressed_writer.h"

namespace pagewright {
namespace {

using Bytes = std::vector<uint8_t>;

ColumnDef Column(int32_t typeCode, int16_t declared = 0, uint8_t precision = 0, uint8_t scale = 0) {
  ColumnDef column;
  column.typeCode = typeCode;
  column.declaredLength = declared;
  column.precision = precision;
  column.scale = scale;
  return column;
}

Bytes Le(uint64_t value, size_t width) {
  Bytes out;
  for (size_t index = 0; index < width; ++index) out.push_back(static_cast<uint8_t>(value >> (8 * index)));
  return out;
}

// Type codes of the column list.
enum : int32_t {
  kBigInt = 0, kBinary = 1, kBit = 2, kChar = 3, kDateTime = 4, kDate = 5, kTime = 6, kDateTime2 = 7,
  kDateTimeOffset = 8, kInt = 9, kNChar = 10, kNVarChar = 11, kSmallInt = 13, kTinyInt = 14, kGuid = 15,
  kVarBinary = 16, kVarChar = 17, kMoney = 21, kFloat = 22, kNumeric = 23, kDecimal = 24, kSmallDateTime = 27,
  kReal = 28, kSmallMoney = 29, kTimestamp = 30
};

struct ValueCase {
  const char* name;
  ColumnDef column;
  Bytes stored;
  Bytes expanded;
  bool damaged = false;
};

class CompressedValueForms : public ::testing::TestWithParam<ValueCase> {};

TEST_P(CompressedValueForms, ExpandToTheUncompressedBytes) {
  const ValueCase& c = GetParam();
  ExpandedValue value = ExpandCompressedValue(c.column, ByteView(c.stored));
  EXPECT_EQ(value.bytes, c.expanded);
  EXPECT_EQ(value.damaged, c.damaged);
}

// Vectors cut from real pages and from readers validated against real
// servers; the integer rows show the sign marker (7F is -1, not 127).
INSTANTIATE_TEST_SUITE_P(
    Integers, CompressedValueForms,
    ::testing::Values(
        ValueCase{"IntOne", Column(kInt), {0x81}, Le(1, 4)},
        ValueCase{"IntMinusOne", Column(kInt), {0x7F}, Le(-1, 4)},
        ValueCase{"Int127", Column(kInt), {0xFF}, Le(127, 4)},
        ValueCase{"IntMinus128", Column(kInt), {0x00}, Le(-128, 4)},
        ValueCase{"Int128", Column(kInt), {0x80, 0x80}, Le(128, 4)},
        ValueCase{"IntMinus129", Column(kInt), {0x7F, 0x7F}, Le(-129, 4)},
        ValueCase{"IntMinus130", Column(kInt), {0x7F, 0x7E}, Le(-130, 4)},
        ValueCase{"Int32768", Column(kInt), {0x80, 0x80, 0x00}, Le(32768, 4)},
        ValueCase{"IntMinus8388609", Column(kInt), {0x7F, 0x7F, 0xFF, 0xFF}, Le(-8388609, 4)},
        ValueCase{"IntMax", Column(kInt), {0xFF, 0xFF, 0xFF, 0xFF}, Le(2147483647, 4)},
        ValueCase{"IntMin", Column(kInt), {0x00, 0x00, 0x00, 0x00}, Le(0x80000000u, 4)},
        ValueCase{"IntZeroIsEmpty", Column(kInt), {}, Le(0, 4)},
        ValueCase{"IntNonMinimal", Column(kInt), {0x80, 0x00, 0x31}, Le(49, 4)},
        ValueCase{"IntTooLong", Column(kInt), {0x80, 0, 0, 0, 1}, {}, true},
        ValueCase{"SmallIntMinus32768", Column(kSmallInt), {0x00, 0x00}, Le(0x8000, 2)},
        ValueCase{"SmallInt1000", Column(kSmallInt), {0x83, 0xE8}, Le(1000, 2)},
        ValueCase{"SmallIntMinusOne", Column(kSmallInt), {0x7F}, Le(0xFFFF, 2)},
        ValueCase{"BigIntMax", Column(kBigInt), Bytes(8, 0xFF), Le(0x7FFFFFFFFFFFFFFFull, 8)},
        ValueCase{"BigIntMinusOne", Column(kBigInt), {0x7F}, Le(~0ull, 8)},
        ValueCase{"BigInt2To39Minus1", Column(kBigInt), Bytes(5, 0xFF), Le((1ull << 39) - 1, 8)},
        ValueCase{"MoneyOne", Column(kMoney), {0xA7, 0x10}, Le(10000, 8)},
        ValueCase{"SmallMoneyMinusOne", Column(kSmallMoney), {0x58, 0xF0}, Le(static_cast<uint32_t>(-10000), 4)},
        ValueCase{"TinyIntIsRaw", Column(kTinyInt), {0x80}, {0x80}},
        ValueCase{"TinyInt255", Column(kTinyInt), {0xFF}, {0xFF}},
        ValueCase{"TinyIntZero", Column(kTinyInt), {}, {0x00}}),
    [](const auto& info) { return std::string(info.param.name); });

// datetime: days in the high half, 1/300 s ticks in the low half.
Bytes DateTime(int32_t days, uint32_t ticks) {
  Bytes out = Le(ticks, 4);
  Bytes high = Le(static_cast<uint32_t>(days), 4);
  out.insert(out.end(), high.begin(), high.end());
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Temporal, CompressedValueForms,
    ::testing::Values(
        ValueCase{"DateTime2012", Column(kDateTime), {0x80, 0x9F, 0xE7, 0x01, 0x8A, 0xE1, 0x73}, DateTime(40935, 0x018AE173)},
        ValueCase{"DateTime1753", Column(kDateTime), {0x7F, 0x2E, 0x46, 0, 0, 0, 0}, DateTime(-53690, 0)},
        ValueCase{"DateTime1900Base", Column(kDateTime), {}, DateTime(0, 0)},
        ValueCase{"DateTimeTimeOnly", Column(kDateTime), {0x81, 0x6F, 0x50, 0xF2}, DateTime(0, 0x016F50F2)},
        ValueCase{"DateTime1899", Column(kDateTime), {0x7E, 0x94, 0x01, 0x2E, 0xB9, 0x69}, DateTime(-364, 0x012EB969)},
        ValueCase{"SmallDateTimeMidnight", Column(kSmallDateTime), {0x10, 0x27}, {0, 0, 0x10, 0x27}},
        ValueCase{"SmallDateTimeLast", Column(kSmallDateTime), {0x9F, 0x05, 0xFF, 0xFF}, {0x9F, 0x05, 0xFF, 0xFF}},
        ValueCase{"Date2001", Column(kDate), {0x75, 0x25, 0x0B}, {0x75, 0x25, 0x0B}},
        ValueCase{"DateShort", Column(kDate), {0x01}, {0x01, 0x00, 0x00}},
        ValueCase{"DateTime2Scale3", Column(kDateTime2, 0, 0, 3), {0xE1, 0x1A, 0x76, 0x00, 0x75, 0x25, 0x0B},
                  {0xE1, 0x1A, 0x76, 0x00, 0x75, 0x25, 0x0B}},
        ValueCase{"DateTime2Scale7Cut", Column(kDateTime2, 0, 0, 7), {0x01, 0x02}, {0x01, 0x02, 0, 0, 0, 0, 0, 0}},
        ValueCase{"TimeScale0", Column(kTime, 0, 0, 0), {0x10}, {0x10, 0, 0}},
        ValueCase{"DateTimeOffsetUtc", Column(kDateTimeOffset, 0, 0, 7), {1, 2, 3, 4, 5, 6, 7, 8},
                  {1, 2, 3, 4, 5, 6, 7, 8, 0, 0}},
        ValueCase{"DateTooLong", Column(kDate), {1, 2, 3, 4}, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Numbers, CompressedValueForms,
    ::testing::Values(
        ValueCase{"RealOne", Column(kReal), {0x80, 0x3F}, {0, 0, 0x80, 0x3F}},
        ValueCase{"RealMinusOneHalf", Column(kReal), {0xC0, 0xBF}, {0, 0, 0xC0, 0xBF}},
        ValueCase{"FloatOne", Column(kFloat), {0xF0, 0x3F}, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        ValueCase{"FloatPi", Column(kFloat), {0x18, 0x2D, 0x44, 0x54, 0xFB, 0x21, 0x09, 0x40},
                  {0x18, 0x2D, 0x44, 0x54, 0xFB, 0x21, 0x09, 0x40}},
        ValueCase{"FloatZero", Column(kFloat), {}, Bytes(8, 0)},
        // decimal(9,0) 12345; decimal(9,3) 12.345 and -12.345; decimal(5,0) -1.
        ValueCase{"Decimal12345", Column(kDecimal, 0, 9, 0), {0xC4, 0x03, 0x15, 0x90}, {1, 0x39, 0x30, 0, 0}},
        ValueCase{"Decimal12dot345", Column(kDecimal, 0, 9, 3), {0xC1, 0x03, 0x15, 0x90}, {1, 0x39, 0x30, 0, 0}},
        ValueCase{"DecimalMinus12dot345", Column(kDecimal, 0, 9, 3), {0x41, 0x03, 0x15, 0x90}, {0, 0x39, 0x30, 0, 0}},
        ValueCase{"DecimalMinusOne", Column(kNumeric, 0, 5, 0), {0x40, 0x00, 0x40}, {0, 1, 0, 0, 0}},
        // The same 12.345 in a wider column: scale 5 gives 1234500 in 8 bytes.
        ValueCase{"DecimalWiderScale", Column(kDecimal, 0, 18, 5), {0xC1, 0x03, 0x15, 0x90},
                  {1, 0x44, 0xD6, 0x12, 0, 0, 0, 0, 0}},
        ValueCase{"DecimalZero", Column(kDecimal, 0, 20, 2), {}, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // The column's byte length wins over its precision.
        ValueCase{"DecimalLengthFromColumn", Column(kDecimal, 9, 5, 0), {0xC4, 0x03, 0x15, 0x90},
                  {1, 0x39, 0x30, 0, 0, 0, 0, 0, 0}},
        ValueCase{"DecimalGroupAbove999", Column(kDecimal, 0, 9, 0), {0xC2, 0xFF, 0xC0}, {}, true},
        ValueCase{"DecimalTooBigForPrecision", Column(kDecimal, 0, 9, 0), {0xCB, 0x03, 0x15, 0x90}, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Strings, CompressedValueForms,
    ::testing::Values(
        ValueCase{"CharPadded", Column(kChar, 6), {'R', 'o', 'w'}, {'R', 'o', 'w', ' ', ' ', ' '}},
        ValueCase{"CharEmptyIsSpaces", Column(kChar, 3), {}, {' ', ' ', ' '}},
        ValueCase{"CharTooLongIsCut", Column(kChar, 2), {'a', 'b', 'c'}, {'a', 'b'}, true},
        ValueCase{"BinaryPaddedWithZeros", Column(kBinary, 4), {0xAB}, {0xAB, 0, 0, 0}},
        ValueCase{"VarCharUnchanged", Column(kVarChar, 50), {'a', 'b', ' '}, {'a', 'b', ' '}},
        ValueCase{"VarBinaryEmpty", Column(kVarBinary, 50), {}, {}},
        ValueCase{"NVarCharScsu", Column(kNVarChar, 40), {0x47, 0x72, 0x61, 0x79, 0x10},
                  {'G', 0, 'r', 0, 'a', 0, 'y', 0}},
        ValueCase{"NVarCharUtf16", Column(kNVarChar, 40), {0x71, 0x5C, 0x30, 0x75}, {0x71, 0x5C, 0x30, 0x75}},
        ValueCase{"NVarCharMaxNeverScsu", Column(kNVarChar, 0), {'a', 0, 'b'}, {'a', 0, 'b'}},
        ValueCase{"NCharScsuPadded", Column(kNChar, 8), {0x48, 0x69, 0x10}, {'H', 0, 'i', 0, ' ', 0, ' ', 0}},
        ValueCase{"NCharCyrillic", Column(kNChar, 6), {0x12, 0x9F, 0xC0, 0xB8, 0x10},
                  {0x1F, 0x04, 0x40, 0x04, 0x38, 0x04}},
        ValueCase{"NCharDamagedScsu", Column(kNChar, 4), {0x41, 0x0C, 0x42},
                  {'A', 0, 0xFD, 0xFF}, true},
        ValueCase{"GuidUnchanged", Column(kGuid), Bytes(16, 0x5A), Bytes(16, 0x5A)},
        ValueCase{"GuidEmptyIsZero", Column(kGuid), {}, Bytes(16, 0)},
        ValueCase{"TimestampLeftPadded", Column(kTimestamp), {0x07, 0xE2}, {0, 0, 0, 0, 0, 0, 0x07, 0xE2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompressedValueBits, CodesGiveOneByte) {
  EXPECT_EQ(ExpandCompressedValue(Column(kBit), ByteView(), true).bytes, Bytes{1});
  EXPECT_EQ(ExpandCompressedValue(Column(kBit), ByteView(), false).bytes, Bytes{0});
}

// The test-support encoders must agree with the reader on every width edge,
// or the page tests built with them would prove nothing.
TEST(CompressedValueRoundTrip, IntegersAtEveryWidthEdge) {
  for (int64_t value : {int64_t{1}, int64_t{-1}, int64_t{127}, int64_t{-128}, int64_t{128}, int64_t{-129},
                        int64_t{32767}, int64_t{-32768}, int64_t{8388607}, int64_t{-8388609}, int64_t{2147483647},
                        int64_t{-2147483647} - 1, int64_t{1} << 40, -(int64_t{1} << 40), INT64_MAX, INT64_MIN}) {
    Bytes stored = support::CompressInteger(value);
    auto decoded = DecodeExcessInteger(ByteView(stored));
    ASSERT_TRUE(decoded) << value;
    EXPECT_EQ(*decoded, value);
  }
  EXPECT_EQ(support::CompressInteger(-1), Bytes{0x7F});
  EXPECT_EQ(support::CompressInteger(128), (Bytes{0x80, 0x80}));
}

TEST(CompressedValueRoundTrip, DecimalsMatchTheVectors) {
  EXPECT_EQ(support::CompressDecimal(12345, 0), (Bytes{0xC4, 0x03, 0x15, 0x90}));
  EXPECT_EQ(support::CompressDecimal(12345, 3), (Bytes{0xC1, 0x03, 0x15, 0x90}));
  EXPECT_EQ(support::CompressDecimal(-12345, 3), (Bytes{0x41, 0x03, 0x15, 0x90}));
  EXPECT_EQ(support::CompressDecimal(-1, 0), (Bytes{0x40, 0x00, 0x40}));
  // -4892384.38209 in decimal(18,5), and a 38-digit value in decimal(38,10).
  struct Case { __int128 unscaled; uint8_t precision; uint8_t scale; };
  __int128 big = 1;
  for (int digit = 0; digit < 37; ++digit) big = big * 10 + (digit % 9 + 1);
  for (Case c : {Case{-489238438209, 18, 5}, Case{1, 38, 10}, Case{-big, 38, 10}, Case{1000000, 9, 0},
                 Case{5, 9, 4}}) {
    Bytes stored = support::CompressDecimal(c.unscaled, c.scale);
    ExpandedValue value = ExpandCompressedValue(Column(kDecimal, 0, c.precision, c.scale), ByteView(stored));
    ASSERT_FALSE(value.damaged) << static_cast<long long>(c.unscaled) << " p" << int(c.precision);
    ASSERT_EQ(value.bytes.size(), c.precision <= 9 ? 5u : c.precision <= 19 ? 9u : 17u);
    unsigned __int128 magnitude = 0;
    for (size_t index = value.bytes.size(); index-- > 1;) magnitude = (magnitude << 8) | value.bytes[index];
    EXPECT_EQ(value.bytes[0], c.unscaled < 0 ? 0 : 1);
    EXPECT_TRUE(magnitude == static_cast<unsigned __int128>(c.unscaled < 0 ? -c.unscaled : c.unscaled));
  }
}

}  // namespace
}  // namespace pagewright
