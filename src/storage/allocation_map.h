// Allocation maps: pages whose second record is a bitmap of extents, and the
// walk of an index allocation map (IAM) chain into the ordered page list of
// one allocation unit.
//
// Map page records (offsets from the record's first byte):
//   record 0  header record; an IAM page keeps its single-page slots here
//             (storage/iam_page.h)
//   record 1  0      1     status byte A
//             2      2     fixedEnd
//             4      ...   the extent bitmap, fixedEnd - 4 bytes; bit b of
//                          byte k (least significant first) is extent 8k + b
//                          of the page's interval
//
// Geometry: an extent is 8 consecutive pages; an interval is 511232 pages
// (63904 extents) and starts at a multiple of 511232.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/page.h"
#include "storage/page_id.h"

namespace pagewright {

class DatabaseFile;
class IamPage;

namespace allocation_layout {
inline constexpr int32_t kPagesPerExtent = 8;
inline constexpr int32_t kExtentsPerInterval = 63904;
inline constexpr int32_t kPagesPerInterval = kPagesPerExtent * kExtentsPerInterval;  // 511232
inline constexpr size_t kBitmapBytes = kExtentsPerInterval / 8;                      // 7988
inline constexpr int kHeaderRecordSlot = 0;
inline constexpr int kBitmapRecordSlot = 1;
// Upper bound on IAM pages taken from one chain; a real chain of a 2 TB file
// needs about 8200.
inline constexpr size_t kMaxIamChainLength = 1 << 20;
}  // namespace allocation_layout

// First page of the interval that holds page `pageNo` (which must be >= 0).
inline int32_t IntervalBase(int32_t pageNo) {
  return (pageNo / allocation_layout::kPagesPerInterval) * allocation_layout::kPagesPerInterval;
}

class ExtentAllocationMap : public PrimaryRecordPage {
 public:
  // Builds the page, parses its records as every record page does
  // (storage/record.h) and expands record 1's bitmap into extentBits; a page
  // with fewer than two records or a bitmap record without a fixed part keeps
  // an empty map.
  ExtentAllocationMap(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* file);
  ~ExtentAllocationMap() override;

  // The fixed part of the record in `slot`: null when the slot has no record,
  // the record is bad or it has no fixed data.
  const std::vector<uint8_t>* RecordFixedPart(int slot) const;

  // One byte per bitmap bit (0 or 1), kExtentsPerInterval entries; only the
  // first extentBitCount are filled.
  std::vector<uint8_t> extentBits;
  int32_t extentBitCount = 0;
};

// One extent: first and last page, same file, last = first + 7.
struct ExtentRange {
  PageId first;
  PageId last;
  friend bool operator==(const ExtentRange&, const ExtentRange&) = default;
};

// The pages first..last inclusive; empty when the range spans two files, runs
// backwards or is longer than one extent.
std::vector<PageId> ExpandExtent(const ExtentRange& range);

// Where an IAM walk gets its pages and limits. DatabaseFile has one below;
// tests feed fake pages.
class IamPageSource {
 public:
  virtual ~IamPageSource() = default;
  // The IAM page, or null when it cannot be read.
  virtual std::unique_ptr<IamPage> ReadIamPage(PageId id) const = 0;
  // Pages in file `fileId`; 0 when the file is unknown.
  virtual int64_t FilePageCount(int16_t fileId) const = 0;
  virtual bool StopRequested() const = 0;
};

class DatabaseFileIamSource final : public IamPageSource {
 public:
  explicit DatabaseFileIamSource(const DatabaseFile& file) : file_(file) {}
  std::unique_ptr<IamPage> ReadIamPage(PageId id) const override;
  int64_t FilePageCount(int16_t fileId) const override;
  bool StopRequested() const override;

 private:
  const DatabaseFile& file_;
};

// Walks the IAM chain that starts at `firstIam` through the pages' nextPage
// pointers and appends the pages it maps to `pages`: per IAM page its single
// pages in slot order, then its extents ascending, each extent's pages
// ascending. Not sorted across IAM pages; duplicates kept. The walk ends at a
// page number 0, a page that cannot be read, an IAM page met before, or a
// stop request; what was gathered stays in `pages`.
void CollectIamPages(PageId firstIam, const IamPageSource& source, std::vector<PageId>& pages);

// The same for a file of the SQL Server 2000 layout, whose IAM pages are not
// followed through nextPage: `iamPageIds` (the IAM pages the mapping scan
// recorded for the object, in that order) are each taken once.
void CollectLegacyIamPages(const std::vector<PageId>& iamPageIds, const IamPageSource& source,
                           std::vector<PageId>& pages);

// The loader's entry: with the file's legacyCatalog flag set, the IAM pages
// recorded in file.iamPages for `objectId`; otherwise the chain from
// `firstIam`.
void CollectIamPages(PageId firstIam, int32_t objectId, const DatabaseFile& file,
                     std::vector<PageId>& pages);

}  // namespace pagewright
