// make_sample_db OUT: writes the bundled sample database, a small valid
// primary data file (2008 catalog layout) made by the project's own
// test-support writer:
//
//   Customers       CustomerID int NOT NULL (primary key), Name nvarchar(40),
//                   City varchar(30); 12 rows
//   Orders          OrderID int NOT NULL, CustomerID int, Amount money;
//                   1500 rows, so the record list has a second screen
//   CustomerCities  a view over Customers, with its source text
//   CK_Orders_Amount a check on Orders.Amount, with its condition
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/catalog_writer.h"
#include "support/record_writer.h"
#include "support/table_writer.h"

namespace {

using namespace pagewright::support;

ColumnSpec Column(const std::string& name, uint8_t type, int16_t length, bool nullable) {
  ColumnSpec column;
  column.name = name;
  column.systemTypeId = type;
  column.length = length;
  column.nullable = nullable;
  if (type == sql_type::kMoney) {
    column.precision = 19;
    column.scale = 4;
  }
  return column;
}

Bytes CustomerRow(int32_t id, const std::string& name, const std::string& city) {
  FixedVarRecord record;
  AppendU32(record.fixed, static_cast<uint32_t>(id));
  record.columnCount = 3;
  record.varColumns = {{Utf16Le(name)}, {Bytes(city.begin(), city.end())}};
  return record.Build();
}

Bytes OrderRow(int32_t id, int32_t customer, int64_t amountTenThousandths) {
  FixedVarRecord record;
  AppendU32(record.fixed, static_cast<uint32_t>(id));
  AppendU32(record.fixed, static_cast<uint32_t>(customer));
  AppendU64(record.fixed, static_cast<uint64_t>(amountTenThousandths));
  record.columnCount = 3;
  return record.Build();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    std::fprintf(argc == 2 ? stdout : stderr, "Usage: make_sample_db OUT.mdf\n");
    return argc == 2 ? 0 : 1;
  }
  std::filesystem::path out(argv[1]);
  std::error_code error;
  if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), error);

  CatalogWriter writer(CatalogGeneration::kSql2008);
  const int32_t customers = writer.AddTable(
      TableSpec{"Customers",
                {Column("CustomerID", sql_type::kInt, 4, false), Column("Name", sql_type::kNVarChar, 80, true),
                 Column("City", sql_type::kVarChar, 30, true)}});
  const int32_t orders = writer.AddTable(
      TableSpec{"Orders",
                {Column("OrderID", sql_type::kInt, 4, false), Column("CustomerID", sql_type::kInt, 4, true),
                 Column("Amount", sql_type::kMoney, 8, true)}});
  writer.AddPrimaryKey(customers, "PK_Customers", {1});
  const int32_t check = writer.AddCheck(orders, "CK_Orders_Amount", 3);
  AddModuleText(writer, check, "([Amount]>=(0))");
  const int32_t view = writer.AddObject("CustomerCities", "V ");
  AddModuleText(writer, view,
                "CREATE VIEW CustomerCities AS\r\nSELECT Name, City FROM Customers WHERE City IS NOT NULL\r\n");

  const char* names[][2] = {
      {"Ana Trujillo", "Mexico D.F."}, {"Antonio Moreno", "Mexico D.F."},    {"Thomas Hardy", "London"},
      {"Christina Berglund", "Lulea"}, {"Hanna Moos", "Mannheim"},           {"Frederique Citeaux", "Strasbourg"},
      {"Martin Sommer", "Madrid"},     {"Laurence Lebihan", "Marseille"},    {"Elizabeth Lincoln", "Tsawassen"},
      {"Victoria Ashworth", "London"}, {"Patricio Simpson", "Buenos Aires"}, {"Francisco Chang", ""}};
  std::vector<Bytes> customerRows;
  int32_t id = 1;
  for (const auto& entry : names) customerRows.push_back(CustomerRow(id++, entry[0], entry[1]));
  std::vector<Bytes> orderRows;
  for (int32_t order = 1; order <= 1500; ++order)
    orderRows.push_back(OrderRow(10000 + order, 1 + order % 12, static_cast<int64_t>(order) * 12345));

  BootPageSpec boot;
  boot.version = 655;
  boot.databaseName = "Veltor Sample";
  boot.collationId = 872468488;  // SQL_Latin1_General_CP1_CI_AS
  FileImage file = writer.BuildFile(boot);
  int32_t pageNo = 200;
  for (const PageImage& page : TableDataPages(writer, customers, customerRows, pageNo)) {
    file.PutPage(page);
    ++pageNo;
  }
  pageNo = 210;
  for (const PageImage& page : TableDataPages(writer, orders, orderRows, pageNo)) file.PutPage(page);
  if (!file.WriteTo(out.string())) {
    std::fprintf(stderr, "make_sample_db: cannot write %s\n", out.string().c_str());
    return 2;
  }
  return 0;
}
