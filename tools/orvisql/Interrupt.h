// Ctrl-C in orvisql: the signal handler only records the press and wakes a
// watcher thread; the watcher cancels the request running on the session
// through its Stop (again and again until that request has ended, since a
// cancel can land between two steps of a statement). At the prompt or in the
// pager the press cancels the line or the listing instead.
#pragma once

#include <atomic>
#include <thread>

class TAsaSession;

namespace orvisql {

class TInterruptWatcher {
public:
  // Installs the handler. Without interactive input a press while no
  // request runs ends the program, as it would without the handler.
  TInterruptWatcher(TAsaSession& session, bool interactive);
  ~TInterruptWatcher();
  TInterruptWatcher(const TInterruptWatcher&) = delete;
  TInterruptWatcher& operator=(const TInterruptWatcher&) = delete;

  // Marks the span of a request that a press cancels.
  class TRequest {
  public:
    explicit TRequest(TInterruptWatcher& watcher);
    ~TRequest();
    TRequest(const TRequest&) = delete;
    TRequest& operator=(const TRequest&) = delete;

  private:
    TInterruptWatcher& FWatcher;
  };

  // Whether a press came since the last call; clears it.
  static bool TakeInterrupt();
  // Whether a press is waiting, without clearing it.
  static bool Interrupted();

private:
  void Watch();
  TAsaSession& FSession;
  std::thread FThread;
};

}  // namespace orvisql
