// Paging on a terminal: the page height from the terminal, one key read in
// non-canonical mode between pages.
#include "Pager.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

namespace orvisql {

TPager::TPager(bool paging) : FPaging(paging && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {}

void TPager::Write(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

int TPager::PageRows() const {
  if (!FPaging) return 0;
  winsize ws{};
  int rows = 24;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0) rows = ws.ws_row;
  // The header's two lines and the prompt's line.
  return rows > 8 ? rows - 3 : 5;
}

bool TPager::More() {
  const char prompt[] = "-- more -- (Enter or space: next page, q: stop)";
  Write(prompt);
  termios saved{};
  bool raw = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (raw) {
    termios t = saved;
    t.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &t);
  }
  char c = 0;
  ssize_t n = read(STDIN_FILENO, &c, 1);
  if (raw) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  // The prompt is wiped so that the next page follows without it.
  Write("\r\033[K");
  if (n <= 0) return false;  // end of input, or Ctrl-C
  return c != 'q' && c != 'Q' && c != 0x1b;
}

bool OutputIsTerminal() { return isatty(STDOUT_FILENO); }

}  // namespace orvisql
