#include "support/catalog_writer.h"

#include <stdexcept>

#include "catalog/catalog_rows.h"

namespace pagewright::support {

namespace layout = catalog_layout;
namespace id = catalog_object;

namespace {

// A fixed part of `length` zero bytes with typed writes at offsets.
class FixedPart {
 public:
  explicit FixedPart(size_t length) : bytes_(length, 0) {}
  FixedPart& U8(size_t offset, uint8_t value) { return Put(offset, value, 1); }
  FixedPart& U16(size_t offset, uint16_t value) { return Put(offset, value, 2); }
  FixedPart& U32(size_t offset, uint32_t value) { return Put(offset, value, 4); }
  FixedPart& U64(size_t offset, uint64_t value) { return Put(offset, value, 8); }
  FixedPart& I16(size_t offset, int16_t value) { return U16(offset, static_cast<uint16_t>(value)); }
  FixedPart& I32(size_t offset, int32_t value) { return U32(offset, static_cast<uint32_t>(value)); }
  FixedPart& I64(size_t offset, int64_t value) { return U64(offset, static_cast<uint64_t>(value)); }
  FixedPart& Pointer(size_t offset, PageId page) {
    I32(offset, page.pageNo);
    return I16(offset + 4, page.fileId);
  }
  FixedPart& Text8(size_t offset, const std::string& text) {
    for (size_t index = 0; index < text.size(); ++index) U8(offset + index, static_cast<uint8_t>(text[index]));
    return *this;
  }
  FixedPart& Text16(size_t offset, size_t width, const std::string& utf8) {
    Bytes units = Utf16Le(utf8);
    for (size_t index = 0; index < width; ++index) U8(offset + index, index < units.size() ? units[index] : 0);
    // The server pads name fields with blanks.
    for (size_t index = units.size(); index + 1 < width; index += 2) U16(offset + index, 0x0020);
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  FixedPart& Put(size_t offset, uint64_t value, size_t width) {
    if (offset + width > bytes_.size()) throw std::out_of_range("FixedPart: field past the fixed part");
    for (size_t index = 0; index < width; ++index) bytes_[offset + index] = static_cast<uint8_t>(value >> (8 * index));
    return *this;
  }
  Bytes bytes_;
};

// A system-table row: the fixed part, columnCount columns, and the names and
// other values as variable columns.
Bytes Row(const FixedPart& fixed, int16_t columnCount, std::vector<Bytes> variable = {}) {
  FixedVarRecord record;
  record.fixed = fixed.bytes();
  record.columnCount = columnCount;
  for (Bytes& value : variable) record.varColumns.push_back(VarColumn{std::move(value), false});
  return record.Build();
}

// Bytes a value of the type takes in the fixed part; 0 for variable types.
int FixedSize(const ColumnSpec& column) {
  switch (column.systemTypeId) {
    case sql_type::kTinyInt:
    case sql_type::kBit:
      return 1;
    case sql_type::kSmallInt:
      return 2;
    case sql_type::kInt:
    case sql_type::kReal:
    case sql_type::kSmallDateTime:
      return 4;
    case sql_type::kDate:
      return 3;
    case sql_type::kBigInt:
    case sql_type::kMoney:
    case sql_type::kDateTime:
    case sql_type::kFloat:
      return 8;
    case sql_type::kUniqueIdentifier:
      return 16;
    case sql_type::kDecimal:
    case sql_type::kNumeric:
    case sql_type::kChar:
    case sql_type::kNChar:
    case sql_type::kBinary:
      return column.length;
    default:
      return 0;
  }
}

constexpr int16_t kObjectColumnCount = 11;
constexpr int16_t kColumnRowColumnCount = 16;
constexpr int16_t kLegacyObjectColumnCount = 25;
constexpr int16_t kLegacyColumnColumnCount = 21;
constexpr int16_t kLegacyIndexColumnCount = 27;
constexpr int64_t kFirstRowsetId = 72057594040000000;
constexpr uint16_t kUserUnitIndexId = 256;

}  // namespace

Bytes EncodeObjectRow(int32_t objectId, const std::string& name, const std::string& type, int32_t schemaId,
                      int32_t parentId, uint8_t schemaClass, uint8_t parentClass) {
  namespace f = layout::objects;
  FixedPart fixed(f::kFixedLength);
  fixed.I32(f::kObjectId, objectId).I32(f::kSchemaId, schemaId).U8(f::kSchemaClass, schemaClass);
  fixed.I32(f::kStatus, 0).Text8(f::kType, type.substr(0, 2)).I32(f::kParentId, parentId);
  fixed.U8(f::kParentClass, parentClass).I32(f::kIntProperty, 0);
  if (name.empty()) return Row(fixed, kObjectColumnCount);
  return Row(fixed, kObjectColumnCount, {Utf16Le(name)});
}

Bytes EncodeLegacyObjectRow(int32_t objectId, const std::string& name, const std::string& type, int16_t uid,
                            int32_t parentId) {
  namespace f = layout::legacy_objects;
  FixedPart fixed(f::kFixedLength);
  fixed.I32(f::kObjectId, objectId).Text8(f::kType, type.substr(0, 2)).I16(f::kSchemaId, uid);
  fixed.I32(f::kParentId, parentId);
  if (name.empty()) return Row(fixed, kLegacyObjectColumnCount);
  return Row(fixed, kLegacyObjectColumnCount, {Utf16Le(name)});
}

Bytes EncodeDatabaseFileRow(int16_t fileId, const std::string& logicalName, const std::string& fileName,
                            int32_t status) {
  namespace f = layout::files;
  FixedPart fixed(f::kFixedLength);
  fixed.I32(f::kStatus, status).I16(f::kFileId, fileId);
  fixed.Text16(f::kLogicalName, f::kLogicalNameBytes, logicalName);
  fixed.Text16(f::kFileName, f::kFileNameBytes, fileName);
  return Row(fixed, 4);
}

Bytes EncodeIdentityValue(const IdentitySpec& identity, bool eightByte) {
  Bytes out;
  if (eightByte) {
    AppendU64(out, static_cast<uint64_t>(identity.seed));  // last value
    AppendU64(out, static_cast<uint64_t>(identity.seed));
    AppendU64(out, static_cast<uint64_t>(identity.increment));
  } else {
    AppendU32(out, static_cast<uint32_t>(identity.seed));
    AppendU32(out, static_cast<uint32_t>(identity.seed));
    AppendU32(out, static_cast<uint32_t>(identity.increment));
  }
  AppendU8(out, 0);
  return out;
}

CatalogWriter::CatalogWriter(CatalogGeneration generation) : generation_(generation) {
  if (!legacy()) AddScalarTypes();
}

int32_t CatalogWriter::NextObjectId() {
  // Spread like real ids, and never below 100 (the 2000 table list starts there).
  return nextObjectId_ += 16;
}

void CatalogWriter::AddScalarTypes() {
  namespace f = layout::scalar_types;
  struct TypeRow {
    const char* name;
    int32_t typeId;
    uint8_t systemTypeId;
    int16_t length;
  };
  static const TypeRow kTypes[] = {
      {"image", 34, 34, 16},       {"text", 35, 35, 16},        {"uniqueidentifier", 36, 36, 16},
      {"date", 40, 40, 3},         {"tinyint", 48, 48, 1},      {"smallint", 52, 52, 2},
      {"int", 56, 56, 4},          {"smalldatetime", 58, 58, 4}, {"real", 59, 59, 4},
      {"money", 60, 60, 8},        {"datetime", 61, 61, 8},     {"float", 62, 62, 8},
      {"ntext", 99, 99, 16},       {"bit", 104, 104, 1},        {"decimal", 106, 106, 17},
      {"numeric", 108, 108, 17},   {"bigint", 127, 127, 8},     {"varbinary", 165, 165, 8000},
      {"varchar", 167, 167, 8000}, {"binary", 173, 173, 8000},  {"char", 175, 175, 8000},
      {"nvarchar", 231, 231, 8000}, {"nchar", 239, 239, 8000},  {"xml", 241, 241, -1},
      {"sysname", 256, 231, 256},
  };
  for (const TypeRow& type : kTypes) {
    FixedPart fixed(f::kFixedLength);
    fixed.I32(f::kTypeId, type.typeId).I32(f::kSchemaId, 4).U8(f::kSystemTypeId, type.systemTypeId);
    fixed.I16(f::kLength, type.length);
    rows_[id::kScalarTypes].push_back(Row(fixed, 13, {Utf16Le(type.name)}));
  }
}

int32_t CatalogWriter::AddTable(const TableSpec& table) {
  int32_t objectId = table.objectId > 0 ? table.objectId : NextObjectId();
  if (legacy()) {
    AddTable2000(table, objectId);
  } else {
    AddTable2005(table, objectId);
  }
  return objectId;
}

const TableStorage* CatalogWriter::Storage(int32_t objectId) const {
  auto entry = storage_.find(objectId);
  return entry == storage_.end() ? nullptr : &entry->second;
}

void CatalogWriter::AddTable2005(const TableSpec& table, int32_t objectId) {
  rows_[id::kObjects].push_back(EncodeObjectRow(objectId, table.name, "U ", table.schemaId, 0));

  TableStorage storage;
  storage.objectId = objectId;
  storage.rowsetId = kFirstRowsetId + static_cast<int64_t>(storage_.size()) * 65536;
  int64_t unitKey = nextUnitKey_++;
  storage.allocationUnitId = static_cast<int64_t>((static_cast<uint64_t>(kUserUnitIndexId) << 48) |
                                                  (static_cast<uint64_t>(unitKey) << 16));
  storage_[objectId] = storage;
  int32_t indexId = table.clustered ? 1 : 0;
  indexCount_[objectId] = 2;

  {
    namespace f = layout::rowsets;
    FixedPart fixed(f::kFixedLength);
    fixed.I64(f::kRowsetId, storage.rowsetId).U8(f::kOwnerType, 1).I32(f::kObjectId, objectId);
    fixed.I32(f::kIndexId, indexId).I32(f::kPartitionNumber, 1).I32(f::kStatus, 0).I16(f::kFilegroupId, 1);
    fixed.I64(f::kRowCount, 0);
    rows_[id::kRowsets].push_back(Row(fixed, 18));
  }
  {
    namespace f = layout::allocation_units;
    FixedPart fixed(f::kFixedLength);
    fixed.I64(f::kUnitId, storage.allocationUnitId).U8(f::kType, 1).I64(f::kOwnerId, storage.rowsetId);
    fixed.I32(f::kStatus, 0).I16(f::kFilegroupId, 1);
    rows_[id::kAllocationUnits].push_back(Row(fixed, 12));
  }
  if (table.clustered) {
    namespace f = layout::indexes;
    FixedPart fixed(f::kFixedLength);
    fixed.I32(f::kObjectId, objectId).I32(f::kIndexId, 1).I32(f::kStatus, 0).U8(f::kType, 1);
    fixed.I32(f::kDataSpaceId, 1).I64(f::kRowsetId, storage.rowsetId);
    rows_[id::kIndexes].push_back(Row(fixed, 11));
  }

  int fixedOffset = 4;
  int variableSlot = 0;
  for (size_t position = 0; position < table.columns.size(); ++position) {
    const ColumnSpec& column = table.columns[position];
    int32_t columnId = static_cast<int32_t>(position + 1);
    int32_t status = (column.nullable ? 0 : 1) | (column.identity ? 4 : 0);
    {
      namespace f = layout::columns;
      FixedPart fixed(f::kFixedLength);
      fixed.I32(f::kObjectId, objectId).I16(f::kNumber, 0).I32(f::kColumnId, columnId);
      fixed.U8(f::kSystemTypeId, column.systemTypeId);
      fixed.I32(f::kUserTypeId, column.userTypeId ? column.userTypeId : column.systemTypeId);
      fixed.I16(f::kLength, column.length).U8(f::kPrecision, column.precision).U8(f::kScale, column.scale);
      fixed.I32(f::kCollationId, column.collationId).I32(f::kStatus, status);
      fixed.I16(f::kMaxInRowLength, column.length).I32(f::kXmlNamespaceId, 0);
      fixed.I32(f::kDefaultObjectId, 0).I32(f::kCheckObjectId, 0);
      std::vector<Bytes> variable;
      if (!column.nameless) {
        variable.push_back(Utf16Le(column.name));
        if (column.identity) variable.push_back(EncodeIdentityValue(*column.identity, FixedSize(column) > 4));
      }
      rows_[id::kColumns].push_back(Row(fixed, kColumnRowColumnCount, std::move(variable)));
    }
    int size = FixedSize(column);
    int leafOffset = size > 0 ? fixedOffset : -(++variableSlot);
    if (size > 0) fixedOffset += size;
    if (generation_ == CatalogGeneration::kSql2008) {
      namespace f = layout::physical_columns;
      FixedPart fixed(f::kFixedLength);
      fixed.I64(f::kRowsetId, storage.rowsetId).I32(f::kRowsetColumnId, columnId).I32(f::kHobtColumnId, columnId);
      fixed.I32(f::kColumnId, columnId).I32(f::kStatus, 0).I32(f::kLeafOffset, leafOffset);
      fixed.I32(f::kNullBit, columnId);
      rows_[id::kPhysicalColumns].push_back(Row(fixed, 14));
    } else {
      namespace h = layout::hobt_columns;
      FixedPart hobt(h::kFixedLength);
      hobt.I64(h::kHobtId, storage.rowsetId).I32(h::kColumnId, columnId);
      hobt.I16(h::kLeafOffset, static_cast<int16_t>(leafOffset)).I16(h::kNullBit, static_cast<int16_t>(columnId));
      rows_[id::kHobtColumns].push_back(Row(hobt, 15));
      namespace r = layout::rowset_columns;
      FixedPart map(r::kFixedLength);
      map.I64(r::kRowsetId, storage.rowsetId).I32(r::kRowsetColumnId, columnId).I32(r::kHobtColumnId, columnId);
      rows_[id::kRowsetColumns].push_back(Row(map, 6));
    }
  }
}

void CatalogWriter::AddTable2000(const TableSpec& table, int32_t objectId) {
  rows_[id::kLegacyObjects].push_back(
      EncodeLegacyObjectRow(objectId, table.name, "U ", static_cast<int16_t>(table.schemaId), 0));
  {
    // A heap's row has index id 0, a clustered table's index id 1.
    namespace f = layout::legacy_indexes;
    FixedPart fixed(f::kFixedLength);
    fixed.I32(f::kObjectId, objectId).I32(f::kFirstPage, 0);
    fixed.I16(f::kIndexId, table.clustered ? f::kClusteredIndexId : 0).I32(f::kFirstIamPage, 0);
    rows_[id::kLegacyIndexes].push_back(
        Row(fixed, kLegacyIndexColumnCount, {Bytes{}, Utf16Le(table.clustered ? "PK_" + table.name : table.name)}));
  }
  int fixedOffset = 4;
  int variableSlot = 0;
  for (size_t position = 0; position < table.columns.size(); ++position) {
    const ColumnSpec& column = table.columns[position];
    int size = FixedSize(column);
    int offset = size > 0 ? fixedOffset : -(++variableSlot);
    if (size > 0) fixedOffset += size;
    namespace f = layout::legacy_columns;
    FixedPart fixed(f::kFixedLength);
    fixed.I32(f::kObjectId, objectId).U8(f::kSystemTypeId, column.systemTypeId);
    fixed.U8(f::kTypeStatus, column.nullable ? 0 : f::kNotNullBit);
    fixed.I16(f::kUserTypeId, static_cast<int16_t>(column.userTypeId ? column.userTypeId : column.systemTypeId));
    fixed.I16(f::kLength, column.length).U8(f::kPrecision, column.precision).U8(f::kScale, column.scale);
    fixed.I16(f::kColumnId, static_cast<int16_t>(position + 1)).I16(f::kXOffset, static_cast<int16_t>(offset));
    fixed.I16(f::kColumnOrder, static_cast<int16_t>(position + 1)).I16(f::kOffset, static_cast<int16_t>(offset));
    fixed.I32(f::kCollationId, column.collationId);
    std::vector<Bytes> variable;
    if (!column.nameless) variable.push_back(Utf16Le(column.name));
    rows_[id::kLegacyColumns].push_back(Row(fixed, kLegacyColumnColumnCount, std::move(variable)));
  }
}

int32_t CatalogWriter::AddObject(const std::string& name, const std::string& type, int32_t parentId,
                                 int32_t objectId) {
  if (objectId <= 0) objectId = NextObjectId();
  if (legacy()) {
    rows_[id::kLegacyObjects].push_back(EncodeLegacyObjectRow(objectId, name, type, 1, parentId));
  } else {
    bool owned = parentId > 0;
    rows_[id::kObjects].push_back(EncodeObjectRow(objectId, name, type, 1, parentId, 0, owned ? 1 : 0));
  }
  return objectId;
}

void CatalogWriter::AddReference(uint8_t refClass, int32_t dependentId, int32_t dependentSubId, int32_t referencedId,
                                 int32_t referencedSubId) {
  if (legacy()) return;
  namespace f = layout::object_refs;
  FixedPart fixed(f::kFixedLength);
  fixed.U8(f::kRefClass, refClass).I32(f::kDependentId, dependentId).I32(f::kDependentSubId, dependentSubId);
  fixed.I32(f::kReferencedId, referencedId).I32(f::kReferencedSubId, referencedSubId).I32(f::kStatus, 0);
  rows_[id::kObjectRefs].push_back(Row(fixed, 6));
}

void CatalogWriter::DropColumn(int32_t tableId, int32_t columnId) {
  namespace f = layout::columns;
  constexpr size_t kHeader = 4;  // record status bytes and fixed length
  auto& rows = rows_[id::kColumns];
  std::erase_if(rows, [&](const Bytes& row) {
    auto i32 = [&](size_t offset) {
      uint32_t value = 0;
      for (size_t index = 0; index < 4; ++index) value |= static_cast<uint32_t>(row.at(kHeader + offset + index)) << (8 * index);
      return static_cast<int32_t>(value);
    };
    return i32(f::kObjectId) == tableId && i32(f::kColumnId) == columnId;
  });
}

void CatalogWriter::SetPhysicalColumns(int32_t tableId, const std::vector<PhysicalColumnSpec>& columns) {
  namespace f = layout::physical_columns;
  constexpr size_t kHeader = 4;
  const TableStorage* storage = Storage(tableId);
  if (!storage) throw std::invalid_argument("SetPhysicalColumns: no such table");
  auto& rows = rows_[id::kPhysicalColumns];
  std::erase_if(rows, [&](const Bytes& row) {
    uint64_t value = 0;
    for (size_t index = 0; index < 8; ++index) value |= static_cast<uint64_t>(row.at(kHeader + f::kRowsetId + index)) << (8 * index);
    return static_cast<int64_t>(value) == storage->rowsetId;
  });
  for (const PhysicalColumnSpec& column : columns) {
    FixedPart fixed(f::kFixedLength);
    fixed.I64(f::kRowsetId, storage->rowsetId).I32(f::kRowsetColumnId, column.rowsetColumnId);
    fixed.I32(f::kHobtColumnId, column.hobtColumnId).I32(f::kColumnId, column.rowsetColumnId).I32(f::kStatus, 0);
    fixed.I32(f::kLeafOffset, column.leafOffset).I32(f::kNullBit, column.nullBit);
    rows.push_back(Row(fixed, 14));
  }
}

Bytes EncodeLegacyKeyDescription(const std::vector<int16_t>& keyColumnIds, const std::vector<int16_t>& locatorColumnIds) {
  namespace f = layout::legacy_indexes;
  Bytes out;
  auto entry = [&](int16_t columnId, bool locator) {
    FixedPart part(f::kKeyEntrySize);
    // The type half: an int column (type 56, length 4, precision 10).
    part.U8(0, 56).U8(2, 56).I16(4, 4).U8(6, 10);
    part.I16(f::kKeyColumnId, columnId).U16(f::kKeyFlags, locator ? f::kKeyLocatorFlag : 0);
    out.insert(out.end(), part.bytes().begin(), part.bytes().end());
  };
  for (int16_t columnId : keyColumnIds) entry(columnId, false);
  for (int16_t columnId : locatorColumnIds) entry(columnId, true);
  return out;
}

Bytes EncodeLegacyReferenceRow(int32_t constraintId, int32_t tableId, int32_t referencedTableId,
                               const std::vector<int16_t>& columnIds, const std::vector<int16_t>& referencedColumnIds) {
  namespace f = layout::legacy_references;
  FixedPart fixed(f::kFixedLength);
  fixed.I32(f::kConstraintId, constraintId).I32(f::kTableId, tableId).I32(f::kReferencedTableId, referencedTableId);
  fixed.I16(f::kReferencedIndexId, 1).I16(f::kKeyCount, static_cast<int16_t>(columnIds.size()));
  Bytes keys, referenced;
  for (int16_t id : columnIds) AppendU16(keys, static_cast<uint16_t>(id));
  for (int16_t id : referencedColumnIds) AppendU16(referenced, static_cast<uint16_t>(id));
  return Row(fixed, 7, {keys, referenced});
}

Bytes EncodeLegacyIndexRow(int32_t objectId, int16_t indexId, int32_t status, const std::string& name,
                           const Bytes& keyDescription, int16_t keyCount) {
  namespace f = layout::legacy_indexes;
  FixedPart fixed(f::kFixedLength);
  fixed.I32(f::kObjectId, objectId).I32(f::kStatus, status).I16(f::kIndexId, indexId).I16(f::kKeyCount, keyCount);
  return Row(fixed, kLegacyIndexColumnCount, {keyDescription, Utf16Le(name)});
}

void CatalogWriter::AddKeyIndex(int32_t tableId, int32_t keyId, const std::string& name, int32_t status,
                                const std::vector<int32_t>& columnIds) {
  if (legacy()) {
    // Index ids from 2 on: id 1 is the table's own clustered row.
    int32_t& next = indexCount_[tableId];
    if (next < 2) next = 2;
    const int16_t indexId = static_cast<int16_t>(next++);
    int32_t legacyStatus = 0;
    if (status & index_status::kUnique) legacyStatus |= legacy_index_status::kUnique;
    if (status & index_status::kPrimaryKey) legacyStatus |= legacy_index_status::kPrimaryKey;
    if (status & index_status::kUniqueConstraint) legacyStatus |= legacy_index_status::kUniqueConstraint;
    std::vector<int16_t> keys(columnIds.begin(), columnIds.end());
    rows_[id::kLegacyIndexes].push_back(EncodeLegacyIndexRow(tableId, indexId, legacyStatus, name,
                                                             EncodeLegacyKeyDescription(keys),
                                                             static_cast<int16_t>(keys.size())));
    return;
  }
  int32_t indexId = indexCount_[tableId]++;
  {
    namespace f = layout::indexes;
    FixedPart fixed(f::kFixedLength);
    // Bit 0 of the first status byte marks an index the key list is built from.
    fixed.I32(f::kObjectId, tableId).I32(f::kIndexId, indexId).I32(f::kStatus, status | 0x01).U8(f::kType, 2);
    fixed.I32(f::kDataSpaceId, 1);
    rows_[id::kIndexes].push_back(Row(fixed, 11, {Utf16Le(name)}));
  }
  for (size_t position = 0; position < columnIds.size(); ++position) {
    namespace f = layout::index_columns;
    FixedPart fixed(f::kFixedLength);
    fixed.I32(f::kObjectId, tableId).I32(f::kIndexId, indexId).I32(f::kKeyOrdinal, static_cast<int32_t>(position + 1));
    fixed.I32(f::kStatus, 0).I32(f::kColumnId, columnIds[position]).U8(f::kProperty1, 0).U8(f::kProperty2, 0);
    rows_[id::kIndexColumns].push_back(Row(fixed, 7));
  }
  (void)keyId;
}

int32_t CatalogWriter::AddPrimaryKey(int32_t tableId, const std::string& name, const std::vector<int32_t>& columnIds) {
  int32_t keyId = AddObject(name, "PK", tableId);
  AddKeyIndex(tableId, keyId, name, index_status::kPrimaryKey | index_status::kUnique, columnIds);
  return keyId;
}

int32_t CatalogWriter::AddUniqueConstraint(int32_t tableId, const std::string& name,
                                           const std::vector<int32_t>& columnIds) {
  int32_t keyId = AddObject(name, "UQ", tableId);
  AddKeyIndex(tableId, keyId, name, index_status::kUniqueConstraint | index_status::kUnique, columnIds);
  return keyId;
}

int32_t CatalogWriter::AddCheck(int32_t tableId, const std::string& name, int32_t columnId) {
  int32_t checkId = AddObject(name, "C ", tableId);
  AddReference(ref_class::kOwnedToColumn, checkId, 0, tableId, columnId);
  return checkId;
}

int32_t CatalogWriter::AddDefault(int32_t tableId, const std::string& name, int32_t columnId) {
  int32_t defaultId = AddObject(name, "D ", tableId);
  AddReference(ref_class::kOwnedToColumn, defaultId, 0, tableId, columnId);
  return defaultId;
}

int32_t CatalogWriter::AddForeignKey(int32_t tableId, const std::string& name, const std::vector<int32_t>& columnIds,
                                     int32_t referencedTableId, const std::vector<int32_t>& referencedColumnIds) {
  int32_t keyId = AddObject(name, "F ", tableId);
  if (legacy()) {
    std::vector<int16_t> keys(columnIds.begin(), columnIds.end());
    std::vector<int16_t> referenced(referencedColumnIds.begin(), referencedColumnIds.end());
    rows_[id::kLegacyReferences].push_back(EncodeLegacyReferenceRow(keyId, tableId, referencedTableId, keys, referenced));
    return keyId;
  }
  AddReference(ref_class::kOwnedToObject, keyId, 0, referencedTableId, 0);
  for (size_t position = 0; position < columnIds.size() && position < referencedColumnIds.size(); ++position) {
    int32_t ordinal = static_cast<int32_t>(position + 1);
    AddReference(ref_class::kForeignKeyColumn, keyId, ordinal, tableId, columnIds[position]);
    AddReference(ref_class::kForeignKeyReferenced, keyId, ordinal, referencedTableId, referencedColumnIds[position]);
  }
  return keyId;
}

void CatalogWriter::AddDatabaseFile(int16_t fileId, const std::string& logicalName, const std::string& fileName) {
  rows_[id::kDatabaseFiles].push_back(EncodeDatabaseFileRow(fileId, logicalName, fileName));
}

void CatalogWriter::AddRawRow(int32_t catalogObjectId, const Bytes& record) {
  rows_[catalogObjectId].push_back(record);
}

std::vector<PageImage> CatalogWriter::BuildPages(int32_t firstPageNo, int16_t fileId) const {
  std::vector<PageImage> pages;
  int32_t pageNo = firstPageNo;
  uint16_t indexId = legacy() ? 0 : 1;
  for (const auto& entry : rows_) {
    const int32_t catalogObjectId = entry.first;
    const std::vector<Bytes>& records = entry.second;
    if (records.empty()) continue;
    auto newPage = [&]() {
      PageImage page(page_type::kData, PageId{fileId, pageNo++});
      page.SetObjectId(catalogObjectId).SetIndexId(indexId);
      pages.push_back(std::move(page));
    };
    newPage();
    for (const Bytes& record : records) {
      if (pages.back().AddRecord(record) >= 0) continue;
      newPage();
      if (pages.back().AddRecord(record) < 0) throw std::length_error("CatalogWriter: row larger than a page");
    }
  }
  return pages;
}

FileImage CatalogWriter::BuildFile(BootPageSpec boot) const {
  switch (generation_) {
    case CatalogGeneration::kSql2008:
      boot.version = 655;
      break;
    case CatalogGeneration::kSql2005:
      boot.version = 611;
      break;
    case CatalogGeneration::kSql2000:
      boot.version = 539;
      break;
  }
  std::vector<PageImage> pages = BuildPages(kFirstCatalogPage, boot.pageId.fileId);
  FileImage file = MakeMinimalPrimaryFile(boot, kFirstCatalogPage + static_cast<int64_t>(pages.size()) + 2);
  for (const PageImage& page : pages) file.PutPage(page);
  return file;
}

}  // namespace pagewright::support
