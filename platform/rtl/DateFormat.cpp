// Date-time <-> text conversions with the locale settings.
#include "DateFormat.h"

#include <cmath>

#include "Format.h"
#include "RtlConsts.h"
#include "SysExceptions.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, size_t i, std::string_view word) {
  if (word.empty() || s.size() - i < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (Lower(s[i + k]) != Lower(word[k])) return false;
  return true;
}

std::string Pad2(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

// Does the rest of the pattern ask for a 12-hour clock?
bool HasAmPm(std::string_view f, size_t from) {
  char quote = 0;
  for (size_t i = from; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") ||
               StartsWithNoCase(f, i, "ampm")) {
      return true;
    }
  }
  return false;
}

class TDateWriter {
public:
  TDateWriter(TDateTime value, const TFormatSettings& fs) : FSettings(fs) {
    DecodeDateTime(value, FYear, FMonth, FDay, FHour, FMin, FSec, FMSec);
    FDayOfWeek = DayOfWeek(value);
  }

  void Write(std::string_view f, int depth) {
    // The sub-formats (c, ddddd, t ...) may name each other; two levels are
    // all the framework's own patterns need, and a loop stops here.
    if (depth > 2) return;
    bool lastWasHour = false;
    size_t i = 0;
    while (i < f.size()) {
      char c = f[i];
      char lc = Lower(c);
      size_t run = 1;
      while (i + run < f.size() && Lower(f[i + run]) == lc) ++run;
      bool hour = false;
      switch (lc) {
        case '"': case '\'': {
          size_t end = f.find(c, i + 1);
          if (end == std::string_view::npos) end = f.size();
          FOut.append(f, i + 1, end - i - 1);
          i = end + 1;
          continue;
        }
        case 'c':
          Write(FSettings.ShortDateFormat, depth + 1);
          if (FHour || FMin || FSec || FMSec) {
            FOut.push_back(' ');
            Write(FSettings.LongTimeFormat, depth + 1);
          }
          i += 1;
          continue;
        case 'd':
          if (run == 1) FOut += std::to_string(FDay);
          else if (run == 2) FOut += Pad2(FDay);
          else if (run == 3) FOut += FSettings.ShortDayNames[size_t(FDayOfWeek - 1)];
          else if (run == 4) FOut += FSettings.LongDayNames[size_t(FDayOfWeek - 1)];
          else if (run == 5) Write(FSettings.ShortDateFormat, depth + 1);
          else Write(FSettings.LongDateFormat, depth + 1);
          i += run > 6 ? 6 : run;
          lastWasHour = false;
          continue;
        case 'm':
          if (lastWasHour && run <= 2) {
            FOut += run == 1 ? std::to_string(FMin) : Pad2(FMin);
          } else if (run == 1) {
            FOut += std::to_string(FMonth);
          } else if (run == 2) {
            FOut += Pad2(FMonth);
          } else if (run == 3) {
            FOut += FSettings.ShortMonthNames[size_t(FMonth - 1)];
          } else {
            FOut += FSettings.LongMonthNames[size_t(FMonth - 1)];
          }
          i += run > 4 ? 4 : run;
          lastWasHour = false;
          continue;
        case 'y': {
          if (run <= 2) {
            FOut += Pad2(FYear % 100);
          } else {
            std::string y = std::to_string(FYear);
            FOut += std::string(y.size() < 4 ? 4 - y.size() : 0, '0') + y;
          }
          i += run > 4 ? 4 : run;
          lastWasHour = false;
          continue;
        }
        case 'h': {
          int h = FHour;
          if (HasAmPm(f, i)) {
            h %= 12;
            if (h == 0) h = 12;
          }
          FOut += run == 1 ? std::to_string(h) : Pad2(h);
          i += run > 2 ? 2 : run;
          hour = true;
          break;
        }
        case 'n':
          FOut += run == 1 ? std::to_string(FMin) : Pad2(FMin);
          i += run > 2 ? 2 : run;
          break;
        case 's':
          FOut += run == 1 ? std::to_string(FSec) : Pad2(FSec);
          i += run > 2 ? 2 : run;
          break;
        case 'z': {
          std::string ms = std::to_string(FMSec);
          if (run >= 3) ms.insert(0, 3 - ms.size(), '0');
          FOut += ms;
          i += run >= 3 ? 3 : 1;
          break;
        }
        case 't':
          Write(run == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, depth + 1);
          i += run > 2 ? 2 : run;
          break;
        case 'a':
          if (StartsWithNoCase(f, i, "am/pm")) {
            bool upper = f[i] == 'A';
            FOut += FHour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            i += 5;
          } else if (StartsWithNoCase(f, i, "a/p")) {
            bool upper = f[i] == 'A';
            FOut += FHour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
            i += 3;
          } else if (StartsWithNoCase(f, i, "ampm")) {
            FOut += FHour < 12 ? FSettings.TimeAMString : FSettings.TimePMString;
            i += 4;
          } else {
            FOut.push_back(c);
            i += 1;
          }
          break;
        // Separators and literal text leave the hour flag alone: "hh:mm"
        // still writes minutes.
        case '/':
          FOut.push_back(FSettings.DateSeparator);
          i += 1;
          continue;
        case ':':
          FOut.push_back(FSettings.TimeSeparator);
          i += 1;
          continue;
        default:
          FOut.push_back(c);
          i += 1;
          continue;
      }
      lastWasHour = hour;
    }
  }

  std::string Result() { return std::move(FOut); }

private:
  const TFormatSettings& FSettings;
  uint16_t FYear, FMonth, FDay, FHour, FMin, FSec, FMSec;
  int FDayOfWeek;
  std::string FOut;
};

// ---- Reading ----

class TDateReader {
public:
  TDateReader(std::string_view text, const TFormatSettings& fs) : FText(text), FSettings(fs) {}

  void SkipBlanks() {
    while (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
  }
  bool AtEnd() {
    SkipBlanks();
    return FPos == FText.size();
  }
  size_t Pos() const { return FPos; }
  void SetPos(size_t p) { FPos = p; }

  // Up to `maxDigits` decimal digits; false when there is none.
  bool Number(int& value, int& digits, int maxDigits = 4) {
    value = 0;
    digits = 0;
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
      if (digits == maxDigits) return false;
      value = value * 10 + (FText[FPos] - '0');
      ++digits;
      ++FPos;
    }
    return digits > 0;
  }

  bool Char(char c) {
    if (FPos < FText.size() && FText[FPos] == c) {
      ++FPos;
      return true;
    }
    return false;
  }

  bool Word(std::string_view w) {
    if (StartsWithNoCase(FText, FPos, w)) {
      FPos += w.size();
      return true;
    }
    return false;
  }

  bool Date(TDateTime& value) {
    SkipBlanks();
    int n[3] = {0, 0, 0}, len[3] = {0, 0, 0};
    if (!Number(n[0], len[0])) return false;
    if (!Char(FSettings.DateSeparator)) return false;
    if (!Number(n[1], len[1])) return false;
    int count = 2;
    if (Char(FSettings.DateSeparator)) {
      if (!Number(n[2], len[2])) return false;
      count = 3;
    }
    int y, m, d;
    int yearDigits = 4;
    int currentYear = CurrentYear();
    switch (Order()) {
      case 'd':  // day month year
        d = n[0];
        m = n[1];
        y = count == 3 ? n[2] : currentYear;
        yearDigits = count == 3 ? len[2] : 4;
        break;
      case 'y':  // year month day
        if (count == 3) {
          y = n[0];
          yearDigits = len[0];
          m = n[1];
          d = n[2];
        } else {
          y = currentYear;
          m = n[0];
          d = n[1];
        }
        break;
      default:  // month day year
        m = n[0];
        d = n[1];
        y = count == 3 ? n[2] : currentYear;
        yearDigits = count == 3 ? len[2] : 4;
        break;
    }
    if (yearDigits <= 2) y = WindowYear(y, currentYear);
    return TryEncodeDate(y, m, d, value);
  }

  bool Time(TDateTime& value) {
    SkipBlanks();
    int h, m, s = 0, ms = 0, len;
    if (!Number(h, len)) return false;
    if (!Char(FSettings.TimeSeparator)) return false;
    if (!Number(m, len)) return false;
    if (Char(FSettings.TimeSeparator)) {
      if (!Number(s, len)) return false;
      if (Char(FSettings.DecimalSeparator)) {
        if (!Number(ms, len, 3)) return false;
        // ".5" is half a second: digits count from the separator.
        for (; len < 3; ++len) ms *= 10;
      }
    }
    size_t save = FPos;
    SkipBlanks();
    int half = -1;
    if (!FSettings.TimeAMString.empty() && Word(FSettings.TimeAMString)) half = 0;
    else if (!FSettings.TimePMString.empty() && Word(FSettings.TimePMString)) half = 1;
    else if (Word("AM")) half = 0;
    else if (Word("PM")) half = 1;
    else FPos = save;
    if (half >= 0) {
      if (h < 1 || h > 12) return false;
      if (h == 12) h = 0;
      if (half == 1) h += 12;
    }
    return TryEncodeTime(h, m, s, ms, value);
  }

private:
  // The first of d, m and y in the short date format.
  char Order() const {
    for (char c : FSettings.ShortDateFormat) {
      char l = Lower(c);
      if (l == 'd' || l == 'm' || l == 'y') return l;
    }
    return 'm';
  }

  static int CurrentYear() {
    uint16_t y, m, d;
    DecodeDate(::Date(), y, m, d);
    return y;
  }

  int WindowYear(int y, int currentYear) const {
    int window = FSettings.TwoDigitYearCenturyWindow;
    int century = currentYear - (window > 0 ? window : 0);
    y += century / 100 * 100;
    if (window > 0 && y < century) y += 100;
    return y;
  }

  std::string_view FText;
  const TFormatSettings& FSettings;
  size_t FPos = 0;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& fs) {
  TDateWriter w(value, fs);
  w.Write(format.empty() ? std::string_view("c") : format, 0);
  return w.Result();
}

std::string DateToStr(TDateTime value, const TFormatSettings& fs) {
  return FormatDateTime(fs.ShortDateFormat, value, fs);
}

std::string TimeToStr(TDateTime value, const TFormatSettings& fs) {
  return FormatDateTime(fs.LongTimeFormat, value, fs);
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs) {
  return FormatDateTime("c", value, fs);
}

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& fs) noexcept {
  TDateReader r(text, fs);
  TDateTime d;
  if (!r.Date(d) || !r.AtEnd()) return false;
  value = d;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& fs) noexcept {
  TDateReader r(text, fs);
  TDateTime t;
  if (!r.Time(t) || !r.AtEnd()) return false;
  value = t;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& fs) noexcept {
  TDateReader r(text, fs);
  TDateTime d = 0, t = 0;
  if (r.Date(d)) {
    if (r.AtEnd()) {
      value = d;
      return true;
    }
    if (!r.Time(t) || !r.AtEnd()) return false;
    value = ComposeDateTime(d, t);
    return true;
  }
  return TryStrToTime(text, value, fs);
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDate(text, v, fs)) throw EConvertError(Format(SInvalidDate, {text}));
  return v;
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToTime(text, v, fs)) throw EConvertError(Format(SInvalidTime, {text}));
  return v;
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDateTime(text, v, fs)) throw EConvertError(Format(SInvalidDateTime, {text}));
  return v;
}
