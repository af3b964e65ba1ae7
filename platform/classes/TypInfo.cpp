// Published-property tables and the by-name property accessors.
#include "TypInfo.h"

#include <charconv>
#include <cmath>

#include "AnsiStrings.h"
#include "Conversions.h"
#include "Format.h"
#include "RtlConsts.h"

// ---- TEnumInfo -------------------------------------------------------------

TEnumInfo TEnumInfo::Parse(std::string typeName, std::string_view literals) {
  TEnumInfo info;
  info.TypeName = std::move(typeName);
  size_t i = 0;
  while (i <= literals.size()) {
    size_t comma = literals.find(',', i);
    if (comma == std::string_view::npos) comma = literals.size();
    std::string name = Trim(literals.substr(i, comma - i));
    // A qualified literal (TType::ltName) is known by its last part.
    size_t colon = name.rfind(':');
    if (colon != std::string::npos) name = name.substr(colon + 1);
    if (!name.empty()) info.Names.push_back(std::move(name));
    i = comma + 1;
  }
  return info;
}

int TEnumInfo::ValueOf(std::string_view literal) const {
  for (size_t i = 0; i < Names.size(); ++i)
    if (SameText(Names[i], literal)) return static_cast<int>(i);
  return -1;
}

const std::string& TEnumInfo::NameOf(int64_t value) const {
  if (value < 0 || static_cast<uint64_t>(value) >= Names.size())
    throw EConvertError(Format("%d is not a value of %s", value, TypeName));
  return Names[static_cast<size_t>(value)];
}

// ---- TPropInfo / TPropList -------------------------------------------------

bool TPropInfo::IsOrdinal() const {
  switch (Kind) {
    case tkInteger:
    case tkInt64:
    case tkBoolean:
    case tkEnumeration:
    case tkSet:
    case tkChar:
      return true;
    default:
      return false;
  }
}

const TPropInfo* TPropList::Find(std::string_view name) const {
  for (const TPropInfo& p : FItems)
    if (SameText(p.Name, name)) return &p;
  return nullptr;
}

TPropInfo& TPropList::Put(TPropInfo info) {
  for (TPropInfo& p : FItems)
    if (SameText(p.Name, info.Name)) {
      p = std::move(info);
      return p;
    }
  FItems.push_back(std::move(info));
  return FItems.back();
}

namespace orv_typinfo_detail {
void RaiseOutOfRange(const std::string& name, int64_t value) {
  throw EPropertyError(Format("Value %d is out of range for property %s", value, name));
}
void RaiseMethodMismatch(const std::string& name) {
  throw EReadError(Format("The method assigned to %s does not have the event's signature", name));
}
}  // namespace orv_typinfo_detail

// ---- by-name access --------------------------------------------------------

namespace {

[[noreturn]] void RaiseNoProperty(std::string_view name) {
  throw EPropertyError(Format(SUnknownProperty, name));
}

void CheckInstance(const TObject* instance) {
  if (instance == nullptr) throw EPropertyError("Cannot access a property of nil");
}

void CheckKind(const TPropInfo& prop, bool ok) {
  if (!ok) throw EConvertError(Format("Property %s is not of that kind", prop.Name));
}

void CheckWritable(const TPropInfo& prop, bool hasSetter) {
  if (!hasSetter) throw EPropertyError(Format(SPropertyReadOnly, prop.Name));
}

std::string FloatText(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

TComponent* FindMethodOwner(TObject* instance, const std::string& methodName) {
  TPersistent* p = dynamic_cast<TPersistent*>(instance);
  while (p != nullptr && dynamic_cast<TComponent*>(p) == nullptr) p = p->GetOwner();
  for (auto* c = dynamic_cast<TComponent*>(p); c != nullptr; c = c->Owner())
    if (c->MethodAddress(methodName) != nullptr) return c;
  return nullptr;
}

}  // namespace

const TPropList& GetPropList(const TObject* instance) {
  CheckInstance(instance);
  return instance->ClassType()->Properties();
}

const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name) {
  return GetPropList(instance).Find(name);
}

const TPropInfo& PropInfoOf(const TObject* instance, std::string_view name) {
  const TPropInfo* p = GetPropInfo(instance, name);
  if (p == nullptr) RaiseNoProperty(name);
  return *p;
}

bool IsPublishedProp(const TObject* instance, std::string_view name) { return GetPropInfo(instance, name) != nullptr; }

TTypeKind PropType(const TObject* instance, std::string_view name) { return PropInfoOf(instance, name).Kind; }

int64_t GetOrdProp(const TObject* instance, const TPropInfo& prop) {
  CheckInstance(instance);
  CheckKind(prop, static_cast<bool>(prop.GetOrd));
  return prop.GetOrd(*instance);
}

void SetOrdProp(TObject* instance, const TPropInfo& prop, int64_t value) {
  CheckInstance(instance);
  CheckKind(prop, prop.IsOrdinal());
  CheckWritable(prop, static_cast<bool>(prop.SetOrd));
  prop.SetOrd(*instance, value);
}

double GetFloatProp(const TObject* instance, const TPropInfo& prop) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkFloat);
  return prop.GetFloat(*instance);
}

void SetFloatProp(TObject* instance, const TPropInfo& prop, double value) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkFloat);
  CheckWritable(prop, static_cast<bool>(prop.SetFloat));
  prop.SetFloat(*instance, value);
}

std::string GetStrProp(const TObject* instance, const TPropInfo& prop) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkString);
  return prop.GetStr(*instance);
}

void SetStrProp(TObject* instance, const TPropInfo& prop, const std::string& value) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkString);
  CheckWritable(prop, static_cast<bool>(prop.SetStr));
  prop.SetStr(*instance, value);
}

std::string GetEnumProp(const TObject* instance, const TPropInfo& prop) {
  CheckKind(prop, prop.Kind == tkEnumeration || prop.Kind == tkBoolean);
  int64_t v = GetOrdProp(instance, prop);
  if (prop.Kind == tkBoolean) return v ? "True" : "False";
  return prop.EnumType->NameOf(v);
}

void SetEnumProp(TObject* instance, const TPropInfo& prop, const std::string& literal) {
  CheckKind(prop, prop.Kind == tkEnumeration || prop.Kind == tkBoolean);
  int v = prop.Kind == tkBoolean ? (SameText(literal, "True") ? 1 : SameText(literal, "False") ? 0 : -1)
                                 : prop.EnumType->ValueOf(Trim(literal));
  if (v < 0) throw EPropertyError(Format("'%s' is not a value of property %s", literal, prop.Name));
  SetOrdProp(instance, prop, v);
}

std::string GetSetProp(const TObject* instance, const TPropInfo& prop, bool brackets) {
  CheckKind(prop, prop.Kind == tkSet);
  auto bits = static_cast<uint64_t>(GetOrdProp(instance, prop));
  std::string result;
  for (size_t i = 0; i < prop.EnumType->Names.size() && i < 64; ++i)
    if (bits & (uint64_t{1} << i)) {
      if (!result.empty()) result += ',';
      result += prop.EnumType->Names[i];
    }
  return brackets ? "[" + result + "]" : result;
}

void SetSetProp(TObject* instance, const TPropInfo& prop, const std::string& value) {
  CheckKind(prop, prop.Kind == tkSet);
  std::string text = Trim(value);
  if (!text.empty() && text.front() == '[') {
    if (text.back() != ']') throw EPropertyError(Format("'%s' is not a set of property %s", value, prop.Name));
    text = text.substr(1, text.size() - 2);
  }
  uint64_t bits = 0;
  size_t i = 0;
  while (i <= text.size()) {
    size_t comma = text.find(',', i);
    if (comma == std::string::npos) comma = text.size();
    std::string literal = Trim(std::string_view(text).substr(i, comma - i));
    if (!literal.empty()) {
      int v = prop.EnumType->ValueOf(literal);
      if (v < 0 || v >= 64) throw EPropertyError(Format("'%s' is not a value of property %s", literal, prop.Name));
      bits |= uint64_t{1} << v;
    } else if (comma < text.size()) {
      throw EPropertyError(Format("'%s' is not a set of property %s", value, prop.Name));
    }
    i = comma + 1;
  }
  SetOrdProp(instance, prop, static_cast<int64_t>(bits));
}

TObject* GetObjectProp(const TObject* instance, const TPropInfo& prop) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkClass || prop.Kind == tkComponent);
  return prop.GetObject(*instance);
}

void SetObjectProp(TObject* instance, const TPropInfo& prop, TObject* value) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkClass || prop.Kind == tkComponent);
  CheckWritable(prop, static_cast<bool>(prop.SetObject));
  prop.SetObject(*instance, value);
}

void SetMethodProp(TObject* instance, const TPropInfo& prop, const std::string& methodName, TComponent* root) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkMethod);
  auto* persistent = dynamic_cast<TPersistent*>(instance);
  if (methodName.empty()) {
    prop.SetMethod(*instance, nullptr);
    if (persistent) persistent->SetStreamedMethodName(prop.Name, {});
    return;
  }
  if (root == nullptr) root = FindMethodOwner(instance, methodName);
  const std::any* method = root != nullptr ? root->MethodAddress(methodName) : nullptr;
  if (method == nullptr) throw EMethodNotFound(Format(SMethodNotFound, methodName));
  prop.SetMethod(*instance, method);
  if (persistent) persistent->SetStreamedMethodName(prop.Name, root->MethodName(method));
}

std::string GetMethodProp(const TObject* instance, const TPropInfo& prop) {
  CheckInstance(instance);
  CheckKind(prop, prop.Kind == tkMethod);
  const auto* persistent = dynamic_cast<const TPersistent*>(instance);
  if (persistent == nullptr || !prop.MethodAssigned(*instance)) return {};
  return persistent->StreamedMethodName(prop.Name);
}

std::string GetPropValue(const TObject* instance, std::string_view name) {
  const TPropInfo& prop = PropInfoOf(instance, name);
  switch (prop.Kind) {
    case tkInteger:
    case tkInt64:
      return IntToStr(GetOrdProp(instance, prop));
    case tkChar:
      return std::string(1, static_cast<char>(GetOrdProp(instance, prop)));
    case tkBoolean:
    case tkEnumeration:
      return GetEnumProp(instance, prop);
    case tkSet:
      return GetSetProp(instance, prop);
    case tkFloat:
      return FloatText(GetFloatProp(instance, prop));
    case tkString:
      return GetStrProp(instance, prop);
    case tkClass:
    case tkComponent: {
      TObject* o = GetObjectProp(instance, prop);
      if (o == nullptr) return {};
      if (auto* c = dynamic_cast<TComponent*>(o)) return c->Name();
      return o->ClassName();
    }
    case tkMethod:
      return GetMethodProp(instance, prop);
    default:
      RaiseNoProperty(name);
  }
}

void SetPropValue(TObject* instance, std::string_view name, const std::string& value) {
  const TPropInfo& prop = PropInfoOf(instance, name);
  auto invalid = [&]() -> EPropertyError {
    return EPropertyError(Format("'%s' is not a valid value for property %s", value, prop.Name));
  };
  switch (prop.Kind) {
    case tkInteger:
    case tkInt64: {
      int64_t v;
      if (!TryStrToInt64(Trim(value), v)) throw invalid();
      SetOrdProp(instance, prop, v);
      return;
    }
    case tkChar:
      if (value.size() != 1) throw invalid();
      SetOrdProp(instance, prop, static_cast<unsigned char>(value[0]));
      return;
    case tkBoolean:
    case tkEnumeration:
      SetEnumProp(instance, prop, value);
      return;
    case tkSet:
      SetSetProp(instance, prop, value);
      return;
    case tkFloat: {
      std::string t = Trim(value);
      double v = 0;
      auto r = std::from_chars(t.data(), t.data() + t.size(), v);
      if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size()) throw invalid();
      SetFloatProp(instance, prop, v);
      return;
    }
    case tkString:
      SetStrProp(instance, prop, value);
      return;
    case tkComponent: {
      if (value.empty()) {
        SetObjectProp(instance, prop, nullptr);
        return;
      }
      // A name among the components of the instance's owner (its form).
      const auto* c = dynamic_cast<const TComponent*>(instance);
      TComponent* scope = c != nullptr ? (c->Owner() != nullptr ? c->Owner() : const_cast<TComponent*>(c)) : nullptr;
      TComponent* target = scope != nullptr ? scope->FindComponent(value) : nullptr;
      if (target == nullptr && scope != nullptr && SameText(scope->Name(), value)) target = scope;
      if (target == nullptr) throw EPropertyError(Format(SUnresolvedReference, value));
      SetObjectProp(instance, prop, target);
      return;
    }
    case tkMethod:
      SetMethodProp(instance, prop, value);
      return;
    default:
      throw EPropertyError(Format(SPropertyReadOnly, prop.Name));
  }
}
