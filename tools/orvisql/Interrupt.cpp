// The SIGINT handler and the watcher thread that calls the session's Stop.
#include "Interrupt.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "AsaSession.h"

namespace orvisql {

namespace {

int WakePipe[2] = {-1, -1};
std::atomic<bool> Pressed{false};
std::atomic<bool> RequestRunning{false};
std::atomic<bool> ExitWhenIdle{false};
constexpr char WakeByte = 'i';
constexpr char QuitByte = 'q';

extern "C" void OnInterrupt(int) {
  int saved = errno;
  if (ExitWhenIdle.load() && !RequestRunning.load()) _exit(130);
  Pressed.store(true);
  char b = WakeByte;
  ssize_t ignored = write(WakePipe[1], &b, 1);
  (void)ignored;
  errno = saved;
}

}  // namespace

TInterruptWatcher::TInterruptWatcher(TAsaSession& session, bool interactive) : FSession(session) {
  if (pipe(WakePipe) != 0) return;
  fcntl(WakePipe[1], F_SETFL, O_NONBLOCK);
  fcntl(WakePipe[0], F_SETFD, FD_CLOEXEC);
  fcntl(WakePipe[1], F_SETFD, FD_CLOEXEC);
  ExitWhenIdle = !interactive;
  // The watcher never takes the signal, so that it interrupts the main
  // thread's reads (the prompt, the pager).
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  FThread = std::thread([this] { Watch(); });
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no restart: a blocked read returns
  sigaction(SIGINT, &sa, nullptr);
}

TInterruptWatcher::~TInterruptWatcher() {
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  sigaction(SIGINT, &sa, nullptr);
  if (FThread.joinable()) {
    char b = QuitByte;
    ssize_t ignored = write(WakePipe[1], &b, 1);
    (void)ignored;
    FThread.join();
  }
  for (int& fd : WakePipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

void TInterruptWatcher::Watch() {
  for (;;) {
    char b = 0;
    ssize_t n = read(WakePipe[0], &b, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || b == QuitByte) return;
    // Keep cancelling until the request ends: the first cancel may come
    // before the request reached the server or between two of its steps.
    while (RequestRunning.load()) {
      try {
        FSession.Stop();
      } catch (...) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

TInterruptWatcher::TRequest::TRequest(TInterruptWatcher& watcher) : FWatcher(watcher) {
  (void)FWatcher;
  RequestRunning = true;
}

TInterruptWatcher::TRequest::~TRequest() { RequestRunning = false; }

bool TInterruptWatcher::TakeInterrupt() { return Pressed.exchange(false); }

bool TInterruptWatcher::Interrupted() { return Pressed.load(); }

}  // namespace orvisql
