#include "values/utf16_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagewright {
namespace {

TEST(Utf16Text, DecodesUpToFirstZeroUnitAndRepairsDamage) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"ascii with zero padding", {'a', 0, 'b', 0, 0, 0, 0, 0}, "ab"},
      {"zero unit ends the text", {'a', 0, 0, 0, 'b', 0}, "a"},
      {"a zero byte inside a unit does not end it", {0x00, 0x04, 'a', 0}, "\xD0\x80" "a"},  // U+0400
      {"surrogate pair", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},                     // U+1F600
      {"lone high surrogate", {0x3D, 0xD8, 'a', 0}, "\xEF\xBF\xBD" "a"},
      {"lone low surrogate", {0x00, 0xDE, 'a', 0}, "\xEF\xBF\xBD" "a"},
      {"high surrogate at the end", {'a', 0, 0x3D, 0xD8}, "a\xEF\xBF\xBD"},
      {"odd last byte is a unit of its own", {'a', 0, 'b'}, "ab"},
      {"single byte", {'z'}, "z"},
      {"empty", {}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeUtf16Text(ByteView(c.bytes)), c.expected) << c.name;
}

TEST(Utf16Text, WholeTextKeepsZeroUnitsAndMarksAnOddByte) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"zero units are kept", {'a', 0, 0, 0, 'b', 0}, std::string("a\0b", 3)},
      {"surrogate pair", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
      {"lone high surrogate before a zero unit", {0x3D, 0xD8, 0, 0}, std::string("\xEF\xBF\xBD\0", 4)},
      {"odd last byte", {'a', 0, 'b'}, "a\xEF\xBF\xBD"},
      {"empty", {}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeWholeUtf16Text(ByteView(c.bytes)), c.expected) << c.name;
}

}  // namespace
}  // namespace pagewright
