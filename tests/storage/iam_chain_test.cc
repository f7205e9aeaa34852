#include <gtest/gtest.h>

#include <map>

#include "catalog/database_file.h"
#include "storage/allocation_map.h"
#include "storage/iam_page.h"
#include "support/file_writer.h"
#include "support/iam_writer.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

using support::BuildIamPage;
using support::IamSpec;

// IAM pages served from images; every file has `pageCount` pages.
class FakeIamPages : public IamPageSource {
 public:
  void Put(const IamSpec& spec) { pages_[spec.pageId] = BuildIamPage(spec).bytes(); }
  std::unique_ptr<IamPage> ReadIamPage(PageId id) const override {
    ++reads;
    auto found = pages_.find(id);
    if (found == pages_.end()) return nullptr;
    if (stopAfterReads && reads >= stopAfterReads) stopped = true;
    return std::make_unique<IamPage>(std::make_unique<PageBuffer>(found->second), nullptr);
  }
  int64_t FilePageCount(int16_t fileId) const override { return fileId == 1 || fileId == 2 ? pageCount : 0; }
  bool StopRequested() const override { return stopped; }

  int64_t pageCount = 10000;
  size_t stopAfterReads = 0;
  mutable size_t reads = 0;
  mutable bool stopped = false;

 private:
  std::map<PageId, support::Bytes> pages_;
};

IamSpec Iam(int32_t pageNo, int32_t nextPageNo, std::vector<PageId> singles, std::vector<int32_t> extents) {
  IamSpec spec;
  spec.pageId = {1, pageNo};
  spec.nextPage = {static_cast<int16_t>(nextPageNo ? 1 : 0), nextPageNo};
  for (size_t slot = 0; slot < singles.size() && slot < spec.singlePages.size(); ++slot)
    spec.singlePages[slot] = singles[slot];
  spec.extents = std::move(extents);
  return spec;
}

std::vector<PageId> P(std::initializer_list<int32_t> pageNos) {
  std::vector<PageId> pages;
  for (int32_t pageNo : pageNos) pages.push_back({1, pageNo});
  return pages;
}

TEST(IamChain, OrderIsPerIamPageSinglesThenExtents) {
  FakeIamPages source;
  source.Put(Iam(50, 60, {{1, 90}, {1, 12}}, {3}));
  source.Put(Iam(60, 0, {{1, 5}}, {1}));
  std::vector<PageId> pages;
  CollectIamPages({1, 50}, source, pages);
  EXPECT_EQ(pages, P({90, 12, 24, 25, 26, 27, 28, 29, 30, 31, 5, 8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST(IamChain, WalksEndWhereTheChainEnds) {
  struct Case {
    const char* name;
    std::vector<IamSpec> iams;
    PageId first;
    std::vector<PageId> expected;
    size_t expectedReads;
  };
  const Case cases[] = {
      {"first IAM page number 0", {Iam(50, 0, {{1, 7}}, {})}, {1, 0}, {}, 0},
      {"next page leads back to the first", {Iam(50, 60, {{1, 7}}, {}), Iam(60, 50, {{1, 8}}, {})}, {1, 50},
       P({7, 8}), 2},
      {"next page is itself", {Iam(50, 50, {{1, 7}}, {})}, {1, 50}, P({7}), 1},
      {"unreadable page keeps what was gathered", {Iam(50, 70, {{1, 7}}, {})}, {1, 50}, P({7}), 2},
      {"unreadable first page", {}, {1, 50}, {}, 1},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakeIamPages source;
    for (const auto& iam : test.iams) source.Put(iam);
    std::vector<PageId> pages;
    CollectIamPages(test.first, source, pages);
    EXPECT_EQ(pages, test.expected);
    EXPECT_EQ(source.reads, test.expectedReads);
  }
}

TEST(IamChain, SinglePagesOutsideTheFileAreSkippedAndDuplicatesKept) {
  FakeIamPages source;
  source.pageCount = 100;
  source.Put(Iam(50, 60, {{1, 0}, {0, 0}, {0, 9}, {1, 101}, {1, 100}, {1, -3}, {5, 10}, {2, 40}}, {}));
  source.Put(Iam(60, 0, {{1, 100}}, {}));
  std::vector<PageId> pages;
  CollectIamPages({1, 50}, source, pages);
  EXPECT_EQ(pages, (std::vector<PageId>{{1, 100}, {2, 40}, {1, 100}}));
}

TEST(IamChain, StopRequestEndsTheWalk) {
  FakeIamPages source;
  source.stopAfterReads = 1;
  source.Put(Iam(50, 60, {{1, 7}}, {}));
  source.Put(Iam(60, 0, {{1, 8}}, {}));
  std::vector<PageId> pages;
  CollectIamPages({1, 50}, source, pages);
  EXPECT_EQ(pages, P({7}));
}

TEST(IamChain, LegacyListIgnoresNextPageAndTakesEachPageOnce) {
  FakeIamPages source;
  // nextPage of 50 would lead to 60; the legacy list names 70 and 50 only.
  source.Put(Iam(50, 60, {{1, 7}}, {}));
  source.Put(Iam(60, 0, {{1, 8}}, {}));
  source.Put(Iam(70, 0, {{1, 9}}, {2}));
  std::vector<PageId> pages;
  CollectLegacyIamPages({{1, 70}, {1, 50}, {1, 99}, {1, 70}, {1, 0}}, source, pages);
  EXPECT_EQ(pages, P({9, 16, 17, 18, 19, 20, 21, 22, 23, 7}));
}

// The DatabaseFile entry: the chain, or with legacyCatalog the recorded list.
TEST(IamChain, DatabaseFileChoosesChainOrLegacyList) {
  support::TempDir dir;
  support::FileImage file;
  file.SetBlockCount(64);
  file.PutPage(BuildIamPage(Iam(10, 11, {{1, 30}}, {})));
  file.PutPage(BuildIamPage(Iam(11, 0, {{1, 31}}, {5})));
  file.PutPage(BuildIamPage(Iam(12, 0, {{1, 32}}, {})));
  std::string path = dir.path() + "/iam.mdf";
  ASSERT_TRUE(file.WriteTo(path));
  EngineState state;
  auto database = support::OpenForTest(state, path);
  ASSERT_TRUE(database);
  database->iamPages[77] = {MappedPage{1, 12, page_type::kIam}, MappedPage{1, 10, page_type::kIam}};

  std::vector<PageId> chain;
  CollectIamPages({1, 10}, 77, *database, chain);
  EXPECT_EQ(chain, P({30, 31, 40, 41, 42, 43, 44, 45, 46, 47}));

  state.legacyCatalog = true;
  std::vector<PageId> legacy;
  CollectIamPages({1, 10}, 77, *database, legacy);
  EXPECT_EQ(legacy, P({32, 30}));
}

// IAM pages as real servers wrote them, decoded through the file reader.
TEST(IamCorpus, RealIamPagesMapTheirPages) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not present";
  struct Case {
    const char* file;
    int32_t iamPage;
    std::vector<PageId> expected;
  };
  const Case cases[] = {
      // 2008: eight single pages, extents 7, 27 and 29.
      {"pubs_itsligo_2008.mdf", 129,
       [] {
         auto pages = P({128, 142, 143, 13, 152, 71, 70, 69});
         for (int32_t start : {56, 216, 232})
           for (int32_t pageNo = start; pageNo < start + 8; ++pageNo) pages.push_back({1, pageNo});
         return pages;
       }()},
      // 2000, torn-page protected: two single pages, empty slots, no extents.
      {"pubs_stuit_2000.mdf", 102, P({101, 103})},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.file);
    EngineState state;
    auto database = support::OpenForTest(state, support::CorpusDir() + "/files/" + test.file);
    ASSERT_TRUE(database);
    std::vector<PageId> pages;
    CollectIamPages({1, test.iamPage}, DatabaseFileIamSource(*database), pages);
    EXPECT_EQ(pages, test.expected);
  }
}

}  // namespace
}  // namespace pagewright
