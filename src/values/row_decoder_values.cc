// The value steps shared by the row decoders: fixed values, variable values
// and large-value pointers, sparse and compressed values, the "0x" prefix.
#include <algorithm>
#include <limits>

#include "values/character_data.h"
#include "values/row_decoder_internal.h"
#include "values/type_codes.h"
#include "values/value_format.h"

#if __has_include("values/xml_converter.h")
#include "values/xml_converter.h"
#define PAGEWRIGHT_ROWS_HAVE_XML 1
#else
#define PAGEWRIGHT_ROWS_HAVE_XML 0
#endif

namespace pagewright::row_decoding {
namespace {

namespace tc = type_code;

// A text pointer is 16 bytes; in-row roots and row-overflow pointers start
// with their kind.
constexpr size_t kTextPointerLength = 16;
constexpr uint8_t kRowOverflowKind = 2;
constexpr uint8_t kInRowRootKind = 4;
// sql_variant values held as module rows: the value follows an 8-byte header.
constexpr size_t kVariantHeaderLength = 8;

int16_t ClampLength(size_t length) {
  return static_cast<int16_t>(std::min<size_t>(length, std::numeric_limits<int16_t>::max()));
}

bool IsEightBitText(int32_t code) { return code == tc::kChar || code == tc::kVarChar || code == tc::kText; }

// Codes whose values are stored as they are, not at a fixed width.
bool IsVariableCode(int32_t code) {
  switch (code) {
    case tc::kNVarChar:
    case tc::kVarBinary:
    case tc::kVarChar:
    case tc::kNText:
    case tc::kSqlVariant:
    case tc::kImage:
    case tc::kText:
    case tc::kHierarchyId:
    case tc::kGeometry:
    case tc::kClrType:
    case tc::kXml:
      return true;
    default:
      return false;
  }
}

LargeValueRequest RequestFor(const PageEnv& env, const CPrimaryRecord& record, const ValueLayout& layout,
                             const ColumnDef& column) {
  LargeValueRequest request;
  request.fromDeletedRow = record.isDeletedRow();
  switch (layout.typeCode) {
    case tc::kVarBinary:
    case tc::kClrType:
      request.asHex = true;
      break;
    case tc::kSqlVariant:
      request.hasTypeHeader = true;
      break;
    case tc::kNVarChar:
    case tc::kNText:
      request.narrow = true;
      break;
    default:
      break;
  }
  if (IsEightBitText(layout.typeCode)) request.codePage = ColumnCodePage(column.collationId, *env.state);
  return request;
}

std::string XmlOf(const std::vector<uint8_t>& bytes) {
#if PAGEWRIGHT_ROWS_HAVE_XML
  return ConvertXmlValue(ByteView(bytes));
#else
  (void)bytes;
  return std::string();
#endif
}

enum class Pointer { kTextPointer, kComplex };

// Reads a large value, or gives the placeholder the form shows instead.
ValueText ReadLargeValue(const PageEnv& env, const CPrimaryRecord& record, Pointer pointer, ByteView bytes,
                         const ValueLayout& layout, const ColumnDef& column) {
  ValueText value;
  if (!env.largeValues) {
    value.read = true;
    return value;
  }
  LargeValueRequest request = RequestFor(env, record, layout, column);
  if (layout.typeCode == tc::kXml) {
    // xml arrives as raw fragments; the general module form keeps them
    // unconverted (its text stays empty).
    std::vector<uint8_t> collected;
    request.collected = &collected;
    if (pointer == Pointer::kTextPointer) env.largeValues->ReadTextPointer(bytes, request);
    else env.largeValues->ReadComplex(bytes, request);
    if (env.form != Form::kGeneralModule) value.text = XmlOf(collected);
    value.read = true;
    return value;
  }
  value.text = pointer == Pointer::kTextPointer ? env.largeValues->ReadTextPointer(bytes, request)
                                                : env.largeValues->ReadComplex(bytes, request);
  value.read = true;
  return value;
}

ValueText Placeholder(const char* text) {
  ValueText value;
  value.text = text;
  return value;
}

}  // namespace

void RecordCursor::Reset(const CPrimaryRecord& record) {
  bits = BitState{};
  fixedPosition = 0;
  varIndex = 0;
  handled = 0;
  if (released) released->assign(record.varValues.size(), 0);
}

bool NullBitSet(const CPrimaryRecord& record, int64_t bit) {
  if (bit < 0 || record.nullBitmap.empty()) return false;
  const uint64_t byteIndex = static_cast<uint64_t>(bit) / 8;
  if (byteIndex >= record.nullBitmap.size()) return false;
  return ((record.nullBitmap[byteIndex] >> (bit % 8)) & 1) != 0;
}

int32_t FixedPartLength(const CPrimaryRecord& record) {
  if (record.fixedData.empty() || record.fixedLength <= 0) return 0;
  return static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(record.fixedLength), record.fixedData.size()));
}

bool FormatFixedAt(const PageEnv& env, const CPrimaryRecord& record, int32_t position, ValueLayout& layout,
                   const ColumnDef& column, std::string& text) {
  const int32_t length = FixedPartLength(record);
  if (record.fixedData.empty() || position < 0 || position > length) return false;
  layout.available = static_cast<uint64_t>(length - position);
  text = FormatValue(layout, ByteView(record.fixedData.data() + position, static_cast<size_t>(length - position)),
                     column, *env.state);
  return true;
}

ValueText DecodeStoredVariable(const PageEnv& env, const CPrimaryRecord& record, bool isComplex, ByteView bytes,
                               bool hasData, ValueLayout& layout, const ColumnDef& column) {
  const bool module = IsModuleForm(env.form);
  if (isComplex) {
    if (!hasData) return ValueText{};
    const bool textPointer =
        bytes.size() == kTextPointerLength && (env.form == Form::kGeneralModule || bytes[0] == 0);
    if (textPointer) {
      if (env.form == Form::kGeneral && env.tableLoadActive && layout.typeCode != tc::kXml)
        return Placeholder(kBinaryPlaceholder);
      return ReadLargeValue(env, record, Pointer::kTextPointer, bytes, layout, column);
    }
    switch (bytes[0]) {
      case kRowOverflowKind:
        return ReadLargeValue(env, record, Pointer::kComplex, bytes, layout, column);
      case kInRowRootKind:
        if (!module && env.tableLoadActive && (env.form == Form::kGeneral || layout.typeCode != tc::kXml))
          return Placeholder(kBigBinaryPlaceholder);
        return ReadLargeValue(env, record, Pointer::kComplex, bytes, layout, column);
      default:
        return ValueText{};  // a sparse vector or a pointer of no known kind
    }
  }

  ValueText value;
  value.read = true;
  layout.readLength = ClampLength(bytes.size());
  if (!hasData) return value;
  if (layout.typeCode == tc::kSqlVariant) {
    if (env.form == Form::kGeneralModule) {
      // FormatValue takes the 8 header bytes off readLength itself.
      value.text = FormatValue(layout, bytes.from(kVariantHeaderLength), column, *env.state);
    } else {
      value.text = FormatVariant(static_cast<int64_t>(bytes.size()), layout, bytes, column, *env.state);
    }
    return value;
  }
  value.text = FormatValue(layout, bytes, column, *env.state);
  return value;
}

ValueText DecodeVariableValue(const PageEnv& env, const CPrimaryRecord& record, RecordCursor& cursor, size_t index,
                              ValueLayout& layout, const ColumnDef& column) {
  const ColumnBytes* entry = record.varValue(index);
  ++cursor.varIndex;
  if (!entry) {
    ++cursor.handled;
    ValueText value;
    value.read = true;
    return value;
  }
  if (layout.typeCode == tc::kImage) layout.typeCode = tc::kVarBinary;
  const bool released = cursor.released && index < cursor.released->size() && (*cursor.released)[index];
  const bool hasData = entry->hasData() && !released;
  // A large-value pointer without its bytes is damage: the column shows
  // nothing, and it does not count as handled.
  if (entry->isComplex && !hasData) return ValueText{};
  ValueText value = DecodeStoredVariable(env, record, entry->isComplex, ByteView(entry->data), hasData, layout, column);
  if (cursor.released && index < cursor.released->size()) (*cursor.released)[index] = 1;
  ++cursor.handled;
  return value;
}

ValueText DecodeSparseValue(const PageEnv& env, const CPrimaryRecord& record, ValueLayout& layout,
                            const ColumnDef& column) {
  ValueText value;
  if (!record.sparseVector) return value;
  for (const ColumnBytes& entry : record.sparseVector->columns) {
    if (entry.columnId != column.columnId || !entry.hasData()) continue;
    layout.readLength = ClampLength(entry.data.size());
    layout.available = entry.data.size();
    value.text = FormatValue(layout, ByteView(entry.data), column, *env.state);
    value.read = true;
    break;
  }
  return value;
}

bool IsExpandedCompressed(const CPrimaryRecord& record) {
  return record.isCompressed && !record.columnState.empty();
}

ValueText DecodeCompressedValue(const PageEnv& env, const CPrimaryRecord& record, size_t storedIndex,
                                ValueLayout& layout, const ColumnDef& column) {
  ValueText value;
  if (storedIndex >= record.columnState.size() || storedIndex >= record.expandedValues.size()) {
    value.text = UnreachedText(env, column);
    return value;
  }
  if (record.columnState[storedIndex].isNull) {
    if (env.form != Form::kGeneralModule) value.text = "NULL";
    return value;
  }
  const ColumnBytes& stored = record.expandedValues[storedIndex];
  const ByteView bytes(stored.data);
  if (layout.typeCode == tc::kImage) layout.typeCode = tc::kVarBinary;
  if (stored.isComplex || layout.isVariable || IsVariableCode(layout.typeCode))
    return DecodeStoredVariable(env, record, stored.isComplex, bytes, stored.hasData(), layout, column);

  value.read = true;
  if (!stored.hasData()) return value;
  // Expanded values stand alone: a bit column's value is one byte 0 or 1.
  BitState ownBits;
  if (layout.bitState) layout.bitState = &ownBits;
  layout.available = bytes.size();
  value.text = FormatValue(layout, bytes, column, *env.state);
  return value;
}

void ApplyHexPrefix(const PageEnv& env, const ValueLayout& layout, ValueText& value) {
  if (layout.typeCode != tc::kVarBinary && layout.typeCode != tc::kClrType) return;
  if (!value.read || value.text == " ") return;
  if (IsModuleForm(env.form) && value.text.empty()) return;
  value.text.insert(0, "0x");
}

std::string UnreachedText(const PageEnv& env, const ColumnDef& column) {
  if (!IsModuleForm(env.form) && column.nullable) return "NULL";
  return std::string();
}

}  // namespace pagewright::row_decoding
