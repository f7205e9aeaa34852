// PageImage: builds one 8192-byte page the way the server lays it out, using
// the readers' own layout constants (page_layout::, kPageSize, ...), so a
// change of a constant moves reader and writer together.
//
// A fresh image is a formatted, empty page: headerVersion 1, the given type
// and page id, no slots, freeData 96, freeCount 8096. AddRecord() appends
// records the way the server does (at freeData, slot array growing down from
// the end) and keeps slotCount, freeData and freeCount in step; every other
// field is set explicitly. Byte-edit tests change single fields afterwards
// with the setters or Put*().
//
// Extensions for records, system-table rows, IAM bitmaps, LOB fragments and
// compressed pages build their record bytes elsewhere (record_writer.h,
// catalog_writer.h, ...) and place them with AddRecord()/PlaceRecord().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/page_header.h"
#include "storage/page_id.h"

namespace pagewright::support {

using Bytes = std::vector<uint8_t>;

class PageImage {
 public:
  PageImage();  // type 0, page id {0, 0}
  PageImage(int type, PageId pageId);

  // --- Header fields (each writes its bytes at once) ---------------------
  PageImage& SetHeaderVersion(uint8_t value);
  PageImage& SetType(uint8_t value);
  PageImage& SetTypeFlagBits(uint8_t value);
  PageImage& SetLevel(uint8_t value);
  PageImage& SetFlagBits(uint16_t value);
  PageImage& SetIndexId(uint16_t value);
  PageImage& SetPrevPage(PageId value);
  PageImage& SetMinLen(uint16_t value);
  PageImage& SetNextPage(PageId value);
  PageImage& SetSlotCount(int16_t value);
  PageImage& SetObjectId(int32_t value);
  PageImage& SetFreeCount(int16_t value);
  PageImage& SetFreeData(uint16_t value);
  PageImage& SetPageId(PageId value);
  PageImage& SetReservedCount(uint16_t value);
  PageImage& SetLsn(int32_t part1, int32_t part2, int16_t part3);
  PageImage& SetXactReserved(uint16_t value);
  PageImage& SetXdesId(int32_t low, int16_t high);  // 4 bytes at 52, 2 at 56
  PageImage& SetGhostRecordCount(int16_t value);
  PageImage& SetTornBits(uint32_t value);
  // The allocation-unit owner of 2005-and-later pages: bits 16-47 go to the
  // object id, bits 48-63 to the index id.
  PageImage& SetAllocationUnit(int64_t unitId);

  // --- Records and the slot array ----------------------------------------
  // Appends `record` at freeData and a slot pointing at it; returns the slot
  // index, or -1 when the record does not fit between freeData and the slot
  // array (the page is then unchanged).
  int AddRecord(const Bytes& record);
  // Writes `record` at `offset` without touching the slot array or the free
  // space fields (deleted rows, stale bytes, overlapping garbage). False
  // when it would not fit inside the page.
  bool PlaceRecord(size_t offset, const Bytes& record);
  // Appends a slot entry with the given offset and raises slotCount.
  void AddSlot(uint16_t offset);
  // Rewrites slot `slot` (slot 0 at bytes 8190-8191) without changing slotCount.
  void SetSlot(int slot, uint16_t offset);
  // Offset stored in slot `slot`.
  uint16_t Slot(int slot) const;
  int slotCount() const;
  // Fills the unused gap between freeData and the slot array with `fill`.
  void FillFreeSpace(uint8_t fill);

  // --- Torn-bit protection ------------------------------------------------
  // Does what the server does when it writes a torn-protected page: saves the
  // low two bits of the last byte of sectors 1..15 into tornBits (value k at
  // bits 2k, 2k+1), stamps `pattern` (0..3) into those bits and into tornBits
  // bits 0-1, and sets flagBits 0x100. Sector 0 keeps its byte. Call it last:
  // later edits of a sector's last byte would not be protected.
  void ProtectTornBits(uint8_t pattern);

  // --- Raw bytes -----------------------------------------------------------
  void Put8(size_t offset, uint8_t value);
  void Put16(size_t offset, uint16_t value);
  void Put32(size_t offset, uint32_t value);
  void Put64(size_t offset, uint64_t value);
  void PutPagePointer(size_t offset, PageId value);
  void PutBytes(size_t offset, const Bytes& bytes);
  void Fill(size_t offset, size_t length, uint8_t value);

  const Bytes& bytes() const { return bytes_; }
  Bytes& mutableBytes() { return bytes_; }
  PageId pageId() const;

 private:
  Bytes bytes_;
};

// Little-endian encoders for building record bytes.
void AppendU8(Bytes& out, uint8_t value);
void AppendU16(Bytes& out, uint16_t value);
void AppendU32(Bytes& out, uint32_t value);
void AppendU64(Bytes& out, uint64_t value);
void AppendBytes(Bytes& out, const Bytes& bytes);
// UTF-8 text as UTF-16LE code units (no terminator).
Bytes Utf16Le(const std::string& utf8);

}  // namespace pagewright::support
