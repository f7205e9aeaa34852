// DatabaseCatalog lookups: first-match semantics, type rules, defaults.
#include <gtest/gtest.h>

#include "catalog/database_catalog.h"

namespace pagewright {
namespace {

ObjectDef Object(int32_t objectId, const std::string& name, const std::string& type, int32_t parentId = 0) {
  ObjectDef object;
  object.objectId = objectId;
  object.name = name;
  object.type = type;
  object.parentId = parentId;
  return object;
}

TEST(CatalogModelFindObject, FirstMatchByNameAndTypeRule) {
  DatabaseCatalog catalog;
  catalog.objects = {Object(10, "Orders", "V "), Object(11, "Orders", "U "), Object(12, "Shippers", "U "),
                     Object(13, "Shippers", "U "), Object(14, "sysobjs", "S "), Object(15, "orders", "U ")};
  struct Case {
    const char* name;
    const char* type;
    int32_t expected;
  } cases[] = {
      {"Orders", "U ", 10},    // a view of the same name listed first wins over the table
      {"Shippers", "U ", 12},  // duplicates: the first row
      {"Shippers", "V ", -1},  // tables match only their own type
      {"sysobjs", "S ", 14},
      {"sysobjs", "U ", -1},
      {"orders", "U ", 15},    // case-sensitive
      {"Missing", "U ", -1},
      {"Orders", "P ", 10},    // a non-table row matches any asked type
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "/" + c.type);
    EXPECT_EQ(catalog.FindObject(c.name, c.type).objectId, c.expected);
  }
  ObjectDef missing = catalog.FindObject("Missing", "U ");
  EXPECT_EQ(missing.schemaClass, 255);
  EXPECT_TRUE(missing.name.empty());
}

TEST(CatalogModelFindObject, IdIndexKeepsFirstMatchAndSurvivesLaterChanges) {
  DatabaseCatalog catalog;
  catalog.objects = {Object(7, "first", "U "), Object(8, "other", "U "), Object(7, "second", "U ")};
  catalog.RebuildIndexes();
  ASSERT_NE(catalog.FindObjectById(7), nullptr);
  EXPECT_EQ(catalog.FindObjectById(7)->name, "first");
  // A collection changed after the index was built is walked directly.
  catalog.objects.insert(catalog.objects.begin(), Object(7, "inserted", "U "));
  EXPECT_EQ(catalog.FindObjectById(7)->name, "inserted");
  EXPECT_EQ(catalog.FindObjectById(99), nullptr);
}

TEST(CatalogModelColumns, RowsOfAnObjectIgnoreBits24And25) {
  DatabaseCatalog catalog;
  ColumnRowDef a;
  a.objectId = 0x00001234;
  a.name = "a";
  ColumnRowDef b;
  b.objectId = 0x03001234;
  b.name = "b";
  ColumnRowDef c;
  c.objectId = 0x04001234;  // bit 26 is part of the id
  c.name = "c";
  catalog.columnRows = {a, b, c};
  for (bool indexed : {false, true}) {
    if (indexed) catalog.RebuildIndexes();
    auto rows = catalog.ColumnRowsOf(0x01001234);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->name, "a");
    EXPECT_EQ(rows[1]->name, "b");
  }
}

TEST(CatalogModelConstraints, TableConstraintsAndLegacyParentIds) {
  DatabaseCatalog catalog;
  catalog.objects = {Object(100, "T", "U "), Object(101, "PK_T", "PK", 100), Object(102, "UQ_T", "UQ", 100),
                     Object(103, "FK_T", "F ", 100), Object(104, "CK_T", "C ", 100), Object(105, "X", "PK", 200)};
  catalog.CollectTableConstraints(100);
  const auto& list = catalog.currentTable.tableConstraints;
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].name, "PK_T");
  EXPECT_TRUE(list[0].isPrimaryKey);
  EXPECT_FALSE(list[0].isUnique);
  EXPECT_TRUE(list[1].isUnique);
  EXPECT_TRUE(list[2].isForeignKey);
  EXPECT_FALSE(list[3].isPrimaryKey || list[3].isUnique || list[3].isForeignKey);
  EXPECT_EQ(list[3].objectId, 104);

  catalog.legacyCatalog = true;
  catalog.CollectTableConstraints(100);
  ASSERT_EQ(catalog.currentTable.tableConstraints.size(), 4u);
  for (const auto& entry : catalog.currentTable.tableConstraints) EXPECT_EQ(entry.objectId, 100);

  catalog.CollectTableConstraints(999);
  EXPECT_TRUE(catalog.currentTable.tableConstraints.empty());
}

ScalarTypeDef Type(int32_t typeId, int32_t schemaId, uint8_t systemTypeId, const std::string& name) {
  ScalarTypeDef type;
  type.typeId = typeId;
  type.schemaId = schemaId;
  type.systemTypeId = systemTypeId;
  type.name = name;
  return type;
}

TEST(CatalogModelScalarTypes, ExactSystemRowOrFallbackOrDefaults) {
  DatabaseCatalog catalog;
  catalog.scalarTypes = {Type(231, 4, 231, "nvarchar-user-schema"), Type(231, 1, 231, "nvarchar"),
                         Type(256, 4, 231, "sysname"), Type(56, 4, 56, "int")};
  // The row in schema 1 whose ids all agree wins over an earlier fallback.
  EXPECT_EQ(catalog.FindScalarType(231, 231).name, "nvarchar");
  // A user-defined type shows its underlying system type.
  EXPECT_EQ(catalog.FindScalarType(231, 256).name, "nvarchar-user-schema");
  // Only a fallback exists.
  EXPECT_EQ(catalog.FindScalarType(56, 56).name, "int");
  ScalarTypeDef none = catalog.FindScalarType(99, 99);
  EXPECT_EQ(none.typeId, -1);
  EXPECT_EQ(none.systemTypeId, 255);
  EXPECT_TRUE(none.name.empty());
  // The 2000 layout has no scalar-type rows.
  catalog.scalarTypes.clear();
  EXPECT_EQ(catalog.FindScalarType(56, 56).typeId, -1);
}

TEST(CatalogModelModuleValues, DecodesHexPairs) {
  struct Case {
    const char* text;
    bool hasValue;
    std::vector<uint8_t> bytes;
    bool isWide;
  } cases[] = {
      {"0x41004200", true, {0x41, 0x00, 0x42, 0x00}, true},
      {"0x4142", true, {0x41, 0x42}, false},
      {"0xabCD", true, {0xAB, 0xCD}, false},
      {"0x00", true, {0x00}, false},  // only the first byte is 0: not wide
      {"0x414", true, {0x41}, false},  // an odd last digit is no pair
      {"0x41zz42", true, {0x41}, false},  // a damaged pair ends the value
      {"0x", true, {}, false},
      {"0", false, {}, false},
      {"", false, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto value = DecodeModuleValue(c.text);
    ASSERT_EQ(value.has_value(), c.hasValue);
    if (!value) continue;
    EXPECT_EQ(value->bytes, c.bytes);
    EXPECT_EQ(value->isWide, c.isWide);
  }
}

TEST(CatalogModelClear, EmptiesEveryCollectionAndTheCurrentTable) {
  DatabaseCatalog catalog;
  catalog.objects = {Object(1, "a", "U ")};
  catalog.columnRows.resize(2);
  catalog.legacyIndexes[5] = LegacyIndexDef{};
  catalog.files.resize(1);
  catalog.currentTable.object.objectId = 9;
  catalog.currentTable.pages.push_back(PageId{1, 2});
  catalog.RebuildIndexes();
  catalog.Clear();
  EXPECT_TRUE(catalog.objects.empty());
  EXPECT_TRUE(catalog.columnRows.empty());
  EXPECT_TRUE(catalog.legacyIndexes.empty());
  EXPECT_TRUE(catalog.files.empty());
  EXPECT_EQ(catalog.currentTable.object.objectId, -1);
  EXPECT_TRUE(catalog.currentTable.pages.empty());
  EXPECT_EQ(catalog.FindObjectById(1), nullptr);
  // Rows added after a clear are found even before the indexes are rebuilt.
  catalog.objects = {Object(1, "b", "U ")};
  ASSERT_NE(catalog.FindObjectById(1), nullptr);
  EXPECT_EQ(catalog.FindObjectById(1)->name, "b");
}

}  // namespace
}  // namespace pagewright
