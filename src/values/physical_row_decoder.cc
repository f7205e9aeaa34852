// The physical-layout decoder: 2008+ tables whose physical column rows give
// each column's leafOffset and nullBit.
#include "values/row_decoder_internal.h"
#include "values/value_format.h"

namespace pagewright::row_decoding {
namespace {

// A fixed value: at its leafOffset when that lies within the fixed part, else
// at the running position. Advances the running position.
ValueText DecodePhysicalFixed(const PageEnv& env, const CPrimaryRecord& record, RecordCursor& cursor,
                              ValueLayout& layout, const ColumnDef& column) {
  ValueText value;
  value.read = true;
  ++cursor.handled;
  if (record.fixedData.empty()) {
    cursor.fixedPosition += layout.storageWidth;
    return value;
  }
  const int32_t leafPosition = static_cast<int32_t>(column.leafOffset) - 4;
  if (FormatFixedAt(env, record, leafPosition, layout, column, value.text) ||
      (cursor.fixedPosition < FixedPartLength(record) &&
       FormatFixedAt(env, record, cursor.fixedPosition, layout, column, value.text))) {
    cursor.fixedPosition += layout.consumedLength;
  }
  return value;
}

// The null bit of the column: its nullBit when that lies within the record's
// columns, else one derived from its physical column id.
int64_t NullBitIndex(const ColumnDef& column, int32_t columnCount, int32_t sparseCount) {
  if (column.nullBit > 0 && column.nullBit <= columnCount) return column.nullBit - 1;
  const int64_t derived = static_cast<int64_t>(column.physicalColumnId) - sparseCount - 1;
  if (derived > 0 && derived <= columnCount) return derived;
  return sparseCount;
}

}  // namespace

void DecodePhysicalRecord(const PageEnv& env, const CPrimaryRecord& record, std::vector<ColumnDef>& columns,
                          RecordCursor& cursor) {
  const int32_t columnCount = record.columnCount;
  const int32_t sparseCount = record.sparseVector ? static_cast<int32_t>(record.sparseVector->columns.size()) : 0;
  const bool compressed = IsExpandedCompressed(record);
  const bool nullRules = env.form != Form::kPhysicalModule;
  int32_t storedIndex = 0;
  for (ColumnDef& column : columns) {
    if (column.physicalColumnId == kNoStorage) continue;
    const bool sparse = column.statusFlag24 != 0;
    // Sparse columns live in the sparse vector and columns without storage in
    // no record: only the others count against the record's column count.
    if (!sparse) {
      if (storedIndex >= columnCount) {
        column.definitionText = UnreachedText(env, column);
        continue;
      }
      ++storedIndex;
    }
    ValueLayout layout = MakeValueLayout(column, column.typeCode, &cursor.bits);
    ValueText value;
    if (compressed && !sparse) {
      value = DecodeCompressedValue(env, record, static_cast<size_t>(storedIndex - 1), layout, column);
      ++cursor.handled;
    } else {
      const size_t varIndex = layout.isVariable && column.leafOffset < 0
                                  ? static_cast<size_t>(-static_cast<int32_t>(column.leafOffset) - 1)
                                  : static_cast<size_t>(cursor.varIndex);
      if (column.physicalColumnId > columnCount) column.physicalColumnId = column.columnId;
      if (nullRules && !sparse) {
        const bool isNull = NullBitSet(record, NullBitIndex(column, columnCount, sparseCount));
        if (column.hasPhysicalInfo == 0 || isNull) {
          // A NULL fixed value still owns its bytes (and a bit column its
          // bit): step over them so later values stay in place.
          if (column.hasPhysicalInfo != 0 && !layout.isVariable) {
            DecodePhysicalFixed(env, record, cursor, layout, column);
          } else {
            ++cursor.handled;
          }
          column.definitionText = "NULL";
          continue;
        }
      }
      if (sparse) {
        value = DecodeSparseValue(env, record, layout, column);
      } else if (layout.isVariable) {
        value = DecodeVariableValue(env, record, cursor, varIndex, layout, column);
      } else {
        value = DecodePhysicalFixed(env, record, cursor, layout, column);
      }
    }
    if (value.keep) continue;
    ApplyHexPrefix(env, layout, value);
    column.definitionText = std::move(value.text);
  }
}

}  // namespace pagewright::row_decoding
