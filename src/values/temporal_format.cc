#include "values/temporal_format.h"

#include <algorithm>
#include <cmath>

namespace pagewright {
namespace {

constexpr int64_t kDaysPer400Years = 146097;
constexpr int64_t kDaysPer100Years = 36524;
constexpr int64_t kDaysPer4Years = 1461;
constexpr int64_t kDaysPerYear = 365;
constexpr int64_t kMaxYear = 9999;
constexpr int64_t kEarliestDateTimeYear = 1753;
constexpr int kMaxFractionDigits = 18;

constexpr int kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

void AppendPadded(std::string& out, uint64_t value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(static_cast<size_t>(width) - digits.size(), '0');
  out += digits;
}

void AppendDate(std::string& out, const CalendarDate& date) {
  AppendPadded(out, static_cast<uint64_t>(date.year), 4);
  out.push_back('-');
  AppendPadded(out, static_cast<uint64_t>(date.month), 2);
  out.push_back('-');
  AppendPadded(out, static_cast<uint64_t>(date.day), 2);
}

void AppendClock(std::string& out, int64_t hour, int64_t minute, int64_t second) {
  AppendPadded(out, static_cast<uint64_t>(hour), 2);
  out.push_back(':');
  AppendPadded(out, static_cast<uint64_t>(minute), 2);
  out.push_back(':');
  AppendPadded(out, static_cast<uint64_t>(second), 2);
}

std::string DateTimeText(const CalendarDate& date, int64_t hour, int64_t minute, int64_t second) {
  std::string text;
  text.reserve(19);
  AppendDate(text, date);
  text.push_back(' ');
  AppendClock(text, hour, minute, second);
  return text;
}

// A time-of-day count in units of 10^-scale second, split.
struct TimeOfDay {
  uint64_t hour = 0;
  uint64_t minute = 0;
  uint64_t second = 0;
  uint64_t fraction = 0;
  bool valid() const { return hour <= 23 && minute <= 59 && second <= 59; }
};

uint64_t PowerOfTen(int exponent) {
  uint64_t value = 1;
  for (int step = 0; step < exponent; ++step) value *= 10;
  return value;
}

TimeOfDay SplitTime(uint64_t units, int scale) {
  const uint64_t unit = PowerOfTen(scale);
  TimeOfDay time;
  time.fraction = units % unit;
  const uint64_t seconds = units / unit;
  time.hour = seconds / 3600;
  time.minute = (seconds / 60) % 60;
  time.second = seconds % 60;
  return time;
}

uint64_t UnsignedPrefix(ByteView bytes, int offset, int width) {
  uint64_t value = 0;
  for (int index = std::min(width, 8) - 1; index >= 0; --index)
    value = (value << 8) | bytes[static_cast<size_t>(offset + index)];
  return value;
}

void AppendFraction(std::string& out, uint64_t fraction, int scale) {
  out.push_back('.');
  AppendPadded(out, fraction, scale);
}

bool ScaleUsable(int scale) { return scale >= 0 && scale <= kMaxFractionDigits; }

}  // namespace

CalendarDate DayNumberToDate(int64_t dayNumber) {
  const int64_t cycles400 = dayNumber / kDaysPer400Years;
  int64_t rest = dayNumber % kDaysPer400Years;
  const int64_t centuries = std::min<int64_t>(rest / kDaysPer100Years, 3);
  rest -= kDaysPer100Years * centuries;
  const int64_t cycles4 = rest / kDaysPer4Years;
  rest -= kDaysPer4Years * cycles4;
  const int64_t years = std::min<int64_t>(rest / kDaysPerYear, 3);
  rest -= kDaysPerYear * years;

  CalendarDate date;
  date.year = 400 * cycles400 + 100 * centuries + 4 * cycles4 + years + 1;
  const int* before = kDaysBeforeMonth[IsLeapYear(date.year) ? 1 : 0];
  int month = 1;
  while (month < 12 && before[month] <= rest) ++month;
  date.month = month;
  date.day = static_cast<int>(rest - before[month - 1] + 1);
  return date;
}

std::string FormatDateTime(ByteView bytes) {
  const int32_t ticks = bytes.i32_or(0);
  const int64_t days = bytes.i32_or(4);
  // The tick factor is a shade above 1/300 so that 300 ticks make a second.
  const int64_t seconds = static_cast<int64_t>(std::trunc(static_cast<double>(ticks) * 0.00333333335));
  const int64_t hour = seconds / 3600;
  const int64_t minute = (seconds / 60) % 60;
  const int64_t second = seconds % 60;
  const int64_t dayNumber = days + kDaysTo1900;
  if (dayNumber < 0) return std::string();
  CalendarDate date = DayNumberToDate(dayNumber);
  if (date.year > kMaxYear || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    return std::string();
  if (date.year < kEarliestDateTimeYear) date.year = kEarliestDateTimeYear;
  return DateTimeText(date, hour, minute, second);
}

std::string FormatSmallDateTime(ByteView bytes) {
  const uint16_t minutes = bytes.u16_or(0);
  const uint16_t days = bytes.u16_or(2);
  const int64_t hour = minutes / 60;
  const int64_t minute = minutes % 60;
  const CalendarDate date = DayNumberToDate(days + kDaysTo1900);
  if (date.year > kMaxYear || hour > 23) return std::string();
  return DateTimeText(date, hour, minute, 0);
}

std::string FormatDate(ByteView bytes) {
  const CalendarDate date = DayNumberToDate(static_cast<int64_t>(UnsignedPrefix(bytes, 0, 3)));
  if (date.year > kMaxYear) return std::string();
  std::string text;
  AppendDate(text, date);
  return text;
}

std::string FormatTime(ByteView bytes, int scale, int length) {
  if (!ScaleUsable(scale)) return std::string();
  const TimeOfDay time = SplitTime(UnsignedPrefix(bytes, 0, std::max(length, 0)), scale);
  std::string text;
  if (time.valid()) AppendClock(text, time.hour, time.minute, time.second);
  if (scale > 0) AppendFraction(text, time.fraction, scale);
  return text;
}

std::string FormatDateTime2(ByteView bytes, int scale, int length) {
  if (!ScaleUsable(scale)) return std::string();
  uint64_t units = 0;
  uint64_t dayNumber = 0;
  if (length >= 6 && length <= 8) {
    units = UnsignedPrefix(bytes, 0, length - 3);
    dayNumber = UnsignedPrefix(bytes, length - 3, 3);
  }
  const TimeOfDay time = SplitTime(units, scale);
  const CalendarDate date = DayNumberToDate(static_cast<int64_t>(dayNumber));
  std::string text;
  if (date.year <= kMaxYear && time.valid()) text = DateTimeText(date, time.hour, time.minute, time.second);
  if (scale > 0) AppendFraction(text, time.fraction, scale);
  return text;
}

std::string FormatDateTimeOffset(ByteView bytes, int scale, int length) {
  if (!ScaleUsable(scale)) return std::string();
  const int offset = length >= 2 ? bytes.i16_or(static_cast<size_t>(length - 2)) : 0;
  uint64_t units = 0;
  uint64_t dayNumber = 0;
  if (length >= 8 && length <= 10) {
    units = UnsignedPrefix(bytes, 0, length - 5);
    dayNumber = UnsignedPrefix(bytes, length - 5, 3);
  }
  const TimeOfDay time = SplitTime(units, scale);

  std::string text;
  if (time.hour <= 23) {
    // Local time = UTC + offset; floor division keeps the minute of the day
    // in 0..1439 and moves the date for offsets across midnight.
    const int64_t minutes = static_cast<int64_t>(time.hour * 60 + time.minute) + offset;
    int64_t dayShift = minutes / 1440;
    int64_t minuteOfDay = minutes % 1440;
    if (minuteOfDay < 0) {
      minuteOfDay += 1440;
      --dayShift;
    }
    const int64_t localDay = static_cast<int64_t>(dayNumber) + dayShift;
    if (localDay >= 0 && time.second <= 59) {
      const CalendarDate date = DayNumberToDate(localDay);
      if (date.year <= kMaxYear)
        text = DateTimeText(date, minuteOfDay / 60, minuteOfDay % 60, static_cast<int64_t>(time.second));
    }
  }
  if (scale > 0) {
    AppendFraction(text, time.fraction, scale);
    text.push_back(' ');
  }
  // A negative offset is written with a leading "-" and unsigned parts.
  const int magnitude = offset < 0 ? -offset : offset;
  text.push_back(' ');
  text.push_back(offset < 0 ? '-' : '+');
  text += std::to_string(magnitude / 60);
  text.push_back(':');
  text += std::to_string(magnitude % 60);
  return text;
}

}  // namespace pagewright
