// Records parsed from pages. CRecord is the base of every record class; the
// FixedVar primary record, its parse, the page record builders and the
// deleted-record scan are declared here.
//
// FixedVar record layout (offsets from the record's first byte, little-endian):
//   offset        width                 field
//   0             1                     status byte A
//                                         bit 0    compressed (column-descriptor) format
//                                         bits 1-3 record type (record_type below)
//                                         bit 4    has null bitmap
//                                         bit 5    has variable-length columns
//                                         bit 6    has versioning tag
//   1             1                     status byte B (not used)
//   2             2                     fixedEnd: offset just past the fixed part
//   4             fixedEnd - 4          fixed-length column data
//   fixedEnd      2                     columnCount (signed)
//   next          (columnCount + 7) / 8 null bitmap (bit 4), bit k = column k, LSB first
//   next          2                     varCount (bit 5; absent when there is neither
//                                       fixed data nor a null bitmap)
//   next          2 * varCount          end offset of each variable column from the
//                                       record start; 0x8000 marks a complex column
//   then                                the variable values, each ending at its offset
//
// Forwarding stub (record type 2), 9 bytes:
//   0 status byte A, 1 page number (4), 5 file number (2), 7 slot number (2)
//
// Sparse vector (a complex variable value whose first byte is 5):
//   0 kind (2) = 5, 2 count (2), 4 count column ids (2 each),
//   4 + 2 * count count end offsets from the vector start (2 each),
//   4 + 4 * count the values
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "storage/byte_view.h"
#include "storage/page_id.h"

namespace pagewright {

class CPage;
class PrimaryRecordPage;

namespace record_layout {
inline constexpr size_t kStatusA = 0;
inline constexpr size_t kStatusB = 1;
inline constexpr size_t kFixedEnd = 2;
inline constexpr size_t kFixedData = 4;  // also the smallest fixedEnd

inline constexpr uint8_t kCompressedBit = 0x01;
inline constexpr uint8_t kTypeMask = 0x0E;
inline constexpr int kTypeShift = 1;
inline constexpr uint8_t kNullBitmapBit = 0x10;
inline constexpr uint8_t kVariableColumnsBit = 0x20;
inline constexpr uint8_t kVersioningTagBit = 0x40;

inline constexpr uint16_t kComplexOffsetBit = 0x8000;
inline constexpr uint16_t kOffsetMask = 0x7FFF;

inline constexpr size_t kStubLength = 9;
inline constexpr size_t kStubPagePointer = 1;
inline constexpr size_t kStubSlot = 7;
// fixedLength of a forwarding stub whose row could not be reached.
inline constexpr int16_t kUnreachedStubLength = -5;

inline constexpr int kMaxRecordData = 8060;     // fixed parts and scan records stay below
inline constexpr int kMaxColumnCount = 1024;    // column and variable counts stay below
inline constexpr int kMaxValueOffset = 8191;    // no value offset or length above
inline constexpr int kComplexPointerLength = 16;  // LOB/row-overflow pointer: never a sparse vector

inline constexpr uint16_t kSparseVectorKind = 5;
inline constexpr size_t kSparseCount = 2;
inline constexpr size_t kSparseColumnIds = 4;

// Slot offsets the builders accept: below this the page header lies.
inline constexpr int kFirstRecordOffset = 96;
// Largest slot offset BuildOneRecord accepts.
inline constexpr int kLastOneRecordOffset = 8096;

// The deleted-record scan's fixed signature: status A 0x30 or 0x3C, status B 0,
// fixedEnd 132, read as one little-endian 32-bit value.
inline constexpr uint32_t kScanSignaturePlain = 0x00840030;
inline constexpr uint32_t kScanSignatureGhost = 0x0084003C;
inline constexpr int kScanStart = 96;
inline constexpr int kScanEnd = 8190;  // the scan looks at positions below this
}  // namespace record_layout

namespace record_type {
inline constexpr int kPrimary = 0;
inline constexpr int kForwarded = 1;
inline constexpr int kForwardingStub = 2;
inline constexpr int kIndex = 3;
inline constexpr int kLobFragment = 4;
inline constexpr int kGhostIndex = 5;
inline constexpr int kGhostData = 6;
inline constexpr int kGhostVersion = 7;
}  // namespace record_type

class CRecord {
 public:
  virtual ~CRecord() = default;
};

// One variable-length value. `data` empty means no value was copied (an empty
// column, or one whose offsets were out of range).
struct ColumnBytes {
  int32_t columnId = -1;  // set only for sparse-vector entries
  std::vector<uint8_t> data;
  int32_t length = 0;
  std::string name;
  bool isComplex = false;  // the end offset had its top bit set

  bool hasData() const { return !data.empty(); }
};

// A decoded sparse column vector; every entry has its columnId set.
struct SparseVector {
  uint16_t count = 0;
  std::vector<ColumnBytes> columns;
};

// Per-column state of a column-descriptor record (filled by the compressed
// record reader).
struct CompressedColumnState {
  bool isNull = false;
  int32_t length = 0;
};
struct CompressedLongOffset {
  uint16_t endOffset = 0;
  bool isComplex = false;
};

class CPrimaryRecord : public CRecord {
 public:
  CPrimaryRecord() = default;
  // Parses the record whose first byte is `recordBytes[0]`. Reads stay within
  // both `maxLength` and the view. `page` supplies the header checks and,
  // through its DatabaseFile, the engine state (showDeleted, cancelFlag) and
  // page reads for forwarding stubs; with no file the defaults apply
  // (showDeleted off, no stub can be followed). Never fails: problems mark the
  // record bad or leave parts empty.
  CPrimaryRecord(ByteView recordBytes, const CPage* page, uint16_t maxLength);
  ~CPrimaryRecord() override = default;

  // The record has fixed data and is longer than `minimum` bytes. Catalog
  // tables with "no minimum length" call it with 0, so a record of length 0
  // (column count 0 or out of range, e.g. the records of IAM pages) is never
  // a catalog row.
  bool MeetsMinimumLength(int32_t minimum) const {
    return !fixedData.empty() && recordLength > minimum;
  }
  // A row that was deleted: a ghost data record, or a record the
  // deleted-record scan found outside the slot array.
  bool isDeletedRow() const { return recordType == record_type::kGhostData || fromDeletedScan; }
  // Value k of a variable column, or null when the record has none.
  const ColumnBytes* varValue(size_t index) const {
    return index < varValues.size() ? &varValues[index] : nullptr;
  }

  int32_t recordType = 0;  // 2 as well for a row reached through a forwarding stub
  bool isCompressed = false;
  bool hasNullBitmap = false;
  bool hasVariableColumns = false;
  bool hasVersioningTag = false;
  bool isGhost = false;  // type 5, 6 or 7 while "Show deleted records" is off
  bool isBad = false;    // unusable: implausible page or refused record type

  std::vector<uint8_t> fixedData;
  int16_t fixedLength = 0;  // fixedEnd - 4; kUnreachedStubLength for a dead stub
  int16_t columnCount = 0;
  std::vector<uint8_t> nullBitmap;
  uint16_t varCount = 0;
  std::vector<uint16_t> varOffsets;  // top bit cleared
  std::vector<ColumnBytes> varValues;
  std::unique_ptr<SparseVector> sparseVector;
  // Bytes 0 .. recordLength - 1 (for a compressed record: the bytes the
  // compressed reader needs, see isCompressed).
  std::vector<uint8_t> rawRecord;
  int32_t recordLength = 0;
  uint16_t maxLength = 0;
  const CPage* page = nullptr;  // not owned

  // Where the record lies in its page (0 when parsed from a loose buffer),
  // and whether the deleted-record scan found it (it has no live slot).
  uint16_t pageOffset = 0;
  bool fromDeletedScan = false;
  // For a forwarding stub whose pointer could be read: where the row lies
  // (set whether or not the row was reached).
  std::optional<PageId> forwardedPage;
  int32_t forwardedSlot = -1;

  // Column-descriptor format, filled by the compressed record reader. Until it
  // runs, a record with isCompressed set keeps its bytes (up to maxLength, at
  // most one record's worth) in rawRecord and nothing else.
  std::vector<uint8_t> cdCodes;
  std::vector<CompressedLongOffset> longOffsets;
  std::vector<CompressedColumnState> columnState;
  int32_t longCount = 0;
  // After expansion (storage/compressed_record.h): one entry per column, the
  // value as an uncompressed row holds it; no data for NULL or unreadable.
  std::vector<ColumnBytes> expandedValues;
};

// Result of ParseForScan: the parsed record and the byte count it spans, or
// length -1 when the bytes cannot be stepped over.
struct ScanParse {
  std::unique_ptr<CPrimaryRecord> record;
  int32_t length = -1;
};

// The deleted-record scan's parse: maxLength 8060, no fixed part copied, no
// values kept; -1 for a compressed record, a forwarding stub, a refused type or
// a column count out of range.
ScanParse ParseForScan(ByteView recordBytes, const CPage* page);

// Decodes a sparse vector; null when the value is not one.
std::unique_ptr<SparseVector> DecodeSparseVector(ByteView value, const CPage* page);

// Builds the records of every slot of `page` into page.records (one entry per
// slot, null where a slot yields no record). Builds nothing for a page without
// a slot array or with an implausible header. The slot array is kept.
void BuildAllRecords(PrimaryRecordPage& page);
// Builds only slot `slotIndex` into page.records (used to follow forwarding
// stubs); appends nothing when the slot does not exist.
void BuildOneRecord(PrimaryRecordPage& page, int slotIndex);
// The deleted-record scan: when showDeleted and showAdvancedDeleted are both on
// and the page is plausible with a slot array, appends the offsets of deleted
// records found in the page's free space to the slot array (live slots first),
// records them in page.deletedOffsets, keeps the scan's parses in
// page.deletedRecords, and sets the header's slotCount to the new count.
void ScanDeletedRecords(PrimaryRecordPage& page);
// The all-slots construction of a page's records: deleted-record scan when
// enabled, then BuildAllRecords.
void BuildPageRecords(PrimaryRecordPage& page);

// True when the 4 bytes at `offset` of `page` start a record the deleted-record
// scan recognises: the fixed signatures, or status A 0x30/0x3C with status B 0
// and fixedEnd equal to the page header's minLen (real deleted rows carry their
// own table's fixed length; minLen is that length on the page), or status A
// 0x10/0x1C (no variable columns) with the same fixedEnd.
bool IsScanSignature(ByteView page, size_t offset, uint16_t minLen);

}  // namespace pagewright
