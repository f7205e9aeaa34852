// JSON output of the console program: string escaping and a small writer of
// one object's members in order. Text is UTF-8; bytes that are not valid
// UTF-8 come out as U+FFFD so the output always parses.
#pragma once

#include <cstdint>
#include <string>

namespace pagewright::cli {

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

// Builds {"a":1,"b":"x",...} member by member.
class JsonObject {
 public:
  JsonObject& Add(const std::string& key, const std::string& value);
  JsonObject& Add(const std::string& key, const char* value) { return Add(key, std::string(value)); }
  JsonObject& Add(const std::string& key, int64_t value);
  JsonObject& Add(const std::string& key, int value) { return Add(key, static_cast<int64_t>(value)); }
  JsonObject& Add(const std::string& key, bool value);
  // `json` must already be valid JSON (an object, array, number...).
  JsonObject& AddRaw(const std::string& key, const std::string& json);
  std::string str() const { return "{" + body_ + "}"; }

 private:
  void Key(const std::string& key);
  std::string body_;
};

}  // namespace pagewright::cli
