// The table a console command names: a user table of exactly that name, else
// a system table of exactly that name, else the one table (user or system)
// whose name differs from it only in the letter case of A-Z. Identifiers in
// the usual case-insensitive databases are typed in any case ("reviewuri" for
// Reviewuri), as the server itself would take them; an exact name always wins,
// so tables differing only in case stay reachable in a case-sensitive one.
#pragma once

#include <string>
#include <vector>

#include "catalog/column_def.h"
#include "catalog/table_resolution.h"

namespace pagewright::cli {

struct TableLookup {
  bool found = false;
  std::vector<ColumnDef> columns;  // as ResolveTable gave them; catalog.currentTable is the table
  // When not found: the tables whose names match only when case is ignored
  // (two or more), for the error message.
  std::vector<std::string> caseVariants;
};

// Resolves the named table into catalog.currentTable.
TableLookup LookUpTable(DatabaseCatalog& catalog, TableResolver& resolver, const std::string& name);

// "no table named "x"", with the candidates when the name was ambiguous.
std::string NoTableMessage(const std::string& name, const TableLookup& lookup);

}  // namespace pagewright::cli
