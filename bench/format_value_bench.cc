// Values per second of FormatValue over a mix of column types, as the row
// decoders call it: one layout per value, fixed values with their available
// bytes, variable values with their stored length.
//
//   format_value_bench [seconds]     (default 2)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "values/type_codes.h"
#include "values/value_format.h"
#include "values/value_layout.h"

namespace pagewright {
namespace {

struct Sample {
  const char* name;
  ColumnDef column;
  std::vector<uint8_t> bytes;
};

ColumnDef Column(int32_t typeCode, const char* typeText, uint8_t precision = 0, uint8_t scale = 0,
                 uint8_t variable = 0, int32_t collationId = 0) {
  ColumnDef column;
  column.typeCode = typeCode;
  column.typeText = typeText;
  column.declaredLength = static_cast<int16_t>(DeclaredLengthOf(typeText));
  column.precision = precision;
  column.scale = scale;
  column.variableLength = variable;
  column.collationId = collationId;
  return column;
}

std::vector<Sample> Samples() {
  namespace tc = type_code;
  constexpr int32_t kCyrillic = 0x0034D01A;
  return {
      {"int", Column(tc::kInt, "int(4)"), {0xFE, 0xFF, 0xFF, 0xFF}},
      {"bigint", Column(tc::kBigInt, "bigint(8)"), {0x15, 0xCD, 0x5B, 0x07, 0, 0, 0, 0}},
      {"smallint", Column(tc::kSmallInt, "smallint(2)"), {0x00, 0x80}},
      {"bit", Column(tc::kBit, "bit(1)"), {0x05}},
      {"datetime", Column(tc::kDateTime, "datetime(8)"), {0xA0, 0xF5, 0xEE, 0x00, 0xCD, 0xA8, 0x00, 0x00}},
      {"date", Column(tc::kDate, "date(3)"), {0x28, 0x3E, 0x0B}},
      {"datetime2(7)", Column(tc::kDateTime2, "datetime2(8)", 27, 7), {0x05, 0x10, 0xAC, 0xD1, 0x53, 0x28, 0x3E, 0x0B}},
      {"datetimeoffset(0)", Column(tc::kDateTimeOffset, "datetimeoffset(8)", 26, 0),
       {0x58, 0x4D, 0x00, 0x28, 0x3E, 0x0B, 0xB6, 0xFE}},
      {"decimal(18,2)", Column(tc::kDecimal, "decimal(9)", 18, 2), {0x01, 0x15, 0xCD, 0x5B, 0x07, 0, 0, 0, 0}},
      {"money", Column(tc::kMoney, "money(8)"), {0x15, 0xCD, 0x5B, 0x07, 0, 0, 0, 0}},
      {"float", Column(tc::kFloat, "float(8)"), {0x77, 0xBE, 0x9F, 0x1A, 0x2F, 0xDD, 0x5E, 0x40}},
      {"real", Column(tc::kReal, "real(4)"), {0x38, 0xB4, 0x96, 0x49}},
      {"uniqueidentifier", Column(tc::kUniqueIdentifier, "uniqueidentifier(16)"),
       {0xFF, 0x19, 0x96, 0x6F, 0x86, 0x8B, 0x11, 0xD0, 0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}},
      {"char(10) 1252", Column(tc::kChar, "char(10)"), {'S', 'm', 'i', 't', 'h', ' ', ' ', ' ', ' ', ' '}},
      {"varchar 1251", Column(tc::kVarChar, "varchar(40)", 0, 0, 1, kCyrillic), {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}},
      {"nvarchar", Column(tc::kNVarChar, "nvarchar(80)", 0, 0, 1),
       {'B', 0, 'e', 0, 'r', 0, 'g', 0, 'l', 0, 'u', 0, 'n', 0, 'd', 0, 's', 0}},
      {"varbinary", Column(tc::kVarBinary, "varbinary(16)", 0, 0, 1), {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02}},
  };
}

}  // namespace
}  // namespace pagewright

int main(int argc, char** argv) {
  using namespace pagewright;
  using Clock = std::chrono::steady_clock;
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;

  EngineState state;
  state.collations[0x0034D01A] = {"Cyrillic_General_CI_AS", 1251};
  const std::vector<Sample> samples = Samples();

  auto formatOne = [&state](const Sample& sample, BitState& bits) {
    ValueLayout layout = MakeValueLayout(sample.column, sample.column.typeCode, &bits);
    if (layout.isVariable)
      layout.readLength = static_cast<int16_t>(sample.bytes.size());
    else
      layout.available = sample.bytes.size();
    return FormatValue(layout, ByteView(sample.bytes), sample.column, state).size();
  };

  // Per type, then the mix.
  size_t sink = 0;
  std::printf("%-20s %14s\n", "type", "values/s");
  for (const Sample& sample : samples) {
    uint64_t count = 0;
    const auto start = Clock::now();
    const auto until = start + std::chrono::duration<double>(seconds / 8);
    while (Clock::now() < until) {
      for (int repeat = 0; repeat < 256; ++repeat) {
        BitState bits;
        sink += formatOne(sample, bits);
      }
      count += 256;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%-20s %14.0f\n", sample.name, static_cast<double>(count) / elapsed);
  }

  uint64_t count = 0;
  const auto start = Clock::now();
  const auto until = start + std::chrono::duration<double>(seconds);
  while (Clock::now() < until) {
    BitState bits;  // one row of the mix
    for (const Sample& sample : samples) sink += formatOne(sample, bits);
    count += samples.size();
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%-20s %14.0f   (%zu types, one row each pass)\n", "mix", static_cast<double>(count) / elapsed,
              samples.size());
  return sink == 0 ? 1 : 0;
}
