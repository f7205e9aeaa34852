// pagewright scan FILE: the whole scan workflow as the desktop program runs
// it. Every output-pane line goes to stdout in order, the activity log is
// written (in --log-dir, default the current directory), and the object tree
// follows as an indented outline after an empty line.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/command.h"
#include "cli/console_host.h"
#include "cli/options.h"
#include "workflow/application.h"
#include "workflow/scan_workflow.h"

namespace pagewright::cli {

namespace {

constexpr const char* kScanHelp =
    "Usage: pagewright scan [OPTIONS] FILE\n"
    "\n"
    "Runs the scan workflow over a primary data file: the output lines of the scan\n"
    "on stdout, in order, then an empty line and the object tree as an indented\n"
    "outline (two spaces per level; tables drawn bold are marked with \" *\").\n"
    "The activity log VeltorPagewright_log_D-M-YYYY-h-m-s.txt (UTF-16LE) is written\n"
    "in --log-dir, by default the current directory. Message boxes print on stderr\n"
    "as \"pagewright: information: TEXT\" or \"pagewright: error: TEXT\".\n"
    "\n"
    "Ctrl-C asks \"Are you sure to stop the running process?\" on the terminal;\n"
    "when stdin is not a terminal the question is answered by --answer.\n"
    "\n"
    "  --answer yes|no   answer to questions when stdin is not a terminal (default yes)\n"
    "\n"
    "Exit codes: 0 the scan completed, 1 usage error, 2 the file cannot be opened or\n"
    "is not a valid data file (the scan did not complete), 130 stopped by the user.\n"
    "\n";

volatile sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

int RunScanCommand(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {{"answer", true}}, command, error)) {
    PrintError("scan: " + error + " (see pagewright scan --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kScanHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 1) {
    PrintError("scan: expects one FILE (see pagewright scan --help)");
    return kExitUsage;
  }
  if (!command.common.snapshotPath.empty()) {
    PrintError("scan: --snapshot is not available yet: snapshot files cannot be read by this version");
    return kExitUsage;
  }
  if (command.common.json) {
    PrintError("scan: --json is not available for scan; use objects or columns for machine-readable output");
    return kExitUsage;
  }
  MessageAnswer answer = MessageAnswer::kYes;
  if (command.Has("answer")) {
    std::string value = command.Value("answer");
    if (value == "yes" || value == "y")
      answer = MessageAnswer::kYes;
    else if (value == "no" || value == "n")
      answer = MessageAnswer::kNo;
    else {
      PrintError("scan: --answer takes yes or no");
      return kExitUsage;
    }
  }

  CVeltorTessalyApp app;
  if (!PrepareEngineState(command.common, app.engine, error)) {
    PrintError("scan: " + error);
    return kExitUsage;
  }
  app.activityLog.SetProblemSink([](const std::string& message) { PrintError(message); });

  ScanSettings settings;
  settings.dataFilePath = command.positional[0];
  settings.logFolder = command.common.logDir;
  if (!settings.logFolder.empty() && settings.logFolder.back() != '/') settings.logFolder += '/';
  settings.recoveryMode = command.common.advanced ? 2 : 1;
  settings.showDeleted = command.common.showDeleted;
  settings.showAdvancedDeleted = command.common.showAdvancedDeleted;
  settings.collationAuto = app.engine.collation.collationAuto != 0;
  settings.manualCollationId = app.engine.collation.manualCollationId;

  ConsoleHost host(stdout, stderr, answer);
  ScanWorkflow workflow(app, host);

  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  sigaction(SIGINT, &action, &previous);

  bool stopped = false;
  workflow.Open(settings);
  // The interface thread's loop: the worker does the work; this thread
  // turns Ctrl-C into the Stop command.
  while (workflow.Busy()) {
    if (gInterrupted) {
      gInterrupted = 0;
      if (workflow.Stop()) stopped = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  workflow.WaitForWorker();
  sigaction(SIGINT, &previous, nullptr);
  host.Finish();

  if (!workflow.tree.Empty()) {
    std::fputs("\n", stdout);
    std::fputs(workflow.tree.Outline().c_str(), stdout);
    std::fflush(stdout);
  }
  if (stopped) return kExitStopped;
  return workflow.lastScanResult() == 1 ? kExitOk : kExitCannotOpen;
}

CommandRegistrar registrar({"scan", "scan FILE", "the scan workflow: output lines, activity log, object tree", 30,
                            RunScanCommand});

}  // namespace

}  // namespace pagewright::cli
