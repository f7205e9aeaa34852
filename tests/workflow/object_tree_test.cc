// The object tree model: category skeleton and the order that inserting as
// first child gives, placement by type code, sorting, bold tables, column
// labels, and the one-time expansion of a table item.
#include "workflow/object_tree.h"

#include <gtest/gtest.h>

#include "catalog/database_catalog.h"

namespace pagewright {
namespace {

ObjectDef Object(const std::string& name, const std::string& type, int32_t id = 0) {
  ObjectDef object;
  object.name = name;
  object.type = type;
  object.objectId = id;
  return object;
}

struct Built {
  ObjectTree tree;
  CategoryItems categories;
  std::vector<ObjectDef> placed;
  std::vector<std::string> lines;
  bool result = false;
};

void Build(Built& built, const std::vector<ObjectDef>& objects, const std::set<std::string>& boldTables = {}) {
  DatabaseCatalog catalog;
  catalog.objects = objects;
  built.categories = CreateCategoryNodes(built.tree, "Db");
  TreePopulation population;
  population.appendOutputLine = [&](std::string_view text) { built.lines.emplace_back(text); };
  population.resolveForTree = [&](const ObjectDef& table) { return boldTables.count(table.name) != 0; };
  population.placedObjects = &built.placed;
  built.result = PopulateObjectTree(built.tree, built.categories, catalog, population);
}

TEST(ObjectTree, PlacementOrderAndSorting) {
  Built built;
  Build(built,
        {Object("b", "U "), Object("A", "U "), Object("c", "U "), Object("x", "S "), Object("y", "S "),
         Object("v1", "V "), Object("v2", "V "), Object("pz", "P "), Object("Pa", "P "), Object("tvf", "TF"),
         Object("inl", "IF"), Object("fn", "FN"), Object("trg", "TR"), Object("df", "D "), Object("tt", "TT"),
         Object("", "U "), Object("PK_b", "PK")},
        {"A"});
  ASSERT_TRUE(built.result);
  built.tree.SortChildren(built.categories.userTables);  // as the scan worker does
  EXPECT_EQ(built.tree.Outline(),
            "Db\n"
            "  Views\n"
            "    v2\n"
            "    v1\n"
            "  Programmability\n"
            "    Triggers\n"
            "      trg\n"
            "    Default\n"
            "      df\n"
            "    Store Procedure\n"
            "      Pa\n"
            "      pz\n"
            "    Function\n"
            "      fn\n"
            "      inl\n"
            "      tvf\n"
            "  Tables\n"
            "    System Tables\n"
            "      y\n"
            "        Columns\n"
            "      x\n"
            "        Columns\n"
            "    User Tables\n"
            "      A *\n"
            "        Columns\n"
            "      b\n"
            "        Columns\n"
            "      c\n"
            "        Columns\n");
  EXPECT_EQ(built.lines, (std::vector<std::string>{"Creating Tree.........", "Process done........."}));
  // Named objects are all counted as placed, also those without an item; the
  // nameless one is not.
  EXPECT_EQ(built.placed.size(), 16u);
  int32_t table = built.tree.FindPath({"Db", "Tables", "User Tables", "A"});
  ASSERT_NE(table, kNoTreeItem);
  EXPECT_EQ(built.tree.Item(table).itemData, 1u);
  EXPECT_EQ(built.tree.Item(built.categories.userTables).itemData, 0u);
}

TEST(ObjectTree, NothingToPlace) {
  Built empty;
  Build(empty, {});
  EXPECT_FALSE(empty.result);
  EXPECT_TRUE(empty.lines.empty());  // returns before any report

  Built nameless;
  Build(nameless, {Object("", "U "), Object("", "V ")});
  EXPECT_FALSE(nameless.result);
  EXPECT_EQ(nameless.lines.size(), 2u);
}

TEST(ObjectTree, ColumnLabels) {
  struct Case {
    const char* what;
    ColumnDef column;
    std::string label;
  };
  ColumnDef id;
  id.name = "id";
  id.typeText = "int(4)";
  ColumnDef primary = id;
  primary.isPrimaryKey = 1;
  primary.isUnique = 1;
  ColumnDef unique = id;
  unique.isUniqueConstraint = 1;
  ColumnDef foreign = id;
  foreign.name = "cust";
  foreign.isForeignKey = 1;
  foreign.referencedTableName = "Customer";
  foreign.referencedColumnName = "id";
  ColumnDef both = foreign;
  both.isPrimaryKey = 1;
  Case cases[] = {
      {"plain", id, "id  int(4)"},
      {"primary key wins over unique", primary, "id  int(4)[Primary Key]"},
      {"unique constraint", unique, "id  int(4)[Unique]"},
      {"foreign key", foreign, "cust  int(4)  (foreign key) references Customer( id)"},
      {"key and reference", both, "cust  int(4)[Primary Key]  (foreign key) references Customer( id)"},
  };
  for (const Case& c : cases) EXPECT_EQ(ColumnLabel(c.column), c.label) << c.what;
}

TEST(ObjectTree, TableExpandsOnceWithKeysConstraintsAndColumns) {
  Built built;
  Build(built, {Object("Orders", "U ", 77)});
  int32_t table = built.tree.FindPath({"Db", "Tables", "User Tables", "Orders"});
  ASSERT_NE(table, kNoTreeItem);

  TableDef resolved;
  resolved.object = Object("Orders", "U ", 77);
  ColumnDef first, second;
  first.name = "OrderID";
  first.typeText = "int(4)";
  first.isPrimaryKey = 1;
  second.name = "Note";
  second.typeText = "varchar(50)";
  resolved.columns = {first, second};
  auto constraint = [](const std::string& name, const std::string& type, int32_t id) {
    TableConstraintDef entry;
    entry.name = name;
    entry.type = type;
    entry.objectId = id;
    return entry;
  };
  resolved.tableConstraints = {constraint("PK_Orders", "PK", 78), constraint("CK_a", "C ", 79),
                               constraint("DF_b", "D ", 80), constraint("FK_c", "F ", 81),
                               constraint("UQ_d", "UQ", 82), constraint("trg", "TR", 83)};

  // An item not yet resolved as a table stays as it is but was eligible.
  EXPECT_TRUE(ExpandTableItem(built.tree, table, nullptr, false));
  ASSERT_TRUE(ExpandTableItem(built.tree, table, &resolved, false));
  const std::string expanded =
      "Orders\n"
      "  ForeignKey\n"
      "    FK_c\n"
      "  Unique\n"
      "    UQ_d\n"
      "  Constraint\n"
      "    DF_b\n"
      "    CK_a\n"
      "  PrimaryKey\n"
      "    PK_Orders\n"
      "  Columns\n"
      "    OrderID  int(4)[Primary Key]\n"
      "    Note  varchar(50)\n";
  std::string outline = built.tree.Outline();
  EXPECT_NE(outline.find(std::string("      Orders\n") + "        ForeignKey\n"), std::string::npos) << outline;
  // The second load does not add a second set.
  EXPECT_FALSE(ExpandTableItem(built.tree, table, &resolved, false));
  EXPECT_EQ(built.tree.Item(table).children.size(), 5u);

  const TreeItem& constraints = built.tree.Item(built.tree.FindChild(table, "Constraint"));
  for (int32_t child : constraints.children) EXPECT_EQ(built.tree.Item(child).itemData, 1u);

  // The whole subtree, re-indented from the table.
  std::string subtree;
  size_t at = outline.find("      Orders\n");
  for (size_t line = at; line < outline.size();) {
    size_t end = outline.find('\n', line);
    subtree += outline.substr(line + 6, end - line - 6) + "\n";
    line = end + 1;
  }
  EXPECT_EQ(subtree, expanded);
}

TEST(ObjectTree, LegacyKeysCarryTheTableId) {
  Built built;
  Build(built, {Object("T", "U ", 5)});
  int32_t table = built.tree.FindPath({"Db", "Tables", "User Tables", "T"});
  TableDef resolved;
  resolved.object = Object("T", "U ", 5);
  TableConstraintDef pk, uq;
  pk.name = "PK_T";
  pk.type = "PK";
  pk.objectId = 5;  // the 2000 catalog gives the parent's id
  uq.name = "UQ_T";
  uq.type = "UQ";
  uq.objectId = 9;
  resolved.tableConstraints = {pk, uq};
  ASSERT_TRUE(ExpandTableItem(built.tree, table, &resolved, true));
  auto dataOf = [&](const char* group) {
    const TreeItem& parent = built.tree.Item(built.tree.FindChild(table, group));
    return parent.children.empty() ? 999u : built.tree.Item(parent.children[0]).itemData;
  };
  EXPECT_EQ(dataOf("PrimaryKey"), 5u);
  EXPECT_EQ(dataOf("Unique"), 5u);
}

}  // namespace
}  // namespace pagewright
