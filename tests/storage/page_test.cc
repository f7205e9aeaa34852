// Page objects: the slot array taken at construction, its limits and the
// stop request, and torn bits restored before anything reads the records.
#include "storage/page.h"

#include <gtest/gtest.h>

#include "catalog/database_file.h"
#include "support/page_writer.h"

namespace pagewright {
namespace {

using support::PageImage;

std::unique_ptr<PageBuffer> BufferOf(const PageImage& page) { return std::make_unique<PageBuffer>(page.bytes()); }

TEST(RecordPageSlots, SlotCountLimits) {
  const struct {
    int16_t slotCount;
    size_t expected;
  } cases[] = {
      {-1, 0}, {0, 0}, {1, 1}, {2, 2}, {3999, 3999}, {4000, 0}, {4001, 0}, {INT16_MAX, 0}, {INT16_MIN, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slotCount);
    PageImage page(page_type::kData, PageId{1, 20});
    // Slot k holds 1000 + k where the array fits inside the page.
    for (int slot = 0; slot < 4000; ++slot) page.SetSlot(slot, static_cast<uint16_t>(1000 + slot));
    page.SetSlotCount(c.slotCount);
    RecordPage built(BufferOf(page), nullptr);
    ASSERT_EQ(built.slots.size(), c.expected);
    EXPECT_EQ(built.hasSlots(), c.expected > 0);
    for (size_t slot = 0; slot < built.slots.size(); ++slot)
      ASSERT_EQ(built.slots[slot], 1000 + slot) << slot;
  }
}

TEST(RecordPageSlots, SlotsComeFromTheEndOfThePage) {
  PageImage page(page_type::kData, PageId{1, 20});
  int first = page.AddRecord({0x10, 0x00, 0x04, 0x00, 0x00, 0x00});
  int second = page.AddRecord({0x10, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF});
  ASSERT_EQ(first, 0);
  ASSERT_EQ(second, 1);
  EXPECT_EQ(page.bytes()[8190], 96);
  EXPECT_EQ(page.bytes()[8188], 102);
  RecordPage built(BufferOf(page), nullptr);
  EXPECT_EQ(built.slots, (std::vector<uint16_t>{96, 102}));
  EXPECT_EQ(built.header->freeData, 109);
  EXPECT_EQ(built.header->freeCount, 8192 - 109 - 4);
}

TEST(RecordPageSlots, StopRequestTakesNoSlotArray) {
  EngineState state;
  DatabaseFile file(state);
  PageImage page(page_type::kData, PageId{1, 20});
  page.AddRecord({0x10, 0x00, 0x04, 0x00, 0x00, 0x00});
  state.cancelFlag = true;
  RecordPage stopped(BufferOf(page), &file);
  EXPECT_TRUE(stopped.slots.empty());
  state.cancelFlag = false;
  RecordPage running(BufferOf(page), &file);
  EXPECT_EQ(running.slots.size(), 1u);
}

TEST(RecordPageSlots, ShortBufferIsPaddedToAPage) {
  PageImage page(page_type::kData, PageId{1, 20});
  page.SetSlotCount(3);
  auto buffer = std::make_unique<PageBuffer>(page.bytes().begin(), page.bytes().begin() + 96);
  RecordPage built(std::move(buffer), nullptr);
  ASSERT_EQ(built.data->size(), kPageSize);
  EXPECT_EQ(built.slots, (std::vector<uint16_t>{0, 0, 0}));
}

TEST(RecordPageSlots, TornBitsRestoredBeforeTheRecordsAreRead) {
  PageImage page(page_type::kData, PageId{1, 20});
  // A record that straddles the end of sector 1 (byte 1023).
  support::Bytes record(40, 0x5B);
  page.PlaceRecord(1000, record);
  page.AddSlot(1000);
  page.ProtectTornBits(0);
  EXPECT_EQ(page.bytes()[1023], 0x58);  // stamped on disk
  RecordPage built(BufferOf(page), nullptr);
  EXPECT_EQ((*built.data)[1023], 0x5B);
}

// The writer keeps the free-space fields the readers see in step with the
// records, and refuses a record that would run into the slot array.
TEST(RecordPageSlots, WriterFillsThePageExactly) {
  PageImage page(page_type::kData, PageId{1, 20});
  const support::Bytes record(1000, 0x42);
  int added = 0;
  while (page.AddRecord(record) >= 0) ++added;
  // 8096 bytes of record area hold 8 records of 1000 bytes and 8 slots.
  EXPECT_EQ(added, 8);
  const support::Bytes before = page.bytes();
  EXPECT_EQ(page.AddRecord(record), -1);
  EXPECT_EQ(page.bytes(), before);
  RecordPage built(BufferOf(page), nullptr);
  EXPECT_EQ(built.slots.size(), 8u);
  EXPECT_EQ(built.header->freeData, 96 + 8 * 1000);
  EXPECT_EQ(built.header->freeCount, 8192 - (96 + 8 * 1000) - 8 * 2);
  // The last free bytes still take a record that ends right at the slot array.
  support::Bytes last(static_cast<size_t>(built.header->freeCount) - 2, 0x43);
  EXPECT_EQ(page.AddRecord(last), 8);
  EXPECT_EQ(page.AddRecord({0x00}), -1);
}

}  // namespace
}  // namespace pagewright
