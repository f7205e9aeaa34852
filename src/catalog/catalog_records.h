// The records of the rebuilt catalog: one structure per system-table row
// kind, each member at the default it holds before a row is copied into it
// (-1 for signed members, 255 for 8-bit members, empty strings, 0 for ids and
// page pointers). Every string is a complete UTF-8 copy; no record points into
// a page buffer.
//
// The system tables they come from (catalog object ids):
//   2005 and later                       SQL Server 2000
//   8    database files  DataFileDef     8    database files
//   34   objects         ObjectDef       1    objects (ObjectDef, other offsets)
//   7    allocation units                (none; id 99 holds allocation pages)
//   5    rowsets         RowsetDef
//   41, 2187 columns     ColumnRowDef    3    columns   LegacyColumnDef
//   3    physical columns (2008+)        2    indexes   LegacyIndexDef
//   13   hobt columns (2005)
//   4    rowset-column map (2005)
//   54   indexes, 55 index columns, 74 object references, 50 scalar types
//   foreign-key column pairs (ForeignKeyColumnDef): from 74 / from 14
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "catalog/column_def.h"
#include "catalog/database_file.h"
#include "storage/page_id.h"

namespace pagewright {

struct ObjectDef {
  int32_t objectId = -1;
  std::string name;
  int32_t schemaId = -1;
  uint8_t schemaClass = 255;
  int32_t status = -1;
  // The two-character object type code: "U ", "S ", "V ", "P ", "FN", "IF",
  // "TF", "TR", "D ", "PK", "UQ", "F ", "C ", "TT", "X ", ...
  std::string type;
  int32_t parentId = -1;
  uint8_t parentClass = 255;
  int32_t intProperty = -1;
};

struct AllocationUnitDef {
  int64_t allocationUnitId = 0;
  uint8_t type = 255;  // 1 in-row data, 2 LOB data, 3 row-overflow data
  int64_t ownerId = 0; // the owning rowset
  int32_t status = -1;
  int16_t filegroupId = -1;
  PageId firstPage;
  PageId rootPage;
  PageId firstIamPage;

  // The object id that the unit's pages carry in their header (bytes 24-27).
  int32_t PageObjectId() const { return static_cast<int32_t>(static_cast<uint64_t>(allocationUnitId) >> 16); }
  // The index id that the unit's pages carry in their header (bytes 6-7).
  // Units carried over from SQL Server 2000 have a value below 256 here and
  // their old pages show 0, so only the object id identifies them.
  uint16_t PageIndexId() const { return static_cast<uint16_t>(static_cast<uint64_t>(allocationUnitId) >> 48); }
};

struct RowsetDef {
  int64_t rowsetId = 0;
  uint8_t ownerType = 255;
  int32_t objectId = -1;
  int32_t indexId = -1;  // 0 heap, 1 clustered index
  int32_t partitionNumber = -1;
  int32_t status = -1;
  int16_t filegroupId = -1;
  int64_t rowCount = -1;
};

struct ColumnRowDef {
  int32_t objectId = -1;
  int16_t number = -1;
  int32_t columnId = -1;
  std::string name;
  uint8_t systemTypeId = 255;
  int32_t userTypeId = -1;
  int16_t length = -1;  // bytes
  uint8_t precision = 255;
  uint8_t scale = 255;
  int32_t collationId = -1;
  int32_t status = -1;  // bit 0: NOT NULL; bits 3 and 24 are copied into ColumnDef
  int16_t maxInRowLength = -1;
  int32_t xmlNamespaceId = -1;
  int32_t defaultObjectId = -1;
  int32_t checkObjectId = -1;
  std::string identityText;  // "identity(seed,increment)" or empty
};

struct LegacyColumnDef {
  std::string name;
  int32_t objectId = -1;
  uint8_t systemTypeId = 255;
  uint8_t typeStatus = 255;  // bit 0: NOT NULL
  int16_t userTypeId = -1;
  int16_t length = -1;
  uint8_t precision = 255;
  uint8_t scale = 255;
  int16_t columnId = -1;
  int16_t xOffset = -1;
  uint8_t bitPosition = 255;
  uint8_t reserved = 255;
  int16_t columnStatus = -1;
  int16_t defaultId = -1;
  int32_t domain = -1;
  int16_t number = -1;
  int16_t columnOrder = -1;
  int16_t offset = -1;
  int32_t collationId = -1;
  // Bit 0 set means NOT NULL. The 2000 column row ends its fixed part at
  // byte 42, so the flag is taken from typeStatus bit 0 (see the loader).
  uint8_t status = 255;

  bool IsNotNull() const { return (status & 0x01) != 0; }
};

struct PhysicalColumnDef {
  int64_t rowsetId = 0;
  int32_t rowsetColumnId = 0;
  int32_t hobtColumnId = -1;
  int64_t modifyCounter = -1;
  int32_t typeInfo = -1;
  int32_t columnId = -1;
  int16_t ordinalKey = -1;
  int16_t maxInRowLength = -1;
  int32_t status = -1;
  int32_t leafOffset = -1;  // offset in the fixed part; low 16 bits negative for variable columns
  int32_t nullBit = -1;     // 1-based position in the null bitmap
  int16_t bitPosition = -1;
};

struct HobtColumnDef {
  int64_t hobtId = 0;
  int32_t columnId = -1;
  int16_t leafOffset = -1;
  int16_t nullBit = -1;
  int32_t mappedColumnId = -1;  // filled by table resolution from the rowset-column map
};

struct RowsetColumnDef {
  int64_t rowsetId = 0;
  int32_t rowsetColumnId = -1;
  int32_t hobtColumnId = -1;
};

namespace index_status {
inline constexpr int32_t kUnique = 0x08;
inline constexpr int32_t kPrimaryKey = 0x20;
inline constexpr int32_t kUniqueConstraint = 0x40;
}  // namespace index_status

struct IndexDef {
  int32_t objectId = -1;
  int32_t indexId = -1;
  std::string name;
  int32_t status = -1;  // index_status bits
  int32_t intProperty = -1;
  uint8_t fillFactor = 255;
  uint8_t type = 255;
  uint8_t tinyProperty = 255;
  int32_t dataSpaceId = -1;
  int32_t lobDataSpaceId = -1;
  int64_t rowsetId = 0;
};

struct IndexColumnDef {
  int32_t objectId = -1;
  int32_t indexId = -1;
  int32_t keyOrdinal = -1;
  int32_t status = -1;
  int32_t columnId = -1;
  uint8_t property1 = 255;
  uint8_t property2 = 255;
  int32_t indexStatus = 0;  // the owning index's status, filled by table resolution
};

namespace ref_class {
inline constexpr uint8_t kOwnedToColumn = 27;          // owned object -> table column
inline constexpr uint8_t kForeignKeyColumn = 28;       // foreign key -> its column
inline constexpr uint8_t kForeignKeyReferenced = 29;   // foreign key -> referenced column
inline constexpr uint8_t kOwnedToObject = 97;          // owned object -> referenced object
}  // namespace ref_class

struct ObjectRefDef {
  uint8_t refClass = 255;
  int32_t dependentId = -1;
  int32_t dependentSubId = -1;
  int32_t referencedId = -1;
  int32_t referencedSubId = -1;
  int32_t status = -1;
};

struct ScalarTypeDef {
  int32_t typeId = -1;
  int32_t schemaId = -1;
  std::string name;
  uint8_t systemTypeId = 255;
  int16_t length = -1;
  uint8_t precision = 255;
  uint8_t scale = 255;
  int32_t collationId = -1;
  int32_t status = -1;
  // Copied as stored from bytes 30 and 34 of the row; nothing reads them.
  int32_t reserved30 = -1;
  int32_t reserved34 = -1;
};

struct ConstraintDef {
  std::string name;
  int32_t objectId = 0;
  int32_t referencedObjectId = 0;
  int32_t schemaId = 0;
  int32_t parentId = 0;
  int32_t referencedTableId = 0;
  int32_t referencedColumnId = 0;
  std::string type;
  std::string definition;  // empty; module texts are looked up separately
  int32_t intProperty = 0;
};

struct ForeignKeyColumnDef {
  int32_t constraintId = 0;
  int32_t keyOrdinal = 0;
  int32_t tableId = 0;
  int32_t columnId = 0;
  int32_t referencedTableId = 0;
  int32_t referencedColumnId = 0;
  std::string constraintName;
  std::string tableName;
  std::string columnName;
  std::string referencedTableName;
  std::string referencedColumnName;
};

struct LegacyIndexDef {
  int32_t objectId = -1;
  int16_t fileId = 0;   // file of the page that holds the row
  int16_t indexId = 1;  // only clustered-index rows are kept
  int32_t firstPage = 0;     // page number in fileId
  int32_t firstIamPage = 0;  // page number in fileId

  PageId FirstPageId() const { return PageId{fileId, firstPage}; }
  PageId FirstIamPageId() const { return PageId{fileId, firstIamPage}; }
};

// Status bits of a SQL Server 2000 index row (sysindexes).
namespace legacy_index_status {
inline constexpr int32_t kUnique = 0x02;
inline constexpr int32_t kClustered = 0x10;
inline constexpr int32_t kPrimaryKey = 0x800;
inline constexpr int32_t kUniqueConstraint = 0x1000;
}  // namespace legacy_index_status

// One index of a SQL Server 2000 table (index ids 1 to 254): its name, status
// and key columns in key order. The row-locator columns a nonclustered index
// carries after its keys (the clustered key, the uniquifier) are left out.
struct LegacyIndexKeysDef {
  int32_t objectId = -1;
  int16_t indexId = -1;
  int32_t status = -1;  // legacy_index_status bits
  std::string name;
  std::vector<int16_t> keyColumnIds;
};

struct LegacyColumnRef {
  std::string name;
  int16_t columnOrder = -1;
  uint8_t typeStatus = 255;
};

struct LegacyTableDef {
  int32_t objectId = 0;
  std::string name;
  std::vector<LegacyColumnRef> columns;
};

// One row of the module-text table: object id and sub-object id as decimal
// text, and the value as "0x" followed by two hex digits per byte.
struct ModuleValue {
  std::string objectIdText;
  std::string subIdText;
  std::string valueText;
};

struct TableConstraintDef {
  uint8_t isPrimaryKey = 0;
  uint8_t isForeignKey = 0;
  uint8_t isUnique = 0;
  std::string name;
  int32_t objectId = 0;
  std::string type;
};

struct KeyColumnName {
  std::string tableName;
  std::string columnName;
};

// The table resolved last; every member is rewritten by each resolution.
struct TableDef {
  ObjectDef object;  // objectId -1 when not found
  AllocationUnitDef allocationUnit;
  RowsetDef rowset;
  bool rowsetFound = false;
  bool rowsetFromIndex = false;
  std::vector<RowsetDef> tableRowsets;
  std::vector<AllocationUnitDef> tableUnits;
  std::vector<PhysicalColumnDef> physicalColumns;
  std::vector<HobtColumnDef> hobtColumns;
  std::vector<RowsetColumnDef> rowsetColumns;
  std::vector<PageId> pages;  // data pages in file order
  std::set<std::pair<int16_t, int32_t>> pageKeys;  // (file id, position) already in `pages`
  std::vector<ColumnDef> columns;                 // ascending columnId
  std::vector<ColumnRowDef> columnRows;           // 2005 and later
  std::vector<LegacyColumnDef> legacyColumnRows;  // SQL Server 2000
  std::vector<TableConstraintDef> tableConstraints;
  std::vector<IndexDef> tableIndexes;
  std::vector<IndexColumnDef> indexKeys;  // key columns of tableIndexes, indexStatus filled
  std::vector<KeyColumnName> primaryKeyColumns;
};

}  // namespace pagewright
