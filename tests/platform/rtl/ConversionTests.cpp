// Text <-> number conversions, and the promise that a string Variant converts
// or fails exactly as the plain routine does.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "Conversions.h"
#include "SysExceptions.h"
#include "Variants.h"

namespace {

struct IntCase {
  const char* Text;
  std::optional<int64_t> Value;  // nullopt: not an integer
};

const IntCase IntCases[] = {
    {"12", 12},          {" 12", 12},      {"12 ", std::nullopt}, {"+7", 7},
    {"-7", -7},          {"1e3", std::nullopt}, {"0x1F", 31},    {"$1F", 31},
    {"x1f", 31},         {"-$10", -16},    {"", std::nullopt},    {" ", std::nullopt},
    {"abc", std::nullopt}, {"-", std::nullopt}, {"$", std::nullopt}, {"1.5", std::nullopt},
    {"\t12", std::nullopt}, {"2147483647", 2147483647}, {"-2147483648", -2147483648LL},
    {"2147483648", std::nullopt}, {"$FFFFFFFF", -1}, {"$100000000", std::nullopt},
    {"007", 7},
};

TEST(IntegerText, StrToIntAndStringVariantAgree) {
  for (const IntCase& c : IntCases) {
    SCOPED_TRACE(std::string("text '") + c.Text + "'");
    Variant v(c.Text);
    if (c.Value) {
      EXPECT_EQ(StrToInt(c.Text), *c.Value);
      EXPECT_EQ(v.AsInteger(), *c.Value);
      EXPECT_EQ(VarType(VarAsType(v, varInteger)), varInteger);
    } else {
      std::string expected = std::string("'") + c.Text + "' is not a valid integer value";
      try {
        StrToInt(c.Text);
        ADD_FAILURE() << "StrToInt accepted it";
      } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), expected);
      }
      try {
        v.AsInteger();
        ADD_FAILURE() << "the Variant accepted it";
      } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), expected);
      }
      int32_t out = 99;
      EXPECT_FALSE(TryStrToInt(c.Text, out));
      EXPECT_EQ(out, 99);
    }
  }
}

TEST(IntegerText, Int64RangeAndDefaults) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("2147483648"), 2147483648LL);
  EXPECT_EQ(StrToIntDef("zz", 5), 5);
  EXPECT_EQ(Variant("5000000000").AsInt64(), 5000000000LL);
}

TEST(IntegerText, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");
}

struct FloatCase {
  const char* Text;
  std::optional<double> Value;
};

const FloatCase FloatCases[] = {
    {"1.5", 1.5},       {" 1.5 ", 1.5},     {"-0.25", -0.25},  {"1e3", 1000},
    {"1E-2", 0.01},     {"+.5", 0.5},       {"5.", 5},         {"12", 12},
    {"", std::nullopt}, {".", std::nullopt}, {"1,5", std::nullopt}, {"1e", std::nullopt},
    {"0x1F", std::nullopt}, {"$1F", std::nullopt}, {"abc", std::nullopt}, {"INF", std::nullopt},
    {"1.2.3", std::nullopt}, {"1e400", std::nullopt}, {"1e-400", 0}, {"1 000", std::nullopt},
};

TEST(FloatText, StrToFloatAndStringVariantAgree) {
  for (const FloatCase& c : FloatCases) {
    SCOPED_TRACE(std::string("text '") + c.Text + "'");
    Variant v(c.Text);
    if (c.Value) {
      EXPECT_DOUBLE_EQ(StrToFloat(c.Text), *c.Value);
      EXPECT_DOUBLE_EQ(v.AsDouble(), *c.Value);
    } else {
      std::string expected = std::string("'") + c.Text + "' is not a valid floating point value";
      try {
        StrToFloat(c.Text);
        ADD_FAILURE() << "StrToFloat accepted it";
      } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), expected);
      }
      try {
        v.AsDouble();
        ADD_FAILURE() << "the Variant accepted it";
      } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), expected);
      }
    }
  }
}

TEST(FloatText, LocaleDecimalSeparator) {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = '.';
  EXPECT_DOUBLE_EQ(StrToFloat("1,5", fs), 1.5);
  EXPECT_THROW(StrToFloat("1.5", fs), EConvertError);
  EXPECT_EQ(FloatToStr(1.5, fs), "1,5");
  EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 2, fs), "1.234,50");
}

TEST(FloatText, FloatToStrGeneralForm) {
  struct {
    double Value;
    const char* Text;
  } cases[] = {
      {0, "0"},
      {1.5, "1.5"},
      {100, "100"},
      {-2.25, "-2.25"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {NAN, "NAN"},
      {-INFINITY, "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.Value), c.Text) << c.Value;
}

TEST(FloatText, FloatToStrFForms) {
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(-0.004, ffFixed, 15, 2), "0.00");
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 1), "1,234,567.9");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(-12.5, ffCurrency, 15, 2), "($12.50)");
  EXPECT_EQ(FloatToStrF(1.23456789, ffFixed, 4, 6), "1.235000");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1.00000000000000E+20");
}

TEST(FloatText, FormatFloatPictures) {
  struct {
    const char* Format;
    double Value;
    const char* Text;
  } cases[] = {
      {"0.00", 3.14159, "3.14"},
      {"0.00", -0.5, "-0.50"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0", 999, "999"},
      {"0.##", 1, "1"},
      {"0.##", 1.5, "1.5"},
      {"000", 7, "007"},
      {"#.##", 0.5, ".5"},
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"0.0E-0", 0.00012, "1.2E-4"},
      {"0.00;(0.00)", -12.345, "(12.35)"},
      {"0.00;(0.00);'zero'", 0, "zero"},
      {"0.00;(0.00);'zero'", 0.001, "zero"},
      {"'$'#,##0.00", 1500, "$1,500.00"},
      {"0 \"kg\"", 12.4, "12 kg"},
      {"", 2.5, "2.5"},
      {"0.0E+00 '#'##", 1234.5, "1.2E+03 #"},  // placeholders after the exponent show nothing
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.Format, c.Value), c.Text) << c.Format;
}

TEST(BooleanText, StrToBoolAndVariant) {
  struct {
    const char* Text;
    std::optional<bool> Value;
  } cases[] = {
      {"True", true}, {"true", true}, {"FALSE", false}, {"1", true},  {"0", false},
      {"-1", true},   {"2.5", true},  {" 0 ", false},   {"yes", std::nullopt},
      {"", std::nullopt}, {"T", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    if (c.Value) {
      EXPECT_EQ(StrToBool(c.Text), *c.Value);
      EXPECT_EQ(Variant(c.Text).AsBoolean(), *c.Value);
    } else {
      EXPECT_THROW(StrToBool(c.Text), EConvertError);
      EXPECT_THROW(Variant(c.Text).AsBoolean(), EConvertError);
    }
  }
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
}

}  // namespace
