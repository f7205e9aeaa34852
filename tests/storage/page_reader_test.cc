// Page reads of DatabaseFile over synthetic files: addressing, refusals,
// pages past the end of the file, secondary files and the LOB shift.
#include <gtest/gtest.h>

#include "catalog/database_file.h"
#include "storage/iam_page.h"
#include "storage/text_mix_page.h"
#include "support/file_writer.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::FileImage;
using support::PageImage;

// A page whose object id carries its position, so a test can tell which
// block a read returned.
PageImage MarkedPage(int16_t fileId, int32_t pageNo, int32_t marker) {
  PageImage page(page_type::kData, PageId{fileId, pageNo});
  page.SetObjectId(marker);
  return page;
}

class PageReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Primary: 4 whole pages, then 100 trailing bytes of a fifth.
    FileImage primary;
    for (int32_t pageNo = 0; pageNo < 4; ++pageNo) primary.PutPage(MarkedPage(1, pageNo, 1000 + pageNo));
    primary.SetTrailingBytes(support::Bytes(100, 0xAB));
    ASSERT_TRUE(primary.WriteTo(dir.File("db.mdf")));

    // Secondary file 5: 64 leading bytes before its page 0, 3 pages.
    FileImage secondary;
    secondary.SetLeadingRemainder(64, 0xEE);
    for (int32_t pageNo = 0; pageNo < 3; ++pageNo) secondary.PutPage(MarkedPage(5, pageNo, 5000 + pageNo));
    ASSERT_TRUE(secondary.WriteTo(dir.File("db_5.ndf")));

    database = support::OpenForTest(state, dir.File("db.mdf"));
    ASSERT_TRUE(database);
    support::AddSecondaryForTest(*database, 5, dir.File("db_5.ndf"), 64);
    DataFileDef unnamed;
    unnamed.fileId = 3;
    unnamed.pageCount = 10;
    unnamed.fileLength = 10 * kPageSize;
    database->secondaryFiles[3] = unnamed;
    DataFileDef vanished = unnamed;
    vanished.fileId = 4;
    vanished.fileName = dir.File("gone.ndf");
    database->secondaryFiles[4] = vanished;
  }

  support::TempDir dir;
  EngineState state;
  std::unique_ptr<DatabaseFile> database;
};

TEST_F(PageReaderTest, RefusalsAndAcceptedAddresses) {
  struct Case {
    const char* name;
    PageId id;
    bool allowPageZero;
    int32_t expectedMarker;  // 0: refused
  };
  const Case cases[] = {
      {"page 0 refused", {1, 0}, false, 0},
      {"page 0 accepted for catalog reads", {1, 0}, true, 1000},
      {"first page", {1, 1}, false, 1001},
      {"last whole page", {1, 3}, false, 1003},
      {"page equal to page count", {1, 4}, false, -1},  // partial: marker from trailing bytes
      {"past the page count", {1, 5}, false, 0},
      {"negative page", {1, -1}, false, 0},
      {"negative page with page 0 allowed", {1, -1}, true, 0},
      {"largest page number", {1, INT32_MAX}, false, 0},
      {"file 0", {0, 1}, false, 0},
      {"negative file", {-1, 1}, false, 0},
      {"unknown secondary", {2, 1}, false, 0},
      {"secondary without a path", {3, 1}, false, 0},
      {"secondary that cannot be opened", {4, 1}, false, 0},
      {"secondary page at its base offset", {5, 2}, false, 5002},
      {"secondary page 0 refused", {5, 0}, false, 0},
      {"secondary page 0 for catalog reads", {5, 0}, true, 5000},
      {"secondary past its page count", {5, 4}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto buffer = database->ReadPage(c.id, c.allowPageZero);
    if (c.expectedMarker == 0) {
      EXPECT_EQ(buffer, nullptr);
      continue;
    }
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->size(), kPageSize);
    if (c.expectedMarker > 0) {
      EXPECT_EQ(ByteView(*buffer).i32_or(page_layout::kObjectId), c.expectedMarker);
    }
  }
}

TEST_F(PageReaderTest, PagePastTheEndReadsAsZeros) {
  auto buffer = database->ReadPage(PageId{1, 4});
  ASSERT_NE(buffer, nullptr);
  for (size_t offset = 0; offset < 100; ++offset) ASSERT_EQ((*buffer)[offset], 0xAB) << offset;
  for (size_t offset = 100; offset < kPageSize; ++offset) ASSERT_EQ((*buffer)[offset], 0) << offset;
}

TEST_F(PageReaderTest, OffsetBeyondTheFileLengthIsRefused) {
  // A base offset that pushes page 3 past the end although 3 <= pageCount.
  database->baseOffset = 2 * static_cast<int64_t>(kPageSize);
  EXPECT_NE(database->ReadPage(PageId{1, 2}), nullptr);  // offset 4 * 8192: inside the file
  EXPECT_EQ(database->ReadPage(PageId{1, 3}), nullptr);
}

TEST_F(PageReaderTest, HeaderReadsAgreeWithThePage) {
  auto header = database->ReadPageHeader(PageId{1, 2});
  ASSERT_TRUE(header);
  EXPECT_EQ(header->objectId, 1002);
  EXPECT_EQ(header->pageId, (PageId{1, 2}));
  EXPECT_FALSE(database->ReadPageHeader(PageId{1, 0}));

  auto loaded = database->LoadPageHeader(PageId{1, 3});
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->objectId, 1003);
  ASSERT_EQ(database->currentPage().size(), kPageSize);
  EXPECT_EQ(ByteView(database->currentPage()).i32_or(page_layout::kObjectId), 1003);
  // A refused load leaves the current page as it was.
  EXPECT_FALSE(database->LoadPageHeader(PageId{1, 9}));
  EXPECT_EQ(ByteView(database->currentPage()).i32_or(page_layout::kObjectId), 1003);

  auto iam = database->ReadIamPage(PageId{5, 1});
  ASSERT_TRUE(iam);
  EXPECT_EQ(iam->header->objectId, 5001);
  EXPECT_EQ(iam->file, database.get());
}

// Text pages in a file whose first `shift` pages are missing: page N lies at
// position N - shift, and ReadTextPage finds it from the displacement of the
// requested position's header.
TEST(PageReaderShift, TextPageFoundThroughTheShift) {
  struct Case {
    const char* name;
    int32_t shift;
    int32_t requested;
    int32_t expectedPageNo;  // -1: no page
  };
  const Case cases[] = {
      {"no shift", 0, 5, 5},
      {"two pages missing", 2, 7, 7},
      {"shift reaching the first page", 2, 3, 3},
      {"corrected position 0 is refused", 2, 2, -1},
      {"header unreadable: requested page read as is", 2, 12, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    support::TempDir dir;
    FileImage file;
    file.SetMissingLeadingPages(c.shift);
    for (int32_t pageNo = c.shift; pageNo < 12; ++pageNo) {
      PageImage page(page_type::kText, PageId{1, pageNo});
      page.SetObjectId(pageNo);
      file.PutPage(page);
    }
    ASSERT_TRUE(file.WriteTo(dir.File("lob.mdf")));
    EngineState state;
    auto database = support::OpenForTest(state, dir.File("lob.mdf"));
    ASSERT_TRUE(database);
    auto page = database->ReadTextPage(PageId{1, c.requested});
    if (c.expectedPageNo < 0) {
      EXPECT_EQ(page, nullptr);
      continue;
    }
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->header->pageId.pageNo, c.expectedPageNo);
    EXPECT_EQ(page->header->objectId, c.expectedPageNo);
  }
}

}  // namespace
}  // namespace pagewright
