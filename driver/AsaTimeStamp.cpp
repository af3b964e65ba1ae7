// GetAsaTimeStamp and PutAsaTimeStamp.
#include "AsaTimeStamp.h"

TDateTime GetAsaTimeStamp(const SQLDATETIME& record) {
  TDateTime date = 0.0;
  TDateTime time = 0.0;
  if (!TryEncodeDate(record.year, record.month + 1, record.day, date)) return 0.0;
  if (!TryEncodeTime(record.hour, record.minute, record.second, 0, time)) return 0.0;
  return ComposeDateTime(date, time);
}

void PutAsaTimeStamp(SQLDATETIME& record, TDateTime value) {
  try {
    uint16_t hour, minute, second, msec;
    DecodeTime(value, hour, minute, second, msec);
    record.hour = static_cast<uint8_t>(hour);
    record.minute = static_cast<uint8_t>(minute);
    record.second = static_cast<uint8_t>(second);
    record.fraction = msec;
    uint16_t year, month, day;
    DecodeDate(value, year, month, day);
    record.year = year;
    record.month = static_cast<uint8_t>(month - 1);
    record.day_of_week = static_cast<uint8_t>(DayOfWeek(value) - 1);
    const TDayTable& days = MonthDays[IsLeapYear(year) ? 1 : 0];
    int dayOfYear = 0;
    for (int m = 1; m < month; ++m) dayOfYear += days[static_cast<size_t>(m)];
    record.day_of_year = static_cast<uint16_t>(dayOfYear + day - 1);
    record.day = static_cast<uint8_t>(day);
  } catch (...) {
    // An undecodable value keeps the fields written before it.
  }
}
