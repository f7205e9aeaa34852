#include "values/collation_table.h"

#include <unistd.h>
#include <unicode/ucnv.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace pagewright {

namespace {

// Leading white space, optional sign, decimal digits; stops at the first
// other character. Accumulates modulo 2^32, which also keeps a long digit
// run from overflowing.
int32_t ParseLeadingInt32(const std::string& text) {
  size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  uint32_t value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = value * 10u + static_cast<uint32_t>(text[at] - '0');
    ++at;
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

bool IsValidUtf8(const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : 9;
    if (extra == 9 || extra > text.size() - at - 1) return false;
    for (size_t index = 1; index <= extra; ++index)
      if ((static_cast<unsigned char>(text[at + index]) & 0xC0) != 0x80) return false;
    at += extra + 1;
  }
  return true;
}

// Names are 8-bit text in the system code page; the shipped file is ASCII.
// Anything that is not already UTF-8 is taken as windows-1252.
std::string NameToUtf8(const std::string& name) {
  if (IsValidUtf8(name)) return name;
  UErrorCode status = U_ZERO_ERROR;
  std::vector<char> out(name.size() * 3 + 1);
  int32_t length = ucnv_convert("UTF-8", "windows-1252", out.data(), static_cast<int32_t>(out.size()),
                                name.data(), static_cast<int32_t>(name.size()), &status);
  if (U_FAILURE(status)) return std::string();
  return std::string(out.data(), static_cast<size_t>(length));
}

}  // namespace

void ParseCollationTable(const std::string& text, CollationTable& table) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    size_t firstTab = line.find('\t');
    if (firstTab == std::string::npos) continue;
    std::string rest = line.substr(firstTab + 1);
    size_t secondTab = rest.find('\t');
    if (rest.empty() || secondTab == std::string::npos) continue;
    int64_t id = ParseLeadingInt32(rest.substr(0, secondTab));
    CollationEntry entry;
    entry.name = NameToUtf8(line.substr(0, firstTab));
    entry.codePage = ParseLeadingInt32(rest.substr(secondTab + 1));
    table[id] = std::move(entry);
  }
}

bool LoadCollationTable(const std::string& folder, CollationTable& table) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += kCollationFileName;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ParseCollationTable(text, table);
  return true;
}

bool SelectDatabaseCollation(EngineState& state, int32_t bootPageId) {
  CollationState& collation = state.collation;
  bool automatic = collation.collationAuto != 0;
  int64_t key = automatic ? static_cast<int64_t>(bootPageId) : collation.manualCollationId;
  const CollationEntry* entry = FindCollation(state.collations, key);
  if (!entry && automatic) {
    key = static_cast<int64_t>(static_cast<uint32_t>(bootPageId) & 0xFFFFu);
    entry = FindCollation(state.collations, key);
  }
  if (!entry) return false;
  collation.activeCollationId = key;
  collation.collationKnown = 1;
  collation.activeCodePage = entry->codePage;
  collation.collationName = entry->name;
  return true;
}

const CollationEntry* FindCollation(const CollationTable& table, int64_t id) {
  auto found = table.find(id);
  return found == table.end() ? nullptr : &found->second;
}

std::optional<int64_t> FindCollationByName(const CollationTable& table, const std::string& name) {
  auto sameText = [](const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t index = 0; index < a.size(); ++index)
      if (std::tolower(static_cast<unsigned char>(a[index])) != std::tolower(static_cast<unsigned char>(b[index])))
        return false;
    return true;
  };
  for (const auto& [id, entry] : table)
    if (sameText(entry.name, name)) return id;
  return std::nullopt;
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return std::string();
  std::string path(buffer.data(), static_cast<size_t>(length));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

}  // namespace pagewright
