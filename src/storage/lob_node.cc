#include "storage/lob_node.h"

#include "values/utf16_text.h"

#include <iconv.h>

#include <cerrno>
#include <map>

namespace pagewright {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

std::string Utf16ToUtf8(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size());
  size_t units = bytes.size() / 2;
  for (size_t index = 0; index < units; ++index) {
    uint32_t unit = bytes.u16_or(2 * index);
    if (unit >= 0xD800 && unit <= 0xDBFF && index + 1 < units) {
      uint32_t low = bytes.u16_or(2 * index + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++index;
        continue;
      }
    }
    AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
  }
  if (bytes.size() % 2) AppendUtf8(out, kReplacement);
  return out;
}

// iconv descriptors are not thread-safe; each thread keeps its own, and
// closes them when it ends (every worker would leak its converters else).
class ThreadConverters {
 public:
  ThreadConverters() = default;
  ThreadConverters(const ThreadConverters&) = delete;
  ThreadConverters& operator=(const ThreadConverters&) = delete;
  ~ThreadConverters() {
    for (auto& [codePage, converter] : byCodePage_)
      if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
  }
  iconv_t For(int32_t codePage) {
    auto found = byCodePage_.find(codePage);
    if (found != byCodePage_.end()) return found->second;
    std::string name = "CP" + std::to_string(codePage);
    iconv_t converter = iconv_open("UTF-8", name.c_str());
    byCodePage_.emplace(codePage, converter);
    return converter;
  }

 private:
  std::map<int32_t, iconv_t> byCodePage_;
};

iconv_t ConverterFor(int32_t codePage) {
  thread_local ThreadConverters converters;
  return converters.For(codePage);
}

std::string EightBitToUtf8(ByteView bytes, int32_t codePage) {
  bool ascii = true;
  for (size_t index = 0; index < bytes.size() && ascii; ++index) ascii = bytes[index] < 0x80;
  if (ascii) return std::string(bytes.data(), bytes.data() + bytes.size());

  std::string out;
  iconv_t converter = ConverterFor(codePage);
  if (converter == reinterpret_cast<iconv_t>(-1)) converter = ConverterFor(1252);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    // No converter at all: Latin-1 keeps every byte visible.
    for (size_t index = 0; index < bytes.size(); ++index) AppendUtf8(out, bytes[index]);
    return out;
  }
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> input(bytes.data(), bytes.data() + bytes.size());
  char* in = input.data();
  size_t inLeft = input.size();
  std::vector<char> buffer(4 * input.size() + 16);
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), outPtr);
    if (result != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // A byte the code page does not define (or a cut multibyte sequence)
    // shows as the character of the same number, as the desktop tool shows it.
    AppendUtf8(out, static_cast<uint8_t>(*in));
    ++in;
    --inLeft;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

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
  return mode.utf16 ? Utf16ToUtf8(bytes) : EightBitToUtf8(bytes, mode.codePage);
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
