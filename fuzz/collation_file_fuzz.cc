// Fuzz target: the collation file's text parsed into a table, then every id
// and name it holds looked up again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "storage/engine_state.h"
#include "values/collation_table.h"

using namespace pagewright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CollationTable table;
  ParseCollationTable(std::string(reinterpret_cast<const char*>(data), size), table);
  for (const auto& [id, entry] : table) {
    if (FindCollation(table, id) != &entry) __builtin_trap();
    if (!FindCollationByName(table, entry.name)) __builtin_trap();
  }
  return 0;
}
