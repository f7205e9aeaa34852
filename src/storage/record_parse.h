// Record parses shared by the record builders; not for use outside storage.
#pragma once

#include <memory>

#include "storage/record.h"

namespace pagewright::record_internal {

// The record parse with forwarding stubs left unfollowed: a stub comes back
// with fixedLength kUnreachedStubLength and no data.
std::unique_ptr<CPrimaryRecord> ParseWithoutFollowing(ByteView recordBytes, const CPage* page, uint16_t maxLength);

}  // namespace pagewright::record_internal
