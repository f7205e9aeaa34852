// The collation file's line rules, the database collation selection, and the
// collation.txt that ships beside the programs.
#include "values/collation_table.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

TEST(CollationTable, LineRules) {
  const struct {
    const char* name;
    const char* text;
    int64_t id;         // expected key, or
    bool present;       // false: the line yields no entry
    const char* entryName;
    int32_t codePage;
  } cases[] = {
      {"plain line", "Alpha\t12\t850\n", 12, true, "Alpha", 850},
      {"CR LF", "Alpha\t12\t850\r\n", 12, true, "Alpha", 850},
      {"no digits read as 0", "Alpha\tabc\t437\n", 0, true, "Alpha", 437},
      {"leading white space and sign", "Neg\t  -5\t 1250x\n", -5, true, "Neg", 1250},
      {"digits stop at the first other character", "Mix\t77abc\t936\n", 77, true, "Mix", 936},
      {"unsigned spelling wraps to the stored signed id", "Wrap\t4294967295\t1252\n", -1, true, "Wrap", 1252},
      {"empty code page reads 0", "Delta\t9\t\n", 9, true, "Delta", 0},
      {"empty name", "\t7\t1\n", 7, true, "", 1},
      {"single TAB", "Beta\t\n", 0, false, "", 0},
      {"single TAB with a number", "Beta\t15\n", 15, false, "", 0},
      {"no TAB", "Gamma 3 850\n", 3, false, "", 0},
      {"empty line", "\n", 0, false, "", 0},
      {"last line without a line end", "Omega\t99\t1257", 99, true, "Omega", 1257},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CollationTable table;
    ParseCollationTable(c.text, table);
    if (!c.present) {
      EXPECT_TRUE(table.empty());
      continue;
    }
    ASSERT_EQ(table.size(), 1u);
    const CollationEntry* entry = FindCollation(table, c.id);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, c.entryName);
    EXPECT_EQ(entry->codePage, c.codePage);
  }
}

TEST(CollationTable, LaterLineWinsAndOrderIsById) {
  CollationTable table;
  ParseCollationTable("B\t20\t1250\nA\t10\t1252\n\nbad line\nC\t20\t1251\n", table);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.begin()->first, 10);
  EXPECT_EQ(FindCollation(table, 20)->name, "C");
  EXPECT_EQ(FindCollation(table, 20)->codePage, 1251);
  EXPECT_EQ(FindCollation(table, 30), nullptr);
  EXPECT_EQ(FindCollationByName(table, "a"), std::optional<int64_t>(10));
  EXPECT_FALSE(FindCollationByName(table, "B"));
}

TEST(CollationTable, LoadFromFolder) {
  support::TempDir dir;
  CollationTable table;
  table[1] = CollationEntry{"kept", 1};
  EXPECT_FALSE(LoadCollationTable(dir.path(), table));
  EXPECT_EQ(table.size(), 1u);

  ASSERT_TRUE(support::WriteText(dir.File("collation.txt"), "Alpha\t12\t850\n"));
  EXPECT_TRUE(LoadCollationTable(dir.path(), table));
  EXPECT_TRUE(LoadCollationTable(dir.path() + "/", table));
  EXPECT_EQ(FindCollation(table, 12)->name, "Alpha");

  // A name in the system code page comes out as UTF-8.
  ASSERT_TRUE(support::WriteText(dir.File("collation.txt"), "Fran\xE7" "ais\t5\t1252\n"));
  CollationTable latin;
  EXPECT_TRUE(LoadCollationTable(dir.path(), latin));
  EXPECT_EQ(FindCollation(latin, 5)->name, "Fran\xC3\xA7" "ais");
}

class CollationSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    ParseCollationTable(
        "SQL_Latin1_General_CP1_CI_AS\t872468488\t1252\n"
        "Latin1_General_CI_AS\t53256\t1252\n"
        "Cyrillic_General_CI_AS\t53269\t1251\n"
        "SQL_Latin1_General_CP1254_CI_AS\t-2113875942\t1254\n",
        state.collations);
  }
  EngineState state;
};

TEST_F(CollationSelection, AutomaticAndManual) {
  const struct {
    const char* name;
    bool automatic;
    int64_t manualId;
    int32_t bootId;
    bool found;
    int64_t activeId;
    const char* collationName;
    int32_t codePage;
  } cases[] = {
      {"exact id", true, 0, 872468488, true, 872468488, "SQL_Latin1_General_CP1_CI_AS", 1252},
      {"negative id", true, 0, -2113875942, true, -2113875942, "SQL_Latin1_General_CP1254_CI_AS", 1254},
      {"low 16 bits when the id is unknown", true, 0, 0x7700D015, true, 53269, "Cyrillic_General_CI_AS", 1251},
      {"unknown in both forms", true, 0, 0x0000BEEF, false, -1, "", 1252},
      {"manual ignores the boot page", false, 53269, 872468488, true, 53269, "Cyrillic_General_CI_AS", 1251},
      {"manual unknown id: no 16-bit fallback", false, 0x7700D008, 0x7700D008, false, -1, "", 1252},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EngineState fresh;
    fresh.collations = state.collations;
    fresh.collation.collationAuto = c.automatic ? 1 : 0;
    fresh.collation.manualCollationId = c.manualId;
    EXPECT_EQ(SelectDatabaseCollation(fresh, c.bootId), c.found);
    EXPECT_EQ(fresh.collation.collationKnown, c.found ? 1 : 0);
    EXPECT_EQ(fresh.collation.activeCollationId, c.activeId);
    EXPECT_EQ(fresh.collation.collationName, c.collationName);
    EXPECT_EQ(fresh.collation.activeCodePage, c.codePage);
  }
}

TEST_F(CollationSelection, UnknownCollationKeepsThePreviousFile) {
  ASSERT_TRUE(SelectDatabaseCollation(state, 53269));
  EXPECT_FALSE(SelectDatabaseCollation(state, 0x0000BEEF));
  EXPECT_EQ(state.collation.collationKnown, 1);
  EXPECT_EQ(state.collation.activeCollationId, 53269);
  EXPECT_EQ(state.collation.collationName, "Cyrillic_General_CI_AS");
  EXPECT_EQ(state.collation.activeCodePage, 1251);
}

TEST(ShippedCollationTable, BesideTheProgramsAndComplete) {
  std::string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  std::error_code ignored;
  EXPECT_TRUE(std::filesystem::equivalent(folder, support::BinaryDir(), ignored));

  CollationTable table;
  ASSERT_TRUE(LoadCollationTable(folder, table));
  EXPECT_EQ(table.size(), 3955u);
  const struct {
    int64_t id;
    const char* name;
    int32_t codePage;
  } known[] = {
      {872468488, "SQL_Latin1_General_CP1_CI_AS", 1252},
      {53256, "Latin1_General_CI_AS", 1252},
      {61448, "Latin1_General_CI_AI", 1252},
      {53251, "Chinese_Taiwan_Stroke_CI_AS", 950},
      {-2113875942, "SQL_Latin1_General_CP1254_CI_AS", 1254},
  };
  for (const auto& entry : known) {
    SCOPED_TRACE(entry.name);
    const CollationEntry* found = FindCollation(table, entry.id);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, entry.name);
    EXPECT_EQ(found->codePage, entry.codePage);
  }
}

}  // namespace
}  // namespace pagewright
