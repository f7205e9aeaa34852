// TextRecord: one record of a LOB (text/image) page. Its fixed part is one
// node of a LOB tree (storage/lob_node.h).
//
// Record layout (offsets from the record's first byte):
//   offset width field
//   0      1     status byte A: record type in bits 1-3 (4 = LOB fragment),
//                bit 4 null bitmap, bit 5 variable-length columns
//   1      1     status byte B (not used)
//   2      2     fixedEnd: offset just past the fixed part
//   4      ...   the LOB node, fixedEnd - 4 bytes:
//                0  8  blob id
//                8  2  node type
//                10 .. type-specific
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/byte_view.h"
#include "storage/record.h"

namespace pagewright {

namespace text_record_layout {
inline constexpr size_t kStatus = 0;
inline constexpr size_t kFixedEnd = 2;
inline constexpr size_t kNode = 4;
inline constexpr size_t kNodeBlobId = 0;
inline constexpr size_t kNodeType = 8;
inline constexpr size_t kNodeHeaderSize = 10;
inline constexpr uint16_t kNoNodeType = 8;
}  // namespace text_record_layout

class TextRecord : public CRecord {
 public:
  // Parses the record at `offset` of a page image. Never fails: a record whose
  // fixed part is empty or does not end inside the page keeps no node.
  TextRecord(ByteView page, size_t offset);
  ~TextRecord() override;

  bool hasNode() const { return !node.empty(); }
  ByteView nodeBytes() const { return ByteView(node); }

  int32_t recordType = 0;
  bool hasNullBitmap = false;
  bool hasVariableColumns = false;
  int16_t fixedLength = 0;    // fixedEnd - 4 as stored
  std::vector<uint8_t> node;  // copy of the fixed part; empty when none
  uint64_t blobId = 0;
  uint16_t nodeType = text_record_layout::kNoNodeType;  // kNoNodeType: no node header
  int32_t lobLength = 0;      // node bytes after the 10-byte node header
};

}  // namespace pagewright
