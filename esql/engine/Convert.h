// Values to and from the caller's buffers in the formats of the descriptor
// type codes, and the type codes that describe gives to declared types.
#pragma once

#include "Error.h"
#include "OrvEsql.h"
#include "Value.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace orvesql {

// The describe type code (without the nullable bit) and sqllen for a declared
// column type; an empty declaration (an expression) is typed from exprText.
struct DescribedType {
  int16_t type;
  int16_t len;
};
DescribedType DescribeDeclType(const std::string& declType, const std::string& exprText);

// Writes cell col of src into var in the format of var.sqltype. Returns
// W_TRUNCATED when the value was cut (the indicator then holds its full
// length), OK otherwise. Throws EsqlError for a type that cannot be a buffer,
// a missing data pointer, or NULL without an indicator.
int WriteCell(CellSource& src, int col, SQLVAR& var);
// The same with the cell already read in its own kind; src gives the
// conversions a target may need (a number as text, text as a number).
int WriteConverted(CellSource& src, int col, const CellView& cell, SQLVAR& var);

// WriteConverted, with the pairings of a cell's own kind and target type
// that most fetches meet copied in place: a block of a thousand rows makes
// thousands of these calls.
inline int WriteCell(CellSource& src, int col, const CellView& cell, SQLVAR& var) {
  int t = var.sqltype & ~1;
  if (void* p = var.sqldata) {
    switch (cell.kind) {
      case Kind::Integer:
        if (t == ESQL_INT && cell.i >= INT32_MIN && cell.i <= INT32_MAX) {
          int32_t v = static_cast<int32_t>(cell.i);
          std::memcpy(p, &v, sizeof v);
        } else if (t == ESQL_BIGINT) {
          std::memcpy(p, &cell.i, sizeof cell.i);
        } else {
          break;
        }
        if (var.sqlind) *var.sqlind = 0;
        return OK;
      case Kind::Real:
        if (t != ESQL_DOUBLE) break;
        std::memcpy(p, &cell.d, sizeof cell.d);
        if (var.sqlind) *var.sqlind = 0;
        return OK;
      case Kind::Text:
        if (t != ESQL_STRING || var.sqllen < 1 || cell.n >= static_cast<size_t>(var.sqllen)) break;
        std::memcpy(p, cell.p, cell.n);
        static_cast<char*>(p)[cell.n] = 0;
        if (var.sqlind) *var.sqlind = 0;
        return OK;
      case Kind::Null:
        if (!var.sqlind) break;
        *var.sqlind = -1;
        return OK;
      default: break;
    }
  }
  return WriteConverted(src, col, cell, var);
}

// Reads an input entry into a value. Type 600 entries are resolved through
// lookupVariable (name -> value). Throws EsqlError for bad entries.
class VariableLookup {
public:
  virtual ~VariableLookup() = default;
  virtual const Value& Find(const std::string& name) = 0;
};
Value ReadEntry(const SQLVAR& var, VariableLookup* vars, int position);
// The same into an existing value, reusing its storage.
void ReadEntryInto(const SQLVAR& var, VariableLookup* vars, int position, Value& out);

// A piece of a long value: bytes [offset, offset + capacity) of the cell into
// var (binary: 16-bit length + bytes; strings: bytes + NUL). Returns
// W_TRUNCATED while more data follows, OK on the last piece.
int WritePiece(CellSource& src, int col, uint32_t offset, SQLVAR& var);

// Timestamp record <-> text "YYYY-MM-DD HH:MM:SS.fff"; false when the text is
// no date or time.
bool TextToDateTime(std::string_view s, SQLDATETIME& out);
std::string DateTimeToText(const SQLDATETIME& t);

// Copies at most cap-1 bytes of s into a NUL-terminated buffer.
void CopyString(char* dst, size_t cap, std::string_view s);

}  // namespace orvesql
