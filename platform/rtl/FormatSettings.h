// The locale settings that number, currency and date-time text conversions use,
// and the process-wide instance that the conversions take by default.
#pragma once

#include <array>
#include <string>

struct TFormatSettings {
  // Numbers.
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  // Money (Format's %m): CurrencyFormat 0 = "$1", 1 = "1$", 2 = "$ 1", 3 = "1 $";
  // negative amounts are written in parentheses when NegCurrFormat is 0,
  // otherwise with a leading minus before the currency string.
  std::string CurrencyString = "$";
  int CurrencyFormat = 0;
  int NegCurrFormat = 0;
  int CurrencyDecimals = 2;
  // Dates and times. The short date format fixes the order of day, month and
  // year that StrToDate expects. The long time format uses a 24-hour clock by
  // default, so that a time written with it reads back without AM/PM markers.
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames = {"January", "February", "March",     "April",
                                                "May",     "June",     "July",      "August",
                                                "September", "October", "November", "December"};
  // Index 0 is Sunday.
  std::array<std::string, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
  // A two-digit year read from text is placed in the hundred years that start
  // this many years before the current year (0 = the current century).
  int TwoDigitYearCenturyWindow = 50;
};

// The defaults above (an English locale). The application may change it before
// it converts anything; the conversions read it without locking, so changing
// it while other threads convert is not supported.
extern TFormatSettings FormatSettings;
