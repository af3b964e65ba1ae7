// Format: the framework's printf-like formatting with type-checked arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "Currency.h"
#include "FormatSettings.h"

class Variant;

// One Format argument. It refers to the caller's text and Variant without
// copying, so it lives only as long as the call it is built for.
class TVarRec {
public:
  enum TKind { vtInteger, vtInt64, vtExtended, vtCurrency, vtString, vtChar, vtBoolean,
               vtPointer, vtVariant };

  TVarRec(int v) noexcept : FKind(vtInteger), FInt(v) {}
  TVarRec(unsigned v) noexcept : FKind(vtInt64), FInt(int64_t(v)) {}
  TVarRec(long v) noexcept : FKind(vtInt64), FInt(v) {}
  TVarRec(long long v) noexcept : FKind(vtInt64), FInt(v) {}
  TVarRec(unsigned long v) noexcept : FKind(vtInt64), FInt(int64_t(v)) {}
  TVarRec(unsigned long long v) noexcept : FKind(vtInt64), FInt(int64_t(v)) {}
  TVarRec(short v) noexcept : FKind(vtInteger), FInt(v) {}
  TVarRec(unsigned short v) noexcept : FKind(vtInteger), FInt(v) {}
  TVarRec(double v) noexcept : FKind(vtExtended), FDouble(v) {}
  TVarRec(float v) noexcept : FKind(vtExtended), FDouble(v) {}
  TVarRec(Currency v) noexcept : FKind(vtCurrency), FInt(v.Raw()) {}
  TVarRec(char v) noexcept : FKind(vtChar), FInt(static_cast<unsigned char>(v)) {}
  TVarRec(bool v) noexcept : FKind(vtBoolean), FInt(v) {}
  // A null C string formats as empty text.
  TVarRec(const char* v) noexcept : FKind(vtString), FText(v ? v : "") {}
  TVarRec(const std::string& v) noexcept : FKind(vtString), FText(v) {}
  TVarRec(std::string_view v) noexcept : FKind(vtString), FText(v) {}
  TVarRec(const void* v) noexcept : FKind(vtPointer), FPointer(v) {}
  TVarRec(const Variant& v) noexcept : FKind(vtVariant), FVariant(&v) {}

  TKind Kind() const noexcept { return FKind; }
  int64_t AsInt() const noexcept { return FInt; }
  double AsDouble() const noexcept { return FDouble; }
  std::string_view AsText() const noexcept { return FText; }
  const void* AsPointer() const noexcept { return FPointer; }
  const Variant& AsVariant() const noexcept { return *FVariant; }

private:
  TKind FKind;
  int64_t FInt = 0;
  double FDouble = 0;
  std::string_view FText;
  const void* FPointer = nullptr;
  const Variant* FVariant = nullptr;
};

// Specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, where index,
// width and precision may be "*" (taken from the next integer argument). After
// an explicit index the following specifiers continue from index + 1.
//   d  integer, precision = minimum digits (zero padded)
//   u  integer read as unsigned 32 bits (64 bits for a 64-bit argument)
//   x  upper-case hexadecimal, precision = minimum digits
//   e  scientific, precision = significant digits (default 15)
//   f  fixed, precision = decimals (default 2);  n  like f with thousand separators
//   g  general, precision = significant digits (default 15)
//   m  money form of the locale, precision = decimals (default CurrencyDecimals)
//   s  text (a char, a Boolean as True/False, a Variant through VarToStr),
//      precision = maximum characters
//   p  pointer as 16 hexadecimal digits
//   %% a percent sign
// Integers take int-like arguments and integer Variants, e/f/g/n/m take
// floating and currency arguments and numeric Variants. A missing argument,
// an argument of the wrong kind or a malformed specifier raises EConvertError
// "Format '%s' invalid or incompatible with argument" naming the format.
std::string FormatBuf(std::string_view format, std::span<const TVarRec> args,
                      const TFormatSettings& fs = FormatSettings);

inline std::string Format(std::string_view format, std::initializer_list<TVarRec> args) {
  return FormatBuf(format, std::span<const TVarRec>(args.begin(), args.size()));
}

inline std::string Format(std::string_view format, std::initializer_list<TVarRec> args,
                          const TFormatSettings& fs) {
  return FormatBuf(format, std::span<const TVarRec>(args.begin(), args.size()), fs);
}

template <class... Args>
std::string Format(std::string_view format, const Args&... args) {
  const TVarRec recs[] = {TVarRec(args)..., TVarRec(0)};
  return FormatBuf(format, std::span<const TVarRec>(recs, sizeof...(Args)));
}
