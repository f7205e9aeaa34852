// Records parsed from pages. CRecord is the base of every record class; the
// FixedVar primary record and its parse live beside it.
#pragma once

#include <cstdint>

namespace pagewright {

class CRecord {
 public:
  virtual ~CRecord() = default;
};

}  // namespace pagewright
