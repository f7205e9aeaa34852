// Module definitions: the source texts of views, procedures, functions,
// triggers, defaults and check constraints, and the definitions of computed
// columns, read from the module-text table of the file.
//
//   layout   table        object id  columns decoded (by position)
//   2005+    sysobjvalues 60         valclass tinyint, objid int, subobjid int,
//                                    valnum int, value sql_variant,
//                                    imageval varbinary(max)
//   2000     syscomments  6          id int, number smallint, colid smallint,
//                                    status smallint, ctext varbinary
//
// A ModuleValue is (object id text, sub-id text, value text "0x..."): objid,
// subobjid and imageval in 2005+ files; id, number and ctext in 2000 files.
//
// Value classes (2005+). sysobjvalues holds more than module texts: class 1
// is a module's source text (subobjid 0), class 2 the definition of a computed
// column (objid = table, subobjid = column id); other classes hold binary
// data (triggers carry class-70 rows, for instance) that would read as junk
// text. Only classes 1 and 2 enter the list.
//
// Pages and records. Only data pages (header type 1) of the table are read;
// its index pages are mapped under the same object id, and their records, like
// any index record, give no module row.
//
// Definitions are assembled row after row in storage order: a UTF-16 chunk
// (a zero byte after the first) is appended as it is; an 8-bit chunk is
// converted from the engine's default code page and appended unless it equals
// everything assembled so far (a repeated copy of a one-chunk text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_records.h"
#include "catalog/column_def.h"

namespace pagewright {

class DatabaseCatalog;
class DatabaseFile;
struct EngineState;

// The module table of each catalog layout.
inline constexpr int32_t kModuleTableObjectId = 60;
inline constexpr int32_t kLegacyModuleTableObjectId = 6;

// Value classes of the 2005+ module table that the list keeps.
inline constexpr int32_t kModuleTextValueClass = 1;
inline constexpr int32_t kComputedColumnValueClass = 2;

namespace module_text {
inline constexpr std::string_view kRetrieving = "Retrieving Objects of Sysobjvalues System Tables...........";
inline constexpr std::string_view kRetrievingDone =
    "Retrieving  Objects of Sysobjvalues System Tables has been done...........";
}  // namespace module_text

// How LoadModuleValues reports to its host: the two output-pane lines and the
// progress bar (one step per page of the module table). Every call completes
// before the reader goes on.
class ModuleLoadObserver {
 public:
  virtual ~ModuleLoadObserver() = default;
  virtual void OutputLine(std::string_view text) {}
  virtual void ProgressRange(int64_t steps) {}
  virtual void ProgressPosition(int64_t position) {}
};

// The fixed column lists the module rows are decoded with.
std::vector<ColumnDef> ModuleTableColumns();        // sysobjvalues
std::vector<ColumnDef> LegacyModuleTableColumns();  // syscomments

// The module-values list of the scan, with whether it has been built.
struct ModuleValueList {
  std::vector<ModuleValue> values;
  bool built = false;
};

// Reads every module row of the file, in page-map order and slot order. The
// layout follows catalog.legacyCatalog. The catalog's current column list is
// replaced by the module table's (the next table resolution restores a
// table's). A stop request (cancelFlag) ends the reading with what was read.
std::vector<ModuleValue> LoadModuleValues(DatabaseFile& file, DatabaseCatalog& catalog,
                                          ModuleLoadObserver* observer = nullptr);

// The definition of the object whose id text is `objectIdText` (compared
// exactly: "12" does not match "012"); empty when it has none.
std::string GetModuleDefinition(const std::vector<ModuleValue>& values, const std::string& objectIdText,
                                const EngineState& state);
// As above; builds `list` first when it has not been built in this scan.
std::string GetModuleDefinition(DatabaseFile& file, DatabaseCatalog& catalog, ModuleValueList& list,
                                const std::string& objectIdText, ModuleLoadObserver* observer = nullptr);

// The text of one module value ("0x..." as the list holds it); empty when it
// decodes to nothing.
std::string ModuleValueText(const std::string& valueText, const EngineState& state);

// A computed column's definition: the first value whose object id text is the
// table's id and whose sub-id text is the column id. Empty when none.
std::string ComputedColumnDefinition(const std::vector<ModuleValue>& values, int32_t tableObjectId,
                                     int32_t columnId, const EngineState& state);

}  // namespace pagewright
