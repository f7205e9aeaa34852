#include "cli/open_for_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pagewright::cli {

OpenOutcome OpenForInfo(const std::string& path, EngineState& state) {
  OpenOutcome outcome;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    outcome.error = path + ": cannot open: " + std::strerror(errno);
    return outcome;
  }
  if (S_ISDIR(info.st_mode)) {
    outcome.error = path + ": is a directory, not a data file";
    return outcome;
  }
  // Open first to learn the reason a read would fail (permissions).
  int probe = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (probe < 0) {
    outcome.error = path + ": cannot open: " + std::strerror(errno);
    return outcome;
  }
  ::close(probe);

  auto file = std::make_unique<DatabaseFile>(state);
  file->primary = ReadOnlyFile::Open(path);
  if (!file->primary.valid()) {
    outcome.error = path + ": cannot open";
    return outcome;
  }
  file->path = path;
  file->fileLength = file->primary.Length();
  if (file->fileLength < static_cast<int64_t>(kPageSize)) {
    outcome.error = path + ": not a valid data file: " + std::to_string(file->fileLength < 0 ? 0 : file->fileLength) +
                    " bytes, less than one 8192-byte page";
    return outcome;
  }
  int64_t remainder = file->fileLength % static_cast<int64_t>(kPageSize);
  file->pageCount = (file->fileLength - remainder) / static_cast<int64_t>(kPageSize);
  file->baseOffset = 0;
  file->isOpen = true;
  outcome.file = std::move(file);
  return outcome;
}

}  // namespace pagewright::cli
