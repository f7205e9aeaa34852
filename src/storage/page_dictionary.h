// The page dictionary of a page-compressed page: values shared by the rows
// of the page, referred to by CD code 12 and a one-byte entry number.
//
// Layout (little-endian, offsets from the dictionary's first byte):
//   offset        width        field
//   0             2            entryCount
//   2             2 x count    end offset of each entry, cumulative, measured
//                              from the dictionary's first byte
//   2 + 2 x count ...          entry bytes; entry 0 starts here, entry k at
//                              the end offset of entry k - 1
//
// Entries hold the bytes after prefix compression: for a column with an
// anchor value an entry begins with the prefix length; otherwise it is the
// plain row-compressed value. The referring column decides how to read it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "storage/byte_view.h"

namespace pagewright {

namespace page_dictionary_layout {
inline constexpr size_t kEntryCount = 0;
inline constexpr size_t kOffsets = 2;
inline constexpr size_t kOffsetWidth = 2;
}  // namespace page_dictionary_layout

struct PageDictionary {
  std::vector<std::vector<uint8_t>> entries;  // in entry order
  // Entries the count announced but the bytes could not give (offsets out of
  // order or beyond the dictionary); symbols for them are unreadable.
  uint16_t missingEntries = 0;

  // Entry `symbol`, or nothing when there is no such entry.
  const std::vector<uint8_t>* Entry(size_t symbol) const {
    return symbol < entries.size() ? &entries[symbol] : nullptr;
  }
};

// Parses a dictionary whose bytes are exactly `bytes` (from its first byte to
// the end of the compression information). Entries are read in order until an
// end offset runs backwards or past the end; the rest count as missing.
// Nothing when not even the entry count and offset table fit.
std::optional<PageDictionary> ParsePageDictionary(ByteView bytes);

}  // namespace pagewright
