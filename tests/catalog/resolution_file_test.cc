// Table resolution of synthetic files written by the catalog writer in all
// three catalog generations, opened through the whole open sequence, and the
// columns command over them.
#include <gtest/gtest.h>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "support/catalog_writer.h"
#include "support/open_fixtures.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "values/type_codes.h"

namespace pagewright {
namespace {

using support::CatalogGeneration;
using support::CatalogWriter;
using support::ColumnSpec;
namespace sql = support::sql_type;

constexpr int32_t kTablePage = 200;
constexpr int32_t kForeignPage = 201;

support::TableSpec Customers() {
  support::TableSpec table;
  table.name = "Customers";
  ColumnSpec id{"CustomerID", sql::kInt, 0, 4};
  id.nullable = false;
  id.identity = support::IdentitySpec{100, 5};
  ColumnSpec name{"Name", sql::kNVarChar, 0, 80};
  name.nullable = false;
  ColumnSpec notes{"Notes", sql::kNText, 0, 16};
  ColumnSpec balance{"Balance", sql::kMoney, 0, 8};
  table.columns = {id, name, notes, balance};
  return table;
}

// The file: the catalog, a data page of the table and a page whose header
// carries the same object id but another index id (a system table's page in
// a 2005+ file).
struct WrittenFile {
  support::TempDir dir;
  std::string path;
  int32_t tableId = 0;
};

std::unique_ptr<WrittenFile> Write(CatalogGeneration generation) {
  auto out = std::make_unique<WrittenFile>();
  CatalogWriter writer(generation);
  out->tableId = writer.AddTable(Customers());
  writer.AddPrimaryKey(out->tableId, "PK_Customers", {1});
  support::FileImage image = writer.BuildFile(support::BootPageSpec{});
  support::PageImage page(1, PageId{1, kTablePage});
  support::PageImage foreign(1, PageId{1, kForeignPage});
  if (generation == CatalogGeneration::kSql2000) {
    page.SetObjectId(out->tableId).SetIndexId(0);
    foreign.SetObjectId(out->tableId + 1).SetIndexId(0);
  } else {
    const support::TableStorage* storage = writer.Storage(out->tableId);
    page.SetAllocationUnit(storage->allocationUnitId);
    foreign.SetAllocationUnit(storage->allocationUnitId).SetIndexId(1);
  }
  image.PutPage(page);
  image.PutPage(foreign);
  out->path = out->dir.File("db.mdf");
  EXPECT_TRUE(image.WriteTo(out->path));
  return out;
}

TEST(ResolutionFile, EveryGenerationResolvesColumnsKeysAndPages) {
  const struct {
    CatalogGeneration generation;
    const char* what;
  } cases[] = {{CatalogGeneration::kSql2008, "2008"}, {CatalogGeneration::kSql2005, "2005"},
               {CatalogGeneration::kSql2000, "2000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto written = Write(c.generation);
    EngineState state;
    support::RecordingNotifier notifier;
    OpenedDatabase opened;
    ASSERT_TRUE(OpenDatabase(written->path, state, &notifier, opened));
    DatabaseCatalog& catalog = *opened.catalog;
    const bool legacy = c.generation == CatalogGeneration::kSql2000;
    ASSERT_EQ(catalog.legacyCatalog, legacy);

    auto columns = ResolveTable(catalog, "Customers", "U ", {});
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].name, "CustomerID");
    EXPECT_EQ(columns[0].typeText, "int(4)");
    EXPECT_EQ(columns[0].nullable, 0);
    EXPECT_EQ(columns[1].typeText, "nvarchar(80)");
    EXPECT_EQ(columns[1].declaredLength, 80);
    EXPECT_EQ(DeclarationText(columns[1]), "nvarchar(40)");
    EXPECT_EQ(columns[1].nullable, 0);
    EXPECT_EQ(columns[2].typeCode, type_code::kNText);
    EXPECT_EQ(columns[2].nullable, 1);
    EXPECT_EQ(columns[3].typeText, "money(8)");
    for (const ColumnDef& column : columns) EXPECT_EQ(column.hasPhysicalInfo, 1) << column.name;
    // Keys in every generation: 2000 files from the index row's key description.
    EXPECT_EQ(columns[0].isPrimaryKey, 1);
    EXPECT_EQ(columns[1].isPrimaryKey, 0);
    ASSERT_EQ(catalog.currentTable.primaryKeyColumns.size(), 1u);
    EXPECT_EQ(catalog.currentTable.primaryKeyColumns[0].columnName, "CustomerID");
    if (!legacy) {
      EXPECT_EQ(columns[0].identityText, "identity(100,5)");
      EXPECT_EQ(columns[0].leafOffset, 4);
      EXPECT_LT(columns[1].leafOffset, 0);  // first variable column
    }
    ASSERT_EQ(catalog.currentTable.pages.size(), 1u);
    EXPECT_EQ(catalog.currentTable.pages[0], (PageId{1, kTablePage}));
  }
}

TEST(ResolutionFile, ColumnsCommandTextJsonAndMissingTable) {
  auto written = Write(CatalogGeneration::kSql2008);
  auto text = support::RunPagewright({"columns", written->path, "Customers"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("1\tCustomerID\tint(4)\tint\tNOT NULL\tPK UQ\tidentity(100,5)\t\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("2\tName\tnvarchar(80)\tnvarchar(40)\tNOT NULL\t"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("pages\t1\n"), std::string::npos);

  auto json = support::RunPagewright({"columns", "--json", written->path, "Customers"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  std::string table;
  ASSERT_TRUE(support::JsonMember(json.out, "table", table));
  EXPECT_EQ(table, "Customers");
  EXPECT_NE(json.out.find("{\"name\":\"CustomerID\",\"typeText\":\"int(4)\",\"typeCode\":9,\"nullable\":false,"
                          "\"primaryKey\":true,\"identity\":\"identity(100,5)\",\"definition\":\"\""),
            std::string::npos)
      << json.out;

  auto missing = support::RunPagewright({"columns", written->path, "Nobody"});
  EXPECT_EQ(missing.exitCode, 3);
  EXPECT_NE(missing.err.find("Nobody"), std::string::npos);
  EXPECT_EQ(support::RunPagewright({"columns", written->path}).exitCode, 1);
}

}  // namespace
}  // namespace pagewright
