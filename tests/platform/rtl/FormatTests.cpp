// Format: specifiers, index, width, precision and the argument checks.
#include <gtest/gtest.h>

#include "Format.h"
#include "SysExceptions.h"
#include "Variants.h"

namespace {

TEST(Format, Specifiers) {
  EXPECT_EQ(Format("%s=%d", "a", 5), "a=5");
  EXPECT_EQ(Format("%d%%", 50), "50%");
  EXPECT_EQ(Format("%x", 255), "FF");
  EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
  EXPECT_EQ(Format("%x", int64_t(-1)), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%u", -1), "4294967295");
  EXPECT_EQ(Format("%.3d", 5), "005");
  EXPECT_EQ(Format("%.3d", -5), "-005");
  EXPECT_EQ(Format("%.4x", 26), "001A");
  EXPECT_EQ(Format("%5d|%-5d|", 42, 42), "   42|42   |");
  EXPECT_EQ(Format("%.5s", "abcdefgh"), "abcde");
  EXPECT_EQ(Format("%8.3s|", "abcdef"), "     abc|");
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
  EXPECT_EQ(Format("%*d|%-*.*d", 4, 7, 5, 3, 9), "   7|009  ");
  EXPECT_EQ(Format("%f", 3.14159), "3.14");
  EXPECT_EQ(Format("%.1f", 2.25), "2.3");
  EXPECT_EQ(Format("%n", 1234567.5), "1,234,567.50");
  EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", 1234.5), "1.23E+003");
  EXPECT_EQ(Format("%g", 0.5), "0.5");
  EXPECT_EQ(Format("%m", -12.5), "($12.50)");
  EXPECT_EQ(Format("%f", Currency::FromRaw(15)), "0.00");
  EXPECT_EQ(Format("%.4f", Currency::FromRaw(15)), "0.0015");
  EXPECT_EQ(Format("%s %s %s", 'c', true, std::string("str")), "c True str");
  EXPECT_EQ(Format("%S %D", "up", 3), "up 3");
  EXPECT_EQ(Format("no args"), "no args");
}

TEST(Format, VariantArguments) {
  EXPECT_EQ(Format("%s|%d|%f", Variant("x"), Variant(7), Variant(1.5)), "x|7|1.50");
  EXPECT_EQ(Format("%s", Null()), "");
  EXPECT_EQ(Format("%s", Variant(12)), "12");
}

TEST(Format, BadFormatsAndArguments) {
  const struct {
    const char* Format;
    std::initializer_list<TVarRec> Args;
  } cases[] = {
      {"%d", {"text"}},    // text for an integer
      {"%d", {1.5}},       // a float for an integer
      {"%f", {3}},         // an integer for a float
      {"%s", {12}},        // an integer for a string
      {"%d %d", {1}},      // a missing argument
      {"%", {1}},          // a lone percent sign
      {"%q", {1}},         // an unknown type
      {"%5", {1}},         // no type
      {"%2:d", {1, 2}},    // index past the end
      {"%99999999d", {1}}, // an absurd width
  };
  for (const auto& c : cases) {
    try {
      Format(c.Format, c.Args);
      ADD_FAILURE() << c.Format;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string("Format '") + c.Format +
                                 "' invalid or incompatible with argument");
    }
  }
  // Variants: a text Variant is no integer, an array has no text.
  EXPECT_THROW(Format("%d", Variant("1")), EConvertError);
  EXPECT_THROW(Format("%s", VarArrayOf({1})), EConvertError);
}

}  // namespace
