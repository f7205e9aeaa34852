// Snapshot files: the exact byte layout, round trips, the extension with the
// index ids, and refusals of damaged, truncated and hostile files.
#include "catalog/snapshot_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>

#include "catalog/mapping_scan.h"
#include "catalog/open_sequence.h"
#include "storage/engine_state.h"
#include "support/file_writer.h"
#include "support/open_fixtures.h"
#include "support/temp_dir.h"

namespace pagewright {
namespace {

namespace fs = std::filesystem;
namespace f = snapshot_format;
using support::Bytes;
using support::FileImage;
using support::HeaderPage;
using support::ReadWholeFile;
using support::RecordingNotifier;
using support::TempDir;

// Little-endian bytes of the plain format, for files no writer of ours makes.
struct ByteBuilder {
  Bytes bytes;
  ByteBuilder& U8(uint8_t value) { return Unsigned(value, 1); }
  ByteBuilder& U16(uint16_t value) { return Unsigned(value, 2); }
  ByteBuilder& U32(uint32_t value) { return Unsigned(value, 4); }
  ByteBuilder& U64(uint64_t value) { return Unsigned(value, 8); }
  ByteBuilder& Unsigned(uint64_t value, int width) {
    for (int index = 0; index < width; ++index) bytes.push_back(static_cast<uint8_t>(value >> (8 * index)));
    return *this;
  }
  // An ASCII path as UTF-16LE with its length field.
  ByteBuilder& Path(const std::string& ascii) {
    U32(static_cast<uint32_t>(ascii.size() * 2));
    for (char c : ascii) U16(static_cast<uint8_t>(c));
    return *this;
  }
  ByteBuilder& Entry(int16_t fileId, int32_t position, int32_t pageType) {
    return U16(static_cast<uint16_t>(fileId)).U32(static_cast<uint32_t>(position)).U32(static_cast<uint32_t>(pageType));
  }
  // Fields 3 to 8 with automatic collation and no flags set.
  ByteBuilder& PlainOptions() { return U8(0).U8(1).U8(0).U8(0).U8(0); }
};

// CRC-32 (IEEE), bit by bit, independent of the table the reader uses.
uint32_t Crc32(const Bytes& bytes, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t index = 0; index < length; ++index) {
    crc ^= bytes[index];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

uint64_t Le(const Bytes& bytes, size_t offset, size_t width) {
  uint64_t value = 0;
  for (size_t index = 0; index < width; ++index) value |= static_cast<uint64_t>(bytes.at(offset + index)) << (8 * index);
  return value;
}

// A little DatabaseFile with maps only (nothing on disk).
struct MapsFixture {
  EngineState state;
  DatabaseFile file{state};
  MapsFixture() {
    file.systemPages[7] = {{1, 9, 13, 0}, {1, 12, 1, 0}};
    file.systemPages[41] = {{1, 40, 1, 1}};
    file.dataPages[41] = {{1, 40, 1, 1}, {1, 369, 1, 256}};
    file.dataPages[0x7FFFFFFF] = {{1, -5, 1, 0x0102}};
    file.iamPages[2053] = {{1, 150, 10, 256}};
  }
};

std::string WriteTo(const DatabaseFile& file, const SnapshotHeader& header, const std::string& path) {
  std::string why;
  EXPECT_TRUE(WriteSnapshot(file, header, path, &why)) << why;
  return why;
}

bool SameMaps(const DatabaseFile& a, const DatabaseFile& b) {
  return a.systemPages == b.systemPages && a.dataPages == b.dataPages && a.iamPages == b.iamPages;
}

// --- Layout -----------------------------------------------------------------

TEST(SnapshotLayout, HeaderFieldsSitWhereTheFormatPutsThem) {
  struct Field {
    size_t offset;
    size_t width;
    uint64_t value;
  };
  struct Case {
    const char* name;
    SnapshotHeader header;
    std::vector<Field> fields;
    size_t mapsStart;
  };
  // "ab" is 4 bytes of UTF-16; "é" one unit; the clef one surrogate pair.
  const std::vector<Case> cases = {
      {"AutomaticCollation",
       {"ab", 1, 1, 0, 0, 1, 0},
       {{0, 4, 4}, {4, 2, 'a'}, {6, 2, 'b'}, {8, 1, 1}, {9, 1, 1}, {10, 1, 0}, {11, 1, 1}, {12, 1, 0}},
       13},
      {"ChosenCollationAddsEightBytes",
       {"ab", 0, 0, 0x0000000134567890LL, 1, 0, 1},
       {{0, 4, 4}, {8, 1, 0}, {9, 1, 0}, {10, 4, 0x34567890}, {14, 4, 0x00000001}, {18, 1, 1}, {19, 1, 0}, {20, 1, 1}},
       21},
      {"EmptyPath", {"", 0, 1, 0, 0, 0, 0}, {{0, 4, 0}, {4, 1, 0}, {5, 1, 1}, {6, 1, 0}}, 9},
      {"NonAsciiPathCountsUtf16Units",
       {"\xC3\xA9\xF0\x9D\x84\x9E", 0, 1, 0, 0, 0, 0},
       {{0, 4, 6}, {4, 2, 0xE9}, {6, 2, 0xD834}, {8, 2, 0xDD1E}},
       15},
  };
  TempDir dir;
  for (const Case& c : cases) {
    EngineState state;
    DatabaseFile empty(state);
    WriteTo(empty, c.header, dir.File("s"));
    Bytes bytes = ReadWholeFile(dir.File("s"));
    ASSERT_GE(bytes.size(), c.mapsStart + 24) << c.name;
    for (const Field& field : c.fields)
      EXPECT_EQ(Le(bytes, field.offset, field.width), field.value) << c.name << " offset " << field.offset;
    // Three maps without keys: eight zero bytes each, then the extension.
    for (size_t index = c.mapsStart; index < c.mapsStart + 24; ++index) EXPECT_EQ(bytes[index], 0) << c.name;
    EXPECT_EQ(std::string(bytes.begin() + c.mapsStart + 24, bytes.begin() + c.mapsStart + 32), "PGWRIXID") << c.name;
    EXPECT_EQ(bytes.size(), c.mapsStart + 24 + 20 + 4) << c.name;
  }
}

TEST(SnapshotLayout, MapsAreKeyCountThenKeysAscendingWithTenByteEntries) {
  MapsFixture maps;
  TempDir dir;
  WriteTo(maps.file, SnapshotHeader{"x", 0, 1, 0, 0, 0, 0}, dir.File("s"));
  Bytes bytes = ReadWholeFile(dir.File("s"));
  ByteBuilder expected;
  expected.Path("x").PlainOptions();
  expected.U64(2).U32(7).U32(2).Entry(1, 9, 13).Entry(1, 12, 1).U32(41).U32(1).Entry(1, 40, 1);
  expected.U64(2).U32(41).U32(2).Entry(1, 40, 1).Entry(1, 369, 1).U32(0x7FFFFFFF).U32(1).Entry(1, -5, 1);
  expected.U64(1).U32(2053).U32(1).Entry(1, 150, 10);
  const size_t mapsEnd = expected.bytes.size();
  ASSERT_GT(bytes.size(), mapsEnd);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + mapsEnd), expected.bytes);

  // The extension: magic, version, one index id per entry in file order, and
  // the CRC-32 of everything before it.
  ByteBuilder extension;
  extension.U32(f::kExtensionVersion).U64(7);
  for (uint16_t id : {0, 0, 1, 1, 256, 0x0102, 256}) extension.U16(id);
  EXPECT_EQ(std::string(bytes.begin() + mapsEnd, bytes.begin() + mapsEnd + 8), "PGWRIXID");
  EXPECT_EQ(Bytes(bytes.begin() + mapsEnd + 8, bytes.end() - 4), extension.bytes);
  EXPECT_EQ(bytes.size(), mapsEnd + 8 + extension.bytes.size() + 4);
  EXPECT_EQ(Le(bytes, bytes.size() - 4, 4), Crc32(bytes, bytes.size() - 4));
}

TEST(SnapshotLayout, ChecksumIsTheStandardCrc32) {
  const Bytes check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc32(check, check.size()), 0xCBF43926u);
}

// --- Round trips ------------------------------------------------------------

TEST(SnapshotRoundTrip, HeaderAndMapsComeBackAsWritten) {
  const std::vector<SnapshotHeader> headers = {
      {"/data/db.mdf", 1, 1, 0, 0, 1, 1},
      {"/data/Ünïcödé 會員 \xF0\x9F\x92\xBE.mdf", 0, 0, -2, 1, 0, 0},
      // Bytes that are not UTF-8 survive: Linux paths are bytes.
      {std::string("/data/\xFF\xFE\x80odd.mdf"), 0, 0, 0x7FFFFFFFFFFFFFFFLL, 0, 0, 0},
  };
  TempDir dir;
  for (const SnapshotHeader& header : headers) {
    MapsFixture maps;
    WriteTo(maps.file, header, dir.File("s"));
    std::string why;
    auto read = ReadSnapshotHeader(dir.File("s"), &why);
    ASSERT_TRUE(read) << why;
    EXPECT_EQ(*read, header) << header.dataFilePath;

    EngineState state;
    DatabaseFile loaded(state);
    ASSERT_TRUE(LoadSnapshotMaps(dir.File("s"), loaded, &why)) << why;
    EXPECT_TRUE(SameMaps(loaded, maps.file));
  }
}

TEST(SnapshotRoundTrip, SecondaryFileEntriesAreLeftOutForTheOpenToMapAgain) {
  MapsFixture maps;
  maps.file.secondaryFiles[3] = DataFileDef{0, 3, "db2", "/nonexistent/db_2.ndf", 0, 0, 0};
  maps.file.systemPages[7].push_back({3, 4, 1, 0});
  maps.file.dataPages[41].push_back({3, 20, 1, 256});
  maps.file.dataPages[999] = {{3, 21, 1, 256}};  // only in the secondary file
  // A header file id 2 that names no opened secondary file stays.
  maps.file.dataPages[41].push_back({2, 22, 1, 256});
  TempDir dir;
  WriteTo(maps.file, {"p", 0, 1, 0, 0, 0, 0}, dir.File("s"));
  EngineState state;
  DatabaseFile loaded(state);
  ASSERT_TRUE(LoadSnapshotMaps(dir.File("s"), loaded));

  MapsFixture primaryOnly;
  primaryOnly.file.dataPages[41].push_back({2, 22, 1, 256});
  EXPECT_TRUE(SameMaps(loaded, primaryOnly.file));
  EXPECT_EQ(loaded.dataPages.count(999), 0u);
}

TEST(SnapshotRoundTrip, TheOpenTakesTheMapsFromTheSnapshotNotFromTheDataFile) {
  TempDir dir;
  FileImage scanned;
  for (int32_t pageNo = 0; pageNo < 40; ++pageNo)
    scanned.PutPage(pageNo % 3 == 0 ? HeaderPage(page_type::kData, PageId{1, pageNo}, 41, 256)
                                    : HeaderPage(page_type::kData, PageId{1, pageNo}, 34, 0));
  scanned.PutPage(HeaderPage(page_type::kIam, PageId{1, 17}, 2053, 256));
  ASSERT_TRUE(scanned.WriteTo(dir.File("a.mdf")));
  EngineState state;
  auto original = OpenDatabaseFile(dir.File("a.mdf"), state, nullptr);
  ASSERT_TRUE(original->isOpen);
  WriteTo(*original, {dir.File("a.mdf"), 0, 1, 0, 0, 0, 0}, dir.File("a.MDBVLT"));

  // Another file at the same size: a scan of it would map other pages.
  FileImage other;
  for (int32_t pageNo = 0; pageNo < 40; ++pageNo) other.PutPage(HeaderPage(page_type::kData, PageId{1, pageNo}, 5, 0));
  ASSERT_TRUE(other.WriteTo(dir.File("b.mdf")));
  RecordingNotifier notifier;
  auto loaded = OpenDatabaseFile(dir.File("b.mdf"), state, &notifier, SnapshotOpenOptions(dir.File("a.MDBVLT")));
  ASSERT_TRUE(loaded->isOpen);
  EXPECT_TRUE(SameMaps(*loaded, *original));
  const auto statuses = notifier.Statuses();
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), std::string(snapshot_text::kLoading)), statuses.end());
  EXPECT_EQ(std::find(statuses.begin(), statuses.end(), std::string(open_text::kMappingObjects)), statuses.end());
}

TEST(SnapshotRoundTrip, OptionsGoBetweenEngineStateAndHeader) {
  EngineState saved;
  saved.collation.collationAuto = 0;
  saved.collation.manualCollationId = 53256;
  saved.showDeleted = true;
  saved.showAdvancedDeleted = true;
  saved.legacyCatalog = true;
  SnapshotHeader header = SnapshotHeaderFromState("/d.mdf", true, saved);
  EXPECT_EQ(header, (SnapshotHeader{"/d.mdf", 1, 0, 53256, 1, 1, 1}));

  EngineState restored;
  ApplySnapshotHeader(header, restored);
  EXPECT_EQ(restored.collation.collationAuto, 0);
  EXPECT_EQ(restored.collation.manualCollationId, 53256);
  EXPECT_TRUE(restored.showDeleted && restored.showAdvancedDeleted && restored.legacyCatalog);

  // Automatic collation stores no id, whatever the state remembers.
  saved.collation.collationAuto = 1;
  EXPECT_EQ(SnapshotHeaderFromState("/d.mdf", false, saved).manualCollationId, 0);
}

// --- Without the extension, and with a later one ---------------------------

TEST(SnapshotPlainFormat, LoadsWithIndexIdsUnknownAndMatchesByObjectId) {
  ByteBuilder plain;
  plain.Path("C:\\data\\db.mdf").PlainOptions();
  plain.U64(1).U32(41).U32(1).Entry(1, 40, 1);
  plain.U64(1).U32(41).U32(2).Entry(1, 40, 1).Entry(1, 369, 1);
  plain.U64(0);
  ByteBuilder laterVersion = plain;
  laterVersion.bytes.insert(laterVersion.bytes.end(), f::kExtensionMagic, f::kExtensionMagic + 8);
  laterVersion.U32(f::kExtensionVersion + 1).U64(12345).U8(7);
  laterVersion.U32(Crc32(laterVersion.bytes, laterVersion.bytes.size()));

  TempDir dir;
  for (const auto& [name, bytes] : {std::pair{"Plain", plain.bytes}, std::pair{"LaterExtension", laterVersion.bytes}}) {
    ASSERT_TRUE(support::WriteBytes(dir.File("s"), bytes.data(), bytes.size()));
    EngineState state;
    DatabaseFile loaded(state);
    std::string why;
    ASSERT_TRUE(LoadSnapshotMaps(dir.File("s"), loaded, &why)) << name << ": " << why;
    ASSERT_EQ(loaded.systemPages.at(41).size(), 1u);
    EXPECT_EQ(loaded.systemPages.at(41)[0].indexId, 0) << name;  // a catalog page
    ASSERT_EQ(loaded.dataPages.at(41).size(), 2u);
    for (const MappedPage& page : loaded.dataPages.at(41)) {
      EXPECT_EQ(page.indexId, kUnknownIndexId) << name;
      // Both the columns table's unit and Shippers' unit claim the page.
      EXPECT_TRUE(PageMatchesUnit(41, page.indexId, 0x0100000000290000LL));
      EXPECT_TRUE(PageMatchesUnit(41, page.indexId, 0x0001000000290000LL));
    }
  }
}

TEST(SnapshotPlainFormat, RepeatedKeysKeepTheirEntriesAndGainTheNewOnes) {
  ByteBuilder plain;
  plain.Path("p").PlainOptions();
  plain.U64(3).U32(41).U32(1).Entry(1, 40, 1).U32(7).U32(0).U32(41).U32(1).Entry(1, 67, 1);
  plain.U64(0).U64(0);
  TempDir dir;
  ASSERT_TRUE(support::WriteBytes(dir.File("s"), plain.bytes.data(), plain.bytes.size()));
  EngineState state;
  DatabaseFile loaded(state);
  ASSERT_TRUE(LoadSnapshotMaps(dir.File("s"), loaded));
  EXPECT_EQ(loaded.systemPages.at(41), (std::vector<MappedPage>{{1, 40, 1, 0}, {1, 67, 1, 0}}));
  EXPECT_TRUE(loaded.systemPages.at(7).empty());
}

// --- Refusals ---------------------------------------------------------------

// A load that fails leaves the maps as they were.
void ExpectRefused(const std::string& path, const std::string& name, const std::string& reasonPart) {
  EngineState state;
  DatabaseFile loaded(state);
  loaded.dataPages[5] = {{1, 1, 1, 0}};
  const PageMap before = loaded.dataPages;
  std::string why;
  EXPECT_FALSE(LoadSnapshotMaps(path, loaded, &why)) << name;
  EXPECT_NE(why.find(reasonPart), std::string::npos) << name << ": " << why;
  EXPECT_TRUE(loaded.systemPages.empty()) << name;
  EXPECT_EQ(loaded.dataPages, before) << name;
  EXPECT_TRUE(loaded.iamPages.empty()) << name;
}

TEST(SnapshotRefusal, EveryTruncationAndEveryFlippedByteIsRefused) {
  MapsFixture maps;
  TempDir dir;
  WriteTo(maps.file, {"/data/db.mdf", 0, 0, 53256, 0, 0, 0}, dir.File("whole"));
  const Bytes whole = ReadWholeFile(dir.File("whole"));
  const std::string text(whole.begin(), whole.end());
  const size_t extensionStart = text.find("PGWRIXID");
  ASSERT_NE(extensionStart, std::string::npos);
  // A fresh name per file: replacing a file's bytes makes the file system
  // flush them first, which is slow.
  for (size_t length = 0; length < whole.size(); ++length) {
    const std::string cut = dir.File("cut" + std::to_string(length));
    ASSERT_TRUE(support::WriteBytes(cut, whole.data(), length));
    if (length != extensionStart) {
      ExpectRefused(cut, "cut at " + std::to_string(length), "");
      continue;
    }
    // Cut exactly before the extension: a snapshot of the plain format, whose
    // index ids are unknown.
    EngineState state;
    DatabaseFile loaded(state);
    ASSERT_TRUE(LoadSnapshotMaps(cut, loaded));
    EXPECT_EQ(loaded.dataPages.at(41)[1].indexId, kUnknownIndexId);
  }
  for (size_t offset = 0; offset < whole.size(); ++offset) {
    Bytes damaged = whole;
    damaged[offset] ^= 0x10;
    const std::string flipped = dir.File("flip" + std::to_string(offset));
    ASSERT_TRUE(support::WriteBytes(flipped, damaged.data(), damaged.size()));
    ExpectRefused(flipped, "flip at " + std::to_string(offset), "");
  }
}

TEST(SnapshotRefusal, CountsAndLengthsTheFileCannotHold) {
  struct Case {
    const char* name;
    Bytes bytes;
    const char* reason;
  };
  auto withHeader = [] {
    ByteBuilder b;
    b.Path("p").PlainOptions();
    return b;
  };
  std::vector<Case> cases;
  cases.push_back({"HugeKeyCount", withHeader().U64(0xFFFFFFFFull).bytes, "object ids"});
  cases.push_back({"UpperKeyCountBits", withHeader().U64(0x100000000ull).U64(0).U64(0).bytes, "object ids"});
  cases.push_back({"HugeEntryCount", withHeader().U64(1).U32(7).U32(0xFFFFFFFFu).bytes, "entries for object 7"});
  cases.push_back({"EntryCountOneTooMany", withHeader().U64(1).U32(7).U32(2).Entry(1, 1, 1).U64(0).bytes, "entries"});
  cases.push_back({"HugePathLength", ByteBuilder().U32(0xFFFFFFFEu).bytes, "longer than any path"});
  cases.push_back({"PathPastTheEnd", ByteBuilder().U32(400).U16('a').bytes, "ends inside the path"});
  cases.push_back({"OddPathLength", ByteBuilder().U32(3).U8('a').U8(0).U8('b').PlainOptions().bytes, "odd"});
  cases.push_back({"FlagNotABoolean", ByteBuilder().Path("p").U8(0).U8(1).U8(2).U8(0).U8(0).bytes, "2000-layout flag is 2"});
  cases.push_back({"MissingMaps", withHeader().bytes, "systemPages"});
  cases.push_back({"BytesAfterTheMaps", withHeader().U64(0).U64(0).U64(0).U32(0).bytes, "goes on after"});
  cases.push_back({"Empty", Bytes{}, "path length"});
  {
    // An extension that promises fewer index ids than there are entries.
    ByteBuilder b = withHeader();
    b.U64(1).U32(7).U32(1).Entry(1, 9, 13).U64(0).U64(0);
    b.bytes.insert(b.bytes.end(), f::kExtensionMagic, f::kExtensionMagic + 8);
    b.U32(1).U64(0).U32(0);
    cases.push_back({"ExtensionCountMismatch", b.bytes, "0 index ids for 1 entries"});
  }
  TempDir dir;
  for (const Case& c : cases) {
    ASSERT_TRUE(support::WriteBytes(dir.File(c.name), c.bytes.data(), c.bytes.size()));
    ExpectRefused(dir.File(c.name), c.name, c.reason);
  }
}

TEST(SnapshotRefusal, HeaderReadRefusesWhatTheLoadWould) {
  TempDir dir;
  std::string why;
  EXPECT_FALSE(ReadSnapshotHeader(dir.File("missing"), &why));
  EXPECT_NE(why.find("cannot open"), std::string::npos);
  EXPECT_FALSE(ReadSnapshotHeader(dir.path(), &why));  // a folder
  const Bytes cut = ByteBuilder().Path("p").U8(0).U8(0).U32(1).bytes;  // collation id cut short
  ASSERT_TRUE(support::WriteBytes(dir.File("cut"), cut.data(), cut.size()));
  EXPECT_FALSE(ReadSnapshotHeader(dir.File("cut"), &why));
  EXPECT_NE(why.find("collation id"), std::string::npos) << why;
}

TEST(SnapshotOpen, MissingDataFileFailsAsCannotOpenWithoutTouchingTheSnapshot) {
  TempDir dir;
  MapsFixture maps;
  WriteTo(maps.file, {dir.File("gone.mdf"), 0, 1, 0, 0, 0, 0}, dir.File("s"));
  auto header = ReadSnapshotHeader(dir.File("s"));
  ASSERT_TRUE(header);
  EngineState state;
  RecordingNotifier notifier;
  bool loaderCalled = false;
  OpenOptions options = SnapshotOpenOptions(dir.File("s"));
  auto inner = options.loadSnapshotMaps;
  options.loadSnapshotMaps = [&](const std::string& path, DatabaseFile& file) {
    loaderCalled = true;
    return inner(path, file);
  };
  auto file = OpenDatabaseFile(header->dataFilePath, state, &notifier, options);
  EXPECT_FALSE(file->isOpen);
  EXPECT_EQ(notifier.fatalErrors, std::vector<std::string>{std::string(open_text::kCannotOpen)});
  EXPECT_FALSE(loaderCalled);
}

TEST(SnapshotOpen, RefusedLoadFailsTheOpenAndTellsWhy) {
  TempDir dir;
  FileImage image;
  for (int32_t pageNo = 0; pageNo < 20; ++pageNo) image.PutPage(HeaderPage(page_type::kData, PageId{1, pageNo}, 34));
  ASSERT_TRUE(image.WriteTo(dir.File("db.mdf")));
  const Bytes junk = ByteBuilder().U32(2).U16('x').U8(9).bytes;
  ASSERT_TRUE(support::WriteBytes(dir.File("s"), junk.data(), junk.size()));
  auto failure = std::make_shared<std::string>();
  EngineState state;
  RecordingNotifier notifier;
  auto file = OpenDatabaseFile(dir.File("db.mdf"), state, &notifier, SnapshotOpenOptions(dir.File("s"), failure));
  EXPECT_FALSE(file->isOpen);
  EXPECT_EQ(notifier.fatalErrors, std::vector<std::string>{std::string(open_text::kNotValid)});
  EXPECT_NE(failure->find("advanced-mode flag"), std::string::npos) << *failure;
}

// --- Writing ----------------------------------------------------------------

TEST(SnapshotWrite, NeverOntoTheDataFileAndNeverHalfWritten) {
  TempDir dir;
  FileImage image;
  for (int32_t pageNo = 0; pageNo < 20; ++pageNo) image.PutPage(HeaderPage(page_type::kData, PageId{1, pageNo}, 34));
  ASSERT_TRUE(image.WriteTo(dir.File("db.mdf")));
  ASSERT_TRUE(image.WriteTo(dir.File("db_2.ndf")));
  EngineState state;
  auto file = OpenDatabaseFile(dir.File("db.mdf"), state, nullptr);
  ASSERT_TRUE(file->isOpen);
  file->secondaryFiles[3] = DataFileDef{0, 3, "", dir.File("db_2.ndf"), 0, 0, 0};
  ASSERT_EQ(::link(dir.File("db.mdf").c_str(), dir.File("hardlink.mdf").c_str()), 0);
  fs::create_symlink(dir.File("db.mdf"), dir.File("symlink.MDBVLT"));
  fs::create_directory(dir.File("folder"));
  const Bytes dataBefore = ReadWholeFile(dir.File("db.mdf"));
  const SnapshotHeader header{dir.File("db.mdf"), 0, 1, 0, 0, 0, 0};

  struct Case {
    const char* name;
    std::string target;
    const char* reason;
  };
  for (const Case& c : {Case{"DataFile", dir.File("db.mdf"), "data file"},
                        Case{"OtherSpelling", dir.path() + "/./db.mdf", "data file"},
                        Case{"HardLink", dir.File("hardlink.mdf"), "data file"},
                        Case{"SymbolicLink", dir.File("symlink.MDBVLT"), "data file"},
                        Case{"SecondaryFile", dir.File("db_2.ndf"), "data file"},
                        Case{"Folder", dir.File("folder"), "folder"},
                        Case{"NoSuchFolder", dir.File("nowhere/s.MDBVLT"), "cannot be created"}}) {
    std::string why;
    EXPECT_FALSE(WriteSnapshot(*file, header, c.target, &why)) << c.name;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
  }
  EXPECT_EQ(ReadWholeFile(dir.File("db.mdf")), dataBefore);

  // A good save replaces an older snapshot whole and leaves no scratch file.
  const Bytes old = ByteBuilder().U32(0).bytes;
  ASSERT_TRUE(support::WriteBytes(dir.File("s.MDBVLT"), old.data(), old.size()));
  WriteTo(*file, header, dir.File("s.MDBVLT"));
  EngineState loadState;
  DatabaseFile loaded(loadState);
  ASSERT_TRUE(LoadSnapshotMaps(dir.File("s.MDBVLT"), loaded));
  EXPECT_TRUE(SameMaps(loaded, *file));
  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(dir.path()))
    entries += entry.path().filename().string().find(".tmp") != std::string::npos ? 1 : 0;
  EXPECT_EQ(entries, 0u);
}

TEST(SnapshotWrite, AWriteThatFailsHalfwayLeavesTheOldSnapshot) {
  TempDir dir;
  const Bytes old = ByteBuilder().U32(0).bytes;
  ASSERT_TRUE(support::WriteBytes(dir.File("s"), old.data(), old.size()));
  MapsFixture maps;
  for (int32_t position = 0; position < 2000; ++position) maps.file.dataPages[77].push_back({1, position, 1, 256});
  // The file size limit makes the write fail after some bytes (EFBIG).
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string why;
  const bool written = WriteSnapshot(maps.file, {"p", 0, 1, 0, 0, 0, 0}, dir.File("s"), &why);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(written);
  EXPECT_NE(why.find("cannot be written"), std::string::npos) << why;
  EXPECT_EQ(ReadWholeFile(dir.File("s")), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace pagewright
