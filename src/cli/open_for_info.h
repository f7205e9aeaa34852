// Opening a data file for the console commands. CheckDataFilePath gives the
// user a precise reason before the open sequence runs (which only knows
// "cannot be open" and "not valid"); OpenForInfo is the plain open of the
// page command, which reads single pages and needs no page maps;
// PrepareSnapshotMode turns --snapshot into the open options of every
// command that maps pages.
#pragma once

#include <memory>
#include <string>

#include "catalog/catalog_loader.h"
#include "catalog/database_file.h"
#include "catalog/open_sequence.h"
#include "catalog/snapshot_file.h"
#include "storage/engine_state.h"

namespace pagewright::cli {

struct OpenOutcome {
  std::unique_ptr<DatabaseFile> file;  // null on failure
  std::string error;                   // sentence for stderr when file is null
};

// Why `path` cannot be a data file: it does not exist, is a directory,
// cannot be opened for reading, or is shorter than one page. Empty when it
// may be one. Each reason is a sentence that names the path.
std::string CheckDataFilePath(const std::string& path);

// Opens `path` read-only: refuses a missing path, a directory, anything that
// cannot be read, and a file shorter than one page. Page count = whole pages
// after the remainder r = length mod 8192; base offset from the alignment
// probe (r or 0); no page maps.
OpenOutcome OpenForInfo(const std::string& path, EngineState& state);

struct CommonOptions;

// --snapshot FILE of a command that opens `dataPath` with the open sequence.
struct SnapshotMode {
  OpenOptions options;  // for OpenDatabaseFile / OpenDatabase; plain mapping without --snapshot
  std::shared_ptr<std::string> failure = std::make_shared<std::string>();  // set by a refused load
  SnapshotHeader header;                                                   // as read from the snapshot
};

// Without --snapshot: plain open options, true. With it: reads the
// snapshot's header (false, `error` set, when it cannot be read: the command
// ends with kExitSnapshot), restores the recovery options it recorded that
// the command line did not give (--collation, the deleted-record options)
// into `state` (call after PrepareEngineState), and warns on stderr when the
// snapshot was taken of another file than `dataPath`.
bool PrepareSnapshotMode(const CommonOptions& common, const std::string& dataPath, EngineState& state,
                         SnapshotMode& out, std::string& error);

// After an open that failed: true, with the reason in `error`, when the
// snapshot's maps were refused (the command ends with kExitSnapshot rather
// than blaming the data file).
bool SnapshotLoadFailed(const SnapshotMode& mode, std::string& error);

// The open of the commands that need the catalog: OpenDatabase of `path`,
// through the snapshot when --snapshot is given. kExitOk, or the exit code
// after the reason was printed (by `notifier` or on stderr): kExitSnapshot
// when the snapshot cannot be read, kExitCannotOpen when the file fails.
int OpenDatabaseForCommand(const CommonOptions& common, const std::string& path, EngineState& state,
                           OpenNotifier* notifier, OpenedDatabase& out);

}  // namespace pagewright::cli
