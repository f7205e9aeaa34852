#include "support/script_rows.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "values/type_codes.h"

namespace pagewright::support {

namespace {

namespace tc = type_code;

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

bool IsValidUtf8(const std::string& bytes) {
  size_t index = 0;
  while (index < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[index]);
    size_t follow = 0;
    if (lead < 0x80) follow = 0;
    else if ((lead & 0xE0) == 0xC0) follow = 1;
    else if ((lead & 0xF0) == 0xE0) follow = 2;
    else if ((lead & 0xF8) == 0xF0) follow = 3;
    else return false;
    if (index + follow >= bytes.size()) return false;
    for (size_t next = 1; next <= follow; ++next)
      if ((static_cast<unsigned char>(bytes[index + next]) & 0xC0) != 0x80) return false;
    index += follow + 1;
  }
  return true;
}

// Windows-1252 from 0x80 to 0x9F; 0 marks the undefined bytes.
constexpr uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class Scanner {
 public:
  explicit Scanner(const std::string& text) : s_(text) {}

  bool AtEnd() const { return at_ >= s_.size(); }

  // Skips blanks and comments.
  void SkipSpace() {
    while (at_ < s_.size()) {
      const char c = s_[at_];
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++at_;
      } else if (c == '-' && Peek(1) == '-') {
        size_t end = s_.find('\n', at_);
        at_ = end == std::string::npos ? s_.size() : end + 1;
      } else if (c == '/' && Peek(1) == '*') {
        size_t end = s_.find("*/", at_ + 2);
        at_ = end == std::string::npos ? s_.size() : end + 2;
      } else {
        return;
      }
    }
  }

  // Moves to just after the next INSERT keyword outside comments and strings.
  bool NextInsert() {
    while (true) {
      SkipSpace();
      if (AtEnd()) return false;
      const char c = s_[at_];
      if (c == '\'') {
        ReadQuoted();
      } else if (c == '[' || c == '"') {
        ReadIdentifier();
      } else if (IsWordChar(c)) {
        std::string word = Lower(ReadWord());
        if (word == "insert") return true;
      } else {
        ++at_;
      }
    }
  }

  bool TakeKeyword(const char* keyword) {
    SkipSpace();
    const size_t start = at_;
    std::string word = Lower(ReadWord());
    if (word == keyword) return true;
    at_ = start;
    return false;
  }

  bool Take(char c) {
    SkipSpace();
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  char PeekChar() {
    SkipSpace();
    return at_ < s_.size() ? s_[at_] : '\0';
  }

  // A possibly dotted name; the last part.
  std::string ReadName() {
    SkipSpace();
    std::string name = ReadIdentifier();
    while (at_ < s_.size() && s_[at_] == '.') {
      ++at_;
      name = ReadIdentifier();
    }
    return name;
  }

  std::string ReadIdentifier() {
    if (at_ >= s_.size()) return "";
    const char open = s_[at_];
    if (open == '[' || open == '"') {
      const char close = open == '[' ? ']' : '"';
      size_t end = s_.find(close, at_ + 1);
      if (end == std::string::npos) end = s_.size();
      std::string name = s_.substr(at_ + 1, end - at_ - 1);
      at_ = std::min(end + 1, s_.size());
      return name;
    }
    return ReadWord();
  }

  std::string ReadWord() {
    const size_t start = at_;
    while (at_ < s_.size() && IsWordChar(s_[at_])) ++at_;
    return s_.substr(start, at_ - start);
  }

  // A quoted text at the current position ('' is one quote).
  std::string ReadQuoted() {
    std::string text;
    ++at_;
    while (at_ < s_.size()) {
      if (s_[at_] == '\'') {
        if (Peek(1) == '\'') {
          text.push_back('\'');
          at_ += 2;
          continue;
        }
        ++at_;
        break;
      }
      text.push_back(s_[at_++]);
    }
    return text;
  }

  ScriptLiteral ReadLiteral() {
    SkipSpace();
    ScriptLiteral literal;
    if (AtEnd()) return literal;
    const char c = s_[at_];
    if ((c == 'N' || c == 'n') && Peek(1) == '\'') {
      ++at_;
      return ReadLiteral();
    }
    if (c == '\'') {
      literal.kind = LiteralKind::kText;
      literal.text = ReadQuoted();
      return literal;
    }
    if (c == '0' && (Peek(1) == 'x' || Peek(1) == 'X')) {
      at_ += 2;
      literal.kind = LiteralKind::kHex;
      while (at_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[at_])))
        literal.text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(s_[at_++]))));
      return literal;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '$' || c == '.') {
      literal.kind = LiteralKind::kNumber;
      if (c == '$') ++at_;
      while (at_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[at_])) || s_[at_] == '.' ||
                                 s_[at_] == '-' || s_[at_] == '+' || s_[at_] == 'e' || s_[at_] == 'E'))
        literal.text.push_back(s_[at_++]);
      return literal;
    }
    const size_t start = at_;
    std::string word = Lower(ReadWord());
    if (word == "null") {
      literal.kind = LiteralKind::kNull;
      return literal;
    }
    if (word == "cast" && Take('(')) {
      ScriptLiteral inner = ReadLiteral();
      if (TakeKeyword("as")) {
        SkipSpace();
        inner.castType = Lower(ReadIdentifier());
        SkipBalanced();
        if (inner.kind != LiteralKind::kExpression) return inner;
      }
    }
    // Anything else runs to the comma or parenthesis that ends the value.
    at_ = start;
    int depth = 0;
    while (at_ < s_.size()) {
      const char next = s_[at_];
      if (next == '\'') {
        ReadQuoted();
        continue;
      }
      if (depth == 0 && (next == ',' || next == ')')) break;
      if (next == '(') ++depth;
      if (next == ')') --depth;
      ++at_;
    }
    literal.kind = LiteralKind::kExpression;
    literal.text = s_.substr(start, at_ - start);
    return literal;
  }

 private:
  static bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '@' ||
           (static_cast<unsigned char>(c) & 0x80);
  }
  char Peek(size_t ahead) const { return at_ + ahead < s_.size() ? s_[at_ + ahead] : '\0'; }
  // Skips to just after the parenthesis that closes the one already open.
  void SkipBalanced() {
    int depth = 1;
    while (at_ < s_.size() && depth > 0) {
      if (s_[at_] == '\'') {
        ReadQuoted();
        continue;
      }
      if (s_[at_] == '(') ++depth;
      if (s_[at_] == ')') --depth;
      ++at_;
    }
  }

  const std::string& s_;
  size_t at_ = 0;
};

// Digits of a decimal literal with exactly `scale` decimals, no rounding
// (the scripts never give more); empty when it is not a number.
std::string FixedDecimals(const std::string& number, int scale) {
  std::string text = number;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.erase(0, 1);
  }
  if (text.empty() || text.find_first_of("eE") != std::string::npos) return "";
  size_t point = text.find('.');
  std::string whole = point == std::string::npos ? text : text.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  while (whole.size() > 1 && whole[0] == '0') whole.erase(0, 1);
  if (whole.empty()) whole = "0";
  while (static_cast<int>(fraction.size()) > scale && fraction.back() == '0') fraction.pop_back();
  if (static_cast<int>(fraction.size()) > scale) return "";
  fraction.append(static_cast<size_t>(scale) - fraction.size(), '0');
  std::string out = whole;
  if (scale > 0) out += "." + fraction;
  bool zero = out.find_first_not_of("0.") == std::string::npos;
  return negative && !zero ? "-" + out : out;
}

std::string IntegerText(const std::string& number, bool& judged) {
  std::string out = FixedDecimals(number, 0);
  if (out.empty()) judged = false;
  return out;
}

// Days from 1900-01-01 to y-m-d (proleptic Gregorian).
int64_t DaysFrom1900(int year, int month, int day) {
  auto civil = [](int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
  };
  return civil(year, month, day) - civil(1900, 1, 1);
}

void DateOfDays(int64_t days, int& year, int& month, int& day) {
  // Days from 0000-03-01, then eras of 400 years.
  const int64_t z = days - DaysFrom1900(1970, 1, 1) + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

std::string DateTimeText(int year, int month, int day, int hour, int minute, int second) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
  return text;
}

// m/d/y, y-m-d and yyyymmdd dates with an optional h:m[:s[.f]] [AM|PM] time,
// and "Mon d yyyy h:mmAM".
bool ParseDateTime(const std::string& raw, std::string& out) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  std::string text = Lower(raw);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int consumed = 0;
  char monthName[4] = {};
  if (std::sscanf(text.c_str(), "%d/%d/%d%n", &month, &day, &year, &consumed) == 3) {
    if (consumed >= 2 && text.find('/') != std::string::npos) {
      const size_t yearDigits = text.substr(text.rfind('/') + 1).find_first_not_of("0123456789");
      const size_t digits = yearDigits == std::string::npos ? text.size() - text.rfind('/') - 1 : yearDigits;
      if (digits <= 2) year += year < 50 ? 2000 : 1900;
    }
  } else if (std::sscanf(text.c_str(), "%d-%d-%d%n", &year, &month, &day, &consumed) == 3) {
  } else if (text.size() >= 8 && text.find_first_not_of("0123456789") >= 8 &&
             std::sscanf(text.c_str(), "%4d%2d%2d%n", &year, &month, &day, &consumed) == 3) {
  } else if (std::sscanf(text.c_str(), "%3s %d %d%n", monthName, &day, &year, &consumed) == 3) {
    month = 0;
    for (int index = 0; index < 12; ++index)
      if (std::string(monthName) == kMonths[index]) month = index + 1;
    if (month == 0) return false;
  } else {
    return false;
  }
  std::string rest = text.substr(static_cast<size_t>(consumed));
  size_t first = rest.find_first_not_of(" t");
  rest = first == std::string::npos ? "" : rest.substr(first);
  if (!rest.empty()) {
    int parsed = std::sscanf(rest.c_str(), "%d:%d:%d", &hour, &minute, &second);
    if (parsed < 2) return false;
    if (rest.find("pm") != std::string::npos && hour < 12) hour += 12;
    if (rest.find("am") != std::string::npos && hour == 12) hour = 0;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  out = DateTimeText(year, month, day, hour, minute, second);
  return true;
}

// CAST(0x... AS datetime): 4 bytes of days from 1900-01-01, then 4 bytes of
// 1/300-second ticks, most significant first.
bool DateTimeFromHex(const std::string& hex, std::string& out) {
  if (hex.size() != 16) return false;
  const auto days = static_cast<int32_t>(std::stoul(hex.substr(0, 8), nullptr, 16));
  const auto ticks = static_cast<uint32_t>(std::stoul(hex.substr(8), nullptr, 16));
  int year = 0, month = 0, day = 0;
  DateOfDays(days, year, month, day);
  const uint32_t seconds = ticks / 300;
  out = DateTimeText(year, month, day, static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                     static_cast<int>(seconds % 60));
  return true;
}

size_t CodePoints(const std::string& utf8) {
  size_t count = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace

std::string DecodeScriptText(const std::string& bytes) {
  std::string out;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    for (size_t index = 2; index + 1 < bytes.size(); index += 2) {
      uint32_t unit = static_cast<unsigned char>(bytes[index]) | (static_cast<unsigned char>(bytes[index + 1]) << 8);
      if (unit >= 0xD800 && unit < 0xDC00 && index + 3 < bytes.size()) {
        uint32_t low =
            static_cast<unsigned char>(bytes[index + 2]) | (static_cast<unsigned char>(bytes[index + 3]) << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          index += 2;
        }
      }
      AppendUtf8(out, unit);
    }
    return out;
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  if (IsValidUtf8(bytes)) return bytes;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    uint32_t code = byte;
    if (byte >= 0x80 && byte < 0xA0 && kCp1252High[byte - 0x80] != 0) code = kCp1252High[byte - 0x80];
    AppendUtf8(out, code);
  }
  return out;
}

std::vector<ScriptRow> ParseScriptRows(const std::string& utf8Text) {
  std::vector<ScriptRow> rows;
  Scanner scanner(utf8Text);
  while (scanner.NextInsert()) {
    scanner.TakeKeyword("into");
    ScriptRow row;
    row.table = scanner.ReadName();
    if (row.table.empty()) continue;
    if (scanner.Take('(')) {
      while (!scanner.AtEnd()) {
        scanner.SkipSpace();
        std::string column = scanner.ReadIdentifier();
        if (column.empty()) break;
        row.columns.push_back(column);
        if (!scanner.Take(',')) break;
      }
      if (!scanner.Take(')')) continue;
    }
    if (!scanner.TakeKeyword("values")) continue;
    do {
      if (!scanner.Take('(')) break;
      ScriptRow values = row;
      while (!scanner.AtEnd() && scanner.PeekChar() != ')') {
        values.values.push_back(scanner.ReadLiteral());
        if (!scanner.Take(',')) break;
      }
      if (!scanner.Take(')')) break;
      rows.push_back(std::move(values));
    } while (scanner.Take(','));
  }
  return rows;
}

std::vector<ScriptRow> ReadScriptRows(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::stringstream buffer;
  buffer << in.rdbuf();
  return ParseScriptRows(DecodeScriptText(buffer.str()));
}

std::string ExpectedCellText(const ScriptLiteral& literal, const ColumnDef& column, bool& judged) {
  judged = true;
  if (literal.kind == LiteralKind::kNull) return "NULL";
  if (literal.kind == LiteralKind::kExpression) {
    judged = false;
    return "";
  }
  const int32_t code = column.typeCode;
  switch (code) {
    case tc::kBigInt:
    case tc::kInt:
    case tc::kSmallInt:
    case tc::kTinyInt:
      return IntegerText(literal.text, judged);
    case tc::kBit: {
      std::string value = Lower(literal.text);
      if (value == "true") return "True";
      if (value == "false") return "False";
      std::string number = FixedDecimals(value, 0);
      if (number.empty()) judged = false;
      return number == "0" ? "False" : "True";
    }
    case tc::kMoney:
    case tc::kSmallMoney:
    case tc::kDecimal:
    case tc::kNumeric: {
      const int scale = code == tc::kMoney || code == tc::kSmallMoney ? 4 : column.scale;
      std::string out = FixedDecimals(literal.text, scale);
      if (out.empty()) judged = false;
      return out;
    }
    case tc::kReal: {
      char text[64];
      std::snprintf(text, sizeof text, "%g", static_cast<double>(std::strtof(literal.text.c_str(), nullptr)));
      return text;
    }
    case tc::kFloat: {
      std::string out = FixedDecimals(literal.text, 0);
      if (literal.text.find('.') != std::string::npos) {
        out = literal.text;
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
      }
      return out;
    }
    case tc::kDateTime:
    case tc::kSmallDateTime: {
      std::string out;
      bool ok = literal.kind == LiteralKind::kHex ? DateTimeFromHex(literal.text, out)
                                                  : ParseDateTime(literal.text, out);
      if (!ok) judged = false;
      return out;
    }
    case tc::kBinary:
    case tc::kVarBinary:
    case tc::kImage:
    case tc::kTimestamp:
      if (literal.kind != LiteralKind::kHex) {
        judged = false;
        return "";
      }
      return "0x" + literal.text;
    case tc::kChar:
    case tc::kNChar: {
      const size_t width = static_cast<size_t>(code == tc::kNChar ? column.declaredLength / 2 : column.declaredLength);
      std::string out = literal.text;
      const size_t length = CodePoints(out);
      if (length < width) out.append(width - length, ' ');
      return out;
    }
    case tc::kUniqueIdentifier: {
      std::string out = literal.text;
      for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return out;
    }
    default:
      return literal.text;
  }
}

}  // namespace pagewright::support
