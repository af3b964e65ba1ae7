// Buffer formats of the descriptor type codes: fetch targets, host values,
// pieces of long values, the timestamp record, and describe's type mapping.
#include "Convert.h"
#include "Error.h"

#include <bit>
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

// Checks a date and time and fills the record, with the day of the week and
// of the year worked out (one leap-year test, divisions by constants only).
inline bool Fill(SQLDATETIME& out, int y, int mo, int d, int h, int mi, int s, int ms) {
  if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 || s > 59 || ms > 999) return false;
  static constexpr unsigned char kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  static constexpr unsigned short kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  unsigned uy = static_cast<unsigned>(y), m = static_cast<unsigned>(mo - 1), ud = static_cast<unsigned>(d);
  bool leap = (uy % 4 == 0 && uy % 100 != 0) || uy % 400 == 0;
  if (ud > kDays[m] + (m == 1 && leap ? 1u : 0u)) return false;
  unsigned doy = kBefore[m] + ud - 1 + (m > 1 && leap ? 1u : 0u);
  // Days since 0001-01-01 of the proleptic calendar, a Monday.
  unsigned py = uy - 1, days = py * 365 + py / 4 - py / 100 + py / 400 + doy;
  out.year = static_cast<uint16_t>(uy);
  out.month = static_cast<uint8_t>(m);
  out.day_of_week = static_cast<uint8_t>((days + 1) % 7);  // 0 = Sunday
  out.day_of_year = static_cast<uint16_t>(doy);
  out.day = static_cast<uint8_t>(ud);
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

namespace {

uint64_t Load8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// Byte k of a word read from memory is the k-th character (the order of the
// bytes in the word is the machine's; the masks below are built the same way).
constexpr uint64_t Bytes(const char (&s)[9]) {
  uint64_t w = 0;
  for (int k = 7; k >= 0; --k) w = (w << 8) | static_cast<unsigned char>(s[k]);
  return w;
}
constexpr uint64_t Native(uint64_t littleEndian) {
  if constexpr (std::endian::native == std::endian::little) return littleEndian;
  return __builtin_bswap64(littleEndian);
}

// Eight characters against a pattern: 'd' where a digit must stand, any other
// character standing for itself. The digits' values land in out (0 elsewhere).
bool Match8(uint64_t w, uint64_t digitMask, uint64_t literal, uint64_t& out) {
  const uint64_t hi = 0xF0F0F0F0F0F0F0F0ull & digitMask, three = 0x3030303030303030ull & digitMask;
  const uint64_t six = 0x0606060606060606ull & digitMask;
  // A digit byte is 0x30..0x39: high nibble 3, and still 3 after adding 6.
  // The second test runs only after the first held, so no byte carries.
  if ((w & ~digitMask) != literal || (w & hi) != three || ((w + six) & hi) != three) return false;
  out = (w & digitMask) - three;
  return true;
}

unsigned Digit(uint64_t v, int k) {
  if constexpr (std::endian::native == std::endian::little) return static_cast<unsigned>(v >> (8 * k)) & 0xFF;
  return static_cast<unsigned>(v >> (56 - 8 * k)) & 0xFF;
}

}  // namespace

// "YYYY-MM-DD HH:MM:SS[.fff]", the form the library writes itself, read
// without the general parser, eight characters at a time.
inline bool FastDateTime(std::string_view s, SQLDATETIME& out) {
  size_t n = s.size();
  if (n != 19 && n != 23) return false;
  const char* p = s.data();
  static constexpr uint64_t kDigits = Native(Bytes("\xff\xff\xff\xff\0\xff\xff\0"));
  static constexpr uint64_t kDate = Native(Bytes("\0\0\0\0-\0\0-"));
  static constexpr uint64_t kDayTime = Native(Bytes("\xff\xff\0\xff\xff\0\xff\xff"));
  static constexpr uint64_t kDayLit = Native(Bytes("\0\0 \0\0:\0\0"));
  // Characters 15..22 of the long form: "M:SS.fff"; 11..18 of the short: "HH:MM:SS".
  static constexpr uint64_t kTailLong = Native(Bytes("\xff\0\xff\xff\0\xff\xff\xff"));
  static constexpr uint64_t kTailLongLit = Native(Bytes("\0:\0\0.\0\0\0"));
  static constexpr uint64_t kTailShortLit = Native(Bytes("\0\0:\0\0:\0\0"));
  uint64_t a, b, c;
  if (!Match8(Load8(p), kDigits, kDate, a) || !Match8(Load8(p + 8), kDayTime, kDayLit, b)) return false;
  int sec, ms = 0;
  if (n == 23) {
    if (!Match8(Load8(p + 15), kTailLong, kTailLongLit, c)) return false;
    sec = static_cast<int>(Digit(c, 2) * 10 + Digit(c, 3));
    ms = static_cast<int>(Digit(c, 5) * 100 + Digit(c, 6) * 10 + Digit(c, 7));
  } else {
    if (!Match8(Load8(p + 11), kDayTime, kTailShortLit, c)) return false;
    sec = static_cast<int>(Digit(c, 6) * 10 + Digit(c, 7));
  }
  int y = static_cast<int>(Digit(a, 0) * 1000 + Digit(a, 1) * 100 + Digit(a, 2) * 10 + Digit(a, 3));
  int mo = static_cast<int>(Digit(a, 5) * 10 + Digit(a, 6));
  int d = static_cast<int>(Digit(b, 0) * 10 + Digit(b, 1));
  int h = static_cast<int>(Digit(b, 3) * 10 + Digit(b, 4));
  int mi = static_cast<int>(Digit(b, 6) * 10 + Digit(b, 7));
  return Fill(out, y, mo, d, h, mi, sec, ms);
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


// The failures of a fetch target, kept out of line so that the per-cell
// path stays short.
[[noreturn, gnu::cold, gnu::noinline]] void NullWithoutIndicator(int col) {
  throw EsqlError(E_NULL_DATA, "NULL value without indicator, " + Where(col));
}
[[noreturn, gnu::cold, gnu::noinline]] void NoData(int col) { throw EsqlError(E_NULL_DATA, Where(col)); }
[[noreturn, gnu::cold, gnu::noinline]] void BadLength(int col) {
  throw EsqlError(E_BAD_DESCRIPTOR, "length of " + Where(col));
}
[[noreturn, gnu::cold, gnu::noinline]] void NotATimestamp(std::string_view s, int col) {
  throw EsqlError(E_CONVERSION, "'" + std::string(s) + "' to a timestamp, " + Where(col));
}
[[noreturn, gnu::cold, gnu::noinline]] void BadTarget(int type, int col) {
  throw EsqlError(E_BAD_TYPE, std::to_string(type) + " for " + Where(col));
}

int Truncated(SQLVAR& var, size_t full) {
  if (var.sqlind) *var.sqlind = Indicator(full);
  return W_TRUNCATED;
}

}  // namespace

int WriteCell(CellSource& src, int col, SQLVAR& var) {
  CellView cell;
  src.Peek(col, cell);
  return WriteCell(src, col, cell, var);
}

int WriteConverted(CellSource& src, int col, const CellView& cell, SQLVAR& var) {
  int t = var.sqltype & ~1;
  if (cell.kind == Kind::Null) {
    if (!var.sqlind) NullWithoutIndicator(col);
    *var.sqlind = -1;
    return OK;
  }
  if (var.sqlind) *var.sqlind = 0;
  if (t == 0) return OK;  // the client asked for nothing
  if (!var.sqldata) NoData(col);
  char* p = static_cast<char*>(var.sqldata);
  switch (t) {
    case ESQL_STRING:
    case ESQL_DATE:
    case ESQL_TIME:
    case ESQL_TIMESTAMP: {
      if (var.sqllen < 1) BadLength(col);
      std::string_view s = TextCell(src, col, cell);
      size_t cap = static_cast<size_t>(var.sqllen) - 1;
      size_t n = s.size() < cap ? s.size() : cap;
      std::memcpy(p, s.data(), n);
      p[n] = 0;
      return s.size() > cap ? Truncated(var, s.size()) : OK;
    }
    case ESQL_FIXCHAR: {
      if (var.sqllen < 1) BadLength(col);
      std::string_view s = TextCell(src, col, cell);
      size_t cap = static_cast<size_t>(var.sqllen);
      size_t n = s.size() < cap ? s.size() : cap;
      std::memcpy(p, s.data(), n);
      std::memset(p + n, ' ', cap - n);
      return s.size() > cap ? Truncated(var, s.size()) : OK;
    }
    case ESQL_VARCHAR:
    case ESQL_BINARY: {
      if (var.sqllen < 2) BadLength(col);
      std::string_view s = cell.kind == Kind::Text || cell.kind == Kind::Blob
                               ? std::string_view(cell.p, cell.n)
                               : (t == ESQL_BINARY ? src.CellBlob(col) : src.CellText(col));
      size_t cap = static_cast<size_t>(var.sqllen) - 2;
      uint16_t n = static_cast<uint16_t>(s.size() < cap ? s.size() : cap);
      Store(p, n);
      std::memcpy(p + 2, s.data(), n);
      return s.size() > cap ? Truncated(var, s.size()) : OK;
    }
    case ESQL_DOUBLE: Store(p, DoubleCell(src, col, cell)); return OK;
    case ESQL_FLOAT: Store(p, static_cast<float>(DoubleCell(src, col, cell))); return OK;
    case ESQL_INT:
      if (cell.kind == Kind::Integer && cell.i >= INT32_MIN && cell.i <= INT32_MAX) {
        Store(p, static_cast<int32_t>(cell.i));
        return OK;
      }
      Store(p, static_cast<int32_t>(IntCell(src, col, cell, INT32_MIN, INT32_MAX)));
      return OK;
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
      // Text (or bytes) as the library writes dates; a number goes through
      // its text form and so is refused like any other non-date text.
      std::string_view s = TextCell(src, col, cell);
      SQLDATETIME ts{};
      if (!TextToDateTime(s, ts)) NotATimestamp(s, col);
      std::memcpy(p, &ts, sizeof ts);
      return OK;
    }
    default: BadTarget(var.sqltype, col);
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
