// FormatValue and FormatVariant: the stored bytes of one column value to its
// display text (UTF-8), by the value's type code (values/type_codes.h).
//
// sql_variant values (code 20) as stored:
//   offset width field
//   0      1     base type's system type id
//   1      1     version (ignored)
//   2      ..    base type properties, then the value:
//                  time, datetime2, datetimeoffset  2: scale; value from 3
//                  decimal, numeric                 2: precision, 3: scale; value from 4
//                  binary, varbinary                2-3: max length; value from 4
//                  char, varchar, nchar, nvarchar   2-3: max length, 4-7: collation; value from 8
//                  other base types                 value from 2
//
// Neither function reads outside the view it is given: a value that needs
// more bytes than the view holds (or than the layout's `available` allows)
// gives the empty text. Nothing is reported.
#pragma once

#include <cstdint>
#include <string>

#include "catalog/column_def.h"
#include "storage/byte_view.h"
#include "storage/engine_state.h"
#include "values/value_layout.h"

namespace pagewright {

// The decimal number between the first "(" of `typeText` and the following
// ")"; 0 when there is none or it is not a number.
int32_t DeclaredLengthOf(const std::string& typeText);

// The text of one value. `bytes` with a null data pointer means no value (the
// empty text). Reads the layout's readLength and available and the column's
// typeText, precision, scale and collationId; updates consumedLength (the
// fixed-part bytes the value took), readLength, available and the layout's
// BitState. The 8-bit character codes use the column's collation (`state`);
// the ntext and sql_variant wide-text test falls back to the default ANSI
// code page. An xml value whose conversion gives nothing shows " ".
std::string FormatValue(ValueLayout& layout, ByteView bytes, const ColumnDef& column, const EngineState& state);

// A sql_variant value of `length` bytes held in `bytes` (layout above). Only
// the base types the record list shows give a text; any other base type, or a
// length that does not fit the base type or the view, gives the empty text.
// Sets the layout's consumedLength to 0.
std::string FormatVariant(int64_t length, ValueLayout& layout, ByteView bytes, const ColumnDef& column,
                          const EngineState& state);

// The GUID text of 16 bytes: first three groups little-endian, the rest as
// stored, uppercase, e.g. 33221100-5544-7766-8899-AABBCCDDEEFF.
std::string FormatGuid(ByteView bytes);

// Two uppercase hexadecimal digits per byte, no prefix.
std::string HexText(ByteView bytes);

}  // namespace pagewright
