// Row value assembly: the records of one data page, decoded into one text per
// column of the current table's column list.
//
// Decoders:
//   physical layout  2008+ tables with physical column rows: fixed values at
//                    each column's leafOffset, NULL from its nullBit
//   general          2000 catalogs (legacyCatalog), 2005 catalogs and tables
//                    without physical column rows: values mainly by position
//   module forms     both decoders as the module-definition reader runs them:
//                    large values are always read, "NULL" comes only from
//                    compressed records (physical) or never (general)
//
// The column list is state shared across records and pages: each column's
// definitionText receives its text for the record being decoded. A column
// with physicalColumnId -99 (no storage) is never written and keeps the text
// table resolution gave it. A column the record does not reach (beyond its
// column count) never shows another row's text: the table decoders show
// "NULL" for a nullable one and an empty text otherwise, the module forms an
// empty text. Columns with storage are counted against the record's column
// count in list order; -99 and sparse columns do not count. A decoder may
// change a column's physicalColumnId (to its columnId when the stored one lies
// beyond a record's column count).
//
// NULLs: the physical-layout decoder shows "NULL" for a set null bit and for a
// column without physical column row; the general decoder for a nullable
// column whose null bit is set (fixed or variable) and for a nullable column
// whose text is empty, except a variable value read with its null bit clear
// in a record with a null bitmap: that is an empty value and shows empty. A NULL fixed value still steps over its bytes (and a
// bit column over its bit), so the values after it stay in place. "0x" goes
// only before a varbinary or CLR value that was read: never before a
// placeholder, a NULL, or the single blank of an empty large value.
//
// A row is the column list's texts at the moment its record was finished: one
// text per column, in list order, -99 columns included.
//
// Large values: text pointers, in-row roots and row-overflow pointers are read
// through a LargeValueReader. While the engine state's tableLoadActive is set
// (the first screen of a table loads), the table decoders show in-row roots as
// "<BIG BINARY DATA>" (and the general decoder text pointers as
// "<BINARY DATA>") without reading them; with it clear every value is read.
// The module forms always read.
//
// Nothing is reported; bad, index and (unless deleted rows are shown) ghost
// records give no row, nor does a record without columns (a forwarding stub
// whose row is gone) or a compressed record that could not be expanded. The
// general module form applies no ghost rule of its own (the record parser
// already refuses ghosts while deleted rows are hidden) and skips index
// entries and LOB fragments. The stop request ends the page early with the
// rows decoded so far.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/column_def.h"
#include "storage/byte_view.h"
#include "storage/engine_state.h"

namespace pagewright {

class RecordPage;
class DatabaseFile;

// First-screen placeholders of large values that are not read.
inline constexpr char kBigBinaryPlaceholder[] = "<BIG BINARY DATA>";
inline constexpr char kBinaryPlaceholder[] = "<BINARY DATA>";

// What the decoder asks of one large value.
struct LargeValueRequest {
  bool asHex = false;          // "%02X" digits instead of text
  bool hasTypeHeader = false;  // the value starts with an 8-byte type header
  bool narrow = false;         // the value is UTF-16 text
  int32_t codePage = 0;        // 8-bit text; 0: the engine's default
  // The pointer belongs to a deleted row (a ghost, or a record the
  // deleted-record scan found): the LOB slots it names may have been freed
  // and reused since, so only nodes that carry its blob id are read.
  bool fromDeletedRow = false;
  // When set, the raw bytes of the value are appended here (fragments in
  // order) and the returned text is not used.
  std::vector<uint8_t>* collected = nullptr;
};

// Reads large values for the decoder. The file-backed reader goes through the
// LOB storage reader; tests substitute their own.
class LargeValueReader {
 public:
  virtual ~LargeValueReader() = default;
  // The value behind a 16-byte text pointer.
  virtual std::string ReadTextPointer(ByteView pointer, const LargeValueRequest& request) const = 0;
  // The value behind an in-row root (kind 4) or row-overflow pointer (kind 2).
  virtual std::string ReadComplex(ByteView column, const LargeValueRequest& request) const = 0;
};

// The reader of `file`'s text pages. Values come out empty when the engine is
// built without the LOB storage reader.
class FileLargeValueReader final : public LargeValueReader {
 public:
  explicit FileLargeValueReader(const DatabaseFile& file) : file_(file) {}
  std::string ReadTextPointer(ByteView pointer, const LargeValueRequest& request) const override;
  std::string ReadComplex(ByteView column, const LargeValueRequest& request) const override;

 private:
  const DatabaseFile& file_;
};

// Where the decoder takes its flags and large values from. Null members fall
// back to the page's DatabaseFile (its engine state and text pages); a page
// without a file decodes with default flags and reads no large value.
struct RowDecodeContext {
  const EngineState* state = nullptr;
  const LargeValueReader* largeValues = nullptr;
};

// The rows of one page. Storage is kept across Clear(), so a loader that
// decodes page after page into the same PageRows allocates little once the
// first pages are done.
class PageRows {
 public:
  size_t size() const { return rowCount_; }
  bool empty() const { return rowCount_ == 0; }
  // Row `index`'s texts, one per column of the list that decoded it.
  const std::vector<std::string>& operator[](size_t index) const { return rows_[index]; }
  const std::vector<std::string>* begin() const { return rows_.data(); }
  const std::vector<std::string>* end() const { return rows_.data() + rowCount_; }

  void Clear() { rowCount_ = 0; }
  // Appends a copy of the columns' texts.
  void AppendRow(const std::vector<ColumnDef>& columns);

 private:
  std::vector<std::vector<std::string>> rows_;
  size_t rowCount_ = 0;
};

// Decodes every record of `page` (page.records, in slot order, up to the
// header's slotCount) with the chosen decoder. `physicalLayout` picks the
// physical-layout decoder, else the general one; `moduleRows` their module
// forms. Compressed records that have not been expanded yet are expanded
// first for the columns with storage (those whose physicalColumnId is not
// -99), in list order. The previous contents of `rows` are dropped.
void DecodePageRows(RecordPage& page, std::vector<ColumnDef>& columns, bool physicalLayout, bool moduleRows,
                    PageRows& rows, const RowDecodeContext& context = {});

// As above, into a fresh list.
PageRows DecodePageRows(RecordPage& page, std::vector<ColumnDef>& columns, bool physicalLayout, bool moduleRows,
                        const RowDecodeContext& context = {});

}  // namespace pagewright
