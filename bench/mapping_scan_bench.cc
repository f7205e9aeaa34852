// Mapping-scan throughput against a plain sequential pread loop over the same
// synthetic file, page cache warm, in the same run.
//
//   mapping_scan_bench [SIZE_MB] [ROUNDS]     (default 1024 MB, 9 rounds)
//
// The file is written under $TMPDIR (or /tmp) and removed at the end. Every
// page has a header the scan looks at: mostly user data pages (index id 256),
// a few catalog pages, IAM pages and never-written zero pages. Each round
// times the plain loop (same read size as the scan), the mapping scan
// (MapPages on the opened file) and a block-by-block 8 KB pread loop for
// reference. Reported: the best time of each, and the median of the
// per-round ratios (the machine may be shared; the median resists that).
#include <fcntl.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/mapping_scan.h"
#include "catalog/open_sequence.h"
#include "storage/engine_state.h"
#include "support/page_writer.h"

namespace {

using pagewright::kPageSize;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// CPU time of this thread, user and system: reading from the page cache is
// the kernel copying on our behalf, so this is the cost of each loop without
// the waits that other programs on a shared machine add to wall time.
double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Writes `pages` pages; returns false on any write error.
bool WriteSyntheticFile(const std::string& path, int64_t pages) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const int64_t pagesPerWrite = 256;  // 2 MB
  std::vector<uint8_t> chunk(static_cast<size_t>(pagesPerWrite) * kPageSize);
  bool ok = true;
  for (int64_t first = 0; first < pages && ok; first += pagesPerWrite) {
    std::fill(chunk.begin(), chunk.end(), 0);
    int64_t count = std::min(pagesPerWrite, pages - first);
    for (int64_t index = 0; index < count; ++index) {
      int64_t pageNo = first + index;
      int type = 1;
      int32_t objectId = 0x10000 + static_cast<int32_t>((pageNo / 64) % 500);
      uint16_t indexId = 256;
      switch (pageNo % 100) {
        case 0: type = 10; break;                                  // IAM page of a user unit
        case 1: objectId = 34; indexId = 0; break;                 // catalog pages
        case 2: objectId = 41; indexId = 1; type = 2; break;
        case 3: objectId = 41; break;                              // user page sharing a catalog id
        case 4: case 5: type = 0; objectId = 0; indexId = 0; break; // never written
        default: break;
      }
      if (type == 0) continue;
      pagewright::support::PageImage page(type, pagewright::PageId{1, static_cast<int32_t>(pageNo)});
      page.SetObjectId(objectId);
      page.SetIndexId(indexId);
      page.Fill(96, 200, static_cast<uint8_t>(pageNo));  // some row bytes
      std::copy(page.bytes().begin(), page.bytes().end(), chunk.begin() + index * static_cast<int64_t>(kPageSize));
    }
    size_t want = static_cast<size_t>(count) * kPageSize;
    ok = ::pwrite(fd, chunk.data(), want, first * static_cast<int64_t>(kPageSize)) == static_cast<ssize_t>(want);
  }
  ok = ::close(fd) == 0 && ok;
  return ok;
}

// Reads the whole file with reads of `blockBytes`; returns the bytes read.
int64_t PlainReadLoop(const pagewright::ReadOnlyFile& file, size_t blockBytes) {
  std::vector<uint8_t> buffer(blockBytes);
  int64_t total = 0;
  for (int64_t offset = 0;; offset += static_cast<int64_t>(blockBytes)) {
    ssize_t got = ::pread(file.fd(), buffer.data(), blockBytes, offset);
    if (got <= 0) break;
    total += got;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  int64_t sizeMb = argc > 1 ? std::atoll(argv[1]) : 1024;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 9;
  if (sizeMb < 1 || rounds < 1) {
    std::fprintf(stderr, "usage: mapping_scan_bench [SIZE_MB] [ROUNDS]\n");
    return 1;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string folderTemplate = std::string(tmp && *tmp ? tmp : "/tmp") + "/pagewright_bench_XXXXXX";
  std::vector<char> folderName(folderTemplate.begin(), folderTemplate.end());
  folderName.push_back('\0');
  if (!::mkdtemp(folderName.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = folderName.data();
  const std::string path = folder + "/bench.mdf";
  const int64_t pages = sizeMb * 1024 * 1024 / static_cast<int64_t>(kPageSize);

  auto start = Clock::now();
  if (!WriteSyntheticFile(path, pages)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::filesystem::remove_all(folder);
    return 1;
  }
  std::printf("file: %s, %lld pages (%lld MB), written in %.2f s\n", path.c_str(), static_cast<long long>(pages),
              static_cast<long long>(sizeMb), Seconds(start));

  pagewright::EngineState state;
  auto database = pagewright::OpenDatabaseFile(path, state, nullptr);
  if (!database->isOpen) {
    std::fprintf(stderr, "the synthetic file does not open\n");
    std::filesystem::remove_all(folder);
    return 1;
  }
  const double megabytes = static_cast<double>(database->fileLength) / (1024.0 * 1024.0);
  PlainReadLoop(database->primary, pagewright::kScanChunkBytes);  // warm the page cache

  double bestPlain = 1e30, bestScan = 1e30, bestBlocks = 1e30;
  std::vector<double> roundRatios;
  std::vector<double> cpuRatios;
  double bestPlainCpu = 1e30, bestScanCpu = 1e30;
  size_t systemEntries = 0, dataEntries = 0, iamEntries = 0;
  for (int round = 0; round < rounds; ++round) {
    start = Clock::now();
    double cpuStart = ThreadCpuSeconds();
    int64_t bytes = PlainReadLoop(database->primary, pagewright::kScanChunkBytes);
    double plainCpu = ThreadCpuSeconds() - cpuStart;
    double plainSeconds = Seconds(start);
    bestPlainCpu = std::min(bestPlainCpu, plainCpu);
    bestPlain = std::min(bestPlain, plainSeconds);
    if (bytes != database->fileLength) std::fprintf(stderr, "short plain read: %lld\n", static_cast<long long>(bytes));

    database->systemPages.clear();
    database->dataPages.clear();
    database->iamPages.clear();
    start = Clock::now();
    cpuStart = ThreadCpuSeconds();
    bool mapped = pagewright::MapPages(*database);
    double scanCpu = ThreadCpuSeconds() - cpuStart;
    double scanSeconds = Seconds(start);
    bestScanCpu = std::min(bestScanCpu, scanCpu);
    cpuRatios.push_back(plainCpu / scanCpu);
    bestScan = std::min(bestScan, scanSeconds);
    roundRatios.push_back(plainSeconds / scanSeconds);
    if (!mapped) std::fprintf(stderr, "the scan found no catalog page\n");

    start = Clock::now();
    PlainReadLoop(database->primary, kPageSize);
    bestBlocks = std::min(bestBlocks, Seconds(start));
  }
  for (const auto& [id, entries] : database->systemPages) systemEntries += entries.size();
  for (const auto& [id, entries] : database->dataPages) dataEntries += entries.size();
  for (const auto& [id, entries] : database->iamPages) iamEntries += entries.size();

  std::printf("maps: %zu catalog, %zu data, %zu IAM entries\n", systemEntries, dataEntries, iamEntries);
  std::printf("plain pread loop (%zu KB reads): %8.1f MB/s\n", pagewright::kScanChunkBytes / 1024,
              megabytes / bestPlain);
  std::printf("mapping scan:                    %8.1f MB/s\n", megabytes / bestScan);
  std::sort(roundRatios.begin(), roundRatios.end());
  std::printf("ratio scan / plain (best times): %8.3f\n", bestPlain / bestScan);
  std::printf("ratio scan / plain (median of %zu rounds, each plain loop timed beside its scan): %.3f\n",
              roundRatios.size(), roundRatios[roundRatios.size() / 2]);
  std::sort(cpuRatios.begin(), cpuRatios.end());
  std::printf("CPU time: plain %.1f MB/s, scan %.1f MB/s, ratio (best) %.3f, ratio (median) %.3f\n",
              megabytes / bestPlainCpu, megabytes / bestScanCpu, bestPlainCpu / bestScanCpu,
              cpuRatios[cpuRatios.size() / 2]);
  std::printf("(8 KB pread loop for reference:  %8.1f MB/s)\n", megabytes / bestBlocks);

  database.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
