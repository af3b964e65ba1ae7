// Published-property tables: per class, the properties the form files and the
// designer see (name, kind, default, stored, type-erased accessors), the
// builder that declares them, and the by-name accessors over them.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ClassInfo.h"
#include "Classes.h"
#include "Sets.h"
#include "SysExceptions.h"

enum TTypeKind {
  tkUnknown,
  tkInteger,      // 32-bit signed (and smaller) integers
  tkInt64,        // 64-bit integers and unsigned 32-bit ones
  tkFloat,        // double
  tkString,       // std::string
  tkBoolean,
  tkEnumeration,  // literal names ("stServer")
  tkSet,          // TSet<E>: literal names of its members
  tkChar,
  tkClass,        // a TPersistent sub-object, streamed as dotted names ("SQL.Strings")
  tkComponent,    // a reference to a component, streamed by name
  tkMethod,       // an event, streamed by method name
};

// The literal names of an enumeration whose values run 0, 1, 2, ...
struct TEnumInfo {
  std::string TypeName;
  std::vector<std::string> Names;
  // Builds the record from the literal list as written ("stServer, stLocal").
  static TEnumInfo Parse(std::string typeName, std::string_view literals);
  // The value of a literal (case-insensitive), or -1.
  int ValueOf(std::string_view literal) const;
  // The literal of a value; raises EConvertError for a value out of range.
  const std::string& NameOf(int64_t value) const;
};

namespace orv_typinfo_detail {
template <class E, size_t N>
constexpr bool Sequential(const E (&values)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (static_cast<size_t>(values[i]) != i) return false;
  return true;
}
}  // namespace orv_typinfo_detail

// Gives an enumeration its literal names, in value order, after its declaration
// (in the same namespace):  ORV_ENUM_INFO(TServerType, stServer, stLocal)
#define ORV_ENUM_INFO(Type, ...)                                                         \
  inline const TEnumInfo& EnumInfoOf(Type*) {                                            \
    static constexpr Type values_[] = {__VA_ARGS__};                                     \
    static_assert(orv_typinfo_detail::Sequential(values_),                               \
                  "literals of " #Type " must be listed in value order from 0");        \
    static const TEnumInfo info = TEnumInfo::Parse(#Type, #__VA_ARGS__);                 \
    return info;                                                                         \
  }

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkUnknown;
  const TEnumInfo* EnumType = nullptr;  // tkEnumeration, tkSet
  TClass PropClass = nullptr;           // tkClass, tkComponent: the declared class
  // Ordinal kinds only: a property equal to its default is not written. Without
  // a default ("nodefault") an ordinal property is always written; a float is
  // written when not 0, a string when not empty, a reference when set.
  bool HasDefault = false;
  int64_t Default = 0;
  bool ReadOnly = false;
  std::function<bool(const TObject&)> IsStored;  // empty: always stored

  // Integer, int64, boolean, enumeration, set (the bits), char.
  std::function<int64_t(const TObject&)> GetOrd;
  std::function<void(TObject&, int64_t)> SetOrd;
  std::function<double(const TObject&)> GetFloat;
  std::function<void(TObject&, double)> SetFloat;
  std::function<std::string(const TObject&)> GetStr;
  std::function<void(TObject&, const std::string&)> SetStr;
  // tkClass, tkComponent.
  std::function<TObject*(const TObject&)> GetObject;
  std::function<void(TObject&, TObject*)> SetObject;
  // tkMethod: whether a handler is assigned, and assignment from a published
  // method (null clears it). A method of another signature raises EReadError.
  std::function<bool(const TObject&)> MethodAssigned;
  std::function<void(TObject&, const std::any*)> SetMethod;

  bool Stored(const TObject& instance) const { return !IsStored || IsStored(instance); }
  bool IsOrdinal() const;
};

class TPropList {
public:
  // Property names compare case-insensitively; a name declared again (by a
  // derived class) replaces the earlier entry in place.
  const TPropInfo* Find(std::string_view name) const;
  TPropInfo& Put(TPropInfo info);
  size_t Count() const { return FItems.size(); }
  const TPropInfo& operator[](size_t i) const { return FItems[i]; }
  TPropInfo& At(size_t i) { return FItems[i]; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  std::vector<TPropInfo> FItems;
};

namespace orv_typinfo_detail {

template <class V>
constexpr TTypeKind KindOf() {
  using U = std::remove_cvref_t<V>;
  if constexpr (std::is_same_v<U, bool>) return tkBoolean;
  else if constexpr (std::is_same_v<U, char>) return tkChar;
  else if constexpr (std::is_enum_v<U>) return tkEnumeration;
  else if constexpr (IsTSet<U>::value) return tkSet;
  else if constexpr (std::is_integral_v<U> && (sizeof(U) < 4 || (sizeof(U) == 4 && std::is_signed_v<U>)))
    return tkInteger;
  else if constexpr (std::is_integral_v<U>) return tkInt64;
  else if constexpr (std::is_floating_point_v<U>) return tkFloat;
  else if constexpr (std::is_same_v<U, std::string>) return tkString;
  else if constexpr (std::is_pointer_v<U> && std::is_base_of_v<TComponent, std::remove_cv_t<std::remove_pointer_t<U>>>)
    return tkComponent;
  else if constexpr (std::is_pointer_v<U> && std::is_base_of_v<TPersistent, std::remove_cv_t<std::remove_pointer_t<U>>>)
    return tkClass;
  else return tkUnknown;
}

constexpr bool IsOrdinalKind(TTypeKind kind) {
  return kind == tkInteger || kind == tkInt64 || kind == tkBoolean || kind == tkEnumeration || kind == tkSet ||
         kind == tkChar;
}

template <class V>
int64_t ToOrd(const V& v) {
  using U = std::remove_cvref_t<V>;
  if constexpr (IsTSet<U>::value) return static_cast<int64_t>(v.Bits());
  else if constexpr (std::is_same_v<U, char>) return static_cast<unsigned char>(v);
  else return static_cast<int64_t>(v);
}

template <class V>
V FromOrd(int64_t n) {
  using U = std::remove_cvref_t<V>;
  if constexpr (IsTSet<U>::value) return U::FromBits(static_cast<uint64_t>(n));
  else if constexpr (std::is_same_v<U, bool>) return n != 0;
  else return static_cast<U>(n);
}

template <class U>
int64_t OrdMin() {
  if constexpr (std::is_same_v<U, char>) return 0;
  else if constexpr (std::is_same_v<U, bool>) return 0;
  else return static_cast<int64_t>(std::numeric_limits<U>::min());
}
template <class U>
int64_t OrdMax() {
  if constexpr (std::is_same_v<U, char>) return 255;
  else if constexpr (std::is_same_v<U, bool>) return 1;
  else if constexpr (std::is_same_v<U, uint64_t> || std::is_same_v<U, unsigned long long>) return INT64_MAX;
  else return static_cast<int64_t>(std::numeric_limits<U>::max());
}

[[noreturn]] void RaiseOutOfRange(const std::string& name, int64_t value);
[[noreturn]] void RaiseMethodMismatch(const std::string& name);

// Fills the kind, the type record and the getter of a property of value type R.
template <class V, class Getter>
void SetGetter(TPropInfo& p, Getter get) {
  using U = std::remove_cvref_t<V>;
  constexpr TTypeKind kind = KindOf<V>();
  static_assert(kind != tkUnknown, "the property's type is not one the property tables know");
  p.Kind = kind;
  if constexpr (kind == tkEnumeration) p.EnumType = &EnumInfoOf(static_cast<U*>(nullptr));
  if constexpr (kind == tkSet) p.EnumType = &EnumInfoOf(static_cast<typename IsTSet<U>::Element*>(nullptr));
  if constexpr (kind == tkFloat) {
    p.GetFloat = [get](const TObject& o) { return static_cast<double>(get(o)); };
  } else if constexpr (kind == tkString) {
    p.GetStr = [get](const TObject& o) { return std::string(get(o)); };
  } else if constexpr (kind == tkClass || kind == tkComponent) {
    p.PropClass = std::remove_cv_t<std::remove_pointer_t<U>>::StaticClass();
    p.GetObject = [get](const TObject& o) -> TObject* {
      return const_cast<std::remove_cv_t<std::remove_pointer_t<U>>*>(get(o));
    };
  } else {
    p.GetOrd = [get](const TObject& o) { return ToOrd(get(o)); };
  }
}

template <class V, class Setter>
void SetSetter(TPropInfo& p, Setter set) {
  using U = std::remove_cvref_t<V>;
  constexpr TTypeKind kind = KindOf<V>();
  static_assert(kind != tkUnknown, "the property's type is not one the property tables know");
  if constexpr (kind == tkFloat) {
    p.SetFloat = [set](TObject& o, double v) { set(o, static_cast<U>(v)); };
  } else if constexpr (kind == tkString) {
    p.SetStr = [set](TObject& o, const std::string& v) { set(o, v); };
  } else if constexpr (kind == tkClass || kind == tkComponent) {
    using C = std::remove_cv_t<std::remove_pointer_t<U>>;
    std::string name = p.Name;
    p.SetObject = [set, name](TObject& o, TObject* v) {
      C* typed = dynamic_cast<C*>(v);
      if (v != nullptr && typed == nullptr)
        throw EConvertError("Cannot assign a " + v->ClassName() + " to property " + name + " of class " +
                            C::StaticClass()->Name);
      set(o, typed);
    };
  } else if constexpr (kind == tkSet || kind == tkEnumeration) {
    size_t count = p.EnumType->Names.size();
    std::string name = p.Name;
    p.SetOrd = [set, count, name](TObject& o, int64_t v) {
      if constexpr (kind == tkEnumeration) {
        if (v < 0 || static_cast<size_t>(v) >= count) RaiseOutOfRange(name, v);
      } else {
        if (count < 64 && (static_cast<uint64_t>(v) >> count) != 0) RaiseOutOfRange(name, v);
      }
      set(o, FromOrd<U>(v));
    };
  } else {
    std::string name = p.Name;
    p.SetOrd = [set, name](TObject& o, int64_t v) {
      if (v < OrdMin<U>() || v > OrdMax<U>()) RaiseOutOfRange(name, v);
      set(o, FromOrd<U>(v));
    };
  }
}

template <class T>
const TPropList& PropsOf();

template <class T>
concept HasOwnPublish = requires(TPropertyTable<T>& t) {
  { static_cast<void (*)(TPropertyTable<T>&)>(&T::Publish) };
};

}  // namespace orv_typinfo_detail

// Refines the property just added: props.Add(...).Default(false).Stored(&T::IsSQLStored);
// V is the property's value type, so that a default of another type does not compile.
template <class T, class V>
class TPropBuilder {
public:
  TPropBuilder(TPropList& list, size_t index) : FList(list), FIndex(index) {}

  // Ordinal properties only: integers, booleans, enumerations, sets, chars.
  TPropBuilder& Default(const V& value)
    requires(orv_typinfo_detail::IsOrdinalKind(orv_typinfo_detail::KindOf<V>()))
  {
    TPropInfo& p = FList.At(FIndex);
    p.HasDefault = true;
    p.Default = orv_typinfo_detail::ToOrd(value);
    return *this;
  }
  TPropBuilder& NoDefault() {
    FList.At(FIndex).HasDefault = false;
    return *this;
  }
  TPropBuilder& Stored(bool stored) {
    TPropInfo& p = FList.At(FIndex);
    if (stored)
      p.IsStored = nullptr;
    else
      p.IsStored = [](const TObject&) { return false; };
    return *this;
  }
  template <class C>
  TPropBuilder& Stored(bool (C::*isStored)() const) {
    static_assert(std::is_base_of_v<C, T>);
    FList.At(FIndex).IsStored = [isStored](const TObject& o) { return (static_cast<const C&>(o).*isStored)(); };
    return *this;
  }
  // A component property that holds a sub-component, streamed with dotted
  // names like any persistent sub-object instead of as a reference by name.
  // The holder marks the sub-component with SetSubComponent(true), so that it
  // is not written a second time as a child.
  TPropBuilder& SubComponent()
    requires(orv_typinfo_detail::KindOf<V>() == tkComponent)
  {
    FList.At(FIndex).Kind = tkClass;
    return *this;
  }

private:
  TPropList& FList;
  size_t FIndex;
};

// The table a class fills in its static Publish function. The accessors may be
// members of the class or of any of its ancestors.
template <class T>
class TPropertyTable {
public:
  explicit TPropertyTable(TPropList& list) : FList(list) {}

  // A property read through a getter and written through a setter.
  template <class C, class R, class SR, class V>
  TPropBuilder<T, std::remove_cvref_t<R>> Add(const char* name, R (C::*get)() const, SR (C::*set)(V)) {
    static_assert(std::is_base_of_v<C, T>);
    TPropInfo p = Start(name);
    orv_typinfo_detail::SetGetter<R>(p, [get](const TObject& o) { return (static_cast<const C&>(o).*get)(); });
    orv_typinfo_detail::SetSetter<V>(p, [set](TObject& o, auto v) { (static_cast<C&>(o).*set)(v); });
    return Finish<std::remove_cvref_t<R>>(std::move(p));
  }
  // The same with a getter that is not const.
  template <class C, class R, class SR, class V>
  TPropBuilder<T, std::remove_cvref_t<R>> Add(const char* name, R (C::*get)(), SR (C::*set)(V)) {
    static_assert(std::is_base_of_v<C, T>);
    TPropInfo p = Start(name);
    orv_typinfo_detail::SetGetter<R>(
        p, [get](const TObject& o) { return (const_cast<C&>(static_cast<const C&>(o)).*get)(); });
    orv_typinfo_detail::SetSetter<V>(p, [set](TObject& o, auto v) { (static_cast<C&>(o).*set)(v); });
    return Finish<std::remove_cvref_t<R>>(std::move(p));
  }
  // A property without setter: a sub-object (filled in place) or a value
  // the designer shows but nobody sets by name.
  template <class C, class R>
  TPropBuilder<T, std::remove_cvref_t<R>> Add(const char* name, R (C::*get)() const) {
    static_assert(std::is_base_of_v<C, T>);
    TPropInfo p = Start(name);
    orv_typinfo_detail::SetGetter<R>(p, [get](const TObject& o) { return (static_cast<const C&>(o).*get)(); });
    p.ReadOnly = true;
    return Finish<std::remove_cvref_t<R>>(std::move(p));
  }
  // A property stored directly in a field.
  template <class C, class F>
    requires(!std::is_member_function_pointer_v<F C::*>)
  TPropBuilder<T, F> Field(const char* name, F C::*field) {
    static_assert(std::is_base_of_v<C, T>);
    TPropInfo p = Start(name);
    orv_typinfo_detail::SetGetter<F>(p, [field](const TObject& o) -> const F& { return static_cast<const C&>(o).*field; });
    orv_typinfo_detail::SetSetter<F>(p, [field](TObject& o, auto v) { static_cast<C&>(o).*field = v; });
    return Finish<F>(std::move(p));
  }
  // An event kept as a std::function member; streamed by method name.
  template <class C, class Sig>
  TPropBuilder<T, std::function<Sig>> Event(const char* name, std::function<Sig> C::*member) {
    static_assert(std::is_base_of_v<C, T>);
    TPropInfo p = Start(name);
    p.Kind = tkMethod;
    p.MethodAssigned = [member](const TObject& o) { return static_cast<bool>(static_cast<const C&>(o).*member); };
    std::string propName = name;
    p.SetMethod = [member, propName](TObject& o, const std::any* method) {
      auto& target = static_cast<C&>(o).*member;
      if (method == nullptr) {
        target = nullptr;
        return;
      }
      const auto* fn = std::any_cast<std::function<Sig>>(method);
      if (fn == nullptr) orv_typinfo_detail::RaiseMethodMismatch(propName);
      target = *fn;
    };
    return Finish<std::function<Sig>>(std::move(p));
  }

private:
  TPropInfo Start(const char* name) {
    TPropInfo p;
    p.Name = name;
    return p;
  }
  template <class V>
  TPropBuilder<T, V> Finish(TPropInfo p) {
    TPropInfo& put = FList.Put(std::move(p));
    return TPropBuilder<T, V>(FList, static_cast<size_t>(&put - &FList.At(0)));
  }
  TPropList& FList;
};

namespace orv_typinfo_detail {

template <class T>
const TPropList& PropsOf() {
  static const TPropList list = [] {
    TPropList l;
    if constexpr (!std::is_same_v<T, TObject>) {
      TClass parent = T::inherited::StaticClass();
      l = parent->Properties();
    }
    if constexpr (HasOwnPublish<T>) {
      TPropertyTable<T> table(l);
      T::Publish(table);
    }
    return l;
  }();
  return list;
}

template <class T>
TClassInfo MakeClassInfo(const char* name) {
  TClassInfo info{name, nullptr, nullptr, nullptr, &PropsOf<T>};
  if constexpr (!std::is_same_v<T, TObject>) info.Parent = T::inherited::StaticClass();
  if constexpr (!std::is_abstract_v<T> && std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*>)
    info.CreateComponent = [](TComponent* owner) -> TComponent* { return new T(owner); };
  if constexpr (!std::is_abstract_v<T> && std::is_base_of_v<TPersistent, T> &&
                std::is_constructible_v<T, TCollection*> && !std::is_constructible_v<T, TComponent*>)
    info.CreateItem = [](TCollection* collection) -> TPersistent* { return new T(collection); };
  return info;
}

}  // namespace orv_typinfo_detail

#define ORV_IMPLEMENT_CLASS(Self)                                                              \
  TClass Self::StaticClass() {                                                                 \
    static const TClassInfo info = orv_typinfo_detail::MakeClassInfo<Self>(#Self);             \
    return &info;                                                                              \
  }                                                                                            \
  TClass Self::ClassType() const { return StaticClass(); }

// By-name access to published properties, for the designer, the dataset and
// the form reader. Every accessor raises EPropertyError "Property %s does not
// exist" for an unknown name and EConvertError for a value of the wrong kind.
const TPropList& GetPropList(const TObject* instance);
const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name);
const TPropInfo& PropInfoOf(const TObject* instance, std::string_view name);  // raises when unknown
bool IsPublishedProp(const TObject* instance, std::string_view name);
TTypeKind PropType(const TObject* instance, std::string_view name);

int64_t GetOrdProp(const TObject* instance, const TPropInfo& prop);
void SetOrdProp(TObject* instance, const TPropInfo& prop, int64_t value);
double GetFloatProp(const TObject* instance, const TPropInfo& prop);
void SetFloatProp(TObject* instance, const TPropInfo& prop, double value);
std::string GetStrProp(const TObject* instance, const TPropInfo& prop);
void SetStrProp(TObject* instance, const TPropInfo& prop, const std::string& value);
std::string GetEnumProp(const TObject* instance, const TPropInfo& prop);
void SetEnumProp(TObject* instance, const TPropInfo& prop, const std::string& literal);
// Sets as "[a,b]"; SetSetProp accepts the brackets or not and blanks anywhere.
std::string GetSetProp(const TObject* instance, const TPropInfo& prop, bool brackets = true);
void SetSetProp(TObject* instance, const TPropInfo& prop, const std::string& value);
TObject* GetObjectProp(const TObject* instance, const TPropInfo& prop);
void SetObjectProp(TObject* instance, const TPropInfo& prop, TObject* value);
// Events by method name: assigns root's published method (null root: the
// instance's own root, found through its owners). An empty name clears the event.
void SetMethodProp(TObject* instance, const TPropInfo& prop, const std::string& methodName, TComponent* root = nullptr);
std::string GetMethodProp(const TObject* instance, const TPropInfo& prop);

// Any property as text: integers in decimal, floats in the shortest form that
// reads back exactly, booleans "True"/"False", enumerations by literal, sets
// "[a,b]", chars as the character, components by name, events by method name.
std::string GetPropValue(const TObject* instance, std::string_view name);
void SetPropValue(TObject* instance, std::string_view name, const std::string& value);
