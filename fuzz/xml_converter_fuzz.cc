// Fuzz target of the binary XML converter: any bytes decode without a crash or
// a read outside them, and a cut-off copy of a value reads as a prefix of the
// whole value's text (a DOCTYPE cut between its optional parts excepted).
#include <cstddef>
#include <cstdint>
#include <string>

#include "values/xml_converter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = pagewright::ConvertXmlValue(pagewright::ByteView(data, size));
  const std::string cut = pagewright::ConvertXmlValue(pagewright::ByteView(data, size / 2));
  const bool doctype = cut.find("<!DOCTYPE") != std::string::npos;
  if (!doctype && text.compare(0, cut.size(), cut) != 0) __builtin_trap();
  return 0;
}
