// Fuzz target: FormatValue and FormatVariant over any bytes. The first four
// bytes choose the type code, precision, scale and declared length; the rest
// is the value. Each value is formatted with the view cut to the layout's
// read length and with `available` smaller than the view, and as a
// sql_variant of every length up to the view's size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalog/column_def.h"
#include "storage/byte_view.h"
#include "storage/engine_state.h"
#include "values/value_format.h"
#include "values/value_layout.h"

using namespace pagewright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  ColumnDef column;
  column.typeCode = data[0] % 40 - 2;  // a few codes outside the known range too
  column.precision = data[1] % 40;
  column.scale = data[1] / 40 % 40;
  column.declaredLength = static_cast<int16_t>(data[2] | ((data[3] & 0x7F) << 8));
  column.variableLength = static_cast<uint8_t>(data[3] >> 7);
  column.typeText = "t(" + std::to_string(data[3] & 1 ? -1 : column.declaredLength) + ")";
  column.collationId = data[2];
  const ByteView value(data + 4, size - 4);
  EngineState state;
  state.defaultAnsiCodePage = data[1] & 1 ? 1252 : 932;

  for (int cut = 0; cut < 2; ++cut) {
    BitState bits;
    ValueLayout layout = MakeValueLayout(column, column.typeCode, &bits);
    layout.available = cut == 0 ? value.size() : value.size() / 2;
    std::string text = FormatValue(layout, value, column, state);
    if (layout.consumedLength < 0) __builtin_trap();
  }
  for (size_t length = 0; length <= value.size() && length < 64; ++length) {
    BitState bits;
    ValueLayout layout = MakeValueLayout(column, 20, &bits);
    layout.available = value.size();
    std::string text = FormatVariant(static_cast<int64_t>(length), layout, value, column, state);
    if (layout.consumedLength != 0) __builtin_trap();
  }
  return 0;
}
