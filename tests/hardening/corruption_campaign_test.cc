// A fixed-seed slice of the corruption campaign: every damage kind on two
// small real files. Each variant opens, resolves every table and decodes all
// its rows without a crash, and every table the damage did not touch shows
// at least the rows it shows in the healthy file.
#include "hardening/corruption_campaign.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace pagewright::hardening {
namespace {

TEST(CorruptionCampaign, DamagedVariantsLoadAndUntouchedTablesKeepTheirRows) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  support::TempDir dir;
  std::mt19937_64 random(20261210);
  size_t variants = 0, untouchedTables = 0;
  for (const char* file : {"pubs_stuit_2000.mdf", "ehealth_2008.mdf"}) {
    const std::string path = support::CorpusDir() + "/files/" + file;
    const LoadResult healthy = LoadEverything(path);
    ASSERT_TRUE(healthy.opened) << file;
    ASSERT_FALSE(healthy.tables.empty()) << file;
    ASSERT_GT(healthy.TotalRows(), 0u) << file;
    const support::Bytes bytes = support::ReadWholeFile(path);
    const std::vector<int32_t> used = UsedPositions(healthy);
    for (Damage kind : kDamageKinds) {
      for (int round = 0; round < 2; ++round) {
        const Variant variant = MakeVariant(bytes, kind, random, used);
        SCOPED_TRACE(std::string(file) + ": " + variant.label);
        const std::string copy = dir.File("variant.mdf");
        ASSERT_TRUE(support::WriteBytes(copy, variant.bytes.data(), variant.bytes.size()));
        const LoadResult damaged = LoadEverything(copy);
        ++variants;
        if (!damaged.opened) continue;  // refused: nothing to compare
        const UntouchedRows figures = CompareUntouched(variant, healthy, damaged);
        untouchedTables += figures.tables;
        EXPECT_EQ(figures.tablesShort, 0u) << figures.variantRows << " rows of " << figures.healthyRows;
      }
    }
  }
  EXPECT_EQ(variants, 2u * 2u * std::size(kDamageKinds));
  EXPECT_GT(untouchedTables, 0u);
}

// 512 bytes inserted past the catalog leave a remainder, and at that
// alignment the pages after the insertion sit in place; the open must still
// read the leading pages, catalog included, where they are, so every table
// stored wholly before the insertion keeps its rows.
TEST(CorruptionCampaign, BytesInsertedPastTheCatalogKeepTheLeadingTables) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  for (const char* file : {"littleitaly_apress_2005.mdf", "pubs_stuit_2000.mdf"}) {
    SCOPED_TRACE(file);
    const std::string path = support::CorpusDir() + "/files/" + file;
    const LoadResult healthy = LoadEverything(path);
    ASSERT_TRUE(healthy.opened);
    ASSERT_FALSE(healthy.catalogPositions.empty());
    const support::Bytes bytes = support::ReadWholeFile(path);
    const int32_t pages = static_cast<int32_t>(bytes.size() / kPageSize);
    // Just past the last catalog or IAM page.
    const int32_t insertAt = *healthy.catalogPositions.rbegin() + 1;
    ASSERT_LT(insertAt, pages);
    Variant variant;
    variant.bytes = bytes;
    variant.bytes.insert(variant.bytes.begin() + static_cast<ptrdiff_t>(insertAt) * kPageSize, 512, 0);
    variant.touchedFrom = insertAt;
    support::TempDir dir;
    const std::string copy = dir.File("shifted.mdf");
    ASSERT_TRUE(support::WriteBytes(copy, variant.bytes.data(), variant.bytes.size()));
    const LoadResult damaged = LoadEverything(copy);
    ASSERT_TRUE(damaged.opened);
    const UntouchedRows figures = CompareUntouched(variant, healthy, damaged);
    EXPECT_GT(figures.tables, 0u);
    EXPECT_GT(figures.healthyRows, 0u);
    EXPECT_EQ(figures.tablesShort, 0u) << figures.variantRows << " rows of " << figures.healthyRows;
  }
}

}  // namespace
}  // namespace pagewright::hardening
