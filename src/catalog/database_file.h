// DatabaseFile: one opened database — the primary file, its secondary files,
// the page maps built by the mapping scan, and every page read.
//
// Page reads return null on any refusal and never report a message. Files are
// opened O_RDONLY and read with pread, so reads share no file position; the
// "current page" buffer is the only mutable state a read touches.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "storage/engine_state.h"
#include "storage/page.h"
#include "storage/page_header.h"
#include "storage/page_id.h"

namespace pagewright {

class DatabaseCatalog;
class IamPage;
class OpenNotifier;
class TextMixPage;

// One entry of the page maps. On disk (snapshot file) it is 10 packed bytes:
//   offset width field
//   0      2     fileId
//   2      4     position   8 KB block index counted from the file's base offset
//   6      4     pageType   header byte 1
// In memory the page header's index id (bytes 6-7) is kept beside it: in files
// of 2005 and later, a page's owner is the pair (object id, index id).
struct MappedPage {
  int16_t fileId = 0;
  int32_t position = 0;
  int32_t pageType = 0;
  uint16_t indexId = 0;

  PageId pageId() const { return PageId{fileId, position}; }
  friend bool operator==(const MappedPage&, const MappedPage&) = default;
};
inline constexpr size_t kMappedPageDiskSize = 10;
// The index id of an entry whose header index id is not known (page maps from
// a snapshot that does not carry them): its owner is compared by object id
// alone.
inline constexpr uint16_t kUnknownIndexId = 0xFFFF;

struct DataFileDef {
  int32_t status = 0;
  int16_t fileId = 0;
  std::string logicalName;  // UTF-8
  std::string fileName;     // full path used to open the file
  int64_t fileLength = 0;
  int64_t pageCount = 0;
  int32_t baseOffset = 0;
};

using PageMap = std::map<int32_t, std::vector<MappedPage>>;

// Told of every read of a file: the offset and the byte count asked for.
using ReadObserver = std::function<void(int64_t offset, size_t length)>;

// An open read-only file descriptor, closed on destruction.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  explicit ReadOnlyFile(int fd) : fd_(fd) {}
  ReadOnlyFile(ReadOnlyFile&& other) noexcept : fd_(other.fd_), readObserver_(std::move(other.readObserver_)) {
    other.fd_ = -1;
  }
  ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile();

  // Opens `path` with O_RDONLY; an invalid file when it cannot be opened.
  static ReadOnlyFile Open(const std::string& path);
  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // Length in bytes, or -1.
  int64_t Length() const;
  // Reads up to `length` bytes at `offset`; returns the count read (short at
  // the end of the file, 0 on error).
  size_t ReadAt(int64_t offset, uint8_t* out, size_t length) const;
  // Every later ReadAt is reported to `observer` first (diagnostics: which
  // parts of a file an operation reads).
  void SetReadObserver(ReadObserver observer) { readObserver_ = std::move(observer); }

 private:
  int fd_ = -1;
  ReadObserver readObserver_;
};

class DatabaseFile {
 public:
  explicit DatabaseFile(EngineState& state) : state_(&state) {}
  DatabaseFile(const DatabaseFile&) = delete;
  DatabaseFile& operator=(const DatabaseFile&) = delete;
  ~DatabaseFile();

  EngineState& state() const { return *state_; }

  // The 8192 bytes of a page, zero where the file ended; null on refusal:
  // file 0 or negative, an unknown or unnamed or unopenable secondary file, a
  // page number not above 0 (0 only with `allowPageZero`), a page number above
  // the page count, or an offset beyond the file length.
  std::unique_ptr<PageBuffer> ReadPage(PageId id, bool allowPageZero = false) const;
  // Reads the page and decodes its header; the buffer is released.
  std::optional<CPage_Header> ReadPageHeader(PageId id) const;
  // Reads the page into the current-page buffer and decodes its header.
  std::optional<CPage_Header> LoadPageHeader(PageId id);
  // The buffer of the last page LoadPageHeader, ReadDataPage or
  // ReadCatalogPage read (empty before any).
  const PageBuffer& currentPage() const { return currentPage_; }

  // A data page with every slot's record built; null on refusal.
  std::unique_ptr<CDataPage> ReadDataPage(PageId id);
  // As ReadDataPage, but page 0 is accepted.
  std::unique_ptr<CDataPage> ReadCatalogPage(PageId id);
  std::unique_ptr<IamPage> ReadIamPage(PageId id) const;
  // The LOB page reader with the shift correction: the page whose own page id
  // says it is `id`, found by the displacement of the requested page's header.
  std::unique_ptr<TextMixPage> ReadTextPage(PageId id) const;

  // Primary file.
  ReadOnlyFile primary;
  std::string path;
  int64_t fileLength = 0;
  int64_t pageCount = 0;
  int64_t baseOffset = 0;
  std::string databaseName;  // UTF-8

  PageMap systemPages;
  PageMap dataPages;
  PageMap iamPages;
  std::map<int16_t, DataFileDef> secondaryFiles;

  DatabaseCatalog* catalog = nullptr;  // set by OpenDatabase; not owned
  // Receives the status, progress and error reports of the open sequence
  // (catalog/open_notifier.h); may be null. Not owned.
  OpenNotifier* notifier = nullptr;
  bool isOpen = false;

 private:
  EngineState* state_;
  PageBuffer currentPage_;
};

}  // namespace pagewright
