// DatabaseCatalog: the in-memory model of one opened database — the rows of
// its system tables as the bootstrap (catalog_loader.h) found them, and the
// table resolved last. A plain data holder: readers iterate the public
// collections directly; the lookups here never fail, they return records with
// default values when nothing matches.
//
// Collections keep rows in page-map order and slot order; duplicates are kept
// and every lookup takes the first match. The object-id indexes speed up those
// lookups without changing their result; they are rebuilt by RebuildIndexes
// (the bootstrap does at its end) and ignored whenever the collection's size
// has changed since. Code that edits rows in place calls RebuildIndexes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalog/catalog_records.h"
#include "catalog/database_file.h"

namespace pagewright {

// The bytes of a module value, and whether they look like UTF-16 text.
struct ModuleBytes {
  std::vector<uint8_t> bytes;
  bool isWide = false;
};

class DatabaseCatalog {
 public:
  // `file` may be null (a catalog filled by hand); it is not owned.
  explicit DatabaseCatalog(DatabaseFile* file = nullptr) : file(file) {}
  DatabaseCatalog(const DatabaseCatalog&) = delete;
  DatabaseCatalog& operator=(const DatabaseCatalog&) = delete;

  // The first object whose name equals `name` and whose type equals `type`
  // or is neither "U " nor "S " (exact, case-sensitive comparison). Defaults
  // (objectId -1) when none matches.
  ObjectDef FindObject(const std::string& name, const std::string& type) const;
  // The first object with this id, or null.
  const ObjectDef* FindObjectById(int32_t objectId) const;

  // Rewrites currentTable.tableConstraints with the objects whose parentId is
  // `objectId`. In the SQL Server 2000 layout each entry carries the parent's
  // id instead of its own.
  void CollectTableConstraints(int32_t objectId);

  // The scalar type row for a column's type ids: the first row whose typeId
  // and systemTypeId equal systemTypeId, typeId equals userTypeId and
  // schemaId is 1; else the first row whose typeId equals systemTypeId; else
  // defaults.
  ScalarTypeDef FindScalarType(int32_t systemTypeId, int32_t userTypeId) const;

  // The column rows (2005+ layout) of an object, matched with bits 24 and 25
  // of both ids cleared, in collection order.
  std::vector<const ColumnRowDef*> ColumnRowsOf(int32_t objectId) const;
  std::vector<const LegacyColumnDef*> LegacyColumnRowsOf(int32_t objectId) const;

  // Builds the object-id indexes for the collections as they are now.
  void RebuildIndexes();
  // Empties every collection and the current table.
  void Clear();

  DatabaseFile* file = nullptr;
  // The catalog was read in the SQL Server 2000 layout (mirrors the engine
  // state's legacyCatalog as the bootstrap decided it).
  bool legacyCatalog = false;

  TableDef currentTable;
  std::vector<HobtColumnDef> hobtColumnRows;
  std::vector<RowsetColumnDef> rowsetColumnRows;
  std::vector<LegacyColumnDef> legacyColumnRows;
  std::vector<LegacyTableDef> legacyTables;
  std::map<int32_t, LegacyIndexDef> legacyIndexes;
  std::vector<LegacyIndexKeysDef> legacyIndexKeys;
  std::vector<ColumnRowDef> columnRows;
  std::vector<ObjectDef> objects;
  std::vector<ScalarTypeDef> scalarTypes;
  std::vector<PhysicalColumnDef> physicalColumnRows;
  std::vector<ObjectRefDef> objectRefs;
  std::vector<IndexDef> indexes;
  std::vector<IndexColumnDef> indexColumns;
  std::vector<AllocationUnitDef> allocationUnits;
  std::vector<ConstraintDef> constraints;
  std::vector<ConstraintDef> resolvedConstraints;
  std::vector<ForeignKeyColumnDef> foreignKeyColumns;
  std::vector<RowsetDef> rowsets;
  std::vector<DataFileDef> files;

 private:
  template <typename Row>
  struct IdIndex {
    size_t builtForSize = static_cast<size_t>(-1);
    std::unordered_map<int32_t, std::vector<size_t>> positions;
  };
  IdIndex<ObjectDef> objectIndex_;
  IdIndex<ColumnRowDef> columnIndex_;
  IdIndex<LegacyColumnDef> legacyColumnIndex_;
};

// The bytes of a module value's text "0x4142...": one byte per pair of hex
// digits after the first two characters, converting stops at the end of the
// text or at a character that is no hex digit. isWide is set when any byte
// but the first is 0. Nothing for a text shorter than two characters.
std::optional<ModuleBytes> DecodeModuleValue(const std::string& valueText);

// The object id with bits 24 and 25 cleared, as column rows are matched.
inline int32_t ColumnOwnerKey(int32_t objectId) {
  return static_cast<int32_t>(static_cast<uint32_t>(objectId) & ~0x03000000u);
}

}  // namespace pagewright
