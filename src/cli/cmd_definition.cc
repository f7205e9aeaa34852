// pagewright definition FILE NAME: the source text of a module or constraint,
// or the statement that recreates a key or constraint.
#include <cstdio>
#include <string>

#include "catalog/catalog_loader.h"
#include "catalog/module_definitions.h"
#include "catalog/schema_scripts.h"
#include "catalog/table_resolution.h"
#include "cli/command.h"
#include "cli/console_notifier.h"
#include "cli/json.h"
#include "cli/open_for_info.h"
#include "cli/options.h"

namespace pagewright::cli {

namespace {

constexpr const char* kDefinitionHelp =
    "Usage: pagewright definition [OPTIONS] FILE NAME\n"
    "\n"
    "Rebuilds the catalog of a primary data file and prints what is stored for the\n"
    "object NAME (exact, case-sensitive):\n"
    "  view, procedure, function, trigger, default, check constraint\n"
    "      its source text as the server stored it (check conditions in the\n"
    "      server's normalised form, e.g. ([qty]>(0)))\n"
    "  primary key, unique constraint\n"
    "      the statement that recreates it (ALTER TABLE ... ADD PRIMARY KEY (...))\n"
    "\n"
    "  --script  for a check constraint, the statement that recreates it\n"
    "            (ALTER TABLE ... ADD CONSTRAINT[...] CHECK ...) instead of its text\n"
    "  --json    one object: {\"name\":\"...\",\"objectId\":N,\"type\":\"V \",\n"
    "            \"definition\":\"...\"}\n"
    "\n"
    "Exit codes: 0 success, 1 usage error, 2 the file cannot be opened or is not a\n"
    "valid data file, 3 no such object, or nothing is stored for it, 4 the snapshot\n"
    "given with --snapshot cannot be read.\n"
    "\n";

constexpr const char* kNoObjects =
    "Either it is not valid mdf file or highly corrupted, select another file to recover.";

bool IsModuleType(const std::string& type) {
  for (const char* candidate : {"V ", "P ", "FN", "IF", "TF", "TR", "D ", "C ", "RF", "X "})
    if (type == candidate) return true;
  return false;
}

bool IsKeyType(const std::string& type) { return type == "PK" || type == "UQ"; }

// The first object named `name` whose type has a definition.
const ObjectDef* FindDefinedObject(const DatabaseCatalog& catalog, const std::string& name) {
  for (const ObjectDef& object : catalog.objects)
    if (object.name == name && (IsModuleType(object.type) || IsKeyType(object.type))) return &object;
  return nullptr;
}

std::string KeyStatement(DatabaseCatalog& catalog, const ObjectDef& key) {
  const bool primary = key.type == "PK";
  if (catalog.legacyCatalog)
    return primary ? BuildPrimaryKeyScript(catalog, key.parentId) : BuildUniqueScript(catalog, key.parentId, key.name);
  const ObjectDef* table = catalog.FindObjectById(key.parentId);
  if (!table) return primary ? BuildPrimaryKeyScript(TableDef{}) : BuildUniqueScript(TableDef{}, key.name);
  ResolveTable(catalog, table->name, table->type, {});
  return primary ? BuildPrimaryKeyScript(catalog.currentTable) : BuildUniqueScript(catalog.currentTable, key.name);
}

int RunDefinition(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {{"--script", false}}, command, error)) {
    PrintError("definition: " + error + " (see pagewright definition --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kDefinitionHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 2) {
    PrintError("definition: expects FILE and NAME (see pagewright definition --help)");
    return kExitUsage;
  }
  EngineState state;
  if (!PrepareEngineState(command.common, state, error)) {
    PrintError("definition: " + error);
    return kExitUsage;
  }
  const std::string& path = command.positional[0];
  const std::string& name = command.positional[1];
  ConsoleNotifier notifier(path);
  OpenedDatabase opened;
  if (int code = OpenDatabaseForCommand(command.common, path, state, &notifier, opened); code != kExitOk) return code;
  DatabaseCatalog& catalog = *opened.catalog;
  if (catalog.objects.empty()) {
    PrintError(path + ": " + kNoObjects);
    return kExitCannotOpen;
  }
  const ObjectDef* found = FindDefinedObject(catalog, name);
  if (!found) {
    PrintError("definition: " + path + ": no view, procedure, function, trigger, default, key or constraint named \"" +
               name + "\"");
    return kExitNoSuchObject;
  }
  const ObjectDef object = *found;

  std::string text;
  if (IsKeyType(object.type)) {
    text = KeyStatement(catalog, object);
  } else {
    std::vector<ModuleValue> values = LoadModuleValues(*opened.file, catalog);
    text = GetModuleDefinition(values, std::to_string(object.objectId), state);
    if (text.empty()) {
      PrintError("definition: " + path + ": no definition is stored for \"" + name + "\"");
      return kExitNoSuchObject;
    }
    if (object.type == "C " && command.Has("--script")) {
      const ObjectDef* table = catalog.FindObjectById(object.parentId);
      text = BuildCheckScript(table ? table->name : std::string(), object.name, text);
    }
  }

  if (command.common.json) {
    JsonObject out;
    out.Add("name", object.name)
        .Add("objectId", static_cast<int64_t>(object.objectId))
        .Add("type", object.type)
        .Add("definition", text);
    std::printf("%s\n", out.str().c_str());
    return kExitOk;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stdout);
  return kExitOk;
}

const CommandRegistrar kDefinition({"definition", "definition FILE NAME",
                                    "source text of a module or constraint, or the statement recreating a key", 50,
                                    RunDefinition});

}  // namespace
}  // namespace pagewright::cli
