// pagewright columns FILE TABLE: the resolved columns of one table.
#include <cstdio>
#include <string>
#include <utility>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "cli/command.h"
#include "cli/console_notifier.h"
#include "cli/json.h"
#include "cli/open_for_info.h"
#include "cli/options.h"
#include "cli/table_lookup.h"

namespace pagewright::cli {

namespace {

constexpr const char* kColumnsHelp =
    "Usage: pagewright columns [OPTIONS] FILE TABLE\n"
    "\n"
    "Rebuilds the catalog of a primary data file and resolves one table (a user\n"
    "table, else a system table of that name): its columns in column order, one\n"
    "per line, tab-separated after a header line: column id, name, type text (the\n"
    "type name and the stored length in bytes, e.g. nvarchar(80)), declared type\n"
    "(nvarchar(40)), NULL or NOT NULL, key flags (PK primary key, UQ unique, FK\n"
    "foreign key -> table.column), identity, computed-column definition. A last\n"
    "line gives the number of data pages found for the table. When no table has\n"
    "exactly that name, the one whose name differs only in the case of A-Z is taken.\n"
    "\n"
    "  --json   one object: {\"table\":\"...\",\"columns\":[{\"name\":\"...\",\n"
    "           \"typeText\":\"...\",\"typeCode\":N,\"nullable\":bool,\n"
    "           \"primaryKey\":bool,\"identity\":\"...\",\"definition\":\"...\",\n"
    "           \"columnId\":N,\"declaredType\":\"...\"}],\"pages\":N}\n"
    "\n"
    "Exit codes: 0 success, 1 usage error, 2 the file cannot be opened or is not a\n"
    "valid data file, 3 no table of that name, 4 the --snapshot file cannot be read.\n"
    "\n";

constexpr const char* kNoObjects =
    "Either it is not valid mdf file or highly corrupted, select another file to recover.";

// One field per tab-separated cell: control characters are escaped.
std::string Printable(const std::string& text) {
  std::string out;
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

std::string KeyFlags(const ColumnDef& column) {
  std::string flags;
  auto add = [&](const std::string& flag) { flags += (flags.empty() ? "" : " ") + flag; };
  if (column.isPrimaryKey) add("PK");
  if (column.isUnique || column.isUniqueConstraint) add("UQ");
  if (column.isForeignKey) add("FK -> " + column.referencedTableName + "." + column.referencedColumnName);
  return flags;
}

int RunColumns(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {}, command, error)) {
    PrintError("columns: " + error + " (see pagewright columns --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kColumnsHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 2) {
    PrintError("columns: expects FILE and TABLE (see pagewright columns --help)");
    return kExitUsage;
  }
  EngineState state;
  if (!PrepareEngineState(command.common, state, error)) {
    PrintError("columns: " + error);
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
    PrintError("columns: " + path + ": " + NoTableMessage(tableName, lookup));
    return kExitNoSuchObject;
  }
  std::vector<ColumnDef> columns = std::move(lookup.columns);
  const TableDef& table = catalog.currentTable;

  if (command.common.json) {
    std::string list = "[";
    for (size_t index = 0; index < columns.size(); ++index) {
      const ColumnDef& column = columns[index];
      JsonObject entry;
      entry.Add("name", column.name)
          .Add("typeText", column.typeText)
          .Add("typeCode", static_cast<int64_t>(column.typeCode))
          .Add("nullable", column.nullable != 0)
          .Add("primaryKey", column.isPrimaryKey != 0)
          .Add("identity", column.identityText)
          .Add("definition", column.physicalColumnId == -99 ? column.definitionText : std::string())
          .Add("columnId", static_cast<int64_t>(column.columnId))
          .Add("declaredType", DeclarationText(column));
      if (index) list += ",";
      list += entry.str();
    }
    list += "]";
    JsonObject out;
    out.Add("table", table.object.name).AddRaw("columns", list).Add("pages", static_cast<int64_t>(table.pages.size()));
    std::printf("%s\n", out.str().c_str());
    return kExitOk;
  }
  std::printf("columnId\tname\ttypeText\tdeclared\tnull\tkeys\tidentity\tdefinition\n");
  for (const ColumnDef& column : columns) {
    std::printf("%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", column.columnId, Printable(column.name).c_str(),
                Printable(column.typeText).c_str(), Printable(DeclarationText(column)).c_str(),
                column.nullable ? "NULL" : "NOT NULL", Printable(KeyFlags(column)).c_str(),
                Printable(column.identityText).c_str(),
                Printable(column.physicalColumnId == -99 ? column.definitionText : std::string()).c_str());
  }
  std::printf("pages\t%zu\n", table.pages.size());
  return kExitOk;
}

const CommandRegistrar kColumns({"columns", "columns FILE TABLE",
                                 "a table's resolved columns: type, nullability, keys, identity, computed text", 40,
                                 RunColumns});

}  // namespace
}  // namespace pagewright::cli
