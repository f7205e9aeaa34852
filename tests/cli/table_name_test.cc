// The table a console command names: exact names first, then the one table
// whose name differs only in letter case; names that stay ambiguous are
// refused with the candidates.
#include <gtest/gtest.h>

#include "support/catalog_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::CatalogGeneration;
using support::CatalogWriter;
using support::ColumnSpec;
namespace sql = support::sql_type;

support::TableSpec OneColumnTable(const std::string& name, const std::string& column) {
  support::TableSpec table;
  table.name = name;
  ColumnSpec only;
  only.name = column;
  only.systemTypeId = sql::kInt;
  table.columns = {only};
  return table;
}

TEST(ConsoleTableName, ExactThenCaseInsensitiveAndAmbiguousNamesRefused) {
  for (CatalogGeneration generation : {CatalogGeneration::kSql2008, CatalogGeneration::kSql2000}) {
    SCOPED_TRACE(generation == CatalogGeneration::kSql2000 ? "2000" : "2008");
    CatalogWriter writer(generation);
    writer.AddTable(OneColumnTable("Reviewuri", "ReviewId"));
    writer.AddTable(OneColumnTable("Orders", "Mixed"));
    writer.AddTable(OneColumnTable("ORDERS", "Upper"));
    support::TempDir dir;
    const std::string path = dir.File("names.mdf");
    ASSERT_TRUE(writer.BuildFile(support::BootPageSpec{}).WriteTo(path));

    const struct {
      const char* typed;
      int exitCode;
      const char* header;  // the first column's name in the rows output
      const char* error;
    } cases[] = {
        {"Reviewuri", 0, "ReviewId", ""},
        {"reviewuri", 0, "ReviewId", ""},
        {"REVIEWURI", 0, "ReviewId", ""},
        {"Orders", 0, "Mixed", ""},
        {"ORDERS", 0, "Upper", ""},
        {"orders", 3, "", "no table named \"orders\" (tables differing from it only in case: \"Orders\" \"ORDERS\")"},
        {"Reviewur", 3, "", "no table named \"Reviewur\""},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.typed);
      auto rows = support::RunPagewright({"rows", path, c.typed});
      EXPECT_EQ(rows.exitCode, c.exitCode) << rows.err;
      if (c.exitCode == 0) {
        EXPECT_EQ(rows.out, std::string(c.header) + "\n");
      } else {
        EXPECT_EQ(rows.out, "");
        EXPECT_NE(rows.err.find(c.error), std::string::npos) << rows.err;
      }
      auto columns = support::RunPagewright({"columns", path, c.typed});
      EXPECT_EQ(columns.exitCode, c.exitCode) << columns.err;
      if (c.exitCode == 0) {
        EXPECT_NE(columns.out.find(std::string("\t") + c.header + "\t"), std::string::npos);
      } else {
        EXPECT_NE(columns.err.find(c.error), std::string::npos) << columns.err;
      }
    }
  }
}

}  // namespace
}  // namespace pagewright
