// The two line sources: libedit on a terminal, plain reads elsewhere.
#include "LineSource.h"

#include <histedit.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "Interrupt.h"

namespace orvisql {

namespace {

class TPlainSource : public TLineSource {
public:
  TPlainSource(int fd, bool owns) : FFd(fd), FOwns(owns) {}
  ~TPlainSource() override {
    if (FOwns) close(FFd);
  }
  TResult Read(const std::string&, std::string& line) override {
    line.clear();
    for (;;) {
      size_t nl = FBuffer.find('\n', FScan);
      if (nl != std::string::npos) {
        line = FBuffer.substr(0, nl);
        FBuffer.erase(0, nl + 1);
        FScan = 0;
        return Line;
      }
      FScan = FBuffer.size();
      if (FEnd) {
        if (FBuffer.empty()) return EndOfInput;
        line.swap(FBuffer);
        FScan = 0;
        return Line;
      }
      char chunk[4096];
      ssize_t n = read(FFd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) {
        if (TInterruptWatcher::TakeInterrupt()) return Interrupted;
        continue;
      }
      if (n <= 0) FEnd = true;
      else FBuffer.append(chunk, static_cast<size_t>(n));
    }
  }

private:
  int FFd;
  bool FOwns;
  std::string FBuffer;
  size_t FScan = 0;
  bool FEnd = false;
};

// The prompt callback has no argument of ours; one editor runs at a time.
std::string CurrentPrompt;
extern "C" char* PromptOf(EditLine*) { return CurrentPrompt.data(); }

// Reads a key for the editor; a Ctrl-C press ends the read so that the line
// can be dropped (the editor itself would read on).
extern "C" int ReadKey(EditLine*, wchar_t* c) {
  for (;;) {
    unsigned char b = 0;
    ssize_t n = read(STDIN_FILENO, &b, 1);
    if (n == 1) {
      *c = static_cast<wchar_t>(b);
      return 1;
    }
    if (n < 0 && errno == EINTR) {
      if (TInterruptWatcher::Interrupted()) {
        *c = 0;
        return -1;
      }
      continue;
    }
    *c = 0;
    return n == 0 ? 0 : -1;
  }
}

class TEditorSource : public TLineSource {
public:
  explicit TEditorSource(const std::string& historyFile) : FHistoryFile(historyFile) {
    FEditor = el_init("orvisql", stdin, stdout, stderr);
    FHistory = history_init();
    HistEvent ev;
    history(FHistory, &ev, H_SETSIZE, 1000);
    history(FHistory, &ev, H_SETUNIQUE, 1);
    if (!FHistoryFile.empty()) history(FHistory, &ev, H_LOAD, FHistoryFile.c_str());
    el_set(FEditor, EL_EDITOR, "emacs");
    el_set(FEditor, EL_PROMPT, PromptOf);
    el_set(FEditor, EL_HIST, history, FHistory);
    el_wset(FEditor, EL_GETCFN, ReadKey);
    el_source(FEditor, nullptr);  // the user's own key bindings, if any
  }
  ~TEditorSource() override {
    HistEvent ev;
    if (!FHistoryFile.empty()) history(FHistory, &ev, H_SAVE, FHistoryFile.c_str());
    history_end(FHistory);
    el_end(FEditor);
  }
  TResult Read(const std::string& prompt, std::string& line) override {
    CurrentPrompt = prompt;
    TInterruptWatcher::TakeInterrupt();
    int count = 0;
    const char* text = el_gets(FEditor, &count);
    if (TInterruptWatcher::TakeInterrupt()) {
      el_reset(FEditor);
      std::fputs("\n", stdout);
      std::fflush(stdout);
      return Interrupted;
    }
    if (text == nullptr || count <= 0) return EndOfInput;
    line.assign(text, static_cast<size_t>(count));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return Line;
  }
  void Remember(const std::string& line) override {
    HistEvent ev;
    history(FHistory, &ev, H_ENTER, line.c_str());
  }

private:
  std::string FHistoryFile;
  EditLine* FEditor = nullptr;
  History* FHistory = nullptr;
};

}  // namespace

std::unique_ptr<TLineSource> NewEditorSource(const std::string& historyFile) {
  return std::make_unique<TEditorSource>(historyFile);
}

std::unique_ptr<TLineSource> NewPlainSource(int fd, bool ownsFd) {
  return std::make_unique<TPlainSource>(fd, ownsFd);
}

}  // namespace orvisql
