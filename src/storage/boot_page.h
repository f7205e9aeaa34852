// The boot page: page 9 of the primary file, the facts about the whole
// database that are needed before any catalog is read.
//
// Layout (page bytes, little-endian); the boot information is the single
// record of the page, after the 96-byte header and a 4-byte record header:
//   offset width field
//   100    2     version        on-disk format version
//   148    256   databaseName   UTF-16LE, 128 code units; ends at the first
//                               NUL unit or is padded with 0x20 bytes (units
//                               0x2020) and blanks
//   488    4     collationId    collation of the database's character data
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "storage/byte_view.h"
#include "storage/engine_state.h"
#include "storage/page.h"

namespace pagewright {

namespace boot_layout {
inline constexpr int32_t kBootPageNo = 9;
inline constexpr size_t kVersion = 100;
inline constexpr size_t kDatabaseName = 148;
inline constexpr size_t kDatabaseNameUnits = 128;
inline constexpr size_t kCollationId = 488;
// Catalog objects whose first mapped page tells the shift between positions
// and page numbers: the first that has a page is used.
inline constexpr int32_t kShiftSampleObject = 7;
inline constexpr int32_t kShiftFallbackObject = 41;
// Padding code units at the end of the name field.
inline constexpr char16_t kNamePadding = 0x2020;
inline constexpr char16_t kNameBlank = 0x0020;
}  // namespace boot_layout

inline constexpr const char* kUnknownVersionText = "Unknown SQL Version";

class CBootPage : public PrimaryRecordPage {
 public:
  // Decodes the boot facts from a copy of `page` (the caller keeps its
  // buffer); missing bytes read as zero. The slots are not parsed.
  CBootPage(ByteView page, const DatabaseFile* file);
  ~CBootPage() override;

  uint16_t version = 0;
  std::string versionText;   // release name, " SQL Server 2008", or "Unknown SQL Version"
  std::string databaseName;  // UTF-8
  int32_t collationId = 0;
};

// The release name of an on-disk version: the name with its leading blank, or
// "Unknown SQL Version".
std::string ReleaseName(int version);
// The database name field of a boot page as UTF-8: the UTF-16 text up to the
// first NUL unit, without the trailing padding units (0x2020 and blanks);
// inner and leading blanks stay. Unpaired surrogates become U+FFFD.
std::string DecodeDatabaseName(ByteView page);

// What reading the boot page of an opened file found.
struct BootPageFacts {
  uint16_t version = 0;
  std::string versionText;
  std::string databaseName;  // UTF-8
  int32_t collationId = 0;
  int32_t shift = 0;         // page number minus position, from the sample page
  int64_t position = 0;      // block read: 9 - shift
  bool collationFound = false;
};

// The shift between page numbers and positions of the primary file, from the
// first page mapped for object 7 (else 41): its own page number minus its
// position. 0 when there is no such page or its header cannot be read.
int32_t BootPageShift(const DatabaseFile& file);

// Locates the boot page (page 9, moved by the shift), reads it from the
// primary file, decodes it and applies it to the file's engine state: the
// release name becomes databaseVersionText and the collation is selected
// (SelectDatabaseCollation). Nothing when 9 - shift is not above 0 or not
// below the page count, or the read fails; then the state is untouched. The
// file's databaseName is not set here: the open sequence copies it.
std::optional<BootPageFacts> ReadBootPage(DatabaseFile& file);

}  // namespace pagewright
