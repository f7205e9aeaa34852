// Typed atomic values of binary XML and their text. Every formatter takes the
// exact payload bytes of one value (the decoder has already checked that they
// are present) and never reads beyond them.
//
// Texts:
//   integers, bit, tinyint (unsigned), xsd byte (signed)  decimal digits
//   boolean                      "true" / "false"
//   real, float                  as an XQuery cast to xs:string: plain decimal
//                                for 1e-6 <= |x| < 1e6 ("13.4", "1"), else
//                                shortest digits as "1.5E-7"; INF, -INF, NaN
//   money, smallmoney            exactly four decimals ("10.3001", "-0.5000")
//   decimal, numeric             digits with the stored scale ("20.0030")
//   xsd decimal                  canonical: trailing fraction zeros dropped
//   uuid                         upper-case 8-4-4-4-12, first three groups
//                                little-endian
//   binary, image, udt, base64   Base64 with "=" padding
//   binhex                       upper-case hex
//   datetime                     YYYY-MM-DDThh:mm:ss.fff
//   smalldatetime                YYYY-MM-DDThh:mm:00
//   xsd date / datetime / time   YYYY-MM-DD+zone / ...Thh:mm:ss[.fff]Z / hh:mm:ss[.fff]Z
//   date2, time2, datetime2      YYYY-MM-DD / hh:mm:ss[.f] / both with "T";
//                                fraction without trailing zeros
//   the three offset forms       local date/time and "Z" or "+hh:mm"/"-hh:mm"
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "storage/byte_view.h"

namespace pagewright {

// Payload size of a fixed-size value token, 0 for any other token.
size_t XmlFixedValueSize(uint8_t token);

// True for the date/time tokens 7A..7E whose size follows from a scale byte.
bool IsXmlScaledTemporal(uint8_t token);

// Payload size (scale byte included) of a 7A..7E value with this scale;
// nothing when the scale is above 7.
std::optional<size_t> XmlScaledTemporalSize(uint8_t token, uint8_t scale);

// Text of a fixed-size or scaled date/time value; `payload` has exactly the
// size given above. Empty for a token that is neither.
std::string FormatXmlFixedValue(uint8_t token, ByteView payload);

// Text of a decimal payload (precision, scale, sign, magnitude: the bytes after
// the length). Nothing when the layout is impossible (size other than 4, 8, 12
// or 16 magnitude bytes, scale above 38). `canonical` drops trailing zeros of
// the fraction and a bare point, as xs:decimal writes itself.
std::optional<std::string> FormatXmlDecimal(ByteView payload, bool canonical);

std::string FormatXmlDouble(double value);
std::string FormatXmlFloat(float value);
std::string FormatXmlBase64(ByteView bytes);
std::string FormatXmlBinHex(ByteView bytes);

}  // namespace pagewright
