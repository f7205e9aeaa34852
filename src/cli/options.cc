#include "cli/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "values/collation_table.h"

namespace pagewright::cli {

bool ParseInteger(const std::string& text, int64_t& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') return false;
  value = parsed;
  return true;
}

bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<OptionSpec>& extra,
                      ParsedCommand& out, std::string& error) {
  const std::vector<OptionSpec> common = {
      {"--advanced", false},   {"--show-deleted", false}, {"--show-advanced-deleted", false},
      {"--collation", true},   {"--ansi-codepage", true}, {"--snapshot", true},
      {"--log-dir", true},     {"--json", false},         {"--help", false},
      {"-h", false},
  };
  bool optionsEnded = false;
  for (size_t index = 0; index < args.size(); ++index) {
    const std::string& word = args[index];
    if (optionsEnded || word.size() < 2 || word[0] != '-') {
      out.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = word;
    std::string value;
    bool inlineValue = false;
    if (size_t equals = word.find('='); equals != std::string::npos && word.rfind("--", 0) == 0) {
      name = word.substr(0, equals);
      value = word.substr(equals + 1);
      inlineValue = true;
    }
    const OptionSpec* spec = nullptr;
    bool isCommon = false;
    for (const OptionSpec& candidate : common)
      if (candidate.name == name) spec = &candidate, isCommon = true;
    for (const OptionSpec& candidate : extra)
      if (candidate.name == name) spec = &candidate, isCommon = false;
    if (!spec) {
      error = "unknown option " + name;
      return false;
    }
    if (spec->takesValue && !inlineValue) {
      if (index + 1 >= args.size()) {
        error = "option " + name + " needs a value";
        return false;
      }
      value = args[++index];
    } else if (!spec->takesValue && inlineValue) {
      error = "option " + name + " takes no value";
      return false;
    }
    if (!isCommon) {
      out.options[name] = value;
      continue;
    }
    CommonOptions& c = out.common;
    c.given.insert(name);
    if (name == "--advanced") c.advanced = true;
    else if (name == "--show-deleted") c.showDeleted = true;
    else if (name == "--show-advanced-deleted") c.showAdvancedDeleted = true;
    else if (name == "--json") c.json = true;
    else if (name == "--help" || name == "-h") out.help = true;
    else if (name == "--collation") c.collation = value;
    else if (name == "--snapshot") c.snapshotPath = value;
    else if (name == "--log-dir") c.logDir = value;
    else if (name == "--ansi-codepage") {
      int64_t codePage = 0;
      if (!ParseInteger(value, codePage) || codePage <= 0 || codePage > INT32_MAX) {
        error = "--ansi-codepage needs a code page number, not \"" + value + "\"";
        return false;
      }
      c.ansiCodePage = static_cast<int32_t>(codePage);
    }
  }
  return true;
}

std::string CommonOptionsHelp() {
  return "Common options:\n"
         "  --collation auto|NAME   collation of 8-bit text: from the file (auto, the default)\n"
         "                          or a name (or id) listed in collation.txt\n"
         "  --ansi-codepage N       8-bit code page when no collation is known (default 1252)\n"
         "  --advanced              Advanced recovery mode: tables are read from the catalog's page list\n"
         "  --show-deleted          include deleted rows\n"
         "  --show-advanced-deleted also search free space for deleted rows\n"
         "  --snapshot FILE         take the page maps from a snapshot file\n"
         "  --log-dir DIR           write the activity log into DIR\n"
         "  --json                  machine-readable output\n"
         "  -h, --help              this help\n";
}

bool PrepareEngineState(const CommonOptions& options, EngineState& state, std::string& error) {
  state.showDeleted = options.showDeleted || options.showAdvancedDeleted;
  state.showAdvancedDeleted = options.showAdvancedDeleted;
  state.defaultAnsiCodePage = options.ansiCodePage;
  state.collation.activeCodePage = options.ansiCodePage;
  LoadCollationTable(ExecutableFolder(), state.collations);

  if (options.collation.empty() || options.collation == "auto") {
    state.collation.collationAuto = 1;
    return true;
  }
  std::optional<int64_t> id = FindCollationByName(state.collations, options.collation);
  int64_t numeric = 0;
  if (!id && ParseInteger(options.collation, numeric) && FindCollation(state.collations, numeric)) id = numeric;
  if (!id) {
    error = state.collations.empty()
                ? "unknown collation \"" + options.collation + "\": no collation.txt beside the program"
                : "unknown collation \"" + options.collation + "\" (not listed in collation.txt)";
    return false;
  }
  state.collation.collationAuto = 0;
  state.collation.manualCollationId = *id;
  return true;
}

}  // namespace pagewright::cli
