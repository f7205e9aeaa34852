// The general decoder over synthetic data pages: 2005 catalogs (leafOffset
// and nullBit of the hobt columns), 2000 catalogs (legacyXOffset), NULLs of
// nullable fixed columns, the hexadecimal prefix and the first-screen
// placeholders of large values.
#include <gtest/gtest.h>

#include <map>

#include "row_decoder_fixture.h"

namespace pagewright {
namespace {

using namespace rows_test;
using support::FixedVarRecord;
namespace tc = type_code;

// id int (not null), shipped datetime, qty smallint (not null), name
// nvarchar, pic varbinary; null bits 1-5 in column order.
std::vector<ColumnDef> OrdersTable() {
  std::vector<ColumnDef> columns =
      Table({Column("id", tc::kInt, "int(4)", false), Column("shipped", tc::kDateTime, "datetime(8)"),
             Column("qty", tc::kSmallInt, "smallint(2)", false), Column("name", tc::kNVarChar, "nvarchar(40)"),
             Column("pic", tc::kVarBinary, "varbinary(10)")});
  Physical(columns[0], 4, 1);
  Physical(columns[1], 8, 2);
  Physical(columns[2], 16, 3);
  Physical(columns[3], -1, 4);
  Physical(columns[4], -2, 5);
  return columns;
}

FixedVarRecord OrdersRecord() {
  FixedVarRecord record;
  record.fixed = Cat({Le32(11008), Bytes(8, 0), {5, 0}});
  record.columnCount = 5;
  record.varColumns = {{support::Utf16Le("Ann")}, {Bytes{0xAB}}};
  return record;
}

TEST(RowDecoderGeneral, NullsOfNullableColumnsShowNull) {
  struct Case {
    const char* name;
    std::vector<int> nullColumns;
    std::function<void(FixedVarRecord&)> edit;
    std::vector<std::string> expected;
  };
  const auto none = [](FixedVarRecord&) {};
  const std::vector<Case> cases = {
      {"every value", {}, none, Row({"11008", "1900-01-01 00:00:00", "5", "Ann", "0xAB"})},
      // The fixed part keeps zero bytes for a NULL date; they are no value.
      {"NULL date of a nullable column", {1}, none, Row({"11008", "NULL", "5", "Ann", "0xAB"})},
      // A column declared NOT NULL shows what is stored whatever its bit says.
      {"null bit of a not-null column", {2}, none, Row({"11008", "1900-01-01 00:00:00", "5", "Ann", "0xAB"})},
      {"NULL variable value", {3}, none, Row({"11008", "1900-01-01 00:00:00", "5", "NULL", "0xAB"})},
      {"NULL varbinary has no prefix", {4}, none, Row({"11008", "1900-01-01 00:00:00", "5", "Ann", "NULL"})},
      {"empty varbinary", {}, [](FixedVarRecord& r) { r.varColumns[1].bytes.clear(); },
       Row({"11008", "1900-01-01 00:00:00", "5", "Ann", "0x"})},
      // Its null bit is clear: the value is '', not NULL.
      {"empty text of a nullable column", {}, [](FixedVarRecord& r) { r.varColumns[0].bytes.clear(); },
       Row({"11008", "1900-01-01 00:00:00", "5", "", "0xAB"})},
      // Without a null bitmap nothing tells '' from NULL: NULL.
      {"empty text in a record without null bitmap", {},
       [](FixedVarRecord& r) {
         r.varColumns[0].bytes.clear();
         r.nullBitmap = false;
       },
       Row({"11008", "1900-01-01 00:00:00", "5", "NULL", "0xAB"})},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Harness harness;
    FixedVarRecord record = OrdersRecord();
    record.nullColumns = test.nullColumns;
    test.edit(record);
    std::vector<ColumnDef> columns = OrdersTable();
    PageRows rows = harness.Decode({record.Build()}, columns, false);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], test.expected);
  }
}

TEST(RowDecoderGeneral, NullBitFallsBackToTheHandledCount) {
  // Without null bits the bit of a column is the number of columns handled
  // before it.
  std::vector<ColumnDef> columns = Table({Column("a", tc::kInt, "int(4)"), Column("b", tc::kInt, "int(4)")});
  FixedVarRecord record;
  record.fixed = Cat({Le32(1), Le32(2)});
  record.columnCount = 2;
  record.nullColumns = {1};
  Harness harness;
  PageRows rows = harness.Decode({record.Build()}, columns, false);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], Row({"1", "NULL"}));
}

TEST(RowDecoderGeneral, LegacyCatalogPlacesValuesByXOffset) {
  // A 2000 row: b (xoffset 8) lies after a (xoffset 4) but is listed first;
  // the variable column at slot 2 sits behind an empty slot 1.
  std::vector<ColumnDef> columns = Table({Column("b", tc::kInt, "int(4)"), Column("a", tc::kInt, "int(4)"),
                                          Column("v", tc::kVarChar, "varchar(10)")});
  columns[0].leafOffset = 8;
  columns[0].legacyXOffset = 8;
  columns[1].leafOffset = 4;
  columns[1].legacyXOffset = 4;
  columns[2].leafOffset = -2;
  columns[2].legacyXOffset = -2;
  FixedVarRecord record;
  record.fixed = Cat({Le32(10), Le32(20)});
  record.columnCount = 3;
  record.varColumns = {{Bytes{}}, {Text("zz")}};
  Harness harness;
  harness.state.legacyCatalog = true;
  PageRows rows = harness.Decode({record.Build()}, columns, false);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], Row({"20", "10", "zz"}));
}

TEST(RowDecoderGeneral, PlaceholdersOnlyOnTheFirstScreenAndNeverPrefixed) {
  struct Case {
    const char* name;
    int32_t typeCode;
    const char* typeText;
    Bytes pointer;
    bool firstScreen;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"image text pointer, first screen", tc::kImage, "image(16)", TextPointer(), true, "<BINARY DATA>"},
      {"image text pointer, full read", tc::kImage, "image(16)", TextPointer(), false, "0xlarge"},
      {"ntext text pointer, first screen", tc::kNText, "ntext(16)", TextPointer(), true, "<BINARY DATA>"},
      {"varbinary in-row root, first screen", tc::kVarBinary, "varbinary(-1)", ComplexPointer(4), true,
       "<BIG BINARY DATA>"},
      {"xml in-row root, first screen", tc::kXml, "xml(-1)", ComplexPointer(4), true, "<BIG BINARY DATA>"},
      {"varbinary in-row root, full read", tc::kVarBinary, "varbinary(-1)", ComplexPointer(4), false, "0xlarge"},
      {"row overflow, first screen", tc::kVarBinary, "varbinary(8000)", ComplexPointer(2), true, "0xlarge"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    std::vector<ColumnDef> columns = Table({Column("v", test.typeCode, test.typeText)});
    FixedVarRecord record;
    record.columnCount = 1;
    record.varColumns = {{test.pointer, true}};
    Harness harness;
    harness.state.tableLoadActive = test.firstScreen;
    PageRows rows = harness.Decode({record.Build()}, columns, false);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], test.expected);
    const bool placeholder = test.expected.front() == '<';
    EXPECT_EQ(harness.largeValues.calls.empty(), placeholder);
  }
}

TEST(RowDecoderGeneral, AnEmptyLargeValueKeepsItsBlank) {
  // The LOB reader gives a single blank for a text pointer whose value is
  // empty; it gets no prefix.
  std::vector<ColumnDef> columns = Table({Column("v", tc::kImage, "image(16)")});
  FixedVarRecord record;
  record.columnCount = 1;
  record.varColumns = {{TextPointer(), true}};
  Harness harness;
  harness.largeValues.text = " ";
  PageRows rows = harness.Decode({record.Build()}, columns, false);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], " ");
}

TEST(RowDecoderGeneral, DeletedRowsSayWhoseTextPointerIsRead) {
  // A deleted row's text pointer may name LOB slots that were freed and given
  // to other values since; the reader is told so for ghost records and for
  // records the deleted-record scan found (ghost or not), and only for them.
  std::vector<ColumnDef> columns =
      Table({Column("id", tc::kInt, "int(4)", false), Column("v", tc::kText, "text(16)")});
  auto record = [](uint8_t id, int type) {
    FixedVarRecord built;
    built.recordType = type;
    built.fixed = Le32(id);
    built.varColumns = {{TextPointer(id), true}};
    return built.Build();
  };
  support::PageImage image(page_type::kData, PageId{1, 100});
  image.AddRecord(record(1, record_type::kPrimary));
  image.AddRecord(record(2, record_type::kGhostData));
  ASSERT_GT(support::LeaveDeletedRecord(image, record(3, record_type::kGhostData)), 0);
  ASSERT_GT(support::LeaveDeletedRecord(image, record(4, record_type::kPrimary)), 0);
  Harness harness;
  harness.state.showDeleted = true;
  harness.state.showAdvancedDeleted = true;
  PageRows rows = harness.DecodeImage(image, columns, false);
  ASSERT_EQ(rows.size(), 4u);
  ASSERT_EQ(harness.largeValues.calls.size(), 4u);
  const std::map<uint8_t, bool> deletedById = {{1, false}, {2, true}, {3, true}, {4, true}};
  for (const auto& call : harness.largeValues.calls) {
    ASSERT_EQ(call.bytes.size(), 16u);
    SCOPED_TRACE(static_cast<int>(call.bytes[14]));
    EXPECT_EQ(call.request.fromDeletedRow, deletedById.at(call.bytes[14]));
  }
}

}  // namespace
}  // namespace pagewright
