#include "storage/lob_node.h"

#include "values/character_data.h"
#include "values/utf16_text.h"

namespace pagewright {

namespace {

// The code page of a value whose own code page cannot be used.
constexpr int32_t kFallbackCodePage = 1252;

std::vector<LobLink> ReadLinks(ByteView node, uint16_t linkCount, size_t start, size_t linkSize,
                               size_t offsetWidth) {
  std::vector<LobLink> links;
  for (size_t index = 0; index < linkCount; ++index) {
    size_t at = start + index * linkSize;
    // A count larger than the node holds is damage: take the links present.
    if (!node.has(at, linkSize)) break;
    LobLink link;
    link.endOffset = offsetWidth == 8 ? node.i64_or(at) : static_cast<int64_t>(node.i32_or(at));
    link.page = ReadPagePointer(node, at + offsetWidth).value_or(PageId{});
    link.slot = node.i16_or(at + offsetWidth + kPagePointerSize);
    links.push_back(link);
  }
  return links;
}

}  // namespace

std::string LobBytesAsText(ByteView bytes, const LobTextMode& mode) {
  if (mode.decoder && *mode.decoder) return (*mode.decoder)(bytes, mode.utf16, mode.codePage);
  if (mode.utf16) return DecodeWholeUtf16Text(bytes);
  if (auto text = ConvertCodePageBytes(bytes, mode.codePage)) return std::move(*text);
  if (auto text = ConvertCodePageBytes(bytes, kFallbackCodePage)) return std::move(*text);
  // No converter at all: Latin-1 keeps every byte visible.
  std::string text;
  for (size_t index = 0; index < bytes.size(); ++index) AppendUtf8(text, bytes[index]);
  return text;
}

std::string LobBytesAsHex(ByteView bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (size_t index = 0; index < bytes.size(); ++index) {
    out.push_back(kDigits[bytes[index] >> 4]);
    out.push_back(kDigits[bytes[index] & 0xF]);
  }
  return out;
}

LobStructureBase::~LobStructureBase() = default;
std::string LobStructureBase::AsText(const LobTextMode&) const { return {}; }
std::string LobStructureBase::AsHex(size_t) const { return {}; }

std::string LobSData::AsText(const LobTextMode& mode) const { return LobBytesAsText(ByteView(data), mode); }

std::string LobSData::AsHex(size_t length) const { return LobBytesAsHex(ByteView(data).clip(0, length)); }

std::unique_ptr<LobStructureBase> ParseLobNode(ByteView node, int32_t lobLength) {
  using namespace lob_layout;
  if (node.size() < kNodeHeaderSize) return nullptr;
  const uint64_t blobId = node.u64_or(kBlobId);
  const uint16_t type = node.u16_or(kNodeType);
  std::unique_ptr<LobStructureBase> parsed;
  switch (type) {
    case lob_node_type::kSmallRoot: {
      auto root = std::make_unique<SmallRoot>();
      root->dataLength = node.i16_or(kSmallRootLength);
      if (root->dataLength > 0 && root->dataLength <= kMaxSmallRootLength)
        root->data = node.clip(kSmallRootData, static_cast<size_t>(root->dataLength)).to_vector();
      parsed = std::move(root);
      break;
    }
    case lob_node_type::kInternal: {
      auto internal = std::make_unique<Internal>();
      internal->maxLinks = node.u16_or(kMaxLinks);
      internal->linkCount = node.u16_or(kLinkCount);
      internal->level = node.u16_or(kLevel);
      internal->links = ReadLinks(node, internal->linkCount, kInternalLinks, kInternalLinkSize, 8);
      parsed = std::move(internal);
      break;
    }
    case lob_node_type::kData: {
      auto data = std::make_unique<LobSData>();
      // lobLength comes from the record; the node itself bounds what is read.
      if (lobLength > 0 && lobLength <= kMaxDataLength)
        data->data = node.clip(kDataStart, static_cast<size_t>(lobLength)).to_vector();
      parsed = std::move(data);
      break;
    }
    case lob_node_type::kLargeRootShiloh:
    case lob_node_type::kLargeRootYukon:
    case lob_node_type::kLargeRootOther: {
      auto root = std::make_unique<LargeRootYukon>();
      root->maxLinks = node.u16_or(kMaxLinks);
      root->linkCount = node.u16_or(kLinkCount);
      root->level = node.u16_or(kLevel);
      if (node.size() > kInternalLinks)
        root->links = ReadLinks(node, root->linkCount, kYukonLinks, kYukonLinkSize, 4);
      parsed = std::move(root);
      break;
    }
    default:
      return nullptr;
  }
  parsed->blobId = blobId;
  parsed->nodeType = type;
  return parsed;
}

}  // namespace pagewright
