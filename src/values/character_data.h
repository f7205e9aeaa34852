// 8-bit character data (char, varchar, text) to UTF-8, through the code page
// of the column's collation.
//
// The code page of a column: its collation id, when it is neither 0 nor -1,
// is the database's active collation (collation state) or an entry of the
// collation table; otherwise, and for an unknown id, the engine's
// defaultAnsiCodePage. The same code page is used on every screen of a table
// and in every full read.
//
// Conversion runs through ICU. Bytes a code page cannot map become U+FFFD; a
// code page ICU cannot open (or a 16/32-bit one, which cannot be read up to a
// zero byte) turns each byte into the character of the same value.
//
// Large values (text) are converted whole instead (ConvertCodePageBytes):
// zero bytes are kept, and a byte the code page cannot map shows as the
// character of the same value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "storage/byte_view.h"
#include "storage/engine_state.h"

namespace pagewright {

// The code page that 8-bit values of a column with `collationId` are read in.
int32_t ColumnCodePage(int32_t collationId, const EngineState& state);

// The bytes up to the first zero byte converted from `codePage`; nothing when
// the code page cannot be used.
std::optional<std::string> ConvertCodePageText(ByteView bytes, int32_t codePage);

// All the bytes converted from `codePage`, zero bytes included (as U+0000); a
// byte the code page does not define, or a multibyte sequence cut short,
// becomes the character of the same value (U+0000..U+00FF). Nothing when the
// code page cannot be used.
std::optional<std::string> ConvertCodePageBytes(ByteView bytes, int32_t codePage);

// The bytes up to the first zero byte, each becoming the character of the same
// value (U+0000..U+00FF).
std::string WidenBytes(ByteView bytes);

// The bytes up to the first zero byte in `codePage`, widened byte by byte when
// the code page cannot be used. Never fails.
std::string ConvertCodePageOrWiden(ByteView bytes, int32_t codePage);

// A char, varchar or text value of a column with `collationId`. Values are not
// trimmed; everything from the first zero byte on is dropped.
std::string ConvertCharacterData(ByteView bytes, int32_t collationId, const EngineState& state);

}  // namespace pagewright
