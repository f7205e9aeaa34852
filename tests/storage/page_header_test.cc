#include "storage/page_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace pagewright {
namespace {

TEST(PageHeader, LsnAndTransactionTexts) {
  std::vector<uint8_t> page(kPageSize, 0);
  page[40] = 1;
  page[44] = 2;
  page[48] = 3;
  page[52] = 7;
  page[56] = 0xFF;
  page[57] = 0xFF;
  auto h = CPage_Header::DecodeReadOnly(ByteView(page));
  EXPECT_EQ(h.lsnText, "( 1 : 2 : 3 )");
  EXPECT_EQ(h.xdesText, "( -1 : 7 )");
}

}  // namespace
}  // namespace pagewright
