// The process's current folder and the guard that restores it.
#include "CurrentDir.h"

#include "OSError.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

std::string GetCurrentDir() {
  std::vector<char> buffer(256);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE || buffer.size() >= (1u << 20)) {
      SetLastOSError(errno);
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool SetCurrentDir(const std::string& dir) {
  if (dir.empty()) {
    SetLastOSError(ENOENT);
    return false;
  }
  if (::chdir(dir.c_str()) != 0) {
    SetLastOSError(errno);
    return false;
  }
  return true;
}

TCurrentDirGuard::TCurrentDirGuard() {
  FSavedDir = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (FSavedDir < 0) FSavedPath = GetCurrentDir();
}

TCurrentDirGuard::~TCurrentDirGuard() {
  // A destructor cannot report; a caller that must know uses Restore().
  Restore();
}

bool TCurrentDirGuard::Change(const std::string& dir) { return SetCurrentDir(dir); }

bool TCurrentDirGuard::Restore() {
  if (FRestored) return FRestoreResult;
  FRestored = true;
  bool ok;
  if (FSavedDir >= 0) {
    ok = ::fchdir(FSavedDir) == 0;
    if (!ok) SetLastOSError(errno);
    ::close(FSavedDir);
    FSavedDir = -1;
  } else {
    ok = SetCurrentDir(FSavedPath);
  }
  FRestoreResult = ok;
  return ok;
}
