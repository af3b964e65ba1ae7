// Line-by-line statement assembly: quotes, comments, ';' at line end and "go".
#include "StatementReader.h"

#include <cctype>

namespace orvisql {

namespace {

std::string Trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

bool IsGo(const std::string& trimmed) {
  return trimmed.size() == 2 && std::tolower(static_cast<unsigned char>(trimmed[0])) == 'g' &&
         std::tolower(static_cast<unsigned char>(trimmed[1])) == 'o';
}

}  // namespace

std::vector<TInputItem> TStatementReader::AddLine(const std::string& raw) {
  ++FLine;
  std::vector<TInputItem> out;
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::string trimmed = Trimmed(line);

  if (FState == Plain || FState == BlockComment) {
    // A backslash command is one line of its own, also in the middle of a
    // statement, which keeps waiting for its end.
    if (FState == Plain && !trimmed.empty() && trimmed[0] == '\\') {
      out.push_back({TInputItem::Command, trimmed, FLine});
      return out;
    }
    if (FState == Plain && IsGo(trimmed)) {
      Split(true, out);
      return out;
    }
  }
  if (FText.empty() && trimmed.empty() && FState == Plain) return out;
  if (FText.empty()) FStartLine = FLine;

  // Where the line's last significant character lies outside quotes and
  // comments decides whether it closes the statement.
  bool closes = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    char next = i + 1 < line.size() ? line[i + 1] : '\0';
    switch (FState) {
      case Plain:
        if (c == '\'') {
          FState = SingleQuote;
          closes = false;
        } else if (c == '"') {
          FState = DoubleQuote;
          closes = false;
        } else if (c == '-' && next == '-') {
          i = line.size();  // the rest of the line is a comment
        } else if (c == '/' && next == '*') {
          FState = BlockComment;
          ++i;
        } else if (c == ';') {
          closes = true;
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
          closes = false;
        }
        break;
      case SingleQuote:
        if (c == '\'') FState = Plain;  // a doubled quote reopens at once
        break;
      case DoubleQuote:
        if (c == '"') FState = Plain;
        break;
      case BlockComment:
        if (c == '*' && next == '/') {
          FState = Plain;
          ++i;
        }
        break;
    }
  }
  if (!FText.empty()) FText += '\n';
  FText += line;
  if (closes && FState == Plain) Split(false, out);
  return out;
}

void TStatementReader::Split(bool whole, std::vector<TInputItem>& out) {
  std::string text;
  text.swap(FText);
  const int line = FStartLine;
  FState = Plain;
  // Comments are left out of what is sent; a piece of comments only is none.
  std::string piece;
  auto emit = [&] {
    std::string t = Trimmed(piece);
    if (!t.empty()) out.push_back({TInputItem::Statement, t, line});
    piece.clear();
  };
  TState state = Plain;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (state) {
      case Plain:
        if (c == '-' && next == '-') {
          while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
          piece += ' ';
          continue;
        }
        if (c == '/' && next == '*') {
          state = BlockComment;
          ++i;
          piece += ' ';
          continue;
        }
        if (c == ';' && !whole) {
          emit();
          continue;
        }
        if (c == '\'') state = SingleQuote;
        else if (c == '"') state = DoubleQuote;
        break;
      case SingleQuote:
        if (c == '\'') state = Plain;
        break;
      case DoubleQuote:
        if (c == '"') state = Plain;
        break;
      case BlockComment:
        if (c == '*' && next == '/') {
          state = Plain;
          ++i;
        }
        continue;
    }
    piece += c;
  }
  emit();
}

std::vector<TInputItem> TStatementReader::Finish() {
  std::vector<TInputItem> out;
  if (!Trimmed(FText).empty()) Split(true, out);
  Discard();
  return out;
}

void TStatementReader::Discard() {
  FText.clear();
  FState = Plain;
}

}  // namespace orvisql
