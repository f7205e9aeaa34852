#include "storage/page_dictionary.h"

namespace pagewright {

std::optional<PageDictionary> ParsePageDictionary(ByteView bytes) {
  using namespace page_dictionary_layout;
  auto count = bytes.u16_at(kEntryCount);
  if (!count) return std::nullopt;
  size_t tableEnd = kOffsets + kOffsetWidth * static_cast<size_t>(*count);
  if (!bytes.has(0, tableEnd)) return std::nullopt;

  PageDictionary dictionary;
  dictionary.entries.reserve(*count);
  size_t start = tableEnd;
  for (size_t index = 0; index < *count; ++index) {
    size_t end = bytes.u16_or(kOffsets + kOffsetWidth * index);
    // A damaged offset leaves every later entry without a trustworthy start.
    if (end < start || end > bytes.size()) {
      dictionary.missingEntries = static_cast<uint16_t>(*count - index);
      break;
    }
    dictionary.entries.push_back(bytes.copy(start, end - start));
    start = end;
  }
  return dictionary;
}

}  // namespace pagewright
