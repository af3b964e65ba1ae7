// The process's current folder: reading and changing it, and a guard that
// changes it for a while and puts the old one back.
#pragma once

#include <string>

// The current folder without a trailing '/' (except for the root itself);
// empty when the system cannot tell it (the last OS error says why).
std::string GetCurrentDir();

// Makes the folder current; false (with the last OS error set) when it does
// not exist, is no folder, or may not be entered.
bool SetCurrentDir(const std::string& dir);

// Remembers the current folder when constructed and makes it current again
// when destroyed (or on Restore). The folder is held open rather than by name,
// so it is found again even if it was renamed meanwhile. The current folder
// belongs to the whole process: while a guard is active, other threads see
// the changed folder too.
class TCurrentDirGuard {
public:
  TCurrentDirGuard();
  ~TCurrentDirGuard();
  TCurrentDirGuard(const TCurrentDirGuard&) = delete;
  TCurrentDirGuard& operator=(const TCurrentDirGuard&) = delete;

  // SetCurrentDir(dir); the remembered folder stays the one to return to.
  bool Change(const std::string& dir);
  // Returns to the remembered folder now; false (last OS error set) when that
  // fails. Later calls, and the destructor, do nothing (later calls repeat
  // the first result).
  bool Restore();

private:
  int FSavedDir = -1;      // open descriptor of the remembered folder
  std::string FSavedPath;  // its name, used when it could not be opened
  bool FRestored = false;
  bool FRestoreResult = false;
};
