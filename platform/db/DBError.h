// EDatabaseError, the class of every error the dataset model raises, and the
// helpers that raise it with the component's name in front of the text.
#pragma once

#include <string>

#include "Format.h"
#include "SysExceptions.h"

class TComponent;

ORV_DECLARE_EXCEPTION(EDatabaseError, Exception);

// "Name: message" when the component has a name, else the message alone.
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);

// The framework words errors about a dataset ("not editing", "field not
// found") with the dataset's name and errors about a field's value without
// one; callers pass null for the latter.
template <class... Args>
[[noreturn]] void DatabaseErrorFmt(const char* format, const TComponent* component, const Args&... args) {
  DatabaseError(Format(format, args...), component);
}
