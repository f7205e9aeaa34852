// make_sample_db OUT: writes the bundled sample database, a small valid
// primary data file made by the project's own test-support writer: the file
// header page, the allocation pages and the boot page, in 16 pages.
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/boot_page_writer.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    std::fprintf(argc == 2 ? stdout : stderr, "Usage: make_sample_db OUT.mdf\n");
    return argc == 2 ? 0 : 1;
  }
  std::filesystem::path out(argv[1]);
  std::error_code error;
  if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), error);

  pagewright::support::BootPageSpec spec;
  spec.version = 655;
  spec.databaseName = "Veltor Sample";
  spec.collationId = 872468488;  // SQL_Latin1_General_CP1_CI_AS
  pagewright::support::FileImage file = pagewright::support::MakeMinimalPrimaryFile(spec, 16);
  if (!file.WriteTo(out.string())) {
    std::fprintf(stderr, "make_sample_db: cannot write %s\n", out.string().c_str());
    return 2;
  }
  return 0;
}
