#include "storage/compressed_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/compression_info.h"
#include "support/compressed_writer.h"

namespace pagewright {
namespace {

using Bytes = std::vector<uint8_t>;
using support::CdEntry;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

ColumnDef Column(int32_t typeCode, int16_t declared = 0) {
  ColumnDef column;
  column.typeCode = typeCode;
  column.declaredLength = declared;
  return column;
}
enum : int32_t { kBit = 2, kChar = 3, kInt = 9, kNVarChar = 11, kBigInt = 0, kVarChar = 17, kVarBinary = 16 };

// A record as the record reader hands it over: flagged compressed, its
// bytes in rawRecord.
std::unique_ptr<CPrimaryRecord> Handed(const Bytes& bytes) {
  auto record = std::make_unique<CPrimaryRecord>();
  record->isCompressed = true;
  record->rawRecord = bytes;
  return record;
}

std::unique_ptr<CPrimaryRecord> Expanded(const Bytes& bytes, const std::vector<ColumnDef>& columns,
                                         const CompressionInfo* compression = nullptr) {
  auto record = Handed(bytes);
  ParseCompressedRecord(*record, false);
  ExpandCompressedRecord(*record, compression, columns);
  return record;
}

// A DBCC PAGE dump of a real ROW-compressed row (int, varchar, char(2000)):
// 28 bytes, no null bitmap, "This is row 1" in the long-data region.
const Bytes kRealRow = Concat({{0x21, 0x03, 0xA2, 0x16, 0xE5}, Text("Row 1"), {0x01, 0x01, 0x00, 0x0D, 0x00},
                               Text("This is row 1")});

TEST(CompressedRecordReal, RowDumpAddsUpWithoutNullBitmap) {
  CdRecord cd = ParseCdRecord(ByteView(kRealRow));
  ASSERT_FALSE(cd.isBad);
  EXPECT_FALSE(cd.damaged);
  EXPECT_EQ(cd.recordLength, 28);
  EXPECT_EQ(cd.columnCount, 3);
  ASSERT_EQ(cd.columns.size(), 3u);
  EXPECT_EQ(cd.columns[0].code, 2);
  EXPECT_EQ(cd.columns[1].code, cd_code::kLong);
  EXPECT_EQ(cd.columns[2].code, 6);
  EXPECT_EQ(cd.Value(1).to_vector(), Text("This is row 1"));
}

TEST(CompressedRecordReal, RowDumpExpandsToUncompressedValues) {
  auto record =
      Expanded(kRealRow, {Column(kInt), Column(kVarChar, 50), Column(kChar, 2000)});
  ASSERT_EQ(record->expandedValues.size(), 3u);
  EXPECT_EQ(record->expandedValues[0].data, (Bytes{0x65, 0, 0, 0}));  // 101
  EXPECT_EQ(record->expandedValues[1].data, Text("This is row 1"));
  Bytes padded = Text("Row 1");
  padded.resize(2000, ' ');
  EXPECT_EQ(record->expandedValues[2].data, padded);
  // The fixed part: int then char, in column order; the long value apart.
  EXPECT_EQ(record->fixedLength, 2004);
  EXPECT_EQ(Bytes(record->fixedData.begin(), record->fixedData.begin() + 4), (Bytes{0x65, 0, 0, 0}));
  ASSERT_EQ(record->varValues.size(), 1u);
  EXPECT_EQ(record->varValues[0].data, Text("This is row 1"));
  EXPECT_FALSE(record->hasNullBitmap);
  ASSERT_EQ(record->columnState.size(), 3u);
  EXPECT_EQ(record->columnState[2].length, 2000);
}

TEST(CompressedRecordReal, WalkthroughRowOf35Bytes) {
  Bytes row = Concat({{0x21, 0x05, 0x52, 0xA6, 0x16, 0x81}, Text("Alex"), Text("Young"), Text("Akron"),
                      {0x01, 0x01, 0x00, 0x0A, 0x00}, Text("2 Sand Run")});
  ASSERT_EQ(row.size(), 35u);
  auto record = Expanded(
      row, {Column(kBigInt), Column(kChar, 100), Column(kChar, 100), Column(kChar, 250), Column(kChar, 50)});
  EXPECT_EQ(record->recordLength, 35);
  ASSERT_EQ(record->expandedValues.size(), 5u);
  EXPECT_EQ(record->expandedValues[0].data, (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(record->expandedValues[3].data.size(), 250u);
  EXPECT_EQ(Bytes(record->expandedValues[3].data.begin(), record->expandedValues[3].data.begin() + 10),
            Text("2 Sand Run"));
  EXPECT_EQ(record->expandedValues[4].data.size(), 50u);
}

struct CountCase {
  const char* name;
  Bytes bytes;
  int columnCount;
  int shortDataStart;
};
class CompressedRecordCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(CompressedRecordCount, ColumnCountAndShortDataStart) {
  CdRecord cd = ParseCdRecord(ByteView(GetParam().bytes));
  ASSERT_FALSE(cd.isBad);
  EXPECT_EQ(cd.columnCount, GetParam().columnCount);
  EXPECT_EQ(cd.shortDataStart, GetParam().shortDataStart);
}

std::vector<CdEntry> Nulls(size_t count) { return std::vector<CdEntry>(count, CdEntry::Null()); }

INSTANTIATE_TEST_SUITE_P(
    Layouts, CompressedRecordCount,
    ::testing::Values(
        CountCase{"OneByteCount", {0x01, 0x05, 0x00, 0x00, 0x10}, 5, 5},
        // Big-endian with the flag bit: 80 05 is 5 columns, not 0x0580.
        CountCase{"TwoByteCountSmall", support::BuildCdRecord(Nulls(5), {0, false, true}), 5, 6},
        CountCase{"TwoByteCount200", support::BuildCdRecord(Nulls(200)), 200, 3 + 100 + 6},
        // 31 columns: 1 + 1 + 16 CD bytes + 1 cluster byte.
        CountCase{"ThirtyOneColumns", support::BuildCdRecord(Nulls(31)), 31, 19},
        CountCase{"ThirtyColumns", support::BuildCdRecord(Nulls(30)), 30, 17}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompressedRecordCount, TwoByteCountBytesReadBigEndian) {
  Bytes header = {0x01, 0x81, 0x02};  // 0x102 = 258 columns
  header.resize(3 + 129, 0);
  CdRecord cd = ParseCdRecord(ByteView(header));
  ASSERT_FALSE(cd.isBad);
  EXPECT_EQ(cd.columnCount, 258);
}

TEST(CompressedRecordCount, RefusedHeaders) {
  for (Bytes bytes : {Bytes{0x01, 0x00}, Bytes{0x00, 0x01, 0x00}, Bytes{0x01, 0x84, 0x01}, Bytes{0x01},
                      Bytes{0x01, 0x04, 0x00}}) {
    auto record = Handed(bytes);
    ParseCompressedRecord(*record, false);
    EXPECT_TRUE(record->isBad) << testing::PrintToString(bytes);
  }
}

TEST(CompressedRecordLongData, OffsetsMaskTheComplexBitAndCount) {
  Bytes pointer(16, 0);
  pointer[0] = 0x04;  // an in-row LOB root
  Bytes record = support::BuildCdRecord(
      {CdEntry::Long(Text("first long value")), CdEntry::Long(pointer, true), CdEntry::Value({0x81})});
  auto parsed = Handed(record);
  ParseCompressedRecord(*parsed, false);
  ASSERT_EQ(parsed->varValues.size(), 2u);
  EXPECT_EQ(parsed->varValues[0].data, Text("first long value"));
  EXPECT_FALSE(parsed->varValues[0].isComplex);
  EXPECT_EQ(parsed->varValues[1].data, pointer);
  EXPECT_TRUE(parsed->varValues[1].isComplex);
  EXPECT_EQ(parsed->longCount, 2);
  ASSERT_EQ(parsed->longOffsets.size(), 2u);
  EXPECT_EQ(parsed->longOffsets[1].endOffset, 32);
  EXPECT_EQ(parsed->recordLength, static_cast<int32_t>(record.size()));

  auto expanded = Expanded(record, {Column(kVarChar, 100), Column(kVarBinary, -1), Column(kInt)});
  ASSERT_EQ(expanded->expandedValues.size(), 3u);
  EXPECT_TRUE(expanded->expandedValues[1].isComplex);
  EXPECT_EQ(expanded->expandedValues[1].data, pointer);  // a pointer is never expanded
  EXPECT_EQ(expanded->fixedData, (Bytes{1, 0, 0, 0}));
}

TEST(CompressedRecordLongData, RegionWithoutOffsetFlagLeavesLongColumnsUnread) {
  Bytes record = support::BuildCdRecord({CdEntry::Long(Text("0123456789")), CdEntry::Value({0x82})},
                                        {0, false, false, 0x00});
  CdRecord cd = ParseCdRecord(ByteView(record));
  EXPECT_TRUE(cd.damaged);
  EXPECT_FALSE(cd.columns[0].readable);
  auto expanded = Expanded(record, {Column(kVarChar, 20), Column(kInt)});
  EXPECT_TRUE(expanded->expandedValues[0].data.empty());
  EXPECT_FALSE(expanded->columnState[0].isNull);
  EXPECT_EQ(expanded->expandedValues[1].data, (Bytes{2, 0, 0, 0}));
}

TEST(CompressedRecordLongData, VersioningTagEndsTheRecord) {
  Bytes record = support::BuildCdRecord({CdEntry::Long(Text("0123456789")), CdEntry::Value({0x82})},
                                        {0, true});
  CdRecord cd = ParseCdRecord(ByteView(record));
  EXPECT_TRUE(cd.hasVersioningTag);
  EXPECT_FALSE(cd.damaged);
  EXPECT_EQ(cd.recordLength, static_cast<int32_t>(record.size()));
  EXPECT_EQ(cd.Value(0).to_vector(), Text("0123456789"));
}

struct TypeCase {
  const char* name;
  int cdType;
  bool showDeleted;
  int recordType;
  bool isGhost;
  bool isBad;
};
class CompressedRecordTypes : public ::testing::TestWithParam<TypeCase> {};

TEST_P(CompressedRecordTypes, HeaderBitsTwoToFour) {
  const TypeCase& c = GetParam();
  auto record = Handed(support::BuildCdRecord({CdEntry::Value({0x81})}, {c.cdType}));
  ParseCompressedRecord(*record, c.showDeleted);
  EXPECT_EQ(record->recordType, c.recordType);
  EXPECT_EQ(record->isGhost, c.isGhost);
  EXPECT_EQ(record->isBad, c.isBad);
}

INSTANTIATE_TEST_SUITE_P(
    Types, CompressedRecordTypes,
    ::testing::Values(TypeCase{"Primary", 0, false, record_type::kPrimary, false, false},
                      TypeCase{"Forwarded", 4, false, record_type::kForwarded, false, false},
                      TypeCase{"GhostDataHidden", 3, false, record_type::kGhostData, true, true},
                      TypeCase{"GhostDataShown", 3, true, record_type::kGhostData, false, false},
                      TypeCase{"GhostForwardedShown", 5, true, record_type::kGhostData, false, false},
                      TypeCase{"Index", 6, false, record_type::kIndex, false, false},
                      TypeCase{"GhostEmptyHasNoRow", 1, true, record_type::kGhostData, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompressedRecordExpand, NullCodeBitsAndShortColumns) {
  // bit 1, NULL int, bit 0, int -1, bit 1, varchar "ab", nine bits in all.
  std::vector<CdEntry> entries = {CdEntry::BitOne(), CdEntry::Null(), CdEntry::Empty(), CdEntry::Value({0x7F}),
                                  CdEntry::BitOne(), CdEntry::Value(Text("ab"))};
  std::vector<ColumnDef> columns = {Column(kBit), Column(kInt), Column(kBit), Column(kInt), Column(kBit),
                                    Column(kVarChar, 10)};
  for (int extra = 0; extra < 6; ++extra) {
    entries.push_back(extra % 2 ? CdEntry::BitOne() : CdEntry::Empty());
    columns.push_back(Column(kBit));
  }
  auto record = Expanded(support::BuildCdRecord(entries), columns);
  ASSERT_EQ(record->columnState.size(), 12u);
  EXPECT_TRUE(record->columnState[1].isNull);
  EXPECT_TRUE(record->expandedValues[1].data.empty());
  EXPECT_EQ(record->expandedValues[0].data, Bytes{1});
  EXPECT_EQ(record->expandedValues[2].data, Bytes{0});
  EXPECT_EQ(record->expandedValues[5].data, Text("ab"));
  // Bits share bytes in column order, LSB first: bits 1,0,1,0,1,0,1,0 then a
  // ninth bit (1) in a new byte, placed where its column comes.
  EXPECT_EQ(record->fixedData, (Bytes{0b01010101, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 0x01}));
  EXPECT_EQ(record->fixedLength, 8);
}

TEST(CompressedRecordExpand, RecordWithFewerColumnsThanTheTable) {
  auto record = Expanded(support::BuildCdRecord({CdEntry::Value({0x85})}),
                                   {Column(kInt), Column(kInt), Column(kVarChar, 5)});
  // Columns added after the row was written have no entry: NULL.
  ASSERT_EQ(record->columnState.size(), 3u);
  EXPECT_EQ(record->expandedValues[0].data, (Bytes{5, 0, 0, 0}));
  EXPECT_TRUE(record->columnState[1].isNull);
  EXPECT_TRUE(record->columnState[2].isNull);
}

TEST(CompressedRecordExpand, UnknownCodesAndBitCodeOnOtherTypesAreUnreadable) {
  auto record = Expanded(
      support::BuildCdRecord({CdEntry::RawCode(13), CdEntry::BitOne(), CdEntry::Value({0x83})}),
      {Column(kInt), Column(kInt), Column(kInt)});
  ASSERT_EQ(record->expandedValues.size(), 3u);
  EXPECT_TRUE(record->expandedValues[0].data.empty());
  EXPECT_TRUE(record->expandedValues[1].data.empty());
  EXPECT_EQ(record->expandedValues[2].data, (Bytes{3, 0, 0, 0}));
  EXPECT_EQ(record->fixedData, (Bytes{3, 0, 0, 0}));
}

TEST(CompressedRecordExpand, NVarCharShortAndLongValuesDecodeScsu) {
  // 11 SCSU bytes: "1234567890" + pad, too long for the short data.
  Bytes longScsu = Concat({Text("1234567890"), {0x10}});
  auto record = Expanded(
      support::BuildCdRecord({CdEntry::Value({0x47, 0x72, 0x61, 0x79, 0x10}), CdEntry::Long(longScsu)}),
      {Column(kNVarChar, 40), Column(kNVarChar, 40)});
  EXPECT_EQ(record->expandedValues[0].data, (Bytes{'G', 0, 'r', 0, 'a', 0, 'y', 0}));
  ASSERT_EQ(record->varValues.size(), 1u);
  EXPECT_EQ(record->varValues[0].data.size(), 20u);
  EXPECT_EQ(record->varValues[0].data[18], '0');
}

// Every cut of a valid record is parsed within its bytes and reports the cut.
TEST(CompressedRecordDamage, TruncatedRecordsStayInBoundsAndSaySo) {
  std::vector<CdEntry> entries = {CdEntry::Value({0x81, 0x02}), CdEntry::Long(Text("a long value here")),
                                  CdEntry::Null(), CdEntry::Symbol(3), CdEntry::Long(Bytes(16, 0x00), true),
                                  CdEntry::Value(Text("12345678"))};
  Bytes full = support::BuildCdRecord(entries, {0, true});
  ASSERT_FALSE(ParseCdRecord(ByteView(full)).damaged);
  std::vector<ColumnDef> columns = {Column(kInt), Column(kVarChar, 40), Column(kInt), Column(kInt),
                                    Column(kVarBinary, -1), Column(kChar, 8)};
  for (size_t length = 0; length < full.size(); ++length) {
    // An exact-size heap copy, so a sanitizer build catches any stray read.
    auto cut = std::make_unique<uint8_t[]>(length + 1);
    std::copy(full.begin(), full.begin() + static_cast<ptrdiff_t>(length), cut.get());
    CdRecord cd = ParseCdRecord(ByteView(cut.get(), length));
    EXPECT_TRUE(cd.isBad || cd.damaged) << length;
    EXPECT_LE(cd.recordLength, static_cast<int32_t>(length));
    auto record = Expanded(Bytes(cut.get(), cut.get() + length), columns);
    EXPECT_LE(record->expandedValues.size(), columns.size());
  }
}

TEST(CompressedRecordDamage, LongOffsetsRunningBackwardsOrPastTheEnd) {
  Bytes record = support::BuildCdRecord({CdEntry::Long(Text("0123456789")), CdEntry::Long(Text("abcdefghij"))});
  // Offsets start 3 bytes into the long region: end offsets 10 and 20.
  size_t region = record.size() - 20 - 2 * 2 - 3;
  Bytes backwards = record;
  backwards[region + 5] = 0x04;  // second end offset 4 < 10
  CdRecord cd = ParseCdRecord(ByteView(backwards));
  EXPECT_TRUE(cd.damaged);
  EXPECT_TRUE(cd.columns[0].readable);
  EXPECT_FALSE(cd.columns[1].readable);

  Bytes beyond = record;
  beyond[region + 5] = 0x7F;  // 127: past the record
  cd = ParseCdRecord(ByteView(beyond));
  EXPECT_FALSE(cd.columns[1].readable);
  EXPECT_LE(cd.recordLength, static_cast<int32_t>(beyond.size()));
}

}  // namespace
}  // namespace pagewright
