// Table contents for a CatalogWriter database: the data pages that hold a
// user table's rows, and the module-text rows that hold a view's or a
// procedure's source (2005-and-later layout).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/catalog_writer.h"
#include "support/page_writer.h"

namespace pagewright::support {

// A sysobjvalues row of value class 1 (a module's source text) for
// `objectId`, holding `text` as 8-bit text; appended to the writer's rows of
// the module table (object 60).
void AddModuleText(CatalogWriter& writer, int32_t objectId, const std::string& text);

// Data pages (type 1) numbered from `firstPageNo` that hold `records` in
// order, as many per page as fit, chained by their previous and next links.
// 2005+ layout: the header names the table's in-row allocation unit; 2000
// layout: the table's object id.
std::vector<PageImage> TableDataPages(const CatalogWriter& writer, int32_t tableId, const std::vector<Bytes>& records,
                                      int32_t firstPageNo);

}  // namespace pagewright::support
