// Snapshots of the real files: the maps an open takes from a snapshot are
// the maps the mapping scan built, index ids included, for every file.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalog/catalog_loader.h"
#include "catalog/database_catalog.h"
#include "catalog/open_sequence.h"
#include "catalog/snapshot_file.h"
#include "storage/engine_state.h"
#include "support/open_fixtures.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

namespace fs = std::filesystem;

TEST(SnapshotCorpus, EveryFileLoadsTheMapsItsScanBuilt) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  support::TempDir dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(support::CorpusDir() + "/files")) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".mdf" && extension != ".ndf") continue;
    const std::string name = entry.path().filename().string();
    EngineState state;
    auto scanned = OpenDatabaseFile(entry.path().string(), state, nullptr);
    // A file without catalog pages (a secondary file alone) has nothing to keep.
    if (!scanned->isOpen) continue;
    ++files;
    const std::string snapshot = dir.File(name + ".MDBVLT");
    std::string why;
    ASSERT_TRUE(WriteSnapshot(*scanned, SnapshotHeaderFromState(scanned->path, false, state), snapshot, &why))
        << name << ": " << why;

    EngineState loadState;
    support::RecordingNotifier notifier;
    auto loaded = OpenDatabaseFile(entry.path().string(), loadState, &notifier, SnapshotOpenOptions(snapshot));
    ASSERT_TRUE(loaded->isOpen) << name;
    EXPECT_EQ(loaded->systemPages, scanned->systemPages) << name;
    EXPECT_EQ(loaded->dataPages, scanned->dataPages) << name;
    EXPECT_EQ(loaded->iamPages, scanned->iamPages) << name;
    EXPECT_EQ(loaded->baseOffset, scanned->baseOffset) << name;
    const auto statuses = notifier.Statuses();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), std::string(open_text::kMappingObjects)), 0) << name;

    ReadDatabaseName(*scanned);
    ReadDatabaseName(*loaded);
    EXPECT_EQ(loaded->databaseName, scanned->databaseName) << name;
  }
  EXPECT_GE(files, 19);
}

// A save after a whole open (catalog read, secondary files mapped) and an
// open from that snapshot give the same maps and the same catalog: the
// secondary files are mapped again, not twice.
TEST(SnapshotCorpus, OpenFromASnapshotGivesTheSameCatalog) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  support::TempDir dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(support::CorpusDir() + "/files")) {
    if (entry.path().extension() != ".mdf") continue;
    const std::string name = entry.path().filename().string();
    EngineState state;
    OpenedDatabase scanned;
    if (!OpenDatabase(entry.path().string(), state, nullptr, scanned)) continue;
    ++files;
    const std::string snapshot = dir.File(name + ".MDBVLT");
    ASSERT_TRUE(WriteSnapshot(*scanned.file, SnapshotHeaderFromState(scanned.file->path, false, state), snapshot));

    EngineState loadState;
    OpenedDatabase loaded;
    ASSERT_TRUE(OpenDatabase(entry.path().string(), loadState, nullptr, loaded, SnapshotOpenOptions(snapshot)))
        << name;
    EXPECT_EQ(loaded.file->systemPages, scanned.file->systemPages) << name;
    EXPECT_EQ(loaded.file->dataPages, scanned.file->dataPages) << name;
    EXPECT_EQ(loaded.file->iamPages, scanned.file->iamPages) << name;
    EXPECT_EQ(loadState.legacyCatalog.load(), state.legacyCatalog.load()) << name;
    const auto& a = scanned.catalog->objects;
    const auto& b = loaded.catalog->objects;
    ASSERT_EQ(a.size(), b.size()) << name;
    for (size_t index = 0; index < a.size(); ++index) {
      EXPECT_EQ(a[index].objectId, b[index].objectId) << name;
      EXPECT_EQ(a[index].name, b[index].name) << name;
      EXPECT_EQ(a[index].type, b[index].type) << name;
    }
  }
  EXPECT_GE(files, 19);
}

}  // namespace
}  // namespace pagewright
