#include <gtest/gtest.h>

#include <filesystem>

#include "catalog/open_sequence.h"
#include "catalog/secondary_files.h"
#include "storage/engine_state.h"
#include "support/file_writer.h"
#include "support/open_fixtures.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using support::FileImage;
using support::HeaderPage;
using support::RecordingNotifier;
using support::TempDir;

constexpr int kObjectsTable = 34;

TEST(OpenSecondaryNames, PathsOfStoredNames) {
  struct Case {
    const char* folder;
    const char* stored;
    const char* expected;
  };
  for (Case c : {Case{"/x/", "D:\\data\\db_2.ndf", "/x/db_2.ndf"}, Case{"/x/", "/var/opt/db_3.NDF", "/x/db_3.ndf"},
                 Case{"/x/", "C:\\logs\\db_log.ldf", "/x/db_log.ndf"}, Case{"/x/", "D:\\a.b\\sales.2.dat", "/x/sales.2.ndf"},
                 // A name without extension keeps its whole stem.
                 Case{"/x/", "D:\\data\\db_2", "/x/db_2.ndf"}, Case{"", "db_4.ndf", "db_4.ndf"},
                 Case{"/x/", "D:\\data\\", "/x/.ndf"}}) {
    EXPECT_EQ(ExpectedSecondaryPath(c.folder, c.stored), c.expected) << c.stored;
  }
  EXPECT_EQ(LastPathComponent("D:\\data/mixed\\name.ndf"), "name.ndf");
  EXPECT_EQ(LastPathComponent("plain"), "plain");
  EXPECT_EQ(PrimaryFolder("/srv/dbs/db.mdf"), "/srv/dbs/");
  EXPECT_EQ(PrimaryFolder("db.mdf"), "");
}

// A primary file with one catalog page, and a secondary file written beside it.
class SecondaryFixture : public testing::Test {
 protected:
  void SetUp() override {
    FileImage primary;
    for (int32_t pageNo = 0; pageNo < 12; ++pageNo)
      primary.PutPage(HeaderPage(page_type::kData, PageId{1, pageNo}, kObjectsTable));
    ASSERT_TRUE(primary.WriteTo(dir.File("db.mdf")));
  }

  // File `fileId`'s pages: catalog pages of the objects and allocation-unit
  // tables, a page of a primary-only catalog table, a user page sharing a
  // catalog id, data and IAM pages of a user table.
  static FileImage SecondaryImage(int16_t fileId, int16_t headerFileId) {
    FileImage image;
    image.PutPage(HeaderPage(15, PageId{headerFileId, 0}, 99));
    image.PutPage(HeaderPage(page_type::kData, PageId{headerFileId, 1}, kObjectsTable));
    image.PutPage(HeaderPage(page_type::kData, PageId{headerFileId, 2}, 1));  // primary list only
    image.PutPage(HeaderPage(page_type::kData, PageId{headerFileId, 3}, 7, 256));
    image.PutPage(HeaderPage(page_type::kIam, PageId{headerFileId, 4}, 600));
    image.PutPage(HeaderPage(page_type::kData, PageId{headerFileId, 5}, 600));
    image.PutPage(HeaderPage(page_type::kData, PageId{headerFileId, 6}, 7));
    image.SetBlockCount(10);
    return image;
  }

  std::unique_ptr<DatabaseFile> OpenPrimary() {
    auto file = OpenDatabaseFile(dir.File("db.mdf"), state, &notifier);
    EXPECT_TRUE(file->isOpen);
    return file;
  }

  TempDir dir;
  EngineState state;
  RecordingNotifier notifier;
};

TEST_F(SecondaryFixture, CatalogListedFileIsFoundBesideThePrimaryWhateverItsCase) {
  ASSERT_TRUE(SecondaryImage(3, 3).WriteTo(dir.File("Sales_2.NDF")));
  auto file = OpenPrimary();
  std::vector<DataFileDef> files(3);
  files[0].fileId = 1;
  files[0].fileName = "D:\\data\\db.mdf";
  files[1].fileId = 2;
  files[1].fileName = "D:\\logs\\db_log.ldf";  // no such file: skipped without a message
  files[2].fileId = 3;
  files[2].fileName = "D:\\DATA\\sales_2.ndf";
  files[2].logicalName = "sales2";
  notifier.events.clear();
  LocateSecondaryFiles(*file, files);

  EXPECT_EQ(files[2].fileName, dir.File("Sales_2.NDF"));
  EXPECT_EQ(files[2].pageCount, 10);
  EXPECT_EQ(files[2].fileLength, 10 * 8192);
  ASSERT_EQ(file->secondaryFiles.size(), 1u);
  EXPECT_EQ(file->secondaryFiles.at(3).logicalName, "sales2");
  EXPECT_TRUE(notifier.fatalErrors.empty());

  // Secondary catalog list (1 is not on it), index ids below 256, entries
  // with the list's file id, no IAM pages.
  std::vector<MappedPage> objects{{1, 0, 1, 0}, {1, 1, 1, 0}, {1, 2, 1, 0}, {1, 3, 1, 0}, {1, 4, 1, 0},
                                  {1, 5, 1, 0}, {1, 6, 1, 0}, {1, 7, 1, 0}, {1, 8, 1, 0}, {1, 9, 1, 0},
                                  {1, 10, 1, 0}, {1, 11, 1, 0}, {3, 1, 1, 0}};
  EXPECT_EQ(file->systemPages.at(kObjectsTable), objects);
  EXPECT_EQ(file->systemPages.count(1), 0u);
  EXPECT_EQ(file->systemPages.count(99), 0u);
  EXPECT_EQ(file->systemPages.at(7), (std::vector<MappedPage>{{3, 6, 1, 0}}));
  EXPECT_EQ(file->dataPages.at(7), (std::vector<MappedPage>{{3, 3, 1, 256}, {3, 6, 1, 0}}));
  EXPECT_EQ(file->dataPages.at(600), (std::vector<MappedPage>{{3, 5, 1, 0}}));
  EXPECT_TRUE(file->iamPages.empty());
  EXPECT_EQ(notifier.events.front(), "range 10");

  // The mapped entries read back the pages they were found as.
  auto header = file->ReadPageHeader(PageId{3, 5});
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->objectId, 600);
}

TEST_F(SecondaryFixture, EntriesCarryTheListedFileIdAndALaterEntryReplaces) {
  ASSERT_TRUE(SecondaryImage(3, 9).WriteTo(dir.File("a.ndf")));
  ASSERT_TRUE(SecondaryImage(3, 3).WriteTo(dir.File("b.ndf")));
  auto file = OpenPrimary();
  std::vector<DataFileDef> files(2);
  files[0].fileId = 3;
  files[0].fileName = "E:\\a.ndf";
  files[1].fileId = 3;
  files[1].fileName = "E:\\b.ndf";
  LocateSecondaryFiles(*file, files);
  EXPECT_EQ(file->secondaryFiles.at(3).fileName, dir.File("b.ndf"));
  // Both files were scanned; every entry names file 3 whatever its header says.
  EXPECT_EQ(file->dataPages.at(600), (std::vector<MappedPage>{{3, 5, 1, 0}, {3, 5, 1, 0}}));
}

TEST_F(SecondaryFixture, RemainderOfASecondaryFileIsProbed) {
  // Junk before the pages: pages start at r. A cut last page: at 0.
  FileImage shifted = SecondaryImage(3, 3);
  for (int32_t pageNo = 7; pageNo < 10; ++pageNo)
    shifted.PutPage(HeaderPage(page_type::kData, PageId{3, pageNo}, 600));
  FileImage cut = shifted;
  shifted.SetLeadingRemainder(700, 0xEE);
  cut.SetTrailingBytes(support::Bytes(700, 0xEE));
  ASSERT_TRUE(shifted.WriteTo(dir.File("shifted.ndf")));
  ASSERT_TRUE(cut.WriteTo(dir.File("cut.ndf")));
  auto file = OpenPrimary();
  std::vector<DataFileDef> files(2);
  files[0].fileId = 3;
  files[0].fileName = "shifted.ndf";
  files[1].fileId = 4;
  files[1].fileName = "cut.ndf";
  LocateSecondaryFiles(*file, files);
  EXPECT_EQ(files[0].baseOffset, 700);
  EXPECT_EQ(files[1].baseOffset, 0);
  for (int16_t fileId : {3, 4}) {
    auto header = file->ReadPageHeader(PageId{fileId, 8});
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->pageId.pageNo, 8) << fileId;
  }
}

TEST_F(SecondaryFixture, FolderSearchKeepsFilesThatADataPageIdentifies) {
  ASSERT_TRUE(SecondaryImage(3, 3).WriteTo(dir.File("part_a.ndf")));
  // Data pages that name file 0 or 1 only: not identified, contributes nothing.
  ASSERT_TRUE(SecondaryImage(0, 1).WriteTo(dir.File("stray.NDF")));
  ASSERT_TRUE(SecondaryImage(4, 4).WriteTo(dir.File("other.txt")));
  std::filesystem::create_directory(dir.File("folder.ndf"));
  // Pages named by another id than the file's own are still read from it.
  FileImage mixed = SecondaryImage(5, 5);
  mixed.PutPageAt(8, HeaderPage(page_type::kData, PageId{1, 8}, kObjectsTable));
  ASSERT_TRUE(mixed.WriteTo(dir.File("part_b.ndf")));

  auto file = OpenPrimary();
  std::vector<DataFileDef> files;
  LocateSecondaryFiles(*file, files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].fileName, dir.File("part_a.ndf"));
  EXPECT_EQ(files[0].fileId, 3);
  EXPECT_EQ(files[0].status, 0);
  EXPECT_TRUE(files[0].logicalName.empty());
  EXPECT_EQ(files[1].fileName, dir.File("part_b.ndf"));
  EXPECT_EQ(files[1].fileId, 5);
  EXPECT_EQ(file->secondaryFiles.size(), 2u);
  EXPECT_EQ(file->dataPages.at(600), (std::vector<MappedPage>{{3, 5, 1, 0}, {5, 5, 1, 0}}));
  const auto& objects = file->systemPages.at(kObjectsTable);
  EXPECT_EQ(std::vector<MappedPage>(objects.end() - 3, objects.end()),
            (std::vector<MappedPage>{{3, 1, 1, 0}, {5, 1, 1, 0}, {5, 8, 1, 0}}));
  EXPECT_EQ(file->systemPages.count(99), 0u);
}

TEST_F(SecondaryFixture, PrimaryWithASecondaryNameIsNotItsOwnSecondary) {
  std::filesystem::rename(dir.File("db.mdf"), dir.File("db.ndf"));
  auto file = OpenDatabaseFile(dir.File("db.ndf"), state, &notifier);
  ASSERT_TRUE(file->isOpen);
  size_t before = file->systemPages.at(kObjectsTable).size();
  std::vector<DataFileDef> files;
  LocateSecondaryFiles(*file, files);
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(file->systemPages.at(kObjectsTable).size(), before);
}

}  // namespace
}  // namespace pagewright
