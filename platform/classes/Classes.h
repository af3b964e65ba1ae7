// The root of the framework's class tree: TObject, TPersistent (assignment,
// custom streamed data) and TComponent (ownership, names, state, notifications).
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ClassInfo.h"
#include "Sets.h"
#include "SysExceptions.h"

class TFiler;
template <class T>
class TPropertyTable;

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const;
  // The framework class name ("TStringList"), from the class record.
  virtual std::string ClassName() const;
  bool InheritsFrom(TClass ancestor) const { return ClassType()->InheritsFrom(ancestor); }
  bool InheritsFrom(std::string_view className) const { return ClassType()->InheritsFrom(className); }
};

// Objects that can be assigned to each other and that carry streamed data.
class TPersistent : public TObject {
  ORV_CLASS(TPersistent, TObject)
public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  ~TPersistent() override;

  // Copies source into this object. The default asks the source (AssignTo);
  // a class that can take the contents of another overrides it. A null source
  // raises EConvertError "Cannot assign a nil to a <class>".
  virtual void Assign(const TPersistent* source);
  // The dotted name under which the designer shows the object.
  virtual std::string GetNamePath() const;
  virtual TPersistent* GetOwner() const { return nullptr; }
  // Declares data streamed beside the published properties (TFiler's
  // DefineProperty / DefineBinaryProperty). The default declares nothing.
  virtual void DefineProperties(TFiler& filer);

  // The method name behind an event property that was assigned by name (from a
  // form file or the designer), so that the writer can write it back. Empty
  // when the event was never assigned by name.
  std::string StreamedMethodName(const std::string& eventName) const;
  void SetStreamedMethodName(const std::string& eventName, const std::string& methodName);

protected:
  // Copies this object into dest; the default raises the assignment error.
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;

private:
  std::unique_ptr<std::map<std::string, std::string>> FMethodNames;
};

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance,
};
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

// A component: owned by its owner, which destroys it; named uniquely among its
// owner's components; told through Notification when a component it knows goes.
//
// Ownership: a component created with an owner belongs to that owner, which
// destroys it with itself; destroying it earlier is allowed and takes it out
// of the owner's list. A component created without an owner belongs to the
// code that created it, which keeps it in a std::unique_ptr (or hands it to an
// owner later with InsertComponent).
class TComponent : public TPersistent {
  ORV_CLASS(TComponent, TPersistent)
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  const std::string& Name() const { return FName; }
  // An empty name or an identifier that no other component of the owner has
  // (case-insensitively). Raises EComponentError otherwise.
  virtual void SetName(const std::string& name);
  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const;
  // This component's position in its owner's list, -1 without owner.
  int ComponentIndex() const;
  // The owned component with that name (case-insensitive), or null.
  TComponent* FindComponent(const std::string& name) const;
  TComponentState ComponentState() const { return FComponentState; }
  int Tag() const { return FTag; }
  void SetTag(int tag) { FTag = tag; }
  // Position of a non-visual component on its form, Left in the low 16 bits
  // and Top in the high 16 bits; streamed as "Left" and "Top".
  int32_t DesignInfo() const { return FDesignInfo; }
  void SetDesignInfo(int32_t info) { FDesignInfo = info; }

  // Takes a component without owner (or moves one from its owner) into this
  // component's list; the name must be unique here.
  void InsertComponent(TComponent* component);
  // Releases an owned component to the caller, who then owns it.
  void RemoveComponent(TComponent* component);
  // Destroys every owned component, the last one first.
  void DestroyComponents();
  // Marks this component and its owned components as going away.
  void Destroying();

  // Asks to be told (Notification opRemove) when component is destroyed.
  // Components of the same owner are always told through the owner.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  void SetDesigning(bool value, bool includeChildren = true);
  void SetInline(bool value);
  void SetDesignInstance(bool value);
  // A sub-component is owned by another component as part of it (a dataset's
  // statement); it is streamed as that component's property, not as a child.
  void SetSubComponent(bool value) { FSubComponent = value; }
  bool IsSubComponent() const { return FSubComponent; }

  // Called once a form file has been read completely and every reference is
  // set; the default ends the loading state.
  virtual void Loaded();
  // The components written as nested objects of this one: by default the
  // owned components that are neither sub-components nor placed in a parent.
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);
  // The owner of the components read as nested objects of this one; null
  // stands for the root being read. The default is this component.
  virtual TComponent* GetChildOwner();
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent);

  std::string GetNamePath() const override { return FName; }
  TPersistent* GetOwner() const override { return FOwner; }
  void DefineProperties(TFiler& filer) override;

  // Named methods that a root component (form, data module) publishes, so that
  // event properties read from a form file can be bound by method name. The
  // stored value is a std::function of the event's exact signature.
  template <class Sig, class F>
  void RegisterMethod(const std::string& name, F&& fn) {
    AddMethod(name, std::any(std::function<Sig>(std::forward<F>(fn))));
  }
  template <class Sig>
  void RegisterMethod(const std::string& name, std::function<Sig> fn) {
    AddMethod(name, std::any(std::move(fn)));
  }
  template <class C, class R, class... A>
  void RegisterMethod(const std::string& name, C* object, R (C::*method)(A...)) {
    AddMethod(name, std::any(std::function<R(A...)>(
                        [object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); })));
  }
  void UnregisterMethod(const std::string& name);
  // The published method of that name (case-insensitive), or null.
  const std::any* MethodAddress(const std::string& name) const;
  // The name under which a method returned by MethodAddress is published.
  std::string MethodName(const std::any* address) const;

  static void Publish(TPropertyTable<TComponent>& props);

protected:
  // Told when a component is inserted into or removed from this component's
  // tree, or when a component this one asked FreeNotification of goes away.
  // The default forwards to every owned component; an override that keeps a
  // reference clears it on opRemove and calls the inherited one.
  virtual void Notification(TComponent* component, TOperation operation);
  // Raises EComponentError when newName is taken among this component's
  // components by another one than component.
  virtual void ValidateRename(TComponent* component, const std::string& curName, const std::string& newName);

private:
  friend class TReader;
  friend class TWriter;
  // The form reader sets this just before it constructs a component, which
  // then starts in the loading state; the constructor consumes it.
  static void SetCreatingForLoad(bool value);
  struct TNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  void AddMethod(const std::string& name, std::any fn);
  void InsertInto(TComponent* component);
  void RemoveFrom(TComponent* component);
  void RemoveNotification(TComponent* component);
  void SetState(TComponentStateFlag flag, bool on);

  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  int FTag = 0;
  int32_t FDesignInfo = 0;
  bool FSubComponent = false;
  std::map<std::string, std::any, TNameLess> FMethods;
};


// True for the framework's identifiers: a letter or "_", then letters, digits, "_".
bool IsValidIdent(std::string_view name);
