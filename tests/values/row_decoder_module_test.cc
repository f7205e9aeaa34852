// The module-row forms of both decoders: the rows of the module tables,
// whose large values are always read and which show no "NULL".
#include <gtest/gtest.h>

#include "row_decoder_fixture.h"

namespace pagewright {
namespace {

using namespace rows_test;
using support::FixedVarRecord;
namespace tc = type_code;

// objid int, subobjid int, imageval varbinary(max), as the 2005+ module
// table's last columns.
std::vector<ColumnDef> ModuleColumns() {
  return Table({Column("objid", tc::kInt, "int(4)", false), Column("subobjid", tc::kInt, "int(4)", false),
                Column("imageval", tc::kVarBinary, "varbinary(-1)")});
}

FixedVarRecord ModuleRecord(int32_t objectId, Bytes value, bool complex = false) {
  FixedVarRecord record;
  record.fixed = Cat({Le32(objectId), Le32(0)});
  record.columnCount = 3;
  record.varColumns = {{std::move(value), complex}};
  return record;
}

TEST(RowDecoderModule, GeneralFormReadsEveryValueAndWritesNoNull) {
  FixedVarRecord inRow = ModuleRecord(5, Text("AB"));
  FixedVarRecord large = ModuleRecord(6, TextPointer(), true);
  large.varColumns[0].bytes[0] = 0x7F;  // any first byte: 16 bytes are a text pointer here
  FixedVarRecord nullValue = ModuleRecord(7, {});
  nullValue.nullColumns = {2};
  FixedVarRecord empty = ModuleRecord(8, {});
  FixedVarRecord index = ModuleRecord(9, Text("XX"));
  index.recordType = record_type::kIndex;

  std::vector<ColumnDef> columns = ModuleColumns();
  Harness harness;
  harness.state.tableLoadActive = true;  // module rows never show placeholders
  PageRows rows = harness.Decode({inRow.Build(), large.Build(), nullValue.Build(), empty.Build(), index.Build()},
                                 columns, false, true);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], Row({"5", "0", "0x4142"}));
  EXPECT_EQ(rows[1], Row({"6", "0", "0xlarge"}));
  // A NULL value is empty, neither "NULL" nor the row before's text.
  EXPECT_EQ(rows[2], Row({"7", "0", ""}));
  // An empty varbinary stays empty.
  EXPECT_EQ(rows[3], Row({"8", "0", ""}));
  ASSERT_EQ(harness.largeValues.calls.size(), 1u);
  EXPECT_TRUE(harness.largeValues.calls[0].textPointer);
}

TEST(RowDecoderModule, GeneralFormTakesSqlVariantAfterItsHeader) {
  std::vector<ColumnDef> columns = Table({Column("value", tc::kSqlVariant, "sql_variant(8016)")});
  FixedVarRecord record;
  record.columnCount = 1;
  record.varColumns = {{Cat({{175, 1, 10, 0, 0, 0, 0, 0}, Text("key")})}};
  Harness harness;
  PageRows rows = harness.Decode({record.Build()}, columns, false, true);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "key");
}

TEST(RowDecoderModule, GeneralFormStopsAfterTheRecordsColumns) {
  // The second record stores one column: the third column does not keep the
  // first record's text.
  std::vector<ColumnDef> columns = ModuleColumns();
  FixedVarRecord full = ModuleRecord(5, Text("AB"));
  FixedVarRecord shortRecord;
  shortRecord.fixed = Cat({Le32(6), Le32(1)});
  shortRecord.columnCount = 1;
  Harness harness;
  PageRows rows = harness.Decode({full.Build(), shortRecord.Build()}, columns, false, true);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], "6");
  EXPECT_EQ(rows[1][2], "");
  // A 2000 syscomments row is decoded as ten columns whatever it stores.
  harness.state.legacyCatalog = true;
  rows = harness.Decode({full.Build(), shortRecord.Build()}, columns, false, true);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], Row({"6", "1", ""}));
}

TEST(RowDecoderModule, PhysicalFormIgnoresNullBitsAndReadsLargeValues) {
  std::vector<ColumnDef> columns = ModuleColumns();
  Physical(columns[0], 4, 1);
  Physical(columns[1], 8, 2);
  Physical(columns[2], -1, 3);
  columns[1].hasPhysicalInfo = 0;  // not described: read anyway
  FixedVarRecord root = ModuleRecord(5, ComplexPointer(4), true);
  root.nullColumns = {0};
  FixedVarRecord empty = ModuleRecord(6, {});
  Harness harness;
  harness.state.tableLoadActive = true;
  PageRows rows = harness.Decode({root.Build(), empty.Build()}, columns, true, true);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Row({"5", "0", "0xlarge"}));
  EXPECT_EQ(rows[1], Row({"6", "0", ""}));
}

}  // namespace
}  // namespace pagewright
