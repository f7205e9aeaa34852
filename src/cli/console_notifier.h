// ConsoleNotifier: the open sequence's reports on a terminal. Status texts
// are lines on stderr; the progress bar is drawn on stderr only when stderr
// is a terminal (a pipe or a file gets no bar); a fatal error is one line
// "pagewright: SUBJECT: TEXT".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "catalog/open_notifier.h"

namespace pagewright::cli {

class ConsoleNotifier : public OpenNotifier {
 public:
  // `subject` (usually the data file's path) prefixes fatal errors.
  // `showStatus` false keeps status lines off (errors still show).
  explicit ConsoleNotifier(std::string subject, bool showStatus = true, std::FILE* stream = stderr);
  ~ConsoleNotifier() override;
  ConsoleNotifier(const ConsoleNotifier&) = delete;
  ConsoleNotifier& operator=(const ConsoleNotifier&) = delete;

  void StatusText(std::string_view text) override;
  void ProgressRange(int64_t steps) override;
  void ProgressPosition(int64_t position) override;
  void FatalError(std::string_view text) override;

 private:
  void ClearBar();

  std::string subject_;
  bool showStatus_;
  std::FILE* stream_;
  bool terminal_;
  int64_t steps_ = 0;
  int lastPercent_ = -1;
  bool barShown_ = false;
};

}  // namespace pagewright::cli
