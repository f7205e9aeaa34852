// The catalog bootstrap over synthetic files of every layout: what each
// loader reads, the layout decision, made-up and synthesised names, foreign
// and damaged pages, secondary files.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "catalog/catalog_loader.h"
#include "catalog/catalog_rows.h"
#include "storage/engine_state.h"
#include "support/catalog_writer.h"
#include "support/open_fixtures.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::CatalogGeneration;
using support::CatalogWriter;
using support::ColumnSpec;
using support::IdentitySpec;
using support::TableSpec;
namespace sql_type = support::sql_type;
namespace id = catalog_object;

std::vector<std::string> Names(const std::vector<ObjectDef>& objects, const std::string& type = "") {
  std::vector<std::string> names;
  for (const ObjectDef& object : objects)
    if (type.empty() || object.type == type) names.push_back(object.name);
  return names;
}

// The Shippers / Orders pair of a small shop, with keys and constraints.
struct Shop {
  int32_t shippers = 0;
  int32_t orders = 0;
  int32_t ordersPk = 0;
  int32_t ordersFk = 0;
  int32_t check = 0;
  int32_t freightDefault = 0;
};

Shop AddShop(CatalogWriter& writer) {
  Shop shop;
  TableSpec shippers{"Shippers",
                     {ColumnSpec{"ShipperID", sql_type::kInt, 0, 4, 10, 0, false, 0, IdentitySpec{1, 1}},
                      ColumnSpec{"CompanyName", sql_type::kNVarChar, 0, 80, 0, 0, false, 53256},
                      ColumnSpec{"Phone", sql_type::kNVarChar, 0, 48, 0, 0, true, 53256}}};
  shop.shippers = writer.AddTable(shippers);
  TableSpec orders{"Orders",
                   {ColumnSpec{"OrderID", sql_type::kBigInt, 0, 8, 19, 0, false, 0, IdentitySpec{10248, 2}},
                    ColumnSpec{"OrderDate", sql_type::kDateTime, 0, 8, 23, 3},
                    ColumnSpec{"Freight", sql_type::kMoney, 0, 8, 19, 4},
                    ColumnSpec{"ShipVia", sql_type::kInt},
                    ColumnSpec{"Notes", sql_type::kNText, 0, 16},
                    ColumnSpec{"Photo", sql_type::kImage, 0, 16},
                    ColumnSpec{"Code", sql_type::kNChar, 0, 10},
                    ColumnSpec{"Price", sql_type::kDecimal, 0, 9, 18, 2},
                    ColumnSpec{"Guid", sql_type::kUniqueIdentifier, 0, 16},
                    ColumnSpec{"Flag", sql_type::kBit, 0, 1},
                    ColumnSpec{"Body", sql_type::kVarChar, 0, -1}}};
  shop.orders = writer.AddTable(orders);
  shop.ordersPk = writer.AddPrimaryKey(shop.orders, "PK_Orders", {1});
  writer.AddPrimaryKey(shop.shippers, "PK_Shippers", {1});
  writer.AddUniqueConstraint(shop.shippers, "UQ_Shippers_Name", {2});
  shop.ordersFk = writer.AddForeignKey(shop.orders, "FK_Orders_Shippers", {4}, shop.shippers, {1});
  shop.check = writer.AddCheck(shop.orders, "CK_Freight", 3);
  shop.freightDefault = writer.AddDefault(shop.orders, "DF_Orders_Freight", 3);
  writer.AddObject("Invoices", "V ");
  writer.AddObject("CustOrderHist", "P ");
  writer.AddObject("fn_total", "FN");
  writer.AddObject("orders_upd", "TR", shop.orders);
  return shop;
}

class CatalogLoaderTest : public testing::Test {
 protected:
  // Writes `writer`'s file as db.mdf and runs OpenDatabase over it.
  const DatabaseCatalog& Open(const CatalogWriter& writer) {
    support::FileImage image = writer.BuildFile(support::BootPageSpec{});
    return OpenImage(image);
  }
  const DatabaseCatalog& OpenImage(const support::FileImage& image) {
    EXPECT_TRUE(image.WriteTo(dir.File("db.mdf")));
    bool opened = OpenDatabase(dir.File("db.mdf"), state, &notifier, database);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(database.catalog);
    static const DatabaseCatalog kEmpty;
    if (!database.catalog) return kEmpty;
    EXPECT_EQ(database.file->catalog, database.catalog.get());
    return *database.catalog;
  }

  support::TempDir dir;
  EngineState state;
  support::RecordingNotifier notifier;
  OpenedDatabase database;
};

TEST_F(CatalogLoaderTest, Layout2008ReadsEveryTable) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  Shop shop = AddShop(writer);
  writer.AddDatabaseFile(1, "Shop", "C:\\DATA\\shop.mdf");
  writer.AddDatabaseFile(2, "Shop_log", "C:\\DATA\\shop_log.ldf");
  const DatabaseCatalog& catalog = Open(writer);

  EXPECT_FALSE(catalog.legacyCatalog);
  EXPECT_FALSE(state.legacyCatalog.load());
  EXPECT_EQ(database.file->databaseName, "Sample");
  EXPECT_EQ(Names(catalog.objects, "U "), (std::vector<std::string>{"Shippers", "Orders"}));
  EXPECT_EQ(Names(catalog.objects, "V "), (std::vector<std::string>{"Invoices"}));
  EXPECT_EQ(Names(catalog.objects, "P "), (std::vector<std::string>{"CustOrderHist"}));
  EXPECT_EQ(catalog.objects.size(), 12u);
  ASSERT_EQ(catalog.files.size(), 2u);
  EXPECT_EQ(catalog.files[0].logicalName, "Shop");

  // 3 + 11 column rows, identity texts on the identity columns only.
  ASSERT_EQ(catalog.columnRows.size(), 14u);
  auto shipperColumns = catalog.ColumnRowsOf(shop.shippers);
  ASSERT_EQ(shipperColumns.size(), 3u);
  EXPECT_EQ(shipperColumns[0]->name, "ShipperID");
  EXPECT_EQ(shipperColumns[0]->identityText, "identity(1,1)");
  EXPECT_EQ(shipperColumns[1]->identityText, "");
  EXPECT_EQ(shipperColumns[1]->collationId, 53256);
  EXPECT_EQ(shipperColumns[2]->status & 1, 0);  // nullable Phone
  auto orderColumns = catalog.ColumnRowsOf(shop.orders);
  ASSERT_EQ(orderColumns.size(), 11u);
  EXPECT_EQ(orderColumns[0]->identityText, "identity(10248,2)");
  EXPECT_EQ(orderColumns[10]->length, -1);
  EXPECT_EQ(orderColumns[7]->precision, 18);
  EXPECT_EQ(orderColumns[7]->scale, 2);

  // Storage: a rowset and an in-row unit per table, physical columns of 2008.
  EXPECT_EQ(catalog.rowsets.size(), 2u);
  ASSERT_EQ(catalog.allocationUnits.size(), 2u);
  EXPECT_EQ(catalog.allocationUnits[1].ownerId, writer.Storage(shop.orders)->rowsetId);
  EXPECT_EQ(catalog.allocationUnits[1].PageIndexId(), 256);
  EXPECT_EQ(catalog.physicalColumnRows.size(), 14u);
  EXPECT_TRUE(catalog.hobtColumnRows.empty());
  EXPECT_FALSE(catalog.scalarTypes.empty());
  EXPECT_EQ(catalog.FindScalarType(sql_type::kNVarChar, 256).name, "nvarchar");

  // Keys: clustered indexes of both tables plus three key indexes.
  EXPECT_EQ(catalog.indexes.size(), 5u);
  EXPECT_EQ(catalog.indexColumns.size(), 3u);

  // Owned objects become constraints; references fill them in.
  std::vector<std::string> constraintNames;
  for (const ConstraintDef& constraint : catalog.constraints) constraintNames.push_back(constraint.name);
  EXPECT_EQ(constraintNames, (std::vector<std::string>{"PK_Orders", "PK_Shippers", "UQ_Shippers_Name",
                                                       "FK_Orders_Shippers", "CK_Freight", "DF_Orders_Freight",
                                                       "orders_upd"}));
  ASSERT_EQ(catalog.resolvedConstraints.size(), 3u);
  EXPECT_EQ(catalog.resolvedConstraints[0].objectId, shop.ordersFk);
  EXPECT_EQ(catalog.resolvedConstraints[0].referencedObjectId, shop.shippers);
  EXPECT_EQ(catalog.resolvedConstraints[1].objectId, shop.check);
  EXPECT_EQ(catalog.resolvedConstraints[1].referencedTableId, shop.orders);
  EXPECT_EQ(catalog.resolvedConstraints[1].referencedColumnId, 3);
  EXPECT_EQ(catalog.resolvedConstraints[2].objectId, shop.freightDefault);

  ASSERT_EQ(catalog.foreignKeyColumns.size(), 1u);
  const ForeignKeyColumnDef& pair = catalog.foreignKeyColumns[0];
  EXPECT_EQ(pair.constraintName, "FK_Orders_Shippers");
  EXPECT_EQ(pair.tableName, "Orders");
  EXPECT_EQ(pair.columnName, "ShipVia");
  EXPECT_EQ(pair.referencedTableName, "Shippers");
  EXPECT_EQ(pair.referencedColumnName, "ShipperID");
  EXPECT_EQ(pair.keyOrdinal, 1);
}

TEST_F(CatalogLoaderTest, Layout2005ReadsHobtColumnsAndTheRowsetMap) {
  CatalogWriter writer(CatalogGeneration::kSql2005);
  Shop shop = AddShop(writer);
  const DatabaseCatalog& catalog = Open(writer);
  EXPECT_FALSE(catalog.legacyCatalog);
  EXPECT_TRUE(catalog.physicalColumnRows.empty());
  ASSERT_EQ(catalog.hobtColumnRows.size(), 14u);
  ASSERT_EQ(catalog.rowsetColumnRows.size(), 14u);
  const HobtColumnDef& freight = catalog.hobtColumnRows[3 + 2];
  EXPECT_EQ(freight.hobtId, writer.Storage(shop.orders)->rowsetId);
  EXPECT_EQ(freight.columnId, 3);
  EXPECT_EQ(freight.leafOffset, 4 + 8 + 8);  // after OrderID and OrderDate
  EXPECT_EQ(catalog.hobtColumnRows[3 + 4].leafOffset, -1);  // Notes: first variable column
}

TEST_F(CatalogLoaderTest, Layout2000ReadsLegacyTables) {
  CatalogWriter writer(CatalogGeneration::kSql2000);
  Shop shop = AddShop(writer);
  int32_t heap = writer.AddTable(TableSpec{"Log", {ColumnSpec{"Line", sql_type::kVarChar, 0, 200}}, 0, 1, false});
  const DatabaseCatalog& catalog = Open(writer);

  EXPECT_TRUE(catalog.legacyCatalog);
  EXPECT_TRUE(state.legacyCatalog.load());
  EXPECT_EQ(Names(catalog.objects, "U "), (std::vector<std::string>{"Shippers", "Orders", "Log"}));
  const ObjectDef* key = catalog.FindObjectById(shop.ordersPk);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->parentId, shop.orders);
  EXPECT_EQ(key->schemaId, 1);

  // No unit table in 2000 (the allocation pages of object 99 are no units),
  // and none of the 2005+ tables.
  EXPECT_TRUE(catalog.allocationUnits.empty());
  EXPECT_TRUE(catalog.columnRows.empty());
  EXPECT_TRUE(catalog.indexes.empty());
  EXPECT_TRUE(catalog.constraints.empty());
  EXPECT_TRUE(catalog.scalarTypes.empty());

  // Tables come from the index rows with index id 1: the heap has none.
  ASSERT_EQ(catalog.legacyIndexes.size(), 2u);
  EXPECT_EQ(catalog.legacyIndexes.count(heap), 0u);
  ASSERT_EQ(catalog.legacyTables.size(), 2u);
  const LegacyTableDef& first = catalog.legacyTables[0];
  const LegacyTableDef& second = catalog.legacyTables[1];
  EXPECT_LT(first.objectId, second.objectId);  // ascending object id
  const LegacyTableDef& shippers = first.objectId == shop.shippers ? first : second;
  EXPECT_EQ(shippers.name, "Shippers");
  ASSERT_EQ(shippers.columns.size(), 3u);
  EXPECT_EQ(shippers.columns[2].name, "Phone");
  EXPECT_EQ(shippers.columns[2].columnOrder, 3);

  ASSERT_EQ(catalog.legacyColumnRows.size(), 15u);
  auto columns = catalog.LegacyColumnRowsOf(shop.shippers);
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_TRUE(columns[0]->IsNotNull());
  EXPECT_FALSE(columns[2]->IsNotNull());
}

TEST_F(CatalogLoaderTest, UserPagesSharingASystemTableIdStayOut) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  AddShop(writer);
  support::FileImage image = writer.BuildFile(support::BootPageSpec{});
  // A user table whose allocation unit key is 41 (the columns table's id),
  // holding rows that look like column rows, and one keyed 34 holding rows
  // that look like object rows.
  int32_t pageNo = static_cast<int32_t>(image.blockCount());
  for (auto [key, row] : {std::pair<int32_t, support::Bytes>{41, writer.rows().at(id::kColumns).front()},
                          std::pair<int32_t, support::Bytes>{34, support::EncodeObjectRow(77, "bogus", "U ", 1, 0)}}) {
    support::PageImage page(page_type::kData, PageId{1, pageNo++});
    page.SetAllocationUnit(static_cast<int64_t>((uint64_t{256} << 48) | (static_cast<uint64_t>(key) << 16)));
    for (int copy = 0; copy < 3; ++copy) page.AddRecord(row);
    image.PutPage(page);
  }
  const DatabaseCatalog& catalog = OpenImage(image);
  EXPECT_EQ(catalog.columnRows.size(), 14u);
  EXPECT_EQ(catalog.FindObjectById(77), nullptr);
  EXPECT_EQ(catalog.objects.size(), 12u);

  // Maps that hold such pages anyway (e.g. taken from elsewhere) are filtered
  // by the loader too.
  DatabaseFile& file = *database.file;
  auto userPage = file.dataPages.find(34);
  ASSERT_NE(userPage, file.dataPages.end());
  file.systemPages[34].push_back(userPage->second.back());
  DatabaseCatalog again(&file);
  CatalogLoader(file).Bootstrap(again);
  EXPECT_EQ(again.FindObjectById(77), nullptr);
  EXPECT_EQ(again.objects.size(), 12u);
}

TEST_F(CatalogLoaderTest, LostObjectRowsAreSynthesisedFromColumnRows) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  Shop shop = AddShop(writer);
  writer.rows()[id::kObjects].clear();
  const DatabaseCatalog& catalog = Open(writer);
  // The 2005+ column pages survived, so the file is not taken for a 2000 one.
  EXPECT_FALSE(catalog.legacyCatalog);
  ASSERT_EQ(catalog.objects.size(), 2u);
  EXPECT_EQ(catalog.objects[0].objectId, shop.shippers);
  EXPECT_EQ(catalog.objects[0].name, std::to_string(shop.shippers));
  EXPECT_EQ(catalog.objects[0].type, "U ");
  EXPECT_EQ(catalog.objects[0].parentId, -1);
  EXPECT_EQ(catalog.objects[1].name, std::to_string(shop.orders));
  EXPECT_EQ(catalog.FindObject(std::to_string(shop.orders), "U ").objectId, shop.orders);
}

TEST_F(CatalogLoaderTest, LostObjectRowsOfA2000FileAreSynthesisedToo) {
  CatalogWriter writer(CatalogGeneration::kSql2000);
  Shop shop = AddShop(writer);
  writer.rows()[id::kLegacyObjects].clear();
  const DatabaseCatalog& catalog = Open(writer);
  EXPECT_TRUE(catalog.legacyCatalog);
  EXPECT_EQ(Names(catalog.objects), (std::vector<std::string>{std::to_string(shop.shippers), std::to_string(shop.orders)}));
  // The tables are still known from the index rows, without names.
  ASSERT_EQ(catalog.legacyTables.size(), 2u);
  EXPECT_EQ(catalog.legacyTables[0].name, "");
}

TEST_F(CatalogLoaderTest, SomeObjectRowsSurvive) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  Shop shop = AddShop(writer);
  auto& objects = writer.rows()[id::kObjects];
  objects.erase(objects.begin());  // Shippers' row is lost
  const DatabaseCatalog& catalog = Open(writer);
  EXPECT_EQ(Names(catalog.objects, "U "), (std::vector<std::string>{"Orders"}));
  // Shippers' columns are loaded but belong to no listed object.
  EXPECT_EQ(catalog.ColumnRowsOf(shop.shippers).size(), 3u);
  EXPECT_EQ(catalog.FindObjectById(shop.shippers), nullptr);
}

TEST_F(CatalogLoaderTest, NoCatalogRowsAtAll) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  AddShop(writer);
  writer.rows()[id::kObjects].clear();
  writer.rows()[id::kColumns].clear();
  const DatabaseCatalog& catalog = Open(writer);
  // The boot page names a 2005+ release; without column rows nothing can be
  // synthesised (and the physical columns of object 3 are not taken for 2000
  // column rows).
  EXPECT_FALSE(catalog.legacyCatalog);
  EXPECT_TRUE(catalog.objects.empty());
  EXPECT_TRUE(catalog.legacyColumnRows.empty());
  EXPECT_EQ(catalog.physicalColumnRows.size(), 14u);
}

TEST_F(CatalogLoaderTest, WithoutBootPageSurvivingColumnPagesDecideTheLayout) {
  for (bool withColumns : {true, false}) {
    SCOPED_TRACE(withColumns);
    CatalogWriter writer(CatalogGeneration::kSql2008);
    AddShop(writer);
    writer.rows()[id::kObjects].clear();
    if (!withColumns) writer.rows()[id::kColumns].clear();
    support::FileImage image = writer.BuildFile(support::BootPageSpec{});
    image.PutBlockAt(9, support::Bytes(kPageSize, 0));  // boot page zeroed
    database = {};
    const DatabaseCatalog& catalog = OpenImage(image);
    EXPECT_EQ(catalog.legacyCatalog, !withColumns);
    EXPECT_EQ(catalog.objects.size(), withColumns ? 2u : 0u);
  }
}

TEST_F(CatalogLoaderTest, NamelessRowsGetNamesNumberedPerTable) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  writer.AddObject("", "V ");
  writer.AddTable(TableSpec{"T",
                            {ColumnSpec{"a"}, ColumnSpec{"", sql_type::kInt, 0, 4, 10, 0, true, 0, {}, true},
                             ColumnSpec{"", sql_type::kInt, 0, 4, 10, 0, true, 0, {}, true}}});
  writer.AddObject("", "P ");
  // The second columns table numbers its own nameless rows from 0 again.
  writer.AddRawRow(id::kMoreColumns, writer.rows().at(id::kColumns)[1]);
  const DatabaseCatalog& catalog = Open(writer);
  EXPECT_EQ(Names(catalog.objects), (std::vector<std::string>{"Repairname0", "T", "Repairname1"}));
  std::vector<std::string> columns;
  for (const ColumnRowDef& column : catalog.columnRows) columns.push_back(column.name);
  EXPECT_EQ(columns, (std::vector<std::string>{"a", "RepairColumn0", "RepairColumn1", "RepairColumn0"}));

  // A second load of the same file numbers from 0 again.
  DatabaseCatalog again(database.file.get());
  CatalogLoader(*database.file).Bootstrap(again);
  EXPECT_EQ(Names(again.objects), Names(catalog.objects));
}

TEST_F(CatalogLoaderTest, StaleAndUnusableRecordsAreSkipped) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  AddShop(writer);
  // A 2000-layout column row among the physical columns (42-byte fixed part).
  support::FixedVarRecord stale;
  stale.fixed = support::Bytes(catalog_layout::legacy_columns::kFixedLength, 0x11);
  stale.columnCount = 21;
  stale.varColumns = {support::VarColumn{support::Utf16Le("collationid"), false}};
  writer.AddRawRow(id::kPhysicalColumns, stale.Build());
  // An object row as a ghost: gone unless deleted rows are shown.
  support::FixedVarRecord ghost;
  ghost.recordType = record_type::kGhostData;
  ghost.fixed = CPrimaryRecord(ByteView(support::EncodeObjectRow(4242, "dropped", "U ", 1, 0)), nullptr, 8000).fixedData;
  ghost.columnCount = 11;
  ghost.varColumns = {support::VarColumn{support::Utf16Le("dropped"), false}};
  writer.AddRawRow(id::kObjects, ghost.Build());
  // An object row of column count 0 (length 0), and a LOB fragment.
  support::FixedVarRecord empty;
  empty.fixed = support::Bytes(40, 0x22);
  empty.columnCount = 0;
  writer.AddRawRow(id::kObjects, empty.Build());
  support::FixedVarRecord lob;
  lob.recordType = record_type::kLobFragment;
  lob.fixed = support::Bytes(40, 0x33);
  writer.AddRawRow(id::kObjects, lob.Build());

  support::FileImage image = writer.BuildFile(support::BootPageSpec{});
  // An IAM page of the objects table: its records have column count 0.
  support::PageImage iam(page_type::kIam, PageId{1, static_cast<int32_t>(image.blockCount())});
  iam.SetObjectId(id::kObjects).SetIndexId(1);
  iam.AddRecord(empty.Build());
  image.PutPage(iam);

  const DatabaseCatalog& catalog = OpenImage(image);
  EXPECT_EQ(catalog.physicalColumnRows.size(), 14u);
  EXPECT_EQ(catalog.objects.size(), 12u);
  EXPECT_EQ(catalog.FindObjectById(4242), nullptr);

  state.showDeleted = true;
  DatabaseCatalog withDeleted(database.file.get());
  CatalogLoader(*database.file).Bootstrap(withDeleted);
  ASSERT_NE(withDeleted.FindObjectById(4242), nullptr);
  EXPECT_EQ(withDeleted.FindObjectById(4242)->name, "dropped");
  EXPECT_EQ(withDeleted.objects.size(), 13u);
}

TEST_F(CatalogLoaderTest, ObjectsPageOverwrittenWithRandomBytes) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  // Enough tables to fill more than one page of object rows.
  for (int table = 0; table < 120; ++table)
    writer.AddTable(TableSpec{"Table_with_a_long_name_" + std::to_string(table), {ColumnSpec{"c"}}});
  std::vector<support::PageImage> pages = writer.BuildPages(CatalogWriter::kFirstCatalogPage);
  support::FileImage image = writer.BuildFile(support::BootPageSpec{});
  std::vector<int32_t> objectPages;
  for (const support::PageImage& page : pages)
    if (page.bytes()[24] == id::kObjects && page.bytes()[25] == 0) objectPages.push_back(page.pageId().pageNo);
  ASSERT_GE(objectPages.size(), 2u);
  std::mt19937 random(7);
  support::Bytes noise(kPageSize);
  for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
  image.PutBlockAt(objectPages[0], noise);

  const DatabaseCatalog& catalog = OpenImage(image);
  ASSERT_FALSE(catalog.objects.empty());
  EXPECT_LT(catalog.objects.size(), 120u);
  // Everything listed is a table of a surviving page, and the last table
  // (on the last objects page) is among them.
  for (const ObjectDef& object : catalog.objects) EXPECT_EQ(object.name.rfind("Table_with_a_long_name_", 0), 0u);
  EXPECT_NE(catalog.FindObject("Table_with_a_long_name_119", "U ").objectId, -1);
  EXPECT_EQ(catalog.columnRows.size(), 120u);
}

TEST_F(CatalogLoaderTest, StopRequestEndsTheLoaders) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  AddShop(writer);
  Open(writer);
  state.cancelFlag = true;
  DatabaseCatalog stopped(database.file.get());
  CatalogLoader(*database.file).Bootstrap(stopped);
  EXPECT_TRUE(stopped.objects.empty());
  EXPECT_TRUE(stopped.columnRows.empty());
  EXPECT_TRUE(stopped.rowsets.empty());
}

TEST_F(CatalogLoaderTest, SecondaryFileNamedByTheCatalogContributesItsPages) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  AddShop(writer);
  writer.AddDatabaseFile(1, "Shop", "C:\\DATA\\db.mdf");
  writer.AddDatabaseFile(3, "Shop_2", "D:\\OTHER\\db_2.ndf");
  support::FileImage primary = writer.BuildFile(support::BootPageSpec{});

  // The secondary file holds more object rows (file id 3 in its headers).
  CatalogWriter extra(CatalogGeneration::kSql2008);
  extra.AddTable(TableSpec{"Archive", {ColumnSpec{"id"}}, 90001});
  support::FileImage secondary;
  for (support::PageImage page : extra.BuildPages(1, 3)) {
    int32_t catalogId = static_cast<int32_t>(page.bytes()[24] | (page.bytes()[25] << 8));
    if (catalogId == id::kObjects || catalogId == id::kColumns) secondary.PutPage(page);
  }
  secondary.SetBlockCount(8);
  ASSERT_TRUE(secondary.WriteTo(dir.File("db_2.ndf")));

  const DatabaseCatalog& catalog = OpenImage(primary);
  ASSERT_EQ(catalog.files.size(), 2u);
  EXPECT_EQ(catalog.files[1].fileName, dir.File("db_2.ndf"));
  EXPECT_EQ(database.file->secondaryFiles.count(3), 1u);
  EXPECT_NE(catalog.FindObject("Archive", "U ").objectId, -1);
  EXPECT_EQ(catalog.ColumnRowsOf(90001).size(), 1u);
}

TEST_F(CatalogLoaderTest, SecondaryFileFoundByTheFolderSearch) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  AddShop(writer);  // no database-files rows: the folder is searched
  support::FileImage primary = writer.BuildFile(support::BootPageSpec{});
  CatalogWriter extra(CatalogGeneration::kSql2008);
  extra.AddTable(TableSpec{"Archive", {ColumnSpec{"id"}}, 90001});
  support::FileImage secondary;
  for (support::PageImage page : extra.BuildPages(1, 4))
    if (page.bytes()[24] == id::kObjects) secondary.PutPage(page);
  // A data page naming file id 4 identifies the file.
  support::PageImage data(page_type::kData, PageId{4, 5});
  data.SetAllocationUnit(static_cast<int64_t>((uint64_t{256} << 48) | (uint64_t{5001} << 16)));
  secondary.PutPage(data);
  secondary.SetBlockCount(8);
  ASSERT_TRUE(secondary.WriteTo(dir.File("extra.ndf")));

  const DatabaseCatalog& catalog = OpenImage(primary);
  EXPECT_EQ(database.file->secondaryFiles.count(4), 1u);
  EXPECT_NE(catalog.FindObject("Archive", "U ").objectId, -1);
}

TEST_F(CatalogLoaderTest, FailedOpenKeepsTheFileAndGivesNoCatalog) {
  ASSERT_TRUE(support::WriteBytes(dir.File("short.mdf"), "abc", 3));
  EXPECT_FALSE(OpenDatabase(dir.File("short.mdf"), state, &notifier, database));
  ASSERT_TRUE(database.file);
  EXPECT_FALSE(database.file->isOpen);
  EXPECT_FALSE(database.catalog);
  EXPECT_EQ(notifier.fatalErrors.size(), 1u);
}

}  // namespace
}  // namespace pagewright
