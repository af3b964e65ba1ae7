// MessageDlg: a message box described by its kind and its buttons, captioned
// after its kind, as the framework's dialog unit offers it.
#pragma once

#include <cstdint>
#include <string>

#include "MessageBox.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };

// A set of buttons, one bit per TMsgDlgBtn.
using TMsgDlgButtons = uint32_t;
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn button) { return TMsgDlgButtons(1) << button; }
inline constexpr TMsgDlgButtons mbOKOnly = MsgDlgButton(mbOK);
inline constexpr TMsgDlgButtons mbOKCancel = MsgDlgButton(mbOK) | MsgDlgButton(mbCancel);
inline constexpr TMsgDlgButtons mbYesNo = MsgDlgButton(mbYes) | MsgDlgButton(mbNo);
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYesNo | MsgDlgButton(mbCancel);
inline constexpr TMsgDlgButtons mbAbortRetryIgnore =
    MsgDlgButton(mbAbort) | MsgDlgButton(mbRetry) | MsgDlgButton(mbIgnore);
inline constexpr TMsgDlgButtons mbRetryCancel = MsgDlgButton(mbRetry) | MsgDlgButton(mbCancel);

// The result of a modal dialog; the same numbers as the ID... answers of MessageBox.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = IDOK;
inline constexpr TModalResult mrCancel = IDCANCEL;
inline constexpr TModalResult mrAbort = IDABORT;
inline constexpr TModalResult mrRetry = IDRETRY;
inline constexpr TModalResult mrIgnore = IDIGNORE;
inline constexpr TModalResult mrYes = IDYES;
inline constexpr TModalResult mrNo = IDNO;

// Shows the message with the kind's icon and caption ("Warning", "Error",
// "Information", "Confirm"; none for mtCustom) and returns the button chosen.
// The buttons must form one of the sets above; any other set raises EInvalidOperation.
TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons,
                        int helpContext = 0);
