// The alignment probe and the mapping scan: the two passes over a data file
// that find where its pages start and which page belongs to which object.
//
// Header fields the scan takes from every 8 KB block (page_header.h):
//   offset width field
//   1      1     pageType
//   6      2     indexId    bits 48-63 of the owning allocation unit (2005+)
//   24     4     objectId   bits 16-47 of the owning allocation unit (2005+)
//   32     4     page number of the page's own page pointer (probe only)
//   36     2     fileId     file number of the page's own page pointer
//
// Block i of a file is the 8192 bytes at baseOffset + i * 8192; bytes the file
// does not have read as zero. The scan reads the file in large sequential
// chunks but yields exactly the maps of reading it one block at a time.
//
// Catalog pages. In files of 2005 and later a page's owner is its allocation
// unit, and user units carry index id 256 and up in the header beside an
// object id that may equal a system table's id; system-table pages carry
// index ids 0 to 4. In the 2000 layout index ids run from 0 to 255 and the
// object id alone names the table. So "object id on the catalog list and
// header index id below 256" selects exactly the catalog pages in both
// layouts, and the scan applies it before the layout is known: systemPages
// never holds a user table's page. dataPages and iamPages keep every page
// with its index id, so table resolution can match a page to its unit.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "catalog/database_file.h"
#include "storage/page_header.h"

namespace pagewright {

class OpenNotifier;
struct EngineState;

// Catalog object ids whose pages enter systemPages.
inline constexpr int32_t kPrimaryCatalogObjectIds[] = {1,  2,  3,  4,  5,  6,  7,  8,  13, 14, 20,
                                                       21, 34, 41, 50, 53, 54, 55, 60, 74, 99, 2187};
inline constexpr int32_t kSecondaryCatalogObjectIds[] = {3, 4, 5, 7, 8, 13, 34, 41, 50, 54, 55, 60, 74};

bool IsPrimaryCatalogObjectId(int32_t objectId);
bool IsSecondaryCatalogObjectId(int32_t objectId);

// Index ids of 256 and above belong to user allocation units (2005+ layout).
inline constexpr uint16_t kFirstUserIndexId = 256;
inline bool IsCatalogIndexId(uint16_t indexId) { return indexId < kFirstUserIndexId; }

// Bytes per read of the sequential scans: large enough that the per-call cost
// vanishes, small enough that the headers are still in cache when looked at.
inline constexpr size_t kScanChunkBytes = size_t{1} << 20;

// The outcome of the alignment probe. `baseOffset` is where block 0 starts:
// the alignment at which a page was found at its own position (the candidate
// r in pass 1, 0 in pass 2), or the candidate when none was found.
struct AlignmentProbe {
  bool found = false;
  int64_t baseOffset = 0;
};

// The "Checking for file corruption" probe of a file with `pageCount` whole
// pages and remainder `candidateOffset`: looks from page 8 (or pageCount / 4
// for small files) for a block whose header names its own position, first at
// alignment `candidateOffset`, then, when that is not 0, at alignment 0. When
// both alignments find one, the one whose first hit comes earlier wins: it is
// the one that reads the leading pages (boot page, catalog roots) in place.
// Reports status and progress to `notifier` (may be null); a stop request
// ends the probe early with found = false unless a page was found.
AlignmentProbe ProbeAlignment(const ReadOnlyFile& file, int64_t fileLength, int64_t pageCount,
                              int64_t candidateOffset, const EngineState& state, OpenNotifier* notifier);

// Where the entries of one scanned file go.
struct MappingTarget {
  PageMap* systemPages = nullptr;
  PageMap* dataPages = nullptr;
  PageMap* iamPages = nullptr;       // null: IAM pages are not mapped
  bool secondaryCatalogList = false;  // the secondary list of catalog object ids
  // The file id every entry carries; 0: the header's file id.
  int16_t fixedFileId = 0;
  // Set to the header file id of the first data page (type 1, positive object
  // id) that names a file id above 1; 0 when none does. May be null.
  int16_t* firstDataPageFileId = nullptr;
};

// Counts of what one scan entered; `systemPages` decides whether a primary
// file holds a catalog.
struct MappingCounts {
  int64_t blocks = 0;
  int64_t systemPages = 0;
  int64_t dataPages = 0;
  int64_t iamPages = 0;
};

// Scans blocks 0 to pageCount (the block at pageCount is the partial or empty
// tail) of `file` from `baseOffset` into `target`, reporting progress every
// ceil(pageCount / 100) blocks and at the end. Stops early on a stop request.
MappingCounts ScanFilePages(const ReadOnlyFile& file, int64_t fileLength, int64_t pageCount, int64_t baseOffset,
                            const MappingTarget& target, const EngineState& state, OpenNotifier* notifier);

// Calls visit(firstBlock, chunk) for consecutive runs of blocks first..last
// of `file`, block i at base + i * 8192, zero where the file has no bytes:
// `chunk` holds whole 8192-byte blocks, up to kScanChunkBytes per pread.
// Stops when visit returns false. A short read inside the file is retried
// block by block, so an unreadable block costs only itself. Returns false
// when the read buffer could not be obtained.
using ChunkVisitor = std::function<bool(int64_t firstBlock, ByteView chunk)>;
bool ForEachChunk(const ReadOnlyFile& file, int64_t fileLength, int64_t base, int64_t first, int64_t last,
                  const ChunkVisitor& visit);

// Whether the mapping scan would enter a page with these header fields into
// systemPages (see the note at the top).
inline bool IsCatalogPage(int32_t objectId, uint16_t indexId, bool secondaryList) {
  bool listed = secondaryList ? IsSecondaryCatalogObjectId(objectId) : IsPrimaryCatalogObjectId(objectId);
  return listed && IsCatalogIndexId(indexId);
}

// Whether a page whose header shows `headerObjectId` and `indexId` belongs
// to allocation unit `unitId` (2005+ layout): bits 16-47 of the unit are the
// header object id and bits 48-63 the header index id. Units carried over
// from SQL Server 2000 have bits 48-63 below 256 while their old pages show
// index id 0; for them only the object id can be compared, and so for an
// entry whose index id is unknown (kUnknownIndexId).
inline bool PageMatchesUnit(int32_t headerObjectId, uint16_t indexId, int64_t unitId) {
  const uint64_t unit = static_cast<uint64_t>(unitId);
  if (static_cast<uint32_t>(headerObjectId) != static_cast<uint32_t>((unit >> 16) & 0xFFFFFFFFu)) return false;
  const uint16_t unitIndexId = static_cast<uint16_t>(unit >> 48);
  return unitIndexId == indexId || (unitIndexId < kFirstUserIndexId && indexId == 0) || indexId == kUnknownIndexId;
}

}  // namespace pagewright
