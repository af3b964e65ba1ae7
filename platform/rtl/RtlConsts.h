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
