// Fuzz target: a whole data file opened, its catalog bootstrapped, every user
// table resolved and the rows of all its pages decoded.
//
// Without PAGEWRIGHT_FUZZ_BASE the input is the file itself. With it (the
// path of a healthy data file) the input is a list of patches over that
// file's bytes: each 4-byte little-endian offset (modulo the file length),
// 1-byte length, then that many bytes written there; a final offset with
// nothing after it truncates the file there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "hardening/corruption_campaign.h"
#include "support/temp_dir.h"

using namespace pagewright;

namespace {

const support::Bytes& BaseFile() {
  static const support::Bytes base = [] {
    const char* path = std::getenv("PAGEWRIGHT_FUZZ_BASE");
    return path && *path ? support::ReadWholeFile(path) : support::Bytes();
  }();
  return base;
}

support::Bytes Patched(const support::Bytes& base, const uint8_t* data, size_t size) {
  support::Bytes file = base;
  size_t at = 0;
  while (at + 4 <= size && !file.empty()) {
    const size_t offset = (data[at] | data[at + 1] << 8 | data[at + 2] << 16 | size_t(data[at + 3]) << 24) %
                          file.size();
    at += 4;
    if (at >= size) {
      file.resize(offset);
      break;
    }
    const size_t length = data[at++];
    for (size_t index = 0; index < length && at < size && offset + index < file.size(); ++index)
      file[offset + index] = data[at++];
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static support::TempDir dir;
  static const std::string path = dir.File("fuzz.mdf");
  const support::Bytes& base = BaseFile();
  const support::Bytes file = base.empty() ? support::Bytes(data, data + size) : Patched(base, data, size);
  if (!support::WriteBytes(path, file.data(), file.size())) return 0;
  const hardening::LoadResult result = hardening::LoadEverything(path);
  for (const auto& table : result.tables)
    if (table.rows > table.pages.size() * kPageSize) __builtin_trap();  // no row is shorter than a byte
  return 0;
}
