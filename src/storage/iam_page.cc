#include "storage/iam_page.h"

namespace pagewright {

IamPage::IamPage(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* file)
    : ExtentAllocationMap(std::move(buffer), file) {
  singlePages.fill(PageId{1, 0});
  const std::vector<uint8_t>* fixed = RecordFixedPart(allocation_layout::kHeaderRecordSlot);
  if (!fixed) return;
  ByteView header(*fixed);
  for (int slot = 0; slot < iam_layout::kSinglePageSlots; ++slot) {
    auto pointer = ReadPagePointer(header, iam_layout::kSinglePagesOffset + kPagePointerSize * slot);
    if (pointer) singlePages[slot] = *pointer;
  }
}

IamPage::~IamPage() = default;

std::vector<ExtentRange> IamPage::ExtentRanges(int64_t filePageCount) const {
  std::vector<ExtentRange> ranges;
  const PageId own = header->pageId;
  if (own.pageNo < 0) return ranges;
  const int64_t base = IntervalBase(own.pageNo);
  for (int32_t extent = 0; extent < extentBitCount; ++extent) {
    if (!extentBits[extent]) continue;
    int64_t first = base + int64_t{allocation_layout::kPagesPerExtent} * extent;
    int64_t last = first + allocation_layout::kPagesPerExtent - 1;
    // Bits past the end of the file (or of the int32 page space) are damage.
    if (last >= filePageCount || last > INT32_MAX) break;
    ranges.push_back({PageId{own.fileId, static_cast<int32_t>(first)},
                      PageId{own.fileId, static_cast<int32_t>(last)}});
  }
  return ranges;
}

}  // namespace pagewright
