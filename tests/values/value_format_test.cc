#include "values/value_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "values/type_codes.h"

namespace pagewright {
namespace {

namespace tc = type_code;

ColumnDef Column(int32_t typeCode, const std::string& typeText, uint8_t precision = 0, uint8_t scale = 0) {
  ColumnDef column;
  column.typeCode = typeCode;
  column.typeText = typeText;
  column.declaredLength = static_cast<int16_t>(DeclaredLengthOf(typeText));
  column.precision = precision;
  column.scale = scale;
  column.variableLength = 0;
  return column;
}

// A fixed-part value: all of `bytes` is available.
std::string FormatFixed(const ColumnDef& column, const std::vector<uint8_t>& bytes, const EngineState& state) {
  ValueLayout layout = MakeValueLayout(column, column.typeCode, nullptr);
  layout.available = bytes.size();
  return FormatValue(layout, ByteView(bytes), column, state);
}

// A variable-length value: the bytes are the stored value.
std::string FormatVariable(ColumnDef column, const std::vector<uint8_t>& bytes, const EngineState& state) {
  column.variableLength = 1;
  ValueLayout layout = MakeValueLayout(column, column.typeCode, nullptr);
  layout.readLength = static_cast<int16_t>(bytes.size());
  return FormatValue(layout, ByteView(bytes), column, state);
}

TEST(TypeCodes, SystemTypeIdsMapToCodes) {
  const std::vector<std::pair<uint8_t, int32_t>> cases = {
      {127, 0},  {173, 1},  {104, 2},  {175, 3},  {61, 4},   {40, 5},   {41, 6},   {42, 7},   {43, 8},
      {56, 9},   {239, 10}, {231, 11}, {52, 13},  {48, 14},  {36, 15},  {165, 16}, {167, 17}, {232, 18},
      {99, 19},  {98, 20},  {60, 21},  {62, 22},  {108, 23}, {106, 24}, {34, 26},  {35, 26},  {58, 27},
      {59, 28},  {122, 29}, {189, 30}, {240, 33}, {241, 34}, {0, 3},    {200, 3},  {255, 3},
  };
  for (const auto& [systemTypeId, code] : cases) EXPECT_EQ(SystemTypeToCode(systemTypeId), code) << +systemTypeId;
}

TEST(ValueLayoutRules, WidthsByCode) {
  struct Case {
    int32_t code;
    uint8_t isVariable;
    int16_t storageWidth;
    int16_t readLength;
  };
  // Declared length 7, variableLength 1 on the column.
  const std::vector<Case> cases = {
      {tc::kBigInt, 0, 8, 8},   {tc::kBinary, 0, 7, 7},   {tc::kDate, 0, 3, 3},         {tc::kTime, 0, 5, 5},
      {tc::kDateTimeOffset, 0, 10, 10},                   {tc::kInt, 0, 4, 4},          {tc::kNChar, 1, 7, 7},
      {tc::kSqlVariant, 1, 7, 7},                         {tc::kSmallInt, 0, 2, 2},     {tc::kTinyInt, 0, 1, 1},
      {tc::kUniqueIdentifier, 0, 16, 16},                 {tc::kVarBinary, 1, 0, 7},    {tc::kXml, 1, 0, 7},
      {tc::kVarChar, 1, 0, 7},  {tc::kNumeric, 0, 19, 19}, {tc::kSystemType232, 0, 0, 0}, {35, 0, 0, 0},
  };
  ColumnDef column = Column(0, "x(7)");
  column.variableLength = 1;
  for (const auto& c : cases) {
    const ValueLayout layout = MakeValueLayout(column, c.code, nullptr);
    EXPECT_EQ(layout.isVariable, c.isVariable) << c.code;
    EXPECT_EQ(layout.storageWidth, c.storageWidth) << c.code;
    EXPECT_EQ(layout.readLength, c.readLength) << c.code;
    EXPECT_EQ(layout.typeCode, c.code);
  }
}

TEST(ValueFormat, FixedValues) {
  EngineState state;
  struct Case {
    const char* name;
    ColumnDef column;
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  std::vector<uint8_t> guid;
  for (int value = 0; value < 16; ++value) guid.push_back(static_cast<uint8_t>(value * 0x11));
  const std::vector<Case> cases = {
      {"int", Column(tc::kInt, "int(4)"), {0xFE, 0xFF, 0xFF, 0xFF}, "-2"},
      {"smallint", Column(tc::kSmallInt, "smallint(2)"), {0x00, 0x80}, "-32768"},
      {"tinyint", Column(tc::kTinyInt, "tinyint(1)"), {0xFF}, "255"},
      {"bigint", Column(tc::kBigInt, "bigint(8)"), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
       "9223372036854775807"},
      {"binary", Column(tc::kBinary, "binary(3)"), {0x0A, 0x0B, 0x0C}, "0x0A0B0C"},
      {"timestamp", Column(tc::kTimestamp, "timestamp(8)"), {0, 0, 0, 0, 0, 0, 0x07, 0xD1}, "0x00000000000007D1"},
      {"uniqueidentifier", Column(tc::kUniqueIdentifier, "uniqueidentifier(16)"), guid,
       "33221100-5544-7766-8899-AABBCCDDEEFF"},
      {"char keeps blanks", Column(tc::kChar, "char(5)"), {'a', 'b', ' ', ' ', ' '}, "ab   "},
      {"nchar", Column(tc::kNChar, "nchar(8)"), {'a', 0, 'b', 0, 0, 0, 0, 0}, "ab"},
      {"datetime", Column(tc::kDateTime, "datetime(8)"), {0x2C, 0x01, 0, 0, 0, 0, 0, 0}, "1900-01-01 00:00:01"},
      {"smalldatetime", Column(tc::kSmallDateTime, "smalldatetime(4)"), {0x9F, 0x05, 0, 0}, "1900-01-01 23:59:00"},
      {"date", Column(tc::kDate, "date(3)"), {0x28, 0x3E, 0x0B}, "2018-04-25"},
      {"time(7) in 5 bytes", Column(tc::kTime, "time(5)", 16, 7), {0x05, 0x10, 0xAC, 0xD1, 0x53}, "10:00:00.0000005"},
      {"datetime2(0) in 6 bytes", Column(tc::kDateTime2, "datetime2(6)", 19, 0), {0x4D, 0x0E, 0x00, 0x28, 0x3E, 0x0B},
       "2018-04-25 01:01:01"},
      {"datetimeoffset(0)", Column(tc::kDateTimeOffset, "datetimeoffset(8)", 26, 0),
       {0x58, 0x4D, 0x00, 0x28, 0x3E, 0x0B, 0xB6, 0xFE}, "2018-04-25 00:00:00 -5:30"},
      {"money", Column(tc::kMoney, "money(8)"), {0x78, 0xEC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "-0.5000"},
      {"smallmoney", Column(tc::kSmallMoney, "smallmoney(4)"), {0x40, 0xE2, 0x01, 0x00}, "12.3456"},
      {"float", Column(tc::kFloat, "float(8)"), {0, 0, 0, 0, 0, 0, 0xF0, 0x7F}, "0"},  // infinity
      {"real", Column(tc::kReal, "real(4)"), {0x38, 0xB4, 0x96, 0x49}, "1.23457e+006"},
      {"decimal(5,2)", Column(tc::kDecimal, "decimal(5)", 5, 2), {0x01, 0x39, 0x30, 0x00, 0x00}, "123.45"},
      {"numeric(5,2) negative", Column(tc::kNumeric, "numeric(5)", 5, 2), {0x00, 0x39, 0x30, 0x00, 0x00}, "-123.45"},
      {"code 12", Column(tc::kUnused12, "x(4)"), {1, 2, 3, 4}, ""},
      {"code 18", Column(tc::kSystemType232, "x(4)"), {1, 2, 3, 4}, ""},
      {"code 25", Column(tc::kImage, "image(16)"), {1, 2, 3, 4}, ""},
      {"code above 34", Column(35, "x(4)"), {1, 2, 3, 4}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.column, c.bytes, state), c.expected) << c.name;
}

TEST(ValueFormat, TooFewBytesGiveEmptyText) {
  EngineState state;
  struct Case {
    const char* name;
    ColumnDef column;
    std::vector<uint8_t> bytes;  // all of them available
  };
  const std::vector<Case> cases = {
      {"int with 3 bytes left", Column(tc::kInt, "int(4)"), {1, 2, 3}},
      {"datetime with 7", Column(tc::kDateTime, "datetime(8)"), {1, 2, 3, 4, 5, 6, 7}},
      {"decimal one short", Column(tc::kDecimal, "decimal(5)", 5, 2), {1, 2, 3, 4}},
      {"time one short", Column(tc::kTime, "time(5)", 16, 7), {1, 2, 3, 4}},
      {"uniqueidentifier", Column(tc::kUniqueIdentifier, "uniqueidentifier(16)"), std::vector<uint8_t>(15, 1)},
      {"binary", Column(tc::kBinary, "binary(3)"), {1, 2}},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.column, c.bytes, state), "") << c.name;

  // `available` limits the read even when the view holds more bytes.
  const ColumnDef intColumn = Column(tc::kInt, "int(4)");
  const std::vector<uint8_t> bytes = {1, 0, 0, 0, 9, 9};
  ValueLayout layout = MakeValueLayout(intColumn, tc::kInt, nullptr);
  layout.available = 3;
  EXPECT_EQ(FormatValue(layout, ByteView(bytes), intColumn, state), "");
  // And the view limits it when `available` claims more than it holds.
  layout.available = 100;
  EXPECT_EQ(FormatValue(layout, ByteView(bytes.data(), 2), intColumn, state), "");
  // No bytes at all.
  EXPECT_EQ(FormatValue(layout, ByteView(), intColumn, state), "");
}

TEST(ValueFormat, ConsumedLengthComesFromTheTypeText) {
  EngineState state;
  const ColumnDef column = Column(tc::kTime, "time(3)", 8, 0);
  const std::vector<uint8_t> bytes = {0x4D, 0x0E, 0x00, 0xFF, 0xFF};
  ValueLayout layout = MakeValueLayout(column, tc::kTime, nullptr);
  layout.available = bytes.size();
  EXPECT_EQ(FormatValue(layout, ByteView(bytes), column, state), "01:01:01");
  EXPECT_EQ(layout.consumedLength, 3);
}

TEST(ValueFormat, VariableValues) {
  EngineState state;
  struct Case {
    const char* name;
    ColumnDef column;
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"varbinary has no prefix", Column(tc::kVarBinary, "varbinary(50)"), {0x0A, 0x0B, 0x0C}, "0A0B0C"},
      {"hierarchyid has one", Column(tc::kHierarchyId, "hierarchyid(892)"), {0x58}, "0x58"},
      {"geometry has none", Column(tc::kGeometry, "geometry(-1)"), {0xE6, 0x10}, "E610"},
      {"other CLR type", Column(tc::kClrType, "clr(-1)"), {0x01, 0xFF}, "01FF"},
      {"varchar cut at zero", Column(tc::kVarChar, "varchar(10)"), {0x61, 0x00, 0x62}, "a"},
      {"text", Column(tc::kText, "text(16)"), {'h', 'i'}, "hi"},
      {"nvarchar", Column(tc::kNVarChar, "nvarchar(20)"), {0x1F, 0x04, 0x40, 0x04}, "\xD0\x9F\xD1\x80"},
      {"ntext as UTF-16", Column(tc::kNText, "ntext(16)"), {0x61, 0, 0x62, 0, 0x63, 0}, "abc"},
      {"ntext as 8-bit", Column(tc::kNText, "ntext(16)"), {0x61, 0x62, 0x63}, "abc"},
      {"ntext 8-bit in the default code page", Column(tc::kNText, "ntext(16)"), {0x80, 0x41, 0x42}, "\xE2\x82\xAC" "AB"},
      {"empty varbinary", Column(tc::kVarBinary, "varbinary(50)"), {}, ""},
      {"xml the converter cannot read", Column(tc::kXml, "xml(-1)"), {0x01, 0x02}, " "},
      {"xml", Column(tc::kXml, "xml(-1)"),
       {0xDF, 0xFF, 0x01, 0xB0, 0x04, 0xF0, 0x01, 0x61, 0x00, 0xEF, 0x00, 0x00, 0x01, 0xF8, 0x01, 0xF0, 0x01, 0x62,
        0x00, 0xEF, 0x00, 0x00, 0x02, 0xF6, 0x02, 0x11, 0x01, 0x31, 0x00, 0xF5, 0x11, 0x01, 0x78, 0x00, 0xF7},
       "<a b=\"1\">x</a>"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatVariable(c.column, c.bytes, state), c.expected) << c.name;
}

TEST(ValueFormat, SqlVariantThroughFormatValueDropsLastEightBytes) {
  EngineState state;
  const ColumnDef column = Column(tc::kSqlVariant, "sql_variant(8016)");
  std::vector<uint8_t> bytes = {'a', 'b', 'c', 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(FormatVariable(column, bytes, state), "abc");
  bytes.resize(8);
  EXPECT_EQ(FormatVariable(column, bytes, state), "");
}

TEST(ValueFormat, BitColumnsShareBytes) {
  EngineState state;
  const ColumnDef bit = Column(tc::kBit, "bit(1)");
  BitState bits;
  // Nine bit columns: 05 carries the first eight, 01 the ninth.
  const std::vector<uint8_t> firstByte = {0x05};
  const std::vector<uint8_t> secondByte = {0x01};
  const char* expected[9] = {"True", "False", "True", "False", "False", "False", "False", "False", "True"};
  for (int columnIndex = 0; columnIndex < 9; ++columnIndex) {
    ValueLayout layout = MakeValueLayout(bit, tc::kBit, &bits);
    const bool loads = columnIndex == 0 || columnIndex == 8;
    EXPECT_EQ(layout.storageWidth, loads ? 1 : 0) << columnIndex;
    layout.available = 1;
    const auto& source = columnIndex < 8 ? firstByte : secondByte;
    EXPECT_EQ(FormatValue(layout, ByteView(source), bit, state), expected[columnIndex]) << columnIndex;
    EXPECT_EQ(layout.consumedLength, loads ? 1 : 0) << columnIndex;
    EXPECT_EQ(bits.byteTaken, loads ? 1 : 0) << columnIndex;
  }

  ValueLayout noState = MakeValueLayout(bit, tc::kBit, nullptr);
  noState.available = 1;
  EXPECT_EQ(FormatValue(noState, ByteView(firstByte), bit, state), "");
}

TEST(ValueFormat, CharacterColumnsUseTheirCollation) {
  EngineState state;
  state.collations[0x0034D01A] = {"Cyrillic_General_CI_AS", 1251};
  ColumnDef column = Column(tc::kVarChar, "varchar(20)");
  column.collationId = 0x0034D01A;
  EXPECT_EQ(FormatVariable(column, {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}, state),
            "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
}

std::vector<uint8_t> Variant(std::vector<uint8_t> header, const std::vector<uint8_t>& value) {
  header.insert(header.end(), value.begin(), value.end());
  return header;
}

TEST(ValueFormat, Variant) {
  EngineState state;
  const ColumnDef column = Column(tc::kSqlVariant, "sql_variant(8016)");
  std::vector<uint8_t> guid;
  for (int value = 0; value < 16; ++value) guid.push_back(static_cast<uint8_t>(value * 0x11));
  const std::vector<uint8_t> charHeader = {175, 1, 10, 0, 0x09, 0x04, 0xD0, 0x00};
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"int", {56, 1, 0xFE, 0xFF, 0xFF, 0xFF}, "-2"},
      {"int of length 7", {56, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0}, ""},
      {"tinyint", {48, 1, 0xFF}, "255"},
      {"smallint", {52, 1, 0x00, 0x80}, "-32768"},
      {"bigint", {127, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, "9223372036854775807"},
      {"bit", {104, 1, 2}, "True"},
      {"uniqueidentifier", Variant({36, 1}, guid), "33221100-5544-7766-8899-AABBCCDDEEFF"},
      {"date", {40, 1, 0x28, 0x3E, 0x0B}, "2018-04-25"},
      {"time(2)", {41, 1, 2, 0x85, 0xEE, 0x36}, "10:00:00.05"},
      {"datetime2(0)", {42, 1, 0, 0x4D, 0x0E, 0x00, 0x28, 0x3E, 0x0B}, "2018-04-25 01:01:01"},
      {"datetimeoffset(0)", {43, 1, 0, 0x78, 0x4A, 0x01, 0x28, 0x3E, 0x0B, 0x4A, 0x01}, "2018-04-26 05:00:00 +5:30"},
      {"datetime", {61, 1, 0x2C, 0x01, 0, 0, 0, 0, 0, 0}, "1900-01-01 00:00:01"},
      {"smalldatetime", {58, 1, 0x9F, 0x05, 0, 0}, "1900-01-01 23:59:00"},
      {"money", {60, 1, 0x39, 0x30, 0, 0, 0, 0, 0, 0}, "1.2345"},
      {"smallmoney", {122, 1, 1, 0, 0, 0}, "0.0001"},
      {"real keeps its exponent", {59, 1, 0xAC, 0xC5, 0x27, 0x37}, "1e-005"},
      {"float infinity as written", {62, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0x7F}, "inf"},
      {"decimal(5,2)", {106, 1, 5, 2, 0x01, 0x39, 0x30, 0x00, 0x00}, "123.45"},
      {"numeric(5,2)", {108, 1, 5, 2, 0x00, 0x39, 0x30, 0x00, 0x00}, "-123.45"},
      {"char", Variant(charHeader, {'k', 'e', 'y'}), "key"},
      {"char through the default code page", Variant(charHeader, {0x80}), "\xE2\x82\xAC"},
      {"varchar widened byte by byte", Variant({167, 1, 10, 0, 0x09, 0x04, 0xD0, 0x00}, {0x80, 'x', 0, 'y'}),
       "\xC2\x80x"},
      {"nvarchar", Variant({231, 1, 10, 0, 0x09, 0x04, 0xD0, 0x00}, {'k', 0, 'e', 0, 'y', 0}), "key"},
      {"varbinary as 8-bit text", {165, 1, 10, 0, 'h', 'i'}, "hi"},
      {"CLR type", {240, 1, 0xAB, 0x01}, "0xAB01"},
      {"char header only", Variant(charHeader, {}), ""},
      {"unknown base type", {200, 1, 1, 2, 3}, ""},
      {"too short", {56}, ""},
  };
  for (const auto& c : cases) {
    ValueLayout layout = MakeValueLayout(column, tc::kSqlVariant, nullptr);
    layout.consumedLength = 99;
    EXPECT_EQ(FormatVariant(static_cast<int64_t>(c.bytes.size()), layout, ByteView(c.bytes), column, state),
              c.expected)
        << c.name;
    EXPECT_EQ(layout.consumedLength, 0) << c.name;
  }
}

TEST(ValueFormat, VariantLengthBeyondTheBytesGivesEmptyText) {
  EngineState state;
  const ColumnDef column = Column(tc::kSqlVariant, "sql_variant(8016)");
  const std::vector<uint8_t> bytes = {56, 1, 0xFE, 0xFF, 0xFF};
  ValueLayout layout = MakeValueLayout(column, tc::kSqlVariant, nullptr);
  EXPECT_EQ(FormatVariant(6, layout, ByteView(bytes), column, state), "");
  EXPECT_EQ(FormatVariant(-1, layout, ByteView(bytes), column, state), "");
}

TEST(ValueFormat, DeclaredLength) {
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"varchar(50)", 50}, {"nvarchar(-1)", -1}, {"(4)", 4},       {"int", 0},
      {"x(", 0},           {"x(abc)", 0},        {"x(12)(34)", 12}, {"x(99999999999)", 0},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(DeclaredLengthOf(text), expected) << text;
}

}  // namespace
}  // namespace pagewright

namespace pagewright {
namespace {

// Formats the first `length` bytes of `pattern` placed in front of different
// trailing bytes; a formatter that looked past its view would see them.
template <typename Format>
void ExpectViewBound(const char* what, int code, const std::vector<uint8_t>& pattern, size_t length,
                     Format format) {
  std::vector<uint8_t> zeros(pattern.begin(), pattern.begin() + static_cast<long>(length));
  std::vector<uint8_t> ones = zeros;
  zeros.resize(length + 64, 0x00);
  ones.resize(length + 64, 0xFF);
  EXPECT_EQ(format(ByteView(zeros.data(), length)), format(ByteView(ones.data(), length)))
      << what << " code " << code << " length " << length;
}

TEST(ValueFormat, NeverReadsPastTheView) {
  EngineState state;
  std::vector<uint8_t> pattern;
  for (int index = 0; index < 40; ++index) pattern.push_back(static_cast<uint8_t>(index * 37 + 11));

  for (int code = -1; code <= type_code::kLastCode + 2; ++code) {
    for (uint8_t variable : {0, 1}) {
      ColumnDef column = Column(code, "x(12)", 18, 4);
      column.variableLength = variable;
      column.typeCode = code;
      for (size_t length = 0; length <= 24; ++length) {
        ExpectViewBound("FormatValue", code, pattern, length, [&](ByteView bytes) {
          BitState bits;
          ValueLayout layout = MakeValueLayout(column, code, &bits);
          layout.available = 1000;  // the view, not `available`, must bound the read
          if (layout.isVariable) layout.readLength = 1000;
          return FormatValue(layout, bytes, column, state);
        });
      }
    }
  }

  const ColumnDef variantColumn = Column(type_code::kSqlVariant, "sql_variant(8016)");
  for (int baseType = 0; baseType < 256; ++baseType) {
    std::vector<uint8_t> variant = pattern;
    variant[0] = static_cast<uint8_t>(baseType);
    variant[2] = 3;  // a scale the temporal types accept
    for (size_t length = 0; length <= 24; ++length) {
      ExpectViewBound("FormatVariant", baseType, variant, length, [&](ByteView bytes) {
        ValueLayout layout = MakeValueLayout(variantColumn, type_code::kSqlVariant, nullptr);
        return FormatVariant(static_cast<int64_t>(length), layout, bytes, variantColumn, state);
      });
    }
  }
}

}  // namespace
}  // namespace pagewright
