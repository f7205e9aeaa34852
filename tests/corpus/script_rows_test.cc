// The creation-script reader the corpus row tests rely on: statements,
// literals, comments, encodings and the texts literals show as.
#include <gtest/gtest.h>

#include "support/script_rows.h"
#include "values/type_codes.h"

namespace pagewright {
namespace {

using support::LiteralKind;

TEST(ScriptRows, StatementsLiteralsAndComments) {
  const std::string script =
      "-- INSERT commented VALUES (1)\n"
      "/* insert blocked values (2) */\n"
      "insert t values('a''b', N'x', NULL, 0x0aff, -1.50, $3, getdate(), 'insert w values(3)')\n"
      "INSERT INTO [dbo].[My T] ([a], \"b\") VALUES (7, CAST(0x000089B000000000 AS DateTime))\n"
      "GO\nInsert Into u (a) Values (1), (2)\n";
  const auto rows = support::ParseScriptRows(script);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].table, "t");
  EXPECT_TRUE(rows[0].columns.empty());
  const struct {
    LiteralKind kind;
    const char* text;
  } first[] = {{LiteralKind::kText, "a'b"},        {LiteralKind::kText, "x"},     {LiteralKind::kNull, ""},
               {LiteralKind::kHex, "0AFF"},        {LiteralKind::kNumber, "-1.50"}, {LiteralKind::kNumber, "3"},
               {LiteralKind::kExpression, "getdate()"}, {LiteralKind::kText, "insert w values(3)"}};
  ASSERT_EQ(rows[0].values.size(), std::size(first));
  for (size_t index = 0; index < std::size(first); ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(rows[0].values[index].kind, first[index].kind);
    EXPECT_EQ(rows[0].values[index].text, first[index].text);
  }
  EXPECT_EQ(rows[1].table, "My T");
  EXPECT_EQ(rows[1].columns, (std::vector<std::string>{"a", "b"}));
  ASSERT_EQ(rows[1].values.size(), 2u);
  EXPECT_EQ(rows[1].values[1].kind, LiteralKind::kHex);
  EXPECT_EQ(rows[1].values[1].castType, "datetime");
  EXPECT_EQ(rows[2].table, "u");
  EXPECT_EQ(rows[3].values[0].text, "2");
}

TEST(ScriptRows, EncodingsBecomeUtf8) {
  const struct {
    const char* name;
    std::string bytes;
    std::string text;
  } cases[] = {
      {"UTF-16 with mark", std::string("\xFF\xFE" "a\0\xFC\0", 6), "a\xC3\xBC"},
      {"UTF-8 with mark", "\xEF\xBB\xBF" "\xC3\xAE", "\xC3\xAE"},
      {"UTF-8", "\xC3\x8E", "\xC3\x8E"},
      // Not UTF-8: Windows-1252, its undefined 0x81 standing for U+0081.
      {"8-bit", "M\x81nchen M\xFCnchen \x80", "M\xC2\x81nchen M\xC3\xBCnchen \xE2\x82\xAC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(support::DecodeScriptText(c.bytes), c.text);
  }
}

TEST(ScriptRows, ExpectedTextsByColumnType) {
  namespace tc = type_code;
  const struct {
    int32_t typeCode;
    int16_t declaredLength;
    uint8_t scale;
    LiteralKind kind;
    const char* literal;
    const char* text;  // nullptr: not judged
  } cases[] = {
      {tc::kInt, 4, 0, LiteralKind::kNumber, "0042", "42"},
      {tc::kSmallInt, 2, 0, LiteralKind::kText, "-7", "-7"},
      {tc::kBit, 1, 0, LiteralKind::kNumber, "1", "True"},
      {tc::kBit, 1, 0, LiteralKind::kNumber, "0", "False"},
      {tc::kMoney, 8, 0, LiteralKind::kNumber, "19.99", "19.9900"},
      {tc::kMoney, 8, 0, LiteralKind::kNumber, "-0.5", "-0.5000"},
      {tc::kDecimal, 5, 2, LiteralKind::kNumber, "3", "3.00"},
      {tc::kReal, 4, 0, LiteralKind::kNumber, "0.15", "0.15"},
      {tc::kDateTime, 8, 0, LiteralKind::kText, "06/12/91", "1991-06-12 00:00:00"},
      {tc::kDateTime, 8, 0, LiteralKind::kText, "7/4/1996", "1996-07-04 00:00:00"},
      {tc::kDateTime, 8, 0, LiteralKind::kText, "1994-09-14", "1994-09-14 00:00:00"},
      {tc::kDateTime, 8, 0, LiteralKind::kText, "Jun 12 1991 1:05PM", "1991-06-12 13:05:00"},
      {tc::kDateTime, 8, 0, LiteralKind::kHex, "000089B000000000", "1996-07-04 00:00:00"},
      {tc::kDateTime, 8, 0, LiteralKind::kHex, "FFFFFFFF00000000", "1899-12-31 00:00:00"},
      {tc::kDateTime, 8, 0, LiteralKind::kText, "someday", nullptr},
      {tc::kChar, 12, 0, LiteralKind::kText, "business", "business    "},
      {tc::kNChar, 8, 0, LiteralKind::kText, "ab", "ab  "},
      {tc::kVarChar, 20, 0, LiteralKind::kText, "trail ", "trail "},
      {tc::kImage, 16, 0, LiteralKind::kHex, "0AFF", "0x0AFF"},
      {tc::kNText, 16, 0, LiteralKind::kNull, "", "NULL"},
      {tc::kInt, 4, 0, LiteralKind::kExpression, "getdate()", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.typeCode) + " " + c.literal);
    ColumnDef column;
    column.typeCode = c.typeCode;
    column.declaredLength = c.declaredLength;
    column.scale = c.scale;
    support::ScriptLiteral literal;
    literal.kind = c.kind;
    literal.text = c.literal;
    bool judged = false;
    const std::string text = support::ExpectedCellText(literal, column, judged);
    EXPECT_EQ(judged, c.text != nullptr);
    if (c.text) {
      EXPECT_EQ(text, c.text);
    }
  }
}

}  // namespace
}  // namespace pagewright
