// Table resolution over catalogs filled by hand: rowset and unit choice, page
// ownership, column construction and order, physical layouts of both
// generations, computed, sparse and dropped columns, keys.
#include <gtest/gtest.h>

#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "values/type_codes.h"

namespace pagewright {
namespace {

constexpr int32_t kTable = 2073058421;

// Unit ids as real 2005+ files build them: index id in bits 48-63, the
// header object id in bits 16-47.
constexpr int64_t UnitId(uint16_t indexId, uint32_t objectId) {
  return static_cast<int64_t>((static_cast<uint64_t>(indexId) << 48) | (static_cast<uint64_t>(objectId) << 16));
}

struct Fixture {
  EngineState state;
  DatabaseFile file{state};
  DatabaseCatalog catalog{&file};

  Fixture() { catalog.objects.push_back(Object(kTable, "T", "U ")); }

  static ObjectDef Object(int32_t id, const std::string& name, const std::string& type) {
    ObjectDef object;
    object.objectId = id;
    object.name = name;
    object.type = type;
    object.parentId = 0;
    return object;
  }
  void Rowset(int64_t rowsetId, int32_t indexId, int32_t objectId = kTable) {
    RowsetDef rowset;
    rowset.rowsetId = rowsetId;
    rowset.objectId = objectId;
    rowset.indexId = indexId;
    catalog.rowsets.push_back(rowset);
  }
  void Unit(int64_t unitId, int64_t ownerId, uint8_t type = 1) {
    AllocationUnitDef unit;
    unit.allocationUnitId = unitId;
    unit.ownerId = ownerId;
    unit.type = type;
    unit.firstPage = PageId{1, 9999};
    catalog.allocationUnits.push_back(unit);
  }
  void Page(int32_t headerObjectId, uint16_t indexId, int32_t pageNo, int32_t pageType = 1) {
    file.dataPages[headerObjectId].push_back(MappedPage{1, pageNo, pageType, indexId});
  }
  void Column(int32_t columnId, const std::string& name, uint8_t systemTypeId, int16_t length, int32_t status = 0,
              int32_t userTypeId = -1, int32_t objectId = kTable) {
    ColumnRowDef row;
    row.objectId = objectId;
    row.columnId = columnId;
    row.name = name;
    row.systemTypeId = systemTypeId;
    row.userTypeId = userTypeId < 0 ? systemTypeId : userTypeId;
    row.length = length;
    row.status = status;
    catalog.columnRows.push_back(row);
  }
  void Physical(int64_t rowsetId, int32_t columnId, int32_t hobtColumnId, int32_t leafOffset, int32_t nullBit) {
    PhysicalColumnDef row;
    row.rowsetId = rowsetId;
    row.rowsetColumnId = columnId;
    row.hobtColumnId = hobtColumnId;
    row.leafOffset = leafOffset;
    row.nullBit = nullBit;
    catalog.physicalColumnRows.push_back(row);
  }
  std::vector<ColumnDef> Resolve(const std::vector<ModuleValue>& modules = {}) {
    return ResolveTable(catalog, "T", "U ", modules);
  }
  std::vector<int32_t> PageNumbers() const {
    std::vector<int32_t> numbers;
    for (const PageId& page : catalog.currentTable.pages) numbers.push_back(page.pageNo);
    return numbers;
  }
};

TEST(ResolutionRowset, ChoosesTheInRowRowsetOrFallsBack) {
  struct Case {
    const char* what;
    std::vector<std::pair<int64_t, int32_t>> rowsets;  // rowset id, index id
    int64_t indexRowsetId;                             // an index row's rowset id (0: none)
    int64_t chosen;
    bool fromIndex;
  };
  const Case cases[] = {
      {"heap", {{501, 2}, {500, 0}}, 0, 500, false},
      {"clustered", {{600, 3}, {601, 1}, {602, 2}}, 0, 601, false},
      {"heap before clustered", {{700, 1}, {701, 0}}, 0, 701, false},
      {"last of equal index ids", {{800, 1}, {801, 1}}, 0, 801, false},
      {"index rows only", {{900, 2}, {901, 3}}, 0, 901, false},
      {"no rowset: the index row's", {}, 950, 950, true},
      {"nothing", {}, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    for (auto [id, indexId] : c.rowsets) f.Rowset(id, indexId);
    if (c.indexRowsetId) {
      IndexDef index;
      index.objectId = kTable;
      index.indexId = 1;
      index.rowsetId = c.indexRowsetId;
      index.status = 0;
      f.catalog.indexes.push_back(index);
    }
    f.Resolve();
    EXPECT_EQ(f.catalog.currentTable.rowset.rowsetId, c.chosen);
    EXPECT_EQ(f.catalog.currentTable.rowsetFromIndex, c.fromIndex);
    EXPECT_EQ(f.catalog.currentTable.rowsetFound, !c.rowsets.empty());
  }
}

// A native unit (index id 256) whose object id bits equal a system table's
// id: the system table's pages carry the same object id with index id 1.
TEST(ResolutionPages, NativeUnitTakesOnlyPagesWithItsIndexId) {
  Fixture f;
  const int64_t unit = UnitId(256, 41);
  f.Rowset(unit, 1);
  f.Unit(unit, unit);
  f.Page(41, 1, 40);    // the columns table
  f.Page(41, 256, 369); // the table
  f.Page(41, 1, 41);
  f.Page(41, 256, 370, 2);  // an index page of the table's unit
  f.Resolve();
  EXPECT_EQ(f.PageNumbers(), std::vector<int32_t>{369});
  EXPECT_EQ(f.catalog.currentTable.allocationUnit.firstPage, (PageId{1, 369}));
}

// Upgraded from 2000: the table's and an index's unit share the object id
// bits, their old pages show index id 0.
TEST(ResolutionPages, CarriedOverUnitsMatchByObjectIdAndListEachPageOnce) {
  Fixture f;
  const int64_t tableUnit = UnitId(0, 885578193), indexUnit = UnitId(2, 885578193);
  f.Rowset(tableUnit, 1);
  f.Rowset(indexUnit, 2);
  f.Unit(tableUnit, tableUnit);
  f.Unit(indexUnit, indexUnit);
  f.Page(885578193, 0, 300);
  f.Page(885578193, 0, 301, 2);
  f.Page(885578193, 0, 302);
  f.Resolve();
  EXPECT_EQ(f.catalog.currentTable.tableUnits.size(), 2u);
  EXPECT_EQ(f.PageNumbers(), (std::vector<int32_t>{300, 302}));
}

TEST(ResolutionPages, OnlyInRowUnitsContributePages) {
  Fixture f;
  const int64_t inRow = UnitId(256, 77), lob = UnitId(256, 78), overflow = UnitId(256, 79);
  f.Rowset(inRow, 0);
  f.Unit(inRow, inRow, 1);
  f.Unit(lob, inRow, 2);
  f.Unit(overflow, inRow, 3);
  f.Page(77, 256, 10);
  f.Page(78, 256, 11);  // a type-1 page under the LOB unit's key
  f.Page(79, 256, 12);
  f.Resolve();
  EXPECT_EQ(f.PageNumbers(), std::vector<int32_t>{10});
  EXPECT_EQ(f.catalog.currentTable.tableUnits.size(), 3u);
}

TEST(ResolutionPages, LostUnitRowIsSynthesisedFromTheRowset) {
  Fixture f;
  const int64_t rowset = UnitId(256, 90);
  f.Rowset(rowset, 1);
  f.Page(90, 256, 20);
  f.Page(90, 1, 21);
  f.Resolve();
  EXPECT_EQ(f.catalog.currentTable.allocationUnit.allocationUnitId, rowset);
  EXPECT_EQ(f.PageNumbers(), std::vector<int32_t>{20});
}

TEST(ResolutionPages, WithoutUnitPagesTheTablesOwnObjectIdIsUsed) {
  Fixture f;
  f.Rowset(UnitId(256, 95), 1);
  f.Page(kTable, 0, 30);
  f.Page(kTable, 0, 30);   // mapped twice
  f.Page(kTable, 256, 31); // a user unit's page whose object id bits collide
  f.Page(kTable, 0, 32, 10);
  f.Resolve();
  EXPECT_EQ(f.PageNumbers(), std::vector<int32_t>{30});
}

TEST(ResolutionPages, LegacyPagesByObjectIdOnceEach) {
  Fixture f;
  f.catalog.legacyCatalog = true;
  f.Page(kTable, 0, 50);
  f.Page(kTable, 1, 51, 2);
  f.Page(kTable, 0, 52);
  f.Page(kTable, 0, 50);
  f.Page(kTable + 1, 0, 53);
  f.Resolve();
  EXPECT_EQ(f.PageNumbers(), (std::vector<int32_t>{50, 52}));
}

TEST(ResolutionColumns, OrderDuplicatesTypesAndOwnerBits) {
  namespace st = system_type;
  Fixture f;
  f.Column(3, "c", st::kImage, 16);
  f.Column(1, "a", st::kInt, 4, 1);
  f.Column(2, "b", st::kNVarChar, 80, 0, -1, kTable | 0x01000000);  // owner id with bit 24 set
  f.Column(1, "a again", st::kInt, 4);
  f.Column(4, "no type", 0, 4);
  f.Column(5, "shape", st::kClrType, -1, 0, 129);
  f.Column(6, "node", st::kClrType, 892, 0, 128);
  f.Column(7, "udt", st::kClrType, 20, 0, 300);
  f.Column(1, "other table", st::kInt, 4, 0, -1, kTable + 1);
  auto columns = f.Resolve();
  ASSERT_EQ(columns.size(), 6u);
  std::vector<std::string> names;
  for (const ColumnDef& column : columns) names.push_back(column.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "shape", "node", "udt"}));
  EXPECT_EQ(columns[0].nullable, 0);
  EXPECT_EQ(columns[1].nullable, 1);
  EXPECT_EQ(columns[1].typeText, "nvarchar(80)");  // no scalar-type rows: the standard name
  EXPECT_EQ(columns[1].declaredLength, 80);
  EXPECT_EQ(columns[2].typeCode, type_code::kImage);
  EXPECT_EQ(columns[3].typeCode, type_code::kGeometry);
  EXPECT_EQ(columns[4].typeCode, type_code::kHierarchyId);
  EXPECT_EQ(columns[5].typeCode, type_code::kClrType);
  EXPECT_EQ(columns[5].declaredLength, 20);
  EXPECT_EQ(f.catalog.currentTable.columns.size(), columns.size());
}

TEST(ResolutionColumns, ScalarTypeNamesWinOverStandardNames) {
  Fixture f;
  ScalarTypeDef type;
  type.typeId = system_type::kVarChar;
  type.systemTypeId = system_type::kVarChar;
  type.schemaId = 4;
  type.name = "varchar";
  f.catalog.scalarTypes.push_back(type);
  type.typeId = 257;  // a user type over varchar
  type.name = "id";
  f.catalog.scalarTypes.push_back(type);
  f.Column(1, "au_id", system_type::kVarChar, 11, 1, 257);
  auto columns = f.Resolve();
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_EQ(columns[0].typeText, "varchar(11)");
}

TEST(ResolutionColumns, ConstructionByTypeCode) {
  namespace c = type_code;
  struct Case {
    const char* typeText;
    int32_t code;
    int32_t wantCode;
    int16_t declared;
    uint8_t variable;
  };
  const Case cases[] = {
      {"binary(8)", c::kBinary, c::kBinary, 8, 0},          {"char(10)", c::kChar, c::kChar, 10, 0},
      {"nchar(100)", c::kNChar, c::kNChar, 100, 0},         {"decimal(9)", c::kDecimal, c::kDecimal, 9, 0},
      {"nvarchar(-1)", c::kNVarChar, c::kNVarChar, -1, 1},  {"text(16)", c::kText, c::kText, 16, 1},
      {"xml(-1)", c::kXml, c::kXml, -1, 1},                 {"varchar(50)", c::kVarChar, c::kVarChar, 0, 1},
      {"varbinary(-1)", c::kVarBinary, c::kVarBinary, 0, 1}, {"image(16)", c::kImage, c::kImage, 0, 1},
      {"x(256)", c::kSystemType232, c::kNVarChar, 256, 1},  {"ntext(16)", c::kNText, c::kNText, 0, 1},
      {"sql_variant(8016)", c::kSqlVariant, c::kSqlVariant, 0, 1},
      {"hierarchyid(892)", c::kHierarchyId, c::kVarChar, 0, 1}, {"int(4)", c::kInt, c::kInt, 0, 0},
      {"datetime(8)", c::kDateTime, c::kDateTime, 0, 0},    {"what(3)", 40, c::kVarChar, 0, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.typeText);
    ColumnDef column = ConstructColumn("n", k.typeText, k.code);
    EXPECT_EQ(column.typeCode, k.wantCode);
    EXPECT_EQ(column.declaredLength, k.declared);
    EXPECT_EQ(column.variableLength, k.variable);
    EXPECT_EQ(column.nullBit, -1);
    EXPECT_EQ(column.physicalColumnId, 0);
  }
}

TEST(ResolutionColumns, DeclarationTextInCharacters) {
  struct Case {
    const char* typeText;
    uint8_t precision, scale;
    const char* want;
  };
  const Case cases[] = {
      {"nvarchar(80)", 0, 0, "nvarchar(40)"}, {"nchar(10)", 0, 0, "nchar(5)"},
      {"nvarchar(-1)", 0, 0, "nvarchar(max)"}, {"varchar(-1)", 0, 0, "varchar(max)"},
      {"varbinary(16)", 0, 0, "varbinary(16)"}, {"decimal(9)", 10, 2, "decimal(10,2)"},
      {"datetime2(8)", 27, 7, "datetime2(7)"}, {"int(4)", 10, 0, "int"}, {"money(8)", 19, 4, "money"},
  };
  for (const Case& c : cases) {
    ColumnDef column;
    column.typeText = c.typeText;
    column.precision = c.precision;
    column.scale = c.scale;
    EXPECT_EQ(DeclarationText(column), c.want);
  }
}

// 2008 and later: a computed column has no physical row, a dropped column a
// physical row but no column row, a sparse column status bit 24.
TEST(ResolutionPhysical, ComputedSparseAndDroppedColumns2008) {
  namespace st = system_type;
  Fixture f;
  const int64_t rowset = UnitId(256, 120);
  f.Rowset(rowset, 1);
  f.Column(1, "id", st::kInt, 4, 1);
  f.Column(2, "name", st::kVarChar, 30);
  f.Column(4, "total", st::kInt, 4);  // computed
  f.Column(5, "extra", st::kInt, 4, 1 << 24);  // sparse
  f.Physical(rowset, 1, 1, 4, 1);
  f.Physical(rowset, 2, 2, 0x0000FFFF, 2);  // variable slot -1 in the low 16 bits
  f.Physical(rowset, 3, 3, 8, 3);           // column 3 was dropped; its bytes remain
  f.Physical(rowset, 5, 5, 0, 5);
  f.Physical(rowset + 1, 4, 9, 44, 9);      // another rowset's row
  const std::vector<ModuleValue> modules = {
      {std::to_string(kTable), "0", "0x41414141"},                // the table's own module text
      {std::to_string(kTable), "4", "0x28005B00690064005D0029002A003200"},  // "([id])*2" in UTF-16
  };
  auto columns = f.Resolve(modules);
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_EQ(columns[0].leafOffset, 4);
  EXPECT_EQ(columns[0].nullBit, 1);
  EXPECT_EQ(columns[1].leafOffset, -1);
  EXPECT_EQ(columns[1].physicalColumnId, 2);
  EXPECT_EQ(columns[2].name, "total");
  EXPECT_EQ(columns[2].physicalColumnId, -99);
  EXPECT_EQ(columns[2].hasPhysicalInfo, 0);
  EXPECT_EQ(columns[2].definitionText, "([id])*2");
  EXPECT_EQ(columns[3].statusFlag24, 1);
  EXPECT_EQ(columns[3].hasPhysicalInfo, 1);
  EXPECT_EQ(columns[3].definitionText, "");
  EXPECT_EQ(f.catalog.currentTable.physicalColumns.size(), 4u);
}

// 2005: hobt columns are numbered by hobt column id; the rowset-column map
// names the hobt column of each table column.
TEST(ResolutionPhysical, HobtColumnsThroughTheRowsetColumnMap2005) {
  namespace st = system_type;
  Fixture f;
  const int64_t rowset = UnitId(0, 130);
  f.Rowset(rowset, 0);
  f.Column(1, "a", st::kInt, 4);
  f.Column(2, "b", st::kVarChar, 10);
  f.Column(3, "c", st::kInt, 4);
  f.Column(4, "computed", st::kInt, 4);
  auto hobt = [&](int32_t id, int16_t offset, int16_t nullBit) {
    HobtColumnDef row;
    row.hobtId = rowset;
    row.columnId = id;
    row.leafOffset = offset;
    row.nullBit = nullBit;
    f.catalog.hobtColumnRows.push_back(row);
  };
  auto map = [&](int32_t columnId, int32_t hobtColumnId) {
    f.catalog.rowsetColumnRows.push_back(RowsetColumnDef{rowset, columnId, hobtColumnId});
  };
  // Column 2 was dropped and re-added as 3, whose bytes sit in hobt column 4.
  hobt(1, 4, 1);
  hobt(2, -1, 2);
  hobt(3, 8, 3);
  hobt(4, 12, 4);
  map(1, 1);
  map(2, 2);
  map(3, 4);
  auto columns = f.Resolve({{std::to_string(kTable), "4", "0x612B62"}});
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_EQ(columns[2].leafOffset, 12);
  EXPECT_EQ(columns[2].nullBit, 4);
  EXPECT_EQ(columns[2].physicalColumnId, 4);
  EXPECT_EQ(columns[1].leafOffset, -1);
  EXPECT_EQ(columns[3].physicalColumnId, -99);
  EXPECT_EQ(columns[3].definitionText, "a+b");
  // Without a map the hobt column of the same id is taken.
  f.catalog.rowsetColumnRows.clear();
  columns = f.Resolve();
  EXPECT_EQ(columns[2].leafOffset, 8);
  EXPECT_EQ(columns[3].leafOffset, 12);
  EXPECT_EQ(columns[3].hasPhysicalInfo, 1);
}

TEST(ResolutionPhysical, NoPhysicalRowsMeansEveryColumnLaidOutByType) {
  Fixture f;
  f.Rowset(UnitId(256, 140), 1);
  f.Column(1, "a", system_type::kInt, 4);
  f.Column(2, "b", system_type::kInt, 4);
  for (const ColumnDef& column : f.Resolve()) {
    EXPECT_EQ(column.hasPhysicalInfo, 1);
    EXPECT_NE(column.physicalColumnId, -99);
  }
}

TEST(ResolutionKeys, PrimaryUniqueAndForeignKeyFlags) {
  Fixture f;
  f.Column(1, "id", system_type::kInt, 4, 1);
  f.Column(2, "code", system_type::kChar, 4, 1);
  f.Column(3, "parent", system_type::kInt, 4);
  auto index = [&](int32_t indexId, int32_t status) {
    IndexDef row;
    row.objectId = kTable;
    row.indexId = indexId;
    row.status = status;
    f.catalog.indexes.push_back(row);
  };
  auto key = [&](int32_t indexId, int32_t columnId) {
    IndexColumnDef row;
    row.objectId = kTable;
    row.indexId = indexId;
    row.columnId = columnId;
    row.property1 = 7;
    f.catalog.indexColumns.push_back(row);
  };
  index(1, 0x20 | 0x08 | 0x01);
  index(2, 0x40 | 0x08 | 0x01);
  index(3, 0x20 | 0x08);  // bit 0 clear: no key list
  key(1, 1);
  key(2, 2);
  key(3, 3);
  ForeignKeyColumnDef pair;
  pair.tableId = kTable;
  pair.columnId = 3;
  pair.referencedTableName = "P";
  pair.referencedColumnName = "pid";
  f.catalog.foreignKeyColumns.push_back(pair);
  pair.columnId = 2;
  pair.referencedColumnName = "";  // unnamed: not marked
  f.catalog.foreignKeyColumns.push_back(pair);
  auto columns = f.Resolve();
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].isPrimaryKey, 1);
  EXPECT_EQ(columns[0].isUnique, 1);
  EXPECT_EQ(columns[1].isPrimaryKey, 0);
  EXPECT_EQ(columns[1].isUniqueConstraint, 1);
  EXPECT_EQ(columns[1].keyProperty, 7);
  EXPECT_EQ(columns[1].isForeignKey, 0);
  EXPECT_EQ(columns[2].isPrimaryKey, 0);
  EXPECT_EQ(columns[2].isForeignKey, 1);
  EXPECT_EQ(columns[2].referencedTableName, "P");
  ASSERT_EQ(f.catalog.currentTable.primaryKeyColumns.size(), 1u);
  EXPECT_EQ(f.catalog.currentTable.primaryKeyColumns[0].columnName, "id");
}

TEST(ResolutionObjects, ViewsNamesAndRepeatedResolution) {
  Fixture f;
  f.catalog.objects.insert(f.catalog.objects.begin(), Fixture::Object(333, "Orders", "V "));
  f.catalog.objects.push_back(Fixture::Object(334, "Orders", "U "));
  ObjectDef owned = Fixture::Object(335, "PK_T", "PK");
  owned.parentId = kTable;
  f.catalog.objects.push_back(owned);
  f.Column(1, "a", system_type::kInt, 4);
  TableResolver resolver(f.catalog);

  auto view = resolver.ResolveTable("Orders", "U ", {});  // the view's row comes first
  ASSERT_EQ(view.size(), 3u);
  EXPECT_EQ(view[0].definitionText, "333");
  EXPECT_EQ(view[1].definitionText, "V ");
  EXPECT_EQ(view[2].definitionText, "Orders");
  EXPECT_TRUE(resolver.ResolveTable("Missing", "U ", {}).empty());
  EXPECT_EQ(f.catalog.currentTable.object.objectId, -1);

  auto table = resolver.ResolveTable("T", "U ", {});
  ASSERT_EQ(table.size(), 1u);
  ASSERT_EQ(f.catalog.currentTable.tableConstraints.size(), 1u);
  EXPECT_EQ(f.catalog.currentTable.tableConstraints[0].isPrimaryKey, 1);
  // The resolver follows rows added after its first use.
  f.catalog.objects.push_back(Fixture::Object(336, "U2", "U "));
  f.Column(1, "z", system_type::kInt, 4, 0, -1, 336);
  auto added = resolver.ResolveTable("U2", "U ", {});
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].name, "z");
  EXPECT_TRUE(f.catalog.currentTable.tableConstraints.empty());
}

// A catalog of 5,000 tables resolved one after another with one resolver:
// every table finds its own rows among all the others', and a repeated name
// resolves to its first object.
TEST(ResolutionObjects, LargeCatalogResolvesEveryTableToItsOwnRows) {
  Fixture f;
  constexpr int32_t kTables = 5000;
  constexpr int32_t kFirstId = 1000000;
  for (int32_t n = 0; n < kTables; ++n) {
    const int32_t id = kFirstId + n;
    const int64_t unit = UnitId(256, static_cast<uint32_t>(100000 + n));
    f.catalog.objects.push_back(Fixture::Object(id, "t" + std::to_string(n), "U "));
    f.Rowset(unit, n % 2, id);
    f.Unit(unit, unit);
    f.Page(100000 + n, 256, 10000 + n);
    for (int32_t column = 1; column <= 3; ++column) {
      f.Column(column, "c" + std::to_string(n) + "_" + std::to_string(column), system_type::kInt, 4, 0, -1, id);
      f.Physical(unit, column, column, 4 * column, column);
    }
  }
  f.catalog.objects.push_back(Fixture::Object(kFirstId + kTables, "t7", "U "));
  f.catalog.RebuildIndexes();
  TableResolver resolver(f.catalog);
  for (int32_t n = 0; n < kTables; ++n) {
    auto columns = resolver.ResolveTable("t" + std::to_string(n), "U ", {});
    ASSERT_EQ(columns.size(), 3u) << n;
    EXPECT_EQ(columns[2].name, "c" + std::to_string(n) + "_3");
    EXPECT_EQ(columns[2].leafOffset, 12);
    ASSERT_EQ(f.catalog.currentTable.pages.size(), 1u) << n;
    EXPECT_EQ(f.catalog.currentTable.pages[0].pageNo, 10000 + n);
  }
  resolver.ResolveTable("t7", "U ", {});
  EXPECT_EQ(f.catalog.currentTable.object.objectId, kFirstId + 7);
}

}  // namespace
}  // namespace pagewright
