// IAM page writer: index allocation map pages with single-page slots and an
// extent bitmap, laid out as the server writes them (storage/iam_page.h,
// storage/allocation_map.h) and placed with PageImage.
//
//   record 0  status 0, fixedEnd 94: 90-byte header, single-page slot k at
//             fixed-part bytes 42 + 6k; column count 0
//   record 1  status 0, fixedEnd 4 + bitmap size (7992 for a full bitmap):
//             the extent bitmap; column count 0
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "storage/iam_page.h"
#include "support/page_writer.h"

namespace pagewright::support {

struct IamSpec {
  PageId pageId{1, 0};  // the page's own page id (its interval comes from it)
  int32_t objectId = 0;
  PageId nextPage{0, 0};
  PageId prevPage{0, 0};
  // Empty slots are page 0 of file 0, as the server leaves them.
  std::array<PageId, iam_layout::kSinglePageSlots> singlePages{};
  // Extent numbers within the page's interval whose bitmap bit is set.
  std::vector<int32_t> extents;
  size_t bitmapBytes = allocation_layout::kBitmapBytes;
};

inline constexpr size_t kIamHeaderFixedLength = 90;

// The header record (record 0) with the given single pages.
Bytes IamHeaderRecord(const std::array<PageId, iam_layout::kSinglePageSlots>& singlePages);
// The bitmap record (record 1): `bitmapBytes` bytes with the bits of `extents` set.
Bytes IamBitmapRecord(const std::vector<int32_t>& extents, size_t bitmapBytes);
// A whole IAM page (type 10) with both records.
PageImage BuildIamPage(const IamSpec& spec);

}  // namespace pagewright::support
