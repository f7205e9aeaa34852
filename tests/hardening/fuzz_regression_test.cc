// Findings of the fuzz targets (fuzz/), each replayed as a named case. The
// sanitizer build of the suite (build-asan/) is what catches a relapse of the
// memory faults; the plain build still checks the results.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "storage/lob_node.h"

namespace pagewright {
namespace {

// database_file_fuzz: a text value of 8-bit characters opened an iconv
// converter per code page that no one closed; every thread that decoded one
// (each scan worker) leaked it, and the process's main thread did at exit.
TEST(FuzzRegression, EightBitLobTextConvertersCloseWithTheirThread) {
  struct Case {
    int32_t codePage;
    std::vector<uint8_t> bytes;
    std::string expected;
  };
  const Case cases[] = {
      {1252, {0x63, 0x61, 0x66, 0xE9, 0x80}, "caf\xC3\xA9\xE2\x82\xAC"},
      {1251, {0xCF, 0xF0, 0xE8}, "\xD0\x9F\xD1\x80\xD0\xB8"},
      {1250, {0x8A, 0x61}, "\xC5\xA0" "a"},
  };
  std::vector<std::string> results(std::size(cases));
  std::thread worker([&] {
    for (size_t index = 0; index < std::size(cases); ++index) {
      LobTextMode mode;
      mode.codePage = cases[index].codePage;
      results[index] = LobBytesAsText(ByteView(cases[index].bytes.data(), cases[index].bytes.size()), mode);
    }
  });
  worker.join();
  for (size_t index = 0; index < std::size(cases); ++index)
    EXPECT_EQ(results[index], cases[index].expected) << "code page " << cases[index].codePage;
}

}  // namespace
}  // namespace pagewright
