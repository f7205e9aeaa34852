// Save Snapshot, Load Snapshot and the export refusals as the workflow runs
// them: what the host is shown, and what happens to processRunning.
#include "catalog/snapshot_commands.h"

#include <gtest/gtest.h>

#include "storage/engine_state.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

namespace text = snapshot_command_text;

struct RecordingHost : SnapshotCommandHost {
  void AppendOutputOnly(std::string_view line) override { lines.emplace_back(line); }
  void InformationBox(std::string_view text) override { boxes.emplace_back(text); }
  std::vector<std::string> lines;
  std::vector<std::string> boxes;
};

TEST(SnapshotCommands, SaveShowsItsLinesAndBoxesForEveryOutcome) {
  support::TempDir dir;
  EngineState state;
  DatabaseFile file(state);
  file.systemPages[34] = {{1, 20, 1, 0}};
  const SnapshotHeader header{"/data/db.mdf", 0, 1, 0, 0, 0, 0};
  const std::string good = dir.File("db.MDBVLT");
  const std::string saved = std::string(text::kSavedPrefix) + good;
  struct Case {
    const char* name;
    bool running;
    bool hasFile;
    std::string path;
    SaveSnapshotOutcome outcome;
    std::vector<std::string> lines;
    std::vector<std::string> boxes;
  };
  const std::string cannot(text::kCannotSave);
  const std::vector<Case> cases = {
      {"Saved", false, true, good, SaveSnapshotOutcome::kSaved, {std::string(text::kSaving), saved}, {saved}},
      {"Cancelled", false, true, "", SaveSnapshotOutcome::kCancelled, {}, {}},
      {"NoScanYet", false, false, good, SaveSnapshotOutcome::kFailed, {cannot}, {cannot}},
      {"CannotCreate", false, true, dir.File("no/such.MDBVLT"), SaveSnapshotOutcome::kFailed,
       {std::string(text::kSaving), cannot}, {cannot}},
      {"Running", true, true, good, SaveSnapshotOutcome::kRefused, {}, {std::string(text::kPleaseWait)}},
  };
  for (const Case& c : cases) {
    std::atomic<bool> processRunning{c.running};
    RecordingHost host;
    SaveSnapshotOutcome outcome =
        SaveSnapshotCommand(processRunning, c.hasFile ? &file : nullptr, header, c.path, host);
    EXPECT_EQ(outcome, c.outcome) << c.name;
    EXPECT_EQ(host.lines, c.lines) << c.name;
    EXPECT_EQ(host.boxes, c.boxes) << c.name;
    EXPECT_EQ(processRunning.load(), c.running) << c.name;
  }
  // A snapshot saved after a Load records the path read from that snapshot.
  EXPECT_EQ(SnapshotSaveDataPath(true, "/loaded.mdf", "/scanned.mdf"), "/loaded.mdf");
  EXPECT_EQ(SnapshotSaveDataPath(false, "/loaded.mdf", "/scanned.mdf"), "/scanned.mdf");
}

TEST(SnapshotCommands, LoadRestoresTheOptionsOrChangesNothing) {
  support::TempDir dir;
  EngineState saving;
  DatabaseFile file(saving);
  file.systemPages[34] = {{1, 20, 1, 0}};
  ASSERT_TRUE(WriteSnapshot(file, {"/data/db.mdf", 1, 0, 53256, 1, 1, 0}, dir.File("s")));

  EngineState state;
  auto header = PrepareSnapshotLoad(dir.File("s"), state);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->dataFilePath, "/data/db.mdf");
  EXPECT_EQ(state.collation.collationAuto, 0);
  EXPECT_EQ(state.collation.manualCollationId, 53256);
  EXPECT_TRUE(state.showDeleted.load());
  EXPECT_FALSE(state.showAdvancedDeleted.load());

  EngineState untouched;
  untouched.showAdvancedDeleted = true;
  std::string why;
  EXPECT_FALSE(PrepareSnapshotLoad(dir.File("missing"), untouched, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(untouched.collation.collationAuto, 1);
  EXPECT_TRUE(untouched.showAdvancedDeleted.load());
}

TEST(SnapshotCommands, ExportsAndOtherCommandsAreRefusedWhileAnOperationRuns) {
  for (bool running : {false, true}) {
    std::atomic<bool> processRunning{running};
    RecordingHost host;
    EXPECT_EQ(ExportCommandMayStart(processRunning, host), !running);
    EXPECT_EQ(host.boxes, running ? std::vector<std::string>{std::string(text::kPleaseWait)}
                                  : std::vector<std::string>{});
    EXPECT_EQ(RefusalWhileRunning(processRunning).has_value(), running);
  }
}

}  // namespace
}  // namespace pagewright
