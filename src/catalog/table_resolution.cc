#include "catalog/table_resolution.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "catalog/catalog_text.h"
#include "catalog/mapping_scan.h"
#include "values/type_codes.h"
#include "values/value_format.h"

namespace pagewright {

namespace {

namespace code = type_code;

constexpr int32_t kNoStorage = -99;
constexpr uint8_t kInRowData = 1;
constexpr int32_t kDataPageType = 1;

constexpr const char* kNonTableTypes[] = {"PK", "X ", "P ", "C ", "FN", "IF", "TR", "V ", "D ", "TT", "F ", "TF"};

template <typename Key>
using Positions = std::unordered_map<Key, std::vector<size_t>>;

template <typename Key, typename Rows, typename KeyOf>
void BuildPositions(Positions<Key>& index, const Rows& rows, KeyOf keyOf) {
  index.clear();
  index.reserve(rows.size());
  for (size_t position = 0; position < rows.size(); ++position) index[keyOf(rows[position])].push_back(position);
}

template <typename Key>
const std::vector<size_t>& PositionsOf(const Positions<Key>& index, Key key) {
  static const std::vector<size_t> kNone;
  auto found = index.find(key);
  return found == index.end() ? kNone : found->second;
}

bool HasAnyPage(const AllocationUnitDef& unit) {
  const PageId none{};
  return unit.firstPage != none || unit.rootPage != none || unit.firstIamPage != none;
}

AllocationUnitDef SynthesisedUnit(int64_t rowsetId) {
  AllocationUnitDef unit;
  unit.allocationUnitId = rowsetId;
  unit.ownerId = rowsetId;
  // In-row data: a lost unit row is recreated only for the rowset's rows.
  unit.type = kInRowData;
  return unit;
}

std::string ModuleText(const std::string& valueText) {
  auto bytes = DecodeModuleValue(valueText);
  if (!bytes || bytes->bytes.empty()) return std::string();
  ByteView view(bytes->bytes.data(), bytes->bytes.size());
  return bytes->isWide ? Utf16LeToUtf8(view) : Latin1ToUtf8(view);
}

}  // namespace

int32_t LegacyIndexStatus(int32_t legacyStatus) {
  int32_t status = 0;
  if (legacyStatus & legacy_index_status::kUnique) status |= index_status::kUnique;
  if (legacyStatus & legacy_index_status::kPrimaryKey) status |= index_status::kPrimaryKey;
  if (legacyStatus & legacy_index_status::kUniqueConstraint) status |= index_status::kUniqueConstraint;
  return status;
}

bool IsNonTableObjectType(const std::string& type) {
  for (const char* nonTable : kNonTableTypes)
    if (type == nonTable) return true;
  return false;
}

std::string StandardTypeName(uint8_t systemTypeId, int32_t userTypeId) {
  namespace st = system_type;
  switch (systemTypeId) {
    case st::kImage: return "image";
    case st::kText: return "text";
    case st::kUniqueIdentifier: return "uniqueidentifier";
    case st::kDate: return "date";
    case st::kTime: return "time";
    case st::kDateTime2: return "datetime2";
    case st::kDateTimeOffset: return "datetimeoffset";
    case st::kTinyInt: return "tinyint";
    case st::kSmallInt: return "smallint";
    case st::kInt: return "int";
    case st::kSmallDateTime: return "smalldatetime";
    case st::kReal: return "real";
    case st::kMoney: return "money";
    case st::kDateTime: return "datetime";
    case st::kFloat: return "float";
    case st::kSqlVariant: return "sql_variant";
    case st::kNText: return "ntext";
    case st::kBit: return "bit";
    case st::kDecimal: return "decimal";
    case st::kNumeric: return "numeric";
    case st::kSmallMoney: return "smallmoney";
    case st::kBigInt: return "bigint";
    case st::kVarBinary: return "varbinary";
    case st::kVarChar: return "varchar";
    case st::kBinary: return "binary";
    case st::kChar: return "char";
    case st::kTimestamp: return "timestamp";
    case st::kNVarChar: return "nvarchar";
    case st::kNChar: return "nchar";
    case st::kXml: return "xml";
    case st::kClrType:
      if (userTypeId == 128) return "hierarchyid";
      if (userTypeId == 129) return "geometry";
      if (userTypeId == 130) return "geography";
      return "clr";
    default: return std::string();
  }
}

ColumnDef ConstructColumn(const std::string& name, const std::string& typeText, int32_t typeCode) {
  ColumnDef column;
  column.name = name;
  column.typeText = typeText;
  column.typeCode = typeCode;
  const int32_t parsed = DeclaredLengthOf(typeText);
  const int16_t declared = static_cast<int16_t>(std::clamp<int32_t>(parsed, INT16_MIN, INT16_MAX));
  switch (typeCode) {
    case code::kBinary: case code::kChar: case code::kNChar: case code::kNumeric: case code::kDecimal:
      column.declaredLength = declared;
      break;
    case code::kNVarChar: case code::kText: case code::kClrType: case code::kXml:
      column.declaredLength = declared;
      column.variableLength = 1;
      break;
    case code::kUniqueIdentifier: case code::kVarBinary: case code::kVarChar: case code::kImage:
      column.variableLength = 1;
      break;
    case code::kSystemType232:
      column.typeCode = code::kNVarChar;
      column.declaredLength = declared;
      column.variableLength = 1;
      break;
    case code::kNText: case code::kSqlVariant:
      column.declaredLength = 0;
      column.variableLength = 1;
      break;
    case code::kHierarchyId: case code::kGeometry:
      column.typeCode = code::kVarChar;
      column.variableLength = 1;
      break;
    default:
      if (typeCode > code::kLastCode) {
        column.typeCode = code::kVarChar;
        column.variableLength = 1;
      } else {
        column.variableLength = 0;
      }
      break;
  }
  return column;
}

std::string DeclarationText(const ColumnDef& column) {
  const size_t open = column.typeText.find('(');
  const std::string name = column.typeText.substr(0, open);
  const int32_t length = DeclaredLengthOf(column.typeText);
  auto sized = [&](int32_t count) {
    return name + "(" + (length < 0 ? std::string("max") : std::to_string(count)) + ")";
  };
  if (name == "char" || name == "varchar" || name == "binary" || name == "varbinary") return sized(length);
  if (name == "nchar" || name == "nvarchar") return sized(length / 2);
  if (name == "decimal" || name == "numeric")
    return name + "(" + std::to_string(column.precision) + "," + std::to_string(column.scale) + ")";
  if (name == "datetime2" || name == "time" || name == "datetimeoffset")
    return name + "(" + std::to_string(column.scale) + ")";
  return name;
}

// Positions of the rows the resolution looks up, per collection, with the
// collection sizes they were built for.
struct TableResolver::Indexes {
  std::vector<size_t> builtFor;
  std::unordered_map<std::string, std::vector<size_t>> objectsByName;
  Positions<int32_t> objectsByParent;
  Positions<int32_t> rowsetsByObject;
  Positions<int64_t> unitsByOwner;
  Positions<int64_t> unitsById;
  Positions<int32_t> indexesByObject;
  Positions<int32_t> indexColumnsByObject;
  Positions<int64_t> physicalByRowset;
  Positions<int64_t> hobtByHobt;
  Positions<int64_t> rowsetColumnsByRowset;
  Positions<int32_t> foreignKeysByTable;
  Positions<int32_t> legacyKeysByObject;
};

TableResolver::TableResolver(DatabaseCatalog& catalog) : catalog_(catalog), indexes_(std::make_unique<Indexes>()) {}

TableResolver::~TableResolver() = default;

void TableResolver::RefreshIndexes() {
  const DatabaseCatalog& c = catalog_;
  std::vector<size_t> sizes = {c.objects.size(),           c.rowsets.size(),         c.allocationUnits.size(),
                               c.indexes.size(),           c.indexColumns.size(),    c.physicalColumnRows.size(),
                               c.hobtColumnRows.size(),    c.rowsetColumnRows.size(), c.foreignKeyColumns.size(),
                               c.legacyIndexKeys.size()};
  if (sizes == indexes_->builtFor) return;
  Indexes& x = *indexes_;
  x.objectsByName.clear();
  x.objectsByName.reserve(c.objects.size());
  for (size_t position = 0; position < c.objects.size(); ++position)
    x.objectsByName[c.objects[position].name].push_back(position);
  BuildPositions(x.objectsByParent, c.objects, [](const ObjectDef& row) { return row.parentId; });
  BuildPositions(x.rowsetsByObject, c.rowsets, [](const RowsetDef& row) { return row.objectId; });
  BuildPositions(x.unitsByOwner, c.allocationUnits, [](const AllocationUnitDef& row) { return row.ownerId; });
  BuildPositions(x.unitsById, c.allocationUnits, [](const AllocationUnitDef& row) { return row.allocationUnitId; });
  BuildPositions(x.indexesByObject, c.indexes, [](const IndexDef& row) { return row.objectId; });
  BuildPositions(x.indexColumnsByObject, c.indexColumns, [](const IndexColumnDef& row) { return row.objectId; });
  BuildPositions(x.physicalByRowset, c.physicalColumnRows, [](const PhysicalColumnDef& row) { return row.rowsetId; });
  BuildPositions(x.hobtByHobt, c.hobtColumnRows, [](const HobtColumnDef& row) { return row.hobtId; });
  BuildPositions(x.rowsetColumnsByRowset, c.rowsetColumnRows, [](const RowsetColumnDef& row) { return row.rowsetId; });
  BuildPositions(x.foreignKeysByTable, c.foreignKeyColumns, [](const ForeignKeyColumnDef& row) { return row.tableId; });
  BuildPositions(x.legacyKeysByObject, c.legacyIndexKeys, [](const LegacyIndexKeysDef& row) { return row.objectId; });
  x.builtFor = std::move(sizes);
}

ObjectDef TableResolver::FindObject(const std::string& name, const std::string& type) const {
  auto found = indexes_->objectsByName.find(name);
  if (found == indexes_->objectsByName.end()) return ObjectDef{};
  for (size_t position : found->second) {
    const ObjectDef& object = catalog_.objects[position];
    if (object.type == type || (object.type != "U " && object.type != "S ")) return object;
  }
  return ObjectDef{};
}

std::vector<ColumnDef> TableResolver::ResolveTable(const std::string& name, const std::string& type,
                                                   const std::vector<ModuleValue>& moduleValues) {
  RefreshIndexes();
  TableDef& table = catalog_.currentTable;
  table = TableDef{};
  table.object = FindObject(name, type);
  if (table.object.objectId == -1) return {};
  const int32_t objectId = table.object.objectId;

  // The objects this one owns, as DatabaseCatalog::CollectTableConstraints
  // lists them, through the parent index.
  for (size_t position : PositionsOf(indexes_->objectsByParent, objectId)) {
    const ObjectDef& owned = catalog_.objects[position];
    TableConstraintDef entry;
    entry.isPrimaryKey = owned.type == "PK";
    entry.isUnique = owned.type == "UQ";
    entry.isForeignKey = owned.type == "F ";
    entry.name = owned.name;
    entry.objectId = catalog_.legacyCatalog ? objectId : owned.objectId;
    entry.type = owned.type;
    table.tableConstraints.push_back(std::move(entry));
  }

  if (IsNonTableObjectType(table.object.type)) {
    std::vector<ColumnDef> description(3, ColumnDef::Blank());
    description[0].definitionText = std::to_string(objectId);
    description[1].definitionText = table.object.type;
    description[2].definitionText = table.object.name;
    table.columns = description;
    return description;
  }

  if (catalog_.legacyCatalog) {
    ResolveLegacyPages();
  } else {
    ResolveStorage();
  }
  CollectColumnRows();
  if (catalog_.legacyCatalog) {
    CollectLegacyIndexKeys();
  } else {
    CollectIndexKeys();
  }
  BuildColumns();
  AttachPhysicalInfo();
  AttachComputedText(moduleValues);
  AttachKeyFlags();
  return table.columns;
}

void TableResolver::ResolveStorage() {
  TableDef& table = catalog_.currentTable;
  const int32_t objectId = table.object.objectId;
  const auto& rowsetPositions = PositionsOf(indexes_->rowsetsByObject, objectId);
  const auto& indexPositions = PositionsOf(indexes_->indexesByObject, objectId);

  // The rowset: the last of the lowest index id among heap (0) and clustered
  // index (1) rows; else one from the first index row with a rowset id; else
  // the table's last rowset.
  table.rowsetFound = !rowsetPositions.empty();
  const RowsetDef* chosen = nullptr;
  int32_t lowest = INT32_MAX;
  for (size_t position : rowsetPositions) {
    const RowsetDef& rowset = catalog_.rowsets[position];
    if (rowset.indexId < 0 || rowset.indexId > 1) continue;
    if (rowset.indexId <= lowest) {
      lowest = rowset.indexId;
      chosen = &rowset;
    }
  }
  if (chosen) {
    table.rowset = *chosen;
  } else {
    const IndexDef* fromIndex = nullptr;
    for (size_t position : indexPositions) {
      if (catalog_.indexes[position].rowsetId != 0) {
        fromIndex = &catalog_.indexes[position];
        break;
      }
    }
    if (fromIndex) {
      table.rowset = RowsetDef{};
      table.rowset.rowsetId = fromIndex->rowsetId;
      table.rowset.objectId = objectId;
      table.rowset.status = fromIndex->status;
      table.rowsetFromIndex = true;
    } else if (!rowsetPositions.empty()) {
      table.rowset = catalog_.rowsets[rowsetPositions.back()];
    }
  }

  PageMap* dataPages = catalog_.file ? &catalog_.file->dataPages : nullptr;
  auto pagesOfUnit = [&](const AllocationUnitDef& unit) -> const std::vector<MappedPage>* {
    if (!dataPages) return nullptr;
    auto found = dataPages->find(unit.PageObjectId());
    return found == dataPages->end() ? nullptr : &found->second;
  };
  auto ownedBy = [](const AllocationUnitDef& unit, const MappedPage& page) {
    return page.pageType == kDataPageType && PageMatchesUnit(unit.PageObjectId(), page.indexId, unit.allocationUnitId);
  };

  // The in-row unit of the chosen rowset; its firstPage becomes the last
  // data page the page map gives that unit.
  const AllocationUnitDef* unit = nullptr;
  for (size_t position : PositionsOf(indexes_->unitsByOwner, table.rowset.rowsetId)) {
    const AllocationUnitDef& candidate = catalog_.allocationUnits[position];
    if (candidate.type == kInRowData) unit = &candidate;
  }
  table.allocationUnit = unit && HasAnyPage(*unit) ? *unit : SynthesisedUnit(table.rowset.rowsetId);
  if (const auto* entries = pagesOfUnit(table.allocationUnit)) {
    for (auto entry = entries->rbegin(); entry != entries->rend(); ++entry) {
      if (!ownedBy(table.allocationUnit, *entry)) continue;
      table.allocationUnit.firstPage = entry->pageId();
      break;
    }
  }

  // Every rowset of the table (or one per index row with a rowset id), and
  // every unit they own, each unit once.
  for (size_t position : rowsetPositions) table.tableRowsets.push_back(catalog_.rowsets[position]);
  if (table.tableRowsets.empty()) {
    for (size_t position : indexPositions) {
      const IndexDef& index = catalog_.indexes[position];
      if (index.rowsetId == 0) continue;
      RowsetDef rowset;
      rowset.rowsetId = index.rowsetId;
      rowset.objectId = objectId;
      rowset.indexId = index.indexId;
      rowset.status = index.status;
      table.tableRowsets.push_back(rowset);
    }
  }
  std::vector<int64_t> seenUnits;
  auto addUnit = [&](const AllocationUnitDef& candidate) {
    if (std::find(seenUnits.begin(), seenUnits.end(), candidate.allocationUnitId) != seenUnits.end()) return;
    seenUnits.push_back(candidate.allocationUnitId);
    table.tableUnits.push_back(candidate);
  };
  for (const RowsetDef& rowset : table.tableRowsets)
    for (size_t position : PositionsOf(indexes_->unitsByOwner, rowset.rowsetId))
      addUnit(catalog_.allocationUnits[position]);
  if (table.tableUnits.empty() && table.rowsetFromIndex)
    for (const RowsetDef& rowset : table.tableRowsets)
      for (size_t position : PositionsOf(indexes_->unitsById, rowset.rowsetId))
        addUnit(catalog_.allocationUnits[position]);
  // Unit rows lost: the in-row unit of a rowset carries the rowset's id.
  if (table.tableUnits.empty())
    for (const RowsetDef& rowset : table.tableRowsets) addUnit(SynthesisedUnit(rowset.rowsetId));

  // Pages: the data pages of the in-row units, each once.
  auto addPage = [&](const MappedPage& page) {
    if (table.pageKeys.insert({page.fileId, page.position}).second) table.pages.push_back(page.pageId());
  };
  for (const AllocationUnitDef& tableUnit : table.tableUnits) {
    if (tableUnit.type != kInRowData) continue;
    if (const auto* entries = pagesOfUnit(tableUnit))
      for (const MappedPage& page : *entries)
        if (ownedBy(tableUnit, page)) addPage(page);
  }
  // No unit found a page: pages that carry the table's own object id, as
  // pages carried over from SQL Server 2000 do (their index id is below 256;
  // a page with a user unit's index id belongs to that unit).
  if (table.pages.empty() && dataPages) {
    table.pageKeys.clear();
    auto found = dataPages->find(objectId);
    if (found != dataPages->end())
      for (const MappedPage& page : found->second)
        if (page.pageType == kDataPageType && IsCatalogIndexId(page.indexId)) addPage(page);
  }
}

void TableResolver::ResolveLegacyPages() {
  TableDef& table = catalog_.currentTable;
  if (!catalog_.file) return;
  auto found = catalog_.file->dataPages.find(table.object.objectId);
  if (found == catalog_.file->dataPages.end()) return;
  for (const MappedPage& page : found->second) {
    if (page.pageType != kDataPageType) continue;
    if (table.pageKeys.insert({page.fileId, page.position}).second) table.pages.push_back(page.pageId());
  }
}

void TableResolver::CollectColumnRows() {
  TableDef& table = catalog_.currentTable;
  const int32_t objectId = table.object.objectId;
  std::vector<int32_t> seen;
  auto firstTime = [&](int32_t columnId) {
    if (std::find(seen.begin(), seen.end(), columnId) != seen.end()) return false;
    seen.push_back(columnId);
    return true;
  };
  if (catalog_.legacyCatalog) {
    for (const LegacyColumnDef* row : catalog_.LegacyColumnRowsOf(objectId))
      if (firstTime(row->columnId)) table.legacyColumnRows.push_back(*row);
  } else {
    for (const ColumnRowDef* row : catalog_.ColumnRowsOf(objectId))
      if (firstTime(row->columnId)) table.columnRows.push_back(*row);
  }
}

void TableResolver::CollectIndexKeys() {
  TableDef& table = catalog_.currentTable;
  const int32_t objectId = table.object.objectId;
  for (size_t position : PositionsOf(indexes_->indexesByObject, objectId)) {
    const IndexDef& index = catalog_.indexes[position];
    if ((index.status & 0x01) != 0 && index.indexId > 0) table.tableIndexes.push_back(index);
  }
  if (table.tableIndexes.empty()) return;
  for (size_t position : PositionsOf(indexes_->indexColumnsByObject, objectId)) {
    IndexColumnDef key = catalog_.indexColumns[position];
    for (const IndexDef& index : table.tableIndexes) {
      if (index.indexId != key.indexId) continue;
      key.indexStatus = index.status;
      table.indexKeys.push_back(key);
      break;
    }
  }
}

void TableResolver::CollectLegacyIndexKeys() {
  TableDef& table = catalog_.currentTable;
  const int32_t objectId = table.object.objectId;
  for (size_t position : PositionsOf(indexes_->legacyKeysByObject, objectId)) {
    const LegacyIndexKeysDef& row = catalog_.legacyIndexKeys[position];
    IndexDef index;
    index.objectId = row.objectId;
    index.indexId = row.indexId;
    index.name = row.name;
    index.status = LegacyIndexStatus(row.status);
    table.tableIndexes.push_back(index);
    for (size_t ordinal = 0; ordinal < row.keyColumnIds.size(); ++ordinal) {
      IndexColumnDef key;
      key.objectId = row.objectId;
      key.indexId = row.indexId;
      key.keyOrdinal = static_cast<int32_t>(ordinal + 1);
      key.columnId = row.keyColumnIds[ordinal];
      key.indexStatus = index.status;
      table.indexKeys.push_back(key);
    }
  }
}

void TableResolver::BuildColumns() {
  TableDef& table = catalog_.currentTable;
  auto typeTextOf = [&](uint8_t systemTypeId, int32_t userTypeId, int16_t length) {
    std::string name = catalog_.FindScalarType(systemTypeId, userTypeId).name;
    if (name.empty()) name = StandardTypeName(systemTypeId, userTypeId);
    return name + "(" + std::to_string(length) + ")";
  };
  auto codeOf = [](uint8_t systemTypeId) {
    return systemTypeId == system_type::kImage ? code::kImage : SystemTypeToCode(systemTypeId);
  };

  if (catalog_.legacyCatalog) {
    for (const LegacyColumnDef& row : table.legacyColumnRows) {
      if (row.systemTypeId == 0) continue;
      ColumnDef column = ConstructColumn(row.name, typeTextOf(row.systemTypeId, row.userTypeId, row.length),
                                         codeOf(row.systemTypeId));
      column.nullable = row.IsNotNull() ? 0 : 1;
      column.columnId = row.columnId;
      column.physicalColumnId = row.columnId;
      column.precision = row.precision;
      column.scale = row.scale;
      column.collationId = row.collationId;
      column.leafOffset = row.offset;
      column.legacyXOffset = row.xOffset;
      table.columns.push_back(std::move(column));
    }
  } else {
    for (const ColumnRowDef& row : table.columnRows) {
      if (row.systemTypeId == 0) continue;
      ColumnDef column = ConstructColumn(row.name, typeTextOf(row.systemTypeId, row.userTypeId, row.length),
                                         codeOf(row.systemTypeId));
      if (column.typeCode == code::kClrType) {
        if (row.userTypeId == 129) column.typeCode = code::kGeometry;
        if (row.userTypeId == 128) column.typeCode = code::kHierarchyId;
      }
      const uint32_t status = static_cast<uint32_t>(row.status);
      column.nullable = (status & 0x01) ? 0 : 1;
      column.columnId = row.columnId;
      column.physicalColumnId = row.columnId;
      column.precision = row.precision;
      column.scale = row.scale;
      column.collationId = row.collationId;
      column.statusFlag24 = (status >> 24) & 0x01;
      column.statusFlag3 = (status >> 3) & 0x01;
      column.identityText = row.identityText;
      table.columns.push_back(std::move(column));
    }
  }
  std::stable_sort(table.columns.begin(), table.columns.end(),
                   [](const ColumnDef& a, const ColumnDef& b) { return a.columnId < b.columnId; });
}

void TableResolver::AttachPhysicalInfo() {
  TableDef& table = catalog_.currentTable;
  auto& columns = table.columns;
  auto columnWithId = [&](int32_t columnId) -> ColumnDef* {
    auto found = std::lower_bound(columns.begin(), columns.end(), columnId,
                                  [](const ColumnDef& column, int32_t id) { return column.columnId < id; });
    return found != columns.end() && found->columnId == columnId ? &*found : nullptr;
  };
  if (catalog_.legacyCatalog) {
    for (ColumnDef& column : columns) column.hasPhysicalInfo = 1;
    return;
  }
  const int64_t rowsetId = table.rowset.rowsetId;

  // 2008 and later: one physical column row per stored column of the rowset.
  for (size_t position : PositionsOf(indexes_->physicalByRowset, rowsetId))
    table.physicalColumns.push_back(catalog_.physicalColumnRows[position]);
  for (const PhysicalColumnDef& physical : table.physicalColumns) {
    ColumnDef* column = columnWithId(physical.rowsetColumnId);
    if (!column) continue;  // a dropped column whose bytes remain in the rows
    column->leafOffset = static_cast<int16_t>(physical.leafOffset & 0xFFFF);
    column->physicalColumnId = physical.hobtColumnId;
    column->nullBit = physical.nullBit;
    column->hasPhysicalInfo = 1;
  }

  // 2005: the hobt columns hold the layout by hobt column id; the rowset
  // column map names the hobt column of each table column (the same id
  // when the rowset has no map rows at all).
  if (table.physicalColumns.empty()) {
    for (size_t position : PositionsOf(indexes_->hobtByHobt, rowsetId))
      table.hobtColumns.push_back(catalog_.hobtColumnRows[position]);
    for (size_t position : PositionsOf(indexes_->rowsetColumnsByRowset, rowsetId))
      table.rowsetColumns.push_back(catalog_.rowsetColumnRows[position]);
    for (HobtColumnDef& hobt : table.hobtColumns) {
      for (const RowsetColumnDef& mapEntry : table.rowsetColumns) {
        if (mapEntry.rowsetColumnId != hobt.columnId) continue;
        hobt.mappedColumnId = mapEntry.hobtColumnId;
        break;
      }
    }
    for (ColumnDef& column : columns) {
      // A column the map leaves out has no storage (a computed column).
      int32_t hobtColumnId = table.rowsetColumns.empty() ? column.columnId : -1;
      for (const RowsetColumnDef& mapEntry : table.rowsetColumns) {
        if (mapEntry.rowsetColumnId != column.columnId) continue;
        hobtColumnId = mapEntry.hobtColumnId;
        break;
      }
      for (const HobtColumnDef& hobt : table.hobtColumns) {
        if (hobt.columnId != hobtColumnId) continue;
        column.leafOffset = hobt.leafOffset;
        column.nullBit = hobt.nullBit;
        column.physicalColumnId = hobtColumnId;
        column.hasPhysicalInfo = 1;
        break;
      }
    }
  }

  if (table.physicalColumns.empty() && table.hobtColumns.empty())
    for (ColumnDef& column : columns) column.hasPhysicalInfo = 1;
}

void TableResolver::AttachComputedText(const std::vector<ModuleValue>& moduleValues) {
  TableDef& table = catalog_.currentTable;
  const std::string tableIdText = std::to_string(table.object.objectId);
  for (ColumnDef& column : table.columns) {
    if (column.hasPhysicalInfo) continue;
    // No storage: a computed column. Its definition is the module value of
    // the table whose sub-object id is the column id.
    const std::string columnIdText = std::to_string(column.columnId);
    column.physicalColumnId = kNoStorage;
    for (const ModuleValue& value : moduleValues) {
      if (value.objectIdText != tableIdText || value.subIdText != columnIdText || value.valueText.empty()) continue;
      column.definitionText = ModuleText(value.valueText);
      break;
    }
  }
}

void TableResolver::AttachKeyFlags() {
  TableDef& table = catalog_.currentTable;
  for (ColumnDef& column : table.columns) {
    for (const IndexColumnDef& key : table.indexKeys) {
      if (key.columnId != column.columnId) continue;
      if (key.indexStatus & index_status::kPrimaryKey) {
        column.isPrimaryKey = 1;
        table.primaryKeyColumns.push_back({table.object.name, column.name});
      }
      if (key.indexStatus & index_status::kUnique) column.isUnique = 1;
      if (key.indexStatus & index_status::kUniqueConstraint) {
        column.isUniqueConstraint = 1;
        column.keyProperty = key.property1;
      }
    }
  }
  for (size_t position : PositionsOf(indexes_->foreignKeysByTable, table.object.objectId)) {
    const ForeignKeyColumnDef& pair = catalog_.foreignKeyColumns[position];
    if (pair.referencedTableName.empty() || pair.referencedColumnName.empty()) continue;
    for (ColumnDef& column : table.columns) {
      if (column.columnId != pair.columnId) continue;
      column.isForeignKey = 1;
      column.referencedTableName = pair.referencedTableName;
      column.referencedColumnName = pair.referencedColumnName;
    }
  }
}

std::vector<ColumnDef> ResolveTable(DatabaseCatalog& catalog, const std::string& name, const std::string& type,
                                    const std::vector<ModuleValue>& moduleValues) {
  TableResolver resolver(catalog);
  return resolver.ResolveTable(name, type, moduleValues);
}

}  // namespace pagewright
