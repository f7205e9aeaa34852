// pagewright scan: the output lines on stdout, the activity log in
// --log-dir, the tree outline, the exit codes.
#include <gtest/gtest.h>

#include <dirent.h>

#include "support/catalog_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::CatalogGeneration;
using support::CatalogWriter;
using support::ColumnSpec;
using support::TableSpec;

int LogFilesIn(const std::string& folder) {
  int count = 0;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir))
      if (std::string(entry->d_name).rfind("VeltorPagewright_log_", 0) == 0) ++count;
    ::closedir(dir);
  }
  return count;
}

ColumnSpec IntColumn() {
  ColumnSpec column;
  column.name = "id";
  return column;
}

TEST(ScanCommand, LinesThenOutlineAndTheLog) {
  support::TempDir dir;
  CatalogWriter writer(CatalogGeneration::kSql2008);
  writer.AddTable(TableSpec{"Orders", {IntColumn()}});
  writer.AddObject("Invoices", "V ");
  std::string path = dir.File("db.mdf");
  ASSERT_TRUE(writer.BuildFile(support::BootPageSpec{}).WriteTo(path));

  support::ProgramResult result = support::RunPagewright({"scan", "--log-dir", dir.path(), path});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            path + " File is selected for recovery....\n"
                   "Browse File Path:\t" + path + "\n"
                   "Standard mode is selected for file recovery.\n"
                   "Scanning of file starts...\n"
                   "Database version:  SQL Server 2008\n"
                   "Collation Type: SQL_Latin1_General_CP1_CI_AS\n"
                   "Creating Tree.........\n"
                   "Process done.........\n"
                   "Retrieving Objects of Sysobjvalues System Tables...........\n"
                   "Retrieving  Objects of Sysobjvalues System Tables has been done...........\n"
                   "Scanning completed for selected mdf file.\n"
                   "\n"
                   "Sample\n"
                   "  Views\n"
                   "    Invoices\n"
                   "  Programmability\n"
                   "    Triggers\n"
                   "    Default\n"
                   "    Store Procedure\n"
                   "    Function\n"
                   "  Tables\n"
                   "    System Tables\n"
                   "    User Tables\n"
                   "      Orders\n"
                   "        Columns\n");
  EXPECT_NE(result.err.find("pagewright: information: Scanning process completed."), std::string::npos)
      << result.err;
  EXPECT_EQ(LogFilesIn(dir.path()), 1);
}

TEST(ScanCommand, FailuresAndUsage) {
  support::TempDir dir;
  support::ProgramResult missing = support::RunPagewright({"scan", "--log-dir", dir.path(), dir.File("none.mdf")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.out.find("Scanning process aborted.\n"), std::string::npos) << missing.out;
  EXPECT_NE(missing.err.find("pagewright: error: File cannot be open..........."), std::string::npos)
      << missing.err;

  // A log folder that cannot take the file: said once, and the scan goes on.
  support::ProgramResult noLog =
      support::RunPagewright({"scan", "--log-dir", dir.File("no/such/dir"), dir.File("none.mdf")});
  EXPECT_EQ(noLog.exitCode, 2);
  size_t first = noLog.err.find("activity log: cannot create");
  ASSERT_NE(first, std::string::npos) << noLog.err;
  EXPECT_EQ(noLog.err.find("activity log:", first + 1), std::string::npos) << noLog.err;
  EXPECT_NE(noLog.out.find("Scanning process aborted.\n"), std::string::npos);

  EXPECT_EQ(support::RunPagewright({"scan"}).exitCode, 1);
  EXPECT_EQ(support::RunPagewright({"scan", "--answer", "maybe", "x.mdf"}).exitCode, 1);
}

}  // namespace
}  // namespace pagewright
