// Single-byte conversions between the ANSI code page (Windows-1252) and the OEM
// code page (850). Both keep the length, and source and destination may be the
// same buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Every character that both code pages have maps to itself, so a round trip
// through the other code page is exact for it. A character the other page
// lacks maps to a best fit: an accented letter to its base letter (Š -> S,
// Ÿ -> Y), Œ/œ to O/o, typographic quotes and dashes to their ASCII forms,
// the bullet to the middle dot, ™ to 'T', dotless ı to 'i',
// the euro sign to 'E', box-drawing characters to '+', '-' and '|', shades
// and blocks to '#'; the five unassigned bytes of Windows-1252 to '?'.
// Bytes 0..127 are unchanged.
void CharToOemBuff(const char* source, char* dest, size_t length) noexcept;
void OemToCharBuff(const char* source, char* dest, size_t length) noexcept;

std::string CharToOem(std::string_view s);
std::string OemToChar(std::string_view s);

// Single characters, for callers that build their own tables.
uint8_t AnsiToOemByte(uint8_t c) noexcept;
uint8_t OemToAnsiByte(uint8_t c) noexcept;
