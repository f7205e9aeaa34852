#include "support/lob_writer.h"

#include <algorithm>

namespace pagewright::support {

namespace {

void AppendPagePointer(Bytes& out, PageId page) {
  AppendU32(out, static_cast<uint32_t>(page.pageNo));
  AppendU16(out, static_cast<uint16_t>(page.fileId));
}

Bytes NodeHeader(uint64_t blobId, uint16_t nodeType) {
  Bytes node;
  AppendU64(node, blobId);
  AppendU16(node, nodeType);
  return node;
}

void Pad(Bytes& node, size_t length) {
  if (node.size() < length) node.resize(length, 0);
}

}  // namespace

Bytes SmallRootNode(uint64_t blobId, const Bytes& data) {
  return SmallRootNodeWithLength(blobId, static_cast<int16_t>(data.size()), data);
}

Bytes SmallRootNodeWithLength(uint64_t blobId, int16_t storedLength, const Bytes& data) {
  Bytes node = NodeHeader(blobId, lob_node_type::kSmallRoot);
  AppendU16(node, static_cast<uint16_t>(storedLength));
  AppendU32(node, 0);
  AppendBytes(node, data);
  Pad(node, kRootNodePadding);
  return node;
}

Bytes DataNode(uint64_t blobId, const Bytes& data) {
  Bytes node = NodeHeader(blobId, lob_node_type::kData);
  AppendBytes(node, data);
  return node;
}

Bytes InternalNode(uint64_t blobId, uint16_t level, const std::vector<LobChild>& links) {
  Bytes node = NodeHeader(blobId, lob_node_type::kInternal);
  AppendU16(node, 501);  // maximum links
  AppendU16(node, static_cast<uint16_t>(links.size()));
  AppendU16(node, level);
  for (const LobChild& link : links) {
    AppendU64(node, static_cast<uint64_t>(link.endOffset));
    AppendPagePointer(node, link.page);
    AppendU16(node, static_cast<uint16_t>(link.slot));
  }
  return node;
}

Bytes LargeRootNode(uint64_t blobId, uint16_t level, const std::vector<LobChild>& links, uint16_t nodeType) {
  Bytes node = NodeHeader(blobId, nodeType);
  AppendU16(node, 5);  // maximum links
  AppendU16(node, static_cast<uint16_t>(links.size()));
  AppendU16(node, level);
  AppendU32(node, 0);
  for (const LobChild& link : links) {
    AppendU32(node, static_cast<uint32_t>(link.endOffset));
    AppendPagePointer(node, link.page);
    AppendU16(node, static_cast<uint16_t>(link.slot));
  }
  Pad(node, kRootNodePadding);
  return node;
}

Bytes RawNode(uint64_t blobId, uint16_t nodeType, const Bytes& body) {
  Bytes node = NodeHeader(blobId, nodeType);
  AppendBytes(node, body);
  return node;
}

Bytes LobRecord(const Bytes& node) {
  Bytes record;
  AppendU8(record, static_cast<uint8_t>(record_type::kLobFragment << record_layout::kTypeShift));
  AppendU8(record, 0);
  AppendU16(record, static_cast<uint16_t>(record_layout::kFixedData + node.size()));
  AppendBytes(record, node);
  return record;
}

Bytes TextPointer(PageId root, int16_t slot, uint64_t timestamp) {
  Bytes pointer;
  AppendU64(pointer, timestamp);
  AppendPagePointer(pointer, root);
  AppendU16(pointer, static_cast<uint16_t>(slot));
  return pointer;
}

Bytes ComplexPointer(uint8_t kind, const std::vector<LobChild>& entries, uint8_t level) {
  Bytes pointer;
  AppendU8(pointer, kind);
  AppendU8(pointer, level);
  pointer.resize(lob_pointer_layout::kComplexHeaderSize, 0);
  for (const LobChild& entry : entries) {
    AppendU32(pointer, static_cast<uint32_t>(entry.endOffset));
    AppendPagePointer(pointer, entry.page);
    AppendU16(pointer, static_cast<uint16_t>(entry.slot));
  }
  return pointer;
}

LobStore::LobStore(PageId firstPage, int32_t objectId) : nextPage_(firstPage), objectId_(objectId) {}

PageImage& LobStore::PageWithRoom(size_t recordSize) {
  if (!pages_.empty()) {
    const PageImage& last = pages_.back();
    ByteView bytes(last.bytes());
    size_t freeData = bytes.u16_or(page_layout::kFreeData);
    size_t slotArrayStart = kPageSize - 2 * static_cast<size_t>(last.slotCount()) - 2;
    if (freeData + recordSize <= slotArrayStart) return pages_.back();
  }
  PageImage page(page_type::kText, nextPage_);
  page.SetObjectId(objectId_);
  page.SetIndexId(255);
  pages_.push_back(page);
  ++nextPage_.pageNo;
  return pages_.back();
}

LobChild LobStore::Add(const Bytes& node) {
  Bytes record = LobRecord(node);
  PageImage& page = PageWithRoom(record.size());
  int slot = page.AddRecord(record);
  return LobChild{0, page.pageId(), static_cast<int16_t>(slot)};
}

std::vector<LobChild> LobStore::StoreFragments(const Bytes& value, uint64_t blobId, size_t fragmentSize) {
  std::vector<LobChild> entries;
  for (size_t start = 0; start < value.size(); start += fragmentSize) {
    size_t end = std::min(value.size(), start + fragmentSize);
    LobChild child = Add(DataNode(blobId, Bytes(value.begin() + start, value.begin() + end)));
    child.endOffset = static_cast<int64_t>(end);
    entries.push_back(child);
  }
  return entries;
}

LobChild LobStore::StoreValue(const Bytes& value, uint64_t blobId, bool withInternal, size_t fragmentSize,
                              uint16_t rootType, size_t internalFanOut, size_t smallLimit) {
  if (value.size() <= smallLimit) return Add(SmallRootNode(blobId, value));
  std::vector<LobChild> fragments = StoreFragments(value, blobId, fragmentSize);
  if (!withInternal) return Add(LargeRootNode(blobId, 0, fragments, rootType));
  std::vector<LobChild> internals;
  for (size_t start = 0; start < fragments.size(); start += internalFanOut) {
    size_t end = std::min(fragments.size(), start + internalFanOut);
    std::vector<LobChild> links(fragments.begin() + start, fragments.begin() + end);
    LobChild internal = Add(InternalNode(blobId, 0, links));
    internal.endOffset = links.back().endOffset;
    internals.push_back(internal);
  }
  return Add(LargeRootNode(blobId, 1, internals, rootType));
}

Bytes* FakeLobPages::Find(PageId id) {
  auto found = pages_.find(id);
  return found == pages_.end() ? nullptr : &found->second;
}

std::unique_ptr<TextMixPage> FakeLobPages::ReadTextPage(PageId id) const {
  ++reads_;
  auto found = pages_.find(id);
  if (found == pages_.end()) return nullptr;
  return std::make_unique<TextMixPage>(std::make_unique<PageBuffer>(found->second), nullptr);
}

}  // namespace pagewright::support
