// The console's interface thread for the scan workflow: Ctrl-C becomes the
// Stop command while an operation runs, and the recovery settings come from
// the command line. Shared by `scan` and `shell`.
#pragma once

#include <signal.h>

#include <string>

#include "cli/options.h"
#include "workflow/scan_host.h"
#include "workflow/scan_workflow.h"

namespace pagewright::cli {

// Catches SIGINT for its lifetime (without restarting interrupted reads, so
// a prompt waiting for input sees it) and restores the previous handler.
class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // True once per Ctrl-C since the last call.
  bool TakeInterrupt();

 private:
  struct sigaction previous_ {};
};

// Runs the interface thread's loop until the workflow's operation and worker
// have ended: a Ctrl-C meanwhile is the Stop command ("Are you sure to stop
// the running process?"). True when a stop was requested.
bool WaitForOperation(ScanWorkflow& workflow, InterruptCatcher& interrupts);

// --answer yes|no; false (with `error` set) for another value.
bool ParseAnswerOption(const ParsedCommand& command, MessageAnswer& answer, std::string& error);

// The settings of an Open command from the common options.
ScanSettings SettingsFromOptions(const CommonOptions& common, const std::string& dataFilePath,
                                 const EngineState& state);

// Starts the scan of `dataFilePath`: an Open, or with --snapshot a Load
// Snapshot whose maps come from the snapshot (its header read first; its
// options applied where the command line gave none). False, with the reason
// in `error`, when the snapshot's header cannot be read.
bool StartScan(ScanWorkflow& workflow, CVeltorTessalyApp& app, const CommonOptions& common,
               const std::string& dataFilePath, std::string& error);

}  // namespace pagewright::cli
