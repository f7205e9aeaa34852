// Table row loading over synthetic files: screens of 1000 with Next and
// Previous, page gathering and its fallbacks, forwarded rows, ghost rows,
// all-empty rows and the stop request.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "storage/table_rows.h"
#include "support/file_writer.h"
#include "support/page_writer.h"
#include "support/record_writer.h"
#include "support/temp_dir.h"
#include "values/type_codes.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::FixedVarRecord;
using support::PageImage;

Bytes IntRecord(int32_t value, int recordType = record_type::kPrimary) {
  FixedVarRecord record;
  record.recordType = recordType;
  support::AppendU32(record.fixed, static_cast<uint32_t>(value));
  return record.Build();
}

// Collects what the loader gives the record list.
class ListView final : public RecordView {
 public:
  void ClearRows() override { rows.clear(); }
  void AddRow(const std::vector<std::string>& cells) override {
    rows.push_back(cells);
    if (stopAfter > 0 && static_cast<int>(rows.size()) == stopAfter) state->cancelFlag.store(true);
  }
  void OutputLine(const std::string& text, bool replaceLast) override {
    if (!replaceLast) lines.push_back(text);
  }
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> lines;
  int stopAfter = 0;
  EngineState* state = nullptr;
};

struct SyntheticTable {
  static constexpr int kRowsPerPage = 400;
  support::TempDir dir;
  EngineState state;
  std::unique_ptr<DatabaseFile> file;
  TableDef table;
  std::vector<ColumnDef> columns;

  // `rows` ints 1..rows on pages 10, 11, ... chained by next/prev links.
  explicit SyntheticTable(int rows, bool clustered = true) {
    support::FileImage image;
    int pageCount = (rows + kRowsPerPage - 1) / kRowsPerPage;
    for (int page = 0; page < pageCount; ++page) {
      PageImage data(page_type::kData, PageId{1, 10 + page});
      if (page > 0) data.SetPrevPage(PageId{1, 10 + page - 1});
      if (page + 1 < pageCount) data.SetNextPage(PageId{1, 10 + page + 1});
      for (int row = page * kRowsPerPage; row < rows && row < (page + 1) * kRowsPerPage; ++row)
        data.AddRecord(IntRecord(row + 1));
      image.PutPage(data);
      table.pages.push_back(PageId{1, 10 + page});
    }
    image.SetBlockCount(10 + pageCount + 4);
    Write(image);
    table.rowset.indexId = clustered ? 1 : 0;
    table.allocationUnit.firstPage = PageId{1, 10};
    table.allocationUnit.firstIamPage = PageId{1, 9};
    ColumnDef id;
    id.name = "id";
    id.typeCode = type_code::kInt;
    id.typeText = "int(4)";
    id.columnId = 1;
    id.physicalColumnId = 1;
    columns.push_back(id);
  }
  void Write(const support::FileImage& image) {
    const std::string path = dir.path() + "/t.mdf";
    ASSERT_TRUE(image.WriteTo(path));
    file = support::OpenForTest(state, path);
    ASSERT_NE(file, nullptr);
  }
};

std::vector<std::string> Ids(const ListView& view) {
  std::vector<std::string> ids;
  for (const auto& row : view.rows) ids.push_back(row.at(0));
  return ids;
}

TEST(TableRowsScreens, ScreensOfAThousandWithNextAndPrevious) {
  SyntheticTable fixture(2500);
  TableRowLoader loader(*fixture.file, fixture.table, fixture.columns);
  ListView view;
  loader.LoadTableRows(view);
  ASSERT_EQ(view.rows.size(), 1000u);
  EXPECT_EQ(view.rows.front().at(0), "1");
  EXPECT_EQ(view.rows.back().at(0), "1000");
  EXPECT_EQ(loader.path(), LoadPath::kPageChain);
  EXPECT_EQ(loader.PagingCaption(), "Page1 - [1000](1-1000) Records");
  EXPECT_EQ(view.lines.back(), "0 rows to 1000");
  EXPECT_TRUE(loader.nextEnabled());
  EXPECT_FALSE(loader.previousEnabled());
  EXPECT_FALSE(fixture.state.tableLoadActive.load());
  // The 1001st row lies on the third page (400 rows a page), row 200.
  ASSERT_EQ(loader.bookmarks().size(), 2u);
  EXPECT_EQ(loader.bookmarks()[1], (RowBookmark{2, 200}));

  ASSERT_TRUE(loader.ShowNextRows(view));
  ASSERT_EQ(view.rows.size(), 1000u);
  EXPECT_EQ(view.rows.front().at(0), "1001");
  EXPECT_EQ(view.rows.back().at(0), "2000");
  EXPECT_EQ(view.lines.back(), "1000 rows to 2000");
  EXPECT_EQ(loader.PagingCaption(), "Page2 - [1000](1001-2000) Records");

  ASSERT_TRUE(loader.ShowNextRows(view));
  ASSERT_EQ(view.rows.size(), 500u);
  EXPECT_EQ(view.rows.front().at(0), "2001");
  EXPECT_EQ(view.rows.back().at(0), "2500");
  EXPECT_EQ(loader.PagingCaption(), "Page3 - [500](2001-2500) Records");
  EXPECT_FALSE(loader.nextEnabled());
  EXPECT_FALSE(loader.ShowNextRows(view));

  ASSERT_TRUE(loader.ShowPreviousRows(view));
  EXPECT_EQ(view.rows.front().at(0), "1001");
  EXPECT_EQ(view.rows.size(), 1000u);
  EXPECT_EQ(loader.PagingCaption(), "Page2 - [1000](1001-2000) Records");
  EXPECT_TRUE(loader.nextEnabled());
  ASSERT_TRUE(loader.ShowPreviousRows(view));
  EXPECT_EQ(view.rows.front().at(0), "1");
  EXPECT_EQ(view.lines.back(), "0 rows to 1000");
  EXPECT_EQ(loader.PagingCaption(), "Page1 - [1000](1-1000) Records");
  EXPECT_FALSE(loader.previousEnabled());
  EXPECT_FALSE(loader.ShowPreviousRows(view));
  // Forward again reaches the same screens; bookmarks are not doubled.
  ASSERT_TRUE(loader.ShowNextRows(view));
  ASSERT_TRUE(loader.ShowNextRows(view));
  EXPECT_EQ(view.rows.front().at(0), "2001");
  EXPECT_EQ(loader.bookmarks().size(), 3u);
}

TEST(TableRowsScreens, ScreenSizesAtTheEdges) {
  struct Case {
    int rows;
    size_t firstScreen;
    bool next;
    std::string caption;
  };
  for (const Case& c : {Case{1000, 1000, false, "Page1 - [1000](1-1000) Records"},
                        Case{1001, 1000, true, "Page1 - [1000](1-1000) Records"},
                        Case{0, 0, false, "Page1 - [0](0-0) Records"}}) {
    SCOPED_TRACE(c.rows);
    SyntheticTable fixture(c.rows);
    TableRowLoader loader(*fixture.file, fixture.table, fixture.columns);
    ListView view;
    loader.LoadTableRows(view);
    EXPECT_EQ(view.rows.size(), c.firstScreen);
    EXPECT_EQ(loader.nextEnabled(), c.next);
    EXPECT_EQ(loader.PagingCaption(), c.caption);
    EXPECT_EQ(view.lines.empty(), c.rows == 0);  // no rows-to line for an empty table
  }
}

TEST(TableRowsScreens, StreamingReadsEveryRowWithoutScreens) {
  SyntheticTable fixture(2500);
  TableRowLoader loader(*fixture.file, fixture.table, fixture.columns);
  ListView view;
  EXPECT_EQ(loader.StreamAllRows(view), 2500);
  ASSERT_EQ(view.rows.size(), 2500u);
  EXPECT_EQ(view.rows[1999].at(0), "2000");
  EXPECT_EQ(view.rows.back().at(0), "2500");
}

TEST(TableRowsScreens, StopKeepsTheRowsShownAndClearsTheFlag) {
  SyntheticTable fixture(2500);
  TableRowLoader loader(*fixture.file, fixture.table, fixture.columns);
  ListView view;
  view.state = &fixture.state;
  view.stopAfter = 10;
  loader.LoadTableRows(view);
  EXPECT_TRUE(loader.stopped());
  EXPECT_EQ(view.rows.size(), 10u);
  EXPECT_FALSE(fixture.state.cancelFlag.load());
  ListView all;
  all.state = &fixture.state;
  all.stopAfter = 450;
  loader.StreamAllRows(all);
  EXPECT_TRUE(loader.stopped());
  EXPECT_EQ(all.rows.size(), 450u);
  EXPECT_FALSE(fixture.state.cancelFlag.load());
}

TEST(TableRowsScreens, PathChoiceAndFallbacks) {
  // Clustered: page chain from the first page. A first page that has a
  // previous page starts no chain: without an IAM reader the page list is
  // read. A heap without an IAM reader reads the page list too; a collector
  // that finds nothing falls back to the page chain.
  {
    // The file's own IAM walk finds no IAM page here: the page chain is read.
    SyntheticTable fixture(900, /*clustered=*/false);
    TableRowLoader loader(*fixture.file, fixture.table, fixture.columns);
    ListView view;
    loader.LoadTableRows(view);
    EXPECT_EQ(loader.path(), LoadPath::kPageChain);
    EXPECT_EQ(view.rows.size(), 900u);
  }
  {
    SyntheticTable fixture(900, /*clustered=*/false);
    int calls = 0;
    IamCollector empty = [&](PageId, int32_t, const DatabaseFile&, std::vector<PageId>&) { ++calls; };
    TableRowLoader loader(*fixture.file, fixture.table, fixture.columns, RecoveryMode::kStandard, empty);
    ListView view;
    loader.LoadTableRows(view);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(loader.path(), LoadPath::kPageChain);
    EXPECT_EQ(view.rows.size(), 900u);
  }
  {
    SyntheticTable fixture(900);
    fixture.table.allocationUnit.firstPage = PageId{1, 11};  // has a previous page
    IamCollector iam = [](PageId, int32_t, const DatabaseFile&, std::vector<PageId>& pages) {
      pages = {PageId{1, 12}, PageId{1, 10}};
    };
    TableRowLoader loader(*fixture.file, fixture.table, fixture.columns, RecoveryMode::kStandard, iam);
    ListView view;
    loader.LoadTableRows(view);
    EXPECT_EQ(loader.path(), LoadPath::kIam);
    ASSERT_EQ(view.rows.size(), 500u);
    EXPECT_EQ(view.rows.front().at(0), "801");  // IAM order, not the chain's
  }
  {
    SyntheticTable fixture(900);
    fixture.table.pages = {PageId{1, 12}};
    TableRowLoader loader(*fixture.file, fixture.table, fixture.columns, RecoveryMode::kAdvanced);
    ListView view;
    loader.LoadTableRows(view);
    EXPECT_EQ(loader.path(), LoadPath::kPageList);
    EXPECT_EQ(view.rows.size(), 100u);
  }
}

TEST(TableRowsScreens, PageChainEndsAtARepeatedPage) {
  SyntheticTable fixture(0);
  support::FileImage image;
  for (int page = 0; page < 3; ++page) {
    PageImage data(page_type::kData, PageId{1, 10 + page});
    data.SetNextPage(PageId{1, page == 2 ? 10 : 11 + page});  // 12 links back to 10
    data.AddRecord(IntRecord(page + 1));
    image.PutPage(data);
  }
  image.SetBlockCount(16);
  fixture.Write(image);
  EXPECT_EQ(CollectPageChain(*fixture.file, PageId{1, 10}),
            (std::vector<PageId>{{1, 10}, {1, 11}, {1, 12}}));
  TableRowLoader loader(*fixture.file, fixture.table, fixture.columns);
  ListView view;
  loader.LoadTableRows(view);
  EXPECT_EQ(Ids(view), (std::vector<std::string>{"1", "2", "3"}));
}

TEST(TableRowsScreens, ForwardedRowsShowOnceThroughTheirStub) {
  SyntheticTable fixture(0, /*clustered=*/false);
  support::FileImage image;
  PageImage first(page_type::kData, PageId{1, 10});
  first.AddRecord(IntRecord(1));
  first.AddRecord(support::ForwardingStub(PageId{1, 11}, 1));
  first.AddRecord(IntRecord(3));
  PageImage second(page_type::kData, PageId{1, 11});
  second.AddRecord(IntRecord(4));
  second.AddRecord(IntRecord(2, record_type::kForwarded));
  image.PutPage(first);
  image.PutPage(second);
  image.SetBlockCount(16);
  fixture.Write(image);
  fixture.table.pages = {PageId{1, 10}, PageId{1, 11}};
  TableRowLoader loader(*fixture.file, fixture.table, fixture.columns, RecoveryMode::kAdvanced);
  ListView view;
  loader.StreamAllRows(view);
  EXPECT_EQ(Ids(view), (std::vector<std::string>{"1", "2", "3", "4"}));
}

// Deleted rows in both depths: ghost records in the slot array with "Show
// deleted records", and rows left in free space, without a slot, only when
// "Show Advanced Deleted records" is on as well.
TEST(TableRowsScreens, DeletedRowsInBothDepths) {
  const struct {
    bool showDeleted;
    bool showAdvancedDeleted;
    std::vector<std::string> ids;
  } cases[] = {
      {false, false, {"1", "4"}},
      {true, false, {"1", "2", "4"}},
      {false, true, {"1", "4"}},
      {true, true, {"1", "2", "4", "3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.showDeleted) + "/" + std::to_string(c.showAdvancedDeleted));
    SyntheticTable fixture(0);
    support::FileImage image;
    PageImage page(page_type::kData, PageId{1, 10});
    page.AddRecord(IntRecord(1));
    page.AddRecord(IntRecord(2, record_type::kGhostData));
    ASSERT_GT(support::LeaveDeletedRecord(page, IntRecord(3)), 0);
    page.AddRecord(IntRecord(4));
    image.PutPage(page);
    image.SetBlockCount(16);
    fixture.Write(image);
    fixture.state.showDeleted.store(c.showDeleted);
    fixture.state.showAdvancedDeleted.store(c.showAdvancedDeleted);
    fixture.table.pages = {PageId{1, 10}};
    for (RecoveryMode mode : {RecoveryMode::kStandard, RecoveryMode::kAdvanced}) {
      TableRowLoader loader(*fixture.file, fixture.table, fixture.columns, mode);
      ListView view;
      loader.LoadTableRows(view);
      EXPECT_EQ(Ids(view), c.ids);
    }
  }
}

TEST(TableRowsScreens, AllEmptyRowsAreCountedButNotListed) {
  SyntheticTable fixture(0);
  support::FileImage image;
  PageImage page(page_type::kData, PageId{1, 10});
  FixedVarRecord nullRow;
  support::AppendU32(nullRow.fixed, 0);
  nullRow.nullColumns = {0};
  page.AddRecord(IntRecord(1));
  page.AddRecord(nullRow.Build());
  image.PutPage(page);
  image.SetBlockCount(16);
  fixture.Write(image);
  fixture.columns[0].nullable = 1;
  fixture.table.pages = {PageId{1, 10}};
  TableRowLoader loader(*fixture.file, fixture.table, fixture.columns, RecoveryMode::kAdvanced);
  ListView view;
  loader.LoadTableRows(view);
  EXPECT_EQ(Ids(view), (std::vector<std::string>{"1"}));
  EXPECT_EQ(loader.rowsShown(), 2);
}

}  // namespace
}  // namespace pagewright
