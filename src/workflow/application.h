// CVeltorTessalyApp: the one application object. It holds what the
// interface thread and the workers share: the engine state (stop request,
// deleted-record options, legacy-catalog flag, first-screen flag, collation
// state and version text), the busy flag, the recovery settings, the
// activity log and the output pane's line counter.
//
// Flags that one thread writes while another reads them are atomics. The
// paths and the snapshot members are written only by the interface thread
// while no worker runs.
//
// The output pane: every line goes to the host as a new item whose index is
// outputLineCount (then one more), and to the activity log. The three output
// operations are serialised, so that the pane and the log see the same order
// whichever thread writes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "storage/engine_state.h"
#include "workflow/activity_log.h"

namespace pagewright {

class ScanHost;

class CVeltorTessalyApp {
 public:
  CVeltorTessalyApp() = default;
  CVeltorTessalyApp(const CVeltorTessalyApp&) = delete;
  CVeltorTessalyApp& operator=(const CVeltorTessalyApp&) = delete;

  // The main window was created: output goes to `host` (not owned; it
  // outlives every worker), any open log is closed, the line count is 0.
  void AttachHost(ScanHost* host);
  ScanHost* host() const { return host_; }

  // Closes the open log and opens the one for this scan in `folder` (with a
  // trailing separator, or empty for the current directory); sets
  // logFilePath.
  void OpenActivityLog(const std::string& folder);
  // A new output item and a log line.
  void AppendOutputLine(std::string_view text);
  // Replaces the last output item; with `log`, also writes a log line.
  void ReplaceLastOutputLine(std::string_view text, bool log);
  // A new output item that is not logged.
  void AppendOutputOnly(std::string_view text);

  EngineState engine;
  // 1 while a scan, a table load, a page load or a snapshot save runs.
  std::atomic<int32_t> processRunning{0};
  // 1 Standard, 2 Advanced; 0 until the settings were confirmed once.
  std::atomic<int32_t> recoveryMode{0};
  std::atomic<int32_t> outputLineCount{0};

  ActivityLog activityLog;
  std::string logFolder;
  std::string logFilePath;
  std::string dataFilePath;

  bool fromSnapshot = false;
  std::string snapshotPath;
  std::string snapshotDataFilePath;

 private:
  ScanHost* host_ = nullptr;
  std::mutex outputMutex_;
};

}  // namespace pagewright
