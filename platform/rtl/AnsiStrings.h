// Trimming, case mapping and comparison of 8-bit text: the ASCII-only forms and
// the locale-aware forms for the ANSI code page (Windows-1252).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Remove blanks and control characters (every byte <= ' ') at the ends.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII letters only; other bytes are left alone.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
// Byte order after folding A..Z to a..z; negative, 0 or positive.
int CompareText(std::string_view a, std::string_view b) noexcept;
bool SameText(std::string_view a, std::string_view b) noexcept;
// Plain byte order; negative, 0 or positive.
int CompareStr(std::string_view a, std::string_view b) noexcept;

// Windows-1252 case mapping: the accented Latin letters, and S/Z with caron,
// OE and Y with diaeresis (0x8A/0x9A, 0x8C/0x9C, 0x8E/0x9E, 0x9F/0xFF). Letters
// without a counterpart in the code page (sharp s, micro sign) stay.
char AnsiUpperChar(char c) noexcept;
char AnsiLowerChar(char c) noexcept;
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

// Locale collation for Windows-1252, in three levels: first the letters'
// base (an accented letter sorts with its base letter: a, á, à, â, ä ... all
// between "a" and "b"; æ with a, œ and ø with o, ß with s, þ after z), digits
// before letters and other characters before digits; then the accents; then
// the case, lower before upper. Strings equal at every level are ordered by
// their bytes, so only identical strings compare equal case-sensitively.
// The case-insensitive forms stop after the accent level: 'é' equals 'É' but
// not 'e'. Results are -1, 0 or 1.
int AnsiCompareStr(std::string_view a, std::string_view b) noexcept;
int AnsiCompareText(std::string_view a, std::string_view b) noexcept;
bool AnsiSameStr(std::string_view a, std::string_view b) noexcept;
bool AnsiSameText(std::string_view a, std::string_view b) noexcept;

// NUL-terminated forms. The L forms compare at most maxLen characters (fewer
// when a NUL comes first). A null pointer counts as empty text.
int AnsiStrComp(const char* a, const char* b) noexcept;
int AnsiStrIComp(const char* a, const char* b) noexcept;
int AnsiStrLComp(const char* a, const char* b, size_t maxLen) noexcept;
int AnsiStrLIComp(const char* a, const char* b, size_t maxLen) noexcept;
