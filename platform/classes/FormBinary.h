// The binary form of form files: the "TPF0" image of an object tree, and the
// resource header that precedes it in a binary .dfm file.
#pragma once

#include <cstdint>
#include <string>

#include "FormTree.h"
#include "Streams.h"

// Reads one object tree starting at the stream's position: "TPF0" and the root
// object, optionally preceded by the resource header. The stream is left just
// after the root object. Raises EReadError on a truncated or malformed image.
TFormObject ReadFormBinary(TStream& in);

// Writes "TPF0" and the tree. Each value is written with the kind the tree
// gives it, widened where the value does not fit (an Int8 holding 1000, a
// short string of 300 bytes).
void WriteFormBinary(TStream& out, const TFormObject& root);

// The resource header: FF 0A 00, the upper-cased root class name, NUL, the
// flags 30 10 and the 32-bit size of the image that follows.
// ReadFormResourceHeader raises EReadError "Invalid stream format" when the
// stream does not start with one; it returns the resource name.
std::string ReadFormResourceHeader(TStream& in);
// Writes the header, carrying the image's size, and the image.
void WriteFormResource(TStream& out, const TFormObject& root);

// The signature of the binary image.
inline constexpr char FormBinarySignature[4] = {'T', 'P', 'F', '0'};
