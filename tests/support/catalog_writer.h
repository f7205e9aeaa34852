// CatalogWriter: the system tables of a synthetic database, in the 2005-and-
// later layout (with 2008 physical columns or 2005 hobt columns) or in the
// SQL Server 2000 layout, laid out with the readers' own offsets
// (catalog/catalog_rows.h) and placed on data pages with PageImage.
//
// A test describes tables (columns of many types, identity columns), views,
// procedures and other modules, keys, checks, defaults and foreign keys; the
// writer produces the rows every system table would hold for them, packs them
// into pages whose header names the system table, and can write a whole
// primary file (leading pages, boot page, catalog pages) for the open
// sequence. Rows can be edited, removed or added raw before the pages are
// built, for damage tests.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/boot_page_writer.h"
#include "support/file_writer.h"
#include "support/page_writer.h"
#include "support/record_writer.h"

namespace pagewright::support {

enum class CatalogGeneration {
  kSql2008,  // physical columns in object 3
  kSql2005,  // physical columns in objects 13 and 4
  kSql2000,  // the SQL Server 2000 system tables
};

// SQL Server system type ids used by the writer.
namespace sql_type {
inline constexpr uint8_t kImage = 34, kText = 35, kUniqueIdentifier = 36, kDate = 40, kTinyInt = 48,
                         kSmallInt = 52, kInt = 56, kSmallDateTime = 58, kReal = 59, kMoney = 60, kDateTime = 61,
                         kFloat = 62, kNText = 99, kBit = 104, kDecimal = 106, kNumeric = 108, kBigInt = 127,
                         kVarBinary = 165, kVarChar = 167, kBinary = 173, kChar = 175, kNVarChar = 231,
                         kNChar = 239, kXml = 241;
}

struct IdentitySpec {
  int64_t seed = 1;
  int64_t increment = 1;
};

struct ColumnSpec {
  std::string name;
  uint8_t systemTypeId = sql_type::kInt;
  int32_t userTypeId = 0;  // 0: the system type itself
  int16_t length = 4;      // bytes; -1 for (max)
  uint8_t precision = 10;
  uint8_t scale = 0;
  bool nullable = true;
  int32_t collationId = 0;
  std::optional<IdentitySpec> identity;
  bool nameless = false;  // the row carries no variable column at all
};

struct TableSpec {
  std::string name;
  std::vector<ColumnSpec> columns;
  int32_t objectId = 0;  // 0: the next free id
  int32_t schemaId = 1;
  bool clustered = true;  // index id 1 (else a heap, index id 0)
};

// One physical column row (2008 layout) of a table's rowset.
struct PhysicalColumnSpec {
  int32_t rowsetColumnId = 0;  // the table's column id; 0 for the uniquifier
  int32_t hobtColumnId = 0;    // the column's place in the rowset, from 1
  int32_t leafOffset = 0;
  int32_t nullBit = 0;
};

// The ids the writer gave a table's storage (2005+ layout).
struct TableStorage {
  int32_t objectId = 0;
  int64_t rowsetId = 0;
  int64_t allocationUnitId = 0;  // in-row unit: index id 256 in the page header
};

// Builders of one system-table row each, exposed for row-level tests.
Bytes EncodeObjectRow(int32_t objectId, const std::string& name, const std::string& type, int32_t schemaId,
                      int32_t parentId, uint8_t schemaClass = 0, uint8_t parentClass = 0);
Bytes EncodeLegacyObjectRow(int32_t objectId, const std::string& name, const std::string& type, int16_t uid,
                            int32_t parentId);
Bytes EncodeDatabaseFileRow(int16_t fileId, const std::string& logicalName, const std::string& fileName,
                            int32_t status = 2);
// A SQL Server 2000 index's key description: one 32-byte entry per key
// column, then the row-locator entries a nonclustered index appends (flagged).
Bytes EncodeLegacyKeyDescription(const std::vector<int16_t>& keyColumnIds,
                                 const std::vector<int16_t>& locatorColumnIds = {});
// A SQL Server 2000 index row (object id 2) with its key description and name.
Bytes EncodeLegacyIndexRow(int32_t objectId, int16_t indexId, int32_t status, const std::string& name,
                           const Bytes& keyDescription, int16_t keyCount);
// A SQL Server 2000 foreign-key row (object id 14): its column ids and the
// referenced column ids as 16-bit lists.
Bytes EncodeLegacyReferenceRow(int32_t constraintId, int32_t tableId, int32_t referencedTableId,
                               const std::vector<int16_t>& columnIds, const std::vector<int16_t>& referencedColumnIds);
// The second variable column of an identity column's row: last value, seed,
// increment as 4-byte values for types of up to 4 bytes, 8-byte ones else.
Bytes EncodeIdentityValue(const IdentitySpec& identity, bool eightByte);

class CatalogWriter {
 public:
  explicit CatalogWriter(CatalogGeneration generation);

  CatalogGeneration generation() const { return generation_; }

  // A user table with its columns and storage rows; returns its object id.
  int32_t AddTable(const TableSpec& table);
  const TableStorage* Storage(int32_t objectId) const;
  // An object row only: views, procedures, functions, triggers, system tables.
  // With a parent (parentId above 0) it is owned by that object. An empty name
  // gives a row without variable columns.
  int32_t AddObject(const std::string& name, const std::string& type, int32_t parentId = 0, int32_t objectId = 0);
  // Keys: the owned object, its index row and index columns (2005+; status
  // bits: primary key 0x20 | 0x08 unique, unique constraint 0x40 | 0x08), or
  // its 2000 index row with the key description (index ids from 2 on; status
  // 0x800 | 0x02, 0x1000 | 0x02).
  int32_t AddPrimaryKey(int32_t tableId, const std::string& name, const std::vector<int32_t>& columnIds);
  int32_t AddUniqueConstraint(int32_t tableId, const std::string& name, const std::vector<int32_t>& columnIds);
  // A check or default constraint on one column (0: table-level), with its
  // owned-object-to-column reference (class 27).
  int32_t AddCheck(int32_t tableId, const std::string& name, int32_t columnId);
  int32_t AddDefault(int32_t tableId, const std::string& name, int32_t columnId);
  // A foreign key with its column pairs (classes 28 and 29) and its
  // reference to the referenced table (class 97); in the 2000 layout its row
  // of object id 14.
  int32_t AddForeignKey(int32_t tableId, const std::string& name, const std::vector<int32_t>& columnIds,
                        int32_t referencedTableId, const std::vector<int32_t>& referencedColumnIds);
  // The column row of a dropped column is gone while its physical row stays
  // (2005+ layout): removes the column row only.
  void DropColumn(int32_t tableId, int32_t columnId);
  // 2008 layout: replaces the physical column rows of the table's rowset.
  void SetPhysicalColumns(int32_t tableId, const std::vector<PhysicalColumnSpec>& columns);
  // A row of the database-files table.
  void AddDatabaseFile(int16_t fileId, const std::string& logicalName, const std::string& fileName);
  // A row built by the test, appended to the rows of system table `catalogObjectId`.
  void AddRawRow(int32_t catalogObjectId, const Bytes& record);

  // The built rows of each system table, in the order they go onto pages.
  std::map<int32_t, std::vector<Bytes>>& rows() { return rows_; }
  const std::map<int32_t, std::vector<Bytes>>& rows() const { return rows_; }

  // Data pages for the rows, numbered from `firstPageNo` in file `fileId`:
  // each system table's rows on as many pages as they need, in ascending
  // catalog object id order. The header names the system table (index id 1
  // in the 2005+ layout, 0 in the 2000 one).
  std::vector<PageImage> BuildPages(int32_t firstPageNo, int16_t fileId = 1) const;
  // A whole primary file: the leading pages with a boot page of the
  // generation's version, then the catalog pages from page 16 on.
  FileImage BuildFile(BootPageSpec boot = {}) const;
  // The page number BuildFile gives the first catalog page.
  static constexpr int32_t kFirstCatalogPage = 16;

 private:
  int32_t NextObjectId();
  void AddTable2005(const TableSpec& table, int32_t objectId);
  void AddTable2000(const TableSpec& table, int32_t objectId);
  void AddKeyIndex(int32_t tableId, int32_t keyId, const std::string& name, int32_t status,
                   const std::vector<int32_t>& columnIds);
  void AddScalarTypes();
  void AddReference(uint8_t refClass, int32_t dependentId, int32_t dependentSubId, int32_t referencedId,
                    int32_t referencedSubId);
  bool legacy() const { return generation_ == CatalogGeneration::kSql2000; }

  CatalogGeneration generation_;
  std::map<int32_t, std::vector<Bytes>> rows_;
  std::map<int32_t, TableStorage> storage_;
  std::map<int32_t, int32_t> indexCount_;  // next index id per table
  int32_t nextObjectId_ = 1001;
  int64_t nextUnitKey_ = 5001;
};

}  // namespace pagewright::support
