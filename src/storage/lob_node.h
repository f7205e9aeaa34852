// The nodes of a LOB tree. A node is the fixed part of a TextRecord; its first
// ten bytes are a header, the rest depends on the node type.
//
// Node layout (offsets from the node's first byte):
//   offset width field
//   0      8     blob id
//   8      2     node type
// Type 0, SmallRoot (the whole value in one node):
//   10     2     data length (1 to 8192)
//   12     4     not used
//   16     ...   data
// Type 2, Internal:
//   10     2     maximum links (kept)
//   12     2     link count
//   14     2     level (kept)
//   16     16*n  links: 8-byte end offset of the child's data within the
//                value, child page number (4), file number (2), slot (2)
// Type 3, LobSData: the data, from byte 10 to the end of the node.
// Types 4, 5, 6, LargeRootYukon (4 is the SQL Server 2000 form, same layout):
//   10     2     maximum links (kept)
//   12     2     link count
//   14     2     level (kept)
//   16     4     not used
//   20     12*n  links: end offset (4) of the child's data within the value,
//                child page number (4), file number (2), slot (2). The end
//                offset is cumulative: the last link's is the value's length.
// Any other type (8 marks a record without a node header) holds no value.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/byte_view.h"
#include "storage/page_id.h"

namespace pagewright {

namespace lob_layout {
inline constexpr size_t kNodeHeaderSize = 10;
inline constexpr size_t kBlobId = 0;
inline constexpr size_t kNodeType = 8;

inline constexpr size_t kSmallRootLength = 10;
inline constexpr size_t kSmallRootData = 16;
inline constexpr int32_t kMaxSmallRootLength = 8192;

inline constexpr size_t kMaxLinks = 10;
inline constexpr size_t kLinkCount = 12;
inline constexpr size_t kLevel = 14;
inline constexpr size_t kInternalLinks = 16;
inline constexpr size_t kInternalLinkSize = 16;
inline constexpr size_t kYukonLinks = 20;
inline constexpr size_t kYukonLinkSize = 12;

inline constexpr size_t kDataStart = 10;
inline constexpr int32_t kMaxDataLength = 8192;
}  // namespace lob_layout

namespace lob_node_type {
inline constexpr uint16_t kSmallRoot = 0;
inline constexpr uint16_t kInternal = 2;
inline constexpr uint16_t kData = 3;
inline constexpr uint16_t kLargeRootShiloh = 4;
inline constexpr uint16_t kLargeRootYukon = 5;
inline constexpr uint16_t kLargeRootOther = 6;
}  // namespace lob_node_type

// A node a text pointer may lead to: SmallRoot or one of the LargeRoot forms.
inline bool IsLobRootType(uint16_t nodeType) {
  return nodeType == lob_node_type::kSmallRoot || nodeType == lob_node_type::kLargeRootShiloh ||
         nodeType == lob_node_type::kLargeRootYukon || nodeType == lob_node_type::kLargeRootOther;
}

// A link from a root or internal node to a child node.
struct LobLink {
  int64_t endOffset = 0;  // cumulative end of the child's data within the value
  PageId page;
  int32_t slot = 0;
};

// Turns stored text bytes into UTF-8: `utf16` set for UTF-16LE data,
// otherwise 8-bit characters of `codePage`.
using LobTextDecoder = std::function<std::string(ByteView bytes, bool utf16, int32_t codePage)>;

// How AsText reads bytes.
struct LobTextMode {
  int32_t codePage = 1252;
  bool utf16 = false;
  const LobTextDecoder* decoder = nullptr;  // null: the built-in conversion
};

class LobStructureBase {
 public:
  virtual ~LobStructureBase();
  // The node's own data as text / as "%02X" digits of its first `length`
  // bytes; empty for nodes that hold no data themselves.
  virtual std::string AsText(const LobTextMode& mode) const;
  virtual std::string AsHex(size_t length) const;

  uint64_t blobId = 0;
  uint16_t nodeType = 0;
};

class SmallRoot : public LobStructureBase {
 public:
  int32_t dataLength = 0;     // as stored
  std::vector<uint8_t> data;  // the stored bytes, at most dataLength, never past the node
};

class Internal : public LobStructureBase {
 public:
  uint16_t maxLinks = 0;
  uint16_t linkCount = 0;
  uint16_t level = 0;
  std::vector<LobLink> links;  // the links that lie inside the node
};

class LargeRootYukon : public LobStructureBase {
 public:
  uint16_t maxLinks = 0;
  uint16_t linkCount = 0;
  uint16_t level = 0;
  std::vector<LobLink> links;  // the links that lie inside the node
  // The value's length: the last link's end offset; -1 without links.
  int64_t valueLength() const { return links.empty() ? -1 : links.back().endOffset; }
};

class LobSData : public LobStructureBase {
 public:
  std::string AsText(const LobTextMode& mode) const override;
  std::string AsHex(size_t length) const override;

  std::vector<uint8_t> data;
};

// Parses a node: `node` is the fixed part of a TextRecord, `lobLength` the
// length its record gives for the data after the header (fixed part - 10).
// Null for a node shorter than its 10-byte header or of an unknown type.
// Types 4 and 6 come back as LargeRootYukon with their stored nodeType.
std::unique_ptr<LobStructureBase> ParseLobNode(ByteView node, int32_t lobLength);

// Conversions shared by the nodes and the LOB reader.
std::string LobBytesAsText(ByteView bytes, const LobTextMode& mode);
std::string LobBytesAsHex(ByteView bytes);

}  // namespace pagewright
