#include "catalog/snapshot_commands.h"

#include "storage/engine_state.h"

namespace pagewright {

namespace text = snapshot_command_text;

std::optional<std::string_view> RefusalWhileRunning(const std::atomic<bool>& processRunning) {
  if (processRunning.load()) return text::kPleaseWait;
  return std::nullopt;
}

bool ExportCommandMayStart(const std::atomic<bool>& processRunning, SnapshotCommandHost& host) {
  if (auto refusal = RefusalWhileRunning(processRunning)) {
    host.InformationBox(*refusal);
    return false;
  }
  return true;
}

SaveSnapshotOutcome SaveSnapshotCommand(std::atomic<bool>& processRunning, const DatabaseFile* file,
                                        const SnapshotHeader& header, const std::string& chosenPath,
                                        SnapshotCommandHost& host, std::string* why) {
  if (chosenPath.empty()) return SaveSnapshotOutcome::kCancelled;
  const auto fail = [&] {
    host.AppendOutputOnly(text::kCannotSave);
    host.InformationBox(text::kCannotSave);
    return SaveSnapshotOutcome::kFailed;
  };
  if (!file) {
    if (why) *why = "no scan has run";
    return fail();
  }
  bool idle = false;
  if (!processRunning.compare_exchange_strong(idle, true)) {
    host.InformationBox(text::kPleaseWait);
    return SaveSnapshotOutcome::kRefused;
  }
  host.AppendOutputOnly(text::kSaving);
  const bool saved = WriteSnapshot(*file, header, chosenPath, why);
  processRunning.store(false);
  if (!saved) return fail();
  const std::string done = std::string(text::kSavedPrefix) + chosenPath;
  host.AppendOutputOnly(done);
  host.InformationBox(done);
  return SaveSnapshotOutcome::kSaved;
}

std::optional<SnapshotHeader> PrepareSnapshotLoad(const std::string& chosenPath, EngineState& state,
                                                  std::string* why) {
  std::optional<SnapshotHeader> header = ReadSnapshotHeader(chosenPath, why);
  if (header) ApplySnapshotHeader(*header, state);
  return header;
}

}  // namespace pagewright
