#include "values/value_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "values/character_data.h"
#include "values/numeric_format.h"
#include "values/temporal_format.h"
#include "values/type_codes.h"
#include "values/utf16_text.h"
#include "values/xml_converter.h"

namespace pagewright {
namespace {

constexpr int kVariantHeaderLength = 8;

// The zero-filled work buffer that fixed-width values are formatted from: a
// formatter that reads past a short value finds zeros, never foreign bytes.
// Wide enough for the widest fixed value (decimal, 17 bytes) and any
// formatter's reads.
class WorkBuffer {
 public:
  explicit WorkBuffer(ByteView value) {
    const size_t length = std::min(value.size(), bytes_.size());
    if (length > 0) std::memcpy(bytes_.data(), value.data(), length);
  }
  ByteView view() const { return ByteView(bytes_.data(), bytes_.size()); }

 private:
  std::array<uint8_t, 48> bytes_{};
};

std::string Utf16OrAnsiText(ByteView value, const EngineState& state) {
  // Text that is half zero bytes is taken for UTF-16; anything else for 8-bit
  // text in the default code page.
  const size_t zeroCount = static_cast<size_t>(std::count(value.data(), value.data() + value.size(), 0));
  if (zeroCount == value.size() / 2) return DecodeUtf16Text(value);
  return ConvertCodePageOrWiden(value, state.defaultAnsiCodePage);
}

std::string BitText(ValueLayout& layout, ByteView value) {
  BitState* bits = layout.bitState;
  if (bits == nullptr) return std::string();
  if (bits->bitIndex == 8) bits->byteLoaded = 0;
  if (bits->byteLoaded == 0) {
    if (value.empty()) return std::string();  // no byte left to load the bits from
    bits->currentByte = value[0];
    bits->bitIndex = 0;
    bits->byteLoaded = 1;
    bits->byteTaken = 1;
    layout.storageWidth = 1;
    layout.readLength = 1;
    layout.consumedLength = 1;
  } else {
    bits->byteTaken = 0;
    layout.storageWidth = 0;
    layout.consumedLength = 0;
    layout.readLength = 1;
  }
  // A damaged index cannot shift out of range: only 0..7 reach here.
  const int bitIndex = std::clamp(bits->bitIndex, 0, 7);
  const bool set = ((bits->currentByte >> bitIndex) & 1) != 0;
  bits->bitIndex = bitIndex + 1;
  return set ? "True" : "False";
}

// A value the converter cannot decode shows as a single blank.
std::string XmlText(ByteView value) {
  std::string text = ConvertXmlValue(value);
  if (text.empty()) text = " ";
  return text;
}

}  // namespace

int32_t DeclaredLengthOf(const std::string& typeText) {
  const size_t open = typeText.find('(');
  if (open == std::string::npos) return 0;
  const size_t close = typeText.find(')', open + 1);
  if (close == std::string::npos) return 0;
  int32_t value = 0;
  const char* first = typeText.data() + open + 1;
  const char* last = typeText.data() + close;
  if (first != last && *first == '+') ++first;
  auto result = std::from_chars(first, last, value);
  if (result.ec != std::errc()) return 0;
  return value;
}

std::string HexText(ByteView bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.resize(bytes.size() * 2);
  for (size_t index = 0; index < bytes.size(); ++index) {
    text[2 * index] = kDigits[bytes[index] >> 4];
    text[2 * index + 1] = kDigits[bytes[index] & 0x0F];
  }
  return text;
}

std::string FormatGuid(ByteView bytes) {
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(36);
  for (int position = 0; position < 16; ++position) {
    if (position == 4 || position == 6 || position == 8 || position == 10) text.push_back('-');
    const uint8_t byte = bytes[static_cast<size_t>(kOrder[position])];
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

std::string FormatValue(ValueLayout& layout, ByteView bytes, const ColumnDef& column, const EngineState& state) {
  if (bytes.data() == nullptr) return std::string();
  const int32_t declared = DeclaredLengthOf(column.typeText);
  if (layout.isVariable) layout.available = static_cast<uint64_t>(std::max<int16_t>(layout.readLength, 0));
  // A negative declared length ("(-1)" of a max type) is no fixed-part width.
  if (layout.consumedLength == 0) layout.consumedLength = std::max(declared, 0);

  const int32_t code = layout.typeCode;
  if (code == type_code::kSqlVariant) {
    layout.readLength = static_cast<int16_t>(layout.readLength - kVariantHeaderLength);
    if (layout.readLength <= 0) return std::string();
  }
  const int len = layout.readLength;
  const int consumed = layout.consumedLength;

  // The first n bytes, when the layout allows them and the view holds them.
  auto take = [&](int64_t count, ByteView& out) {
    if (count < 0 || static_cast<uint64_t>(count) > layout.available) return false;
    auto part = bytes.sub(0, static_cast<size_t>(count));
    if (!part) return false;
    out = *part;
    return true;
  };
  // The first readLength bytes as far as the view holds them, for the codes
  // whose bytes are the stored value itself.
  const ByteView whole = bytes.clip(0, static_cast<size_t>(std::max(len, 0)));

  ByteView value;
  namespace tc = type_code;
  switch (code) {
    case tc::kBigInt:
      if (!take(len, value)) return std::string();
      return std::to_string(WorkBuffer(value).view().i64_or(0));
    case tc::kBinary:
    case tc::kTimestamp:
      if (!take(len, value)) return std::string();
      return "0x" + HexText(value);
    case tc::kBit:
      return BitText(layout, bytes);
    case tc::kChar:
      if (!take(len, value)) return std::string();
      return ConvertCharacterData(value, column.collationId, state);
    case tc::kDateTime:
      if (!take(8, value)) return std::string();
      return FormatDateTime(value);
    case tc::kDate:
      if (!take(3, value)) return std::string();
      return FormatDate(value);
    case tc::kTime:
      if (!take(consumed, value)) return std::string();
      return FormatTime(WorkBuffer(value).view(), column.scale, consumed);
    case tc::kDateTime2:
      if (!take(consumed, value)) return std::string();
      return FormatDateTime2(WorkBuffer(value).view(), column.scale, consumed);
    case tc::kDateTimeOffset:
      if (!take(consumed, value)) return std::string();
      return FormatDateTimeOffset(WorkBuffer(value).view(), column.scale, consumed);
    case tc::kInt:
      if (!take(len, value)) return std::string();
      return std::to_string(WorkBuffer(value).view().i32_or(0));
    case tc::kNChar:
      if (!take(len, value)) return std::string();
      return DecodeUtf16Text(value);
    case tc::kNVarChar:
      return DecodeUtf16Text(whole);
    case tc::kSmallInt:
      if (!take(len, value)) return std::string();
      return std::to_string(WorkBuffer(value).view().i16_or(0));
    case tc::kTinyInt:
      if (!take(len, value)) return std::string();
      return std::to_string(WorkBuffer(value).view().u8_or(0));
    case tc::kUniqueIdentifier:
      if (!take(len, value)) return std::string();
      return FormatGuid(WorkBuffer(value).view());
    case tc::kVarBinary:
    case tc::kGeometry:
      return HexText(whole);
    case tc::kHierarchyId:
      return "0x" + HexText(whole);
    case tc::kClrType:
      if (!take(len, value)) return std::string();
      return HexText(value);
    case tc::kVarChar:
    case tc::kText:
      return ConvertCharacterData(whole, column.collationId, state);
    case tc::kNText:
    case tc::kSqlVariant:
      return Utf16OrAnsiText(whole, state);
    case tc::kMoney:
      if (!take(consumed, value)) return std::string();
      return FormatMoney(WorkBuffer(value).view());
    case tc::kFloat:
      if (!take(len, value)) return std::string();
      return FormatFloat(WorkBuffer(value).view(), true);
    case tc::kNumeric:
    case tc::kDecimal:
      if (!take(consumed, value)) return std::string();
      return FormatDecimal(WorkBuffer(value).view(), column.precision, column.scale);
    case tc::kSmallDateTime:
      if (!take(4, value)) return std::string();
      return FormatSmallDateTime(value);
    case tc::kReal:
      if (!take(len, value)) return std::string();
      return FormatReal(WorkBuffer(value).view(), true);
    case tc::kSmallMoney:
      if (!take(consumed, value)) return std::string();
      return FormatSmallMoney(WorkBuffer(value).view());
    case tc::kXml:
      return XmlText(whole);
    default:
      return std::string();  // 12, 18, 25 and codes above 34 are not shown
  }
}

std::string FormatVariant(int64_t length, ValueLayout& layout, ByteView bytes, const ColumnDef& column,
                          const EngineState& state) {
  layout.consumedLength = 0;
  if (length < 2 || static_cast<uint64_t>(length) > bytes.size()) return std::string();
  const ByteView stored = bytes.clip(0, static_cast<size_t>(length));
  const int64_t n = length;
  // The value bytes from `offset` to the end of the stored value.
  auto from = [&stored](size_t offset) { return stored.from(offset); };

  namespace st = system_type;
  switch (stored[0]) {
    case st::kUniqueIdentifier:
      return n == 18 ? FormatGuid(from(2)) : std::string();
    case st::kDate:
      return n == 5 ? FormatDate(from(2)) : std::string();
    case st::kTime:
    case st::kDateTime2:
    case st::kDateTimeOffset: {
      if (n <= 3) return std::string();
      const int scale = stored[2];
      const int valueLength = static_cast<int>(n - 3);
      const WorkBuffer buffer(from(3));
      const ByteView value = buffer.view();
      if (stored[0] == st::kTime) return FormatTime(value, scale, valueLength);
      if (stored[0] == st::kDateTime2) return FormatDateTime2(value, scale, valueLength);
      return FormatDateTimeOffset(value, scale, valueLength);
    }
    case st::kTinyInt:
      return n == 3 ? std::to_string(stored[2]) : std::string();
    case st::kSmallInt:
      return n == 4 ? std::to_string(stored.i16_or(2)) : std::string();
    case st::kInt:
      return n == 6 ? std::to_string(stored.i32_or(2)) : std::string();
    case st::kSmallDateTime:
      return n == 6 ? FormatSmallDateTime(from(2)) : std::string();
    case st::kReal:
      return n == 6 ? FormatReal(from(2), false) : std::string();
    case st::kMoney:
      return n == 10 ? FormatMoney(from(2)) : std::string();
    case st::kDateTime:
      return n == 10 ? FormatDateTime(from(2)) : std::string();
    case st::kFloat:
      return n == 10 ? FormatFloat(from(2), false) : std::string();
    case st::kBit:
      return n == 3 ? (stored[2] != 0 ? "True" : "False") : std::string();
    case st::kDecimal:
    case st::kNumeric:
      return n > 4 ? FormatDecimal(WorkBuffer(from(4)).view(), stored[2], stored[3]) : std::string();
    case st::kSmallMoney:
      return n == 6 ? FormatSmallMoney(from(2)) : std::string();
    case st::kBigInt:
      return n == 10 ? std::to_string(stored.i64_or(2)) : std::string();
    case st::kVarBinary:
    case st::kBinary:
      return n > 4 ? ConvertCodePageOrWiden(from(4), state.defaultAnsiCodePage) : std::string();
    case st::kVarChar:
      return n > kVariantHeaderLength ? WidenBytes(from(kVariantHeaderLength)) : std::string();
    case st::kChar:
      return n > kVariantHeaderLength ? ConvertCodePageOrWiden(from(kVariantHeaderLength), state.defaultAnsiCodePage)
                                      : std::string();
    case st::kNVarChar:
    case st::kNChar:
      return n > kVariantHeaderLength ? DecodeUtf16Text(from(kVariantHeaderLength)) : std::string();
    case st::kClrType:
      return n > 2 ? "0x" + HexText(from(2)) : std::string();
    default:
      return std::string();
  }
}

}  // namespace pagewright
