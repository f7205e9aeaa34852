// Header decoding: field positions, LSN and transaction texts, torn-bit
// restoration and the plausibility test.
#include "storage/page_header.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/page_writer.h"

namespace pagewright {
namespace {

using support::PageImage;

TEST(PageHeader, EveryFieldFromItsPosition) {
  PageImage page(page_type::kIndex, PageId{3, 123456});
  page.SetHeaderVersion(1)
      .SetTypeFlagBits(0x80)
      .SetLevel(2)
      .SetFlagBits(0x8200)
      .SetIndexId(256)
      .SetPrevPage(PageId{3, 122})
      .SetMinLen(17)
      .SetNextPage(PageId{4, 7})
      .SetSlotCount(12)
      .SetObjectId(-5)
      .SetFreeCount(300)
      .SetFreeData(7000)
      .SetReservedCount(9)
      .SetXactReserved(11)
      .SetGhostRecordCount(2)
      .SetTornBits(0xDEADBEEF);
  auto h = CPage_Header::DecodeReadOnly(ByteView(page.bytes()));
  EXPECT_EQ(h.headerVersion, 1);
  EXPECT_EQ(h.type, 2);
  EXPECT_EQ(h.typeFlagBits, 0x80);
  EXPECT_EQ(h.level, 2);
  EXPECT_EQ(h.flagBits, 0x8200);
  EXPECT_EQ(h.indexId, 256);
  EXPECT_EQ(h.prevPage, (PageId{3, 122}));
  EXPECT_EQ(h.minLen, 17);
  EXPECT_EQ(h.nextPage, (PageId{4, 7}));
  EXPECT_EQ(h.slotCount, 12);
  EXPECT_EQ(h.objectId, -5);
  EXPECT_EQ(h.freeCount, 300);
  EXPECT_EQ(h.freeData, 7000);
  EXPECT_EQ(h.pageId, (PageId{3, 123456}));
  EXPECT_EQ(h.reservedCount, 9);
  EXPECT_EQ(h.xactReserved, 11);
  EXPECT_EQ(h.ghostRecordCount, 2);
  EXPECT_EQ(h.tornBits, 0xDEADBEEFu);
}

TEST(PageHeader, LsnAndTransactionTexts) {
  const struct {
    int32_t lsn1, lsn2;
    int16_t lsn3;
    int32_t xdesLow;
    int16_t xdesHigh;
    const char* lsnText;
    const char* xdesText;
  } cases[] = {
      {1, 2, 3, 7, 0, "( 1 : 2 : 3 )", "( 0 : 7 )"},
      {0, 0, 0, 0, 0, "( 0 : 0 : 0 )", "( 0 : 0 )"},
      {1, 2, -1, 7, -1, "( 1 : 2 : -1 )", "( -1 : 7 )"},
      {-1, INT32_MIN, INT16_MIN, INT32_MAX, INT16_MAX, "( -1 : -2147483648 : -32768 )", "( 32767 : 2147483647 )"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lsnText);
    PageImage page(page_type::kData, PageId{1, 1});
    page.SetLsn(c.lsn1, c.lsn2, c.lsn3).SetXdesId(c.xdesLow, c.xdesHigh);
    auto h = CPage_Header::DecodeReadOnly(ByteView(page.bytes()));
    EXPECT_EQ(h.lsnText, c.lsnText);
    EXPECT_EQ(h.xdesText, c.xdesText);
  }
}

TEST(PageHeader, ShortBufferReadsMissingBytesAsZero) {
  PageImage page(page_type::kData, PageId{1, 77});
  page.SetLsn(5, 6, 7);
  std::vector<uint8_t> head(page.bytes().begin(), page.bytes().begin() + 42);
  auto h = CPage_Header::Decode(head.data(), head.size());
  EXPECT_EQ(h.pageId, (PageId{1, 77}));
  EXPECT_EQ(h.lsnText, "( 0 : 0 : 0 )");  // the LSN starts at 40 and does not fit
  auto empty = CPage_Header::Decode(nullptr, 0);
  EXPECT_EQ(empty.type, 0);
}

// The page as the server meant it: known low bits at every sector end.
PageImage SectorPattern() {
  PageImage page(page_type::kData, PageId{1, 5});
  for (size_t sector = 0; sector < kPageSize / kSectorSize; ++sector)
    page.Put8(kSectorSize * sector + kSectorSize - 1, static_cast<uint8_t>(0xA0 + sector));
  return page;
}

TEST(PageHeader, TornBitsAreRestoredInTheBuffer) {
  const PageImage original = SectorPattern();
  for (uint8_t pattern = 0; pattern < 4; ++pattern) {
    SCOPED_TRACE(static_cast<int>(pattern));
    PageImage written = original;
    written.ProtectTornBits(pattern);
    std::vector<uint8_t> buffer = written.bytes();
    auto h = CPage_Header::Decode(buffer.data(), buffer.size());
    EXPECT_TRUE(h.flagBits & page_layout::kTornBitsFlag);
    for (size_t sector = 1; sector < kPageSize / kSectorSize; ++sector) {
      size_t last = kSectorSize * sector + kSectorSize - 1;
      EXPECT_EQ(buffer[last], original.bytes()[last]) << "sector " << sector;
    }
    // Sector 0 is left alone, whatever its last byte holds.
    EXPECT_EQ(buffer[511], original.bytes()[511]);
    // Every other byte stays as written.
    for (size_t offset = 0; offset < kPageSize; ++offset) {
      if (offset % kSectorSize == kSectorSize - 1 && offset != 511) continue;
      ASSERT_EQ(buffer[offset], written.bytes()[offset]) << offset;
    }
  }
}

TEST(PageHeader, TornBitsOnlyWhenFlagged) {
  PageImage written = SectorPattern();
  written.ProtectTornBits(3);
  written.SetFlagBits(0x0200);  // checksum instead of torn-bit protection
  std::vector<uint8_t> buffer = written.bytes();
  CPage_Header::Decode(buffer.data(), buffer.size());
  EXPECT_EQ(buffer, written.bytes());

  // The read-only decode never restores.
  written.SetFlagBits(page_layout::kTornBitsFlag);
  buffer = written.bytes();
  CPage_Header::DecodeReadOnly(ByteView(buffer));
  EXPECT_EQ(buffer, written.bytes());
  // Sector 1's stamped bits are 11; restoration puts back the saved 01 of 0xA1.
  CPage_Header::Decode(buffer.data(), buffer.size());
  EXPECT_EQ(buffer[1023], 0xA1);
}

TEST(PageHeader, Plausibility) {
  const struct {
    const char* name;
    void (*edit)(PageImage&);
    bool plausible;
  } cases[] = {
      {"formatted page", [](PageImage&) {}, true},
      {"slot count 8192", [](PageImage& p) { p.SetSlotCount(8192); }, true},
      {"slot count 8193", [](PageImage& p) { p.SetSlotCount(8193); }, false},
      {"negative slot count", [](PageImage& p) { p.SetSlotCount(-1); }, true},
      {"negative ghost count", [](PageImage& p) { p.SetGhostRecordCount(-1); }, false},
      {"negative free count", [](PageImage& p) { p.SetFreeCount(-1); }, false},
      {"negative next file", [](PageImage& p) { p.SetNextPage(PageId{-1, 3}); }, false},
      {"negative next page", [](PageImage& p) { p.SetNextPage(PageId{1, -3}); }, false},
      {"negative own file", [](PageImage& p) { p.SetPageId(PageId{-2, 3}); }, false},
      {"negative own page", [](PageImage& p) { p.SetPageId(PageId{1, -3}); }, false},
      {"negative previous file", [](PageImage& p) { p.SetPrevPage(PageId{-1, 0}); }, false},
      {"negative previous page", [](PageImage& p) { p.SetPrevPage(PageId{1, INT32_MIN}); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PageImage page(page_type::kData, PageId{1, 40});
    c.edit(page);
    EXPECT_EQ(CPage_Header::DecodeReadOnly(ByteView(page.bytes())).IsPlausible(), c.plausible);
  }
}

}  // namespace
}  // namespace pagewright
