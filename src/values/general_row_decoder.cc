// The general decoder: SQL Server 2000 catalogs (legacyCatalog, placing
// values by legacyXOffset), 2005 catalogs and tables without physical column
// rows (values mainly by position).
#include "values/row_decoder_internal.h"
#include "values/value_format.h"

namespace pagewright::row_decoding {
namespace {

// The running-position rule: read at the running position while it lies in
// the fixed part.
void ReadAtRunningPosition(const PageEnv& env, const CPrimaryRecord& record, RecordCursor& cursor,
                           ValueLayout& layout, const ColumnDef& column, std::string& text) {
  if (cursor.fixedPosition < FixedPartLength(record) &&
      FormatFixedAt(env, record, cursor.fixedPosition, layout, column, text))
    cursor.fixedPosition += layout.consumedLength;
}

ValueText DecodeGeneralFixed(const PageEnv& env, const CPrimaryRecord& record, RecordCursor& cursor,
                             ValueLayout& layout, const ColumnDef& column) {
  ValueText value;
  value.read = true;
  ++cursor.handled;
  if (record.fixedData.empty()) {
    cursor.fixedPosition += layout.storageWidth;
    return value;
  }
  const int32_t fixedLength = FixedPartLength(record);
  if (env.legacyCatalog) {
    const int32_t position = static_cast<int32_t>(column.legacyXOffset) - 4;
    if (column.leafOffset < 0 && column.legacyXOffset > 0 && position >= 0 && position < fixedLength) {
      FormatFixedAt(env, record, position, layout, column, value.text);
      cursor.fixedPosition += layout.consumedLength > 0 ? layout.consumedLength : layout.storageWidth;
    } else if (position >= 0 && position != cursor.fixedPosition && position < fixedLength) {
      FormatFixedAt(env, record, position, layout, column, value.text);
      cursor.fixedPosition += layout.consumedLength;
    } else {
      ReadAtRunningPosition(env, record, cursor, layout, column, value.text);
    }
    return value;
  }
  const int32_t leafOffset = column.leafOffset < 0 ? 3 - column.leafOffset : column.leafOffset;
  if (FormatFixedAt(env, record, leafOffset - 4, layout, column, value.text)) {
    cursor.fixedPosition += layout.consumedLength;
  } else {
    ReadAtRunningPosition(env, record, cursor, layout, column, value.text);
  }
  return value;
}

bool EntryHasData(const CPrimaryRecord& record, const RecordCursor& cursor, size_t index) {
  const ColumnBytes* entry = record.varValue(index);
  if (!entry || !entry->hasData() || entry->length <= 0) return false;
  return !(cursor.released && index < cursor.released->size() && (*cursor.released)[index]);
}

}  // namespace

void DecodeGeneralRecord(const PageEnv& env, const CPrimaryRecord& record, std::vector<ColumnDef>& columns,
                         RecordCursor& cursor) {
  const int32_t columnCount = record.columnCount;
  const bool compressed = IsExpandedCompressed(record);
  // With a null bitmap, a variable value whose bit is clear is a value even
  // when it has no bytes: real rows hold '' in nullable columns (littleitaly
  // Address 12 and ContactInformation 12, bits clear and zero lengths), and
  // showing them as NULL would make them NULL.
  const bool hasNullBitmap = !record.nullBitmap.empty();
  int32_t storedIndex = 0;
  for (ColumnDef& column : columns) {
    if (column.physicalColumnId == kNoStorage) continue;
    const bool sparse = column.statusFlag24 != 0;
    if (!sparse) {
      if (storedIndex >= columnCount) {
        column.definitionText = UnreachedText(env, column);
        continue;
      }
      ++storedIndex;
    }
    ValueLayout layout = MakeValueLayout(column, column.typeCode, &cursor.bits);
    ValueText value;
    bool emptyIsValue = false;
    if (compressed && !sparse) {
      value = DecodeCompressedValue(env, record, static_cast<size_t>(storedIndex - 1), layout, column);
      ++cursor.handled;
    } else {
      size_t varIndex = static_cast<size_t>(cursor.varIndex);
      if (!env.legacyCatalog && layout.isVariable && column.leafOffset < 0)
        varIndex = static_cast<size_t>(-static_cast<int32_t>(column.leafOffset) - 1);
      if (column.physicalColumnId > columnCount) column.physicalColumnId = column.columnId;
      const int64_t nullBit =
          column.nullBit > 0 && column.nullBit <= columnCount ? column.nullBit - 1 : cursor.handled;
      const bool isNull = NullBitSet(record, nullBit);
      if (sparse) {
        value = DecodeSparseValue(env, record, layout, column);
      } else if (layout.isVariable) {
        if (isNull) {
          // Not read: the column shows empty (or "NULL" when nullable, below).
          ++cursor.varIndex;
          ++cursor.handled;
        } else {
          if (env.legacyCatalog && !EntryHasData(record, cursor, varIndex)) {
            // An empty slot in a 2000 record: the value may sit at the column's
            // own variable position instead.
            const size_t own =
                column.legacyXOffset < 0 ? static_cast<size_t>(-static_cast<int32_t>(column.legacyXOffset) - 1) : 0;
            if (EntryHasData(record, cursor, own)) {
              varIndex = own;
              cursor.varIndex = static_cast<int32_t>(own);
            }
          }
          value = DecodeVariableValue(env, record, cursor, varIndex, layout, column);
          emptyIsValue = hasNullBitmap && value.read;
        }
      } else {
        value = DecodeGeneralFixed(env, record, cursor, layout, column);
        // The fixed part keeps a NULL value's bytes; they are no value.
        if (isNull && column.nullable) {
          value.text = "NULL";
          value.read = false;
        }
      }
    }
    if (value.keep) continue;
    ApplyHexPrefix(env, layout, value);
    if (column.nullable && value.text.empty() && !emptyIsValue) value.text = "NULL";
    column.definitionText = std::move(value.text);
  }
}

}  // namespace pagewright::row_decoding
