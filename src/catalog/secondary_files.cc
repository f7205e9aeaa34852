#include "catalog/secondary_files.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "catalog/mapping_scan.h"
#include "catalog/open_notifier.h"
#include "storage/engine_state.h"

namespace pagewright {

namespace {

namespace fs = std::filesystem;

inline constexpr std::string_view kSecondaryExtension = ".ndf";

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  icu::UnicodeString left = icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())));
  icu::UnicodeString right = icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), static_cast<int32_t>(b.size())));
  return left.caseCompare(right, U_FOLD_CASE_DEFAULT) == 0;
}

// Regular files of `folder` ("" = the current folder), sorted by name so that
// the folder search does not depend on the order the file system lists them.
std::vector<fs::path> FolderFiles(const std::string& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  fs::directory_iterator entries(folder.empty() ? fs::path(".") : fs::path(folder), error);
  if (error) return files;
  for (const fs::directory_entry& entry : entries) {
    std::error_code statusError;
    if (entry.is_regular_file(statusError)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

struct FileGeometry {
  int64_t fileLength = 0;
  int64_t pageCount = 0;
  int64_t remainder = 0;
};

FileGeometry GeometryOf(const ReadOnlyFile& handle) {
  FileGeometry geometry;
  geometry.fileLength = std::max<int64_t>(0, handle.Length());
  geometry.remainder = geometry.fileLength % static_cast<int64_t>(kPageSize);
  geometry.pageCount = (geometry.fileLength - geometry.remainder) / static_cast<int64_t>(kPageSize);
  return geometry;
}

void AppendMap(PageMap& into, PageMap&& from) {
  for (auto& [objectId, entries] : from) {
    std::vector<MappedPage>& target = into[objectId];
    target.insert(target.end(), entries.begin(), entries.end());
  }
}

void SetFileId(PageMap& map, int16_t fileId) {
  for (auto& [objectId, entries] : map)
    for (MappedPage& entry : entries) entry.fileId = fileId;
}

}  // namespace

std::string LastPathComponent(std::string_view path) {
  size_t separator = path.find_last_of("\\/");
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string PrimaryFolder(std::string_view primaryPath) {
  std::string normalised;
  normalised.reserve(primaryPath.size());
  for (size_t index = 0; index < primaryPath.size(); ++index) {
    if (primaryPath[index] == '\\' && index + 1 < primaryPath.size() && primaryPath[index + 1] == '\\') continue;
    normalised.push_back(primaryPath[index]);
  }
  size_t separator = normalised.find_last_of('/');
  return separator == std::string::npos ? std::string() : normalised.substr(0, separator + 1);
}

std::string ExpectedSecondaryPath(std::string_view folder, std::string_view storedName) {
  std::string name = LastPathComponent(storedName);
  size_t dot = name.find_last_of('.');
  // A stored name without an extension is all stem: "db_2" is looked for as
  // "db_2.ndf", not as a nameless ".ndf".
  std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  return std::string(folder) + stem + std::string(kSecondaryExtension);
}

std::string ResolveNameCase(const std::string& path) {
  std::error_code error;
  if (fs::exists(fs::path(path), error)) return path;
  std::string folder = PrimaryFolder(path);
  std::string wanted = LastPathComponent(path);
  for (const fs::path& candidate : FolderFiles(folder)) {
    std::string name = candidate.filename().string();
    if (EqualIgnoringCase(name, wanted)) return folder + name;
  }
  return path;
}

void LocateSecondaryFiles(DatabaseFile& file, std::vector<DataFileDef>& databaseFiles) {
  if (databaseFiles.empty()) {
    FindSecondaryFiles(file, databaseFiles);
    return;
  }
  const std::string folder = PrimaryFolder(file.path);
  for (DataFileDef& entry : databaseFiles) {
    if (entry.fileId <= 1) continue;
    entry.fileName = ResolveNameCase(ExpectedSecondaryPath(folder, entry.fileName));
  }
  MapSecondaryFiles(file, databaseFiles);
}

void MapSecondaryFiles(DatabaseFile& file, std::vector<DataFileDef>& databaseFiles) {
  OpenNotifier* notifier = file.notifier;
  const EngineState& state = file.state();
  for (DataFileDef& entry : databaseFiles) {
    if (entry.fileId <= 1) continue;
    ReadOnlyFile handle = ReadOnlyFile::Open(entry.fileName);
    if (!handle.valid()) continue;
    FileGeometry geometry = GeometryOf(handle);
    int64_t baseOffset = geometry.remainder;
    // A size that is no multiple of a page means bytes before the pages or a
    // cut last page; only the probe can tell which, as for the primary file.
    if (geometry.remainder != 0)
      baseOffset = ProbeAlignment(handle, geometry.fileLength, geometry.pageCount, geometry.remainder, state, notifier)
                       .baseOffset;
    entry.fileLength = geometry.fileLength;
    entry.pageCount = geometry.pageCount;
    entry.baseOffset = static_cast<int32_t>(baseOffset);
    file.secondaryFiles[entry.fileId] = entry;

    if (notifier) {
      notifier->ProgressRange(entry.pageCount);
      notifier->ProgressPosition(0);
    }
    MappingTarget target;
    target.systemPages = &file.systemPages;
    target.dataPages = &file.dataPages;
    target.secondaryCatalogList = true;
    target.fixedFileId = entry.fileId;
    ScanFilePages(handle, entry.fileLength, entry.pageCount, baseOffset, target, state, notifier);
  }
}

void FindSecondaryFiles(DatabaseFile& file, std::vector<DataFileDef>& databaseFiles) {
  OpenNotifier* notifier = file.notifier;
  const EngineState& state = file.state();
  databaseFiles.clear();
  const std::string folder = PrimaryFolder(file.path);
  for (const fs::path& candidate : FolderFiles(folder)) {
    std::string name = candidate.filename().string();
    if (name.size() < kSecondaryExtension.size() ||
        !EqualIgnoringCase(std::string_view(name).substr(name.size() - kSecondaryExtension.size()),
                           kSecondaryExtension))
      continue;
    // A primary file opened from a ".ndf" name is not its own secondary file.
    std::error_code error;
    if (fs::equivalent(candidate, fs::path(file.path), error)) continue;

    DataFileDef entry;
    entry.fileName = folder + name;
    ReadOnlyFile handle = ReadOnlyFile::Open(entry.fileName);
    if (!handle.valid()) continue;
    FileGeometry geometry = GeometryOf(handle);
    entry.fileLength = geometry.fileLength;
    entry.pageCount = geometry.pageCount;
    entry.baseOffset = static_cast<int32_t>(
        ProbeAlignment(handle, geometry.fileLength, geometry.pageCount, geometry.remainder, state, notifier)
            .baseOffset);
    if (notifier) {
      notifier->ProgressRange(entry.pageCount);
      notifier->ProgressPosition(0);
    }

    PageMap systemPages;
    PageMap dataPages;
    int16_t identifiedFileId = 0;
    MappingTarget target;
    target.systemPages = &systemPages;
    target.dataPages = &dataPages;
    target.secondaryCatalogList = true;
    target.firstDataPageFileId = &identifiedFileId;
    ScanFilePages(handle, entry.fileLength, entry.pageCount, entry.baseOffset, target, state, notifier);

    // A file no data page identifies may belong to another database, and
    // its pages could not be read back from it: it adds nothing.
    if (identifiedFileId <= 1) continue;
    entry.fileId = identifiedFileId;
    // Entries are addressed by position in this file, so they name it.
    SetFileId(systemPages, entry.fileId);
    SetFileId(dataPages, entry.fileId);
    AppendMap(file.systemPages, std::move(systemPages));
    AppendMap(file.dataPages, std::move(dataPages));
    databaseFiles.push_back(entry);
    file.secondaryFiles[entry.fileId] = entry;
  }
}

}  // namespace pagewright
