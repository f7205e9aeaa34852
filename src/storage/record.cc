// The FixedVar record parse: full records (CPrimaryRecord) and the stepping
// parse of the deleted-record scan (ParseForScan). Layout: storage/record.h.
#include "storage/record.h"

#include <algorithm>
#include <limits>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record_parse.h"

namespace pagewright {

namespace {

using namespace record_layout;

constexpr int kHighestPageType = page_type::kHighestKnown;

struct ParseOptions {
  bool copyValues = true;  // false: step over the fixed part and the values only
  bool followStubs = true;
};

const EngineState* StateOf(const CPage* page) {
  return page && page->file ? &page->file->state() : nullptr;
}

bool Cancelled(const EngineState* state) {
  return state && state->cancelFlag.load(std::memory_order_relaxed);
}

bool ShowDeleted(const EngineState* state) {
  return state && state->showDeleted.load(std::memory_order_relaxed);
}

bool AcceptedType(int type, bool showDeleted) {
  return type == record_type::kPrimary || type == record_type::kForwarded ||
         type == record_type::kForwardingStub || (type == record_type::kGhostData && showDeleted);
}

bool IsGhostType(int type) {
  return type == record_type::kGhostIndex || type == record_type::kGhostData ||
         type == record_type::kGhostVersion;
}

int16_t ClampToInt16(int value) {
  if (value > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (value < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(value);
}

// The one parse behind both entry points. `record` receives every part;
// returns the stepped length for the scan (or -1 where it cannot step).
class RecordParser {
 public:
  RecordParser(CPrimaryRecord& record, const CPage* page, ParseOptions options)
      : record_(record), page_(page), state_(StateOf(page)), options_(options) {}

  // Steps 1-3: page header checks, status byte A, the type filter. False when
  // the record is bad.
  bool DecodeStatus(ByteView bytes) {
    if (page_ && page_->header &&
        (page_->header->pageId.pageNo < 0 || page_->header->type > kHighestPageType)) {
      record_.isBad = true;
      return false;
    }
    auto statusA = bytes.u8_at(kStatusA);
    if (!statusA) {
      record_.isBad = true;
      return false;
    }
    SetStatusFlags(*statusA);
    int type = record_.recordType;
    record_.isGhost = IsGhostType(type) && !ShowDeleted(state_);
    if (!AcceptedType(type, ShowDeleted(state_))) {
      record_.isBad = true;
      return false;
    }
    return true;
  }

  void SetStatusFlags(uint8_t statusA) {
    record_.recordType = (statusA & kTypeMask) >> kTypeShift;
    record_.isCompressed = (statusA & kCompressedBit) != 0;
    record_.hasNullBitmap = (statusA & kNullBitmapBit) != 0;
    record_.hasVariableColumns = (statusA & kVariableColumnsBit) != 0;
    record_.hasVersioningTag = (statusA & kVersioningTagBit) != 0;
  }

  // Steps 6-8 over `bytes` (already limited to maxLength). Returns the final
  // position, or -1 when the column count was refused.
  int32_t ParseBody(ByteView bytes, int type) {
    const int limit = static_cast<int>(bytes.size());
    int fixedEnd = bytes.u16_or(kFixedEnd, 0);
    int fixedLength = fixedEnd - static_cast<int>(kFixedData);
    // A fixedEnd above 32771 would wrap to a negative int16 and could pose as
    // the unreached-stub marker.
    record_.fixedLength = ClampToInt16(fixedLength);

    int position = static_cast<int>(kFixedData);
    bool fixedTaken = false;
    if (fixedLength > 0 && fixedLength < kMaxRecordData && type != record_type::kIndex) {
      if (!options_.copyValues) {
        position += fixedLength;
        fixedTaken = true;
      } else if (fixedLength <= limit && bytes.has(kFixedData, static_cast<size_t>(fixedLength))) {
        record_.fixedData = bytes.copy(kFixedData, static_cast<size_t>(fixedLength));
        position += fixedLength;
        fixedTaken = true;
      }
    }

    if (type == record_type::kIndex) return -1;
    record_.columnCount = bytes.i16_or(static_cast<size_t>(position), 0);
    int columnCount = record_.columnCount;
    if (columnCount <= 0 || columnCount >= kMaxColumnCount) return -1;
    position += 2;

    if (record_.hasNullBitmap) {
      size_t bitmapLength = static_cast<size_t>((columnCount + 7) / 8);
      if (options_.copyValues) record_.nullBitmap = bytes.copy(static_cast<size_t>(position), bitmapLength);
      position += static_cast<int>(bitmapLength);
    }
    if (record_.hasVariableColumns) position = ParseVariablePart(bytes, position, fixedTaken);
    return position;
  }

 private:
  int ParseVariablePart(ByteView bytes, int position, bool fixedTaken) {
    const int limit = static_cast<int>(bytes.size());
    int columnCount = record_.columnCount;
    int varCount = columnCount;
    if (fixedTaken || record_.hasNullBitmap) {
      varCount = position + 2 <= limit ? bytes.u16_or(static_cast<size_t>(position), 0) : 0;
      position += 2;
    }
    // A count above the column count means the position itself is lost.
    if (varCount > columnCount) {
      varCount = 0;
      position = 0;
    }
    record_.varCount = static_cast<uint16_t>(varCount);
    if (varCount <= 0 || varCount >= kMaxColumnCount) return position;

    std::vector<uint16_t> rawOffsets(static_cast<size_t>(varCount), 0);
    for (int column = 0; column < varCount; ++column) {
      int at = position + 2 * column;
      if (at + 2 <= limit) rawOffsets[static_cast<size_t>(column)] = bytes.u16_or(static_cast<size_t>(at), 0);
    }
    position += 2 * varCount;
    if (options_.copyValues) {
      record_.varOffsets.reserve(rawOffsets.size());
      for (uint16_t raw : rawOffsets) record_.varOffsets.push_back(raw & kOffsetMask);
      record_.varValues.reserve(rawOffsets.size());
    }

    for (uint16_t raw : rawOffsets) {
      if (Cancelled(state_)) break;
      ColumnBytes value;
      value.isComplex = (raw & kComplexOffsetBit) != 0;
      int end = raw & kOffsetMask;
      int start = position;
      bool usable = end > start && end <= limit && end <= kMaxValueOffset && start >= 1 &&
                    start <= kMaxValueOffset;
      if (usable) {
        if (options_.copyValues) {
          value.data = bytes.copy(static_cast<size_t>(start), static_cast<size_t>(end - start));
          value.length = static_cast<int32_t>(value.data.size());
          if (value.isComplex && value.length != kComplexPointerLength && !value.data.empty() &&
              value.data[0] == kSparseVectorKind)
            record_.sparseVector = DecodeSparseVector(ByteView(value.data), page_);
        }
        position = end;
      }
      if (options_.copyValues) record_.varValues.push_back(std::move(value));
    }
    return position;
  }

  CPrimaryRecord& record_;
  const CPage* page_;
  const EngineState* state_;
  ParseOptions options_;
};

// Follows a forwarding stub one step. Returns the moved row's bytes, or
// nothing when the row cannot be reached (then the caller marks the record).
std::optional<std::vector<uint8_t>> FollowStub(ByteView stub, const CPage* page, CPrimaryRecord& record) {
  if (!page || !page->file) return std::nullopt;
  auto target = ReadPagePointer(stub, kStubPagePointer);
  auto slot = stub.i16_at(kStubSlot);
  if (!target || !slot) return std::nullopt;
  record.forwardedPage = *target;
  record.forwardedSlot = *slot;
  if (*slot < 0) return std::nullopt;

  auto buffer = page->file->ReadPage(*target);
  if (!buffer) return std::nullopt;
  PrimaryRecordPage temporary(std::move(buffer), page->file);
  // BuildOneRecord never follows a stub: a forwarded row is never itself a
  // stub, so a stub found there is damage (or a loop) and ends the walk.
  BuildOneRecord(temporary, *slot);
  if (temporary.records.empty()) return std::nullopt;
  auto* moved = dynamic_cast<CPrimaryRecord*>(temporary.records.back().get());
  // A compressed row has no recordLength until the compressed reader parses it.
  if (!moved || (moved->recordLength < 1 && !moved->isCompressed) || moved->rawRecord.empty()) return std::nullopt;
  return std::move(moved->rawRecord);
}

void ParseRecord(CPrimaryRecord& record, ByteView recordBytes, const CPage* page, uint16_t maxLength,
                 bool followStubs) {
  record.page = page;
  record.maxLength = maxLength;
  ByteView bytes = recordBytes.clip(0, maxLength);
  RecordParser parser(record, page, ParseOptions{true, followStubs});
  if (!parser.DecodeStatus(bytes)) return;

  if (record.isCompressed) {
    // The column-descriptor reader takes over from these bytes.
    record.rawRecord = bytes.to_vector();
    return;
  }

  std::vector<uint8_t> movedRow;
  if (record.recordType == record_type::kForwardingStub) {
    std::optional<std::vector<uint8_t>> moved;
    if (followStubs) moved = FollowStub(bytes, page, record);
    if (!moved) {
      record.fixedLength = kUnreachedStubLength;
      return;
    }
    movedRow = std::move(*moved);
    bytes = ByteView(movedRow);
    // The moved row is parsed whole: its length, not the stub's room in its
    // page, bounds the reads.
    record.maxLength = static_cast<uint16_t>(std::min<size_t>(movedRow.size(), kPageSize));
    parser.SetStatusFlags(movedRow[kStatusA]);
    record.recordType = record_type::kForwardingStub;
    // A moved column-descriptor row goes to the compressed record reader
    // like any other, from its own bytes.
    if (record.isCompressed) {
      record.rawRecord = std::move(movedRow);
      return;
    }
  }

  int32_t end = parser.ParseBody(bytes, record.recordType);
  if (end < 0) return;
  record.recordLength = end;
  if (end > 0 && static_cast<size_t>(end) <= bytes.size()) record.rawRecord = bytes.copy(0, static_cast<size_t>(end));
}

}  // namespace

CPrimaryRecord::CPrimaryRecord(ByteView recordBytes, const CPage* owner, uint16_t available) {
  ParseRecord(*this, recordBytes, owner, available, true);
}

namespace record_internal {
// The parse without following stubs, for the one-slot builder.
std::unique_ptr<CPrimaryRecord> ParseWithoutFollowing(ByteView recordBytes, const CPage* page, uint16_t maxLength) {
  auto record = std::make_unique<CPrimaryRecord>();
  ParseRecord(*record, recordBytes, page, maxLength, false);
  return record;
}
}  // namespace record_internal

ScanParse ParseForScan(ByteView recordBytes, const CPage* page) {
  ScanParse result;
  result.record = std::make_unique<CPrimaryRecord>();
  CPrimaryRecord& record = *result.record;
  record.page = page;
  record.maxLength = kMaxRecordData;
  ByteView bytes = recordBytes.clip(0, kMaxRecordData);
  RecordParser parser(record, page, ParseOptions{false, false});
  if (!parser.DecodeStatus(bytes)) return result;
  if (record.isCompressed || record.recordType == record_type::kForwardingStub) return result;
  int32_t end = parser.ParseBody(bytes, record.recordType);
  if (end < 0) return result;
  record.recordLength = end;
  result.length = end;
  return result;
}

std::unique_ptr<SparseVector> DecodeSparseVector(ByteView value, const CPage* page) {
  const EngineState* state = StateOf(page);
  auto vector = std::make_unique<SparseVector>();
  vector->count = value.u16_or(kSparseCount, 0);
  const size_t count = vector->count;
  const size_t offsetsStart = kSparseColumnIds + 2 * count;
  const size_t valuesStart = kSparseColumnIds + 4 * count;
  if (!(offsetsStart < kPageSize && valuesStart < kPageSize && value.size() > kSparseColumnIds &&
        value.size() > offsetsStart))
    return vector;

  size_t previousEnd = valuesStart;
  vector->columns.reserve(count);
  for (size_t entry = 0; entry < count; ++entry) {
    if (Cancelled(state)) break;
    ColumnBytes column;
    column.columnId = value.u16_or(kSparseColumnIds + 2 * entry, 0);
    auto endOffset = value.u16_at(offsetsStart + 2 * entry);
    size_t end = endOffset.value_or(0);
    if (endOffset && previousEnd < end && end - previousEnd <= static_cast<size_t>(kMaxRecordData) &&
        previousEnd <= static_cast<size_t>(kMaxRecordData - 1) && end <= value.size()) {
      column.data = value.copy(previousEnd, end - previousEnd);
      column.length = static_cast<int32_t>(column.data.size());
    }
    vector->columns.push_back(std::move(column));
    previousEnd = end;
  }
  return vector;
}

}  // namespace pagewright
