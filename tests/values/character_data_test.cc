#include "values/character_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagewright {
namespace {

constexpr int32_t kCyrillicId = 0x0034D01A;   // a collation listed with code page 1251
constexpr int32_t kJapaneseId = 0x00340411;   // listed with 932
constexpr int32_t kChineseId = 0x00340804;    // listed with 936
constexpr int32_t kUnlistedId = 0x00345678;

// "Привет" in code page 1251.
const std::vector<uint8_t> kCyrillicBytes = {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2};
const char* const kCyrillicText = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";

class CharacterData : public ::testing::Test {
 protected:
  CharacterData() {
    state.collations[kCyrillicId] = {"Cyrillic_General_CI_AS", 1251};
    state.collations[kJapaneseId] = {"Japanese_CI_AS", 932};
    state.collations[kChineseId] = {"Chinese_PRC_CI_AS", 936};
  }
  std::string Convert(const std::vector<uint8_t>& bytes, int32_t collationId) {
    return ConvertCharacterData(ByteView(bytes), collationId, state);
  }
  EngineState state;
};

TEST_F(CharacterData, ColumnCollationOnEveryScreen) {
  // The first screen and every later screen or full read convert alike.
  for (bool firstScreen : {true, false}) {
    state.tableLoadActive = firstScreen;
    EXPECT_EQ(Convert(kCyrillicBytes, kCyrillicId), kCyrillicText) << "first screen " << firstScreen;
  }
}

TEST_F(CharacterData, CodePageChoice) {
  state.collation.collationKnown = 1;
  state.collation.activeCollationId = kUnlistedId;  // found earlier through its low 16 bits
  state.collation.activeCodePage = 1251;
  struct Case {
    const char* name;
    int32_t collationId;
    int32_t expectedCodePage;
  };
  const std::vector<Case> cases = {
      {"no collation (0)", 0, 1252},
      {"no collation (-1)", -1, 1252},
      {"the database's active collation", kUnlistedId, 1251},
      {"an entry of the collation table", kJapaneseId, 932},
      {"unknown id", 0x7FFF0001, 1252},
  };
  for (const auto& c : cases) EXPECT_EQ(ColumnCodePage(c.collationId, state), c.expectedCodePage) << c.name;

  // The active id only counts once a database collation is known.
  state.collation.collationKnown = 0;
  EXPECT_EQ(ColumnCodePage(kUnlistedId, state), 1252);
  // The default follows the engine option.
  state.defaultAnsiCodePage = 1250;
  EXPECT_EQ(ColumnCodePage(0, state), 1250);
}

TEST_F(CharacterData, FullIdDoesNotMatchLowSixteenBitEntry) {
  // The boot page's id 0x00010034 was found through its low 16 bits (0x34);
  // a column with the full id matches neither the active id nor the table.
  state.collations[0x34] = {"Cyrillic_16", 1251};
  state.collation.collationKnown = 1;
  state.collation.activeCollationId = 0x34;
  state.collation.activeCodePage = 1251;
  EXPECT_EQ(ColumnCodePage(0x00010034, state), 1252);
  EXPECT_EQ(Convert({0xE9}, 0x00010034), "\xC3\xA9");  // é in 1252
}

TEST_F(CharacterData, CodePageConversions) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t collationId;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"Cyrillic 1251", kCyrillicBytes, kCyrillicId, kCyrillicText},
      {"Japanese 932, double-byte", {0x93, 0xFA, 0x96, 0x7B, 0x82, 0xA0, 0x41}, kJapaneseId,
       "\xE6\x97\xA5\xE6\x9C\xAC\xE3\x81\x82" "A"},  // 日本あA
      {"Japanese 932, half-width katakana", {0xB1, 0xB2}, kJapaneseId, "\xEF\xBD\xB1\xEF\xBD\xB2"},
      {"Chinese 936", {0xD6, 0xD0, 0xCE, 0xC4}, kChineseId, "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
      {"Western 1252 by default", {0x80, 0xE9}, 0, "\xE2\x82\xAC\xC3\xA9"},  // €é
      {"932 lead byte without trail byte", {0x41, 0x81}, kJapaneseId, "A\xEF\xBF\xBD"},
      {"932 lead byte with invalid trail byte", {0x82, 0x20}, kJapaneseId, "\xEF\xBF\xBD "},
      {"trailing blanks kept", {'a', 'b', ' ', ' ', ' '}, 0, "ab   "},
      {"cut at the first zero byte", {0x61, 0x00, 0x62}, 0, "a"},
      {"zero first", {0x00, 0x61}, kCyrillicId, ""},
      {"empty", {}, kCyrillicId, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Convert(c.bytes, c.collationId), c.expected) << c.name;
}

TEST_F(CharacterData, NoStateCarriesOverBetweenValues) {
  // A value ending in a lead byte must not join the next value's first byte.
  EXPECT_EQ(Convert({0x93}, kJapaneseId), "\xEF\xBF\xBD");
  EXPECT_EQ(Convert({0xFA}, kJapaneseId), "\xEF\xBF\xBD");
  // Alternating among more code pages than a thread keeps open.
  for (int round = 0; round < 3; ++round) {
    for (int32_t codePage : {1251, 932, 936, 1253, 1250, 874}) {
      const std::string text = ConvertCodePageOrWiden(ByteView(std::vector<uint8_t>{'o', 'k'}), codePage);
      EXPECT_EQ(text, "ok") << codePage;
    }
    EXPECT_EQ(Convert(kCyrillicBytes, kCyrillicId), kCyrillicText);
  }
}

TEST_F(CharacterData, UnmappableByteBecomesReplacementCharacter) {
  // 0xD2 is unassigned in code page 1253 (Greek).
  state.defaultAnsiCodePage = 1253;
  EXPECT_EQ(Convert({0xC1, 0xD2, 0xC2}, 0), "\xCE\x91\xEF\xBF\xBD\xCE\x92");  // Α?Β
}

TEST_F(CharacterData, UnknownCodePageWidensByteByByte) {
  // 1361 (Johab) and 20269 are Windows code pages ICU has no converter for;
  // 99999 is no code page at all; UTF-16 cannot be read up to a zero byte.
  for (int32_t codePage : {1361, 20269, 99999, 1200}) {
    state.collations[kUnlistedId] = {"Odd", codePage};
    EXPECT_EQ(Convert({0x41, 0xE9, 0xFF, 0x00, 0x42}, kUnlistedId), "A\xC3\xA9\xC3\xBF") << codePage;
    EXPECT_FALSE(ConvertCodePageText(ByteView(std::vector<uint8_t>{0x41}), codePage).has_value()) << codePage;
  }
}

TEST_F(CharacterData, LargeValuesAreConvertedWhole) {
  // Text values keep what they store: zero bytes stay, and a byte the code
  // page cannot map shows as the character of the same value instead of
  // U+FFFD.
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t codePage;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"zero bytes kept", {0x61, 0x00, 0x62}, 1252, std::string("a\0b", 3)},
      {"Cyrillic 1251", kCyrillicBytes, 1251, kCyrillicText},
      {"1252 with a zero byte", {0x80, 0x00, 0xE9}, 1252, std::string("\xE2\x82\xAC\0\xC3\xA9", 6)},
      {"unassigned in 1253", {0xC1, 0xD2, 0xC2}, 1253, "\xCE\x91\xC3\x92\xCE\x92"},  // Α, U+00D2, Β
      {"932 double-byte", {0x93, 0xFA, 0x41}, 932, "\xE6\x97\xA5" "A"},
      {"932 lead byte without trail byte", {0x41, 0x81}, 932, "A\xC2\x81"},
      {"ascii only", {'o', 'k', 0x00}, 936, std::string("ok\0", 3)},
  };
  for (const auto& c : cases) {
    auto text = ConvertCodePageBytes(ByteView(c.bytes), c.codePage);
    ASSERT_TRUE(text.has_value()) << c.name;
    EXPECT_EQ(*text, c.expected) << c.name;
  }
  for (int32_t codePage : {1361, 99999, 1200})
    EXPECT_FALSE(ConvertCodePageBytes(ByteView(std::vector<uint8_t>{0x41}), codePage).has_value()) << codePage;
  // A value ending in a lead byte does not join the next value.
  EXPECT_EQ(ConvertCodePageBytes(ByteView(std::vector<uint8_t>{0x93}), 932), "\xC2\x93");
  EXPECT_EQ(ConvertCodePageBytes(ByteView(std::vector<uint8_t>{0xFA}), 932), "\xC3\xBA");
}

}  // namespace
}  // namespace pagewright
