// Message boxes through the process-wide UI back end, and the console back end
// that serves when no other is installed.
#include "MessageBox.h"

#include <cstdio>

#include "SysExceptions.h"

namespace {

const char* ButtonText(int id) {
  switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
  }
  return "?";
}

const char* IconText(uint32_t flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONWARNING: return "warning";
    case MB_ICONINFORMATION: return "information";
  }
  return nullptr;
}

// The buttons of a set, in the order the box shows them; 0 ends the list.
const int* ButtonsOf(uint32_t flags) {
  static const int ok[] = {IDOK, 0};
  static const int okCancel[] = {IDOK, IDCANCEL, 0};
  static const int abortRetryIgnore[] = {IDABORT, IDRETRY, IDIGNORE, 0};
  static const int yesNoCancel[] = {IDYES, IDNO, IDCANCEL, 0};
  static const int yesNo[] = {IDYES, IDNO, 0};
  static const int retryCancel[] = {IDRETRY, IDCANCEL, 0};
  switch (flags & MB_TYPEMASK) {
    case MB_OK: return ok;
    case MB_OKCANCEL: return okCancel;
    case MB_ABORTRETRYIGNORE: return abortRetryIgnore;
    case MB_YESNOCANCEL: return yesNoCancel;
    case MB_YESNO: return yesNo;
    case MB_RETRYCANCEL: return retryCancel;
  }
  return nullptr;
}

bool KnownFlags(uint32_t flags) {
  if (ButtonsOf(flags) == nullptr) return false;
  if ((flags & MB_ICONMASK) != 0 && IconText(flags) == nullptr) return false;
  return (flags & ~(MB_TYPEMASK | MB_ICONMASK)) == 0;
}

// Nobody is there to click: the box is written where a person running the
// program sees it, and it closes with its first button.
class TConsoleBackEnd final : public TUIBackEnd {
public:
  int Show(const TMessageBoxRequest& request) override {
    const char* icon = IconText(request.Flags);
    std::string line = "[" + request.Caption + "]";
    if (icon != nullptr) line += std::string(" (") + icon + ")";
    line += " " + request.Text;
    int answer = DefaultMessageBoxResult(request.Flags);
    line += std::string(" -> ") + ButtonText(answer) + "\n";
    std::fputs(line.c_str(), stderr);
    return answer;
  }
};

TConsoleBackEnd& ConsoleBackEnd() {
  static TConsoleBackEnd backEnd;
  return backEnd;
}

TUIBackEnd* CurrentBackEnd = nullptr;

}  // namespace

TUIBackEnd& UIBackEnd() { return CurrentBackEnd != nullptr ? *CurrentBackEnd : ConsoleBackEnd(); }

TUIBackEnd* SetUIBackEnd(TUIBackEnd* backEnd) {
  TUIBackEnd* previous = CurrentBackEnd;
  CurrentBackEnd = backEnd;
  return previous;
}

int DefaultMessageBoxResult(uint32_t flags) {
  const int* buttons = ButtonsOf(flags);
  return buttons != nullptr ? buttons[0] : IDOK;
}

int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  if (!KnownFlags(flags)) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(flags));
    throw EInvalidOperation(std::string("Invalid message box flags $") + hex);
  }
  int answer = UIBackEnd().Show(TMessageBoxRequest{text, caption, flags});
  for (const int* b = ButtonsOf(flags); *b != 0; ++b)
    if (*b == answer) return answer;
  throw EInvalidOperation("The message box was closed with button " + std::to_string(answer) +
                          ", which it does not show");
}
