// Fuzz target: header decoding with torn-bit restoration, the slot array and
// the boot page fields of any 8 KB of bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "storage/boot_page.h"
#include "storage/page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pagewright;
  auto buffer = std::make_unique<PageBuffer>(data, data + (size < kPageSize ? size : kPageSize));
  RecordPage page(std::move(buffer), nullptr);
  (void)page.header->IsPlausible();
  CBootPage boot(ByteView(data, size), nullptr);
  (void)DecodeDatabaseName(ByteView(data, size));
  return 0;
}
