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
  TClass existing = Lookup(r, cls->Name);
  if (existing == cls) return;
  if (existing != nullptr) throw EFilerError(Format("A class named %s already exists", cls->Name));
  r.Classes.push_back(cls);
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
