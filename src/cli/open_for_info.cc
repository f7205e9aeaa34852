#include "cli/open_for_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "catalog/mapping_scan.h"
#include "cli/command.h"
#include "cli/options.h"

namespace pagewright::cli {

std::string CheckDataFilePath(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return path + ": cannot open: " + std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return path + ": is a directory, not a data file";
  int probe = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (probe < 0) return path + ": cannot open: " + std::strerror(errno);
  struct stat opened {};
  int statResult = ::fstat(probe, &opened);
  ::close(probe);
  if (statResult != 0) return path + ": cannot open: " + std::strerror(errno);
  if (opened.st_size < static_cast<off_t>(kPageSize))
    return path + ": not a valid data file: " + std::to_string(static_cast<long long>(opened.st_size)) +
           " bytes, less than one 8192-byte page";
  return std::string();
}

OpenOutcome OpenForInfo(const std::string& path, EngineState& state) {
  OpenOutcome outcome;
  outcome.error = CheckDataFilePath(path);
  if (!outcome.error.empty()) return outcome;
  auto file = std::make_unique<DatabaseFile>(state);
  file->primary = ReadOnlyFile::Open(path);
  if (!file->primary.valid()) {
    outcome.error = path + ": cannot open";
    return outcome;
  }
  file->path = path;
  file->fileLength = file->primary.Length();
  if (file->fileLength < static_cast<int64_t>(kPageSize)) {
    outcome.error = path + ": not a valid data file: less than one 8192-byte page";
    return outcome;
  }
  int64_t remainder = file->fileLength % static_cast<int64_t>(kPageSize);
  file->pageCount = (file->fileLength - remainder) / static_cast<int64_t>(kPageSize);
  // The same alignment probe as the open sequence, without the mapping scan:
  // a file with bytes in front of its pages is addressed as the readers will.
  file->baseOffset =
      ProbeAlignment(file->primary, file->fileLength, file->pageCount, remainder, state, nullptr).baseOffset;
  file->isOpen = true;
  outcome.file = std::move(file);
  return outcome;
}

bool PrepareSnapshotMode(const CommonOptions& common, const std::string& dataPath, EngineState& state,
                         SnapshotMode& out, std::string& error) {
  out = SnapshotMode();
  if (common.snapshotPath.empty()) return true;
  std::optional<SnapshotHeader> header = ReadSnapshotHeader(common.snapshotPath, &error);
  if (!header) return false;
  out.header = *header;
  out.options = SnapshotOpenOptions(common.snapshotPath, out.failure);

  // What the user says now wins over what the snapshot remembers.
  SnapshotHeader restored = *header;
  if (common.Given("--collation")) {
    restored.collationAuto = state.collation.collationAuto;
    restored.manualCollationId = state.collation.manualCollationId;
  }
  if (common.Given("--show-deleted") || common.Given("--show-advanced-deleted")) {
    restored.showDeleted = state.showDeleted ? 1 : 0;
    restored.showAdvancedDeleted = state.showAdvancedDeleted ? 1 : 0;
  }
  ApplySnapshotHeader(restored, state);

  // Maps are taken by position, so the maps of another file address its
  // pages wrongly; say so, but the user may know better (a moved file).
  struct stat recorded {}, given {};
  const bool same = header->dataFilePath == dataPath ||
                    (::stat(header->dataFilePath.c_str(), &recorded) == 0 && ::stat(dataPath.c_str(), &given) == 0 &&
                     recorded.st_dev == given.st_dev && recorded.st_ino == given.st_ino);
  if (!same)
    PrintError("warning: " + common.snapshotPath + " was taken of " + header->dataFilePath + ", not of " + dataPath +
               "; its page maps are used as they are");
  return true;
}

bool SnapshotLoadFailed(const SnapshotMode& mode, std::string& error) {
  if (mode.options.snapshotPath.empty() || !mode.failure || mode.failure->empty()) return false;
  error = *mode.failure;
  return true;
}

int OpenDatabaseForCommand(const CommonOptions& common, const std::string& path, EngineState& state,
                           OpenNotifier* notifier, OpenedDatabase& out) {
  SnapshotMode snapshot;
  std::string error;
  if (!PrepareSnapshotMode(common, path, state, snapshot, error)) {
    PrintError(error);
    return kExitSnapshot;
  }
  if (OpenDatabase(path, state, notifier, out, snapshot.options)) return kExitOk;
  if (SnapshotLoadFailed(snapshot, error)) {
    PrintError(error);
    return kExitSnapshot;
  }
  return kExitCannotOpen;
}

}  // namespace pagewright::cli
