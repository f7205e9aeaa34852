// pagewright snapshot FILE OUT: map the pages of a primary data file and
// keep the maps in a snapshot file, so later commands can skip the scan with
// --snapshot OUT.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "catalog/open_sequence.h"
#include "catalog/snapshot_commands.h"
#include "catalog/snapshot_file.h"
#include "cli/command.h"
#include "cli/console_notifier.h"
#include "cli/json.h"
#include "cli/open_for_info.h"
#include "cli/options.h"

namespace pagewright::cli {

namespace {

constexpr const char* kSnapshotHelp =
    "Usage: pagewright snapshot [OPTIONS] FILE OUT\n"
    "\n"
    "Maps every page of the primary data file FILE, as a scan does, and writes the\n"
    "page maps to the snapshot file OUT (usually named *.MDBVLT), with the path of\n"
    "FILE and the recovery options given (--advanced, --collation, --show-deleted,\n"
    "--show-advanced-deleted). Later commands given --snapshot OUT take the maps\n"
    "from it instead of reading every page. OUT is replaced whole or not at all, and\n"
    "never when it is FILE itself. With --snapshot IN the maps come from IN.\n"
    "\n"
    "  --json   one object: {\"snapshot\":\"OUT\",\"dataFile\":\"...\",\"systemPages\":N,\n"
    "           \"dataPages\":N,\"iamPages\":N} (entries written per map)\n"
    "\n"
    "Exit codes: 0 success, 1 usage error, 2 FILE cannot be opened or is not a valid\n"
    "data file, 4 a snapshot cannot be read or OUT cannot be written.\n"
    "\n";

int64_t EntryCount(const PageMap& map) {
  int64_t count = 0;
  for (const auto& [objectId, pages] : map) count += static_cast<int64_t>(pages.size());
  return count;
}

int RunSnapshot(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {}, command, error)) {
    PrintError("snapshot: " + error + " (see pagewright snapshot --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kSnapshotHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 2) {
    PrintError("snapshot: expects FILE and OUT (see pagewright snapshot --help)");
    return kExitUsage;
  }
  EngineState state;
  if (!PrepareEngineState(command.common, state, error)) {
    PrintError("snapshot: " + error);
    return kExitUsage;
  }
  const std::string& path = command.positional[0];
  const std::string& out = command.positional[1];
  if (std::string reason = CheckDataFilePath(path); !reason.empty()) {
    PrintError(reason);
    return kExitCannotOpen;
  }
  SnapshotMode snapshot;
  if (!PrepareSnapshotMode(command.common, path, state, snapshot, error)) {
    PrintError(error);
    return kExitSnapshot;
  }
  ConsoleNotifier notifier(path, /*showStatus=*/::isatty(STDERR_FILENO) == 1);
  auto file = OpenDatabaseFile(path, state, &notifier, snapshot.options);
  if (!file->isOpen) {
    if (SnapshotLoadFailed(snapshot, error)) {
      PrintError(error);
      return kExitSnapshot;
    }
    return kExitCannotOpen;  // the notifier printed why
  }

  // The snapshot names the file by a path that still holds from another
  // folder.
  std::error_code ignored;
  std::string recordedPath = std::filesystem::absolute(path, ignored).lexically_normal().string();
  if (recordedPath.empty()) recordedPath = path;
  const SnapshotHeader header = SnapshotHeaderFromState(recordedPath, command.common.advanced, state);
  if (!WriteSnapshot(*file, header, out, &error)) {
    PrintError(std::string(snapshot_command_text::kCannotSave) + " " + error);
    return kExitSnapshot;
  }
  if (command.common.json) {
    JsonObject result;
    result.Add("snapshot", out)
        .Add("dataFile", recordedPath)
        .Add("systemPages", EntryCount(file->systemPages))
        .Add("dataPages", EntryCount(file->dataPages))
        .Add("iamPages", EntryCount(file->iamPages));
    std::printf("%s\n", result.str().c_str());
  } else {
    std::printf("%s%s\n", std::string(snapshot_command_text::kSavedPrefix).c_str(), out.c_str());
  }
  return kExitOk;
}

const CommandRegistrar kSnapshot({"snapshot", "snapshot FILE OUT", "map the pages of FILE into the snapshot file OUT",
                                  80, RunSnapshot});

}  // namespace
}  // namespace pagewright::cli
