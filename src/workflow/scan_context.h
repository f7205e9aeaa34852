// ScanContext: the frame's record of the current scan. It owns the opened
// DatabaseFile and its DatabaseCatalog from one scan to the next (the next
// scan's ResetScanState releases them), the Advanced-mode byte handed to the
// loaders, the host that receives the workers' reports, and the module
// values with the flag that tells whether they were built in this scan.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "catalog/catalog_records.h"
#include "catalog/database_catalog.h"
#include "catalog/database_file.h"

namespace pagewright {

class ScanHost;

struct ScanContext {
  std::unique_ptr<DatabaseFile> file;
  std::unique_ptr<DatabaseCatalog> catalog;
  uint8_t advancedMode = 0;
  ScanHost* notifyWindow = nullptr;  // not owned
  std::vector<ModuleValue> moduleValues;
  bool moduleValuesBuilt = false;
};

}  // namespace pagewright
