// The open sequence: from a path to an opened, page-mapped DatabaseFile.
//
//   OpenDatabaseFile  open read-only, check the size, probe the alignment,
//                     map every page (or take the maps from a snapshot)
//   ReadDatabaseName  the database name from the boot page (page 9, found
//                     through the shift of a catalog page)
//   ReleaseDatabaseFile
//
// Secondary files are located and mapped later, once the catalog has named
// them (catalog/secondary_files.h). Nothing here throws for anything a file
// holds; failure is `isOpen` = false plus one FatalError report.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "catalog/database_file.h"
#include "storage/boot_page.h"

namespace pagewright {

class OpenNotifier;
struct EngineState;

// Fills the three page maps of `file` from a snapshot file; true on success.
// The snapshot reader provides it (it reports its own status text through
// file.notifier); the workflow hands it over when it loads a snapshot.
using SnapshotMapLoader = std::function<bool(const std::string& snapshotPath, DatabaseFile& file)>;

struct OpenOptions {
  // Non-empty: snapshot mode. The page maps come from this snapshot file
  // through `loadSnapshotMaps` instead of the mapping scan.
  std::string snapshotPath;
  SnapshotMapLoader loadSnapshotMaps;
  // When set, told of every read of the primary file from its opening on.
  ReadObserver primaryReadObserver;
};

// Opens the primary data file at `path`. Always returns an object; `isOpen`
// tells whether it can be used. On failure `notifier` (may be null) got one
// FatalError with "File cannot be open..........." (the file cannot be
// opened) or "Whether File is not valid mdf file or file is highly
// corrupted..........." (shorter than a page, or no catalog page mapped).
// A stop request during the probe or the scan ends that pass early and is
// then cleared: the maps built so far are used.
std::unique_ptr<DatabaseFile> OpenDatabaseFile(const std::string& path, EngineState& state, OpenNotifier* notifier,
                                               const OpenOptions& options = {});

// The mapping scan of the primary file (or the snapshot load in snapshot
// mode). True when at least one catalog page is in systemPages afterwards.
bool MapPages(DatabaseFile& file, const OpenOptions& options = {});

// Reads the boot page (page 9, found through the shift of the first catalog
// page of object 7, else 41; storage/boot_page.h) and sets databaseName from
// it; the release name and the collation go to the engine state on the way.
// databaseName stays empty, and nothing is returned, when there is no boot
// page to read.
std::optional<BootPageFacts> ReadDatabaseName(DatabaseFile& file);

// Clears the secondary files and the page maps, closes the primary file and
// frees the object. A null pointer is left alone.
void ReleaseDatabaseFile(std::unique_ptr<DatabaseFile>& file);

}  // namespace pagewright
