// Row parsers of the 2005-and-later system tables, the database-files table
// of both layouts, and what all parsers share.
#include "catalog/catalog_rows.h"

#include <cinttypes>
#include <cstdio>

#include "catalog/catalog_text.h"

namespace pagewright {

namespace layout = catalog_layout;

bool IsCatalogRow(const CPrimaryRecord* record, int32_t minimumLength, bool skipIndexRecords) {
  if (!record) return false;
  if (record->recordType == record_type::kLobFragment) return false;
  if (skipIndexRecords && record->recordType == record_type::kIndex) return false;
  return record->MeetsMinimumLength(minimumLength);
}

std::optional<std::string> VariableText(const CPrimaryRecord& record, size_t index) {
  const ColumnBytes* value = record.varValue(index);
  if (!value || !value->hasData()) return std::nullopt;
  return Utf16LeToUtf8(ByteView(value->data));
}

namespace {

std::string MadeUpName(const char* prefix, uint64_t& repairCounter) {
  return prefix + std::to_string(repairCounter++);
}

// Variable column 0 as a name, or a made-up one when it is missing or empty.
std::string RowName(const CPrimaryRecord& record, const char* repairPrefix, uint64_t& repairCounter) {
  std::optional<std::string> name = VariableText(record, 0);
  if (!name || name->empty()) return MadeUpName(repairPrefix, repairCounter);
  return *name;
}

}  // namespace

std::string IdentityText(ByteView value) {
  const size_t length = value.size();
  int64_t seed = 1;
  int64_t increment = 1;
  // Seeds and increments are the signed integers the server stored; a 32- or
  // 16-bit value keeps its sign when widened.
  if (length >= 24) {
    int32_t flag = value.i32_or(0);
    if (value.i32_or(4) != 0) {
      seed = value.i32_or(4);
      increment = value.i32_or(8);
    } else if (flag != 0) {
      seed = value.i64_or(8);
      increment = value.i64_or(16);
    } else {
      seed = 0;
      increment = value.i32_or(8);
    }
  } else if (length >= 12) {
    seed = value.i32_or(4);
    increment = value.i32_or(8);
  } else if (length >= 6) {
    seed = value.i16_or(2);
    increment = value.i16_or(4);
  }
  if (length >= 6 && increment == 0) increment = 1;
  char text[64];
  std::snprintf(text, sizeof text, "identity(%" PRId64 ",%" PRId64 ")", seed, increment);
  return text;
}

DataFileDef ParseDataFileRow(const CPrimaryRecord& record) {
  ByteView fixed(record.fixedData);
  DataFileDef row;
  row.status = fixed.i32_or(layout::files::kStatus, row.status);
  row.fileId = fixed.i16_or(layout::files::kFileId, row.fileId);
  row.logicalName = FixedUtf16Field(fixed.clip(layout::files::kLogicalName, layout::files::kLogicalNameBytes));
  row.fileName = FixedUtf16Field(fixed.clip(layout::files::kFileName, layout::files::kFileNameBytes));
  return row;
}

std::optional<ObjectDef> ParseObjectRow(const CPrimaryRecord& record, uint64_t& repairCounter) {
  namespace f = layout::objects;
  ByteView fixed(record.fixedData);
  ObjectDef row;
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  if (row.objectId <= 0) return std::nullopt;
  row.schemaId = fixed.i32_or(f::kSchemaId, row.schemaId);
  row.schemaClass = fixed.u8_or(f::kSchemaClass, row.schemaClass);
  row.status = fixed.i32_or(f::kStatus, row.status);
  if (fixed.has(f::kType, 2)) row.type = Latin1ToUtf8(fixed.clip(f::kType, 2));
  row.parentId = fixed.i32_or(f::kParentId, row.parentId);
  row.parentClass = fixed.u8_or(f::kParentClass, row.parentClass);
  row.intProperty = fixed.i32_or(f::kIntProperty, row.intProperty);
  row.name = RowName(record, kRepairObjectName, repairCounter);
  return row;
}

AllocationUnitDef ParseAllocationUnitRow(const CPrimaryRecord& record) {
  namespace f = layout::allocation_units;
  ByteView fixed(record.fixedData);
  AllocationUnitDef row;
  row.allocationUnitId = fixed.i64_or(f::kUnitId, row.allocationUnitId);
  row.type = fixed.u8_or(f::kType, row.type);
  row.ownerId = fixed.i64_or(f::kOwnerId, row.ownerId);
  row.status = fixed.i32_or(f::kStatus, row.status);
  row.filegroupId = fixed.i16_or(f::kFilegroupId, row.filegroupId);
  row.firstPage = ReadPagePointer(fixed, f::kFirstPage).value_or(PageId{});
  row.rootPage = ReadPagePointer(fixed, f::kRootPage).value_or(PageId{});
  row.firstIamPage = ReadPagePointer(fixed, f::kFirstIamPage).value_or(PageId{});
  return row;
}

RowsetDef ParseRowsetRow(const CPrimaryRecord& record) {
  namespace f = layout::rowsets;
  ByteView fixed(record.fixedData);
  RowsetDef row;
  row.rowsetId = fixed.i64_or(f::kRowsetId, row.rowsetId);
  row.ownerType = fixed.u8_or(f::kOwnerType, row.ownerType);
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  row.indexId = fixed.i32_or(f::kIndexId, row.indexId);
  row.partitionNumber = fixed.i32_or(f::kPartitionNumber, row.partitionNumber);
  row.status = fixed.i32_or(f::kStatus, row.status);
  row.filegroupId = fixed.i16_or(f::kFilegroupId, row.filegroupId);
  row.rowCount = fixed.i64_or(f::kRowCount, row.rowCount);
  return row;
}

ColumnRowDef ParseColumnRow(const CPrimaryRecord& record, uint64_t& repairCounter) {
  namespace f = layout::columns;
  ByteView fixed(record.fixedData);
  ColumnRowDef row;
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  row.number = fixed.i16_or(f::kNumber, row.number);
  row.columnId = fixed.i32_or(f::kColumnId, row.columnId);
  row.systemTypeId = fixed.u8_or(f::kSystemTypeId, row.systemTypeId);
  row.userTypeId = fixed.i32_or(f::kUserTypeId, row.userTypeId);
  row.length = fixed.i16_or(f::kLength, row.length);
  row.precision = fixed.u8_or(f::kPrecision, row.precision);
  row.scale = fixed.u8_or(f::kScale, row.scale);
  row.collationId = fixed.i32_or(f::kCollationId, row.collationId);
  row.status = fixed.i32_or(f::kStatus, row.status);
  row.maxInRowLength = fixed.i16_or(f::kMaxInRowLength, row.maxInRowLength);
  row.xmlNamespaceId = fixed.i32_or(f::kXmlNamespaceId, row.xmlNamespaceId);
  row.defaultObjectId = fixed.i32_or(f::kDefaultObjectId, row.defaultObjectId);
  row.checkObjectId = fixed.i32_or(f::kCheckObjectId, row.checkObjectId);
  row.name = RowName(record, kRepairColumnName, repairCounter);
  if (row.status == f::kIdentityStatus && record.varValues.size() >= 2)
    row.identityText = IdentityText(ByteView(record.varValues[1].data));
  return row;
}

std::optional<PhysicalColumnDef> ParsePhysicalColumnRow(const CPrimaryRecord& record) {
  namespace f = layout::physical_columns;
  ByteView fixed(record.fixedData);
  // The minimum length alone admits the 2000-layout column rows (42-byte
  // fixed part) that model-database leftovers keep under the same object id;
  // their bytes 40-49 would be read from past their fixed part.
  if (fixed.size() < f::kFieldsEnd) return std::nullopt;
  PhysicalColumnDef row;
  row.rowsetId = fixed.i64_or(f::kRowsetId, row.rowsetId);
  row.rowsetColumnId = fixed.i32_or(f::kRowsetColumnId, row.rowsetColumnId);
  row.hobtColumnId = fixed.i32_or(f::kHobtColumnId, row.hobtColumnId);
  row.modifyCounter = fixed.i64_or(f::kModifyCounter, row.modifyCounter);
  row.typeInfo = fixed.i32_or(f::kTypeInfo, row.typeInfo);
  row.columnId = fixed.i32_or(f::kColumnId, row.columnId);
  row.ordinalKey = fixed.i16_or(f::kOrdinalKey, row.ordinalKey);
  row.maxInRowLength = fixed.i16_or(f::kMaxInRowLength, row.maxInRowLength);
  row.status = fixed.i32_or(f::kStatus, row.status);
  row.leafOffset = fixed.i32_or(f::kLeafOffset, row.leafOffset);
  row.nullBit = fixed.i32_or(f::kNullBit, row.nullBit);
  row.bitPosition = fixed.i16_or(f::kBitPosition, row.bitPosition);
  return row;
}

HobtColumnDef ParseHobtColumnRow(const CPrimaryRecord& record) {
  namespace f = layout::hobt_columns;
  ByteView fixed(record.fixedData);
  HobtColumnDef row;
  row.hobtId = fixed.i64_or(f::kHobtId, row.hobtId);
  row.columnId = fixed.i32_or(f::kColumnId, row.columnId);
  row.leafOffset = fixed.i16_or(f::kLeafOffset, row.leafOffset);
  row.nullBit = fixed.i16_or(f::kNullBit, row.nullBit);
  return row;
}

RowsetColumnDef ParseRowsetColumnRow(const CPrimaryRecord& record) {
  namespace f = layout::rowset_columns;
  ByteView fixed(record.fixedData);
  RowsetColumnDef row;
  row.rowsetId = fixed.i64_or(f::kRowsetId, row.rowsetId);
  row.rowsetColumnId = fixed.i32_or(f::kRowsetColumnId, row.rowsetColumnId);
  row.hobtColumnId = fixed.i32_or(f::kHobtColumnId, row.hobtColumnId);
  return row;
}

IndexDef ParseIndexRow(const CPrimaryRecord& record) {
  namespace f = layout::indexes;
  ByteView fixed(record.fixedData);
  IndexDef row;
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  row.indexId = fixed.i32_or(f::kIndexId, row.indexId);
  row.name = VariableText(record, 0).value_or("");
  row.status = fixed.i32_or(f::kStatus, row.status);
  row.intProperty = fixed.i32_or(f::kIntProperty, row.intProperty);
  row.fillFactor = fixed.u8_or(f::kFillFactor, row.fillFactor);
  row.type = fixed.u8_or(f::kType, row.type);
  row.tinyProperty = fixed.u8_or(f::kTinyProperty, row.tinyProperty);
  row.dataSpaceId = fixed.i32_or(f::kDataSpaceId, row.dataSpaceId);
  row.lobDataSpaceId = fixed.i32_or(f::kLobDataSpaceId, row.lobDataSpaceId);
  row.rowsetId = fixed.i64_or(f::kRowsetId, row.rowsetId);
  return row;
}

IndexColumnDef ParseIndexColumnRow(const CPrimaryRecord& record) {
  namespace f = layout::index_columns;
  ByteView fixed(record.fixedData);
  IndexColumnDef row;
  row.objectId = fixed.i32_or(f::kObjectId, row.objectId);
  row.indexId = fixed.i32_or(f::kIndexId, row.indexId);
  row.keyOrdinal = fixed.i32_or(f::kKeyOrdinal, row.keyOrdinal);
  row.status = fixed.i32_or(f::kStatus, row.status);
  row.columnId = fixed.i32_or(f::kColumnId, row.columnId);
  row.property1 = fixed.u8_or(f::kProperty1, row.property1);
  row.property2 = fixed.u8_or(f::kProperty2, row.property2);
  return row;
}

ObjectRefDef ParseObjectRefRow(const CPrimaryRecord& record) {
  namespace f = layout::object_refs;
  ByteView fixed(record.fixedData);
  ObjectRefDef row;
  row.refClass = fixed.u8_or(f::kRefClass, row.refClass);
  row.dependentId = fixed.i32_or(f::kDependentId, row.dependentId);
  row.dependentSubId = fixed.i32_or(f::kDependentSubId, row.dependentSubId);
  row.referencedId = fixed.i32_or(f::kReferencedId, row.referencedId);
  row.referencedSubId = fixed.i32_or(f::kReferencedSubId, row.referencedSubId);
  row.status = fixed.i32_or(f::kStatus, row.status);
  return row;
}

ScalarTypeDef ParseScalarTypeRow(const CPrimaryRecord& record) {
  namespace f = layout::scalar_types;
  ByteView fixed(record.fixedData);
  ScalarTypeDef row;
  row.typeId = fixed.i32_or(f::kTypeId, row.typeId);
  row.schemaId = fixed.i32_or(f::kSchemaId, row.schemaId);
  row.name = VariableText(record, 0).value_or("");
  row.systemTypeId = fixed.u8_or(f::kSystemTypeId, row.systemTypeId);
  row.length = fixed.i16_or(f::kLength, row.length);
  row.precision = fixed.u8_or(f::kPrecision, row.precision);
  row.scale = fixed.u8_or(f::kScale, row.scale);
  row.collationId = fixed.i32_or(f::kCollationId, row.collationId);
  row.status = fixed.i32_or(f::kStatus, row.status);
  row.reserved30 = fixed.i32_or(f::kReserved30, row.reserved30);
  row.reserved34 = fixed.i32_or(f::kReserved34, row.reserved34);
  return row;
}

}  // namespace pagewright
