// Reading and writing whole components: to and from the form-file tree, its
// text form, and the binary form on streams and in files.
#pragma once

#include <string>
#include <string_view>

#include "Classes.h"
#include "FormText.h"
#include "FormTree.h"
#include "Streams.h"

// Every Read call fills root when one is given; with a null root it creates a
// component of the file's class (which must be registered), owned by owner.
// A component created without owner belongs to the caller (keep it in a
// std::unique_ptr). On any error nothing the call created remains.
TComponent* ReadComponentFromTree(const TFormObject& tree, TComponent* root = nullptr, TComponent* owner = nullptr);
TFormObject WriteComponentToTree(TComponent* component);

TComponent* ReadComponentFromText(std::string_view text, TComponent* root = nullptr, TComponent* owner = nullptr);
std::string WriteComponentToText(TComponent* component, TFormLineBreak lineBreak = flbCRLF);

// Reads text, the binary image or the binary image behind its resource
// header, from the stream's position.
TComponent* ReadComponentFromStream(TStream& stream, TComponent* root = nullptr, TComponent* owner = nullptr);
// Writes the binary image ("TPF0" ...); with resourceHeader, the header of a
// binary form file first.
void WriteComponentToStream(TStream& stream, TComponent* component, bool resourceHeader = false);

TComponent* ReadComponentFromFile(const std::string& fileName, TComponent* root = nullptr, TComponent* owner = nullptr);
// A text form file, or with binary a binary one (resource header and image).
void WriteComponentToFile(const std::string& fileName, TComponent* component, bool binary = false);
