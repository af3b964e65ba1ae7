// The command table of orvisql and its argument checks.
#include "Commands.h"

#include <charconv>
#include <functional>

#include "AnsiStrings.h"
#include "Shell.h"

namespace orvisql {

namespace {

using TArgs = std::vector<TWord>;

struct TCommand {
  const char* Name;
  const char* Arguments;  // as the help shows them
  size_t MinArgs, MaxArgs;
  const char* Help;
  std::function<TCommandResult(TShell&, const TArgs&)> Run;
};

int Count(const std::string& text, const char* command) {
  int n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1)
    throw EUsage(std::string("\\") + command + " needs a whole number of at least 1, not '" + text + "'");
  return n;
}

bool OnOff(const std::string& text, const char* command) {
  if (SameText(text, "on")) return true;
  if (SameText(text, "off")) return false;
  throw EUsage(std::string("\\") + command + " takes on or off, not '" + text + "'");
}

TCommandResult Done(const std::function<void()>& f) {
  f();
  return TCommandResult::Done;
}

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> table = {
      {"next", "[N]", 0, 1, "move N rows forward (default 1) and show them",
       [](TShell& s, const TArgs& a) { return Done([&] { s.Next(a.empty() ? 1 : Count(a[0].Text, "next")); }); }},
      {"prior", "[N]", 0, 1, "move N rows back (default 1) and show them",
       [](TShell& s, const TArgs& a) { return Done([&] { s.Prior(a.empty() ? 1 : Count(a[0].Text, "prior")); }); }},
      {"first", "", 0, 0, "move to the first row", [](TShell& s, const TArgs&) { return Done([&] { s.First(); }); }},
      {"last", "", 0, 0, "move to the last row", [](TShell& s, const TArgs&) { return Done([&] { s.Last(); }); }},
      {"goto", "N", 1, 1, "move to row N (the first row is 1)",
       [](TShell& s, const TArgs& a) { return Done([&] { s.GoTo(Count(a[0].Text, "goto")); }); }},
      {"explain", "", 0, 0, "show the server's plan of the open cursor",
       [](TShell& s, const TArgs&) { return Done([&] { s.Explain(); }); }},
      {"writable", "on|off", 1, 1, "whether the next queries open cursors for writing",
       [](TShell& s, const TArgs& a) { return Done([&] { s.SetWritable(OnOff(a[0].Text, "writable")); }); }},
      {"update", "COLUMN VALUE", 2, 2, "change a column of the current row (VALUE null for NULL)",
       [](TShell& s, const TArgs& a) { return Done([&] { s.Update(a[0].Text, a[1].Text, a[1].Quoted); }); }},
      {"delete", "", 0, 0, "delete the current row", [](TShell& s, const TArgs&) { return Done([&] { s.DeleteRow(); }); }},
      {"commit", "", 0, 0, "commit the transaction", [](TShell& s, const TArgs&) { return Done([&] { s.Commit(); }); }},
      {"rollback", "", 0, 0, "roll the transaction back",
       [](TShell& s, const TArgs&) { return Done([&] { s.Rollback(); }); }},
      {"autocommit", "on|off", 1, 1, "commit after every statement, or not",
       [](TShell& s, const TArgs& a) { return Done([&] { s.SetAutoCommit(OnOff(a[0].Text, "autocommit")); }); }},
      {"blobout", "COLUMN FILE", 2, 2, "write a long value of the current row to a file",
       [](TShell& s, const TArgs& a) { return Done([&] { s.BlobOut(a[0].Text, a[1].Text); }); }},
      {"blobin", "TABLE COLUMN KEY FILE", 4, 4,
       "store a file into TABLE.COLUMN of the row whose key is KEY (KEY: VALUE of the first column, or NAME=VALUE)",
       [](TShell& s, const TArgs& a) { return Done([&] { s.BlobIn(a[0].Text, a[1].Text, a[2].Text, a[3].Text); }); }},
      {"backup", "DIR", 1, 1, "copy the database into the folder DIR, showing the progress",
       [](TShell& s, const TArgs& a) { return Done([&] { s.Backup(a[0].Text); }); }},
      {"ping", "", 0, 0, "ask whether the engine answers", [](TShell& s, const TArgs&) { return Done([&] { s.Ping(); }); }},
      {"messages", "on|off", 1, 1, "show the server's messages, or not",
       [](TShell& s, const TArgs& a) { return Done([&] { s.SetMessages(OnOff(a[0].Text, "messages")); }); }},
      {"help", "", 0, 0, "this list", [](TShell& s, const TArgs&) { return Done([&] { s.Print(HelpText()); }); }},
      {"quit", "", 0, 0, "leave (so does \\q or the end of the input)",
       [](TShell&, const TArgs&) { return TCommandResult::Quit; }},
  };
  return table;
}

}  // namespace

std::vector<TWord> CommandWords(const std::string& line) {
  std::vector<TWord> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    TWord word;
    if (line[i] == '"' || line[i] == '\'') {
      const char q = line[i++];
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == q) {
          closed = true;
          ++i;
          break;
        }
        word.Text += line[i++];
      }
      if (!closed) throw EUsage(std::string("missing closing ") + q + " in: " + line);
      word.Quoted = true;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word.Text += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

TCommandResult RunCommand(TShell& shell, const std::string& line) {
  std::vector<TWord> words = CommandWords(line);
  if (words.empty() || words[0].Text.size() < 2 || words[0].Text[0] != '\\') throw EUsage("not a command: " + line);
  std::string name = LowerCase(words[0].Text.substr(1));
  if (name == "q") name = "quit";
  if (name == "?" || name == "h") name = "help";
  TArgs args(words.begin() + 1, words.end());
  for (const TCommand& c : Commands()) {
    if (name != c.Name) continue;
    if (args.size() < c.MinArgs || args.size() > c.MaxArgs)
      throw EUsage(std::string("usage: \\") + c.Name + (*c.Arguments ? " " : "") + c.Arguments);
    return c.Run(shell, args);
  }
  throw EUsage("unknown command \\" + words[0].Text.substr(1) + " (\\help lists the commands)");
}

std::string HelpText() {
  std::string text = "Statements end with ';' at the end of a line, or with a line 'go'.\nCommands:\n";
  for (const TCommand& c : Commands()) {
    std::string head = std::string("  \\") + c.Name + (*c.Arguments ? " " : "") + c.Arguments;
    if (head.size() < 28) head.append(28 - head.size(), ' ');
    else head += "  ";
    text += head + c.Help + "\n";
  }
  text += "Ctrl-C cancels a running statement.\n";
  return text;
}

}  // namespace orvisql
