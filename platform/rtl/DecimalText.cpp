// Exact decimal digits shared by the text, double and currency conversions.
#include "DecimalText.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace rtl_detail {

namespace {

void StripTrailingZeros(TDecimal& d) {
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  if (d.Digits.empty()) d.Exponent = 0;
}

}  // namespace

TDecimal DoubleToDecimal(double value, int precision) {
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  // The C library prints the binary value's exact digits; rounding them here
  // sends a true tie (1234.5 to four digits) away from zero, as the
  // framework's conversions do, where printf would pick the even digit.
  char buf[80];
  std::snprintf(buf, sizeof buf, "%.40e", value);
  TDecimal d;
  const char* p = buf;
  if (*p == '-') {
    d.Negative = true;
    ++p;
  }
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.Digits.push_back(*p);
  int exp = (*p == 'e') ? std::atoi(p + 1) : 0;
  d.Exponent = exp + 1;
  size_t lead = 0;
  while (lead < d.Digits.size() && d.Digits[lead] == '0') ++lead;
  if (lead == d.Digits.size()) {
    d.Digits.clear();
    d.Negative = false;
  }
  StripTrailingZeros(d);
  RoundDecimal(d, precision - d.Exponent);
  return d;
}

TDecimal DoubleToShortestDecimal(double value) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  *res.ptr = 0;
  TDecimal d;
  const char* p = buf;
  if (*p == '-') {
    d.Negative = true;
    ++p;
  }
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.Digits.push_back(*p);
  int exp = (*p == 'e') ? std::atoi(p + 1) : 0;
  d.Exponent = exp + 1;
  if (d.Digits.find_first_not_of('0') == std::string::npos) {
    d.Digits.clear();
    d.Negative = false;
  }
  StripTrailingZeros(d);
  return d;
}

TDecimal CurrencyToDecimal(int64_t raw) {
  TDecimal d;
  d.Negative = raw < 0;
  uint64_t u = d.Negative ? uint64_t(0) - uint64_t(raw) : uint64_t(raw);
  if (u == 0) {
    d.Negative = false;
    return d;
  }
  d.Digits = std::to_string(u);
  d.Exponent = int(d.Digits.size()) - 4;
  StripTrailingZeros(d);
  return d;
}

void RoundDecimal(TDecimal& d, int decimals) {
  if (d.Digits.empty()) return;
  long keep = long(d.Exponent) + decimals;
  if (keep >= long(d.Digits.size())) return;
  if (keep < 0) {
    d.Digits.clear();
    d.Exponent = 0;
    d.Negative = false;
    return;
  }
  bool up = d.Digits[size_t(keep)] >= '5';
  d.Digits.resize(size_t(keep));
  if (up) {
    long i = keep - 1;
    for (; i >= 0; --i) {
      if (d.Digits[size_t(i)] == '9') {
        d.Digits[size_t(i)] = '0';
      } else {
        ++d.Digits[size_t(i)];
        break;
      }
    }
    if (i < 0) {
      d.Digits.insert(d.Digits.begin(), '1');
      ++d.Exponent;
    }
  }
  StripTrailingZeros(d);
  if (d.Digits.empty()) d.Negative = false;
}

bool DecimalToCurrencyRaw(const TDecimal& d, int64_t& raw) {
  if (d.Digits.empty()) {
    raw = 0;
    return true;
  }
  long k = long(d.Exponent) + 4;  // digits that form the integer part
  if (k > 20) return false;
  __int128 n = 0;
  for (long i = 0; i < k; ++i) {
    char c = i < long(d.Digits.size()) ? d.Digits[size_t(i)] : '0';
    n = n * 10 + (c - '0');
  }
  // The rest of the digits decide the rounding.
  bool up = false;
  if (k >= 0 && k < long(d.Digits.size())) {
    char first = d.Digits[size_t(k)];
    bool moreNonZero = d.Digits.find_first_not_of('0', size_t(k) + 1) != std::string::npos;
    if (first > '5' || (first == '5' && moreNonZero))
      up = true;
    else if (first == '5')
      up = (n % 2) != 0;
  }
  // k < 0: below a hundredth of the last unit, rounds to zero.
  if (up) ++n;
  if (d.Negative) n = -n;
  if (n > INT64_MAX || n < INT64_MIN) return false;
  raw = int64_t(n);
  return true;
}

bool ParseDecimalText(std::string_view text, char decimalSeparator, TDecimal& d) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  d = TDecimal();
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    d.Negative = text[i] == '-';
    ++i;
  }
  std::string digits;
  long before = 0;  // digits before the separator
  bool seenSep = false, anyDigit = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      anyDigit = true;
      if (digits.empty() && c == '0') {
        if (!seenSep) continue;  // a leading zero of the integer part
        --before;                // a zero right after the point moves the exponent
        continue;
      }
      digits.push_back(c);
      if (!seenSep) ++before;
    } else if (c == decimalSeparator && !seenSep) {
      seenSep = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return false;
  long exp = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negExp = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      negExp = text[i] == '-';
      ++i;
    }
    if (i >= n || text[i] < '0' || text[i] > '9') return false;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
      if (exp < 100000000) exp = exp * 10 + (text[i] - '0');
    if (negExp) exp = -exp;
  }
  if (i != n) return false;
  d.Digits = std::move(digits);
  long e = before + exp;
  if (e > 100000000) e = 100000000;
  if (e < -100000000) e = -100000000;
  d.Exponent = int(e);
  StripTrailingZeros(d);
  if (d.Digits.empty()) d.Negative = false;
  return true;
}

__int128 DivRoundEven(__int128 n, __int128 d) {
  __int128 q = n / d, r = n % d;
  if (r == 0) return q;
  __int128 ar = r < 0 ? -r : r, ad = d < 0 ? -d : d;
  bool away = 2 * ar > ad || (2 * ar == ad && (q % 2) != 0);
  if (away) q += ((n < 0) != (d < 0)) ? -1 : 1;
  return q;
}

}  // namespace rtl_detail
