// TempDir: a scratch folder for one test, removed with everything in it when
// the object dies. Files the tests write (synthetic data files, collation
// tables, snapshots) go here, never into the source tree.
#pragma once

#include <string>

namespace pagewright::support {

class TempDir {
 public:
  // Creates a fresh folder under $TMPDIR (or /tmp). Aborts the test binary
  // when no folder can be made: nothing else would work after that.
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::string& path() const { return path_; }
  // path() + "/" + name; the file is not created.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes `bytes` to `path` (created or truncated); false on any error.
bool WriteBytes(const std::string& path, const void* bytes, size_t size);
bool WriteText(const std::string& path, const std::string& text);

}  // namespace pagewright::support
