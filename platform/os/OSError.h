// The operating system's last error of the calling thread, and its text: the
// platform calls below record their failures here, the way the system's own
// calls set the thread's last error code.
#pragma once

#include <string>

// Codes above the errno range for failures that the dynamic loader reports
// only as text (its own message is kept and returned by SysErrorMessage).
inline constexpr int OS_ERROR_LIBRARY_LOAD = 0x10001;
inline constexpr int OS_ERROR_SYMBOL_NOT_FOUND = 0x10002;

// The last error code this thread's platform calls recorded; 0 when none.
// A successful call leaves it as it was, like the system's own last error.
int GetLastOSError() noexcept;

// Records an error code (an errno value or one of the codes above) and
// forgets any loader text recorded before.
void SetLastOSError(int code) noexcept;

// Records a loader failure together with the loader's own text.
void SetLastOSError(int code, std::string loaderText);

// The system's text for an error code: strerror's text for errno values; for a
// loader code, the loader's text when that code is this thread's last error.
std::string SysErrorMessage(int code);

// SysErrorMessage(GetLastOSError()).
std::string LastOSErrorMessage();
