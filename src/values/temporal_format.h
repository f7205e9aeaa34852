// Display texts of SQL Server's date and time types, and the calendar they
// share.
//
// Stored layouts (little-endian):
//   datetime           bytes 0-3 int32 time of day in 1/300 s ticks,
//                      bytes 4-7 int32 day count from 1900-01-01
//   smalldatetime      bytes 0-1 uint16 minutes since midnight,
//                      bytes 2-3 uint16 day count from 1900-01-01
//   date               bytes 0-2 unsigned day count from 0001-01-01
//   time(s)            3 to 5 bytes unsigned, units of 10^-s second
//   datetime2(s)       time part (3, 4 or 5 bytes), then the 3-byte date;
//                      total 6, 7 or 8 bytes
//   datetimeoffset(s)  as datetime2, then int16 offset in minutes in the last
//                      two bytes; total 8, 9 or 10 bytes; date and time UTC
//
// Texts: "YYYY-MM-DD HH:MM:SS", the year always four digits. Each formatter
// reads only the bytes of its view; a byte the view does not hold reads as
// zero. A value that cannot be shown gives an empty date-time part.
#pragma once

#include <cstdint>
#include <string>

#include "storage/byte_view.h"

namespace pagewright {

// Days from 0001-01-01 to 1900-01-01, the epoch of datetime and smalldatetime.
inline constexpr int64_t kDaysTo1900 = 693595;

struct CalendarDate {
  int64_t year = 1;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
};

// The proleptic Gregorian date of day number `dayNumber` (0 = 0001-01-01);
// `dayNumber` must not be negative.
CalendarDate DayNumberToDate(int64_t dayNumber);

// Seconds only; a year before 1753 shows as 1753, month and day unchanged.
std::string FormatDateTime(ByteView bytes);
std::string FormatSmallDateTime(ByteView bytes);
std::string FormatDate(ByteView bytes);

// `scale` is the number of fraction digits (0 to 18; any other gives the empty
// text), `length` the value's byte count. A non-zero scale appends "." and the
// fraction with exactly `scale` digits, even after an empty time part.
std::string FormatTime(ByteView bytes, int scale, int length);
std::string FormatDateTime2(ByteView bytes, int scale, int length);

// The local date and time (UTC moved by the offset), then the offset as
// "+H:M" or "-H:M" with unpadded parts: "+5:30", "+1:0", "-5:30". One blank
// before the offset at scale 0, two after a fraction.
std::string FormatDateTimeOffset(ByteView bytes, int scale, int length);

}  // namespace pagewright
