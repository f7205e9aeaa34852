// The xml value converter: SQL Server's binary XML, as an xml column stores
// it, in; the value's XML text (UTF-8) out.
//
// The decoder is our own and reads nothing but the bytes it is given. Every
// length is checked against the bytes left, element and document nesting is
// bounded, and so is the text produced relative to the input.
//
// Damage: a value that is not binary XML at all (no header, unknown version)
// gives the empty text, which callers show as a failed conversion. A document
// damaged part-way gives the text decoded up to the damage, as it was written
// up to that point: every token before the damage is written, the damaged one
// is not, and no end tags are invented, so a cut-off value reads as one. The
// text of any cut-off copy of a value is therefore a prefix of the whole
// value's text (except that a DOCTYPE cut between its optional parts reads as
// a shorter DOCTYPE).
#pragma once

#include <cstddef>
#include <string>

#include "storage/byte_view.h"

namespace pagewright {

// Deepest element (and nested document) nesting decoded; SQL Server itself
// allows 128 levels.
constexpr size_t kMaxXmlNesting = 1000;

// How a decode ended, for callers that log damaged values and for tests.
struct XmlDecodeStatus {
  enum class Outcome {
    kComplete,      // the whole value decoded
    kDamaged,       // decoding stopped at damageOffset; text is what came before
    kNotBinaryXml,  // no valid header: the text is empty
  };
  Outcome outcome = Outcome::kNotBinaryXml;
  size_t damageOffset = 0;   // offset of the token that could not be decoded
  const char* reason = "";   // fixed English text naming the damage
};

// The XML text of one stored xml value; empty when it cannot be decoded at all.
std::string ConvertXmlValue(ByteView bytes);

// As ConvertXmlValue, also telling how the decode ended.
std::string DecodeBinaryXml(ByteView bytes, XmlDecodeStatus& status);

}  // namespace pagewright
