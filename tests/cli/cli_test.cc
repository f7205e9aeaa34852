// The console program as a user meets it: exit codes, messages on stderr,
// the exact text and JSON of info, and the page command.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/boot_page_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::BootPageSpec;
using support::RunPagewright;

class ConsoleTest : public ::testing::Test {
 protected:
  std::string WriteDatabase(const std::string& name, const BootPageSpec& spec, int64_t blocks = 16) {
    std::string path = dir.File(name);
    EXPECT_TRUE(support::MakeMinimalPrimaryFile(spec, blocks).WriteTo(path));
    return path;
  }
  std::string WriteZeros(const std::string& name, size_t length) {
    std::string path = dir.File(name);
    std::string zeros(length, '\0');
    EXPECT_TRUE(support::WriteText(path, zeros));
    return path;
  }
  support::TempDir dir;
};

TEST_F(ConsoleTest, BadInputIsRefusedWithExitCode2) {
  ::mkdir(dir.File("folder.mdf").c_str(), 0700);
  const struct {
    const char* name;
    std::string path;
    const char* reason;
    bool pageCommandRefuses;  // false: page can still read from the file
  } cases[] = {
      {"missing path", dir.File("absent.mdf"), "No such file", true},
      {"directory", dir.File("folder.mdf"), "directory", true},
      {"0-byte file", WriteZeros("empty.mdf", 0), "0 bytes", true},
      {"8191-byte file", WriteZeros("short.mdf", 8191), "8191 bytes", true},
      {"one page without catalog pages", WriteZeros("one.mdf", 8192), "not valid", false},
  };
  for (const auto& c : cases) {
    for (const char* command : {"info", "page"}) {
      SCOPED_TRACE(std::string(c.name) + " / " + command);
      std::vector<std::string> args = {command, c.path};
      if (std::string(command) == "page") args.push_back("1:1");
      auto result = RunPagewright(args);
      if (std::string(command) == "page" && !c.pageCommandRefuses) {
        EXPECT_EQ(result.exitCode, 3);  // the file opens; page 1 is not in it
        continue;
      }
      EXPECT_EQ(result.exitCode, 2);
      EXPECT_EQ(result.out, "");
      EXPECT_NE(result.err.find(c.path), std::string::npos) << result.err;
      EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
  }
}

TEST_F(ConsoleTest, UnreadableFileIsRefusedWithExitCode2) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
  std::string path = WriteDatabase("locked.mdf", BootPageSpec{});
  ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
  auto result = RunPagewright({"info", path});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("Permission denied"), std::string::npos) << result.err;
}

TEST_F(ConsoleTest, UsageErrorsExitWith1) {
  std::string sample = WriteDatabase("sample.mdf", BootPageSpec{});
  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {"no command", {}, "Usage: pagewright"},
      {"unknown command", {"recover", sample}, "unknown command"},
      {"info without a file", {"info"}, "expects one FILE"},
      {"info with two files", {"info", sample, sample}, "expects one FILE"},
      {"unknown option", {"info", "--fast", sample}, "unknown option --fast"},
      {"option without its value", {"info", sample, "--collation"}, "needs a value"},
      {"bad code page", {"info", "--ansi-codepage", "abc", sample}, "--ansi-codepage"},
      {"unknown collation", {"info", "--collation", "Klingon_CI_AS", sample}, "unknown collation"},
      {"page without an address", {"page", sample}, "expects FILE and F:P"},
      {"page address without a colon", {"page", sample, "19"}, "not a page address"},
      {"page address with text", {"page", sample, "1:x"}, "not a page address"},
      {"page number out of range", {"page", sample, "1:4294967296"}, "not a page address"},
      {"page option of another command", {"info", "--hex", sample}, "unknown option --hex"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = RunPagewright(c.args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

TEST_F(ConsoleTest, HelpAtEveryLevel) {
  const struct {
    std::vector<std::string> args;
    const char* expected;
  } cases[] = {
      {{"--help"}, "info FILE"},
      {{"-h"}, "page FILE F:P"},
      {{"help", "page"}, "Usage: pagewright page"},
      {{"info", "--help"}, "Usage: pagewright info"},
      {{"page", "--help"}, "--hex"},
      {{"page", "-h"}, "--collation auto|NAME"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    auto result = RunPagewright(c.args);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find(c.expected), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(ConsoleTest, InfoTextAndJson) {
  const struct {
    const char* name;
    BootPageSpec spec;
    std::string text;
    std::string json;
  } cases[] = {
      {"known version and collation",
       {655, "My Sales", 872468488},
       "Version:        655 SQL Server 2008\n"
       "Database name:  My Sales\n"
       "Collation:      872468488 SQL_Latin1_General_CP1_CI_AS\n"
       "Page count:     16\n"
       "Base offset:    0\n",
       R"({"version":655,"versionText":" SQL Server 2008","databaseName":"My Sales","collationId":872468488,)"
       R"("collationName":"SQL_Latin1_General_CP1_CI_AS","pageCount":16,"baseOffset":0})"},
      {"2022, Cyrillic name, collation by its low 16 bits",
       {957, "Телефоны", 0x7700D008},
       "Version:        957 SQL Server 2022\n"
       "Database name:  Телефоны\n"
       "Collation:      1996541960 Latin1_General_CI_AS\n"
       "Page count:     16\n"
       "Base offset:    0\n",
       R"({"version":957,"versionText":" SQL Server 2022","databaseName":"Телефоны","collationId":1996541960,)"
       R"("collationName":"Latin1_General_CI_AS","pageCount":16,"baseOffset":0})"},
      {"unknown version and collation, name needing escapes",
       {613, "C:\\a \"b\"\x01", 0x0000BEEF},
       "Version:        613 Unknown SQL Version\n"
       "Database name:  C:\\a \"b\"\x01\n"
       "Collation:      48879 Unknown Collation\n"
       "Page count:     16\n"
       "Base offset:    0\n",
       R"({"version":613,"versionText":"Unknown SQL Version","databaseName":"C:\\a \"b\"\u0001","collationId":48879,)"
       R"("collationName":"","pageCount":16,"baseOffset":0})"},
      {"negative collation id",
       {782, "Satış", -2113875942},
       "Version:        782 SQL Server 2014\n"
       "Database name:  Satış\n"
       "Collation:      -2113875942 SQL_Latin1_General_CP1254_CI_AS\n"
       "Page count:     16\n"
       "Base offset:    0\n",
       R"({"version":782,"versionText":" SQL Server 2014","databaseName":"Satış","collationId":-2113875942,)"
       R"("collationName":"SQL_Latin1_General_CP1254_CI_AS","pageCount":16,"baseOffset":0})"},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = WriteDatabase("info" + std::to_string(index++) + ".mdf", c.spec);
    auto text = RunPagewright({"info", path});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "File:           " + path + "\n" + c.text);
    auto json = RunPagewright({"info", "--json", path});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out, c.json + "\n");
  }
}

TEST_F(ConsoleTest, InfoPageCountIgnoresThePartialPage) {
  support::FileImage file = support::MakeMinimalPrimaryFile(BootPageSpec{}, 12);
  file.SetTrailingBytes(support::Bytes(1000, 0x55));
  ASSERT_TRUE(file.WriteTo(dir.File("partial.mdf")));
  auto json = RunPagewright({"info", "--json", dir.File("partial.mdf")});
  EXPECT_EQ(json.exitCode, 0) << json.err;
  std::string pageCount;
  ASSERT_TRUE(support::JsonMember(json.out, "pageCount", pageCount));
  EXPECT_EQ(pageCount, "12");
}

TEST_F(ConsoleTest, BytesBeforeThePagesMoveTheBaseOffset) {
  support::FileImage file = support::MakeMinimalPrimaryFile(BootPageSpec{}, 16);
  file.SetLeadingRemainder(100, 0xCC);
  ASSERT_TRUE(file.WriteTo(dir.File("prefixed.mdf")));
  auto info = RunPagewright({"info", "--json", dir.File("prefixed.mdf")});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  std::string value;
  ASSERT_TRUE(support::JsonMember(info.out, "baseOffset", value));
  EXPECT_EQ(value, "100");
  ASSERT_TRUE(support::JsonMember(info.out, "databaseName", value));
  EXPECT_EQ(value, "Sample");

  auto page = RunPagewright({"page", "--json", dir.File("prefixed.mdf"), "1:9"});
  ASSERT_EQ(page.exitCode, 0) << page.err;
  ASSERT_TRUE(support::JsonMember(page.out, "byteOffset", value));
  EXPECT_EQ(value, std::to_string(100 + 9 * 8192));
  ASSERT_TRUE(support::JsonMember(page.out, "pageId", value));
  EXPECT_EQ(value, "1:9");
}

TEST_F(ConsoleTest, InfoWithAChosenCollation) {
  std::string path = WriteDatabase("manual.mdf", BootPageSpec{655, "Shop", 872468488});
  const struct {
    const char* choice;
    const char* expected;
  } cases[] = {
      {"auto", "SQL_Latin1_General_CP1_CI_AS"},
      {"Cyrillic_General_CI_AS", "Cyrillic_General_CI_AS"},
      {"cyrillic_general_ci_as", "Cyrillic_General_CI_AS"},
      {"53256", "Latin1_General_CI_AS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    auto json = RunPagewright({"info", "--json", "--collation", c.choice, path});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    std::string name, id;
    ASSERT_TRUE(support::JsonMember(json.out, "collationName", name));
    ASSERT_TRUE(support::JsonMember(json.out, "collationId", id));
    EXPECT_EQ(name, c.expected);
    EXPECT_EQ(id, "872468488");  // the boot page's own id is still shown
  }
}

// A data page with three records, one of them with variable columns, and
// torn-bit protection over a page whose sector ends carry known bits.
class ConsolePageTest : public ConsoleTest {
 protected:
  void SetUp() override {
    support::FileImage file = support::MakeMinimalPrimaryFile(BootPageSpec{}, 16);
    support::PageImage page(page_type::kData, PageId{1, 12});
    page.SetObjectId(2041058307).SetIndexId(0).SetLsn(7, 259, -1).SetXdesId(9, 3).SetMinLen(8);
    // status 0x10 (null bitmap), fixedEnd 8, 4 fixed bytes, 2 columns, bitmap
    support::Bytes fixedOnly = {0x10, 0x00, 0x08, 0x00, 1, 2, 3, 4, 0x02, 0x00, 0x00};
    // status 0x30 (null bitmap, variable columns), fixedEnd 8, 3 columns,
    // bitmap, 1 variable column ending at 20
    support::Bytes withVariable = {0x30, 0x00, 0x08, 0x00, 5, 6, 7, 8, 0x03, 0x00, 0x00, 0x01, 0x00,
                                   0x14, 0x00, 'a', 'b', 'c', 'd', 'e'};
    support::Bytes ghost = {0x1C, 0x00, 0x08, 0x00, 9, 9, 9, 9, 0x02, 0x00, 0x00};
    page.AddRecord(fixedOnly);
    page.AddRecord(withVariable);
    page.AddRecord(ghost);
    page.SetGhostRecordCount(1);
    page.Put8(1023, 0xF1);  // low bits 01, saved and restored
    page.ProtectTornBits(2);
    file.PutPage(page);
    path = dir.File("page.mdf");
    ASSERT_TRUE(file.WriteTo(path));
  }
  std::string path;
};

TEST_F(ConsolePageTest, TextShowsHeaderAndSlots) {
  auto result = RunPagewright({"page", path, "1:12"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  for (const char* expected : {
           "Page 1:12 of ",
           "  type              1\n",
           "  flagBits          0x0100\n",
           "  slotCount         3\n",
           "  objectId          2041058307\n",
           "  pageId            1:12\n",
           "  lsn               ( 7 : 259 : -1 )\n",
           "  xdesId            ( 3 : 9 )\n",
           "  ghostRecordCount  1\n",
           "  plausible         yes\n",
           "Slots: 3\n",
           "      0     96  0 primary          0x10       4      2       0     11\n",
           "      1    107  0 primary          0x30       4      3       1     20\n",
           "      2    127  6 ghost data       0x1C       4      2       0     11\n",
       }) {
    EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
  }
  EXPECT_EQ(result.out.find("00000000 "), std::string::npos);  // no dump without --hex
}

TEST_F(ConsolePageTest, JsonAndHexShowTheRestoredPage) {
  auto result = RunPagewright({"page", "--json", "--hex", path, "1:12"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::string value;
  ASSERT_TRUE(support::JsonMember(result.out, "page", value));
  EXPECT_EQ(value, "1:12");
  ASSERT_TRUE(support::JsonMember(result.out, "byteOffset", value));
  EXPECT_EQ(value, std::to_string(12 * 8192));
  ASSERT_TRUE(support::JsonMember(result.out, "lsn", value));
  EXPECT_EQ(value, "( 7 : 259 : -1 )");
  EXPECT_NE(result.out.find(R"("slots":[{"slot":0,"offset":96,"status":16,"recordType":0,"typeName":"primary",)"
                            R"("compressed":false,"fixedLength":4,"columnCount":2,"nullBitmapLength":1,)"
                            R"("varCount":0,"length":11},)"),
            std::string::npos)
      << result.out;
  ASSERT_TRUE(support::JsonMember(result.out, "hex", value));
  ASSERT_EQ(value.size(), 2 * 8192u);
  EXPECT_EQ(value.substr(2 * 1023, 2), "f1");  // restored from the torn bits
  EXPECT_EQ(value.substr(2 * 1535, 2), "00");  // stamped 10, restored to 00

  auto text = RunPagewright({"page", "--hex", path, "1:12"});
  ASSERT_EQ(text.exitCode, 0);
  EXPECT_NE(text.out.find("00000000  01 01 00 00 00 01 00 00  00 00 00 00 00 00 08 00  |................|\n"),
            std::string::npos)
      << text.out.substr(0, 2000);
}

TEST_F(ConsolePageTest, PagesOutsideTheFile) {
  const struct {
    const char* address;
    int exitCode;
    const char* message;
  } cases[] = {
      {"1:0", 0, ""},
      {"1:15", 0, ""},
      {"1:16", 3, "does not exist"},
      {"1:-1", 3, "does not exist"},
      {"0:1", 3, "file 0 is not open"},
      {"3:1", 3, "file 3 is not open"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    auto result = RunPagewright({"page", path, c.address});
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    if (c.exitCode != 0) {
      EXPECT_EQ(result.out, "");
    }
  }
}

}  // namespace
}  // namespace pagewright
