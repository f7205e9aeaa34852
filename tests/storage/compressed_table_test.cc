// Row-compressed tables read end to end (catalog, resolution, loader,
// expansion, decoder): each column finds its CD entry by its place in the
// rowset, not by its place in the table's column list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "storage/table_rows.h"
#include "support/catalog_writer.h"
#include "support/compressed_writer.h"
#include "support/open_fixtures.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::CdEntry;
using support::ColumnSpec;
namespace sql = support::sql_type;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
CdEntry Int(int64_t value) { return value == 0 ? CdEntry::Empty() : CdEntry::Value(support::CompressInteger(value)); }

class Rows final : public RecordView {
 public:
  void AddRow(const std::vector<std::string>& cells) override { rows.push_back(cells); }
  std::vector<std::vector<std::string>> rows;
};

struct CompressedTableCase {
  const char* what;
  support::CatalogGeneration generation;
  std::vector<ColumnSpec> columns;
  bool clustered;
  std::vector<int32_t> droppedColumnIds;
  std::vector<support::PhysicalColumnSpec> physical;  // empty: as the writer lays them out
  std::vector<std::vector<CdEntry>> records;         // CD entries in rowset order
  std::vector<std::string> shownColumns;
  std::vector<std::vector<std::string>> rows;
};

std::vector<CompressedTableCase> Cases() {
  ColumnSpec id{"id", sql::kInt, 0, 4};
  ColumnSpec gone{"gone", sql::kInt, 0, 4};
  ColumnSpec name{"name", sql::kVarChar, 0, 20};
  ColumnSpec qty{"qty", sql::kSmallInt, 0, 2};
  ColumnSpec a{"a", sql::kInt, 0, 4};
  ColumnSpec b{"b", sql::kVarChar, 0, 10};
  ColumnSpec k{"k", sql::kChar, 0, 4};
  const std::vector<std::vector<CdEntry>> droppedRecords = {
      {Int(1), Int(999), CdEntry::Value(Text("Alice")), Int(3)},
      {Int(2), Int(555), CdEntry::Value(Text("Bartholomew")), Int(-7)},
      {Int(3), CdEntry::Null(), CdEntry::Value(Text("Cy")), CdEntry::Null()}};
  const std::vector<std::vector<std::string>> droppedRows = {
      {"1", "Alice", "3"}, {"2", "Bartholomew", "-7"}, {"3", "Cy", "NULL"}};
  return {
      // Column 2 was dropped: rows written before keep a value for it, rows
      // written after a NULL, and both keep its entry.
      {"dropped column keeps its entry, 2005 layout",
       support::CatalogGeneration::kSql2005,
       {id, gone, name, qty},
       false,
       {2},
       {},
       droppedRecords,
       {"id", "name", "qty"},
       droppedRows},
      {"dropped column keeps its entry, 2008 layout",
       support::CatalogGeneration::kSql2008,
       {id, gone, name, qty},
       false,
       {2},
       {},
       droppedRecords,
       {"id", "name", "qty"},
       droppedRows},
      // A non-unique clustered index on k: the uniquifier, then the key,
      // then the other columns.
      {"clustered key and uniquifier first",
       support::CatalogGeneration::kSql2008,
       {a, b, k},
       true,
       {},
       {{0, 1, 5, 1}, {3, 2, 9, 2}, {1, 3, 13, 3}, {2, 4, -1, 4}},
       {{CdEntry::Empty(), CdEntry::Value(Text("AB")), Int(42), CdEntry::Value(Text("xyz"))},
        {Int(1), CdEntry::Value(Text("AB")), Int(-1000), CdEntry::Value(Text("longer text"))}},
       {"a", "b", "k"},
       {{"42", "xyz", "AB  "}, {"-1000", "longer text", "AB  "}}},
  };
}

TEST(CompressedTable, ColumnsTakeTheirEntryByTheirPlaceInTheRowset) {
  for (const CompressedTableCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    support::CatalogWriter writer(c.generation);
    support::TableSpec spec;
    spec.name = "T";
    spec.columns = c.columns;
    spec.clustered = c.clustered;
    const int32_t tableId = writer.AddTable(spec);
    for (int32_t columnId : c.droppedColumnIds) writer.DropColumn(tableId, columnId);
    if (!c.physical.empty()) writer.SetPhysicalColumns(tableId, c.physical);

    support::FileImage image = writer.BuildFile();
    support::PageImage page(1, PageId{1, 200});
    page.SetAllocationUnit(writer.Storage(tableId)->allocationUnitId);
    for (const auto& record : c.records) page.AddRecord(support::BuildCdRecord(record));
    image.PutPage(page);
    support::TempDir dir;
    const std::string path = dir.File("compressed.mdf");
    ASSERT_TRUE(image.WriteTo(path));

    EngineState state;
    support::RecordingNotifier notifier;
    OpenedDatabase opened;
    ASSERT_TRUE(OpenDatabase(path, state, &notifier, opened));
    std::vector<ColumnDef> columns = ResolveTable(*opened.catalog, "T", "U ", {});
    ASSERT_EQ(ShownColumnNames(columns), c.shownColumns);

    for (RecoveryMode mode : {RecoveryMode::kStandard, RecoveryMode::kAdvanced}) {
      TableRowLoader loader(*opened.file, opened.catalog->currentTable, columns, mode);
      Rows view;
      loader.StreamAllRows(view);
      EXPECT_EQ(view.rows, c.rows);
    }
  }
}

}  // namespace
}  // namespace pagewright
