// The catalog bootstrap: fills a DatabaseCatalog with the rows of the
// database's own system tables, found through systemPages (the pages whose
// header names a catalog object id) rather than through allocation data, so
// that whatever page of a system table survived contributes its rows.
//
// Bootstrap order:
//   1. database name (boot page)
//   2. database files (8), then the secondary files located and mapped
//   3. objects (34); when none, the 2000 objects (1) and the layout decision
//   4. allocation units (7; none in the 2000 layout), rowsets (5)
//   5. 2000: indexes (2), the tables they name, the key columns of every
//      index, columns (3), the foreign keys' column pairs (14);
//      2005+: columns (41, then 2187)
//   6. when no object row survived: objects synthesised from the column rows
//   7. scalar types (50)
//   8. 2005+: physical columns (3), object references (74), indexes (54),
//      index columns (55), hobt columns (13), rowset-column map (4), and the
//      constraints collected from them
//
// Layout decision. A file whose objects table (34) yields objects uses the
// 2005-and-later layout. Otherwise the 2000 objects table (1) is read; the file
// is taken as a 2000 file when that gives objects. When neither gives any, the
// boot page's version decides (below 600: 2000), and when the boot page is
// unreadable or names no known release, the file is a 2000 file unless pages
// of the 2005+ columns table (41, 2187) survived. A 2005+ file that lost every
// object row but kept its column rows thus stays a 2005+ file, and its tables
// are offered under names synthesised from their column rows.
//
// Catalog pages. In the 2005+ layout only pages whose header index id is below
// 256 belong to a system table: user allocation units carry 256 and up beside
// an object id that may equal a system table's. 2000 index ids never reach
// 256, so the same test holds for both layouts and is applied before the
// layout is known (also to page maps taken from a snapshot).
//
// Nothing here reports an error: unreadable pages and unusable records are
// skipped, missing names are made up ("Repairname0", "RepairColumn0", ...
// numbered per table), and a stop request ends every loader at its next
// record, leaving what was read.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalog/catalog_records.h"
#include "catalog/database_catalog.h"
#include "catalog/database_file.h"
#include "catalog/open_sequence.h"

namespace pagewright {

class CPrimaryRecord;
class OpenNotifier;
struct EngineState;

class CatalogLoader {
 public:
  explicit CatalogLoader(DatabaseFile& file) : file_(file) {}

  // Runs the whole bootstrap into `catalog` (which should be empty), sets the
  // engine state's legacyCatalog and the catalog's copy of it.
  void Bootstrap(DatabaseCatalog& catalog);

  // The loaders, each over the pages of one catalog object id.
  void LoadDatabaseFiles(std::vector<DataFileDef>& out);
  // `legacy`: the 2000 row offsets.
  void LoadObjects(int32_t catalogObjectId, bool legacy, std::vector<ObjectDef>& out);
  void LoadAllocationUnits(std::vector<AllocationUnitDef>& out);
  void LoadRowsets(std::vector<RowsetDef>& out);
  void LoadColumns(int32_t catalogObjectId, std::vector<ColumnRowDef>& out);
  void LoadPhysicalColumns(std::vector<PhysicalColumnDef>& out);
  void LoadHobtColumns(std::vector<HobtColumnDef>& out);
  void LoadRowsetColumns(std::vector<RowsetColumnDef>& out);
  void LoadIndexes(std::vector<IndexDef>& out);
  void LoadIndexColumns(std::vector<IndexColumnDef>& out);
  void LoadObjectRefs(std::vector<ObjectRefDef>& out);
  void LoadScalarTypes(std::vector<ScalarTypeDef>& out);
  void LoadLegacyIndexes(std::map<int32_t, LegacyIndexDef>& out);
  // The indexes of the 2000 index table with their key columns (the first row
  // of each object and index id).
  void LoadLegacyIndexKeys(std::vector<LegacyIndexKeysDef>& out);
  // The column pairs of the 2000 foreign keys (object id 14), names empty.
  void LoadLegacyForeignKeys(std::vector<ForeignKeyColumnDef>& out);
  // Loads the 2000 column rows and attaches each page's new rows to the
  // tables of `tables` with the same object id.
  void LoadLegacyColumns(std::vector<LegacyColumnDef>& out, std::vector<LegacyTableDef>& tables);

  // Numbers the made-up names; restarts at 0 for each table that can make
  // them up (objects, columns, 2000 indexes and columns).
  uint64_t repairCounter = 0;

 private:
  using RowVisitor = std::function<void(const CPrimaryRecord& record, const MappedPage& page)>;
  using PageDone = std::function<void()>;
  // Visits, in map order and slot order, every record of systemPages[id] that
  // IsCatalogRow accepts with `minimumLength`. `dataPagesOnly` keeps only the
  // pages whose header type is 1. `afterPage` runs after each page read.
  void ForEachRow(int32_t catalogObjectId, int32_t minimumLength, bool skipIndexRecords, bool dataPagesOnly,
                  const RowVisitor& visit, const PageDone& afterPage = nullptr);
  bool Stopped() const;
  bool HasCatalogPages(int32_t catalogObjectId) const;

  DatabaseFile& file_;
};

// Fills constraints, resolvedConstraints and foreignKeyColumns from the
// objects, object references and column rows already in `catalog` (2005+
// layout): objects owned by other objects, their references, and the named
// column pairs of foreign keys.
void CollectConstraints(DatabaseCatalog& catalog);

// Fills the names of the foreignKeyColumns pairs (constraint, tables,
// columns) from the objects and the column rows of either layout.
void NameForeignKeyColumns(DatabaseCatalog& catalog);

// Appends, for every column row whose object id is not among the objects, an
// object of type "U " named after its decimal id (columnRows in the 2005+
// layout, legacyColumnRows in the 2000 one). Only used when no object row
// survived.
void SynthesiseObjects(DatabaseCatalog& catalog);

// An opened database: the file and, when the open succeeded, its catalog.
struct OpenedDatabase {
  std::unique_ptr<DatabaseFile> file;
  std::unique_ptr<DatabaseCatalog> catalog;
};

// Opens `path` (the open sequence: probe, mapping scan) and bootstraps its
// catalog. True when the file opened: then out.catalog holds the catalog and
// out.file->catalog points at it. False when the open failed; out.file still
// holds the DatabaseFile (its notifier was told why) and out.catalog is null.
// Whether any object was read is the caller's judgement.
// `options` selects snapshot mode (catalog/open_sequence.h).
bool OpenDatabase(const std::string& path, EngineState& state, OpenNotifier* notifier, OpenedDatabase& out,
                  const OpenOptions& options = {});

}  // namespace pagewright
