// Currency: four exact decimals, rounding from doubles and text, checked
// arithmetic and its text forms.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "Conversions.h"
#include "Currency.h"
#include "SysExceptions.h"
#include "Variants.h"

namespace {

TEST(Currency, RoundsDoublesToFourDecimals) {
  struct {
    double Value;
    int64_t Raw;
  } cases[] = {
      {12.3456, 123456},    {1.23456, 12346},  {1.23455, 12346},  {1.23445, 12344},
      {-1.23456, -12346},   {0.00005, 0},      {0.00015, 2},      {0.1 + 0.2, 3000},
      {922337203685477.0, 9223372036854770000LL},
  };
  for (const auto& c : cases) EXPECT_EQ(Currency(c.Value).Raw(), c.Raw) << c.Value;
  EXPECT_THROW(Currency(NAN), EInvalidOp);
  EXPECT_THROW(Currency(1e16), EInvalidOp);
  EXPECT_DOUBLE_EQ(Currency::FromRaw(123456).ToDouble(), 12.3456);
}

TEST(Currency, Arithmetic) {
  Currency a(12.5), b(0.0003);
  EXPECT_EQ((a + b).Raw(), 125003);
  EXPECT_EQ((a - b).Raw(), 124997);
  EXPECT_EQ((a * Currency(2)).Raw(), 250000);
  // 0.0003 * 0.5 = 0.00015 rounds to the even 0.0002.
  EXPECT_EQ((b * Currency(0.5)).Raw(), 2);
  EXPECT_EQ((Currency(1) / Currency(3)).Raw(), 3333);
  EXPECT_EQ((Currency(2) / Currency(3)).Raw(), 6667);
  EXPECT_EQ((-a).Raw(), -125000);
  EXPECT_TRUE(Currency(1) < Currency(1.0001));
  EXPECT_THROW(MaxCurrency + Currency::FromRaw(1), EIntOverflow);
  EXPECT_THROW(MaxCurrency * Currency(2), EIntOverflow);
  EXPECT_THROW(-MinCurrency, EIntOverflow);
  EXPECT_THROW(Currency(1) / Currency(), EZeroDivide);
  EXPECT_THROW(Currency::FromInt64(INT64_MAX / 1000), EIntOverflow);
}

TEST(Currency, TextForms) {
  struct {
    int64_t Raw;
    const char* Text;
  } cases[] = {
      {123456, "12.3456"}, {15000, "1.5"},  {1000000, "100"},  {-1, "-0.0001"},
      {0, "0"},            {INT64_MIN, "-922337203685477.5808"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CurrToStr(Currency::FromRaw(c.Raw)), c.Text);
    EXPECT_EQ(StrToCurr(c.Text).Raw(), c.Raw) << c.Text;
  }
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(12345678), ffNumber, 2), "1,234.57");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(-12345678), ffCurrency, 2), "($1,234.57)");
  EXPECT_EQ(FormatCurr("#,##0.0000", Currency::FromRaw(12345678)), "1,234.5678");
}

TEST(Currency, StrToCurrReadsDecimalsExactly) {
  struct {
    const char* Text;
    std::optional<int64_t> Raw;
  } cases[] = {
      {"1.23455", 12346},  // an exact tie on text: to the even digit
      {"1.23445", 12344},
      {"1.234451", 12345},
      {"1e-4", 1},
      {" 2.5 ", 25000},
      {"922337203685477.5807", INT64_MAX},
      {"922337203685477.5808", std::nullopt},
      {"1,5", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    if (c.Raw) {
      EXPECT_EQ(StrToCurr(c.Text).Raw(), *c.Raw);
      EXPECT_EQ(Variant(c.Text).AsCurrency().Raw(), *c.Raw);
    } else {
      EXPECT_THROW(StrToCurr(c.Text), EConvertError);
      EXPECT_THROW(Variant(c.Text).AsCurrency(), EConvertError);
    }
  }
}

}  // namespace
