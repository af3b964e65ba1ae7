// The shared vocabulary of the frame: logical field types, the field
// descriptor, locate options, picture formats and the library's name and version.
#pragma once

#include <cstdint>

#include "Sets.h"

// Logical type of a result column or host variable. The ordinals are compared
// numerically by drivers and the dataset adapter, so they must not move.
enum TOrvaneFieldTypes : uint8_t {
  ntUnknown = 0,   // the driver cannot map it; no storage
  ntString = 1,    // character data inline in the row
  ntInteger = 2,
  ntFloat = 3,
  ntCurrency = 4,
  ntDate = 5,
  ntTime = 6,
  ntDateTime = 7,
  ntBoolean = 8,
  ntBinary = 9,    // short binary data inline in the row
  ntMemo = 10,     // long text, reached through a blob stream
  ntBlob = 11,     // long binary data, reached through a blob stream
};

// A blob field is one of type ntMemo or ntBlob.
constexpr bool OrvIsBlobType(TOrvaneFieldTypes type) {
  return static_cast<unsigned>(type) - ntMemo <= 1u;
}

// Significant characters of a column or variable name.
inline constexpr int ORVANE_MAX_NAME_LENGTH = 128;

// One result column or host variable; the same record serves both.
struct TOrvaneFieldDesc {
  char Name[ORVANE_MAX_NAME_LENGTH + 1];  // NUL-terminated
  TOrvaneFieldTypes FieldType;
  int32_t ExtType;   // the vendor's type code for the value
  int32_t Size;      // bytes in a row or variable buffer; 0 = no storage
  int32_t Length;    // declared length or precision
  int32_t Decimals;  // scale
  bool Nulls;        // the column accepts NULL
};

// Stores a name into a descriptor, cut to the descriptor's 128 characters and
// always NUL-terminated, whatever the source length.
void OrvSetFieldDescName(TOrvaneFieldDesc& desc, const char* name, int length);

enum TOrvaneLocateOption : uint8_t { nloCaseInsensitive = 0, nloPartialKey = 1 };

// A set of locate options.
using TOrvaneLocateOptions = TSet<TOrvaneLocateOption>;

enum TOrvaneGraphicType : uint8_t { gtBitmap = 0, gtMetafile = 1, gtIcon = 2 };

// The library's name: caption of the design-time error box, module name and
// cursor-name prefix that drivers send to the server.
extern "C" const char* const szOrvaneLibraryName;
// The release of the library.
extern "C" const char* const szOrvaneDBVersion;
