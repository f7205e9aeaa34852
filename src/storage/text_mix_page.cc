#include "storage/text_mix_page.h"

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

}  // namespace pagewright
