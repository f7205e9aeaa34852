// Text of binary XML values: UTF-16 code units from the stored bytes, text in
// a stored code page, and the escaping of both into UTF-8 XML text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/byte_view.h"

namespace pagewright {

// Where a piece of text goes, which decides its escaping.
enum class XmlTextPlace {
  kContent,    // & < > and CR escaped
  kAttribute,  // as content, plus " TAB LF
  kRaw,        // comments, PI data, names: written as stored
  kCdata,      // as raw, but "]]>" splits the section
};

// Appends `units` to `out` as UTF-8. Characters that cannot stand in XML 1.0
// (controls other than TAB/LF/CR, unpaired surrogates, U+FFFE, U+FFFF), which
// only damaged data holds, are written as character references "&#xN;" in
// every place so the stored code unit stays visible. `cdataBrackets` carries
// the number of ']' just written inside a CDATA section from one chunk to the
// next; it is used only for kCdata.
void AppendXmlText(std::string& out, std::u16string_view units, XmlTextPlace place,
                   int* cdataBrackets = nullptr);

// UTF-16LE code units of `bytes`; an odd last byte is ignored.
std::u16string Utf16FromBytes(ByteView bytes);

// Text stored in Windows code page `codePage` as UTF-16. 1200 is UTF-16LE,
// 1201 UTF-16BE, 65001 UTF-8; a code page the converter does not know is
// widened byte by byte, so no byte is lost from view.
std::u16string Utf16FromCodePage(ByteView bytes, uint32_t codePage);

}  // namespace pagewright
