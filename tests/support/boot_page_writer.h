// Boot pages and the fixed leading pages of a primary file, as the server
// formats them: file header (page 0), PFS (1), GAM (2), SGAM (3), DCM (6),
// BCM (7) and the boot page (9), all owned by object 99.
#pragma once

#include <cstdint>
#include <string>

#include "storage/boot_page.h"
#include "support/file_writer.h"
#include "support/page_writer.h"

namespace pagewright::support {

// Owner id of the allocation and file-level pages.
inline constexpr int32_t kFileLevelObjectId = 99;

struct BootPageSpec {
  uint16_t version = 655;
  std::string databaseName = "Sample";  // UTF-8, written as UTF-16LE
  int32_t collationId = 872468488;      // SQL_Latin1_General_CP1_CI_AS
  PageId pageId{1, boot_layout::kBootPageNo};
};

// A boot page: one record at byte 96 holding the boot information block; the
// name field is the name's code units followed by 0x20 padding bytes.
PageImage MakeBootPage(const BootPageSpec& spec);
// Rewrites the 128-unit name field: `units` (cut to 128) then `padding`
// units up to the end of the field.
void PutDatabaseNameUnits(PageImage& page, const std::u16string& units,
                          char16_t padding = boot_layout::kNamePadding);

// A formatted page of `type` owned by object 99 with no records.
PageImage MakeFileLevelPage(int type, PageId pageId);
// The leading pages of a primary file (0, 1, 2, 3, 6, 7 and the boot page 9)
// in a file of `blocks` blocks (at least 10).
FileImage MakeMinimalPrimaryFile(const BootPageSpec& spec, int64_t blocks = 16);

}  // namespace pagewright::support
