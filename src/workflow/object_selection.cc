#include "workflow/object_selection.h"

#include <cstdio>

#include "catalog/module_definitions.h"
#include "catalog/schema_scripts.h"
#include "catalog/table_resolution.h"
#include "workflow/scan_workflow.h"

namespace pagewright {

namespace {

constexpr std::string_view kModuleTypeCodes[] = {"F ", "P ", "D ", "C ", "PK", "FN",
                                                 "TR", "IF", "V ", "UQ", "TT", "TF"};

// The module reader's reports as output lines and the progress bar.
class WorkflowModuleObserver final : public ModuleLoadObserver {
 public:
  explicit WorkflowModuleObserver(ScanWorkflow& workflow) : workflow_(workflow) {}
  void OutputLine(std::string_view text) override { workflow_.AppendOutputLine(text); }
  void ProgressRange(int64_t steps) override {
    workflow_.host().SetProgressPos(0);
    workflow_.host().SetProgressRange(0, steps);
  }
  void ProgressPosition(int64_t position) override { workflow_.host().SetProgressPos(position); }

 private:
  ScanWorkflow& workflow_;
};

bool IsTableObject(const TableDef& table) {
  return table.object.objectId != -1 && !IsNonTableObjectType(table.object.type);
}

// The table type of a table item: by the category it sits under.
std::string TableTypeOf(const ScanWorkflow& workflow, int32_t tableItem) {
  const int32_t category = workflow.tree.Item(tableItem).parent;
  if (category == workflow.categories.systemTables) return "S ";
  return "U ";
}

// The statement of a key item under "PrimaryKey" or "Unique".
std::string KeyStatement(ScanWorkflow& workflow, int32_t item, bool primary) {
  DatabaseCatalog& catalog = *workflow.context.catalog;
  const TreeItem& selected = workflow.tree.Item(item);
  if (catalog.legacyCatalog) {
    const auto tableId = static_cast<int32_t>(selected.itemData);
    return primary ? BuildPrimaryKeyScript(catalog, tableId) : BuildUniqueScript(catalog, tableId, selected.label);
  }
  // 2005 and later keep no table rows for the statement: it comes from the
  // table the group belongs to, resolved afresh.
  const int32_t tableItem = workflow.tree.Item(selected.parent).parent;
  const std::string& tableName = workflow.tree.Item(tableItem).label;
  workflow.ResolveTable(tableName, TableTypeOf(workflow, tableItem));
  const TableDef& table = catalog.currentTable;
  if (!IsTableObject(table))
    return primary ? BuildPrimaryKeyScript(TableDef{}) : BuildUniqueScript(TableDef{}, selected.label);
  return primary ? BuildPrimaryKeyScript(table) : BuildUniqueScript(table, selected.label);
}

std::string FirstScreenCaption(int32_t pageNumber, int32_t rows) {
  char text[128];
  std::snprintf(text, sizeof text, "%s%d - [%d](%d-%d) Records", "Page", pageNumber, rows, rows > 0 ? 1 : 0, rows);
  return text;
}

}  // namespace

bool IsModuleTypeCode(std::string_view type) {
  for (std::string_view code : kModuleTypeCodes)
    if (type == code) return true;
  return false;
}

// ---------------------------------------------------------------------------

void HostRecordView::ClearRows() {
  workflow_.host().DeleteAllRows();
  rowCount_ = 0;
}

void HostRecordView::AddRow(const std::vector<std::string>& cells) {
  ScanHost& host = workflow_.host();
  host.InsertRow(rowCount_, cells.empty() ? std::string_view() : std::string_view(cells.front()));
  for (size_t column = 1; column < cells.size(); ++column)
    host.SetCell(rowCount_, static_cast<int32_t>(column), cells[column]);
  ++rowCount_;
}

void HostRecordView::OutputLine(const std::string& text, bool replaceLast) {
  if (replaceLast)
    workflow_.app().ReplaceLastOutputLine(text, /*log=*/true);
  else
    workflow_.AppendOutputLine(text);
}

void HostRecordView::Progress(int64_t position, int64_t range) {
  if (position == 0) workflow_.host().SetProgressRange(0, range);
  workflow_.host().SetProgressPos(position);
}

// ---------------------------------------------------------------------------

void LoadScanModuleValues(ScanWorkflow& workflow) {
  ScanContext& context = workflow.context;
  if (!context.file || !context.catalog) return;
  WorkflowModuleObserver observer(workflow);
  context.moduleValues = LoadModuleValues(*context.file, *context.catalog, &observer);
  context.moduleValuesBuilt = true;
  workflow.resolutionModuleValues = context.moduleValues;
}

int LoadSelectedObject(ScanWorkflow& workflow) {
  CVeltorTessalyApp& app = workflow.app();
  ScanHost& host = workflow.host();
  ScanContext& context = workflow.context;
  auto endQuietly = [&] {
    app.processRunning = 0;
    host.ShowProgress(false);
    return 0;
  };

  // The record view of the previous selection goes first.
  host.DeleteRecordColumns(workflow.recordColumnCount);
  workflow.recordColumnCount = 0;
  workflow.rowLoader.reset();

  const int32_t selected = workflow.loadingItem;
  if (!workflow.tree.Valid(selected) || selected == workflow.categories.root) return endQuietly();
  const TreeItem item = workflow.tree.Item(selected);
  if (item.label.empty()) return endQuietly();
  const int32_t parent = item.parent;
  const std::string parentLabel = workflow.tree.Item(parent).label;
  const bool scanned = context.file && context.catalog;
  DatabaseCatalog* catalog = context.catalog.get();
  const bool legacy = app.engine.legacyCatalog.load();

  // What this selection resolved; stays empty for the key statements.
  std::vector<ColumnDef> columns;
  bool resolvedTable = false;
  HostRecordView view(workflow);

  if (scanned) {
    if (parent == workflow.categories.systemTables || parent == workflow.categories.userTables) {
      const std::string type = parent == workflow.categories.systemTables ? "S " : "U ";
      workflow.ResolveTable(item.label, type);
      resolvedTable = IsTableObject(catalog->currentTable);
      if (ExpandTableItem(workflow.tree, selected, resolvedTable ? &catalog->currentTable : nullptr, legacy))
        host.InvalidateTree(workflow.tree);
      columns = catalog->currentTable.columns;
    } else if (parentLabel == kPrimaryKeyGroup || parentLabel == kUniqueGroup) {
      const std::string statement = KeyStatement(workflow, selected, parentLabel == kPrimaryKeyGroup);
      host.ShowTextMode();
      host.SetStatusText("");
      host.SetStatusText(statement);
    } else {
      workflow.ResolveTable(item.label, "P ");
      resolvedTable = IsTableObject(catalog->currentTable);
      columns = catalog->currentTable.columns;
    }

    if (resolvedTable && !columns.empty()) {
      host.ShowTableMode();
      host.SetRecordColumns(columns);
      workflow.recordColumnCount = static_cast<int32_t>(columns.size());
      const RecoveryMode mode = workflow.advancedMode.load() == 1 ? RecoveryMode::kAdvanced : RecoveryMode::kStandard;
      workflow.rowLoader = std::make_unique<TableRowLoader>(*context.file, catalog->currentTable, columns, mode);
      workflow.rowLoader->LoadTableRows(view);
    } else if (columns.size() >= 2 && IsModuleTypeCode(columns[1].definitionText)) {
      std::string objectIdText;
      if (legacy) {
        // 2000 files: the id of the first object of that name, whatever
        // the resolution above found.
        for (const ObjectDef& object : catalog->objects)
          if (object.name == item.label) {
            objectIdText = std::to_string(object.objectId);
            break;
          }
      } else {
        objectIdText = columns[0].definitionText;
      }
      if (!context.moduleValuesBuilt) LoadScanModuleValues(workflow);
      const std::string definition = GetModuleDefinition(context.moduleValues, objectIdText, app.engine);
      host.ShowTextMode();
      host.SetStatusText("");
      host.SetStatusText(definition);
      if (parentLabel == kConstraintGroup) {
        host.SetStatusText("");
        const std::string tableName = workflow.tree.Item(workflow.tree.Item(parent).parent).label;
        host.SetStatusText(BuildCheckScript(tableName, item.label, definition));
      }
    }
  }

  // The closing of every selection.
  const bool moreScreens = workflow.rowLoader && workflow.rowLoader->bookmarks().size() >= 2;
  host.EnablePaging(false, moreScreens);
  const int32_t rows = view.rowCount();
  host.SetPageCaption(FirstScreenCaption(1, rows));
  const std::string line = item.label + "[" + std::to_string(rows) + "]";
  host.SetCaptionText(line);
  workflow.AppendOutputLine(line);
  host.ShowProgress(false);
  app.processRunning = 0;
  workflow.AppendOutputLine(scan_text::kProcessCompleted);
  return 1;
}

void ShowNextRowsLoader(ScanWorkflow& workflow) {
  ScanHost& host = workflow.host();
  TableRowLoader* loader = workflow.rowLoader.get();
  if (!loader || !loader->nextEnabled()) {
    host.EnablePaging(loader && loader->previousEnabled(), false);
    return;
  }
  host.ShowProgress(true);
  HostRecordView view(workflow);
  loader->ShowNextRows(view);
  host.EnablePaging(true, loader->nextEnabled());
  host.SetPageCaption(loader->PagingCaption());
  host.ShowProgress(false);
}

void ShowPreviousRowsLoader(ScanWorkflow& workflow) {
  ScanHost& host = workflow.host();
  TableRowLoader* loader = workflow.rowLoader.get();
  if (!loader || !loader->previousEnabled()) {
    host.EnablePaging(false, loader && loader->nextEnabled());
    return;
  }
  host.ShowProgress(true);
  HostRecordView view(workflow);
  loader->ShowPreviousRows(view);
  host.EnablePaging(loader->previousEnabled(), true);
  host.SetPageCaption(loader->PagingCaption());
  host.ShowProgress(false);
}

}  // namespace pagewright
