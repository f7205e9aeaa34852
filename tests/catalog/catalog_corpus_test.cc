// The catalog of every real file of the corpus, checked against the scripts
// that created the databases, whole and damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "catalog/catalog_loader.h"
#include "catalog/catalog_rows.h"
#include "catalog/catalog_text.h"
#include "storage/engine_state.h"
#include "support/open_fixtures.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

namespace fs = std::filesystem;
using support::Bytes;
using Names = std::set<std::string>;

std::string CorpusFile(const std::string& name) { return support::CorpusDir() + "/files/" + name; }

// The objects a set of creation scripts makes, by kind ("table", "view",
// "procedure", "trigger", "function"): statements that start a line with
// CREATE KIND followed by a name, bare, [bracketed] or "quoted", optionally
// after a schema.
std::map<std::string, Names> ScriptObjects(const std::string& truthDir) {
  std::map<std::string, Names> objects;
  for (const auto& entry : fs::directory_iterator(truthDir)) {
    Bytes raw = support::ReadWholeFile(entry.path().string());
    std::string text;
    if (raw.size() >= 2 && raw[0] == 0xFF && raw[1] == 0xFE) {
      text = Utf16LeToUtf8(ByteView(raw).from(2));
    } else if (raw.size() >= 3 && raw[0] == 0xEF && raw[1] == 0xBB && raw[2] == 0xBF) {
      text.assign(raw.begin() + 3, raw.end());
    } else {
      text = Latin1ToUtf8(ByteView(raw));
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream words(line);
      std::string create, kind, name;
      words >> create >> kind;
      std::transform(create.begin(), create.end(), create.begin(), ::tolower);
      std::transform(kind.begin(), kind.end(), kind.begin(), ::tolower);
      if (create != "create") continue;
      if (kind == "proc") kind = "procedure";
      if (kind != "table" && kind != "view" && kind != "procedure" && kind != "trigger" && kind != "function")
        continue;
      std::string rest;
      std::getline(words, rest);
      size_t position = rest.find_first_not_of(" \t");
      if (position == std::string::npos) continue;
      // Name parts: [x], "x" or a bare word; the last part is the name.
      std::string part;
      while (position < rest.size()) {
        char open = rest[position];
        if (open == '[' || open == '"') {
          size_t close = rest.find(open == '[' ? ']' : '"', position + 1);
          if (close == std::string::npos) break;
          part = rest.substr(position + 1, close - position - 1);
          position = close + 1;
        } else {
          size_t end = rest.find_first_of(" \t\r(.;", position);
          part = rest.substr(position, end == std::string::npos ? std::string::npos : end - position);
          position = end == std::string::npos ? rest.size() : end;
        }
        if (position < rest.size() && rest[position] == '.') {
          ++position;
          continue;
        }
        break;
      }
      if (!part.empty()) objects[kind].insert(part);
    }
  }
  return objects;
}

// Objects of one type code, leaving out the objects a 2000 server ships
// (system views such as sysconstraints are of type "V " there).
Names ObjectsOfType(const DatabaseCatalog& catalog, const std::string& type) {
  Names names;
  for (const ObjectDef& object : catalog.objects) {
    if (object.type != type) continue;
    if (catalog.legacyCatalog && (object.status & catalog_layout::legacy_objects::kSystemObjectStatus)) continue;
    names.insert(object.name);
  }
  return names;
}

struct Opened {
  EngineState state;
  support::RecordingNotifier notifier;
  OpenedDatabase database;
  bool ok = false;
  const DatabaseCatalog& catalog() const { return *database.catalog; }
};

std::unique_ptr<Opened> Open(const std::string& path) {
  auto opened = std::make_unique<Opened>();
  opened->ok = OpenDatabase(path, opened->state, &opened->notifier, opened->database) && opened->database.catalog;
  return opened;
}

const Names kNorthwindTables = {"Categories", "CustomerCustomerDemo", "CustomerDemographics", "Customers",
                                "Employees", "EmployeeTerritories", "Order Details", "Orders", "Products",
                                "Region", "Shippers", "Suppliers", "Territories"};
const Names kPubsTables = {"authors", "discounts", "employee", "jobs", "pub_info", "publishers",
                           "roysched", "sales", "stores", "titleauthor", "titles"};

TEST(CatalogCorpus, EveryFileOpensAndListsItsObjects) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  int primaryFiles = 0;
  for (const auto& entry : fs::directory_iterator(support::CorpusDir() + "/files")) {
    std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    auto opened = Open(entry.path().string());
    ASSERT_TRUE(opened->ok);
    const DatabaseCatalog& catalog = opened->catalog();
    if (entry.path().extension() == ".ndf") {
      // The orphan secondary file holds allocation pages only: no catalog.
      EXPECT_TRUE(catalog.objects.empty());
      continue;
    }
    ++primaryFiles;
    EXPECT_GT(catalog.objects.size(), 40u);
    EXPECT_FALSE(catalog.columnRows.empty() && catalog.legacyColumnRows.empty());
    // Exactly the two native 2000 files use the 2000 layout.
    bool native2000 = name.find("_2000.mdf") != std::string::npos;
    EXPECT_EQ(catalog.legacyCatalog, native2000);
    EXPECT_EQ(opened->state.legacyCatalog.load(), native2000);
    if (!native2000) {
      EXPECT_FALSE(catalog.allocationUnits.empty());
      EXPECT_FALSE(catalog.rowsets.empty());
      EXPECT_FALSE(catalog.scalarTypes.empty());
      EXPECT_FALSE(catalog.indexes.empty());
      EXPECT_FALSE(catalog.FindScalarType(56, 56).name.empty());
    } else {
      EXPECT_TRUE(catalog.allocationUnits.empty());
      EXPECT_FALSE(catalog.legacyTables.empty());
    }
    // Every object id is positive and every name is set.
    for (const ObjectDef& object : catalog.objects) {
      EXPECT_GT(object.objectId, 0);
      EXPECT_FALSE(object.name.empty());
      EXPECT_EQ(object.type.size(), 2u);
    }
  }
  EXPECT_GE(primaryFiles, 19);
}

TEST(CatalogCorpus, NorthwindAndPubsListExactlyTheScriptsObjects) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  struct Case {
    const char* file;
    const char* truth;
    const Names* tables;
  } cases[] = {
      {"nw_itsligo_2008.mdf", "nw_itsligo_2008", &kNorthwindTables},
      {"nw_stuit_2000.mdf", "nw_stuit_2000", &kNorthwindTables},
      {"pubs_itsligo_2008.mdf", "pubs_itsligo_2008", &kPubsTables},
      {"pubs_stuit_2000.mdf", "pubs_stuit_2000", &kPubsTables},
      {"pubs_nuneteen_2014.mdf", "pubs_nuneteen_2014", &kPubsTables},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto script = ScriptObjects(support::CorpusDir() + "/truth/" + c.truth);
    EXPECT_EQ(script["table"], *c.tables);  // the scripts themselves agree with the lists
    auto opened = Open(CorpusFile(c.file));
    ASSERT_TRUE(opened->ok);
    const DatabaseCatalog& catalog = opened->catalog();
    EXPECT_EQ(ObjectsOfType(catalog, "U "), *c.tables);
    EXPECT_EQ(ObjectsOfType(catalog, "V "), script["view"]);
    EXPECT_EQ(ObjectsOfType(catalog, "P "), script["procedure"]);
    EXPECT_EQ(ObjectsOfType(catalog, "TR"), script["trigger"]);
  }
}

TEST(CatalogCorpus, LaterVersionsListTheSameUserTablesAsTheir2000Files) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (auto [legacyFile, laterFile] : {std::pair{"nw_stuit_2000.mdf", "nw_klk_2005_from2000.mdf"},
                                       std::pair{"nw_stuit_2000.mdf", "nw_itsligo_2008.mdf"},
                                       std::pair{"pubs_stuit_2000.mdf", "pubs_itsligo_2008.mdf"}}) {
    SCOPED_TRACE(laterFile);
    auto legacy = Open(CorpusFile(legacyFile));
    auto later = Open(CorpusFile(laterFile));
    ASSERT_TRUE(legacy->ok && later->ok);
    EXPECT_TRUE(legacy->catalog().legacyCatalog);
    EXPECT_FALSE(later->catalog().legacyCatalog);
    EXPECT_EQ(ObjectsOfType(legacy->catalog(), "U "), ObjectsOfType(later->catalog(), "U "));
  }
}

TEST(CatalogCorpus, FilesWithLaterEditsKeepTheScriptsTables) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  // The owners changed these databases after the scripts ran: every scripted
  // table is there, more may be.
  for (const char* name : {"instantangaj_2012", "littleitaly_apress_2005"}) {
    SCOPED_TRACE(name);
    auto script = ScriptObjects(support::CorpusDir() + "/truth/" + name);
    ASSERT_FALSE(script["table"].empty());
    auto opened = Open(CorpusFile(std::string(name) + ".mdf"));
    ASSERT_TRUE(opened->ok);
    Names tables = ObjectsOfType(opened->catalog(), "U ");
    for (const std::string& table : script["table"]) EXPECT_EQ(tables.count(table), 1u) << table;
  }
}

TEST(CatalogCorpus, NoGarbageFromUserPagesSharingSystemTableIds) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  struct Case {
    const char* file;
    const char* truth;
  } cases[] = {{"nw_itsligo_2008.mdf", "nw_itsligo_2008"}, {"pubs_itsligo_2008.mdf", "pubs_itsligo_2008"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto opened = Open(CorpusFile(c.file));
    ASSERT_TRUE(opened->ok);
    const DatabaseCatalog& catalog = opened->catalog();
    auto script = ScriptObjects(support::CorpusDir() + "/truth/" + c.truth);
    Names scripted;
    for (const auto& [kind, names] : script) scripted.insert(names.begin(), names.end());
    // Every object is a system object or one the script creates (by name, or
    // owned by one: keys, checks, defaults).
    std::set<int32_t> userIds;
    for (const ObjectDef& object : catalog.objects)
      if (scripted.count(object.name)) userIds.insert(object.objectId);
    const Names systemTypes = {"S ", "IT", "SQ"};
    for (const ObjectDef& object : catalog.objects) {
      bool known = systemTypes.count(object.type) || scripted.count(object.name) || userIds.count(object.parentId) ||
                   object.name.rfind("queue_messages_", 0) == 0 || object.name.rfind("sys", 0) == 0;
      EXPECT_TRUE(known) << object.objectId << " " << object.type << " '" << object.name << "'";
    }
    // Each user table's columns: exactly one row per column id, all named.
    for (const std::string& table : script["table"]) {
      ObjectDef object = catalog.FindObject(table, "U ");
      ASSERT_NE(object.objectId, -1) << table;
      auto columns = catalog.ColumnRowsOf(object.objectId);
      ASSERT_FALSE(columns.empty()) << table;
      std::set<int32_t> ids;
      for (const ColumnRowDef* column : columns) {
        EXPECT_TRUE(ids.insert(column->columnId).second) << table << " column " << column->columnId;
        EXPECT_EQ(column->name.rfind("RepairColumn", 0), std::string::npos) << table;
      }
      EXPECT_EQ(static_cast<size_t>(*ids.rbegin()), ids.size()) << table;
    }
    // No stale 2000-layout rows among the physical columns: every one names
    // an existing rowset.
    std::set<int64_t> rowsetIds;
    for (const RowsetDef& rowset : catalog.rowsets) rowsetIds.insert(rowset.rowsetId);
    for (const PhysicalColumnDef& column : catalog.physicalColumnRows)
      EXPECT_EQ(rowsetIds.count(column.rowsetId), 1u) << column.rowsetId;
  }
}

TEST(CatalogCorpus, RealRowsDecodeAsTheScriptsSay) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (const char* file : {"nw_itsligo_2008.mdf", "nw_stuit_2000.mdf", "nw_klk_2005_from2000.mdf"}) {
    SCOPED_TRACE(file);
    auto opened = Open(CorpusFile(file));
    ASSERT_TRUE(opened->ok);
    const DatabaseCatalog& catalog = opened->catalog();
    ObjectDef shippers = catalog.FindObject("Shippers", "U ");
    ASSERT_NE(shippers.objectId, -1);
    if (catalog.legacyCatalog) {
      // Every object of the native 2000 files belongs to dbo (uid 1).
      for (const ObjectDef& object : catalog.objects) EXPECT_EQ(object.schemaId, 1) << object.name;
      // ShipperID int identity NOT NULL, CompanyName nvarchar(40) NOT NULL, Phone nvarchar(24) NULL.
      auto columns = catalog.LegacyColumnRowsOf(shippers.objectId);
      ASSERT_EQ(columns.size(), 3u);
      EXPECT_EQ(columns[0]->name, "ShipperID");
      EXPECT_TRUE(columns[0]->IsNotNull());
      EXPECT_TRUE(columns[1]->IsNotNull());
      EXPECT_FALSE(columns[2]->IsNotNull());
      EXPECT_EQ(columns[2]->length, 48);
    } else {
      auto columns = catalog.ColumnRowsOf(shippers.objectId);
      ASSERT_EQ(columns.size(), 3u);
      EXPECT_EQ(columns[0]->identityText, "identity(1,1)");
      EXPECT_EQ(columns[0]->systemTypeId, 56);
      EXPECT_EQ(columns[2]->name, "Phone");
      EXPECT_EQ(columns[2]->status & 1, 0);
      EXPECT_EQ(columns[1]->status & 1, 1);
      EXPECT_EQ(catalog.FindScalarType(columns[1]->systemTypeId, columns[1]->userTypeId).name, "nvarchar");
    }
    // Orders' three foreign keys with their column pairs (2000: from the
    // foreign-key table).
    ObjectDef orders = catalog.FindObject("Orders", "U ");
    int foreignKeys = 0;
    for (const ObjectDef& object : catalog.objects)
      if (object.parentId == orders.objectId && object.type == "F ") ++foreignKeys;
    EXPECT_EQ(foreignKeys, 3);
    std::set<std::string> pairs;
    for (const ForeignKeyColumnDef& pair : catalog.foreignKeyColumns)
      if (pair.tableName == "Orders") pairs.insert(pair.columnName + ">" + pair.referencedTableName + "." + pair.referencedColumnName);
    EXPECT_EQ(pairs, (std::set<std::string>{"CustomerID>Customers.CustomerID", "EmployeeID>Employees.EmployeeID",
                                            "ShipVia>Shippers.ShipperID"}));
  }
}

// Damaged copies of real files: written to a scratch folder, then opened.
class CatalogCorpusDamage : public testing::Test {
 protected:
  std::unique_ptr<Opened> OpenCopy(const Bytes& bytes) {
    std::string path = dir.File("copy_" + std::to_string(copies++) + ".mdf");
    EXPECT_TRUE(support::WriteBytes(path, bytes.data(), bytes.size()));
    return Open(path);
  }
  support::TempDir dir;
  int copies = 0;
};

TEST_F(CatalogCorpusDamage, DamagedFilesStillListTheirTables) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (auto [file, tables] : {std::pair{"nw_itsligo_2008.mdf", &kNorthwindTables},
                              std::pair{"pubs_stuit_2000.mdf", &kPubsTables}}) {
    SCOPED_TRACE(file);
    Bytes original = support::ReadWholeFile(CorpusFile(file));
    ASSERT_GT(original.size(), 100 * kPageSize);
    struct Damage {
      const char* name;
      Bytes bytes;
      bool allTables;
    };
    std::vector<Damage> damages;
    Bytes prepended(1234, 0xA5);
    prepended.insert(prepended.end(), original.begin(), original.end());
    damages.push_back({"1234 bytes prepended", prepended, true});
    damages.push_back({"first 5 pages removed", Bytes(original.begin() + 5 * kPageSize, original.end()), true});
    Bytes bootZeroed = original;
    std::fill(bootZeroed.begin() + 9 * kPageSize, bootZeroed.begin() + 10 * kPageSize, 0);
    damages.push_back({"boot page zeroed", bootZeroed, true});
    damages.push_back({"truncated in the middle",
                       Bytes(original.begin(), original.begin() + original.size() / 2 + 1000), false});
    for (const Damage& damage : damages) {
      SCOPED_TRACE(damage.name);
      auto opened = OpenCopy(damage.bytes);
      ASSERT_TRUE(opened->ok);
      Names listed = ObjectsOfType(opened->catalog(), "U ");
      if (damage.allTables) {
        EXPECT_EQ(listed, *tables);
      } else {
        EXPECT_FALSE(opened->catalog().objects.empty());
        for (const std::string& name : listed) EXPECT_EQ(tables->count(name), 1u) << name;
      }
    }
  }
}

TEST_F(CatalogCorpusDamage, ObjectsPageOverwrittenWithRandomBytes) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (const char* file : {"nw_itsligo_2008.mdf", "nw_stuit_2000.mdf", "pubs_itsligo_2008.mdf"}) {
    SCOPED_TRACE(file);
    auto original = Open(CorpusFile(file));
    ASSERT_TRUE(original->ok);
    DatabaseFile& database = *original->database.file;
    int32_t objectsTable = original->catalog().legacyCatalog ? catalog_object::kLegacyObjects : catalog_object::kObjects;
    // The objects-table data page holding a user table's row, and the
    // objects on it.
    std::optional<MappedPage> victim;
    Names onVictim;
    for (const MappedPage& mapped : database.systemPages[objectsTable]) {
      if (mapped.pageType != page_type::kData) continue;
      auto page = database.ReadCatalogPage(mapped.pageId());
      ASSERT_TRUE(page);
      Names names;
      bool hasUserTable = false;
      for (const auto& slot : page->records) {
        const auto* record = dynamic_cast<const CPrimaryRecord*>(slot.get());
        if (!IsCatalogRow(record, catalog_layout::objects::kMinLength, false)) continue;
        uint64_t counter = 0;
        auto object = original->catalog().legacyCatalog ? ParseLegacyObjectRow(*record, counter)
                                                        : ParseObjectRow(*record, counter);
        if (!object) continue;
        names.insert(object->name);
        hasUserTable = hasUserTable || object->type == "U ";
      }
      if (hasUserTable) {
        victim = mapped;
        onVictim = names;
        break;
      }
    }
    ASSERT_TRUE(victim);
    Bytes damaged = support::ReadWholeFile(CorpusFile(file));
    std::mt19937 random(42);
    size_t offset = static_cast<size_t>(database.baseOffset) + static_cast<size_t>(victim->position) * kPageSize;
    for (size_t index = 0; index < kPageSize; ++index) damaged[offset + index] = static_cast<uint8_t>(random());

    auto opened = OpenCopy(damaged);
    ASSERT_TRUE(opened->ok);
    Names expected;
    for (const ObjectDef& object : original->catalog().objects)
      if (!onVictim.count(object.name)) expected.insert(object.name);
    Names listed;
    for (const ObjectDef& object : opened->catalog().objects) listed.insert(object.name);
    EXPECT_EQ(listed, expected);
    EXPECT_FALSE(ObjectsOfType(opened->catalog(), "U ").empty());
  }
}

}  // namespace
}  // namespace pagewright
