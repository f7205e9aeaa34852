// ScanHost: what the scan workflow and the loaders need from a user
// interface. A desktop host marshals every call to its interface thread and
// returns only when the call has been carried out there; the console host
// prints. Either way a worker that calls an operation waits until it is done,
// so texts passed by view may live on the worker's stack.
//
// The object tree is not drawn by the workflow: the frame keeps the tree
// model (workflow/object_tree.h) and tells the host when to show it again.
// The output pane is driven through CVeltorTessalyApp::AppendOutputLine and
// its siblings, which also write the activity log; a host only shows items.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pagewright {

class ObjectTree;
struct ColumnDef;

enum class MessageKind { kInformation, kError, kQuestion };
enum class MessageAnswer { kOk, kYes, kNo };

class ScanHost {
 public:
  virtual ~ScanHost() = default;

  // Output pane. `index` is the item's position (the application's
  // outputLineCount when it was added).
  virtual void AddOutputItem(int32_t index, std::string_view text) = 0;
  virtual void SetOutputItem(int32_t index, std::string_view text) = 0;

  // Caption bar and status-bar progress.
  virtual void SetCaptionText(std::string_view text) {}
  virtual void ShowProgress(bool visible) {}
  virtual void SetProgressRange(int64_t low, int64_t high) {}
  virtual void SetProgressPos(int64_t position) {}

  // Object tree: the model changed; show it (at once, or at the next repaint).
  virtual void ClearTree() {}
  virtual void RedrawTree(const ObjectTree& tree) {}
  virtual void InvalidateTree(const ObjectTree& tree) {}
  // The item of the running table load is selected again (caret and highlight).
  virtual void SelectTreeItem(const ObjectTree& tree, int32_t item) {}

  // Record view.
  // Empties the status text box and the page caption, deletes every row of
  // the record list and disables both paging buttons.
  virtual void ResetRecordView() {}
  // Deletes every row and the first `count` columns, empties the status text.
  virtual void DeleteRecordColumns(int32_t count) {}
  // Deletes every row of the record list; columns and texts stay.
  virtual void DeleteAllRows() {}
  virtual void SetRecordColumns(const std::vector<ColumnDef>& columns) {}
  virtual void ShowTableMode() {}
  virtual void ShowTextMode() {}
  virtual void SetStatusText(std::string_view text) {}
  virtual void SetPageCaption(std::string_view text) {}
  virtual void EnablePaging(bool previous, bool next) {}
  virtual void InsertRow(int32_t index, std::string_view text) {}
  virtual void SetCell(int32_t row, int32_t column, std::string_view text) {}
  virtual void DeleteSelectedRows() {}

  // A message box owned by the main window, captioned with the application
  // title. Information and error boxes answer kOk; a question kYes or kNo.
  virtual MessageAnswer ShowMessage(std::string_view text, MessageKind kind) = 0;
};

// The caption of every message box.
inline constexpr std::string_view kApplicationTitle = "Veltor Pagewright v8.10";

// The workflow's own texts, exactly as the user sees them.
namespace scan_text {
inline constexpr std::string_view kWaitForRunning = "Please wait for the running process.";
inline constexpr std::string_view kStopToContinue = "Please stop the running process to continue the process.";
inline constexpr std::string_view kStopToClose = "Please stop the running process to close the application.";
inline constexpr std::string_view kStopQuestion = "Are you sure to stop the running process?";
inline constexpr std::string_view kFileSelected = " File is selected for recovery....";
inline constexpr std::string_view kBrowsePath = "Browse File Path:\t";
inline constexpr std::string_view kAdvancedMode = "Advanced mode is selected for file recovery.";
inline constexpr std::string_view kStandardMode = "Standard mode is selected for file recovery.";
inline constexpr std::string_view kScanStarts = "Scanning of file starts...";
inline constexpr std::string_view kScanAborted = "Scanning process aborted.";
inline constexpr std::string_view kNoObjects =
    "Either it is not valid mdf file or highly corrupted, select another file to recover.";
inline constexpr std::string_view kNoNamedObjects =
    "Whether it is not valid mdf file or highly corrupted, select another file to recover.";
inline constexpr std::string_view kVersionPrefix = "Database version: ";
inline constexpr std::string_view kUnknownVersion = "Database version: Unknown SQL Version";
inline constexpr std::string_view kCollationPrefix = "Collation Type: ";
inline constexpr std::string_view kUnknownCollation = "Unknown Collation";
inline constexpr std::string_view kDefaultRootLabel = "RepairDataBase";
inline constexpr std::string_view kCompletedCaption = "Scanning completed for selected mdf file";
inline constexpr std::string_view kCompletedLine = "Scanning completed for selected mdf file.";
inline constexpr std::string_view kProcessCompleted = "Scanning process completed.";
inline constexpr std::string_view kCreatingTree = "Creating Tree.........";
inline constexpr std::string_view kTreeDone = "Process done.........";
}  // namespace scan_text

}  // namespace pagewright
