// How orvisql shows a value in a table cell: NULL as a marker no value reads
// as, text cut with a marker past a limit (control characters escaped, the
// ANSI code page turned into the terminal's UTF-8), binary as hex.
#pragma once

#include <cstddef>
#include <string>

class TOrvaneSQL;

namespace orvisql {

inline constexpr const char* NullMarker = "(null)";
inline constexpr const char* CutMarker = "...";
// Characters of text, and bytes of binary data, a cell shows at most.
inline constexpr size_t MaxCellChars = 40;
inline constexpr size_t MaxCellBytes = 16;

// ANSI text (Windows-1252) as UTF-8, control characters as \n, \t, \xNN,
// cut after maxChars characters with CutMarker.
std::string DisplayText(const std::string& ansi, size_t maxChars = MaxCellChars);
// Bytes as 0x... hex, cut after maxBytes bytes with CutMarker and the size.
std::string DisplayBytes(const std::string& bytes, size_t maxBytes = MaxCellBytes);
// Characters a UTF-8 text takes on the screen (one per code point).
size_t DisplayWidth(const std::string& utf8);

// The cell text of a field of the statement's current row.
std::string CellText(TOrvaneSQL& sql, int field);
// Whether a field's cells are aligned to the right (numbers).
bool RightAligned(TOrvaneSQL& sql, int field);

}  // namespace orvisql
