// The class registry: the classes a form file may name, found by class name.
#pragma once

#include <initializer_list>
#include <string_view>

#include "ClassInfo.h"

// Registers a class and its ancestors up to TPersistent, so that the form
// reader knows their names. Registering a class again does nothing; another
// class of the same name raises EFilerError "A class named %s already exists"
// and registers nothing.
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass cls);
// Raises EClassNotFound "Class %s not found".
TClass FindClass(std::string_view className);
// Null when no class of that name is registered (case-insensitive).
TClass GetClass(std::string_view className);

template <class T>
void RegisterClass() {
  RegisterClass(T::StaticClass());
}
