// TextMixPage: a LOB (text/image) page. Every slot's record is parsed into a
// TextRecord; the page owns them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/page.h"
#include "storage/text_record.h"

namespace pagewright {

class TextMixPage : public RecordPage {
 public:
  // Takes the buffer and parses one TextRecord per slot; a slot whose offset
  // lies in the page header or past the page gets no record (a null entry).
  // `file` may be null (tests, fuzzing).
  TextMixPage(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* file);
  ~TextMixPage() override;

  // Number of slots, with or without a record.
  int recordCount() const { return static_cast<int>(records.size()); }
  // The record of `slot`, or null when the slot is out of range or has none.
  const TextRecord* TextRecordAt(int slot) const;

  // The LOB records between the header and the slot array, in a slot or not,
  // whose node is a root (storage/lob_node.h, IsLobRootType) carrying
  // `blobId`; parsed afresh, in page order. A freed record is found as long as
  // its bytes have not been overwritten. Empty for blob id 0, which zeroed
  // space would match.
  std::vector<std::unique_ptr<TextRecord>> FindRootRecords(uint64_t blobId) const;
};

}  // namespace pagewright
