// The statement reader of orvisql: turns input lines into SQL statements and
// backslash commands. A statement ends at a ';' that closes a line (and is cut
// there into the statements its top-level ';' separate) or at a line "go"
// (sent whole, so that compound statements keep their inner ';').
#pragma once

#include <string>
#include <vector>

namespace orvisql {

struct TInputItem {
  enum TKind { Statement, Command };
  TKind Kind;
  std::string Text;  // without the closing ';' or "go"; a command line trimmed
  int Line;          // the input line the item started on (1-based)
};

class TStatementReader {
public:
  // Takes one input line (without its line end) and returns the items it
  // completes, in order.
  std::vector<TInputItem> AddLine(const std::string& line);
  // Whether a statement is waiting for its end (the prompt shows it).
  bool Pending() const { return !FText.empty(); }
  // The unfinished statement at the end of the input, if any; it is cleared.
  std::vector<TInputItem> Finish();
  // Drops the unfinished statement (Ctrl-C at the prompt).
  void Discard();

private:
  // The lexical state carried from one line to the next.
  enum TState { Plain, SingleQuote, DoubleQuote, BlockComment };
  void Split(bool whole, std::vector<TInputItem>& out);
  std::string FText;
  int FStartLine = 0;
  int FLine = 0;
  TState FState = Plain;
};

}  // namespace orvisql
