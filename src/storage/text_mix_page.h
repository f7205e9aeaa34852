// LOB (text/image) pages: their records are TextRecords.
#pragma once

#include "storage/page.h"

namespace pagewright {

class TextMixPage : public RecordPage {
 public:
  using RecordPage::RecordPage;
  ~TextMixPage() override;
};

}  // namespace pagewright
