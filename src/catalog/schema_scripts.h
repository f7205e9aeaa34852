// Schema scripts: the statements that recreate a primary key, a unique
// constraint or a check constraint, built from the rebuilt catalog. Shown as
// text; nothing is executed.
//
//   group        statement
//   PrimaryKey   ALTER TABLE %s ADD PRIMARY KEY (%s)
//   Unique       ALTER TABLE[dbo].[%s] WITH NOCHECK ADD CONSTRAINT[%s] UNIQUE CLUSTERED \r\n(\r\n[%s] DSC\r\n)
//   Constraint   ALTER TABLE  [dbo].[%s] WITH NOCHECK ADD CONSTRAINT[%s] CHECK %s
//
// The templates are the product's own and are kept exactly, blanks and "DSC"
// included.
//
// Column lists: a blank, then each qualifying column's name followed by
// " , ", trailing white space removed and the final comma dropped: " id , name ".
// SQL Server 2000 files take the columns from the table's index rows: the key
// columns of its primary-key index, or of the index named like the unique
// constraint, in key order; the table name from legacyTables, or, for a heap
// (legacyTables lists only tables with a clustered index), from its object
// row. Only when the index row or its key description is lost do they fall
// back to the column references of legacyTables (primary key: typeStatus bit
// 0 set; unique: typeStatus 0 or bit 0 set), a rule that lists every NOT NULL
// column.
// Files of 2005 and later have no such rows: their statements are built from
// the resolved table — the key columns of its primary-key index, or of the
// unique index named like the constraint, in key order; failing those, the
// columns flagged as key or unique columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/catalog_records.h"

namespace pagewright {

class DatabaseCatalog;

// The tree's group labels that pick the statement.
inline constexpr char kPrimaryKeyGroup[] = "PrimaryKey";
inline constexpr char kUniqueGroup[] = "Unique";
inline constexpr char kConstraintGroup[] = "Constraint";

// The column list from names, as the statements show it.
std::string ScriptColumnList(const std::vector<std::string>& names);

// SQL Server 2000 layout: from legacyTables and legacyIndexKeys.
std::string BuildPrimaryKeyScript(const DatabaseCatalog& catalog, int32_t tableObjectId);
std::string BuildUniqueScript(const DatabaseCatalog& catalog, int32_t tableObjectId,
                              const std::string& constraintName);
// 2005 and later: from the resolved table.
std::string BuildPrimaryKeyScript(const TableDef& table);
std::string BuildUniqueScript(const TableDef& table, const std::string& constraintName);

std::string BuildCheckScript(const std::string& tableName, const std::string& constraintName,
                             const std::string& condition);

}  // namespace pagewright
