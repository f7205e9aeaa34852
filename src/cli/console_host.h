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
//   tree, records   kept by the workflow's models; the commands print them
//
// Calls may come from the interface thread and the worker at once; each
// call completes under one lock, so lines never interleave.
#pragma once

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "cli/console_notifier.h"
#include "workflow/scan_host.h"

namespace pagewright::cli {

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

  // Writes a held replacement line, if any.
  void Finish();

 private:
  void FlushHeldLocked();

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
