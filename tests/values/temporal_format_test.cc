#include "values/temporal_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagewright {
namespace {

void Append(std::vector<uint8_t>& bytes, uint64_t value, size_t width) {
  for (size_t index = 0; index < width; ++index) bytes.push_back(static_cast<uint8_t>(value >> (8 * index)));
}

std::vector<uint8_t> DateTimeBytes(int32_t ticks, int32_t days) {
  std::vector<uint8_t> bytes;
  Append(bytes, static_cast<uint32_t>(ticks), 4);
  Append(bytes, static_cast<uint32_t>(days), 4);
  return bytes;
}

// A time part of `timeWidth` bytes, a 3-byte date, then optionally an offset.
std::vector<uint8_t> TimeDateBytes(uint64_t units, size_t timeWidth, uint32_t day) {
  std::vector<uint8_t> bytes;
  Append(bytes, units, timeWidth);
  Append(bytes, day, 3);
  return bytes;
}

std::vector<uint8_t> WithOffset(std::vector<uint8_t> bytes, int16_t offset) {
  Append(bytes, static_cast<uint16_t>(offset), 2);
  return bytes;
}

constexpr uint32_t kDay2018_04_25 = 736808;

TEST(TemporalFormat, CalendarSplitsDayNumbers) {
  struct CalendarCase {
    int64_t dayNumber;
    int64_t year;
    int month;
    int day;
  };
  // Day numbers from an independent proleptic Gregorian ordinal.
  const std::vector<CalendarCase> cases = {
      {0, 1, 1, 1},          {59, 1, 3, 1},          {146096, 400, 12, 31},  {584387, 1600, 12, 31},
      {693595, 1900, 1, 1},  {693654, 1900, 3, 1},   {730178, 2000, 2, 29},  {736808, 2018, 4, 25},
      {766703, 2100, 3, 1},  {3652058, 9999, 12, 31},
  };
  for (const auto& c : cases) {
    const CalendarDate date = DayNumberToDate(c.dayNumber);
    EXPECT_EQ(date.year, c.year) << c.dayNumber;
    EXPECT_EQ(date.month, c.month) << c.dayNumber;
    EXPECT_EQ(date.day, c.day) << c.dayNumber;
  }
}

TEST(TemporalFormat, DateTime) {
  struct Case {
    const char* name;
    int32_t ticks;
    int32_t days;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"300 ticks are one second", 300, 0, "1900-01-01 00:00:01"},
      {"299 ticks are not", 299, 0, "1900-01-01 00:00:00"},
      {"day before epoch", 0, -1, "1899-12-31 00:00:00"},
      {"last tick of the last day", 25919999, 2958463, "9999-12-31 23:59:59"},
      {"year 10000", 0, 2958464, ""},
      {"1753-01-01 kept", 0, -53690, "1753-01-01 00:00:00"},
      {"year below 1753 shows as 1753", 0, -53691, "1753-12-31 00:00:00"},
      {"day 0 of the calendar", 0, -693595, "1753-01-01 00:00:00"},
      {"before 0001-01-01", 0, -693596, ""},
      {"24:00:00", 25920000, 0, ""},
      {"negative second", -300, 0, ""},
      {"afternoon", 15660000, 43213, "2018-04-25 14:30:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(ByteView(DateTimeBytes(c.ticks, c.days))), c.expected) << c.name;
}

TEST(TemporalFormat, SmallDateTime) {
  struct Case {
    uint16_t minutes;
    uint16_t days;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {1439, 0, "1900-01-01 23:59:00"},
      {1440, 0, ""},
      {0, 65535, "2079-06-06 00:00:00"},
      {61, 59, "1900-03-01 01:01:00"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes;
    Append(bytes, c.minutes, 2);
    Append(bytes, c.days, 2);
    EXPECT_EQ(FormatSmallDateTime(ByteView(bytes)), c.expected) << c.minutes << " " << c.days;
  }
}

TEST(TemporalFormat, Date) {
  struct Case {
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {{0x28, 0x3E, 0x0B}, "2018-04-25"},
      {{0x9A, 0x7B, 0x0B}, "2061-05-19"},
      {{0x00, 0x00, 0x00}, "0001-01-01"},
      {{0xDA, 0xB9, 0x37}, "9999-12-31"},
      {{0xDB, 0xB9, 0x37}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDate(ByteView(c.bytes)), c.expected) << c.expected;
}

TEST(TemporalFormat, TimeWritesTheFractionWithScaleDigits) {
  struct Case {
    const char* name;
    uint64_t units;
    int scale;
    int length;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"time(7)", 10 * 36000000000ULL + 5, 7, 5, "10:00:00.0000005"},
      {"time(2)", 10 * 360000ULL + 5, 2, 3, "10:00:00.05"},
      {"time(0)", 86399, 0, 3, "23:59:59"},
      {"time(3) leading zeros kept", 3600 * 1000ULL + 7, 3, 4, "01:00:00.007"},
      {"24 hours: empty time, fraction kept", 864000000000ULL, 7, 5, ".0000000"},
      {"24 hours at scale 0", 86400, 0, 3, ""},
      {"scale beyond 18", 0, 19, 5, ""},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes;
    Append(bytes, c.units, static_cast<size_t>(c.length));
    EXPECT_EQ(FormatTime(ByteView(bytes), c.scale, c.length), c.expected) << c.name;
  }
}

TEST(TemporalFormat, DateTime2) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int scale;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"datetime2(7)", TimeDateBytes(10 * 36000000000ULL + 5, 5, kDay2018_04_25), 7, "2018-04-25 10:00:00.0000005"},
      {"datetime2(0)", TimeDateBytes(3661, 3, kDay2018_04_25), 0, "2018-04-25 01:01:01"},
      {"datetime2(3)", TimeDateBytes(45296789, 4, kDay2018_04_25), 3, "2018-04-25 12:34:56.789"},
      {"time out of range", TimeDateBytes(86400, 3, kDay2018_04_25), 0, ""},
      {"year out of range", TimeDateBytes(0, 3, 3652059), 2, ".00"},
      {"length 5 is neither", {1, 2, 3, 4, 5}, 0, "0001-01-01 00:00:00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTime2(ByteView(c.bytes), c.scale, static_cast<int>(c.bytes.size())), c.expected) << c.name;
}

TEST(TemporalFormat, DateTimeOffsetShowsLocalTimeAndSignedOffset) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int scale;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"crosses midnight forward", WithOffset(TimeDateBytes(84600, 3, kDay2018_04_25), 60), 0,
       "2018-04-26 00:30:00 +1:0"},
      {"negative offset same day", WithOffset(TimeDateBytes(63000, 3, kDay2018_04_25), -300), 0,
       "2018-04-25 12:30:00 -5:0"},
      {"negative offset previous day", WithOffset(TimeDateBytes(7200, 3, kDay2018_04_25), -300), 0,
       "2018-04-24 21:00:00 -5:0"},
      {"positive half hour", WithOffset(TimeDateBytes(0, 3, kDay2018_04_25), 330), 0, "2018-04-25 05:30:00 +5:30"},
      {"negative half hour", WithOffset(TimeDateBytes(43200, 3, kDay2018_04_25), -330), 0,
       "2018-04-25 06:30:00 -5:30"},
      {"zero offset", WithOffset(TimeDateBytes(1, 3, kDay2018_04_25), 0), 0, "2018-04-25 00:00:01 +0:0"},
      {"scale 7, two blanks before the offset",
       WithOffset(TimeDateBytes(10 * 36000000000ULL + 5, 5, kDay2018_04_25), -330), 7,
       "2018-04-25 04:30:00.0000005  -5:30"},
      {"stored hour above 23", WithOffset(TimeDateBytes(86400, 3, kDay2018_04_25), 60), 0, " +1:0"},
      {"moved before 0001-01-01", WithOffset(TimeDateBytes(600, 3, 0), -60), 0, " -1:0"},
      {"invalid time keeps fraction and offset", WithOffset(TimeDateBytes(864000000000ULL, 5, 0), 90), 7,
       ".0000000  +1:30"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTimeOffset(ByteView(c.bytes), c.scale, static_cast<int>(c.bytes.size())), c.expected)
        << c.name;
}

TEST(TemporalFormat, LengthsBeyondTheViewReadZeros) {
  // A damaged length must not make the formatter read outside the bytes.
  const std::vector<uint8_t> bytes = {0x10};
  EXPECT_EQ(FormatDateTimeOffset(ByteView(bytes), 0, 10), "0001-01-01 00:00:16 +0:0");
  EXPECT_EQ(FormatDateTimeOffset(ByteView(bytes), 0, 1), "0001-01-01 00:00:00 +0:0");
  EXPECT_EQ(FormatTime(ByteView(bytes), 0, 200), "00:00:16");
}

}  // namespace
}  // namespace pagewright
