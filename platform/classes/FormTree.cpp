// Building and comparing form-file tree values.
#include "FormTree.h"

#include "AnsiStrings.h"

#include <cfloat>
#include <cstring>
#include <limits>

static_assert(LDBL_MANT_DIG == 64 && sizeof(long double) >= 10,
              "long double must be the 80-bit extended format");

long double FormExtendedToLongDouble(const std::array<uint8_t, 10>& bytes) {
  long double value = 0;
  std::memcpy(&value, bytes.data(), 10);
  return value;
}

std::array<uint8_t, 10> FormLongDoubleToExtended(long double value) {
  std::array<uint8_t, 10> bytes{};
  std::memcpy(bytes.data(), &value, 10);
  return bytes;
}

TFormValue FormIntValue(int64_t value) {
  TFormValue v;
  if (value >= INT8_MIN && value <= INT8_MAX) v.Type = vaInt8;
  else if (value >= INT16_MIN && value <= INT16_MAX) v.Type = vaInt16;
  else if (value >= INT32_MIN && value <= INT32_MAX) v.Type = vaInt32;
  else v.Type = vaInt64;
  v.Int = value;
  return v;
}

TFormValue FormStringValue(std::string value) {
  TFormValue v;
  v.Type = value.size() <= 255 ? vaString : vaLString;
  v.Str = std::move(value);
  return v;
}

TFormValue FormWideStringValue(std::u16string value) {
  TFormValue v;
  v.Type = vaWString;
  v.WStr = std::move(value);
  return v;
}


TFormValue FormIdentValue(std::string ident) {
  TFormValue v;
  if (SameText(ident, "True")) v.Type = vaTrue;
  else if (SameText(ident, "False")) v.Type = vaFalse;
  else if (SameText(ident, "nil")) v.Type = vaNil;
  else {
    v.Type = vaIdent;
    v.Str = std::move(ident);
  }
  return v;
}

TFormValue FormBoolValue(bool value) {
  TFormValue v;
  v.Type = value ? vaTrue : vaFalse;
  return v;
}

TFormValue FormExtendedValue(long double value) {
  TFormValue v;
  v.Type = vaExtended;
  v.Extended = FormLongDoubleToExtended(value);
  v.Float = static_cast<double>(value);
  return v;
}

TFormValue FormBinaryValue(std::string bytes) {
  TFormValue v;
  v.Type = vaBinary;
  v.Str = std::move(bytes);
  return v;
}

TFormValue FormSetValue(std::vector<std::string> elements) {
  TFormValue v;
  v.Type = vaSet;
  v.Set = std::move(elements);
  return v;
}

TFormValue FormListValue(std::vector<TFormValue> items) {
  TFormValue v;
  v.Type = vaList;
  v.List = std::move(items);
  return v;
}

namespace {
bool PropertiesEqual(const std::vector<TFormProperty>& a, const std::vector<TFormProperty>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Name != b[i].Name || !FormValuesEqual(a[i].Value, b[i].Value)) return false;
  return true;
}
}  // namespace

bool FormValuesEqual(const TFormValue& a, const TFormValue& b) {
  if (a.Type != b.Type) return false;
  switch (a.Type) {
    case vaInt8: case vaInt16: case vaInt32: case vaInt64: case vaCurrency:
      return a.Int == b.Int;
    case vaExtended:
      return a.Extended == b.Extended;
    case vaSingle: case vaDouble: case vaDate:
      return std::memcmp(&a.Float, &b.Float, sizeof a.Float) == 0;
    case vaString: case vaLString: case vaIdent: case vaUTF8String: case vaBinary:
      return a.Str == b.Str;
    case vaWString:
      return a.WStr == b.WStr;
    case vaSet:
      return a.Set == b.Set;
    case vaList:
      if (a.List.size() != b.List.size()) return false;
      for (size_t i = 0; i < a.List.size(); ++i)
        if (!FormValuesEqual(a.List[i], b.List[i])) return false;
      return true;
    case vaCollection:
      if (a.Items.size() != b.Items.size()) return false;
      for (size_t i = 0; i < a.Items.size(); ++i) {
        const auto& x = a.Items[i];
        const auto& y = b.Items[i];
        if (x.HasIndex != y.HasIndex || (x.HasIndex && x.Index != y.Index)) return false;
        if (!PropertiesEqual(x.Properties, y.Properties)) return false;
      }
      return true;
    default:
      return true;  // vaNull, vaTrue, vaFalse, vaNil carry no data
  }
}

bool FormObjectsEqual(const TFormObject& a, const TFormObject& b) {
  if (a.Kind != b.Kind || a.Name != b.Name || a.ClassName != b.ClassName ||
      a.HasPosition != b.HasPosition || (a.HasPosition && a.Position != b.Position))
    return false;
  if (!PropertiesEqual(a.Properties, b.Properties) || a.Children.size() != b.Children.size())
    return false;
  for (size_t i = 0; i < a.Children.size(); ++i)
    if (!FormObjectsEqual(a.Children[i], b.Children[i])) return false;
  return true;
}
