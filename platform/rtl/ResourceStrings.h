// Resource strings: a process-wide table of built-in texts by 16-bit
// identifier, with a run-time override loaded from a language file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Registers the built-in text of an identifier. Registering the same text
// again is harmless; a different text under a taken identifier raises
// EInvalidOperation, since two modules would then fight over one message.
void RegisterResourceString(uint16_t id, std::string_view text);
bool IsResourceStringRegistered(uint16_t id);

// The language file's text when one is loaded and has the identifier, else the
// built-in text. An identifier that has neither raises EInvalidOperation
// "Resource string %d not found".
std::string LoadResString(uint16_t id);

// A named resource-string record: a namespace-scope instance registers its
// text at start-up, and raising code loads the current text through it.
//   inline const TResourceString ORVANE_ERR_X{65504, "Host variable \"%s\" not found."};
//   throw Exception(Format(ORVANE_ERR_X.Load(), {name}));
class TResourceString {
public:
  TResourceString(uint16_t id, const char* text);
  uint16_t Identifier() const noexcept { return FIdentifier; }
  const char* Default() const noexcept { return FDefault; }
  std::string Load() const { return LoadResString(FIdentifier); }
  operator std::string() const { return Load(); }

private:
  uint16_t FIdentifier;
  const char* FDefault;
};

inline std::string LoadResString(const TResourceString& rec) { return rec.Load(); }

// Language files are 8-bit text in the ANSI code page, one entry a line:
//   # a comment (the first non-blank character is '#')
//   65504=Host variable "%s" is unknown.
// The identifier is decimal (0..65535), blanks around it are allowed; the text
// is everything after the first '=' (a CR before the line end is dropped) with
// the escapes \n, \r, \t and \\. Blank lines are skipped. A line without '=',
// a bad identifier, an identifier given twice, an unknown escape or a
// backslash at the line end make the whole file fail with EParserError naming
// the file and the line; an unreadable file raises EFOpenError. Loading is all
// or nothing: on failure the texts in use stay as they were. A new file
// replaces the previous one entirely. Identifiers that nothing has registered
// yet are kept, for modules that register their texts later.
void LoadLanguageFile(const std::string& path);
// Back to the built-in texts.
void ResetLanguage();
