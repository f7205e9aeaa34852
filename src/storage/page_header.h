// The 96-byte page header and its decoding.
//
// Layout (little-endian):
//   offset width field
//   0      1     headerVersion
//   1      1     type
//   2      1     typeFlagBits      0x80: page carries compression information
//   3      1     level
//   4      2     flagBits          0x100: torn-bit protection in force
//   6      2     indexId
//   8      6     prevPage          page pointer
//   14     2     minLen
//   16     6     nextPage          page pointer
//   22     2     slotCount         signed
//   24     4     objectId
//   28     2     freeCount         signed
//   30     2     freeData
//   32     6     pageId            page pointer as the server wrote it
//   38     2     reservedCount
//   40     10    lsn               int32, int32, int16
//   50     2     xactReserved
//   52     6     xdesId            int32 at 52, int16 at 56
//   58     2     ghostRecordCount
//   60     4     tornBits
//   64     32    reserved
#pragma once

#include <cstdint>
#include <string>

#include "storage/byte_view.h"
#include "storage/page_id.h"

namespace pagewright {

inline constexpr size_t kPageSize = 8192;
inline constexpr size_t kPageHeaderSize = 96;
inline constexpr size_t kSectorSize = 512;

namespace page_layout {
inline constexpr size_t kHeaderVersion = 0;
inline constexpr size_t kType = 1;
inline constexpr size_t kTypeFlagBits = 2;
inline constexpr size_t kLevel = 3;
inline constexpr size_t kFlagBits = 4;
inline constexpr size_t kIndexId = 6;
inline constexpr size_t kPrevPage = 8;
inline constexpr size_t kMinLen = 14;
inline constexpr size_t kNextPage = 16;
inline constexpr size_t kSlotCount = 22;
inline constexpr size_t kObjectId = 24;
inline constexpr size_t kFreeCount = 28;
inline constexpr size_t kFreeData = 30;
inline constexpr size_t kPageId = 32;
inline constexpr size_t kReservedCount = 38;
inline constexpr size_t kLsn = 40;
inline constexpr size_t kXactReserved = 50;
inline constexpr size_t kXdesId = 52;
inline constexpr size_t kGhostRecordCount = 58;
inline constexpr size_t kTornBits = 60;

inline constexpr uint16_t kTornBitsFlag = 0x100;
inline constexpr uint8_t kCompressionInfoFlag = 0x80;
inline constexpr int kMaxSlotCount = 4000;        // slot arrays of 4000 or more are not taken
inline constexpr int kPlausibleSlotCount = 8192;  // plausibility bound of the header test
}  // namespace page_layout

// Page types the system acts on.
namespace page_type {
inline constexpr int kData = 1;
inline constexpr int kIndex = 2;
inline constexpr int kText = 3;
inline constexpr int kTextTree = 4;
inline constexpr int kGam = 8;
inline constexpr int kSgam = 9;
inline constexpr int kIam = 10;
inline constexpr int kPfs = 11;
inline constexpr int kBoot = 13;
inline constexpr int kFileHeader = 15;
inline constexpr int kDiffMap = 16;
inline constexpr int kMinimallyLoggedMap = 17;
inline constexpr int kHighestKnown = 17;
}  // namespace page_type

class CPage_Header {
 public:
  CPage_Header() = default;

  // Decodes the header of `page` (at least 96 bytes; missing bytes read as 0).
  // When torn-bit protection is flagged, restores the protected bits of the
  // buffer in place first, so callers must pass the page they will parse.
  static CPage_Header Decode(uint8_t* page, size_t size);
  // Decodes without touching the buffer (no torn-bit restoration).
  static CPage_Header DecodeReadOnly(ByteView page);

  // Header plausibility test used before any slot is parsed.
  bool IsPlausible() const;

  uint8_t headerVersion = 0;
  int32_t type = 0;
  uint8_t typeFlagBits = 0;
  uint8_t level = 0;
  uint16_t flagBits = 0;
  uint16_t indexId = 0;
  PageId prevPage;
  uint16_t minLen = 0;
  PageId nextPage;
  int16_t slotCount = 0;
  int32_t objectId = 0;
  int16_t freeCount = 0;
  uint16_t freeData = 0;
  PageId pageId;
  uint16_t reservedCount = 0;
  std::string lsnText;
  uint16_t xactReserved = 0;
  std::string xdesText;
  int16_t ghostRecordCount = 0;
  uint32_t tornBits = 0;
};

// Replaces the two low bits of the last byte of sectors 1..15 with the values
// saved in `tornBits`; sector 0 is left alone.
void RestoreTornBits(uint8_t* page, size_t size, uint32_t tornBits);

}  // namespace pagewright
