// Reading large values: text pointers and complex columns of a row lead to a
// tree of LOB nodes (storage/lob_node.h) on text pages; the tree's data
// fragments, in link order, are the value.
//
// Row-side pointers (offsets from the value's first byte):
//   Text pointer, 16 bytes:
//     0   8  timestamp: the blob id every node of the value carries
//     8   4  page number of the root record
//     12  2  file number
//     14  2  slot
//   Complex column (in-row root, kind 4; row-overflow pointer, kind 2):
//     0   12 header (byte 0 is the kind)
//     12  12*n entries: size or cumulative end offset (int32, entries whose
//             value is not above 0 are skipped), page number (4), file number
//             (2; above 1000 reads as file 1), slot (2)
//
// The walk is bounded: a link is not followed deeper than LobRequest::maxDepth
// below the root, nor to a node already on the path from the root (a cycle),
// and at most LobRequest::maxNodes nodes are visited per value. Unreadable
// pages, slots out of range and records without a node contribute nothing;
// the rest of the value is still assembled. Nothing here reports a message.
//
// A text pointer names its root by slot, and the root by blob id. When the
// slot's record carries another blob id (or none), the slot was freed after
// the pointer was written, and perhaps given to another value: the root is
// then the page's root record that carries the pointer's blob id, if exactly
// one does (a freed record keeps its bytes until its space is reused). Failing
// that, a live row's pointer still reads its slot (a live row's slot is not
// reused while the row points at it); a deleted row's value is gone, and it
// reads nothing rather than another value. Below a deleted row's root, a
// child whose record carries another blob id contributes nothing either.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/byte_view.h"
#include "storage/engine_state.h"
#include "storage/lob_node.h"
#include "storage/page_id.h"

namespace pagewright {

class DatabaseFile;
class TextMixPage;

namespace lob_pointer_layout {
inline constexpr size_t kTextPointerSize = 16;
inline constexpr size_t kTextPointerBlobId = 0;
inline constexpr size_t kTextPointerPage = 8;
inline constexpr size_t kTextPointerSlot = 14;
inline constexpr size_t kComplexHeaderSize = 12;
inline constexpr size_t kComplexEntrySize = 12;
inline constexpr size_t kComplexEntryPage = 4;
inline constexpr size_t kComplexEntrySlot = 10;
inline constexpr int kHighestFileNumber = 1000;
}  // namespace lob_pointer_layout

// Default bounds of one value's walk. A 2 GB value is about 270,000 data
// fragments under two levels of internal nodes.
inline constexpr int kMaxLobTreeDepth = 16;
inline constexpr size_t kMaxLobNodes = size_t{1} << 19;
inline constexpr int64_t kMaxLobValueBytes = INT32_MAX;

// Where the LOB reader gets its pages: DatabaseFileLobSource for a real file,
// fakes in tests and fuzzing.
class LobPageSource {
 public:
  virtual ~LobPageSource() = default;
  // The text page whose records hold the nodes of `id`, or null.
  virtual std::unique_ptr<TextMixPage> ReadTextPage(PageId id) const = 0;
  // Stop request and default code page; null when there is none.
  virtual const EngineState* state() const { return nullptr; }
};

class DatabaseFileLobSource final : public LobPageSource {
 public:
  explicit DatabaseFileLobSource(const DatabaseFile& file) : file_(file) {}
  std::unique_ptr<TextMixPage> ReadTextPage(PageId id) const override;
  const EngineState* state() const override;

 private:
  const DatabaseFile& file_;
};

// One raw fragment handed to a collecting caller.
struct LobFragment {
  int32_t length = 0;
  std::vector<uint8_t> bytes;
};

// What a caller asks of one large value.
struct LobRequest {
  LobRequest() = default;
  explicit LobRequest(const LobPageSource& source) : pages(&source), state(source.state()) {}

  const LobPageSource* pages = nullptr;  // not owned
  const EngineState* state = nullptr;    // not owned; may be null
  bool asHex = false;          // "%02X" digits instead of text
  bool hasTypeHeader = false;  // the value starts with an 8-byte type header
  bool collect = false;        // raw fragments to byteSink, empty text
  bool narrow = false;         // the value is UTF-16 text
  std::vector<LobFragment>* byteSink = nullptr;
  bool fromDeletedRow = false;  // the pointer is a deleted row's: its slots may hold other values now
  int32_t codePage = 0;         // 8-bit code page; 0: the state's default (1252 without state)
  LobTextDecoder decodeText;    // optional replacement of the built-in text conversion
  int maxDepth = kMaxLobTreeDepth;
  size_t maxNodes = kMaxLobNodes;
};

// The value a 16-byte text pointer leads to; empty when the root cannot be
// reached (for a deleted row: when no root carries the pointer's blob id) or
// the value is empty.
std::string ReadTextPointerValue(ByteView textPointer, const LobRequest& request);

// The value of an in-row root or row-overflow pointer: the entries' nodes in
// order, as one value.
std::string ReadComplexValue(ByteView columnBytes, const LobRequest& request);

// The value of the tree below one node: `node` is a TextRecord's fixed part,
// `length` its lobLength.
std::string ReadLobNode(ByteView node, int32_t length, const LobRequest& request);

}  // namespace pagewright
