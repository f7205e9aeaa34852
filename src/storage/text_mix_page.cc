#include "storage/text_mix_page.h"

#include <algorithm>

#include "storage/lob_node.h"

namespace pagewright {

TextMixPage::TextMixPage(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* file)
    : RecordPage(std::move(buffer), file) {
  ByteView page = bytes();
  records.reserve(slots.size());
  for (uint16_t offset : slots) {
    // An offset inside the header points at no record.
    if (offset < kPageHeaderSize || offset >= kPageSize) {
      records.push_back(nullptr);
      continue;
    }
    records.push_back(std::make_unique<TextRecord>(page, offset));
  }
}

TextMixPage::~TextMixPage() = default;

const TextRecord* TextMixPage::TextRecordAt(int slot) const {
  if (slot < 0 || slot >= recordCount()) return nullptr;
  // Every record of this page is a TextRecord: the constructor built them.
  return static_cast<const TextRecord*>(records[slot].get());
}

std::vector<std::unique_ptr<TextRecord>> TextMixPage::FindRootRecords(uint64_t blobId) const {
  using namespace text_record_layout;
  std::vector<std::unique_ptr<TextRecord>> found;
  if (blobId == 0) return found;
  ByteView page = bytes();
  const size_t slotArrayStart = kPageSize - std::min(kPageSize - kPageHeaderSize, slots.size() * 2);
  // Records are not aligned: every offset is a candidate.
  for (size_t offset = kPageHeaderSize; offset + kNode + kNodeHeaderSize <= slotArrayStart; ++offset) {
    const int type = (page.u8_or(offset + kStatus) >> 1) & 0x7;
    if (type != record_type::kLobFragment || page.u64_or(offset + kNode + kNodeBlobId) != blobId) continue;
    auto record = std::make_unique<TextRecord>(page, offset);
    if (!record->hasNode() || !IsLobRootType(record->nodeType)) continue;
    if (offset + kNode + record->node.size() > slotArrayStart) continue;
    found.push_back(std::move(record));
  }
  return found;
}

}  // namespace pagewright
