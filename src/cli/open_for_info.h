// Opening a data file for the console commands that read single pages or the
// boot page (info, page). This is the one call to swap for the full open
// sequence (alignment probe, mapping scan) once it exists; the commands only
// need a DatabaseFile whose page reads work.
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

// Opens `path` read-only: refuses a missing path, a directory, anything that
// cannot be read, and a file shorter than one page. Page count = whole pages
// after the remainder r = length mod 8192; base offset 0; no page maps.
OpenOutcome OpenForInfo(const std::string& path, EngineState& state);

}  // namespace pagewright::cli
