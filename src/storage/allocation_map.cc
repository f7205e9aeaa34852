#include "storage/allocation_map.h"

#include <set>

#include "catalog/database_file.h"
#include "storage/iam_page.h"

namespace pagewright {

namespace {

bool StopRequested(const DatabaseFile* file) {
  return file && file->state().cancelFlag.load(std::memory_order_relaxed);
}

}  // namespace

ExtentAllocationMap::ExtentAllocationMap(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* file)
    : PrimaryRecordPage(std::move(buffer), file) {
  extentBits.assign(allocation_layout::kExtentsPerInterval, 0);
  BuildAllRecords(*this);
  const std::vector<uint8_t>* bitmap = RecordFixedPart(allocation_layout::kBitmapRecordSlot);
  if (!bitmap) return;
  // Bytes past one interval's worth of bits are ignored.
  size_t byteCount = std::min(bitmap->size(), allocation_layout::kBitmapBytes);
  for (size_t index = 0; index < byteCount; ++index) {
    uint8_t value = (*bitmap)[index];
    for (int bit = 0; bit < 8; ++bit) extentBits[extentBitCount++] = (value >> bit) & 1;
  }
}

ExtentAllocationMap::~ExtentAllocationMap() = default;

const std::vector<uint8_t>* ExtentAllocationMap::RecordFixedPart(int slot) const {
  if (slot < 0 || static_cast<size_t>(slot) >= records.size() || !records[slot]) return nullptr;
  // The record builders put only primary records on a primary record page.
  const auto* record = static_cast<const CPrimaryRecord*>(records[slot].get());
  if (record->isBad || record->fixedData.empty()) return nullptr;
  return &record->fixedData;
}

std::vector<PageId> ExpandExtent(const ExtentRange& range) {
  std::vector<PageId> pages;
  if (range.first.fileId != range.last.fileId || range.last.pageNo < range.first.pageNo) return pages;
  int64_t span = int64_t{range.last.pageNo} - range.first.pageNo + 1;
  if (span > allocation_layout::kPagesPerExtent) return pages;
  pages.reserve(static_cast<size_t>(span));
  for (int64_t pageNo = range.first.pageNo; pageNo <= range.last.pageNo; ++pageNo)
    pages.push_back(PageId{range.first.fileId, static_cast<int32_t>(pageNo)});
  return pages;
}

std::unique_ptr<IamPage> DatabaseFileIamSource::ReadIamPage(PageId id) const { return file_.ReadIamPage(id); }

int64_t DatabaseFileIamSource::FilePageCount(int16_t fileId) const {
  if (fileId == 1) return file_.pageCount;
  auto entry = file_.secondaryFiles.find(fileId);
  return entry == file_.secondaryFiles.end() ? 0 : entry->second.pageCount;
}

bool DatabaseFileIamSource::StopRequested() const { return pagewright::StopRequested(&file_); }

namespace {

// Appends the pages one IAM page maps: single pages in slot order, then the
// pages of each extent.
void AppendIamPages(const IamPage& iam, const IamPageSource& source, std::vector<PageId>& pages) {
  for (const PageId& single : iam.singlePages) {
    if (single.pageNo > 0 && single.fileId != 0 && single.pageNo <= source.FilePageCount(single.fileId))
      pages.push_back(single);
  }
  for (const ExtentRange& range : iam.ExtentRanges(source.FilePageCount(iam.header->pageId.fileId))) {
    for (const PageId& page : ExpandExtent(range))
      if (page.fileId != 0 && page.pageNo != 0) pages.push_back(page);
  }
}

}  // namespace

void CollectIamPages(PageId firstIam, const IamPageSource& source, std::vector<PageId>& pages) {
  std::set<PageId> visited;
  PageId current = firstIam;
  while (current.pageNo != 0 && !source.StopRequested()) {
    // A nextPage that leads back into the chain would repeat it forever.
    if (!visited.insert(current).second || visited.size() > allocation_layout::kMaxIamChainLength) break;
    auto iam = source.ReadIamPage(current);
    if (!iam) break;
    AppendIamPages(*iam, source, pages);
    current = iam->header->nextPage;
  }
}

void CollectLegacyIamPages(const std::vector<PageId>& iamPageIds, const IamPageSource& source,
                           std::vector<PageId>& pages) {
  std::set<PageId> visited;
  for (const PageId& id : iamPageIds) {
    if (source.StopRequested()) break;
    if (id.pageNo == 0 || !visited.insert(id).second) continue;
    // The recorded pages do not depend on each other: one unreadable page
    // loses only its own entries.
    auto iam = source.ReadIamPage(id);
    if (!iam) continue;
    AppendIamPages(*iam, source, pages);
  }
}

void CollectIamPages(PageId firstIam, int32_t objectId, const DatabaseFile& file, std::vector<PageId>& pages) {
  DatabaseFileIamSource source(file);
  if (!file.state().legacyCatalog.load(std::memory_order_relaxed)) {
    CollectIamPages(firstIam, source, pages);
    return;
  }
  std::vector<PageId> recorded;
  auto entry = file.iamPages.find(objectId);
  if (entry != file.iamPages.end())
    for (const MappedPage& mapped : entry->second) recorded.push_back(mapped.pageId());
  CollectLegacyIamPages(recorded, source, pages);
}

}  // namespace pagewright
