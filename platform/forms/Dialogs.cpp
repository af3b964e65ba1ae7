// MessageDlg over MessageBox: the dialog kind chooses icon and caption, the
// button set maps onto one of the message box's sets.
#include "Dialogs.h"

#include "SysExceptions.h"

TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons,
                        int /*helpContext*/) {
  uint32_t flags = 0;
  std::string caption;
  switch (type) {
    case mtWarning: flags = MB_ICONWARNING; caption = "Warning"; break;
    case mtError: flags = MB_ICONERROR; caption = "Error"; break;
    case mtInformation: flags = MB_ICONINFORMATION; caption = "Information"; break;
    case mtConfirmation: flags = MB_ICONQUESTION; caption = "Confirm"; break;
    case mtCustom: break;
    default: throw EInvalidOperation("Invalid dialog type " + std::to_string(int(type)));
  }
  if (buttons == mbOKOnly) flags |= MB_OK;
  else if (buttons == mbOKCancel) flags |= MB_OKCANCEL;
  else if (buttons == mbYesNo) flags |= MB_YESNO;
  else if (buttons == mbYesNoCancel) flags |= MB_YESNOCANCEL;
  else if (buttons == mbAbortRetryIgnore) flags |= MB_ABORTRETRYIGNORE;
  else if (buttons == mbRetryCancel) flags |= MB_RETRYCANCEL;
  else throw EInvalidOperation("Unsupported set of dialog buttons (" + std::to_string(buttons) + ")");
  // The modal results are the message box's answers.
  return MessageBox(message, caption, flags);
}
