// Large values as real servers stored them: every pub_info row of the pubs
// files, found by scanning the data pages, read through its text pointers and
// compared with the creation script.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "catalog/database_file.h"
#include "storage/lob.h"
#include "support/file_writer.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

struct PubInfo {
  std::string logoHex;  // the script's 0x literal, without 0x
  std::string prInfo;   // the script's text, '' unescaped
};

std::map<std::string, PubInfo> ScriptPubInfo(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string script = buffer.str();
  std::map<std::string, PubInfo> rows;
  const std::string marker = "insert pub_info values('";
  for (size_t at = script.find(marker); at != std::string::npos; at = script.find(marker, at + 1)) {
    size_t idStart = at + marker.size();
    std::string pubId = script.substr(idStart, 4);
    size_t hexStart = script.find("0x", idStart) + 2;
    size_t hexEnd = script.find(',', hexStart);
    size_t textStart = script.find('\'', hexEnd) + 1;
    size_t textEnd = script.find("')", textStart);
    std::string text = script.substr(textStart, textEnd - textStart);
    for (size_t quote = text.find("''"); quote != std::string::npos; quote = text.find("''", quote + 1))
      text.erase(quote, 1);
    rows[pubId] = {script.substr(hexStart, hexEnd - hexStart), text};
  }
  return rows;
}

// The script is 8-bit text (Latin-1 characters); the reader gives UTF-8.
std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char character : text) {
    if (character < 0x80) {
      out.push_back(static_cast<char>(character));
    } else {
      out.push_back(static_cast<char>(0xC0 | (character >> 6)));
      out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    }
  }
  return out;
}

std::string WithoutCarriageReturns(std::string text) {
  std::string out;
  for (size_t index = 0; index < text.size(); ++index)
    if (!(text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n')) out.push_back(text[index]);
  return out;
}

// The text pointers of pub_info rows: a 4-byte fixed part (pub_id) and two
// 16-byte variable values (logo, pr_info).
struct PubInfoRow {
  std::vector<uint8_t> logoPointer;
  std::vector<uint8_t> prInfoPointer;
};

std::map<std::string, PubInfoRow> ScanPubInfoRows(DatabaseFile& database) {
  std::map<std::string, PubInfoRow> rows;
  for (int32_t pageNo = 1; pageNo < database.pageCount; ++pageNo) {
    auto header = database.ReadPageHeader(PageId{1, pageNo});
    if (!header || header->type != page_type::kData) continue;
    auto page = database.ReadDataPage(PageId{1, pageNo});
    if (!page) continue;
    for (const auto& entry : page->records) {
      const auto* record = static_cast<const CPrimaryRecord*>(entry.get());
      if (!record || record->isBad || record->fixedData.size() != 4 || record->varValues.size() != 2) continue;
      if (record->varValues[0].data.size() != 16 || record->varValues[1].data.size() != 16) continue;
      std::string pubId(record->fixedData.begin(), record->fixedData.end());
      rows[pubId] = {record->varValues[0].data, record->varValues[1].data};
    }
  }
  return rows;
}

TEST(LobCorpus, PubInfoValuesEqualTheScript) {
  if (!support::HasCorpus()) GTEST_SKIP() << "corpus not present";
  const auto script = ScriptPubInfo(support::CorpusDir() + "/truth/pubs_stuit_2000/instpubs.sql");
  ASSERT_EQ(script.size(), 8u);
  ASSERT_EQ(script.at("0736").prInfo.size(), 64123u);
  for (const char* file : {"pubs_stuit_2000.mdf", "pubs_itsligo_2008.mdf", "pubs_nuneteen_2014.mdf"}) {
    SCOPED_TRACE(file);
    EngineState state;
    auto database = support::OpenForTest(state, support::CorpusDir() + "/files/" + file);
    ASSERT_TRUE(database);
    auto rows = ScanPubInfoRows(*database);
    DatabaseFileLobSource source(*database);
    for (const auto& [pubId, expected] : script) {
      SCOPED_TRACE(pubId);
      ASSERT_TRUE(rows.count(pubId));
      LobRequest hex(source);
      hex.asHex = true;
      EXPECT_EQ(ReadTextPointerValue(ByteView(rows[pubId].logoPointer), hex), expected.logoHex);
      std::string prInfo = ReadTextPointerValue(ByteView(rows[pubId].prInfoPointer), LobRequest(source));
      // The server stored the script's line ends as CR LF.
      EXPECT_EQ(WithoutCarriageReturns(prInfo), Latin1ToUtf8(expected.prInfo));
      if (pubId == "0736") EXPECT_EQ(prInfo.size(), 65071u);
    }
  }
}

}  // namespace
}  // namespace pagewright
