// PageId: the address of one page, file number first in memory. On disk a page
// pointer is 6 bytes the other way round: page number (int32) then file number
// (int16).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "storage/byte_view.h"

namespace pagewright {

inline constexpr size_t kPagePointerSize = 6;

struct PageId {
  int16_t fileId = 0;
  int32_t pageNo = 0;

  friend bool operator==(const PageId&, const PageId&) = default;
  friend auto operator<=>(const PageId& a, const PageId& b) {
    if (a.fileId != b.fileId) return a.fileId <=> b.fileId;
    return a.pageNo <=> b.pageNo;
  }

  std::string ToString() const { return std::to_string(fileId) + ":" + std::to_string(pageNo); }
};

// Decodes an on-disk page pointer at `offset`; nothing when it does not fit.
inline std::optional<PageId> ReadPagePointer(ByteView bytes, size_t offset) {
  auto page = bytes.i32_at(offset);
  auto file = bytes.i16_at(offset + 4);
  if (!page || !file) return std::nullopt;
  return PageId{*file, *page};
}

}  // namespace pagewright
