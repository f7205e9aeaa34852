#include "storage/scsu.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <memory>

namespace pagewright {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

// Substitutes U+FFFD for damage and notes it; a single truncated byte at the
// end of the stream is dropped without a mark, because the server leaves a
// value that ends in Unicode mode with one spare byte.
void SubstituteAndNote(const void* context, UConverterToUnicodeArgs* args, const char* codeUnits,
                       int32_t length, UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to do
  auto* damaged = static_cast<bool*>(const_cast<void*>(context));
  if (*error == U_TRUNCATED_CHAR_FOUND && length == 1) {
    *error = U_ZERO_ERROR;
    return;
  }
  *damaged = true;
  UCNV_TO_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, reason, error);
}

// Walks the tag structure of the stream looking for window-offset bytes the
// standard reserves (00, A8-F8 after SDn / UDn). The converter does not treat
// them as errors: it swallows the next byte and moves the window somewhere
// arbitrary, so such a value is damaged even when the text looks whole.
bool HasReservedWindowOffset(ByteView bytes) {
  auto reserved = [](uint8_t offset) { return offset == 0x00 || (offset >= 0xA8 && offset <= 0xF8); };
  bool unicodeMode = false;
  size_t position = 0;
  while (position < bytes.size()) {
    uint8_t tag = bytes[position];
    if (!unicodeMode) {
      if (tag >= 0x01 && tag <= 0x08) position += 2;                      // SQn + byte
      else if (tag == 0x0B || tag == 0x0E) position += 3;                 // SDX, SQU + 2 bytes
      else if (tag == 0x0F) { unicodeMode = true; position += 1; }        // SCU
      else if (tag >= 0x18 && tag <= 0x1F) {                              // SDn + offset
        if (position + 1 < bytes.size() && reserved(bytes[position + 1])) return true;
        position += 2;
      } else position += 1;
    } else {
      if (tag >= 0xE0 && tag <= 0xE7) { unicodeMode = false; position += 1; }  // UCn
      else if (tag >= 0xE8 && tag <= 0xEF) {                                   // UDn + offset
        if (position + 1 < bytes.size() && reserved(bytes[position + 1])) return true;
        unicodeMode = false;
        position += 2;
      } else if (tag == 0xF0) position += 3;                              // UQU + 2 bytes
      else if (tag == 0xF1) { unicodeMode = false; position += 3; }       // UDX + 2 bytes
      else position += 2;                                                 // a code unit (or URs)
    }
  }
  return false;
}

}  // namespace

UnicodeValue DecodeScsu(ByteView bytes) {
  UnicodeValue result;
  if (bytes.empty()) return result;

  UErrorCode status = U_ZERO_ERROR;
  ConverterHandle converter(ucnv_open("SCSU", &status));
  if (U_FAILURE(status) || !converter) {
    result.damaged = true;
    return result;
  }
  bool damaged = false;
  ucnv_setToUCallBack(converter.get(), SubstituteAndNote, &damaged, nullptr, nullptr, &status);
  if (U_FAILURE(status)) {
    result.damaged = true;
    return result;
  }

  // One input byte yields at most a surrogate pair; a substitution one unit.
  std::u16string buffer(2 * bytes.size() + 2, u'\0');
  UChar* target = reinterpret_cast<UChar*>(buffer.data());
  UChar* targetEnd = target + buffer.size();
  const char* source = reinterpret_cast<const char*>(bytes.data());
  const char* sourceEnd = source + bytes.size();
  status = U_ZERO_ERROR;
  ucnv_toUnicode(converter.get(), &target, targetEnd, &source, sourceEnd, nullptr, true, &status);
  size_t produced = static_cast<size_t>(target - reinterpret_cast<UChar*>(buffer.data()));
  if (U_FAILURE(status)) damaged = true;  // output kept: it is what could be read
  buffer.resize(produced);
  result.text = std::move(buffer);
  result.damaged = damaged || HasReservedWindowOffset(bytes);
  return result;
}

UnicodeValue DecodeCompressedUnicode(ByteView bytes) {
  if (bytes.size() % 2 == 1) return DecodeScsu(bytes);
  UnicodeValue result;
  result.text.reserve(bytes.size() / 2);
  for (size_t offset = 0; offset + 1 < bytes.size(); offset += 2)
    result.text.push_back(static_cast<char16_t>(bytes.u16_or(offset)));
  return result;
}

}  // namespace pagewright
