// Text <-> integer, floating point, currency and Boolean conversions.
#include "Conversions.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "AnsiStrings.h"
#include "DecimalText.h"
#include "Format.h"
#include "RtlConsts.h"
#include "SysExceptions.h"

using rtl_detail::TDecimal;

namespace {

// The integer syntax of StrToInt for a type of `bits` bits.
bool ParseInteger(std::string_view s, int bits, int64_t& out) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool neg = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i < n && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  uint64_t v = 0;
  if (hex) {
    const uint64_t maxU = bits == 64 ? UINT64_MAX : (uint64_t(1) << bits) - 1;
    for (; i < n; ++i) {
      char c = s[i];
      int dgt;
      if (c >= '0' && c <= '9')
        dgt = c - '0';
      else if (c >= 'a' && c <= 'f')
        dgt = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        dgt = c - 'A' + 10;
      else
        return false;
      if (v > (maxU >> 4)) return false;
      v = (v << 4) | uint64_t(dgt);
    }
    // Hexadecimal fills the type's bits: $FFFFFFFF is -1 in 32 bits.
    int64_t sv;
    if (bits == 64)
      sv = int64_t(v);
    else
      sv = int64_t(int32_t(uint32_t(v)));
    if (neg) sv = int64_t(uint64_t(0) - uint64_t(sv));
    if (bits == 32) sv = int64_t(int32_t(uint32_t(uint64_t(sv))));
    out = sv;
    return true;
  }
  const uint64_t limit = neg ? (uint64_t(1) << (bits - 1)) : (uint64_t(1) << (bits - 1)) - 1;
  for (; i < n; ++i) {
    char c = s[i];
    if (c < '0' || c > '9') return false;
    uint64_t dgt = uint64_t(c - '0');
    if (v > (limit - dgt) / 10) return false;
    v = v * 10 + dgt;
  }
  out = neg ? int64_t(uint64_t(0) - v) : int64_t(v);
  return true;
}

bool DecimalToDouble(const TDecimal& d, double& out) {
  if (d.Digits.empty()) {
    out = 0;
    return true;
  }
  std::string s;
  if (d.Negative) s.push_back('-');
  s += "0.";
  s += d.Digits;
  s += 'e';
  s += std::to_string(d.Exponent);
  double v = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as zero; too large is an error.
    if (d.Exponent < 0) {
      out = d.Negative ? -0.0 : 0.0;
      return true;
    }
    return false;
  }
  if (res.ec != std::errc()) return false;
  out = v;
  return true;
}

std::string GroupThousands(const std::string& intDigits, char sep) {
  std::string r;
  size_t n = intDigits.size();
  for (size_t i = 0; i < n; ++i) {
    r.push_back(intDigits[i]);
    size_t left = n - 1 - i;
    if (left > 0 && left % 3 == 0 && sep) r.push_back(sep);
  }
  return r;
}

// Fixed-point text of a decimal: `decimals` digits after the separator
// (rounded, halves away from zero), thousand separators when asked.
std::string FixedText(TDecimal d, int decimals, bool thousands, const TFormatSettings& fs) {
  rtl_detail::RoundDecimal(d, decimals);
  std::string intPart, frac;
  if (d.Exponent > 0) {
    for (int i = 0; i < d.Exponent; ++i)
      intPart.push_back(size_t(i) < d.Digits.size() ? d.Digits[size_t(i)] : '0');
  } else {
    intPart = "0";
  }
  for (int i = 0; i < decimals; ++i) {
    long idx = long(d.Exponent) + i;
    frac.push_back(idx >= 0 && idx < long(d.Digits.size()) ? d.Digits[size_t(idx)] : '0');
  }
  std::string r;
  if (d.Negative && !d.Digits.empty()) r.push_back('-');
  r += thousands ? GroupThousands(intPart, fs.ThousandSeparator) : intPart;
  if (decimals > 0) {
    r.push_back(fs.DecimalSeparator);
    r += frac;
  }
  return r;
}

// "d.dddE+ddd": all `precision` digits, exponent with sign and at least
// `expDigits` digits.
std::string ExponentText(double value, int precision, int expDigits, const TFormatSettings& fs) {
  TDecimal d = rtl_detail::DoubleToDecimal(value, precision);
  std::string digits = d.Digits;
  digits.resize(size_t(precision), '0');
  int exp = d.Digits.empty() ? 0 : d.Exponent - 1;
  std::string r;
  if (d.Negative) r.push_back('-');
  r.push_back(digits[0]);
  if (precision > 1) {
    r.push_back(fs.DecimalSeparator);
    r.append(digits, 1, std::string::npos);
  }
  r.push_back('E');
  r.push_back(exp < 0 ? '-' : '+');
  std::string e = std::to_string(exp < 0 ? -exp : exp);
  if (int(e.size()) < expDigits) e.insert(0, size_t(expDigits) - e.size(), '0');
  r += e;
  return r;
}

std::string GeneralText(double value, int precision, int expDigits, const TFormatSettings& fs) {
  TDecimal d = rtl_detail::DoubleToDecimal(value, precision);
  if (d.Digits.empty()) return "0";
  std::string r;
  if (d.Negative) r.push_back('-');
  if (d.Exponent > precision || d.Exponent < -3) {
    r.push_back(d.Digits[0]);
    if (d.Digits.size() > 1) {
      r.push_back(fs.DecimalSeparator);
      r.append(d.Digits, 1, std::string::npos);
    }
    int exp = d.Exponent - 1;
    r.push_back('E');
    if (exp < 0) r.push_back('-');
    std::string e = std::to_string(exp < 0 ? -exp : exp);
    if (int(e.size()) < expDigits) e.insert(0, size_t(expDigits) - e.size(), '0');
    r += e;
    return r;
  }
  if (d.Exponent <= 0) {
    r += '0';
    r.push_back(fs.DecimalSeparator);
    r.append(size_t(-d.Exponent), '0');
    r += d.Digits;
    return r;
  }
  for (int i = 0; i < d.Exponent; ++i)
    r.push_back(size_t(i) < d.Digits.size() ? d.Digits[size_t(i)] : '0');
  if (d.Digits.size() > size_t(d.Exponent)) {
    r.push_back(fs.DecimalSeparator);
    r.append(d.Digits, size_t(d.Exponent), std::string::npos);
  }
  return r;
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// The locale's money form around an unsigned amount text.
std::string MoneyText(const std::string& amount, bool negative, const TFormatSettings& fs) {
  std::string r;
  switch (fs.CurrencyFormat) {
    case 1: r = amount + fs.CurrencyString; break;
    case 2: r = fs.CurrencyString + " " + amount; break;
    case 3: r = amount + " " + fs.CurrencyString; break;
    default: r = fs.CurrencyString + amount; break;
  }
  if (!negative) return r;
  return fs.NegCurrFormat == 0 ? "(" + r + ")" : "-" + r;
}

std::string DecimalFormatted(TDecimal d, TFloatFormat format, int digits,
                             const TFormatSettings& fs) {
  if (digits < 0) digits = 0;
  if (digits > 18) digits = 18;
  switch (format) {
    case ffNumber: return FixedText(d, digits, true, fs);
    case ffCurrency: {
      bool neg = d.Negative;
      d.Negative = false;
      rtl_detail::RoundDecimal(d, digits);
      return MoneyText(FixedText(d, digits, true, fs), neg && !d.Digits.empty(), fs);
    }
    default: return FixedText(d, digits, false, fs);
  }
}

}  // namespace

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int64_t value, int digits) {
  static const char hexDigits[] = "0123456789ABCDEF";
  uint64_t u = uint64_t(value);
  std::string r;
  do {
    r.insert(r.begin(), hexDigits[u & 15]);
    u >>= 4;
  } while (u);
  if (digits > 64) digits = 64;
  if (int(r.size()) < digits) r.insert(0, size_t(digits) - r.size(), '0');
  return r;
}

bool TryStrToInt(std::string_view text, int32_t& value) noexcept {
  int64_t v;
  if (!ParseInteger(text, 32, v)) return false;
  value = int32_t(v);
  return true;
}

bool TryStrToInt64(std::string_view text, int64_t& value) noexcept {
  return ParseInteger(text, 64, value);
}

int32_t StrToInt(std::string_view text) {
  int32_t v;
  if (!TryStrToInt(text, v)) throw EConvertError(Format(SInvalidInteger, {text}));
  return v;
}

int64_t StrToInt64(std::string_view text) {
  int64_t v;
  if (!TryStrToInt64(text, v)) throw EConvertError(Format(SInvalidInteger, {text}));
  return v;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) noexcept {
  int32_t v;
  return TryStrToInt(text, v) ? v : fallback;
}

int64_t StrToInt64Def(std::string_view text, int64_t fallback) noexcept {
  int64_t v;
  return TryStrToInt64(text, v) ? v : fallback;
}

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& fs) noexcept {
  TDecimal d;
  if (!rtl_detail::ParseDecimalText(text, fs.DecimalSeparator, d)) return false;
  return DecimalToDouble(d, value);
}

double StrToFloat(std::string_view text, const TFormatSettings& fs) {
  double v;
  if (!TryStrToFloat(text, v, fs)) throw EConvertError(Format(SInvalidFloat, {text}));
  return v;
}

double StrToFloatDef(std::string_view text, double fallback, const TFormatSettings& fs) noexcept {
  double v;
  return TryStrToFloat(text, v, fs) ? v : fallback;
}

bool TryStrToCurr(std::string_view text, Currency& value, const TFormatSettings& fs) noexcept {
  TDecimal d;
  if (!rtl_detail::ParseDecimalText(text, fs.DecimalSeparator, d)) return false;
  int64_t raw;
  if (!rtl_detail::DecimalToCurrencyRaw(d, raw)) return false;
  value = Currency::FromRaw(raw);
  return true;
}

Currency StrToCurr(std::string_view text, const TFormatSettings& fs) {
  Currency v;
  if (!TryStrToCurr(text, v, fs)) throw EConvertError(Format(SInvalidCurrency, {text}));
  return v;
}

bool TryStrToBool(std::string_view text, bool& value) noexcept {
  if (SameText(text, "True")) {
    value = true;
    return true;
  }
  if (SameText(text, "False")) {
    value = false;
    return true;
  }
  double d;
  if (!TryStrToFloat(text, d)) return false;
  value = d != 0;
  return true;
}

bool StrToBool(std::string_view text) {
  bool v;
  if (!TryStrToBool(text, v)) throw EConvertError(Format(SInvalidBoolean, {text}));
  return v;
}

std::string BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

std::string FloatToStr(double value, const TFormatSettings& fs) {
  return FloatToStrF(value, ffGeneral, 15, 0, fs);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  if (digits < 0) digits = 0;
  if (digits > 18) digits = 18;
  switch (format) {
    case ffExponent: return ExponentText(value, precision, digits, fs);
    case ffGeneral: return GeneralText(value, precision, digits, fs);
    default: break;
  }
  TDecimal d = rtl_detail::DoubleToDecimal(value, precision);
  // More integer digits than the precision holds: scientific form instead.
  if (d.Exponent > precision) return ExponentText(value, precision, 0, fs);
  return DecimalFormatted(d, format, digits, fs);
}

std::string CurrToStr(Currency value, const TFormatSettings& fs) {
  TDecimal d = rtl_detail::CurrencyToDecimal(value.Raw());
  if (d.Digits.empty()) return "0";
  int decimals = int(d.Digits.size()) - d.Exponent;
  if (decimals < 0) decimals = 0;
  return FixedText(d, decimals, false, fs);
}

std::string CurrToStrF(Currency value, TFloatFormat format, int digits,
                       const TFormatSettings& fs) {
  switch (format) {
    case ffGeneral: return CurrToStr(value, fs);
    case ffExponent: return ExponentText(value.ToDouble(), 15, digits, fs);
    default: return DecimalFormatted(rtl_detail::CurrencyToDecimal(value.Raw()), format, digits, fs);
  }
}
