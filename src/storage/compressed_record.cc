#include "storage/compressed_record.h"

#include <algorithm>
#include <limits>

#include "catalog/database_file.h"
#include "storage/compressed_value.h"
#include "storage/compression_info.h"
#include "storage/page.h"
#include "values/type_codes.h"

namespace pagewright {
namespace {

using namespace cd_layout;

constexpr int32_t kBitTypeCode = type_code::kBit;

size_t ShortLength(uint8_t code) {
  if (code >= cd_code::kShortFirst && code <= cd_code::kShortLast) return code - 1u;
  return code == cd_code::kSymbol ? 1 : 0;
}

// Reads the long-data region at `position`; returns the position after it, or
// nothing when its header is unusable (the long columns stay unreadable).
std::optional<size_t> ParseLongData(ByteView bytes, size_t position, CdRecord& record) {
  auto flags = bytes.u8_at(position + kLongFlags);
  auto count = bytes.u16_at(position + kLongCount);
  if (!flags || !count || (*flags & kLongOffsetsPresent) == 0) return std::nullopt;
  size_t offsets = position + kLongOffsets;
  size_t clusters = static_cast<size_t>((record.columnCount - 1) / kColumnsPerCluster);
  size_t dataStart = offsets + 2 * static_cast<size_t>(*count) + clusters;
  if (!bytes.has(0, dataStart)) return std::nullopt;
  if (*count != record.longCount) record.damaged = true;

  size_t entry = 0;
  size_t previousEnd = 0;
  size_t end = dataStart;
  for (CdColumn& column : record.columns) {
    if (column.code != cd_code::kLong) continue;
    if (entry >= *count) {
      column.readable = false;
      continue;
    }
    uint16_t raw = bytes.u16_or(offsets + 2 * entry);
    ++entry;
    size_t valueEnd = raw & kLongOffsetMask;
    column.isComplex = (raw & kLongComplexBit) != 0;
    // Offsets only grow; one that runs back or past the bytes leaves the
    // start of every later value unknown.
    if (valueEnd < previousEnd || !bytes.has(dataStart, valueEnd) || previousEnd == SIZE_MAX) {
      column.readable = false;
      previousEnd = SIZE_MAX;
      continue;
    }
    column.offset = static_cast<uint16_t>(dataStart + previousEnd);
    column.length = static_cast<uint16_t>(valueEnd - previousEnd);
    previousEnd = valueEnd;
    end = dataStart + valueEnd;
  }
  if (previousEnd == SIZE_MAX) {
    record.damaged = true;
    return end;
  }
  // Entries past the code-10 columns still occupy bytes.
  for (; entry < *count; ++entry) {
    size_t valueEnd = bytes.u16_or(offsets + 2 * entry) & kLongOffsetMask;
    if (valueEnd >= previousEnd && bytes.has(dataStart, valueEnd)) {
      previousEnd = valueEnd;
      end = dataStart + valueEnd;
    }
  }
  return end;
}

}  // namespace

ByteView CdRecord::Value(size_t index) const {
  if (index >= columns.size() || !columns[index].readable) return ByteView();
  return ByteView(bytes).clip(columns[index].offset, columns[index].length);
}

CdRecord ParseCdRecord(ByteView bytes) {
  CdRecord record;
  auto header = bytes.u8_at(kHeader);
  auto countByte = bytes.u8_at(kColumnCount);
  if (!header || !countByte || (*header & kCdFormatBit) == 0) return record;
  record.header = *header;
  record.recordType = (*header >> kRecordTypeShift) & kRecordTypeMask;
  record.hasVersioningTag = (*header & kVersioningTagBit) != 0;
  record.hasLongData = (*header & kLongDataBit) != 0;

  size_t position = kColumnCount + 1;
  int count = *countByte;
  if (count & kTwoByteCountFlag) {
    // Two bytes, big-endian, top bit the flag. (Read little-endian and
    // unmasked, counts 256-383 could not be written at all.)
    auto low = bytes.u8_at(kColumnCount + 1);
    if (!low) return record;
    count = ((count & 0x7F) << 8) | *low;
    ++position;
  }
  if (count <= 0 || count > kMaxColumnCount) return record;
  record.columnCount = count;

  const size_t cdArrayLength = (static_cast<size_t>(count) + 1) / 2;
  if (!bytes.has(position, cdArrayLength)) return record;
  record.columns.resize(static_cast<size_t>(count));
  for (int index = 0; index < count; ++index) {
    uint8_t pair = bytes[position + static_cast<size_t>(index / 2)];
    record.columns[static_cast<size_t>(index)].code = (index % 2 == 0) ? (pair & 0x0F) : (pair >> 4);
  }
  position += cdArrayLength + static_cast<size_t>((count - 1) / kColumnsPerCluster);
  record.isBad = false;

  // Short data, in column order.
  record.shortDataStart = static_cast<int32_t>(position);
  for (CdColumn& column : record.columns) {
    if (column.code == cd_code::kLong) ++record.longCount;
    if (column.code > cd_code::kSymbol) {
      column.readable = false;
      record.damaged = true;
      continue;
    }
    size_t length = ShortLength(column.code);
    if (length == 0) continue;
    if (!bytes.has(position, length)) {
      column.readable = false;
      record.damaged = true;
      position = bytes.size();
      continue;
    }
    column.offset = static_cast<uint16_t>(position);
    column.length = static_cast<uint16_t>(length);
    position += length;
  }
  record.shortDataLength = static_cast<int32_t>(position) - record.shortDataStart;

  if (record.hasLongData) {
    auto end = ParseLongData(bytes, position, record);
    if (end) {
      position = *end;
    } else {
      record.damaged = true;
      for (CdColumn& column : record.columns)
        if (column.code == cd_code::kLong) column.readable = false;
    }
  } else if (record.longCount > 0) {
    record.damaged = true;  // long values announced without a region
    for (CdColumn& column : record.columns)
      if (column.code == cd_code::kLong) column.readable = false;
  }
  if (record.hasVersioningTag) {
    if (bytes.has(position, kVersioningTagSize)) position += kVersioningTagSize;
    else record.damaged = true;
  }
  record.recordLength = static_cast<int32_t>(std::min(position, bytes.size()));
  record.bytes = bytes.copy(0, static_cast<size_t>(record.recordLength));
  return record;
}

int EquivalentRecordType(int cdRecordType) {
  switch (cdRecordType) {
    case cd_record_type::kPrimary: return record_type::kPrimary;
    case cd_record_type::kForwardingStub: return record_type::kForwardingStub;
    case cd_record_type::kGhostData:
    case cd_record_type::kGhostForwarded: return record_type::kGhostData;
    case cd_record_type::kForwarded: return record_type::kForwarded;
    case cd_record_type::kIndex: return record_type::kIndex;
    case cd_record_type::kGhostIndex: return record_type::kGhostIndex;
    default: return -1;
  }
}

void ParseCompressedRecord(CPrimaryRecord& record, bool showDeleted) {
  CdRecord cd = ParseCdRecord(ByteView(record.rawRecord));
  record.hasNullBitmap = false;
  record.nullBitmap.clear();
  record.hasVersioningTag = cd.hasVersioningTag;
  record.hasVariableColumns = cd.hasLongData;
  if (cd.isBad) {
    record.isBad = true;
    return;
  }
  record.recordType = EquivalentRecordType(cd.recordType);
  const bool ghost = cd.recordType == cd_record_type::kGhostData ||
                     cd.recordType == cd_record_type::kGhostForwarded ||
                     cd.recordType == cd_record_type::kGhostIndex || cd.recordType == cd_record_type::kGhostEmpty;
  record.isGhost = ghost && !showDeleted;
  // Ghosts count as refused types unless deleted records are shown; a ghost
  // without data and a stub (never seen compressed) carry no row.
  record.isBad = record.isGhost || cd.recordType == cd_record_type::kGhostEmpty ||
                 cd.recordType == cd_record_type::kForwardingStub;
  if (record.recordType < 0) record.recordType = record_type::kGhostData;
  if (record.forwardedPage) record.recordType = record_type::kForwardingStub;  // reached through a stub

  record.columnCount = static_cast<int16_t>(cd.columnCount);
  record.cdCodes.clear();
  record.longOffsets.clear();
  record.varValues.clear();
  record.cdCodes.reserve(cd.columns.size());
  size_t longEnd = 0;
  for (size_t index = 0; index < cd.columns.size(); ++index) {
    const CdColumn& column = cd.columns[index];
    record.cdCodes.push_back(column.code);
    if (column.code != cd_code::kLong) continue;
    ColumnBytes value;
    value.isComplex = column.isComplex;
    if (column.readable) {
      value.data = cd.Value(index).to_vector();
      value.length = column.length;
      longEnd += column.length;
    }
    record.longOffsets.push_back({static_cast<uint16_t>(longEnd), column.isComplex});
    record.varValues.push_back(std::move(value));
  }
  record.longCount = cd.longCount;
  record.varCount = static_cast<uint16_t>(record.varValues.size());
  record.fixedData = ByteView(cd.bytes).copy(static_cast<size_t>(cd.shortDataStart),
                                              static_cast<size_t>(cd.shortDataLength));
  record.fixedLength = static_cast<int16_t>(record.fixedData.size());
  record.recordLength = cd.recordLength;
  record.rawRecord = std::move(cd.bytes);
}

namespace {

// The value of an anchored column: the first L bytes of the anchor value,
// then the stored bytes after L. Nothing when L does not fit.
std::optional<std::vector<uint8_t>> ApplyPrefix(ByteView stored, const AnchorValue& anchor) {
  if (stored.empty() || !anchor.readable) return std::nullopt;
  size_t prefixLength = stored[0];
  size_t suffixStart = 1;
  if (prefixLength & kTwoBytePrefixFlag) {
    if (stored.size() < 2) return std::nullopt;
    prefixLength = ((prefixLength & 0x7F) << 8) | stored[1];
    suffixStart = 2;
  }
  if (prefixLength > anchor.bytes.size()) return std::nullopt;
  std::vector<uint8_t> value(anchor.bytes.begin(), anchor.bytes.begin() + static_cast<ptrdiff_t>(prefixLength));
  ByteView suffix = stored.from(suffixStart);
  value.insert(value.end(), suffix.data(), suffix.data() + suffix.size());
  return value;
}

struct ColumnResult {
  bool isNull = false;
  bool isLong = false;
  bool isComplex = false;
  bool readable = true;
  std::vector<uint8_t> bytes;
};

ColumnResult ExpandColumn(const CdRecord& cd, size_t index, const ColumnDef& column,
                          const CompressionInfo* compression) {
  ColumnResult result;
  const CdColumn& entry = cd.columns[index];
  const AnchorValue* anchor = compression ? compression->Anchor(index) : nullptr;
  const bool bitColumn = column.typeCode == kBitTypeCode;
  if (entry.code == cd_code::kNull) {
    result.isNull = true;
    return result;
  }
  if (!entry.readable) {
    result.readable = false;
    result.isLong = entry.code == cd_code::kLong;
    return result;
  }

  // The row-compressed bytes of the value, with symbol and prefix resolved.
  std::vector<uint8_t> stored;
  bool bitOne = false;
  bool prefixed = false;
  switch (entry.code) {
    case cd_code::kEmpty:
      if (anchor && !bitColumn) {
        if (!anchor->readable) {
          result.readable = false;
          return result;
        }
        stored = anchor->bytes;
      }
      break;
    case cd_code::kBitOne:
      if (!bitColumn) {
        result.readable = false;
        return result;
      }
      bitOne = true;
      break;
    case cd_code::kSymbol: {
      const std::vector<uint8_t>* symbolEntry =
          compression && compression->dictionary ? compression->dictionary->Entry(cd.Value(index)[0]) : nullptr;
      if (!symbolEntry) {
        result.readable = false;
        return result;
      }
      stored = *symbolEntry;
      prefixed = anchor != nullptr;
      break;
    }
    case cd_code::kLong:
      result.isLong = true;
      result.isComplex = entry.isComplex;
      stored = cd.Value(index).to_vector();
      // A pointer structure is no value of the column's type.
      if (entry.isComplex) {
        result.bytes = std::move(stored);
        return result;
      }
      prefixed = anchor != nullptr;
      break;
    default:  // short values
      stored = cd.Value(index).to_vector();
      prefixed = anchor != nullptr && !bitColumn;
      break;
  }
  if (prefixed) {
    auto rebuilt = ApplyPrefix(ByteView(stored), *anchor);
    if (!rebuilt) {
      result.readable = false;
      return result;
    }
    stored = std::move(*rebuilt);
  }
  ExpandedValue value = ExpandCompressedValue(column, ByteView(stored), bitOne);
  // A damaged value that still rebuilt bytes is shown; without bytes it is
  // unreadable rather than a false zero.
  if (value.damaged && value.bytes.empty()) {
    result.readable = false;
    return result;
  }
  result.bytes = std::move(value.bytes);
  return result;
}

}  // namespace

size_t CdPosition(const ColumnDef& column, size_t listIndex) {
  if (column.physicalColumnId >= 1 && column.physicalColumnId <= cd_layout::kMaxColumnCount)
    return static_cast<size_t>(column.physicalColumnId - 1);
  return listIndex;
}

namespace {

bool ExpandableType(int recordType) {
  return recordType == record_type::kPrimary || recordType == record_type::kForwarded ||
         recordType == record_type::kGhostData || recordType == record_type::kForwardingStub;
}

bool IsParsed(const CPrimaryRecord& record) { return !record.cdCodes.empty() || record.isBad; }

}  // namespace

void ExpandCompressedRecord(CPrimaryRecord& record, const CompressionInfo* compression,
                            std::span<const ColumnDef> columns) {
  if (!record.isCompressed || record.isBad || !ExpandableType(record.recordType)) return;
  CdRecord cd = ParseCdRecord(ByteView(record.rawRecord));
  if (cd.isBad) return;

  record.columnState.clear();
  record.expandedValues.clear();
  record.varValues.clear();
  record.fixedData.clear();
  record.columnState.reserve(columns.size());
  record.expandedValues.reserve(columns.size());

  constexpr int kNoBitByte = 8;
  int bitIndex = kNoBitByte;
  size_t bitByte = 0;
  for (size_t index = 0; index < columns.size(); ++index) {
    const ColumnDef& column = columns[index];
    const size_t position = CdPosition(column, index);
    ColumnResult result;
    // A column added after the row was written has no entry: NULL.
    if (position < cd.columns.size()) {
      result = ExpandColumn(cd, position, column, compression);
    } else {
      result.isNull = true;
    }

    CompressedColumnState state;
    state.isNull = result.isNull;
    state.length = static_cast<int32_t>(result.bytes.size());
    record.columnState.push_back(state);

    ColumnBytes expanded;
    expanded.isComplex = result.isComplex;
    expanded.length = static_cast<int32_t>(result.bytes.size());
    expanded.data = result.bytes;
    if (result.isLong) {
      ColumnBytes longValue = expanded;
      record.varValues.push_back(std::move(longValue));
    } else if (!result.isNull && result.readable) {
      if (column.typeCode == kBitTypeCode) {
        if (bitIndex == kNoBitByte) {
          bitIndex = 0;
          bitByte = record.fixedData.size();
          record.fixedData.push_back(0);
        }
        if (!result.bytes.empty() && result.bytes[0]) record.fixedData[bitByte] |= static_cast<uint8_t>(1u << bitIndex);
        ++bitIndex;
      } else if (record.fixedData.size() + result.bytes.size() <=
                 static_cast<size_t>(std::numeric_limits<int16_t>::max())) {
        // Past what fixedLength can count only expandedValues hold the value;
        // no real row comes near it.
        record.fixedData.insert(record.fixedData.end(), result.bytes.begin(), result.bytes.end());
      }
    }
    record.expandedValues.push_back(std::move(expanded));
  }
  record.fixedLength = static_cast<int16_t>(record.fixedData.size());
  record.varCount = static_cast<uint16_t>(record.varValues.size());
}

void ExpandPageRecords(PrimaryRecordPage& page, std::span<const ColumnDef> columns) {
  const EngineState* state = page.file ? &page.file->state() : nullptr;
  if (state && state->legacyCatalog.load(std::memory_order_relaxed)) return;
  const bool showDeleted = state && state->showDeleted.load(std::memory_order_relaxed);
  const CompressionInfo* compression = nullptr;
  bool compressionRead = false;
  for (auto* list : {&page.records, &page.deletedRecords}) {
    for (auto& entry : *list) {
      if (state && state->cancelFlag.load(std::memory_order_relaxed)) return;
      auto* record = dynamic_cast<CPrimaryRecord*>(entry.get());
      if (!record || !record->isCompressed || record->isBad) continue;
      if (!IsParsed(*record)) ParseCompressedRecord(*record, showDeleted);
      if (!compressionRead) {
        compression = ReadCompressionInfo(page);
        compressionRead = true;
      }
      // A row reached through a forwarding stub lies on another page and
      // takes that page's compression information.
      if (record->forwardedPage) {
        std::shared_ptr<CompressionInfo> moved =
            page.file ? ReadCompressionInfoOfPage(*page.file, *record->forwardedPage) : nullptr;
        ExpandCompressedRecord(*record, moved.get(), columns);
        continue;
      }
      ExpandCompressedRecord(*record, compression, columns);
    }
  }
}

}  // namespace pagewright
