// Column-descriptor (CD) records: the row format of row- and page-compressed
// rowsets, their parse, and their expansion into the uncompressed shape the
// row decoders read.
//
// CD record layout (offsets from the record's first byte):
//   offset  width               field
//   0       1                   header
//                                 bit 0    1 = CD format
//                                 bit 1    a 14-byte versioning tag ends the record
//                                 bits 2-4 record type (cd_record_type below)
//                                 bit 5    a long-data region follows the short data
//   1       1 or 2              columnCount: one byte when below 0x80, else two
//                               bytes big-endian with the top bit as the flag:
//                               ((b1 & 0x7F) << 8) | b2
//   next    ceil(count / 2)     CD array, 4 bits per column: column i in the low
//                               nibble of byte i / 2 when i is even, else the high
//   next    (count - 1) / 30    short-data cluster array (one length byte per
//                               30-column group but the last; not needed here)
//   next                        short data: the values of codes 2-9 and 12, in
//                               column order, back to back
//   if bit 5: long-data region
//     +0    1                   flags (bit 0 set: offsets follow)
//     +1    2 LE                entry count = number of code-10 columns
//     +3    2 LE x count        end offset of each entry, cumulative, measured
//                               from the first long value; bit 15 = complex value
//     next  (count - 1) / 30    long-data cluster array (skipped)
//     next                      the long values, back to back
//   if bit 1: the 14-byte versioning tag
//
// There is no null bitmap: NULL is CD code 0.
//
// CD codes (cd_code below): 0 NULL, 1 empty / zero (for a page-compressed
// column with an anchor: the whole anchor value), 2-9 a short value of
// code - 1 bytes, 10 a value in the long-data region, 11 bit = 1, 12 a page
// dictionary symbol (one byte in the short data: the entry number). 13-15 do
// not occur and make the column unreadable.
//
// Page compression adds per-column prefixes: a value of a column whose anchor
// entry is not NULL starts with a prefix length L (one byte below 0x80, else
// two bytes ((b1 & 0x7F) << 8) | b2) and the value is the first L bytes of the
// anchor value followed by the rest. Expansion reads in reverse of writing:
// symbol, then prefix, then the type's stored form (storage/compressed_value.h).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "catalog/column_def.h"
#include "storage/byte_view.h"
#include "storage/record.h"

namespace pagewright {

struct CompressionInfo;  // storage/compression_info.h
class PrimaryRecordPage;

namespace cd_layout {
inline constexpr size_t kHeader = 0;
inline constexpr size_t kColumnCount = 1;

inline constexpr uint8_t kCdFormatBit = 0x01;
inline constexpr uint8_t kVersioningTagBit = 0x02;
inline constexpr int kRecordTypeShift = 2;
inline constexpr uint8_t kRecordTypeMask = 0x07;
inline constexpr uint8_t kLongDataBit = 0x20;

inline constexpr uint8_t kTwoByteCountFlag = 0x80;
inline constexpr int kColumnsPerCluster = 30;
inline constexpr int kMaxColumnCount = 1024;  // a count of 0 or above is bad
inline constexpr size_t kVersioningTagSize = 14;

// Long-data region, offsets from its first byte.
inline constexpr size_t kLongFlags = 0;
inline constexpr size_t kLongCount = 1;
inline constexpr size_t kLongOffsets = 3;
inline constexpr uint8_t kLongOffsetsPresent = 0x01;
inline constexpr uint16_t kLongComplexBit = 0x8000;
inline constexpr uint16_t kLongOffsetMask = 0x7FFF;

// Prefix length of a page-compressed value.
inline constexpr uint8_t kTwoBytePrefixFlag = 0x80;
}  // namespace cd_layout

namespace cd_code {
inline constexpr uint8_t kNull = 0;
inline constexpr uint8_t kEmpty = 1;
inline constexpr uint8_t kShortFirst = 2;  // 1 byte
inline constexpr uint8_t kShortLast = 9;   // 8 bytes
inline constexpr uint8_t kLong = 10;
inline constexpr uint8_t kBitOne = 11;
inline constexpr uint8_t kSymbol = 12;
}  // namespace cd_code

// Record types of header bits 2-4; they differ from the FixedVar types.
namespace cd_record_type {
inline constexpr int kPrimary = 0;
inline constexpr int kGhostEmpty = 1;
inline constexpr int kForwardingStub = 2;
inline constexpr int kGhostData = 3;
inline constexpr int kForwarded = 4;
inline constexpr int kGhostForwarded = 5;
inline constexpr int kIndex = 6;
inline constexpr int kGhostIndex = 7;
}  // namespace cd_record_type

// One column of a parsed CD record: its code and where its stored bytes lie
// in CdRecord::bytes (short data for codes 2-9 and 12, the long value for 10).
struct CdColumn {
  uint8_t code = cd_code::kNull;
  uint16_t offset = 0;
  uint16_t length = 0;
  bool isComplex = false;  // long value with bit 15 of its end offset set
  bool readable = true;    // false: the bytes the code announces are not there
};

// A parsed CD record. Owns a copy of its bytes (0 .. recordLength - 1).
struct CdRecord {
  uint8_t header = 0;
  int recordType = 0;  // cd_record_type
  bool hasVersioningTag = false;
  bool hasLongData = false;
  int columnCount = 0;
  std::vector<CdColumn> columns;
  std::vector<uint8_t> bytes;
  int32_t recordLength = 0;
  int32_t shortDataStart = 0;
  int32_t shortDataLength = 0;
  int32_t longCount = 0;
  // The header, count or CD array is unusable: nothing else was read.
  bool isBad = true;
  // Some announced bytes were missing; those columns are not readable.
  bool damaged = false;

  // The stored bytes of column `index` (empty for codes without bytes).
  ByteView Value(size_t index) const;
};

// Parses the CD record at the start of `bytes` (never reads past the view).
CdRecord ParseCdRecord(ByteView bytes);

// The FixedVar record type (record_type) that a CD record type stands for,
// as the row decoders and the ghost rules know them; -1 for a ghost record
// without data, which has no counterpart.
int EquivalentRecordType(int cdRecordType);

// Completes the parse of a record the record reader flagged isCompressed (its
// bytes are in rawRecord): re-derives recordType, isGhost and isBad from the CD
// header (the FixedVar type bits mean something else here), clears
// hasNullBitmap, and fills columnCount, cdCodes, longOffsets, longCount,
// recordLength, fixedData / fixedLength (the raw short data) and varValues (the
// raw long values). rawRecord is cut to recordLength. A record whose count or
// CD array is unusable is bad.
void ParseCompressedRecord(CPrimaryRecord& record, bool showDeleted);

// The CD array holds one entry per column of the rowset in the rowset's own
// column order (its hobt column ids 1, 2, ...), which is not the table's
// column order: a clustered index's key columns and the uniquifier of a
// non-unique one come first, and a dropped column keeps its entry until the
// rowset is rebuilt. The entry of a column is therefore found by its
// physicalColumnId (position physicalColumnId - 1); a column without one
// (physicalColumnId 0 or out of range) takes the entry at its place in the
// list.
size_t CdPosition(const ColumnDef& column, size_t listIndex);

// Expands a parsed CD record for the given list of stored columns (column j
// reads CD entry CdPosition(columns[j], j); a column whose entry lies past the
// record's count, one added after the row was written, is NULL), with the
// page's compression information when `compression` is not null. Afterwards:
//   columnState     one entry per listed column: isNull (code 0) and the
//                   length of the expanded value
//   expandedValues  one entry per listed column: the value exactly as an
//                   uncompressed row holds it (fixed types at their full width,
//                   bit as one byte 0 or 1, Unicode text as UTF-16LE, pointer
//                   structures unchanged with isComplex set); no data for NULL
//                   and for columns whose bytes could not be rebuilt
//   fixedData       the expanded values of the columns that are neither NULL
//                   nor long-data values, in list order, back to back; bit
//                   columns share bytes as in an uncompressed row (eight per
//                   byte in column order, least significant bit first, the
//                   byte at the place of the bit column that starts it);
//                   fixedLength its length
//   varValues       the expanded long-data values, in list order
// Only records of types primary, forwarded and ghost data are expanded.
void ExpandCompressedRecord(CPrimaryRecord& record, const CompressionInfo* compression,
                            std::span<const ColumnDef> columns);

// Expands every compressed record of `page` (records and deleted-scan
// records) that is not bad, reading the page's compression information first
// when the page has some and it was not read yet. Does nothing while the
// file's legacyCatalog flag is set; stops when its cancel flag is set.
void ExpandPageRecords(PrimaryRecordPage& page, std::span<const ColumnDef> columns);

}  // namespace pagewright
