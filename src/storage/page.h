// The page object class tree. A page owns its header, its buffer, its slot
// array and its records; destroying the page destroys them all.
//
//   CPage
//    └ RecordPage                 records of every slot, slot array
//       ├ PrimaryRecordPage       compression information, deleted-record offsets
//       │  ├ CDataPage            data page for row loading and the catalog
//       │  ├ CBootPage            (storage/boot_page.h)
//       │  └ ExtentAllocationMap  (storage/allocation_map.h)
//       │     └ IamPage           (storage/iam_page.h)
//       └ TextMixPage             LOB page (storage/text_mix_page.h)
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/byte_view.h"
#include "storage/page_header.h"
#include "storage/record.h"

namespace pagewright {

class DatabaseFile;
struct CompressionInfo;  // storage/compression_info.h

// A page buffer: always kPageSize bytes, zero where nothing was read.
using PageBuffer = std::vector<uint8_t>;

class CPage {
 public:
  CPage() = default;
  CPage(const CPage&) = delete;
  CPage& operator=(const CPage&) = delete;
  virtual ~CPage() = default;

  ByteView bytes() const { return data ? ByteView(*data) : ByteView(); }

  std::unique_ptr<CPage_Header> header;
  const DatabaseFile* file = nullptr;  // not owned
  std::unique_ptr<PageBuffer> data;
};

class RecordPage : public CPage {
 public:
  // Takes the buffer, decodes the header (restoring torn bits in the buffer)
  // and copies the slot array. `file` may be null in tests; then no stop
  // request is honoured.
  RecordPage(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* file);
  ~RecordPage() override;

  // Slot k's record offset, or nothing when there is no such slot.
  bool hasSlots() const { return !slots.empty(); }

  std::vector<std::unique_ptr<CRecord>> records;         // one per slot, null where none
  std::vector<std::unique_ptr<CRecord>> deletedRecords;  // from the deleted-record scan
  std::vector<uint16_t> slots;                           // empty: no slot array
};

class PrimaryRecordPage : public RecordPage {
 public:
  using RecordPage::RecordPage;
  ~PrimaryRecordPage() override;

  // Compression information of a page with typeFlagBits 0x80 (filled by the
  // compressed-record reader); null otherwise.
  std::shared_ptr<CompressionInfo> compression;
  // Record offsets found by the deleted-record scan.
  std::vector<uint16_t> deletedOffsets;
};

class CDataPage : public PrimaryRecordPage {
 public:
  using PrimaryRecordPage::PrimaryRecordPage;
  ~CDataPage() override;
};

// Reads the slot array of `page`: empty when the stop flag is set or the slot
// count is 0 or less, or kMaxSlotCount or more.
std::vector<uint16_t> ReadSlotArray(ByteView page, int16_t slotCount);

}  // namespace pagewright
