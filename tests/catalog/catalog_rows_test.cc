// Row parsers of the system tables: what a row must be to count, made-up
// names, identity texts, and the offsets that differ from a literal reading
// of the 2000 layout (owner uid, nullability, stale column rows).
#include <gtest/gtest.h>

#include "catalog/catalog_rows.h"
#include "support/catalog_writer.h"
#include "support/record_writer.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::FixedVarRecord;
using support::VarColumn;

namespace layout = catalog_layout;

CPrimaryRecord Parse(const Bytes& bytes) {
  return CPrimaryRecord(ByteView(bytes), nullptr, static_cast<uint16_t>(bytes.size()));
}

Bytes RecordWith(Bytes fixed, std::vector<Bytes> variable, int16_t columnCount = 10,
                 int recordType = record_type::kPrimary) {
  FixedVarRecord record;
  record.recordType = recordType;
  record.fixed = std::move(fixed);
  record.columnCount = columnCount;
  for (Bytes& value : variable) record.varColumns.push_back(VarColumn{std::move(value), false});
  return record.Build();
}

void Put32(Bytes& bytes, size_t offset, uint32_t value) {
  for (int index = 0; index < 4; ++index) bytes[offset + index] = static_cast<uint8_t>(value >> (8 * index));
}

TEST(CatalogRowsAcceptance, RecordKindsAndLengths) {
  Bytes fixed(40, 0);
  CPrimaryRecord plain = Parse(RecordWith(fixed, {support::Utf16Le("x")}));
  ASSERT_GT(plain.recordLength, 40);
  EXPECT_TRUE(IsCatalogRow(&plain, 20, true));
  EXPECT_TRUE(IsCatalogRow(&plain, plain.recordLength - 1, false));
  EXPECT_FALSE(IsCatalogRow(&plain, plain.recordLength, false));  // must exceed the minimum
  EXPECT_FALSE(IsCatalogRow(nullptr, 0, false));

  // Index records carry no fixed data, so they never count, skipped or not.
  CPrimaryRecord index = Parse(RecordWith(fixed, {}, 10, record_type::kIndex));
  EXPECT_FALSE(IsCatalogRow(&index, 0, true));
  EXPECT_FALSE(IsCatalogRow(&index, 0, false));

  // A record with column count 0 (as on IAM pages of system tables) has
  // length 0: no table, not even one without a minimum, takes it.
  FixedVarRecord empty;
  empty.fixed = Bytes(20, 1);
  empty.columnCount = 0;
  CPrimaryRecord zero = Parse(empty.Build());
  EXPECT_EQ(zero.recordLength, 0);
  EXPECT_FALSE(zero.fixedData.empty());
  EXPECT_FALSE(IsCatalogRow(&zero, 0, false));

  // A LOB fragment is skipped even when it looks like a row.
  CPrimaryRecord lob;
  lob.recordType = record_type::kLobFragment;
  lob.fixedData = Bytes(40, 0);
  lob.recordLength = 60;
  EXPECT_FALSE(IsCatalogRow(&lob, 0, false));
  lob.recordType = record_type::kIndex;
  EXPECT_TRUE(IsCatalogRow(&lob, 0, false));
  EXPECT_FALSE(IsCatalogRow(&lob, 0, true));
}

TEST(CatalogRowsObjects, FieldsAndMadeUpNamesNumberedPerCounter) {
  Bytes named = support::EncodeObjectRow(245575913, "Products", "U ", 1, 0);
  Bytes nameless = support::EncodeObjectRow(5, "", "PK", 1, 245575913, 0, 1);
  Bytes emptyName = support::EncodeObjectRow(6, "", "V ", 1, 0);
  {
    // An empty first variable column is as good as none.
    FixedVarRecord record;
    record.fixed = Parse(emptyName).fixedData;
    record.columnCount = 11;
    record.varColumns = {VarColumn{Bytes{}, false}};
    emptyName = record.Build();
  }
  uint64_t counter = 0;
  auto products = ParseObjectRow(Parse(named), counter);
  ASSERT_TRUE(products);
  EXPECT_EQ(products->objectId, 245575913);
  EXPECT_EQ(products->name, "Products");
  EXPECT_EQ(products->type, "U ");
  EXPECT_EQ(products->schemaId, 1);
  EXPECT_EQ(products->parentId, 0);
  EXPECT_EQ(counter, 0u);
  auto key = ParseObjectRow(Parse(nameless), counter);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->name, "Repairname0");
  EXPECT_EQ(key->parentId, 245575913);
  EXPECT_EQ(key->parentClass, 1);
  auto view = ParseObjectRow(Parse(emptyName), counter);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->name, "Repairname1");
  EXPECT_EQ(counter, 2u);

  Bytes zeroId = support::EncodeObjectRow(0, "gone", "U ", 1, 0);
  Bytes negativeId = support::EncodeObjectRow(-4, "gone", "U ", 1, 0);
  EXPECT_FALSE(ParseObjectRow(Parse(zeroId), counter));
  EXPECT_FALSE(ParseObjectRow(Parse(negativeId), counter));
}

TEST(CatalogRowsObjects, ShortFixedPartKeepsDefaults) {
  Bytes fixed(16, 0);
  Put32(fixed, 0, 77);
  fixed[13] = 'V';
  fixed[14] = ' ';
  uint64_t counter = 0;
  auto object = ParseObjectRow(Parse(RecordWith(fixed, {support::Utf16Le("v")})), counter);
  ASSERT_TRUE(object);
  EXPECT_EQ(object->objectId, 77);
  EXPECT_EQ(object->type, "V ");
  EXPECT_EQ(object->parentId, -1);
  EXPECT_EQ(object->parentClass, 255);
  EXPECT_EQ(object->intProperty, -1);
}

TEST(CatalogRowsObjects, TypeCharactersAreAlwaysValidText) {
  Bytes row = support::EncodeObjectRow(9, "t", "U ", 1, 0);
  CPrimaryRecord record = Parse(row);
  record.fixedData[layout::objects::kType] = 0xE9;
  uint64_t counter = 0;
  auto object = ParseObjectRow(record, counter);
  ASSERT_TRUE(object);
  EXPECT_EQ(object->type, "\xC3\xA9 ");  // Latin-1 0xE9 as UTF-8
}

TEST(CatalogRowsLegacyObjects, OwnerStatusAndParentAtTheirRealOffsets) {
  // nw_stuit_2000, sysobjects: PK_Orders owned by Orders (0x014935CB), uid 1
  // (dbo) at 8, status 0x10 at 12; bytes 6-7 are 0.
  Bytes fixed = {0x04, 0x5a, 0x3d, 0x02, 0x50, 0x4b, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00,
                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xcb, 0x35, 0x49, 0x01, 0xbf, 0xbc, 0x0a, 0x01,
                 0xbc, 0x95, 0x00, 0x00, 0x00, 0x00};
  uint64_t counter = 0;
  auto object = ParseLegacyObjectRow(Parse(RecordWith(fixed, {support::Utf16Le("PK_Orders")}, 11)), counter);
  ASSERT_TRUE(object);
  EXPECT_EQ(object->objectId, 0x023D5A04);
  EXPECT_EQ(object->type, "PK");
  EXPECT_EQ(object->schemaId, 1);
  EXPECT_EQ(object->status, 0x10);
  EXPECT_EQ(object->parentId, 0x014935CB);
  EXPECT_EQ(object->name, "PK_Orders");
}

TEST(CatalogRowsColumns, IdentityOnlyForStatusFiveWithASecondColumn) {
  Bytes fixed(layout::columns::kFixedLength, 0);
  Put32(fixed, layout::columns::kObjectId, 21575115);
  Put32(fixed, layout::columns::kColumnId, 1);
  fixed[layout::columns::kSystemTypeId] = 56;
  // Real bytes (nw_itsligo_2008 Categories.CategoryID): last value 8, seed 1,
  // increment 1, one flag byte.
  Bytes identity = {0x08, 0, 0, 0, 0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x00};
  struct Case {
    int32_t status;
    bool secondColumn;
    const char* expected;
  } cases[] = {{5, true, "identity(1,1)"}, {5, false, ""}, {1, true, ""}, {0x405, true, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    Bytes row = fixed;
    Put32(row, layout::columns::kStatus, static_cast<uint32_t>(c.status));
    std::vector<Bytes> variable = {support::Utf16Le("CategoryID")};
    if (c.secondColumn) variable.push_back(identity);
    uint64_t counter = 0;
    ColumnRowDef column = ParseColumnRow(Parse(RecordWith(row, variable, 16)), counter);
    EXPECT_EQ(column.identityText, c.expected);
    EXPECT_EQ(column.name, "CategoryID");
    EXPECT_EQ(column.status, c.status);
  }
}

TEST(CatalogRowsColumns, NamelessRowsNumberedInOrderMet) {
  Bytes fixed(layout::columns::kFixedLength, 0);
  uint64_t counter = 0;
  EXPECT_EQ(ParseColumnRow(Parse(RecordWith(fixed, {}, 16)), counter).name, "RepairColumn0");
  EXPECT_EQ(ParseColumnRow(Parse(RecordWith(fixed, {support::Utf16Le("named")}, 16)), counter).name, "named");
  EXPECT_EQ(ParseColumnRow(Parse(RecordWith(fixed, {}, 16)), counter).name, "RepairColumn1");
  uint64_t legacyCounter = 0;
  Bytes legacyFixed(layout::legacy_columns::kFixedLength, 0);
  EXPECT_EQ(ParseLegacyColumnRow(Parse(RecordWith(legacyFixed, {}, 21)), legacyCounter)->name, "RepairColumn0");
}

TEST(CatalogRowsIdentity, TextFromEachValueLength) {
  auto bytes = [](std::initializer_list<uint32_t> words, size_t length) {
    Bytes out;
    for (uint32_t word : words)
      for (int index = 0; index < 4; ++index) out.push_back(static_cast<uint8_t>(word >> (8 * index)));
    out.resize(length, 0);
    return out;
  };
  struct Case {
    const char* name;
    Bytes value;
    const char* expected;
  } cases[] = {
      {"int, 13 bytes", bytes({8, 1, 1}, 13), "identity(1,1)"},
      {"12 bytes", bytes({0, 10, 5}, 12), "identity(10,5)"},
      {"negative seed and increment", bytes({0, 0xFFFFFFFFu, 0xFFFFFFFEu}, 13), "identity(-1,-2)"},
      {"increment 0 becomes 1", bytes({0, 7, 0}, 12), "identity(7,1)"},
      {"4 bytes", bytes({5}, 4), "identity(1,1)"},
      {"empty", Bytes{}, "identity(1,1)"},
      {"smallint, 7 bytes", Bytes{0x03, 0x00, 0x64, 0x00, 0x02, 0x00, 0x00}, "identity(100,2)"},
      {"smallint negative", Bytes{0x00, 0x00, 0xF6, 0xFF, 0x00, 0x00, 0x00}, "identity(-10,1)"},
      // bigint: last value, seed, increment as 8-byte values.
      {"bigint used", bytes({40, 0, 1000, 0, 10, 0}, 25), "identity(1000,10)"},
      // Real bytes of an unused bigint identity (queuing_order of the queue tables).
      {"bigint unused", bytes({0, 0, 1, 0, 0, 0}, 25), "identity(0,1)"},
      {"24 bytes, seed in the 32-bit slot", bytes({0, 3, 4}, 24), "identity(3,4)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IdentityText(ByteView(c.value)), c.expected);
  }
}

TEST(CatalogRowsLegacyColumns, NullabilityFromTypeStatusBitZero) {
  // nw_stuit_2000 Shippers: typeStatus 01 ShipperID, 03 CompanyName, 02 Phone.
  struct Case {
    uint8_t typeStatus;
    bool notNull;
  } cases[] = {{0x01, true}, {0x03, true}, {0x02, false}, {0x00, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.typeStatus));
    Bytes fixed(layout::legacy_columns::kFixedLength, 0);
    fixed[layout::legacy_columns::kTypeStatus] = c.typeStatus;
    // The record goes on with the column count (0x15) right after byte 42.
    uint64_t counter = 0;
    auto column = ParseLegacyColumnRow(Parse(RecordWith(fixed, {support::Utf16Le("c")}, 21)), counter);
    ASSERT_TRUE(column);
    EXPECT_EQ(column->typeStatus, c.typeStatus);
    EXPECT_EQ(column->IsNotNull(), c.notNull);
  }
}

TEST(CatalogRowsLegacyColumns, CollationOnlyFromLongRecordsWithManyColumns) {
  Bytes fixed(layout::legacy_columns::kFixedLength, 0);
  Put32(fixed, layout::legacy_columns::kCollationId, 0x3400D008);
  uint64_t counter = 0;
  EXPECT_EQ(ParseLegacyColumnRow(Parse(RecordWith(fixed, {support::Utf16Le("c")}, 21)), counter)->collationId,
            0x3400D008);
  EXPECT_EQ(ParseLegacyColumnRow(Parse(RecordWith(fixed, {support::Utf16Le("c")}, 20)), counter)->collationId, -1);
  // A row of another shape (a 2008 physical-column row) is no 2000 column row.
  Bytes other(layout::physical_columns::kFixedLength, 0);
  EXPECT_FALSE(ParseLegacyColumnRow(Parse(RecordWith(other, {}, 14)), counter));
  EXPECT_EQ(counter, 0u);
}

TEST(CatalogRowsPhysicalColumns, StaleLegacyRowsAreDropped) {
  Bytes fixed(layout::physical_columns::kFixedLength, 0);
  Put32(fixed, layout::physical_columns::kLeafOffset, 0xFFFEu);
  Put32(fixed, layout::physical_columns::kNullBit, 3);
  auto row = ParsePhysicalColumnRow(Parse(RecordWith(fixed, {}, 14)));
  ASSERT_TRUE(row);
  EXPECT_EQ(row->leafOffset & 0xFFFF, 0xFFFE);
  EXPECT_EQ(row->nullBit, 3);
  // A 2000-layout column row (42-byte fixed part) passes the minimum length
  // of 48 with its name, but cannot hold offsets 40 to 49.
  Bytes stale(layout::legacy_columns::kFixedLength, 0);
  CPrimaryRecord staleRecord = Parse(RecordWith(stale, {support::Utf16Le("collationid")}, 21));
  ASSERT_TRUE(IsCatalogRow(&staleRecord, layout::physical_columns::kMinLength, false));
  EXPECT_FALSE(ParsePhysicalColumnRow(staleRecord));
}

TEST(CatalogRowsLegacyIndexes, OnlyIndexIdOneWithTheRowsFile) {
  Bytes fixed(layout::legacy_indexes::kFixedLength, 0);
  Put32(fixed, layout::legacy_indexes::kObjectId, 2053582354);
  Put32(fixed, layout::legacy_indexes::kFirstPage, 120);
  Put32(fixed, layout::legacy_indexes::kFirstIamPage, 121);
  for (int16_t indexId : {0, 1, 2, 255}) {
    Bytes row = fixed;
    row[layout::legacy_indexes::kIndexId] = static_cast<uint8_t>(indexId);
    auto index = ParseLegacyIndexRow(Parse(RecordWith(row, {support::Utf16Le("i")}, 27)), 3);
    ASSERT_EQ(index.has_value(), indexId == 1);
    if (!index) continue;
    EXPECT_EQ(index->objectId, 2053582354);
    EXPECT_EQ(index->FirstPageId(), (PageId{3, 120}));
    EXPECT_EQ(index->FirstIamPageId(), (PageId{3, 121}));
  }
}

// Key descriptions as the 2000 index table stores them: real keys first, then
// the row locator a nonclustered index carries (flagged entries: the
// clustered key, a repeated key column, the uniquifier of column id 0).
TEST(CatalogRowsLegacyIndexKeys, KeyColumnsWithoutTheRowLocator) {
  namespace f = layout::legacy_indexes;
  const struct {
    const char* what;
    int16_t indexId;
    int32_t status;
    std::vector<int16_t> keys;
    std::vector<int16_t> locator;
    int16_t keyCount;
    bool parsed;
    std::vector<int16_t> want;
  } cases[] = {
      {"clustered primary key", 1, 0x4812, {1}, {}, 1, true, {1}},
      {"composite key in key order", 1, 0x4812, {6, 2, 1}, {}, 3, true, {6, 2, 1}},
      {"nonclustered key over a clustered table", 2, 0x0802, {1}, {4, 2, 3, 0}, 5, true, {1}},
      {"uniquifier inside a clustered key", 1, 0x10, {4, 2, 0}, {}, 3, true, {4, 2}},
      {"key count shorter than the description", 2, 0, {3, 5}, {}, 1, true, {3}},
      {"key count 0 reads the whole description", 2, 0, {3, 5}, {1}, 0, true, {3, 5}},
      {"heap row", 0, 0, {}, {}, 0, false, {}},
      {"text unit row", 255, 0x2, {}, {}, 0, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes description = support::EncodeLegacyKeyDescription(c.keys, c.locator);
    Bytes row = support::EncodeLegacyIndexRow(405576483, c.indexId, c.status, "PK_emp_id", description, c.keyCount);
    CPrimaryRecord record = Parse(row);
    ASSERT_TRUE(IsCatalogRow(&record, f::kMinLength - 1, true));
    auto index = ParseLegacyIndexKeysRow(record);
    ASSERT_EQ(index.has_value(), c.parsed);
    if (!index) continue;
    EXPECT_EQ(index->objectId, 405576483);
    EXPECT_EQ(index->indexId, c.indexId);
    EXPECT_EQ(index->status, c.status);
    EXPECT_EQ(index->name, "PK_emp_id");
    EXPECT_EQ(index->keyColumnIds, c.want);
  }
  // A description cut inside an entry, and one longer than the column allows.
  Bytes cut = support::EncodeLegacyKeyDescription({1, 2});
  cut.resize(40);
  EXPECT_EQ(LegacyKeyColumns(ByteView(cut), 0), std::vector<int16_t>{1});
  std::vector<int16_t> many(40, 7);
  EXPECT_EQ(LegacyKeyColumns(ByteView(support::EncodeLegacyKeyDescription(many)), 0).size(), f::kMaxKeyEntries);
}

TEST(CatalogRowsLegacyReferences, ColumnPairsInKeyOrder) {
  namespace f = layout::legacy_references;
  auto pairs = ParseLegacyReferenceRow(Parse(support::EncodeLegacyReferenceRow(405576483, 325576198, 21575115,
                                                                                {2, 1}, {3, 1})));
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].constraintId, 405576483);
  EXPECT_EQ(pairs[0].tableId, 325576198);
  EXPECT_EQ(pairs[0].referencedTableId, 21575115);
  EXPECT_EQ((std::vector<int32_t>{pairs[0].keyOrdinal, pairs[0].columnId, pairs[0].referencedColumnId}),
            (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ((std::vector<int32_t>{pairs[1].keyOrdinal, pairs[1].columnId, pairs[1].referencedColumnId}),
            (std::vector<int32_t>{2, 1, 1}));
  // A key count beyond the lists reads what is there; a short fixed part or
  // a missing list gives nothing.
  Bytes longCount = support::EncodeLegacyReferenceRow(1, 2, 3, {4}, {5});
  longCount[4 + f::kKeyCount] = 9;
  EXPECT_EQ(ParseLegacyReferenceRow(Parse(longCount)).size(), 1u);
  EXPECT_TRUE(ParseLegacyReferenceRow(Parse(RecordWith(Bytes(12, 1), {{1, 0}, {1, 0}}))).empty());
  EXPECT_TRUE(ParseLegacyReferenceRow(Parse(RecordWith(Bytes(f::kFixedLength, 1), {{1, 0}}))).empty());
}

TEST(CatalogRowsDatabaseFiles, NamesCutAtNulAndTrimmed) {
  CPrimaryRecord record = Parse(support::EncodeDatabaseFileRow(3, "Data2", "D:\\data\\db_2.ndf"));
  ASSERT_TRUE(IsCatalogRow(&record, layout::files::kMinLength, false));
  DataFileDef file = ParseDataFileRow(record);
  EXPECT_EQ(file.fileId, 3);
  EXPECT_EQ(file.status, 2);
  EXPECT_EQ(file.logicalName, "Data2");
  EXPECT_EQ(file.fileName, "D:\\data\\db_2.ndf");
  // Text after a NUL unit is not part of the name.
  record.fixedData[layout::files::kLogicalName + 4] = 0;
  record.fixedData[layout::files::kLogicalName + 5] = 0;
  EXPECT_EQ(ParseDataFileRow(record).logicalName, "Da");
}

TEST(CatalogRowsText, NamesKeepNonAsciiText) {
  Bytes units = support::Utf16Le("會員 Ö");
  units.push_back(0x41);  // an odd trailing byte is dropped
  Bytes fixed(layout::objects::kFixedLength, 0);
  Put32(fixed, 0, 12);
  uint64_t counter = 0;
  auto object = ParseObjectRow(Parse(RecordWith(fixed, {units}, 11)), counter);
  ASSERT_TRUE(object);
  EXPECT_EQ(object->name, "會員 Ö");
  // An unpaired surrogate becomes U+FFFD.
  Bytes lone = {0x00, 0xD8, 0x41, 0x00};
  object = ParseObjectRow(Parse(RecordWith(fixed, {lone}, 11)), counter);
  ASSERT_TRUE(object);
  EXPECT_EQ(object->name, "\xEF\xBF\xBD" "A");
}

}  // namespace
}  // namespace pagewright
