// The text form of form files: a parser into the object tree and the writer of
// the canonical layout (two-space indents, long strings split at 64 characters).
#pragma once

#include <string>
#include <string_view>

#include "FormTree.h"
#include "Streams.h"

// Line break the writer puts between lines. The framework writes CR LF; files
// kept in version control often hold LF only.
enum TFormLineBreak { flbCRLF, flbLF };

// Parses one object ("object"/"inherited"/"inline" ... "end") from the stream's
// position. Raises EParserError "<what> on line <n>" on a syntax error or a
// truncated file. Only blanks may follow the root object's "end"; the stream is
// left at the end of what was read.
TFormObject ReadFormText(TStream& in);
TFormObject ParseFormText(std::string_view text);

// Writes the tree in the canonical text layout.
void WriteFormText(TStream& out, const TFormObject& root, TFormLineBreak lineBreak = flbCRLF);
std::string FormTextToString(const TFormObject& root, TFormLineBreak lineBreak = flbCRLF);

// The text of one value as it appears after "Name = " at the given indent level
// (a property of a top-level object is at level 1). Multi-line values use the
// line break given.
std::string FormValueToText(const TFormValue& value, int level = 1, TFormLineBreak lineBreak = flbCRLF);
