#include "support/page_writer.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <stdexcept>

namespace pagewright::support {

using namespace page_layout;

PageImage::PageImage() : bytes_(kPageSize, 0) {
  SetHeaderVersion(1);
  SetFreeData(static_cast<uint16_t>(kPageHeaderSize));
  SetFreeCount(static_cast<int16_t>(kPageSize - kPageHeaderSize));
}

PageImage::PageImage(int type, PageId pageId) : PageImage() {
  SetType(static_cast<uint8_t>(type));
  SetPageId(pageId);
}

PageImage& PageImage::SetHeaderVersion(uint8_t value) { Put8(kHeaderVersion, value); return *this; }
PageImage& PageImage::SetType(uint8_t value) { Put8(kType, value); return *this; }
PageImage& PageImage::SetTypeFlagBits(uint8_t value) { Put8(kTypeFlagBits, value); return *this; }
PageImage& PageImage::SetLevel(uint8_t value) { Put8(kLevel, value); return *this; }
PageImage& PageImage::SetFlagBits(uint16_t value) { Put16(kFlagBits, value); return *this; }
PageImage& PageImage::SetIndexId(uint16_t value) { Put16(kIndexId, value); return *this; }
PageImage& PageImage::SetPrevPage(PageId value) { PutPagePointer(kPrevPage, value); return *this; }
PageImage& PageImage::SetMinLen(uint16_t value) { Put16(kMinLen, value); return *this; }
PageImage& PageImage::SetNextPage(PageId value) { PutPagePointer(kNextPage, value); return *this; }
PageImage& PageImage::SetSlotCount(int16_t value) { Put16(kSlotCount, static_cast<uint16_t>(value)); return *this; }
PageImage& PageImage::SetObjectId(int32_t value) { Put32(kObjectId, static_cast<uint32_t>(value)); return *this; }
PageImage& PageImage::SetFreeCount(int16_t value) { Put16(kFreeCount, static_cast<uint16_t>(value)); return *this; }
PageImage& PageImage::SetFreeData(uint16_t value) { Put16(kFreeData, value); return *this; }
PageImage& PageImage::SetPageId(PageId value) { PutPagePointer(kPageId, value); return *this; }
PageImage& PageImage::SetReservedCount(uint16_t value) { Put16(kReservedCount, value); return *this; }
PageImage& PageImage::SetLsn(int32_t part1, int32_t part2, int16_t part3) {
  Put32(kLsn, static_cast<uint32_t>(part1));
  Put32(kLsn + 4, static_cast<uint32_t>(part2));
  Put16(kLsn + 8, static_cast<uint16_t>(part3));
  return *this;
}
PageImage& PageImage::SetXactReserved(uint16_t value) { Put16(kXactReserved, value); return *this; }
PageImage& PageImage::SetXdesId(int32_t low, int16_t high) {
  Put32(kXdesId, static_cast<uint32_t>(low));
  Put16(kXdesId + 4, static_cast<uint16_t>(high));
  return *this;
}
PageImage& PageImage::SetGhostRecordCount(int16_t value) { Put16(kGhostRecordCount, static_cast<uint16_t>(value)); return *this; }
PageImage& PageImage::SetTornBits(uint32_t value) { Put32(kTornBits, value); return *this; }
PageImage& PageImage::SetAllocationUnit(int64_t unitId) {
  uint64_t unit = static_cast<uint64_t>(unitId);
  SetObjectId(static_cast<int32_t>(static_cast<uint32_t>(unit >> 16)));
  SetIndexId(static_cast<uint16_t>(unit >> 48));
  return *this;
}

int PageImage::slotCount() const {
  return static_cast<int16_t>(bytes_[kSlotCount] | (bytes_[kSlotCount + 1] << 8));
}

uint16_t PageImage::Slot(int slot) const {
  size_t at = kPageSize - 2 - 2 * static_cast<size_t>(slot);
  return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
}

void PageImage::SetSlot(int slot, uint16_t offset) {
  if (slot < 0 || static_cast<size_t>(slot) >= (kPageSize - kPageHeaderSize) / 2)
    throw std::out_of_range("PageImage::SetSlot");
  Put16(kPageSize - 2 - 2 * static_cast<size_t>(slot), offset);
}

void PageImage::AddSlot(uint16_t offset) {
  int slot = slotCount() < 0 ? 0 : slotCount();
  SetSlot(slot, offset);
  SetSlotCount(static_cast<int16_t>(slot + 1));
}

int PageImage::AddRecord(const Bytes& record) {
  int slots = slotCount() < 0 ? 0 : slotCount();
  size_t freeData = static_cast<uint16_t>(bytes_[kFreeData] | (bytes_[kFreeData + 1] << 8));
  if (freeData < kPageHeaderSize) freeData = kPageHeaderSize;
  size_t slotArrayStart = kPageSize - 2 * static_cast<size_t>(slots + 1);
  if (freeData > slotArrayStart || record.size() > slotArrayStart - freeData) return -1;
  PutBytes(freeData, record);
  AddSlot(static_cast<uint16_t>(freeData));
  size_t newFreeData = freeData + record.size();
  SetFreeData(static_cast<uint16_t>(newFreeData));
  SetFreeCount(static_cast<int16_t>(slotArrayStart - newFreeData));
  return slots;
}

bool PageImage::PlaceRecord(size_t offset, const Bytes& record) {
  if (offset > kPageSize || record.size() > kPageSize - offset) return false;
  PutBytes(offset, record);
  return true;
}

void PageImage::FillFreeSpace(uint8_t fill) {
  int slots = slotCount() < 0 ? 0 : slotCount();
  size_t freeData = static_cast<uint16_t>(bytes_[kFreeData] | (bytes_[kFreeData + 1] << 8));
  size_t slotArrayStart = kPageSize - 2 * static_cast<size_t>(slots);
  if (freeData < kPageHeaderSize || freeData >= slotArrayStart) return;
  Fill(freeData, slotArrayStart - freeData, fill);
}

void PageImage::ProtectTornBits(uint8_t pattern) {
  pattern &= 0x3;
  uint32_t torn = pattern;
  for (size_t sector = 1; sector < kPageSize / kSectorSize; ++sector) {
    size_t last = kSectorSize * sector + kSectorSize - 1;
    torn |= static_cast<uint32_t>(bytes_[last] & 0x3) << (2 * sector);
    bytes_[last] = static_cast<uint8_t>((bytes_[last] & ~0x3) | pattern);
  }
  SetTornBits(torn);
  SetFlagBits(static_cast<uint16_t>(bytes_[kFlagBits] | (bytes_[kFlagBits + 1] << 8) | kTornBitsFlag));
}

void PageImage::Put8(size_t offset, uint8_t value) {
  if (offset >= kPageSize) throw std::out_of_range("PageImage::Put8");
  bytes_[offset] = value;
}
void PageImage::Put16(size_t offset, uint16_t value) {
  for (size_t index = 0; index < 2; ++index) Put8(offset + index, static_cast<uint8_t>(value >> (8 * index)));
}
void PageImage::Put32(size_t offset, uint32_t value) {
  for (size_t index = 0; index < 4; ++index) Put8(offset + index, static_cast<uint8_t>(value >> (8 * index)));
}
void PageImage::Put64(size_t offset, uint64_t value) {
  for (size_t index = 0; index < 8; ++index) Put8(offset + index, static_cast<uint8_t>(value >> (8 * index)));
}
void PageImage::PutPagePointer(size_t offset, PageId value) {
  Put32(offset, static_cast<uint32_t>(value.pageNo));
  Put16(offset + 4, static_cast<uint16_t>(value.fileId));
}
void PageImage::PutBytes(size_t offset, const Bytes& bytes) {
  if (offset > kPageSize || bytes.size() > kPageSize - offset) throw std::out_of_range("PageImage::PutBytes");
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}
void PageImage::Fill(size_t offset, size_t length, uint8_t value) {
  if (offset > kPageSize || length > kPageSize - offset) throw std::out_of_range("PageImage::Fill");
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), length, value);
}

PageId PageImage::pageId() const {
  return ReadPagePointer(ByteView(bytes_), kPageId).value_or(PageId{});
}

void AppendU8(Bytes& out, uint8_t value) { out.push_back(value); }
void AppendU16(Bytes& out, uint16_t value) {
  for (int index = 0; index < 2; ++index) out.push_back(static_cast<uint8_t>(value >> (8 * index)));
}
void AppendU32(Bytes& out, uint32_t value) {
  for (int index = 0; index < 4; ++index) out.push_back(static_cast<uint8_t>(value >> (8 * index)));
}
void AppendU64(Bytes& out, uint64_t value) {
  for (int index = 0; index < 8; ++index) out.push_back(static_cast<uint8_t>(value >> (8 * index)));
}
void AppendBytes(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

Bytes Utf16Le(const std::string& utf8) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  std::u16string units(static_cast<size_t>(length), u'\0');
  status = U_ZERO_ERROR;
  u_strFromUTF8(units.data(), length, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) throw std::invalid_argument("Utf16Le: not UTF-8");
  Bytes out;
  for (char16_t unit : units) AppendU16(out, static_cast<uint16_t>(unit));
  return out;
}

}  // namespace pagewright::support
