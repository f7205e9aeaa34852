// ObjectTree: the object tree of a scan as a model, independent of any
// control. A host draws it; the workflow builds it.
//
// Hierarchy after a scan (display order; every item but the root goes in as
// the first child of its parent, which gives this order):
//
//   root (database name, or "RepairDataBase")
//     Views                 reverse catalog order
//     Programmability
//       Triggers            reverse catalog order
//       Default             reverse catalog order
//       Store Procedure     sorted by label
//       Function            sorted by label
//     Tables
//       System Tables       reverse catalog order
//       User Tables         sorted by label
//
// Object items carry item data 1, categories 0. A table item has one child
// "Columns" until it is expanded (ExpandTableItem), then "ForeignKey",
// "Unique", "Constraint", "PrimaryKey" and "Columns".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_records.h"

namespace pagewright {

class DatabaseCatalog;

inline constexpr int32_t kNoTreeItem = -1;

struct TreeItem {
  std::string label;
  uint32_t itemData = 0;
  bool bold = false;
  int32_t parent = kNoTreeItem;
  std::vector<int32_t> children;  // display order
};

class ObjectTree {
 public:
  // Removes every item.
  void Clear();
  // Inserts `label` as the first child of `parent`; with kNoTreeItem, as the
  // last top-level item. Returns the new item; kNoTreeItem for a parent that
  // is not an item.
  int32_t InsertFirstChild(int32_t parent, std::string_view label, uint32_t itemData);
  // Orders the direct children of `item` by case-insensitive label (equal
  // labels keep their order).
  void SortChildren(int32_t item);

  bool Valid(int32_t item) const { return item >= 0 && static_cast<size_t>(item) < items_.size(); }
  // The item; a default item for an invalid id.
  const TreeItem& Item(int32_t item) const;
  void SetBold(int32_t item, bool bold);
  const std::vector<int32_t>& TopLevel() const { return topLevel_; }
  // The first direct child of `parent` labelled `label`, or kNoTreeItem.
  int32_t FindChild(int32_t parent, std::string_view label) const;
  // The item at a path of labels from a top-level item ("Db/Tables/User
  // Tables/Orders"); kNoTreeItem when a step is missing.
  int32_t FindPath(const std::vector<std::string>& labels) const;
  bool Empty() const { return topLevel_.empty(); }

  // The tree as an indented outline: one line per item, two spaces per
  // level, bold items marked with a trailing " *".
  std::string Outline() const;

 private:
  std::vector<TreeItem> items_;
  std::vector<int32_t> topLevel_;
};

// The root and the nine category items, as CreateCategoryNodes made them.
struct CategoryItems {
  int32_t root = kNoTreeItem;
  int32_t tables = kNoTreeItem;
  int32_t userTables = kNoTreeItem;
  int32_t systemTables = kNoTreeItem;
  int32_t programmability = kNoTreeItem;
  int32_t functions = kNoTreeItem;
  int32_t storeProcedures = kNoTreeItem;
  int32_t views = kNoTreeItem;
  int32_t defaults = kNoTreeItem;
  int32_t triggers = kNoTreeItem;
};

// Inserts the root (after any existing top-level items) and the nine
// categories.
CategoryItems CreateCategoryNodes(ObjectTree& tree, std::string_view rootLabel);

// What PopulateObjectTree reports and asks on its way.
struct TreePopulation {
  std::function<void(std::string_view)> setCaption;
  std::function<void(std::string_view)> appendOutputLine;
  std::function<void(int64_t low, int64_t high)> setProgressRange;
  std::function<void(int64_t position)> setProgressPos;
  // Resolves a table ("U " or "S ") as the current table; true when the
  // resolution gave both columns and pages (the item is then drawn bold).
  // Unset: no table is bold.
  std::function<bool(const ObjectDef& table)> resolveForTree;
  // Receives every named object in catalog order, placed or not.
  std::vector<ObjectDef>* placedObjects = nullptr;
};

// Places the catalog's objects under the categories. False when the catalog
// has no object, or none of them has a name.
bool PopulateObjectTree(ObjectTree& tree, const CategoryItems& categories, const DatabaseCatalog& catalog,
                        const TreePopulation& population);

// The category an object of `type` goes under, or kNoTreeItem.
int32_t CategoryForType(const CategoryItems& categories, std::string_view type);

// The label of a column under "Columns": name, two spaces, type text, the key
// mark, and the foreign-key reference.
std::string ColumnLabel(const ColumnDef& column);

// Grows a table item with its key, constraint and column children from the
// resolved `table` (null: not resolved as a table). Applies only to an item
// whose first child is "Columns" (not expanded yet); false, with nothing
// changed, for any other item. True otherwise, also when `table` is null and
// the item keeps its single "Columns" child. `legacyCatalog` selects the item
// data of the 2000-layout keys (the table's object id).
bool ExpandTableItem(ObjectTree& tree, int32_t tableItem, const TableDef* table, bool legacyCatalog);

}  // namespace pagewright
