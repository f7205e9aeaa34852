// Text conversions of catalog rows: the UTF-16LE names of system-table rows
// and the 8-bit type characters, both to UTF-8.
#pragma once

#include <string>

#include "storage/byte_view.h"

namespace pagewright {

// UTF-16LE code units to UTF-8. An odd trailing byte is dropped; an unpaired
// surrogate becomes U+FFFD. Never fails.
std::string Utf16LeToUtf8(ByteView bytes);

// As Utf16LeToUtf8, but the text ends at the first NUL unit and trailing
// white space (blanks, tabs, line ends) is removed: the form of the
// fixed-width, blank-padded name fields.
std::string FixedUtf16Field(ByteView bytes);

// 8-bit characters taken as Latin-1, so any byte gives valid UTF-8.
std::string Latin1ToUtf8(ByteView bytes);

}  // namespace pagewright
