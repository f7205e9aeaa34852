// The corruption campaign over real files: for each file, damaged variants
// of every kind (tests/hardening/corruption_campaign.h), each loaded in a
// child process with a time bound, and the figures: variants tried, loads
// refused, tables and rows loaded, crashes, hangs, and rows of the tables the
// damage left untouched against the healthy file.
//
// Usage: corrupt_campaign [--seed N] [--per-kind N] [--seconds N] FILE...
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hardening/corruption_campaign.h"
#include "support/temp_dir.h"

using namespace pagewright;
using namespace pagewright::hardening;

namespace {

struct Figures {
  size_t variants = 0, refused = 0, tables = 0, rows = 0, crashes = 0, hangs = 0;
  size_t untouchedTables = 0, untouchedHealthyRows = 0, untouchedRows = 0, untouchedShort = 0;
};

// Child results through a pipe: tables, rows, untouched tables, healthy rows,
// rows, short tables; opened flag.
struct ChildReport {
  uint64_t opened, tables, rows, untouchedTables, untouchedHealthyRows, untouchedRows, untouchedShort;
};

}  // namespace

int main(int argc, char** argv) {
  uint64_t seed = 1;
  int perKind = 5;
  unsigned seconds = 30;
  std::vector<std::string> files;
  for (int index = 1; index < argc; ++index) {
    const std::string arg = argv[index];
    if (arg == "--seed" && index + 1 < argc) seed = std::strtoull(argv[++index], nullptr, 10);
    else if (arg == "--per-kind" && index + 1 < argc) perKind = std::atoi(argv[++index]);
    else if (arg == "--seconds" && index + 1 < argc) seconds = static_cast<unsigned>(std::atoi(argv[++index]));
    else files.push_back(arg);
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: corrupt_campaign [--seed N] [--per-kind N] [--seconds N] FILE...\n");
    return 2;
  }
  support::TempDir dir;
  std::mt19937_64 random(seed);
  Figures all;
  for (const std::string& path : files) {
    const LoadResult healthy = LoadEverything(path);
    if (!healthy.opened) {
      std::printf("%s: the healthy file does not open, skipped\n", path.c_str());
      continue;
    }
    const support::Bytes bytes = support::ReadWholeFile(path);
    const std::vector<int32_t> used = UsedPositions(healthy);
    for (Damage kind : kDamageKinds) {
      for (int round = 0; round < perKind; ++round) {
        const Variant variant = MakeVariant(bytes, kind, random, used);
        const std::string copy = dir.File("variant.mdf");
        if (!support::WriteBytes(copy, variant.bytes.data(), variant.bytes.size())) return 1;
        int channel[2];
        if (pipe(channel) != 0) return 1;
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
          close(channel[0]);
          alarm(seconds);
          const LoadResult damaged = LoadEverything(copy);
          const UntouchedRows untouched = CompareUntouched(variant, healthy, damaged);
          ChildReport report{damaged.opened,     damaged.tables.size(),  damaged.TotalRows(),
                             untouched.tables,   untouched.healthyRows,  untouched.variantRows,
                             untouched.tablesShort};
          ssize_t written = write(channel[1], &report, sizeof report);
          _exit(written == sizeof report ? 0 : 1);
        }
        close(channel[1]);
        ChildReport report{};
        const ssize_t got = read(channel[0], &report, sizeof report);
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ++all.variants;
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
          ++all.hangs;
          std::printf("HANG  %s: %s\n", path.c_str(), variant.label.c_str());
          continue;
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got != sizeof report) {
          ++all.crashes;
          std::printf("CRASH %s: %s (seed %llu)\n", path.c_str(), variant.label.c_str(),
                      static_cast<unsigned long long>(seed));
          continue;
        }
        if (!report.opened) ++all.refused;
        all.tables += report.tables;
        all.rows += report.rows;
        all.untouchedTables += report.untouchedTables;
        all.untouchedHealthyRows += report.untouchedHealthyRows;
        all.untouchedRows += report.untouchedRows;
        all.untouchedShort += report.untouchedShort;
        if (report.untouchedShort)
          std::printf("SHORT %s: %s: %llu untouched tables lost rows\n", path.c_str(), variant.label.c_str(),
                      static_cast<unsigned long long>(report.untouchedShort));
      }
    }
  }
  std::printf("variants %zu, refused %zu, tables loaded %zu, rows %zu, crashes %zu, hangs %zu\n", all.variants,
              all.refused, all.tables, all.rows, all.crashes, all.hangs);
  std::printf("untouched tables %zu: rows %zu of %zu in the healthy files, %zu tables short\n", all.untouchedTables,
              all.untouchedRows, all.untouchedHealthyRows, all.untouchedShort);
  return all.crashes || all.hangs || all.untouchedShort ? 1 : 0;
}
