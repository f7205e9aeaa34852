#include "catalog/open_sequence.h"

#include <gtest/gtest.h>

#include <random>

#include "catalog/mapping_scan.h"
#include "catalog/open_notifier.h"
#include "storage/engine_state.h"
#include "support/boot_page_writer.h"
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
constexpr int kColumnsTable = 41;

// A healthy little database: file header, allocation pages, a catalog page
// at every position a probe or a reader looks at.
FileImage HealthyImage(int32_t pages) {
  FileImage image;
  for (int32_t pageNo = 0; pageNo < pages; ++pageNo)
    image.PutPage(HeaderPage(page_type::kData, PageId{1, pageNo}, kObjectsTable));
  return image;
}

std::unique_ptr<DatabaseFile> Open(const std::string& path, EngineState& state, RecordingNotifier& notifier,
                                   const OpenOptions& options = {}) {
  return OpenDatabaseFile(path, state, &notifier, options);
}

// --- Alignment probe ---------------------------------------------------------

struct ProbeCase {
  const char* name;
  int32_t pages;
  size_t leadingBytes;   // junk before block 0: pages start at r
  size_t trailingBytes;  // a cut last page: pages start at 0
  int32_t shift;         // first pages missing: no page at its own position
  bool found;
  int64_t baseOffset;
  int32_t insertedAt = -1;  // 512 bytes inserted before this block: a remainder too
};

class ProbeTest : public testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeTest, BaseOffsetIsTheAlignmentThatFoundAPage) {
  const ProbeCase& c = GetParam();
  TempDir dir;
  FileImage image;
  image.SetMissingLeadingPages(c.shift);
  for (int32_t pageNo = c.shift; pageNo < c.pages + c.shift; ++pageNo)
    image.PutPage(HeaderPage(page_type::kData, PageId{1, pageNo}, kObjectsTable));
  image.SetLeadingRemainder(c.leadingBytes, 0xAB);
  image.SetTrailingBytes(support::Bytes(c.trailingBytes, 0xCD));
  support::Bytes bytes = image.Serialize();
  if (c.insertedAt >= 0)
    bytes.insert(bytes.begin() + c.leadingBytes + static_cast<size_t>(c.insertedAt) * 8192, 512, 0);
  ASSERT_TRUE(support::WriteBytes(dir.File("db.mdf"), bytes.data(), bytes.size()));

  ReadOnlyFile file = ReadOnlyFile::Open(dir.File("db.mdf"));
  int64_t length = file.Length();
  int64_t remainder = length % 8192;
  int64_t pageCount = (length - remainder) / 8192;
  EngineState state;
  RecordingNotifier notifier;
  AlignmentProbe probe = ProbeAlignment(file, length, pageCount, remainder, state, &notifier);
  EXPECT_EQ(probe.found, c.found);
  EXPECT_EQ(probe.baseOffset, c.baseOffset);
  ASSERT_GE(notifier.events.size(), 5u);
  EXPECT_EQ(notifier.events[0], "status " + std::string(open_text::kCheckingCorruption));
  EXPECT_EQ(notifier.events[1], "range " + std::to_string(pageCount));
  EXPECT_EQ(notifier.events[2], "position 0");
  EXPECT_EQ(notifier.events[notifier.events.size() - 2], "position " + std::to_string(pageCount));
  EXPECT_EQ(notifier.events.back(), "status " + std::string(open_text::kCheckingCorruptionDone));
}

INSTANTIATE_TEST_SUITE_P(
    OpenProbe, ProbeTest,
    testing::Values(ProbeCase{"Aligned", 20, 0, 0, 0, true, 0},
                    // Pass 1 finds page 8 at r: reading at 0 would shift every page.
                    ProbeCase{"JunkBeforePagesFoundInPassOne", 20, 1000, 0, 0, true, 1000},
                    ProbeCase{"CutLastPageFoundInPassTwo", 20, 0, 3000, 0, true, 0},
                    ProbeCase{"NothingFoundKeepsRemainder", 20, 0, 3000, 5, false, 3000},
                    ProbeCase{"NothingFoundAligned", 20, 0, 0, 3, false, 0},
                    // One page: the probe starts at 1 / 4 = 0 and finds page 0.
                    ProbeCase{"SinglePage", 1, 0, 0, 0, true, 0},
                    // Eight pages: the probe starts at 8 / 4 = 2.
                    ProbeCase{"EightPagesWithJunk", 8, 77, 0, 0, true, 77},
                    // Pass 1 finds page 30 at r, but 0 holds pages 8-29 (the
                    // boot page and the catalog's first pages) in place.
                    ProbeCase{"BytesInsertedMidFileKeepLeadingPages", 40, 0, 0, 0, true, 0, 30},
                    // Inserted before the probe's start: only r finds pages.
                    ProbeCase{"BytesInsertedBeforePageEight", 40, 0, 0, 0, true, 512, 5}),
    [](const testing::TestParamInfo<ProbeCase>& info) { return std::string(info.param.name); });

TEST(OpenProbe, StartsAtPageEightOfLargerFiles) {
  TempDir dir;
  FileImage image;
  // Only pages 0-7 name their positions, at alignment 0; the file carries a
  // remainder, so a hit could only come from pass 2 reading from page 8 on.
  for (int32_t pageNo = 0; pageNo < 8; ++pageNo)
    image.PutPage(HeaderPage(page_type::kData, PageId{1, pageNo}, kObjectsTable));
  image.SetBlockCount(40);
  image.SetTrailingBytes(support::Bytes(500, 0));
  ASSERT_TRUE(image.WriteTo(dir.File("db.mdf")));
  ReadOnlyFile file = ReadOnlyFile::Open(dir.File("db.mdf"));
  EngineState state;
  AlignmentProbe probe = ProbeAlignment(file, file.Length(), 40, 500, state, nullptr);
  EXPECT_FALSE(probe.found);
  EXPECT_EQ(probe.baseOffset, 500);
}

// --- Mapping scan ------------------------------------------------------------

TEST(OpenMapping, MapsByObjectIdTypeAndIndexId) {
  TempDir dir;
  FileImage image;
  image.PutPage(HeaderPage(15, PageId{1, 0}, 99));                             // file header page
  image.PutPage(HeaderPage(page_type::kData, PageId{1, 1}, kObjectsTable, 0));  // catalog data page
  image.PutPage(HeaderPage(page_type::kIndex, PageId{1, 2}, kObjectsTable, 2));  // catalog index page
  // A user table whose unit key equals the columns table's id (F1).
  image.PutPage(HeaderPage(page_type::kData, PageId{1, 3}, kColumnsTable, 256));
  image.PutPage(HeaderPage(page_type::kIam, PageId{1, 4}, 885578193, 0));
  image.PutPage(HeaderPage(page_type::kData, PageId{1, 5}, 885578193, 0));
  image.PutPage(HeaderPage(page_type::kData, PageId{3, 6}, 2187, 1));  // header names file 3
  image.PutPage(HeaderPage(page_type::kData, PageId{1, 7}, 9, 0));      // not a catalog id
  image.PutPage(HeaderPage(page_type::kData, PageId{1, 8}, -5, 0));     // no owner
  image.PutPage(HeaderPage(page_type::kIam, PageId{1, 9}, kColumnsTable, 256));
  image.PutPage(HeaderPage(page_type::kData, PageId{1, 10}, 7, 0xFFFF));
  ASSERT_TRUE(image.WriteTo(dir.File("db.mdf")));

  EngineState state;
  RecordingNotifier notifier;
  auto file = Open(dir.File("db.mdf"), state, notifier);
  ASSERT_TRUE(file->isOpen);
  EXPECT_EQ(file->pageCount, 11);
  EXPECT_EQ(file->baseOffset, 0);

  PageMap system{{99, {{1, 0, 15, 0}}},
                 {kObjectsTable, {{1, 1, 1, 0}, {1, 2, 2, 2}}},
                 {2187, {{3, 6, 1, 1}}}};
  PageMap data{{kObjectsTable, {{1, 1, 1, 0}}},    {kColumnsTable, {{1, 3, 1, 256}}}, {885578193, {{1, 5, 1, 0}}},
               {2187, {{3, 6, 1, 1}}},             {9, {{1, 7, 1, 0}}},               {7, {{1, 10, 1, 0xFFFF}}}};
  PageMap iam{{885578193, {{1, 4, 10, 0}}}, {kColumnsTable, {{1, 9, 10, 256}}}};
  EXPECT_EQ(file->systemPages, system);
  EXPECT_EQ(file->dataPages, data);
  EXPECT_EQ(file->iamPages, iam);
}

// The chunked scan against the plain block-by-block reading, over files of
// many chunks with random headers, at both alignments and with a cut tail.
TEST(OpenMapping, ChunkedScanGivesTheBlockByBlockMaps) {
  const int32_t kCatalogIds[] = {1, 3, 7, 34, 41, 99, 2187, 12, 500, 0, -1};
  std::mt19937 random(20240611);
  struct Layout {
    size_t leading;
    size_t trailing;
  };
  for (Layout layout : {Layout{0, 0}, Layout{1234, 0}, Layout{0, 4000}, Layout{0, 50}}) {
    TempDir dir;
    FileImage image;
    const int32_t pages = 700;  // several 1 MB chunks plus the small first ones
    for (int32_t position = 0; position < pages; ++position) {
      int type = std::uniform_int_distribution<int>(0, 3)(random) == 0 ? page_type::kIam
                                                                      : std::uniform_int_distribution<int>(0, 12)(random);
      int32_t objectId = kCatalogIds[std::uniform_int_distribution<size_t>(0, std::size(kCatalogIds) - 1)(random)];
      uint16_t indexId = std::uniform_int_distribution<int>(0, 1)(random) ? 0 : 256;
      image.PutPageAt(position, HeaderPage(type, PageId{1, position}, objectId, indexId));
    }
    support::Bytes tail(layout.trailing, 0);
    if (layout.trailing >= 96) {
      // A cut page whose header survived is mapped at position pageCount.
      support::PageImage cut = HeaderPage(page_type::kData, PageId{1, pages}, kObjectsTable);
      std::copy(cut.bytes().begin(), cut.bytes().begin() + layout.trailing, tail.begin());
    }
    image.SetLeadingRemainder(layout.leading, 0x5A);
    image.SetTrailingBytes(tail);
    ASSERT_TRUE(image.WriteTo(dir.File("db.mdf")));

    EngineState state;
    RecordingNotifier notifier;
    auto file = Open(dir.File("db.mdf"), state, notifier);
    ASSERT_TRUE(file->isOpen) << layout.leading << "/" << layout.trailing;
    EXPECT_EQ(file->baseOffset, static_cast<int64_t>(layout.leading));
    auto reference = support::ReferenceScan(dir.File("db.mdf"), file->baseOffset, file->pageCount, false, true);
    EXPECT_EQ(file->systemPages, reference.systemPages);
    EXPECT_EQ(file->dataPages, reference.dataPages);
    EXPECT_EQ(file->iamPages, reference.iamPages);
    if (layout.trailing >= 96) {
      EXPECT_EQ(file->systemPages[kObjectsTable].back().position, pages);
    }
  }
}

TEST(OpenMapping, MessagesOfAHealthyOpen) {
  TempDir dir;
  ASSERT_TRUE(HealthyImage(250).WriteTo(dir.File("db.mdf")));
  EngineState state;
  RecordingNotifier notifier;
  auto file = Open(dir.File("db.mdf"), state, notifier);
  ASSERT_TRUE(file->isOpen);
  std::vector<std::string> statuses{std::string(open_text::kCheckingCorruption),
                                    std::string(open_text::kCheckingCorruptionDone),
                                    std::string(open_text::kMappingObjects), std::string(open_text::kMappingDone)};
  EXPECT_EQ(notifier.Statuses(), statuses);
  EXPECT_TRUE(notifier.fatalErrors.empty());
  // Mapping progress: every ceil(250 / 100) = 3 blocks, then the page count.
  auto mapping = std::find(notifier.events.begin(), notifier.events.end(),
                           "status " + std::string(open_text::kMappingObjects));
  ASSERT_NE(mapping, notifier.events.end());
  EXPECT_EQ(*(mapping - 2), "range 250");
  EXPECT_EQ(*(mapping - 1), "position 0");
  EXPECT_EQ(*(mapping + 1), "position 3");
  EXPECT_EQ(*(mapping + 2), "position 6");
  EXPECT_EQ(notifier.events[notifier.events.size() - 2], "position 250");
}

TEST(OpenMapping, PagesMatchTheirAllocationUnit) {
  struct Case {
    int32_t objectId;
    uint16_t indexId;
    int64_t unitId;
    bool matches;
  };
  // nw_itsligo_2008: Shippers' unit and page 369; a columns-table page with
  // the same object id; nw_klk_2005_from2000 Region's table and index units.
  for (Case c : {Case{41, 256, 0x0100000000290000, true}, Case{41, 1, 0x0100000000290000, false},
                 Case{41, 256, 0x0100000000280000, false}, Case{885578193, 0, 0x000034C8D9D10000, true},
                 Case{885578193, 0, 0x000234C8D9D10000, true}, Case{885578193, 2, 0x000234C8D9D10000, true},
                 Case{885578193, 1, 0x000234C8D9D10000, false}, Case{-5, 256, 0x0100FFFFFFFA0000, false},
                 Case{-5, 256, 0x0100FFFFFFFB0000, true}}) {
    EXPECT_EQ(PageMatchesUnit(c.objectId, c.indexId, c.unitId), c.matches) << c.objectId << "/" << c.indexId;
  }
}

// --- Failures ----------------------------------------------------------------

struct FailureCase {
  const char* name;
  int64_t length;  // -1: no file at all; -2: a folder
  bool emptyCatalog;
  std::string_view message;
  bool probed;
};

class OpenFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(OpenFailureTest, ReportsOneFatalErrorAndIsNotOpen) {
  const FailureCase& c = GetParam();
  TempDir dir;
  std::string path = dir.File("db.mdf");
  if (c.length == -2) path = dir.path();
  if (c.length >= 0) {
    support::Bytes bytes(static_cast<size_t>(c.length), 0);
    if (!c.emptyCatalog && c.length >= 8192) {
      auto page = HeaderPage(page_type::kData, PageId{1, 0}, kObjectsTable);
      std::copy(page.bytes().begin(), page.bytes().end(), bytes.begin());
    }
    ASSERT_TRUE(support::WriteBytes(path, bytes.data(), bytes.size()));
  }
  EngineState state;
  RecordingNotifier notifier;
  auto file = Open(path, state, notifier);
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->isOpen);
  EXPECT_EQ(notifier.fatalErrors, std::vector<std::string>{std::string(c.message)});
  auto statuses = notifier.Statuses();
  EXPECT_EQ(!statuses.empty(), c.probed);
  EXPECT_TRUE(file->systemPages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    OpenFailure, OpenFailureTest,
    testing::Values(FailureCase{"Missing", -1, false, open_text::kCannotOpen, false},
                    FailureCase{"Folder", -2, false, open_text::kCannotOpen, false},
                    FailureCase{"Empty", 0, false, open_text::kNotValid, false},
                    FailureCase{"OneByteShort", 8191, false, open_text::kNotValid, false},
                    FailureCase{"NoCatalogPage", 8192 * 20 + 17, true, open_text::kNotValid, true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// --- Stop, snapshot, boot page position, release ------------------------------

// Presses Stop when the mapping scan reports a given position.
class StoppingNotifier : public RecordingNotifier {
 public:
  StoppingNotifier(EngineState& state, int64_t stopAt) : state_(state), stopAt_(stopAt) {}
  void StatusText(std::string_view text) override {
    RecordingNotifier::StatusText(text);
    if (text == open_text::kMappingObjects) mapping_ = true;
  }
  void ProgressPosition(int64_t position) override {
    RecordingNotifier::ProgressPosition(position);
    if (mapping_ && position == stopAt_) state_.cancelFlag = true;
  }

 private:
  EngineState& state_;
  int64_t stopAt_;
  bool mapping_ = false;
};

TEST(OpenStop, StopDuringMappingKeepsThePagesSoFarAndIsCleared) {
  TempDir dir;
  ASSERT_TRUE(HealthyImage(1000).WriteTo(dir.File("db.mdf")));
  EngineState state;
  StoppingNotifier notifier(state, 400);
  auto file = OpenDatabaseFile(dir.File("db.mdf"), state, &notifier);
  EXPECT_TRUE(file->isOpen);
  ASSERT_EQ(file->systemPages.count(kObjectsTable), 1u);
  EXPECT_EQ(file->systemPages[kObjectsTable].size(), 400u);
  EXPECT_EQ(file->systemPages[kObjectsTable].back().position, 399);
  EXPECT_FALSE(state.cancelFlag.load());
}

TEST(OpenSnapshot, MapsComeFromTheLoaderAndNoPageIsScanned) {
  TempDir dir;
  ASSERT_TRUE(HealthyImage(30).WriteTo(dir.File("db.mdf")));
  struct Case {
    bool loaderSucceeds;
    bool loaderFills;
    bool hasLoader;
    bool open;
  };
  for (Case c : {Case{true, true, true, true}, Case{true, false, true, false}, Case{false, true, true, false},
                 Case{true, true, false, false}}) {
    EngineState state;
    RecordingNotifier notifier;
    OpenOptions options;
    options.snapshotPath = dir.File("db.MDBVLT");
    std::string seenPath;
    if (c.hasLoader)
      options.loadSnapshotMaps = [&](const std::string& snapshot, DatabaseFile& target) {
        seenPath = snapshot;
        if (c.loaderFills) target.systemPages[kObjectsTable].push_back(MappedPage{1, 12, 1, 0});
        return c.loaderSucceeds;
      };
    auto file = Open(dir.File("db.mdf"), state, notifier, options);
    EXPECT_EQ(file->isOpen, c.open);
    if (c.hasLoader) {
      EXPECT_EQ(seenPath, options.snapshotPath);
    }
    auto statuses = notifier.Statuses();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), std::string(open_text::kMappingObjects)), 0);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), std::string(open_text::kSnapshotLoaded)), c.open ? 1 : 0);
    EXPECT_EQ(notifier.fatalErrors.size(), c.open ? 0u : 1u);
    EXPECT_TRUE(file->dataPages.empty());
  }
}

TEST(OpenDatabaseName, FromTheBootPageFoundThroughTheShift) {
  struct Case {
    const char* name;
    int32_t shift;  // pages missing at the front
    bool bootZeroed;
    bool sample;    // a page of object 7 tells the shift
    const char* databaseName;
  };
  for (Case c : {Case{"Healthy", 0, false, true, "Sales"}, Case{"TwoPagesMissing", 2, false, true, "Sales"},
                 Case{"NoSampleReadsPageNine", 2, false, false, ""}, Case{"BootZeroed", 0, true, true, ""},
                 Case{"BootPageCutOff", 10, false, true, ""}}) {
    TempDir dir;
    FileImage image;
    image.SetMissingLeadingPages(c.shift);
    support::BootPageSpec spec;
    spec.databaseName = "Sales";
    if (!c.bootZeroed) image.PutPage(support::MakeBootPage(spec));
    image.PutPage(HeaderPage(page_type::kData, PageId{1, 14}, c.sample ? 7 : 34));
    image.SetBlockCount(20);
    ASSERT_TRUE(image.WriteTo(dir.File("db.mdf")));
    EngineState state;
    RecordingNotifier notifier;
    auto file = Open(dir.File("db.mdf"), state, notifier);
    ASSERT_TRUE(file->isOpen) << c.name;
    file->databaseName = "stale";
    auto facts = ReadDatabaseName(*file);
    EXPECT_EQ(file->databaseName, c.databaseName) << c.name;
    EXPECT_EQ(facts.has_value(), c.shift < 9) << c.name;
  }
}

TEST(OpenRelease, ReleaseEmptiesAndFrees) {
  TempDir dir;
  ASSERT_TRUE(HealthyImage(12).WriteTo(dir.File("db.mdf")));
  EngineState state;
  RecordingNotifier notifier;
  auto file = Open(dir.File("db.mdf"), state, notifier);
  ASSERT_TRUE(file->isOpen);
  ReleaseDatabaseFile(file);
  EXPECT_EQ(file, nullptr);
  ReleaseDatabaseFile(file);  // a second release is harmless
}

}  // namespace
}  // namespace pagewright
