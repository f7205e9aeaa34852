#include "values/character_data.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "values/collation_table.h"
#include "values/utf16_text.h"

namespace pagewright {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

// Unassigned and illegal input both become U+FFFD, where ICU's own default
// would give U+001A for some double-byte code pages.
void SubstituteReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                                    UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  static const UChar kReplacement = 0xFFFD;
  *error = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, error);
}

ConverterHandle OpenNamedConverter(const std::string& name) {
  UErrorCode error = U_ZERO_ERROR;
  ConverterHandle converter(ucnv_open(name.c_str(), &error));
  if (U_FAILURE(error)) return nullptr;
  return converter;
}

ConverterHandle OpenCodePageConverter(int32_t codePage) {
  if (codePage <= 0) return nullptr;
  switch (codePage) {
    case 1200: case 1201: case 12000: case 12001:  // UTF-16 and UTF-32: no 8-bit text
      return nullptr;
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28605) {
    if (auto converter = OpenNamedConverter("iso-8859-" + std::to_string(codePage - 28590))) return converter;
  }
  if (auto converter = OpenNamedConverter("windows-" + std::to_string(codePage))) return converter;
  // The OEM and EBCDIC code pages carry their IBM numbers.
  return OpenNamedConverter("ibm-" + std::to_string(codePage));
}

// Unassigned and illegal input each become the characters of the same
// values as their bytes, so nothing a large value stores is lost.
void SubstituteSameValues(const void*, UConverterToUnicodeArgs* args, const char* codeUnits, int32_t length,
                          UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  *error = U_ZERO_ERROR;
  for (int32_t index = 0; index < length && U_SUCCESS(*error); ++index) {
    const UChar sameValue = static_cast<uint8_t>(codeUnits[index]);
    ucnv_cbToUWriteUChars(args, &sameValue, 1, 0, error);
  }
}

// What a converter makes of bytes its code page does not map.
enum class Unmapped { kReplacement, kSameValue };

ConverterHandle OpenConfiguredConverter(int32_t codePage, Unmapped unmapped) {
  ConverterHandle converter = OpenCodePageConverter(codePage);
  if (!converter) return nullptr;
  UErrorCode error = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter.get(),
                      unmapped == Unmapped::kReplacement ? SubstituteReplacementCharacter : SubstituteSameValues,
                      nullptr, nullptr, nullptr, &error);
  if (U_FAILURE(error)) return nullptr;
  return converter;
}

// Opening a converter costs more than converting a short value, so each
// thread keeps the last few it used (and remembers code pages that cannot be
// opened). A converter is used by one thread at a time only.
UConverter* CachedConverter(int32_t codePage, Unmapped unmapped) {
  struct Entry {
    int32_t codePage = 0;
    Unmapped unmapped = Unmapped::kReplacement;
    bool filled = false;
    ConverterHandle converter;
  };
  constexpr size_t kEntries = 4;
  thread_local Entry entries[kEntries];
  thread_local size_t nextVictim = 0;
  for (Entry& entry : entries)
    if (entry.filled && entry.codePage == codePage && entry.unmapped == unmapped) return entry.converter.get();
  Entry& entry = entries[nextVictim];
  nextVictim = (nextVictim + 1) % kEntries;
  entry.codePage = codePage;
  entry.unmapped = unmapped;
  entry.converter = OpenConfiguredConverter(codePage, unmapped);
  entry.filled = true;
  return entry.converter.get();
}

size_t LengthToZero(ByteView bytes) {
  const void* zero = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size());
  return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes.data()) : bytes.size();
}

// The first `length` bytes through `converter`; zero units of the result end
// the text when `stopAtZero` is set.
std::optional<std::string> ConvertWith(UConverter* converter, ByteView bytes, size_t length, bool stopAtZero) {
  if (converter == nullptr) return std::nullopt;
  UErrorCode error = U_ZERO_ERROR;
  ucnv_resetToUnicode(converter);
  if (length == 0) return std::string();
  if (length > static_cast<size_t>(INT32_MAX / 2)) return std::nullopt;
  const char* source = reinterpret_cast<const char*>(bytes.data());
  // Short values, the usual case, convert into a stack buffer.
  UChar stackUnits[512];
  std::vector<UChar> heapUnits;
  UChar* units = stackUnits;
  size_t capacity = sizeof(stackUnits) / sizeof(stackUnits[0]);
  if (length + 8 > capacity) {
    heapUnits.resize(length + 8);
    units = heapUnits.data();
    capacity = heapUnits.size();
  }
  int32_t produced = ucnv_toUChars(converter, units, static_cast<int32_t>(capacity), source,
                                   static_cast<int32_t>(length), &error);
  if (error == U_BUFFER_OVERFLOW_ERROR && produced > 0) {
    // A byte sequence may decode to a surrogate pair or more than one unit.
    heapUnits.resize(static_cast<size_t>(produced) + 1);
    units = heapUnits.data();
    capacity = heapUnits.size();
    error = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter);
    produced = ucnv_toUChars(converter, units, static_cast<int32_t>(capacity), source,
                             static_cast<int32_t>(length), &error);
  }
  if (U_FAILURE(error) || produced < 0) return std::nullopt;
  std::string text;
  text.reserve(static_cast<size_t>(produced));
  AppendUtf16AsUtf8(text, reinterpret_cast<const char16_t*>(units), std::min(static_cast<size_t>(produced), capacity),
                    stopAtZero);
  return text;
}

}  // namespace

int32_t ColumnCodePage(int32_t collationId, const EngineState& state) {
  if (collationId == 0 || collationId == -1) return state.defaultAnsiCodePage;
  const int64_t key = collationId;  // sign-extended, as the table's keys are
  if (state.collation.collationKnown == 1 && key == state.collation.activeCollationId)
    return state.collation.activeCodePage;
  if (const CollationEntry* entry = FindCollation(state.collations, key)) return entry->codePage;
  return state.defaultAnsiCodePage;
}

std::optional<std::string> ConvertCodePageText(ByteView bytes, int32_t codePage) {
  return ConvertWith(CachedConverter(codePage, Unmapped::kReplacement), bytes, LengthToZero(bytes), true);
}

std::optional<std::string> ConvertCodePageBytes(ByteView bytes, int32_t codePage) {
  bool ascii = true;
  for (size_t index = 0; index < bytes.size() && ascii; ++index) ascii = bytes[index] < 0x80;
  // The code pages of 8-bit collations (874, 932, 936, 949, 950, 1250-1258)
  // agree with ASCII below 0x80, and most values are such text.
  if (ascii && CachedConverter(codePage, Unmapped::kSameValue) != nullptr)
    return std::string(bytes.data(), bytes.data() + bytes.size());
  return ConvertWith(CachedConverter(codePage, Unmapped::kSameValue), bytes, bytes.size(), false);
}

std::string WidenBytes(ByteView bytes) {
  const size_t length = LengthToZero(bytes);
  std::string text;
  text.reserve(length);
  for (size_t index = 0; index < length; ++index) AppendUtf8(text, bytes[index]);
  return text;
}

std::string ConvertCodePageOrWiden(ByteView bytes, int32_t codePage) {
  if (auto text = ConvertCodePageText(bytes, codePage)) return std::move(*text);
  return WidenBytes(bytes);
}

std::string ConvertCharacterData(ByteView bytes, int32_t collationId, const EngineState& state) {
  return ConvertCodePageOrWiden(bytes, ColumnCodePage(collationId, state));
}

}  // namespace pagewright
