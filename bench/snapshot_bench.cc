// Snapshot save and load of the page maps of a large synthetic file, against
// the mapping scan that a load replaces.
//
//   snapshot_bench [SIZE_MB] [ROUNDS]     (default 4096 MB, 3 rounds)
//
// The data file is written under $TMPDIR (or /tmp) as a sparse file: every
// 8 KB page gets the header the mapping scan reads (mostly user data pages,
// a few catalog and IAM pages), the rest of each page is a hole. Everything
// is removed at the end. Timed, best of ROUNDS, page cache warm (the scan's
// best case; a cold scan is slower still):
//   scan   MapPages over the data file
//   save   WriteSnapshot of the maps (includes the fsync)
//   load   LoadSnapshotMaps into an empty DatabaseFile
//   open   OpenDatabaseFile from the snapshot: alignment probe plus load
// The maps loaded are checked against the maps scanned.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "catalog/open_sequence.h"
#include "catalog/snapshot_file.h"
#include "storage/engine_state.h"
#include "support/page_writer.h"

namespace {

using pagewright::kPageSize;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One header per page, written in batches of pages whose header bytes are
// gathered into one buffer and placed with one pwrite per page.
bool WriteSparseFile(const std::string& path, int64_t pages) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, pages * static_cast<int64_t>(kPageSize)) == 0;
  for (int64_t pageNo = 0; pageNo < pages && ok; ++pageNo) {
    int type = 1;
    int32_t objectId = 0x10000 + static_cast<int32_t>((pageNo / 64) % 5000);
    uint16_t indexId = 256;
    switch (pageNo % 100) {
      case 0: type = 10; break;
      case 1: objectId = 34; indexId = 0; break;
      case 2: objectId = 41; indexId = 1; break;
      case 3: objectId = 41; break;
      case 4: continue;  // never written
      default: break;
    }
    pagewright::support::PageImage page(type, pagewright::PageId{1, static_cast<int32_t>(pageNo)});
    page.SetObjectId(objectId);
    page.SetIndexId(indexId);
    ok = ::pwrite(fd, page.bytes().data(), 96, pageNo * static_cast<int64_t>(kPageSize)) == 96;
  }
  ok = ::close(fd) == 0 && ok;
  return ok;
}

size_t Entries(const pagewright::DatabaseFile& file) {
  size_t count = 0;
  for (const auto* map : {&file.systemPages, &file.dataPages, &file.iamPages})
    for (const auto& [id, pages] : *map) count += pages.size();
  return count;
}

bool SameMaps(const pagewright::DatabaseFile& a, const pagewright::DatabaseFile& b) {
  return a.systemPages == b.systemPages && a.dataPages == b.dataPages && a.iamPages == b.iamPages;
}

}  // namespace

int main(int argc, char** argv) {
  int64_t sizeMb = argc > 1 ? std::atoll(argv[1]) : 4096;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (sizeMb < 1 || rounds < 1) {
    std::fprintf(stderr, "usage: snapshot_bench [SIZE_MB] [ROUNDS]\n");
    return 1;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string folderTemplate = std::string(tmp && *tmp ? tmp : "/tmp") + "/pagewright_snapshot_bench_XXXXXX";
  std::vector<char> folderName(folderTemplate.begin(), folderTemplate.end());
  folderName.push_back('\0');
  if (!::mkdtemp(folderName.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = folderName.data();
  const std::string path = folder + "/bench.mdf";
  const std::string snapshot = folder + "/bench.MDBVLT";
  const int64_t pages = sizeMb * 1024 * 1024 / static_cast<int64_t>(kPageSize);
  auto fail = [&](const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::filesystem::remove_all(folder);
    return 1;
  };

  auto start = Clock::now();
  if (!WriteSparseFile(path, pages)) return fail("cannot write the data file");
  std::printf("cores: %u\n", std::thread::hardware_concurrency());
  std::printf("data file: %lld MB, %lld pages (sparse, headers only), written in %.1f s\n",
              static_cast<long long>(sizeMb), static_cast<long long>(pages), Seconds(start));

  pagewright::EngineState state;
  start = Clock::now();
  auto scanned = pagewright::OpenDatabaseFile(path, state, nullptr);
  const double firstOpen = Seconds(start);
  if (!scanned->isOpen) return fail("the synthetic file does not open");

  double scan = 1e30, save = 1e30, load = 1e30, open = 1e30;
  const auto header = pagewright::SnapshotHeaderFromState(path, false, state);
  bool same = true;
  for (int round = 0; round < rounds; ++round) {
    pagewright::DatabaseFile rescanned(state);
    rescanned.primary = pagewright::ReadOnlyFile::Open(path);
    rescanned.fileLength = scanned->fileLength;
    rescanned.pageCount = scanned->pageCount;
    rescanned.baseOffset = scanned->baseOffset;
    start = Clock::now();
    pagewright::MapPages(rescanned);
    scan = std::min(scan, Seconds(start));
    same = same && SameMaps(rescanned, *scanned);

    start = Clock::now();
    std::string why;
    if (!pagewright::WriteSnapshot(*scanned, header, snapshot, &why)) return fail(why.c_str());
    save = std::min(save, Seconds(start));

    pagewright::DatabaseFile loaded(state);
    start = Clock::now();
    if (!pagewright::LoadSnapshotMaps(snapshot, loaded, &why)) return fail(why.c_str());
    load = std::min(load, Seconds(start));
    same = same && SameMaps(loaded, *scanned);

    start = Clock::now();
    auto reopened = pagewright::OpenDatabaseFile(path, state, nullptr, pagewright::SnapshotOpenOptions(snapshot));
    open = std::min(open, Seconds(start));
    same = same && reopened->isOpen && SameMaps(*reopened, *scanned);
  }
  if (!same) return fail("the maps differ between scan and snapshot");

  const double snapshotMb = static_cast<double>(std::filesystem::file_size(snapshot)) / (1024.0 * 1024.0);
  std::printf("maps: %zu entries; snapshot file %.1f MB\n", Entries(*scanned), snapshotMb);
  std::printf("first open with the mapping scan: %8.3f s\n", firstOpen);
  std::printf("mapping scan (best of %d, warm): %8.3f s  (%.0f MB/s)\n", rounds, scan,
              static_cast<double>(sizeMb) / scan);
  std::printf("snapshot save:                   %8.3f s\n", save);
  std::printf("snapshot load (maps only):       %8.3f s  -> %.1fx faster than the scan\n", load, scan / load);
  std::printf("open from snapshot (probe+load): %8.3f s  -> %.1fx faster than the scan\n", open, scan / open);

  scanned.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
