#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/database_file.h"
#include "storage/compressed_record.h"
#include "storage/compressed_value.h"
#include "storage/compression_info.h"
#include "storage/page.h"
#include "support/compressed_writer.h"
#include "support/file_writer.h"
#include "support/record_writer.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

using Bytes = std::vector<uint8_t>;
using support::CdEntry;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

ColumnDef Column(int32_t typeCode, int16_t declared = 0) {
  ColumnDef column;
  column.typeCode = typeCode;
  column.declaredLength = declared;
  return column;
}
enum : int32_t { kDateTime = 4, kInt = 9, kNChar = 10, kMoney = 21, kVarChar = 17 };

int64_t IntValue(const ColumnBytes& value) {
  int64_t result = 0;
  for (size_t index = value.data.size(); index-- > 0;) result = (result << 8) | value.data[index];
  if (value.data.size() == 4) result = static_cast<int32_t>(result);
  return result;
}

// Real compression-information bytes of a 9-column page (anchor of a
// transaction-history table): flags 06, modification count 15, dictionary at
// 35, size 539; the anchor record's 28 bytes follow at +7.
const Bytes kRealCiHeader = {0x06, 0x0F, 0x00, 0x23, 0x00, 0x1B, 0x02};
const Bytes kRealAnchor = {0x01, 0x09, 0x04, 0x04, 0x28, 0x00, 0x18, 0x83, 0x03, 0x00, 0x81, 0x18, 0x8B, 0x80,
                           0xA3, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x53, 0x80, 0xA3, 0x1E, 0x00, 0x00, 0x00, 0x00};

// A dictionary of the real one's shape: 113 entries in 504 bytes, sorted by
// length; entries 0-19 are prefix 2 + one suffix byte (7E...), then plain
// 2-byte ints (707...), 3-byte and 4-byte money-like values.
std::vector<Bytes> RealShapedDictionary() {
  std::vector<Bytes> entries;
  for (int k = 0; k < 20; ++k) entries.push_back({0x02, static_cast<uint8_t>(0x7E + k)});
  for (int k = 0; k < 63; ++k) entries.push_back(support::CompressInteger(707 + k));
  for (int k = 0; k < 10; ++k) entries.push_back({0x80, 0xBA, static_cast<uint8_t>(0x54 + k)});
  for (int k = 0; k < 20; ++k) entries.push_back({0x80, 0x85, 0x77, static_cast<uint8_t>(0xA8 + k)});
  return entries;
}

// The page as the page reader builds it: the record builder hands compressed
// records over with their bytes, the compressed reader expands them.
std::unique_ptr<CDataPage> MakePage(const support::PageImage& image, const DatabaseFile* file = nullptr) {
  auto buffer = std::make_unique<PageBuffer>(image.bytes());
  auto page = std::make_unique<CDataPage>(std::move(buffer), file);
  BuildPageRecords(*page);
  return page;
}

const CPrimaryRecord& RecordAt(const CDataPage& page, size_t slot) {
  return *dynamic_cast<const CPrimaryRecord*>(page.records.at(slot).get());
}

TEST(CompressedPageReal, CompressionInfoOfARealPage) {
  Bytes dictionary = support::BuildPageDictionary(RealShapedDictionary());
  ASSERT_EQ(dictionary.size(), 504u);
  Bytes ci = kRealCiHeader;
  ci.insert(ci.end(), kRealAnchor.begin(), kRealAnchor.end());
  ci.insert(ci.end(), dictionary.begin(), dictionary.end());
  ASSERT_EQ(ci, support::BuildCompressionInfo(&kRealAnchor, &dictionary, 15));
  support::PageImage image = support::BuildCompressedPage(ci, {});

  auto info = ParseCompressionInfo(ByteView(image.bytes()), 0x80);
  ASSERT_TRUE(info);
  EXPECT_FALSE(info->damaged);
  EXPECT_EQ(info->ciFlags, 0x06);
  EXPECT_EQ(info->modificationCount, 15);
  EXPECT_EQ(info->dictionaryOffset, 35);
  EXPECT_EQ(info->ciLength, 539);
  ASSERT_TRUE(info->dictionary);
  EXPECT_EQ(info->dictionary->entries.size(), 113u);
  ASSERT_EQ(info->anchorValues.size(), 9u);
  // Codes 4,0,4,0,8,2,0,0,8: columns 1, 3, 6, 7 have no prefix.
  std::vector<bool> anchored = {true, false, true, false, true, true, false, false, true};
  for (size_t column = 0; column < 9; ++column) EXPECT_EQ(info->Anchor(column) != nullptr, anchored[column]);
  EXPECT_EQ(DecodeExcessInteger(ByteView(info->Anchor(0)->bytes)), 197376);
  EXPECT_EQ(DecodeExcessInteger(ByteView(info->Anchor(2)->bytes)), 71819);
}

TEST(CompressedPageReal, RowAgainstTheRealAnchorAndDictionary) {
  Bytes dictionary = support::BuildPageDictionary(RealShapedDictionary());
  Bytes ci = support::BuildCompressionInfo(&kRealAnchor, &dictionary, 15);
  // TransactionID 197376 + 5 (prefix 2, suffix 05); ProductID symbol 20
  // (plain 707); ReferenceOrderID symbol 0 (prefix 2 + 7E = 71806);
  // ReferenceOrderLineID 0; TransactionDate, TransactionType, ModifiedDate =
  // the anchor (code 1); Quantity -3; ActualCost symbol 93 (money).
  Bytes row = support::BuildCdRecord({CdEntry::Value(support::Prefixed(2, {0x05})), CdEntry::Symbol(20),
                                      CdEntry::Symbol(0), CdEntry::Empty(), CdEntry::Empty(), CdEntry::Empty(),
                                      CdEntry::Value(support::CompressInteger(-3)), CdEntry::Symbol(93),
                                      CdEntry::Empty()});
  auto page = MakePage(support::BuildCompressedPage(ci, {row}));
  std::vector<ColumnDef> columns = {Column(kInt), Column(kInt), Column(kInt), Column(kInt), Column(kDateTime),
                                    Column(kNChar, 2), Column(kInt), Column(kMoney), Column(kDateTime)};
  ExpandPageRecords(*page, columns);
  ASSERT_TRUE(page->compression);
  const CPrimaryRecord& record = RecordAt(*page, 0);
  ASSERT_EQ(record.expandedValues.size(), 9u);
  EXPECT_EQ(IntValue(record.expandedValues[0]), 197381);
  EXPECT_EQ(IntValue(record.expandedValues[1]), 707);
  EXPECT_EQ(IntValue(record.expandedValues[2]), 71806);
  EXPECT_EQ(IntValue(record.expandedValues[3]), 0);
  Bytes may2014 = {0, 0, 0, 0, 0x1E, 0xA3, 0, 0};  // 41758 days after 1900-01-01
  EXPECT_EQ(record.expandedValues[4].data, may2014);
  EXPECT_EQ(record.expandedValues[5].data, (Bytes{'S', 0}));
  EXPECT_EQ(IntValue(record.expandedValues[6]), -3);
  EXPECT_EQ(IntValue(record.expandedValues[7]), 0x8577A8);
  EXPECT_EQ(record.expandedValues[8].data, may2014);
}

// A reader's fixture page: anchor (NULL, NULL, 'val1'), entry 1 = 03 32.
class CompressedPagePrefix : public ::testing::Test {
 protected:
  Bytes anchor = {0x01, 0x03, 0x00, 0x15, 'v', 'a', 'l', '1'};
  Bytes dictionary = support::BuildPageDictionary({{0x01}, {0x03, 0x32}, {0x00}});
  std::vector<ColumnDef> columns = {Column(kInt), Column(kInt), Column(kVarChar, 10)};

  Bytes ThirdColumn(const Bytes& row) {
    auto page = MakePage(support::BuildCompressedPage(support::BuildCompressionInfo(&anchor, &dictionary), {row}));
    ExpandPageRecords(*page, columns);
    return RecordAt(*page, 0).expandedValues.at(2).data;
  }
};

TEST_F(CompressedPagePrefix, AnchorSymbolAndInlinePrefix) {
  EXPECT_EQ(ThirdColumn({0x01, 0x03, 0x22, 0x11, 0x81, 0x81}), Text("val1"));              // code 1
  EXPECT_EQ(ThirdColumn({0x01, 0x03, 0x22, 0x1C, 0x82, 0x82, 0x01}), Text("val2"));        // symbol 1
  EXPECT_EQ(ThirdColumn({0x01, 0x03, 0x22, 0x03, 0x81, 0x81, 0x03, 0x32}), Text("val2"));  // L 3 + '2'
  EXPECT_EQ(ThirdColumn({0x01, 0x03, 0x22, 0x1C, 0x81, 0x81, 0x02}), Text(""));            // L 0: empty
}

TEST_F(CompressedPagePrefix, PrefixOrSymbolThatDoesNotFitLeavesTheColumnUnread) {
  EXPECT_TRUE(ThirdColumn({0x01, 0x03, 0x22, 0x03, 0x81, 0x81, 0x05, 0x32}).empty());  // L 5 > 4
  EXPECT_TRUE(ThirdColumn({0x01, 0x03, 0x22, 0x1C, 0x81, 0x81, 0x03}).empty());        // entry 3 of 3
  // The other columns of such a row still expand.
  auto page = MakePage(support::BuildCompressedPage(support::BuildCompressionInfo(&anchor, &dictionary),
                                                    {{0x01, 0x03, 0x22, 0x1C, 0x81, 0x81, 0x03}}));
  ExpandPageRecords(*page, columns);
  EXPECT_EQ(IntValue(RecordAt(*page, 0).expandedValues[0]), 1);
}

TEST(CompressedPagePrefixLong, TwoBytePrefixLengthOnALongValue) {
  Bytes anchorText(200, 'x');
  Bytes anchor = support::BuildCdRecord({CdEntry::Long(anchorText)});
  Bytes suffix = Text("-tail");
  Bytes row = support::BuildCdRecord({CdEntry::Long(support::Prefixed(150, suffix))});
  auto page = MakePage(support::BuildCompressedPage(support::BuildCompressionInfo(&anchor, nullptr), {row}));
  ExpandPageRecords(*page, std::vector<ColumnDef>{Column(kVarChar, 400)});
  ASSERT_TRUE(page->compression);
  EXPECT_EQ(page->compression->ciFlags, 0x02);
  const CPrimaryRecord& record = RecordAt(*page, 0);
  Bytes expected(150, 'x');
  expected.insert(expected.end(), suffix.begin(), suffix.end());
  ASSERT_EQ(record.varValues.size(), 1u);
  EXPECT_EQ(record.varValues[0].data, expected);
}

TEST(CompressedPageInfo, AnchorOnlyBlockStartsAtFive) {
  Bytes anchor = support::BuildCdRecord({CdEntry::Value(support::CompressInteger(1000)), CdEntry::Null()});
  Bytes ci = support::BuildCompressionInfo(&anchor, nullptr);
  ASSERT_EQ(ci[3] | (ci[4] << 8), static_cast<int>(5 + anchor.size()));
  support::PageImage image = support::BuildCompressedPage(ci, {});
  auto info = ParseCompressionInfo(ByteView(image.bytes()), 0x80);
  ASSERT_TRUE(info);
  EXPECT_FALSE(info->dictionary);
  ASSERT_TRUE(info->Anchor(0));
  EXPECT_EQ(info->Anchor(0)->bytes, support::CompressInteger(1000));
  EXPECT_FALSE(info->Anchor(1));
}

TEST(CompressedPageInfo, PresenceNeedsTheHeaderFlagAndACiShapedByte96) {
  Bytes anchor = support::BuildCdRecord({CdEntry::Value({0x81})});
  support::PageImage image = support::BuildCompressedPage(support::BuildCompressionInfo(&anchor, nullptr), {});
  EXPECT_TRUE(ParseCompressionInfo(ByteView(image.bytes()), 0x80));
  EXPECT_FALSE(ParseCompressionInfo(ByteView(image.bytes()), 0x00));
  image.Put8(96, 0x21);  // a CD record header where the CI should be
  EXPECT_FALSE(ParseCompressionInfo(ByteView(image.bytes()), 0x80));

  // A page without the flag keeps no compression information.
  support::PageImage plain(1, {1, 7});
  auto page = MakePage(plain);
  EXPECT_EQ(ReadCompressionInfo(*page), nullptr);
}

struct CiDamageCase {
  const char* name;
  size_t offset;  // CI-relative byte to overwrite
  Bytes value;
  bool present;
  bool damaged;
  size_t dictionaryEntries;
};
class CompressedPageInfoDamage : public ::testing::TestWithParam<CiDamageCase> {};

TEST_P(CompressedPageInfoDamage, SizesThatDoNotFit) {
  const CiDamageCase& c = GetParam();
  Bytes anchor = support::BuildCdRecord({CdEntry::Value({0x81}), CdEntry::Value({0x82})});
  Bytes dictionary = support::BuildPageDictionary({{0x01}, {0x02, 0x03}, {0x04}});
  Bytes ci = support::BuildCompressionInfo(&anchor, &dictionary);
  support::PageImage image = support::BuildCompressedPage(ci, {});
  image.PutBytes(96 + c.offset, c.value);
  auto info = ParseCompressionInfo(ByteView(image.bytes()), 0x80);
  ASSERT_EQ(static_cast<bool>(info), c.present);
  if (!info) return;
  EXPECT_EQ(info->damaged, c.damaged);
  EXPECT_EQ(info->dictionary ? info->dictionary->entries.size() : 0u, c.dictionaryEntries);
}

// The test CI: header 7, anchor 5 bytes (7..11), dictionary at 12: count 3,
// end offsets at 14, 16, 18 (9, 11, 12, dictionary-relative), entries from 20.
INSTANTIATE_TEST_SUITE_P(
    Fields, CompressedPageInfoDamage,
    ::testing::Values(CiDamageCase{"Sound", 0, {0x06}, true, false, 3},
                      CiDamageCase{"LengthPastThePage", 5, {0xF0, 0x7F}, false, false, 0},
                      CiDamageCase{"LengthBelowHeader", 5, {0x04, 0x00}, false, false, 0},
                      CiDamageCase{"DictionaryOffsetPastLength", 3, {0xFF, 0x00}, true, true, 0},
                      CiDamageCase{"DictionaryCountTooBig", 12, {0xFF, 0x00}, true, true, 0},
                      CiDamageCase{"EntryEndRunsBack", 16, {0x07, 0x00}, true, true, 1},
                      CiDamageCase{"AnchorCountZero", 8, {0x00}, true, true, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompressedPageRecords, LegacyCatalogLeavesRecordsUnexpanded) {
  EngineState state;
  DatabaseFile file(state);
  state.legacyCatalog = true;
  Bytes row = support::BuildCdRecord({CdEntry::Value({0x81})});
  support::PageImage image(1, {1, 9});
  image.AddRecord(row);
  auto page = MakePage(image, &file);
  ExpandPageRecords(*page, std::vector<ColumnDef>{Column(kInt)});
  EXPECT_TRUE(RecordAt(*page, 0).expandedValues.empty());
  state.legacyCatalog = false;
  ExpandPageRecords(*page, std::vector<ColumnDef>{Column(kInt)});
  EXPECT_EQ(IntValue(RecordAt(*page, 0).expandedValues.at(0)), 1);
}

TEST(CompressedPageRecords, GhostRowsFollowTheShowDeletedOption) {
  EngineState state;
  DatabaseFile file(state);
  Bytes anchor = support::BuildCdRecord({CdEntry::Value(support::CompressInteger(500))});
  Bytes ci = support::BuildCompressionInfo(&anchor, nullptr);
  Bytes live = support::BuildCdRecord({CdEntry::Value(support::Prefixed(1, {0xF5}))});  // 0x81F5 = 501
  Bytes ghost = support::BuildCdRecord({CdEntry::Empty()}, {cd_record_type::kGhostData});
  support::PageImage image = support::BuildCompressedPage(ci, {live, ghost});
  for (bool show : {false, true}) {
    state.showDeleted = show;
    auto page = MakePage(image, &file);
    ExpandPageRecords(*page, std::vector<ColumnDef>{Column(kInt)});
    ASSERT_EQ(page->records.size(), 2u);
    EXPECT_EQ(IntValue(RecordAt(*page, 0).expandedValues.at(0)), 501);
    const CPrimaryRecord& deleted = RecordAt(*page, 1);
    EXPECT_EQ(deleted.isBad, !show);
    if (show) EXPECT_EQ(IntValue(deleted.expandedValues.at(0)), 500);  // code 1: the anchor value
  }
}

TEST(CompressedPageRecords, ForwardedRowTakesItsOwnPagesAnchor) {
  // Page 10 holds a stub to slot 0 of page 11, whose anchor is 500; this
  // page's own anchor (9000) must not be used for the moved row.
  Bytes anchor11 = support::BuildCdRecord({CdEntry::Value(support::CompressInteger(500))});
  Bytes anchor10 = support::BuildCdRecord({CdEntry::Value(support::CompressInteger(9000))});
  Bytes moved = support::BuildCdRecord({CdEntry::Value(support::Prefixed(1, {0xF5}))}, {cd_record_type::kForwarded});
  support::PageImage target = support::BuildCompressedPage(support::BuildCompressionInfo(&anchor11, nullptr),
                                                           {moved}, PageId{1, 11});
  support::PageImage stubPage = support::BuildCompressedPage(support::BuildCompressionInfo(&anchor10, nullptr),
                                                             {support::ForwardingStub(PageId{1, 11}, 0)}, PageId{1, 10});
  support::FileImage fileImage;
  fileImage.PutPage(stubPage);
  fileImage.PutPage(target);
  support::TempDir dir;
  ASSERT_TRUE(fileImage.WriteTo(dir.File("moved.mdf")));
  EngineState state;
  auto file = support::OpenForTest(state, dir.File("moved.mdf"));
  ASSERT_TRUE(file);

  auto page = MakePage(stubPage, file.get());
  ExpandPageRecords(*page, std::vector<ColumnDef>{Column(kInt)});
  const CPrimaryRecord& record = RecordAt(*page, 0);
  ASSERT_TRUE(record.forwardedPage);
  EXPECT_EQ(record.recordType, record_type::kForwardingStub);
  EXPECT_EQ(IntValue(record.expandedValues.at(0)), 501);
}

TEST(CompressedPageRecords, RowCompressedPageWithoutCompressionInfo) {
  // Code 1 on a page without an anchor is the zero value, not a prefix.
  support::PageImage image(1, {1, 9});
  image.AddRecord(support::BuildCdRecord({CdEntry::Empty(), CdEntry::Value({0x02, 0x05})}));
  auto page = MakePage(image);
  ExpandPageRecords(*page, std::vector<ColumnDef>{Column(kInt), Column(kInt)});
  EXPECT_FALSE(page->compression);
  const CPrimaryRecord& record = RecordAt(*page, 0);
  EXPECT_EQ(IntValue(record.expandedValues[0]), 0);
  EXPECT_EQ(IntValue(record.expandedValues[1]), -32251);  // 02 05, marker flipped: 0x8205
}

}  // namespace
}  // namespace pagewright
