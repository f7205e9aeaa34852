#include "support/record_writer.h"

#include <algorithm>
#include <stdexcept>

namespace pagewright::support {

using namespace record_layout;

int16_t FixedVarRecord::EffectiveColumnCount() const {
  if (columnCount) return *columnCount;
  return static_cast<int16_t>(varColumns.size() + (fixed.empty() ? 0 : 1));
}

uint8_t FixedVarRecord::StatusByteA() const {
  uint8_t status = static_cast<uint8_t>((recordType << kTypeShift) & kTypeMask);
  if (nullBitmap) status |= kNullBitmapBit;
  if (!varColumns.empty() || withVariableBit) status |= kVariableColumnsBit;
  if (versioningTag) status |= kVersioningTagBit;
  return status;
}

Bytes FixedVarRecord::Build() const {
  Bytes out;
  AppendU8(out, StatusByteA());
  AppendU8(out, 0);
  AppendU16(out, static_cast<uint16_t>(kFixedData + fixed.size()));
  AppendBytes(out, fixed);
  int16_t count = EffectiveColumnCount();
  AppendU16(out, static_cast<uint16_t>(count));
  if (nullBitmap) {
    Bytes bitmap(static_cast<size_t>(std::max(0, (count + 7) / 8)), 0);
    for (int column : nullColumns) {
      if (column < 0 || static_cast<size_t>(column / 8) >= bitmap.size())
        throw std::out_of_range("FixedVarRecord: null column outside the bitmap");
      bitmap[static_cast<size_t>(column / 8)] |= static_cast<uint8_t>(1u << (column % 8));
    }
    AppendBytes(out, bitmap);
  }
  if (!varColumns.empty() || withVariableBit) {
    // Without fixed data and null bitmap the reader takes varCount from
    // columnCount, so no count is stored.
    if (!fixed.empty() || nullBitmap) AppendU16(out, static_cast<uint16_t>(varColumns.size()));
    size_t end = out.size() + 2 * varColumns.size();
    for (const VarColumn& column : varColumns) {
      end += column.bytes.size();
      if (end > kOffsetMask) throw std::out_of_range("FixedVarRecord: values too long");
      AppendU16(out, static_cast<uint16_t>(end | (column.complex ? kComplexOffsetBit : 0)));
    }
    for (const VarColumn& column : varColumns) AppendBytes(out, column.bytes);
  }
  return out;
}

Bytes ForwardingStub(PageId target, int16_t slot) {
  Bytes out;
  AppendU8(out, static_cast<uint8_t>(record_type::kForwardingStub << kTypeShift));
  AppendU32(out, static_cast<uint32_t>(target.pageNo));
  AppendU16(out, static_cast<uint16_t>(target.fileId));
  AppendU16(out, static_cast<uint16_t>(slot));
  return out;
}

Bytes SparseVectorValue(const std::vector<std::pair<uint16_t, Bytes>>& columns) {
  Bytes out;
  AppendU16(out, kSparseVectorKind);
  AppendU16(out, static_cast<uint16_t>(columns.size()));
  for (const auto& column : columns) AppendU16(out, column.first);
  size_t end = kSparseColumnIds + 4 * columns.size();
  for (const auto& column : columns) {
    end += column.second.size();
    AppendU16(out, static_cast<uint16_t>(end));
  }
  for (const auto& column : columns) AppendBytes(out, column.second);
  return out;
}

int LeaveDeletedRecord(PageImage& page, const Bytes& record) {
  const Bytes& bytes = page.bytes();
  uint16_t freeData = static_cast<uint16_t>(bytes[page_layout::kFreeData] | (bytes[page_layout::kFreeData + 1] << 8));
  int16_t freeCount = static_cast<int16_t>(bytes[page_layout::kFreeCount] | (bytes[page_layout::kFreeCount + 1] << 8));
  size_t slotArrayStart = kPageSize - 2 * static_cast<size_t>(std::max(0, page.slotCount()));
  if (freeData + record.size() > slotArrayStart) return -1;
  if (!page.PlaceRecord(freeData, record)) return -1;
  page.SetFreeData(static_cast<uint16_t>(freeData + record.size()));
  page.SetFreeCount(static_cast<int16_t>(freeCount - static_cast<int16_t>(record.size())));
  return freeData;
}

}  // namespace pagewright::support
