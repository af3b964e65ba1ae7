// Variant: construction, value semantics, conversions and comparison.
#include "Variants.h"

#include <cfloat>
#include <cmath>

#include "AnsiStrings.h"
#include "Conversions.h"
#include "DateFormat.h"
#include "DecimalText.h"
#include "Format.h"
#include "RtlConsts.h"
#include "SysExceptions.h"
#include "VarArrayData.h"

Variant::Variant() noexcept = default;
Variant::~Variant() = default;

Variant::Variant(const Variant& other)
    : FType(other.FType), FInt(other.FInt), FDouble(other.FDouble), FString(other.FString),
      FArray(other.FArray ? std::make_unique<TVarArrayData>(*other.FArray) : nullptr) {}

Variant::Variant(Variant&& other) noexcept
    : FType(other.FType), FInt(other.FInt), FDouble(other.FDouble),
      FString(std::move(other.FString)), FArray(std::move(other.FArray)) {
  other.Clear();
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    Swap(copy);
  }
  return *this;
}

// Member by member rather than through a temporary and a swap: values are
// moved into place once per field read, so this sits on the scan path.
Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    FType = other.FType;
    FInt = other.FInt;
    FDouble = other.FDouble;
    FString = std::move(other.FString);
    FArray = std::move(other.FArray);
    other.Clear();
  }
  return *this;
}

void Variant::Swap(Variant& other) noexcept {
  std::swap(FType, other.FType);
  std::swap(FInt, other.FInt);
  std::swap(FDouble, other.FDouble);
  FString.swap(other.FString);
  FArray.swap(other.FArray);
}

void Variant::Clear() noexcept {
  FType = varEmpty;
  FInt = 0;
  FDouble = 0;
  FString.clear();
  FArray.reset();
}

Variant::Variant(bool v) noexcept : FType(varBoolean), FInt(v ? 1 : 0) {}
Variant::Variant(char v) : FType(varString), FString(1, v) {}
Variant::Variant(signed char v) noexcept : FType(varShortInt), FInt(v) {}
Variant::Variant(unsigned char v) noexcept : FType(varByte), FInt(v) {}
Variant::Variant(short v) noexcept : FType(varSmallint), FInt(v) {}
Variant::Variant(unsigned short v) noexcept : FType(varWord), FInt(v) {}
Variant::Variant(int v) noexcept : FType(varInteger), FInt(v) {}
Variant::Variant(unsigned v) noexcept : FType(varLongWord), FInt(v) {}
Variant::Variant(long v) noexcept : FType(varInt64), FInt(v) {}
Variant::Variant(long long v) noexcept : FType(varInt64), FInt(v) {}
Variant::Variant(float v) noexcept : FType(varSingle), FDouble(v) {}
Variant::Variant(double v) noexcept : FType(varDouble), FDouble(v) {}
Variant::Variant(Currency v) noexcept : FType(varCurrency), FInt(v.Raw()) {}
Variant::Variant(const char* v) : FType(varString), FString(v ? v : "") {}
Variant::Variant(std::string v) noexcept : FType(varString), FString(std::move(v)) {}
Variant::Variant(std::string_view v) : FType(varString), FString(v) {}

Variant Variant::MakeInt(TVarType type, int64_t value) {
  Variant v;
  v.FType = type;
  v.FInt = type == varBoolean ? (value != 0) : value;
  return v;
}

Variant Variant::MakeDouble(TVarType type, double value) {
  Variant v;
  v.FType = type;
  v.FDouble = type == varSingle ? double(float(value)) : value;
  return v;
}

Variant Variant::MakeString(TVarType type, std::string value) {
  Variant v;
  v.FType = type;
  v.FString = std::move(value);
  return v;
}

Variant Null() { return Variant::MakeInt(varNull, 0); }
Variant Unassigned() { return Variant(); }
Variant VarFromDateTime(TDateTime value) { return Variant::MakeDouble(varDate, value); }
Variant VarAsError(int32_t code) { return Variant::MakeInt(varError, code); }

TVarType VarType(const Variant& v) noexcept { return v.VType(); }
bool VarIsNull(const Variant& v) noexcept { return v.VType() == varNull; }
bool VarIsEmpty(const Variant& v) noexcept { return v.VType() == varEmpty; }
bool VarIsArray(const Variant& v) noexcept { return v.IsArray(); }
bool VarIsStr(const Variant& v) noexcept {
  return v.VType() == varString || v.VType() == varOleStr;
}

namespace {

bool IsIntegerType(TVarType t) noexcept {
  switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

bool IsFloatType(TVarType t) noexcept {
  return t == varSingle || t == varDouble || t == varDate;
}

[[noreturn]] void CastError() { throw EVariantError(SInvalidVarCast); }

[[noreturn]] void OverflowError(TVarType from, TVarType to) {
  throw EVariantError(Format(SVarOverflow, {VarTypeAsText(from), VarTypeAsText(to)}));
}

void IntegerRange(TVarType type, int64_t& lo, int64_t& hi) {
  switch (type) {
    case varSmallint: lo = INT16_MIN; hi = INT16_MAX; break;
    case varInteger: lo = INT32_MIN; hi = INT32_MAX; break;
    case varShortInt: lo = INT8_MIN; hi = INT8_MAX; break;
    case varByte: lo = 0; hi = UINT8_MAX; break;
    case varWord: lo = 0; hi = UINT16_MAX; break;
    case varLongWord: lo = 0; hi = UINT32_MAX; break;
    default: lo = INT64_MIN; hi = INT64_MAX; break;
  }
}

int64_t ToInteger(const Variant& v, TVarType target) {
  const TVarType src = v.VType();
  int64_t value = 0;
  if (src == varEmpty) {
    value = 0;
  } else if (src == varBoolean) {
    value = v.RawInt() ? -1 : 0;
  } else if (IsIntegerType(src)) {
    value = v.RawInt();
  } else if (IsFloatType(src)) {
    double d = v.RawDouble();
    if (std::isnan(d)) CastError();
    double r = std::nearbyint(d);  // a tie goes to the even number
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) OverflowError(src, target);
    value = int64_t(r);
  } else if (src == varCurrency) {
    value = int64_t(rtl_detail::DivRoundEven(v.RawInt(), Currency::Scale));
  } else if (VarIsStr(v)) {
    // The same routines as for plain text, so the same text converts or fails
    // the same way.
    if (target == varInt64 || target == varLongWord)
      value = StrToInt64(v.RawString());
    else
      value = StrToInt(v.RawString());
  } else {
    CastError();
  }
  int64_t lo, hi;
  IntegerRange(target, lo, hi);
  if (value < lo || value > hi) OverflowError(src, target);
  return value;
}

double ToDouble(const Variant& v, TVarType target) {
  const TVarType src = v.VType();
  if (src == varEmpty) return 0;
  if (src == varBoolean) return v.RawInt() ? -1.0 : 0.0;
  if (IsIntegerType(src)) return double(v.RawInt());
  if (IsFloatType(src)) return v.RawDouble();
  if (src == varCurrency) return Currency::FromRaw(v.RawInt()).ToDouble();
  if (VarIsStr(v)) return target == varDate ? StrToDateTime(v.RawString()) : StrToFloat(v.RawString());
  CastError();
}

Currency ToCurrency(const Variant& v) {
  const TVarType src = v.VType();
  if (src == varCurrency) return Currency::FromRaw(v.RawInt());
  if (VarIsStr(v)) return StrToCurr(v.RawString());
  if (src == varEmpty) return Currency();
  if (src == varBoolean) return Currency(v.RawInt() ? -1 : 0);
  if (IsIntegerType(src)) {
    if (v.RawInt() > INT64_MAX / Currency::Scale || v.RawInt() < INT64_MIN / Currency::Scale)
      OverflowError(src, varCurrency);
    return Currency::FromRaw(v.RawInt() * Currency::Scale);
  }
  if (IsFloatType(src)) {
    if (std::isnan(v.RawDouble())) CastError();
    try {
      return Currency(v.RawDouble());
    } catch (const EInvalidOp&) {
      OverflowError(src, varCurrency);
    }
  }
  CastError();
}

bool ToBoolean(const Variant& v) {
  const TVarType src = v.VType();
  if (src == varEmpty) return false;
  if (src == varBoolean || IsIntegerType(src) || src == varCurrency) return v.RawInt() != 0;
  if (IsFloatType(src)) return v.RawDouble() != 0;
  if (VarIsStr(v)) return StrToBool(v.RawString());
  CastError();
}

std::string ToText(const Variant& v) {
  const TVarType src = v.VType();
  if (VarIsStr(v)) return v.RawString();
  if (src == varEmpty) return std::string();
  if (src == varBoolean) return v.RawInt() ? "True" : "False";
  if (IsIntegerType(src)) return IntToStr(v.RawInt());
  // A single has about 7 significant digits; more would show the binary
  // rounding (0.1 would read 0.100000001490116).
  if (src == varSingle) return FloatToStrF(v.RawDouble(), ffGeneral, 7, 0);
  if (src == varDouble) return FloatToStr(v.RawDouble());
  if (src == varDate) return DateTimeToStr(v.RawDouble());
  if (src == varCurrency) return CurrToStr(Currency::FromRaw(v.RawInt()));
  CastError();
}

}  // namespace

bool VarIsNumeric(const Variant& v) noexcept {
  TVarType t = v.VType();
  return IsIntegerType(t) || t == varSingle || t == varDouble || t == varCurrency;
}

bool VarIsOrdinal(const Variant& v) noexcept {
  return IsIntegerType(v.VType()) || v.VType() == varBoolean;
}

bool VarIsFloat(const Variant& v) noexcept {
  TVarType t = v.VType();
  return t == varSingle || t == varDouble || t == varCurrency;
}

std::string VarTypeAsText(TVarType type) {
  static const char* const names[] = {"Empty",   "Null",    "Smallint", "Integer", "Single",
                                      "Double",  "Currency", "Date",    "OleStr",  "Dispatch",
                                      "Error",   "Boolean", "Variant",  "Unknown", "Decimal",
                                      "$000F",   "ShortInt", "Byte",    "Word",    "LongWord",
                                      "Int64"};
  std::string text;
  TVarType base = type & varTypeMask;
  if (base < sizeof names / sizeof names[0])
    text = names[base];
  else if (base == varString)
    text = "String";
  else
    text = "$" + IntToHex(base, 4);
  if (type & varArray) text = "Array " + text;
  return text;
}

Variant VarAsType(const Variant& v, TVarType type) {
  const TVarType src = v.VType();
  if (type == varVariant || type == src) return v;
  if (v.IsArray() || (type & varArray)) CastError();
  if (type == varEmpty) return Variant();
  if (type == varNull) return Null();
  if (src == varNull || src == varError || type == varError) CastError();
  switch (type) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return Variant::MakeInt(type, ToInteger(v, type));
    case varSingle: {
      double d = ToDouble(v, type);
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) OverflowError(src, type);
      return Variant::MakeDouble(varSingle, d);
    }
    case varDouble: case varDate:
      return Variant::MakeDouble(type, ToDouble(v, type));
    case varCurrency:
      return Variant(ToCurrency(v));
    case varBoolean:
      return Variant(ToBoolean(v));
    case varString: case varOleStr:
      return Variant::MakeString(type, ToText(v));
    default:
      throw EVariantError(SVarBadType);
  }
}

bool Variant::AsBoolean() const { return VarAsType(*this, varBoolean).FInt != 0; }
int32_t Variant::AsInteger() const { return int32_t(VarAsType(*this, varInteger).FInt); }
int64_t Variant::AsInt64() const { return VarAsType(*this, varInt64).FInt; }
double Variant::AsDouble() const { return VarAsType(*this, varDouble).FDouble; }
Currency Variant::AsCurrency() const {
  return Currency::FromRaw(VarAsType(*this, varCurrency).FInt);
}
TDateTime Variant::AsDateTime() const { return VarAsType(*this, varDate).FDouble; }
std::string Variant::AsString() const { return VarToStr(*this); }

std::string VarToStr(const Variant& v) {
  if (v.VType() == varNull || v.VType() == varEmpty) return std::string();
  return VarAsType(v, varString).RawString();
}

std::string VarToStrDef(const Variant& v, std::string_view fallback) {
  if (v.VType() == varNull || v.VType() == varEmpty) return std::string(fallback);
  return VarToStr(v);
}

TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }

namespace {

TVariantRelationship Relate(int c) {
  return c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual;
}

template <class T>
TVariantRelationship RelateValues(T a, T b) {
  if (a < b) return vrLessThan;
  if (b < a) return vrGreaterThan;
  if (a == b) return vrEqual;
  return vrNotEqual;  // NaN
}

// A value's number as a scaled integer (currency scale) when it is exact:
// integers, Booleans and currency.
bool ExactScaled(const Variant& v, __int128& out) {
  TVarType t = v.VType();
  if (t == varCurrency) {
    out = v.RawInt();
    return true;
  }
  if (t == varBoolean) {
    out = v.RawInt() ? -Currency::Scale : 0;
    return true;
  }
  if (IsIntegerType(t) || t == varEmpty) {
    out = __int128(v.RawInt()) * Currency::Scale;
    return true;
  }
  return false;
}

TVariantRelationship CompareNumbers(const Variant& a, const Variant& b) {
  __int128 x, y;
  if (ExactScaled(a, x) && ExactScaled(b, y)) return RelateValues(x, y);
  return RelateValues(ToDouble(a, varDouble), ToDouble(b, varDouble));
}

// Text compared with a non-text value: the text becomes that kind of value.
Variant TextAs(const Variant& text, const Variant& other) {
  TVarType t = other.VType();
  if (t == varDate) return VarAsType(text, varDate);
  if (t == varBoolean) return VarAsType(text, varBoolean);
  if (t == varCurrency) return VarAsType(text, varCurrency);
  return VarAsType(text, varDouble);
}

}  // namespace

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  if (a.IsArray() || b.IsArray()) {
    if (a.IsArray() && b.IsArray() && a.VType() == b.VType() &&
        a.ArrayData()->Equals(*b.ArrayData()))
      return vrEqual;
    return vrNotEqual;
  }
  TVarType ta = a.VType(), tb = b.VType();
  if (ta == varNull || tb == varNull) return ta == tb ? vrEqual : vrNotEqual;
  if (ta == varError || tb == varError)
    return ta == tb && a.RawInt() == b.RawInt() ? vrEqual : vrNotEqual;
  if (ta == varEmpty && tb == varEmpty) return vrEqual;
  bool sa = VarIsStr(a), sb = VarIsStr(b);
  if (sa && sb) return Relate(AnsiCompareStr(a.RawString(), b.RawString()));
  if (ta == varEmpty && sb) return b.RawString().empty() ? vrEqual : vrLessThan;
  if (tb == varEmpty && sa) return a.RawString().empty() ? vrEqual : vrGreaterThan;
  if (sa) return CompareNumbers(TextAs(a, b), b);
  if (sb) return CompareNumbers(a, TextAs(b, a));
  return CompareNumbers(a, b);
}

namespace {

// -1, 0 or 1 for an ordered pair; Null sorts before any other value.
int Order(const Variant& a, const Variant& b) {
  TVariantRelationship r = VarCompareValue(a, b);
  switch (r) {
    case vrEqual: return 0;
    case vrLessThan: return -1;
    case vrGreaterThan: return 1;
    default: break;
  }
  if (!a.IsArray() && !b.IsArray()) {
    if (VarIsNull(a) && !VarIsNull(b)) return -1;
    if (VarIsNull(b) && !VarIsNull(a)) return 1;
  }
  throw EVariantError(SInvalidVarOp);
}

}  // namespace

bool operator==(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }
bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
bool operator<(const Variant& a, const Variant& b) { return Order(a, b) < 0; }
bool operator<=(const Variant& a, const Variant& b) { return Order(a, b) <= 0; }
bool operator>(const Variant& a, const Variant& b) { return Order(a, b) > 0; }
bool operator>=(const Variant& a, const Variant& b) { return Order(a, b) >= 0; }
