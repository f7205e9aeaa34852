// LoadModuleValues over synthetic module tables: which rows become module
// values in both catalog layouts (value classes, index records, pages that
// are no data pages), and the texts assembled from them.
#include <gtest/gtest.h>

#include "catalog/catalog_loader.h"
#include "catalog/module_definitions.h"
#include "support/catalog_writer.h"
#include "support/open_fixtures.h"
#include "support/record_writer.h"
#include "support/temp_dir.h"
#include "storage/record.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::CatalogGeneration;
using support::FixedVarRecord;

void PutLe(Bytes& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Bytes Utf16(const std::string& ascii) {
  Bytes out;
  for (char c : ascii) PutLe(out, static_cast<uint8_t>(c), 2);
  return out;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A sysobjvalues row: valclass, objid, subobjid, valnum fixed; value and
// imageval variable.
Bytes ObjectValueRow(uint8_t valueClass, int32_t objectId, int32_t subId, const Bytes& image,
                     int recordType = record_type::kPrimary) {
  FixedVarRecord record;
  record.recordType = recordType;
  record.fixed.push_back(valueClass);
  PutLe(record.fixed, static_cast<uint32_t>(objectId), 4);
  PutLe(record.fixed, static_cast<uint32_t>(subId), 4);
  PutLe(record.fixed, 0, 4);
  record.columnCount = 6;
  record.varColumns = {{Bytes{}}, {image}};
  return record.Build();
}

// A syscomments row: id, number, colid, status, texttype, language fixed;
// ctext variable.
Bytes CommentRow(int32_t objectId, int16_t number, int16_t colid, const Bytes& text) {
  FixedVarRecord record;
  PutLe(record.fixed, static_cast<uint32_t>(objectId), 4);
  PutLe(record.fixed, static_cast<uint16_t>(number), 2);
  PutLe(record.fixed, static_cast<uint16_t>(colid), 2);
  PutLe(record.fixed, 0, 2);
  PutLe(record.fixed, 0, 2);
  PutLe(record.fixed, 0, 2);
  record.columnCount = 7;
  record.varColumns = {{text}};
  return record.Build();
}

class ModuleCatalogTest : public testing::Test {
 protected:
  void Open(const support::CatalogWriter& writer) {
    support::FileImage image = writer.BuildFile(support::BootPageSpec{});
    ASSERT_TRUE(image.WriteTo(dir.File("db.mdf")));
    ASSERT_TRUE(OpenDatabase(dir.File("db.mdf"), state, nullptr, database));
  }

  support::TempDir dir;
  EngineState state;
  OpenedDatabase database;
};

struct Lines : ModuleLoadObserver {
  void OutputLine(std::string_view text) override { lines.emplace_back(text); }
  void ProgressRange(int64_t steps) override { range = steps; }
  void ProgressPosition(int64_t position) override { last = position; }
  std::vector<std::string> lines;
  int64_t range = -1;
  int64_t last = -1;
};

TEST_F(ModuleCatalogTest, ObjectValuesKeepModuleTextsAndComputedColumnsOnly) {
  support::CatalogWriter writer(CatalogGeneration::kSql2008);
  const int32_t view = writer.AddObject("v", "V ");
  const int32_t trigger = writer.AddObject("t_upd", "TR");
  writer.AddRawRow(60, ObjectValueRow(1, view, 0, Utf16("CREATE VIEW v AS SELECT 1")));
  // An index record of the module table repeats nothing.
  writer.AddRawRow(60, ObjectValueRow(1, view, 0, Utf16("CREATE VIEW v AS SELECT 1"), record_type::kIndex));
  writer.AddRawRow(60, ObjectValueRow(1, trigger, 0, Ascii("CREATE TRIGGER t_upd ON x FOR insert AS")));
  // Binary rows of other value classes are no text.
  writer.AddRawRow(60, ObjectValueRow(70, trigger, 0, Bytes{0x01, 0x00, 0x00, 0x00, 0x41, 0x00}));
  writer.AddRawRow(60, ObjectValueRow(2, 400, 3, Ascii("([a]*(2))")));
  Open(writer);
  ASSERT_TRUE(database.catalog);

  Lines observer;
  std::vector<ModuleValue> values = LoadModuleValues(*database.file, *database.catalog, &observer);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(GetModuleDefinition(values, std::to_string(view), state), "CREATE VIEW v AS SELECT 1");
  EXPECT_EQ(GetModuleDefinition(values, std::to_string(trigger), state), "CREATE TRIGGER t_upd ON x FOR insert AS");
  EXPECT_EQ(ComputedColumnDefinition(values, 400, 3, state), "([a]*(2))");
  EXPECT_EQ(observer.lines, (std::vector<std::string>{std::string(module_text::kRetrieving),
                                                      std::string(module_text::kRetrievingDone)}));
  EXPECT_EQ(observer.range, static_cast<int64_t>(database.file->systemPages[60].size()));
  EXPECT_EQ(observer.last, observer.range);
  // The module table's column list replaced the current table's.
  ASSERT_EQ(database.catalog->currentTable.columns.size(), 6u);
  EXPECT_EQ(database.catalog->currentTable.columns[5].name, "imageval");

  // A page mapped under the module table that is no data page (an index page)
  // is not read: here it is the same block, which would repeat every row.
  std::vector<MappedPage>& pages = database.file->systemPages[60];
  ASSERT_FALSE(pages.empty());
  MappedPage indexPage = pages.front();
  indexPage.pageType = 2;
  pages.push_back(indexPage);
  values = LoadModuleValues(*database.file, *database.catalog);
  EXPECT_EQ(values.size(), 3u);
  EXPECT_EQ(GetModuleDefinition(values, std::to_string(view), state), "CREATE VIEW v AS SELECT 1");

  // A stop request ends the reading before the first page.
  state.cancelFlag = true;
  EXPECT_TRUE(LoadModuleValues(*database.file, *database.catalog).empty());
}

TEST_F(ModuleCatalogTest, CommentRowsOfSqlServer2000JoinByColid) {
  support::CatalogWriter writer(CatalogGeneration::kSql2000);
  const int32_t procedure = writer.AddObject("p", "P ");
  writer.AddRawRow(6, CommentRow(procedure, 1, 1, Ascii("CREATE PROCEDURE p AS ")));
  writer.AddRawRow(6, CommentRow(procedure, 1, 2, Ascii("SELECT 2")));
  writer.AddRawRow(6, CommentRow(procedure + 1, 0, 1, Utf16("CREATE VIEW w AS SELECT 3")));
  Open(writer);
  ASSERT_TRUE(database.catalog);
  ASSERT_TRUE(database.catalog->legacyCatalog);

  ModuleValueList list;
  EXPECT_EQ(GetModuleDefinition(*database.file, *database.catalog, list, std::to_string(procedure)),
            "CREATE PROCEDURE p AS SELECT 2");
  EXPECT_TRUE(list.built);
  ASSERT_EQ(list.values.size(), 3u);
  EXPECT_EQ(GetModuleDefinition(list.values, std::to_string(procedure + 1), state), "CREATE VIEW w AS SELECT 3");
}

}  // namespace
}  // namespace pagewright
