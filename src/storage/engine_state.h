// EngineState: the flags and choices that engine loops read. The application
// object owns one; engine code receives it by reference (usually through the
// DatabaseFile it reads), never through a global. Tests make their own.
//
// Flags that a user-interface thread may write while a worker reads them are
// atomics; the rest are written only while no worker runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

namespace pagewright {

struct CollationEntry {
  std::string name;  // UTF-8
  int32_t codePage = 0;
};

// The collation table, ordered by 64-bit collation id.
using CollationTable = std::map<int64_t, CollationEntry>;

struct CollationState {
  uint8_t collationAuto = 1;       // 1: from the data file; 0: manualCollationId
  int64_t manualCollationId = 0;
  uint8_t collationKnown = 0;
  int64_t activeCollationId = -1;
  int32_t activeCodePage = 1252;
  std::string collationName;       // UTF-8; empty shows as "Unknown Collation"
};

struct EngineState {
  // Stop request, polled between pages, records, catalog rows and screens.
  std::atomic<bool> cancelFlag{false};
  // Deleted-record options of the recovery settings.
  std::atomic<bool> showDeleted{false};
  std::atomic<bool> showAdvancedDeleted{false};
  // The opened file uses the SQL Server 2000 catalog layout.
  std::atomic<bool> legacyCatalog{false};
  // The first screen of a table is loading: large values show placeholders.
  std::atomic<bool> tableLoadActive{false};

  // The 8-bit default code page used when a column's collation is unknown.
  int32_t defaultAnsiCodePage = 1252;

  CollationTable collations;
  CollationState collation;

  // Release name of the last boot page read (" SQL Server 2008", ...).
  std::string databaseVersionText;
};

}  // namespace pagewright
