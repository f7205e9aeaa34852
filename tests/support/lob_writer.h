// LOB writer: text-page records holding LOB tree nodes (storage/lob_node.h),
// the row-side pointers that lead to them (storage/lob.h), a store that lays
// whole values out over text pages, and a fake page source for the LOB reader.
//
// Nodes are built as the server lays them out: a SmallRoot or a LargeRoot
// node is padded to 80 bytes (record length 84); data fragments and internal
// nodes are as long as their content.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "storage/lob.h"
#include "storage/text_mix_page.h"
#include "support/page_writer.h"

namespace pagewright::support {

inline constexpr size_t kRootNodePadding = 80;
// Data bytes per fragment that 2005 and later servers write (2000: 8080).
inline constexpr size_t kFragmentSize = 8040;

// A link of a root or internal node, or an entry of an in-row root.
struct LobChild {
  int64_t endOffset = 0;  // cumulative end of the child's data within the value
  PageId page;
  int16_t slot = 0;
};

// --- Nodes (a TextRecord's fixed part) ----------------------------------
Bytes SmallRootNode(uint64_t blobId, const Bytes& data);
// A SmallRoot whose stored data length differs from the data written.
Bytes SmallRootNodeWithLength(uint64_t blobId, int16_t storedLength, const Bytes& data);
Bytes DataNode(uint64_t blobId, const Bytes& data);
Bytes InternalNode(uint64_t blobId, uint16_t level, const std::vector<LobChild>& links);
// nodeType 5 (2005 and later), 4 (SQL Server 2000) or 6.
Bytes LargeRootNode(uint64_t blobId, uint16_t level, const std::vector<LobChild>& links,
                    uint16_t nodeType = 5);
// A node of any type with the given bytes after the 10-byte header.
Bytes RawNode(uint64_t blobId, uint16_t nodeType, const Bytes& body);

// The record around a node: status 0x08 (LOB fragment), 0, fixedEnd, node.
Bytes LobRecord(const Bytes& node);

// --- Row-side pointers ---------------------------------------------------
Bytes TextPointer(PageId root, int16_t slot, uint64_t timestamp = 0);
// A complex column: 12-byte header (kind, level), then one 12-byte entry per
// child: end offset or size, page, file, slot.
Bytes ComplexPointer(uint8_t kind, const std::vector<LobChild>& entries, uint8_t level = 0);

// --- A store of text pages ------------------------------------------------
// Appends node records to text pages, opening a new page (next page number)
// when one is full.
class LobStore {
 public:
  explicit LobStore(PageId firstPage = PageId{1, 100}, int32_t objectId = 0);

  // Places a node; returns where it lies.
  LobChild Add(const Bytes& node);
  // A whole value as its server would store it: a SmallRoot up to
  // `smallLimit` bytes, else data fragments of `fragmentSize` under a
  // LargeRoot (type `rootType`), with one level of Internal nodes of
  // `internalFanOut` links when `withInternal`.
  LobChild StoreValue(const Bytes& value, uint64_t blobId, bool withInternal = false,
                      size_t fragmentSize = kFragmentSize, uint16_t rootType = 5,
                      size_t internalFanOut = 4, size_t smallLimit = 64);
  // Data fragments only, as an in-row root or row-overflow pointer uses them;
  // returns the entries with cumulative end offsets.
  std::vector<LobChild> StoreFragments(const Bytes& value, uint64_t blobId, size_t fragmentSize = kFragmentSize);

  std::vector<PageImage>& pages() { return pages_; }
  const std::vector<PageImage>& pages() const { return pages_; }

 private:
  PageImage& PageWithRoom(size_t recordSize);
  PageId nextPage_;
  int32_t objectId_;
  std::vector<PageImage> pages_;
};

// --- A fake page source -----------------------------------------------------
// Serves text pages from images by page id; counts reads.
class FakeLobPages : public LobPageSource {
 public:
  FakeLobPages() = default;
  explicit FakeLobPages(const std::vector<PageImage>& pages) { for (const auto& page : pages) Put(page); }

  void Put(const PageImage& page) { pages_[page.pageId()] = page.bytes(); }
  void PutBytes(PageId id, const Bytes& bytes) { pages_[id] = bytes; }
  Bytes* Find(PageId id);
  std::unique_ptr<TextMixPage> ReadTextPage(PageId id) const override;
  const EngineState* state() const override { return state_; }
  void SetState(const EngineState* state) { state_ = state; }
  size_t reads() const { return reads_; }

 private:
  std::map<PageId, Bytes> pages_;
  const EngineState* state_ = nullptr;
  mutable size_t reads_ = 0;
};

}  // namespace pagewright::support
