// Table resolution: from an object name and type to the current table of the
// catalog — the object, its rowset and allocation units, its data pages, and
// the ColumnDef list the row decoders read.
//
// Which rows describe a table, by catalog generation:
//
//   what              2000 (legacyCatalog)      2005                     2008 and later
//   storage           pages by object id        rowsets (5), allocation units (7)
//   columns           legacyColumnRows (3)      columnRows (41, 2187)    columnRows
//   physical layout   xOffset, offset of the    hobtColumnRows (13) via  physicalColumnRows (3)
//                     column row                rowsetColumnRows (4)
//   keys              indexes (2): status and   indexes (54), index columns (55)
//                     key description
//   foreign keys      foreignKeyColumns (from   foreignKeyColumns (from 74)
//                     14)
//
// Page ownership (2005 and later). A page belongs to allocation unit U when
// its header object id is bits 16-47 of U and its header index id bits 48-63
// of U; units carried over from SQL Server 2000 (bits 48-63 below 256) are
// matched by object id alone. A table's page list holds the type-1 pages of
// its in-row units only, each page once, unit by unit in page-map order: an
// index unit's pages, or a user unit whose object id bits collide with a
// system table's id, never add foreign rows. SQL Server 2000 pages carry the
// table's object id; they too are listed once each.
//
// Column types. typeText is the type name followed by the column row's
// length in bytes ("nvarchar(80)" for nvarchar(40), "varchar(-1)" for
// varchar(max)); declaredLength and the value formatter take that byte count
// from it. Where no scalar-type row names the type (every 2000 file) the
// system type's standard name is used. DeclarationText gives the form a
// CREATE TABLE statement would use, for display.
//
// Lookups. The resolver indexes the catalog collections it would otherwise
// walk once per table (objects by name, rowsets and index rows by object id,
// allocation units by owner, physical columns by rowset, ...) and takes the
// same row a walk would: first or last match exactly as described per step.
// The indexes are rebuilt whenever a collection's size has changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalog/column_def.h"
#include "catalog/database_catalog.h"

namespace pagewright {

// Object types that are no table: resolving one gives three blank entries
// whose definitionText hold the decimal object id, the type and the name.
bool IsNonTableObjectType(const std::string& type);

// The 2005+ index status bits (unique, primary key, unique constraint) that a
// SQL Server 2000 index status carries.
int32_t LegacyIndexStatus(int32_t legacyStatus);

// The standard name of a SQL Server system type ("int", "nvarchar", ...);
// CLR types by their user type (128 hierarchyid, 129 geometry, 130
// geography). Empty for an unknown id.
std::string StandardTypeName(uint8_t systemTypeId, int32_t userTypeId);

// A ColumnDef built from name, type text and type code alone: declaredLength
// and variableLength follow from the code (codes above 34, 31 and 32 become
// varchar, 232 becomes nvarchar); everything else at its initial value.
ColumnDef ConstructColumn(const std::string& name, const std::string& typeText, int32_t typeCode);

// The column's type as a declaration: "nvarchar(40)", "varchar(max)",
// "decimal(10,2)", "int". Character counts for the n-types; typeText keeps
// the byte count.
std::string DeclarationText(const ColumnDef& column);

class TableResolver {
 public:
  explicit TableResolver(DatabaseCatalog& catalog);
  ~TableResolver();
  TableResolver(const TableResolver&) = delete;
  TableResolver& operator=(const TableResolver&) = delete;

  // Rewrites catalog.currentTable for the object named `name` of type `type`
  // (found as DatabaseCatalog::FindObject finds it) and returns its column
  // list, which currentTable.columns holds too. Empty when no object matches;
  // three descriptive entries for a non-table object.
  std::vector<ColumnDef> ResolveTable(const std::string& name, const std::string& type,
                                      const std::vector<ModuleValue>& moduleValues);

 private:
  struct Indexes;
  void RefreshIndexes();
  ObjectDef FindObject(const std::string& name, const std::string& type) const;
  void ResolveStorage();
  void ResolveLegacyPages();
  void CollectColumnRows();
  void CollectIndexKeys();
  void CollectLegacyIndexKeys();
  void BuildColumns();
  void AttachPhysicalInfo();
  void AttachComputedText(const std::vector<ModuleValue>& moduleValues);
  void AttachKeyFlags();

  DatabaseCatalog& catalog_;
  std::unique_ptr<Indexes> indexes_;
};

// One resolution without keeping the resolver's indexes (tests, single
// lookups). Callers resolving many tables keep a TableResolver.
std::vector<ColumnDef> ResolveTable(DatabaseCatalog& catalog, const std::string& name, const std::string& type,
                                    const std::vector<ModuleValue>& moduleValues);

}  // namespace pagewright
