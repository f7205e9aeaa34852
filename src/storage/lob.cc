#include "storage/lob.h"

#include <algorithm>
#include <optional>

#include "catalog/database_file.h"
#include "storage/text_mix_page.h"

namespace pagewright {

std::unique_ptr<TextMixPage> DatabaseFileLobSource::ReadTextPage(PageId id) const { return file_.ReadTextPage(id); }

const EngineState* DatabaseFileLobSource::state() const { return &file_.state(); }

namespace {

// System type ids a type header names for binary data and for UTF-16 text.
constexpr uint8_t kVarbinaryTypeId = 165;
constexpr uint8_t kBinaryTypeId = 173;
constexpr uint8_t kNvarcharTypeId = 231;
constexpr uint8_t kNcharTypeId = 239;
constexpr size_t kTypeHeaderSize = 8;

struct NodeKey {
  PageId page;
  int32_t slot;
  friend bool operator==(const NodeKey&, const NodeKey&) = default;
};

// Gathers the data fragments of one value by walking its tree, then turns
// them into the requested output.
class LobAssembler {
 public:
  explicit LobAssembler(const LobRequest& request) : request_(request) {}

  // Every node of the value carries `blobId` (a text pointer's value).
  void ExpectBlobId(uint64_t blobId) { blobId_ = blobId; }

  void EnterNode(NodeKey key) { path_.push_back(key); }

  // Adds the value below `node` (a record's fixed part, `lobLength` its data
  // length) at `depth` below the value's root.
  void AddNode(ByteView node, int32_t lobLength, int depth) {
    if (Stopped()) return;
    if (++nodesVisited_ > request_.maxNodes) {
      exhausted_ = true;
      return;
    }
    auto parsed = ParseLobNode(node, lobLength);
    if (!parsed) return;
    if (auto* root = dynamic_cast<SmallRoot*>(parsed.get())) {
      AddFragment(root->data, true);
    } else if (auto* data = dynamic_cast<LobSData*>(parsed.get())) {
      AddFragment(data->data, false);
    } else if (auto* internal = dynamic_cast<Internal*>(parsed.get())) {
      for (const LobLink& link : internal->links) {
        if (Stopped()) break;
        AddLinkedNode(link.page, link.slot, depth + 1);
      }
    } else if (auto* largeRoot = dynamic_cast<LargeRootYukon*>(parsed.get())) {
      // A link's first field is the cumulative end of its child's data, so the
      // last one is the value's length; children may hold more than that
      // (an Internal child's lobLength is that of its own node, not its data).
      if (depth == 0 && largeRoot->valueLength() > 0) limit_ = std::min(largeRoot->valueLength(), limit_);
      for (const LobLink& link : largeRoot->links) {
        if (Stopped()) break;
        AddLinkedNode(link.page, link.slot, depth + 1);
      }
    }
  }

  // Reads the node in `slot` of `page` and adds its value.
  void AddLinkedNode(PageId page, int32_t slot, int depth) {
    if (Stopped() || depth > request_.maxDepth || !request_.pages) return;
    NodeKey key{page, slot};
    // A link back to a node on the path from the root would loop.
    if (std::find(path_.begin(), path_.end(), key) != path_.end()) return;
    auto textPage = request_.pages->ReadTextPage(page);
    if (!textPage) return;
    const TextRecord* record = textPage->TextRecordAt(slot);
    if (!record || !record->hasNode()) return;
    // A deleted row's tree may have lost this slot to another value.
    if (request_.fromDeletedRow && blobId_ && record->blobId != *blobId_) return;
    path_.push_back(key);
    AddNode(record->nodeBytes(), record->lobLength, depth);
    path_.pop_back();
  }

  std::string Finish() {
    if (request_.collect) {
      if (request_.byteSink)
        for (auto& fragment : fragments_)
          request_.byteSink->push_back({static_cast<int32_t>(fragment.size()), std::move(fragment)});
      return {};
    }
    std::vector<uint8_t> value;
    value.reserve(static_cast<size_t>(gathered_));
    for (const auto& fragment : fragments_) value.insert(value.end(), fragment.begin(), fragment.end());
    LobTextMode mode = TextMode();
    ByteView bytes(value);
    if (request_.hasTypeHeader) {
      if (bytes.empty()) return {};
      uint8_t typeId = bytes[0];
      // The header is part of the value: what follows it is all there is.
      ByteView payload = bytes.from(kTypeHeaderSize);
      if (typeId == kVarbinaryTypeId || typeId == kBinaryTypeId) return LobBytesAsHex(payload);
      mode.utf16 = typeId == kNvarcharTypeId || typeId == kNcharTypeId;
      return LobBytesAsText(payload, mode);
    }
    if (request_.asHex) return LobBytesAsHex(bytes);
    if (request_.narrow) {
      mode.utf16 = true;
      return LobBytesAsText(bytes, mode);
    }
    if (fragments_.size() == 1 && onlySmallRoot_) {
      auto narrowed = NarrowHalfZero(bytes);
      if (!narrowed.empty()) return LobBytesAsText(ByteView(narrowed), mode);
    }
    return LobBytesAsText(bytes, mode);
  }

 private:
  bool Stopped() const {
    if (exhausted_ || gathered_ >= limit_) return true;
    return request_.state && request_.state->cancelFlag.load(std::memory_order_relaxed);
  }

  void AddFragment(const std::vector<uint8_t>& data, bool fromSmallRoot) {
    int64_t room = limit_ - gathered_;
    if (room <= 0) return;
    size_t take = std::min<size_t>(data.size(), static_cast<size_t>(room));
    fragments_.emplace_back(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
    gathered_ += static_cast<int64_t>(take);
    onlySmallRoot_ = onlySmallRoot_ && fromSmallRoot;
  }

  LobTextMode TextMode() const {
    LobTextMode mode;
    mode.codePage = request_.codePage;
    if (mode.codePage == 0) mode.codePage = request_.state ? request_.state->defaultAnsiCodePage : 1252;
    if (request_.decodeText) mode.decoder = &request_.decodeText;
    return mode;
  }

  // An 8-bit value of which exactly half the bytes are zero was stored as
  // UTF-16 with 8-bit characters: byte 0 and every second byte from byte 2.
  // Empty when the test does not hold.
  static std::vector<uint8_t> NarrowHalfZero(ByteView bytes) {
    if (bytes.size() < 2) return {};
    size_t zeros = std::count(bytes.data(), bytes.data() + bytes.size(), uint8_t{0});
    if (zeros * 2 != bytes.size()) return {};
    std::vector<uint8_t> narrowed;
    narrowed.reserve(bytes.size() / 2);
    for (size_t index = 0; index < bytes.size(); index += 2) narrowed.push_back(bytes[index]);
    return narrowed;
  }

  const LobRequest& request_;
  std::optional<uint64_t> blobId_;
  std::vector<NodeKey> path_;
  std::vector<std::vector<uint8_t>> fragments_;
  int64_t gathered_ = 0;
  int64_t limit_ = kMaxLobValueBytes;
  size_t nodesVisited_ = 0;
  bool exhausted_ = false;
  bool onlySmallRoot_ = true;
};

// The root record a text pointer means (see the header): the slot's record,
// or the page's one root record with the pointer's blob id; `found` keeps a
// record parsed from outside the slots alive.
const TextRecord* TextPointerRoot(const TextMixPage& page, int32_t slot, uint64_t blobId, bool fromDeletedRow,
                                  std::unique_ptr<TextRecord>& found) {
  const TextRecord* slotRecord = page.TextRecordAt(slot);
  if (slotRecord && slotRecord->hasNode() && slotRecord->blobId == blobId) return slotRecord;
  auto roots = page.FindRootRecords(blobId);
  if (roots.size() == 1) {
    found = std::move(roots.front());
    return found.get();
  }
  if (fromDeletedRow || !slotRecord || !slotRecord->hasNode()) return nullptr;
  return slotRecord;
}

}  // namespace

std::string ReadTextPointerValue(ByteView textPointer, const LobRequest& request) {
  using namespace lob_pointer_layout;
  if (!request.pages || textPointer.size() < kTextPointerSize) return {};
  auto root = ReadPagePointer(textPointer, kTextPointerPage);
  auto slot = textPointer.i16_at(kTextPointerSlot);
  if (!root || !slot) return {};
  auto page = request.pages->ReadTextPage(*root);
  if (!page) return {};
  const uint64_t blobId = textPointer.u64_or(kTextPointerBlobId);
  std::unique_ptr<TextRecord> found;
  const TextRecord* record = TextPointerRoot(*page, *slot, blobId, request.fromDeletedRow, found);
  if (!record) return {};
  LobAssembler assembler(request);
  assembler.ExpectBlobId(blobId);
  assembler.EnterNode({*root, *slot});
  assembler.AddNode(record->nodeBytes(), record->lobLength, 0);
  return assembler.Finish();
}

std::string ReadComplexValue(ByteView columnBytes, const LobRequest& request) {
  using namespace lob_pointer_layout;
  LobAssembler assembler(request);
  for (size_t at = kComplexHeaderSize; columnBytes.has(at, kComplexEntrySize); at += kComplexEntrySize) {
    if (request.state && request.state->cancelFlag.load(std::memory_order_relaxed)) break;
    if (columnBytes.i32_or(at) <= 0) continue;
    int32_t pageNo = columnBytes.i32_or(at + kComplexEntryPage);
    uint16_t fileNo = columnBytes.u16_or(at + kComplexEntryPage + 4);
    if (fileNo > kHighestFileNumber) fileNo = 1;
    int32_t slot = columnBytes.i16_or(at + kComplexEntrySlot);
    assembler.AddLinkedNode(PageId{static_cast<int16_t>(fileNo), pageNo}, slot, 1);
  }
  return assembler.Finish();
}

std::string ReadLobNode(ByteView node, int32_t length, const LobRequest& request) {
  LobAssembler assembler(request);
  assembler.AddNode(node, length, 0);
  return assembler.Finish();
}

}  // namespace pagewright
