// ScanWorkflow: the frame's side of the scan and of every long operation,
// independent of any windowing system. It keeps the ScanContext, the object
// tree model and its category anchors, runs the Open and Stop commands, the
// scan worker RunScan, the table-load and page-load starts, and owns the one
// worker thread.
//
// One operation at a time. A command that would start work is refused with
// "Please wait for the running process." while processRunning is 1, and also
// while a worker thread is still alive with processRunning 0: a stopped
// worker that is still unwinding, or a page loader (which does not set the
// flag). So two workers never share the ScanContext or the views. The refusal
// is the choice over waiting because a waiting interface thread could not
// carry out the host calls the unwinding worker is blocked on.
//
// Work that other parts of the engine provide plugs in through ScanSteps:
// the open (open sequence plus catalog bootstrap), the module definitions,
// table resolution, and the records and page loaders.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/open_notifier.h"
#include "catalog/open_sequence.h"
#include "storage/table_rows.h"
#include "workflow/application.h"
#include "workflow/object_tree.h"
#include "workflow/scan_context.h"
#include "workflow/scan_host.h"

namespace pagewright {

class ScanWorkflow;

// The choices of the recovery settings (a dialog on the desktop, options on
// the console).
struct ScanSettings {
  std::string dataFilePath;
  std::string logFolder;  // with a trailing separator, or empty: current directory
  int32_t recoveryMode = 1;  // 1 Standard, 2 Advanced
  bool showDeleted = false;
  bool showAdvancedDeleted = false;
  bool collationAuto = true;
  int64_t manualCollationId = 0;
};

struct ScanSteps {
  using OpenFunction = std::function<bool(const std::string& path, EngineState& state, OpenNotifier* notifier,
                                          OpenedDatabase& out, const OpenOptions& options)>;
  // Opens the file and bootstraps its catalog (default: OpenDatabase).
  OpenFunction openDatabase;
  // Fills the snapshot maps when the scan comes from a snapshot; the reason
  // of a refusal goes to `why` (default: LoadSnapshotMaps).
  std::function<bool(const std::string& snapshotPath, DatabaseFile& file, std::string* why)> loadSnapshotMaps;
  // Told of every read of the primary file during the open (diagnostics).
  ReadObserver primaryReadObserver;
  // Retrieves the module definitions into the context, reporting through
  // the workflow's output lines. Unset: the scan has none.
  std::function<void(ScanWorkflow&)> loadModuleValues;
  // Resolves a table of the catalog as its current table; true when it
  // resolved as a table. Unset: tables are placed without resolution.
  std::function<bool(ScanWorkflow&, const ObjectDef& table)> resolveTable;
  // The records loader of a tree click, and the paging loaders. Each runs on
  // the worker thread; the records loader and the previous-page loader end
  // the operation (processRunning 0, progress hidden). Unset: the start
  // ends the operation at once.
  std::function<void(ScanWorkflow&)> recordsLoader;
  std::function<void(ScanWorkflow&)> nextPageLoader;
  std::function<void(ScanWorkflow&)> previousPageLoader;
};

// The open sequence's reports as the frame handles them: status text box,
// progress bar, and the fatal error (progress 0, status emptied, the
// context's objects released, error box).
class ScanHostNotifier : public OpenNotifier {
 public:
  explicit ScanHostNotifier(ScanWorkflow& workflow) : workflow_(workflow) {}
  void StatusText(std::string_view text) override;
  void ProgressRange(int64_t steps) override;
  void ProgressPosition(int64_t position) override;
  void FatalError(std::string_view text) override;

 private:
  ScanWorkflow& workflow_;
};

// The steps this build provides: OpenDatabase (with the snapshot load),
// table resolution, the module definitions, the records loader of a tree
// click and the two paging loaders (workflow/object_selection.h).
ScanSteps DefaultScanSteps();

class ScanWorkflow {
 public:
  // `app` and `host` outlive the workflow. Attaches the host to the app.
  ScanWorkflow(CVeltorTessalyApp& app, ScanHost& host, ScanSteps steps = DefaultScanSteps());
  // Waits for a running worker (the stop request is the caller's).
  ~ScanWorkflow();
  ScanWorkflow(const ScanWorkflow&) = delete;
  ScanWorkflow& operator=(const ScanWorkflow&) = delete;

  // The Open command. `settings` empty: the settings were cancelled and
  // nothing changes. False when refused or cancelled; true when the scan
  // worker was started.
  bool Open(const std::optional<ScanSettings>& settings);
  // Load Snapshot, once the snapshot's header has been read and its options
  // applied: opens the activity log in `logFolder`, enters snapshot mode
  // (the scan takes its page maps from `snapshotPath` and scans
  // `dataFilePath`) and starts the scan worker. False when refused.
  bool LoadSnapshot(const std::string& snapshotPath, const std::string& dataFilePath, const std::string& logFolder);
  // The Stop command: when an operation runs, asks "Are you sure to stop the
  // running process?"; on Yes clears processRunning and requests the stop.
  // True when the stop was requested.
  bool Stop();
  // The tree label click: starts the records loader for `item`. False when
  // refused (the item of the running load is selected again) or not an item.
  bool StartTableLoad(int32_t item);
  // Next Records / Previous Records.
  bool StartPageLoad(bool next);

  // The scan worker. 1 after a complete scan, else 0. Runs on the worker
  // thread that Open starts; tests may call it directly.
  int RunScan();
  // Releases the previous scan: module values, catalog, file, record
  // columns, tree.
  void ResetScanState();

  // True while an operation runs or a worker thread has not ended.
  bool Busy() const;
  // Blocks until the worker thread (if any) has ended.
  void WaitForWorker();
  // The result of the last RunScan (-1 before any).
  int lastScanResult() const { return lastScanResult_; }
  // Why the last scan's snapshot was refused; empty when it was not.
  std::string snapshotFailure() const;
  // Counts the scans RunScan has started; a per-scan cache keys on it.
  uint64_t scanNumber() const { return scanNumber_; }

  CVeltorTessalyApp& app() { return app_; }
  ScanHost& host() { return host_; }
  // Resolves `name` of `type` as the catalog's current table (through the
  // scan's resolver); true when an object was found.
  bool ResolveTable(const std::string& name, const std::string& type);
  // Adds an output line (and log line) through the application.
  void AppendOutputLine(std::string_view text) { app_.AppendOutputLine(text); }

  ScanContext context;
  ObjectTree tree;
  CategoryItems categories;
  std::vector<ObjectDef> placedObjects;
  // The data-file path of the scan the Open command started.
  std::string scanPath;
  // Same value as context.advancedMode; the table loaders read it.
  std::atomic<uint8_t> advancedMode{0};
  // The item most recently accepted for a table load.
  int32_t loadingItem = kNoTreeItem;
  // Columns currently shown by the record list.
  int32_t recordColumnCount = 0;
  // Module values handed to table resolution.
  std::vector<ModuleValue> resolutionModuleValues;
  // The loader state of the table shown in the record list (bookmarks,
  // screen counters); none before a table was selected in this scan.
  std::unique_ptr<TableRowLoader> rowLoader;

 private:
  // Shows the refusal and returns true when an operation is under way.
  bool RefuseWhileBusy();
  // Joins a worker thread that has ended.
  void ReapWorker();
  void StartWorker(std::function<void()> work);
  // Ends the current operation when its worker stopped by an exception.
  void EndAfterFailure();
  // Empties the tree model and its anchors, and the host's tree.
  void ClearTree();

  CVeltorTessalyApp& app_;
  ScanHost& host_;
  ScanSteps steps_;
  std::thread worker_;
  std::atomic<bool> workerActive_{false};
  std::atomic<int> lastScanResult_{-1};
  std::atomic<uint64_t> scanNumber_{0};
  // Lives as long as the DatabaseFile that points at it.
  ScanHostNotifier notifier_;
  mutable std::mutex snapshotFailureMutex_;
  std::string snapshotFailure_;
};


}  // namespace pagewright
