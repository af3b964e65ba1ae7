// The class registry.
#include "ClassRegistry.h"

#include <mutex>
#include <vector>

#include "AnsiStrings.h"
#include "Format.h"
#include "RtlConsts.h"
#include "SysExceptions.h"

namespace {
struct TRegistry {
  std::mutex Lock;
  std::vector<TClass> Classes;
};
TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}
TClass Lookup(TRegistry& r, std::string_view name) {
  for (TClass c : r.Classes)
    if (SameText(c->Name, name)) return c;
  return nullptr;
}
}  // namespace

void RegisterClass(TClass cls) {
  if (cls == nullptr) throw EFilerError("Cannot register a nil class");
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  // The ancestors up to TPersistent come along, as the framework registers
  // them, stopping at the first one already known.
  std::vector<TClass> chain;
  for (TClass c = cls; c != nullptr; c = c->Parent) {
    TClass existing = Lookup(r, c->Name);
    if (existing == c) break;
    if (existing != nullptr) throw EFilerError(Format("A class named %s already exists", c->Name));
    chain.push_back(c);
    if (std::string_view(c->Name) == "TPersistent") break;
  }
  r.Classes.insert(r.Classes.end(), chain.begin(), chain.end());
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass c : classes) RegisterClass(c);
}

void UnRegisterClass(TClass cls) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  std::erase(r.Classes, cls);
}

TClass GetClass(std::string_view className) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  return Lookup(r, className);
}

TClass FindClass(std::string_view className) {
  TClass c = GetClass(className);
  if (c == nullptr) throw EClassNotFound(Format(SClassNotFound, className));
  return c;
}
