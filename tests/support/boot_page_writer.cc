#include "support/boot_page_writer.h"

#include <algorithm>

namespace pagewright::support {

namespace {
// The boot record's fixed part, as long as the server writes it.
constexpr uint16_t kBootRecordFixedEnd = 1444;
}  // namespace

void PutDatabaseNameUnits(PageImage& page, const std::u16string& units, char16_t padding) {
  using namespace boot_layout;
  for (size_t index = 0; index < kDatabaseNameUnits; ++index) {
    char16_t unit = index < units.size() ? units[index] : padding;
    page.Put16(kDatabaseName + 2 * index, static_cast<uint16_t>(unit));
  }
}

PageImage MakeFileLevelPage(int type, PageId pageId) {
  PageImage page(type, pageId);
  page.SetObjectId(kFileLevelObjectId);
  page.SetFlagBits(0x0200);  // page checksums, as 2005 and later write
  page.SetLsn(50, 83, 2);
  return page;
}

PageImage MakeBootPage(const BootPageSpec& spec) {
  PageImage page = MakeFileLevelPage(page_type::kBoot, spec.pageId);
  Bytes record;
  AppendU8(record, 0x00);  // status A: primary record, no null bitmap, no variable part
  AppendU8(record, 0x00);
  AppendU16(record, kBootRecordFixedEnd);
  record.resize(kBootRecordFixedEnd, 0);
  AppendU16(record, 0);  // column count
  int slot = page.AddRecord(record);
  (void)slot;  // an empty page always has room for it
  page.Put16(boot_layout::kVersion, spec.version);
  Bytes name = Utf16Le(spec.databaseName);
  std::u16string units;
  for (size_t index = 0; index + 1 < name.size(); index += 2)
    units.push_back(static_cast<char16_t>(name[index] | (name[index + 1] << 8)));
  PutDatabaseNameUnits(page, units);
  page.Put32(boot_layout::kCollationId, static_cast<uint32_t>(spec.collationId));
  return page;
}

FileImage MakeMinimalPrimaryFile(const BootPageSpec& spec, int64_t blocks) {
  FileImage file;
  file.SetBlockCount(std::max<int64_t>(blocks, boot_layout::kBootPageNo + 1));
  const struct {
    int type;
    int32_t pageNo;
  } kLeadingPages[] = {{page_type::kFileHeader, 0}, {page_type::kPfs, 1},      {page_type::kGam, 2},
                       {page_type::kSgam, 3},       {page_type::kDiffMap, 6}, {page_type::kMinimallyLoggedMap, 7}};
  for (const auto& leading : kLeadingPages) file.PutPage(MakeFileLevelPage(leading.type, PageId{1, leading.pageNo}));
  file.PutPage(MakeBootPage(spec));
  return file;
}

}  // namespace pagewright::support
