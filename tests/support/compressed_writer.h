// Writers of compressed rows and pages: CD records, anchor records, page
// dictionaries and compression-information blocks, laid out with the
// readers' constants (storage/compressed_record.h, compression_info.h,
// page_dictionary.h), plus encoders of the stored value forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/page_writer.h"

namespace pagewright::support {

// One column of a CD record to write.
struct CdEntry {
  enum class Kind { kNull, kEmpty, kShort, kLong, kBitOne, kSymbol, kRawCode };
  Kind kind = Kind::kNull;
  Bytes bytes;             // short value (1-8 bytes) or long value
  bool isComplex = false;  // long value: set bit 15 of its end offset
  uint8_t symbol = 0;      // dictionary entry number
  uint8_t rawCode = 0;     // kRawCode: this code with `bytes` as short data

  static CdEntry Null() { return {}; }
  static CdEntry Empty() { return {Kind::kEmpty, {}}; }
  // A value of 1-8 bytes in the short data, or a longer one in the long data.
  static CdEntry Value(Bytes bytes) {
    return {bytes.size() <= 8 && !bytes.empty() ? Kind::kShort : bytes.empty() ? Kind::kEmpty : Kind::kLong,
            std::move(bytes)};
  }
  static CdEntry Long(Bytes bytes, bool complex = false) { return {Kind::kLong, std::move(bytes), complex}; }
  static CdEntry BitOne() { return {Kind::kBitOne, {}}; }
  static CdEntry Symbol(uint8_t entry) { return {Kind::kSymbol, {}, false, entry}; }
  static CdEntry RawCode(uint8_t code, Bytes shortBytes = {}) {
    return {Kind::kRawCode, std::move(shortBytes), false, 0, code};
  }
};

struct CdRecordOptions {
  int recordType = 0;          // cd_record_type
  bool versioningTag = false;  // append a 14-byte tag
  bool twoByteCount = false;   // write the count in two bytes even below 0x80
  uint8_t longDataFlags = 0x01;
};

// A CD record with one entry per column, in column order.
Bytes BuildCdRecord(const std::vector<CdEntry>& columns, const CdRecordOptions& options = {});

// A page dictionary holding `entries` in order.
Bytes BuildPageDictionary(const std::vector<Bytes>& entries);

// A compression-information block: flags 0x02 with an anchor record, 0x04
// with a dictionary.
Bytes BuildCompressionInfo(const Bytes* anchorRecord, const Bytes* dictionary, uint16_t modificationCount = 1);

// A data page of a page-compressed rowset: typeFlagBits 0x80, `ci` at byte
// 96 and the records after it, one slot each.
PageImage BuildCompressedPage(const Bytes& ci, const std::vector<Bytes>& records, PageId pageId = {1, 100});

// --- Stored value forms ---------------------------------------------------
// Integer types: the shortest excess big-endian form; 0 gives no bytes.
Bytes CompressInteger(int64_t value);
// decimal / numeric: the vardecimal form of `unscaled` / 10^scale; 0 gives
// no bytes.
Bytes CompressDecimal(__int128 unscaled, int scale);
// Cut zero bytes from the front (low-order end of LE floats, smalldatetime)
// or from the back (date family, char/binary padding cut by the caller).
Bytes CutLeadingZeros(Bytes bytes);
Bytes CutTrailing(Bytes bytes, uint8_t pad);
// A page-compressed value of an anchored column: prefix length, suffix.
Bytes Prefixed(size_t prefixLength, const Bytes& suffix);

}  // namespace pagewright::support
