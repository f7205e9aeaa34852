#include "support/table_writer.h"

#include "support/record_writer.h"

namespace pagewright::support {

namespace {

constexpr int32_t kModuleTable = 60;
constexpr uint8_t kModuleTextClass = 1;

void PutLe(Bytes& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

void AddModuleText(CatalogWriter& writer, int32_t objectId, const std::string& text) {
  // valclass, objid, subobjid, valnum fixed; value (empty) and imageval
  // variable.
  FixedVarRecord record;
  record.fixed.push_back(kModuleTextClass);
  PutLe(record.fixed, static_cast<uint32_t>(objectId), 4);
  PutLe(record.fixed, 0, 4);
  PutLe(record.fixed, 0, 4);
  record.columnCount = 6;
  record.varColumns = {{Bytes{}}, {Bytes(text.begin(), text.end())}};
  writer.AddRawRow(kModuleTable, record.Build());
}

std::vector<PageImage> TableDataPages(const CatalogWriter& writer, int32_t tableId, const std::vector<Bytes>& records,
                                      int32_t firstPageNo) {
  const TableStorage* storage = writer.Storage(tableId);
  auto fresh = [&](int32_t pageNo) {
    PageImage page(1, PageId{1, pageNo});
    if (writer.generation() == CatalogGeneration::kSql2000 || !storage)
      page.SetObjectId(tableId);
    else
      page.SetAllocationUnit(storage->allocationUnitId);
    return page;
  };
  std::vector<PageImage> pages;
  pages.push_back(fresh(firstPageNo));
  for (const Bytes& record : records) {
    if (pages.back().AddRecord(record) >= 0) continue;
    const int32_t next = firstPageNo + static_cast<int32_t>(pages.size());
    pages.back().SetNextPage(PageId{1, next});
    pages.push_back(fresh(next));
    pages.back().SetPrevPage(PageId{1, next - 1});
    pages.back().AddRecord(record);
  }
  return pages;
}

}  // namespace pagewright::support
