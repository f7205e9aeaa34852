// Shared pieces of the row decoder tests: column lists built the way table
// resolution builds them, a page of records decoded through DecodePageRows,
// and a large-value reader that records what it was asked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "catalog/column_def.h"
#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "support/page_writer.h"
#include "support/record_writer.h"
#include "values/row_decoder.h"
#include "values/type_codes.h"
#include "values/value_format.h"

namespace pagewright::rows_test {

using support::Bytes;

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline Bytes Le32(int32_t value) {
  Bytes out;
  support::AppendU32(out, static_cast<uint32_t>(value));
  return out;
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) support::AppendBytes(out, part);
  return out;
}

// A column as table resolution constructs it from (name, typeText, typeCode).
inline ColumnDef Column(const std::string& name, int32_t typeCode, const std::string& typeText, bool nullable = true) {
  namespace tc = type_code;
  ColumnDef column;
  column.name = name;
  column.typeCode = typeCode;
  column.typeText = typeText;
  column.nullable = nullable ? 1 : 0;
  const int32_t declared = DeclaredLengthOf(typeText);
  switch (typeCode) {
    case tc::kBinary: case tc::kChar: case tc::kNChar: case tc::kNumeric: case tc::kDecimal:
      column.declaredLength = static_cast<int16_t>(declared);
      break;
    case tc::kNVarChar: case tc::kText: case tc::kClrType: case tc::kXml:
      column.declaredLength = static_cast<int16_t>(declared);
      column.variableLength = 1;
      break;
    case tc::kUniqueIdentifier: case tc::kVarBinary: case tc::kVarChar: case tc::kImage:
    case tc::kNText: case tc::kSqlVariant:
      column.variableLength = 1;
      break;
    default:
      break;
  }
  return column;
}

// Numbers the columns 1..n (columnId and physicalColumnId).
inline std::vector<ColumnDef> Table(std::vector<ColumnDef> columns) {
  for (size_t index = 0; index < columns.size(); ++index) {
    columns[index].columnId = static_cast<int32_t>(index + 1);
    columns[index].physicalColumnId = static_cast<int32_t>(index + 1);
  }
  return columns;
}

// Gives a column its physical column row: leafOffset and nullBit.
inline ColumnDef& Physical(ColumnDef& column, int16_t leafOffset, int32_t nullBit) {
  column.leafOffset = leafOffset;
  column.nullBit = nullBit;
  column.hasPhysicalInfo = 1;
  return column;
}

// Returns canned texts and records every request.
class FakeLargeValues final : public LargeValueReader {
 public:
  struct Call {
    bool textPointer = false;
    Bytes bytes;
    LargeValueRequest request;
  };
  std::string ReadTextPointer(ByteView pointer, const LargeValueRequest& request) const override {
    return Answer(true, pointer, request);
  }
  std::string ReadComplex(ByteView column, const LargeValueRequest& request) const override {
    return Answer(false, column, request);
  }

  std::string text = "large";
  Bytes collectBytes;  // appended when the request collects
  mutable std::vector<Call> calls;

 private:
  std::string Answer(bool textPointer, ByteView bytes, const LargeValueRequest& request) const {
    calls.push_back({textPointer, bytes.to_vector(), request});
    if (request.collected) {
      request.collected->insert(request.collected->end(), collectBytes.begin(), collectBytes.end());
      return std::string();
    }
    return text;
  }
};

// A 16-byte text pointer (first byte 0) to page 200 slot `slot`.
inline Bytes TextPointer(uint8_t slot = 0) {
  Bytes pointer(16, 0);
  pointer[8] = 200;
  pointer[12] = 1;
  pointer[14] = slot;
  return pointer;
}
// An in-row root (kind 4) or row-overflow pointer (kind 2) with one entry.
inline Bytes ComplexPointer(uint8_t kind) {
  Bytes pointer(24, 0);
  pointer[0] = kind;
  pointer[12] = 100;  // size / end offset
  pointer[16] = 201;  // page
  pointer[20] = 1;    // file
  return pointer;
}

struct Harness {
  EngineState state;
  DatabaseFile file{state};
  FakeLargeValues largeValues;

  // The records placed on one data page, one slot each, decoded.
  PageRows Decode(const std::vector<Bytes>& records, std::vector<ColumnDef>& columns, bool physical,
                  bool module = false) {
    support::PageImage image(page_type::kData, PageId{1, 100});
    for (const Bytes& record : records) image.AddRecord(record);
    return DecodeImage(image, columns, physical, module);
  }
  PageRows DecodeImage(const support::PageImage& image, std::vector<ColumnDef>& columns, bool physical,
                       bool module = false) {
    CDataPage page(std::make_unique<PageBuffer>(image.bytes()), &file);
    BuildPageRecords(page);
    RowDecodeContext context;
    context.state = &state;
    context.largeValues = &largeValues;
    return DecodePageRows(page, columns, physical, module, context);
  }
};

inline std::vector<std::string> Row(std::initializer_list<const char*> texts) {
  return std::vector<std::string>(texts.begin(), texts.end());
}

}  // namespace pagewright::rows_test
