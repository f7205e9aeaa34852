// Data and catalog page reads: a page read with every slot's record built.
#include "catalog/database_file.h"
#include "storage/record.h"

namespace pagewright {

namespace {

std::unique_ptr<CDataPage> BuildDataPage(std::unique_ptr<PageBuffer> buffer, DatabaseFile& file,
                                         PageBuffer& currentPage) {
  if (!buffer) return nullptr;
  auto page = std::make_unique<CDataPage>(std::move(buffer), &file);
  // The current page is the buffer as parsed, torn bits restored.
  currentPage = *page->data;
  BuildPageRecords(*page);
  return page;
}

}  // namespace

std::unique_ptr<CDataPage> DatabaseFile::ReadDataPage(PageId id) {
  return BuildDataPage(ReadPage(id), *this, currentPage_);
}

std::unique_ptr<CDataPage> DatabaseFile::ReadCatalogPage(PageId id) {
  return BuildDataPage(ReadPage(id, true), *this, currentPage_);
}

}  // namespace pagewright
