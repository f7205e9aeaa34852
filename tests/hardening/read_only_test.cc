// The data files are never written: the one place the engine opens a file
// for reading is O_RDONLY, no source opens anything with a writing mode, and
// opening, bootstrapping and resolving every table of every real file leaves
// each file's bytes and modification time as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "support/open_fixtures.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Sources that write files of their own (snapshots, the activity log, exports
// to a path the user names) and so may open with a writing mode. Data files
// are opened only through ReadOnlyFile::Open.
bool MayWrite(const std::string& fileName) {
  for (const char* allowed : {"snapshot", "activity_log", "log_writer", "export"})
    if (fileName.find(allowed) != std::string::npos) return true;
  return false;
}

TEST(ReadOnlyGuarantee, NoSourceOpensAFileWithAWritingMode) {
  const std::filesystem::path src = std::filesystem::path(PAGEWRIGHT_SOURCE_DIR) / "src";
  ASSERT_TRUE(std::filesystem::is_directory(src));
  const std::regex writingFlag(R"(O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND|PROT_WRITE)");
  const std::regex writingStream(R"(\bofstream\b|\bfstream\b|fopen\s*\([^;]*"[^"]*[wa+][^"]*")");
  const std::regex posixOpen(R"(::open\s*\()");
  size_t filesScanned = 0, readOnlyOpens = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".cc" && entry.path().extension() != ".h") continue;
    ++filesScanned;
    if (MayWrite(name)) continue;
    std::istringstream lines(ReadText(entry.path()));
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
      ++number;
      const std::string code = line.substr(0, line.find("//"));
      if (code.find("#include") != std::string::npos) continue;
      EXPECT_FALSE(std::regex_search(code, writingFlag)) << name << ":" << number << ": " << line;
      EXPECT_FALSE(std::regex_search(code, writingStream)) << name << ":" << number << ": " << line;
      if (std::regex_search(code, posixOpen)) {
        ++readOnlyOpens;
        EXPECT_NE(code.find("O_RDONLY"), std::string::npos) << name << ":" << number << ": " << line;
      }
    }
  }
  EXPECT_GT(filesScanned, 20u);
  // The data-file reader itself is among the checked opens.
  EXPECT_GE(readOnlyOpens, 1u);
}

struct FileState {
  std::string bytesHash;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;
  int64_t size = 0;
};

FileState StateOf(const std::string& path) {
  FileState state;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    state.modifiedSeconds = info.st_mtim.tv_sec;
    state.modifiedNanoseconds = info.st_mtim.tv_nsec;
    state.size = info.st_size;
  }
  // FNV-1a over the whole file.
  uint64_t hash = 1469598103934665603ull;
  for (uint8_t byte : support::ReadWholeFile(path)) hash = (hash ^ byte) * 1099511628211ull;
  state.bytesHash = std::to_string(hash);
  return state;
}

TEST(ReadOnlyGuarantee, OpeningAndResolvingEveryCorpusFileLeavesItUnchanged) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not available";
  const std::filesystem::path files = std::filesystem::path(support::CorpusDir()) / "files";
  size_t opened = 0, tables = 0;
  for (const auto& entry : std::filesystem::directory_iterator(files)) {
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().string();
    SCOPED_TRACE(path);
    const FileState before = StateOf(path);
    {
      EngineState state;
      support::RecordingNotifier notifier;
      OpenedDatabase database;
      if (OpenDatabase(path, state, &notifier, database) && database.catalog) {
        ++opened;
        TableResolver resolver(*database.catalog);
        for (const ObjectDef& object : std::vector<ObjectDef>(database.catalog->objects)) {
          if (object.type != "U ") continue;
          resolver.ResolveTable(object.name, object.type, {});
          ++tables;
        }
      }
    }
    const FileState after = StateOf(path);
    EXPECT_EQ(after.bytesHash, before.bytesHash);
    EXPECT_EQ(after.size, before.size);
    EXPECT_EQ(after.modifiedSeconds, before.modifiedSeconds);
    EXPECT_EQ(after.modifiedNanoseconds, before.modifiedNanoseconds);
  }
  EXPECT_GT(opened, 0u);
  EXPECT_GT(tables, 0u);
}

}  // namespace
}  // namespace pagewright
