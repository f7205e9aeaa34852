// pagewright objects: the listing as text and JSON, deleted rows on request,
// and the refusal of a file without catalog objects.
#include <gtest/gtest.h>

#include "catalog/catalog_rows.h"
#include "support/catalog_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::CatalogGeneration;
using support::CatalogWriter;
using support::ColumnSpec;
using support::RunPagewright;
using support::TableSpec;

class ObjectsCommandTest : public testing::Test {
 protected:
  std::string Write(const CatalogWriter& writer, const std::string& name) {
    std::string path = dir.File(name);
    EXPECT_TRUE(writer.BuildFile(support::BootPageSpec{}).WriteTo(path));
    return path;
  }
  support::TempDir dir;
};

TEST_F(ObjectsCommandTest, TextListingOneObjectPerLine) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  int32_t table = writer.AddTable(TableSpec{"Order\tLines", {ColumnSpec{"id"}}, 5001});
  int32_t key = writer.AddPrimaryKey(table, "PK_Lines", {1});
  writer.AddObject("Sales by Year", "P ", 0, 6001);
  auto result = RunPagewright({"objects", Write(writer, "db.mdf")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::string pkLine = std::to_string(key) + "\tPK\tPK_Lines\t5001\n";
  EXPECT_EQ(result.out.substr(0, result.out.find(pkLine)),
            "objectId\ttype\tname\tparentId\n"
            "5001\tU \tOrder\\tLines\t0\n");
  EXPECT_NE(result.out.find(pkLine), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("6001\tP \tSales by Year\t0\n"), std::string::npos) << result.out;
  // Status lines of the open go to stderr, never to the listing.
  EXPECT_NE(result.err.find("Mapping Database Objects"), std::string::npos);
}

TEST_F(ObjectsCommandTest, JsonListingAndDeletedRows) {
  for (CatalogGeneration generation : {CatalogGeneration::kSql2008, CatalogGeneration::kSql2000}) {
    bool legacy = generation == CatalogGeneration::kSql2000;
    SCOPED_TRACE(legacy);
    CatalogWriter writer(generation);
    writer.AddTable(TableSpec{"Shippers", {ColumnSpec{"ShipperID"}}, 85575343});
    writer.AddObject("v\"1", "V ", 0, 4001);
    // A dropped table's row left as a ghost.
    support::FixedVarRecord ghost;
    ghost.recordType = record_type::kGhostData;
    support::Bytes row = legacy ? support::EncodeLegacyObjectRow(4242, "dropped", "U ", 1, 0)
                                : support::EncodeObjectRow(4242, "dropped", "U ", 1, 0);
    ghost.fixed = CPrimaryRecord(ByteView(row), nullptr, 8000).fixedData;
    ghost.columnCount = 11;
    ghost.varColumns = {support::VarColumn{support::Utf16Le("dropped"), false}};
    writer.AddRawRow(legacy ? catalog_object::kLegacyObjects : catalog_object::kObjects, ghost.Build());
    std::string path = Write(writer, legacy ? "old.mdf" : "new.mdf");

    auto result = RunPagewright({"objects", "--json", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string expected = std::string("{\"legacyCatalog\":") + (legacy ? "true" : "false") +
                           ",\"objects\":[{\"objectId\":85575343,\"type\":\"U \",\"name\":\"Shippers\","
                           "\"parentId\":0,\"schemaId\":1},{\"objectId\":4001,\"type\":\"V \",\"name\":\"v\\\"1\","
                           "\"parentId\":0,\"schemaId\":1}]}\n";
    EXPECT_EQ(result.out, expected);

    auto deleted = RunPagewright({"objects", "--show-deleted", path});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_NE(deleted.out.find("4242\tU \tdropped\t0\n"), std::string::npos) << deleted.out;
  }
}

TEST_F(ObjectsCommandTest, FileWithoutObjectsIsRefused) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  writer.AddTable(TableSpec{"T", {ColumnSpec{"c"}}});
  writer.rows()[catalog_object::kObjects].clear();
  writer.rows()[catalog_object::kColumns].clear();
  std::string path = Write(writer, "empty.mdf");
  auto result = RunPagewright({"objects", path});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("Either it is not valid mdf file or highly corrupted, select another file to recover."),
            std::string::npos)
      << result.err;

  auto usage = RunPagewright({"objects"});
  EXPECT_EQ(usage.exitCode, 1);
  auto missing = RunPagewright({"objects", dir.File("absent.mdf")});
  EXPECT_EQ(missing.exitCode, 2);
  auto help = RunPagewright({"objects", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--show-deleted"), std::string::npos);
}

}  // namespace
}  // namespace pagewright
