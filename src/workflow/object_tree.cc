#include "workflow/object_tree.h"

#include <algorithm>
#include <cctype>

#include "catalog/database_catalog.h"
#include "workflow/scan_host.h"

namespace pagewright {

namespace {

constexpr uint32_t kCategoryData = 0;
constexpr uint32_t kObjectData = 1;

bool LessCaseInsensitive(const std::string& left, const std::string& right) {
  size_t common = std::min(left.size(), right.size());
  for (size_t index = 0; index < common; ++index) {
    int a = std::tolower(static_cast<unsigned char>(left[index]));
    int b = std::tolower(static_cast<unsigned char>(right[index]));
    if (a != b) return a < b;
  }
  return left.size() < right.size();
}

bool IsTableType(std::string_view type) { return type == "U " || type == "S "; }

}  // namespace

void ObjectTree::Clear() {
  items_.clear();
  topLevel_.clear();
}

int32_t ObjectTree::InsertFirstChild(int32_t parent, std::string_view label, uint32_t itemData) {
  if (parent != kNoTreeItem && !Valid(parent)) return kNoTreeItem;
  int32_t id = static_cast<int32_t>(items_.size());
  TreeItem item;
  item.label = std::string(label);
  item.itemData = itemData;
  item.parent = parent;
  items_.push_back(std::move(item));
  if (parent == kNoTreeItem) {
    topLevel_.push_back(id);
  } else {
    auto& children = items_[parent].children;
    children.insert(children.begin(), id);
  }
  return id;
}

void ObjectTree::SortChildren(int32_t item) {
  if (!Valid(item)) return;
  auto& children = items_[item].children;
  std::stable_sort(children.begin(), children.end(),
                   [this](int32_t a, int32_t b) { return LessCaseInsensitive(items_[a].label, items_[b].label); });
}

const TreeItem& ObjectTree::Item(int32_t item) const {
  static const TreeItem kNone;
  return Valid(item) ? items_[item] : kNone;
}

void ObjectTree::SetBold(int32_t item, bool bold) {
  if (Valid(item)) items_[item].bold = bold;
}

int32_t ObjectTree::FindChild(int32_t parent, std::string_view label) const {
  const std::vector<int32_t>& children = parent == kNoTreeItem ? topLevel_ : Item(parent).children;
  for (int32_t child : children)
    if (items_[child].label == label) return child;
  return kNoTreeItem;
}

int32_t ObjectTree::FindPath(const std::vector<std::string>& labels) const {
  int32_t current = kNoTreeItem;
  for (const std::string& label : labels) {
    current = FindChild(current, label);
    if (current == kNoTreeItem) return kNoTreeItem;
  }
  return current;
}

std::string ObjectTree::Outline() const {
  std::string out;
  // Depth-first in display order; an explicit stack keeps a deep tree from
  // growing the call stack.
  std::vector<std::pair<int32_t, int>> pending;
  for (auto it = topLevel_.rbegin(); it != topLevel_.rend(); ++it) pending.emplace_back(*it, 0);
  while (!pending.empty()) {
    auto [id, depth] = pending.back();
    pending.pop_back();
    const TreeItem& item = items_[id];
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += item.label;
    if (item.bold) out += " *";
    out += '\n';
    for (auto it = item.children.rbegin(); it != item.children.rend(); ++it) pending.emplace_back(*it, depth + 1);
  }
  return out;
}

CategoryItems CreateCategoryNodes(ObjectTree& tree, std::string_view rootLabel) {
  CategoryItems c;
  c.root = tree.InsertFirstChild(kNoTreeItem, rootLabel, kCategoryData);
  c.tables = tree.InsertFirstChild(c.root, "Tables", kCategoryData);
  c.userTables = tree.InsertFirstChild(c.tables, "User Tables", kCategoryData);
  c.systemTables = tree.InsertFirstChild(c.tables, "System Tables", kCategoryData);
  c.programmability = tree.InsertFirstChild(c.root, "Programmability", kCategoryData);
  c.functions = tree.InsertFirstChild(c.programmability, "Function", kCategoryData);
  c.storeProcedures = tree.InsertFirstChild(c.programmability, "Store Procedure", kCategoryData);
  c.views = tree.InsertFirstChild(c.root, "Views", kCategoryData);
  c.defaults = tree.InsertFirstChild(c.programmability, "Default", kCategoryData);
  c.triggers = tree.InsertFirstChild(c.programmability, "Triggers", kCategoryData);
  return c;
}

int32_t CategoryForType(const CategoryItems& categories, std::string_view type) {
  if (type == "U ") return categories.userTables;
  if (type == "S ") return categories.systemTables;
  if (type == "V ") return categories.views;
  if (type == "P ") return categories.storeProcedures;
  if (type == "FN" || type == "IF" || type == "TF") return categories.functions;
  if (type == "TR") return categories.triggers;
  if (type == "D ") return categories.defaults;
  return kNoTreeItem;
}

bool PopulateObjectTree(ObjectTree& tree, const CategoryItems& categories, const DatabaseCatalog& catalog,
                        const TreePopulation& population) {
  const int64_t count = static_cast<int64_t>(catalog.objects.size());
  if (count == 0) return false;
  auto progressPos = [&](int64_t position) {
    if (population.setProgressPos) population.setProgressPos(position);
  };
  if (population.setProgressRange) population.setProgressRange(0, count);
  if (population.setCaption) population.setCaption(scan_text::kCreatingTree);
  if (population.appendOutputLine) population.appendOutputLine(scan_text::kCreatingTree);
  progressPos(0);

  int64_t placed = 0;
  for (int64_t index = 0; index < count; ++index) {
    const ObjectDef& object = catalog.objects[static_cast<size_t>(index)];
    if (object.name.empty()) continue;
    int32_t parent = CategoryForType(categories, object.type);
    if (parent != kNoTreeItem) {
      int32_t item = tree.InsertFirstChild(parent, object.name, kObjectData);
      if (IsTableType(object.type)) {
        tree.InsertFirstChild(item, "Columns", kCategoryData);
        if (population.resolveForTree && population.resolveForTree(object)) tree.SetBold(item, true);
      }
    }
    if (population.placedObjects) population.placedObjects->push_back(object);
    ++placed;
    progressPos(index);
  }
  tree.SortChildren(categories.storeProcedures);
  tree.SortChildren(categories.functions);
  if (population.setCaption) population.setCaption(scan_text::kTreeDone);
  if (population.appendOutputLine) population.appendOutputLine(scan_text::kTreeDone);
  progressPos(count);
  return placed > 0;
}

std::string ColumnLabel(const ColumnDef& column) {
  std::string label = column.name + "  " + column.typeText;
  if (column.isPrimaryKey)
    label += "[Primary Key]";
  else if (column.isUnique || column.isUniqueConstraint)
    label += "[Unique]";
  if (column.isForeignKey)
    label += "  (foreign key) references " + column.referencedTableName + "( " + column.referencedColumnName + ")";
  return label;
}

bool ExpandTableItem(ObjectTree& tree, int32_t tableItem, const TableDef* table, bool legacyCatalog) {
  const TreeItem& item = tree.Item(tableItem);
  if (item.children.empty() || tree.Item(item.children.front()).label != "Columns") return false;
  if (!table) return true;
  int32_t columnsItem = item.children.front();
  int32_t primaryKey = tree.InsertFirstChild(tableItem, "PrimaryKey", kCategoryData);
  int32_t constraint = tree.InsertFirstChild(tableItem, "Constraint", kCategoryData);
  int32_t unique = tree.InsertFirstChild(tableItem, "Unique", kCategoryData);
  int32_t foreignKey = tree.InsertFirstChild(tableItem, "ForeignKey", kCategoryData);
  for (auto it = table->columns.rbegin(); it != table->columns.rend(); ++it)
    tree.InsertFirstChild(columnsItem, ColumnLabel(*it), kCategoryData);
  const uint32_t legacyKeyData = static_cast<uint32_t>(table->object.objectId);
  for (const TableConstraintDef& entry : table->tableConstraints) {
    if (entry.type == "PK")
      tree.InsertFirstChild(primaryKey, entry.name, legacyCatalog ? static_cast<uint32_t>(entry.objectId) : 0);
    else if (entry.type == "F ")
      tree.InsertFirstChild(foreignKey, entry.name, 0);
    else if (entry.type == "C " || entry.type == "D ")
      tree.InsertFirstChild(constraint, entry.name, kObjectData);
    else if (entry.type == "UQ")
      tree.InsertFirstChild(unique, entry.name, legacyCatalog ? legacyKeyData : 0);
  }
  return true;
}

}  // namespace pagewright
