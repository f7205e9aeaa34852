#include "cli/json.h"

#include <cstdio>

namespace pagewright::cli {

namespace {

// Length of the valid UTF-8 sequence at `at`, or 0 when it is not one
// (overlong forms, surrogates and values above U+10FFFF included).
size_t Utf8SequenceLength(const std::string& text, size_t at) {
  auto byte = [&](size_t index) { return static_cast<unsigned char>(text[index]); };
  unsigned char lead = byte(at);
  size_t length = 0;
  uint32_t codePoint = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, codePoint = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, codePoint = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, codePoint = lead & 0x07;
  else return 0;
  if (text.size() - at < length) return 0;
  for (size_t index = 1; index < length; ++index) {
    if ((byte(at + index) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(at + index) & 0x3F);
  }
  if ((length == 3 && codePoint < 0x800) || (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF)) ||
      (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return 0;
  return length;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  size_t at = 0;
  while (at < text.size()) {
    size_t length = Utf8SequenceLength(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++at;
      continue;
    }
    if (length > 1) {
      out.append(text, at, length);
      at += length;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(text[at++]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += "\"";
  return out;
}

void JsonObject::Key(const std::string& key) {
  if (!body_.empty()) body_ += ",";
  body_ += JsonString(key);
  body_ += ":";
}

JsonObject& JsonObject::Add(const std::string& key, const std::string& value) {
  Key(key);
  body_ += JsonString(value);
  return *this;
}

JsonObject& JsonObject::Add(const std::string& key, int64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::Add(const std::string& key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::AddRaw(const std::string& key, const std::string& json) {
  Key(key);
  body_ += json;
  return *this;
}

}  // namespace pagewright::cli
