// The session frame: library reference counting, connection and transaction
// state, statement list, last error and text conversion.
#include "OrvSession.h"

#include "LibrarySearch.h"

#include <algorithm>
#include <cstring>

#include "AnsiStrings.h"
#include "CodePages.h"
#include "Dialogs.h"
#include "Format.h"
#include "MessageBox.h"
#include "OrvMessages.h"
#include "OrvRoutines.h"
#include "OrvSQL.h"
#include "OrvTypes.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TOrvaneSession)

TOrvaneSession::TOrvaneSession(TComponent* owner) : TComponent(owner) {}

TOrvaneSession::~TOrvaneSession() {
  if (!FDestructionDone) {
    // The driver did not run the destruction steps: its overrides are gone by
    // now, so only the frame's own part can be done. Statements must not keep
    // a pointer to this session in any case.
    FDestructionDone = true;
    while (!Queries.empty()) RemoveQuery(Queries.back());
  }
}

void TOrvaneSession::BeforeDestruction() {
  if (FDestructionDone) return;
  FDestructionDone = true;
  // A destructor cannot pass an error on: a failing disconnect must not keep
  // the library reference from being released.
  try {
    SetConnected(false);
  } catch (...) {
  }
  if (LibraryLoaded) {
    try {
      SetLibraryLoaded(false);
      SetLibraryReferenceCount(GetLibraryReferenceCount() - 1);
      if (GetLibraryReferenceCount() == 0) InternalUnLoadLibrary();
    } catch (...) {
    }
  }
  while (!Queries.empty()) RemoveQuery(Queries.back());
}

int TOrvaneSession::GetLibraryReferenceCount() { return 0; }

void TOrvaneSession::SetLibraryReferenceCount(int /*count*/) {}

void TOrvaneSession::InternalLibraryHandleNeeded() {
  if (LibraryLoaded) return;
  if (GetLibraryReferenceCount() == 0) {
    InternalLoadLibrary();
    InternalLoadProcs();
  }
  SetLibraryReferenceCount(GetLibraryReferenceCount() + 1);
  SetLibraryLoaded(true);
}

void TOrvaneSession::SetConnected(bool value) {
  TComponentState state = ComponentState();
  if (state.Contains(csReading)) {
    StreamedConnected = value;
    return;
  }
  if (value != FConnected) InTransaction = false;
  FConnected = value;
}

void TOrvaneSession::SetLibraryLoaded(bool value) { LibraryLoaded = value; }

bool TOrvaneSession::Execute(const std::string& /*text*/) { return false; }

bool TOrvaneSession::Ping(const char* /*connectionParameters*/) { return false; }

void TOrvaneSession::Loaded() {
  TComponent::Loaded();
  if (!StreamedConnected) return;
  try {
    SetConnected(true);
  } catch (const std::exception& e) {
    if (!ComponentState().Contains(csDesigning)) throw;
    MessageBox(e.what(), szOrvaneLibraryName, MB_ICONERROR | MB_OK);
  }
}

void TOrvaneSession::AddQuery(TOrvaneSQL* statement) {
  if (statement == nullptr) return;
  // A statement is listed by one session only, and once: a list entry
  // left behind would outlive the statement.
  if (statement->FSession != nullptr) statement->FSession->RemoveQuery(statement);
  Queries.push_back(statement);
  statement->FSession = this;
}

void TOrvaneSession::RemoveQuery(TOrvaneSQL* statement) {
  if (statement == nullptr) return;
  // Only this session's own link is cleared; another session keeps its statement.
  if (statement->FSession == this) statement->FSession = nullptr;
  auto it = std::find(Queries.begin(), Queries.end(), statement);
  if (it != Queries.end()) Queries.erase(it);
}

void TOrvaneSession::InternalCloseQueries() {
  // Index loop: a driver step may attach or detach statements on the way.
  for (size_t i = 0; i < Queries.size(); ++i) {
    TOrvaneSQL* statement = Queries[i];
    statement->UnprepareOpen();
    statement->UnprepareExecute();
  }
}

std::string TOrvaneSession::GetLibraryVersion() {
  InternalLibraryHandleNeeded();
  uint16_t major = 0, minor = 0, release = 0, build = 0;
  // The driver may have loaded the file under this platform's form of the
  // name ("dblib6.dll" -> "libdblib6.so"); read the version of that one.
  for (const std::string& name : PlatformLibraryNames(FLibraryFile))
    if (OrvGetProductVersion(LibraryDirectory + name, major, minor, release, build)) break;
  return Format("%d.%d.%d.%d", int(major), int(minor), int(release), int(build));
}

void TOrvaneSession::StartTransaction() {
  if (InTransaction) RaiseLastError(ORVANE_ERR_SESS_TRANS_ACTIVE.Load(), 0);
  InternalCommit();
  InTransaction = true;
}

void TOrvaneSession::Commit() {
  InternalCommit();
  InTransaction = false;
}

void TOrvaneSession::Rollback() {
  InternalRollback();
  InTransaction = false;
}

void TOrvaneSession::TranslateChar(const char* source, char* destination, int length, bool toOem) {
  if (!FOEMConvert || length <= 0 || source == nullptr || destination == nullptr) return;
  if (toOem)
    CharToOemBuff(source, destination, static_cast<size_t>(length));
  else
    OemToCharBuff(source, destination, static_cast<size_t>(length));
}

bool TOrvaneSession::TranslateLICompChar(const char* first, const char* second, unsigned maxLength) {
  if (!FOEMConvert) return AnsiStrLIComp(first, second, maxLength) == 0;
  // Copies of at most maxLength characters each; sized by the text, not by
  // maxLength, so that a large bound does not allocate what is never used.
  auto ansiCopy = [maxLength](const char* text) {
    size_t n = text == nullptr ? 0 : strnlen(text, maxLength);
    std::string copy(n + 1, '\0');
    OemToCharBuff(text != nullptr ? text : "", copy.data(), n);
    return copy;
  };
  std::string a = ansiCopy(first);
  std::string b = ansiCopy(second);
  return AnsiStrLIComp(a.c_str(), b.c_str(), maxLength) == 0;
}
