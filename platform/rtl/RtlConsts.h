// The framework's own message texts. Components raise their messages through
// the resource-string table; these are the framework's fixed texts.
#pragma once

inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";
inline constexpr const char* SFOpenError = "Cannot open file \"%s\". %s";
inline constexpr const char* SFCreateError = "Cannot create file \"%s\". %s";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SAssignError = "Cannot assign a %s to a %s";
inline constexpr const char* SClassNotFound = "Class %s not found";
inline constexpr const char* SUnknownProperty = "Property %s does not exist";
inline constexpr const char* SInvalidBinary = "Invalid binary value";
inline constexpr const char* SInvalidImage = "Invalid stream format";

// Conversions of text and numbers.
inline constexpr const char* SInvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* SInvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* SInvalidCurrency = "'%s' is not a valid currency value";
inline constexpr const char* SInvalidDate = "'%s' is not a valid date";
inline constexpr const char* SInvalidTime = "'%s' is not a valid time";
inline constexpr const char* SInvalidDateTime = "'%s' is not a valid date and time";
inline constexpr const char* SInvalidBoolean = "'%s' is not a valid boolean value";
inline constexpr const char* SInvalidFormat = "Format '%s' invalid or incompatible with argument";
inline constexpr const char* SDateEncodeError = "Invalid argument to date encode";
inline constexpr const char* STimeEncodeError = "Invalid argument to time encode";
inline constexpr const char* SInvalidTimeStamp = "'%d.%d' is not a valid timestamp";
inline constexpr const char* SInvalidDateTimeValue = "'%s' is not a valid date and time value";

// Variants.
inline constexpr const char* SInvalidVarCast = "Invalid variant type conversion";
inline constexpr const char* SInvalidVarOp = "Invalid variant operation";
inline constexpr const char* SVarOverflow = "Overflow while converting variant of type (%s) into type (%s)";
inline constexpr const char* SVarArrayBounds = "Variant or safe array index out of bounds";
inline constexpr const char* SVarArrayCreate = "Error creating variant or safe array";
inline constexpr const char* SVarNotArray = "Variant is not an array";
inline constexpr const char* SVarArrayLocked = "Variant or safe array is locked";
inline constexpr const char* SVarBadType = "Invalid variant type";

// Arithmetic.
inline constexpr const char* SIntOverflow = "Integer overflow";
inline constexpr const char* SDivByZero = "Division by zero";
inline constexpr const char* SInvalidOp = "Invalid floating point operation";
inline constexpr const char* SZeroDivide = "Floating point division by zero";

// Operating system and resources.
inline constexpr const char* SOSError = "System Error.  Code: %d.\n%s";
inline constexpr const char* SUnkOSError = "A call to an OS function failed";
inline constexpr const char* SResNotFound = "Resource string %d not found";
inline constexpr const char* SLanguageFileError = "Error in language file \"%s\" line %d: %s";
inline constexpr const char* SDuplicateName = "A component named %s already exists";
inline constexpr const char* SInvalidName = "'%s' is not a valid component name";
inline constexpr const char* SMethodNotFound = "Method %s not found";
inline constexpr const char* SInvalidPropertyValue = "Invalid property value";
inline constexpr const char* SInvalidPropertyPath = "Invalid property path";
inline constexpr const char* SPropertyReadOnly = "Property %s is read-only";
inline constexpr const char* SReadingProperty = "Error reading %s.%s: %s";
inline constexpr const char* SListCapacityError = "List capacity out of bounds (%d)";
inline constexpr const char* SListCountError = "List count out of bounds (%d)";
inline constexpr const char* SSortedListError = "Operation not allowed on sorted list";
inline constexpr const char* SDuplicateString = "String list does not allow duplicates";
inline constexpr const char* SUnresolvedReference = "Component %s not found";
inline constexpr const char* SVarArrayNotLocked = "Variant or safe array is not locked";
inline constexpr const char* SOperationAborted = "Operation aborted";
inline constexpr const char* SInvalidCast = "Invalid class typecast";
