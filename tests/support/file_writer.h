// FileImage: a whole synthetic data file as a list of 8 KB blocks by position,
// written to disk for the readers under test.
//
//   [ leading remainder: r bytes ][ block 0 ][ block 1 ] ... [ block n-1 ][ tail ]
//
// Block i starts at byte r + i * 8192. Blocks never set are zero-filled.
// With SetMissingLeadingPages(s) the file behaves like one whose first s
// pages were cut off: PutPage() places page N (by its own page id) at block
// N - s, so positions and page numbers differ by the shift s.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "catalog/database_file.h"
#include "storage/engine_state.h"
#include "support/page_writer.h"

namespace pagewright::support {

class FileImage {
 public:
  // Places `page` at block (its own page number - missing leading pages);
  // returns the block index, or -1 when that block would be negative.
  int64_t PutPage(const PageImage& page);
  // Places raw page bytes (padded or cut to 8192) at block `position`.
  void PutPageAt(int64_t position, const PageImage& page);
  void PutBlockAt(int64_t position, const Bytes& bytes);

  // Blocks in the file; at least one past the highest block set.
  void SetBlockCount(int64_t blocks) { blockCount_ = blocks; }
  int64_t blockCount() const;
  // Bytes before block 0 (a file whose pages do not start at byte 0).
  void SetLeadingBytes(const Bytes& bytes) { leading_ = bytes; }
  void SetLeadingRemainder(size_t length, uint8_t fill = 0) { leading_.assign(length, fill); }
  // Bytes after the last whole block (a partial page at the end).
  void SetTrailingBytes(const Bytes& bytes) { trailing_ = bytes; }
  void SetMissingLeadingPages(int32_t shift) { missingLeadingPages_ = shift; }
  int32_t missingLeadingPages() const { return missingLeadingPages_; }

  Bytes Serialize() const;
  bool WriteTo(const std::string& path) const;

 private:
  std::map<int64_t, Bytes> blocks_;
  int64_t blockCount_ = 0;
  Bytes leading_;
  Bytes trailing_;
  int32_t missingLeadingPages_ = 0;
};

// A DatabaseFile over `path` with the geometry a plain open gives: length,
// pageCount = (length - r) / 8192 and the given base offset (r or 0); no page
// maps. Null when the file cannot be opened. For tests of the page readers;
// the real open sequence lives in catalog/.
std::unique_ptr<DatabaseFile> OpenForTest(EngineState& state, const std::string& path,
                                          int64_t baseOffset = 0);
// Registers `path` as secondary file `fileId` of `database` with its length,
// page count and base offset, as the secondary-file mapping does.
DataFileDef AddSecondaryForTest(DatabaseFile& database, int16_t fileId, const std::string& path,
                                int32_t baseOffset = 0);

}  // namespace pagewright::support
