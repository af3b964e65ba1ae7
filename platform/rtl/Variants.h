// Variant: the framework's self-describing value with its type codes, its
// conversions (through the text routines of Conversions.h and DateFormat.h, so
// that the same text converts or fails the same way) and variant arrays.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Currency.h"
#include "DateUtils.h"

using TVarType = uint16_t;

enum : TVarType {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,
  varInteger = 0x0003,
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,
  varDate = 0x0007,
  varOleStr = 0x0008,
  varError = 0x000A,
  varBoolean = 0x000B,
  varVariant = 0x000C,
  varShortInt = 0x0010,
  varByte = 0x0011,
  varWord = 0x0012,
  varLongWord = 0x0013,
  varInt64 = 0x0014,
  varString = 0x0100,
  varTypeMask = 0x0FFF,
  varArray = 0x2000,
};

struct TVarArrayBound {
  int LowBound;
  int ElementCount;
};

class TVarArrayData;

// Value semantics: copying a Variant copies its value, arrays included (an
// array is never shared between two Variants). A wide string (varOleStr)
// holds 8-bit text in the ANSI code page like varString; only its type code
// differs.
class Variant {
public:
  Variant() noexcept;
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  Variant(bool v) noexcept;                 // varBoolean
  Variant(char v);                          // varString of one character
  Variant(signed char v) noexcept;          // varShortInt
  Variant(unsigned char v) noexcept;        // varByte
  Variant(short v) noexcept;                // varSmallint
  Variant(unsigned short v) noexcept;       // varWord
  Variant(int v) noexcept;                  // varInteger
  Variant(unsigned v) noexcept;             // varLongWord
  Variant(long v) noexcept;                 // varInt64
  Variant(long long v) noexcept;            // varInt64
  Variant(float v) noexcept;                // varSingle
  Variant(double v) noexcept;               // varDouble
  Variant(Currency v) noexcept;             // varCurrency
  Variant(const char* v);                   // varString (null pointer: empty text)
  Variant(std::string v) noexcept;          // varString
  Variant(std::string_view v);              // varString
  Variant(char* v) : Variant(static_cast<const char*>(v)) {}
  // Any other pointer would silently become a Boolean.
  template <class T>
  Variant(T*) = delete;

  TVarType VType() const noexcept { return FType; }
  bool IsArray() const noexcept { return (FType & varArray) != 0; }

  // Conversions with the framework's rules; see VarAsType.
  bool AsBoolean() const;
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  std::string AsString() const;

  // The element addressed by one index per dimension; EVariantError when the
  // Variant is not an array or an index is out of bounds.
  Variant GetElement(std::initializer_list<int> indices) const;
  void PutElement(std::initializer_list<int> indices, const Variant& value);
  Variant operator[](int index) const { return GetElement({index}); }

  // Direct access for the implementation and for VarArray routines.
  TVarArrayData* ArrayData() const noexcept { return FArray.get(); }
  int64_t RawInt() const noexcept { return FInt; }
  double RawDouble() const noexcept { return FDouble; }
  const std::string& RawString() const noexcept { return FString; }

  // Builds a scalar Variant of a given type from raw fields; used by the
  // conversions.
  static Variant MakeInt(TVarType type, int64_t value);
  static Variant MakeDouble(TVarType type, double value);
  static Variant MakeString(TVarType type, std::string value);

  void Clear() noexcept;
  void Swap(Variant& other) noexcept;

private:
  friend class TVarArrayData;
  friend Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType);
  friend Variant VarArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType);

  TVarType FType = varEmpty;
  // Integers, Booleans, currency (scaled), error codes.
  int64_t FInt = 0;
  // Single, double and date.
  double FDouble = 0;
  std::string FString;
  std::unique_ptr<TVarArrayData> FArray;
};

Variant Null();
Variant Unassigned();
// A varDate Variant (a TDateTime is a plain double).
Variant VarFromDateTime(TDateTime value);
// A varError Variant carrying the code.
Variant VarAsError(int32_t code);

TVarType VarType(const Variant& v) noexcept;
bool VarIsNull(const Variant& v) noexcept;
bool VarIsEmpty(const Variant& v) noexcept;
bool VarIsArray(const Variant& v) noexcept;
bool VarIsStr(const Variant& v) noexcept;      // varString or varOleStr
bool VarIsNumeric(const Variant& v) noexcept;  // integer kinds, single, double, currency
bool VarIsOrdinal(const Variant& v) noexcept;  // integer kinds and Boolean
bool VarIsFloat(const Variant& v) noexcept;    // single, double, currency
// The framework's name of a type code ("Integer", "String", "Array Byte" ...).
std::string VarTypeAsText(TVarType type);

// Converts to the type code (a scalar type, varEmpty, varNull or varVariant,
// which copies). The rules:
//   - Empty converts to 0, "", False, date 0; Null converts to nothing but
//     Null/Empty and raises EVariantError "Invalid variant type conversion".
//   - Text goes through StrToInt/StrToInt64, StrToFloat, StrToCurr,
//     StrToDateTime and StrToBool and fails with their EConvertError.
//   - Numbers, dates and Booleans convert to text with IntToStr, FloatToStr,
//     CurrToStr, DateTimeToStr and "True"/"False".
//   - True is -1 as a number; a number is True when it is not 0.
//   - Floating values round to integers to the nearest, a tie to the even
//     number; a value that does not fit the target raises EVariantError
//     "Overflow while converting variant of type (...) into type (...)".
//   - Arrays and error values do not convert (EVariantError), except to their
//     own type.
Variant VarAsType(const Variant& v, TVarType type);
// The text form; Null and Empty give the empty text (arrays raise).
std::string VarToStr(const Variant& v);
std::string VarToStrDef(const Variant& v, std::string_view fallback);
TDateTime VarToDateTime(const Variant& v);

// Comparison of two Variants:
//   - Empty equals Empty, Null equals Null; Null is unequal to everything
//     else and sorts before it. Empty compared with a value acts as its zero
//     or empty text.
//   - Two texts compare with AnsiCompareStr (case-sensitive, locale order).
//   - Numbers, dates and Booleans compare by value (True is -1), exactly for
//     integers and currency.
//   - Text against a number, date or Boolean: the text is converted to that
//     kind first (a failed conversion raises its EConvertError).
//   - Arrays are equal when their element types, bounds and elements are;
//     they have no order.
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
// == and != never raise for Null, Empty or arrays; the ordering operators
// raise EVariantError "Invalid variant operation" for unordered pairs (arrays,
// Null against a value is ordered: Null first).
bool operator==(const Variant& a, const Variant& b);
bool operator!=(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);

// Variant arrays. Element types: the scalar numeric types, varDate,
// varBoolean, varError, varOleStr and varVariant (varString cannot be an
// element type, as in the framework: EVariantError
// "Error creating variant or safe array"). `bounds` holds low/high pairs,
// one pair per dimension: VarArrayCreate({0, 9}, varByte).
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType);
Variant VarArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType);
// A one-dimensional varVariant array 0..n-1 of the values.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(const std::vector<Variant>& values);
int VarArrayDimCount(const Variant& v) noexcept;  // 0 when not an array
// Dimensions count from 1; EVariantError when v is not an array or the
// dimension does not exist.
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);
Variant VarArrayGet(const Variant& v, std::initializer_list<int> indices);
// The value is converted to the element type first.
void VarArrayPut(Variant& v, const Variant& value, std::initializer_list<int> indices);
// Changes the high bound of the last dimension, keeping the elements that
// remain; EVariantError while the array is locked.
void VarArrayRedim(Variant& array, int highBound);
// The elements in memory, the first index varying fastest: raw values for the
// fixed-size element types (bytes for varByte, 16-bit -1/0 for varBoolean,
// the scaled int64 for varCurrency, doubles for varDate), Variant objects for
// varVariant and varOleStr. Each lock must be matched by an unlock; the
// pointer stays valid until the last unlock and as long as the Variant is
// not changed. Unlocking an array that is not locked raises EVariantError.
void* VarArrayLock(Variant& v);
void VarArrayUnlock(Variant& v);
// Locks for the lifetime of the object.
class TVarArrayLock {
public:
  explicit TVarArrayLock(Variant& v) : FVariant(v), FData(VarArrayLock(v)) {}
  ~TVarArrayLock() { VarArrayUnlock(FVariant); }
  TVarArrayLock(const TVarArrayLock&) = delete;
  TVarArrayLock& operator=(const TVarArrayLock&) = delete;
  void* Data() const noexcept { return FData; }

private:
  Variant& FVariant;
  void* FData;
};
// Element count of a one-dimensional array (high - low + 1).
int VarArrayElementCount(const Variant& v);
