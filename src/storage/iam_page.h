// Index allocation map pages.
#pragma once

#include "storage/page.h"

namespace pagewright {

class IamPage : public ExtentAllocationMap {
 public:
  using ExtentAllocationMap::ExtentAllocationMap;
  ~IamPage() override;
};

}  // namespace pagewright
