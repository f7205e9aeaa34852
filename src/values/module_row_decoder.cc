// The general decoder's module-row form: the rows of the module tables
// (sysobjvalues, syscomments), decoded by position with a small fixed column
// list. Large values are always read; "NULL" is never written.
#include <exception>

#include "values/row_decoder_internal.h"
#include "values/value_format.h"

namespace pagewright::row_decoding {
namespace {

// syscomments rows of 2000 files are decoded as ten columns whatever their
// stored count says.
constexpr int32_t kLegacyModuleColumnCount = 10;

}  // namespace

void DecodeGeneralModuleRecord(const PageEnv& env, const CPrimaryRecord& record, std::vector<ColumnDef>& columns,
                               RecordCursor& cursor) {
  const int32_t columnCount = env.legacyCatalog ? kLegacyModuleColumnCount : record.columnCount;
  const bool compressed = IsExpandedCompressed(record);
  const int32_t fixedLength = FixedPartLength(record);
  int32_t storedIndex = 0;
  for (ColumnDef& column : columns) {
    if (column.physicalColumnId == kNoStorage) continue;
    if (cursor.handled > columnCount) {
      // Past the record's columns: no stale text of another row.
      column.definitionText.clear();
      continue;
    }
    ValueLayout layout = MakeValueLayout(column, column.typeCode, &cursor.bits);
    ValueText value;
    if (compressed) {
      value = DecodeCompressedValue(env, record, static_cast<size_t>(storedIndex++), layout, column);
      ++cursor.handled;
    } else if (record.hasNullBitmap && NullBitSet(record, cursor.handled)) {
      // A NULL value is not read; it shows empty rather than the text of the
      // row before.
      if (layout.isVariable) ++cursor.varIndex;
      else cursor.fixedPosition += layout.storageWidth;
      ++cursor.handled;
    } else if (layout.isVariable) {
      const int32_t varIndex = cursor.varIndex;
      const int32_t handled = cursor.handled;
      try {
        value = DecodeVariableValue(env, record, cursor, static_cast<size_t>(varIndex), layout, column);
      } catch (const std::exception&) {
        cursor.varIndex = varIndex + 1;
        cursor.handled = handled;
        value = ValueText{};
      }
    } else {
      if (fixedLength > 0 && fixedLength >= cursor.fixedPosition &&
          FormatFixedAt(env, record, cursor.fixedPosition, layout, column, value.text))
        cursor.fixedPosition += layout.consumedLength;
      value.read = true;
      ++cursor.handled;
    }
    if (value.keep) continue;
    ApplyHexPrefix(env, layout, value);
    column.definitionText = std::move(value.text);
  }
}

}  // namespace pagewright::row_decoding
