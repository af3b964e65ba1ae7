// Date-time <-> text conversions with the locale settings.
#pragma once

#include <string>
#include <string_view>

#include "DateUtils.h"
#include "FormatSettings.h"

// Patterns (case does not matter except where noted):
//   c       short date, then the long time when the time is not midnight
//   d dd    day of month; ddd dddd short/long day name; ddddd short date;
//           dddddd long date
//   m mm    month (minutes directly after an h/hh); mmm mmmm month names
//   yy yyyy year with 2/4 digits
//   h hh    hour (12-hour when the pattern has am/pm, a/p or ampm)
//   n nn    minute;  s ss  second;  z zzz  millisecond
//   t tt    short/long time format
//   am/pm a/p ampm  the 12-hour markers (ampm uses the locale's strings)
//   /       the date separator; :  the time separator
//   '...' "..."  literal text; any other character is copied.
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& fs = FormatSettings);

std::string DateToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);
std::string TimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);
// The "c" pattern: the time is left out at midnight.
std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);

// Dates: two or three numbers separated by the locale's date separator, in the
// order of its short date format (a missing year is the current year; a
// two-digit year goes into the century window). Times: h:n, h:n:s or h:n:s.z
// with the locale's time separator, optionally followed by the AM/PM strings
// or "AM"/"PM". Date-times: a date, then optionally spaces and a time, or a
// time alone (on 30 December 1899). Spaces may surround the text. Failures
// raise EConvertError "'%s' is not a valid date", "... time" or
// "... date and time".
TDateTime StrToDate(std::string_view text, const TFormatSettings& fs = FormatSettings);
TDateTime StrToTime(std::string_view text, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs = FormatSettings);
bool TryStrToDate(std::string_view text, TDateTime& value,
                  const TFormatSettings& fs = FormatSettings) noexcept;
bool TryStrToTime(std::string_view text, TDateTime& value,
                  const TFormatSettings& fs = FormatSettings) noexcept;
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& fs = FormatSettings) noexcept;
