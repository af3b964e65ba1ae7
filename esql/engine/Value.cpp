// Conversions of front-held values, matching the SQL engine's own rules.
#include "Value.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace orvesql {

int64_t TextToInt(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  uint64_t v = 0;
  bool overflow = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1 - (s[i] - '0')) / 10)
      overflow = true;
    else
      v = v * 10 + static_cast<uint64_t>(s[i] - '0');
  }
  if (overflow || v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
    return neg ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
}

double TextToDouble(std::string_view s) {
  std::string t(s);
  size_t i = 0;
  while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
  // Only decimal notation counts; strtod alone would also read hex, inf, nan.
  size_t j = i;
  if (j < t.size() && (t[j] == '-' || t[j] == '+')) ++j;
  if (j >= t.size() || !(std::isdigit(static_cast<unsigned char>(t[j])) || t[j] == '.')) return 0.0;
  if (j + 1 < t.size() && t[j] == '0' && (t[j + 1] == 'x' || t[j + 1] == 'X')) return 0.0;
  return std::strtod(t.c_str() + i, nullptr);
}

std::string RealToText(double d) {
  char buf[64];
  sqlite3_snprintf(sizeof buf, buf, "%!.15g", d);
  return buf;
}

int64_t ValueToInt(const Value& v) {
  switch (v.kind) {
    case Kind::Integer: return v.i;
    case Kind::Real:
      if (std::isnan(v.d)) return 0;
      if (v.d <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
      if (v.d >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
      return static_cast<int64_t>(v.d);
    case Kind::Text:
    case Kind::Blob: return TextToInt(v.s);
    default: return 0;
  }
}

double ValueToDouble(const Value& v) {
  switch (v.kind) {
    case Kind::Integer: return static_cast<double>(v.i);
    case Kind::Real: return v.d;
    case Kind::Text:
    case Kind::Blob: return TextToDouble(v.s);
    default: return 0.0;
  }
}

std::string ValueToText(const Value& v) {
  switch (v.kind) {
    case Kind::Integer: return std::to_string(v.i);
    case Kind::Real: return RealToText(v.d);
    case Kind::Text:
    case Kind::Blob: return v.s;
    default: return {};
  }
}

std::string_view ValueCells::CellText(int c) {
  const Value& v = row_[c];
  if (v.kind == Kind::Text || v.kind == Kind::Blob) return v.s;
  scratch_ = ValueToText(v);
  return scratch_;
}

std::string_view ValueCells::CellBlob(int c) { return CellText(c); }

}  // namespace orvesql
