// The deleted-record scan of the advanced deleted mode over synthetic pages:
// deleted rows between live ones, found by stepping over records that parse
// or by their signature; live rows are never added twice.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "support/record_writer.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::FixedVarRecord;
using support::PageImage;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A row whose fixed part is `fixedLength` bytes, so its fixedEnd is 4 more.
Bytes Row(size_t fixedLength, uint8_t marker, int type = record_type::kPrimary) {
  FixedVarRecord row;
  row.recordType = type;
  row.fixed = Bytes(fixedLength, marker);
  row.columnCount = 3;
  row.varColumns = {{Text("name")}, {Text("x")}};
  return row.Build();
}

// Bytes that parse as no record (record type 7) and hold no signature.
const Bytes kJunk(7, 0xEE);

struct ScanResult {
  std::vector<uint16_t> slots;
  std::vector<uint16_t> deletedOffsets;
  std::vector<uint8_t> markers;  // first fixed byte of each built record, in slot order
  std::vector<bool> fromScan;
  int16_t slotCount = 0;
};

ScanResult Scan(const PageImage& image, bool showDeleted, bool showAdvancedDeleted) {
  EngineState state;
  state.showDeleted = showDeleted;
  state.showAdvancedDeleted = showAdvancedDeleted;
  DatabaseFile file(state);
  CDataPage page(std::make_unique<PageBuffer>(image.bytes()), &file);
  BuildPageRecords(page);
  ScanResult result;
  result.slots = page.slots;
  result.deletedOffsets = page.deletedOffsets;
  result.slotCount = page.header->slotCount;
  for (const auto& entry : page.records) {
    auto* record = dynamic_cast<CPrimaryRecord*>(entry.get());
    result.markers.push_back(record && !record->fixedData.empty() ? record->fixedData[0] : 0);
    result.fromScan.push_back(record && record->fromDeletedScan);
  }
  EXPECT_EQ(page.deletedRecords.size(), page.deletedOffsets.size());
  return result;
}

// Live A, junk, deleted D (fixedEnd 132: the fixed signature), live B.
class DeletedScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    liveA = image.AddRecord(Row(8, 0xA1));
    junk = support::LeaveDeletedRecord(image, kJunk);
    deleted = support::LeaveDeletedRecord(image, Row(128, 0xD1));
    liveB = image.AddRecord(Row(8, 0xB1));
    ASSERT_TRUE(liveA == 0 && liveB == 1 && junk > 0 && deleted > 0);
  }
  PageImage image{page_type::kData, PageId{1, 9}};
  int liveA = -1, junk = -1, deleted = -1, liveB = -1;
};

TEST_F(DeletedScanTest, FindsTheDeletedRowAfterTheLiveOnes) {
  ScanResult result = Scan(image, true, true);
  EXPECT_EQ(result.deletedOffsets, std::vector<uint16_t>{static_cast<uint16_t>(deleted)});
  EXPECT_EQ(result.slots, (std::vector<uint16_t>{image.Slot(0), image.Slot(1), static_cast<uint16_t>(deleted)}));
  EXPECT_EQ(result.slotCount, 3);
  EXPECT_EQ(result.markers, (std::vector<uint8_t>{0xA1, 0xB1, 0xD1}));
  EXPECT_EQ(result.fromScan, (std::vector<bool>{false, false, true}));
}

TEST_F(DeletedScanTest, RunsOnlyWithBothDeletedOptions) {
  for (auto [showDeleted, advanced] : {std::pair{false, false}, {true, false}, {false, true}}) {
    SCOPED_TRACE(std::to_string(showDeleted) + "/" + std::to_string(advanced));
    ScanResult result = Scan(image, showDeleted, advanced);
    EXPECT_TRUE(result.deletedOffsets.empty());
    EXPECT_EQ(result.markers, (std::vector<uint8_t>{0xA1, 0xB1}));
  }
}

TEST_F(DeletedScanTest, RowsDirectlyAfterARecordAreFoundWhateverTheirShape) {
  // Two rows left straight after live B: a ghost data row of another fixed
  // length, then a deleted one of a third.
  support::LeaveDeletedRecord(image, Row(20, 0xC1, record_type::kGhostData));
  support::LeaveDeletedRecord(image, Row(3, 0xC2));
  ScanResult result = Scan(image, true, true);
  EXPECT_EQ(result.markers, (std::vector<uint8_t>{0xA1, 0xB1, 0xD1, 0xC1, 0xC2}));
  EXPECT_EQ(result.deletedOffsets.size(), 3u);
}

TEST_F(DeletedScanTest, LiveRowsAreNotAddedTwiceWhenTheSlotOrderDiffers) {
  uint16_t first = image.Slot(0);
  image.SetSlot(0, image.Slot(1));
  image.SetSlot(1, first);
  ScanResult result = Scan(image, true, true);
  EXPECT_EQ(result.markers, (std::vector<uint8_t>{0xB1, 0xA1, 0xD1}));
}

// Real deleted rows carry their own table's fixed length, which the page
// header keeps as minLen; after junk they are found only by that signature.
TEST(DeletedScan, SignatureFromThePageMinLen) {
  struct Case {
    const char* name;
    uint16_t minLen;
    bool variableColumns;
    bool found;
  };
  const std::vector<Case> cases = {
      {"minLen equal to the row's fixedEnd", 17, true, true},
      {"row without variable columns", 17, false, true},
      {"minLen of another shape", 21, true, false},
      {"no minLen", 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageImage image(page_type::kData, PageId{1, 9});
    image.SetMinLen(c.minLen);
    image.AddRecord(Row(13, 0xA1));
    support::LeaveDeletedRecord(image, kJunk);
    FixedVarRecord row;
    row.fixed = Bytes(13, 0xD2);
    row.columnCount = 2;
    if (c.variableColumns) row.varColumns = {{Text("gone")}};
    int offset = support::LeaveDeletedRecord(image, row.Build());
    image.AddRecord(Row(13, 0xB1));
    ScanResult result = Scan(image, true, true);
    EXPECT_EQ(result.deletedOffsets, c.found ? std::vector<uint16_t>{static_cast<uint16_t>(offset)}
                                             : std::vector<uint16_t>{});
    EXPECT_EQ(result.markers.size(), c.found ? 3u : 2u);
  }
}

TEST(DeletedScan, SignatureThatDoesNotParseIsSkipped) {
  PageImage image(page_type::kData, PageId{1, 9});
  image.AddRecord(Row(8, 0xA1));
  support::LeaveDeletedRecord(image, kJunk);
  // The signature of a 132-byte fixedEnd, then a column count of 0.
  Bytes broken = {0x30, 0x00, 0x84, 0x00};
  broken.resize(140, 0);
  support::LeaveDeletedRecord(image, broken);
  int offset = support::LeaveDeletedRecord(image, Row(128, 0xD3));
  ScanResult result = Scan(image, true, true);
  EXPECT_EQ(result.deletedOffsets, std::vector<uint16_t>{static_cast<uint16_t>(offset)});
}

TEST(DeletedScan, SignaturesRecognised) {
  Bytes page(kPageSize, 0);
  auto at = [&](size_t offset, std::vector<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), page.begin() + static_cast<long>(offset));
  };
  at(100, {0x30, 0x00, 0x84, 0x00});
  at(200, {0x3C, 0x00, 0x84, 0x00});
  at(300, {0x30, 0x01, 0x84, 0x00});
  at(400, {0x30, 0x00, 0x11, 0x00});
  at(500, {0x1C, 0x00, 0x11, 0x00});
  at(600, {0x50, 0x00, 0x11, 0x00});
  ByteView view(page);
  EXPECT_TRUE(IsScanSignature(view, 100, 0));
  EXPECT_TRUE(IsScanSignature(view, 200, 0));
  EXPECT_FALSE(IsScanSignature(view, 300, 0));
  EXPECT_FALSE(IsScanSignature(view, 400, 0));
  EXPECT_TRUE(IsScanSignature(view, 400, 0x11));
  EXPECT_TRUE(IsScanSignature(view, 500, 0x11));
  EXPECT_FALSE(IsScanSignature(view, 600, 0x11));
  EXPECT_FALSE(IsScanSignature(view, kPageSize - 3, 0x11));
}

}  // namespace
}  // namespace pagewright
