// Page bytes -> a data page with every slot's record built, forwarding stubs
// read from a one-page file of the same bytes, deleted-record scan on.
// Seeds: page images from the record writer (tests/support/record_writer.h).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog/database_file.h"
#include "storage/record.h"
#include "support/temp_dir.h"

using namespace pagewright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Stubs pointing at 1:1 reach the same bytes through a real file read.
  static support::TempDir dir;
  static const std::string path = dir.File("fuzz.mdf");
  PageBuffer page(kPageSize, 0);
  std::copy(data, data + std::min(size, kPageSize), page.begin());
  PageBuffer file(2 * kPageSize, 0);
  std::copy(page.begin(), page.end(), file.begin() + kPageSize);
  if (!support::WriteBytes(path, file.data(), file.size())) return 0;

  EngineState state;
  state.showDeleted = size > 0 && (data[0] & 1);
  state.showAdvancedDeleted = true;
  DatabaseFile database(state);
  database.primary = ReadOnlyFile::Open(path);
  database.fileLength = static_cast<int64_t>(file.size());
  database.pageCount = 2;
  auto built = database.ReadDataPage(PageId{1, 1});
  if (built) {
    // A kept copy of a record is exactly its length.
    for (const auto& record : built->records)
      if (auto* row = dynamic_cast<CPrimaryRecord*>(record.get());
          row && !row->isCompressed && !row->rawRecord.empty() &&
          row->rawRecord.size() != static_cast<size_t>(row->recordLength))
        std::abort();
  }
  return 0;
}
