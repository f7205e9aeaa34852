#include "cli/console_session.h"

#include <chrono>
#include <thread>

#include "cli/open_for_info.h"

namespace pagewright::cli {

namespace {

volatile sig_atomic_t gInterrupted = 0;

void OnSessionInterrupt(int) { gInterrupted = 1; }

}  // namespace

InterruptCatcher::InterruptCatcher() {
  gInterrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnSessionInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a read waiting for input returns
  sigaction(SIGINT, &action, &previous_);
}

InterruptCatcher::~InterruptCatcher() { sigaction(SIGINT, &previous_, nullptr); }

bool InterruptCatcher::TakeInterrupt() {
  if (!gInterrupted) return false;
  gInterrupted = 0;
  return true;
}

bool WaitForOperation(ScanWorkflow& workflow, InterruptCatcher& interrupts) {
  bool stopped = false;
  while (workflow.Busy()) {
    if (interrupts.TakeInterrupt() && workflow.Stop()) stopped = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  workflow.WaitForWorker();
  return stopped;
}

bool ParseAnswerOption(const ParsedCommand& command, MessageAnswer& answer, std::string& error) {
  answer = MessageAnswer::kYes;
  if (!command.Has("--answer")) return true;
  const std::string value = command.Value("--answer");
  if (value == "yes" || value == "y") {
    answer = MessageAnswer::kYes;
  } else if (value == "no" || value == "n") {
    answer = MessageAnswer::kNo;
  } else {
    error = "--answer takes yes or no";
    return false;
  }
  return true;
}

ScanSettings SettingsFromOptions(const CommonOptions& common, const std::string& dataFilePath,
                                 const EngineState& state) {
  ScanSettings settings;
  settings.dataFilePath = dataFilePath;
  settings.logFolder = common.logDir;
  if (!settings.logFolder.empty() && settings.logFolder.back() != '/') settings.logFolder += '/';
  settings.recoveryMode = common.advanced ? 2 : 1;
  settings.showDeleted = state.showDeleted.load();
  settings.showAdvancedDeleted = state.showAdvancedDeleted.load();
  settings.collationAuto = state.collation.collationAuto != 0;
  settings.manualCollationId = state.collation.manualCollationId;
  return settings;
}

bool StartScan(ScanWorkflow& workflow, CVeltorTessalyApp& app, const CommonOptions& common,
               const std::string& dataFilePath, std::string& error) {
  const ScanSettings settings = SettingsFromOptions(common, dataFilePath, app.engine);
  if (common.snapshotPath.empty()) return workflow.Open(settings);
  // The snapshot's recorded options apply unless the command line chose.
  SnapshotMode snapshot;
  if (!PrepareSnapshotMode(common, dataFilePath, app.engine, snapshot, error)) return false;
  app.dataFilePath = dataFilePath;
  app.recoveryMode = settings.recoveryMode;
  workflow.scanPath = dataFilePath;
  return workflow.LoadSnapshot(common.snapshotPath, dataFilePath, settings.logFolder);
}

}  // namespace pagewright::cli
