// The framework's modal message boxes through a replaceable UI back end.
#include <gtest/gtest.h>

#include "Dialogs.h"
#include "MessageBox.h"
#include "SysExceptions.h"

namespace {

class ScriptedBackEnd : public TUIBackEnd {
public:
  explicit ScriptedBackEnd(int answer) : Answer(answer) {}
  int Show(const TMessageBoxRequest& request) override {
    Last = request;
    ++Shown;
    return Answer;
  }
  int Answer;
  int Shown = 0;
  TMessageBoxRequest Last;
};

class MessageBoxTest : public ::testing::Test {
protected:
  void Install(ScriptedBackEnd& b) { previous = SetUIBackEnd(&b); }
  ~MessageBoxTest() override { SetUIBackEnd(previous); }
  TUIBackEnd* previous = nullptr;
};

TEST_F(MessageBoxTest, HandsTheBoxToTheBackEndAndReturnsItsAnswer) {
  ScriptedBackEnd backEnd(IDNO);
  Install(backEnd);
  EXPECT_EQ(MessageBox("Delete?", "Confirm", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(backEnd.Last.Text, "Delete?");
  EXPECT_EQ(backEnd.Last.Caption, "Confirm");
  EXPECT_EQ(backEnd.Last.Flags, uint32_t(MB_YESNO | MB_ICONQUESTION));
}

TEST_F(MessageBoxTest, RefusesUnknownFlagsAndAnswersOutsideTheSet) {
  ScriptedBackEnd backEnd(IDYES);
  Install(backEnd);
  EXPECT_THROW(MessageBox("x", "c", 0x0009), EInvalidOperation);
  EXPECT_THROW(MessageBox("x", "c", MB_OK | 0x0050), EInvalidOperation);
  EXPECT_EQ(backEnd.Shown, 0);
  EXPECT_THROW(MessageBox("x", "c", MB_OK), EInvalidOperation);  // "Yes" is not on an OK box
}

TEST_F(MessageBoxTest, ConsoleBackEndAnswersTheFirstButton) {
  SetUIBackEnd(nullptr);
  struct Case {
    uint32_t Flags;
    int Answer;
  } cases[] = {{MB_OK, IDOK}, {MB_OKCANCEL, IDOK}, {MB_YESNOCANCEL, IDYES},
               {MB_ABORTRETRYIGNORE, IDABORT}, {MB_RETRYCANCEL, IDRETRY}};
  for (const Case& c : cases) EXPECT_EQ(MessageBox("text", "caption", c.Flags | MB_ICONERROR), c.Answer);
}

TEST_F(MessageBoxTest, MessageDlgChoosesIconCaptionAndButtons) {
  ScriptedBackEnd backEnd(IDOK);
  Install(backEnd);
  EXPECT_EQ(MessageDlg("Broken", mtError, mbOKOnly), mrOk);
  EXPECT_EQ(backEnd.Last.Caption, "Error");
  EXPECT_EQ(backEnd.Last.Flags, uint32_t(MB_ICONERROR | MB_OK));
  backEnd.Answer = IDCANCEL;
  EXPECT_EQ(MessageDlg("Sure?", mtConfirmation, mbOKCancel), mrCancel);
  EXPECT_EQ(backEnd.Last.Flags, uint32_t(MB_ICONQUESTION | MB_OKCANCEL));
  EXPECT_THROW(MessageDlg("x", mtInformation, MsgDlgButton(mbYes) | MsgDlgButton(mbOK)), EInvalidOperation);
}

}  // namespace
