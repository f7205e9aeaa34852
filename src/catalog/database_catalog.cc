#include "catalog/database_catalog.h"

namespace pagewright {

namespace {

constexpr const char* kUserTableType = "U ";
constexpr const char* kSystemTableType = "S ";

template <typename Index, typename Rows, typename KeyOf>
void BuildIndex(Index& index, const Rows& rows, KeyOf keyOf) {
  index.positions.clear();
  for (size_t position = 0; position < rows.size(); ++position)
    index.positions[keyOf(rows[position])].push_back(position);
  index.builtForSize = rows.size();
}

// Rows whose key equals `key`, in collection order; through the index when it
// still describes the collection, else by a linear walk.
template <typename Row, typename Index, typename KeyOf>
std::vector<const Row*> RowsWithKey(const std::vector<Row>& rows, const Index& index, int32_t key,
                                    KeyOf keyOf) {
  std::vector<const Row*> found;
  if (index.builtForSize == rows.size()) {
    auto entry = index.positions.find(key);
    if (entry != index.positions.end())
      for (size_t position : entry->second) found.push_back(&rows[position]);
    return found;
  }
  for (const Row& row : rows)
    if (keyOf(row) == key) found.push_back(&row);
  return found;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

ObjectDef DatabaseCatalog::FindObject(const std::string& name, const std::string& type) const {
  for (const ObjectDef& object : objects) {
    if (object.name != name) continue;
    if (object.type == type || (object.type != kUserTableType && object.type != kSystemTableType)) return object;
  }
  return ObjectDef{};
}

const ObjectDef* DatabaseCatalog::FindObjectById(int32_t objectId) const {
  auto rows = RowsWithKey(objects, objectIndex_, objectId, [](const ObjectDef& o) { return o.objectId; });
  return rows.empty() ? nullptr : rows.front();
}

void DatabaseCatalog::CollectTableConstraints(int32_t objectId) {
  auto& list = currentTable.tableConstraints;
  list.clear();
  for (const ObjectDef& object : objects) {
    if (object.parentId != objectId) continue;
    TableConstraintDef entry;
    entry.isPrimaryKey = object.type == "PK";
    entry.isUnique = object.type == "UQ";
    entry.isForeignKey = object.type == "F ";
    entry.name = object.name;
    entry.objectId = legacyCatalog ? objectId : object.objectId;
    entry.type = object.type;
    list.push_back(std::move(entry));
  }
}

ScalarTypeDef DatabaseCatalog::FindScalarType(int32_t systemTypeId, int32_t userTypeId) const {
  const ScalarTypeDef* fallback = nullptr;
  for (const ScalarTypeDef& row : scalarTypes) {
    if (row.typeId != systemTypeId) continue;
    if (!fallback) fallback = &row;
    if (row.typeId == userTypeId && row.systemTypeId == systemTypeId && row.schemaId == 1) return row;
  }
  return fallback ? *fallback : ScalarTypeDef{};
}

std::vector<const ColumnRowDef*> DatabaseCatalog::ColumnRowsOf(int32_t objectId) const {
  return RowsWithKey(columnRows, columnIndex_, ColumnOwnerKey(objectId),
                     [](const ColumnRowDef& row) { return ColumnOwnerKey(row.objectId); });
}

std::vector<const LegacyColumnDef*> DatabaseCatalog::LegacyColumnRowsOf(int32_t objectId) const {
  return RowsWithKey(legacyColumnRows, legacyColumnIndex_, ColumnOwnerKey(objectId),
                     [](const LegacyColumnDef& row) { return ColumnOwnerKey(row.objectId); });
}

void DatabaseCatalog::RebuildIndexes() {
  BuildIndex(objectIndex_, objects, [](const ObjectDef& o) { return o.objectId; });
  BuildIndex(columnIndex_, columnRows, [](const ColumnRowDef& row) { return ColumnOwnerKey(row.objectId); });
  BuildIndex(legacyColumnIndex_, legacyColumnRows,
             [](const LegacyColumnDef& row) { return ColumnOwnerKey(row.objectId); });
}

void DatabaseCatalog::Clear() {
  currentTable = TableDef{};
  hobtColumnRows.clear();
  rowsetColumnRows.clear();
  legacyColumnRows.clear();
  legacyTables.clear();
  legacyIndexes.clear();
  legacyIndexKeys.clear();
  columnRows.clear();
  objects.clear();
  scalarTypes.clear();
  physicalColumnRows.clear();
  objectRefs.clear();
  indexes.clear();
  indexColumns.clear();
  allocationUnits.clear();
  constraints.clear();
  resolvedConstraints.clear();
  foreignKeyColumns.clear();
  rowsets.clear();
  files.clear();
  objectIndex_ = {};
  columnIndex_ = {};
  legacyColumnIndex_ = {};
}

std::optional<ModuleBytes> DecodeModuleValue(const std::string& valueText) {
  size_t characters = valueText.size();
  if (characters / 2 == 0) return std::nullopt;
  ModuleBytes result;
  result.bytes.reserve(characters / 2);
  for (size_t position = 2; position + 1 < characters; position += 2) {
    int high = HexDigit(valueText[position]);
    int low = HexDigit(valueText[position + 1]);
    // A damaged text ends the value rather than inventing bytes.
    if (high < 0 || low < 0) break;
    result.bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  for (size_t index = 1; index < result.bytes.size(); ++index)
    if (result.bytes[index] == 0) result.isWide = true;
  return result;
}

}  // namespace pagewright
