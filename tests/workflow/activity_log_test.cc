// The activity log file: its name from the local time, the byte-order mark,
// the separator, UTF-16LE lines, reuse within one second, and a log that
// cannot be created.
#include "workflow/activity_log.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/open_fixtures.h"
#include "support/temp_dir.h"
#include "workflow/application.h"
#include "workflow/scan_host.h"

namespace pagewright {
namespace {

std::tm LocalTime(int day, int month, int year, int hour, int minute, int second) {
  std::tm time{};
  time.tm_mday = day;
  time.tm_mon = month - 1;
  time.tm_year = year - 1900;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

const std::string kSeparator = Utf16("\r\n" + std::string(80, '*') + "\r\n");

std::string ReadFile(const std::string& path) {
  support::Bytes bytes = support::ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(ActivityLogName, DateAndTimeWithoutLeadingZeros) {
  struct Case {
    std::optional<std::tm> time;
    std::string name;
  } cases[] = {
      {LocalTime(8, 12, 2024, 20, 46, 5), "VeltorPagewright_log_8-12-2024-20-46-5.txt"},
      {LocalTime(1, 1, 2026, 0, 0, 0), "VeltorPagewright_log_1-1-2026-0-0-0.txt"},
      {LocalTime(31, 10, 1999, 23, 59, 59), "VeltorPagewright_log_31-10-1999-23-59-59.txt"},
      {std::nullopt, "VeltorPagewright_log_0-0-0--1--1--1.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(ActivityLogFileName(c.time), c.name);
}

TEST(ActivityLogEncoding, Utf16LeOfUtf8Text) {
  EXPECT_EQ(Utf16LeBytes("Ab"), std::string("A\0b\0", 4));
  EXPECT_EQ(Utf16LeBytes("\xC3\xA9"), std::string("\xE9\x00", 2));                    // é
  EXPECT_EQ(Utf16LeBytes("\xF0\x9D\x84\x9E"), std::string("\x34\xD8\x1E\xDD", 4));  // U+1D11E, surrogate pair
  EXPECT_EQ(Utf16LeBytes("\xFF"), std::string("\xFD\xFF", 2));                        // not UTF-8
  EXPECT_EQ(Utf16LeBytes("\xE2\x82"), std::string("\xFD\xFF\xFD\xFF", 4));            // cut-off sequence
}

TEST(ActivityLogFile, NewFileStartsWithMarkThenSeparatorThenLines) {
  support::TempDir dir;
  ActivityLog log;
  std::string path = log.Open(dir.path() + "/", LocalTime(8, 12, 2024, 20, 46, 5));
  EXPECT_EQ(path, dir.path() + "/VeltorPagewright_log_8-12-2024-20-46-5.txt");
  log.WriteLine("first");
  log.WriteLine("Browse File Path:\tC:\\x.mdf");
  log.Close();
  std::string expected = "\xFF\xFE" + kSeparator + Utf16("first\r\n") + Utf16("Browse File Path:\tC:\\x.mdf\r\n");
  EXPECT_EQ(ReadFile(path), expected);
}

TEST(ActivityLogFile, SecondOpenInTheSameSecondAppendsWithoutSecondMark) {
  support::TempDir dir;
  ActivityLog log;
  std::tm time = LocalTime(8, 12, 2024, 20, 46, 5);
  std::string path = log.Open(dir.path() + "/", time);
  log.WriteLine("one");
  EXPECT_EQ(log.Open(dir.path() + "/", time), path);
  log.WriteLine("two");
  log.Close();
  EXPECT_EQ(ReadFile(path), "\xFF\xFE" + kSeparator + Utf16("one\r\n") + kSeparator + Utf16("two\r\n"));
}

// Output items as a host sees them.
class PaneHost : public ScanHost {
 public:
  void AddOutputItem(int32_t index, std::string_view text) override {
    items.resize(std::max<size_t>(items.size(), index + 1));
    items[index] = std::string(text);
  }
  void SetOutputItem(int32_t index, std::string_view text) override { items.at(index) = std::string(text); }
  MessageAnswer ShowMessage(std::string_view, MessageKind) override { return MessageAnswer::kOk; }
  std::vector<std::string> items;
};

TEST(ActivityLogFile, UncreatableLogIsReportedOnceAndThePaneGoesOn) {
  support::TempDir dir;
  CVeltorTessalyApp app;
  PaneHost host;
  app.AttachHost(&host);
  std::vector<std::string> problems;
  app.activityLog.SetProblemSink([&](const std::string& message) { problems.push_back(message); });
  app.OpenActivityLog(dir.path() + "/missing/folder/");
  app.AppendOutputLine("line one");
  app.AppendOutputLine("line two");
  app.ReplaceLastOutputLine("line two again", true);
  EXPECT_EQ(host.items, (std::vector<std::string>{"line one", "line two again"}));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("missing/folder/VeltorPagewright_log_"), std::string::npos) << problems[0];
  EXPECT_FALSE(app.activityLog.IsOpen());
}

TEST(ActivityLogFile, OutputOperationsAndWhatReachesTheLog) {
  support::TempDir dir;
  CVeltorTessalyApp app;
  PaneHost host;
  app.AttachHost(&host);
  app.OpenActivityLog(dir.path() + "/");
  app.AppendOutputLine("Please wait while Orders folder is scanning.");
  app.AppendOutputLine(" row 1 inserted");
  app.ReplaceLastOutputLine(" row 2 inserted", false);
  app.ReplaceLastOutputLine(" row 3 inserted", true);
  app.AppendOutputOnly("Saving Snapshot..Please wait....");
  EXPECT_EQ(app.outputLineCount.load(), 3);
  EXPECT_EQ(host.items, (std::vector<std::string>{"Please wait while Orders folder is scanning.", " row 3 inserted",
                                                  "Saving Snapshot..Please wait...."}));
  EXPECT_EQ(ReadFile(app.logFilePath), "\xFF\xFE" + kSeparator +
                                           Utf16("Please wait while Orders folder is scanning.\r\n") +
                                           Utf16(" row 1 inserted\r\n") + Utf16(" row 3 inserted\r\n"));
}

}  // namespace
}  // namespace pagewright
