// The deleted-record scan of the advanced deleted mode: walks the record area
// of a page, stepping over every record that parses and searching for record
// signatures elsewhere, and adds the records it finds to the page's slots.
#include <algorithm>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"

namespace pagewright {

namespace {

using namespace record_layout;

constexpr uint8_t kSignatureStatusVariable = 0x30;       // null bitmap + variable columns
constexpr uint8_t kSignatureStatusVariableGhost = 0x3C;  // the same as a ghost data record
constexpr uint8_t kSignatureStatusFixed = 0x10;          // null bitmap only
constexpr uint8_t kSignatureStatusFixedGhost = 0x1C;

// Searches forward from `from` for a signature; the position found, or -1.
int FindSignature(ByteView page, int from, uint16_t minLen) {
  for (int at = std::max(from, 0); at < kScanEnd; ++at)
    if (IsScanSignature(page, static_cast<size_t>(at), minLen)) return at;
  return -1;
}

}  // namespace

bool IsScanSignature(ByteView page, size_t offset, uint16_t minLen) {
  auto word = page.u32_at(offset);
  if (!word) return false;
  if (*word == kScanSignaturePlain || *word == kScanSignatureGhost) return true;
  // Deleted rows carry their own table's fixed length, which the page header
  // keeps as minLen; the fixed signature's 132 is one table's shape only.
  if (minLen < kFixedData || minLen >= kMaxRecordData) return false;
  uint8_t statusA = static_cast<uint8_t>(*word & 0xFF);
  uint8_t statusB = static_cast<uint8_t>((*word >> 8) & 0xFF);
  uint16_t fixedEnd = static_cast<uint16_t>(*word >> 16);
  bool knownStatus = statusA == kSignatureStatusVariable || statusA == kSignatureStatusVariableGhost ||
                     statusA == kSignatureStatusFixed || statusA == kSignatureStatusFixedGhost;
  return knownStatus && statusB == 0 && fixedEnd == minLen;
}

void ScanDeletedRecords(PrimaryRecordPage& page) {
  if (!page.file || !page.header || page.slots.empty() || !page.header->IsPlausible()) return;
  const EngineState& state = page.file->state();
  if (!state.showDeleted.load(std::memory_order_relaxed) ||
      !state.showAdvancedDeleted.load(std::memory_order_relaxed))
    return;

  const ByteView bytes = page.bytes();
  const uint16_t minLen = page.header->minLen;
  std::vector<uint16_t> recovered = page.slots;
  const std::vector<uint16_t> live = page.slots;
  auto isLive = [&live](int offset) { return std::find(live.begin(), live.end(), offset) != live.end(); };

  int position = kScanStart;
  int lastSignature = -1;
  while (position < kScanEnd && !state.cancelFlag.load(std::memory_order_relaxed)) {
    ScanParse parse = ParseForScan(bytes.from(static_cast<size_t>(position)), &page);
    if (parse.length > 0) {
      if (!isLive(position) && recovered.size() < static_cast<size_t>(INT16_MAX)) {
        recovered.push_back(static_cast<uint16_t>(position));
        page.deletedOffsets.push_back(static_cast<uint16_t>(position));
        parse.record->pageOffset = static_cast<uint16_t>(position);
        parse.record->fromDeletedScan = true;
        page.deletedRecords.push_back(std::move(parse.record));
      }
      // The next record is tried where this one ends, signature or not: rows
      // of any shape that follow a row that parses are found that way.
      position += parse.length;
      continue;
    }
    // A signature that does not parse must not be found again.
    int searchFrom = position == lastSignature ? position + 1 : position;
    int found = FindSignature(bytes, searchFrom, minLen);
    if (found < 0) break;
    lastSignature = found;
    position = found;
  }

  page.slots = std::move(recovered);
  page.header->slotCount = static_cast<int16_t>(page.slots.size());
}

}  // namespace pagewright
