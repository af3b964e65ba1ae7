// Text <-> integer, floating point, currency and Boolean conversions with the
// locale settings. The Variant conversions go through exactly these routines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Currency.h"
#include "FormatSettings.h"

std::string IntToStr(int64_t value);
// Upper-case hexadecimal digits, at least `digits` of them (negative values
// are written as their two's complement of 64 bits).
std::string IntToHex(int64_t value, int digits);

// Integer text: leading spaces, an optional sign, then decimal digits or a
// hexadecimal number written "$1F", "0x1F" or "x1F". Nothing may follow the
// digits (a trailing space is an error). Hexadecimal may use the whole width
// of the type, so "$FFFFFFFF" is -1 for StrToInt. Failures raise EConvertError
// "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);
bool TryStrToInt(std::string_view text, int32_t& value) noexcept;
bool TryStrToInt64(std::string_view text, int64_t& value) noexcept;
int32_t StrToIntDef(std::string_view text, int32_t fallback) noexcept;
int64_t StrToInt64Def(std::string_view text, int64_t fallback) noexcept;

// Floating-point text: spaces around it, an optional sign, digits with at most
// one decimal separator (the locale's, never the thousand separator), at least
// one digit, and an optional exponent "E[+-]digits". No hexadecimal, no
// "INF"/"NAN". A value beyond the range of double is an error too. Failures
// raise EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view text, const TFormatSettings& fs = FormatSettings);
bool TryStrToFloat(std::string_view text, double& value,
                   const TFormatSettings& fs = FormatSettings) noexcept;
double StrToFloatDef(std::string_view text, double fallback,
                     const TFormatSettings& fs = FormatSettings) noexcept;

// The same syntax as StrToFloat, read exactly (no binary rounding) and rounded
// to four decimals, a tie to the even digit. Out of range or malformed raises
// EConvertError "'%s' is not a valid currency value".
Currency StrToCurr(std::string_view text, const TFormatSettings& fs = FormatSettings);
bool TryStrToCurr(std::string_view text, Currency& value,
                  const TFormatSettings& fs = FormatSettings) noexcept;

// Boolean text: "True"/"False" in any case, or any number StrToFloat accepts
// (0 is False, anything else True). EConvertError
// "'%s' is not a valid boolean value" otherwise.
bool StrToBool(std::string_view text);
bool TryStrToBool(std::string_view text, bool& value) noexcept;
// The framework's default writes True as "-1" and False as "0"; with
// useBoolStrs the words "True" and "False".
std::string BoolToStr(bool value, bool useBoolStrs = false);

// Shortest general form with 15 significant digits: "1.5", "100", "0.0001",
// "1E-5", "1.23456789012346E17"; "NAN", "INF", "-INF".
std::string FloatToStr(double value, const TFormatSettings& fs = FormatSettings);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
// ffGeneral: precision significant digits, scientific when shorter;
// ffExponent: "d.dddE+ddd" with precision digits and at least `digits`
// exponent digits; ffFixed: `digits` decimals; ffNumber: ffFixed with thousand
// separators; ffCurrency: money form of the locale with `digits` decimals.
// Precision is clamped to 1..18.
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs = FormatSettings);

// Exact decimal text of a currency with trailing zeros removed: "12.3456",
// "1.5", "100", "-0.0001".
std::string CurrToStr(Currency value, const TFormatSettings& fs = FormatSettings);
std::string CurrToStrF(Currency value, TFloatFormat format, int digits,
                       const TFormatSettings& fs = FormatSettings);

// Picture formats: '0' a digit always shown, '#' a digit shown when
// significant, '.' the decimal separator, ',' anywhere before it turns on
// thousand separators, "E+"/"E-"/"e+"/"e-" followed by '0's an exponent,
// '...' and "..." literal text; up to three sections "positive;negative;zero".
// Values of 1E18 and beyond, NaN and infinities are written as FloatToStr does.
std::string FormatFloat(std::string_view format, double value,
                        const TFormatSettings& fs = FormatSettings);
std::string FormatCurr(std::string_view format, Currency value,
                       const TFormatSettings& fs = FormatSettings);
