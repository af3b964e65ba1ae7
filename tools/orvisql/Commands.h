// orvisql's backslash commands: their names, arguments and help, and the
// dispatch of a command line onto the shell.
#pragma once

#include <string>
#include <vector>

namespace orvisql {

class TShell;

enum class TCommandResult { Done, Quit };

// Runs one command line ("\next 5"); wrong names and arguments raise EUsage.
TCommandResult RunCommand(TShell& shell, const std::string& line);

struct TWord {
  std::string Text;
  bool Quoted = false;  // written in '...' or "..."
};
// The words of a command line; '...' or "..." keep blanks in one word.
std::vector<TWord> CommandWords(const std::string& line);

std::string HelpText();

}  // namespace orvisql
