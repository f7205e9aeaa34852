// gen_big_db: writes a big synthetic primary data file with the project's own
// test-support writers, for the benchmarks.
//
//   gen_big_db OUT.mdf [--tables T] [--columns C] [--rows R] [--size-gb N]
//
//   --tables T   T user tables T00000, T00001, ... (default 1); C columns in
//                total, spread evenly (default 4 per table), of int, bigint,
//                nvarchar and varchar types in turn.
//   --rows R     one more table, "Big", with R rows of mixed types:
//                Id int NOT NULL, Amount bigint, Price money, Flag bit,
//                Name nvarchar(40), Note varchar(30) (NULL in every 7th row).
//   --size-gb N  the file is extended to N GB; the pages past the written
//                ones are a hole (sparse, zero pages).
//
// Layout: the catalog pages (CatalogWriter::BuildFile, from page 16), then
// the data pages of "Big", then the sparse tail. The row pages are streamed
// to disk, so memory stays small whatever R is. Prints the page counts and
// the file size.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/catalog_writer.h"
#include "support/page_writer.h"
#include "support/record_writer.h"

namespace {

using namespace pagewright;
using namespace pagewright::support;

struct Options {
  std::string out;
  int64_t tables = 1;
  int64_t columns = -1;
  int64_t rows = 0;
  double sizeGb = 0;
};

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](const char* name) -> const char* {
      if (a != name || i + 1 >= argc) return nullptr;
      return argv[++i];
    };
    if (const char* v = next("--tables")) o.tables = std::atoll(v);
    else if (const char* v2 = next("--columns")) o.columns = std::atoll(v2);
    else if (const char* v3 = next("--rows")) o.rows = std::atoll(v3);
    else if (const char* v4 = next("--size-gb")) o.sizeGb = std::atof(v4);
    else if (!a.empty() && a[0] != '-' && o.out.empty()) o.out = a;
    else return false;
  }
  if (o.columns < 0) o.columns = o.tables * 4;
  return !o.out.empty() && o.tables >= 0 && o.rows >= 0 && o.sizeGb >= 0;
}

ColumnSpec Col(const std::string& name, uint8_t type, int16_t length, uint8_t precision = 10, uint8_t scale = 0) {
  ColumnSpec c;
  c.name = name;
  c.systemTypeId = type;
  c.length = length;
  c.precision = precision;
  c.scale = scale;
  return c;
}

ColumnSpec SmallColumn(int64_t n) {
  char name[32];
  std::snprintf(name, sizeof name, "c%lld", static_cast<long long>(n));
  switch (n % 4) {
    case 0: return Col(name, sql_type::kInt, 4);
    case 1: return Col(name, sql_type::kBigInt, 8, 19);
    case 2: return Col(name, sql_type::kNVarChar, 100);
    default: return Col(name, sql_type::kVarChar, 50);
  }
}

TableSpec BigTable() {
  TableSpec t;
  t.name = "Big";
  ColumnSpec id = Col("Id", sql_type::kInt, 4);
  id.nullable = false;
  t.columns = {id,
               Col("Amount", sql_type::kBigInt, 8, 19),
               Col("Price", sql_type::kMoney, 8, 19, 4),
               Col("Flag", sql_type::kBit, 1, 1),
               Col("Name", sql_type::kNVarChar, 80),
               Col("Note", sql_type::kVarChar, 30)};
  return t;
}

Bytes BigRow(int64_t n) {
  FixedVarRecord r;
  AppendU32(r.fixed, static_cast<uint32_t>(n));
  AppendU64(r.fixed, static_cast<uint64_t>(n * 1000003 - 500));
  AppendU64(r.fixed, static_cast<uint64_t>((n % 100000) * 10000 + 1234));
  AppendU8(r.fixed, static_cast<uint8_t>(n & 1));
  r.columnCount = 6;
  std::string name = "Customer " + std::to_string(n);
  r.varColumns.push_back(VarColumn{Utf16Le(name), false});
  if (n % 7 == 0) {
    r.nullColumns = {5};
    r.varColumns.push_back(VarColumn{Bytes{}, false});
  } else {
    std::string note = "note-" + std::to_string(n % 9973);
    r.varColumns.push_back(VarColumn{Bytes(note.begin(), note.end()), false});
  }
  return r.Build();
}

bool WriteAll(int fd, const uint8_t* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd, data, size, at);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    std::fprintf(stderr, "Usage: gen_big_db OUT.mdf [--tables T] [--columns C] [--rows R] [--size-gb N]\n");
    return 1;
  }
  CatalogWriter writer(CatalogGeneration::kSql2008);
  int64_t column = 0;
  for (int64_t t = 0; t < o.tables; ++t) {
    TableSpec spec;
    char name[32];
    std::snprintf(name, sizeof name, "T%05lld", static_cast<long long>(t));
    spec.name = name;
    int64_t share = o.columns / o.tables + (t < o.columns % o.tables ? 1 : 0);
    if (share < 1) share = 1;
    for (int64_t c = 0; c < share; ++c) spec.columns.push_back(SmallColumn(column++));
    writer.AddTable(spec);
  }
  int32_t bigId = o.rows > 0 ? writer.AddTable(BigTable()) : 0;

  BootPageSpec boot;
  boot.databaseName = "BigSynthetic";
  FileImage image = writer.BuildFile(boot);
  Bytes head = image.Serialize();
  int fd = ::open(o.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || !WriteAll(fd, head.data(), head.size(), 0)) {
    std::fprintf(stderr, "gen_big_db: cannot write %s\n", o.out.c_str());
    return 2;
  }
  int64_t catalogPages = static_cast<int64_t>(head.size() / kPageSize);
  int64_t pageNo = catalogPages;
  int64_t rowPages = 0;
  if (bigId) {
    const TableStorage* storage = writer.Storage(bigId);
    auto fresh = [&](int64_t no) {
      PageImage p(1, PageId{1, static_cast<int32_t>(no)});
      p.SetAllocationUnit(storage->allocationUnitId);
      return p;
    };
    PageImage page = fresh(pageNo);
    for (int64_t n = 0; n < o.rows; ++n) {
      Bytes row = BigRow(n);
      if (page.AddRecord(row) < 0) {
        if (!WriteAll(fd, page.bytes().data(), kPageSize, static_cast<off_t>(pageNo * kPageSize))) return 2;
        ++pageNo;
        ++rowPages;
        page = fresh(pageNo);
        page.AddRecord(row);
      }
    }
    if (!WriteAll(fd, page.bytes().data(), kPageSize, static_cast<off_t>(pageNo * kPageSize))) return 2;
    ++pageNo;
    ++rowPages;
  }
  int64_t size = pageNo * static_cast<int64_t>(kPageSize);
  int64_t wanted = static_cast<int64_t>(o.sizeGb * 1024.0 * 1024.0 * 1024.0);
  wanted -= wanted % static_cast<int64_t>(kPageSize);
  if (wanted > size) size = wanted;
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0 || ::close(fd) != 0) {
    std::fprintf(stderr, "gen_big_db: cannot size %s\n", o.out.c_str());
    return 2;
  }
  std::printf("file\t%s\nbytes\t%lld\ntables\t%lld\ncolumns\t%lld\ncatalog_pages\t%lld\nrows\t%lld\nrow_pages\t%lld\n",
              o.out.c_str(), static_cast<long long>(size), static_cast<long long>(o.tables),
              static_cast<long long>(column), static_cast<long long>(catalogPages), static_cast<long long>(o.rows),
              static_cast<long long>(rowPages));
  return 0;
}
