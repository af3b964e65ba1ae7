// Modal message boxes: the framework's MessageBox and MessageDlg, handed to a
// replaceable UI back end that shows the box and answers with the button chosen.
#pragma once

#include <cstdint>
#include <string>

// MessageBox flags: one button set, optionally combined with one icon.
enum : uint32_t {
  MB_OK = 0x0000,
  MB_OKCANCEL = 0x0001,
  MB_ABORTRETRYIGNORE = 0x0002,
  MB_YESNOCANCEL = 0x0003,
  MB_YESNO = 0x0004,
  MB_RETRYCANCEL = 0x0005,
  MB_TYPEMASK = 0x000F,
  MB_ICONHAND = 0x0010,
  MB_ICONSTOP = MB_ICONHAND,
  MB_ICONERROR = MB_ICONHAND,
  MB_ICONQUESTION = 0x0020,
  MB_ICONEXCLAMATION = 0x0030,
  MB_ICONWARNING = MB_ICONEXCLAMATION,
  MB_ICONASTERISK = 0x0040,
  MB_ICONINFORMATION = MB_ICONASTERISK,
  MB_ICONMASK = 0x00F0,
};

// The button a box was closed with.
enum : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDABORT = 3,
  IDRETRY = 4,
  IDIGNORE = 5,
  IDYES = 6,
  IDNO = 7,
};

// One box as the back end receives it.
struct TMessageBoxRequest {
  std::string Text;
  std::string Caption;
  uint32_t Flags = MB_OK;
};

// Shows boxes for the process. Show returns one of the ID... values of the
// request's button set.
class TUIBackEnd {
public:
  virtual ~TUIBackEnd() = default;
  virtual int Show(const TMessageBoxRequest& request) = 0;
};

// The back end in use; never null. Until one is installed it is the console back
// end, which writes the box to stderr and answers with the first button of the set.
TUIBackEnd& UIBackEnd();
// Installs a back end (null restores the console one) and returns the one it
// replaces, so that a caller can put it back. The caller keeps ownership.
TUIBackEnd* SetUIBackEnd(TUIBackEnd* backEnd);

// The first button of a button set: what a box answers when nobody chooses.
int DefaultMessageBoxResult(uint32_t flags);

// Shows a modal box and returns the button it was closed with. Raises
// EInvalidOperation for a button set or icon the framework does not know, or
// when the back end answers with a button that is not in the set.
int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
