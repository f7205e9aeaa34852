// The collation table: which collation id means which collation name and
// 8-bit code page, loaded from "collation.txt" beside the executable, and the
// selection of the database collation when a boot page is read.
//
// File format: one entry per line (LF or CR LF), 8-bit text:
//   name TAB id TAB codePage
// Each number: leading white space, an optional sign, decimal digits, up to
// the first other character; no digits read as 0. The id is a 32-bit value
// (digits beyond its range wrap modulo 2^32, so an id written unsigned reads
// as the signed value the server stores), widened with its sign to the 64-bit
// key. A later line with the same id replaces the earlier one. Lines that are
// empty, have no TAB, or nothing (or no second TAB) after the first TAB are
// skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "storage/engine_state.h"

namespace pagewright {

inline constexpr const char* kCollationFileName = "collation.txt";

// Fills `table` from folder + "collation.txt" (a "/" is put between them when
// `folder` does not end in one). When the file cannot be opened the table is
// left as it was and the result is false; no message is given.
bool LoadCollationTable(const std::string& folder, CollationTable& table);
// Parses the text of a collation file into `table`; the same rules.
void ParseCollationTable(const std::string& text, CollationTable& table);

// Selects the database collation for boot-page collation id `bootPageId`:
// in automatic mode the id widened with its sign, and when that is absent its
// low 16 bits; in manual mode `manualCollationId`. When an entry is found,
// activeCollationId, collationKnown, activeCodePage and collationName take
// its values and the result is true; otherwise nothing changes.
bool SelectDatabaseCollation(EngineState& state, int32_t bootPageId);

// Exact lookup; null when the id is not in the table.
const CollationEntry* FindCollation(const CollationTable& table, int64_t id);
// The id of the collation named `name` (ASCII case-insensitive); nothing
// when no entry has that name.
std::optional<int64_t> FindCollationByName(const CollationTable& table, const std::string& name);

// The folder of the running program, ending in "/", from /proc/self/exe;
// empty when it cannot be found.
std::string ExecutableFolder();

}  // namespace pagewright
