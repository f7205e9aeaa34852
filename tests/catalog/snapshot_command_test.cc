// The console's snapshot command and --snapshot: what a script sees, and
// exit code 4 whenever a snapshot cannot be read or written.
#include <gtest/gtest.h>

#include "support/boot_page_writer.h"
#include "support/catalog_writer.h"
#include "support/record_writer.h"
#include "support/table_writer.h"
#include "support/open_fixtures.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::RunPagewright;

class SnapshotCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    data = dir.File("shop.mdf");
    ASSERT_TRUE(support::MakeMinimalPrimaryFile(support::BootPageSpec{655, "Shop", 872468488}, 16).WriteTo(data));
  }
  std::string Write(const std::string& name, const support::Bytes& bytes) {
    std::string path = dir.File(name);
    EXPECT_TRUE(support::WriteBytes(path, bytes.data(), bytes.size()));
    return path;
  }
  support::TempDir dir;
  std::string data;
};

TEST_F(SnapshotCommand, SavedMapsServeInfoAndObjectsAsTheScanDoes) {
  const std::string snapshot = dir.File("shop.MDBVLT");
  auto saved = RunPagewright({"snapshot", data, snapshot});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_EQ(saved.out, "Snapshot Saved successfully in path " + snapshot + "\n");

  auto json = RunPagewright({"snapshot", "--json", data, dir.File("again.MDBVLT")});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  std::string member;
  ASSERT_TRUE(support::JsonMember(json.out, "dataFile", member));
  EXPECT_EQ(member, data);
  ASSERT_TRUE(support::JsonMember(json.out, "systemPages", member));
  EXPECT_NE(member, "0");

  for (const char* command : {"info", "objects"}) {
    auto plain = RunPagewright({command, data});
    auto fromSnapshot = RunPagewright({command, "--snapshot", snapshot, data});
    EXPECT_EQ(fromSnapshot.exitCode, plain.exitCode) << command << ": " << fromSnapshot.err;
    EXPECT_EQ(fromSnapshot.out, plain.out) << command;
    EXPECT_EQ(fromSnapshot.err.find("warning"), std::string::npos) << fromSnapshot.err;
  }
}

TEST_F(SnapshotCommand, SnapshotsThatCannotBeReadEndWithExitCode4) {
  const std::string good = dir.File("good.MDBVLT");
  ASSERT_EQ(RunPagewright({"snapshot", data, good}).exitCode, 0);
  const support::Bytes whole = support::ReadWholeFile(good);
  ASSERT_GT(whole.size(), 40u);
  support::Bytes absurd = whole;
  // The key count of the first map, right after the path and five flags.
  const size_t pathBytes = whole[0] | (whole[1] << 8);
  const size_t keyCount = 4 + pathBytes + 5;
  // Four thousand million object ids, upper bits 0 as a writer leaves them.
  for (size_t index = 0; index < 8; ++index) absurd[keyCount + index] = index < 4 ? 0xFF : 0x00;
  struct Case {
    const char* name;
    std::string snapshot;
  };
  for (const Case& c : {Case{"Truncated", Write("cut.MDBVLT", support::Bytes(whole.begin(), whole.end() - 30))},
                        Case{"AbsurdCounts", Write("absurd.MDBVLT", absurd)},
                        Case{"NotASnapshot", Write("notes.txt", support::Bytes{'h', 'e', 'l', 'l', 'o', '\n'})},
                        Case{"DataFileAsSnapshot", data},
                        Case{"Missing", dir.File("missing.MDBVLT")}}) {
    for (const char* command : {"info", "objects", "columns", "snapshot", "rows", "definition", "scan"}) {
      const std::string name = command;
      std::vector<std::string> args = {command, "--snapshot", c.snapshot, data};
      if (name == "snapshot") args.push_back(dir.File("out.MDBVLT"));
      if (name == "columns" || name == "rows" || name == "definition") args.push_back("Orders");
      if (name == "scan") args.insert(args.begin() + 1, {"--log-dir", dir.path()});
      auto result = RunPagewright(args);
      EXPECT_EQ(result.exitCode, 4) << c.name << " " << command << ": " << result.err;
      // A scan has begun when the maps are refused: its lines end aborted.
      if (name == "scan" && !result.out.empty())
        EXPECT_NE(result.out.find("Scanning process aborted.\n"), std::string::npos) << c.name << ": " << result.out;
      else
        EXPECT_TRUE(result.out.empty()) << c.name << " " << command;
      EXPECT_NE(result.err.find(c.snapshot), std::string::npos) << c.name << ": " << result.err;
    }
  }
}

// scan, rows and definition print the same from a snapshot as from the pass
// over every page (which the status lines on stderr tell apart).
TEST_F(SnapshotCommand, ScanRowsAndDefinitionFromASnapshotPrintWhatTheScanPrints) {
  support::CatalogWriter writer(support::CatalogGeneration::kSql2008);
  support::ColumnSpec id;
  id.name = "id";
  const int32_t orders = writer.AddTable(support::TableSpec{"Orders", {id}});
  support::AddModuleText(writer, writer.AddObject("OrderIds", "V "), "CREATE VIEW OrderIds AS SELECT id FROM Orders");
  std::vector<support::Bytes> rows;
  for (int n = 1; n <= 1200; ++n) {
    support::FixedVarRecord record;
    support::AppendU32(record.fixed, static_cast<uint32_t>(n));
    rows.push_back(record.Build());
  }
  support::FileImage image = writer.BuildFile(support::BootPageSpec{});
  for (const auto& page : support::TableDataPages(writer, orders, rows, 200)) image.PutPage(page);
  const std::string shop = dir.File("rows.mdf");
  ASSERT_TRUE(image.WriteTo(shop));
  const std::string snapshot = dir.File("rows.MDBVLT");
  ASSERT_EQ(RunPagewright({"snapshot", shop, snapshot}).exitCode, 0);

  const std::vector<std::vector<std::string>> commands = {
      {"scan", "--log-dir", dir.path(), shop},
      {"rows", shop, "Orders"},
      {"rows", "--screen", "2", shop, "Orders"},
      {"definition", shop, "OrderIds"},
  };
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    auto plain = RunPagewright(args);
    std::vector<std::string> withSnapshot = args;
    withSnapshot.insert(withSnapshot.begin() + 1, {"--snapshot", snapshot});
    auto loaded = RunPagewright(withSnapshot);
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    std::string expected = plain.out;
    // Load Snapshot writes no line of its own where Open names the file.
    if (args[0] == "scan") expected.erase(0, expected.find('\n') + 1);
    EXPECT_EQ(loaded.out, expected);
    EXPECT_NE(plain.out.size(), 0u);
  }
}

TEST_F(SnapshotCommand, OutputThatCannotBeWrittenEndsWithExitCode4) {
  const support::Bytes before = support::ReadWholeFile(data);
  for (const std::string& out : {data, dir.path(), dir.File("no/such/folder.MDBVLT")}) {
    auto result = RunPagewright({"snapshot", data, out});
    EXPECT_EQ(result.exitCode, 4) << out;
    EXPECT_NE(result.err.find("Snapshot cannot be saved."), std::string::npos) << result.err;
  }
  EXPECT_EQ(support::ReadWholeFile(data), before);
}

TEST_F(SnapshotCommand, MissingDataFileIsTheDataFilesFault) {
  const std::string snapshot = dir.File("shop.MDBVLT");
  ASSERT_EQ(RunPagewright({"snapshot", data, snapshot}).exitCode, 0);
  auto result = RunPagewright({"info", "--snapshot", snapshot, dir.File("moved.mdf")});
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_EQ(RunPagewright({"snapshot", dir.File("moved.mdf"), dir.File("x.MDBVLT")}).exitCode, 2);
}

TEST_F(SnapshotCommand, SnapshotOfAnotherFileWarns) {
  const std::string snapshot = dir.File("shop.MDBVLT");
  ASSERT_EQ(RunPagewright({"snapshot", data, snapshot}).exitCode, 0);
  const std::string other = dir.File("other.mdf");
  ASSERT_TRUE(support::MakeMinimalPrimaryFile(support::BootPageSpec{655, "Other", 872468488}, 16).WriteTo(other));
  auto result = RunPagewright({"info", "--snapshot", snapshot, other});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("warning: " + snapshot + " was taken of " + data), std::string::npos) << result.err;
}

TEST_F(SnapshotCommand, UsageErrors) {
  EXPECT_EQ(RunPagewright({"snapshot", data}).exitCode, 1);
  EXPECT_EQ(RunPagewright({"snapshot", data, "a", "b"}).exitCode, 1);
  auto help = RunPagewright({"snapshot", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: pagewright snapshot"), std::string::npos);
}

}  // namespace
}  // namespace pagewright
