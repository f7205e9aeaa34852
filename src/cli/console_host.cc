#include "cli/console_host.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "storage/table_rows.h"

namespace pagewright::cli {

namespace {

// A cell on one line: tabs, line ends and backslashes escaped.
std::string EscapedCell(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\\') out += "\\\\";
    else out.push_back(c);
  }
  return out;
}

bool IsTerminal(std::FILE* stream) { return stream && ::isatty(::fileno(stream)) == 1; }

void WriteText(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

}  // namespace

bool ReadInputLine(int fd, std::string& line) {
  line.clear();
  for (;;) {
    char c = 0;
    ssize_t got = ::read(fd, &c, 1);
    if (got < 0 && errno == EINTR) return false;
    if (got <= 0) return !line.empty();
    if (c == '\n') return true;
    line.push_back(c);
  }
}

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
  statusText_ = std::string(text);
  if (!text.empty() && echoStatus_) status_.StatusText(text);
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
  std::string answer;
  if (!ReadInputLine(STDIN_FILENO, answer)) return MessageAnswer::kNo;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y') ? MessageAnswer::kYes : MessageAnswer::kNo;
}

void ConsoleHost::ResetRecordView() {
  std::lock_guard lock(mutex_);
  statusText_.clear();
  pageCaption_.clear();
  rows_.clear();
  previousEnabled_ = nextEnabled_ = false;
}

void ConsoleHost::DeleteRecordColumns(int32_t count) {
  std::lock_guard lock(mutex_);
  rows_.clear();
  if (count >= static_cast<int32_t>(columnNames_.size()))
    columnNames_.clear();
  else if (count > 0)
    columnNames_.erase(columnNames_.begin(), columnNames_.begin() + count);
  statusText_.clear();
}

void ConsoleHost::DeleteAllRows() {
  std::lock_guard lock(mutex_);
  rows_.clear();
}

void ConsoleHost::SetRecordColumns(const std::vector<ColumnDef>& columns) {
  std::lock_guard lock(mutex_);
  rows_.clear();
  columnNames_ = ShownColumnNames(columns);
}

void ConsoleHost::ShowTableMode() {
  std::lock_guard lock(mutex_);
  tableMode_ = true;
}

void ConsoleHost::ShowTextMode() {
  std::lock_guard lock(mutex_);
  tableMode_ = false;
}

void ConsoleHost::SetPageCaption(std::string_view text) {
  std::lock_guard lock(mutex_);
  pageCaption_ = std::string(text);
}

void ConsoleHost::EnablePaging(bool previous, bool next) {
  std::lock_guard lock(mutex_);
  previousEnabled_ = previous;
  nextEnabled_ = next;
}

void ConsoleHost::InsertRow(int32_t index, std::string_view text) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> row{std::string(text)};
  if (index < 0 || static_cast<size_t>(index) >= rows_.size())
    rows_.push_back(std::move(row));
  else
    rows_.insert(rows_.begin() + index, std::move(row));
}

void ConsoleHost::SetCell(int32_t row, int32_t column, std::string_view text) {
  std::lock_guard lock(mutex_);
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || column < 0) return;
  auto& cells = rows_[static_cast<size_t>(row)];
  if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
  cells[static_cast<size_t>(column)] = std::string(text);
}

void ConsoleHost::PrintRecordView(std::FILE* out) {
  std::lock_guard lock(mutex_);
  FlushHeldLocked();
  std::string text;
  if (!tableMode_) {
    text = statusText_;
    if (text.empty() || text.back() != '\n') text += '\n';
  } else {
    auto appendLine = [&](const std::vector<std::string>& cells) {
      for (size_t index = 0; index < cells.size(); ++index) {
        if (index) text += '\t';
        text += EscapedCell(cells[index]);
      }
      text += '\n';
    };
    appendLine(columnNames_);
    for (const auto& row : rows_) appendLine(row);
    text += pageCaption_;
    if (previousEnabled_) text += "  [prev]";
    if (nextEnabled_) text += "  [next]";
    text += '\n';
  }
  WriteText(out, text);
  std::fflush(out);
}

}  // namespace pagewright::cli
