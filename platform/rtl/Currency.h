// Currency: the framework's fixed-point money type, a 64-bit integer holding the
// value times 10000 (four decimals exactly), with checked arithmetic.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

class Currency {
public:
  static constexpr int64_t Scale = 10000;

  constexpr Currency() noexcept = default;
  // Whole numbers convert exactly: Currency(12) is 12.0000.
  constexpr Currency(int value) noexcept : FValue(int64_t(value) * Scale) {}
  // Doubles round to the nearest 1/10000, a tie to the even last digit (the
  // framework's floating-point unit rounding); NaN, infinities and values
  // beyond +-922337203685477.5807 raise EInvalidOp.
  explicit Currency(double value);

  // The scaled integer itself: FromRaw(123456) is 12.3456.
  static constexpr Currency FromRaw(int64_t raw) noexcept {
    Currency c;
    c.FValue = raw;
    return c;
  }
  // Whole numbers of any range the type holds; EIntOverflow beyond it.
  static Currency FromInt64(int64_t value);

  constexpr int64_t Raw() const noexcept { return FValue; }
  double ToDouble() const noexcept { return double(FValue) / double(Scale); }
  explicit operator double() const noexcept { return ToDouble(); }

  // Checked arithmetic: a result outside the 64-bit range raises EIntOverflow;
  // division by zero raises EZeroDivide. Products and quotients round to four
  // decimals, a tie to the even last digit.
  Currency operator+(Currency other) const;
  Currency operator-(Currency other) const;
  Currency operator*(Currency other) const;
  Currency operator/(Currency other) const;
  Currency operator-() const;
  Currency& operator+=(Currency other) { return *this = *this + other; }
  Currency& operator-=(Currency other) { return *this = *this - other; }
  Currency& operator*=(Currency other) { return *this = *this * other; }
  Currency& operator/=(Currency other) { return *this = *this / other; }

  constexpr auto operator<=>(const Currency&) const noexcept = default;
  constexpr bool operator==(const Currency&) const noexcept = default;

private:
  int64_t FValue = 0;
};

inline constexpr Currency MinCurrency = Currency::FromRaw(INT64_MIN);
inline constexpr Currency MaxCurrency = Currency::FromRaw(INT64_MAX);
