// pagewright rows FILE TABLE: the rows of one table, one screen as the record
// list shows it or every row streamed.
#include <csignal>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "cli/command.h"
#include "cli/console_notifier.h"
#include "cli/json.h"
#include "cli/open_for_info.h"
#include "cli/options.h"
#include "cli/table_lookup.h"
#include "storage/table_rows.h"

namespace pagewright::cli {

namespace {

constexpr const char* kRowsHelp =
    "Usage: pagewright rows [OPTIONS] FILE TABLE\n"
    "\n"
    "Rebuilds the catalog of a primary data file, resolves one table (a user table,\n"
    "else a system table of that name) and prints its rows. When no table has\n"
    "exactly that name, the one whose name differs only in the case of A-Z is taken.\n"
    "\n"
    "  --all        every row, every value read, streamed (the default)\n"
    "  --screen N   screen N (1-based) exactly as the record list shows it: 1000\n"
    "               rows, the first screen with placeholders for large values\n"
    "  --csv        RFC 4180 CSV (CRLF line ends, a header record)\n"
    "  --json       one JSON object per line: {\"columns\":[...]} first, then\n"
    "               {\"row\":[...]} per row, cells as the displayed texts\n"
    "\n"
    "Default output: tab-separated with a header line; tabs, line ends and\n"
    "backslashes in cells are escaped (\\t, \\n, \\r, \\\\).\n"
    "\n"
    "With --snapshot SNAP the page maps come from the snapshot file SNAP instead of a\n"
    "pass over every page.\n"
    "\n"
    "Exit codes: 0 success, 1 usage error, 2 the file cannot be opened or is not a\n"
    "valid data file, 3 no table of that name, 4 the snapshot cannot be read,\n"
    "130 stopped.\n"
    "\n";

constexpr const char* kNoObjects =
    "Either it is not valid mdf file or highly corrupted, select another file to recover.";

std::atomic<bool>* g_stopFlag = nullptr;

extern "C" void OnInterrupt(int) {
  if (g_stopFlag) g_stopFlag->store(true);
}

std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

enum class Format { kTabs, kCsv, kJson };

// Writes rows to stdout as they come; one line buffer reused.
class PrintingView final : public RecordView {
 public:
  explicit PrintingView(Format format) : format_(format) {}

  void Header(const std::vector<std::string>& names) {
    if (format_ == Format::kJson) {
      line_ = "{\"columns\":";
      AppendJsonList(names);
      line_ += "}\n";
    } else {
      Fields(names);
    }
    std::fwrite(line_.data(), 1, line_.size(), stdout);
  }

  void AddRow(const std::vector<std::string>& cells) override {
    if (format_ == Format::kJson) {
      line_ = "{\"row\":";
      AppendJsonList(cells);
      line_ += "}\n";
    } else {
      Fields(cells);
    }
    std::fwrite(line_.data(), 1, line_.size(), stdout);
  }

 private:
  void AppendJsonList(const std::vector<std::string>& items) {
    line_ += '[';
    for (size_t index = 0; index < items.size(); ++index) {
      if (index) line_ += ',';
      line_ += JsonString(items[index]);
    }
    line_ += ']';
  }

  void Fields(const std::vector<std::string>& items) {
    line_.clear();
    for (size_t index = 0; index < items.size(); ++index) {
      if (format_ == Format::kCsv) {
        if (index) line_ += ',';
        const std::string& cell = items[index];
        if (cell.find_first_of(",\"\r\n") == std::string::npos) {
          line_ += cell;
        } else {
          line_ += '"';
          for (char c : cell) {
            if (c == '"') line_ += '"';
            line_ += c;
          }
          line_ += '"';
        }
      } else {
        if (index) line_ += '\t';
        line_ += Printable(items[index]);
      }
    }
    line_ += format_ == Format::kCsv ? "\r\n" : "\n";
  }

  Format format_;
  std::string line_;
};

int RunRows(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {{"--screen", true}, {"--all", false}, {"--csv", false}}, command, error)) {
    PrintError("rows: " + error + " (see pagewright rows --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kRowsHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 2) {
    PrintError("rows: expects FILE and TABLE (see pagewright rows --help)");
    return kExitUsage;
  }
  int64_t screen = 0;
  if (command.Has("--screen")) {
    if (command.Has("--all")) {
      PrintError("rows: --screen and --all cannot be given together");
      return kExitUsage;
    }
    if (!ParseInteger(command.Value("--screen"), screen) || screen < 1) {
      PrintError("rows: --screen expects a screen number from 1");
      return kExitUsage;
    }
  }
  if (command.Has("--csv") && command.common.json) {
    PrintError("rows: --csv and --json cannot be given together");
    return kExitUsage;
  }
  EngineState state;
  if (!PrepareEngineState(command.common, state, error)) {
    PrintError("rows: " + error);
    return kExitUsage;
  }
  const std::string& path = command.positional[0];
  const std::string& tableName = command.positional[1];
  ConsoleNotifier notifier(path);
  OpenedDatabase opened;
  if (int code = OpenDatabaseForCommand(command.common, path, state, &notifier, opened); code != kExitOk) return code;
  DatabaseCatalog& catalog = *opened.catalog;
  if (catalog.objects.empty()) {
    PrintError(path + ": " + kNoObjects);
    return kExitCannotOpen;
  }

  TableResolver resolver(catalog);
  TableLookup lookup = LookUpTable(catalog, resolver, tableName);
  if (!lookup.found) {
    PrintError("rows: " + path + ": " + NoTableMessage(tableName, lookup));
    return kExitNoSuchObject;
  }
  std::vector<ColumnDef> columns = std::move(lookup.columns);

  const Format format = command.common.json ? Format::kJson : command.Has("--csv") ? Format::kCsv : Format::kTabs;
  PrintingView view(format);
  view.Header(ShownColumnNames(columns));

  TableRowLoader loader(*opened.file, catalog.currentTable, std::move(columns),
                        command.common.advanced ? RecoveryMode::kAdvanced : RecoveryMode::kStandard);
  g_stopFlag = &state.cancelFlag;
  std::signal(SIGINT, OnInterrupt);
  bool stopped = false;
  if (screen == 0) {
    loader.StreamAllRows(view);
    stopped = loader.stopped();
  } else {
    // Earlier screens are read as the record list reads them and not shown.
    class SilentView final : public RecordView {
     public:
      void AddRow(const std::vector<std::string>&) override {}
    } silent;
    RecordView& first = screen == 1 ? static_cast<RecordView&>(view) : silent;
    loader.LoadTableRows(first);
    stopped = loader.stopped();
    for (int64_t shown = 1; shown < screen && !stopped; ++shown) {
      if (!loader.ShowNextRows(shown + 1 == screen ? static_cast<RecordView&>(view) : silent)) break;
      stopped = loader.stopped();
    }
  }
  std::signal(SIGINT, SIG_DFL);
  g_stopFlag = nullptr;
  std::fflush(stdout);
  return stopped ? kExitStopped : kExitOk;
}

const CommandRegistrar kRows({"rows", "rows FILE TABLE",
                              "a table's rows: one screen as the record list shows it, or all rows streamed", 50,
                              RunRows});

}  // namespace
}  // namespace pagewright::cli
