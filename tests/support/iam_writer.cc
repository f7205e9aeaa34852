#include "support/iam_writer.h"

namespace pagewright::support {

namespace {

Bytes FixedOnlyRecord(const Bytes& fixed) {
  Bytes record;
  AppendU8(record, 0);  // status A: primary record, no null bitmap, no variable part
  AppendU8(record, 0);
  AppendU16(record, static_cast<uint16_t>(record_layout::kFixedData + fixed.size()));
  AppendBytes(record, fixed);
  AppendU16(record, 0);  // column count
  return record;
}

}  // namespace

Bytes IamHeaderRecord(const std::array<PageId, iam_layout::kSinglePageSlots>& singlePages) {
  Bytes fixed(kIamHeaderFixedLength, 0);
  for (size_t slot = 0; slot < singlePages.size(); ++slot) {
    size_t at = iam_layout::kSinglePagesOffset + kPagePointerSize * slot;
    uint32_t pageNo = static_cast<uint32_t>(singlePages[slot].pageNo);
    uint16_t fileId = static_cast<uint16_t>(singlePages[slot].fileId);
    for (int index = 0; index < 4; ++index) fixed[at + index] = static_cast<uint8_t>(pageNo >> (8 * index));
    fixed[at + 4] = static_cast<uint8_t>(fileId);
    fixed[at + 5] = static_cast<uint8_t>(fileId >> 8);
  }
  return FixedOnlyRecord(fixed);
}

Bytes IamBitmapRecord(const std::vector<int32_t>& extents, size_t bitmapBytes) {
  Bytes bitmap(bitmapBytes, 0);
  for (int32_t extent : extents) {
    if (extent < 0 || static_cast<size_t>(extent / 8) >= bitmap.size()) continue;
    bitmap[extent / 8] |= static_cast<uint8_t>(1u << (extent % 8));
  }
  return FixedOnlyRecord(bitmap);
}

PageImage BuildIamPage(const IamSpec& spec) {
  PageImage page(page_type::kIam, spec.pageId);
  page.SetObjectId(spec.objectId);
  page.SetNextPage(spec.nextPage);
  page.SetPrevPage(spec.prevPage);
  page.AddRecord(IamHeaderRecord(spec.singlePages));
  page.AddRecord(IamBitmapRecord(spec.extents, spec.bitmapBytes));
  return page;
}

}  // namespace pagewright::support
