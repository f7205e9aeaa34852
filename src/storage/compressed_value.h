// Expansion of one row-compressed column value into the bytes the same value
// has in an uncompressed (FixedVar) row, by column type.
//
//   type                                   stored form               expanded to
//   tinyint                                the raw byte              1 byte
//   smallint int bigint smallmoney money   excess big-endian, 1..W   W bytes LE (W 2/4/8/4/8)
//   datetime                               excess big-endian of the  8 bytes LE
//                                          LE int64 days:ticks
//   smalldatetime real float               LE, zero bytes cut from   zeros prepended to 4/4/8
//                                          the low-order (first) end
//   date time datetime2 datetimeoffset     LE, zero bytes cut from   zeros appended to the
//                                          the high-order (last) end width given by the scale
//   decimal numeric                        vardecimal                sign byte + LE magnitude
//                                                                    of 4/8/12/16 bytes
//   bit                                    code 1 = 0, code 11 = 1   1 byte, 0 or 1
//   char(n) / binary(n)                    trailing 0x20 / 0x00 cut  padded to n bytes
//   nchar(n)                               SCSU (odd length) or      UTF-16LE padded with
//                                          UTF-16LE (even)           U+0020 to n characters
//                                                                    (declaredLength 2n bytes)
//   nvarchar(n)                            as nchar                  UTF-16LE
//   timestamp                              big-endian, leading       8 bytes, zeros prepended
//                                          zero bytes cut
//   everything else (varchar, varbinary,   unchanged                 unchanged
//   uniqueidentifier, sql_variant, xml,
//   LOB types, (max) types, CLR types)
//
// Excess big-endian: the shortest two's-complement big-endian form of the
// value with the top bit of its first byte inverted. Decoding n bytes: invert
// that bit back and sign-extend from 8n bits; so 81 = 1, 7F = -1, 00 = -128,
// 80 80 = 128, 7F 7F = -129.
//
// Vardecimal: byte 0 bit 7 = sign (1 non-negative), bits 0-6 = exponent + 64,
// the exponent being the power of ten of the leading significant digit; then
// 10-bit groups (each 0..999) packed most significant bit first, a cut-short
// last group filled with zero bits on the right.
//
// An empty stored value (CD code 1, or a prefix that rebuilt nothing) is the
// type's zero: 0, 0.0, 1900-01-01 00:00, 0001-01-01, n spaces, n zero bytes,
// the empty string.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "catalog/column_def.h"
#include "storage/byte_view.h"

namespace pagewright {

struct ExpandedValue {
  std::vector<uint8_t> bytes;
  // The stored bytes do not fit the column's type (too long, impossible
  // digits, a damaged SCSU stream). `bytes` then holds what could be rebuilt,
  // or nothing.
  bool damaged = false;
};

// The width of the column's value in an uncompressed row, or 0 for
// variable-length types (and types of unknown width).
size_t UncompressedWidth(const ColumnDef& column);

// Expands the stored bytes of one value (after any page-compression prefix or
// dictionary symbol has been resolved). `bitOne` is CD code 11, which stores
// no bytes; it is only meaningful for bit columns.
ExpandedValue ExpandCompressedValue(const ColumnDef& column, ByteView stored, bool bitOne = false);

// Excess big-endian decoding of 1..8 bytes; nothing for other lengths.
std::optional<int64_t> DecodeExcessInteger(ByteView stored);

}  // namespace pagewright
