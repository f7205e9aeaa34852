// Table row loading over real files in Standard and Advanced Mode: every user
// table shows exactly its own rows, each once — no row of another table (a
// page of a unit whose id collides with a system table's, an index unit that
// shares the table's key) and no page read twice.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "storage/table_rows.h"
#include "support/open_fixtures.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

using Row = std::vector<std::string>;

class Collect final : public RecordView {
 public:
  void AddRow(const Row& cells) override { rows.push_back(cells); }
  std::vector<Row> rows;
};

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

// Every row of every user table, streamed as the record list's loader reads
// them in `mode`.
std::map<std::string, std::vector<Row>> AllTableRows(Opened& opened, RecoveryMode mode) {
  DatabaseCatalog& catalog = *opened.database.catalog;
  TableResolver resolver(catalog);
  std::map<std::string, std::vector<Row>> tables;
  for (const ObjectDef& object : std::vector<ObjectDef>(catalog.objects)) {
    if (object.type != "U ") continue;
    std::vector<ColumnDef> columns = resolver.ResolveTable(object.name, "U ", {});
    TableRowLoader loader(*opened.database.file, catalog.currentTable, columns, mode);
    Collect view;
    loader.StreamAllRows(view);
    tables[object.name] = std::move(view.rows);
  }
  return tables;
}

// Row counts of the creation scripts (instnwnd.sql, the 2008 Northwind
// script, instpubs.sql).
const std::map<std::string, size_t> kNorthwind = {
    {"Categories", 8},   {"CustomerCustomerDemo", 0}, {"CustomerDemographics", 0}, {"Customers", 91},
    {"Employees", 9},    {"EmployeeTerritories", 49}, {"Order Details", 2155},     {"Orders", 830},
    {"Products", 77},    {"Region", 4},               {"Shippers", 3},             {"Suppliers", 29},
    {"Territories", 53}};
const std::map<std::string, size_t> kPubs = {
    {"authors", 23}, {"discounts", 3}, {"employee", 43}, {"jobs", 14},    {"pub_info", 8}, {"publishers", 8},
    {"roysched", 86}, {"sales", 21},   {"stores", 6},    {"titleauthor", 25}, {"titles", 18}};

TEST(TableRowsCorpus, EveryTableShowsItsOwnRowsOnceInBothModes) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  const struct {
    const char* file;
    const std::map<std::string, size_t>* counts;
  } cases[] = {{"nw_itsligo_2008.mdf", &kNorthwind},
               {"pubs_itsligo_2008.mdf", &kPubs},
               {"nw_klk_2005_from2000.mdf", &kNorthwind}};
  for (const auto& c : cases) {
    auto opened = Open(c.file);
    ASSERT_TRUE(opened->ok) << c.file;
    std::map<std::string, std::vector<Row>> standard;
    for (RecoveryMode mode : {RecoveryMode::kStandard, RecoveryMode::kAdvanced}) {
      SCOPED_TRACE(std::string(c.file) + (mode == RecoveryMode::kStandard ? " standard" : " advanced"));
      auto tables = AllTableRows(*opened, mode);
      std::map<Row, std::string> owner;
      for (const auto& [name, expected] : *c.counts) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(tables.count(name));
        const std::vector<Row>& rows = tables[name];
        EXPECT_EQ(rows.size(), expected);
        for (const Row& row : rows) {
          auto [entry, fresh] = owner.emplace(row, name);
          EXPECT_TRUE(fresh) << "row starting " << row.at(0) << " shown by " << entry->second << " and " << name;
        }
      }
      // Both modes read the same rows (the page list and the allocation
      // structures agree on every table of these files).
      if (mode == RecoveryMode::kStandard) {
        standard = tables;
      } else {
        for (auto& [name, rows] : tables) {
          std::multiset<Row> a(rows.begin(), rows.end()), b(standard[name].begin(), standard[name].end());
          EXPECT_TRUE(a == b) << name;
        }
      }
    }
  }
}

// pubs_manav_2005_from2000 is a pubs upgraded from SQL Server 2000 whose owner
// dropped seven of the eleven tables and recreated authors and titles: its
// objects table holds 71 rows (the objects rowset counts 71 too) and rowsets
// exist for four user tables only. The dropped tables' catalog rows are gone
// (their names survive only in index-page free space), so only their orphaned
// data pages remain, and no column list exists to read them with.
TEST(TableRowsCorpus, UpgradedPubsWithDroppedTablesShowsItsFourLiveTables) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  auto opened = Open("pubs_manav_2005_from2000.mdf");
  ASSERT_TRUE(opened->ok);
  DatabaseCatalog& catalog = *opened->database.catalog;
  std::set<std::string> userTables;
  for (const ObjectDef& object : catalog.objects)
    if (object.type == "U ") userTables.insert(object.name);
  EXPECT_EQ(userTables, (std::set<std::string>{"authors", "publishers", "sysdiagrams", "titles"}));
  EXPECT_EQ(catalog.objects.size(), 71u);

  for (RecoveryMode mode : {RecoveryMode::kStandard, RecoveryMode::kAdvanced}) {
    auto tables = AllTableRows(*opened, mode);
    TableResolver resolver(catalog);
    for (const std::string& name : userTables) {
      SCOPED_TRACE(name);
      resolver.ResolveTable(name, "U ", {});
      // The rowset's own row count: authors 25, titles 20, publishers 8,
      // sysdiagrams 1.
      EXPECT_EQ(static_cast<int64_t>(tables[name].size()), catalog.currentTable.rowset.rowCount);
      EXPECT_GT(tables[name].size(), 0u);
      std::set<Row> distinct(tables[name].begin(), tables[name].end());
      EXPECT_EQ(distinct.size(), tables[name].size());
    }
    EXPECT_EQ(tables["publishers"].at(0), (Row{"0736", "New Moon Books", "Boston", "MA", "USA"}));
  }
}

}  // namespace
}  // namespace pagewright
