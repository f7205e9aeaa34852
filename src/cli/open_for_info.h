// Opening a data file for the console commands. CheckDataFilePath gives the
// user a precise reason before the open sequence runs (which only knows
// "cannot be open" and "not valid"); OpenForInfo is the plain open of the
// page command, which reads single pages and needs no page maps.
#pragma once

#include <memory>
#include <string>

#include "catalog/database_file.h"
#include "storage/engine_state.h"

namespace pagewright::cli {

struct OpenOutcome {
  std::unique_ptr<DatabaseFile> file;  // null on failure
  std::string error;                   // sentence for stderr when file is null
};

// Why `path` cannot be a data file: it does not exist, is a directory,
// cannot be opened for reading, or is shorter than one page. Empty when it
// may be one. Each reason is a sentence that names the path.
std::string CheckDataFilePath(const std::string& path);

// Opens `path` read-only: refuses a missing path, a directory, anything that
// cannot be read, and a file shorter than one page. Page count = whole pages
// after the remainder r = length mod 8192; base offset from the alignment
// probe (r or 0); no page maps.
OpenOutcome OpenForInfo(const std::string& path, EngineState& state);

}  // namespace pagewright::cli
