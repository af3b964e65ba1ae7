// TDateTime and TTimeStamp: the calendar, negative date-times, timestamps and
// the text forms of dates and times.
#include <gtest/gtest.h>

#include <cmath>

#include "DateFormat.h"
#include "DateUtils.h"
#include "SysExceptions.h"
#include "Variants.h"

namespace {

struct Known {
  TDateTime Value;
  int Year, Month, Day, Hour, Min, Sec, MSec;
  int DayOfWeek;
};

const Known KnownPairs[] = {
    {0, 1899, 12, 30, 0, 0, 0, 0, 7},
    {2, 1900, 1, 1, 0, 0, 0, 0, 2},
    {-1.25, 1899, 12, 29, 6, 0, 0, 0, 6},
    {-0.5, 1899, 12, 30, 12, 0, 0, 0, 7},
    {36526.5, 2000, 1, 1, 12, 0, 0, 0, 7},
    {36586.0 + (13 * 3600 + 45 * 60 + 30.25) / 86400, 2000, 3, 1, 13, 45, 30, 250, 4},
    {-693593, 1, 1, 1, 0, 0, 0, 0, 2},
    {2958465, 9999, 12, 31, 0, 0, 0, 0, 6},
    {59, 1900, 2, 27, 0, 0, 0, 0, 3},
    {60, 1900, 2, 28, 0, 0, 0, 0, 4},
    {61, 1900, 3, 1, 0, 0, 0, 0, 5},
};

TEST(DateTime, KnownPairsDecodeAndEncode) {
  for (const Known& k : KnownPairs) {
    SCOPED_TRACE(k.Value);
    uint16_t y, m, d, h, n, s, ms;
    DecodeDateTime(k.Value, y, m, d, h, n, s, ms);
    EXPECT_EQ(y, k.Year);
    EXPECT_EQ(m, k.Month);
    EXPECT_EQ(d, k.Day);
    EXPECT_EQ(h, k.Hour);
    EXPECT_EQ(n, k.Min);
    EXPECT_EQ(s, k.Sec);
    EXPECT_EQ(ms, k.MSec);
    EXPECT_EQ(DayOfWeek(k.Value), k.DayOfWeek);
    // -0.5 and 0.5 are the same moment (the time counts away from zero), so
    // compare the time stamps.
    EXPECT_EQ(DateTimeToTimeStamp(
                  EncodeDateTime(k.Year, k.Month, k.Day, k.Hour, k.Min, k.Sec, k.MSec)),
              DateTimeToTimeStamp(k.Value));
  }
}

TEST(DateTime, InvalidArgumentsRaise) {
  const int badDates[][3] = {{2001, 2, 29}, {1900, 2, 29}, {0, 1, 1},  {10000, 1, 1},
                             {2000, 13, 1}, {2000, 0, 1},  {2000, 4, 31}, {2000, 1, 0}};
  for (const auto& b : badDates) {
    TDateTime out = 42;
    EXPECT_FALSE(TryEncodeDate(b[0], b[1], b[2], out));
    EXPECT_EQ(out, 42);
    try {
      EncodeDate(b[0], b[1], b[2]);
      ADD_FAILURE() << b[0] << "-" << b[1] << "-" << b[2];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  TDateTime leapDay = 0;
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, leapDay));
  EXPECT_EQ(leapDay, 36585);
  const int badTimes[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000},
                             {-1, 0, 0, 0}};
  for (const auto& b : badTimes) EXPECT_THROW(EncodeTime(b[0], b[1], b[2], b[3]), EConvertError);
  uint16_t y, m, d;
  EXPECT_THROW(DecodeDate(NAN, y, m, d), EConvertError);
  EXPECT_THROW(DecodeDate(-693594.0, y, m, d), EConvertError);
  EXPECT_THROW(DecodeDate(1e300, y, m, d), EConvertError);
}

TEST(DateTime, ComposeKeepsTheTimeOfDayBefore1899) {
  EXPECT_DOUBLE_EQ(ComposeDateTime(-1, 0.25), -1.25);
  EXPECT_DOUBLE_EQ(ComposeDateTime(2, 0.25), 2.25);
  EXPECT_DOUBLE_EQ(DateOf(-1.25), -1);
  EXPECT_DOUBLE_EQ(TimeOf(-1.25), 0.25);
  EXPECT_DOUBLE_EQ(DateOf(2.75), 2);
}

TEST(DateTime, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInAMonth(2023, 2), 28);
  EXPECT_EQ(DaysInAMonth(2023, 12), 31);
  EXPECT_EQ(MonthDays[IsLeapYear(2024)][2], 29);
  EXPECT_THROW(DaysInAMonth(2023, 13), EConvertError);
}

TEST(DateTime, DecodingRoundsToTheMillisecond) {
  uint16_t y, m, d, h, n, s, ms;
  DecodeDateTime(1.0 - 1e-10, y, m, d, h, n, s, ms);
  EXPECT_EQ(d, 31);  // rounds up into 31 December 1899 00:00
  EXPECT_EQ(h, 0);
  DecodeTime(0.5 + 0.0004 / 86400, h, n, s, ms);  // 12:00:00.0004
  EXPECT_EQ(ms, 0);
  DecodeTime(0.5 + 0.0006 / 86400, h, n, s, ms);
  EXPECT_EQ(ms, 1);
}

TEST(TimeStamps, ConvertBothWays) {
  struct {
    TDateTime Value;
    int32_t Date, Time;
  } cases[] = {
      {0, 693594, 0},
      {2.75, 693596, 64800000},
      {-1.25, 693593, 21600000},
      {-693593, 1, 0},
  };
  for (const auto& c : cases) {
    TTimeStamp ts = DateTimeToTimeStamp(c.Value);
    EXPECT_EQ(ts.Date, c.Date) << c.Value;
    EXPECT_EQ(ts.Time, c.Time) << c.Value;
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(ts), c.Value);
    double msecs = TimeStampToMSecs(ts);
    EXPECT_EQ(msecs, double(c.Date) * 86400000.0 + c.Time);
    EXPECT_EQ(MSecsToTimeStamp(int64_t(msecs)), ts);
  }
  // The zero time stamp converts; broken ones raise.
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(TTimeStamp{0, 0}), -693594.0);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 10}), EConvertError);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{86400000, 10}), EConvertError);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{0, -5}), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(-1), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(INT64_MAX), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(INFINITY), EConvertError);
}

TEST(DateTime, ClockIsCoherent) {
  TDateTime now = Now();
  EXPECT_GE(now, Date());
  EXPECT_LT(now, Date() + 1.0001);
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
}

TEST(DateText, FormatDateTimePatterns) {
  TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
  struct {
    const char* Format;
    const char* Text;
  } cases[] = {
      {"yyyy-mm-dd hh:nn:ss.zzz", "2024-03-05 14:07:09.045"},
      {"d/m/yy", "5/3/24"},
      {"dddd, mmmm d", "Tuesday, March 5"},
      {"ddd mmm", "Tue Mar"},
      {"h:mm", "14:07"},
      {"hh:mm:ss", "14:07:09"},
      {"h:nn am/pm", "2:07 pm"},
      {"h:nn AM/PM", "2:07 PM"},
      {"h a/p", "2 p"},
      {"hh:nn ampm", "02:07 PM"},
      {"'day' d", "day 5"},
      {"\"at\" t", "at 14:07"},
      {"c", "3/5/2024 14:07:09"},
      {"ddddd", "3/5/2024"},
      {"dddddd", "Tuesday, March 5, 2024"},
      {"z", "45"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.Format, v), c.Text) << c.Format;
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "3/5/2024");
  EXPECT_EQ(DateToStr(-1.25), "12/29/1899");
  EXPECT_EQ(TimeToStr(-1.25), "06:00:00");
  TFormatSettings fs;
  fs.DateSeparator = '.';
  fs.ShortDateFormat = "dd/mm/yyyy";
  EXPECT_EQ(DateToStr(v, fs), "05.03.2024");
}

TEST(DateText, ReadingDatesAndTimes) {
  EXPECT_DOUBLE_EQ(StrToDate("3/5/2024"), EncodeDate(2024, 3, 5));
  EXPECT_DOUBLE_EQ(StrToDate(" 12/30/1899 "), 0);
  EXPECT_DOUBLE_EQ(StrToTime("14:07"), EncodeTime(14, 7, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("14:07:09.5"), EncodeTime(14, 7, 9, 500));
  EXPECT_DOUBLE_EQ(StrToTime("2:07 PM"), EncodeTime(14, 7, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("12:00 am"), 0);
  EXPECT_DOUBLE_EQ(StrToDateTime("3/5/2024 14:07:09"), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
  EXPECT_DOUBLE_EQ(StrToDateTime("12/29/1899 06:00"), -1.25);
  EXPECT_DOUBLE_EQ(StrToDateTime("06:00"), 0.25);
  uint16_t y, m, d;
  DecodeDate(StrToDate("1/2/24"), y, m, d);
  EXPECT_EQ(y, 2024);
  DecodeDate(StrToDate("1/2"), y, m, d);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 2);
  TFormatSettings fs;
  fs.DateSeparator = '-';
  fs.ShortDateFormat = "yyyy/mm/dd";
  EXPECT_DOUBLE_EQ(StrToDate("2024-03-05", fs), EncodeDate(2024, 3, 5));

  struct {
    const char* Text;
    const char* Message;
  } bad[] = {
      {"2/30/2024", "'2/30/2024' is not a valid date"},
      {"", "'' is not a valid date"},
      {"3/5/2024x", "'3/5/2024x' is not a valid date"},
      {"3-5-2024", "'3-5-2024' is not a valid date"},
      {"99999/1/1", "'99999/1/1' is not a valid date"},
  };
  for (const auto& b : bad) {
    try {
      StrToDate(b.Text);
      ADD_FAILURE() << b.Text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), b.Message);
    }
    EXPECT_THROW(Variant(b.Text).AsDateTime(), EConvertError) << b.Text;
  }
  EXPECT_THROW(StrToTime("25:00"), EConvertError);
  EXPECT_THROW(StrToTime("13:00 PM"), EConvertError);
  EXPECT_THROW(StrToTime("12"), EConvertError);
  EXPECT_THROW(StrToDateTime("3/5/2024 x"), EConvertError);
}

TEST(DateText, VariantDateRoundTrip) {
  TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
  Variant date = VarFromDateTime(v);
  EXPECT_EQ(VarType(date), varDate);
  EXPECT_EQ(VarToStr(date), "3/5/2024 14:07:09");
  EXPECT_DOUBLE_EQ(Variant(VarToStr(date)).AsDateTime(), v);
  EXPECT_DOUBLE_EQ(VarAsType(Variant("3/5/2024"), varDate).AsDouble(), EncodeDate(2024, 3, 5));
}

}  // namespace
