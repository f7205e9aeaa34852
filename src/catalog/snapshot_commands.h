// The user's side of snapshots and exports: Load Snapshot, Save Snapshot and
// the refusals of the two export commands, with their texts. The workflow
// runs them for its host (the desktop's ribbon, the console's shell); the
// file dialogs are the host's, so these start where a path has been chosen.
//
// Every command that would start work is refused with "Please wait for the
// running process." while an operation runs. The caller's processRunning
// flag is taken with a compare-and-set, so a command that lost a race with
// another one is refused the same way instead of running beside it.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/database_file.h"
#include "catalog/snapshot_file.h"

namespace pagewright {

struct EngineState;

namespace snapshot_command_text {
inline constexpr std::string_view kExtension = "MDBVLT";
inline constexpr std::string_view kFileFilter = ".VeltorMDB Files (*.MDBVLT)|*MDBVLT||";
inline constexpr std::string_view kPleaseWait = "Please wait for the running process.";
inline constexpr std::string_view kSaving = "Saving Snapshot..Please wait....";
inline constexpr std::string_view kSavedPrefix = "Snapshot Saved successfully in path ";
inline constexpr std::string_view kCannotSave = "Snapshot cannot be saved.";
inline constexpr std::string_view kSaveSqlToolTip = "Save recovered data";
inline constexpr std::string_view kSaveCsvToolTip = "Save table records in CSV";
}  // namespace snapshot_command_text

// Command ids of the ribbon.
inline constexpr int kSaveSqlDataCommandId = 315;
inline constexpr int kSaveCsvDataCommandId = 340;
inline constexpr int kLoadSnapshotCommandId = 341;
inline constexpr int kSaveSnapshotCommandId = 342;

// What the commands show. Output lines of Save go to the output pane only,
// never to the activity log.
class SnapshotCommandHost {
 public:
  virtual ~SnapshotCommandHost() = default;
  virtual void AppendOutputOnly(std::string_view line) = 0;
  virtual void InformationBox(std::string_view text) = 0;
};

// "Please wait for the running process." while an operation runs; nothing
// otherwise. Every command asks this before its dialog.
std::optional<std::string_view> RefusalWhileRunning(const std::atomic<bool>& processRunning);

// Save SQL Data and Save CSV Data: while an operation runs, the information
// box "Please wait for the running process." and false; otherwise true, and
// the export may start (the export itself is not part of this).
bool ExportCommandMayStart(const std::atomic<bool>& processRunning, SnapshotCommandHost& host);

// The data file a save records: the path read from the loaded snapshot
// while in snapshot mode, so a snapshot saved after a Load can be loaded
// again; else the path of the scan.
inline const std::string& SnapshotSaveDataPath(bool fromSnapshot, const std::string& snapshotDataFilePath,
                                               const std::string& scanPath) {
  return fromSnapshot ? snapshotDataFilePath : scanPath;
}

enum class SaveSnapshotOutcome {
  kRefused,    // an operation runs: "Please wait for the running process." shown
  kCancelled,  // no path chosen: nothing shown, nothing changed
  kSaved,
  kFailed,     // "Snapshot cannot be saved." shown
};

// Save Snapshot once the save dialog gave `chosenPath` (empty: cancelled):
// with no DatabaseFile (no scan yet) it fails at once; otherwise it holds
// processRunning while it shows "Saving Snapshot..Please wait....", writes
// the snapshot (WriteSnapshot) and shows "Snapshot Saved successfully in
// path " + path as an output line and an information box, or "Snapshot
// cannot be saved." both ways. The reason of a failure goes to `why`.
SaveSnapshotOutcome SaveSnapshotCommand(std::atomic<bool>& processRunning, const DatabaseFile* file,
                                        const SnapshotHeader& header, const std::string& chosenPath,
                                        SnapshotCommandHost& host, std::string* why = nullptr);

// Load Snapshot, the step between the dialog and the scan: reads the chosen
// snapshot's header and restores its options into `state` (the collation
// choice and the deleted-record flags apply to the scan that follows; the
// 2000-layout flag is decided again by the catalog bootstrap). The caller
// enters snapshot mode with the returned header's dataFilePath and the
// chosen path. A header that cannot be read changes nothing and gives
// nothing, the reason in `why`: the Load is then refused instead of scanning
// with the members of an earlier Load.
std::optional<SnapshotHeader> PrepareSnapshotLoad(const std::string& chosenPath, EngineState& state,
                                                  std::string* why = nullptr);

}  // namespace pagewright
