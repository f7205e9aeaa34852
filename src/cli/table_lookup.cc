#include "cli/table_lookup.h"

#include "catalog/database_catalog.h"

namespace pagewright::cli {

namespace {

bool IsTableType(const std::string& type) { return type == "U " || type == "S "; }

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t index = 0; index < a.size(); ++index) {
    char x = a[index], y = b[index];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Resolves `name` as `type`; true when that gave a table.
bool ResolveAs(DatabaseCatalog& catalog, TableResolver& resolver, const std::string& name, const char* type,
               std::vector<ColumnDef>& columns) {
  columns = resolver.ResolveTable(name, type, {});
  return catalog.currentTable.object.objectId != -1 && IsTableType(catalog.currentTable.object.type);
}

}  // namespace

TableLookup LookUpTable(DatabaseCatalog& catalog, TableResolver& resolver, const std::string& name) {
  TableLookup lookup;
  if (ResolveAs(catalog, resolver, name, "U ", lookup.columns) ||
      ResolveAs(catalog, resolver, name, "S ", lookup.columns)) {
    lookup.found = true;
    return lookup;
  }
  std::vector<const ObjectDef*> variants;
  for (const ObjectDef& object : catalog.objects)
    if (IsTableType(object.type) && EqualIgnoringAsciiCase(object.name, name)) variants.push_back(&object);
  if (variants.size() == 1) {
    const ObjectDef chosen = *variants.front();
    lookup.found = ResolveAs(catalog, resolver, chosen.name, chosen.type.c_str(), lookup.columns);
    return lookup;
  }
  for (const ObjectDef* object : variants) lookup.caseVariants.push_back(object->name);
  return lookup;
}

std::string NoTableMessage(const std::string& name, const TableLookup& lookup) {
  std::string message = "no table named \"" + name + "\"";
  if (!lookup.caseVariants.empty()) {
    message += " (tables differing from it only in case:";
    for (const std::string& variant : lookup.caseVariants) message += " \"" + variant + "\"";
    message += ")";
  }
  return message;
}

}  // namespace pagewright::cli
