// Boot page decoding (version names, database name) and locating the boot
// page through the shift of a file with missing leading pages.
#include "storage/boot_page.h"

#include <gtest/gtest.h>

#include "catalog/database_file.h"
#include "support/boot_page_writer.h"
#include "support/temp_dir.h"
#include "values/collation_table.h"

namespace pagewright {
namespace {

using support::BootPageSpec;
using support::PageImage;

TEST(BootPage, ReleaseNames) {
  const struct {
    int version;
    const char* text;
  } cases[] = {
      {408, " SQL Server 6.5"},
      {515, " SQL Server 7.0"},
      {539, " SQL Server 2000"},
      {611, " SQL Server 2005"},
      {612, " SQL Server 2005 SP2+ with VarDecimal enabled"},
      {613, "Unknown SQL Version"},
      {655, " SQL Server 2008"},
      {660, " SQL Server 2008 R2"},
      {661, " SQL Server 2008 R2"},
      {684, " SQL Server 2012 CTP1"},
      {706, " SQL Server 2012"},
      {782, " SQL Server 2014"},
      {852, " SQL Server 2016"},
      {853, "Unknown SQL Version"},
      {868, " SQL Server 2017"},
      {869, " SQL Server 2017"},
      {895, " SQL Server 2019"},
      {904, " SQL Server 2019"},
      {905, "Unknown SQL Version"},
      {957, " SQL Server 2022"},
      {0, "Unknown SQL Version"},
      {65535, "Unknown SQL Version"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    EXPECT_EQ(ReleaseName(c.version), c.text);
    BootPageSpec spec;
    spec.version = static_cast<uint16_t>(c.version);
    PageImage page = support::MakeBootPage(spec);
    CBootPage boot(ByteView(page.bytes()), nullptr);
    EXPECT_EQ(boot.version, c.version);
    EXPECT_EQ(boot.versionText, c.text);
  }
}

TEST(BootPage, DatabaseNames) {
  const std::u16string longName(128, u'N');
  const struct {
    const char* name;
    std::u16string units;
    char16_t padding;
    std::string expected;
  } cases[] = {
      {"padded with 0x2020", u"Sales", 0x2020, "Sales"},
      {"padded with blanks", u"Sales", 0x0020, "Sales"},
      {"trailing blanks before the padding", u"Sales   ", 0x2020, "Sales"},
      {"inner blank kept", u"My Sales", 0x2020, "My Sales"},
      {"leading blank kept", u" My Sales", 0x2020, " My Sales"},
      {"attach path with blanks", u"C:\\ASP.NET PRO 2.0\\CHAPTER01\\DATA.MDF", 0x2020,
       "C:\\ASP.NET PRO 2.0\\CHAPTER01\\DATA.MDF"},
      {"ends at the first NUL", std::u16string(u"Sales\0junk", 10), 0x2020, "Sales"},
      {"Cyrillic", u"E:\\УПРАВЛЕНИЕ ДАННЫМИ\\DATABASE1.MDF", 0x2020, "E:\\УПРАВЛЕНИЕ ДАННЫМИ\\DATABASE1.MDF"},
      {"CJK", u"會員", 0x2020, "會員"},
      {"surrogate pair", u"db\U0001F600", 0x2020, "db\xF0\x9F\x98\x80"},
      {"lone high surrogate", std::u16string(u"a") + char16_t(0xD800) + u"b", 0x2020, "a\xEF\xBF\xBD" "b"},
      {"lone low surrogate at the end", std::u16string(u"a") + char16_t(0xDC00), 0x2020, "a\xEF\xBF\xBD"},
      {"all 128 units used", longName, 0x2020, std::string(128, 'N')},
      {"only padding", u"", 0x2020, ""},
      {"only blanks", u"   ", 0x0020, ""},
      {"inner 0x2020 unit kept", u"A\u2020B", 0x2020, "A\xE2\x80\xA0" "B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PageImage page = support::MakeBootPage(BootPageSpec{});
    support::PutDatabaseNameUnits(page, c.units, c.padding);
    EXPECT_EQ(DecodeDatabaseName(ByteView(page.bytes())), c.expected);
    CBootPage boot(ByteView(page.bytes()), nullptr);
    EXPECT_EQ(boot.databaseName, c.expected);
  }
}

TEST(BootPage, FieldsAndTheBytesAfterTheName) {
  BootPageSpec spec;
  spec.version = 706;
  spec.databaseName = "Shop";
  spec.collationId = -2113875942;
  PageImage page = support::MakeBootPage(spec);
  // Bytes 404 on are not part of the name, whatever they hold.
  page.Put16(boot_layout::kDatabaseName + 2 * boot_layout::kDatabaseNameUnits, 'X');
  CBootPage boot(ByteView(page.bytes()), nullptr);
  EXPECT_EQ(boot.version, 706);
  EXPECT_EQ(boot.databaseName, "Shop");
  EXPECT_EQ(boot.collationId, -2113875942);
  // A truncated buffer reads missing bytes as zero instead of failing.
  support::Bytes head(page.bytes().begin(), page.bytes().begin() + 160);
  CBootPage cut(ByteView(head), nullptr);
  EXPECT_EQ(cut.version, 706);
  EXPECT_EQ(cut.databaseName, "Shop");
  EXPECT_EQ(cut.collationId, 0);
}

// A primary file whose first `shift` pages are missing: page N lies at block
// N - shift. Object 7 has its first page at page 20.
class BootPageLocation : public ::testing::Test {
 protected:
  std::unique_ptr<DatabaseFile> Build(int32_t shift, bool mapObject7, bool mapObject41) {
    support::FileImage file;
    file.SetMissingLeadingPages(shift);
    file.SetBlockCount(30);
    BootPageSpec spec;
    spec.databaseName = "Shifted";
    spec.version = 782;
    file.PutPage(support::MakeBootPage(spec));
    PageImage sample(page_type::kData, PageId{1, 20});
    sample.SetObjectId(7);
    file.PutPage(sample);
    std::string path = dir.File("shift" + std::to_string(shift) + ".mdf");
    EXPECT_TRUE(file.WriteTo(path));
    auto database = support::OpenForTest(state, path);
    if (!database) return database;
    MappedPage mapped{1, 20 - shift, page_type::kData, 0};
    if (mapObject7) database->systemPages[7].push_back(mapped);
    if (mapObject41) database->systemPages[41].push_back(mapped);
    return database;
  }

  support::TempDir dir;
  EngineState state;
};

TEST_F(BootPageLocation, ShiftMovesTheBootPage) {
  const struct {
    const char* name;
    int32_t shift;
    int64_t pageCount;  // 0: as the file has (30)
    bool object7, object41;
    int64_t expectedPosition;  // -1: no boot page
  } cases[] = {
      {"no shift", 0, 0, true, false, 9},
      {"shift of 2 reads block 7", 2, 0, true, false, 7},
      {"sample from object 41", 2, 0, false, true, 7},
      {"shift of 8 reads block 1", 8, 0, true, false, 1},
      {"shift of 9 reads nothing", 9, 0, true, false, -1},
      {"no sample page: shift 0", 0, 0, false, false, 9},
      {"boot block equal to the page count", 0, 9, false, false, -1},
      {"boot block just below the page count", 0, 10, false, false, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto database = Build(c.shift, c.object7, c.object41);
    ASSERT_TRUE(database);
    if (c.pageCount > 0) database->pageCount = c.pageCount;
    auto facts = ReadBootPage(*database);
    if (c.expectedPosition < 0) {
      EXPECT_FALSE(facts);
      continue;
    }
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->position, c.expectedPosition);
    EXPECT_EQ(facts->databaseName, "Shifted");
    EXPECT_EQ(facts->version, 782);
  }
}

TEST_F(BootPageLocation, UnreadableSampleMeansNoShift) {
  auto database = Build(0, false, false);
  ASSERT_TRUE(database);
  database->systemPages[7].push_back(MappedPage{1, 500, page_type::kData, 0});  // past the end
  EXPECT_EQ(BootPageShift(*database), 0);
  auto facts = ReadBootPage(*database);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->position, 9);
}

TEST_F(BootPageLocation, AppliesVersionAndCollationToTheState) {
  ParseCollationTable("SQL_Latin1_General_CP1_CI_AS\t872468488\t1252\n", state.collations);
  auto database = Build(0, true, false);
  ASSERT_TRUE(database);
  auto facts = ReadBootPage(*database);
  ASSERT_TRUE(facts);
  EXPECT_EQ(state.databaseVersionText, " SQL Server 2014");
  EXPECT_TRUE(facts->collationFound);
  EXPECT_EQ(state.collation.collationName, "SQL_Latin1_General_CP1_CI_AS");
  EXPECT_EQ(state.collation.activeCodePage, 1252);

  // No boot page: the state keeps what it had.
  auto missing = Build(9, true, false);
  ASSERT_TRUE(missing);
  state.databaseVersionText = "previous";
  EXPECT_FALSE(ReadBootPage(*missing));
  EXPECT_EQ(state.databaseVersionText, "previous");
  EXPECT_EQ(state.collation.collationName, "SQL_Latin1_General_CP1_CI_AS");
}

}  // namespace
}  // namespace pagewright
