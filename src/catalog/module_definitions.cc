// Module definitions: reading the module-text table and assembling texts.
#include "catalog/module_definitions.h"

#include <algorithm>

#include "catalog/database_catalog.h"
#include "catalog/database_file.h"
#include "catalog/table_resolution.h"
#include "storage/byte_view.h"
#include "storage/engine_state.h"
#include "storage/page.h"
#include "values/character_data.h"
#include "values/row_decoder.h"
#include "values/type_codes.h"
#include "values/utf16_text.h"

namespace pagewright {
namespace {

constexpr int32_t kDataPageType = 1;

// Decoded row positions.
constexpr size_t kValueClassColumn = 0;
constexpr size_t kObjectIdColumn = 1;
constexpr size_t kSubIdColumn = 2;
constexpr size_t kLegacyObjectIdColumn = 0;
constexpr size_t kLegacyNumberColumn = 1;
constexpr size_t kLegacyTextColumn = 4;

bool KeptValueClass(const std::string& valueClassText) {
  return valueClassText == std::to_string(kModuleTextValueClass) ||
         valueClassText == std::to_string(kComputedColumnValueClass);
}

bool HasPhysicalColumns(const std::vector<ColumnDef>& columns) {
  return std::any_of(columns.begin(), columns.end(), [](const ColumnDef& c) { return c.hasPhysicalInfo != 0; });
}

// The file's own definition of syscomments, or the fixed list.
std::vector<ColumnDef> LegacyColumnsOf(DatabaseCatalog& catalog) {
  std::vector<ColumnDef> columns = ResolveTable(catalog, "syscomments", "S ", {});
  if (catalog.currentTable.object.objectId == -1 || catalog.currentTable.object.type != "S " ||
      columns.size() <= kLegacyTextColumn)
    return LegacyModuleTableColumns();
  return columns;
}

void AppendRow(const std::vector<std::string>& row, bool legacy, std::vector<ModuleValue>& out) {
  if (row.empty()) return;
  ModuleValue value;
  if (legacy) {
    value.objectIdText = row[kLegacyObjectIdColumn];
    if (row.size() > kLegacyNumberColumn) value.subIdText = row[kLegacyNumberColumn];
    if (row.size() > kLegacyTextColumn) value.valueText = row[kLegacyTextColumn];
  } else {
    if (row.size() <= kSubIdColumn) return;
    if (!KeptValueClass(row[kValueClassColumn])) return;
    value.objectIdText = row[kObjectIdColumn];
    value.subIdText = row[kSubIdColumn];
    value.valueText = row.back();
  }
  out.push_back(std::move(value));
}

}  // namespace

std::vector<ColumnDef> ModuleTableColumns() {
  namespace tc = type_code;
  return {ConstructColumn("valclass", "tinyint(1)", tc::kTinyInt),
          ConstructColumn("objid", "int(4)", tc::kInt),
          ConstructColumn("subobjid", "int(4)", tc::kInt),
          ConstructColumn("valnum", "int(4)", tc::kInt),
          ConstructColumn("value", "sql_variant(8016)", tc::kSqlVariant),
          ConstructColumn("imageval", "varbinary(-1)", tc::kVarBinary)};
}

std::vector<ColumnDef> LegacyModuleTableColumns() {
  namespace tc = type_code;
  std::vector<ColumnDef> columns = {
      ConstructColumn("id", "int", tc::kInt), ConstructColumn("number", "int", tc::kSmallInt),
      ConstructColumn("colid", "short", tc::kSmallInt), ConstructColumn("status", "short", tc::kSmallInt),
      ConstructColumn("ctext", "varbinary(-1)", tc::kVarBinary)};
  // These type texts carry no byte count, and the decoder advances through
  // the fixed part by it: give the stored widths.
  const int16_t widths[] = {4, 2, 2, 2, -1};
  for (size_t index = 0; index < columns.size(); ++index) columns[index].declaredLength = widths[index];
  return columns;
}

std::vector<ModuleValue> LoadModuleValues(DatabaseFile& file, DatabaseCatalog& catalog,
                                          ModuleLoadObserver* observer) {
  std::vector<ModuleValue> values;
  EngineState& state = file.state();
  const bool legacy = catalog.legacyCatalog;
  if (observer) observer->OutputLine(module_text::kRetrieving);

  const int32_t tableId = legacy ? kLegacyModuleTableObjectId : kModuleTableObjectId;
  const auto found = file.systemPages.find(tableId);
  const int64_t pageCount = found == file.systemPages.end() ? 0 : static_cast<int64_t>(found->second.size());
  if (observer) observer->ProgressRange(pageCount);

  catalog.currentTable.columns = legacy ? LegacyColumnsOf(catalog) : ModuleTableColumns();
  std::vector<ColumnDef>& columns = catalog.currentTable.columns;
  const bool physical = HasPhysicalColumns(columns);

  if (found != file.systemPages.end()) {
    // A copy: reading pages must not be disturbed by anyone editing the map.
    const std::vector<MappedPage> pages = found->second;
    PageRows rows;
    int64_t position = 0;
    for (const MappedPage& mapped : pages) {
      if (state.cancelFlag) break;
      ++position;
      if (mapped.pageType == kDataPageType) {
        if (std::unique_ptr<CDataPage> page = file.ReadCatalogPage(mapped.pageId())) {
          DecodePageRows(*page, columns, physical, true, rows);
          for (const std::vector<std::string>& row : rows) AppendRow(row, legacy, values);
        }
      }
      if (observer) observer->ProgressPosition(position);
    }
  }
  if (observer) {
    observer->ProgressPosition(pageCount);
    observer->OutputLine(module_text::kRetrievingDone);
  }
  return values;
}

std::string ModuleValueText(const std::string& valueText, const EngineState& state) {
  std::optional<ModuleBytes> decoded = DecodeModuleValue(valueText);
  if (!decoded || decoded->bytes.empty()) return std::string();
  ByteView bytes(decoded->bytes.data(), decoded->bytes.size());
  if (decoded->isWide) return DecodeUtf16Text(bytes);
  return ConvertCodePageOrWiden(bytes, state.defaultAnsiCodePage);
}

std::string GetModuleDefinition(const std::vector<ModuleValue>& values, const std::string& objectIdText,
                                const EngineState& state) {
  std::string result;
  for (const ModuleValue& value : values) {
    if (value.objectIdText != objectIdText) continue;
    std::optional<ModuleBytes> decoded = DecodeModuleValue(value.valueText);
    if (!decoded || decoded->bytes.empty()) continue;
    ByteView bytes(decoded->bytes.data(), decoded->bytes.size());
    if (decoded->isWide) {
      result += DecodeUtf16Text(bytes);
    } else {
      std::string chunk = ConvertCodePageOrWiden(bytes, state.defaultAnsiCodePage);
      if (chunk != result) result += chunk;
    }
  }
  return result;
}

std::string GetModuleDefinition(DatabaseFile& file, DatabaseCatalog& catalog, ModuleValueList& list,
                                const std::string& objectIdText, ModuleLoadObserver* observer) {
  if (!list.built) {
    list.values = LoadModuleValues(file, catalog, observer);
    list.built = true;
  }
  return GetModuleDefinition(list.values, objectIdText, file.state());
}

std::string ComputedColumnDefinition(const std::vector<ModuleValue>& values, int32_t tableObjectId,
                                     int32_t columnId, const EngineState& state) {
  const std::string tableText = std::to_string(tableObjectId);
  const std::string columnText = std::to_string(columnId);
  for (const ModuleValue& value : values)
    if (value.objectIdText == tableText && value.subIdText == columnText)
      return ModuleValueText(value.valueText, state);
  return std::string();
}

}  // namespace pagewright
