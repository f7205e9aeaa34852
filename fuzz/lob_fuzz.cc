// Fuzz target: a LOB tree over fake text pages built from the input. The
// first 32 bytes are a text pointer and an in-row root; the rest is cut into
// pages 1:1, 1:2, ... of 8192 bytes each (the last one zero-padded).
#include <cstddef>
#include <cstdint>

#include "storage/lob.h"
#include "support/lob_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pagewright;
  constexpr size_t kPointerBytes = 40;
  if (size < kPointerBytes) return 0;
  support::FakeLobPages pages;
  int32_t pageNo = 1;
  for (size_t at = kPointerBytes; at < size && pageNo <= 8; at += kPageSize, ++pageNo) {
    size_t length = std::min(kPageSize, size - at);
    support::Bytes page(data + at, data + at + length);
    page.resize(kPageSize, 0);
    pages.PutBytes(PageId{1, pageNo}, page);
  }
  LobRequest request(pages);
  request.maxNodes = 4096;
  request.asHex = data[0] & 1;
  request.narrow = data[0] & 2;
  request.hasTypeHeader = data[0] & 4;
  std::vector<LobFragment> sink;
  request.collect = data[0] & 8;
  request.byteSink = &sink;
  ReadTextPointerValue(ByteView(data, 16), request);
  ReadComplexValue(ByteView(data + 16, kPointerBytes - 16), request);
  return 0;
}
