// `pagewright info` over every file of the real-file corpus: the version the
// manifest measured, its database name, and the collation name that the
// shipped collation.txt lists for the manifest's collation id.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/run_program.h"
#include "support/test_paths.h"
#include "values/collation_table.h"

namespace pagewright {
namespace {

struct ManifestRow {
  std::string name;
  std::string version;
  std::string databaseName;
  std::string collationId;  // "872468488 (0x3400D008)"
};

std::vector<ManifestRow> ReadManifest(const std::string& path) {
  std::ifstream in(path);
  std::vector<ManifestRow> rows;
  std::string line;
  std::vector<std::string> header;
  auto split = [](const std::string& text) {
    std::vector<std::string> fields;
    std::stringstream stream(text);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    if (!text.empty() && text.back() == '\t') fields.push_back("");
    return fields;
  };
  if (!std::getline(in, line)) return rows;
  header = split(line);
  auto column = [&](const char* name) {
    for (size_t index = 0; index < header.size(); ++index)
      if (header[index] == name) return index;
    return header.size();
  };
  size_t nameColumn = column("name"), versionColumn = column("version"), dbColumn = column("database_name"),
         collationColumn = column("collation_id");
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto fields = split(line);
    auto at = [&](size_t index) { return index < fields.size() ? fields[index] : std::string(); };
    rows.push_back({at(nameColumn), at(versionColumn), at(dbColumn), at(collationColumn)});
  }
  return rows;
}

TEST(InfoCorpus, VersionNameAndCollationOfEveryFile) {
  if (!support::HasCorpus()) GTEST_SKIP() << "no corpus at " << support::CorpusDir();
  std::string corpus = support::CorpusDir();
  auto rows = ReadManifest(corpus + "/manifest.tsv");
  ASSERT_FALSE(rows.empty());
  CollationTable collations;
  ASSERT_TRUE(LoadCollationTable(support::BinaryDir(), collations));

  for (const ManifestRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string path = corpus + "/files/" + row.name;
    auto result = support::RunPagewright({"info", "--json", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string version, versionText, databaseName, collationId, collationName;
    ASSERT_TRUE(support::JsonMember(result.out, "version", version)) << result.out;
    ASSERT_TRUE(support::JsonMember(result.out, "versionText", versionText));
    ASSERT_TRUE(support::JsonMember(result.out, "databaseName", databaseName));
    ASSERT_TRUE(support::JsonMember(result.out, "collationId", collationId));
    ASSERT_TRUE(support::JsonMember(result.out, "collationName", collationName));

    if (row.version.empty()) {
      // A secondary file has no boot page: page 9 is whatever lies there,
      // and it must not pass for a known release.
      EXPECT_EQ(versionText, "Unknown SQL Version");
      continue;
    }
    EXPECT_EQ(version, row.version);
    EXPECT_NE(versionText, "Unknown SQL Version");
    EXPECT_EQ(databaseName, row.databaseName);

    int64_t manifestId = std::stoll(row.collationId);  // the decimal before " (0x...)"
    EXPECT_EQ(collationId, std::to_string(static_cast<int32_t>(manifestId)));
    const CollationEntry* expected = FindCollation(collations, manifestId);
    ASSERT_NE(expected, nullptr) << "collation.txt lacks " << manifestId;
    EXPECT_EQ(collationName, expected->name);
  }
}

}  // namespace
}  // namespace pagewright
