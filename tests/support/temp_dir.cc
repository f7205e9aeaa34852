#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace pagewright::support {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/pagewright_test_XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  path_ = name.data();
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-protected files behind; give the owner access back
  // so that the removal does not stop half-way.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

bool WriteBytes(const std::string& path, const void* bytes, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

bool WriteText(const std::string& path, const std::string& text) {
  return WriteBytes(path, text.data(), text.size());
}

}  // namespace pagewright::support
