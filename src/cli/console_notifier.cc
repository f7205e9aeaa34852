#include "cli/console_notifier.h"

#include <unistd.h>

#include <algorithm>

namespace pagewright::cli {

namespace {
constexpr int kBarWidth = 40;
}

ConsoleNotifier::ConsoleNotifier(std::string subject, bool showStatus, std::FILE* stream)
    : subject_(std::move(subject)), showStatus_(showStatus), stream_(stream),
      terminal_(stream && ::isatty(::fileno(stream)) == 1) {}

ConsoleNotifier::~ConsoleNotifier() { ClearBar(); }

void ConsoleNotifier::ClearBar() {
  if (!barShown_) return;
  std::fputs("\r\033[K", stream_);
  std::fflush(stream_);
  barShown_ = false;
  lastPercent_ = -1;
}

void ConsoleNotifier::StatusText(std::string_view text) {
  if (!showStatus_) return;
  ClearBar();
  std::fprintf(stream_, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stream_);
}

void ConsoleNotifier::ProgressRange(int64_t steps) {
  steps_ = steps;
  lastPercent_ = -1;
}

void ConsoleNotifier::ProgressPosition(int64_t position) {
  if (!terminal_ || !showStatus_ || steps_ <= 0) return;
  int percent = static_cast<int>(std::clamp<int64_t>(position * 100 / steps_, 0, 100));
  // About 100 reports per pass arrive; redraw only when the figure moves.
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(stream_, "\r[%s] %3d%%", bar.c_str(), percent);
  std::fflush(stream_);
  barShown_ = true;
}

void ConsoleNotifier::FatalError(std::string_view text) {
  ClearBar();
  std::fprintf(stream_, "pagewright: %s%s%.*s\n", subject_.c_str(), subject_.empty() ? "" : ": ",
               static_cast<int>(text.size()), text.data());
  std::fflush(stream_);
}

}  // namespace pagewright::cli
