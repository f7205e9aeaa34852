// Table resolution over the real files: columns, types, nullability and
// primary keys against the creation scripts, and page lists that hold only
// the table's own pages, each once.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "catalog/catalog_loader.h"
#include "catalog/catalog_text.h"
#include "catalog/mapping_scan.h"
#include "catalog/schema_scripts.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "support/open_fixtures.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

struct ScriptColumn {
  std::string name;
  std::string type;    // base type name, lower case
  int32_t bytes = 0;   // stored length in bytes; 0: not checked
  int nullable = -1;   // 1 NULL, 0 NOT NULL, -1 not stated by the script
};

struct ScriptTable {
  std::vector<ScriptColumn> columns;
  std::set<std::string> primaryKey;
  std::vector<std::string> primaryKeyOrder;  // key order
};

using Script = std::map<std::string, ScriptTable>;

int32_t FixedBytes(const std::string& type) {
  static const std::map<std::string, int32_t> kFixed = {
      {"int", 4},      {"smallint", 2}, {"tinyint", 1},          {"bigint", 8},  {"bit", 1},
      {"money", 8},    {"smallmoney", 4}, {"datetime", 8},       {"smalldatetime", 4},
      {"real", 4},     {"float", 8},    {"image", 16},           {"ntext", 16},  {"text", 16},
      {"uniqueidentifier", 16}};
  auto found = kFixed.find(type);
  return found == kFixed.end() ? 0 : found->second;
}

// Bytes of a sized type: n for char and binary types, 2n for the n-types,
// -1 for max.
int32_t SizedBytes(const std::string& type, const std::string& size) {
  int32_t count = size == "max" ? -1 : std::atoi(size.c_str());
  if (count > 0 && (type == "nchar" || type == "nvarchar")) count *= 2;
  return count;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), ::tolower);
  return text;
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// An identifier at `position`: "x", [x] or a bare word; position moves past it.
std::string Identifier(const std::string& line, size_t& position) {
  position = line.find_first_not_of(" \t", position);
  if (position == std::string::npos) return "";
  char open = line[position];
  if (open == '"' || open == '[') {
    size_t close = line.find(open == '"' ? '"' : ']', position + 1);
    if (close == std::string::npos) return "";
    std::string name = line.substr(position + 1, close - position - 1);
    position = close + 1;
    return name;
  }
  size_t end = line.find_first_of(" \t(,", position);
  std::string name = line.substr(position, end == std::string::npos ? std::string::npos : end - position);
  position = end == std::string::npos ? line.size() : end;
  return name;
}

// The table name of a CREATE TABLE or ALTER TABLE line: the last part of
// [dbo].[x], "x" or x.
std::string TableNameAfter(const std::string& line, size_t position) {
  std::string name = Identifier(line, position);
  while (position < line.size() && line[position] == '.') {
    ++position;
    name = Identifier(line, position);
  }
  return name;
}

// The Northwind scripts (the 2000 script with "quoted" names and the 2008
// generated one with [bracketed] names): one column per line at the start of
// the table body, primary keys inline or added by ALTER TABLE.
Script ParseNorthwindScript(const std::string& text) {
  Script script;
  std::istringstream lines(text);
  std::string raw;
  std::string table, keyTable;
  bool inColumns = false, inKey = false;
  while (std::getline(lines, raw)) {
    std::string line = Trim(raw);
    // The first column may share its line with the opening parenthesis.
    if (!table.empty() && inColumns && !line.empty() && line[0] == '(') line = Trim(line.substr(1));
    const std::string lower = Lower(line);
    if (lower.rfind("create table ", 0) == 0) {
      table = TableNameAfter(line, 13);
      inColumns = true;
      continue;
    }
    if (lower.rfind("alter table ", 0) == 0) {
      table = TableNameAfter(line, 12);
      inColumns = false;
      continue;
    }
    if (lower == "go") {
      table.clear();
      inColumns = inKey = false;
      continue;
    }
    if (table.empty()) continue;
    if (lower.find("primary key") != std::string::npos) {
      inColumns = false;
      inKey = true;
      keyTable = table;
      continue;
    }
    if (lower.find("constraint") == 0 || lower.find("foreign key") != std::string::npos) inColumns = false;
    if (inKey) {
      if (!line.empty() && line[0] == ')') {
        inKey = false;
      } else if (!line.empty() && (line[0] == '"' || line[0] == '[')) {
        size_t position = 0;
        const std::string column = Identifier(line, position);
        script[keyTable].primaryKey.insert(column);
        script[keyTable].primaryKeyOrder.push_back(column);
      }
      continue;
    }
    if (!inColumns || line.empty() || (line[0] != '"' && line[0] != '[')) continue;
    size_t position = 0;
    ScriptColumn column;
    column.name = Identifier(line, position);
    column.type = Lower(Identifier(line, position));
    size_t open = line.find_first_not_of(" \t", position);
    if (open != std::string::npos && line[open] == '(') {
      size_t close = line.find(')', open);
      column.bytes = SizedBytes(column.type, Trim(line.substr(open + 1, close - open - 1)));
    } else {
      column.bytes = FixedBytes(column.type);
    }
    column.nullable = lower.find("not null") != std::string::npos ? 0 : (lower.find("null") != std::string::npos);
    script[table].columns.push_back(column);
  }
  return script;
}

// pubs as instpubs.sql creates it, with its user types (id, tid, empid)
// written as their base types. "name type bytes null" per column, "*" marks
// the primary key, "?" a nullability the script leaves to the server.
Script PubsScript() {
  const std::map<std::string, std::string> tables = {
      {"authors", "au_id varchar 11 N* ,au_lname varchar 40 N,au_fname varchar 20 N,phone char 12 N,"
                  "address varchar 40 Y,city varchar 20 Y,state char 2 Y,zip char 5 Y,contract bit 1 N"},
      {"publishers", "pub_id char 4 N*,pub_name varchar 40 Y,city varchar 20 Y,state char 2 Y,country varchar 30 Y"},
      {"titles", "title_id varchar 6 N*,title varchar 80 N,type char 12 N,pub_id char 4 Y,price money 8 Y,"
                 "advance money 8 Y,royalty int 4 Y,ytd_sales int 4 Y,notes varchar 200 Y,pubdate datetime 8 N"},
      {"titleauthor", "au_id varchar 11 N*,title_id varchar 6 N*,au_ord tinyint 1 Y,royaltyper int 4 Y"},
      {"stores", "stor_id char 4 N*,stor_name varchar 40 Y,stor_address varchar 40 Y,city varchar 20 Y,"
                 "state char 2 Y,zip char 5 Y"},
      {"sales", "stor_id char 4 N*,ord_num varchar 20 N*,ord_date datetime 8 N,qty smallint 2 N,"
                "payterms varchar 12 N,title_id varchar 6 N*"},
      {"roysched", "title_id varchar 6 N,lorange int 4 Y,hirange int 4 Y,royalty int 4 Y"},
      {"discounts", "discounttype varchar 40 N,stor_id char 4 Y,lowqty smallint 2 Y,highqty smallint 2 Y,"
                    "discount decimal 0 N"},
      {"jobs", "job_id smallint 2 N*,job_desc varchar 50 N,min_lvl tinyint 1 N,max_lvl tinyint 1 N"},
      {"pub_info", "pub_id char 4 N*,logo image 16 Y,pr_info text 16 Y"},
      {"employee", "emp_id char 9 N*,fname varchar 20 N,minit char 1 Y,lname varchar 30 N,job_id smallint 2 N,"
                   "job_lvl tinyint 1 ?,pub_id char 4 N,hire_date datetime 8 N"},
  };
  Script script;
  for (const auto& [name, spec] : tables) {
    std::istringstream entries(spec);
    std::string entry;
    while (std::getline(entries, entry, ',')) {
      std::istringstream words(entry);
      ScriptColumn column;
      std::string null;
      words >> column.name >> column.type >> column.bytes >> null;
      column.nullable = null[0] == 'Y' ? 1 : null[0] == 'N' ? 0 : -1;
      if (null.find('*') != std::string::npos) {
        script[name].primaryKey.insert(column.name);
        script[name].primaryKeyOrder.push_back(column.name);
      }
      script[name].columns.push_back(column);
    }
  }
  return script;
}

std::string ReadScript(const std::string& path) {
  support::Bytes raw = support::ReadWholeFile(path);
  if (raw.size() >= 2 && raw[0] == 0xFF && raw[1] == 0xFE) return Utf16LeToUtf8(ByteView(raw).from(2));
  return Latin1ToUtf8(ByteView(raw));
}

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

struct ScriptCase {
  const char* file;
  const char* script;  // under truth/, empty: the pubs transcription
};

// 2000 files take their keys from the index table's key descriptions, the
// others from the index-column table.
const ScriptCase kScriptCases[] = {
    {"nw_itsligo_2008.mdf", "nw_itsligo_2008/Northwind Script.sql"},
    {"nw_klk_2005_from2000.mdf", "nw_stuit_2000/instnwnd.sql"},
    {"nw_stuit_2000.mdf", "nw_stuit_2000/instnwnd.sql"},
    {"pubs_itsligo_2008.mdf", ""},
    {"pubs_nuneteen_2014.mdf", ""},
    {"pubs_stuit_2000.mdf", ""},
};

TEST(ResolutionCorpus, ColumnsTypesNullabilityAndKeysMatchTheScripts) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (const ScriptCase& c : kScriptCases) {
    SCOPED_TRACE(c.file);
    auto opened = Open(c.file);
    ASSERT_TRUE(opened->ok);
    DatabaseCatalog& catalog = *opened->database.catalog;
    const Script script = *c.script ? ParseNorthwindScript(ReadScript(support::CorpusDir() + "/truth/" + c.script))
                                    : PubsScript();
    ASSERT_GE(script.size(), 11u);
    TableResolver resolver(catalog);
    for (const auto& [tableName, expected] : script) {
      SCOPED_TRACE(tableName);
      std::vector<ColumnDef> columns = resolver.ResolveTable(tableName, "U ", {});
      ASSERT_EQ(catalog.currentTable.object.type, "U ");
      ASSERT_EQ(columns.size(), expected.columns.size());
      std::set<std::string> primaryKey;
      for (size_t index = 0; index < columns.size(); ++index) {
        const ColumnDef& column = columns[index];
        const ScriptColumn& want = expected.columns[index];
        EXPECT_EQ(column.name, want.name);
        const std::string typeName = column.typeText.substr(0, column.typeText.find('('));
        EXPECT_EQ(typeName, want.type == "dec" ? "decimal" : want.type) << column.name;
        if (want.bytes != 0) EXPECT_EQ(column.typeText, want.type + "(" + std::to_string(want.bytes) + ")");
        if (want.nullable >= 0) EXPECT_EQ(column.nullable, want.nullable) << column.name;
        EXPECT_EQ(column.hasPhysicalInfo, 1) << column.name;
        EXPECT_NE(column.physicalColumnId, -99) << column.name;
        if (column.isPrimaryKey) primaryKey.insert(column.name);
      }
      EXPECT_EQ(primaryKey, expected.primaryKey);
      EXPECT_EQ(catalog.currentTable.primaryKeyColumns.size(), expected.primaryKey.size());
      // A foreign key of each database, flagged with its target (2000 files
      // from the foreign-key table).
      for (const auto& [table, column, target, targetColumn] :
           {std::tuple{"Orders", "ShipVia", "Shippers", "ShipperID"},
            std::tuple{"titleauthor", "title_id", "titles", "title_id"}}) {
        if (tableName != table) continue;
        for (const ColumnDef& def : columns) {
          if (def.name != column) continue;
          EXPECT_EQ(def.isForeignKey, 1);
          EXPECT_EQ(def.referencedTableName, target);
          EXPECT_EQ(def.referencedColumnName, targetColumn);
        }
      }
      // Northwind's two demographics tables hold no rows.
      if (tableName.find("CustomerCustomerDemo") == std::string::npos && tableName != "CustomerDemographics")
        EXPECT_FALSE(catalog.currentTable.pages.empty());
    }
  }
}

// The statement recreating each primary key lists the key's columns in key
// order: 2000 files from the index table's key descriptions (heaps too, whose
// name comes from their object row), the others from the resolved table.
TEST(ResolutionCorpus, PrimaryKeyStatementsListTheScriptsKeyColumns) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (const ScriptCase& c : kScriptCases) {
    SCOPED_TRACE(c.file);
    auto opened = Open(c.file);
    ASSERT_TRUE(opened->ok);
    DatabaseCatalog& catalog = *opened->database.catalog;
    const Script script = *c.script ? ParseNorthwindScript(ReadScript(support::CorpusDir() + "/truth/" + c.script))
                                    : PubsScript();
    size_t checked = 0;
    for (const ObjectDef& key : std::vector<ObjectDef>(catalog.objects)) {
      if (key.type != "PK") continue;
      const ObjectDef* table = catalog.FindObjectById(key.parentId);
      ASSERT_NE(table, nullptr) << key.name;
      auto expected = script.find(table->name);
      if (expected == script.end()) continue;  // sysdiagrams and the like
      SCOPED_TRACE(key.name);
      std::vector<std::string> names = expected->second.primaryKeyOrder;
      std::string statement;
      if (catalog.legacyCatalog) {
        statement = BuildPrimaryKeyScript(catalog, key.parentId);
      } else {
        ResolveTable(catalog, table->name, table->type, {});
        statement = BuildPrimaryKeyScript(catalog.currentTable);
      }
      EXPECT_EQ(statement, "ALTER TABLE " + table->name + " ADD PRIMARY KEY (" + ScriptColumnList(names) + ")");
      ++checked;
    }
    // Northwind: 13 keys; pubs: 8 (roysched and discounts have none).
    EXPECT_GE(checked, 8u);
  }
}

// Every user table of every file: its pages are data pages of its own, listed
// once, and no page is listed for two tables.
TEST(ResolutionCorpus, PageListsHoldNoForeignAndNoRepeatedPage) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  const char* files[] = {"nw_itsligo_2008.mdf",   "nw_klk_2005_from2000.mdf", "nw_stuit_2000.mdf",
                         "pubs_itsligo_2008.mdf", "pubs_manav_2005_from2000.mdf", "pubs_nuneteen_2014.mdf",
                         "pubs_stuit_2000.mdf"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    auto opened = Open(file);
    ASSERT_TRUE(opened->ok);
    DatabaseCatalog& catalog = *opened->database.catalog;
    TableResolver resolver(catalog);
    std::map<PageId, std::string> owner;
    size_t tables = 0;
    for (const ObjectDef& object : std::vector<ObjectDef>(catalog.objects)) {
      if (object.type != "U ") continue;
      if (catalog.legacyCatalog && object.name.rfind("dt", 0) == 0) continue;  // 2000 design-tool tables
      resolver.ResolveTable(object.name, "U ", {});
      const TableDef& table = catalog.currentTable;
      if (table.object.objectId != object.objectId) continue;  // a same-named object came first
      ++tables;
      std::set<PageId> seen;
      for (const PageId& page : table.pages) {
        EXPECT_TRUE(seen.insert(page).second) << object.name << " lists page " << page.ToString() << " twice";
        auto [entry, fresh] = owner.emplace(page, object.name);
        EXPECT_TRUE(fresh) << "page " << page.ToString() << " listed for " << entry->second << " and "
                           << object.name;
        auto header = opened->database.file->ReadPageHeader(page);
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->type, 1);
        // The page's own header names this table: its object id (2000), or
        // one of the table's in-row units by object id and index id.
        bool named = catalog.legacyCatalog && header->objectId == object.objectId;
        for (const AllocationUnitDef& unit : table.tableUnits)
          named = named || (unit.type == 1 && PageMatchesUnit(header->objectId, header->indexId, unit.allocationUnitId));
        if (!catalog.legacyCatalog && table.tableUnits.empty()) named = header->objectId == object.objectId;
        EXPECT_TRUE(named) << object.name << " page " << page.ToString();
      }
    }
    EXPECT_GE(tables, 4u);  // pubs_manav keeps only four of pubs' tables
  }
}

TEST(ResolutionCorpus, NativeUnitIgnoresSystemPagesWithTheSameObjectId) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  auto opened = Open("nw_itsligo_2008.mdf");
  ASSERT_TRUE(opened->ok);
  DatabaseCatalog& catalog = *opened->database.catalog;
  ResolveTable(catalog, "Shippers", "U ", {});
  const TableDef& table = catalog.currentTable;
  EXPECT_EQ(table.allocationUnit.allocationUnitId, 0x0100000000290000LL);
  ASSERT_EQ(table.pages.size(), 1u);
  EXPECT_EQ(table.pages[0], (PageId{1, 369}));
  EXPECT_EQ(table.allocationUnit.firstPage, (PageId{1, 369}));
}

TEST(ResolutionCorpus, UpgradedIndexUnitSharingTheTablesKeyListsItsPageOnce) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  auto opened = Open("nw_klk_2005_from2000.mdf");
  ASSERT_TRUE(opened->ok);
  DatabaseCatalog& catalog = *opened->database.catalog;
  ResolveTable(catalog, "Region", "U ", {});
  const TableDef& table = catalog.currentTable;
  std::set<int64_t> units;
  for (const AllocationUnitDef& unit : table.tableUnits) units.insert(unit.allocationUnitId);
  EXPECT_TRUE(units.count(0x000034C8D9D10000LL));
  EXPECT_TRUE(units.count(0x000234C8D9D10000LL));
  ASSERT_EQ(table.pages.size(), 1u);
  EXPECT_EQ(table.pages[0], (PageId{1, 300}));
}

}  // namespace
}  // namespace pagewright
