#include "workflow/application.h"

#include "workflow/scan_host.h"

namespace pagewright {

void CVeltorTessalyApp::AttachHost(ScanHost* host) {
  std::lock_guard lock(outputMutex_);
  host_ = host;
  activityLog.Close();
  outputLineCount = 0;
}

void CVeltorTessalyApp::OpenActivityLog(const std::string& folder) {
  std::lock_guard lock(outputMutex_);
  logFilePath = activityLog.Open(folder);
}

void CVeltorTessalyApp::AppendOutputLine(std::string_view text) {
  std::lock_guard lock(outputMutex_);
  if (host_) host_->AddOutputItem(outputLineCount, text);
  ++outputLineCount;
  activityLog.WriteLine(text);
}

void CVeltorTessalyApp::ReplaceLastOutputLine(std::string_view text, bool log) {
  std::lock_guard lock(outputMutex_);
  if (host_ && outputLineCount > 0) host_->SetOutputItem(outputLineCount - 1, text);
  if (log) activityLog.WriteLine(text);
}

void CVeltorTessalyApp::AppendOutputOnly(std::string_view text) {
  std::lock_guard lock(outputMutex_);
  if (host_) host_->AddOutputItem(outputLineCount, text);
  ++outputLineCount;
}

}  // namespace pagewright
