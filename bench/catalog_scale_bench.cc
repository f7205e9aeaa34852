// Open, catalog bootstrap and the object tree build, over files made by
// gen_big_db (one per catalog size), to show the catalog path grows linearly
// with the number of tables.
//
//   catalog_scale_bench FILE...
//
// For each file: the open sequence with its mapping scan and the bootstrap
// (OpenDatabase), then the tree build as a scan runs it: the category nodes,
// PopulateObjectTree with every table resolved once by one TableResolver,
// and the user tables sorted. Prints one line per file: bytes, tables,
// columns resolved, bold (resolved with columns and pages) tables, seconds
// for each step (wall and CPU: on a shared machine the CPU time is the
// cost, the wall time adds the waits), CPU microseconds per table and the
// peak resident size.
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "workflow/object_tree.h"

namespace {
using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
double CpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
long MaxRssKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: catalog_scale_bench FILE...\n");
    return 1;
  }
  std::printf(
      "file\tbytes\ttables\tcolumns\tbold\topen_s\ttree_s\ttotal_s\topen_cpu_s\ttree_cpu_s\tcpu_us_per_table\t"
      "maxrss_kb\n");
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    std::error_code error;
    auto bytes = std::filesystem::file_size(path, error);
    pagewright::EngineState state;
    pagewright::OpenedDatabase opened;
    auto start = Clock::now();
    double cpuStart = CpuSeconds();
    if (!pagewright::OpenDatabase(path, state, nullptr, opened) || !opened.catalog) {
      std::printf("%s\topen failed\n", path.c_str());
      status = 2;
      continue;
    }
    double openSeconds = Seconds(start);
    double openCpu = CpuSeconds() - cpuStart;
    pagewright::DatabaseCatalog& catalog = *opened.catalog;

    auto treeStart = Clock::now();
    cpuStart = CpuSeconds();
    size_t tables = 0, columns = 0, bold = 0;
    pagewright::ObjectTree tree;
    {
      pagewright::TableResolver resolver(catalog);
      pagewright::CategoryItems categories =
          pagewright::CreateCategoryNodes(tree, opened.file ? opened.file->databaseName : "");
      pagewright::TreePopulation population;
      population.resolveForTree = [&](const pagewright::ObjectDef& table) {
        resolver.ResolveTable(table.name, table.type, {});
        const pagewright::TableDef& current = catalog.currentTable;
        ++tables;
        columns += current.columns.size();
        const bool full = !current.columns.empty() && !current.pages.empty();
        bold += full;
        return full;
      };
      if (!pagewright::PopulateObjectTree(tree, categories, catalog, population)) status = 3;
      tree.SortChildren(categories.userTables);
    }
    double treeSeconds = Seconds(treeStart);
    double treeCpu = CpuSeconds() - cpuStart;
    std::printf("%s\t%llu\t%zu\t%zu\t%zu\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.1f\t%ld\n",
                std::filesystem::path(path).filename().c_str(), static_cast<unsigned long long>(bytes), tables,
                columns, bold, openSeconds, treeSeconds, openSeconds + treeSeconds, openCpu, treeCpu,
                tables == 0 ? 0.0 : (openCpu + treeCpu) * 1e6 / static_cast<double>(tables), MaxRssKb());
    std::fflush(stdout);
  }
  return status;
}
