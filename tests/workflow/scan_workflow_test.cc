// The scan workflow driven through a recording host: the output lines and
// the activity log of a complete scan in their order, the failure exits,
// the refusals while an operation runs (also while a stopped worker is still
// unwinding), Stop, and a real file's object tree.
#include "workflow/scan_workflow.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <condition_variable>
#include <future>
#include <mutex>

#include "support/catalog_writer.h"
#include "support/open_fixtures.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "values/collation_table.h"

namespace pagewright {
namespace {

using support::CatalogGeneration;
using support::CatalogWriter;
using support::ColumnSpec;
using support::TableSpec;

// Every host call as one line: "out TEXT", "box info|error|question TEXT",
// "caption TEXT", "status TEXT", "progress on|off", "tree clear", ...
class RecordingHost : public ScanHost {
 public:
  void AddOutputItem(int32_t index, std::string_view text) override {
    std::lock_guard lock(mutex_);
    EXPECT_EQ(index, static_cast<int32_t>(output_.size()));
    output_.emplace_back(text);
    events_.push_back("out " + std::string(text));
  }
  void SetOutputItem(int32_t index, std::string_view text) override {
    std::lock_guard lock(mutex_);
    output_.at(index) = std::string(text);
  }
  void SetCaptionText(std::string_view text) override { Record("caption " + std::string(text)); }
  void ShowProgress(bool visible) override { Record(visible ? "progress on" : "progress off"); }
  void SetStatusText(std::string_view text) override { Record("status " + std::string(text)); }
  void ClearTree() override { Record("tree clear"); }
  void SelectTreeItem(const ObjectTree&, int32_t item) override { Record("tree select " + std::to_string(item)); }
  MessageAnswer ShowMessage(std::string_view text, MessageKind kind) override {
    const char* name = kind == MessageKind::kError ? "error" : kind == MessageKind::kQuestion ? "question" : "info";
    Record("box " + std::string(name) + " " + std::string(text));
    return kind == MessageKind::kQuestion ? answer.load() : MessageAnswer::kOk;
  }

  std::vector<std::string> Output() {
    std::lock_guard lock(mutex_);
    return output_;
  }
  // The events that start with one of `prefixes`, in order.
  std::vector<std::string> Events(std::initializer_list<std::string> prefixes) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> kept;
    for (const std::string& event : events_)
      for (const std::string& prefix : prefixes)
        if (event.compare(0, prefix.size(), prefix) == 0) {
          kept.push_back(event);
          break;
        }
    return kept;
  }
  std::vector<std::string> Boxes() { return Events({"box "}); }

  std::atomic<MessageAnswer> answer{MessageAnswer::kNo};

 private:
  void Record(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::mutex mutex_;
  std::vector<std::string> output_;
  std::vector<std::string> events_;
};

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

// The one activity log in `folder`.
std::string OnlyLogFile(const std::string& folder) {
  std::vector<std::string> found;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir))
      if (std::string(entry->d_name).rfind(std::string(kLogFilePrefix), 0) == 0) found.push_back(entry->d_name);
    ::closedir(dir);
  }
  EXPECT_EQ(found.size(), 1u);
  return found.empty() ? std::string() : folder + found[0];
}

// A new log holding `lines`: mark, separator, UTF-16LE lines.
support::Bytes LogBytesFor(const std::vector<std::string>& lines) {
  std::string bytes = "\xFF\xFE" + Utf16("\r\n" + std::string(80, '*') + "\r\n");
  for (const std::string& line : lines) bytes += Utf16(line + "\r\n");
  return support::Bytes(bytes.begin(), bytes.end());
}

ColumnSpec IntColumn(const std::string& name) {
  ColumnSpec column;
  column.name = name;
  return column;
}

class ScanWorkflowTest : public testing::Test {
 protected:
  void SetUp() override {
    folder = dir.path() + "/";
    ASSERT_TRUE(LoadCollationTable(PAGEWRIGHT_SOURCE_DIR, app.engine.collations));
  }

  ScanSettings Settings(const std::string& path, int32_t mode = 1) {
    ScanSettings settings;
    settings.dataFilePath = path;
    settings.logFolder = folder;
    settings.recoveryMode = mode;
    return settings;
  }

  std::string WriteShop() {
    CatalogWriter writer(CatalogGeneration::kSql2008);
    int32_t orders = writer.AddTable(TableSpec{"orders", {IntColumn("id"), IntColumn("note")}});
    writer.AddTable(TableSpec{"Customers", {IntColumn("id")}});
    writer.AddPrimaryKey(orders, "PK_orders", {1});
    writer.AddObject("Invoices", "V ");
    writer.AddObject("CustOrderHist", "P ");
    support::FileImage image = writer.BuildFile(support::BootPageSpec{});
    std::string path = dir.File("shop.mdf");
    EXPECT_TRUE(image.WriteTo(path));
    return path;
  }

  support::TempDir dir;
  std::string folder;
  CVeltorTessalyApp app;
  RecordingHost host;
};

TEST_F(ScanWorkflowTest, CompleteScanLinesLogAndTree) {
  std::string path = WriteShop();
  ScanWorkflow workflow(app, host);
  ASSERT_TRUE(workflow.Open(Settings(path)));
  workflow.WaitForWorker();
  EXPECT_EQ(workflow.lastScanResult(), 1);
  EXPECT_EQ(app.processRunning.load(), 0);

  const std::vector<std::string> lines = {
      path + " File is selected for recovery....",
      "Browse File Path:\t" + path,
      "Standard mode is selected for file recovery.",
      "Scanning of file starts...",
      "Database version:  SQL Server 2008",
      "Collation Type: SQL_Latin1_General_CP1_CI_AS",
      "Creating Tree.........",
      "Process done.........",
      "Retrieving Objects of Sysobjvalues System Tables...........",
      "Retrieving  Objects of Sysobjvalues System Tables has been done...........",
      "Scanning completed for selected mdf file.",
  };
  EXPECT_EQ(host.Output(), lines);
  EXPECT_EQ(support::ReadWholeFile(OnlyLogFile(folder)), LogBytesFor(lines));
  EXPECT_EQ(app.logFilePath, OnlyLogFile(folder));
  EXPECT_EQ(host.Boxes(), (std::vector<std::string>{"box info Scanning process completed."}));
  std::vector<std::string> captions = host.Events({"caption "});
  ASSERT_FALSE(captions.empty());
  EXPECT_EQ(captions.front(), "caption " + path);
  EXPECT_EQ(captions.back(), "caption Scanning completed for selected mdf file");
  EXPECT_EQ(host.Events({"progress"}).back(), "progress off");
  // The open sequence's texts reach the status box and not the output.
  std::vector<std::string> statuses = host.Events({"status "});
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "status Checking for file corruption ..........."),
            statuses.end());

  EXPECT_EQ(workflow.tree.Outline(),
            "Sample\n"
            "  Views\n"
            "    Invoices\n"
            "  Programmability\n"
            "    Triggers\n"
            "    Default\n"
            "    Store Procedure\n"
            "      CustOrderHist\n"
            "    Function\n"
            "  Tables\n"
            "    System Tables\n"
            "    User Tables\n"
            "      Customers\n"
            "        Columns\n"
            "      orders\n"
            "        Columns\n");
  ASSERT_TRUE(workflow.context.catalog);
  ASSERT_TRUE(workflow.context.file);
  EXPECT_EQ(workflow.context.advancedMode, 0);
}

TEST_F(ScanWorkflowTest, AdvancedModeThenStandardAndTheLineIndexContinues) {
  std::string path = WriteShop();
  ScanWorkflow workflow(app, host);
  ASSERT_TRUE(workflow.Open(Settings(path, 2)));
  workflow.WaitForWorker();
  EXPECT_EQ(workflow.context.advancedMode, 1);
  EXPECT_EQ(workflow.advancedMode.load(), 1);
  ASSERT_TRUE(workflow.Open(Settings(path, 1)));
  workflow.WaitForWorker();
  EXPECT_EQ(workflow.context.advancedMode, 0);
  EXPECT_EQ(workflow.advancedMode.load(), 0);
  std::vector<std::string> output = host.Output();
  ASSERT_EQ(output.size(), 22u);  // the pane keeps the first scan's lines
  EXPECT_EQ(output[2], "Advanced mode is selected for file recovery.");
  EXPECT_EQ(output[13], "Standard mode is selected for file recovery.");
  EXPECT_EQ(app.outputLineCount.load(), 22);
}

TEST_F(ScanWorkflowTest, FileThatCannotBeOpened) {
  std::string path = dir.File("absent.mdf");
  ScanWorkflow workflow(app, host);
  ASSERT_TRUE(workflow.Open(Settings(path)));
  workflow.WaitForWorker();
  EXPECT_EQ(workflow.lastScanResult(), 0);
  EXPECT_EQ(host.Events({"box ", "out Scanning process aborted."}),
            (std::vector<std::string>{"box error File cannot be open...........", "out Scanning process aborted.",
                                      "box info Scanning process aborted."}));
  EXPECT_TRUE(workflow.tree.Empty());
  EXPECT_EQ(app.processRunning.load(), 0);
  EXPECT_EQ(host.Events({"progress"}).back(), "progress off");
  // Open works again.
  EXPECT_TRUE(workflow.Open(Settings(path)));
  workflow.WaitForWorker();
}

// Failure exits and fallbacks of a scan whose open gives a prepared catalog.
TEST_F(ScanWorkflowTest, CatalogOutcomes) {
  struct Case {
    const char* what;
    std::vector<ObjectDef> objects;
    std::string databaseName;
    std::vector<std::string> tail;  // output lines after "Scanning of file starts..."
    std::vector<std::string> boxes;
    int result;
  };
  auto object = [](const std::string& name, const std::string& type) {
    ObjectDef def;
    def.name = name;
    def.type = type;
    return def;
  };
  Case cases[] = {
      {"no objects", {}, "db", {std::string(scan_text::kNoObjects)}, {}, 0},
      {"no named objects",
       {object("", "U ")},
       "db",
       {"Database version: Unknown SQL Version", "Collation Type: Unknown Collation", "Creating Tree.........",
        "Process done.........", std::string(scan_text::kNoNamedObjects)},
       {"box info " + std::string(scan_text::kNoNamedObjects)},
       0},
      {"no database name",
       {object("T", "U ")},
       "",
       {"Database version: Unknown SQL Version", "Collation Type: Unknown Collation", "Creating Tree.........",
        "Process done.........", "Scanning completed for selected mdf file."},
       {"box info Scanning process completed."},
       1},
  };
  for (const Case& c : cases) {
    CVeltorTessalyApp caseApp;
    RecordingHost caseHost;
    // An earlier file's version and collation must not carry over.
    caseApp.engine.databaseVersionText = " SQL Server 2005";
    caseApp.engine.collation.collationName = "Latin1_General_CI_AS";
    ScanSteps steps;
    steps.openDatabase = [&](const std::string&, EngineState& state, OpenNotifier*, OpenedDatabase& out,
                             const OpenOptions&) {
      out.file = std::make_unique<DatabaseFile>(state);
      out.file->databaseName = c.databaseName;
      out.catalog = std::make_unique<DatabaseCatalog>(out.file.get());
      out.catalog->objects = c.objects;
      return true;
    };
    ScanWorkflow workflow(caseApp, caseHost, steps);
    ASSERT_TRUE(workflow.Open(Settings("x.mdf")));
    workflow.WaitForWorker();
    std::vector<std::string> output = caseHost.Output();
    std::vector<std::string> tail(output.begin() + std::min<size_t>(4, output.size()), output.end());
    EXPECT_EQ(tail, c.tail) << c.what;
    EXPECT_EQ(caseHost.Boxes(), c.boxes) << c.what;
    EXPECT_EQ(workflow.lastScanResult(), c.result) << c.what;
    EXPECT_EQ(caseApp.processRunning.load(), 0) << c.what;
    EXPECT_EQ(workflow.tree.Empty(), c.result == 0) << c.what;
    if (c.result == 1) {
      EXPECT_EQ(caseApp.engine.collation.collationName, "Unknown Collation") << c.what;
      EXPECT_EQ(workflow.tree.Item(workflow.categories.root).label, "RepairDataBase") << c.what;
    }
  }
}

TEST_F(ScanWorkflowTest, CancelledSettingsChangeNothing) {
  ScanWorkflow workflow(app, host);
  EXPECT_FALSE(workflow.Open(std::nullopt));
  EXPECT_FALSE(workflow.Busy());
  EXPECT_TRUE(host.Output().empty());
  EXPECT_TRUE(app.logFilePath.empty());
}

// An open that waits until the test lets it go, so that commands can be
// tried while the scan runs.
struct Gate {
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
};

TEST_F(ScanWorkflowTest, RefusalsWhileRunningStopAndTheUnwindingWorker) {
  Gate gate;
  ScanSteps steps;
  steps.openDatabase = [&](const std::string&, EngineState& state, OpenNotifier*, OpenedDatabase&,
                           const OpenOptions&) {
    gate.entered.set_value();
    gate.released.wait();
    return !state.cancelFlag.load();
  };
  ScanWorkflow workflow(app, host, steps);
  ASSERT_TRUE(workflow.Open(Settings("a.mdf")));
  gate.entered.get_future().wait();
  const std::string wait = "box info Please wait for the running process.";

  EXPECT_FALSE(workflow.Open(Settings("b.mdf")));
  EXPECT_FALSE(workflow.StartPageLoad(true));
  EXPECT_FALSE(workflow.StartPageLoad(false));
  EXPECT_FALSE(workflow.StartTableLoad(0));
  EXPECT_EQ(host.Boxes(), (std::vector<std::string>(4, wait)));
  EXPECT_EQ(host.Events({"tree select"}).size(), 1u);
  EXPECT_EQ(app.dataFilePath, "a.mdf");  // the running scan is untouched

  host.answer = MessageAnswer::kNo;
  EXPECT_FALSE(workflow.Stop());
  EXPECT_EQ(app.processRunning.load(), 1);
  EXPECT_FALSE(app.engine.cancelFlag.load());

  host.answer = MessageAnswer::kYes;
  EXPECT_TRUE(workflow.Stop());
  EXPECT_EQ(app.processRunning.load(), 0);
  EXPECT_TRUE(app.engine.cancelFlag.load());
  EXPECT_FALSE(workflow.Stop());  // nothing runs as far as Stop is concerned

  // The stopped worker has not ended: a new scan is still refused.
  EXPECT_TRUE(workflow.Busy());
  EXPECT_FALSE(workflow.Open(Settings("b.mdf")));
  EXPECT_EQ(host.Boxes().back(), wait);

  gate.release.set_value();
  workflow.WaitForWorker();
  EXPECT_FALSE(workflow.Busy());
  EXPECT_EQ(host.Output().back(), "Scanning process aborted.");
  std::vector<std::string> questions = host.Events({"box question"});
  EXPECT_EQ(questions, (std::vector<std::string>(2, "box question Are you sure to stop the running process?")));
}

TEST_F(ScanWorkflowTest, PageLoaderBlocksNewOperationsUntilItEnds) {
  Gate gate;
  ScanSteps steps;
  std::atomic<int> nextLoads{0};
  steps.nextPageLoader = [&](ScanWorkflow&) {
    ++nextLoads;
    gate.entered.set_value();
    gate.released.wait();
  };
  ScanWorkflow workflow(app, host, steps);
  ASSERT_TRUE(workflow.StartPageLoad(true));
  gate.entered.get_future().wait();
  EXPECT_EQ(app.processRunning.load(), 0);  // page loaders leave the flag alone
  EXPECT_FALSE(workflow.Open(Settings("a.mdf")));
  EXPECT_FALSE(workflow.StartPageLoad(true));
  gate.release.set_value();
  workflow.WaitForWorker();
  EXPECT_EQ(nextLoads.load(), 1);
  EXPECT_EQ(host.Boxes().size(), 2u);
}

TEST_F(ScanWorkflowTest, TableLoadStart) {
  std::string path = WriteShop();
  std::promise<std::string> seen;
  ScanSteps steps = DefaultScanSteps();
  steps.recordsLoader = [&](ScanWorkflow& running) {
    seen.set_value(running.tree.Item(running.loadingItem).label);
    running.app().processRunning = 0;
    running.host().ShowProgress(false);
  };
  ScanWorkflow workflow(app, host, steps);
  ASSERT_TRUE(workflow.Open(Settings(path)));
  workflow.WaitForWorker();
  int32_t orders = workflow.tree.FindPath({"Sample", "Tables", "User Tables", "orders"});
  ASSERT_NE(orders, kNoTreeItem);
  ASSERT_TRUE(workflow.StartTableLoad(orders));
  EXPECT_EQ(seen.get_future().get(), "orders");
  workflow.WaitForWorker();
  EXPECT_EQ(host.Output().back(), "Please wait while orders folder is scanning.");
  EXPECT_EQ(host.Events({"caption "}).back(), "caption orders");
  EXPECT_EQ(app.processRunning.load(), 0);
}

TEST(ScanWorkflowCorpus, NorthwindScanAndTree) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  std::string path = support::CorpusDir() + "/files/nw_itsligo_2008.mdf";
  support::TempDir dir;
  CVeltorTessalyApp app;
  ASSERT_TRUE(LoadCollationTable(PAGEWRIGHT_SOURCE_DIR, app.engine.collations));
  RecordingHost host;
  ScanWorkflow workflow(app, host);
  ScanSettings settings;
  settings.dataFilePath = path;
  settings.logFolder = dir.path() + "/";
  ASSERT_TRUE(workflow.Open(settings));
  workflow.WaitForWorker();
  ASSERT_EQ(workflow.lastScanResult(), 1);

  std::vector<std::string> output = host.Output();
  ASSERT_GE(output.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(output.begin(), output.begin() + 8),
            (std::vector<std::string>{path + " File is selected for recovery....", "Browse File Path:\t" + path,
                                      "Standard mode is selected for file recovery.", "Scanning of file starts...",
                                      "Database version:  SQL Server 2008",
                                      "Collation Type: Latin1_General_CI_AI", "Creating Tree.........",
                                      "Process done........."}));
  EXPECT_EQ(output.back(), "Scanning completed for selected mdf file.");
  EXPECT_EQ(support::ReadWholeFile(app.logFilePath), LogBytesFor(output));

  const ObjectTree& tree = workflow.tree;
  const TreeItem& root = tree.Item(workflow.categories.root);
  std::vector<std::string> top;
  for (int32_t child : root.children) top.push_back(tree.Item(child).label);
  EXPECT_EQ(top, (std::vector<std::string>{"Views", "Programmability", "Tables"}));
  std::vector<std::string> userTables;
  for (int32_t child : tree.Item(workflow.categories.userTables).children)
    userTables.push_back(tree.Item(child).label);
  EXPECT_EQ(userTables, (std::vector<std::string>{"Categories", "CustomerCustomerDemo", "CustomerDemographics",
                                                  "Customers", "Employees", "EmployeeTerritories", "Order Details",
                                                  "Orders", "Products", "Region", "Shippers", "Suppliers",
                                                  "Territories"}));
  // Bold: resolved with columns and pages; the two empty tables have no pages.
  std::vector<std::string> plain;
  for (int32_t child : tree.Item(workflow.categories.userTables).children)
    if (!tree.Item(child).bold) plain.push_back(tree.Item(child).label);
  EXPECT_EQ(plain, (std::vector<std::string>{"CustomerCustomerDemo", "CustomerDemographics"}));
  EXPECT_FALSE(tree.Item(workflow.categories.systemTables).children.empty());
  EXPECT_FALSE(tree.Item(workflow.categories.views).children.empty());
  EXPECT_FALSE(tree.Item(workflow.categories.storeProcedures).children.empty());
}

}  // namespace
}  // namespace pagewright
