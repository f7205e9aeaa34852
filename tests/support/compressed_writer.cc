#include "support/compressed_writer.h"

#include <algorithm>
#include <stdexcept>

#include "storage/compressed_record.h"
#include "storage/compression_info.h"
#include "storage/page_dictionary.h"

namespace pagewright::support {

using namespace cd_layout;

Bytes BuildCdRecord(const std::vector<CdEntry>& columns, const CdRecordOptions& options) {
  const size_t count = columns.size();
  Bytes codes;
  Bytes shortData;
  std::vector<const CdEntry*> longValues;
  for (const CdEntry& entry : columns) {
    uint8_t code = cd_code::kNull;
    switch (entry.kind) {
      case CdEntry::Kind::kNull: code = cd_code::kNull; break;
      case CdEntry::Kind::kEmpty: code = cd_code::kEmpty; break;
      case CdEntry::Kind::kShort:
        if (entry.bytes.empty() || entry.bytes.size() > 8) throw std::invalid_argument("short value of 1-8 bytes");
        code = static_cast<uint8_t>(entry.bytes.size() + 1);
        AppendBytes(shortData, entry.bytes);
        break;
      case CdEntry::Kind::kLong:
        code = cd_code::kLong;
        longValues.push_back(&entry);
        break;
      case CdEntry::Kind::kBitOne: code = cd_code::kBitOne; break;
      case CdEntry::Kind::kSymbol:
        code = cd_code::kSymbol;
        shortData.push_back(entry.symbol);
        break;
      case CdEntry::Kind::kRawCode:
        code = entry.rawCode;
        AppendBytes(shortData, entry.bytes);
        break;
    }
    codes.push_back(code);
  }

  Bytes record;
  uint8_t header = kCdFormatBit | static_cast<uint8_t>((options.recordType & kRecordTypeMask) << kRecordTypeShift);
  if (options.versioningTag) header |= kVersioningTagBit;
  if (!longValues.empty()) header |= kLongDataBit;
  record.push_back(header);
  if (count >= kTwoByteCountFlag || options.twoByteCount) {
    record.push_back(static_cast<uint8_t>(kTwoByteCountFlag | (count >> 8)));
    record.push_back(static_cast<uint8_t>(count & 0xFF));
  } else {
    record.push_back(static_cast<uint8_t>(count));
  }
  // An odd count leaves a high nibble; the server writes 1 there.
  for (size_t index = 0; index < count; index += 2) {
    uint8_t high = index + 1 < count ? codes[index + 1] : 1;
    record.push_back(static_cast<uint8_t>(codes[index] | (high << 4)));
  }
  // Cluster array: the short-data byte count of each full 30-column group.
  if (count > 0) {
    size_t groups = (count - 1) / kColumnsPerCluster;
    size_t column = 0;
    for (size_t group = 0; group < groups; ++group) {
      size_t groupBytes = 0;
      for (size_t k = 0; k < static_cast<size_t>(kColumnsPerCluster); ++k, ++column) {
        uint8_t code = codes[column];
        if (code >= cd_code::kShortFirst && code <= cd_code::kShortLast) groupBytes += code - 1u;
        if (code == cd_code::kSymbol) groupBytes += 1;
      }
      record.push_back(static_cast<uint8_t>(groupBytes));
    }
  }
  AppendBytes(record, shortData);

  if (!longValues.empty()) {
    record.push_back(options.longDataFlags);
    AppendU16(record, static_cast<uint16_t>(longValues.size()));
    size_t end = 0;
    for (const CdEntry* value : longValues) {
      end += value->bytes.size();
      AppendU16(record, static_cast<uint16_t>(end | (value->isComplex ? kLongComplexBit : 0)));
    }
    for (size_t group = 0; count > 0 && group < (count - 1) / kColumnsPerCluster; ++group) record.push_back(0);
    for (const CdEntry* value : longValues) AppendBytes(record, value->bytes);
  }
  if (options.versioningTag) record.insert(record.end(), kVersioningTagSize, 0xEE);
  return record;
}

Bytes BuildPageDictionary(const std::vector<Bytes>& entries) {
  Bytes dictionary;
  AppendU16(dictionary, static_cast<uint16_t>(entries.size()));
  size_t end = 2 + 2 * entries.size();
  for (const Bytes& entry : entries) {
    end += entry.size();
    AppendU16(dictionary, static_cast<uint16_t>(end));
  }
  for (const Bytes& entry : entries) AppendBytes(dictionary, entry);
  return dictionary;
}

Bytes BuildCompressionInfo(const Bytes* anchorRecord, const Bytes* dictionary, uint16_t modificationCount) {
  using namespace ci_layout;
  uint8_t flags = 0;
  if (anchorRecord) flags |= kAnchorPresent;
  if (dictionary) flags |= kDictionaryPresent;
  const size_t headerSize = dictionary ? kAnchorWithDictionary : kAnchorWithoutDictionary;
  const size_t anchorSize = anchorRecord ? anchorRecord->size() : 0;
  const size_t total = headerSize + anchorSize + (dictionary ? dictionary->size() : 0);
  Bytes ci;
  ci.push_back(flags);
  AppendU16(ci, modificationCount);
  if (dictionary) AppendU16(ci, static_cast<uint16_t>(headerSize + anchorSize));
  AppendU16(ci, static_cast<uint16_t>(total));
  if (anchorRecord) AppendBytes(ci, *anchorRecord);
  if (dictionary) AppendBytes(ci, *dictionary);
  return ci;
}

PageImage BuildCompressedPage(const Bytes& ci, const std::vector<Bytes>& records, PageId pageId) {
  PageImage page(page_type::kData, pageId);
  page.SetTypeFlagBits(page_layout::kCompressionInfoFlag);
  page.PutBytes(ci_layout::kStart, ci);
  page.SetFreeData(static_cast<uint16_t>(ci_layout::kStart + ci.size()));
  page.SetFreeCount(static_cast<int16_t>(kPageSize - ci_layout::kStart - ci.size()));
  for (const Bytes& record : records)
    if (page.AddRecord(record) < 0) throw std::invalid_argument("records do not fit the page");
  return page;
}

Bytes CompressInteger(int64_t value) {
  if (value == 0) return {};
  // The shortest width whose two's-complement range holds the value.
  size_t width = 1;
  while (width < 8) {
    int64_t limit = int64_t{1} << (8 * width - 1);
    if (value >= -limit && value < limit) break;
    ++width;
  }
  Bytes bytes;
  auto raw = static_cast<uint64_t>(value);
  for (size_t index = width; index-- > 0;) bytes.push_back(static_cast<uint8_t>(raw >> (8 * index)));
  bytes[0] ^= 0x80;
  return bytes;
}

Bytes CompressDecimal(__int128 unscaled, int scale) {
  if (unscaled == 0) return {};
  const bool negative = unscaled < 0;
  unsigned __int128 magnitude = negative ? static_cast<unsigned __int128>(-unscaled) : unscaled;
  std::string digits;
  for (; magnitude != 0; magnitude /= 10) digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
  // Integer and fraction digits, each padded to whole 3-digit groups around
  // the decimal point.
  int integerDigits = static_cast<int>(digits.size()) - scale;
  std::string integerPart = integerDigits > 0 ? digits.substr(0, static_cast<size_t>(integerDigits)) : "";
  std::string fraction = integerDigits > 0 ? digits.substr(static_cast<size_t>(integerDigits))
                                           : std::string(static_cast<size_t>(-integerDigits), '0') + digits;
  while (integerPart.size() % 3) integerPart.insert(integerPart.begin(), '0');
  while (fraction.size() % 3) fraction.push_back('0');
  std::string all = integerPart + fraction;
  // The leading significant digit's power of ten.
  size_t first = all.find_first_not_of('0');
  int exponent = static_cast<int>(integerPart.size()) - 1 - static_cast<int>(first);
  while (all.size() >= 3 && all.compare(all.size() - 3, 3, "000") == 0) all.resize(all.size() - 3);
  while (all.size() >= 3 && all.compare(0, 3, "000") == 0) all.erase(0, 3);

  Bytes out;
  out.push_back(static_cast<uint8_t>((negative ? 0 : 0x80) | (exponent + 64)));
  uint32_t accumulator = 0;
  int bits = 0;
  for (size_t group = 0; group < all.size(); group += 3) {
    accumulator = (accumulator << 10) | static_cast<uint32_t>(std::stoi(all.substr(group, 3)));
    bits += 10;
    while (bits >= 8) {
      out.push_back(static_cast<uint8_t>(accumulator >> (bits - 8)));
      bits -= 8;
    }
  }
  if (bits > 0) out.push_back(static_cast<uint8_t>(accumulator << (8 - bits)));
  return out;
}

Bytes CutLeadingZeros(Bytes bytes) {
  auto first = std::find_if(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; });
  bytes.erase(bytes.begin(), first);
  return bytes;
}

Bytes CutTrailing(Bytes bytes, uint8_t pad) {
  while (!bytes.empty() && bytes.back() == pad) bytes.pop_back();
  return bytes;
}

Bytes Prefixed(size_t prefixLength, const Bytes& suffix) {
  Bytes out;
  if (prefixLength < 0x80) {
    out.push_back(static_cast<uint8_t>(prefixLength));
  } else {
    out.push_back(static_cast<uint8_t>(0x80 | (prefixLength >> 8)));
    out.push_back(static_cast<uint8_t>(prefixLength & 0xFF));
  }
  AppendBytes(out, suffix);
  return out;
}

}  // namespace pagewright::support
