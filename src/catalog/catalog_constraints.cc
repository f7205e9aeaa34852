// Constraint collection of the 2005+ layout: the objects owned by other
// objects, the references that tie them to what they constrain, and the
// column pairs of foreign keys with their names.
#include <map>
#include <utility>

#include "catalog/catalog_loader.h"

namespace pagewright {

namespace {

constexpr uint8_t kSchemaScoped = 0;  // schemaClass of objects in a schema
constexpr uint8_t kOwnedByObject = 1;  // parentClass of objects owned by an object

}  // namespace

void CollectConstraints(DatabaseCatalog& catalog) {
  catalog.constraints.clear();
  catalog.resolvedConstraints.clear();
  catalog.foreignKeyColumns.clear();

  for (const ObjectDef& object : catalog.objects) {
    if (object.schemaClass != kSchemaScoped || object.parentClass != kOwnedByObject) continue;
    ConstraintDef constraint;
    constraint.name = object.name;
    constraint.objectId = object.objectId;
    constraint.schemaId = object.schemaId;
    constraint.parentId = object.parentId;
    constraint.type = object.type;
    constraint.intProperty = object.intProperty;
    catalog.constraints.push_back(std::move(constraint));
  }

  for (const ObjectRefDef& reference : catalog.objectRefs) {
    if (reference.dependentSubId != 0) continue;
    if (reference.refClass != ref_class::kOwnedToObject && reference.refClass != ref_class::kOwnedToColumn) continue;
    for (ConstraintDef& constraint : catalog.constraints) {
      if (constraint.objectId != reference.dependentId) continue;
      if (reference.refClass == ref_class::kOwnedToObject) {
        constraint.referencedObjectId = reference.referencedId;
      } else {
        constraint.referencedTableId = reference.referencedId;
        constraint.referencedColumnId = reference.referencedSubId;
      }
      catalog.resolvedConstraints.push_back(constraint);
    }
  }

  for (const ObjectRefDef& column : catalog.objectRefs) {
    if (column.refClass != ref_class::kForeignKeyColumn) continue;
    for (const ObjectRefDef& referenced : catalog.objectRefs) {
      if (referenced.refClass != ref_class::kForeignKeyReferenced) continue;
      if (referenced.dependentId != column.dependentId || referenced.dependentSubId != column.dependentSubId)
        continue;
      ForeignKeyColumnDef pair;
      pair.constraintId = column.dependentId;
      pair.keyOrdinal = column.dependentSubId;
      pair.tableId = column.referencedId;
      pair.columnId = column.referencedSubId;
      pair.referencedTableId = referenced.referencedId;
      pair.referencedColumnId = referenced.referencedSubId;
      catalog.foreignKeyColumns.push_back(std::move(pair));
    }
  }
  NameForeignKeyColumns(catalog);
}

void NameForeignKeyColumns(DatabaseCatalog& catalog) {
  if (catalog.foreignKeyColumns.empty()) return;

  // Names: where several rows match, the last one wins.
  std::map<int32_t, const std::string*> objectNames;
  for (const ObjectDef& object : catalog.objects) objectNames[object.objectId] = &object.name;
  std::map<std::pair<int32_t, int32_t>, const std::string*> columnNames;
  for (const ColumnRowDef& column : catalog.columnRows) columnNames[{column.objectId, column.columnId}] = &column.name;
  for (const LegacyColumnDef& column : catalog.legacyColumnRows)
    columnNames[{column.objectId, column.columnId}] = &column.name;
  auto nameOf = [](const auto& names, const auto& key, std::string& out) {
    auto entry = names.find(key);
    if (entry != names.end()) out = *entry->second;
  };
  for (ForeignKeyColumnDef& pair : catalog.foreignKeyColumns) {
    nameOf(objectNames, pair.constraintId, pair.constraintName);
    nameOf(objectNames, pair.tableId, pair.tableName);
    nameOf(objectNames, pair.referencedTableId, pair.referencedTableName);
    nameOf(columnNames, std::make_pair(pair.tableId, pair.columnId), pair.columnName);
    nameOf(columnNames, std::make_pair(pair.referencedTableId, pair.referencedColumnId), pair.referencedColumnName);
  }
}

}  // namespace pagewright
