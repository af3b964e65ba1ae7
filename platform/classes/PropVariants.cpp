// Published properties by name as Variants.
#include "PropVariants.h"

#include "Format.h"
#include "RtlConsts.h"
#include "TypInfo.h"

namespace {
bool IsText(const Variant& v) { return v.VType() == varString || v.VType() == varOleStr; }
bool IsUnset(const Variant& v) { return v.VType() == varNull || v.VType() == varEmpty; }
}  // namespace

Variant GetPropVariant(const TObject* instance, std::string_view name) {
  const TPropInfo& prop = PropInfoOf(instance, name);
  switch (prop.Kind) {
    case tkInteger:
      return Variant(static_cast<int>(GetOrdProp(instance, prop)));
    case tkInt64:
      return Variant(static_cast<long long>(GetOrdProp(instance, prop)));
    case tkFloat:
      return Variant(GetFloatProp(instance, prop));
    case tkBoolean:
      return Variant(GetOrdProp(instance, prop) != 0);
    case tkClass:
      throw EPropertyError(Format("Property %s holds an object and has no Variant value", prop.Name));
    default:
      return Variant(GetPropValue(instance, name));
  }
}

void SetPropVariant(TObject* instance, std::string_view name, const Variant& value) {
  const TPropInfo& prop = PropInfoOf(instance, name);
  switch (prop.Kind) {
    case tkInteger:
    case tkInt64:
      SetOrdProp(instance, prop, value.AsInt64());
      return;
    case tkFloat:
      SetFloatProp(instance, prop, value.AsDouble());
      return;
    case tkBoolean:
      SetOrdProp(instance, prop, value.AsBoolean() ? 1 : 0);
      return;
    case tkEnumeration:
      if (IsText(value))
        SetEnumProp(instance, prop, value.AsString());
      else
        SetOrdProp(instance, prop, value.AsInt64());
      return;
    case tkClass:
      throw EPropertyError(Format("Property %s holds an object and has no Variant value", prop.Name));
    case tkComponent:
    case tkMethod:
      SetPropValue(instance, name, IsUnset(value) ? std::string() : value.AsString());
      return;
    default:
      SetPropValue(instance, name, value.AsString());
      return;
  }
}
