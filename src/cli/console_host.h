// ConsoleHost: the scan workflow's host on a terminal.
//
//   output pane     one line per item on stdout, in order. A replaced last
//                   item (a loader's row counter) is redrawn in place when
//                   stdout is a terminal; elsewhere only its final text is
//                   written, as its own line, when the next item comes or
//                   at Finish().
//   status, progress  status lines and a progress bar on stderr, only when
//                   stderr is a terminal
//   message boxes   "pagewright: KIND: TEXT" on stderr (kind information or
//                   error); a question is asked on the terminal when stdin
//                   is one, otherwise answered with the configured answer
//   tree            kept by the workflow's model; the commands print it
//   record view     kept here as a model (mode, columns, rows, status text,
//                   page caption, paging buttons); the shell prints it after
//                   each operation (PrintRecordView)
//
// Calls may come from the interface thread and the worker at once; each
// call completes under one lock, so lines never interleave.
#pragma once

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/console_notifier.h"
#include "workflow/scan_host.h"

namespace pagewright::cli {

// Reads one line from file descriptor `fd` byte by byte, so that nothing
// past the line end is taken from the terminal or pipe. False at the end of
// input, or when a signal interrupted the read before a whole line came.
bool ReadInputLine(int fd, std::string& line);

class ConsoleHost : public ScanHost {
 public:
  // `questionAnswer`: the answer to every question when stdin is not a
  // terminal (or always, when `alwaysUseAnswer`).
  ConsoleHost(std::FILE* out, std::FILE* err, MessageAnswer questionAnswer, bool alwaysUseAnswer = false);
  ~ConsoleHost() override;

  void AddOutputItem(int32_t index, std::string_view text) override;
  void SetOutputItem(int32_t index, std::string_view text) override;
  void ShowProgress(bool visible) override;
  void SetProgressRange(int64_t low, int64_t high) override;
  void SetProgressPos(int64_t position) override;
  void SetStatusText(std::string_view text) override;
  MessageAnswer ShowMessage(std::string_view text, MessageKind kind) override;

  void ResetRecordView() override;
  void DeleteRecordColumns(int32_t count) override;
  void DeleteAllRows() override;
  void SetRecordColumns(const std::vector<ColumnDef>& columns) override;
  void ShowTableMode() override;
  void ShowTextMode() override;
  void SetPageCaption(std::string_view text) override;
  void EnablePaging(bool previous, bool next) override;
  void InsertRow(int32_t index, std::string_view text) override;
  void SetCell(int32_t row, int32_t column, std::string_view text) override;

  // Writes a held replacement line, if any.
  void Finish();
  // Whether status texts are echoed on stderr (when it is a terminal): the
  // open sequence's are, a definition shown in the record view is not.
  void SetStatusEcho(bool echo) {
    std::lock_guard lock(mutex_);
    echoStatus_ = echo;
  }

  // The record view as text: in table mode a header line of the column
  // names and one line per row (cells tab-separated, tabs, line ends and
  // backslashes escaped), then the page caption with the paging buttons
  // that are enabled; in text mode the status text.
  void PrintRecordView(std::FILE* out);

 private:
  void FlushHeldLocked();

  // Record view.
  bool echoStatus_ = true;
  bool tableMode_ = false;
  std::vector<std::string> columnNames_;
  std::vector<std::vector<std::string>> rows_;
  std::string statusText_;
  std::string pageCaption_;
  bool previousEnabled_ = false;
  bool nextEnabled_ = false;

  std::mutex mutex_;
  std::FILE* out_;
  std::FILE* err_;
  bool outTerminal_;
  bool inTerminal_;
  MessageAnswer questionAnswer_;
  bool alwaysUseAnswer_;
  ConsoleNotifier status_;
  int64_t progressLow_ = 0;
  int32_t lastIndex_ = -1;
  std::optional<std::string> heldReplacement_;
  bool lineOpen_ = false;  // a replacement drawn in place, without its line end
};

}  // namespace pagewright::cli
