// ValueLayout: how one value of one column is read in the current row, and
// BitState, the bit-column cursor of one record.
//
// Storage by type code (declared = ColumnDef::declaredLength, varflag =
// ColumnDef::variableLength):
//   codes                          isVariable  storageWidth         readLength
//   0, 4, 7, 21, 22, 30            0           8                    8
//   1, 3, 24                       0           declared             declared
//   2                              0           1 if no byte loaded  1
//   5                              0           3                    3
//   6                              0           5                    5
//   8                              0           10                   10
//   9, 27, 28, 29                  0           4                    4
//   10, 11, 19, 20, 26, 31-33      varflag     declared             declared
//   13                             0           2                    2
//   14                             0           1                    1
//   15                             0           16                   16
//   16, 25, 34                     1           0                    declared
//   17                             varflag     0                    declared
//   23                             0           19                   19
//   18, 12, above 34, negative     0           0                    0
#pragma once

#include <cstdint>

#include "catalog/column_def.h"

namespace pagewright {

// Up to eight consecutive bit columns share one byte, least significant bit
// first. One per record, created before its first column.
struct BitState {
  int32_t bitIndex = 8;     // next bit of currentByte; 8: no byte loaded
  uint8_t currentByte = 0;
  uint8_t byteTaken = 0;    // 1: the bit column being formatted loaded a byte
  uint8_t byteLoaded = 0;   // 1 once a byte is loaded
};

struct ValueLayout {
  BitState* bitState = nullptr;  // bit columns only; not owned
  uint64_t available = 0;        // bytes readable at the value's position
  uint8_t isVariable = 0;        // 1: one of the record's variable-length values
  int16_t storageWidth = 0;      // fixed-part bytes when the value cannot be formatted
  int32_t consumedLength = 0;    // fixed-part bytes the value took, known after formatting
  int16_t readLength = 0;        // bytes to read; a variable value's stored length
  int32_t typeCode = 0;
};

// The layout of `column`'s value with `typeCode` (normally column.typeCode).
// For a bit column it records `bitState` and sets its byteTaken.
ValueLayout MakeValueLayout(const ColumnDef& column, int32_t typeCode, BitState* bitState);

}  // namespace pagewright
