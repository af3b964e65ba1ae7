// TDateTime and TTimeStamp: calendar arithmetic, encoding and decoding.
#include "DateUtils.h"

#include <sys/time.h>

#include <cmath>
#include <ctime>

#include "Conversions.h"
#include "Format.h"
#include "RtlConsts.h"
#include "SysExceptions.h"

namespace {

constexpr int D1 = 365;
constexpr int D4 = D1 * 4 + 1;
constexpr int D100 = D4 * 25 - 1;
constexpr int D400 = D100 * 4 + 1;
// Time-stamp day of 31 December 9999.
constexpr int MaxDay = 3652059;

// Time-stamp day number (1 January 0001 = 1) of a valid date.
int DayNumber(int year, int month, int day) {
  const TDayTable& table = MonthDays[IsLeapYear(year)];
  for (int m = 1; m < month; ++m) day += table[size_t(m)];
  int y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + day;
}

void DayNumberToDate(int dayNumber, uint16_t& year, uint16_t& month, uint16_t& day) {
  int t = dayNumber - 1;
  int y = 1;
  while (t >= D400) {
    t -= D400;
    y += 400;
  }
  int i = t / D100, d = t % D100;
  if (i == 4) {
    --i;
    d += D100;
  }
  y += i * 100;
  i = d / D4;
  d %= D4;
  y += i * 4;
  i = d / D1;
  d %= D1;
  if (i == 4) {
    --i;
    d += D1;
  }
  y += i;
  const TDayTable& table = MonthDays[IsLeapYear(y)];
  int m = 1;
  while (d >= table[size_t(m)]) {
    d -= table[size_t(m)];
    ++m;
  }
  year = uint16_t(y);
  month = uint16_t(m);
  day = uint16_t(d + 1);
}

[[noreturn]] void BadValue(TDateTime value) {
  throw EConvertError(Format(SInvalidDateTimeValue, {FloatToStr(value)}));
}

}  // namespace

bool IsLeapYear(int year) noexcept {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) throw EConvertError(SDateEncodeError);
  return MonthDays[IsLeapYear(year)][size_t(month)];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) noexcept {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > MonthDays[IsLeapYear(year)][size_t(month)]) return false;
  date = DayNumber(year, month, day) - DateDelta;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError(SDateEncodeError);
  return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) noexcept {
  if (hour < 0 || hour >= HoursPerDay || min < 0 || min >= 60 || sec < 0 || sec >= 60 ||
      msec < 0 || msec >= 1000)
    return false;
  time = double(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError(STimeEncodeError);
  return t;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
  TDateTime d = EncodeDate(year, month, day);
  return ComposeDateTime(d, EncodeTime(hour, min, sec, msec));
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) noexcept {
  // Before 1899 the time of day counts away from zero.
  return date < 0 ? date - time : date + time;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  // The day number must fit 32 bits after adding DateDelta.
  if (!std::isfinite(value) || std::fabs(value) > 2147483647.0 - DateDelta - 1) BadValue(value);
  int64_t msecs = int64_t(std::nearbyint(value * MSecsPerDay));
  TTimeStamp ts;
  if (msecs < 0) {
    int64_t a = -msecs;
    ts.Date = int32_t(DateDelta - a / MSecsPerDay);
    ts.Time = int32_t(a % MSecsPerDay);
  } else {
    ts.Date = int32_t(DateDelta + msecs / MSecsPerDay);
    ts.Time = int32_t(msecs % MSecsPerDay);
  }
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  if (stamp.Time < 0 || stamp.Time >= MSecsPerDay || stamp.Date < 0)
    throw EConvertError(Format(SInvalidTimeStamp, {stamp.Date, stamp.Time}));
  int64_t msecs = int64_t(stamp.Date - DateDelta) * MSecsPerDay;
  msecs = msecs < 0 ? msecs - stamp.Time : msecs + stamp.Time;
  return double(msecs) / MSecsPerDay;
}

double TimeStampToMSecs(const TTimeStamp& stamp) {
  return double(stamp.Date) * MSecsPerDay + stamp.Time;
}

TTimeStamp MSecsToTimeStamp(int64_t msecs) {
  int64_t date = msecs / MSecsPerDay;
  int64_t time = msecs % MSecsPerDay;
  if (msecs < 0 || date > INT32_MAX)
    throw EConvertError(Format(SInvalidTimeStamp, {date, time}));
  return TTimeStamp{int32_t(time), int32_t(date)};
}

void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day) {
  TTimeStamp ts = DateTimeToTimeStamp(date);
  if (ts.Date < 1 || ts.Date > MaxDay) BadValue(date);
  DayNumberToDate(ts.Date, year, month, day);
}

void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  int t = DateTimeToTimeStamp(time).Time;
  hour = uint16_t(t / 3600000);
  min = uint16_t(t / 60000 % 60);
  sec = uint16_t(t / 1000 % 60);
  msec = uint16_t(t % 1000);
}

void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day,
                    uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, min, sec, msec);
}

int DayOfWeek(TDateTime date) {
  int d = DateTimeToTimeStamp(date).Date;
  return (d % 7 + 7) % 7 + 1;
}

TDateTime DateOf(TDateTime value) {
  TTimeStamp ts = DateTimeToTimeStamp(value);
  return double(int64_t(ts.Date) - DateDelta);
}

TDateTime TimeOf(TDateTime value) {
  return double(DateTimeToTimeStamp(value).Time) / MSecsPerDay;
}

namespace {

TDateTime LocalNow(bool withDate, bool withTime) {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  time_t secs = tv.tv_sec;
  tm local{};
  localtime_r(&secs, &local);
  TDateTime result = 0;
  if (withDate) result = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  // A leap second (tm_sec 60) is shown as the last second of the minute.
  if (withTime)
    result += EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                         int(tv.tv_usec / 1000));
  return result;
}

}  // namespace

TDateTime Date() { return LocalNow(true, false); }
TDateTime Time() { return LocalNow(false, true); }
TDateTime Now() { return LocalNow(true, true); }
