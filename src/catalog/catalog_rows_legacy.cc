// Row parsers of the SQL Server 2000 system tables (objects, indexes,
// columns); offsets in catalog_rows.h.
#include "catalog/catalog_rows.h"

#include <algorithm>

#include "catalog/catalog_text.h"

namespace pagewright {

namespace layout = catalog_layout;

std::optional<ObjectDef> ParseLegacyObjectRow(const CPrimaryRecord& record, uint64_t& repairCounter) {
  namespace f = layout::legacy_objects;
  ByteView fixed(record.fixedData);
  ObjectDef row;
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  if (row.objectId <= 0) return std::nullopt;
  if (fixed.has(f::kType, 2)) row.type = Latin1ToUtf8(fixed.clip(f::kType, 2));
  // The owner is the 16-bit uid at 8 (1 for dbo in every row of the real
  // 2000 files, whose bytes 6-7 are 0); a 32-bit read at 4 would take the
  // type characters for it.
  row.schemaId = fixed.i16_or(f::kSchemaId, static_cast<int16_t>(row.schemaId));
  row.schemaClass = fixed.u8_or(f::kSchemaClass, row.schemaClass);
  // The 32-bit status follows the uid and a 16-bit info field.
  row.status = fixed.i32_or(f::kStatus, row.status);
  size_t parentOffset = record.recordLength > f::kShortRecordLength ? f::kParentId : f::kShortParentId;
  row.parentId = fixed.i32_or(parentOffset, row.parentId);
  row.parentClass = fixed.u8_or(f::kParentClass, row.parentClass);
  row.intProperty = fixed.i32_or(f::kIntProperty, row.intProperty);
  std::optional<std::string> name = VariableText(record, 0);
  row.name = (name && !name->empty()) ? *name : kRepairObjectName + std::to_string(repairCounter++);
  return row;
}

std::optional<LegacyIndexDef> ParseLegacyIndexRow(const CPrimaryRecord& record, int16_t fileId) {
  namespace f = layout::legacy_indexes;
  ByteView fixed(record.fixedData);
  auto indexId = fixed.i16_at(f::kIndexId);
  if (!indexId || *indexId != f::kClusteredIndexId) return std::nullopt;
  LegacyIndexDef row;
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  row.fileId = fileId;
  row.indexId = *indexId;
  row.firstPage = fixed.i32_or(f::kFirstPage, row.firstPage);
  row.firstIamPage = fixed.i32_or(f::kFirstIamPage, row.firstIamPage);
  return row;
}

std::vector<int16_t> LegacyKeyColumns(ByteView description, int16_t keyCount) {
  namespace f = layout::legacy_indexes;
  size_t entries = std::min(description.size() / f::kKeyEntrySize, f::kMaxKeyEntries);
  if (keyCount > 0) entries = std::min(entries, static_cast<size_t>(keyCount));
  std::vector<int16_t> columns;
  for (size_t entry = 0; entry < entries; ++entry) {
    const size_t start = entry * f::kKeyEntrySize;
    const int16_t columnId = description.i16_or(start + f::kKeyColumnId, 0);
    const uint16_t flags = description.u16_or(start + f::kKeyFlags, 0);
    if (columnId <= 0 || (flags & f::kKeyLocatorFlag) != 0) continue;
    columns.push_back(columnId);
  }
  return columns;
}

std::optional<LegacyIndexKeysDef> ParseLegacyIndexKeysRow(const CPrimaryRecord& record) {
  namespace f = layout::legacy_indexes;
  ByteView fixed(record.fixedData);
  auto indexId = fixed.i16_at(f::kIndexId);
  auto objectId = fixed.i32_at(f::kObjectId);
  if (!indexId || !objectId || *objectId <= 0) return std::nullopt;
  if (*indexId < f::kFirstIndexId || *indexId > f::kLastIndexId) return std::nullopt;
  LegacyIndexKeysDef row;
  row.objectId = *objectId;
  row.indexId = *indexId;
  row.status = fixed.i32_or(f::kStatus, row.status);
  const int16_t keyCount = fixed.i16_or(f::kKeyCount, 0);
  if (const ColumnBytes* keys = record.varValue(f::kKeysColumn); keys && keys->hasData())
    row.keyColumnIds = LegacyKeyColumns(ByteView(keys->data), keyCount);
  row.name = VariableText(record, f::kNameColumn).value_or(std::string());
  return row;
}

std::vector<ForeignKeyColumnDef> ParseLegacyReferenceRow(const CPrimaryRecord& record) {
  namespace f = layout::legacy_references;
  ByteView fixed(record.fixedData);
  std::vector<ForeignKeyColumnDef> pairs;
  if (!fixed.has(0, f::kFixedLength)) return pairs;
  const ColumnBytes* keys = record.varValue(f::kKeysColumn);
  const ColumnBytes* referenced = record.varValue(f::kReferencedKeysColumn);
  if (!keys || !referenced || !keys->hasData() || !referenced->hasData()) return pairs;
  ByteView keyIds(keys->data), referencedIds(referenced->data);
  const int16_t keyCount = std::min<int16_t>(fixed.i16_or(f::kKeyCount, 0), f::kMaxKeys);
  for (int16_t key = 0; key < keyCount; ++key) {
    const size_t at = 2 * static_cast<size_t>(key);
    auto columnId = keyIds.i16_at(at);
    auto referencedColumnId = referencedIds.i16_at(at);
    if (!columnId || !referencedColumnId) break;
    if (*columnId <= 0 || *referencedColumnId <= 0) continue;
    ForeignKeyColumnDef pair;
    pair.constraintId = fixed.i32_or(f::kConstraintId, 0);
    pair.keyOrdinal = key + 1;
    pair.tableId = fixed.i32_or(f::kTableId, 0);
    pair.columnId = *columnId;
    pair.referencedTableId = fixed.i32_or(f::kReferencedTableId, 0);
    pair.referencedColumnId = *referencedColumnId;
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

std::optional<LegacyColumnDef> ParseLegacyColumnRow(const CPrimaryRecord& record, uint64_t& repairCounter) {
  namespace f = layout::legacy_columns;
  ByteView fixed(record.fixedData);
  // Every 2000 column row has this fixed part; the rows of other tables that
  // share object id 3 (the physical columns of a 2005+ file read as 2000 file
  // because its objects and boot page are lost) do not.
  if (fixed.size() != f::kFixedLength) return std::nullopt;
  LegacyColumnDef row;
  std::optional<std::string> name = VariableText(record, 0);
  row.name = (name && !name->empty()) ? *name : kRepairColumnName + std::to_string(repairCounter++);
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  row.systemTypeId = fixed.u8_or(f::kSystemTypeId, row.systemTypeId);
  row.typeStatus = fixed.u8_or(f::kTypeStatus, row.typeStatus);
  row.userTypeId = fixed.i16_or(f::kUserTypeId, row.userTypeId);
  row.length = fixed.i16_or(f::kLength, row.length);
  row.precision = fixed.u8_or(f::kPrecision, row.precision);
  row.scale = fixed.u8_or(f::kScale, row.scale);
  row.columnId = fixed.i16_or(f::kColumnId, row.columnId);
  row.xOffset = fixed.i16_or(f::kXOffset, row.xOffset);
  row.bitPosition = fixed.u8_or(f::kBitPosition, row.bitPosition);
  row.reserved = fixed.u8_or(f::kReserved, row.reserved);
  row.columnStatus = fixed.i16_or(f::kColumnStatus, row.columnStatus);
  row.defaultId = fixed.i16_or(f::kDefaultId, row.defaultId);
  row.domain = fixed.i32_or(f::kDomain, row.domain);
  row.number = fixed.i16_or(f::kNumber, row.number);
  row.columnOrder = fixed.i16_or(f::kColumnOrder, row.columnOrder);
  row.offset = fixed.i16_or(f::kOffset, row.offset);
  if (record.columnCount > f::kCollationMinColumns && record.recordLength > f::kCollationMinLength)
    row.collationId = fixed.i32_or(f::kCollationId, row.collationId);
  // The fixed part of a 2000 column row ends at byte 42, so there is no
  // status byte there to read (reading on would take the low byte of the
  // column count). NOT NULL is bit 0 of typeStatus.
  if (fixed.has(f::kTypeStatus, 1)) row.status = row.typeStatus & f::kNotNullBit;
  return row;
}

}  // namespace pagewright
