// Secondary data files (".ndf"): where they are, and mapping their pages into
// the primary file's page maps.
//
// The catalog's database-files table names each file by the path the server
// used, often a Windows path ("D:\data\db_2.ndf"). Only its last component
// counts: a secondary file is expected beside the primary file, under its
// stored stem with the extension ".ndf", and when no file has that exact name
// a name that differs only in letter case is taken. When the catalog names no
// file at all, every ".ndf" beside the primary file is examined and kept when
// its data pages name a file id above 1.
//
// Entries of a secondary file carry that file's id, so a page map entry is
// always read from the file it was found in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalog/database_file.h"

namespace pagewright {

// The last component of a path stored by any system: the text after the last
// "\" or "/".
std::string LastPathComponent(std::string_view path);
// The folder of the primary file, with its final "/" ("" when the path has
// none). Doubled backslashes are made single first.
std::string PrimaryFolder(std::string_view primaryPath);
// folder + the stored name's last component without its extension + ".ndf".
// A name without "." keeps all of it as stem.
std::string ExpectedSecondaryPath(std::string_view folder, std::string_view storedName);
// `path` when that file exists; else a file of the same folder whose name
// equals the last component but for letter case (the first by name); else
// `path` unchanged.
std::string ResolveNameCase(const std::string& path);

// Called by the catalog bootstrap with the rows of the database-files table.
// An empty list: FindSecondaryFiles. Otherwise every entry with a file id
// above 1 gets the path it is expected at and MapSecondaryFiles runs. The list
// is rewritten in place. Uses file.path and reports to file.notifier.
void LocateSecondaryFiles(DatabaseFile& file, std::vector<DataFileDef>& databaseFiles);

// Opens and maps every entry with a file id above 1, in list order: its
// length, page count and base offset are stored in the entry and a copy goes
// into file.secondaryFiles (a later entry of the same id replaces an earlier
// one). Catalog pages (secondary list) and data pages enter the maps; IAM
// pages do not. Entries that cannot be opened are skipped without a message.
void MapSecondaryFiles(DatabaseFile& file, std::vector<DataFileDef>& databaseFiles);

// Replaces `databaseFiles` by the ".ndf" files beside the primary file that a
// data page identifies (the first data page naming a file id above 1 gives
// the file's id); each one's pages are mapped as by MapSecondaryFiles. A file
// no data page identifies contributes nothing.
void FindSecondaryFiles(DatabaseFile& file, std::vector<DataFileDef>& databaseFiles);

}  // namespace pagewright
