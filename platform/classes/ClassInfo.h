// Class references: the run-time record of a framework class (name, parent,
// factory, published properties) and the ORV_CLASS macro that gives a class one.
#pragma once

#include <string_view>

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TPropList;

struct TClassInfo {
  const char* Name;
  const TClassInfo* Parent;
  // Set for every concrete component class that can be built from its owner;
  // the form reader creates components through it.
  TComponent* (*CreateComponent)(TComponent* owner);
  // Set for every concrete collection item class built from its collection.
  TPersistent* (*CreateItem)(TCollection* collection);
  // The class's published properties, its parent's first.
  const TPropList& (*Properties)();

  bool InheritsFrom(const TClassInfo* ancestor) const;
  // By class name, compared case-insensitively as the framework does.
  bool InheritsFrom(std::string_view className) const;
};
using TClass = const TClassInfo*;

// Inside the class body of every framework class:
//
//   class TMyComp : public TComponent {
//     ORV_CLASS(TMyComp, TComponent)
//   public:
//     ...
//     static void Publish(TPropertyTable<TMyComp>& props);   // optional
//   };
//
// and in exactly one source file, after including TypInfo.h:
//
//   ORV_IMPLEMENT_CLASS(TMyComp)
//   void TMyComp::Publish(TPropertyTable<TMyComp>& props) {
//     props.Add("Active", &TMyComp::Active, &TMyComp::SetActive).Default(false);
//   }
//
// A component class that forms may name is registered once with
// RegisterClass(TMyComp::StaticClass()) (ClassRegistry.h).
#define ORV_CLASS(Self, Parent)          \
public:                                  \
  using inherited = Parent;              \
  static TClass StaticClass();           \
  TClass ClassType() const override;     \
                                         \
private:
