// Fuzz target of the binary XML converter: any bytes, no crash, no read
// outside them.
#include <cstddef>
#include <cstdint>

#include "values/xml_converter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pagewright::XmlDecodeStatus status;
  std::string text = pagewright::DecodeBinaryXml(pagewright::ByteView(data, size), status);
  if (status.outcome == pagewright::XmlDecodeStatus::Outcome::kNotBinaryXml && !text.empty()) __builtin_trap();
  return 0;
}
