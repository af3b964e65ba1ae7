// TAsaSession's connect and disconnect sequences: the server types, the start
// of the engine and database on demand (and the stop of an engine this
// session started when the rest fails), the options applied after connecting.
#include "AsaSession.h"

#include "CurrentDir.h"
#include "OrvMessages.h"

namespace {
// Codes that leave a workgroup connect to the start sequence: no server, and
// the database name, file or start being refused by a running one.
bool WorkgroupStarts(int32_t code) { return code == -100 || code == -77 || code == -83 || code == -75; }
// Codes of a database start that are no reason to give up before connecting.
bool DatabaseStartTolerated(int32_t code) {
  return code == -77 || code == -83 || code == -816 || code == -100;
}
}  // namespace

void TAsaSession::SetConnected(bool value) {
  if (!Reading() && value != Connected()) {
    InternalLibraryHandleNeeded();
    if (value)
      Connect();
    else
      Disconnect();
  }
  TOrvaneSession::SetConnected(value);
}

void TAsaSession::Connect() {
  TCurrentDirGuard currentDir;
  if (!LibraryDirectory.empty() && !currentDir.Change(LibraryDirectory))
    RaiseLastError<EAsaException>(ORVANE_ERR_LIB_PATH_NOT_FOUND.Load() + " (" + LibraryDirectory + ")", 0);
  // Fired before any parameter string is built, so the handler may still
  // change the login properties.
  if (BeforeConnect) BeforeConnect(this);
  switch (FServerType) {
    case stClient: {
      std::string params = BuildConnectParams();
      ASA_CALL(db_string_connect, &SQLCA, params.data());
      Check(true);
      break;
    }
    case stServer:
      StartServerAndConnect();
      break;
    case stWorkgroup: {
      std::string params = BuildConnectParams();
      ASA_CALL(db_string_connect, &SQLCA, params.data());
      if (WorkgroupStarts(SQLCA.sqlcode))
        StartServerAndConnect();
      else
        Check(true);
      break;
    }
  }
  currentDir.Restore();

  RegisterCallbacks();
  // The connection stands even when the options cannot be applied or the
  // handler fails; the first failure ends this block.
  try {
    SetTransIsolation(FTransIsolation);
    SetWantRowCounts(FWantRowCounts);
    if (AfterConnect) AfterConnect(this);
  } catch (...) {
  }
}

void TAsaSession::StartServerAndConnect() {
  std::string engineParams = BuildStartEngineParams();
  ASA_CALL(db_start_engine, &SQLCA, engineParams.data());
  const bool engineStarted = SQLCA.sqlcode == 0;
  if (SQLCA.sqlcode != -96) Check(true);  // -96: the server runs already
  try {
    std::string databaseParams = BuildStartDatabaseParams();
    ASA_CALL(db_start_database, &SQLCA, databaseParams.data());
    if (!DatabaseStartTolerated(SQLCA.sqlcode)) Check(true);
    std::string connectParams = BuildConnectParams();
    ASA_CALL(db_string_connect, &SQLCA, connectParams.data());
    Check(true);
  } catch (...) {
    // A server started for this connection is not left running without it.
    if (engineStarted) {
      std::string enginePart = BuildEnginePart();
      try {
        ASA_CALL(db_stop_engine, &SQLCA, enginePart.data());
      } catch (...) {
      }
    }
    throw;
  }
}

void TAsaSession::Disconnect() {
  InternalCloseQueries();
  // The session ends disconnected whatever fails here; the first failure ends
  // this block.
  try {
    if (FCommitOnDisconnect) ASA_DBPP(dbpp_commit, &SQLCA, 0u);
    if (BeforeDisconnect) BeforeDisconnect(this);
    ASA_CALL(db_string_disconnect, &SQLCA, nullptr);
    if (AfterDisconnect) AfterDisconnect(this);
  } catch (...) {
  }
  UnregisterCallbacks();
}
