// The system's own type codes for SQL Server column types, held in
// ColumnDef::typeCode, and the map from SQL Server system type ids to them.
//
//   code type (system type id)        code type (system type id)
//   0    bigint (127)                 18   system type 232 (built as 11)
//   1    binary (173)                 19   ntext (99)
//   2    bit (104)                    20   sql_variant (98)
//   3    char (175), unknown ids      21   money (60)
//   4    datetime (61)                22   float (62)
//   5    date (40)                    23   numeric (108)
//   6    time (41)                    24   decimal (106)
//   7    datetime2 (42)               25   image (34, set by table resolution)
//   8    datetimeoffset (43)          26   text (35), and image from the map
//   9    int (56)                     27   smalldatetime (58)
//   10   nchar (239)                  28   real (59)
//   11   nvarchar (231)               29   smallmoney (122)
//   12   not used                     30   timestamp (189)
//   13   smallint (52)                31   hierarchyid (CLR 240, user type 128)
//   14   tinyint (48)                 32   geometry (CLR 240, user type 129)
//   15   uniqueidentifier (36)        33   other CLR types (240)
//   16   varbinary (165)              34   xml (241)
//   17   varchar (167)
#pragma once

#include <cstdint>

namespace pagewright {

namespace type_code {
inline constexpr int32_t kBigInt = 0;
inline constexpr int32_t kBinary = 1;
inline constexpr int32_t kBit = 2;
inline constexpr int32_t kChar = 3;
inline constexpr int32_t kDateTime = 4;
inline constexpr int32_t kDate = 5;
inline constexpr int32_t kTime = 6;
inline constexpr int32_t kDateTime2 = 7;
inline constexpr int32_t kDateTimeOffset = 8;
inline constexpr int32_t kInt = 9;
inline constexpr int32_t kNChar = 10;
inline constexpr int32_t kNVarChar = 11;
inline constexpr int32_t kUnused12 = 12;
inline constexpr int32_t kSmallInt = 13;
inline constexpr int32_t kTinyInt = 14;
inline constexpr int32_t kUniqueIdentifier = 15;
inline constexpr int32_t kVarBinary = 16;
inline constexpr int32_t kVarChar = 17;
inline constexpr int32_t kSystemType232 = 18;
inline constexpr int32_t kNText = 19;
inline constexpr int32_t kSqlVariant = 20;
inline constexpr int32_t kMoney = 21;
inline constexpr int32_t kFloat = 22;
inline constexpr int32_t kNumeric = 23;
inline constexpr int32_t kDecimal = 24;
inline constexpr int32_t kImage = 25;
inline constexpr int32_t kText = 26;
inline constexpr int32_t kSmallDateTime = 27;
inline constexpr int32_t kReal = 28;
inline constexpr int32_t kSmallMoney = 29;
inline constexpr int32_t kTimestamp = 30;
inline constexpr int32_t kHierarchyId = 31;
inline constexpr int32_t kGeometry = 32;
inline constexpr int32_t kClrType = 33;
inline constexpr int32_t kXml = 34;
inline constexpr int32_t kLastCode = 34;
}  // namespace type_code

// SQL Server system type ids (sys.types.system_type_id).
namespace system_type {
inline constexpr uint8_t kImage = 34;
inline constexpr uint8_t kText = 35;
inline constexpr uint8_t kUniqueIdentifier = 36;
inline constexpr uint8_t kDate = 40;
inline constexpr uint8_t kTime = 41;
inline constexpr uint8_t kDateTime2 = 42;
inline constexpr uint8_t kDateTimeOffset = 43;
inline constexpr uint8_t kTinyInt = 48;
inline constexpr uint8_t kSmallInt = 52;
inline constexpr uint8_t kInt = 56;
inline constexpr uint8_t kSmallDateTime = 58;
inline constexpr uint8_t kReal = 59;
inline constexpr uint8_t kMoney = 60;
inline constexpr uint8_t kDateTime = 61;
inline constexpr uint8_t kFloat = 62;
inline constexpr uint8_t kSqlVariant = 98;
inline constexpr uint8_t kNText = 99;
inline constexpr uint8_t kBit = 104;
inline constexpr uint8_t kDecimal = 106;
inline constexpr uint8_t kNumeric = 108;
inline constexpr uint8_t kSmallMoney = 122;
inline constexpr uint8_t kBigInt = 127;
inline constexpr uint8_t kVarBinary = 165;
inline constexpr uint8_t kVarChar = 167;
inline constexpr uint8_t kBinary = 173;
inline constexpr uint8_t kChar = 175;
inline constexpr uint8_t kTimestamp = 189;
inline constexpr uint8_t kNVarChar = 231;
inline constexpr uint8_t kSystemType232 = 232;
inline constexpr uint8_t kNChar = 239;
inline constexpr uint8_t kClrType = 240;
inline constexpr uint8_t kXml = 241;
}  // namespace system_type

// The type code of a system type id. Image (34) maps to 26 (table resolution
// then uses 25), every CLR type (240) to 33 (refined to 31 or 32 by its user
// type), and any id not named above, char (175) among them, to 3.
int32_t SystemTypeToCode(uint8_t systemTypeId);

}  // namespace pagewright
