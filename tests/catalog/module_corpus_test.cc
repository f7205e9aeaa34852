// Module texts and key statements of the corpus files against the creation
// scripts that made them: every view, procedure and trigger of Northwind and
// pubs, in the 2000, 2005 and 2008+ catalog layouts.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/module_definitions.h"
#include "catalog/schema_scripts.h"
#include "catalog/table_resolution.h"
#include "storage/byte_view.h"
#include "support/test_paths.h"
#include "values/character_data.h"
#include "values/utf16_text.h"

namespace pagewright {
namespace {

std::string CorpusPath(const std::string& relative) { return support::CorpusDir() + "/" + relative; }

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

// A script as UTF-8: UTF-16LE with its byte-order mark, UTF-8 with or without
// one, else code page 1252.
std::string ReadScript(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::string out;
    std::vector<char16_t> units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) units.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    AppendUtf16AsUtf8(out, units.data(), units.size());
    return out;
  }
  size_t start = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
  if (start == 3) return text;
  return ConvertCodePageOrWiden(ByteView(bytes.data(), bytes.size()), 1252);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Runs of white space become one blank; none at either end.
std::string Normalised(const std::string& text) {
  std::string out;
  bool blank = false;
  for (unsigned char c : text) {
    if (std::isspace(c)) {
      blank = !out.empty();
      continue;
    }
    if (blank) out.push_back(' ');
    blank = false;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

// "create view NAME ..." split into kind, bare name and the rest.
struct ModuleHeader {
  std::string kind;
  std::string name;
  std::string body;
};

std::optional<ModuleHeader> ParseHeader(const std::string& text);

// A batch that begins (after blanks and comment lines) with a CREATE of a
// view, procedure or trigger; a CREATE inside a message text is no module.
std::optional<ModuleHeader> ParseBatch(const std::string& batch) {
  size_t p = 0;
  while (p < batch.size()) {
    if (std::isspace(static_cast<unsigned char>(batch[p]))) {
      ++p;
    } else if (batch.compare(p, 2, "--") == 0) {
      p = batch.find('\n', p);
      if (p == std::string::npos) return std::nullopt;
    } else {
      break;
    }
  }
  if (Lower(batch.substr(p, 6)) != "create") return std::nullopt;
  return ParseHeader(batch.substr(p));
}

std::optional<ModuleHeader> ParseHeader(const std::string& text) {
  const std::string lower = Lower(text);
  for (const char* kind : {"view", "procedure", "proc", "trigger"}) {
    size_t at = 0;
    while ((at = lower.find("create", at)) != std::string::npos) {
      size_t p = at + 6;
      if (p >= text.size() || !std::isspace(static_cast<unsigned char>(text[p]))) { ++at; continue; }
      while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p]))) ++p;
      const std::string word = kind;
      if (lower.compare(p, word.size(), word) != 0 || p + word.size() >= text.size() ||
          !std::isspace(static_cast<unsigned char>(text[p + word.size()]))) { ++at; continue; }
      p += word.size();
      while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p]))) ++p;
      auto readName = [&]() {
        std::string name;
        if (p < text.size() && (text[p] == '"' || text[p] == '[')) {
          const char close = text[p] == '"' ? '"' : ']';
          size_t end = text.find(close, p + 1);
          if (end == std::string::npos) return name;
          name = text.substr(p + 1, end - p - 1);
          p = end + 1;
        } else {
          while (p < text.size() && (std::isalnum(static_cast<unsigned char>(text[p])) || text[p] == '_'))
            name.push_back(text[p++]);
        }
        return name;
      };
      std::string name = readName();
      if (p < text.size() && text[p] == '.' && Lower(name) == "dbo") {
        ++p;
        name = readName();
      }
      if (name.empty()) { ++at; continue; }
      return ModuleHeader{word == "proc" ? "procedure" : word, name, text.substr(p)};
    }
  }
  return std::nullopt;
}

// The script's module batches (between lines that read GO).
std::vector<ModuleHeader> ScriptModules(const std::string& script) {
  std::vector<ModuleHeader> modules;
  std::string batch;
  size_t start = 0;
  while (start <= script.size()) {
    size_t end = script.find('\n', start);
    if (end == std::string::npos) end = script.size();
    std::string line = script.substr(start, end - start);
    if (Lower(Normalised(line)) == "go") {
      if (auto header = ParseBatch(batch)) modules.push_back(*header);
      batch.clear();
    } else {
      batch += line + "\n";
    }
    start = end + 1;
  }
  if (auto header = ParseBatch(batch)) modules.push_back(*header);
  return modules;
}

struct CorpusCase {
  const char* file;
  const char* script;
  size_t modules;  // views, procedures and triggers the script creates
};

class ModuleCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(ModuleCorpus, EveryScriptModuleComesBackAsWritten) {
  const CorpusCase& c = GetParam();
  const std::string path = CorpusPath(std::string("files/") + c.file);
  const std::string scriptPath = CorpusPath(std::string("truth/") + c.script);
  if (!support::HasCorpus() || !Exists(path) || !Exists(scriptPath)) GTEST_SKIP() << "corpus not present";
  const std::vector<ModuleHeader> expected = ScriptModules(ReadScript(scriptPath));
  ASSERT_EQ(expected.size(), c.modules);

  EngineState state;
  OpenedDatabase opened;
  ASSERT_TRUE(OpenDatabase(path, state, nullptr, opened));
  DatabaseCatalog& catalog = *opened.catalog;
  std::vector<ModuleValue> values = LoadModuleValues(*opened.file, catalog);
  for (const ModuleHeader& module : expected) {
    SCOPED_TRACE(module.name);
    const ObjectDef* object = nullptr;
    for (const ObjectDef& candidate : catalog.objects)
      if (candidate.name == module.name && (candidate.type == "V " || candidate.type == "P " || candidate.type == "TR")) {
        object = &candidate;
        break;
      }
    ASSERT_NE(object, nullptr);
    const std::string text = GetModuleDefinition(values, std::to_string(object->objectId), state);
    std::optional<ModuleHeader> stored = ParseHeader(text);
    ASSERT_TRUE(stored.has_value()) << text;
    EXPECT_EQ(stored->kind, module.kind);
    EXPECT_EQ(stored->name, module.name);
    EXPECT_EQ(Normalised(stored->body), Normalised(module.body));
  }
}

INSTANTIATE_TEST_SUITE_P(
    NorthwindAndPubs, ModuleCorpus,
    ::testing::Values(CorpusCase{"nw_stuit_2000.mdf", "nw_stuit_2000/instnwnd.sql", 23},
                      CorpusCase{"nw_klk_2005_from2000.mdf", "nw_stuit_2000/instnwnd.sql", 23},
                      CorpusCase{"nw_itsligo_2008.mdf", "nw_itsligo_2008/Northwind Script.sql", 23},
                      CorpusCase{"pubs_stuit_2000.mdf", "pubs_stuit_2000/instpubs.sql", 6},
                      CorpusCase{"pubs_itsligo_2008.mdf", "pubs_itsligo_2008/instpubs.sql", 6},
                      CorpusCase{"pubs_nuneteen_2014.mdf", "pubs_nuneteen_2014/Pubs.sql", 6}),
    [](const ::testing::TestParamInfo<CorpusCase>& info) {
      std::string name = info.param.file;
      return name.substr(0, name.find('.'));
    });

}  // namespace
}  // namespace pagewright
