// Decoding of Unicode-compressed nchar / nvarchar values.
//
// Row- and page-compressed rowsets store an nchar(n) / nvarchar(n) value either
// in the Standard Compression Scheme for Unicode (SCSU) or, when that would not
// be shorter, as plain UTF-16LE. The two forms are told apart by length:
//
//   length      form
//   0           empty text
//   even        UTF-16LE code units, as in an uncompressed row
//   odd         an SCSU byte stream; an encoding that came out even was padded
//               with one SC0 byte (0x10), which decodes to nothing
//
// Every value is decoded from the initial SCSU state; no state carries over
// between values. The SCSU byte machine is ICU's "SCSU" converter.
#pragma once

#include <string>

#include "storage/byte_view.h"

namespace pagewright {

struct UnicodeValue {
  std::u16string text;   // UTF-16 code units; lone surrogates kept as stored
  bool damaged = false;  // an illegal or truncated sequence became U+FFFD
};

// Decodes an SCSU byte stream. Illegal sequences (reserved tags, reserved
// window offsets) become U+FFFD and decoding goes on after them. A single
// byte left over at the end (a half code unit in Unicode mode, as the server
// leaves it) is dropped silently; any longer truncated tag becomes U+FFFD.
// Never fails: at worst the text is empty and `damaged` is set.
UnicodeValue DecodeScsu(ByteView bytes);

// Applies the length rule above: even lengths as UTF-16LE, odd ones as SCSU.
UnicodeValue DecodeCompressedUnicode(ByteView bytes);

}  // namespace pagewright
