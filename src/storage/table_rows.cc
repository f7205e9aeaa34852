#include "storage/table_rows.h"

#include <cstdio>
#include <set>
#include <utility>

#include "catalog/database_file.h"
#include "storage/allocation_map.h"
#include "storage/page.h"
#include "storage/record.h"

namespace pagewright {

namespace {

constexpr int32_t kDataPageType = 1;
constexpr int32_t kNoStorage = -99;

std::string Format(const char* format, long long a, long long b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// Every cell empty; a first cell "NULL" counts as empty.
bool AllCellsEmpty(const std::vector<std::string>& cells) {
  for (size_t index = 0; index < cells.size(); ++index) {
    if (cells[index].empty()) continue;
    if (index == 0 && cells[index] == "NULL") continue;
    return false;
  }
  return true;
}

// Resets the flag on every way out of a load.
class FlagReset {
 public:
  explicit FlagReset(std::atomic<bool>& flag) : flag_(flag) {}
  ~FlagReset() { flag_.store(false); }
  FlagReset(const FlagReset&) = delete;
  FlagReset& operator=(const FlagReset&) = delete;

 private:
  std::atomic<bool>& flag_;
};

}  // namespace

std::vector<std::string> ShownColumnNames(const std::vector<ColumnDef>& columns) {
  std::vector<std::string> names;
  for (const ColumnDef& column : columns)
    if (column.physicalColumnId != kNoStorage) names.push_back(column.name);
  return names;
}

bool IsUsablePage(const DatabaseFile& file, PageId id) {
  if (id.pageNo <= 0) return false;
  if (id.fileId == 0 || id.fileId == 1) return id.pageNo < file.pageCount;
  if (id.fileId < 2) return false;
  auto found = file.secondaryFiles.find(id.fileId);
  return found != file.secondaryFiles.end() && id.pageNo < found->second.pageCount;
}

std::vector<PageId> CollectPageChain(DatabaseFile& file, PageId start) {
  std::vector<PageId> pages;
  std::set<PageId> seen;
  if (start.fileId != 0 && start.pageNo != 0) {
    pages.push_back(start);
    seen.insert(start);
  }
  PageId current = start;
  while (current.pageNo != 0 && !file.state().cancelFlag.load()) {
    std::optional<CPage_Header> header = file.LoadPageHeader(current);
    if (!header) break;
    const PageId next = header->nextPage;
    if (next.fileId != 0 && next.pageNo != 0 && header->type == kDataPageType) {
      // A chain that links back ends at the repeated page.
      if (!seen.insert(next).second) break;
      pages.push_back(next);
    }
    current = next;
  }
  return pages;
}

void ReadPageRows(DatabaseFile& file, PageId id, std::vector<ColumnDef>& columns, bool physicalLayout,
                  PageRows& rows) {
  rows.Clear();
  std::unique_ptr<CDataPage> page = file.ReadDataPage(id);
  if (!page || !page->header || page->header->type != kDataPageType) return;
  // A forwarded row is shown through its stub (which reads it as a type-2
  // record); at its own slot it would be shown a second time.
  for (std::unique_ptr<CRecord>& record : page->records) {
    const auto* primary = dynamic_cast<const CPrimaryRecord*>(record.get());
    if (primary && primary->recordType == record_type::kForwarded) record.reset();
  }
  DecodePageRows(*page, columns, physicalLayout, /*moduleRows=*/false, rows);
}

TableRowLoader::TableRowLoader(DatabaseFile& file, const TableDef& table, std::vector<ColumnDef> columns,
                               RecoveryMode mode, IamCollector iamCollector)
    : file_(file), columns_(std::move(columns)), mode_(mode), iamCollector_(std::move(iamCollector)) {
  // Without a collector of the caller's own, the IAM chain (or the legacy IAM
  // list) of the file itself gathers the pages.
  if (!iamCollector_)
    iamCollector_ = [](PageId firstIam, int32_t objectId, const DatabaseFile& source, std::vector<PageId>& pages) {
      CollectIamPages(firstIam, objectId, source, pages);
    };
  // Only what loading reads; the catalog's own lists stay with the catalog.
  table_.object = table.object;
  table_.allocationUnit = table.allocationUnit;
  table_.rowset = table.rowset;
  table_.rowsetFound = table.rowsetFound;
  table_.pages = table.pages;
  table_.physicalColumns = table.physicalColumns;
  cells_.reserve(columns_.size());
}

bool TableRowLoader::physicalLayout() const {
  return !file_.state().legacyCatalog.load() && !table_.physicalColumns.empty();
}

bool TableRowLoader::CancelRequested() const { return file_.state().cancelFlag.load(); }

void TableRowLoader::GatherPages(LoadPath path) {
  path_ = path;
  pageList_.clear();
  switch (path) {
    case LoadPath::kIam:
      if (iamCollector_) iamCollector_(table_.allocationUnit.firstIamPage, table_.object.objectId, file_, pageList_);
      break;
    case LoadPath::kPageChain:
      pageList_ = CollectPageChain(file_, table_.allocationUnit.firstPage);
      break;
    case LoadPath::kPageList:
      for (const PageId& id : table_.pages)
        if (id.fileId != 0 && id.pageNo != 0) pageList_.push_back(id);
      break;
  }
}

int32_t TableRowLoader::ReadRows(RecordView& view, RowBookmark start, bool limit, RowBookmark* next, bool* more) {
  int32_t read = 0;
  *more = false;
  const bool physical = physicalLayout();
  const int64_t range = static_cast<int64_t>(pageList_.size());
  view.Progress(0, range);
  for (int64_t pageIndex = start.pageIndex; pageIndex < range; ++pageIndex) {
    if (CancelRequested()) {
      stopped_ = true;
      break;
    }
    ReadPageRows(file_, pageList_[static_cast<size_t>(pageIndex)], columns_, physical, pageRows_);
    const size_t firstRow = pageIndex == start.pageIndex ? static_cast<size_t>(start.rowIndex) : 0;
    for (size_t rowIndex = firstRow; rowIndex < pageRows_.size(); ++rowIndex) {
      if (CancelRequested()) {
        stopped_ = true;
        return read;
      }
      if (limit && read >= screenLimit_) {
        *next = RowBookmark{pageIndex, static_cast<int64_t>(rowIndex)};
        *more = true;
        return read;
      }
      const std::vector<std::string>& row = pageRows_[rowIndex];
      cells_.clear();
      for (size_t column = 0; column < row.size() && column < columns_.size(); ++column)
        if (columns_[column].physicalColumnId != kNoStorage) cells_.push_back(row[column]);
      if (!AllCellsEmpty(cells_)) view.AddRow(cells_);
      ++read;
      if (limit) view.OutputLine(Format(" row %lld inserted", read), /*replaceLast=*/true);
    }
    view.Progress(pageIndex + 1, range);
  }
  return read;
}

int32_t TableRowLoader::ReadScreen(RecordView& view, RowBookmark start) {
  view.ClearRows();
  RowBookmark next;
  bool more = false;
  rowsShown_ = ReadRows(view, start, /*limit=*/true, &next, &more);
  // The following screen's start is recorded once, when first met.
  if (more && bookmarks_.size() == static_cast<size_t>(screen_) + 1) bookmarks_.push_back(next);
  return rowsShown_;
}

int32_t TableRowLoader::LoadByChoice(RecordView& view) {
  const RowBookmark zero;
  if (mode_ == RecoveryMode::kAdvanced) {
    GatherPages(LoadPath::kPageList);
    return ReadScreen(view, zero);
  }
  const bool legacy = file_.state().legacyCatalog.load();
  const PageId firstIam = table_.allocationUnit.firstIamPage;
  const PageId firstPage = table_.allocationUnit.firstPage;
  // Without an IAM reader the page list stands in for the IAM walk: it holds
  // the unit's pages as the page maps found them.
  const LoadPath iamPath = iamCollector_ ? LoadPath::kIam : LoadPath::kPageList;
  if (legacy) {
    GatherPages(iamPath);
    if (pageList_.empty() && iamPath == LoadPath::kIam) GatherPages(LoadPath::kPageList);
    return ReadScreen(view, zero);
  }
  if (firstIam.pageNo <= 0) {
    GatherPages(LoadPath::kPageList);
    return ReadScreen(view, zero);
  }
  const bool clustered = table_.rowset.indexId != 0;
  if (clustered) {
    if (IsUsablePage(file_, firstPage)) {
      std::optional<CPage_Header> header = file_.ReadPageHeader(firstPage);
      if (header && header->type == kDataPageType && header->prevPage.pageNo == 0) {
        GatherPages(LoadPath::kPageChain);
        const int32_t read = ReadScreen(view, zero);
        if (read > 0 || stopped_) return read;
      }
    }
    if (!IsUsablePage(file_, firstIam)) return 0;
    GatherPages(iamPath);
    return ReadScreen(view, zero);
  }
  if (IsUsablePage(file_, firstIam)) {
    GatherPages(iamPath);
    const int32_t read = ReadScreen(view, zero);
    if (read > 0 || stopped_) return read;
  }
  GatherPages(LoadPath::kPageChain);
  return ReadScreen(view, zero);
}

void TableRowLoader::LoadTableRows(RecordView& view) {
  EngineState& state = file_.state();
  FlagReset clearCancel(state.cancelFlag);
  FlagReset clearActive(state.tableLoadActive);
  state.tableLoadActive.store(true);
  stopped_ = false;
  bookmarks_.clear();
  bookmarks_.push_back(RowBookmark{});
  screen_ = 0;
  rowsShown_ = 0;
  fromRow_ = 0;
  toRow_ = 0;
  totalRows_ = 0;
  const int32_t read = LoadByChoice(view);
  totalRows_ += read;
  toRow_ = read;
  pageNumber_ = 1;
  if (read > 0) view.OutputLine(Format("%lld rows to %lld", 0, read), false);
}

bool TableRowLoader::ShowNextRows(RecordView& view) {
  if (!nextEnabled()) return false;
  FlagReset clearCancel(file_.state().cancelFlag);
  stopped_ = false;
  ++screen_;
  const int32_t read = ReadScreen(view, bookmarks_[static_cast<size_t>(screen_)]);
  fromRow_ = toRow_;
  toRow_ = fromRow_ + read;
  totalRows_ += read;
  ++pageNumber_;
  view.OutputLine(Format("%lld rows to %lld", fromRow_, toRow_), false);
  return true;
}

bool TableRowLoader::ShowPreviousRows(RecordView& view) {
  if (!previousEnabled()) return false;
  FlagReset clearCancel(file_.state().cancelFlag);
  stopped_ = false;
  // Keep the starts up to the screen after the one read now.
  while (bookmarks_.size() > static_cast<size_t>(screen_) + 1) bookmarks_.pop_back();
  --screen_;
  const int32_t read = ReadScreen(view, bookmarks_[static_cast<size_t>(screen_)]);
  --pageNumber_;
  if (screen_ == 0) {
    fromRow_ = 0;
    pageNumber_ = 1;
  } else {
    fromRow_ = static_cast<int64_t>(screen_) * kRowsPerScreen;
  }
  toRow_ = fromRow_ + read;
  view.OutputLine(Format("%lld rows to %lld", fromRow_, toRow_), false);
  return true;
}

int64_t TableRowLoader::StreamAllRows(RecordView& view) {
  EngineState& state = file_.state();
  FlagReset clearCancel(state.cancelFlag);
  state.tableLoadActive.store(false);
  stopped_ = false;
  // The same choice of pages as the first screen: a probe that reads up to
  // one row per path picks the path, then everything is streamed.
  class NullView final : public RecordView {
   public:
    void AddRow(const std::vector<std::string>&) override {}
  } probe;
  bookmarks_.clear();
  bookmarks_.push_back(RowBookmark{});
  screen_ = 0;
  screenLimit_ = 1;
  LoadByChoice(probe);
  screenLimit_ = kRowsPerScreen;
  if (stopped_) return 0;
  bookmarks_.clear();
  bookmarks_.push_back(RowBookmark{});
  RowBookmark unused;
  bool more = false;
  const int64_t read = ReadRows(view, RowBookmark{}, /*limit=*/false, &unused, &more);
  totalRows_ = read;
  return read;
}

std::string TableRowLoader::PagingCaption() const {
  const int64_t count = toRow_ - fromRow_;
  char text[128];
  std::snprintf(text, sizeof text, "%s%d - [%lld](%lld-%lld) Records", "Page", pageNumber_,
                static_cast<long long>(count), static_cast<long long>(count ? fromRow_ + 1 : 0),
                static_cast<long long>(toRow_));
  return text;
}

}  // namespace pagewright
