#include "storage/scsu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagewright {
namespace {

using Bytes = std::vector<uint8_t>;

struct ScsuCase {
  const char* name;
  Bytes bytes;
  std::u16string text;
  bool damaged;
};

class ScsuDecode : public ::testing::TestWithParam<ScsuCase> {};

TEST_P(ScsuDecode, GivesTheText) {
  const ScsuCase& c = GetParam();
  UnicodeValue value = DecodeCompressedUnicode(ByteView(c.bytes));
  EXPECT_EQ(value.text, c.text);
  EXPECT_EQ(value.damaged, c.damaged);
}

// Stored values as the server wrote them (odd: SCSU, even: UTF-16LE), the
// standard's own samples, and damaged streams.
INSTANTIATE_TEST_SUITE_P(
    Values, ScsuDecode,
    ::testing::Values(
        ScsuCase{"GrayWithPad", {0x47, 0x72, 0x61, 0x79, 0x10}, u"Gray", false},
        ScsuCase{"HelloOddNoPad", {0x48, 0x65, 0x6C, 0x6C, 0x6F}, u"Hello", false},
        ScsuCase{"CyrillicWindow", {0x12, 0x9F, 0xC0, 0xB8, 0xB2, 0xB5, 0xC2}, u"Привет", false},
        ScsuCase{"ArabicWindowWithPad", {0x13, 0xC5, 0xB1, 0xAD, 0xA8, 0xA7, 0x10}, u"مرحبا", false},
        ScsuCase{"QuotedUnicodeUnit", {0x48, 0x69, 0x0E, 0x5C, 0x71}, u"Hi山", false},
        ScsuCase{"EvenLengthIsUtf16", {0x71, 0x5C, 0x30, 0x75}, u"山田", false},
        // Decoded as SCSU these bytes would start "C", NUL: the length rule matters.
        ScsuCase{"EvenLengthLooksLikeScsu", {0x43, 0x00, 0x0F, 0x1D, 0x80, 0x02, 0x8F, 0x02}, u"Cᴏʀʏ", false},
        ScsuCase{"Empty", {}, u"", false},
        ScsuCase{"StandardGerman", {0xD6, 0x6C, 0x20, 0x66, 0x6C, 0x69, 0x65, 0xDF, 0x74}, u"Öl fließt", false},
        // Our own stream: SQ4, SD3 to Greek, SQU, SDX to an extended window
        // (a surrogate pair), Unicode mode and back; 32 bytes + pad.
        ScsuCase{"EveryMechanism",
                 {0x12, 0x9C, 0xB8, 0xC0, 0x20, 0x05, 0x14, 0x20, 0x1B, 0xFB, 0xB9, 0xCC, 0xBD, 0xC3, 0xC1, 0x20, 0x0E,
                  0x4E, 0x2D, 0x20, 0x0B, 0x81, 0xEC, 0x80, 0x20, 0x0F, 0x65, 0xE5, 0x67, 0x2C, 0xE0, 0x2E, 0x10},
                 u"Мир — Ωμέγα 中 😀 日本.", false},
        // A value that ends in Unicode mode with one spare byte.
        ScsuCase{"TrailingHalfUnitDropped", {0x41, 0x0F, 0x65, 0xE5, 0x67}, u"A日", false},
        ScsuCase{"ReservedTag", {0x41, 0x0C, 0x42}, u"A\uFFFDB", true},
        ScsuCase{"ReservedUnicodeTag", {0x0F, 0xF2, 0x00}, u"\uFFFD", true},
        ScsuCase{"TruncatedQuote", {0x41, 0x42, 0x0E, 0x5C, 0x10, 0x0E, 0x5C}, u"AB尐\uFFFD", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScsuDecodeState, EveryValueStartsFromTheInitialWindows) {
  // The first value moves window 0 to Greek; the second must not see it.
  Bytes greek = {0x18, 0xFB, 0xC1};  // SD0 -> U+0370, then U+03B1
  Bytes latin = {0xE9};              // window 0 at U+0080: U+00E9
  EXPECT_EQ(DecodeScsu(ByteView(greek)).text, u"α");
  EXPECT_EQ(DecodeScsu(ByteView(latin)).text, u"é");
}

TEST(ScsuDecodeState, ReservedWindowOffsetsAreDamage) {
  // The converter itself passes these over silently.
  for (Bytes bytes : {Bytes{0x18, 0xA8, 0x41}, Bytes{0x41, 0x1A, 0x00, 0x42, 0x43},
                      Bytes{0x0F, 0xE8, 0xF8, 0x41, 0x42}, Bytes{0x1F, 0xF8, 0x41}}) {
    EXPECT_TRUE(DecodeScsu(ByteView(bytes)).damaged) << testing::PrintToString(bytes);
  }
  // The same tags with offsets of the table are sound.
  for (Bytes bytes : {Bytes{0x18, 0xA7, 0x41}, Bytes{0x41, 0x1A, 0x01, 0x42, 0x43}, Bytes{0x0F, 0xE8, 0xF9, 0x41, 0x42}}) {
    EXPECT_FALSE(DecodeScsu(ByteView(bytes)).damaged) << testing::PrintToString(bytes);
  }
}

TEST(ScsuDecodeState, LongStreamGrowsPastTheFirstGuess) {
  // Every byte of an extended window gives two code units.
  Bytes bytes = {0x0B, 0x81, 0xEC};
  bytes.insert(bytes.end(), 400, 0x80);
  UnicodeValue value = DecodeScsu(ByteView(bytes));
  EXPECT_FALSE(value.damaged);
  ASSERT_EQ(value.text.size(), 800u);
  EXPECT_EQ(value.text[0], 0xD83D);
  EXPECT_EQ(value.text[799], 0xDE00);
}

}  // namespace
}  // namespace pagewright
