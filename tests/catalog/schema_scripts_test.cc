// The three recreating statements: templates kept exactly, column lists from
// 2000 table rows and from resolved 2005+ tables.
#include <gtest/gtest.h>

#include "catalog/database_catalog.h"
#include "catalog/schema_scripts.h"

namespace pagewright {
namespace {

DatabaseCatalog& LegacyCatalog() {
  static DatabaseCatalog catalog;
  if (catalog.legacyTables.empty()) {
    catalog.legacyCatalog = true;
    catalog.legacyTables.push_back({5, "Other", {{"x", 1, 1}}});
    catalog.legacyTables.push_back({7, "Orders", {{"id", 1, 1}, {"name", 2, 3}, {"note", 3, 0}, {"qty", 4, 2}}});
    catalog.legacyTables.push_back({7, "Duplicate", {{"never", 1, 1}}});
    catalog.legacyTables.push_back({9, "Loose", {{"a", 1, 2}}});
  }
  return catalog;
}

TEST(SchemaScripts, ColumnListsAsTheStatementsShowThem) {
  EXPECT_EQ(ScriptColumnList({"id"}), " id ");
  EXPECT_EQ(ScriptColumnList({"id", "name"}), " id , name ");
  EXPECT_EQ(ScriptColumnList({}), "");
}

TEST(SchemaScripts, LegacyStatementsTakeTheFirstTableRowAndItsQualifyingColumns) {
  const DatabaseCatalog& catalog = LegacyCatalog();
  // Primary key: bit 0 of typeStatus (id, name); unique: 0 or bit 0 (id, name, note).
  EXPECT_EQ(BuildPrimaryKeyScript(catalog, 7), "ALTER TABLE Orders ADD PRIMARY KEY ( id , name )");
  EXPECT_EQ(BuildUniqueScript(catalog, 7, "UQ_o"),
            "ALTER TABLE[dbo].[Orders] WITH NOCHECK ADD CONSTRAINT[UQ_o] UNIQUE CLUSTERED \r\n(\r\n"
            "[ id , name , note ] DSC\r\n)");
  // No qualifying column: the places stay empty.
  EXPECT_EQ(BuildPrimaryKeyScript(catalog, 9), "ALTER TABLE Loose ADD PRIMARY KEY ()");
  EXPECT_EQ(BuildUniqueScript(catalog, 9, "UQ_l"),
            "ALTER TABLE[dbo].[Loose] WITH NOCHECK ADD CONSTRAINT[UQ_l] UNIQUE CLUSTERED \r\n(\r\n[] DSC\r\n)");
  // No table row: empty table name and list.
  EXPECT_EQ(BuildPrimaryKeyScript(catalog, 42), "ALTER TABLE  ADD PRIMARY KEY ()");
}

TEST(SchemaScripts, CheckStatementKeepsTheStoredCondition) {
  EXPECT_EQ(BuildCheckScript("T", "CK_qty", "([qty]>(0))"),
            "ALTER TABLE  [dbo].[T] WITH NOCHECK ADD CONSTRAINT[CK_qty] CHECK ([qty]>(0))");
  EXPECT_EQ(BuildCheckScript("T", "CK_none", ""), "ALTER TABLE  [dbo].[T] WITH NOCHECK ADD CONSTRAINT[CK_none] CHECK ");
}

// A resolved 2005+ table: columns a, b, c; primary key index 1 over (c, a) in
// key order; unique constraints UQ_b (b) and UQ_ab (a, b).
TableDef ResolvedTable() {
  TableDef table;
  table.object.objectId = 100;
  table.object.name = "T";
  for (int32_t id = 1; id <= 3; ++id) {
    ColumnDef column;
    column.columnId = id;
    column.name = std::string(1, static_cast<char>('a' + id - 1));
    table.columns.push_back(column);
  }
  table.columns[0].isPrimaryKey = table.columns[2].isPrimaryKey = 1;
  table.columns[0].isUniqueConstraint = table.columns[1].isUniqueConstraint = 1;
  table.tableIndexes = {{100, 1, "PK_T", index_status::kPrimaryKey | index_status::kUnique},
                        {100, 2, "UQ_b", index_status::kUniqueConstraint | index_status::kUnique},
                        {100, 3, "UQ_ab", index_status::kUniqueConstraint | index_status::kUnique}};
  table.indexKeys = {{100, 1, 2, 0, 1}, {100, 1, 1, 0, 3}, {100, 2, 1, 0, 2}, {100, 3, 1, 0, 1}, {100, 3, 2, 0, 2}};
  table.primaryKeyColumns = {{"T", "a"}, {"T", "c"}};
  return table;
}

TEST(SchemaScripts, ResolvedTableStatementsUseTheKeyIndexInKeyOrder) {
  TableDef table = ResolvedTable();
  EXPECT_EQ(BuildPrimaryKeyScript(table), "ALTER TABLE T ADD PRIMARY KEY ( c , a )");
  EXPECT_EQ(BuildUniqueScript(table, "UQ_b"),
            "ALTER TABLE[dbo].[T] WITH NOCHECK ADD CONSTRAINT[UQ_b] UNIQUE CLUSTERED \r\n(\r\n[ b ] DSC\r\n)");
  EXPECT_EQ(BuildUniqueScript(table, "UQ_ab"),
            "ALTER TABLE[dbo].[T] WITH NOCHECK ADD CONSTRAINT[UQ_ab] UNIQUE CLUSTERED \r\n(\r\n[ a , b ] DSC\r\n)");

  // Without index rows: primaryKeyColumns, then the column flags.
  table.tableIndexes.clear();
  table.indexKeys.clear();
  EXPECT_EQ(BuildPrimaryKeyScript(table), "ALTER TABLE T ADD PRIMARY KEY ( a , c )");
  EXPECT_EQ(BuildUniqueScript(table, "UQ_b"),
            "ALTER TABLE[dbo].[T] WITH NOCHECK ADD CONSTRAINT[UQ_b] UNIQUE CLUSTERED \r\n(\r\n[ a , b ] DSC\r\n)");

  // A table that was not found.
  EXPECT_EQ(BuildPrimaryKeyScript(TableDef{}), "ALTER TABLE  ADD PRIMARY KEY ()");
}

}  // namespace
}  // namespace pagewright
