#include "catalog/mapping_scan.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "catalog/open_notifier.h"
#include "storage/engine_state.h"

namespace pagewright {

namespace {

template <size_t N>
bool Listed(const int32_t (&ids)[N], int32_t objectId) {
  return std::binary_search(std::begin(ids), std::end(ids), objectId);
}

bool StopRequested(const EngineState& state) { return state.cancelFlag.load(std::memory_order_relaxed); }

// Progress step of a pass over n blocks: about 100 reports per pass.
int64_t ProgressStep(int64_t blocks) { return std::max<int64_t>(1, (blocks + 99) / 100); }

// Appends to one key's vector of a page map, remembering the last key so
// that runs of pages of one object cost no map lookup.
class MapAppender {
 public:
  explicit MapAppender(PageMap* map) : map_(map) {}
  void Append(int32_t key, const MappedPage& entry) {
    if (!map_) return;
    if (!last_ || key != lastKey_) {
      last_ = &(*map_)[key];
      lastKey_ = key;
    }
    last_->push_back(entry);
  }

 private:
  PageMap* map_;
  std::vector<MappedPage>* last_ = nullptr;
  int32_t lastKey_ = 0;
};

}  // namespace

bool IsPrimaryCatalogObjectId(int32_t objectId) { return Listed(kPrimaryCatalogObjectIds, objectId); }
bool IsSecondaryCatalogObjectId(int32_t objectId) { return Listed(kSecondaryCatalogObjectIds, objectId); }

bool ForEachChunk(const ReadOnlyFile& file, int64_t fileLength, int64_t base, int64_t first, int64_t last,
                  const ChunkVisitor& visit) {
  if (first < 0 || first > last || base < 0) return true;
  std::vector<uint8_t> buffer;
  try {
    buffer.resize(kScanChunkBytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const size_t maxChunkPages = kScanChunkBytes / kPageSize;
  // The first reads are small: the probe usually stops at its first block.
  size_t chunkPages = 8;
  int64_t block = first;
  while (block <= last) {
    size_t count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(chunkPages), last - block + 1));
    size_t want = count * kPageSize;
    int64_t offset = base + block * static_cast<int64_t>(kPageSize);
    size_t got = offset < fileLength ? file.ReadAt(offset, buffer.data(), want) : 0;
    if (got < want) {
      std::memset(buffer.data() + got, 0, want - got);
      // A read that ends before the end of the file met an unreadable spot;
      // reading the rest block by block loses only the blocks that fail.
      for (size_t index = got / kPageSize; index < count; ++index) {
        int64_t blockOffset = offset + static_cast<int64_t>(index * kPageSize);
        if (blockOffset >= fileLength) break;
        uint8_t* target = buffer.data() + index * kPageSize;
        size_t blockGot = file.ReadAt(blockOffset, target, kPageSize);
        std::memset(target + blockGot, 0, kPageSize - blockGot);
      }
    }
    if (!visit(block, ByteView(buffer.data(), want))) return true;
    block += static_cast<int64_t>(count);
    chunkPages = std::min(chunkPages * 2, maxChunkPages);
  }
  return true;
}

AlignmentProbe ProbeAlignment(const ReadOnlyFile& file, int64_t fileLength, int64_t pageCount,
                              int64_t candidateOffset, const EngineState& state, OpenNotifier* notifier) {
  AlignmentProbe result{false, candidateOffset};
  const int64_t start = pageCount > 8 ? 8 : pageCount / 4;
  const int64_t step = ProgressStep(pageCount);
  if (notifier) {
    notifier->StatusText(open_text::kCheckingCorruption);
    notifier->ProgressRange(pageCount);
    notifier->ProgressPosition(0);
  }

  bool bufferObtained = true;
  // The first block p in start..last of the pass at `alignment` that names
  // page p, or -1.
  auto pass = [&](int64_t alignment, int64_t last) {
    int64_t hit = -1;
    bufferObtained = ForEachChunk(file, fileLength, alignment, start, last, [&](int64_t first, ByteView chunk) {
      for (size_t offset = 0; offset < chunk.size(); offset += kPageSize) {
        const int64_t p = first + static_cast<int64_t>(offset / kPageSize);
        // Stop is honoured in both passes: the second pass is as long as the first.
        if (StopRequested(state)) return false;
        if (static_cast<int64_t>(chunk.i32_or(offset + page_layout::kPageId)) == p) {
          hit = p;
          return false;
        }
        if (notifier && p % step == 0) notifier->ProgressPosition(p);
      }
      return true;
    });
    return hit;
  };

  const int64_t firstHit = pass(candidateOffset, pageCount);
  if (firstHit >= 0) result = {true, candidateOffset};
  // A hit at r does not settle it: bytes inserted into the middle of a file
  // leave a remainder too, and then r puts the pages after the insertion in
  // place while 0 keeps the leading ones, the boot page and the catalog's
  // first pages among them. The alignment with the earlier hit holds those,
  // so pass 2 only has to look at the blocks before pass 1's hit.
  if (bufferObtained && candidateOffset != 0 && firstHit != start) {
    const int64_t last = firstHit >= 0 ? firstHit - 1 : pageCount;
    if (pass(0, last) >= 0) result = {true, 0};
  }
  if (!bufferObtained) return AlignmentProbe{false, candidateOffset};
  if (notifier) {
    notifier->ProgressPosition(pageCount);
    notifier->StatusText(open_text::kCheckingCorruptionDone);
  }
  return result;
}

MappingCounts ScanFilePages(const ReadOnlyFile& file, int64_t fileLength, int64_t pageCount, int64_t baseOffset,
                            const MappingTarget& target, const EngineState& state, OpenNotifier* notifier) {
  MappingCounts counts;
  const int64_t step = ProgressStep(pageCount);
  // Positions are 32-bit in the maps; a file of 2^31 pages is 16 TB.
  const int64_t lastBlock = std::min<int64_t>(pageCount, INT32_MAX);
  MapAppender system(target.systemPages);
  MapAppender data(target.dataPages);
  MapAppender iam(target.iamPages);

  ForEachChunk(file, fileLength, baseOffset, 0, lastBlock, [&](int64_t firstBlock, ByteView chunk) {
    // The headers are one cache line in 8192 bytes of a buffer just filled
    // by the kernel; asking for all of them first overlaps their misses.
    for (size_t offset = 0; offset < chunk.size(); offset += kPageSize) __builtin_prefetch(chunk.data() + offset);
    for (size_t offset = 0; offset < chunk.size(); offset += kPageSize) {
      if (StopRequested(state)) return false;
      const int64_t blockIndex = firstBlock + static_cast<int64_t>(offset / kPageSize);
      const ByteView block(chunk.data() + offset, kPageSize);
      ++counts.blocks;
      const int32_t objectId = block.i32_or(page_layout::kObjectId);
      const int32_t pageType = block.u8_or(page_layout::kType);
      const uint16_t indexId = block.u16_or(page_layout::kIndexId);
      const int16_t headerFileId = static_cast<int16_t>(block.u16_or(page_layout::kPageId + 4));
      const int16_t fileId = target.fixedFileId != 0 ? target.fixedFileId : headerFileId;
      const MappedPage entry{fileId, static_cast<int32_t>(blockIndex), pageType, indexId};

      if (IsCatalogPage(objectId, indexId, target.secondaryCatalogList)) {
        system.Append(objectId, entry);
        ++counts.systemPages;
      }
      if (objectId > 0 && pageType == page_type::kData) {
        data.Append(objectId, entry);
        ++counts.dataPages;
        if (target.firstDataPageFileId && *target.firstDataPageFileId == 0 && headerFileId > 1)
          *target.firstDataPageFileId = headerFileId;
      }
      if (objectId > 0 && pageType == page_type::kIam && target.iamPages) {
        iam.Append(objectId, entry);
        ++counts.iamPages;
      }
      if (notifier && (blockIndex + 1) % step == 0) notifier->ProgressPosition(blockIndex + 1);
    }
    return true;
  });
  if (notifier) notifier->ProgressPosition(pageCount);
  return counts;
}

}  // namespace pagewright
