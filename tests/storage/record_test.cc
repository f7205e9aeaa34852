// The FixedVar record parse: a valid record with one field broken at a time,
// record shapes, complex columns and sparse vectors, ghosts, the page-level
// skips of the builder, and the minimum-length rule of catalog rows.
#include <gtest/gtest.h>

#include <functional>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "support/page_writer.h"
#include "support/record_writer.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::FixedVarRecord;
using support::PageImage;
using support::VarColumn;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Four columns: two int32 fixed columns (42, 7), column 1 NULL, and the
// variable values "ab" and "cde".
//   0 status 0x30 | 2 fixedEnd 12 | 4..11 fixed | 12 columnCount 4 | 14 bitmap
//   15 varCount 2 | 17 end 23 | 19 end 26 | 21 "ab" | 23 "cde"      length 26
FixedVarRecord StandardRecord() {
  FixedVarRecord record;
  record.fixed = {42, 0, 0, 0, 7, 0, 0, 0};
  record.columnCount = 4;
  record.nullColumns = {1};
  record.varColumns = {{Text("ab")}, {Text("cde")}};
  return record;
}
constexpr size_t kAt = kPageHeaderSize;  // where the record lies on the test page

std::unique_ptr<CDataPage> MakePage(const PageImage& image, DatabaseFile& file) {
  return std::make_unique<CDataPage>(std::make_unique<PageBuffer>(image.bytes()), &file);
}

std::vector<int> ValueLengths(const CPrimaryRecord& record) {
  std::vector<int> lengths;
  for (const ColumnBytes& value : record.varValues) lengths.push_back(value.length);
  return lengths;
}

TEST(RecordParse, StandardRecordGivesEveryPart) {
  EngineState state;
  DatabaseFile file(state);
  PageImage image(page_type::kData, PageId{1, 5});
  Bytes bytes = StandardRecord().Build();
  ASSERT_EQ(image.AddRecord(bytes), 0);
  auto page = MakePage(image, file);
  BuildAllRecords(*page);
  ASSERT_EQ(page->records.size(), 1u);
  auto* record = dynamic_cast<CPrimaryRecord*>(page->records[0].get());
  ASSERT_NE(record, nullptr);
  EXPECT_FALSE(record->isBad);
  EXPECT_FALSE(record->isGhost);
  EXPECT_FALSE(record->isCompressed);
  EXPECT_EQ(record->recordType, record_type::kPrimary);
  EXPECT_TRUE(record->hasNullBitmap);
  EXPECT_TRUE(record->hasVariableColumns);
  EXPECT_EQ(record->fixedLength, 8);
  EXPECT_EQ(record->fixedData, (Bytes{42, 0, 0, 0, 7, 0, 0, 0}));
  EXPECT_EQ(record->columnCount, 4);
  EXPECT_EQ(record->nullBitmap, Bytes{0x02});
  EXPECT_EQ(record->varCount, 2);
  EXPECT_EQ(record->varOffsets, (std::vector<uint16_t>{23, 26}));
  ASSERT_EQ(record->varValues.size(), 2u);
  EXPECT_EQ(record->varValues[0].data, Text("ab"));
  EXPECT_EQ(record->varValues[1].data, Text("cde"));
  EXPECT_EQ(record->varValues[1].columnId, -1);
  EXPECT_EQ(record->recordLength, 26);
  EXPECT_EQ(record->rawRecord, bytes);
  EXPECT_EQ(record->maxLength, kPageSize - kAt);
  EXPECT_EQ(record->pageOffset, kAt);
  EXPECT_EQ(record->page, page.get());
}

struct EditCase {
  const char* name;
  std::function<void(PageImage&)> edit;
  bool showDeleted;
  uint16_t maxLength;  // 0: the page's room from the record on
  bool isBad;
  bool isGhost;
  size_t fixedSize;
  std::vector<int> valueLengths;
  int32_t recordLength;
};

TEST(RecordParse, OneBrokenFieldAtATime) {
  auto put8 = [](size_t offset, uint8_t value) { return [=](PageImage& p) { p.Put8(kAt + offset, value); }; };
  auto put16 = [](size_t offset, uint16_t value) { return [=](PageImage& p) { p.Put16(kAt + offset, value); }; };
  auto none = [](PageImage&) {};
  const std::vector<EditCase> cases = {
      {"intact", none, false, 0, false, false, 8, {2, 3}, 26},
      {"index record type", put8(0, 0x36), false, 0, true, false, 0, {}, 0},
      {"LOB fragment type", put8(0, 0x38), false, 0, true, false, 0, {}, 0},
      {"ghost index type", put8(0, 0x3A), false, 0, true, true, 0, {}, 0},
      {"ghost version type", put8(0, 0x3E), true, 0, true, false, 0, {}, 0},
      {"ghost data, show deleted off", put8(0, 0x3C), false, 0, true, true, 0, {}, 0},
      {"ghost data, show deleted on", put8(0, 0x3C), true, 0, false, false, 8, {2, 3}, 26},
      {"column count 0", put16(12, 0), false, 0, false, false, 8, {}, 0},
      {"column count 1024", put16(12, 1024), false, 0, false, false, 8, {}, 0},
      {"column count negative", put16(12, 0xFFFF), false, 0, false, false, 8, {}, 0},
      {"var count above column count", put16(15, 5), false, 0, false, false, 8, {}, 0},
      {"end offset before its start", put16(19, 22), false, 0, false, false, 8, {2, 0}, 23},
      {"end offset equal to its start", put16(17, 21), false, 0, false, false, 8, {0, 5}, 26},
      {"end offset past 8191", put16(17, 0x7FFF), false, 0, false, false, 8, {0, 5}, 26},
      {"last value past maxLength", none, false, 24, false, false, 8, {2, 0}, 23},
      // Column count 42 is read from the fixed bytes; the bitmap no longer fits.
      {"fixed part past maxLength", none, false, 10, false, false, 0, {}, 14},
      {"page type above 17", [](PageImage& p) { p.SetType(18); }, false, 0, true, false, 0, {}, 0},
      {"negative own page number", [](PageImage& p) { p.SetPageId(PageId{1, -3}); }, false, 0, true, false, 0, {}, 0},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    EngineState state;
    state.showDeleted = c.showDeleted;
    DatabaseFile file(state);
    PageImage image(page_type::kData, PageId{1, 5});
    ASSERT_EQ(image.AddRecord(StandardRecord().Build()), 0);
    c.edit(image);
    auto page = MakePage(image, file);
    uint16_t maxLength = c.maxLength ? c.maxLength : static_cast<uint16_t>(kPageSize - kAt);
    CPrimaryRecord record(page->bytes().from(kAt), page.get(), maxLength);
    EXPECT_EQ(record.isBad, c.isBad);
    EXPECT_EQ(record.isGhost, c.isGhost);
    EXPECT_EQ(record.fixedData.size(), c.fixedSize);
    EXPECT_EQ(ValueLengths(record), c.valueLengths);
    EXPECT_EQ(record.recordLength, c.recordLength);
    // The copy of the record is taken only when it lies within maxLength.
    size_t rawSize = c.recordLength <= maxLength ? static_cast<size_t>(c.recordLength) : 0;
    EXPECT_EQ(record.rawRecord.size(), rawSize);
    if (c.isBad) EXPECT_TRUE(record.nullBitmap.empty() && record.varValues.empty());
  }
}

TEST(RecordParse, HugeFixedEndDoesNotPoseAsAnUnreachedStub) {
  Bytes raw = StandardRecord().Build();
  raw[2] = 0xFB;  // fixedEnd 0xFFFB: fixedEnd - 4 would wrap to -5 as int16
  raw[3] = 0xFF;
  CPrimaryRecord record(ByteView(raw), nullptr, static_cast<uint16_t>(raw.size()));
  EXPECT_FALSE(record.isBad);
  EXPECT_TRUE(record.fixedData.empty());
  EXPECT_NE(record.fixedLength, record_layout::kUnreachedStubLength);
  EXPECT_EQ(record.fixedLength, INT16_MAX);
}

TEST(RecordParse, ShapesWithoutFixedPartBitmapOrValues) {
  EngineState state;
  DatabaseFile file(state);
  struct Case {
    const char* name;
    FixedVarRecord record;
    int16_t columnCount;
    size_t bitmapSize;
    std::vector<int> valueLengths;
  };
  FixedVarRecord noFixed;  // fixedEnd 4: the column count is read at byte 4
  noFixed.columnCount = 2;
  noFixed.varColumns = {{Text("xy")}, {Text("z")}};
  FixedVarRecord noBitmapNoFixed;  // varCount taken from the column count
  noBitmapNoFixed.nullBitmap = false;
  noBitmapNoFixed.varColumns = {{Text("abc")}, {Text("de")}};
  FixedVarRecord fixedOnly;
  fixedOnly.fixed = {1, 2, 3};
  FixedVarRecord wideBitmap;  // 20 columns: a 3-byte bitmap
  wideBitmap.fixed = {9};
  wideBitmap.columnCount = 20;
  wideBitmap.nullColumns = {0, 19};
  wideBitmap.varColumns = {{Text("q")}};
  const std::vector<Case> cases = {
      {"fixedEnd 4", noFixed, 2, 1, {2, 1}},
      {"no bitmap, no fixed part", noBitmapNoFixed, 2, 0, {3, 2}},
      {"fixed columns only", fixedOnly, 1, 1, {}},
      {"three-byte bitmap", wideBitmap, 20, 3, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = c.record.Build();
    PageImage image(page_type::kData, PageId{1, 5});
    ASSERT_EQ(image.AddRecord(bytes), 0);
    auto page = MakePage(image, file);
    CPrimaryRecord record(page->bytes().from(kAt), page.get(), kPageSize - kAt);
    EXPECT_FALSE(record.isBad);
    EXPECT_EQ(record.fixedData, c.record.fixed);
    EXPECT_EQ(record.columnCount, c.columnCount);
    EXPECT_EQ(record.nullBitmap.size(), c.bitmapSize);
    EXPECT_EQ(ValueLengths(record), c.valueLengths);
    EXPECT_EQ(record.rawRecord, bytes);
  }
}

TEST(RecordParse, ComplexColumnsAndSparseVectors) {
  EngineState state;
  DatabaseFile file(state);
  // A 16-byte complex value starting with 5 is a LOB pointer, not a vector.
  Bytes pointer(16, 0);
  pointer[0] = 5;
  Bytes sparse = support::SparseVectorValue({{7, Text("hello")}, {9, Text("ab")}});
  FixedVarRecord source;
  source.fixed = {1, 0, 0, 0};
  source.columnCount = 12;
  source.varColumns = {{Text("x")}, {pointer, true}, {sparse, true}};
  PageImage image(page_type::kData, PageId{1, 5});
  ASSERT_EQ(image.AddRecord(source.Build()), 0);
  auto page = MakePage(image, file);
  CPrimaryRecord record(page->bytes().from(kAt), page.get(), kPageSize - kAt);
  ASSERT_EQ(record.varValues.size(), 3u);
  EXPECT_FALSE(record.varValues[0].isComplex);
  EXPECT_TRUE(record.varValues[1].isComplex);
  EXPECT_EQ(record.varValues[1].data, pointer);
  EXPECT_TRUE(record.varValues[2].isComplex);
  EXPECT_EQ(record.varOffsets.back() & record_layout::kComplexOffsetBit, 0);
  ASSERT_NE(record.sparseVector, nullptr);
  EXPECT_EQ(record.sparseVector->count, 2);
  ASSERT_EQ(record.sparseVector->columns.size(), 2u);
  EXPECT_EQ(record.sparseVector->columns[0].columnId, 7);
  EXPECT_EQ(record.sparseVector->columns[0].data, Text("hello"));
  EXPECT_EQ(record.sparseVector->columns[1].columnId, 9);
  EXPECT_EQ(record.sparseVector->columns[1].data, Text("ab"));

  // End offset 0x8010: a complex column ending at byte 16.
  Bytes raw = {0x30, 0, 4, 0, 1, 0, 0, 1, 0, 0x10, 0x80, 'a', 'b', 'c', 'd', 'e'};
  CPrimaryRecord handMade(ByteView(raw), nullptr, static_cast<uint16_t>(raw.size()));
  ASSERT_EQ(handMade.varValues.size(), 1u);
  EXPECT_EQ(handMade.varOffsets, std::vector<uint16_t>{16});
  EXPECT_TRUE(handMade.varValues[0].isComplex);
  EXPECT_EQ(handMade.varValues[0].data, Text("abcde"));
  EXPECT_EQ(handMade.sparseVector, nullptr);
}

TEST(RecordParse, SparseVectorWithBrokenOffsets) {
  Bytes sparse = support::SparseVectorValue({{3, Text("one")}, {4, Text("two")}, {5, Text("six")}});
  // Entry 1 ends before entry 0: no data, and the next entry starts there.
  sparse[4 + 2 * 3 + 2] = 10;
  auto vector = DecodeSparseVector(ByteView(sparse), nullptr);
  ASSERT_NE(vector, nullptr);
  ASSERT_EQ(vector->columns.size(), 3u);
  EXPECT_EQ(vector->columns[0].data, Text("one"));
  EXPECT_FALSE(vector->columns[1].hasData());
  EXPECT_EQ(vector->columns[1].columnId, 4);
  EXPECT_EQ(vector->columns[2].data, Bytes(sparse.begin() + 10, sparse.end()));

  // A count whose tables do not fit in the value gives no entries.
  Bytes tooMany = {5, 0, 200, 0, 1, 0};
  auto empty = DecodeSparseVector(ByteView(tooMany), nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->count, 200);
  EXPECT_TRUE(empty->columns.empty());
}

TEST(RecordParse, CompressedRecordKeepsItsBytesForTheCompressedReader) {
  Bytes raw = {0x21, 3, 0x52, 0x01, 'a', 'b', 'c'};
  CPrimaryRecord record(ByteView(raw), nullptr, static_cast<uint16_t>(raw.size()));
  EXPECT_TRUE(record.isCompressed);
  EXPECT_FALSE(record.isBad);
  EXPECT_EQ(record.rawRecord, raw);
  EXPECT_TRUE(record.fixedData.empty());
  EXPECT_TRUE(record.varValues.empty());
}

// Ghosts and the page-level skips of BuildAllRecords.
TEST(RecordBuilder, PageLevelSkips) {
  struct Case {
    const char* name;
    std::function<void(PageImage&)> edit;
    bool showDeleted;
    std::vector<bool> built;  // per slot: a record was built
  };
  auto ghostCount = [](int16_t count) { return [=](PageImage& p) { p.SetGhostRecordCount(count); }; };
  const std::vector<Case> cases = {
      {"plain page", [](PageImage&) {}, false, {true, true, true}},
      {"ghost count equal to slot count", ghostCount(3), false, {false, false, false}},
      {"ghost count equal, show deleted on", ghostCount(3), true, {true, true, true}},
      {"ghost count below slot count", ghostCount(2), false, {true, true, true}},
      {"index page at level 1", [](PageImage& p) { p.SetType(page_type::kIndex).SetLevel(1); }, false, {false, false, false}},
      {"index page at leaf level", [](PageImage& p) { p.SetType(page_type::kIndex); }, false, {true, true, true}},
      {"slot offsets 0, 95 and 8193",
       [](PageImage& p) { p.SetSlot(0, 0); p.SetSlot(1, 95); p.SetSlot(2, 8193); }, false, {false, false, false}},
      {"implausible header", [](PageImage& p) { p.SetFreeCount(-1); }, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineState state;
    state.showDeleted = c.showDeleted;
    DatabaseFile file(state);
    PageImage image(page_type::kData, PageId{1, 5});
    for (int row = 0; row < 3; ++row) ASSERT_GE(image.AddRecord(StandardRecord().Build()), 0);
    c.edit(image);
    auto page = MakePage(image, file);
    BuildAllRecords(*page);
    std::vector<bool> built;
    for (const auto& record : page->records) built.push_back(record != nullptr);
    EXPECT_EQ(built, c.built);
  }
}

TEST(RecordBuilder, GhostRecordsWithAndWithoutShowDeleted) {
  for (bool showDeleted : {false, true}) {
    SCOPED_TRACE(showDeleted ? "show deleted on" : "show deleted off");
    EngineState state;
    state.showDeleted = showDeleted;
    DatabaseFile file(state);
    PageImage image(page_type::kData, PageId{1, 5});
    FixedVarRecord ghost = StandardRecord();
    ghost.recordType = record_type::kGhostData;
    ASSERT_EQ(image.AddRecord(StandardRecord().Build()), 0);
    ASSERT_EQ(image.AddRecord(ghost.Build()), 1);
    image.SetGhostRecordCount(1);
    auto page = MakePage(image, file);
    BuildAllRecords(*page);
    ASSERT_EQ(page->records.size(), 2u);
    auto* live = dynamic_cast<CPrimaryRecord*>(page->records[0].get());
    auto* deleted = dynamic_cast<CPrimaryRecord*>(page->records[1].get());
    ASSERT_TRUE(live && deleted);
    EXPECT_FALSE(live->isGhost || live->isBad);
    EXPECT_EQ(deleted->recordType, record_type::kGhostData);
    EXPECT_EQ(deleted->isGhost, !showDeleted);
    EXPECT_EQ(deleted->isBad, !showDeleted);
    EXPECT_EQ(deleted->varValues.size(), showDeleted ? 2u : 0u);
  }
}

// Catalog tables without a minimum length still need a record longer than 0
// bytes: the records of IAM pages, which land in the same page lists, have
// column count 0 and so length 0.
TEST(RecordParse, RecordOfLengthZeroIsNoCatalogRow) {
  FixedVarRecord iamLike;
  iamLike.fixed = Bytes(90, 0x11);
  iamLike.columnCount = 0;
  iamLike.nullBitmap = false;
  Bytes raw = iamLike.Build();
  CPrimaryRecord iam(ByteView(raw), nullptr, static_cast<uint16_t>(raw.size()));
  EXPECT_EQ(iam.fixedData.size(), 90u);
  EXPECT_EQ(iam.recordLength, 0);
  EXPECT_FALSE(iam.MeetsMinimumLength(0));

  Bytes row = StandardRecord().Build();
  CPrimaryRecord standard(ByteView(row), nullptr, static_cast<uint16_t>(row.size()));
  EXPECT_TRUE(standard.MeetsMinimumLength(0));
  EXPECT_TRUE(standard.MeetsMinimumLength(25));
  EXPECT_FALSE(standard.MeetsMinimumLength(26));
}

}  // namespace
}  // namespace pagewright
