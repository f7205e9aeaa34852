// Table row loading: the rows of the current table, screen by screen (1000
// rows a screen, Next and Previous) as the record list shows them, or every
// row streamed.
//
// Gathering pages (pageList, in reading order):
//   path        source                                           used when
//   IAM         the IAM chain of the in-row unit (legacy files:  heaps; clustered tables whose
//               the IAM pages the page maps recorded)            first page starts no chain
//   page chain  nextPage links from the unit's first page,       clustered tables; heaps whose
//               data pages only, each page once                  IAM walk gives no row
//   page list   TableDef::pages from table resolution            Advanced Mode; no usable IAM
//
// ChooseLoadPath (Standard Mode, 2005+ catalog): an IAM page number not above
// 0 picks the page list. A clustered table (rowset index id not 0) whose
// first page is a type-1 page with no previous page is read by page chain,
// then by IAM when that gave no row; a heap by IAM, then by page chain when
// that gave no row. A page id is usable when its page number is above 0 and
// below its file's page count (files 0 and 1 the primary file).
//
// Reading: each page through ReadDataPage; type-1 pages only, decoded by the
// physical-layout decoder when the catalog is not the 2000 layout and the
// table has physical column rows, else by the general decoder. Forwarded
// records (type 1) are shown where their forwarding stub lies, never at their
// own slot too: a stub brings its row in, so the row itself is skipped.
//
// Screens: a screen ends at its 1001st row, whose position (page index, row
// index in that page) is the bookmark of the following screen. bookmarks[k]
// is the start of screen k (0-based); the first is all zeros. Rows whose
// cells are all empty (a first cell "NULL" counting as empty) are counted but
// not given to the view. The first screen reads with tableLoadActive set, so
// large in-row values show as placeholders; later screens and streaming read
// every value.
//
// Memory: one page's rows at a time (a reused buffer) plus what the view
// keeps; StreamAllRows hands each row to the view and keeps none.
//
// The stop request (EngineState::cancelFlag) is polled before each page and
// each row; LoadTableRows and StreamAllRows clear it when they end, and
// stopped() tells whether the last load was stopped.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "catalog/catalog_records.h"
#include "catalog/column_def.h"
#include "storage/page_id.h"
#include "values/row_decoder.h"

namespace pagewright {

class DatabaseFile;

// The record list as a host implements it.
class RecordView {
 public:
  virtual ~RecordView() = default;
  // A new screen starts: the list is emptied.
  virtual void ClearRows() {}
  // A row stays in the list: one text per shown column (those not marked
  // -99), in column order. The reference is valid during the call only.
  virtual void AddRow(const std::vector<std::string>& cells) = 0;
  // A line of the output pane and the activity log. `replaceLast`: the line
  // replaces the pane's last line (the running " row %d inserted" count).
  virtual void OutputLine(const std::string& /*text*/, bool /*replaceLast*/) {}
  // Progress over the pages of the screen being read.
  virtual void Progress(int64_t /*position*/, int64_t /*range*/) {}
};

enum class RecoveryMode { kStandard, kAdvanced };
enum class LoadPath { kIam, kPageChain, kPageList };

// Gathers the pages an IAM chain maps (for a 2000-layout file, the IAM pages
// the page maps recorded for `objectId`). Appends to `pages`.
using IamCollector =
    std::function<void(PageId firstIam, int32_t objectId, const DatabaseFile& file, std::vector<PageId>& pages)>;

struct RowBookmark {
  int64_t pageIndex = 0;
  int64_t rowIndex = 0;
  bool operator==(const RowBookmark&) const = default;
};

inline constexpr int kRowsPerScreen = 1000;

// The names of the shown columns (not marked -99), in column order.
std::vector<std::string> ShownColumnNames(const std::vector<ColumnDef>& columns);

// A page id lies within its file: page number above 0 and below the page
// count of the primary file (file numbers 0 and 1) or of that secondary file.
bool IsUsablePage(const DatabaseFile& file, PageId id);

// The pages of a page chain from `start`: the start page when its ids are not
// 0, then every nextPage of a type-1 page, each page once; ends at a page
// number 0, a header that cannot be read, a repeated page or a stop request.
std::vector<PageId> CollectPageChain(DatabaseFile& file, PageId start);

// Reads page `id` and decodes its rows into `rows` (emptied first). No rows
// for a page that cannot be read or is not a data page.
void ReadPageRows(DatabaseFile& file, PageId id, std::vector<ColumnDef>& columns, bool physicalLayout,
                  PageRows& rows);

// The loader state of one view: page list, bookmarks and screen counters.
class TableRowLoader {
 public:
  // `table` and `columns` as table resolution made them; both are copied
  // only as far as the loader needs (the column list is the decoder's state).
  TableRowLoader(DatabaseFile& file, const TableDef& table, std::vector<ColumnDef> columns,
                 RecoveryMode mode = RecoveryMode::kStandard, IamCollector iamCollector = {});

  // The first screen of the table.
  void LoadTableRows(RecordView& view);
  // The following screen; false (and nothing read) when there is none.
  bool ShowNextRows(RecordView& view);
  // The screen before; false when the first screen is shown.
  bool ShowPreviousRows(RecordView& view);
  // Every row of the table, every value read, no screens; the row count.
  int64_t StreamAllRows(RecordView& view);

  bool nextEnabled() const { return bookmarks_.size() > static_cast<size_t>(screen_) + 1; }
  bool previousEnabled() const { return screen_ > 0; }
  bool stopped() const { return stopped_; }
  // The path the last load took (after its fallbacks).
  LoadPath path() const { return path_; }
  const std::vector<PageId>& pageList() const { return pageList_; }
  const std::deque<RowBookmark>& bookmarks() const { return bookmarks_; }
  int32_t rowsShown() const { return rowsShown_; }
  int64_t fromRow() const { return fromRow_; }
  int64_t toRow() const { return toRow_; }
  int32_t pageNumber() const { return pageNumber_; }
  int64_t totalRows() const { return totalRows_; }
  const std::vector<ColumnDef>& columns() const { return columns_; }
  // "Page1 - [1000](1-1000) Records" for the screen shown.
  std::string PagingCaption() const;

 private:
  bool physicalLayout() const;
  void GatherPages(LoadPath path);
  // Reads rows from `start`; with `limit`, stops at the limit + 1st row and
  // returns its position in `next`. Returns the rows read.
  int32_t ReadRows(RecordView& view, RowBookmark start, bool limit, RowBookmark* next, bool* more);
  int32_t ReadScreen(RecordView& view, RowBookmark start);
  int32_t LoadByChoice(RecordView& view);
  bool CancelRequested() const;

  DatabaseFile& file_;
  TableDef table_;
  std::vector<ColumnDef> columns_;
  RecoveryMode mode_;
  IamCollector iamCollector_;

  std::vector<PageId> pageList_;
  std::deque<RowBookmark> bookmarks_;
  int32_t screen_ = 0;  // 0-based index of the screen shown
  int32_t screenLimit_ = kRowsPerScreen;
  int32_t rowsShown_ = 0;
  int64_t fromRow_ = 0;
  int64_t toRow_ = 0;
  int32_t pageNumber_ = 0;
  int64_t totalRows_ = 0;
  bool stopped_ = false;
  LoadPath path_ = LoadPath::kPageList;

  PageRows pageRows_;                // reused for every page
  std::vector<std::string> cells_;  // reused for every row
};

}  // namespace pagewright
