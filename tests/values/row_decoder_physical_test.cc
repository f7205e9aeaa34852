// The physical-layout decoder over synthetic data pages: values placed by
// leafOffset and nullBit, NULLs, bit packing, sparse columns, columns without
// storage, short records, large values and the first-screen placeholder,
// compressed rows, the records that give no row.
#include <gtest/gtest.h>

#include "row_decoder_fixture.h"
#include "storage/compressed_record.h"
#include "support/compressed_writer.h"

namespace pagewright {
namespace {

using namespace rows_test;
using support::FixedVarRecord;
using support::VarColumn;
namespace tc = type_code;

// id int at 8, qty smallint at 4, tiny tinyint at 6 (the fixed part is not in
// column order), name varchar (variable 1), note nvarchar (variable 2).
std::vector<ColumnDef> OrderTable() {
  std::vector<ColumnDef> columns = Table({Column("id", tc::kInt, "int(4)", false), Column("qty", tc::kSmallInt, "smallint(2)"),
                                          Column("tiny", tc::kTinyInt, "tinyint(1)"), Column("name", tc::kVarChar, "varchar(20)"),
                                          Column("note", tc::kNVarChar, "nvarchar(40)")});
  Physical(columns[0], 8, 1);
  Physical(columns[1], 4, 2);
  Physical(columns[2], 6, 3);
  Physical(columns[3], -1, 4);
  Physical(columns[4], -2, 5);
  return columns;
}

FixedVarRecord OrderRecord() {
  FixedVarRecord record;
  // qty 3 at 4, tiny 200 at 6, a pad byte, id 7 at 8.
  record.fixed = Cat({{3, 0}, {200, 0}, Le32(7)});
  record.columnCount = 5;
  record.varColumns = {{Text("ab")}, {support::Utf16Le("hé")}};
  return record;
}

TEST(RowDecoderPhysical, PlacesValuesByLeafOffsetAndNullBit) {
  struct Case {
    const char* name;
    std::function<void(FixedVarRecord&, std::vector<ColumnDef>&)> edit;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"every value", [](FixedVarRecord&, std::vector<ColumnDef>&) {}, Row({"7", "3", "200", "ab", "hé"})},
      {"NULL fixed value", [](FixedVarRecord& r, std::vector<ColumnDef>&) { r.nullColumns = {1}; },
       Row({"7", "NULL", "200", "ab", "hé"})},
      {"NULL variable value", [](FixedVarRecord& r, std::vector<ColumnDef>&) { r.nullColumns = {4}; },
       Row({"7", "3", "200", "ab", "NULL"})},
      {"column without physical row", [](FixedVarRecord&, std::vector<ColumnDef>& c) { c[2].hasPhysicalInfo = 0; },
       Row({"7", "3", "NULL", "ab", "hé"})},
      {"empty variable value", [](FixedVarRecord& r, std::vector<ColumnDef>&) { r.varColumns[0].bytes.clear(); },
       Row({"7", "3", "200", "", "hé"})},
      // Variable slots out of column order: name is slot 2, note slot 1.
      {"variable slots from leafOffset",
       [](FixedVarRecord& r, std::vector<ColumnDef>& c) {
         c[3].leafOffset = -2;
         c[4].leafOffset = -1;
         std::swap(r.varColumns[0], r.varColumns[1]);
       },
       Row({"7", "3", "200", "ab", "hé"})},
      // A leafOffset past the fixed part: the running position (after qty and
      // tiny, read before it in this record) is used.
      {"leafOffset beyond the fixed part",
       [](FixedVarRecord& r, std::vector<ColumnDef>& c) {
         std::swap(c[0], c[2]);  // tiny, qty, id
         c[2].leafOffset = 40;
         c[0].leafOffset = 4 + 2;
         c[1].leafOffset = 4;
         r.fixed = Cat({{3, 0}, {200}, Le32(7)});
       },
       Row({"200", "3", "7", "ab", "hé"})},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Harness harness;
    FixedVarRecord record = OrderRecord();
    std::vector<ColumnDef> columns = OrderTable();
    test.edit(record, columns);
    PageRows rows = harness.Decode({record.Build()}, columns, true);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], test.expected);
  }
}

TEST(RowDecoderPhysical, BitColumnsShareBytesAndANullBitKeepsItsPlace) {
  // Nine bit columns and an int: bits 0-7 in the first byte, the ninth in the
  // next; column 2 is NULL but its bit still occupies position 1.
  std::vector<ColumnDef> list;
  for (int index = 0; index < 9; ++index) list.push_back(Column("b" + std::to_string(index), tc::kBit, "bit(1)"));
  list.push_back(Column("n", tc::kInt, "int(4)"));
  std::vector<ColumnDef> columns = Table(list);
  for (int index = 0; index < 8; ++index) Physical(columns[index], 4, index + 1);
  Physical(columns[8], 5, 9);
  Physical(columns[9], 6, 10);
  FixedVarRecord record;
  record.fixed = Cat({{0b10100101, 0b1}, Le32(-2)});
  record.columnCount = 10;
  record.nullColumns = {1};
  Harness harness;
  PageRows rows = harness.Decode({record.Build()}, columns, true);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], Row({"True", "NULL", "True", "False", "False", "True", "False", "True", "True", "-2"}));
}

TEST(RowDecoderPhysical, SparseColumnsComeFromTheSparseVector) {
  std::vector<ColumnDef> columns = Table({Column("id", tc::kInt, "int(4)"), Column("s1", tc::kInt, "int(4)"),
                                          Column("s2", tc::kVarChar, "varchar(10)")});
  Physical(columns[0], 4, 1);
  columns[1].statusFlag24 = 1;
  columns[2].statusFlag24 = 1;
  FixedVarRecord withBoth;
  withBoth.fixed = Le32(1);
  withBoth.columnCount = 2;
  withBoth.varColumns = {{support::SparseVectorValue({{2, Le32(55)}, {3, Text("sp")}}), true}};
  FixedVarRecord withOne = withBoth;
  withOne.fixed = Le32(2);
  withOne.varColumns = {{support::SparseVectorValue({{3, Text("only")}}), true}};
  Harness harness;
  PageRows rows = harness.Decode({withBoth.Build(), withOne.Build()}, columns, true);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Row({"1", "55", "sp"}));
  // Absent from the vector: empty, not NULL and not the previous row's value.
  EXPECT_EQ(rows[1], Row({"2", "", "only"}));
}

TEST(RowDecoderPhysical, ColumnsWithoutStorageAndShortRecords) {
  // a int, c computed (-99), b int added later: the first record stores a
  // and b, the second (written before b was added) only a.
  std::vector<ColumnDef> columns = Table({Column("a", tc::kInt, "int(4)"), Column("c", tc::kInt, "int(4)"),
                                          Column("b", tc::kInt, "int(4)")});
  Physical(columns[0], 4, 1);
  columns[1].physicalColumnId = -99;
  columns[1].definitionText = "([a]*(2))";
  Physical(columns[2], 8, 2);
  FixedVarRecord both;
  both.fixed = Cat({Le32(5), Le32(6)});
  both.columnCount = 2;
  both.nullBitmap = true;
  FixedVarRecord old;
  old.fixed = Le32(9);
  old.columnCount = 1;
  Harness harness;
  PageRows rows = harness.Decode({both.Build(), old.Build()}, columns, true);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Row({"5", "([a]*(2))", "6"}));
  EXPECT_EQ(rows[1], Row({"9", "([a]*(2))", "NULL"}));
}

TEST(RowDecoderPhysical, VarbinaryGetsItsPrefix) {
  std::vector<ColumnDef> columns = Table({Column("v", tc::kVarBinary, "varbinary(10)"), Column("w", tc::kVarBinary, "varbinary(10)")});
  Physical(columns[0], -1, 1);
  Physical(columns[1], -2, 2);
  FixedVarRecord record;
  record.columnCount = 2;
  record.varColumns = {{Bytes{}}, {Bytes{1, 2, 3}}};
  Harness harness;
  PageRows rows = harness.Decode({record.Build()}, columns, true);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], Row({"0x", "0x010203"}));
}

// One variable column of each type holding a large-value pointer.
PageRows DecodeLarge(Harness& harness, int32_t typeCode, const char* typeText, const Bytes& pointer, bool physical) {
  std::vector<ColumnDef> columns = Table({Column("v", typeCode, typeText)});
  Physical(columns[0], -1, 1);
  FixedVarRecord record;
  record.columnCount = 1;
  record.varColumns = {{pointer, true}};
  return harness.Decode({record.Build()}, columns, physical);
}

TEST(RowDecoderPhysical, LargeValuesAndTheFirstScreenPlaceholder) {
  struct Case {
    const char* name;
    int32_t typeCode;
    const char* typeText;
    Bytes pointer;
    bool firstScreen;
    std::string expected;
    bool readsValue;
  };
  const std::vector<Case> cases = {
      {"in-row root, first screen", tc::kVarChar, "varchar(-1)", ComplexPointer(4), true, "<BIG BINARY DATA>", false},
      {"in-row root, full read", tc::kVarChar, "varchar(-1)", ComplexPointer(4), false, "large", true},
      {"in-row root varbinary, full read", tc::kVarBinary, "varbinary(-1)", ComplexPointer(4), false, "0xlarge", true},
      {"in-row root varbinary, first screen", tc::kVarBinary, "varbinary(-1)", ComplexPointer(4), true,
       "<BIG BINARY DATA>", false},
      {"row overflow is read on the first screen", tc::kVarChar, "varchar(8000)", ComplexPointer(2), true, "large", true},
      {"text pointer is read on the first screen", tc::kText, "text(16)", TextPointer(), true, "large", true},
      {"unknown pointer kind", tc::kVarChar, "varchar(-1)", ComplexPointer(7), false, "", false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Harness harness;
    harness.state.tableLoadActive = test.firstScreen;
    PageRows rows = DecodeLarge(harness, test.typeCode, test.typeText, test.pointer, true);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], test.expected);
    EXPECT_EQ(harness.largeValues.calls.size(), test.readsValue ? 1u : 0u);
  }
}

TEST(RowDecoderPhysical, LargeValueRequestsFollowTheType) {
  struct Case {
    int32_t typeCode;
    const char* typeText;
    bool asHex, hasTypeHeader, narrow;
  };
  const std::vector<Case> cases = {
      {tc::kVarBinary, "varbinary(-1)", true, false, false}, {tc::kImage, "image(16)", true, false, false},
      {tc::kSqlVariant, "sql_variant(8016)", false, true, false}, {tc::kNVarChar, "nvarchar(-1)", false, false, true},
      {tc::kNText, "ntext(16)", false, false, true},           {tc::kText, "text(16)", false, false, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.typeText);
    Harness harness;
    PageRows rows = DecodeLarge(harness, test.typeCode, test.typeText, TextPointer(), true);
    ASSERT_EQ(harness.largeValues.calls.size(), 1u);
    const LargeValueRequest& request = harness.largeValues.calls[0].request;
    EXPECT_TRUE(harness.largeValues.calls[0].textPointer);
    EXPECT_EQ(request.asHex, test.asHex);
    EXPECT_EQ(request.hasTypeHeader, test.hasTypeHeader);
    EXPECT_EQ(request.narrow, test.narrow);
  }
  // image is shown as varbinary: with its prefix.
  Harness harness;
  harness.largeValues.text = "FFD8";
  EXPECT_EQ(DecodeLarge(harness, tc::kImage, "image(16)", TextPointer(), true)[0][0], "0xFFD8");
}

TEST(RowDecoderPhysical, LargeXmlIsCollectedAndConverted) {
  Harness harness;
  harness.state.tableLoadActive = true;  // the physical decoder reads xml roots even then
  harness.largeValues.collectBytes = {0xDF, 0xFF};  // not decodable binary xml
  PageRows rows = DecodeLarge(harness, tc::kXml, "xml(-1)", ComplexPointer(4), true);
  ASSERT_EQ(harness.largeValues.calls.size(), 1u);
  EXPECT_NE(harness.largeValues.calls[0].request.collected, nullptr);
  EXPECT_EQ(rows.size(), 1u);
}

TEST(RowDecoderPhysical, RecordsThatGiveNoRow) {
  std::vector<ColumnDef> columns = Table({Column("a", tc::kInt, "int(4)")});
  Physical(columns[0], 4, 1);
  FixedVarRecord live;
  live.fixed = Le32(1);
  FixedVarRecord ghost = live;
  ghost.recordType = record_type::kGhostData;
  ghost.fixed = Le32(2);
  FixedVarRecord index = live;
  index.recordType = record_type::kIndex;
  const std::vector<Bytes> records = {live.Build(), ghost.Build(), index.Build(), support::ForwardingStub({1, 999}, 0)};
  {
    Harness harness;
    PageRows rows = harness.Decode(records, columns, true);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], Row({"1"}));
  }
  {
    Harness harness;
    harness.state.showDeleted = true;
    PageRows rows = harness.Decode(records, columns, true);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], Row({"2"}));
  }
  {
    Harness harness;
    harness.state.cancelFlag = true;
    EXPECT_EQ(harness.Decode(records, columns, true).size(), 0u);
  }
}

TEST(RowDecoderPhysical, TruncatedRecordsGiveEmptyTexts) {
  // Every prefix of a record placed at the end of the page: whatever the
  // record parser keeps, the decoder neither crashes nor reads past it.
  FixedVarRecord record = OrderRecord();
  const Bytes whole = record.Build();
  for (size_t length = 1; length <= whole.size(); ++length) {
    SCOPED_TRACE(length);
    Harness harness;
    support::PageImage image(page_type::kData, PageId{1, 100});
    const size_t offset = kPageSize - 2 - length;
    ASSERT_TRUE(image.PlaceRecord(offset, Bytes(whole.begin(), whole.begin() + static_cast<long>(length))));
    image.AddSlot(static_cast<uint16_t>(offset));
    std::vector<ColumnDef> columns = OrderTable();
    PageRows rows = harness.DecodeImage(image, columns, true);
    if (length == whole.size()) {
      ASSERT_EQ(rows.size(), 1u);
      EXPECT_EQ(rows[0], Row({"7", "3", "200", "ab", "hé"}));
    }
  }
}

TEST(RowDecoderPhysical, CompressedRowsDecodeFromTheirExpandedValues) {
  // id int, name varchar, flag bit, qty smallint: row compressed, no
  // compression information on the page.
  std::vector<ColumnDef> columns = Table({Column("id", tc::kInt, "int(4)"), Column("name", tc::kVarChar, "varchar(20)"),
                                          Column("flag", tc::kBit, "bit(1)"), Column("qty", tc::kSmallInt, "smallint(2)")});
  Physical(columns[0], 4, 1);
  Physical(columns[1], -1, 2);
  Physical(columns[2], 8, 3);
  Physical(columns[3], 9, 4);
  using support::CdEntry;
  const Bytes first = support::BuildCdRecord({CdEntry::Value(support::CompressInteger(-1)), CdEntry::Value(Text("abcdefghijk")),
                                              CdEntry::BitOne(), CdEntry::Value(support::CompressInteger(300))});
  const Bytes second = support::BuildCdRecord({CdEntry::Value(support::CompressInteger(2)), CdEntry::Null(),
                                               CdEntry::Empty(), CdEntry::Null()});
  Harness harness;
  PageRows rows = harness.Decode({first, second}, columns, true);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Row({"-1", "abcdefghijk", "True", "300"}));
  EXPECT_EQ(rows[1], Row({"2", "NULL", "False", "NULL"}));
}

TEST(RowDecoderPhysical, PageRowsReuseTheirStorage) {
  std::vector<ColumnDef> columns = OrderTable();
  Harness harness;
  support::PageImage image(page_type::kData, PageId{1, 100});
  FixedVarRecord first = OrderRecord();
  FixedVarRecord second = OrderRecord();
  second.fixed = Cat({{4, 0}, {1, 0}, Le32(8)});
  second.varColumns[0].bytes = Text("a much longer name than before");
  image.AddRecord(first.Build());
  image.AddRecord(second.Build());
  CDataPage page(std::make_unique<PageBuffer>(image.bytes()), &harness.file);
  BuildPageRecords(page);
  PageRows rows;
  RowDecodeContext context{&harness.state, &harness.largeValues};
  DecodePageRows(page, columns, true, false, rows, context);
  DecodePageRows(page, columns, true, false, rows, context);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Row({"7", "3", "200", "ab", "hé"}));
  EXPECT_EQ(rows[1], Row({"8", "4", "1", "a much longer name than before", "hé"}));
}

}  // namespace
}  // namespace pagewright
