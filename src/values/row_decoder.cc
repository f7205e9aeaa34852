#include "values/row_decoder.h"

#include <algorithm>

#include "catalog/database_file.h"
#include "storage/compressed_record.h"
#include "storage/page.h"
#include "values/row_decoder_internal.h"

#if __has_include("storage/lob.h")
#include "storage/lob.h"
#define PAGEWRIGHT_HAVE_LOB_READER 1
#else
#define PAGEWRIGHT_HAVE_LOB_READER 0
#endif

namespace pagewright {

// --- Large values through the LOB storage reader ---------------------------

#if PAGEWRIGHT_HAVE_LOB_READER
namespace {

LobRequest MakeLobRequest(const LobPageSource& source, const LargeValueRequest& request,
                          std::vector<LobFragment>& fragments) {
  LobRequest lob(source);
  lob.asHex = request.asHex;
  lob.hasTypeHeader = request.hasTypeHeader;
  lob.narrow = request.narrow;
  lob.codePage = request.codePage;
  lob.fromDeletedRow = request.fromDeletedRow;
  if (request.collected) {
    lob.collect = true;
    lob.byteSink = &fragments;
  }
  return lob;
}

void AppendFragments(const std::vector<LobFragment>& fragments, std::vector<uint8_t>* collected) {
  if (!collected) return;
  for (const LobFragment& fragment : fragments) collected->insert(collected->end(), fragment.bytes.begin(), fragment.bytes.end());
}

}  // namespace

std::string FileLargeValueReader::ReadTextPointer(ByteView pointer, const LargeValueRequest& request) const {
  DatabaseFileLobSource source(file_);
  std::vector<LobFragment> fragments;
  std::string text = pagewright::ReadTextPointerValue(pointer, MakeLobRequest(source, request, fragments));
  AppendFragments(fragments, request.collected);
  return text;
}

std::string FileLargeValueReader::ReadComplex(ByteView column, const LargeValueRequest& request) const {
  DatabaseFileLobSource source(file_);
  std::vector<LobFragment> fragments;
  std::string text = pagewright::ReadComplexValue(column, MakeLobRequest(source, request, fragments));
  AppendFragments(fragments, request.collected);
  return text;
}
#else
std::string FileLargeValueReader::ReadTextPointer(ByteView, const LargeValueRequest&) const { return {}; }
std::string FileLargeValueReader::ReadComplex(ByteView, const LargeValueRequest&) const { return {}; }
#endif

// --- PageRows ---------------------------------------------------------------

void PageRows::AppendRow(const std::vector<ColumnDef>& columns) {
  if (rowCount_ == rows_.size()) rows_.emplace_back();
  std::vector<std::string>& texts = rows_[rowCount_++];
  texts.resize(columns.size());
  // assign() reuses each text's storage from the page decoded before.
  for (size_t index = 0; index < columns.size(); ++index) texts[index].assign(columns[index].definitionText);
}

// --- The page loop ----------------------------------------------------------

namespace {

using row_decoding::Form;
using row_decoding::PageEnv;
using row_decoding::RecordCursor;

bool HasUnexpandedCompressedRecord(const RecordPage& page) {
  for (const auto& entry : page.records) {
    const auto* record = dynamic_cast<const CPrimaryRecord*>(entry.get());
    if (record && record->isCompressed && !record->isBad && !row_decoding::IsExpandedCompressed(*record)) return true;
  }
  return false;
}

// The columns a compressed record stores, in list order; each finds its CD
// entry by its physical column id (storage/compressed_record.h), and its
// expanded value is the one at its place in this list.
std::vector<ColumnDef> StoredColumns(const std::vector<ColumnDef>& columns) {
  std::vector<ColumnDef> stored;
  for (const ColumnDef& column : columns)
    if (column.physicalColumnId != row_decoding::kNoStorage) stored.push_back(column);
  return stored;
}

bool AcceptRecord(const PageEnv& env, const CPrimaryRecord& record) {
  if (record.isBad) return false;
  // A compressed record that could not be expanded has no values to show.
  if (record.isCompressed && !row_decoding::IsExpandedCompressed(record)) return false;
  if (env.form == Form::kGeneralModule) {
    // Module rows are taken whatever the deleted-record options say, but index
    // entries and LOB fragments are no module rows: decoding them would repeat
    // the previous row's texts.
    return record.recordType != record_type::kLobFragment && record.recordType != record_type::kIndex &&
           record.recordType != record_type::kGhostIndex;
  }
  if (record.recordType == record_type::kIndex) return false;
  if (record.isGhost && !env.showDeleted) return false;
  // A record without columns (a forwarding stub whose row is gone) holds no
  // row; decoding it would repeat the previous row's texts.
  return record.columnCount > 0;
}

}  // namespace

void DecodePageRows(RecordPage& page, std::vector<ColumnDef>& columns, bool physicalLayout, bool moduleRows,
                    PageRows& rows, const RowDecodeContext& context) {
  rows.Clear();
  EngineState fallbackState;
  PageEnv env;
  env.state = context.state ? context.state : page.file ? &page.file->state() : &fallbackState;
  std::unique_ptr<FileLargeValueReader> fileReader;
  if (context.largeValues) {
    env.largeValues = context.largeValues;
  } else if (page.file) {
    fileReader = std::make_unique<FileLargeValueReader>(*page.file);
    env.largeValues = fileReader.get();
  }
  env.tableLoadActive = env.state->tableLoadActive.load(std::memory_order_relaxed);
  env.legacyCatalog = env.state->legacyCatalog.load(std::memory_order_relaxed);
  env.showDeleted = env.state->showDeleted.load(std::memory_order_relaxed);
  env.form = physicalLayout ? (moduleRows ? Form::kPhysicalModule : Form::kPhysical)
                            : (moduleRows ? Form::kGeneralModule : Form::kGeneral);

  if (!env.legacyCatalog && HasUnexpandedCompressedRecord(page)) {
    if (auto* primary = dynamic_cast<PrimaryRecordPage*>(&page)) {
      std::vector<ColumnDef> stored = StoredColumns(columns);
      ExpandPageRecords(*primary, stored);
    }
  }

  const int slotCount = page.header ? page.header->slotCount : 0;
  const size_t recordCount = std::min(static_cast<size_t>(std::max(slotCount, 0)), page.records.size());
  std::vector<uint8_t> released;
  RecordCursor cursor;
  cursor.released = &released;
  for (size_t index = 0; index < recordCount; ++index) {
    if (env.state->cancelFlag.load(std::memory_order_relaxed)) break;
    const auto* record = dynamic_cast<const CPrimaryRecord*>(page.records[index].get());
    if (!record || !AcceptRecord(env, *record)) continue;
    cursor.Reset(*record);
    switch (env.form) {
      case Form::kPhysical:
      case Form::kPhysicalModule:
        row_decoding::DecodePhysicalRecord(env, *record, columns, cursor);
        break;
      case Form::kGeneral:
        row_decoding::DecodeGeneralRecord(env, *record, columns, cursor);
        break;
      case Form::kGeneralModule:
        row_decoding::DecodeGeneralModuleRecord(env, *record, columns, cursor);
        break;
    }
    rows.AppendRow(columns);
  }
}

PageRows DecodePageRows(RecordPage& page, std::vector<ColumnDef>& columns, bool physicalLayout, bool moduleRows,
                        const RowDecodeContext& context) {
  PageRows rows;
  DecodePageRows(page, columns, physicalLayout, moduleRows, rows, context);
  return rows;
}

}  // namespace pagewright
