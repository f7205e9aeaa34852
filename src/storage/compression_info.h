// The compression information (CI) of a page-compressed page: a structure at
// page offset 96, right after the header, ahead of the first slot. A page
// carries one when its header's typeFlagBits has bit 7 (0x80) set.
//
// Layout (little-endian, offsets from page byte 96):
//   offset  width  field
//   0       1      ciFlags: 0x02 anchor record present, 0x04 dictionary present;
//                  bit 0 is always clear (a CD record here would have it set)
//   1       2      modification count (not used)
//   with a dictionary:         without one:
//   3       2      dictionary offset, from byte 96     3  2  ciLength
//   5       2      ciLength, the CI's size in bytes    5     anchor record
//   7              anchor record (a CD record), up to the dictionary offset
//                  (or to ciLength without a dictionary)
//   dictionary offset ... ciLength: the page dictionary (storage/page_dictionary.h)
//
// The anchor record holds one entry per column: that column's prefix value as
// row-compressed bytes. Code 0 means the column has no prefix (its values are
// stored plainly); any other code, code 1 (an empty prefix) included, makes
// the column anchored.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "storage/byte_view.h"
#include "storage/compressed_record.h"
#include "storage/page_dictionary.h"

namespace pagewright {

class DatabaseFile;
class PrimaryRecordPage;
struct PageId;

namespace ci_layout {
inline constexpr size_t kStart = 96;  // page offset of the CI
inline constexpr size_t kFlags = 0;
inline constexpr size_t kModificationCount = 1;
inline constexpr size_t kDictionaryOffset = 3;   // with a dictionary
inline constexpr size_t kLengthWithDictionary = 5;
inline constexpr size_t kLengthWithoutDictionary = 3;
inline constexpr size_t kAnchorWithDictionary = 7;
inline constexpr size_t kAnchorWithoutDictionary = 5;
inline constexpr size_t kHeaderCopySize = 7;

inline constexpr uint8_t kCdFormatBit = 0x01;
inline constexpr uint8_t kAnchorPresent = 0x02;
inline constexpr uint8_t kDictionaryPresent = 0x04;
}  // namespace ci_layout

struct AnchorValue {
  bool anchored = false;  // the anchor's code is not 0
  bool readable = true;   // false: the anchor entry's bytes are unusable
  std::vector<uint8_t> bytes;  // the prefix value, row-compressed
};

struct CompressionInfo {
  std::array<uint8_t, ci_layout::kHeaderCopySize> headerCopy{};  // page bytes 96-102
  uint8_t ciFlags = 0;
  uint16_t modificationCount = 0;
  uint16_t dictionaryOffset = 0;  // 0 without a dictionary
  uint16_t ciLength = 0;

  std::optional<CdRecord> anchorRecord;  // a good anchor record, when present
  std::vector<AnchorValue> anchorValues;  // one per anchor column
  std::optional<PageDictionary> dictionary;
  // The CI announced a part it could not give (anchor or dictionary bad).
  bool damaged = false;

  // The anchor entry of column `index`, or null when the column has none.
  const AnchorValue* Anchor(size_t index) const {
    return index < anchorValues.size() && anchorValues[index].anchored ? &anchorValues[index] : nullptr;
  }
};

// Parses the CI of a page image. Null when `typeFlagBits` lacks 0x80, when
// byte 96 looks like a CD record (bit 0 set) or when the sizes do not fit the
// page; otherwise a CI whose bad parts are left out (and `damaged` set).
std::shared_ptr<CompressionInfo> ParseCompressionInfo(ByteView page, uint8_t typeFlagBits);

// Reads page `id` of `file` and parses its CI; null when the page cannot be
// read or has none. For rows reached through a forwarding stub, whose page
// is not the one being expanded.
std::shared_ptr<CompressionInfo> ReadCompressionInfoOfPage(const DatabaseFile& file, const PageId& id);

// Reads the CI of `page` into page.compression unless it is already there.
// Returns page.compression (null for a page without one).
const CompressionInfo* ReadCompressionInfo(PrimaryRecordPage& page);

}  // namespace pagewright
