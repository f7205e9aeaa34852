#include "support/file_writer.h"

#include <algorithm>

#include "support/temp_dir.h"

namespace pagewright::support {

int64_t FileImage::PutPage(const PageImage& page) {
  int64_t position = static_cast<int64_t>(page.pageId().pageNo) - missingLeadingPages_;
  if (position < 0) return -1;
  PutPageAt(position, page);
  return position;
}

void FileImage::PutPageAt(int64_t position, const PageImage& page) { PutBlockAt(position, page.bytes()); }

void FileImage::PutBlockAt(int64_t position, const Bytes& bytes) {
  Bytes block = bytes;
  block.resize(kPageSize, 0);
  blocks_[position] = std::move(block);
}

int64_t FileImage::blockCount() const {
  int64_t highest = blocks_.empty() ? 0 : blocks_.rbegin()->first + 1;
  return std::max(highest, blockCount_);
}

Bytes FileImage::Serialize() const {
  int64_t blocks = blockCount();
  Bytes out(leading_);
  out.resize(leading_.size() + static_cast<size_t>(blocks) * kPageSize, 0);
  for (const auto& [position, block] : blocks_) {
    if (position < 0) continue;
    std::copy(block.begin(), block.end(),
              out.begin() + static_cast<std::ptrdiff_t>(leading_.size() + static_cast<size_t>(position) * kPageSize));
  }
  out.insert(out.end(), trailing_.begin(), trailing_.end());
  return out;
}

bool FileImage::WriteTo(const std::string& path) const {
  Bytes bytes = Serialize();
  return WriteBytes(path, bytes.data(), bytes.size());
}

std::unique_ptr<DatabaseFile> OpenForTest(EngineState& state, const std::string& path, int64_t baseOffset) {
  auto database = std::make_unique<DatabaseFile>(state);
  database->primary = ReadOnlyFile::Open(path);
  if (!database->primary.valid()) return nullptr;
  database->path = path;
  database->fileLength = database->primary.Length();
  int64_t remainder = database->fileLength % static_cast<int64_t>(kPageSize);
  database->pageCount = (database->fileLength - remainder) / static_cast<int64_t>(kPageSize);
  database->baseOffset = baseOffset;
  database->isOpen = true;
  return database;
}

DataFileDef AddSecondaryForTest(DatabaseFile& database, int16_t fileId, const std::string& path,
                                int32_t baseOffset) {
  DataFileDef def;
  def.fileId = fileId;
  def.fileName = path;
  ReadOnlyFile file = ReadOnlyFile::Open(path);
  def.fileLength = file.valid() ? file.Length() : 0;
  int64_t remainder = def.fileLength % static_cast<int64_t>(kPageSize);
  def.pageCount = (def.fileLength - remainder) / static_cast<int64_t>(kPageSize);
  def.baseOffset = baseOffset;
  database.secondaryFiles[fileId] = def;
  return def;
}

}  // namespace pagewright::support
