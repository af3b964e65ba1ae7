// Published properties by name as Variants, for the dataset and the designer
// code that moves values around as Variants.
#pragma once

#include <string_view>

#include "Classes.h"
#include "Variants.h"

// Integers and int64s as integer Variants, floats as doubles, strings and
// chars as strings, booleans as booleans, enumerations by literal, sets as
// "[a,b]", components by name and events by method name. Sub-objects have no
// Variant form: EPropertyError.
Variant GetPropVariant(const TObject* instance, std::string_view name);
// The reverse, converting with the Variant rules; an enumeration also takes
// its ordinal, and Null or Empty clears a component reference or an event.
void SetPropVariant(TObject* instance, std::string_view name, const Variant& value);
