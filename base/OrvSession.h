// TOrvaneSession: the abstract connection component. It keeps the connection
// settings, state flags, last error and attached statements, loads the
// vendor library by reference count, and converts text between ANSI and OEM;
// every step that talks to the vendor library is a virtual slot of a driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Classes.h"
#include "OrvException.h"
#include "OrvNotify.h"

class TOrvaneSQL;

class TOrvaneSession : public TComponent {
  ORV_CLASS(TOrvaneSession, TComponent)
public:
  explicit TOrvaneSession(TComponent* owner);
  // Runs BeforeDestruction if the driver has not; see there.
  ~TOrvaneSession() override;

  // Members in declared order. The driver publishes AutoCommit, Connected,
  // LibraryFile, LibraryPath, the three login values, OEMConvert,
  // WantExceptions and the six events; the others stay internal.
  std::vector<TOrvaneSQL*> Queries;  // attached statements, in attachment order
  bool FAutoCommit = false;
  bool InTransaction = false;
  bool FConnected = false;
  std::string FLibraryFile;
  std::string FLibraryPath;
  std::string FLoginDatabase;
  std::string FLoginUser;
  std::string FLoginPassword;
  bool FOEMConvert = false;
  bool StreamedConnected = false;
  std::string LastError;
  int32_t LastErrorCode = 0;
  TNotifyEvent AfterConnect;
  TNotifyEvent BeforeConnect;
  TNotifyEvent AfterDisconnect;
  TNotifyEvent BeforeDisconnect;
  TNotifyEvent OnError;
  TNotifyEvent OnConnectionTerminated;
  bool LibraryLoaded = false;
  std::string LibraryDirectory;  // with a trailing separator; empty while not loaded
  bool FWantExceptions = false;

  // Virtual operations in slot order.
  virtual int GetLibraryReferenceCount();                 // 1
  virtual void SetLibraryReferenceCount(int count);       // 2
  virtual void InternalLibraryHandleNeeded();             // 3
  virtual void InternalLoadLibrary() = 0;                 // 4
  virtual void InternalUnLoadLibrary() = 0;               // 5
  virtual void InternalLoadProcs() = 0;                   // 6
  virtual void InternalUnloadLoadProcs() = 0;             // 7
  virtual void SetConnected(bool value);                  // 8
  virtual void SetLibraryLoaded(bool value);              // 9
  // Inspects the result of the last vendor call, records LastError and
  // LastErrorCode and raises when asked. The three leading arguments are the
  // driver's; every caller in the frame passes null, 0 and 0.
  virtual bool Check(void* context, int code, int extra, bool raiseOnError) = 0;  // 10
  virtual void InternalCommit() = 0;                      // 11
  virtual void InternalRollback() = 0;                    // 12
  virtual bool Execute(const std::string& text);          // 13
  virtual bool Ping(const char* connectionParameters);    // 14
  virtual bool Stop() = 0;                                // 15

  // The frame's destruction steps: disconnect, release this session's
  // reference on the library (unloading it with the last one), detach the
  // statements. They call driver overrides, which C++ no longer reaches from
  // this class's destructor, so every driver calls this first in its own
  // destructor. It runs once; later calls do nothing. Errors of the driver
  // steps are ignored, as releasing ignores its outcome.
  void BeforeDestruction();

  void Loaded() override;

  // Published accessors (the driver's property table lists them).
  bool AutoCommit() const { return FAutoCommit; }
  void SetAutoCommit(bool value) { FAutoCommit = value; }
  bool Connected() const { return FConnected; }
  const std::string& LibraryFile() const { return FLibraryFile; }
  void SetLibraryFile(const std::string& value) { FLibraryFile = value; }
  const std::string& LibraryPath() const { return FLibraryPath; }
  void SetLibraryPath(const std::string& value) { FLibraryPath = value; }
  const std::string& LoginDatabase() const { return FLoginDatabase; }
  void SetLoginDatabase(const std::string& value) { FLoginDatabase = value; }
  const std::string& LoginUser() const { return FLoginUser; }
  void SetLoginUser(const std::string& value) { FLoginUser = value; }
  const std::string& LoginPassword() const { return FLoginPassword; }
  void SetLoginPassword(const std::string& value) { FLoginPassword = value; }
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool value) { FOEMConvert = value; }
  bool WantExceptions() const { return FWantExceptions; }
  void SetWantExceptions(bool value) { FWantExceptions = value; }

  // Statements call these from their Session setter; nothing else needs to.
  void AddQuery(TOrvaneSQL* statement);
  void RemoveQuery(TOrvaneSQL* statement);
  // UnprepareOpen then UnprepareExecute of every attached statement, in list
  // order; the driver calls it while disconnecting.
  void InternalCloseQueries();

  // "major.minor.release.build" of LibraryDirectory + LibraryFile, loading the
  // library first; "0.0.0.0" when the version cannot be read.
  std::string GetLibraryVersion();

  // Records the message and code as the last error, then raises E (an
  // EOrvaneException or descendant) built from them.
  template <class E = EOrvaneException>
  [[noreturn]] void RaiseLastError(const std::string& message, int32_t code) {
    LastError = message;
    LastErrorCode = code;
    throw E(message, code);
  }

  void StartTransaction();
  void Commit();
  void Rollback();

  // With OEMConvert, converts length characters from source into destination
  // (ANSI to OEM when toOem, else OEM to ANSI); the buffers may be the same.
  // Without OEMConvert it does nothing at all.
  void TranslateChar(const char* source, char* destination, int length, bool toOem);
  // True when the first maxLength characters of both texts are equal,
  // case-insensitively in the locale; with OEMConvert both are read as OEM text.
  bool TranslateLICompChar(const char* first, const char* second, unsigned maxLength);

private:
  bool FDestructionDone = false;
};
