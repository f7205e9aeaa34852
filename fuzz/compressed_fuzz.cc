// Fuzz target: CD records and page compression information. The input is
// placed after a page header flagged 0x80, read as the page's compression
// information, and read as a CD record expanded against that information
// for a column list of every stored form.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/compressed_record.h"
#include "storage/compression_info.h"
#include "storage/page_header.h"

namespace {

std::vector<pagewright::ColumnDef> MixedColumns() {
  std::vector<pagewright::ColumnDef> columns;
  const int32_t codes[] = {9, 2, 11, 0, 24, 10, 4, 17, 27, 22, 7, 1, 13, 3, 2, 14, 16, 21, 5, 8, 15, 30};
  for (int32_t code : codes) {
    pagewright::ColumnDef column;
    column.typeCode = code;
    column.declaredLength = 12;
    column.precision = 18;
    column.scale = 4;
    columns.push_back(column);
  }
  return columns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<pagewright::ColumnDef> columns = MixedColumns();
  std::vector<uint8_t> page(pagewright::kPageSize, 0);
  for (size_t index = 0; index < size && 96 + index < page.size(); ++index) page[96 + index] = data[index];
  auto info = pagewright::ParseCompressionInfo(pagewright::ByteView(page), 0x80);

  pagewright::CPrimaryRecord record;
  record.isCompressed = true;
  record.rawRecord.assign(data, data + size);
  pagewright::ParseCompressedRecord(record, true);
  pagewright::ExpandCompressedRecord(record, info.get(), columns);
  return 0;
}
