// Every data page of every corpus file builds its records without a bad one
// where the header is plausible, in the plain mode and with both deleted-row
// options (the deleted-record scan) on.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "support/file_writer.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

struct CorpusCounts {
  int64_t pages = 0;
  int64_t records = 0;
  int64_t ghosts = 0;
  int64_t bad = 0;  // bad records that are not ghosts
  int64_t scanned = 0;
};

CorpusCounts ReadEveryDataPage(const std::string& path, bool deletedModes, std::string& firstBad) {
  EngineState state;
  state.showDeleted = deletedModes;
  state.showAdvancedDeleted = deletedModes;
  CorpusCounts counts;
  auto database = support::OpenForTest(state, path);
  if (!database) return counts;
  for (int32_t pageNo = 1; pageNo < database->pageCount; ++pageNo) {
    auto header = database->ReadPageHeader(PageId{1, pageNo});
    if (!header || header->type != page_type::kData || !header->IsPlausible()) continue;
    auto page = database->ReadDataPage(PageId{1, pageNo});
    if (!page) continue;
    ++counts.pages;
    counts.scanned += static_cast<int64_t>(page->deletedOffsets.size());
    for (size_t slot = 0; slot < page->records.size(); ++slot) {
      auto* record = dynamic_cast<CPrimaryRecord*>(page->records[slot].get());
      if (!record) continue;
      ++counts.records;
      if (record->isGhost) ++counts.ghosts;
      if (record->isBad && !record->isGhost) {
        if (++counts.bad == 1)
          firstBad = path + " page " + std::to_string(pageNo) + " slot " + std::to_string(slot);
      }
    }
  }
  return counts;
}

TEST(RecordCorpus, EveryDataPageParsesWithoutBadRecords) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus absent";
  std::filesystem::path folder = std::filesystem::path(support::CorpusDir()) / "files";
  CorpusCounts total;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    std::string firstBad;
    CorpusCounts plain = ReadEveryDataPage(entry.path().string(), false, firstBad);
    EXPECT_EQ(plain.bad, 0) << firstBad;
    if (entry.path().extension() == ".mdf") EXPECT_GT(plain.records, 0) << entry.path();
    total.pages += plain.pages;
    total.records += plain.records;
    total.ghosts += plain.ghosts;

    // The deleted modes keep every live record (pages of ghosts only add
    // theirs) and add the scan's finds.
    CorpusCounts deleted = ReadEveryDataPage(entry.path().string(), true, firstBad);
    EXPECT_EQ(deleted.pages, plain.pages);
    EXPECT_GE(deleted.records - deleted.scanned, plain.records) << entry.path();
    EXPECT_EQ(deleted.bad, 0) << firstBad;
    total.scanned += deleted.scanned;
  }
  EXPECT_GT(files, 0);
  std::cout << "corpus: " << files << " files, " << total.pages << " data pages, " << total.records
            << " records, " << total.ghosts << " ghosts, " << total.scanned
            << " deleted records found by the scan\n";
}

}  // namespace
}  // namespace pagewright
