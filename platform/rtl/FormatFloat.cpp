// FormatFloat and FormatCurr: numbers written through a picture format.
#include <cmath>
#include <vector>

#include "Conversions.h"
#include "DecimalText.h"

using rtl_detail::TDecimal;

namespace {

struct TPicture {
  int IntPlaces = 0;    // '0' and '#' before the point
  int MinInt = 0;       // integer digits always shown
  int FracPlaces = 0;   // '0' and '#' after the point
  int MinFrac = 0;      // fraction digits always shown
  bool Thousands = false;
  bool Scientific = false;
  int ExpDigits = 0;
};

std::vector<std::string_view> SplitSections(std::string_view fmt) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' && sections.size() < 2) {
      sections.push_back(fmt.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(fmt.substr(start));
  return sections;
}

bool IsExponentAt(std::string_view s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

TPicture Analyse(std::string_view s) {
  TPicture p;
  bool afterPoint = false;
  int firstZero = -1;
  char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        ++p.FracPlaces;
        if (c == '0') p.MinFrac = p.FracPlaces;
      } else {
        if (c == '0' && firstZero < 0) firstZero = p.IntPlaces;
        ++p.IntPlaces;
      }
    } else if (c == '.' && !afterPoint) {
      afterPoint = true;
    } else if (c == ',' && !afterPoint) {
      p.Thousands = true;
    } else if (IsExponentAt(s, i)) {
      p.Scientific = true;
      size_t j = i + 2;
      while (j < s.size() && s[j] == '0') {
        ++p.ExpDigits;
        ++j;
      }
      break;
    }
  }
  if (firstZero >= 0) p.MinInt = p.IntPlaces - firstZero;
  return p;
}

std::string Render(std::string_view sec, TDecimal d, bool showSign, const TFormatSettings& fs) {
  TPicture p = Analyse(sec);
  bool negative = d.Negative;
  d.Negative = false;
  int exp10 = 0;
  if (p.Scientific && !d.Digits.empty()) {
    int k = p.IntPlaces > 0 ? p.IntPlaces : 1;
    exp10 = d.Exponent - k;
    d.Exponent = k;
    rtl_detail::RoundDecimal(d, p.FracPlaces);
    if (d.Exponent > k) {
      ++exp10;
      d.Exponent = k;
    }
  } else {
    rtl_detail::RoundDecimal(d, p.FracPlaces);
  }
  std::string intDigits, fracDigits;
  for (int i = 0; i < d.Exponent; ++i)
    intDigits.push_back(size_t(i) < d.Digits.size() ? d.Digits[size_t(i)] : '0');
  for (int i = 0; i < p.FracPlaces; ++i) {
    long idx = long(d.Exponent) + i;
    fracDigits.push_back(idx >= 0 && idx < long(d.Digits.size()) ? d.Digits[size_t(idx)] : '0');
  }
  int fracShown = p.FracPlaces;
  while (fracShown > p.MinFrac && fracDigits[size_t(fracShown) - 1] == '0') --fracShown;
  if (int(intDigits.size()) < p.MinInt)
    intDigits.insert(0, size_t(p.MinInt) - intDigits.size(), '0');

  std::string out;
  if (negative && showSign && !d.Digits.empty()) out.push_back('-');
  const int L = int(intDigits.size());
  auto emitDigit = [&](int t) {
    out.push_back(intDigits[size_t(t)]);
    int fromRight = L - t;
    if (p.Thousands && fromRight > 1 && (fromRight - 1) % 3 == 0) out.push_back(fs.ThousandSeparator);
  };
  int intSeen = 0, fracSeen = 0;
  bool afterPoint = false, afterExponent = false;
  char quote = 0;
  for (size_t i = 0; i < sec.size(); ++i) {
    char c = sec[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out.push_back(c);
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if ((c == '0' || c == '#') && afterExponent) {
      // Analyse stops at the exponent; later placeholders show nothing.
    } else if ((c == '0' || c == '#') && !afterPoint) {
      int j = intSeen++;
      int first = L - p.IntPlaces + j;
      if (j == 0)
        for (int t = 0; t < first; ++t) emitDigit(t);
      if (first >= 0) emitDigit(first);
    } else if ((c == '0' || c == '#') && afterPoint) {
      if (fracSeen < fracShown) out.push_back(fracDigits[size_t(fracSeen)]);
      ++fracSeen;
    } else if (c == '.' && !afterPoint && !afterExponent) {
      afterPoint = true;
      if (p.IntPlaces == 0)
        for (int t = 0; t < L; ++t) emitDigit(t);
      if (fracShown > 0) out.push_back(fs.DecimalSeparator);
    } else if (c == ',' && !afterPoint) {
      // Only a flag: the separators go where the digits need them.
    } else if (IsExponentAt(sec, i) && !afterExponent) {
      out.push_back(c);
      if (exp10 < 0)
        out.push_back('-');
      else if (sec[i + 1] == '+')
        out.push_back('+');
      std::string e = std::to_string(exp10 < 0 ? -exp10 : exp10);
      if (int(e.size()) < p.ExpDigits) e.insert(0, size_t(p.ExpDigits) - e.size(), '0');
      out += e;
      i += 1;
      while (i + 1 < sec.size() && sec[i + 1] == '0') ++i;
      afterExponent = true;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string FormatDecimal(std::string_view format, const TDecimal& value,
                          const TFormatSettings& fs) {
  std::vector<std::string_view> sections = SplitSections(format);
  std::string_view sec = sections[0];
  bool showSign = true;
  bool isZero = value.Digits.empty();
  if (value.Negative && sections.size() >= 2 && !sections[1].empty()) {
    sec = sections[1];
    showSign = false;
  }
  if (sections.size() >= 3 && !sections[2].empty()) {
    // A value that rounds to zero in its section is written with the zero
    // section too.
    if (!isZero) {
      TDecimal r = value;
      TPicture p = Analyse(sec);
      if (!p.Scientific) {
        rtl_detail::RoundDecimal(r, p.FracPlaces);
        isZero = r.Digits.empty();
      }
    }
    if (isZero) return Render(sections[2], TDecimal(), true, fs);
  }
  return Render(sec, value, showSign, fs);
}

}  // namespace

std::string FormatFloat(std::string_view format, double value, const TFormatSettings& fs) {
  if (format.empty() || !std::isfinite(value) || std::fabs(value) >= 1e18)
    return FloatToStr(value, fs);
  return FormatDecimal(format, rtl_detail::DoubleToDecimal(value, 15), fs);
}

std::string FormatCurr(std::string_view format, Currency value, const TFormatSettings& fs) {
  if (format.empty()) return CurrToStr(value, fs);
  return FormatDecimal(format, rtl_detail::CurrencyToDecimal(value.Raw()), fs);
}
