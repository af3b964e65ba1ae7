// orvisql's command line: what it names, how it is read, and how it becomes
// the settings of the session.
#pragma once

#include <optional>
#include <string>

class TAsaSession;

namespace orvisql {

struct TOptions {
  std::string Database;    // the database file, made absolute
  std::string User = "DBA";
  std::string Password = "sql";
  std::string Engine;
  std::string ServerType = "server";  // client | server | workgroup
  std::string Library;     // file name or path of the Embedded SQL library
  std::string ClientParams;
  std::string Script;      // empty: standard input
  bool Bail = false;
  bool Help = false;
};

// Reads the arguments. On a bad one, error holds the message and the result
// is empty.
std::optional<TOptions> ParseOptions(int argc, char** argv, std::string& error);

const char* UsageText();

// The session's properties from the options: login, server type, library
// (a path names its folder; a bare name is looked for beside the program's
// libraries first, then where the loader looks).
void ApplyOptions(const TOptions& options, TAsaSession& session);

// The engine name the session reaches, for \ping and messages.
std::string EngineName(const TAsaSession& session);

}  // namespace orvisql
