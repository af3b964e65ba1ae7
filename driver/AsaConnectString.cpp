// TAsaSession's parameter strings for the library: the engine part and the
// strings that start the engine and the database and that connect. Pieces are
// joined by ";"; an empty piece adds nothing.
#include "AsaSession.h"

#include "AnsiStrings.h"
#include "FileUtils.h"
#include "OrvRoutines.h"

namespace {
void Add(std::string& text, const std::string& piece) { OrvConcateEmptyField(text, ";", piece); }
}  // namespace

// The database file's name without folder and extension: "/data/sales.db" -> "sales".
std::string TAsaSession::DatabaseName() const { return OrvExtractFilePrefix(ExtractFileName(FLoginDatabase)); }

std::string TAsaSession::BuildEnginePart() const {
  // A name of blanks only counts as none, but a real name is sent as typed.
  if (!Trim(FLoginEngineName).empty()) return "eng=" + FLoginEngineName;
  std::string database = DatabaseName();
  if (!database.empty()) return "eng=" + database;
  return {};
}

std::string TAsaSession::BuildStartEngineParams() const {
  std::string text;
  Add(text, FServerParams);
  Add(text, BuildEnginePart());
  return text;
}

std::string TAsaSession::BuildStartDatabaseParams() const {
  std::string text;
  Add(text, BuildEnginePart());
  Add(text, "dbf=" + FLoginDatabase);
  Add(text, "dbn=" + DatabaseName());
  return text;
}

std::string TAsaSession::BuildDatabaseParams() const {
  std::string text;
  Add(text, BuildEnginePart());
  Add(text, FClientParams);
  Add(text, "dbf=" + FLoginDatabase);
  Add(text, "dbn=" + DatabaseName());
  return text;
}

std::string TAsaSession::BuildEngineParams() const {
  std::string text;
  Add(text, BuildEnginePart());
  Add(text, FClientParams);
  return text;
}

std::string TAsaSession::BuildConnectParams() const {
  std::string text;
  Add(text, BuildEnginePart());
  Add(text, FClientParams);
  // The version-7 library starts the database itself from its file.
  if (LibVersion7 && FServerType != stClient) Add(text, "dbf=" + FLoginDatabase);
  Add(text, "dbn=" + DatabaseName());
  Add(text, "uid=" + FLoginUser);
  Add(text, "pwd=" + FLoginPassword);
  return text;
}
