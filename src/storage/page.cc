#include "storage/page.h"

#include "catalog/database_file.h"

namespace pagewright {

std::vector<uint16_t> ReadSlotArray(ByteView page, int16_t slotCount) {
  std::vector<uint16_t> slots;
  if (slotCount <= 0 || slotCount >= page_layout::kMaxSlotCount) return slots;
  slots.reserve(slotCount);
  for (int slot = 0; slot < slotCount; ++slot) slots.push_back(page.u16_or(kPageSize - 2 - 2 * slot));
  return slots;
}

RecordPage::RecordPage(std::unique_ptr<PageBuffer> buffer, const DatabaseFile* owner) {
  file = owner;
  data = std::move(buffer);
  if (!data) data = std::make_unique<PageBuffer>(kPageSize, 0);
  if (data->size() < kPageSize) data->resize(kPageSize, 0);
  header = std::make_unique<CPage_Header>(CPage_Header::Decode(data->data(), data->size()));
  bool stopped = owner && owner->state().cancelFlag.load(std::memory_order_relaxed);
  if (!stopped) slots = ReadSlotArray(bytes(), header->slotCount);
}

RecordPage::~RecordPage() = default;
PrimaryRecordPage::~PrimaryRecordPage() = default;
CDataPage::~CDataPage() = default;

}  // namespace pagewright
