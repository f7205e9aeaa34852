#include "values/value_layout.h"

#include "values/type_codes.h"

namespace pagewright {

ValueLayout MakeValueLayout(const ColumnDef& column, int32_t typeCode, BitState* bitState) {
  ValueLayout layout;
  layout.typeCode = typeCode;
  const int16_t declared = column.declaredLength;
  auto fixed = [&layout](int16_t width) {
    layout.storageWidth = width;
    layout.readLength = width;
  };
  namespace tc = type_code;
  switch (typeCode) {
    case tc::kBigInt: case tc::kDateTime: case tc::kDateTime2: case tc::kMoney: case tc::kFloat:
    case tc::kTimestamp:
      fixed(8);
      break;
    case tc::kBinary: case tc::kChar: case tc::kDecimal:
      fixed(declared);
      break;
    case tc::kBit: {
      const bool needsByte = bitState == nullptr || bitState->bitIndex == 8;
      layout.storageWidth = needsByte ? 1 : 0;
      layout.readLength = 1;
      layout.bitState = bitState;
      if (bitState != nullptr) bitState->byteTaken = needsByte ? 1 : 0;
      break;
    }
    case tc::kDate: fixed(3); break;
    case tc::kTime: fixed(5); break;
    case tc::kDateTimeOffset: fixed(10); break;
    case tc::kInt: case tc::kSmallDateTime: case tc::kReal: case tc::kSmallMoney:
      fixed(4);
      break;
    case tc::kNChar: case tc::kNVarChar: case tc::kNText: case tc::kSqlVariant: case tc::kText:
    case tc::kHierarchyId: case tc::kGeometry: case tc::kClrType:
      layout.isVariable = column.variableLength;
      fixed(declared);
      break;
    case tc::kSmallInt: fixed(2); break;
    case tc::kTinyInt: fixed(1); break;
    case tc::kUniqueIdentifier: fixed(16); break;
    case tc::kVarBinary: case tc::kImage: case tc::kXml:
      layout.isVariable = 1;
      layout.readLength = declared;
      break;
    case tc::kVarChar:
      layout.isVariable = column.variableLength;
      layout.readLength = declared;
      break;
    case tc::kNumeric: fixed(19); break;
    default:
      break;  // 12, 18, codes above 34: nothing to read
  }
  return layout;
}

}  // namespace pagewright
