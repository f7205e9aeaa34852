// Building the records of a page, slot by slot, and the read of data and
// catalog pages that rests on it.
#include <algorithm>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "storage/record_parse.h"

namespace pagewright {

namespace {

using namespace record_layout;

bool ShowDeleted(const CPage& page) {
  return page.file && page.file->state().showDeleted.load(std::memory_order_relaxed);
}

std::unique_ptr<CPrimaryRecord> ParseAt(const PrimaryRecordPage& page, int offset, bool followStubs) {
  ByteView recordBytes = page.bytes().from(static_cast<size_t>(offset));
  auto maxLength = static_cast<uint16_t>(kPageSize - static_cast<size_t>(offset));
  std::unique_ptr<CPrimaryRecord> record =
      followStubs ? std::make_unique<CPrimaryRecord>(recordBytes, &page, maxLength)
                  : record_internal::ParseWithoutFollowing(recordBytes, &page, maxLength);
  record->pageOffset = static_cast<uint16_t>(offset);
  // Expansion point of column-descriptor records: a record with isCompressed
  // set, not bad, read while legacyCatalog is clear, keeps its bytes in
  // rawRecord for the compressed record reader, which needs the current
  // table's column layout and the page's compression information.
  return record;
}

}  // namespace

void BuildAllRecords(PrimaryRecordPage& page) {
  if (page.slots.empty() || !page.header || !page.header->IsPlausible()) return;
  const CPage_Header& header = *page.header;
  const bool cancelAware = page.file != nullptr;
  const bool upperIndexLevel = header.type == page_type::kIndex && header.level > 0;
  const bool allGhosts = header.ghostRecordCount >= header.slotCount && !ShowDeleted(page);
  // Slots past the live ones were added by the deleted-record scan.
  const size_t liveSlots = page.slots.size() - std::min(page.slots.size(), page.deletedOffsets.size());

  page.records.reserve(page.records.size() + page.slots.size());
  for (size_t slotIndex = 0; slotIndex < page.slots.size(); ++slotIndex) {
    if (cancelAware && page.file->state().cancelFlag.load(std::memory_order_relaxed)) break;
    int offset = page.slots[slotIndex];
    if (upperIndexLevel || allGhosts || offset == 0 || offset > static_cast<int>(kPageSize) ||
        offset < kFirstRecordOffset) {
      page.records.emplace_back();
      continue;
    }
    auto record = ParseAt(page, offset, true);
    record->fromDeletedScan = slotIndex >= liveSlots;
    page.records.push_back(std::move(record));
  }
}

void BuildOneRecord(PrimaryRecordPage& page, int slotIndex) {
  // Slot numbers count from 0, so slotCount itself is already past the array.
  if (slotIndex < 0 || static_cast<size_t>(slotIndex) >= page.slots.size()) return;
  int offset = page.slots[static_cast<size_t>(slotIndex)];
  if (offset < 1 || offset > kLastOneRecordOffset) {
    page.records.emplace_back();
    return;
  }
  page.records.push_back(ParseAt(page, offset, false));
}

void BuildPageRecords(PrimaryRecordPage& page) {
  ScanDeletedRecords(page);
  BuildAllRecords(page);
}

}  // namespace pagewright
