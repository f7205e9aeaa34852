#include "storage/iam_page.h"

#include <gtest/gtest.h>

#include "support/iam_writer.h"

namespace pagewright {
namespace {

using support::BuildIamPage;
using support::IamSpec;

std::unique_ptr<IamPage> MakeIam(const support::PageImage& image) {
  return std::make_unique<IamPage>(std::make_unique<PageBuffer>(image.bytes()), nullptr);
}

std::vector<PageId> ExpandAll(const std::vector<ExtentRange>& ranges) {
  std::vector<PageId> pages;
  for (const auto& range : ranges)
    for (const auto& page : ExpandExtent(range)) pages.push_back(page);
  return pages;
}

std::vector<PageId> Pages(int16_t fileId, std::initializer_list<std::pair<int32_t, int32_t>> spans) {
  std::vector<PageId> pages;
  for (auto [first, last] : spans)
    for (int32_t pageNo = first; pageNo <= last; ++pageNo) pages.push_back({fileId, pageNo});
  return pages;
}

TEST(IamPage, ExtentRangesFollowTheBitmapAndTheOwnInterval) {
  struct Case {
    const char* name;
    PageId iamPage;
    std::vector<int32_t> extents;
    int64_t filePageCount;
    std::vector<PageId> expected;
  };
  const Case cases[] = {
      {"bitmap byte 0x81: extents 0 and 7", {1, 20}, {0, 7}, 1000, Pages(1, {{0, 7}, {56, 63}})},
      {"a page in the second interval maps from its base", {1, 600000}, {0, 2}, 700000,
       Pages(1, {{511232, 511239}, {511248, 511255}})},
      {"the IAM page's own file", {3, 40}, {1}, 1000, Pages(3, {{8, 15}})},
      {"the last bit of the bitmap", {1, 9}, {63903}, 600000, Pages(1, {{511224, 511231}})},
      {"extents past the file end are dropped", {1, 9}, {1, 3, 4}, 36, Pages(1, {{8, 15}, {24, 31}})},
      {"an extent ending at the last page is kept", {1, 9}, {4}, 40, Pages(1, {{32, 39}})},
      {"no bits, no extents", {1, 9}, {}, 1000, {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    IamSpec spec;
    spec.pageId = test.iamPage;
    spec.extents = test.extents;
    auto iam = MakeIam(BuildIamPage(spec));
    EXPECT_EQ(iam->extentBitCount, allocation_layout::kExtentsPerInterval);
    EXPECT_EQ(ExpandAll(iam->ExtentRanges(test.filePageCount)), test.expected);
  }
}

TEST(IamPage, BitmapRecordShapes) {
  struct Case {
    const char* name;
    size_t bitmapBytes;  // 0: no bitmap record at all
    int32_t expectedBits;
  };
  const Case cases[] = {
      {"a short bitmap fills only its bits", 2, 16},
      {"one byte", 1, 8},
      {"missing bitmap record", 0, 0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    support::PageImage image(page_type::kIam, PageId{1, 9});
    std::array<PageId, iam_layout::kSinglePageSlots> singles{};
    singles[0] = PageId{1, 77};
    image.AddRecord(support::IamHeaderRecord(singles));
    if (test.bitmapBytes) image.AddRecord(support::IamBitmapRecord({0, 3, 9, 100}, test.bitmapBytes));
    auto iam = MakeIam(image);
    EXPECT_EQ(iam->extentBitCount, test.expectedBits);
    // Bits past the filled count are not extents, whatever the vector holds.
    for (const auto& range : iam->ExtentRanges(100000)) EXPECT_LT((range.first.pageNo) / 8, test.expectedBits);
    // The single pages do not depend on the bitmap.
    EXPECT_EQ(iam->singlePages[0], (PageId{1, 77}));
  }
}

TEST(IamPage, SinglePagesDecodeFromTheHeaderRecord) {
  IamSpec spec;
  spec.pageId = {1, 9};
  spec.singlePages = {PageId{1, 10}, PageId{0, 0}, PageId{2, 300}, PageId{1, 11}};
  auto iam = MakeIam(BuildIamPage(spec));
  EXPECT_EQ(iam->singlePages[0], (PageId{1, 10}));
  EXPECT_EQ(iam->singlePages[1], (PageId{0, 0}));
  EXPECT_EQ(iam->singlePages[2], (PageId{2, 300}));
  EXPECT_EQ(iam->singlePages[3], (PageId{1, 11}));
  EXPECT_EQ(iam->singlePages[7], (PageId{0, 0}));
}

TEST(IamPage, DamagedPagesKeepEmptyMaps) {
  struct Case {
    const char* name;
    void (*damage)(support::PageImage&);
  };
  const Case cases[] = {
      {"no slots", [](support::PageImage& page) { page.SetSlotCount(0); }},
      {"implausible header", [](support::PageImage& page) { page.SetFreeCount(-1); }},
      {"bitmap record points into the header", [](support::PageImage& page) { page.SetSlot(1, 40); }},
      {"bitmap record is an index record", [](support::PageImage& page) {
         page.Put8(page.Slot(1), static_cast<uint8_t>(record_type::kIndex << record_layout::kTypeShift));
       }},
      {"bitmap fixedEnd of 4: no fixed part", [](support::PageImage& page) { page.Put16(page.Slot(1) + 2, 4); }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    IamSpec spec;
    spec.pageId = {1, 9};
    spec.extents = {0, 1};
    auto image = BuildIamPage(spec);
    test.damage(image);
    auto iam = MakeIam(image);
    EXPECT_TRUE(iam->ExtentRanges(1000).empty());
  }
}

TEST(ExpandExtent, ExpandsOneExtentAndRefusesMalformedRanges) {
  EXPECT_EQ(ExpandExtent({{1, 16}, {1, 23}}), Pages(1, {{16, 23}}));
  EXPECT_EQ(ExpandExtent({{1, 16}, {1, 16}}), Pages(1, {{16, 16}}));
  EXPECT_TRUE(ExpandExtent({{1, 16}, {2, 23}}).empty());
  EXPECT_TRUE(ExpandExtent({{1, 23}, {1, 16}}).empty());
  EXPECT_TRUE(ExpandExtent({{1, 0}, {1, INT32_MAX}}).empty());
}

}  // namespace
}  // namespace pagewright
