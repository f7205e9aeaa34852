// pagewright info FILE: the boot page facts of a primary data file.
#include <unistd.h>

#include <cstdio>

#include "catalog/open_sequence.h"
#include "cli/command.h"
#include "cli/console_notifier.h"
#include "cli/json.h"
#include "cli/open_for_info.h"
#include "cli/options.h"
#include "storage/boot_page.h"

namespace pagewright::cli {

namespace {

constexpr const char* kInfoHelp =
    "Usage: pagewright info [OPTIONS] FILE\n"
    "\n"
    "Shows the boot page facts of a primary data file: on-disk version number and\n"
    "release name, database name, collation id and name, page count and base offset.\n"
    "\n"
    "  --json   one object: {\"version\":N,\"versionText\":\"...\",\"databaseName\":\"...\",\n"
    "           \"collationId\":N,\"collationName\":\"...\",\"pageCount\":N,\"baseOffset\":N}\n"
    "           (collationName is empty when the collation is not in collation.txt)\n"
    "\n"
    "With --snapshot the page maps come from the snapshot instead of the mapping scan.\n"
    "\n"
    "Exit codes: 0 success, 1 usage error, 2 the file cannot be opened or is not a\n"
    "valid data file (no boot page), 4 the snapshot cannot be read.\n"
    "\n";

int RunInfo(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {}, command, error)) {
    PrintError("info: " + error + " (see pagewright info --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kInfoHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 1) {
    PrintError("info: expects one FILE (see pagewright info --help)");
    return kExitUsage;
  }
  EngineState state;
  if (!PrepareEngineState(command.common, state, error)) {
    PrintError("info: " + error);
    return kExitUsage;
  }
  const std::string& path = command.positional[0];
  if (std::string reason = CheckDataFilePath(path); !reason.empty()) {
    PrintError(reason);
    return kExitCannotOpen;
  }
  SnapshotMode snapshot;
  if (!PrepareSnapshotMode(command.common, path, state, snapshot, error)) {
    PrintError(error);
    return kExitSnapshot;
  }
  // Status lines and the progress bar are for a person watching; a script
  // reading stderr gets only errors.
  ConsoleNotifier notifier(path, /*showStatus=*/::isatty(STDERR_FILENO) == 1);
  auto opened = OpenDatabaseFile(path, state, &notifier, snapshot.options);
  if (!opened->isOpen) {
    if (SnapshotLoadFailed(snapshot, error)) {
      PrintError(error);
      return kExitSnapshot;
    }
    return kExitCannotOpen;  // the notifier printed why
  }
  DatabaseFile& file = *opened;
  auto boot = ReadDatabaseName(file);
  if (!boot) {
    PrintError(path + ": not a valid data file: no boot page (the file holds " + std::to_string(file.pageCount) +
               (file.pageCount == 1 ? " page" : " pages") + "; the boot page is page 9)");
    return kExitCannotOpen;
  }
  const std::string& collationName = state.collation.collationName;
  if (command.common.json) {
    JsonObject out;
    out.Add("version", static_cast<int64_t>(boot->version))
        .Add("versionText", boot->versionText)
        .Add("databaseName", boot->databaseName)
        .Add("collationId", static_cast<int64_t>(boot->collationId))
        .Add("collationName", collationName)
        .Add("pageCount", file.pageCount)
        .Add("baseOffset", file.baseOffset);
    std::printf("%s\n", out.str().c_str());
    return kExitOk;
  }
  // Release names carry their own leading blank; "Unknown SQL Version" does not.
  std::string versionText = boot->versionText;
  if (!versionText.empty() && versionText[0] != ' ') versionText = " " + versionText;
  std::printf("File:           %s\n", path.c_str());
  std::printf("Version:        %u%s\n", static_cast<unsigned>(boot->version), versionText.c_str());
  std::printf("Database name:  %s\n", boot->databaseName.c_str());
  std::printf("Collation:      %d %s\n", boot->collationId,
              collationName.empty() ? "Unknown Collation" : collationName.c_str());
  std::printf("Page count:     %lld\n", static_cast<long long>(file.pageCount));
  std::printf("Base offset:    %lld\n", static_cast<long long>(file.baseOffset));
  return kExitOk;
}

const CommandRegistrar kInfo({"info", "info FILE", "boot page facts: version, database name, collation", 10, RunInfo});

}  // namespace
}  // namespace pagewright::cli
