// Fixtures for the open-sequence tests: a notifier that records what it is
// told, pages that carry only the header fields the scans look at, a plain
// block-by-block reference scan, and damaged copies of real files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/database_file.h"
#include "catalog/open_notifier.h"
#include "support/page_writer.h"

namespace pagewright::support {

// Records every report as one line: "status TEXT", "range N", "position N",
// "fatal TEXT".
class RecordingNotifier : public OpenNotifier {
 public:
  void StatusText(std::string_view text) override { events.push_back("status " + std::string(text)); }
  void ProgressRange(int64_t steps) override { events.push_back("range " + std::to_string(steps)); }
  void ProgressPosition(int64_t position) override {
    events.push_back("position " + std::to_string(position));
    positions.push_back(position);
  }
  void FatalError(std::string_view text) override {
    events.push_back("fatal " + std::string(text));
    fatalErrors.push_back(std::string(text));
  }

  std::vector<std::string> Statuses() const;

  std::vector<std::string> events;
  std::vector<int64_t> positions;
  std::vector<std::string> fatalErrors;
};

// A page with only type, owner and own page pointer set (2005+ layout: the
// index id is bits 48-63 of the allocation unit).
PageImage HeaderPage(int type, PageId own, int32_t objectId, uint16_t indexId = 0);

// The maps of reading `path` one 8192-byte block at a time from `baseOffset`,
// blocks 0 .. pageCount, zero past the end: the plain description the chunked
// scan must match. IAM pages are mapped only when `withIam`.
struct ReferenceMaps {
  PageMap systemPages;
  PageMap dataPages;
  PageMap iamPages;
};
ReferenceMaps ReferenceScan(const std::string& path, int64_t baseOffset, int64_t pageCount, bool secondaryList,
                            bool withIam);

// File bytes, or empty when unreadable.
Bytes ReadWholeFile(const std::string& path);

}  // namespace pagewright::support
