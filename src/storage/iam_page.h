// Index allocation map (IAM) pages: up to eight single pages and a bitmap of
// whole extents within one interval of one file.
//
// Record 0 (the IAM header record), offsets from the start of its fixed part
// (record byte 4):
//   offset width field
//   42+6k  6     single-page slot k (k = 0..7): page pointer, page number
//                (int32) then file number (int16); page 0 of file 0 is empty
// Record 1: the extent bitmap (storage/allocation_map.h). The header record's
// other fields (sequence number, status, start page) are not used: the
// interval is taken from the page's own page id.
#pragma once

#include <array>
#include <vector>

#include "storage/allocation_map.h"

namespace pagewright {

namespace iam_layout {
inline constexpr int kSinglePageSlots = 8;
inline constexpr size_t kSinglePagesOffset = 42;  // within record 0's fixed part
}  // namespace iam_layout

class IamPage : public ExtentAllocationMap {
 public:
  // Builds the map and decodes the single-page slots of record 0; slots that
  // cannot be read keep {1, 0}.
  IamPage(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* file);
  ~IamPage() override;

  // The extents set in the bitmap, ascending: extent i of the interval of the
  // page's own header page id P, in the header's file F, is
  // {F, base(P) + 8i} .. {F, base(P) + 8i + 7}. Only entries below
  // extentBitCount whose extent lies wholly within the first
  // `filePageCount` pages of the file are taken. Empty for a page whose own
  // page number is negative.
  std::vector<ExtentRange> ExtentRanges(int64_t filePageCount) const;

  std::array<PageId, iam_layout::kSinglePageSlots> singlePages;
};

}  // namespace pagewright
