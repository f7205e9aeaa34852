// Page reads of DatabaseFile: addressing, refusals and the LOB shift correction.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "catalog/database_file.h"
#include "storage/iam_page.h"
#include "storage/text_mix_page.h"

namespace pagewright {

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
    readObserver_ = std::move(other.readObserver_);
  }
  return *this;
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

ReadOnlyFile ReadOnlyFile::Open(const std::string& path) {
  if (path.empty()) return ReadOnlyFile();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ReadOnlyFile();
  struct stat info {};
  // A directory opens read-only on Linux but is no data file.
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return ReadOnlyFile();
  }
  return ReadOnlyFile(fd);
}

int64_t ReadOnlyFile::Length() const {
  if (fd_ < 0) return -1;
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

size_t ReadOnlyFile::ReadAt(int64_t offset, uint8_t* out, size_t length) const {
  if (fd_ < 0 || offset < 0) return 0;
  if (readObserver_) readObserver_(offset, length);
  size_t done = 0;
  while (done < length) {
    ssize_t got = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

DatabaseFile::~DatabaseFile() = default;

namespace {

// Offset of page `pageNo` of a file, or nothing when the page is refused.
std::optional<int64_t> PageOffset(int32_t pageNo, bool allowPageZero, int64_t pageCount,
                                  int64_t base, int64_t length) {
  if (pageNo < 0 || (pageNo == 0 && !allowPageZero)) return std::nullopt;
  if (static_cast<int64_t>(pageNo) > pageCount) return std::nullopt;
  int64_t offset = base + static_cast<int64_t>(pageNo) * static_cast<int64_t>(kPageSize);
  if (offset > length || offset < 0) return std::nullopt;
  return offset;
}

// A zero-filled page buffer, or null when memory runs out: readers report a
// failed allocation like any other refusal.
std::unique_ptr<PageBuffer> NewPageBuffer() {
  try {
    return std::make_unique<PageBuffer>(kPageSize, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

std::unique_ptr<PageBuffer> DatabaseFile::ReadPage(PageId id, bool allowPageZero) const {
  if (id.fileId <= 0) return nullptr;
  if (id.fileId == 1) {
    auto offset = PageOffset(id.pageNo, allowPageZero, pageCount, baseOffset, fileLength);
    if (!offset || !primary.valid()) return nullptr;
    auto buffer = NewPageBuffer();
    if (!buffer) return nullptr;
    // A page partly past the end of the file keeps zeros in the unread part.
    primary.ReadAt(*offset, buffer->data(), kPageSize);
    return buffer;
  }
  auto entry = secondaryFiles.find(id.fileId);
  if (entry == secondaryFiles.end() || entry->second.fileName.empty()) return nullptr;
  const DataFileDef& def = entry->second;
  auto offset = PageOffset(id.pageNo, allowPageZero, def.pageCount, static_cast<int64_t>(def.baseOffset),
                           def.fileLength);
  if (!offset) return nullptr;
  ReadOnlyFile secondary = ReadOnlyFile::Open(def.fileName);
  if (!secondary.valid()) return nullptr;
  auto buffer = NewPageBuffer();
  if (!buffer) return nullptr;
  secondary.ReadAt(*offset, buffer->data(), kPageSize);
  return buffer;
}

std::optional<CPage_Header> DatabaseFile::ReadPageHeader(PageId id) const {
  auto buffer = ReadPage(id);
  if (!buffer) return std::nullopt;
  return CPage_Header::Decode(buffer->data(), buffer->size());
}

std::optional<CPage_Header> DatabaseFile::LoadPageHeader(PageId id) {
  auto buffer = ReadPage(id);
  if (!buffer) return std::nullopt;
  currentPage_ = std::move(*buffer);
  return CPage_Header::Decode(currentPage_.data(), currentPage_.size());
}

std::unique_ptr<IamPage> DatabaseFile::ReadIamPage(PageId id) const {
  auto buffer = ReadPage(id);
  if (!buffer) return nullptr;
  return std::make_unique<IamPage>(std::move(buffer), this);
}

std::unique_ptr<TextMixPage> DatabaseFile::ReadTextPage(PageId id) const {
  PageId target = id;
  if (auto header = ReadPageHeader(id)) {
    // A file with missing leading pages holds page N at position N - shift.
    int64_t shift = static_cast<int64_t>(header->pageId.pageNo) - id.pageNo;
    int64_t corrected = static_cast<int64_t>(id.pageNo) - shift;
    if (corrected < INT32_MIN || corrected > INT32_MAX) return nullptr;
    target.pageNo = static_cast<int32_t>(corrected);
  }
  auto buffer = ReadPage(target);
  if (!buffer) return nullptr;
  return std::make_unique<TextMixPage>(std::move(buffer), this);
}

}  // namespace pagewright
