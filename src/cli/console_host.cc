#include "cli/console_host.h"

#include <unistd.h>

#include <cstring>

namespace pagewright::cli {

namespace {

bool IsTerminal(std::FILE* stream) { return stream && ::isatty(::fileno(stream)) == 1; }

void WriteText(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

}  // namespace

ConsoleHost::ConsoleHost(std::FILE* out, std::FILE* err, MessageAnswer questionAnswer, bool alwaysUseAnswer)
    : out_(out), err_(err), outTerminal_(IsTerminal(out)), inTerminal_(::isatty(STDIN_FILENO) == 1),
      questionAnswer_(questionAnswer), alwaysUseAnswer_(alwaysUseAnswer),
      status_("", /*showStatus=*/IsTerminal(err), err) {}

ConsoleHost::~ConsoleHost() { Finish(); }

void ConsoleHost::FlushHeldLocked() {
  if (lineOpen_) {
    WriteText(out_, "\n");
    lineOpen_ = false;
  }
  if (heldReplacement_) {
    WriteText(out_, *heldReplacement_);
    WriteText(out_, "\n");
    heldReplacement_.reset();
  }
  std::fflush(out_);
}

void ConsoleHost::Finish() {
  std::lock_guard lock(mutex_);
  FlushHeldLocked();
}

void ConsoleHost::AddOutputItem(int32_t index, std::string_view text) {
  std::lock_guard lock(mutex_);
  FlushHeldLocked();
  WriteText(out_, text);
  WriteText(out_, "\n");
  std::fflush(out_);
  lastIndex_ = index;
}

void ConsoleHost::SetOutputItem(int32_t index, std::string_view text) {
  std::lock_guard lock(mutex_);
  if (index != lastIndex_) return;  // only the last item is ever replaced
  if (outTerminal_) {
    // The item's first text already ended its line; go back onto it.
    WriteText(out_, lineOpen_ ? "\r\033[K" : "\033[A\r\033[K");
    WriteText(out_, text);
    std::fflush(out_);
    lineOpen_ = true;
  } else {
    heldReplacement_ = std::string(text);
  }
}

void ConsoleHost::ShowProgress(bool visible) {
  std::lock_guard lock(mutex_);
  if (!visible) status_.ProgressRange(0);
}

void ConsoleHost::SetProgressRange(int64_t low, int64_t high) {
  std::lock_guard lock(mutex_);
  progressLow_ = low;
  status_.ProgressRange(high - low);
}

void ConsoleHost::SetProgressPos(int64_t position) {
  std::lock_guard lock(mutex_);
  status_.ProgressPosition(position - progressLow_);
}

void ConsoleHost::SetStatusText(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (!text.empty()) status_.StatusText(text);
}

MessageAnswer ConsoleHost::ShowMessage(std::string_view text, MessageKind kind) {
  std::lock_guard lock(mutex_);
  FlushHeldLocked();
  if (kind != MessageKind::kQuestion) {
    std::fprintf(err_, "pagewright: %s: %.*s\n", kind == MessageKind::kError ? "error" : "information",
                 static_cast<int>(text.size()), text.data());
    std::fflush(err_);
    return MessageAnswer::kOk;
  }
  if (alwaysUseAnswer_ || !inTerminal_) {
    std::fprintf(err_, "pagewright: question: %.*s %s\n", static_cast<int>(text.size()), text.data(),
                 questionAnswer_ == MessageAnswer::kYes ? "yes" : "no");
    std::fflush(err_);
    return questionAnswer_;
  }
  std::fprintf(err_, "%.*s [y/n] ", static_cast<int>(text.size()), text.data());
  std::fflush(err_);
  char answer[64] = {0};
  if (!std::fgets(answer, sizeof answer, stdin)) return MessageAnswer::kNo;
  return answer[0] == 'y' || answer[0] == 'Y' ? MessageAnswer::kYes : MessageAnswer::kNo;
}

}  // namespace pagewright::cli
