// TDateTime (days since 30 December 1899, the fraction is the time of day) and
// TTimeStamp (day number and milliseconds), with encoding, decoding and the
// calendar helpers.
#pragma once

#include <array>
#include <cstdint>

// A date-time is a plain double so that date arithmetic stays arithmetic; a
// Variant holding a date is made with VarFromDateTime. For dates before 1899
// the value is negative and its fraction is still the time of day, counted
// away from zero: -1.25 is 29 December 1899 06:00.
using TDateTime = double;

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerDay = HoursPerDay * 60;
inline constexpr int SecsPerDay = MinsPerDay * 60;
inline constexpr int MSecsPerDay = SecsPerDay * 1000;
// Day number of 30 December 1899 in time-stamp numbering (1 January 0001 is day 1).
inline constexpr int DateDelta = 693594;
// Smallest and largest date-time that decode to a year 1..9999.
inline constexpr TDateTime MinDateTime = -693593.0;          // 1 January 0001
inline constexpr TDateTime MaxDateTime = 2958465.99999999;   // 31 December 9999

// Time: milliseconds since midnight; Date: days since 1 January 0001, plus one.
struct TTimeStamp {
  int32_t Time = 0;
  int32_t Date = 0;
  bool operator==(const TTimeStamp&) const = default;
};

// Month lengths, indexed [IsLeapYear(year)][month] with months 1..12 as the
// framework indexes them (entry 0 is unused and 0).
using TDayTable = std::array<uint16_t, 13>;
inline constexpr std::array<TDayTable, 2> MonthDays = {{
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
}};

bool IsLeapYear(int year) noexcept;
// EConvertError for a month outside 1..12 or a year outside 1..9999.
int DaysInAMonth(int year, int month);

// Years 1..9999, months 1..12, days of that month; EConvertError
// "Invalid argument to date encode" otherwise.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date) noexcept;
// Hours 0..23, minutes and seconds 0..59, milliseconds 0..999; EConvertError
// "Invalid argument to time encode" otherwise.
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) noexcept;
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
// A date plus a time of day (0 <= time < 1) with the sign convention above:
// ComposeDateTime(-1, 0.25) is -1.25. Adding the two is wrong before 1899.
TDateTime ComposeDateTime(TDateTime date, TDateTime time) noexcept;

// Decoding rounds to the nearest millisecond first, so 0.9999999999 decodes
// as the next midnight. A value outside MinDateTime..MaxDateTime (or NaN)
// raises EConvertError.
void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day);
void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);
void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day,
                    uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime date);

// The date part (time 00:00) and the time part (on 30 December 1899), both
// following the sign convention above.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Local clock of the machine.
TDateTime Date();
TDateTime Time();
TDateTime Now();

// Rounds to the millisecond; NaN, infinities and values whose day number does
// not fit 32 bits raise EConvertError.
TTimeStamp DateTimeToTimeStamp(TDateTime value);
// Time must be 0..86399999 and Date 0 or more, else EConvertError
// "'%d.%d' is not a valid timestamp". Day 0 is accepted: the zero time stamp
// is the value callers fall back to, and it converts to -693594.0.
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
// Milliseconds since the start of day 0.
double TimeStampToMSecs(const TTimeStamp& stamp);
// The inverse of TimeStampToMSecs; a negative count or a day number beyond 32
// bits raises EConvertError.
TTimeStamp MSecsToTimeStamp(int64_t msecs);
