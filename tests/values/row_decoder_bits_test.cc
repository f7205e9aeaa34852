// Bit columns in the general decoder (2005 hobt layout and 2000 layout): bit
// columns share bytes even when other columns lie between them; a bit byte is
// placed where the bit column that starts it comes, and the ninth bit starts
// a new byte.
#include <gtest/gtest.h>

#include "row_decoder_fixture.h"

namespace pagewright {
namespace {

using namespace rows_test;
using support::FixedVarRecord;
namespace tc = type_code;

// b0 bit, n int, b1..b8 bit: byte A (b0..b7) at 4, n at 5, byte B (b8) at 9.
std::vector<ColumnDef> BitsTable() {
  std::vector<ColumnDef> list = {Column("b0", tc::kBit, "bit(1)"), Column("n", tc::kInt, "int(4)")};
  for (int index = 1; index <= 8; ++index) list.push_back(Column("b" + std::to_string(index), tc::kBit, "bit(1)"));
  std::vector<ColumnDef> columns = Table(list);
  for (size_t index = 0; index < columns.size(); ++index) {
    const int16_t offset = index == 1 ? 5 : index == 9 ? 9 : 4;
    Physical(columns[index], offset, static_cast<int32_t>(index + 1));
    columns[index].legacyXOffset = offset;
  }
  return columns;
}

TEST(RowDecoderBits, BitColumnsShareBytesAcrossOtherColumns) {
  FixedVarRecord record;
  record.fixed = Cat({{0b10100101}, Le32(-2), {0b1}});
  record.columnCount = 10;
  const std::vector<std::string> all = Row({"True", "-2", "False", "True", "False", "False", "True", "False", "True",
                                            "True"});
  const struct {
    const char* what;
    bool legacy;
    std::vector<int> nullColumns;
    std::vector<std::string> expected;
  } cases[] = {
      {"2005 layout", false, {}, all},
      {"2000 layout", true, {}, all},
      // A NULL bit column keeps its bit: the ones after it stay in place.
      {"2005 layout, b2 NULL", false, {3}, Row({"True", "-2", "False", "NULL", "False", "False", "True", "False",
                                                "True", "True"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FixedVarRecord row = record;
    row.nullColumns = c.nullColumns;
    std::vector<ColumnDef> columns = BitsTable();
    Harness harness;
    harness.state.legacyCatalog = c.legacy;
    PageRows rows = harness.Decode({row.Build()}, columns, false);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], c.expected);
  }
}

}  // namespace
}  // namespace pagewright
