#include "storage/compression_info.h"

#include "catalog/database_file.h"
#include "storage/page.h"
#include "storage/page_header.h"

namespace pagewright {
namespace {

// Anchor entries as the row-compressed prefix values of their columns.
std::vector<AnchorValue> DecodeAnchorValues(const CdRecord& anchor) {
  std::vector<AnchorValue> values;
  values.reserve(anchor.columns.size());
  for (size_t index = 0; index < anchor.columns.size(); ++index) {
    const CdColumn& column = anchor.columns[index];
    AnchorValue value;
    value.anchored = column.code != cd_code::kNull;
    bool hasBytes = (column.code >= cd_code::kShortFirst && column.code <= cd_code::kShortLast) ||
                    column.code == cd_code::kLong;
    if (hasBytes && column.readable && !column.isComplex) {
      value.bytes = anchor.Value(index).to_vector();
    } else if (column.code != cd_code::kNull && column.code != cd_code::kEmpty) {
      // A symbol, a bit code or a pointer cannot be a prefix.
      value.readable = false;
    }
    values.push_back(std::move(value));
  }
  return values;
}

}  // namespace

std::shared_ptr<CompressionInfo> ParseCompressionInfo(ByteView page, uint8_t typeFlagBits) {
  using namespace ci_layout;
  if ((typeFlagBits & page_layout::kCompressionInfoFlag) == 0) return nullptr;
  ByteView ci = page.from(kStart);
  auto flags = ci.u8_at(kFlags);
  if (!flags || (*flags & kCdFormatBit) != 0) return nullptr;

  auto info = std::make_shared<CompressionInfo>();
  info->ciFlags = *flags;
  for (size_t index = 0; index < kHeaderCopySize; ++index) info->headerCopy[index] = ci[index];
  info->modificationCount = ci.u16_or(kModificationCount);
  const bool hasDictionary = (*flags & kDictionaryPresent) != 0;
  const bool hasAnchor = (*flags & kAnchorPresent) != 0;
  const size_t headerSize = hasDictionary ? kAnchorWithDictionary : kAnchorWithoutDictionary;
  info->ciLength = ci.u16_or(hasDictionary ? kLengthWithDictionary : kLengthWithoutDictionary);
  if (info->ciLength < headerSize || !ci.has(0, info->ciLength)) return nullptr;
  ByteView block = ci.clip(0, info->ciLength);

  size_t anchorEnd = block.size();
  if (hasDictionary) {
    info->dictionaryOffset = ci.u16_or(kDictionaryOffset);
    if (info->dictionaryOffset < headerSize || info->dictionaryOffset >= block.size()) {
      info->damaged = true;
      info->dictionaryOffset = 0;
    } else {
      anchorEnd = info->dictionaryOffset;
      info->dictionary = ParsePageDictionary(block.from(info->dictionaryOffset));
      if (!info->dictionary || info->dictionary->missingEntries > 0) info->damaged = true;
    }
  }
  if (hasAnchor) {
    CdRecord anchor = ParseCdRecord(block.clip(headerSize, anchorEnd - headerSize));
    if (anchor.isBad || anchor.damaged) info->damaged = true;
    if (!anchor.isBad) {
      info->anchorValues = DecodeAnchorValues(anchor);
      info->anchorRecord = std::move(anchor);
    }
  }
  return info;
}

std::shared_ptr<CompressionInfo> ReadCompressionInfoOfPage(const DatabaseFile& file, const PageId& id) {
  auto buffer = file.ReadPage(id);
  if (!buffer || buffer->size() < kPageSize) return nullptr;
  CPage_Header header = CPage_Header::Decode(buffer->data(), buffer->size());
  return ParseCompressionInfo(ByteView(*buffer), header.typeFlagBits);
}

const CompressionInfo* ReadCompressionInfo(PrimaryRecordPage& page) {
  if (!page.compression && page.header)
    page.compression = ParseCompressionInfo(page.bytes(), page.header->typeFlagBits);
  return page.compression.get();
}

}  // namespace pagewright
