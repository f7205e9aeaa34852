// UTF-16 little-endian text from stored bytes, as UTF-8, and the UTF-8
// encoder the value formatters share.
#pragma once

#include <cstddef>
#include <string>

#include "storage/byte_view.h"

namespace pagewright {

// Appends the UTF-8 form of `codePoint`; surrogates and values above
// U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// Appends UTF-16 code units as UTF-8 up to the first zero unit (with
// `stopAtZero` clear: all of them, a zero unit giving U+0000); an unpaired
// surrogate becomes U+FFFD.
void AppendUtf16AsUtf8(std::string& out, const char16_t* units, size_t count, bool stopAtZero = true);

// The bytes as little-endian UTF-16 code units up to the first zero unit.
// An odd last byte is a code unit whose high byte is zero (the padding that
// stored values are read with); unpaired surrogates become U+FFFD.
std::string DecodeUtf16Text(ByteView bytes);

// All the bytes as little-endian UTF-16 code units, zero units included (a
// large value keeps what it stores); an odd last byte and unpaired
// surrogates become U+FFFD.
std::string DecodeWholeUtf16Text(ByteView bytes);

}  // namespace pagewright
