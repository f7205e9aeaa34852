#include "catalog/catalog_loader.h"

#include <optional>
#include <set>

#include "catalog/catalog_rows.h"
#include "catalog/open_sequence.h"
#include "catalog/secondary_files.h"
#include "storage/engine_state.h"
#include "storage/page.h"
#include "storage/record.h"

namespace pagewright {

namespace {

namespace layout = catalog_layout;
namespace id = catalog_object;

// Header index ids from here on belong to user allocation units.
constexpr uint16_t kFirstUserIndexId = 256;

bool IsSystemTablePage(const MappedPage& page) { return page.indexId < kFirstUserIndexId; }

// Whether a boot page's version number names the 2000 catalog layout (7.0
// and 2000: 515, 539) or the 2005+ one (611 and up); nothing for a number no
// release wrote, as a damaged boot page gives.
std::optional<bool> LayoutOfVersion(uint16_t version) {
  if (version >= 500 && version < 600) return true;
  if (version >= 600 && version < 1500) return false;
  return std::nullopt;
}

}  // namespace

bool CatalogLoader::Stopped() const { return file_.state().cancelFlag.load(std::memory_order_relaxed); }

bool CatalogLoader::HasCatalogPages(int32_t catalogObjectId) const {
  auto entry = file_.systemPages.find(catalogObjectId);
  if (entry == file_.systemPages.end()) return false;
  for (const MappedPage& page : entry->second)
    if (IsSystemTablePage(page)) return true;
  return false;
}

void CatalogLoader::ForEachRow(int32_t catalogObjectId, int32_t minimumLength, bool skipIndexRecords,
                               bool dataPagesOnly, const RowVisitor& visit, const PageDone& afterPage) {
  auto entry = file_.systemPages.find(catalogObjectId);
  if (entry == file_.systemPages.end()) return;
  for (const MappedPage& mapped : entry->second) {
    if (Stopped()) return;
    if (!IsSystemTablePage(mapped)) continue;
    if (dataPagesOnly && mapped.pageType != page_type::kData) continue;
    std::unique_ptr<CDataPage> page = file_.ReadCatalogPage(mapped.pageId());
    if (!page) continue;
    size_t slotCount = page->header ? static_cast<size_t>(std::max<int>(page->header->slotCount, 0)) : 0;
    size_t visitCount = std::min(slotCount, page->records.size());
    for (size_t slot = 0; slot < visitCount; ++slot) {
      if (Stopped()) return;
      const auto* record = dynamic_cast<const CPrimaryRecord*>(page->records[slot].get());
      if (!IsCatalogRow(record, minimumLength, skipIndexRecords)) continue;
      visit(*record, mapped);
    }
    if (afterPage) afterPage();
  }
}

void CatalogLoader::LoadDatabaseFiles(std::vector<DataFileDef>& out) {
  ForEachRow(id::kDatabaseFiles, layout::files::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseDataFileRow(record)); });
}

void CatalogLoader::LoadObjects(int32_t catalogObjectId, bool legacy, std::vector<ObjectDef>& out) {
  repairCounter = 0;
  ForEachRow(catalogObjectId, layout::objects::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) {
               auto row = legacy ? ParseLegacyObjectRow(record, repairCounter) : ParseObjectRow(record, repairCounter);
               if (row) out.push_back(std::move(*row));
             });
  repairCounter = 0;
}

void CatalogLoader::LoadAllocationUnits(std::vector<AllocationUnitDef>& out) {
  ForEachRow(id::kAllocationUnits, layout::allocation_units::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseAllocationUnitRow(record)); });
}

void CatalogLoader::LoadRowsets(std::vector<RowsetDef>& out) {
  ForEachRow(id::kRowsets, layout::rowsets::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseRowsetRow(record)); });
}

void CatalogLoader::LoadColumns(int32_t catalogObjectId, std::vector<ColumnRowDef>& out) {
  repairCounter = 0;
  ForEachRow(catalogObjectId, layout::columns::kMinLength, true, false,
             [&](const CPrimaryRecord& record, const MappedPage&) {
               out.push_back(ParseColumnRow(record, repairCounter));
             });
  repairCounter = 0;
}

void CatalogLoader::LoadPhysicalColumns(std::vector<PhysicalColumnDef>& out) {
  ForEachRow(id::kPhysicalColumns, layout::physical_columns::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) {
               if (auto row = ParsePhysicalColumnRow(record)) out.push_back(*row);
             });
}

void CatalogLoader::LoadHobtColumns(std::vector<HobtColumnDef>& out) {
  ForEachRow(id::kHobtColumns, 0, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseHobtColumnRow(record)); });
}

void CatalogLoader::LoadRowsetColumns(std::vector<RowsetColumnDef>& out) {
  ForEachRow(id::kRowsetColumns, 0, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseRowsetColumnRow(record)); });
}

void CatalogLoader::LoadIndexes(std::vector<IndexDef>& out) {
  ForEachRow(id::kIndexes, layout::indexes::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseIndexRow(record)); });
}

void CatalogLoader::LoadIndexColumns(std::vector<IndexColumnDef>& out) {
  ForEachRow(id::kIndexColumns, layout::index_columns::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseIndexColumnRow(record)); });
}

void CatalogLoader::LoadObjectRefs(std::vector<ObjectRefDef>& out) {
  ForEachRow(id::kObjectRefs, 0, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseObjectRefRow(record)); });
}

void CatalogLoader::LoadScalarTypes(std::vector<ScalarTypeDef>& out) {
  ForEachRow(id::kScalarTypes, layout::scalar_types::kMinLength, false, false,
             [&](const CPrimaryRecord& record, const MappedPage&) { out.push_back(ParseScalarTypeRow(record)); });
}

void CatalogLoader::LoadLegacyIndexes(std::map<int32_t, LegacyIndexDef>& out) {
  repairCounter = 0;
  // "At least 64 bytes": IsCatalogRow asks for more than its minimum.
  ForEachRow(id::kLegacyIndexes, layout::legacy_indexes::kMinLength - 1, true, true,
             [&](const CPrimaryRecord& record, const MappedPage& page) {
               if (auto row = ParseLegacyIndexRow(record, page.fileId)) out[row->objectId] = *row;
             });
  repairCounter = 0;
}

void CatalogLoader::LoadLegacyIndexKeys(std::vector<LegacyIndexKeysDef>& out) {
  std::set<std::pair<int32_t, int16_t>> seen;
  ForEachRow(id::kLegacyIndexes, layout::legacy_indexes::kMinLength - 1, true, true,
             [&](const CPrimaryRecord& record, const MappedPage&) {
               auto row = ParseLegacyIndexKeysRow(record);
               if (row && seen.insert({row->objectId, row->indexId}).second) out.push_back(std::move(*row));
             });
}

void CatalogLoader::LoadLegacyForeignKeys(std::vector<ForeignKeyColumnDef>& out) {
  std::set<int32_t> seen;
  ForEachRow(id::kLegacyReferences, 0, true, true, [&](const CPrimaryRecord& record, const MappedPage&) {
    std::vector<ForeignKeyColumnDef> pairs = ParseLegacyReferenceRow(record);
    if (pairs.empty() || !seen.insert(pairs.front().constraintId).second) return;
    out.insert(out.end(), pairs.begin(), pairs.end());
  });
}

void CatalogLoader::LoadLegacyColumns(std::vector<LegacyColumnDef>& out, std::vector<LegacyTableDef>& tables) {
  repairCounter = 0;
  size_t attachedUpTo = out.size();
  std::map<int32_t, size_t> tableByObjectId;
  for (size_t index = 0; index < tables.size(); ++index) tableByObjectId.emplace(tables[index].objectId, index);
  ForEachRow(
      id::kLegacyColumns, 0, true, false,
      [&](const CPrimaryRecord& record, const MappedPage&) {
        if (auto row = ParseLegacyColumnRow(record, repairCounter)) out.push_back(std::move(*row));
      },
      [&]() {
        for (; attachedUpTo < out.size(); ++attachedUpTo) {
          const LegacyColumnDef& column = out[attachedUpTo];
          auto table = tableByObjectId.find(column.objectId);
          if (table == tableByObjectId.end()) continue;
          tables[table->second].columns.push_back({column.name, column.columnOrder, column.typeStatus});
        }
      });
  repairCounter = 0;
}

void SynthesiseObjects(DatabaseCatalog& catalog) {
  std::set<int32_t> known;
  for (const ObjectDef& object : catalog.objects) known.insert(object.objectId);
  auto synthesise = [&](int32_t objectId) {
    if (!known.insert(objectId).second) return;
    ObjectDef object;
    object.objectId = objectId;
    object.name = std::to_string(objectId);
    object.type = "U ";
    catalog.objects.push_back(std::move(object));
  };
  if (catalog.legacyCatalog) {
    for (const LegacyColumnDef& column : catalog.legacyColumnRows) synthesise(column.objectId);
  } else {
    for (const ColumnRowDef& column : catalog.columnRows) synthesise(column.objectId);
  }
}

void CatalogLoader::Bootstrap(DatabaseCatalog& catalog) {
  EngineState& state = file_.state();

  std::optional<BootPageFacts> boot = ReadDatabaseName(file_);
  LoadDatabaseFiles(catalog.files);
  LocateSecondaryFiles(file_, catalog.files);

  LoadObjects(id::kObjects, false, catalog.objects);
  bool legacy = false;
  if (catalog.objects.empty()) {
    LoadObjects(id::kLegacyObjects, true, catalog.objects);
    if (!catalog.objects.empty()) {
      legacy = true;
    } else if (auto layout = boot ? LayoutOfVersion(boot->version) : std::nullopt) {
      legacy = *layout;
    } else {
      legacy = !HasCatalogPages(id::kColumns) && !HasCatalogPages(id::kMoreColumns);
    }
  }
  state.legacyCatalog.store(legacy);
  catalog.legacyCatalog = legacy;

  // The 2000 layout has no allocation-unit table; its object id 99 marks the
  // allocation pages, whose records are no unit rows.
  if (!legacy) LoadAllocationUnits(catalog.allocationUnits);
  LoadRowsets(catalog.rowsets);

  if (legacy) {
    LoadLegacyIndexes(catalog.legacyIndexes);
    for (const auto& [objectId, index] : catalog.legacyIndexes) {
      if (objectId <= 100) continue;
      LegacyTableDef table;
      table.objectId = objectId;
      for (const ObjectDef& object : catalog.objects) {
        if (object.objectId == objectId) {
          table.name = object.name;
          break;
        }
      }
      catalog.legacyTables.push_back(std::move(table));
    }
    LoadLegacyIndexKeys(catalog.legacyIndexKeys);
    LoadLegacyColumns(catalog.legacyColumnRows, catalog.legacyTables);
    LoadLegacyForeignKeys(catalog.foreignKeyColumns);
    NameForeignKeyColumns(catalog);
  } else {
    LoadColumns(id::kColumns, catalog.columnRows);
    LoadColumns(id::kMoreColumns, catalog.columnRows);
  }

  if (catalog.objects.empty()) SynthesiseObjects(catalog);

  LoadScalarTypes(catalog.scalarTypes);

  if (!legacy) {
    LoadPhysicalColumns(catalog.physicalColumnRows);
    LoadObjectRefs(catalog.objectRefs);
    LoadIndexes(catalog.indexes);
    LoadIndexColumns(catalog.indexColumns);
    LoadHobtColumns(catalog.hobtColumnRows);
    LoadRowsetColumns(catalog.rowsetColumnRows);
    CollectConstraints(catalog);
  }
  catalog.RebuildIndexes();
}

bool OpenDatabase(const std::string& path, EngineState& state, OpenNotifier* notifier, OpenedDatabase& out,
                  const OpenOptions& options) {
  out.catalog.reset();
  out.file = OpenDatabaseFile(path, state, notifier, options);
  if (!out.file || !out.file->isOpen) return false;
  out.catalog = std::make_unique<DatabaseCatalog>(out.file.get());
  CatalogLoader loader(*out.file);
  loader.Bootstrap(*out.catalog);
  out.file->catalog = out.catalog.get();
  return true;
}

}  // namespace pagewright
