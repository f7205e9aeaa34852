#include "storage/page_header.h"

#include <cstdio>

namespace pagewright {

void RestoreTornBits(uint8_t* page, size_t size, uint32_t tornBits) {
  for (size_t sector = 1; sector < kPageSize / kSectorSize; ++sector) {
    size_t last = kSectorSize * sector + kSectorSize - 1;
    if (last >= size) break;
    uint8_t saved = static_cast<uint8_t>((tornBits >> (2 * sector)) & 0x3);
    page[last] = static_cast<uint8_t>((page[last] & ~0x3) | saved);
  }
}

CPage_Header CPage_Header::DecodeReadOnly(ByteView page) {
  using namespace page_layout;
  CPage_Header h;
  h.headerVersion = page.u8_or(kHeaderVersion);
  h.type = page.u8_or(kType);
  h.typeFlagBits = page.u8_or(kTypeFlagBits);
  h.level = page.u8_or(kLevel);
  h.flagBits = page.u16_or(kFlagBits);
  h.indexId = page.u16_or(kIndexId);
  h.prevPage = ReadPagePointer(page, kPrevPage).value_or(PageId{});
  h.minLen = page.u16_or(kMinLen);
  h.nextPage = ReadPagePointer(page, kNextPage).value_or(PageId{});
  h.slotCount = page.i16_or(kSlotCount);
  h.objectId = page.i32_or(kObjectId);
  h.freeCount = page.i16_or(kFreeCount);
  h.freeData = page.u16_or(kFreeData);
  h.pageId = ReadPagePointer(page, kPageId).value_or(PageId{});
  h.reservedCount = page.u16_or(kReservedCount);
  h.xactReserved = page.u16_or(kXactReserved);
  h.ghostRecordCount = page.i16_or(kGhostRecordCount);
  h.tornBits = page.u32_or(kTornBits);

  char text[64];
  std::snprintf(text, sizeof text, "( %d : %d : %d )", page.i32_or(kLsn), page.i32_or(kLsn + 4),
                static_cast<int>(page.i16_or(kLsn + 8)));
  h.lsnText = text;
  std::snprintf(text, sizeof text, "( %d : %d )", static_cast<int>(page.i16_or(kXdesId + 4)),
                page.i32_or(kXdesId));
  h.xdesText = text;
  return h;
}

CPage_Header CPage_Header::Decode(uint8_t* page, size_t size) {
  CPage_Header h = DecodeReadOnly(ByteView(page, size));
  if (h.flagBits & page_layout::kTornBitsFlag) RestoreTornBits(page, size, h.tornBits);
  return h;
}

bool CPage_Header::IsPlausible() const {
  return slotCount <= page_layout::kPlausibleSlotCount && ghostRecordCount >= 0 && freeCount >= 0 &&
         nextPage.fileId >= 0 && nextPage.pageNo >= 0 && pageId.fileId >= 0 && pageId.pageNo >= 0 &&
         prevPage.fileId >= 0 && prevPage.pageNo >= 0;
}

}  // namespace pagewright
