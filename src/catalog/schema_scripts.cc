// Schema scripts: the three recreating statements.
#include "catalog/schema_scripts.h"

#include <algorithm>
#include <optional>

#include "catalog/database_catalog.h"

namespace pagewright {
namespace {

constexpr char kPrimaryKeyPrefix[] = "ALTER TABLE ";
constexpr char kPrimaryKeyMiddle[] = " ADD PRIMARY KEY (";
constexpr char kPrimaryKeySuffix[] = ")";
constexpr char kUniquePrefix[] = "ALTER TABLE[dbo].[";
constexpr char kUniqueMiddle[] = "] WITH NOCHECK ADD CONSTRAINT[";
constexpr char kUniqueColumns[] = "] UNIQUE CLUSTERED \r\n(\r\n[";
constexpr char kUniqueSuffix[] = "] DSC\r\n)";
constexpr char kCheckPrefix[] = "ALTER TABLE  [dbo].[";
constexpr char kCheckMiddle[] = "] WITH NOCHECK ADD CONSTRAINT[";
constexpr char kCheckCondition[] = "] CHECK ";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string PrimaryKeyText(const std::string& table, const std::string& columns) {
  return kPrimaryKeyPrefix + table + kPrimaryKeyMiddle + columns + kPrimaryKeySuffix;
}

std::string UniqueText(const std::string& table, const std::string& constraint, const std::string& columns) {
  return kUniquePrefix + table + kUniqueMiddle + constraint + kUniqueColumns + columns + kUniqueSuffix;
}

const LegacyTableDef* FindLegacyTable(const DatabaseCatalog& catalog, int32_t objectId) {
  for (const LegacyTableDef& table : catalog.legacyTables)
    if (table.objectId == objectId) return &table;
  return nullptr;
}

template <typename Qualifies>
std::string LegacyScript(const DatabaseCatalog& catalog, int32_t tableObjectId, Qualifies qualifies,
                         std::string* tableName) {
  const LegacyTableDef* table = FindLegacyTable(catalog, tableObjectId);
  if (!table) return std::string();
  *tableName = table->name;
  std::vector<std::string> names;
  for (const LegacyColumnRef& column : table->columns)
    if (qualifies(column.typeStatus)) names.push_back(column.name);
  return ScriptColumnList(names);
}

// The name of a 2000 table: its legacyTables row lists only tables with a
// clustered index, so a heap's name comes from its object row.
std::string LegacyTableName(const DatabaseCatalog& catalog, int32_t objectId) {
  if (const LegacyTableDef* table = FindLegacyTable(catalog, objectId)) return table->name;
  const ObjectDef* object = catalog.FindObjectById(objectId);
  return object ? object->name : std::string();
}

// The key column names of the table's first 2000 index that `pick` accepts,
// in key order; nothing when no such index lists a named column.
template <typename Pick>
std::optional<std::vector<std::string>> LegacyIndexKeyNames(const DatabaseCatalog& catalog, int32_t tableObjectId,
                                                            Pick pick) {
  const std::vector<const LegacyColumnDef*> columns = catalog.LegacyColumnRowsOf(tableObjectId);
  for (const LegacyIndexKeysDef& index : catalog.legacyIndexKeys) {
    if (index.objectId != tableObjectId || !pick(index)) continue;
    std::vector<std::string> names;
    for (int16_t columnId : index.keyColumnIds) {
      for (const LegacyColumnDef* column : columns) {
        if (column->objectId != tableObjectId || column->columnId != columnId) continue;
        names.push_back(column->name);
        break;
      }
    }
    if (!names.empty()) return names;
  }
  return std::nullopt;
}

std::string ColumnName(const TableDef& table, int32_t columnId) {
  for (const ColumnDef& column : table.columns)
    if (column.columnId == columnId) return column.name;
  return std::string();
}

// The key columns of the first of the table's indexes that `pick` accepts,
// in key order.
template <typename Pick>
std::vector<std::string> IndexKeyNames(const TableDef& table, Pick pick) {
  for (const IndexDef& index : table.tableIndexes) {
    if (!pick(index)) continue;
    std::vector<const IndexColumnDef*> keys;
    for (const IndexColumnDef& key : table.indexKeys)
      if (key.indexId == index.indexId && key.keyOrdinal > 0) keys.push_back(&key);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const IndexColumnDef* a, const IndexColumnDef* b) { return a->keyOrdinal < b->keyOrdinal; });
    std::vector<std::string> names;
    for (const IndexColumnDef* key : keys) {
      std::string name = ColumnName(table, key->columnId);
      if (!name.empty()) names.push_back(std::move(name));
    }
    if (!names.empty()) return names;
  }
  return {};
}

}  // namespace

std::string ScriptColumnList(const std::vector<std::string>& names) {
  std::string list = " ";
  for (const std::string& name : names) list += name + " , ";
  while (!list.empty() && IsSpace(list.back())) list.pop_back();
  if (!list.empty()) list.pop_back();
  return list;
}

std::string BuildPrimaryKeyScript(const DatabaseCatalog& catalog, int32_t tableObjectId) {
  std::string tableName;
  std::string columns =
      LegacyScript(catalog, tableObjectId, [](uint8_t status) { return (status & 0x01) != 0; }, &tableName);
  auto keys = LegacyIndexKeyNames(catalog, tableObjectId, [](const LegacyIndexKeysDef& index) {
    return (index.status & legacy_index_status::kPrimaryKey) != 0;
  });
  if (keys) {
    columns = ScriptColumnList(*keys);
    if (tableName.empty()) tableName = LegacyTableName(catalog, tableObjectId);
  }
  return PrimaryKeyText(tableName, columns);
}

std::string BuildUniqueScript(const DatabaseCatalog& catalog, int32_t tableObjectId,
                              const std::string& constraintName) {
  std::string tableName;
  std::string columns = LegacyScript(
      catalog, tableObjectId, [](uint8_t status) { return status == 0 || (status & 0x01) != 0; }, &tableName);
  auto keys = LegacyIndexKeyNames(catalog, tableObjectId, [&](const LegacyIndexKeysDef& index) {
    return index.name == constraintName && (index.status & legacy_index_status::kPrimaryKey) == 0;
  });
  if (keys) {
    columns = ScriptColumnList(*keys);
    if (tableName.empty()) tableName = LegacyTableName(catalog, tableObjectId);
  }
  return UniqueText(tableName, constraintName, columns);
}

std::string BuildPrimaryKeyScript(const TableDef& table) {
  if (table.object.objectId == -1) return PrimaryKeyText(std::string(), std::string());
  std::vector<std::string> names =
      IndexKeyNames(table, [](const IndexDef& index) { return (index.status & index_status::kPrimaryKey) != 0; });
  if (names.empty()) {
    for (const KeyColumnName& key : table.primaryKeyColumns) names.push_back(key.columnName);
  }
  if (names.empty()) {
    for (const ColumnDef& column : table.columns)
      if (column.isPrimaryKey) names.push_back(column.name);
  }
  return PrimaryKeyText(table.object.name, ScriptColumnList(names));
}

std::string BuildUniqueScript(const TableDef& table, const std::string& constraintName) {
  if (table.object.objectId == -1) return UniqueText(std::string(), constraintName, std::string());
  std::vector<std::string> names = IndexKeyNames(table, [&](const IndexDef& index) {
    return index.name == constraintName && (index.status & index_status::kUnique) != 0 &&
           (index.status & index_status::kPrimaryKey) == 0;
  });
  if (names.empty()) {
    for (const ColumnDef& column : table.columns)
      if (column.isUniqueConstraint) names.push_back(column.name);
  }
  return UniqueText(table.object.name, constraintName, ScriptColumnList(names));
}

std::string BuildCheckScript(const std::string& tableName, const std::string& constraintName,
                             const std::string& condition) {
  return kCheckPrefix + tableName + kCheckMiddle + constraintName + kCheckCondition + condition;
}

}  // namespace pagewright
