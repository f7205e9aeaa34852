// Display texts of SQL Server's exact and approximate numeric types.
//
// Stored layouts (little-endian):
//   decimal, numeric  byte 0 sign (0 negative, anything else positive), then an
//                     unsigned magnitude of 4, 8, 12 or 16 bytes by precision:
//                     1-9 -> 4, 10-19 -> 8, 20-28 -> 12, 29 and above or 0 -> 16
//   money             int64, the amount times 10 000
//   smallmoney        int32, the amount times 10 000
//   float             IEEE 754 binary64
//   real              IEEE 754 binary32
//
// Every formatter reads only the bytes of the view it is given; a byte the
// view does not hold reads as zero (callers hand over zero-padded values).
// None fails: each returns a text, possibly empty.
#pragma once

#include <cstdint>
#include <string>

#include "storage/byte_view.h"

namespace pagewright {

// Digits of the magnitude with a "." before the last `scale` of them, no
// rounding. A magnitude with more digits than `precision` loses fraction
// digits, or gives the empty text when that is not enough. Precision 0 (not
// recorded) sets no digit limit. "-" in front when the sign byte is 0.
std::string FormatDecimal(ByteView bytes, uint8_t precision, uint8_t scale);

// The amount with exactly four decimals: 12345 -> "1.2345", -5000 -> "-0.5000".
std::string FormatMoney(ByteView bytes);
std::string FormatSmallMoney(ByteView bytes);

// Fixed notation with 15 - ceil(log10 |x|) decimals (six when that is negative
// or x is 0), trailing zeros and a trailing "." removed. With `substitute`,
// infinities and NaN give "0"; without it they give "inf", "-inf" or "nan".
std::string FormatFloat(ByteView bytes, bool substitute);

// General notation with six significant digits and an exponent of at least
// three digits ("1.23457e+006"). With `substitute`, a text with a negative
// exponent, an infinity or NaN gives "0".
std::string FormatReal(ByteView bytes, bool substitute);

}  // namespace pagewright
