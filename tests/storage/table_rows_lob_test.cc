// Large values through the whole table load over a synthetic file: a text
// pointer (text), an in-row root (varchar(max) pushed off the row), a
// row-overflow pointer (varchar(8000) pushed off the row) and a (max) value
// kept in the row, read from real text pages by both decoders when every
// row is streamed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/database_file.h"
#include "storage/engine_state.h"
#include "storage/table_rows.h"
#include "support/file_writer.h"
#include "support/lob_writer.h"
#include "support/page_writer.h"
#include "support/record_writer.h"
#include "support/temp_dir.h"
#include "values/type_codes.h"

namespace pagewright {
namespace {

using support::Bytes;
namespace tc = type_code;

Bytes Pattern(size_t length, char first) {
  Bytes value(length);
  for (size_t index = 0; index < length; ++index) value[index] = static_cast<uint8_t>(first + index % 23);
  return value;
}
std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class Collect final : public RecordView {
 public:
  void AddRow(const std::vector<std::string>& cells) override { rows.push_back(cells); }
  std::vector<std::vector<std::string>> rows;
};

ColumnDef Column(int32_t id, const std::string& name, int32_t typeCode, const std::string& typeText,
                 int16_t leafOffset) {
  ColumnDef column;
  column.columnId = column.physicalColumnId = id;
  column.name = name;
  column.typeCode = typeCode;
  column.typeText = typeText;
  column.variableLength = typeCode == tc::kInt ? 0 : 1;
  column.nullable = 1;
  column.hasPhysicalInfo = 1;
  column.leafOffset = leafOffset;
  column.nullBit = id;
  return column;
}

TEST(TableRowsLob, EveryLargeValueKindIsReadFromItsTextPages) {
  const Bytes text = Pattern(20000, 'a');      // text: LargeRoot over fragments
  const Bytes offRow = Pattern(12000, 'A');    // varchar(max): in-row root, two fragments
  const Bytes overflow = Pattern(5000, '0');   // varchar(8000): row-overflow pointer
  const Bytes inRow = {'s', 'h', 'o', 'r', 't'};  // varchar(max) kept in the row

  support::LobStore store(PageId{1, 20});
  const support::LobChild root = store.StoreValue(text, 1);
  const std::vector<support::LobChild> offRowEntries = store.StoreFragments(offRow, 2);
  const std::vector<support::LobChild> overflowEntries = store.StoreFragments(overflow, 3);

  support::FileImage image;
  for (const support::PageImage& page : store.pages()) image.PutPage(page);
  support::PageImage data(page_type::kData, PageId{1, 10});
  support::FixedVarRecord record;
  support::AppendU32(record.fixed, 7);
  record.columnCount = 5;
  record.varColumns = {{support::TextPointer(root.page, root.slot), true},
                       {support::ComplexPointer(4, offRowEntries), true},
                       {support::ComplexPointer(2, overflowEntries), true},
                       {inRow, false}};
  data.AddRecord(record.Build());
  image.PutPage(data);
  image.SetBlockCount(64);
  support::TempDir dir;
  const std::string path = dir.path() + "/lob.mdf";
  ASSERT_TRUE(image.WriteTo(path));
  EngineState state;
  std::unique_ptr<DatabaseFile> file = support::OpenForTest(state, path);
  ASSERT_NE(file, nullptr);

  std::vector<ColumnDef> columns = {Column(1, "id", tc::kInt, "int(4)", 4),
                                    Column(2, "t", tc::kText, "text(16)", -1),
                                    Column(3, "m", tc::kVarChar, "varchar(-1)", -2),
                                    Column(4, "o", tc::kVarChar, "varchar(8000)", -3),
                                    Column(5, "s", tc::kVarChar, "varchar(-1)", -4)};
  const std::vector<std::string> full = {"7", Text(text), Text(offRow), Text(overflow), "short"};
  for (bool physical : {false, true}) {
    SCOPED_TRACE(physical ? "physical layout" : "general");
    TableDef table;
    table.pages = {PageId{1, 10}};
    if (physical) table.physicalColumns.resize(1);  // the table has physical column rows
    TableRowLoader loader(*file, table, columns, RecoveryMode::kAdvanced);
    Collect streamed;
    loader.StreamAllRows(streamed);
    ASSERT_EQ(streamed.rows.size(), 1u);
    EXPECT_EQ(streamed.rows[0], full);

    // The first screen (placeholders are the decoders' choice) still shows
    // the row with its small values.
    Collect screen;
    loader.LoadTableRows(screen);
    ASSERT_EQ(screen.rows.size(), 1u);
    EXPECT_EQ(screen.rows[0][0], "7");
    EXPECT_EQ(screen.rows[0][4], "short");
  }
}

}  // namespace
}  // namespace pagewright
