// Internal to the run-time library: exact decimal digits, the common ground of
// text, double and currency conversions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rtl_detail {

// value = (negative ? -1 : 1) * 0.d1d2d3... * 10^Exponent, with no leading
// zeros in Digits; zero has empty Digits.
struct TDecimal {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

// The double rounded to `precision` significant digits (1..18), trailing
// zeros removed. Only for finite values.
TDecimal DoubleToDecimal(double value, int precision);
// The shortest decimal that reads back as the same double.
TDecimal DoubleToShortestDecimal(double value);
// The currency's exact digits, trailing zeros removed.
TDecimal CurrencyToDecimal(int64_t raw);
// Rounds to `decimals` digits after the point, halves away from zero.
void RoundDecimal(TDecimal& d, int decimals);
// Scales the decimal by 10000 and rounds to an integer, a tie to the even
// number. False when the result does not fit 64 bits.
bool DecimalToCurrencyRaw(const TDecimal& d, int64_t& raw);

// Parses the float syntax of StrToFloat into a decimal (exact, not rounded).
// False on malformed text.
bool ParseDecimalText(std::string_view text, char decimalSeparator, TDecimal& d);

// Rounds n / d to the nearest integer, a tie to the even one (d != 0).
__int128 DivRoundEven(__int128 n, __int128 d);

}  // namespace rtl_detail
