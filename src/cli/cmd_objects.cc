// pagewright objects FILE: the objects of the rebuilt catalog.
#include <cstdio>
#include <string>

#include "catalog/catalog_loader.h"
#include "cli/command.h"
#include "cli/console_notifier.h"
#include "cli/json.h"
#include "cli/open_for_info.h"
#include "cli/options.h"

namespace pagewright::cli {

namespace {

constexpr const char* kObjectsHelp =
    "Usage: pagewright objects [OPTIONS] FILE\n"
    "\n"
    "Rebuilds the catalog of a primary data file from the system tables stored in\n"
    "it (SQL Server 2000 layout or 2005 and later) and lists its objects in catalog\n"
    "order, one per line, tab-separated after a header line: object id, type code\n"
    "(two characters, e.g. \"U \" user table, \"V \" view, \"P \" procedure), name,\n"
    "parent id. Tables whose object row is lost are listed under their numeric id;\n"
    "nameless rows get made-up names (Repairname0, ...). Tabs, line ends and other\n"
    "control characters in names are shown as \\t, \\n, \\xNN.\n"
    "\n"
    "  --show-deleted            also read ghost (deleted) rows of the system tables\n"
    "  --show-advanced-deleted   with --show-deleted: also rows left in free space\n"
    "  --json   one object: {\"legacyCatalog\":bool,\"objects\":[{\"objectId\":N,\n"
    "           \"type\":\"U \",\"name\":\"...\",\"parentId\":N,\"schemaId\":N}]}\n"
    "\n"
    "Exit codes: 0 success, 1 usage error, 2 the file cannot be opened or is not a\n"
    "valid data file (no catalog object could be read), 4 the --snapshot file cannot\n"
    "be read.\n"
    "\n";

constexpr const char* kNoObjects =
    "Either it is not valid mdf file or highly corrupted, select another file to recover.";

// One line per object: control characters would split or shift the columns.
std::string PrintableField(const std::string& text) {
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

int RunObjects(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {}, command, error)) {
    PrintError("objects: " + error + " (see pagewright objects --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kObjectsHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 1) {
    PrintError("objects: expects one FILE (see pagewright objects --help)");
    return kExitUsage;
  }
  EngineState state;
  if (!PrepareEngineState(command.common, state, error)) {
    PrintError("objects: " + error);
    return kExitUsage;
  }
  const std::string& path = command.positional[0];
  ConsoleNotifier notifier(path);
  OpenedDatabase opened;
  if (int code = OpenDatabaseForCommand(command.common, path, state, &notifier, opened); code != kExitOk) return code;
  const DatabaseCatalog& catalog = *opened.catalog;
  if (catalog.objects.empty()) {
    PrintError(path + ": " + kNoObjects);
    return kExitCannotOpen;
  }

  if (command.common.json) {
    std::string list = "[";
    for (size_t index = 0; index < catalog.objects.size(); ++index) {
      const ObjectDef& object = catalog.objects[index];
      JsonObject entry;
      entry.Add("objectId", static_cast<int64_t>(object.objectId))
          .Add("type", object.type)
          .Add("name", object.name)
          .Add("parentId", static_cast<int64_t>(object.parentId))
          .Add("schemaId", static_cast<int64_t>(object.schemaId));
      if (index) list += ",";
      list += entry.str();
    }
    list += "]";
    JsonObject out;
    out.Add("legacyCatalog", catalog.legacyCatalog).AddRaw("objects", list);
    std::printf("%s\n", out.str().c_str());
    return kExitOk;
  }
  std::printf("objectId\ttype\tname\tparentId\n");
  for (const ObjectDef& object : catalog.objects) {
    std::printf("%d\t%s\t%s\t%d\n", object.objectId, PrintableField(object.type).c_str(),
                PrintableField(object.name).c_str(), object.parentId);
  }
  return kExitOk;
}

const CommandRegistrar kObjects({"objects", "objects FILE", "the rebuilt catalog's objects: id, type, name, parent",
                                 30, RunObjects});

}  // namespace
}  // namespace pagewright::cli
