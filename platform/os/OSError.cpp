// The thread's last operating-system error and the texts for error codes.
#include "OSError.h"

#include <cstring>
#include <utility>

namespace {

struct TLastOSError {
  int Code = 0;
  std::string LoaderText;
};

thread_local TLastOSError LastError;

// strerror is not thread-safe; the two strerror_r variants return differently.
[[maybe_unused]] const char* ErrorText(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* ErrorText(const char* result, const char*) { return result; }

}  // namespace

int GetLastOSError() noexcept { return LastError.Code; }

void SetLastOSError(int code) noexcept {
  LastError.Code = code;
  LastError.LoaderText.clear();
}

void SetLastOSError(int code, std::string loaderText) {
  LastError.Code = code;
  LastError.LoaderText = std::move(loaderText);
}

std::string SysErrorMessage(int code) {
  if (code == OS_ERROR_LIBRARY_LOAD || code == OS_ERROR_SYMBOL_NOT_FOUND) {
    if (code == LastError.Code && !LastError.LoaderText.empty()) return LastError.LoaderText;
    return code == OS_ERROR_LIBRARY_LOAD ? "The library could not be loaded"
                                         : "The symbol was not found in the library";
  }
  char buffer[256] = {};
  const char* text = ErrorText(strerror_r(code, buffer, sizeof buffer), buffer);
  if (text == nullptr || *text == '\0') return "Unknown error " + std::to_string(code);
  return text;
}

std::string LastOSErrorMessage() { return SysErrorMessage(GetLastOSError()); }
