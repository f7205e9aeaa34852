#include "support/open_fixtures.h"

#include <fstream>
#include <iterator>

#include "catalog/mapping_scan.h"

namespace pagewright::support {

std::vector<std::string> RecordingNotifier::Statuses() const {
  std::vector<std::string> statuses;
  for (const std::string& event : events)
    if (event.rfind("status ", 0) == 0) statuses.push_back(event.substr(7));
  return statuses;
}

PageImage HeaderPage(int type, PageId own, int32_t objectId, uint16_t indexId) {
  PageImage page(type, own);
  page.SetObjectId(objectId);
  page.SetIndexId(indexId);
  return page;
}

ReferenceMaps ReferenceScan(const std::string& path, int64_t baseOffset, int64_t pageCount, bool secondaryList,
                            bool withIam) {
  ReferenceMaps maps;
  Bytes bytes = ReadWholeFile(path);
  for (int64_t block = 0; block <= pageCount; ++block) {
    Bytes page(kPageSize, 0);
    for (size_t index = 0; index < kPageSize; ++index) {
      size_t offset = static_cast<size_t>(baseOffset + block * static_cast<int64_t>(kPageSize)) + index;
      if (offset < bytes.size()) page[index] = bytes[offset];
    }
    ByteView view(page);
    int32_t objectId = view.i32_or(24);
    int32_t type = view.u8_or(1);
    uint16_t indexId = view.u16_or(6);
    MappedPage entry{static_cast<int16_t>(view.u16_or(36)), static_cast<int32_t>(block), type, indexId};
    bool listed = secondaryList ? IsSecondaryCatalogObjectId(objectId) : IsPrimaryCatalogObjectId(objectId);
    if (listed && indexId < 256) maps.systemPages[objectId].push_back(entry);
    if (objectId > 0 && type == 1) maps.dataPages[objectId].push_back(entry);
    if (withIam && objectId > 0 && type == 10) maps.iamPages[objectId].push_back(entry);
  }
  return maps;
}

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace pagewright::support
