#include "storage/boot_page.h"

#include <unicode/ustring.h>

#include "catalog/database_file.h"
#include "values/collation_table.h"

namespace pagewright {

namespace {

struct VersionName {
  int version;
  const char* name;
};

// The leading blank is part of each name: the scan prints the name right
// after "Database version:" and the console after the number.
constexpr VersionName kVersionNames[] = {
    {408, " SQL Server 6.5"},
    {515, " SQL Server 7.0"},
    {539, " SQL Server 2000"},
    {611, " SQL Server 2005"},
    {612, " SQL Server 2005 SP2+ with VarDecimal enabled"},
    {655, " SQL Server 2008"},
    {660, " SQL Server 2008 R2"},
    {661, " SQL Server 2008 R2"},
    {684, " SQL Server 2012 CTP1"},
    {706, " SQL Server 2012"},
    {782, " SQL Server 2014"},
    {852, " SQL Server 2016"},
    {868, " SQL Server 2017"},
    {869, " SQL Server 2017"},
    {895, " SQL Server 2019"},
    {904, " SQL Server 2019"},
    {957, " SQL Server 2022"},
};

std::unique_ptr<PageBuffer> CopyPage(ByteView page) {
  auto buffer = std::make_unique<PageBuffer>(kPageSize, 0);
  ByteView part = page.clip(0, kPageSize);
  std::copy(part.data(), part.data() + part.size(), buffer->begin());
  return buffer;
}

}  // namespace

std::string ReleaseName(int version) {
  for (const VersionName& entry : kVersionNames)
    if (entry.version == version) return entry.name;
  return kUnknownVersionText;
}

std::string DecodeDatabaseName(ByteView page) {
  using namespace boot_layout;
  std::u16string units;
  for (size_t index = 0; index < kDatabaseNameUnits; ++index) {
    auto unit = page.u16_at(kDatabaseName + 2 * index);
    if (!unit || *unit == 0) break;
    units.push_back(static_cast<char16_t>(*unit));
  }
  while (!units.empty() && (units.back() == kNamePadding || units.back() == kNameBlank)) units.pop_back();
  if (units.empty()) return std::string();

  // At most 3 UTF-8 bytes per unit (a surrogate pair gives 4 for 2 units).
  std::string out(units.size() * 3, '\0');
  int32_t length = 0;
  int32_t substitutions = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(units.data()), static_cast<int32_t>(units.size()),
                     0xFFFD, &substitutions, &status);
  if (U_FAILURE(status)) return std::string();
  out.resize(static_cast<size_t>(length));
  return out;
}

CBootPage::CBootPage(ByteView page, const DatabaseFile* file) : PrimaryRecordPage(CopyPage(page), file) {
  ByteView own = bytes();
  version = own.u16_or(boot_layout::kVersion);
  versionText = ReleaseName(version);
  databaseName = DecodeDatabaseName(own);
  collationId = own.i32_or(boot_layout::kCollationId);
}

CBootPage::~CBootPage() = default;

int32_t BootPageShift(const DatabaseFile& file) {
  const MappedPage* sample = nullptr;
  for (int32_t objectId : {boot_layout::kShiftSampleObject, boot_layout::kShiftFallbackObject}) {
    auto found = file.systemPages.find(objectId);
    if (found != file.systemPages.end() && !found->second.empty()) {
      sample = &found->second.front();
      break;
    }
  }
  if (!sample) return 0;
  auto header = file.ReadPageHeader(sample->pageId());
  if (!header) return 0;
  int64_t shift = static_cast<int64_t>(header->pageId.pageNo) - sample->position;
  // A shift beyond the 32-bit range cannot place page 9 inside any file.
  if (shift < INT32_MIN || shift > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(shift);
}

std::optional<BootPageFacts> ReadBootPage(DatabaseFile& file) {
  BootPageFacts facts;
  facts.shift = BootPageShift(file);
  facts.position = static_cast<int64_t>(boot_layout::kBootPageNo) - facts.shift;
  if (facts.position <= 0 || facts.position >= file.pageCount || !file.primary.valid()) return std::nullopt;

  PageBuffer buffer(kPageSize, 0);
  int64_t offset = file.baseOffset + facts.position * static_cast<int64_t>(kPageSize);
  if (offset < 0 || file.primary.ReadAt(offset, buffer.data(), kPageSize) == 0) return std::nullopt;

  CBootPage boot(ByteView(buffer), &file);
  facts.version = boot.version;
  facts.versionText = boot.versionText;
  facts.databaseName = boot.databaseName;
  facts.collationId = boot.collationId;

  EngineState& state = file.state();
  state.databaseVersionText = boot.versionText;
  facts.collationFound = SelectDatabaseCollation(state, boot.collationId);
  return facts;
}

}  // namespace pagewright
