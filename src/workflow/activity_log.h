// The activity log: the file beside the output pane that records which data
// file was scanned, with which options, and what came of it.
//
//   name      "VeltorPagewright_log_" + "%d-%d-%d-%d-%d-%d" (day, month,
//             four-digit year, hour, minute, second, no leading zeros;
//             0,0,0,-1,-1,-1 when the local time is unknown) + ".txt"
//   encoding  UTF-16LE; a newly created file starts with FF FE
//   separator "\r\n" + 80 '*' + "\r\n", written at every opening
//   lines     text + "\r\n"; no timestamps inside
//
// A second opening of the same name (two scans in one second) appends after
// a new separator and writes no second byte-order mark.
//
// A log that cannot be created or written is reported once through the
// problem sink and then skipped: lines go on to the output pane only.
#pragma once

#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pagewright {

inline constexpr std::string_view kLogFilePrefix = "VeltorPagewright_log_";

// The file name for a local time; nothing: the time is unknown.
std::string ActivityLogFileName(const std::optional<std::tm>& localTime);

// The UTF-16LE bytes of UTF-8 `text` (invalid sequences become U+FFFD).
std::string Utf16LeBytes(std::string_view text);

class ActivityLog {
 public:
  using ProblemSink = std::function<void(const std::string& message)>;

  ActivityLog();
  ~ActivityLog();
  ActivityLog(const ActivityLog&) = delete;
  ActivityLog& operator=(const ActivityLog&) = delete;

  // Where a failure to create or write the log is told (default: a line on
  // stderr).
  void SetProblemSink(ProblemSink sink) { problemSink_ = std::move(sink); }

  // Closes the open log, opens (or creates) folder + name for the local time
  // and writes the separator. `folder` ends with a separator or is empty
  // (the current directory). Returns the path it tried.
  std::string Open(const std::string& folder, const std::optional<std::tm>& localTime);
  // Open with the current local time.
  std::string Open(const std::string& folder);
  void Close();

  // Writes text + "\r\n"; nothing when no log is open or it failed.
  void WriteLine(std::string_view text);

  bool IsOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

 private:
  void WriteBytes(const std::string& bytes);
  void Fail(const std::string& what);

  std::FILE* file_ = nullptr;
  std::string path_;
  ProblemSink problemSink_;
};

}  // namespace pagewright
