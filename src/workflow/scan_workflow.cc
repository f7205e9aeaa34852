#include "workflow/scan_workflow.h"

#include <exception>

#include "catalog/snapshot_file.h"
#include "catalog/table_resolution.h"
#include "workflow/object_selection.h"

namespace pagewright {

ScanSteps DefaultScanSteps() {
  ScanSteps steps;
  steps.openDatabase = [](const std::string& path, EngineState& state, OpenNotifier* notifier, OpenedDatabase& out,
                          const OpenOptions& options) { return OpenDatabase(path, state, notifier, out, options); };
  // One resolver per scan: it indexes the catalog once for all its tables.
  struct Resolution {
    uint64_t scanNumber = 0;
    std::unique_ptr<TableResolver> resolver;
  };
  auto resolution = std::make_shared<Resolution>();
  steps.resolveTable = [resolution](ScanWorkflow& workflow, const ObjectDef& table) {
    DatabaseCatalog* catalog = workflow.context.catalog.get();
    if (!catalog) return false;
    if (!resolution->resolver || resolution->scanNumber != workflow.scanNumber()) {
      resolution->resolver = std::make_unique<TableResolver>(*catalog);
      resolution->scanNumber = workflow.scanNumber();
    }
    resolution->resolver->ResolveTable(table.name, table.type, workflow.resolutionModuleValues);
    return catalog->currentTable.object.objectId != -1;
  };
  steps.loadSnapshotMaps = [](const std::string& snapshotPath, DatabaseFile& file, std::string* why) {
    return LoadSnapshotMaps(snapshotPath, file, why);
  };
  steps.loadModuleValues = [](ScanWorkflow& workflow) { LoadScanModuleValues(workflow); };
  steps.recordsLoader = [](ScanWorkflow& workflow) { LoadSelectedObject(workflow); };
  steps.nextPageLoader = [](ScanWorkflow& workflow) { ShowNextRowsLoader(workflow); };
  steps.previousPageLoader = [](ScanWorkflow& workflow) { ShowPreviousRowsLoader(workflow); };
  return steps;
}

// ---------------------------------------------------------------------------
// The open sequence's reports.

void ScanHostNotifier::StatusText(std::string_view text) { workflow_.host().SetStatusText(text); }

void ScanHostNotifier::ProgressRange(int64_t steps) {
  workflow_.host().SetProgressPos(0);
  workflow_.host().SetProgressRange(0, steps);
}

void ScanHostNotifier::ProgressPosition(int64_t position) { workflow_.host().SetProgressPos(position); }

void ScanHostNotifier::FatalError(std::string_view text) {
  ScanHost& host = workflow_.host();
  host.SetProgressPos(0);
  host.SetStatusText("");
  // The open has not handed its objects over yet, so this normally finds
  // nothing; it keeps the frame's rule that a fatal error leaves no scan.
  ScanContext& context = workflow_.context;
  if (context.catalog) context.catalog->Clear();
  context.catalog.reset();
  ReleaseDatabaseFile(context.file);
  host.ShowMessage(text, MessageKind::kError);
}

// ---------------------------------------------------------------------------

ScanWorkflow::ScanWorkflow(CVeltorTessalyApp& app, ScanHost& host, ScanSteps steps)
    : app_(app), host_(host), steps_(std::move(steps)), notifier_(*this) {
  app_.AttachHost(&host_);
}

ScanWorkflow::~ScanWorkflow() { WaitForWorker(); }

bool ScanWorkflow::Busy() const { return app_.processRunning.load() != 0 || workerActive_.load(); }

void ScanWorkflow::ReapWorker() {
  if (worker_.joinable() && !workerActive_.load()) worker_.join();
}

void ScanWorkflow::WaitForWorker() {
  if (worker_.joinable()) worker_.join();
}

bool ScanWorkflow::RefuseWhileBusy() {
  ReapWorker();
  if (!Busy()) return false;
  host_.ShowMessage(scan_text::kWaitForRunning, MessageKind::kInformation);
  return true;
}

void ScanWorkflow::StartWorker(std::function<void()> work) {
  ReapWorker();
  workerActive_ = true;
  worker_ = std::thread([this, work = std::move(work)] {
    try {
      work();
    } catch (const std::exception&) {
      EndAfterFailure();
    }
    workerActive_ = false;
  });
}

void ScanWorkflow::EndAfterFailure() {
  // Only running out of memory gets here; the operation ends as if stopped.
  try {
    app_.processRunning = 0;
    host_.ShowProgress(false);
  } catch (const std::exception&) {
  }
}

void ScanWorkflow::ClearTree() {
  tree.Clear();
  categories = CategoryItems{};
  loadingItem = kNoTreeItem;
  host_.ClearTree();
}

bool ScanWorkflow::Open(const std::optional<ScanSettings>& settings) {
  if (RefuseWhileBusy()) return false;
  if (!settings) return false;

  app_.dataFilePath = settings->dataFilePath;
  app_.logFolder = settings->logFolder;
  app_.recoveryMode = settings->recoveryMode;
  app_.engine.showDeleted = settings->showDeleted;
  app_.engine.showAdvancedDeleted = settings->showAdvancedDeleted;
  app_.engine.collation.collationAuto = settings->collationAuto ? 1 : 0;
  app_.engine.collation.manualCollationId = settings->manualCollationId;

  app_.processRunning = 1;
  scanPath = app_.dataFilePath;
  ClearTree();
  host_.ResetRecordView();
  host_.SetCaptionText(scanPath);
  host_.ShowProgress(true);
  app_.OpenActivityLog(app_.logFolder);
  AppendOutputLine(scanPath + std::string(scan_text::kFileSelected));
  app_.fromSnapshot = false;
  ResetScanState();
  StartWorker([this] { lastScanResult_ = RunScan(); });
  return true;
}

bool ScanWorkflow::LoadSnapshot(const std::string& snapshotPath, const std::string& dataFilePath,
                                const std::string& logFolder) {
  if (RefuseWhileBusy()) return false;
  app_.processRunning = 1;
  app_.logFolder = logFolder;
  app_.OpenActivityLog(app_.logFolder);
  app_.fromSnapshot = true;
  app_.snapshotPath = snapshotPath;
  app_.snapshotDataFilePath = dataFilePath;
  StartWorker([this] { lastScanResult_ = RunScan(); });
  return true;
}

std::string ScanWorkflow::snapshotFailure() const {
  std::lock_guard lock(snapshotFailureMutex_);
  return snapshotFailure_;
}

bool ScanWorkflow::ResolveTable(const std::string& name, const std::string& type) {
  if (!steps_.resolveTable || !context.catalog) return false;
  ObjectDef object;
  object.name = name;
  object.type = type;
  return steps_.resolveTable(*this, object);
}

bool ScanWorkflow::Stop() {
  if (app_.processRunning.load() != 1) return false;
  if (host_.ShowMessage(scan_text::kStopQuestion, MessageKind::kQuestion) != MessageAnswer::kYes) return false;
  app_.processRunning = 0;
  app_.engine.cancelFlag = true;
  return true;
}

void ScanWorkflow::ResetScanState() {
  rowLoader.reset();
  context.moduleValues.clear();
  context.moduleValuesBuilt = false;
  resolutionModuleValues.clear();
  if (context.catalog) context.catalog->Clear();
  ReleaseDatabaseFile(context.file);
  context.catalog.reset();
  host_.DeleteRecordColumns(recordColumnCount);
  recordColumnCount = 0;
  ClearTree();
}

int ScanWorkflow::RunScan() {
  ++scanNumber_;
  EngineState& engine = app_.engine;
  engine.legacyCatalog = false;
  // The version and collation of an earlier file must not stand for this
  // one when its boot page cannot be read.
  engine.databaseVersionText.clear();
  engine.collation.collationName.clear();
  engine.collation.collationKnown = 0;
  engine.collation.activeCollationId = -1;
  ResetScanState();
  context.moduleValues.clear();
  context.moduleValuesBuilt = false;
  placedObjects.clear();

  const std::string path = app_.fromSnapshot ? app_.snapshotDataFilePath : scanPath;
  if (!path.empty()) AppendOutputLine(std::string(scan_text::kBrowsePath) + path);
  // The path goes to the open as it is: on this platform a backslash is an
  // ordinary file-name character, so doubling it would name another file.
  context.notifyWindow = &host_;

  const bool advanced = app_.recoveryMode.load() == 2;
  AppendOutputLine(advanced ? scan_text::kAdvancedMode : scan_text::kStandardMode);
  context.advancedMode = advanced ? 1 : 0;
  advancedMode = context.advancedMode;
  AppendOutputLine(scan_text::kScanStarts);

  auto endEarly = [&] {
    ClearTree();
    host_.ShowProgress(false);
    app_.processRunning = 0;
  };

  OpenOptions options;
  {
    std::lock_guard lock(snapshotFailureMutex_);
    snapshotFailure_.clear();
  }
  if (app_.fromSnapshot) {
    options.snapshotPath = app_.snapshotPath;
    options.loadSnapshotMaps = [this](const std::string& snapshotPath, DatabaseFile& file) {
      std::string why;
      const bool loaded = steps_.loadSnapshotMaps && steps_.loadSnapshotMaps(snapshotPath, file, &why);
      if (!loaded) {
        std::lock_guard lock(snapshotFailureMutex_);
        snapshotFailure_ = why.empty() ? snapshotPath + ": the snapshot cannot be read" : why;
      }
      return loaded;
    };
  }
  options.primaryReadObserver = steps_.primaryReadObserver;
  OpenedDatabase opened;
  bool openedOk = steps_.openDatabase && steps_.openDatabase(path, engine, &notifier_, opened, options);
  context.file = std::move(opened.file);
  context.catalog = std::move(opened.catalog);
  if (!openedOk) {
    endEarly();
    AppendOutputLine(scan_text::kScanAborted);
    host_.ShowMessage(scan_text::kScanAborted, MessageKind::kInformation);
    return 0;
  }
  if (!context.catalog || context.catalog->objects.empty()) {
    AppendOutputLine(scan_text::kNoObjects);
    endEarly();
    return 0;
  }

  if (engine.databaseVersionText.empty()) {
    engine.databaseVersionText = std::string(scan_text::kUnknownVersion);
    AppendOutputLine(engine.databaseVersionText);
  } else {
    AppendOutputLine(std::string(scan_text::kVersionPrefix) + engine.databaseVersionText);
  }
  if (engine.collation.collationName.empty()) engine.collation.collationName = std::string(scan_text::kUnknownCollation);
  AppendOutputLine(std::string(scan_text::kCollationPrefix) + engine.collation.collationName);

  std::string rootLabel = context.file ? context.file->databaseName : std::string();
  if (rootLabel.empty()) rootLabel = std::string(scan_text::kDefaultRootLabel);
  categories = CreateCategoryNodes(tree, rootLabel);

  TreePopulation population;
  population.setCaption = [this](std::string_view text) { host_.SetCaptionText(text); };
  population.appendOutputLine = [this](std::string_view text) { AppendOutputLine(text); };
  population.setProgressRange = [this](int64_t low, int64_t high) { host_.SetProgressRange(low, high); };
  population.setProgressPos = [this](int64_t position) { host_.SetProgressPos(position); };
  if (steps_.resolveTable) {
    population.resolveForTree = [this](const ObjectDef& table) {
      if (!steps_.resolveTable(*this, table)) return false;
      const TableDef& current = context.catalog->currentTable;
      return !current.columns.empty() && !current.pages.empty();
    };
  }
  population.placedObjects = &placedObjects;
  if (!PopulateObjectTree(tree, categories, *context.catalog, population)) {
    endEarly();
    AppendOutputLine(scan_text::kNoNamedObjects);
    host_.ShowMessage(scan_text::kNoNamedObjects, MessageKind::kInformation);
    return 0;
  }
  tree.SortChildren(categories.userTables);
  host_.RedrawTree(tree);

  if (steps_.loadModuleValues) steps_.loadModuleValues(*this);

  host_.InvalidateTree(tree);
  host_.ShowProgress(false);
  app_.processRunning = 0;
  host_.SetCaptionText(scan_text::kCompletedCaption);
  AppendOutputLine(scan_text::kCompletedLine);
  host_.ShowMessage(scan_text::kProcessCompleted, MessageKind::kInformation);
  return 1;
}

bool ScanWorkflow::StartTableLoad(int32_t item) {
  ReapWorker();
  if (Busy()) {
    host_.SelectTreeItem(tree, loadingItem);
    host_.ShowMessage(scan_text::kWaitForRunning, MessageKind::kInformation);
    return false;
  }
  if (!tree.Valid(item)) return false;
  app_.processRunning = 1;
  loadingItem = item;
  const std::string label = tree.Item(item).label;
  host_.DeleteRecordColumns(0);
  host_.SetStatusText("");
  host_.SetPageCaption("");
  host_.SetCaptionText(label);
  AppendOutputLine("Please wait while " + label + " folder is scanning.");
  host_.ShowProgress(true);
  host_.SetProgressPos(0);
  StartWorker([this] {
    if (steps_.recordsLoader) {
      steps_.recordsLoader(*this);
      return;
    }
    app_.processRunning = 0;
    host_.ShowProgress(false);
  });
  return true;
}

bool ScanWorkflow::StartPageLoad(bool next) {
  if (RefuseWhileBusy()) return false;
  const auto& loader = next ? steps_.nextPageLoader : steps_.previousPageLoader;
  StartWorker([this, next, loader] {
    if (loader) loader(*this);
    if (!next) app_.processRunning = 0;
  });
  return true;
}

}  // namespace pagewright
