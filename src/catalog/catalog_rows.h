// Row parsers of the system tables: one CPrimaryRecord in, one catalog record
// out. Offsets are from the first byte after the 4-byte record header (the
// record's fixed data), little-endian; "variable column n" is the record's
// n-th variable-length value, a UTF-16LE string. A field whose bytes lie past
// the fixed data keeps the record's default.
//
// 2005-and-later layout
//   Database files (8), min length 520      Objects (34), min length 20
//   0   int32   status                      0   int32   objectId
//   4   int16   fileId                      4   int32   schemaId
//   6   256     logicalName (UTF-16)        8   uint8   schemaClass
//   262 520     fileName (UTF-16)           9   int32   status
//                                           13  2 char  type
//   Allocation units (7), min length 39     15  int32   parentId
//   0   int64   allocationUnitId            19  uint8   parentClass
//   8   uint8   type                        20  int32   intProperty
//   9   int64   ownerId                     var 0       name
//   17  int32   status
//   21  int16   filegroupId                 Rowsets (5), min length 27
//   23  6       firstPage                   0   int64   rowsetId
//   29  6       rootPage                    8   uint8   ownerType
//   35  6       firstIamPage                9   int32   objectId
//                                           13  int32   indexId
//   Columns (41, 2187), min length 37       17  int32   partitionNumber
//   0   int32   objectId                    21  int32   status
//   4   int16   number                      25  int16   filegroupId
//   6   int32   columnId                    27  int64   rowCount
//   10  uint8   systemTypeId
//   11  int32   userTypeId                  Physical columns 2008+ (3), min 48
//   15  int16   length                      0   int64   rowsetId
//   17  uint8   precision                   8   int32   rowsetColumnId
//   18  uint8   scale                       12  int32   hobtColumnId
//   19  int32   collationId                 16  int64   modifyCounter
//   23  int32   status                      24  int32   typeInfo
//   27  int16   maxInRowLength              28  int32   columnId
//   29  int32   xmlNamespaceId              32  int16   ordinalKey
//   33  int32   defaultObjectId             34  int16   maxInRowLength
//   37  int32   checkObjectId               36  int32   status
//   var 0       name                        40  int32   leafOffset
//   var 1       identity seed/increment     44  int32   nullBit
//                                           48  int16   bitPosition
//   Hobt columns 2005 (13), no minimum
//   0   int64   hobtId                      Rowset-column map 2005 (4), no min
//   8   int32   columnId                    0   int64   rowsetId
//   27  int16   leafOffset                  8   int32   rowsetColumnId
//   33  int16   nullBit                     12  int32   hobtColumnId
//
//   Indexes (54), min length 27             Index columns (55), min length 21
//   0   int32   objectId                    0   int32   objectId
//   4   int32   indexId                     4   int32   indexId
//   8   int32   status                      8   int32   keyOrdinal
//   12  int32   intProperty                 12  int32   status
//   16  uint8   fillFactor                  16  int32   columnId
//   17  uint8   type                        20  uint8   property1
//   18  uint8   tinyProperty                21  uint8   property2
//   19  int32   dataSpaceId
//   23  int32   lobDataSpaceId              Object references (74), no minimum
//   27  int64   rowsetId                    0   uint8   refClass
//   var 0       name                        1   int32   dependentId
//                                           5   int32   dependentSubId
//   Scalar types (50), min length 34        9   int32   referencedId
//   0   int32   typeId                      13  int32   referencedSubId
//   4   int32   schemaId                    17  int32   status
//   8   uint8   systemTypeId
//   9   int16   length
//   11  uint8   precision
//   12  uint8   scale
//   13  int32   collationId
//   17  int32   status
//   30, 34 int32 (kept as stored)
//   var 0       name
//
// SQL Server 2000 layout
//   Objects (1), min length 20              Columns (3), no minimum
//   0   int32   objectId                    0   int32   objectId
//   4   2 char  type                        4   uint8   systemTypeId
//   8   int16   schemaId (owner uid)        5   uint8   typeStatus (bit 0 NOT NULL)
//   8   uint8   schemaClass                 6   int16   userTypeId
//   12  int32   status (0x80000000 system)  8   int16   length
//   19  uint8   parentClass                 10  uint8   precision
//   20  int32   intProperty                 11  uint8   scale
//   24  int32   parentId (15 when the       12  int16   columnId
//               record has at most 23 bytes) 14  int16   xOffset
//   var 0       name                        16  uint8   bitPosition
//                                           17  uint8   reserved
//   Indexes (2), data pages only,           18  int16   columnStatus
//   (fixed part of exactly 42 bytes)
//   min length 64                           20  int16   defaultId
//   0   int32   objectId                    24  int32   domain
//   4   int32   status                      28  int16   number
//   8   int32   firstPage (page number)     30  int16   columnOrder
//   14  int16   indexId                     32  int16   offset
//   24  int16   key count
//   64  int32   firstIamPage (page number)
//   var 0       key description (32 bytes a key column, legacy_indexes)
//   var 1       name
//
//   Foreign keys (14), fixed part of 16 bytes
//   0   int32   constraint id
//   4   int32   table id
//   8   int32   referenced table id
//   12  int16   referenced index id
//   14  int16   key count
//   var 0       column ids (int16 each)
//   var 1       referenced column ids (int16 each)
//                                           34  int32   collationId (more than 20
//                                                       columns, length above 37)
//                                           var 0       name
#pragma once

#include <cstdint>
#include <optional>

#include "catalog/catalog_records.h"
#include "catalog/database_file.h"
#include "storage/record.h"

namespace pagewright {

// Offsets of the fixed data, shared with the test-support writer. kFixedLength
// is the length of the fixed part real servers write.
namespace catalog_layout {

namespace files {
inline constexpr size_t kStatus = 0, kFileId = 4, kLogicalName = 6, kFileName = 262;
inline constexpr size_t kLogicalNameBytes = 256, kFileNameBytes = 520, kFixedLength = 782;
inline constexpr int32_t kMinLength = 520;
}  // namespace files

namespace objects {
inline constexpr size_t kObjectId = 0, kSchemaId = 4, kSchemaClass = 8, kStatus = 9, kType = 13, kParentId = 15,
                        kParentClass = 19, kIntProperty = 20, kFixedLength = 40;
inline constexpr int32_t kMinLength = 20;
}  // namespace objects

namespace legacy_objects {
inline constexpr size_t kObjectId = 0, kType = 4, kSchemaId = 8, kSchemaClass = 8, kStatus = 12, kShortParentId = 15,
                        kParentClass = 19, kIntProperty = 20, kParentId = 24, kFixedLength = 38;
// Status bit of the objects the server ships (system views such as
// sysconstraints are views of type "V " too).
inline constexpr int32_t kSystemObjectStatus = static_cast<int32_t>(0x80000000u);
// Records longer than this carry the parent id at kParentId.
inline constexpr int32_t kShortRecordLength = 23;
}  // namespace legacy_objects

namespace allocation_units {
inline constexpr size_t kUnitId = 0, kType = 8, kOwnerId = 9, kStatus = 17, kFilegroupId = 21, kFirstPage = 23,
                        kRootPage = 29, kFirstIamPage = 35, kFixedLength = 69;
inline constexpr int32_t kMinLength = 39;
}  // namespace allocation_units

namespace rowsets {
inline constexpr size_t kRowsetId = 0, kOwnerType = 8, kObjectId = 9, kIndexId = 13, kPartitionNumber = 17,
                        kStatus = 21, kFilegroupId = 25, kRowCount = 27, kFixedLength = 53;
inline constexpr int32_t kMinLength = 27;
}  // namespace rowsets

namespace columns {
inline constexpr size_t kObjectId = 0, kNumber = 4, kColumnId = 6, kSystemTypeId = 10, kUserTypeId = 11,
                        kLength = 15, kPrecision = 17, kScale = 18, kCollationId = 19, kStatus = 23,
                        kMaxInRowLength = 27, kXmlNamespaceId = 29, kDefaultObjectId = 33, kCheckObjectId = 37,
                        kFixedLength = 41;
inline constexpr int32_t kMinLength = 37;
// Only a row with exactly this status carries an identity definition.
inline constexpr int32_t kIdentityStatus = 5;
}  // namespace columns

namespace physical_columns {
inline constexpr size_t kRowsetId = 0, kRowsetColumnId = 8, kHobtColumnId = 12, kModifyCounter = 16, kTypeInfo = 24,
                        kColumnId = 28, kOrdinalKey = 32, kMaxInRowLength = 34, kStatus = 36, kLeafOffset = 40,
                        kNullBit = 44, kBitPosition = 48, kFieldsEnd = 50, kFixedLength = 54;
inline constexpr int32_t kMinLength = 48;
}  // namespace physical_columns

namespace hobt_columns {
inline constexpr size_t kHobtId = 0, kColumnId = 8, kLeafOffset = 27, kNullBit = 33, kFixedLength = 37;
}  // namespace hobt_columns

namespace rowset_columns {
inline constexpr size_t kRowsetId = 0, kRowsetColumnId = 8, kHobtColumnId = 12, kFixedLength = 30;
}  // namespace rowset_columns

namespace indexes {
inline constexpr size_t kObjectId = 0, kIndexId = 4, kStatus = 8, kIntProperty = 12, kFillFactor = 16, kType = 17,
                        kTinyProperty = 18, kDataSpaceId = 19, kLobDataSpaceId = 23, kRowsetId = 27,
                        kFixedLength = 35;
inline constexpr int32_t kMinLength = 27;
}  // namespace indexes

namespace index_columns {
inline constexpr size_t kObjectId = 0, kIndexId = 4, kKeyOrdinal = 8, kStatus = 12, kColumnId = 16,
                        kProperty1 = 20, kProperty2 = 21, kFixedLength = 22;
inline constexpr int32_t kMinLength = 21;
}  // namespace index_columns

namespace object_refs {
inline constexpr size_t kRefClass = 0, kDependentId = 1, kDependentSubId = 5, kReferencedId = 9,
                        kReferencedSubId = 13, kStatus = 17, kFixedLength = 21;
}  // namespace object_refs

namespace scalar_types {
inline constexpr size_t kTypeId = 0, kSchemaId = 4, kSystemTypeId = 8, kLength = 9, kPrecision = 11, kScale = 12,
                        kCollationId = 13, kStatus = 17, kReserved30 = 30, kReserved34 = 34, kFixedLength = 45;
inline constexpr int32_t kMinLength = 34;
}  // namespace scalar_types

namespace legacy_indexes {
inline constexpr size_t kObjectId = 0, kStatus = 4, kFirstPage = 8, kIndexId = 14, kKeyCount = 24,
                        kFirstIamPage = 64, kFixedLength = 78;
inline constexpr int32_t kMinLength = 64;  // at least this long
inline constexpr int16_t kClusteredIndexId = 1;
// Index ids of real indexes; 0 is a heap's own row, 255 its text unit.
inline constexpr int16_t kFirstIndexId = 1, kLastIndexId = 254;
// Variable columns: the key description, then the index name.
inline constexpr size_t kKeysColumn = 0, kNameColumn = 1;
// The key description holds one 32-byte entry per key column: 16 bytes of
// type (type ids, length, precision, scale, collation), then the column id
// (int16 at 16) and, at 30, flags whose bit 0 marks a row-locator column
// appended to a nonclustered index's keys (the clustered key, the
// uniquifier of column id 0).
inline constexpr size_t kKeyEntrySize = 32, kKeyColumnId = 16, kKeyFlags = 30;
inline constexpr uint16_t kKeyLocatorFlag = 0x01;
// The description's column is varbinary(1088): at most 34 entries.
inline constexpr size_t kMaxKeyEntries = 34;
}  // namespace legacy_indexes

namespace legacy_columns {
inline constexpr size_t kObjectId = 0, kSystemTypeId = 4, kTypeStatus = 5, kUserTypeId = 6, kLength = 8,
                        kPrecision = 10, kScale = 11, kColumnId = 12, kXOffset = 14, kBitPosition = 16,
                        kReserved = 17, kColumnStatus = 18, kDefaultId = 20, kDomain = 24, kNumber = 28,
                        kColumnOrder = 30, kOffset = 32, kCollationId = 34, kFixedLength = 42;
// collationId is read only from records with more columns and more bytes.
inline constexpr int16_t kCollationMinColumns = 20;
inline constexpr int32_t kCollationMinLength = 37;
inline constexpr uint8_t kNotNullBit = 0x01;  // of typeStatus
}  // namespace legacy_columns

namespace legacy_references {
inline constexpr size_t kConstraintId = 0, kTableId = 4, kReferencedTableId = 8, kReferencedIndexId = 12,
                        kKeyCount = 14, kFixedLength = 16;
// Variable columns: the foreign key's column ids, then the referenced
// column ids, 16 bits each and in key order.
inline constexpr size_t kKeysColumn = 0, kReferencedKeysColumn = 1;
inline constexpr int16_t kMaxKeys = 16;
}  // namespace legacy_references

}  // namespace catalog_layout

// Catalog object ids of the system tables read by the bootstrap.
namespace catalog_object {
inline constexpr int32_t kLegacyObjects = 1;
inline constexpr int32_t kLegacyIndexes = 2;
inline constexpr int32_t kLegacyColumns = 3;
inline constexpr int32_t kLegacyReferences = 14;
inline constexpr int32_t kPhysicalColumns = 3;
inline constexpr int32_t kRowsetColumns = 4;
inline constexpr int32_t kRowsets = 5;
inline constexpr int32_t kAllocationUnits = 7;
inline constexpr int32_t kDatabaseFiles = 8;
inline constexpr int32_t kHobtColumns = 13;
inline constexpr int32_t kObjects = 34;
inline constexpr int32_t kColumns = 41;
inline constexpr int32_t kScalarTypes = 50;
inline constexpr int32_t kIndexes = 54;
inline constexpr int32_t kIndexColumns = 55;
inline constexpr int32_t kModuleValues = 60;
inline constexpr int32_t kObjectRefs = 74;
inline constexpr int32_t kLegacyAllocationPages = 99;
inline constexpr int32_t kMoreColumns = 2187;
}  // namespace catalog_object

// Whether a record is a row of a system table: it exists, is no LOB fragment
// (nor, with `skipIndexRecords`, an index record), has fixed data and is
// longer than `minimumLength` bytes. A table without a minimum passes 0, so a
// record of length 0 (column count 0 or out of range, as the records of IAM
// pages) never counts as a row.
bool IsCatalogRow(const CPrimaryRecord* record, int32_t minimumLength, bool skipIndexRecords);

// The made-up names of nameless rows: prefix + counter, counter incremented.
inline constexpr const char* kRepairObjectName = "Repairname";
inline constexpr const char* kRepairColumnName = "RepairColumn";

// Variable column `index` of a record as text; nothing when the record has no
// such column or it holds no bytes.
std::optional<std::string> VariableText(const CPrimaryRecord& record, size_t index);

// The identity text of a column row's second variable column:
// "identity(seed,increment)".
std::string IdentityText(ByteView definition);

// Each parser takes a record that passed IsCatalogRow with the table's
// minimum and returns the catalog record; `repairCounter` numbers made-up
// names. Parsers that can refuse a row return nothing.
DataFileDef ParseDataFileRow(const CPrimaryRecord& record);
// Nothing for an object id of 0 or less.
std::optional<ObjectDef> ParseObjectRow(const CPrimaryRecord& record, uint64_t& repairCounter);
std::optional<ObjectDef> ParseLegacyObjectRow(const CPrimaryRecord& record, uint64_t& repairCounter);
AllocationUnitDef ParseAllocationUnitRow(const CPrimaryRecord& record);
RowsetDef ParseRowsetRow(const CPrimaryRecord& record);
ColumnRowDef ParseColumnRow(const CPrimaryRecord& record, uint64_t& repairCounter);
// Nothing for a row whose fixed part cannot hold its fields: stale 2000-layout
// column rows (42-byte fixed part) left among the physical-column pages.
std::optional<PhysicalColumnDef> ParsePhysicalColumnRow(const CPrimaryRecord& record);
HobtColumnDef ParseHobtColumnRow(const CPrimaryRecord& record);
RowsetColumnDef ParseRowsetColumnRow(const CPrimaryRecord& record);
IndexDef ParseIndexRow(const CPrimaryRecord& record);
IndexColumnDef ParseIndexColumnRow(const CPrimaryRecord& record);
ObjectRefDef ParseObjectRefRow(const CPrimaryRecord& record);
ScalarTypeDef ParseScalarTypeRow(const CPrimaryRecord& record);
// Nothing unless the row describes index id 1 (the clustered index or the
// table's data); `fileId` is the file of the page that holds the row.
std::optional<LegacyIndexDef> ParseLegacyIndexRow(const CPrimaryRecord& record, int16_t fileId);
// Nothing unless the row describes an index (index ids 1 to 254) of an object.
std::optional<LegacyIndexKeysDef> ParseLegacyIndexKeysRow(const CPrimaryRecord& record);
// The key column ids of a 2000 key description, in key order, without the
// row-locator columns; at most `keyCount` entries are read when it is above 0.
std::vector<int16_t> LegacyKeyColumns(ByteView description, int16_t keyCount);
// The column pairs of one 2000 foreign key, in key order (keyOrdinal from 1);
// names are left empty. Nothing for a row without its fixed part.
std::vector<ForeignKeyColumnDef> ParseLegacyReferenceRow(const CPrimaryRecord& record);
// Nothing for a row whose fixed part is not the 42 bytes of every 2000 column
// row (no made-up name is used up for it).
std::optional<LegacyColumnDef> ParseLegacyColumnRow(const CPrimaryRecord& record, uint64_t& repairCounter);

}  // namespace pagewright
