// The row decoders over real files of the three catalog generations: the
// Shippers rows of the creation script, and NULL dates of Orders shown as
// "NULL" by both decoders.
#include <gtest/gtest.h>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "support/open_fixtures.h"
#include "support/test_paths.h"
#include "values/row_decoder.h"

namespace pagewright {
namespace {

struct Opened {
  EngineState state;
  support::RecordingNotifier notifier;
  OpenedDatabase database;
  bool ok = false;
};

std::unique_ptr<Opened> Open(const std::string& file) {
  auto opened = std::make_unique<Opened>();
  opened->ok = OpenDatabase(support::CorpusDir() + "/files/" + file, opened->state, &opened->notifier,
                            opened->database) &&
               opened->database.catalog;
  return opened;
}

// Every row of the table's page list, fully read (no first-screen flags).
std::vector<std::vector<std::string>> TableRows(Opened& opened, const std::string& table) {
  DatabaseCatalog& catalog = *opened.database.catalog;
  std::vector<ColumnDef> columns = ResolveTable(catalog, table, "U ", {});
  const bool physical = !opened.state.legacyCatalog && !catalog.currentTable.physicalColumns.empty();
  std::vector<std::vector<std::string>> result;
  PageRows rows;
  for (const PageId& id : catalog.currentTable.pages) {
    auto page = opened.database.file->ReadDataPage(id);
    if (!page || !page->header || page->header->type != 1) continue;
    DecodePageRows(*page, columns, physical, false, rows);
    for (const auto& row : rows) result.push_back(row);
  }
  return result;
}

const char* const kFiles[] = {"nw_itsligo_2008.mdf", "nw_klk_2005_from2000.mdf", "nw_stuit_2000.mdf"};

TEST(RowDecoderCorpus, ShippersRowsEqualTheScript) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  const std::vector<std::vector<std::string>> expected = {{"1", "Speedy Express", "(503) 555-9831"},
                                                          {"2", "United Package", "(503) 555-3199"},
                                                          {"3", "Federal Shipping", "(503) 555-9931"}};
  for (const char* file : kFiles) {
    SCOPED_TRACE(file);
    auto opened = Open(file);
    ASSERT_TRUE(opened->ok);
    EXPECT_EQ(TableRows(*opened, "Shippers"), expected);
  }
}

TEST(RowDecoderCorpus, NullShippedDatesShowNullInEveryGeneration) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (const char* file : kFiles) {
    SCOPED_TRACE(file);
    auto opened = Open(file);
    ASSERT_TRUE(opened->ok);
    const auto rows = TableRows(*opened, "Orders");
    EXPECT_EQ(rows.size(), 830u);
    // Columns: OrderID, CustomerID, EmployeeID, OrderDate, RequiredDate,
    // ShippedDate, ...; order 11008 was never shipped.
    int nullDates = 0;
    bool found = false;
    for (const auto& row : rows) {
      ASSERT_GE(row.size(), 6u);
      if (row[5] == "NULL") ++nullDates;
      if (row[0] == "11008") {
        found = true;
        EXPECT_EQ(row[1], "ERNSH");
        EXPECT_EQ(row[5], "NULL");
      }
      EXPECT_NE(row[5], "1900-01-01 00:00:00") << row[0];
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(nullDates, 21);
  }
}

}  // namespace
}  // namespace pagewright
