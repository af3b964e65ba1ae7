// Conversions between the text and the binary form of form files, and telling
// which form a stream holds.
#pragma once

#include "FormBinary.h"
#include "FormText.h"
#include "FormTree.h"
#include "Streams.h"

enum TStreamOriginalFormat {
  sofUnknown,
  sofBinary,    // starts with "TPF0"
  sofText,      // starts (after blanks or a UTF-8 byte order mark) with object/inherited/inline
  sofResource,  // starts with the resource header (FF 0A 00 ...) before "TPF0"
};

// Looks at the start of the stream from its position; the position is kept.
TStreamOriginalFormat TestStreamFormat(TStream& stream);

// Reads a tree from a stream in any of the three forms; EReadError on a stream
// in none of them.
TFormObject ReadFormTree(TStream& in);

// Each reads one object from the input's position and appends the converted
// form to the output. Text is written in the canonical layout; the framework's
// line break is CR LF.
void ObjectTextToBinary(TStream& input, TStream& output);
// Accepts the binary image with or without the resource header.
void ObjectBinaryToText(TStream& input, TStream& output, TFormLineBreak lineBreak = flbCRLF);
// The input must start with the resource header.
void ObjectResourceToText(TStream& input, TStream& output, TFormLineBreak lineBreak = flbCRLF);
void ObjectTextToResource(TStream& input, TStream& output);
