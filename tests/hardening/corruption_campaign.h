// The corruption campaign: damaged copies of a data file, and the whole load
// of a file (open, bootstrap, resolve every user table, decode every page of
// each) to run on them. Shared by the campaign test and
// tools/corrupt_campaign.
//
// Damage kinds, each on a page chosen at random past the file's first 16
// (half the time among the pages the healthy file's load used):
//   random bytes   a random run of random bytes inside the page
//   zeroed page    the whole page set to 0
//   copied page    the page overwritten by another page of the file
//   header flip    1-4 bit flips in the 96-byte page header
//   slot flip      1-4 bit flips in the slot array at the page's end
//   truncated      the file cut at a random page boundary (or mid-page)
//   shifted        512 bytes inserted before the page: every page after it moves
#pragma once

#include <cstdint>
#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "catalog/catalog_loader.h"
#include "catalog/table_resolution.h"
#include "storage/engine_state.h"
#include "storage/page_header.h"
#include "support/open_fixtures.h"
#include "support/page_writer.h"
#include "values/row_decoder.h"

namespace pagewright::hardening {

struct TableRows {
  int32_t objectId = 0;
  std::string name;
  std::vector<PageId> pages;
  size_t rows = 0;
};

struct LoadResult {
  bool opened = false;
  std::set<int32_t> catalogPositions;  // primary-file positions of catalog and IAM pages
  std::vector<TableRows> tables;
  size_t TotalRows() const {
    size_t total = 0;
    for (const auto& table : tables) total += table.rows;
    return total;
  }
};

inline LoadResult LoadEverything(const std::string& path) {
  LoadResult result;
  EngineState state;
  support::RecordingNotifier notifier;
  OpenedDatabase database;
  if (!OpenDatabase(path, state, &notifier, database) || !database.catalog || !database.file) return result;
  result.opened = true;
  for (const PageMap* map : {&database.file->systemPages, &database.file->iamPages})
    for (const auto& [key, pages] : *map)
      for (const MappedPage& page : pages)
        if (page.fileId == 1) result.catalogPositions.insert(page.position);
  DatabaseCatalog& catalog = *database.catalog;
  TableResolver resolver(catalog);
  for (const ObjectDef& object : std::vector<ObjectDef>(catalog.objects)) {
    if (object.type != "U ") continue;
    std::vector<ColumnDef> columns = resolver.ResolveTable(object.name, object.type, {});
    const TableDef& table = catalog.currentTable;
    if (table.object.objectId != object.objectId) continue;  // a same-named object came first
    TableRows rows;
    rows.objectId = object.objectId;
    rows.name = object.name;
    rows.pages = table.pages;
    const bool physical = !state.legacyCatalog && !table.physicalColumns.empty();
    for (const PageId& id : table.pages) {
      auto page = database.file->ReadDataPage(id);
      if (!page) continue;
      RowDecodeContext context{&state, nullptr};
      rows.rows += DecodePageRows(*page, columns, physical, false, context).size();
    }
    result.tables.push_back(std::move(rows));
  }
  return result;
}

enum class Damage { RandomBytes, ZeroedPage, CopiedPage, HeaderFlip, SlotFlip, Truncated, Shifted };
inline constexpr Damage kDamageKinds[] = {Damage::RandomBytes, Damage::ZeroedPage, Damage::CopiedPage,
                                          Damage::HeaderFlip,  Damage::SlotFlip,   Damage::Truncated,
                                          Damage::Shifted};

inline const char* DamageName(Damage kind) {
  switch (kind) {
    case Damage::RandomBytes: return "random bytes";
    case Damage::ZeroedPage: return "zeroed page";
    case Damage::CopiedPage: return "copied page";
    case Damage::HeaderFlip: return "header flip";
    case Damage::SlotFlip: return "slot flip";
    case Damage::Truncated: return "truncated";
    case Damage::Shifted: return "shifted";
  }
  return "?";
}

struct Variant {
  support::Bytes bytes;
  std::set<int32_t> touched;  // primary-file positions whose bytes changed
  int32_t touchedFrom = -1;   // every position from here on changed too; -1: none
  std::string label;

  bool Touches(int32_t position) const {
    return touched.count(position) != 0 || (touchedFrom >= 0 && position >= touchedFrom);
  }
};

// `preferred`: positions worth damaging (catalog and table pages); half the
// variants pick one of them when given.
inline Variant MakeVariant(const support::Bytes& healthy, Damage kind, std::mt19937_64& random,
                           const std::vector<int32_t>& preferred = {}) {
  Variant variant;
  variant.bytes = healthy;
  const int32_t pages = static_cast<int32_t>(healthy.size() / kPageSize);
  if (pages <= 17) return variant;
  auto pick = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  int32_t target = pick(16, pages - 1);
  if (!preferred.empty() && random() % 2) {
    const int32_t chosen = preferred[random() % preferred.size()];
    if (chosen >= 16 && chosen < pages) target = chosen;
  }
  uint8_t* page = variant.bytes.data() + static_cast<size_t>(target) * kPageSize;
  variant.label = std::string(DamageName(kind)) + " at page " + std::to_string(target);
  switch (kind) {
    case Damage::RandomBytes: {
      const int32_t start = pick(0, kPageSize - 1);
      const int32_t length = pick(1, static_cast<int32_t>(kPageSize) - start);
      for (int32_t index = 0; index < length; ++index) page[start + index] = static_cast<uint8_t>(random());
      break;
    }
    case Damage::ZeroedPage:
      std::fill(page, page + kPageSize, 0);
      break;
    case Damage::CopiedPage: {
      const int32_t source = pick(0, pages - 1);
      std::copy(healthy.begin() + static_cast<ptrdiff_t>(source) * kPageSize,
                healthy.begin() + static_cast<ptrdiff_t>(source + 1) * kPageSize, page);
      variant.touched.insert(source);  // its copy now claims the same page
      variant.label += " from page " + std::to_string(source);
      break;
    }
    case Damage::HeaderFlip:
    case Damage::SlotFlip: {
      const int flips = pick(1, 4);
      for (int flip = 0; flip < flips; ++flip) {
        const int32_t offset = kind == Damage::HeaderFlip ? pick(0, kPageHeaderSize - 1)
                                                          : pick(static_cast<int32_t>(kPageSize) - 64,
                                                                 static_cast<int32_t>(kPageSize) - 1);
        page[offset] ^= static_cast<uint8_t>(1u << pick(0, 7));
      }
      break;
    }
    case Damage::Truncated: {
      const size_t cut = static_cast<size_t>(target) * kPageSize + (random() % 2 ? pick(1, kPageSize - 1) : 0);
      variant.bytes.resize(cut);
      variant.touchedFrom = target;
      break;
    }
    case Damage::Shifted:
      variant.bytes.insert(variant.bytes.begin() + static_cast<ptrdiff_t>(target) * kPageSize, 512, 0);
      variant.touchedFrom = target;
      break;
  }
  variant.touched.insert(target);
  return variant;
}

// True when the damage left the catalog, the IAM pages, the first 16 pages and
// every page of `table` as they were.
inline bool Untouched(const Variant& variant, const LoadResult& healthy, const TableRows& table) {
  for (int32_t position = 0; position < 16; ++position)
    if (variant.Touches(position)) return false;
  for (int32_t position : healthy.catalogPositions)
    if (variant.Touches(position)) return false;
  for (const PageId& page : table.pages)
    if (page.fileId != 1 || variant.Touches(page.pageNo)) return false;
  return true;
}

}  // namespace pagewright::hardening

namespace pagewright::hardening {

// The primary-file positions the healthy load read: catalog, IAM and table pages.
inline std::vector<int32_t> UsedPositions(const LoadResult& healthy) {
  std::set<int32_t> used(healthy.catalogPositions.begin(), healthy.catalogPositions.end());
  for (const auto& table : healthy.tables)
    for (const PageId& page : table.pages)
      if (page.fileId == 1) used.insert(page.pageNo);
  return std::vector<int32_t>(used.begin(), used.end());
}

// Rows of the tables the damage left untouched, against the healthy file.
struct UntouchedRows {
  size_t tables = 0;
  size_t healthyRows = 0;
  size_t variantRows = 0;
  size_t tablesShort = 0;  // untouched tables that lost rows
};

inline UntouchedRows CompareUntouched(const Variant& variant, const LoadResult& healthy, const LoadResult& damaged) {
  UntouchedRows figures;
  for (const TableRows& table : healthy.tables) {
    if (!Untouched(variant, healthy, table)) continue;
    ++figures.tables;
    figures.healthyRows += table.rows;
    size_t rows = 0;
    for (const TableRows& other : damaged.tables)
      if (other.objectId == table.objectId) rows = other.rows;
    figures.variantRows += rows;
    if (rows < table.rows) ++figures.tablesShort;
  }
  return figures;
}

}  // namespace pagewright::hardening
