// The rows a T-SQL creation script inserts, for comparing real files with the
// scripts that filled them, and the text each inserted literal should show as
// in a column of a given type.
//
// Script text: UTF-16 (with a byte-order mark), UTF-8 (with or without one),
// or, when the bytes are not valid UTF-8, 8-bit Windows-1252 text in which the
// five bytes that code page leaves undefined stand for the characters of the
// same value. Everything comes out as UTF-8.
//
// Statements: INSERT [INTO] name [(columns)] VALUES (...)[, (...)]; names
// bare, [bracketed] or "quoted", the last part of a dotted name counting.
// Comments (-- to the line end, /* */) and string literals are skipped when
// looking for INSERT, so a commented-out INSERT inserts nothing.
// Values: 'text' and N'text' ('' for a quote), NULL, 0x hex, numbers (an
// optional sign or $), CAST(literal AS type); anything else is kept as an
// expression that is not judged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/column_def.h"

namespace pagewright::support {

enum class LiteralKind { kText, kNumber, kHex, kNull, kExpression };

struct ScriptLiteral {
  LiteralKind kind = LiteralKind::kExpression;
  std::string text;      // the text, the number, the hex digits (upper case, no 0x), the expression
  std::string castType;  // lower-case type of a CAST, else empty
};

struct ScriptRow {
  std::string table;                 // as written, without brackets or quotes
  std::vector<std::string> columns;  // the column list; empty when the INSERT has none
  std::vector<ScriptLiteral> values;
};

// The script's bytes as UTF-8.
std::string DecodeScriptText(const std::string& bytes);

// Every inserted row, in script order.
std::vector<ScriptRow> ParseScriptRows(const std::string& utf8Text);

// Reads and parses a script file; empty when it cannot be read.
std::vector<ScriptRow> ReadScriptRows(const std::string& path);

// The text a column of this type shows for the literal, following the value
// formatting rules: "NULL"; integers in decimal; bit as True/False; money with
// four decimals and decimal with its scale; datetime as YYYY-MM-DD HH:MM:SS
// (dates written m/d/y with years 00-49 in 20xx); char and nchar padded with
// blanks to their length; binary types as 0x and upper-case hex. `judged` is
// false for a literal whose text cannot be told (an expression, a date form
// not known here).
std::string ExpectedCellText(const ScriptLiteral& literal, const ColumnDef& column, bool& judged);

}  // namespace pagewright::support
