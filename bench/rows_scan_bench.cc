// `rows --all` over one long table of a gen_big_db file: every data page of
// the resolved table read with ReadDataPage and decoded with DecodePageRows
// into one reused PageRows, the rows counted and their texts touched, as the
// console would print them. Peak memory (getrusage ru_maxrss) is sampled
// after the open and at every tenth of the pages: flat when the loop keeps
// nothing per row.
//
//   rows_scan_bench FILE [TABLE]      (default table "Big")
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "values/row_decoder.h"

namespace {
using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
// CPU time of the process: on a shared machine wall time adds the waits.
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
    std::fprintf(stderr, "Usage: rows_scan_bench FILE [TABLE]\n");
    return 1;
  }
  std::string path = argv[1];
  std::string table = argc > 2 ? argv[2] : "Big";
  std::error_code error;
  auto bytes = std::filesystem::file_size(path, error);
  pagewright::EngineState state;
  pagewright::OpenedDatabase opened;
  auto start = Clock::now();
  if (!pagewright::OpenDatabase(path, state, nullptr, opened) || !opened.catalog) {
    std::fprintf(stderr, "rows_scan_bench: cannot open %s\n", path.c_str());
    return 2;
  }
  pagewright::DatabaseCatalog& catalog = *opened.catalog;
  std::vector<pagewright::ColumnDef> columns = pagewright::ResolveTable(catalog, table, "U ", {});
  double openSeconds = Seconds(start);
  const bool physical = !state.legacyCatalog && !catalog.currentTable.physicalColumns.empty();
  const std::vector<pagewright::PageId> pages = catalog.currentTable.pages;
  long rssAfterOpen = MaxRssKb();
  std::printf("sample\tpages_done\trows\tmaxrss_kb\n");
  std::printf("open\t0\t0\t%ld\n", rssAfterOpen);

  pagewright::PageRows rows;
  uint64_t rowCount = 0, textBytes = 0;
  size_t step = pages.size() / 10 ? pages.size() / 10 : 1;
  auto scanStart = Clock::now();
  const double cpuStart = CpuSeconds();
  for (size_t index = 0; index < pages.size(); ++index) {
    auto page = opened.file->ReadDataPage(pages[index]);
    if (page && page->header && page->header->type == 1) {
      pagewright::DecodePageRows(*page, columns, physical, false, rows);
      for (const auto& row : rows) {
        ++rowCount;
        for (const std::string& text : row) textBytes += text.size();
      }
    }
    if ((index + 1) % step == 0) std::printf("scan\t%zu\t%llu\t%ld\n", index + 1,
                                             static_cast<unsigned long long>(rowCount), MaxRssKb());
  }
  double scanSeconds = Seconds(scanStart);
  const double scanCpu = CpuSeconds() - cpuStart;
  std::printf(
      "\nfile\tbytes\tcolumns\tpages\trows\ttext_bytes\topen_s\tscan_s\tscan_cpu_s\trows_per_s\trows_per_cpu_s\t"
      "rss_open_kb\trss_end_kb\n");
  std::printf("%s\t%llu\t%zu\t%zu\t%llu\t%llu\t%.3f\t%.3f\t%.3f\t%.0f\t%.0f\t%ld\t%ld\n",
              std::filesystem::path(path).filename().c_str(), static_cast<unsigned long long>(bytes),
              columns.size(), pages.size(), static_cast<unsigned long long>(rowCount),
              static_cast<unsigned long long>(textBytes), openSeconds, scanSeconds, scanCpu,
              scanSeconds > 0 ? static_cast<double>(rowCount) / scanSeconds : 0.0,
              scanCpu > 0 ? static_cast<double>(rowCount) / scanCpu : 0.0, rssAfterOpen, MaxRssKb());
  return rowCount > 0 ? 0 : 3;
}
