// Fuzz target: page bytes decoded into rows. The input is a data page (zero
// padded to 8192 bytes); its records are built as a table load builds them
// and decoded against a fixed column list of every type with every decoder
// form, once with large values read and once with the first-screen flags.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "values/row_decoder.h"

namespace {

using namespace pagewright;

class FixedLargeValues final : public LargeValueReader {
 public:
  std::string ReadTextPointer(ByteView pointer, const LargeValueRequest& request) const override {
    return Answer(pointer, request);
  }
  std::string ReadComplex(ByteView column, const LargeValueRequest& request) const override {
    return Answer(column, request);
  }

 private:
  static std::string Answer(ByteView bytes, const LargeValueRequest& request) {
    if (request.collected) request.collected->insert(request.collected->end(), bytes.data(), bytes.data() + bytes.size());
    return std::string(bytes.size() % 3, 'x');
  }
};

std::vector<ColumnDef> MixedColumns() {
  std::vector<ColumnDef> columns;
  for (int32_t code = 0; code <= 34; ++code) {
    ColumnDef column;
    column.typeCode = code;
    column.typeText = "t(" + std::to_string(code % 7 == 0 ? -1 : 2 + code % 9) + ")";
    column.declaredLength = static_cast<int16_t>(2 + code % 9);
    column.variableLength = static_cast<uint8_t>(code % 2);
    column.columnId = code + 1;
    column.physicalColumnId = code == 12 ? -99 : code + 1;
    column.nullable = static_cast<uint8_t>(code % 3 != 0);
    column.hasPhysicalInfo = static_cast<uint8_t>(code % 5 != 0);
    column.statusFlag24 = static_cast<uint8_t>(code == 20 || code == 28);
    column.leafOffset = static_cast<int16_t>(code % 4 == 0 ? -(code / 4) - 1 : 4 + 3 * code);
    column.legacyXOffset = column.leafOffset;
    column.nullBit = code % 6 == 0 ? -1 : code + 1;
    column.precision = 18;
    column.scale = 4;
    columns.push_back(column);
  }
  return columns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<ColumnDef> kColumns = MixedColumns();
  static const FixedLargeValues kLargeValues;
  for (int pass = 0; pass < 2; ++pass) {
    EngineState state;
    state.tableLoadActive = pass == 1;
    state.showDeleted = pass == 1;
    state.legacyCatalog = size > 0 && (data[0] & 1) != 0;
    DatabaseFile file(state);
    for (int form = 0; form < 4; ++form) {
      auto buffer = std::make_unique<PageBuffer>(kPageSize, 0);
      for (size_t index = 0; index < size && index < buffer->size(); ++index) (*buffer)[index] = data[index];
      CDataPage page(std::move(buffer), &file);
      BuildPageRecords(page);
      std::vector<ColumnDef> columns = kColumns;
      RowDecodeContext context{&state, &kLargeValues};
      PageRows rows = DecodePageRows(page, columns, (form & 1) != 0, (form & 2) != 0, context);
      for (const auto& row : rows)
        if (row.size() != columns.size()) __builtin_trap();
    }
  }
  return 0;
}
