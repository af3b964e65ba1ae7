// orvisql's output: text to standard output and, when a person reads it on a
// terminal, a page at a time with a prompt between pages.
#pragma once

#include <string>

namespace orvisql {

class TPager {
public:
  // Pages only when paging is asked and both standard input and output are
  // terminals.
  explicit TPager(bool paging);

  void Write(const std::string& text);
  // Rows of a table that fit one page (header and prompt lines left out);
  // 0 when not paging.
  int PageRows() const;
  bool Paging() const { return FPaging; }
  // Between two pages: waits for a key. False when the reader asked to stop
  // (q, or Ctrl-C).
  bool More();

private:
  bool FPaging;
};

// Whether standard output is a terminal (progress bars redraw in place).
bool OutputIsTerminal();

}  // namespace orvisql
