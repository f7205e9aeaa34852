#include "storage/text_record.h"

namespace pagewright {

TextRecord::TextRecord(ByteView page, size_t offset) {
  using namespace text_record_layout;
  uint8_t status = page.u8_or(offset + kStatus);
  recordType = (status >> 1) & 0x7;
  hasNullBitmap = (status & 0x10) != 0;
  hasVariableColumns = (status & 0x20) != 0;
  auto fixedEnd = page.u16_at(offset + kFixedEnd);
  if (!fixedEnd) return;
  fixedLength = static_cast<int16_t>(static_cast<int>(*fixedEnd) - static_cast<int>(kNode));
  if (fixedLength <= 0) return;
  // The node must end inside the page; a longer fixed part is damage.
  auto fixed = page.sub(offset + kNode, static_cast<size_t>(fixedLength));
  if (!fixed) return;
  node = fixed->to_vector();
  if (node.size() < kNodeHeaderSize) return;
  blobId = fixed->u64_or(kNodeBlobId);
  nodeType = fixed->u16_or(kNodeType);
  lobLength = static_cast<int32_t>(node.size() - kNodeHeaderSize);
}

TextRecord::~TextRecord() = default;

}  // namespace pagewright
