// Buffer formats of the descriptor type codes: fetch targets, host values,
// pieces of long values, the timestamp record, and describe's type mapping.
#include "Convert.h"
#include "Error.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <limits>

namespace orvesql {
namespace {

std::string Upper(std::string_view s) {
  std::string r(s);
  for (auto& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

std::string Trim(std::string s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// Collapses runs of blanks so "LONG   VARCHAR" reads as "LONG VARCHAR".
std::string Words(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!r.empty() && r.back() != ' ') r += ' ';
    } else {
      r += c;
    }
  }
  while (!r.empty() && r.back() == ' ') r.pop_back();
  return r;
}

bool StartsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

int16_t Clamp16(long v) { return static_cast<int16_t>(v < 1 ? 1 : v > 32767 ? 32767 : v); }

DescribedType Expression(const std::string& exprText) {
  std::string e = Upper(Trim(exprText));
  if (e.empty()) return {ESQL_LONGVARCHAR, 32767};
  if (StartsWith(e, "COUNT(") || StartsWith(e, "LENGTH(") || StartsWith(e, "INSTR(") ||
      StartsWith(e, "CHAR_LENGTH("))
    return {ESQL_INT, 4};
  if (StartsWith(e, "SUM(") || StartsWith(e, "AVG(") || StartsWith(e, "TOTAL("))
    return {ESQL_DOUBLE, 8};
  if (StartsWith(e, "CAST(")) {
    size_t as = e.rfind(" AS ");
    size_t close = e.rfind(')');
    if (as != std::string::npos && close != std::string::npos && close > as)
      return DescribeDeclType(e.substr(as + 4, close - as - 4), "");
  }
  if (e.front() == '\'' && e.back() == '\'' && e.size() >= 2)
    return {ESQL_VARCHAR, Clamp16(static_cast<long>(e.size()) - 2)};
  size_t i = (e[0] == '-' || e[0] == '+') ? 1 : 0;
  bool digits = i < e.size(), dot = false, exp = false;
  for (size_t j = i; j < e.size(); ++j) {
    char c = e[j];
    if (std::isdigit(static_cast<unsigned char>(c))) continue;
    if (c == '.' && !dot && !exp) { dot = true; continue; }
    if (c == 'E' && !exp && j > i) { exp = true; continue; }
    digits = false;
    break;
  }
  if (digits) {
    if (dot || exp) return {ESQL_DOUBLE, 8};
    return e.size() - i > 9 ? DescribedType{ESQL_BIGINT, 8} : DescribedType{ESQL_INT, 4};
  }
  // Anything else may be text of any length: describe it as long text so
  // that no client cuts it.
  return {ESQL_LONGVARCHAR, 32767};
}

}  // namespace

DescribedType DescribeDeclType(const std::string& declType, const std::string& exprText) {
  std::string d = Words(Upper(Trim(declType)));
  if (d.empty()) return Expression(exprText);
  std::string base = d;
  long a = -1, b = -1;
  size_t paren = d.find('(');
  if (paren != std::string::npos) {
    base = Trim(d.substr(0, paren));
    const char* p = d.c_str() + paren + 1;
    char* end = nullptr;
    a = std::strtol(p, &end, 10);
    if (end == p) a = -1;
    if (end && *end == ',') {
      const char* q = end + 1;
      b = std::strtol(q, &end, 10);
      if (end == q) b = -1;
    }
  }
  if (base == "INT" || base == "INTEGER") return {ESQL_INT, 4};
  if (base == "SMALLINT") return {ESQL_SMALLINT, 2};
  if (base == "TINYINT" || base == "UNSIGNED TINYINT") return {ESQL_TINYINT, 1};
  if (base == "BIGINT") return {ESQL_BIGINT, 8};
  if (base == "UNSIGNED INT" || base == "UNSIGNED INTEGER") return {ESQL_UNSINT, 4};
  if (base == "UNSIGNED SMALLINT") return {ESQL_UNSSMALLINT, 2};
  if (base == "UNSIGNED BIGINT") return {ESQL_UNSBIGINT, 8};
  if (base == "DOUBLE" || base == "DOUBLE PRECISION") return {ESQL_DOUBLE, 8};
  if (base == "FLOAT") return a > 0 && a <= 24 ? DescribedType{ESQL_FLOAT, 4} : DescribedType{ESQL_DOUBLE, 8};
  if (base == "REAL") return {ESQL_FLOAT, 4};
  if (base == "DECIMAL" || base == "NUMERIC" || base == "DEC") {
    long p = a > 0 ? a : 30, s = b >= 0 ? b : (a > 0 ? 0 : 6);
    if (p > 127) p = 127;
    if (s > p) s = p;
    return {ESQL_DECIMAL, static_cast<int16_t>(p | (s << 8))};
  }
  if (base == "MONEY") return {ESQL_DECIMAL, static_cast<int16_t>(19 | (4 << 8))};
  if (base == "CHAR" || base == "CHARACTER" || base == "NCHAR")
    return {ESQL_FIXCHAR, Clamp16(a > 0 ? a : 1)};
  if (base == "VARCHAR" || base == "CHARACTER VARYING" || base == "CHAR VARYING" ||
      base == "NVARCHAR" || base == "VARYING CHARACTER") {
    if (a > 0 && a <= 32767) return {ESQL_VARCHAR, static_cast<int16_t>(a)};
    return {ESQL_LONGVARCHAR, 32767};
  }
  if (base == "LONG VARCHAR" || base == "LONG NVARCHAR" || base == "TEXT" || base == "CLOB")
    return {ESQL_LONGVARCHAR, 32767};
  if (base == "BINARY" || base == "VARBINARY") return {ESQL_BINARY, Clamp16(a > 0 ? a : 1)};
  if (base == "LONG BINARY" || base == "BLOB" || base == "IMAGE") return {ESQL_LONGBINARY, 32767};
  if (base == "DATE") return {ESQL_DATE, 10};
  if (base == "TIME") return {ESQL_TIME, 8};
  if (base == "TIMESTAMP" || base == "DATETIME" || base == "SMALLDATETIME") return {ESQL_TIMESTAMP, 23};
  if (base == "BIT" || base == "BOOLEAN" || base == "BOOL") return {ESQL_BIT, 1};
  // Other names follow the engine's affinity rules.
  if (d.find("INT") != std::string::npos) return {ESQL_INT, 4};
  if (d.find("CHAR") != std::string::npos || d.find("CLOB") != std::string::npos ||
      d.find("TEXT") != std::string::npos)
    return {ESQL_LONGVARCHAR, 32767};
  if (d.find("BLOB") != std::string::npos) return {ESQL_LONGBINARY, 32767};
  return {ESQL_DOUBLE, 8};
}

void CopyString(char* dst, size_t cap, std::string_view s) {
  if (cap == 0) return;
  size_t n = s.size() < cap - 1 ? s.size() : cap - 1;
  std::memcpy(dst, s.data(), n);
  dst[n] = 0;
}

// ---- timestamp record -------------------------------------------------------

namespace {

bool Leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysIn(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && Leap(y) ? 29 : days[m - 1];
}
int DayOfWeek(int y, int m, int d) {  // 0 = Sunday
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

bool Fill(SQLDATETIME& out, int y, int mo, int d, int h, int mi, int s, int ms) {
  if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > DaysIn(y, mo) || h > 23 || mi > 59 ||
      s > 59 || ms > 999)
    return false;
  out.year = static_cast<uint16_t>(y);
  out.month = static_cast<uint8_t>(mo - 1);
  out.day_of_week = static_cast<uint8_t>(DayOfWeek(y, mo, d));
  static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int doy = before[mo - 1] + d - 1 + (mo > 2 && Leap(y) ? 1 : 0);
  out.day_of_year = static_cast<uint16_t>(doy);
  out.day = static_cast<uint8_t>(d);
  out.hour = static_cast<uint8_t>(h);
  out.minute = static_cast<uint8_t>(mi);
  out.second = static_cast<uint8_t>(s);
  out.fraction = static_cast<uint32_t>(ms);
  return true;
}

// Reads exactly n digits at p[i..].
bool Digits(std::string_view s, size_t& i, int n, int& v) {
  if (i + static_cast<size_t>(n) > s.size()) return false;
  v = 0;
  for (int k = 0; k < n; ++k) {
    char c = s[i + static_cast<size_t>(k)];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  i += static_cast<size_t>(n);
  return true;
}

bool ParseTime(std::string_view s, size_t& i, int& h, int& mi, int& sec, int& ms) {
  sec = ms = 0;
  if (!Digits(s, i, 2, h)) {
    // one-digit hours "9:30"
    if (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
        s[i + 1] == ':') {
      h = s[i] - '0';
      ++i;
    } else {
      return false;
    }
  }
  if (i >= s.size() || s[i] != ':') return false;
  ++i;
  if (!Digits(s, i, 2, mi)) return false;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!Digits(s, i, 2, sec)) return false;
    if (i < s.size() && s[i] == '.') {
      ++i;
      int scale = 100;
      size_t start = i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        if (scale > 0) ms += (s[i] - '0') * scale;
        scale /= 10;
        ++i;
      }
      if (i == start) return false;
    }
  }
  return true;
}

}  // namespace

// "YYYY-MM-DD HH:MM:SS[.fff]", the form the library writes itself, read
// without the general parser.
bool FastDateTime(std::string_view s, SQLDATETIME& out) {
  if (s.size() != 19 && s.size() != 23) return false;
  const char* p = s.data();
  auto d2 = [p](size_t i) -> int {
    unsigned a = static_cast<unsigned>(p[i] - '0'), b = static_cast<unsigned>(p[i + 1] - '0');
    return a < 10 && b < 10 ? static_cast<int>(a * 10 + b) : -1;
  };
  if (p[4] != '-' || p[7] != '-' || p[10] != ' ' || p[13] != ':' || p[16] != ':') return false;
  int y1 = d2(0), y2 = d2(2), mo = d2(5), d = d2(8), h = d2(11), mi = d2(14), sec = d2(17), ms = 0;
  if ((y1 | y2 | mo | d | h | mi | sec) < 0) return false;
  if (s.size() == 23) {
    unsigned a = static_cast<unsigned>(p[20] - '0');
    int rest = d2(21);
    if (p[19] != '.' || a > 9 || rest < 0) return false;
    ms = static_cast<int>(a) * 100 + rest;
  }
  return Fill(out, y1 * 100 + y2, mo, d, h, mi, sec, ms);
}

bool TextToDateTime(std::string_view s, SQLDATETIME& out) {
  if (FastDateTime(s, out)) return true;
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  int y = 1899, mo = 12, d = 30, h = 0, mi = 0, sec = 0, ms = 0;
  size_t save = i;
  if (Digits(s, i, 4, y) && i < s.size() && (s[i] == '-' || s[i] == '/')) {
    char sep = s[i++];
    if (!Digits(s, i, 2, mo) || i >= s.size() || s[i] != sep) return false;
    ++i;
    if (!Digits(s, i, 2, d)) return false;
    if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) {
      size_t t = i + 1;
      while (t < s.size() && s[t] == ' ') ++t;
      if (t < s.size()) {
        i = t;
        if (!ParseTime(s, i, h, mi, sec, ms)) return false;
      }
    }
  } else {
    i = save;
    y = 1899, mo = 12, d = 30;
    if (!ParseTime(s, i, h, mi, sec, ms)) return false;
  }
  while (i < s.size() && (s[i] == ' ' || s[i] == 'Z')) ++i;
  if (i != s.size()) return false;
  return Fill(out, y, mo, d, h, mi, sec, ms);
}

namespace {

char* Put2(char* p, unsigned v) {
  p[0] = static_cast<char>('0' + v / 10 % 10);
  p[1] = static_cast<char>('0' + v % 10);
  return p + 2;
}

char* PutDate(char* p, const SQLDATETIME& t) {
  p = Put2(p, t.year / 100u);
  p = Put2(p, t.year % 100u);
  *p++ = '-';
  p = Put2(p, t.month + 1u);
  *p++ = '-';
  return Put2(p, t.day);
}

char* PutTime(char* p, const SQLDATETIME& t) {
  p = Put2(p, t.hour);
  *p++ = ':';
  p = Put2(p, t.minute);
  *p++ = ':';
  p = Put2(p, t.second);
  if (t.fraction) {
    *p++ = '.';
    *p++ = static_cast<char>('0' + t.fraction / 100 % 10);
    p = Put2(p, t.fraction % 100);
  }
  return p;
}

}  // namespace

std::string DateTimeToText(const SQLDATETIME& t) {
  char buf[40];
  char* p = buf;
  bool noDate = (t.year == 0 && t.month == 0 && t.day == 0) ||
                (t.year == 1899 && t.month == 11 && t.day == 30);
  bool noTime = t.hour == 0 && t.minute == 0 && t.second == 0 && t.fraction == 0;
  if (noDate && !noTime) {
    p = PutTime(p, t);
  } else {
    p = PutDate(p, t);
    if (!noTime) {
      *p++ = ' ';
      p = PutTime(p, t);
    }
  }
  return std::string(buf, static_cast<size_t>(p - buf));
}

// ---- fetch targets --------------------------------------------------------------

namespace {

std::string Where(int col) { return "column " + std::to_string(col + 1); }

template <class T>
void Store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// The integer value of a cell for an integer target in [lo, hi]; reals are
// checked before truncation so that 1e30 is out of range, not clamped.
int64_t IntCell(CellSource& src, int col, const CellView& v, int64_t lo, int64_t hi) {
  int64_t x;
  if (v.kind == Kind::Integer) {
    x = v.i;
  } else if (v.kind == Kind::Real) {
    if (std::isnan(v.d) || v.d < static_cast<double>(lo) - 1.0 || v.d > static_cast<double>(hi) + 1.0)
      throw EsqlError(E_OUT_OF_RANGE, Where(col));
    x = ValueToInt(Value::Real(v.d));
  } else {
    x = src.CellInt(col);
  }
  if (x < lo || x > hi) throw EsqlError(E_OUT_OF_RANGE, Where(col));
  return x;
}

double DoubleCell(CellSource& src, int col, const CellView& v) {
  if (v.kind == Kind::Real) return v.d;
  if (v.kind == Kind::Integer) return static_cast<double>(v.i);
  return src.CellDouble(col);
}

std::string_view TextCell(CellSource& src, int col, const CellView& v) {
  if (v.kind == Kind::Text || v.kind == Kind::Blob) return {v.p, v.n};
  return src.CellText(col);
}

int16_t Indicator(size_t full) { return static_cast<int16_t>(full > 32767 ? 32767 : full); }

}  // namespace

// Text-like targets: one text read of the cell.
static int WriteText(CellSource& src, int col, SQLVAR& var, int t) {
  std::string_view s;
  if (!src.Text(col, s)) {
    if (!var.sqlind) throw EsqlError(E_NULL_DATA, "NULL value without indicator, " + Where(col));
    *var.sqlind = -1;
    return OK;
  }
  if (var.sqlind) *var.sqlind = 0;
  if (!var.sqldata) throw EsqlError(E_NULL_DATA, Where(col));
  char* p = static_cast<char*>(var.sqldata);
  if (t == ESQL_TIMESTAMP_STRUCT) {
    SQLDATETIME ts{};
    if (!TextToDateTime(s, ts))
      throw EsqlError(E_CONVERSION, "'" + std::string(s) + "' to a timestamp, " + Where(col));
    std::memcpy(p, &ts, sizeof ts);
    return OK;
  }
  if (var.sqllen < 1) throw EsqlError(E_BAD_DESCRIPTOR, "length of " + Where(col));
  size_t cap = static_cast<size_t>(var.sqllen) - 1;
  CopyString(p, cap + 1, s);
  if (s.size() > cap) {
    if (var.sqlind) *var.sqlind = Indicator(s.size());
    return W_TRUNCATED;
  }
  return OK;
}

int WriteCell(CellSource& src, int col, SQLVAR& var) {
  int t = var.sqltype & ~1;
  if (t == ESQL_STRING || t == ESQL_TIMESTAMP_STRUCT) return WriteText(src, col, var, t);
  CellView cell;
  src.Peek(col, cell);
  if (cell.kind == Kind::Null) {
    if (!var.sqlind) throw EsqlError(E_NULL_DATA, "NULL value without indicator, " + Where(col));
    *var.sqlind = -1;
    return OK;
  }
  if (var.sqlind) *var.sqlind = 0;
  if (t == 0) return OK;  // the client asked for nothing
  if (!var.sqldata) throw EsqlError(E_NULL_DATA, Where(col));
  char* p = static_cast<char*>(var.sqldata);
  switch (t) {
    case ESQL_STRING:
    case ESQL_DATE:
    case ESQL_TIME:
    case ESQL_TIMESTAMP: {
      if (var.sqllen < 1) throw EsqlError(E_BAD_DESCRIPTOR, "length of " + Where(col));
      std::string_view s = TextCell(src, col, cell);
      size_t cap = static_cast<size_t>(var.sqllen) - 1;
      CopyString(p, cap + 1, s);
      if (s.size() > cap) {
        if (var.sqlind) *var.sqlind = Indicator(s.size());
        return W_TRUNCATED;
      }
      return OK;
    }
    case ESQL_FIXCHAR: {
      if (var.sqllen < 1) throw EsqlError(E_BAD_DESCRIPTOR, "length of " + Where(col));
      std::string_view s = TextCell(src, col, cell);
      size_t cap = static_cast<size_t>(var.sqllen);
      size_t n = s.size() < cap ? s.size() : cap;
      std::memcpy(p, s.data(), n);
      std::memset(p + n, ' ', cap - n);
      if (s.size() > cap) {
        if (var.sqlind) *var.sqlind = Indicator(s.size());
        return W_TRUNCATED;
      }
      return OK;
    }
    case ESQL_VARCHAR:
    case ESQL_BINARY: {
      if (var.sqllen < 2) throw EsqlError(E_BAD_DESCRIPTOR, "length of " + Where(col));
      std::string_view s = cell.kind == Kind::Text || cell.kind == Kind::Blob
                               ? std::string_view(cell.p, cell.n)
                               : (t == ESQL_BINARY ? src.CellBlob(col) : src.CellText(col));
      size_t cap = static_cast<size_t>(var.sqllen) - 2;
      uint16_t n = static_cast<uint16_t>(s.size() < cap ? s.size() : cap);
      Store(p, n);
      std::memcpy(p + 2, s.data(), n);
      if (s.size() > cap) {
        if (var.sqlind) *var.sqlind = Indicator(s.size());
        return W_TRUNCATED;
      }
      return OK;
    }
    case ESQL_DOUBLE: Store(p, DoubleCell(src, col, cell)); return OK;
    case ESQL_FLOAT: Store(p, static_cast<float>(DoubleCell(src, col, cell))); return OK;
    case ESQL_INT: Store(p, static_cast<int32_t>(IntCell(src, col, cell, INT32_MIN, INT32_MAX))); return OK;
    case ESQL_SMALLINT: Store(p, static_cast<int16_t>(IntCell(src, col, cell, INT16_MIN, INT16_MAX))); return OK;
    case ESQL_TINYINT: Store(p, static_cast<uint8_t>(IntCell(src, col, cell, 0, 255))); return OK;
    case ESQL_BIGINT:
      Store(p, cell.kind == Kind::Integer ? cell.i : src.CellInt(col));
      return OK;
    case ESQL_UNSINT: Store(p, static_cast<uint32_t>(IntCell(src, col, cell, 0, UINT32_MAX))); return OK;
    case ESQL_UNSSMALLINT: Store(p, static_cast<uint16_t>(IntCell(src, col, cell, 0, UINT16_MAX))); return OK;
    case ESQL_UNSBIGINT: Store(p, static_cast<uint64_t>(IntCell(src, col, cell, 0, INT64_MAX))); return OK;
    case ESQL_BIT: *p = (cell.kind == Kind::Integer ? cell.i : src.CellInt(col)) != 0 ? 1 : 0; return OK;
    case ESQL_TIMESTAMP_STRUCT: {
      SQLDATETIME ts{};
      std::string_view s = TextCell(src, col, cell);
      if (cell.kind != Kind::Text || !TextToDateTime(s, ts))
        throw EsqlError(E_CONVERSION, "'" + std::string(s) + "' to a timestamp, " + Where(col));
      std::memcpy(p, &ts, sizeof ts);
      return OK;
    }
    default:
      throw EsqlError(E_BAD_TYPE, std::to_string(var.sqltype) + " for " + Where(col));
  }
}

int WritePiece(CellSource& src, int col, uint32_t offset, SQLVAR& var) {
  int t = var.sqltype & ~1;
  if (!var.sqldata) throw EsqlError(E_NULL_DATA, "piece buffer");
  if (src.CellKind(col) == Kind::Null) {
    if (!var.sqlind) throw EsqlError(E_NULL_DATA, "NULL value without indicator, " + Where(col));
    *var.sqlind = -1;
    if (t == ESQL_BINARY || t == ESQL_VARCHAR) {
      if (var.sqllen >= 2) Store(var.sqldata, static_cast<uint16_t>(0));
    } else if (var.sqllen >= 1) {
      *static_cast<char*>(var.sqldata) = 0;
    }
    return OK;
  }
  std::string_view all = src.CellBlob(col);
  size_t cap;
  char* p = static_cast<char*>(var.sqldata);
  if (t == ESQL_BINARY || t == ESQL_VARCHAR) {
    if (var.sqllen < 3) throw EsqlError(E_BAD_DESCRIPTOR, "piece buffer length");
    cap = static_cast<size_t>(var.sqllen) - 2;
  } else if (t == ESQL_STRING || t == ESQL_LONGVARCHAR || t == ESQL_LONGBINARY) {
    if (var.sqllen < 2) throw EsqlError(E_BAD_DESCRIPTOR, "piece buffer length");
    cap = static_cast<size_t>(var.sqllen) - 1;
  } else {
    throw EsqlError(E_BAD_TYPE, std::to_string(var.sqltype) + " for a piece");
  }
  size_t start = offset < all.size() ? offset : all.size();
  size_t n = all.size() - start < cap ? all.size() - start : cap;
  if (t == ESQL_BINARY || t == ESQL_VARCHAR) {
    Store(p, static_cast<uint16_t>(n));
    std::memcpy(p + 2, all.data() + start, n);
  } else {
    std::memcpy(p, all.data() + start, n);
    p[n] = 0;
  }
  size_t rest = all.size() - start - n;
  if (var.sqlind) *var.sqlind = rest ? Indicator(rest) : 0;
  return rest ? W_TRUNCATED : OK;
}

// ---- host values ----------------------------------------------------------------

Value ReadEntry(const SQLVAR& var, VariableLookup* vars, int position) {
  Value v;
  ReadEntryInto(var, vars, position, v);
  return v;
}

void ReadEntryInto(const SQLVAR& var, VariableLookup* vars, int position, Value& out) {
  int t = var.sqltype & ~1;
  auto where = [position] { return "host variable " + std::to_string(position + 1); };
  auto setText = [&out](Kind k, const char* p, size_t n) {
    out.kind = k;
    out.s.assign(p, n);
  };
  if (var.sqlind && *var.sqlind < 0) {
    out.kind = Kind::Null;
    return;
  }
  if (t == ESQL_VARIABLE) {
    if (!var.sqldata) throw EsqlError(E_NULL_DATA, where());
    const char* name = static_cast<const char*>(var.sqldata);
    size_t n = strnlen(name, 256);
    if (n == 0 || n == 256) throw EsqlError(E_BAD_DESCRIPTOR, "variable name of " + where());
    if (!vars) throw EsqlError(E_VARIABLE_NOT_FOUND, std::string(name, n));
    out = vars->Find(std::string(name, n));
    return;
  }
  if (!var.sqldata) {
    // Entries of descriptors without indicator storage mean NULL this way.
    if (!var.sqlind) {
      out.kind = Kind::Null;
      return;
    }
    throw EsqlError(E_NULL_DATA, where());
  }
  const char* p = static_cast<const char*>(var.sqldata);
  auto load = [p](auto v) {
    std::memcpy(&v, p, sizeof v);
    return v;
  };
  auto setInt = [&out](int64_t v) {
    out.kind = Kind::Integer;
    out.i = v;
  };
  switch (t) {
    case ESQL_STRING:
    case ESQL_DATE:
    case ESQL_TIME:
    case ESQL_TIMESTAMP:
      if (var.sqllen < 1) throw EsqlError(E_BAD_DESCRIPTOR, "length of " + where());
      setText(Kind::Text, p, strnlen(p, static_cast<size_t>(var.sqllen)));
      return;
    case ESQL_FIXCHAR: {
      if (var.sqllen < 0) throw EsqlError(E_BAD_DESCRIPTOR, "length of " + where());
      size_t n = static_cast<size_t>(var.sqllen);
      while (n > 0 && p[n - 1] == ' ') --n;
      setText(Kind::Text, p, n);
      return;
    }
    case ESQL_VARCHAR:
    case ESQL_BINARY: {
      uint16_t n = load(uint16_t{});
      if (var.sqllen < 2 || n > var.sqllen - 2)
        throw EsqlError(E_BAD_DESCRIPTOR, "length " + std::to_string(n) + " of " + where());
      setText(t == ESQL_BINARY ? Kind::Blob : Kind::Text, p + 2, n);
      return;
    }
    case ESQL_DOUBLE: out.kind = Kind::Real; out.d = load(double{}); return;
    case ESQL_FLOAT: out.kind = Kind::Real; out.d = load(float{}); return;
    case ESQL_INT: setInt(load(int32_t{})); return;
    case ESQL_SMALLINT: setInt(load(int16_t{})); return;
    case ESQL_TINYINT: setInt(load(uint8_t{})); return;
    case ESQL_BIGINT: setInt(load(int64_t{})); return;
    case ESQL_UNSINT: setInt(load(uint32_t{})); return;
    case ESQL_UNSSMALLINT: setInt(load(uint16_t{})); return;
    case ESQL_UNSBIGINT: {
      uint64_t v = load(uint64_t{});
      if (v > static_cast<uint64_t>(INT64_MAX)) throw EsqlError(E_OUT_OF_RANGE, where());
      setInt(static_cast<int64_t>(v));
      return;
    }
    case ESQL_BIT: setInt(*p ? 1 : 0); return;
    case ESQL_TIMESTAMP_STRUCT: {
      SQLDATETIME ts;
      std::memcpy(&ts, p, sizeof ts);
      bool zero = ts.year == 0 && ts.month == 0 && ts.day == 0;
      SQLDATETIME check{};
      int y = zero ? 1899 : ts.year, mo = zero ? 12 : ts.month + 1, d = zero ? 30 : ts.day;
      if (!Fill(check, y, mo, d, ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction > 999 ? 1000 : ts.fraction)))
        throw EsqlError(E_CONVERSION, "invalid timestamp record in " + where());
      out.kind = Kind::Text;
      out.s = DateTimeToText(ts);
      return;
    }
    default:
      throw EsqlError(E_BAD_TYPE, std::to_string(var.sqltype) + " for " + where());
  }
}

}  // namespace orvesql
