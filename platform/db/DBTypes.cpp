// Names of the field types.
#include "DBTypes.h"

const char* FieldTypeName(TFieldType type) {
  static const char* const names[] = {
      "Unknown", "String",   "SmallInt", "Integer",    "Word",     "Boolean",    "Float",
      "Currency", "BCD",     "Date",     "Time",       "DateTime", "Bytes",      "VarBytes",
      "AutoInc", "Blob",     "Memo",     "Graphic",    "FmtMemo",  "ParadoxOle", "DBaseOle",
      "TypedBinary", "Cursor", "FixedChar", "WideString", "Largeint"};
  auto i = static_cast<unsigned>(type);
  return i < sizeof(names) / sizeof(names[0]) ? names[i] : "Unknown";
}
