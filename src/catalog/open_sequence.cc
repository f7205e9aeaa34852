#include "catalog/open_sequence.h"

#include "catalog/mapping_scan.h"
#include "catalog/open_notifier.h"
#include "storage/engine_state.h"

namespace pagewright {

namespace {

void ReportFatal(DatabaseFile& file, std::string_view text) {
  file.isOpen = false;
  if (file.notifier) file.notifier->FatalError(text);
}

}  // namespace

bool MapPages(DatabaseFile& file, const OpenOptions& options) {
  OpenNotifier* notifier = file.notifier;
  if (!options.snapshotPath.empty()) {
    // The snapshot reader fills the maps; no page of the data file is read.
    bool loaded = options.loadSnapshotMaps && options.loadSnapshotMaps(options.snapshotPath, file);
    if (!loaded || file.systemPages.empty()) return false;
    if (notifier) notifier->StatusText(open_text::kSnapshotLoaded);
    return true;
  }

  if (notifier) {
    notifier->ProgressRange(file.pageCount);
    notifier->ProgressPosition(0);
    notifier->StatusText(open_text::kMappingObjects);
  }
  MappingTarget target;
  target.systemPages = &file.systemPages;
  target.dataPages = &file.dataPages;
  target.iamPages = &file.iamPages;
  MappingCounts counts =
      ScanFilePages(file.primary, file.fileLength, file.pageCount, file.baseOffset, target, file.state(), notifier);
  if (notifier) notifier->StatusText(open_text::kMappingDone);
  return counts.systemPages > 0;
}

std::unique_ptr<DatabaseFile> OpenDatabaseFile(const std::string& path, EngineState& state, OpenNotifier* notifier,
                                               const OpenOptions& options) {
  auto file = std::make_unique<DatabaseFile>(state);
  file->isOpen = true;
  file->notifier = notifier;
  file->path = path;

  file->primary = ReadOnlyFile::Open(path);
  if (options.primaryReadObserver) file->primary.SetReadObserver(options.primaryReadObserver);
  file->fileLength = file->primary.valid() ? file->primary.Length() : -1;
  if (!file->primary.valid() || file->fileLength < 0) {
    file->fileLength = 0;
    ReportFatal(*file, open_text::kCannotOpen);
  } else if (file->fileLength < static_cast<int64_t>(kPageSize)) {
    ReportFatal(*file, open_text::kNotValid);
  } else {
    const int64_t remainder = file->fileLength % static_cast<int64_t>(kPageSize);
    file->pageCount = (file->fileLength - remainder) / static_cast<int64_t>(kPageSize);
    // Pages start where the probe saw a page at its own position: at the
    // remainder when pass 1 found one, at 0 when pass 2 did. A file whose
    // pages really start at its remainder would be read shifted otherwise.
    AlignmentProbe probe = ProbeAlignment(file->primary, file->fileLength, file->pageCount, remainder, state, notifier);
    file->baseOffset = probe.baseOffset;
    if (!MapPages(*file, options)) ReportFatal(*file, open_text::kNotValid);
  }

  // A stop during the probe or the scan ends only that pass; the catalog is
  // built from what was mapped, and later loops must not see the same stop.
  state.cancelFlag.store(false);
  return file;
}

std::optional<BootPageFacts> ReadDatabaseName(DatabaseFile& file) {
  file.databaseName.clear();
  std::optional<BootPageFacts> facts = ReadBootPage(file);
  if (facts) file.databaseName = facts->databaseName;
  return facts;
}

void ReleaseDatabaseFile(std::unique_ptr<DatabaseFile>& file) {
  if (!file) return;
  file->secondaryFiles.clear();
  file->systemPages.clear();
  file->dataPages.clear();
  file->iamPages.clear();
  file->primary = ReadOnlyFile();
  file.reset();
}

}  // namespace pagewright
