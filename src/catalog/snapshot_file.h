// Snapshot files: the page maps of a scanned primary file, with the path of
// that file and the recovery options of the scan, so that a later open can
// skip the mapping scan. Usual extension "MDBVLT".
//
// Little-endian, packed, no gaps:
//
//   #  field                width            content
//   1  pathBytes            uint32           bytes of the path (2 x UTF-16 units)
//   2  path                 pathBytes        primary data file, UTF-16LE, no terminator
//   3  advancedMode         uint8            1: the scan ran in Advanced recovery mode
//   4  collationAuto        uint8            1: collation from the file; 0: chosen
//   5  manualCollationId    2 x uint32       only when collationAuto is 0: low, high
//   6  legacyCatalog        uint8            the file uses the 2000 catalog layout
//   7  showDeleted          uint8
//   8  showAdvancedDeleted  uint8
//   9  systemPages          page map
//   10 dataPages            page map
//   11 iamPages             page map
//   12 extension            optional, see below
//
// A page map:
//   keyCount   uint64    object ids in the map; the upper 32 bits are 0
//   keyCount times, ascending:
//     objectId   int32
//     entryCount uint32
//     entries    entryCount x 10 bytes: int16 fileId, int32 position, int32 pageType
//
// The extension. The 10-byte entries have no room for the header index id
// that tells user pages from catalog pages sharing an object id, and the
// format has no way to notice damage. Both follow the last map, where readers
// of the plain format have stopped reading:
//
//   offset  width        field
//   0       8            magic "PGWRIXID"
//   8       4            extension version (1)
//   12      8            indexIdCount: every entry of the three maps, in file order
//   20      2 x count    index id of each entry (header bytes 6-7)
//   20+2n   4            CRC-32 (IEEE) of every byte of the file before this field
//
// Every version of the extension starts with the magic and the version and
// ends with the CRC-32 of every byte of the file before it.
//
// A snapshot without the extension loads with its index ids unknown:
// catalog entries get 0, data and IAM entries kUnknownIndexId, which table
// resolution matches by object id alone. An extension of a later version is
// checked (its CRC) and otherwise skipped the same way. Bytes after the maps
// that are not an extension, or an extension that does not check out,
// refuse the snapshot. (A file cut exactly at the end of its maps cannot be
// told from one written without the extension.)
//
// Every count and length in the file is checked against the bytes the file
// still holds before anything is allocated for it, so a damaged or hostile
// file ends in a refusal, never in an unbounded allocation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/database_file.h"
#include "catalog/open_sequence.h"

namespace pagewright {

struct EngineState;

namespace snapshot_format {
inline constexpr size_t kPathBytesWidth = 4;
inline constexpr size_t kFlagWidth = 1;
inline constexpr size_t kManualCollationWidth = 8;
inline constexpr size_t kKeyCountWidth = 8;
inline constexpr size_t kKeyWidth = 4 + 4;  // objectId, entryCount
inline constexpr size_t kEntryWidth = kMappedPageDiskSize;
// Entry fields.
inline constexpr size_t kEntryFileId = 0;
inline constexpr size_t kEntryPosition = 2;
inline constexpr size_t kEntryPageType = 6;
// Extension fields.
inline constexpr char kExtensionMagic[8] = {'P', 'G', 'W', 'R', 'I', 'X', 'I', 'D'};
inline constexpr uint32_t kExtensionVersion = 1;
inline constexpr size_t kExtensionMagicWidth = 8;
inline constexpr size_t kExtensionVersionOffset = 8;
inline constexpr size_t kExtensionCountOffset = 12;
inline constexpr size_t kExtensionIndexIdsOffset = 20;
inline constexpr size_t kExtensionChecksumWidth = 4;
// Longest path accepted: 32767 UTF-16 units, the longest path Windows has.
inline constexpr uint32_t kMaxPathBytes = 2 * 32767;
}  // namespace snapshot_format

// Fields 1 to 8: what a snapshot says about the scan it was taken of. Filled
// by whoever saves (the workflow from its application state, the console from
// its options) and handed back by ReadSnapshotHeader.
struct SnapshotHeader {
  std::string dataFilePath;  // UTF-8
  uint8_t advancedMode = 0;
  uint8_t collationAuto = 1;
  int64_t manualCollationId = 0;  // stored only when collationAuto is 0
  uint8_t legacyCatalog = 0;
  uint8_t showDeleted = 0;
  uint8_t showAdvancedDeleted = 0;

  friend bool operator==(const SnapshotHeader&, const SnapshotHeader&) = default;
};

// The header of a save: the data file's path and the scan's mode, the
// collation choice and the flags from the engine state as they are now.
SnapshotHeader SnapshotHeaderFromState(const std::string& dataFilePath, bool advancedMode, const EngineState& state);

// Restores the options of a loaded header into the engine state: the
// collation choice (collationAuto, manualCollationId), legacyCatalog and the
// two deleted-record flags. The data-file path is the caller's to use.
void ApplySnapshotHeader(const SnapshotHeader& header, EngineState& state);

// Writes the page maps of `file` under `header` to `snapshotPath`, with the
// extension. The file appears whole or not at all: it is written beside the
// target under a temporary name and renamed over it. Refused (false, nothing
// written, the reason in `why` when given) when the target is the primary
// file or one of the secondary files of `file` (by identity, so links and
// other spellings of the path count), a folder, or cannot be written.
// Entries of the secondary files in file.secondaryFiles are left out: a
// snapshot holds what the mapping scan of the primary file found, and the
// open of a snapshot maps the secondary files again.
bool WriteSnapshot(const DatabaseFile& file, const SnapshotHeader& header, const std::string& snapshotPath,
                   std::string* why = nullptr);

// Reads fields 1 to 8. Nothing, with the reason in `why`, when the file
// cannot be opened, ends inside the header, stores an odd or overlong path
// length, or a flag byte other than 0 or 1.
std::optional<SnapshotHeader> ReadSnapshotHeader(const std::string& snapshotPath, std::string* why = nullptr);

// The snapshot load of the open sequence: reports "Loading snapshot...please
// wait ......................" to file.notifier, reads the file read-only,
// checks it whole (header, every count against the bytes left, the exact
// end or a sound extension) and appends its three maps to those of `file`.
// On any refusal the maps of `file` are left as they were and false is
// returned, the reason in `why`.
bool LoadSnapshotMaps(const std::string& snapshotPath, DatabaseFile& file, std::string* why = nullptr);

// Open options for snapshot mode: the open sequence calls LoadSnapshotMaps
// on `snapshotPath`. When `failure` is given, the reason of a refused load is
// stored there (the open itself only says the file is not valid).
OpenOptions SnapshotOpenOptions(const std::string& snapshotPath, std::shared_ptr<std::string> failure = nullptr);

// Status text of the snapshot load.
namespace snapshot_text {
inline constexpr std::string_view kLoading = "Loading snapshot...please wait ......................";
}  // namespace snapshot_text

}  // namespace pagewright
