// Pieces shared by the row decoders (values/row_decoder.h): the per-page
// environment, the per-record cursor, and the value steps that the physical,
// general and module decoders have in common.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/column_def.h"
#include "storage/engine_state.h"
#include "storage/record.h"
#include "values/row_decoder.h"
#include "values/value_layout.h"

namespace pagewright::row_decoding {

// physicalColumnId of a column without storage (computed, or dropped).
inline constexpr int32_t kNoStorage = -99;

// Which rules a decoder follows for large values and the "0x" prefix.
enum class Form {
  kPhysical,       // table rows, physical-layout decoder
  kGeneral,        // table rows, general decoder
  kPhysicalModule, // module rows, physical-layout decoder
  kGeneralModule,  // module rows, general decoder
};

inline bool IsModuleForm(Form form) { return form == Form::kPhysicalModule || form == Form::kGeneralModule; }

// Flags of one page's decode, read once before its first record.
struct PageEnv {
  const EngineState* state = nullptr;  // never null
  const LargeValueReader* largeValues = nullptr;
  bool tableLoadActive = false;
  bool legacyCatalog = false;
  bool showDeleted = false;
  Form form = Form::kPhysical;
};

// The running state of one record.
struct RecordCursor {
  BitState bits;
  int32_t fixedPosition = 0;  // running position in the fixed part
  int32_t varIndex = 0;       // running variable-value counter
  int32_t handled = 0;        // columns handled so far
  // One flag per variable value: its bytes were used by an earlier column.
  std::vector<uint8_t>* released = nullptr;

  void Reset(const CPrimaryRecord& record);
};

// What a value step produced.
struct ValueText {
  std::string text;
  bool read = false;  // a stored value was read (the hexadecimal prefix applies)
  bool keep = false;  // write nothing: the column keeps its text
};

// Bit `bit` of the record's null bitmap (least significant bit first); false
// without a bitmap or when the bit lies past it.
bool NullBitSet(const CPrimaryRecord& record, int64_t bit);

// The usable length of the record's fixed part (0 without fixed data).
int32_t FixedPartLength(const CPrimaryRecord& record);

// Formats the fixed value at `position` of the fixed part when the position
// lies within it (position == length gives an empty view, hence an empty text).
// Returns false, without formatting, when it lies outside.
bool FormatFixedAt(const PageEnv& env, const CPrimaryRecord& record, int32_t position, ValueLayout& layout,
                   const ColumnDef& column, std::string& text);

// Step 12 for variable value `index` (which may not exist): the large-value
// pointers, in-row values, sql_variant, the release of used bytes. Advances
// the running variable counter; counts the column as handled unless the text
// is kept. May change the layout's type code (image is shown as varbinary).
ValueText DecodeVariableValue(const PageEnv& env, const CPrimaryRecord& record, RecordCursor& cursor, size_t index,
                              ValueLayout& layout, const ColumnDef& column);

// A large value or a value from the record's own bytes (complex flag, bytes),
// read as the form's rules say. Used for FixedVar entries and compressed long
// values alike.
ValueText DecodeStoredVariable(const PageEnv& env, const CPrimaryRecord& record, bool isComplex, ByteView bytes,
                               bool hasData, ValueLayout& layout, const ColumnDef& column);

// The sparse column's value from the record's sparse vector (empty when the
// vector has no entry with data for the column).
ValueText DecodeSparseValue(const PageEnv& env, const CPrimaryRecord& record, ValueLayout& layout,
                            const ColumnDef& column);

// A column of an expanded compressed record: `storedIndex` is its position
// among the record's columns. Null values give "NULL" in the table forms and
// in the physical module form, an empty text in the general module form.
ValueText DecodeCompressedValue(const PageEnv& env, const CPrimaryRecord& record, size_t storedIndex,
                                ValueLayout& layout, const ColumnDef& column);

// The record is an expanded compressed record (its values are taken from
// expandedValues).
bool IsExpandedCompressed(const CPrimaryRecord& record);

// Puts "0x" in front of a varbinary or CLR value that was read; the table
// forms prefix an empty value too, the module forms only a non-empty one;
// the single blank of an unreadable large value stays as it is.
void ApplyHexPrefix(const PageEnv& env, const ValueLayout& layout, ValueText& value);

// The text of a column the record does not reach: "NULL" for a nullable
// column in the table forms, else empty.
std::string UnreachedText(const PageEnv& env, const ColumnDef& column);

// The decoders: each decodes one accepted record into the columns' texts.
void DecodePhysicalRecord(const PageEnv& env, const CPrimaryRecord& record, std::vector<ColumnDef>& columns,
                          RecordCursor& cursor);
void DecodeGeneralRecord(const PageEnv& env, const CPrimaryRecord& record, std::vector<ColumnDef>& columns,
                         RecordCursor& cursor);
void DecodeGeneralModuleRecord(const PageEnv& env, const CPrimaryRecord& record, std::vector<ColumnDef>& columns,
                               RecordCursor& cursor);

}  // namespace pagewright::row_decoding
