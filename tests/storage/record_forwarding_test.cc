// Forwarding stubs followed through a synthetic file, and the data and
// catalog page reads that build every slot's record.
#include <gtest/gtest.h>

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/record.h"
#include "support/file_writer.h"
#include "support/record_writer.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::FileImage;
using support::FixedVarRecord;
using support::ForwardingStub;
using support::PageImage;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The moved row: a forwarded record (type 1) long enough that a stub near
// the end of its page could not hold it.
FixedVarRecord MovedRow() {
  FixedVarRecord row;
  row.recordType = record_type::kForwarded;
  row.fixed = {0x11, 0x22, 0x33, 0x44};
  row.columnCount = 3;
  row.varColumns = {{Text("moved")}, {Bytes(600, 'w')}};
  return row;
}

const CPrimaryRecord* RecordAt(const RecordPage& page, size_t slot) {
  return slot < page.records.size() ? dynamic_cast<const CPrimaryRecord*>(page.records[slot].get()) : nullptr;
}

// Page 2 holds the rows: slot 0 a ghost data record, slot 1 the moved row,
// slot 2 a stub pointing back at slot 1. Page 1 holds the stubs under test;
// page 3 one stub at the very end of its page.
class RecordForwardingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PageImage rows(page_type::kData, PageId{1, 2});
    FixedVarRecord ghost = MovedRow();
    ghost.recordType = record_type::kGhostData;
    ASSERT_EQ(rows.AddRecord(ghost.Build()), 0);
    ASSERT_EQ(rows.AddRecord(MovedRow().Build()), 1);
    ASSERT_EQ(rows.AddRecord(ForwardingStub(PageId{1, 2}, 1)), 2);

    PageImage stubs(page_type::kData, PageId{1, 1});
    stubs.AddRecord(ForwardingStub(PageId{1, 2}, 1));   // 0: reaches the moved row
    stubs.AddRecord(ForwardingStub(PageId{1, 2}, 2));   // 1: a stub to a stub
    stubs.AddRecord(ForwardingStub(PageId{1, 40}, 1));  // 2: page beyond the file
    stubs.AddRecord(ForwardingStub(PageId{1, 2}, -1));  // 3: negative slot
    stubs.AddRecord(ForwardingStub(PageId{1, 2}, 3));   // 4: slot number = slot count
    stubs.AddRecord(ForwardingStub(PageId{1, 2}, 0));   // 5: a ghost while show deleted is off
    stubs.AddRecord(ForwardingStub(PageId{7, 2}, 1));   // 6: unknown file
    stubs.AddRecord(ForwardingStub(PageId{1, 1}, 7));   // 7: to itself

    PageImage tail(page_type::kData, PageId{1, 3});
    const size_t nearEnd = kPageSize - 2 - record_layout::kStubLength - 4;
    ASSERT_TRUE(tail.PlaceRecord(nearEnd, ForwardingStub(PageId{1, 2}, 1)));
    tail.AddSlot(static_cast<uint16_t>(nearEnd));

    // Page 0 carries a record too, for the catalog read of page 0.
    PageImage zero(page_type::kData, PageId{1, 0});
    zero.AddRecord(MovedRow().Build());

    FileImage image;
    image.PutPage(zero);
    image.PutPage(stubs);
    image.PutPage(rows);
    image.PutPage(tail);
    ASSERT_TRUE(image.WriteTo(dir.File("stubs.mdf")));
    database = support::OpenForTest(state, dir.File("stubs.mdf"));
    ASSERT_TRUE(database);
  }

  support::TempDir dir;
  EngineState state;
  std::unique_ptr<DatabaseFile> database;
};

TEST_F(RecordForwardingTest, StubTakesTheMovedRowAndKeepsType2) {
  auto page = database->ReadDataPage(PageId{1, 1});
  ASSERT_TRUE(page);
  const CPrimaryRecord* record = RecordAt(*page, 0);
  ASSERT_NE(record, nullptr);
  Bytes moved = MovedRow().Build();
  EXPECT_FALSE(record->isBad);
  EXPECT_EQ(record->recordType, record_type::kForwardingStub);
  EXPECT_EQ(record->fixedData, (Bytes{0x11, 0x22, 0x33, 0x44}));
  ASSERT_EQ(record->varValues.size(), 2u);
  EXPECT_EQ(record->varValues[0].data, Text("moved"));
  EXPECT_EQ(record->varValues[1].length, 600);
  EXPECT_EQ(record->rawRecord, moved);
  EXPECT_EQ(record->recordLength, static_cast<int32_t>(moved.size()));
  ASSERT_TRUE(record->forwardedPage);
  EXPECT_EQ(*record->forwardedPage, (PageId{1, 2}));
  EXPECT_EQ(record->forwardedSlot, 1);
}

TEST_F(RecordForwardingTest, UnreachableRowsGiveTheMarkedEmptyRecord) {
  auto page = database->ReadDataPage(PageId{1, 1});
  ASSERT_TRUE(page);
  ASSERT_EQ(page->records.size(), 8u);
  const char* names[] = {"", "stub to a stub", "page beyond the file", "negative slot",
                         "slot number equal to the slot count", "ghost target", "unknown file",
                         "stub to itself"};
  for (size_t slot = 1; slot < 8; ++slot) {
    SCOPED_TRACE(names[slot]);
    const CPrimaryRecord* record = RecordAt(*page, slot);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->recordType, record_type::kForwardingStub);
    EXPECT_EQ(record->fixedLength, record_layout::kUnreachedStubLength);
    EXPECT_TRUE(record->fixedData.empty());
    EXPECT_TRUE(record->varValues.empty());
    EXPECT_TRUE(record->rawRecord.empty());
  }
}

TEST_F(RecordForwardingTest, GhostTargetIsReachedWithShowDeleted) {
  state.showDeleted = true;
  auto page = database->ReadDataPage(PageId{1, 1});
  ASSERT_TRUE(page);
  const CPrimaryRecord* record = RecordAt(*page, 5);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->fixedData, (Bytes{0x11, 0x22, 0x33, 0x44}));
  EXPECT_FALSE(record->isGhost);
}

// A stub 15 bytes before the end of its page has 15 bytes of room; the moved
// row is parsed within its own length instead.
TEST_F(RecordForwardingTest, StubAtTheEndOfItsPageReadsTheWholeRow) {
  auto page = database->ReadDataPage(PageId{1, 3});
  ASSERT_TRUE(page);
  const CPrimaryRecord* record = RecordAt(*page, 0);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(record->varValues.size(), 2u);
  EXPECT_EQ(record->varValues[1].data, Bytes(600, 'w'));
  EXPECT_EQ(record->rawRecord, MovedRow().Build());
}

TEST_F(RecordForwardingTest, OneSlotBuildDoesNotFollowStubs) {
  auto buffer = database->ReadPage(PageId{1, 2});
  ASSERT_TRUE(buffer);
  PrimaryRecordPage page(std::move(buffer), database.get());
  BuildOneRecord(page, 2);
  BuildOneRecord(page, 3);   // no such slot: nothing appended
  BuildOneRecord(page, -1);  // nor here
  ASSERT_EQ(page.records.size(), 1u);
  const CPrimaryRecord* stub = RecordAt(page, 0);
  ASSERT_NE(stub, nullptr);
  EXPECT_EQ(stub->fixedLength, record_layout::kUnreachedStubLength);
  BuildOneRecord(page, 1);
  ASSERT_EQ(page.records.size(), 2u);
  EXPECT_EQ(RecordAt(page, 1)->recordType, record_type::kForwarded);
}

TEST_F(RecordForwardingTest, DataAndCatalogPageReads) {
  EXPECT_EQ(database->ReadDataPage(PageId{1, 0}), nullptr);
  EXPECT_EQ(database->ReadDataPage(PageId{1, 99}), nullptr);
  EXPECT_EQ(database->ReadDataPage(PageId{0, 1}), nullptr);
  auto zero = database->ReadCatalogPage(PageId{1, 0});
  ASSERT_TRUE(zero);
  ASSERT_EQ(zero->records.size(), 1u);
  EXPECT_EQ(RecordAt(*zero, 0)->varValues.size(), 2u);
  EXPECT_EQ(database->currentPage(), *zero->data);
  auto rows = database->ReadCatalogPage(PageId{1, 2});
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->records.size(), 3u);
  EXPECT_EQ(database->currentPage(), *rows->data);
  EXPECT_EQ(database->currentPage()[kPageHeaderSize + 0] & record_layout::kTypeMask,
            record_type::kGhostData << record_layout::kTypeShift);
}

}  // namespace
}  // namespace pagewright
