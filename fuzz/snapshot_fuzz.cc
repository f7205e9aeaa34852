// Fuzz target: reading a snapshot file of any bytes, header and page maps.
// The bytes live in an anonymous memory file reached by its /proc path, so
// the real file-reading path runs and nothing touches the disk. A snapshot
// that loads is written back and must load to the same maps.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog/snapshot_file.h"
#include "storage/engine_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pagewright;
  static const int fd = ::memfd_create("snapshot_fuzz", 0);
  if (fd < 0) std::abort();
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);

  EngineState state;
  (void)ReadSnapshotHeader(path);
  DatabaseFile file(state);
  if (!LoadSnapshotMaps(path, file)) return 0;

  static const std::string rewritten = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                                       "/snapshot_fuzz_" + std::to_string(::getpid()) + ".MDBVLT";
  auto header = ReadSnapshotHeader(path);
  if (!header || !WriteSnapshot(file, *header, rewritten)) std::abort();
  DatabaseFile again(state);
  if (!LoadSnapshotMaps(rewritten, again) || again.systemPages != file.systemPages ||
      again.dataPages != file.dataPages || again.iamPages != file.iamPages)
    std::abort();
  return 0;
}
