// pagewright scan FILE: the whole scan workflow as the desktop program runs
// it. Every output-pane line goes to stdout in order, the activity log is
// written (in --log-dir, default the current directory), and the object tree
// follows as an indented outline after an empty line.
#include <cstdio>

#include "cli/command.h"
#include "cli/console_host.h"
#include "cli/console_session.h"
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
    "With --snapshot SNAP the page maps come from the snapshot file SNAP instead of\n"
    "a pass over every page (Load Snapshot); its recorded options apply unless the\n"
    "command line gives them.\n"
    "\n"
    "Exit codes: 0 the scan completed, 1 usage error, 2 the file cannot be opened or\n"
    "is not a valid data file (the scan did not complete), 4 the snapshot cannot be\n"
    "read, 130 stopped by the user.\n"
    "\n";

int RunScanCommand(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {{"--answer", true}}, command, error)) {
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
  if (command.common.json) {
    PrintError("scan: --json is not available for scan; use objects or columns for machine-readable output");
    return kExitUsage;
  }
  MessageAnswer answer = MessageAnswer::kYes;
  if (!ParseAnswerOption(command, answer, error)) {
    PrintError("scan: " + error);
    return kExitUsage;
  }

  CVeltorTessalyApp app;
  if (!PrepareEngineState(command.common, app.engine, error)) {
    PrintError("scan: " + error);
    return kExitUsage;
  }
  app.activityLog.SetProblemSink([](const std::string& message) { PrintError(message); });

  ConsoleHost host(stdout, stderr, answer);
  ScanWorkflow workflow(app, host);
  InterruptCatcher interrupts;
  if (!StartScan(workflow, app, command.common, command.positional[0], error)) {
    PrintError(error);
    return kExitSnapshot;
  }
  // The interface thread's loop: the worker does the work; this thread
  // turns Ctrl-C into the Stop command.
  const bool stopped = WaitForOperation(workflow, interrupts);
  host.Finish();

  if (!workflow.tree.Empty()) {
    std::fputs("\n", stdout);
    std::fputs(workflow.tree.Outline().c_str(), stdout);
    std::fflush(stdout);
  }
  if (stopped) return kExitStopped;
  if (workflow.lastScanResult() == 1) return kExitOk;
  if (std::string why = workflow.snapshotFailure(); !why.empty()) {
    PrintError(why);
    return kExitSnapshot;
  }
  return kExitCannotOpen;
}

CommandRegistrar registrar({"scan", "scan FILE", "the scan workflow: output lines, activity log, object tree", 30,
                            RunScanCommand});

}  // namespace

}  // namespace pagewright::cli
