// Open, catalog bootstrap and the resolution of every user table, over files
// made by gen_big_db (one per catalog size), to show the catalog path grows
// linearly with the number of tables.
//
//   catalog_scale_bench FILE...
//
// For each file: the open sequence with its mapping scan and the bootstrap
// (OpenDatabase), then one TableResolver resolving every "U " object by name
// in catalog order, as a tree build would. Prints one line per file: bytes,
// tables, columns resolved, seconds for each step and microseconds per table.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"

namespace {
using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: catalog_scale_bench FILE...\n");
    return 1;
  }
  std::printf("file\tbytes\ttables\tcolumns\topen_s\tresolve_s\ttotal_s\tus_per_table\n");
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    std::error_code error;
    auto bytes = std::filesystem::file_size(path, error);
    pagewright::EngineState state;
    pagewright::OpenedDatabase opened;
    auto start = Clock::now();
    if (!pagewright::OpenDatabase(path, state, nullptr, opened) || !opened.catalog) {
      std::printf("%s\topen failed\n", path.c_str());
      continue;
    }
    double openSeconds = Seconds(start);
    pagewright::DatabaseCatalog& catalog = *opened.catalog;
    std::vector<std::string> names;
    for (const auto& object : catalog.objects)
      if (object.type == "U ") names.push_back(object.name);
    auto resolveStart = Clock::now();
    size_t columns = 0;
    {
      pagewright::TableResolver resolver(catalog);
      for (const std::string& name : names) columns += resolver.ResolveTable(name, "U ", {}).size();
    }
    double resolveSeconds = Seconds(resolveStart);
    double total = openSeconds + resolveSeconds;
    std::printf("%s\t%llu\t%zu\t%zu\t%.3f\t%.3f\t%.3f\t%.1f\n", std::filesystem::path(path).filename().c_str(),
                static_cast<unsigned long long>(bytes), names.size(), columns, openSeconds, resolveSeconds, total,
                names.empty() ? 0.0 : total * 1e6 / static_cast<double>(names.size()));
  }
  return 0;
}
