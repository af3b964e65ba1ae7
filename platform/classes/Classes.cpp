// TObject, TPersistent and TComponent: class records, assignment, ownership,
// names, component state and notifications.
#include "Classes.h"

#include <algorithm>

#include "AnsiStrings.h"
#include "Filer.h"
#include "Format.h"
#include "RtlConsts.h"
#include "TypInfo.h"

// ---- TClassInfo / TObject --------------------------------------------------

bool TClassInfo::InheritsFrom(const TClassInfo* ancestor) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->Parent)
    if (c == ancestor) return true;
  return false;
}

bool TClassInfo::InheritsFrom(std::string_view className) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->Parent)
    if (SameText(c->Name, className)) return true;
  return false;
}

ORV_IMPLEMENT_CLASS(TObject)

std::string TObject::ClassName() const { return ClassType()->Name; }

// ---- TPersistent -----------------------------------------------------------

ORV_IMPLEMENT_CLASS(TPersistent)

TPersistent::~TPersistent() = default;

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string sourceName = source != nullptr ? source->ClassName() : std::string("nil");
  throw EConvertError(Format(SAssignError, sourceName, ClassName()));
}

std::string TPersistent::GetNamePath() const {
  std::string result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    std::string s = owner->GetNamePath();
    if (!s.empty()) result = s + "." + result;
  }
  return result;
}

void TPersistent::DefineProperties(TFiler&) {}

std::string TPersistent::StreamedMethodName(const std::string& eventName) const {
  if (!FMethodNames) return {};
  for (const auto& [event, method] : *FMethodNames)
    if (SameText(event, eventName)) return method;
  return {};
}

void TPersistent::SetStreamedMethodName(const std::string& eventName, const std::string& methodName) {
  if (!FMethodNames) {
    if (methodName.empty()) return;
    FMethodNames = std::make_unique<std::map<std::string, std::string>>();
  }
  for (auto it = FMethodNames->begin(); it != FMethodNames->end(); ++it)
    if (SameText(it->first, eventName)) {
      FMethodNames->erase(it);
      break;
    }
  if (!methodName.empty()) (*FMethodNames)[eventName] = methodName;
}

// ---- TComponent ------------------------------------------------------------

namespace {
// Set by the form reader just before it constructs a component, so that the
// component is in the loading state from its constructor on (a constructor
// can then tell whether it is being streamed). Consumed by that constructor.
thread_local bool tlCreatingForLoad = false;
}  // namespace

void TComponent::SetCreatingForLoad(bool value) { tlCreatingForLoad = value; }

bool IsValidIdent(std::string_view name) {
  if (name.empty()) return false;
  auto isAlpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!isAlpha(name[0])) return false;
  for (char c : name)
    if (!isAlpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

ORV_IMPLEMENT_CLASS(TComponent)

void TComponent::Publish(TPropertyTable<TComponent>& props) {
  // The name is written in the object's header line, never as a property.
  props.Add("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  props.Add("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

bool TComponent::TNameLess::operator()(const std::string& a, const std::string& b) const {
  return CompareText(a, b) < 0;
}

TComponent::TComponent(TComponent* owner) {
  if (tlCreatingForLoad) {
    tlCreatingForLoad = false;
    FComponentState << csLoading << csReading;
  }
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell every component that asked to be told, dropping the links both ways.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    other->RemoveNotification(this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EListError(Format(SListIndexError, index));
  return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (FOwner == nullptr) return -1;
  auto it = std::find(FOwner->FComponents.begin(), FOwner->FComponents.end(), this);
  return static_cast<int>(it - FOwner->FComponents.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsValidIdent(name)) throw EComponentError(Format(SInvalidName, name));
  if (FOwner != nullptr)
    FOwner->ValidateRename(this, FName, name);
  else
    ValidateRename(nullptr, FName, name);
  FName = name;
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName, const std::string& newName) {
  if (component != nullptr && !SameText(curName, newName)) {
    TComponent* other = FindComponent(newName);
    if (other != nullptr && other != component) throw EComponentError(Format(SDuplicateName, newName));
  }
}

void TComponent::InsertComponent(TComponent* component) {
  if (component == nullptr) throw EComponentError("Cannot insert a nil component");
  if (component == this) throw EComponentError("A component cannot own itself");
  for (TComponent* o = this; o != nullptr; o = o->FOwner)
    if (o == component) throw EComponentError(Format("%s cannot own one of its owners", component->FName));
  if (component->FOwner == this) return;
  ValidateRename(component, std::string(), component->FName);
  if (component->FOwner != nullptr) component->FOwner->RemoveComponent(component);
  InsertInto(component);
  if (FComponentState.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component == nullptr || component->FOwner != this) return;
  RemoveFrom(component);
  Notification(component, opRemove);
}

void TComponent::InsertInto(TComponent* component) {
  FComponents.push_back(component);
  component->FOwner = this;
}

void TComponent::RemoveFrom(TComponent* component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it != FComponents.end()) FComponents.erase(it);
  component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    // Taken out (and the remaining components told) before it is destroyed,
    // so that nobody reaches it while it goes.
    RemoveComponent(last);
    delete last;
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState << csDestroying;
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
  // Forward down the ownership tree; the list may shrink while we walk it.
  for (size_t i = FComponents.size(); i-- > 0;) {
    if (i >= FComponents.size()) continue;
    FComponents[i]->Notification(component, operation);
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  // Components of one owner hear of each other through that owner.
  if (FOwner == nullptr || component->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(component);
      component->FreeNotification(this);
    }
  }
  FComponentState << csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  RemoveNotification(component);
  component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::SetState(TComponentStateFlag flag, bool on) {
  if (on)
    FComponentState.Include(flag);
  else
    FComponentState.Exclude(flag);
}

void TComponent::SetDesigning(bool value, bool includeChildren) {
  SetState(csDesigning, value);
  if (includeChildren)
    for (TComponent* c : FComponents) c->SetDesigning(value, true);
}

void TComponent::SetInline(bool value) { SetState(csInline, value); }
void TComponent::SetDesignInstance(bool value) { SetState(csDesignInstance, value); }

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) {
  for (TComponent* c : FComponents)
    if (!c->FSubComponent && !c->HasParent()) proc(c);
}

TComponent* TComponent::GetChildOwner() { return this; }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  // The position of a non-visual component on its form, in design info.
  auto lo = static_cast<int16_t>(FDesignInfo & 0xFFFF);
  auto hi = static_cast<int16_t>((FDesignInfo >> 16) & 0xFFFF);
  auto setPart = [this](bool high, int64_t v) {
    if (v < INT16_MIN || v > INT16_MAX) throw EReadError(SInvalidPropertyValue);
    auto u = static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(v)));
    auto info = static_cast<uint32_t>(FDesignInfo);
    info = high ? ((info & 0x0000FFFFu) | (u << 16)) : ((info & 0xFFFF0000u) | u);
    FDesignInfo = static_cast<int32_t>(info);
  };
  filer.DefineProperty(
      "Left", [setPart](TReader& r) { setPart(false, r.ReadInteger()); },
      [lo](TWriter& w) { w.WriteInteger(lo); }, lo != 0);
  filer.DefineProperty(
      "Top", [setPart](TReader& r) { setPart(true, r.ReadInteger()); },
      [hi](TWriter& w) { w.WriteInteger(hi); }, hi != 0);
}

void TComponent::AddMethod(const std::string& name, std::any fn) {
  if (!IsValidIdent(name)) throw EComponentError(Format("'%s' is not a valid method name", name));
  FMethods[name] = std::move(fn);
}

void TComponent::UnregisterMethod(const std::string& name) { FMethods.erase(name); }

const std::any* TComponent::MethodAddress(const std::string& name) const {
  auto it = FMethods.find(name);
  return it == FMethods.end() ? nullptr : &it->second;
}

std::string TComponent::MethodName(const std::any* address) const {
  for (const auto& [name, fn] : FMethods)
    if (&fn == address) return name;
  return {};
}
