// ColumnDef: one column of the current table, the unit the row decoders work
// on. Built by table resolution; read by the value formatters and decoders.
#pragma once

#include <cstdint>
#include <string>

namespace pagewright {

struct ColumnDef {
  uint8_t marker[2] = {0, 0};
  int16_t declaredLength = 0;  // the number in typeText's parentheses, else 0
  int32_t columnId = 0;
  std::string name;            // UTF-8
  int32_t typeCode = 0;        // internal type code (values/type_codes.h)
  std::string typeText;        // e.g. "varchar(50)"
  uint8_t nullable = 0;
  uint8_t reserved = 0;
  uint8_t variableLength = 0;
  uint8_t statusFlag24 = 0;
  std::string definitionText;  // computed-column definition; see table resolution
  uint8_t precision = 0;
  uint8_t scale = 0;
  int32_t physicalColumnId = 0;  // -99: no storage (computed column)
  uint8_t hasPhysicalInfo = 0;
  int16_t leafOffset = 0;
  int16_t legacyXOffset = 0;
  int32_t nullBit = -1;
  uint8_t isPrimaryKey = 0;
  uint8_t isUnique = 0;
  uint8_t isUniqueConstraint = 0;
  uint8_t isForeignKey = 0;
  uint8_t statusFlag3 = 0;
  std::string referencedTableName;
  std::string referencedColumnName;
  std::string identityText;
  uint8_t keyProperty = 0;
  int32_t collationId = -1;

  // A blank entry, as used for synthesised results.
  static ColumnDef Blank() {
    ColumnDef column;
    column.nullBit = 0;
    return column;
  }
};

}  // namespace pagewright
