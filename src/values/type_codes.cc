#include "values/type_codes.h"

namespace pagewright {

int32_t SystemTypeToCode(uint8_t systemTypeId) {
  switch (systemTypeId) {
    case system_type::kBigInt: return type_code::kBigInt;
    case system_type::kBinary: return type_code::kBinary;
    case system_type::kBit: return type_code::kBit;
    case system_type::kDateTime: return type_code::kDateTime;
    case system_type::kDate: return type_code::kDate;
    case system_type::kTime: return type_code::kTime;
    case system_type::kDateTime2: return type_code::kDateTime2;
    case system_type::kDateTimeOffset: return type_code::kDateTimeOffset;
    case system_type::kInt: return type_code::kInt;
    case system_type::kNChar: return type_code::kNChar;
    case system_type::kNVarChar: return type_code::kNVarChar;
    case system_type::kSmallInt: return type_code::kSmallInt;
    case system_type::kTinyInt: return type_code::kTinyInt;
    case system_type::kUniqueIdentifier: return type_code::kUniqueIdentifier;
    case system_type::kVarBinary: return type_code::kVarBinary;
    case system_type::kVarChar: return type_code::kVarChar;
    case system_type::kSystemType232: return type_code::kSystemType232;
    case system_type::kNText: return type_code::kNText;
    case system_type::kSqlVariant: return type_code::kSqlVariant;
    case system_type::kMoney: return type_code::kMoney;
    case system_type::kFloat: return type_code::kFloat;
    case system_type::kNumeric: return type_code::kNumeric;
    case system_type::kDecimal: return type_code::kDecimal;
    case system_type::kImage: return type_code::kText;
    case system_type::kText: return type_code::kText;
    case system_type::kSmallDateTime: return type_code::kSmallDateTime;
    case system_type::kReal: return type_code::kReal;
    case system_type::kSmallMoney: return type_code::kSmallMoney;
    case system_type::kTimestamp: return type_code::kTimestamp;
    case system_type::kClrType: return type_code::kClrType;
    case system_type::kXml: return type_code::kXml;
    default: return type_code::kChar;
  }
}

}  // namespace pagewright
