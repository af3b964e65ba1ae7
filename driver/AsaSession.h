// TAsaSession: the SQL Anywhere session. It binds the Embedded SQL library
// (one load shared by every session of the process), keeps its own SQLCA,
// connects with the parameter strings built from its properties (starting the
// server and database on demand), judges every library result in Check, and
// commits, rolls back and reads and sets the server's connection options.
// Its server control (backup, ping, database start and stop, cancel) and the
// server events fed by library callbacks are in AsaServerControl.cpp and
// AsaCallbacks.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AsaException.h"
#include "AsaLibrary.h"
#include "AsaTypes.h"
#include "OrvBase.h"

class TAsaSession : public TOrvaneSession {
  ORV_CLASS(TAsaSession, TOrvaneSession)
public:
  explicit TAsaSession(TComponent* owner);
  ~TAsaSession() override;

  // Members in declared order.
  ::SQLCA SQLCA{};                 // this session's communication area
  ::SQLCA* SqlcaPointer = nullptr;  // &SQLCA once the library load completed
  std::string FLoginEngineName;
  std::string FServerParams;
  TAsaServerType FServerType = stServer;
  std::string FClientParams;
  bool FCommitOnDisconnect = true;
  TAsaTransIsolation FTransIsolation = atUnchanged;
  bool FWantRowCounts = false;
  TBackupEvent OnBackup;
  TNotifyEvent OnServerStart;
  TNotifyEvent OnServerFinish;
  TServerWaitEvent OnServerWait;
  TServerMessageEvent OnServerMessage;
  // Callback entries registered with the library; null when not registered.
  void* StartCallback = nullptr;
  void* FinishCallback = nullptr;
  void* WaitCallback = nullptr;
  void* MessageCallback = nullptr;

  // Frame slots, in slot order.
  int GetLibraryReferenceCount() override;
  void SetLibraryReferenceCount(int count) override;
  void InternalLoadLibrary() override;
  void InternalUnLoadLibrary() override;
  void InternalLoadProcs() override;
  void InternalUnloadLoadProcs() override;
  void SetConnected(bool value) override;
  void SetLibraryLoaded(bool value) override;
  // Judges the sqlcode of SQLCA: True for 0; a warning leaves its text in
  // LastError and returns False; an error also fires OnError, disconnects on a
  // lost connection (-101, -308) and raises EAsaException when raiseOnError.
  bool Check(void* context, int code, int extra, bool raiseOnError) override;
  bool Check(bool raiseOnError) { return Check(nullptr, 0, 0, raiseOnError); }
  void InternalCommit() override;
  void InternalRollback() override;
  bool Ping(const char* params) override;
  bool Stop() override;

  // Online backup of the connected database: one file per database file
  // into the folder, page by page, firing OnBackup after each page. False
  // when no file could be copied (a missing folder among the reasons).
  bool Backup(const std::string& directory);
  // Start or stop a database on a running server, on a disconnected session
  // only; params, when not blank, are the connection to reach the server by.
  bool StartDatabase(const char* params);
  bool StopDatabase(const char* params);

  // Server connection options; value receives at most 31 characters.
  bool GetOption(const char* name, std::string& value);
  bool SetOption(const char* name, const char* value);

  // Published accessors.
  const std::string& ClientParams() const { return FClientParams; }
  void SetClientParams(const std::string& value) { FClientParams = value; }
  bool CommitOnDisconnect() const { return FCommitOnDisconnect; }
  void SetCommitOnDisconnect(bool value) { FCommitOnDisconnect = value; }
  const std::string& LoginEngineName() const { return FLoginEngineName; }
  void SetLoginEngineName(const std::string& value) { FLoginEngineName = value; }
  const std::string& ServerParams() const { return FServerParams; }
  void SetServerParams(const std::string& value) { FServerParams = value; }
  TAsaServerType ServerType() const { return FServerType; }
  void SetServerType(TAsaServerType value);
  TAsaTransIsolation TransIsolation() const { return FTransIsolation; }
  void SetTransIsolation(TAsaTransIsolation value);
  bool WantRowCounts() const { return FWantRowCounts; }
  void SetWantRowCounts(bool value);

  static void Publish(TPropertyTable<TAsaSession>& props);

private:
  // The library's parameter strings, built from the properties.
  std::string DatabaseName() const;
  std::string BuildEnginePart() const;
  std::string BuildStartEngineParams() const;
  std::string BuildStartDatabaseParams() const;
  std::string BuildDatabaseParams() const;
  std::string BuildEngineParams() const;
  std::string BuildConnectParams() const;

  void Connect();
  void StartServerAndConnect();
  void Disconnect();
  // The server callbacks' registration with the library at connect and their
  // release at disconnect; the server-control side of the session fills them.
  void RegisterCallbacks();
  void UnregisterCallbacks();
  // One file of a backup; False when it could not be copied.
  bool BackupFile(const std::string& folder, int file, SQLDA* da, std::vector<char>& buffer);
  bool DatabaseAction(const char* params, TAsaEntryPoint action);

  bool Reading() const;
  std::string StateText() const;

  // The sessions holding a library reference form a list in the order their
  // loads completed; the program record refers to the last of them. A plain
  // list through the sessions themselves, so that it needs nothing that could
  // be destroyed before a session is.
  void LinkLoaded();
  void UnlinkLoaded();
  TAsaSession* FLoadedPrevious = nullptr;
  TAsaSession* FLoadedNext = nullptr;
  bool FLoadedLinked = false;
};
