// Object selection: what a click on a tree label shows, and the work behind
// the two paging buttons. These are the records loader and the page loaders
// that ScanWorkflow starts on its worker thread (DefaultScanSteps plugs them
// in), plus the module-definition step at the end of a scan.
//
// LoadSelectedObject decides by the selected item and its parent:
//
//   parent                    action
//   "User Tables"             resolve as "U " (expand the item on its first
//   "System Tables"           load), then its first screen of rows
//   "PrimaryKey", "Unique"    the statement that recreates the key (2000
//                             layout: from the item data, the table's id;
//                             2005+: from the resolved table above the group)
//   anything else             resolve the label as a non-table object; a
//                             module type shows its definition, a check
//                             under "Constraint" the statement around it
//
// Every selection but the root item or an empty label ends with the same
// closing: paging buttons, the first-screen caption, "label[rows]" as caption
// and output line, "Scanning process completed.", and the application idle.
#pragma once

#include <string>
#include <string_view>

#include "storage/table_rows.h"

namespace pagewright {

class ScanWorkflow;

// The type codes whose objects show a definition when selected.
bool IsModuleTypeCode(std::string_view type);

// The records loader of a tree click (the clicked item is
// workflow.loadingItem). Returns 1 when an item was handled, 0 otherwise.
int LoadSelectedObject(ScanWorkflow& workflow);

// The paging loaders: the screen after or before the one shown. Without a
// further screen the button is disabled and nothing is read.
void ShowNextRowsLoader(ScanWorkflow& workflow);
void ShowPreviousRowsLoader(ScanWorkflow& workflow);

// Retrieves the module definitions of the scan into workflow.context (once
// per scan), reporting its two output lines and its progress, and hands them
// to table resolution.
void LoadScanModuleValues(ScanWorkflow& workflow);

// The record list of the workflow's host as the row loader sees it: rows are
// inserted with InsertRow and SetCell at the list's end, the row counter and
// "N rows to M" lines go to the output pane and the activity log.
class HostRecordView final : public RecordView {
 public:
  explicit HostRecordView(ScanWorkflow& workflow) : workflow_(workflow) {}
  void ClearRows() override;
  void AddRow(const std::vector<std::string>& cells) override;
  void OutputLine(const std::string& text, bool replaceLast) override;
  void Progress(int64_t position, int64_t range) override;
  // Rows in the list now.
  int32_t rowCount() const { return rowCount_; }

 private:
  ScanWorkflow& workflow_;
  int32_t rowCount_ = 0;
};

}  // namespace pagewright
