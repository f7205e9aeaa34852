// Record writer: FixedVar records, forwarding stubs, sparse vectors, ghost
// records and deleted rows left in a page's free space, laid out with the
// reader's own constants (storage/record.h, record_layout::), and placed on
// pages with PageImage (page_writer.h).
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "storage/page_id.h"
#include "storage/record.h"
#include "support/page_writer.h"

namespace pagewright::support {

// One variable-length column: its bytes and whether its end offset carries the
// complex flag (LOB or row-overflow pointer, sparse vector, back pointer).
struct VarColumn {
  Bytes bytes;
  bool complex = false;
};

// A FixedVar record. Build() writes, in order: status byte A, status byte B
// (0), fixedEnd = 4 + fixed.size(), the fixed part, columnCount, the null
// bitmap (when nullBitmap), varCount (unless there is neither a fixed part nor
// a null bitmap) and the end offsets (when varColumns is not empty, or
// withVariableBit), then the values.
struct FixedVarRecord {
  int recordType = record_type::kPrimary;
  Bytes fixed;
  // Default: one column per fixed part (when present) plus the var columns.
  std::optional<int16_t> columnCount;
  bool nullBitmap = true;
  std::vector<int> nullColumns;  // columns whose null bit is set
  std::vector<VarColumn> varColumns;
  bool withVariableBit = false;  // set bit 5 even without var columns
  bool versioningTag = false;

  int16_t EffectiveColumnCount() const;
  uint8_t StatusByteA() const;
  Bytes Build() const;
};

// A forwarding stub (record type 2) pointing at `target`, slot `slot`.
Bytes ForwardingStub(PageId target, int16_t slot);

// A sparse vector value: kind 5, the count, the column ids, the end offsets
// (from the vector start), then the values. Use it as a complex var column.
Bytes SparseVectorValue(const std::vector<std::pair<uint16_t, Bytes>>& columns);

// Writes `record` at the page's freeData without a slot, as a row that was
// deleted and whose slot is gone, and moves freeData (and freeCount) past it.
// Returns its offset, or -1 when it does not fit.
int LeaveDeletedRecord(PageImage& page, const Bytes& record);

}  // namespace pagewright::support
