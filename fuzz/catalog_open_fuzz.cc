// File bytes -> a whole database opened and its catalog bootstrapped, with
// deleted rows shown and scanned for (so every record path of the catalog
// pages runs). Inputs longer than 64 pages are cut.
// Seeds: files from the catalog writer (tests/support/catalog_writer.h), e.g.
// a few tables of each layout, written with CatalogWriter::BuildFile.
#include <algorithm>
#include <cstdint>
#include <string>

#include "catalog/catalog_loader.h"
#include "storage/engine_state.h"
#include "support/temp_dir.h"

using namespace pagewright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static support::TempDir dir;
  static const std::string path = dir.File("fuzz.mdf");
  size = std::min(size, 64 * kPageSize);
  if (!support::WriteBytes(path, data, size)) return 0;
  EngineState state;
  state.showDeleted = size > 0 && (data[0] & 1);
  state.showAdvancedDeleted = size > 0 && (data[0] & 2);
  OpenedDatabase opened;
  if (OpenDatabase(path, state, nullptr, opened)) {
    // Lookups over whatever was read must hold up too.
    const DatabaseCatalog& catalog = *opened.catalog;
    for (const ObjectDef& object : catalog.objects) {
      (void)catalog.FindObject(object.name, object.type);
      (void)catalog.ColumnRowsOf(object.objectId);
    }
  }
  return 0;
}
