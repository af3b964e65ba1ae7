// Where orvisql's input lines come from: a terminal through the line editor
// (editing keys, history kept across runs), or a file or pipe read plainly.
#pragma once

#include <memory>
#include <string>

namespace orvisql {

class TLineSource {
public:
  enum TResult { Line, EndOfInput, Interrupted };
  virtual ~TLineSource() = default;
  virtual TResult Read(const std::string& prompt, std::string& line) = 0;
  // A line worth keeping in the history (the editor keeps it).
  virtual void Remember(const std::string&) {}
};

// The line editor on standard input; history in historyFile when not empty.
std::unique_ptr<TLineSource> NewEditorSource(const std::string& historyFile);
// Plain lines from a descriptor (standard input or an opened script).
std::unique_ptr<TLineSource> NewPlainSource(int fd, bool ownsFd);

}  // namespace orvisql
