#include "catalog/snapshot_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "catalog/open_notifier.h"
#include "storage/byte_view.h"
#include "storage/engine_state.h"
#include "values/utf16_text.h"

namespace pagewright {

namespace f = snapshot_format;

namespace {

// --- CRC-32 (IEEE 802.3, reflected, as zlib computes it) -------------------

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t index = 0; index < 256; ++index) {
    uint32_t value = index;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
    table[index] = value;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Running CRC state (the complement of the value).
uint32_t CrcUpdate(uint32_t state, const uint8_t* bytes, size_t size) {
  for (size_t index = 0; index < size; ++index) state = kCrcTable[(state ^ bytes[index]) & 0xFF] ^ (state >> 8);
  return state;
}
constexpr uint32_t kCrcStart = 0xFFFFFFFFu;
uint32_t CrcFinish(uint32_t state) { return state ^ 0xFFFFFFFFu; }

// --- The path: UTF-8 inside, UTF-16LE in the file ---------------------------
//
// A Linux path is bytes and need not be UTF-8. A byte that does not start a
// valid UTF-8 sequence is stored as the lone surrogate U+DC00 + byte, and
// such a surrogate reads back as that byte, so every path survives the round
// trip. Other unpaired surrogates (from another writer) read as U+FFFD.

void AppendUnit(std::vector<uint8_t>& out, uint32_t unit) {
  out.push_back(static_cast<uint8_t>(unit & 0xFF));
  out.push_back(static_cast<uint8_t>(unit >> 8));
}

// Length of the valid UTF-8 sequence at `index`, or 0.
size_t Utf8SequenceAt(std::string_view text, size_t index, uint32_t& codePoint) {
  const auto byte = [&](size_t at) { return static_cast<uint8_t>(text[at]); };
  const uint8_t lead = byte(index);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  size_t length = 0;
  uint32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) length = 2, codePoint = lead & 0x1F, minimum = 0x80;
  else if ((lead & 0xF0) == 0xE0) length = 3, codePoint = lead & 0x0F, minimum = 0x800;
  else if ((lead & 0xF8) == 0xF0) length = 4, codePoint = lead & 0x07, minimum = 0x10000;
  else return 0;
  if (text.size() - index < length) return 0;
  for (size_t next = 1; next < length; ++next) {
    if ((byte(index + next) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(index + next) & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  return length;
}

std::vector<uint8_t> EncodePath(std::string_view path) {
  std::vector<uint8_t> out;
  out.reserve(path.size() * 2);
  for (size_t index = 0; index < path.size();) {
    uint32_t codePoint = 0;
    size_t length = Utf8SequenceAt(path, index, codePoint);
    if (length == 0) {
      AppendUnit(out, 0xDC00u + static_cast<uint8_t>(path[index]));
      ++index;
      continue;
    }
    index += length;
    if (codePoint >= 0x10000) {
      codePoint -= 0x10000;
      AppendUnit(out, 0xD800u + (codePoint >> 10));
      AppendUnit(out, 0xDC00u + (codePoint & 0x3FF));
    } else {
      AppendUnit(out, codePoint);
    }
  }
  return out;
}

// The stored path up to its first zero unit (a reader that gives the path a
// terminator sees no more than that).
std::string DecodePath(ByteView bytes) {
  std::string out;
  const size_t units = bytes.size() / 2;
  for (size_t index = 0; index < units; ++index) {
    const uint32_t unit = bytes.u16_or(2 * index);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF && index + 1 < units) {
      const uint32_t low = bytes.u16_or(2 * index + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++index;
        continue;
      }
    }
    if (unit >= 0xDC80 && unit <= 0xDCFF) out.push_back(static_cast<char>(unit - 0xDC00));
    else if (unit >= 0xD800 && unit <= 0xDFFF) AppendUtf8(out, 0xFFFD);
    else AppendUtf8(out, unit);
  }
  return out;
}

// --- Writing ----------------------------------------------------------------

// Buffered writes to a descriptor, with the CRC of everything written.
class SnapshotWriter {
 public:
  explicit SnapshotWriter(int fd) : fd_(fd) { buffer_.reserve(kBufferBytes); }

  void Bytes(const uint8_t* bytes, size_t size) {
    crc_ = CrcUpdate(crc_, bytes, size);
    while (size > 0) {
      size_t room = kBufferBytes - buffer_.size();
      size_t take = size < room ? size : room;
      buffer_.insert(buffer_.end(), bytes, bytes + take);
      bytes += take;
      size -= take;
      if (buffer_.size() == kBufferBytes) Flush();
    }
  }
  void U8(uint8_t value) { Bytes(&value, 1); }
  void U16(uint16_t value) { Unsigned(value, 2); }
  void U32(uint32_t value) { Unsigned(value, 4); }
  void U64(uint64_t value) { Unsigned(value, 8); }
  uint32_t Crc() const { return CrcFinish(crc_); }

  // Writes what is buffered; false once any write has failed.
  bool Flush() {
    size_t done = 0;
    while (ok_ && done < buffer_.size()) {
      ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        ok_ = false;
        error_ = errno;
      } else {
        done += static_cast<size_t>(wrote);
      }
    }
    buffer_.clear();
    return ok_;
  }
  int error() const { return error_; }

 private:
  static constexpr size_t kBufferBytes = size_t{1} << 20;

  void Unsigned(uint64_t value, size_t width) {
    uint8_t bytes[8];
    for (size_t index = 0; index < width; ++index) bytes[index] = static_cast<uint8_t>(value >> (8 * index));
    Bytes(bytes, width);
  }

  int fd_;
  std::vector<uint8_t> buffer_;
  uint32_t crc_ = kCrcStart;
  bool ok_ = true;
  int error_ = 0;
};

bool Refuse(std::string* why, std::string reason) {
  if (why) *why = std::move(reason);
  return false;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether `target` (which exists) is one of the data files of `file`.
bool IsDataFile(const DatabaseFile& file, const struct stat& target) {
  struct stat data {};
  if (file.primary.valid() && ::fstat(file.primary.fd(), &data) == 0 && SameFile(data, target)) return true;
  if (!file.path.empty() && ::stat(file.path.c_str(), &data) == 0 && SameFile(data, target)) return true;
  for (const auto& [fileId, secondary] : file.secondaryFiles)
    if (!secondary.fileName.empty() && ::stat(secondary.fileName.c_str(), &data) == 0 && SameFile(data, target))
      return true;
  return false;
}

std::string ParentFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Counts and writes one map; entries of `skippedFileIds` are left out, and so
// is a key whose entries were all left out (the primary file's scan would not
// have made it).
void WriteMap(SnapshotWriter& out, const PageMap& map, const std::map<int16_t, DataFileDef>& skippedFileIds,
              std::vector<uint16_t>& indexIds) {
  auto kept = [&](const MappedPage& page) { return page.fileId <= 1 || !skippedFileIds.count(page.fileId); };
  auto keptCount = [&](const std::vector<MappedPage>& pages) {
    uint32_t count = 0;
    for (const MappedPage& page : pages) count += kept(page) ? 1 : 0;
    return count;
  };
  uint64_t keyCount = 0;
  for (const auto& [objectId, pages] : map) keyCount += (pages.empty() || keptCount(pages) > 0) ? 1 : 0;
  out.U64(keyCount);
  for (const auto& [objectId, pages] : map) {
    const uint32_t entryCount = keptCount(pages);
    if (entryCount == 0 && !pages.empty()) continue;
    out.U32(static_cast<uint32_t>(objectId));
    out.U32(entryCount);
    for (const MappedPage& page : pages) {
      if (!kept(page)) continue;
      uint8_t entry[f::kEntryWidth];
      const auto put = [&](size_t offset, uint64_t value, size_t width) {
        for (size_t index = 0; index < width; ++index) entry[offset + index] = static_cast<uint8_t>(value >> (8 * index));
      };
      put(f::kEntryFileId, static_cast<uint16_t>(page.fileId), 2);
      put(f::kEntryPosition, static_cast<uint32_t>(page.position), 4);
      put(f::kEntryPageType, static_cast<uint32_t>(page.pageType), 4);
      out.Bytes(entry, sizeof entry);
      indexIds.push_back(page.indexId);
    }
  }
}

// --- Reading ----------------------------------------------------------------

// Sequential reads of a snapshot file in large chunks, with the CRC of every
// byte taken. Views handed out stay valid until the next Take.
class SnapshotReader {
 public:
  SnapshotReader(const ReadOnlyFile& file, int64_t size) : file_(file), size_(size) {}

  int64_t remaining() const { return size_ - offset_; }
  bool ok() const { return ok_; }

  // The next `length` bytes (at most kChunkBytes), or nothing when the file
  // does not hold them or cannot be read.
  std::optional<ByteView> Take(size_t length) {
    if (!ok_ || length > kChunkBytes || static_cast<uint64_t>(remaining()) < length) return std::nullopt;
    if (chunk_.size() - chunkUsed_ < length && !Refill()) return std::nullopt;
    ByteView view(chunk_.data() + chunkUsed_, length);
    crc_ = CrcUpdate(crc_, view.data(), length);
    chunkUsed_ += length;
    offset_ += static_cast<int64_t>(length);
    return view;
  }
  std::optional<uint8_t> U8() { return Read<uint8_t>(1); }
  std::optional<uint16_t> U16() { return Read<uint16_t>(2); }
  std::optional<uint32_t> U32() { return Read<uint32_t>(4); }
  std::optional<uint64_t> U64() { return Read<uint64_t>(8); }
  uint32_t Crc() const { return CrcFinish(crc_); }

  static constexpr size_t kChunkBytes = size_t{1} << 20;

 private:
  template <typename T>
  std::optional<T> Read(size_t width) {
    auto view = Take(width);
    if (!view) return std::nullopt;
    return static_cast<T>(*view->uint_n_at(0, width));
  }

  // Keeps the unused tail and reads up to a chunk behind it.
  bool Refill() {
    std::vector<uint8_t> next(chunk_.begin() + static_cast<std::ptrdiff_t>(chunkUsed_), chunk_.end());
    const int64_t fileOffset = offset_ + static_cast<int64_t>(next.size());
    size_t want = kChunkBytes;
    if (static_cast<uint64_t>(size_ - fileOffset) < want) want = static_cast<size_t>(size_ - fileOffset);
    const size_t kept = next.size();
    next.resize(kept + want);
    size_t got = want ? file_.ReadAt(fileOffset, next.data() + kept, want) : 0;
    if (got != want) {
      ok_ = false;
      return false;
    }
    chunk_ = std::move(next);
    chunkUsed_ = 0;
    return true;
  }

  const ReadOnlyFile& file_;
  int64_t size_;
  int64_t offset_ = 0;
  std::vector<uint8_t> chunk_;
  size_t chunkUsed_ = 0;
  uint32_t crc_ = kCrcStart;
  bool ok_ = true;
};

std::string Truncated(const char* what) { return std::string("the file ends inside ") + what; }

// Fields 1 to 8.
bool ReadHeader(SnapshotReader& in, SnapshotHeader& header, std::string* why) {
  auto pathBytes = in.U32();
  if (!pathBytes) return Refuse(why, Truncated("the path length"));
  if (*pathBytes % 2 != 0) return Refuse(why, "the path length " + std::to_string(*pathBytes) + " is odd");
  if (*pathBytes > f::kMaxPathBytes)
    return Refuse(why, "the path length " + std::to_string(*pathBytes) + " is longer than any path");
  auto path = in.Take(*pathBytes);
  if (!path) return Refuse(why, Truncated("the path"));
  header.dataFilePath = DecodePath(*path);

  struct Flag {
    const char* name;
    uint8_t* target;
  };
  const auto readFlag = [&](const Flag& flag) {
    auto value = in.U8();
    if (!value) return Refuse(why, Truncated(flag.name));
    if (*value > 1) return Refuse(why, std::string(flag.name) + " is " + std::to_string(*value) + ", not 0 or 1");
    *flag.target = *value;
    return true;
  };
  if (!readFlag({"the advanced-mode flag", &header.advancedMode})) return false;
  if (!readFlag({"the automatic-collation flag", &header.collationAuto})) return false;
  header.manualCollationId = 0;
  if (header.collationAuto == 0) {
    auto low = in.U32();
    auto high = in.U32();
    if (!low || !high) return Refuse(why, Truncated("the collation id"));
    header.manualCollationId = static_cast<int64_t>((static_cast<uint64_t>(*high) << 32) | *low);
  }
  return readFlag({"the 2000-layout flag", &header.legacyCatalog}) &&
         readFlag({"the show-deleted flag", &header.showDeleted}) &&
         readFlag({"the advanced-deleted flag", &header.showAdvancedDeleted});
}

// Where an entry read from the file went: its key's vector (map nodes do not
// move) and its index there (the vector may grow and move its elements).
struct EntryPlace {
  std::vector<MappedPage>* pages;
  size_t index;
};

// One page map, appended to `map`; each entry's index id starts as `indexId`.
bool ReadMap(SnapshotReader& in, const char* name, PageMap& map, uint16_t indexId, std::vector<EntryPlace>& order,
             std::string* why) {
  auto keyCount = in.U64();
  if (!keyCount) return Refuse(why, Truncated(name));
  // Every key takes at least its object id and entry count.
  if (*keyCount > static_cast<uint64_t>(in.remaining()) / f::kKeyWidth)
    return Refuse(why, std::string(name) + " claims " + std::to_string(*keyCount) +
                           " object ids, more than the rest of the file can hold");
  for (uint64_t key = 0; key < *keyCount; ++key) {
    auto objectId = in.U32();
    auto entryCount = in.U32();
    if (!objectId || !entryCount) return Refuse(why, Truncated(name));
    if (*entryCount > static_cast<uint64_t>(in.remaining()) / f::kEntryWidth)
      return Refuse(why, std::string(name) + " claims " + std::to_string(*entryCount) + " entries for object " +
                             std::to_string(static_cast<int32_t>(*objectId)) +
                             ", more than the rest of the file can hold");
    // A key that appears twice keeps its entries and gains the new ones.
    std::vector<MappedPage>& pages = map[static_cast<int32_t>(*objectId)];
    pages.reserve(pages.size() + *entryCount);
    uint32_t left = *entryCount;
    while (left > 0) {
      const uint32_t batch = std::min<uint32_t>(left, SnapshotReader::kChunkBytes / f::kEntryWidth);
      auto bytes = in.Take(static_cast<size_t>(batch) * f::kEntryWidth);
      if (!bytes) return Refuse(why, Truncated(name));
      for (uint32_t index = 0; index < batch; ++index) {
        const size_t at = static_cast<size_t>(index) * f::kEntryWidth;
        MappedPage page;
        page.fileId = bytes->i16_or(at + f::kEntryFileId);
        page.position = bytes->i32_or(at + f::kEntryPosition);
        page.pageType = bytes->i32_or(at + f::kEntryPageType);
        page.indexId = indexId;
        pages.push_back(page);
      }
      left -= batch;
    }
    for (size_t index = pages.size() - *entryCount; index < pages.size(); ++index) order.push_back({&pages, index});
  }
  return true;
}

// What follows the maps: nothing, or the extension. Whatever its version,
// an extension ends in the CRC-32 of every byte before it, so damage anywhere
// is found even in an extension this reader does not understand. Sets the
// index ids of `order` from an extension of the known version.
bool ReadExtension(SnapshotReader& in, const std::vector<EntryPlace>& order, std::string* why) {
  if (in.remaining() == 0) return true;
  auto magic = in.Take(f::kExtensionMagicWidth);
  if (!magic || std::memcmp(magic->data(), f::kExtensionMagic, f::kExtensionMagicWidth) != 0)
    return Refuse(why, "the file goes on after the page maps");
  auto version = in.U32();
  if (!version || in.remaining() < static_cast<int64_t>(f::kExtensionChecksumWidth))
    return Refuse(why, Truncated("the extension"));
  if (*version == f::kExtensionVersion) {
    auto count = in.U64();
    if (!count) return Refuse(why, Truncated("the extension"));
    if (*count != order.size())
      return Refuse(why, "the extension has " + std::to_string(*count) + " index ids for " +
                             std::to_string(order.size()) + " entries");
    const uint64_t expected = *count * 2 + f::kExtensionChecksumWidth;
    if (static_cast<uint64_t>(in.remaining()) != expected)
      return Refuse(why, static_cast<uint64_t>(in.remaining()) < expected ? Truncated("the extension")
                                                                          : "the file goes on after the extension");
  }
  // The index ids (or the body of a later version, which is only skipped:
  // the maps then stand without index ids, as in a snapshot without it).
  const bool known = *version == f::kExtensionVersion;
  size_t next = 0;
  while (in.remaining() > static_cast<int64_t>(f::kExtensionChecksumWidth)) {
    const size_t left = static_cast<size_t>(in.remaining()) - f::kExtensionChecksumWidth;
    const size_t batch = std::min(left, SnapshotReader::kChunkBytes) & ~size_t{1};
    auto bytes = in.Take(batch == 0 ? left : batch);
    if (!bytes) return Refuse(why, "read error");
    if (!known) continue;
    for (size_t index = 0; index < bytes->size() / 2; ++index) {
      const EntryPlace& place = order[next + index];
      (*place.pages)[place.index].indexId = bytes->u16_or(2 * index);
    }
    next += bytes->size() / 2;
  }
  const uint32_t computed = in.Crc();
  auto stored = in.U32();
  if (!stored) return Refuse(why, Truncated("the extension"));
  if (*stored != computed) return Refuse(why, "the checksum does not match: the file is damaged");
  return true;
}

std::string Describe(const std::string& path, const std::string& reason) {
  return path + ": not a usable snapshot: " + reason;
}

}  // namespace

SnapshotHeader SnapshotHeaderFromState(const std::string& dataFilePath, bool advancedMode, const EngineState& state) {
  SnapshotHeader header;
  header.dataFilePath = dataFilePath;
  header.advancedMode = advancedMode ? 1 : 0;
  header.collationAuto = state.collation.collationAuto == 0 ? 0 : 1;
  header.manualCollationId = header.collationAuto == 0 ? state.collation.manualCollationId : 0;
  header.legacyCatalog = state.legacyCatalog.load() ? 1 : 0;
  header.showDeleted = state.showDeleted.load() ? 1 : 0;
  header.showAdvancedDeleted = state.showAdvancedDeleted.load() ? 1 : 0;
  return header;
}

void ApplySnapshotHeader(const SnapshotHeader& header, EngineState& state) {
  state.collation.collationAuto = header.collationAuto == 0 ? 0 : 1;
  if (header.collationAuto == 0) state.collation.manualCollationId = header.manualCollationId;
  state.legacyCatalog = header.legacyCatalog != 0;
  state.showDeleted = header.showDeleted != 0;
  state.showAdvancedDeleted = header.showAdvancedDeleted != 0;
}

bool WriteSnapshot(const DatabaseFile& file, const SnapshotHeader& header, const std::string& snapshotPath,
                   std::string* why) {
  if (snapshotPath.empty()) return Refuse(why, "no snapshot path");
  struct stat target {};
  if (::stat(snapshotPath.c_str(), &target) == 0) {
    if (S_ISDIR(target.st_mode)) return Refuse(why, snapshotPath + ": is a folder");
    if (IsDataFile(file, target)) return Refuse(why, snapshotPath + ": is a data file of this database");
  }
  const std::vector<uint8_t> path = EncodePath(header.dataFilePath);
  if (path.size() > f::kMaxPathBytes) return Refuse(why, "the data file's path is too long for a snapshot");

  // A name of our own beside the target, so the rename stays in one file
  // system and a failure leaves the target as it was.
  static std::atomic<unsigned> sequence{0};
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = snapshotPath + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(sequence++);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return Refuse(why, snapshotPath + ": cannot be created: " + std::strerror(errno));

  SnapshotWriter out(fd);
  out.U32(static_cast<uint32_t>(path.size()));
  out.Bytes(path.data(), path.size());
  out.U8(header.advancedMode ? 1 : 0);
  out.U8(header.collationAuto ? 1 : 0);
  if (!header.collationAuto) {
    const uint64_t id = static_cast<uint64_t>(header.manualCollationId);
    out.U32(static_cast<uint32_t>(id & 0xFFFFFFFFu));
    out.U32(static_cast<uint32_t>(id >> 32));
  }
  out.U8(header.legacyCatalog ? 1 : 0);
  out.U8(header.showDeleted ? 1 : 0);
  out.U8(header.showAdvancedDeleted ? 1 : 0);
  std::vector<uint16_t> indexIds;
  WriteMap(out, file.systemPages, file.secondaryFiles, indexIds);
  WriteMap(out, file.dataPages, file.secondaryFiles, indexIds);
  WriteMap(out, file.iamPages, file.secondaryFiles, indexIds);

  out.Bytes(reinterpret_cast<const uint8_t*>(f::kExtensionMagic), f::kExtensionMagicWidth);
  out.U32(f::kExtensionVersion);
  out.U64(indexIds.size());
  for (uint16_t indexId : indexIds) out.U16(indexId);
  out.U32(out.Crc());

  bool ok = out.Flush();
  int error = out.error();
  if (ok && ::fsync(fd) != 0) ok = false, error = errno;
  if (::close(fd) != 0 && ok) ok = false, error = errno;
  if (ok && ::rename(temporary.c_str(), snapshotPath.c_str()) != 0) ok = false, error = errno;
  if (!ok) {
    ::unlink(temporary.c_str());
    return Refuse(why, snapshotPath + ": cannot be written: " + std::strerror(error));
  }
  // The rename itself is durable once the folder is.
  int folder = ::open(ParentFolder(snapshotPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

std::optional<SnapshotHeader> ReadSnapshotHeader(const std::string& snapshotPath, std::string* why) {
  ReadOnlyFile file = ReadOnlyFile::Open(snapshotPath);
  const int64_t size = file.valid() ? file.Length() : -1;
  if (size < 0) {
    Refuse(why, snapshotPath + ": cannot open: " + std::strerror(errno));
    return std::nullopt;
  }
  SnapshotReader in(file, size);
  SnapshotHeader header;
  std::string reason;
  if (!ReadHeader(in, header, &reason)) {
    Refuse(why, Describe(snapshotPath, in.ok() ? reason : "read error"));
    return std::nullopt;
  }
  return header;
}

bool LoadSnapshotMaps(const std::string& snapshotPath, DatabaseFile& file, std::string* why) {
  if (file.notifier) file.notifier->StatusText(snapshot_text::kLoading);
  // Read-only: a snapshot being loaded is never written.
  ReadOnlyFile snapshot = ReadOnlyFile::Open(snapshotPath);
  const int64_t size = snapshot.valid() ? snapshot.Length() : -1;
  if (size < 0) return Refuse(why, snapshotPath + ": cannot open: " + std::strerror(errno));

  SnapshotReader in(snapshot, size);
  SnapshotHeader header;
  PageMap systemPages, dataPages, iamPages;
  std::vector<EntryPlace> order;
  std::string reason;
  bool ok = ReadHeader(in, header, &reason) && ReadMap(in, "systemPages", systemPages, 0, order, &reason) &&
            ReadMap(in, "dataPages", dataPages, kUnknownIndexId, order, &reason) &&
            ReadMap(in, "iamPages", iamPages, kUnknownIndexId, order, &reason) && ReadExtension(in, order, &reason);
  if (!ok) return Refuse(why, Describe(snapshotPath, in.ok() ? reason : "read error"));

  const auto append = [](PageMap& into, PageMap& from) {
    if (into.empty()) {
      into = std::move(from);
      return;
    }
    for (auto& [objectId, pages] : from) {
      std::vector<MappedPage>& existing = into[objectId];
      existing.insert(existing.end(), pages.begin(), pages.end());
    }
  };
  append(file.systemPages, systemPages);
  append(file.dataPages, dataPages);
  append(file.iamPages, iamPages);
  return true;
}

OpenOptions SnapshotOpenOptions(const std::string& snapshotPath, std::shared_ptr<std::string> failure) {
  OpenOptions options;
  options.snapshotPath = snapshotPath;
  options.loadSnapshotMaps = [failure](const std::string& path, DatabaseFile& file) {
    std::string why;
    bool loaded = LoadSnapshotMaps(path, file, &why);
    if (failure) *failure = loaded ? std::string() : why;
    return loaded;
  };
  return options;
}

}  // namespace pagewright
