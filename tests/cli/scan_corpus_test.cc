// pagewright scan over real files: the output lines of a complete scan in
// their order and the activity log byte for byte; every primary file of the
// corpus scans to completion; a click on a view and on a table of a 2000
// file through the workflow.
#include <dirent.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "support/open_fixtures.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "values/collation_table.h"
#include "workflow/scan_workflow.h"

namespace pagewright {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The log of one opening: FF FE, "\r\n", 80 asterisks, "\r\n", then each
// line and "\r\n", all UTF-16LE (the lines here are ASCII).
support::Bytes ExpectedLog(const std::vector<std::string>& lines) {
  support::Bytes bytes = {0xFF, 0xFE};
  auto put = [&](const std::string& text) {
    for (char c : text) {
      bytes.push_back(static_cast<uint8_t>(c));
      bytes.push_back(0);
    }
  };
  put("\r\n" + std::string(80, '*') + "\r\n");
  for (const std::string& line : lines) put(line + "\r\n");
  return bytes;
}

std::vector<std::string> LogFiles(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string().rfind("VeltorPagewright_log_", 0) == 0) found.push_back(entry.path().string());
  return found;
}

TEST(ScanCorpus, CompleteScanPrintsTheLinesInOrderAndLogsThemByteForByte) {
  const std::string path = support::CorpusDir() + "/files/pubs_itsligo_2008.mdf";
  if (!support::HasCorpus() || !std::filesystem::exists(path)) GTEST_SKIP() << "corpus not available";
  support::TempDir dir;
  const support::ProgramResult result = support::RunPagewright({"scan", "--log-dir", dir.path(), path});
  ASSERT_EQ(result.exitCode, 0) << result.err;

  const std::vector<std::string> expected = {
      path + " File is selected for recovery....",
      "Browse File Path:\t" + path,
      "Standard mode is selected for file recovery.",
      "Scanning of file starts...",
      "Database version:  SQL Server 2008",
      "Collation Type: Latin1_General_CI_AS",
      "Creating Tree.........",
      "Process done.........",
      "Retrieving Objects of Sysobjvalues System Tables...........",
      "Retrieving  Objects of Sysobjvalues System Tables has been done...........",
      "Scanning completed for selected mdf file.",
  };
  const std::vector<std::string> out = Lines(result.out);
  ASSERT_GT(out.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
  // An empty line, then the tree from its root.
  EXPECT_EQ(out[expected.size()], "");
  EXPECT_EQ(out[expected.size() + 1], "C:\\DBS\\PUBS.MDF");
  EXPECT_NE(result.out.find("\n    Store Procedure\n      byroyalty\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\n      authors *\n        Columns\n"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("pagewright: information: Scanning process completed."), std::string::npos);

  const std::vector<std::string> logs = LogFiles(dir.path());
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(support::ReadWholeFile(logs.front()), ExpectedLog(expected));
}

// Records the output lines only.
class OutputHost : public ScanHost {
 public:
  void AddOutputItem(int32_t, std::string_view text) override {
    std::lock_guard lock(mutex_);
    output.emplace_back(text);
  }
  void SetOutputItem(int32_t index, std::string_view text) override {
    std::lock_guard lock(mutex_);
    output.at(static_cast<size_t>(index)) = std::string(text);
  }
  void SetStatusText(std::string_view text) override { status = text; }
  void ShowTextMode() override { textMode = true; }
  void ShowTableMode() override { textMode = false; }
  void DeleteAllRows() override { rows = 0; }
  void DeleteRecordColumns(int32_t) override { rows = 0; }
  void InsertRow(int32_t, std::string_view) override { ++rows; }
  MessageAnswer ShowMessage(std::string_view, MessageKind) override { return MessageAnswer::kOk; }

  std::vector<std::string> output;
  std::string status;
  bool textMode = false;
  int rows = 0;

 private:
  std::mutex mutex_;
};

TEST(ScanCorpus, EveryPrimaryFileScansToCompletion) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  support::TempDir dir;
  int scanned = 0;
  for (const auto& entry : std::filesystem::directory_iterator(support::CorpusDir() + "/files")) {
    // Secondary files (.ndf) hold no catalog of their own: no scan target.
    if (entry.path().extension() != ".mdf") continue;
    SCOPED_TRACE(entry.path().filename().string());
    CVeltorTessalyApp app;
    ASSERT_TRUE(LoadCollationTable(PAGEWRIGHT_SOURCE_DIR, app.engine.collations));
    OutputHost host;
    ScanWorkflow workflow(app, host);
    ScanSettings settings;
    settings.dataFilePath = entry.path().string();
    settings.logFolder = dir.path() + "/";
    ASSERT_TRUE(workflow.Open(settings));
    workflow.WaitForWorker();
    EXPECT_EQ(workflow.lastScanResult(), 1);
    ASSERT_FALSE(host.output.empty());
    EXPECT_EQ(host.output.back(), "Scanning completed for selected mdf file.");
    ++scanned;
  }
  EXPECT_GT(scanned, 0);
}

// A 2000-layout file: a view's text is found by its name, a table shows its
// rows, through the clicks of the workflow.
TEST(ScanCorpus, ClicksOnANativeSql2000File) {
  const std::string path = support::CorpusDir() + "/files/nw_stuit_2000.mdf";
  if (!support::HasCorpus() || !std::filesystem::exists(path)) GTEST_SKIP() << "corpus not available";
  support::TempDir dir;
  CVeltorTessalyApp app;
  ASSERT_TRUE(LoadCollationTable(PAGEWRIGHT_SOURCE_DIR, app.engine.collations));
  OutputHost host;
  ScanWorkflow workflow(app, host);
  ScanSettings settings;
  settings.dataFilePath = path;
  settings.logFolder = dir.path() + "/";
  ASSERT_TRUE(workflow.Open(settings));
  workflow.WaitForWorker();
  ASSERT_EQ(workflow.lastScanResult(), 1);
  const std::string root = workflow.tree.Item(workflow.categories.root).label;

  ASSERT_TRUE(workflow.StartTableLoad(workflow.tree.FindPath({root, "Views", "Invoices"})));
  workflow.WaitForWorker();
  EXPECT_TRUE(host.textMode);
  // The stored text starts with the line break the script had before it.
  EXPECT_LT(host.status.find("create view Invoices AS"), 4u) << host.status.substr(0, 80);
  EXPECT_EQ(host.output.back(), "Scanning process completed.");
  EXPECT_EQ(host.output[host.output.size() - 2], "Invoices[0]");

  ASSERT_TRUE(workflow.StartTableLoad(workflow.tree.FindPath({root, "Tables", "User Tables", "Shippers"})));
  workflow.WaitForWorker();
  EXPECT_FALSE(host.textMode);
  EXPECT_EQ(host.rows, 3);
  EXPECT_EQ(host.output[host.output.size() - 2], "Shippers[3]");
}

}  // namespace
}  // namespace pagewright
