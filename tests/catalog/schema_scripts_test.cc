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

// A 2000 table whose index rows name the keys: every column is NOT NULL, so
// the typeStatus rule would list all four.
TEST(SchemaScripts, LegacyStatementsListTheKeyIndexColumnsInKeyOrder) {
  DatabaseCatalog catalog;
  catalog.legacyCatalog = true;
  catalog.legacyTables.push_back({11, "sales", {{"stor_id", 1, 1}, {"ord_num", 2, 1}, {"qty", 3, 1}, {"title_id", 4, 1}}});
  const char* names[] = {"stor_id", "ord_num", "qty", "title_id"};
  for (int16_t id = 1; id <= 4; ++id) {
    LegacyColumnDef column;
    column.objectId = 11;
    column.columnId = id;
    column.name = names[id - 1];
    catalog.legacyColumnRows.push_back(column);
  }
  catalog.legacyIndexKeys.push_back({11, 2, legacy_index_status::kUnique, "qtyind", {3}});
  catalog.legacyIndexKeys.push_back({11, 3, legacy_index_status::kUnique | legacy_index_status::kUniqueConstraint,
                                     "UQ_sales", {4, 2}});
  catalog.legacyIndexKeys.push_back({11, 1, 0x4812, "UPKCL_sales", {1, 2, 4}});
  EXPECT_EQ(BuildPrimaryKeyScript(catalog, 11), "ALTER TABLE sales ADD PRIMARY KEY ( stor_id , ord_num , title_id )");
  EXPECT_EQ(BuildUniqueScript(catalog, 11, "UQ_sales"),
            "ALTER TABLE[dbo].[sales] WITH NOCHECK ADD CONSTRAINT[UQ_sales] UNIQUE CLUSTERED \r\n(\r\n"
            "[ title_id , ord_num ] DSC\r\n)");
  // Key description lost: the column references decide as before.
  catalog.legacyIndexKeys[2].keyColumnIds.clear();
  EXPECT_EQ(BuildPrimaryKeyScript(catalog, 11),
            "ALTER TABLE sales ADD PRIMARY KEY ( stor_id , ord_num , qty , title_id )");

  // A heap has no legacyTables row: its name comes from its object row.
  ObjectDef region;
  region.objectId = 12;
  region.name = "Region";
  region.type = "U ";
  catalog.objects.push_back(region);
  LegacyColumnDef regionId;
  regionId.objectId = 12;
  regionId.columnId = 1;
  regionId.name = "RegionID";
  catalog.legacyColumnRows.push_back(regionId);
  catalog.legacyIndexKeys.push_back({12, 2, legacy_index_status::kPrimaryKey | legacy_index_status::kUnique,
                                     "PK_Region", {1}});
  EXPECT_EQ(BuildPrimaryKeyScript(catalog, 12), "ALTER TABLE Region ADD PRIMARY KEY ( RegionID )");
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
