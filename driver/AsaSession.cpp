// TAsaSession: construction, published properties, the library binding
// (load, entry points, SQLCA initialisation and generation detection), Check,
// transactions, server options and the three property setters.
#include "AsaSession.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "AnsiStrings.h"
#include "ClassRegistry.h"
#include "CurrentDir.h"
#include "FileUtils.h"
#include "Format.h"
#include "LibrarySearch.h"
#include "OSError.h"
#include "OrvMessages.h"
#include "OrvRoutines.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TAsaSession)

namespace {

// Form files name the session by class, so the reader must know it.
const bool registered = [] {
  RegisterClass(TAsaSession::StaticClass());
  return true;
}();

// The session whose library load completed last, or null.
TAsaSession* LastLoadedSession = nullptr;

// Frees an SQLDA from alloc_sqlda on every path.
class TSqldaHolder {
public:
  TSqldaHolder(TAsaSession& session, unsigned count) : FSqlda(ASA_CALL(alloc_sqlda, count)) {
    if (FSqlda == nullptr)
      session.RaiseLastError<EAsaException>(Format(SOrvOutOfMemory, int(sizeof(SQLDA))), 0);
  }
  ~TSqldaHolder() {
    try {
      ASA_CALL(free_sqlda, FSqlda);
    } catch (...) {
    }
  }
  TSqldaHolder(const TSqldaHolder&) = delete;
  TSqldaHolder& operator=(const TSqldaHolder&) = delete;
  SQLDA* Get() const { return FSqlda; }
  SQLVAR& Var(int i) const { return *orv_sqlvar(FSqlda, i); }

private:
  SQLDA* FSqlda;
};

// The longest value an SQLVAR can describe: its length is 16-bit.
constexpr int MaxOptionValueLength = 32766;
constexpr const char* SAsaBadEnumValue = "Invalid value for %s: %d";
constexpr const char* SAsaOptionValueTooLong =
    "Value of option %s is too long: %d characters (at most %d)";

}  // namespace

TAsaSession::TAsaSession(TComponent* owner) : TOrvaneSession(owner) {
  FClientParams.clear();
  FServerParams = "start=dbeng6.exe";
  FServerType = stServer;
  FCommitOnDisconnect = true;
  FTransIsolation = atUnchanged;
  FWantRowCounts = false;
  FLibraryFile = "libdblib6.so";
}

TAsaSession::~TAsaSession() { BeforeDestruction(); }

void TAsaSession::Publish(TPropertyTable<TAsaSession>& props) {
  props.Add("AutoCommit", &TOrvaneSession::AutoCommit, &TOrvaneSession::SetAutoCommit).NoDefault();
  props.Add("ClientParams", &TAsaSession::ClientParams, &TAsaSession::SetClientParams);
  props.Add("CommitOnDisconnect", &TAsaSession::CommitOnDisconnect, &TAsaSession::SetCommitOnDisconnect)
      .Default(true);
  props.Add("Connected", &TOrvaneSession::Connected, &TOrvaneSession::SetConnected).NoDefault();
  props.Add("LibraryFile", &TOrvaneSession::LibraryFile, &TOrvaneSession::SetLibraryFile);
  props.Add("LibraryPath", &TOrvaneSession::LibraryPath, &TOrvaneSession::SetLibraryPath);
  props.Add("LoginDatabase", &TOrvaneSession::LoginDatabase, &TOrvaneSession::SetLoginDatabase);
  props.Add("LoginEngineName", &TAsaSession::LoginEngineName, &TAsaSession::SetLoginEngineName);
  props.Add("LoginPassword", &TOrvaneSession::LoginPassword, &TOrvaneSession::SetLoginPassword);
  props.Add("LoginUser", &TOrvaneSession::LoginUser, &TOrvaneSession::SetLoginUser);
  props.Add("OEMConvert", &TOrvaneSession::OEMConvert, &TOrvaneSession::SetOEMConvert).Default(false);
  props.Add("ServerParams", &TAsaSession::ServerParams, &TAsaSession::SetServerParams);
  props.Add("ServerType", &TAsaSession::ServerType, &TAsaSession::SetServerType).Default(stServer);
  props.Add("TransIsolation", &TAsaSession::TransIsolation, &TAsaSession::SetTransIsolation)
      .Default(atUnchanged);
  props.Add("WantExceptions", &TOrvaneSession::WantExceptions, &TOrvaneSession::SetWantExceptions)
      .Default(false);
  props.Add("WantRowCounts", &TAsaSession::WantRowCounts, &TAsaSession::SetWantRowCounts).Default(false);
  props.Event("AfterConnect", &TOrvaneSession::AfterConnect);
  props.Event("BeforeConnect", &TOrvaneSession::BeforeConnect);
  props.Event("AfterDisconnect", &TOrvaneSession::AfterDisconnect);
  props.Event("BeforeDisconnect", &TOrvaneSession::BeforeDisconnect);
  props.Event("OnBackup", &TAsaSession::OnBackup);
  props.Event("OnConnectionTerminated", &TOrvaneSession::OnConnectionTerminated);
  props.Event("OnError", &TOrvaneSession::OnError);
  props.Event("OnServerFinish", &TAsaSession::OnServerFinish);
  props.Event("OnServerMessage", &TAsaSession::OnServerMessage);
  props.Event("OnServerStart", &TAsaSession::OnServerStart);
  props.Event("OnServerWait", &TAsaSession::OnServerWait);
}

bool TAsaSession::Reading() const { return ComponentState().Contains(csReading); }

// Library binding ------------------------------------------------------------

int TAsaSession::GetLibraryReferenceCount() { return LibraryReferenceCount; }

void TAsaSession::SetLibraryReferenceCount(int count) { LibraryReferenceCount = count; }

void TAsaSession::InternalLoadLibrary() {
  const std::vector<std::string> names = AsaLibraryFileNames(FLibraryFile);
  std::string path = Trim(FLibraryPath);
  std::string found;  // the name the search found, when it searched
  if (path.empty()) {
    for (const std::string& name : names) {
      std::string folder;
      if (FindLibrary(name, "", folder)) {
        path = folder;
        found = name;
        break;
      }
    }
  }
  if (!path.empty() && path.back() != PathDelim) path += PathDelim;

  TCurrentDirGuard currentDir;
  if (!path.empty() && !currentDir.Change(path))
    RaiseLastError<EAsaException>(
        ORVANE_ERR_LIB_PATH_NOT_FOUND.Load() + " (" + path + "," + LastOSErrorMessage() + ")", 0);

  // The library is loaded from the folder it was found in by its full name:
  // here the current folder does not take part in the loader's own search,
  // and a same-named library beside the program must not win over it.
  HMODULE handle = 0;
  if (!found.empty()) {
    handle = LoadLibrary(path + found);
  } else {
    for (const std::string& name : names) {
      // An empty name stays empty: joined to the folder it would name the folder.
      bool bare = path.empty() || name.empty() || name.find('/') != std::string::npos;
      handle = LoadLibrary(bare ? name : path + name);
      if (handle != 0) break;
    }
  }
  LibraryHandle = handle;
  if (handle == 0)
    RaiseLastError<EAsaException>(
        ORVANE_ERR_LIB_LOAD_FAILED.Load() + " (" + FLibraryFile + "," + LastOSErrorMessage() + ")", 0);
  LibraryDirectory = path;
}

void TAsaSession::InternalUnLoadLibrary() {
  if (LibraryHandle == 0) return;
  InternalUnloadLoadProcs();
  FreeLibrary(LibraryHandle);
  LibraryHandle = 0;
  LibraryDirectory.clear();
}

void TAsaSession::InternalLoadProcs() {
  void* const dummy = reinterpret_cast<void*>(&OrvDummyProc);
  for (int i = 0; i < aepCount; ++i) {
    // These three are probed before use, so their absence must stay visible.
    const bool optional =
        i == aep_db_string_ping_server || i == aep_db_version_check || i == aep_db_locate_servers;
    OrvInternalAssignProcAddress(EntryPointTable[i], GetProcAddress(LibraryHandle, AsaEntryPointNames[i]),
                                 optional ? nullptr : dummy);
  }
}

void TAsaSession::InternalUnloadLoadProcs() { std::fill(std::begin(EntryPointTable), std::end(EntryPointTable), nullptr); }

void TAsaSession::SetLibraryLoaded(bool value) {
  TOrvaneSession::SetLibraryLoaded(value);
  if (!value) {
    UnlinkLoaded();
    ASA_CALL(db_fini, &SQLCA);
    return;
  }
  if (ASA_CALL(db_init, &SQLCA) == 0) RaiseLastError<EAsaException>(ORVANE_ERR_LIB_INIT_FAILED.Load(), 0);
  SqlcaPointer = &SQLCA;
  LinkLoaded();
  ProgramRecord.SqlcaPointerRef = &SqlcaPointer;

  LibNoVersionCheck = LibVersionOld = LibVersion6 = LibVersion7 = false;
  if (!AsaEntryBound(aep_db_version_check)) {
    LibNoVersionCheck = true;
  } else if (ASA_CALL(db_version_check, 7u) != 0 && LowerCase(FLibraryFile).find("dblib7") != std::string::npos) {
    LibVersion7 = true;
  } else if (ASA_CALL(db_version_check, 6u) != 0) {
    LibVersion6 = true;
  } else {
    LibVersionOld = true;
  }
  AsaSetProgramVersion(AsaGenerationNumber());

  std::memset(SQLCA.sqlcaid, 0, sizeof SQLCA.sqlcaid);
  std::memcpy(SQLCA.sqlcaid, "SQLCA", 6);
  SQLCA.sqlcabc = sizeof(::SQLCA);
}

void TAsaSession::LinkLoaded() {
  if (FLoadedLinked) return;
  FLoadedPrevious = LastLoadedSession;
  FLoadedNext = nullptr;
  if (LastLoadedSession != nullptr) LastLoadedSession->FLoadedNext = this;
  LastLoadedSession = this;
  FLoadedLinked = true;
}

void TAsaSession::UnlinkLoaded() {
  if (!FLoadedLinked) return;
  if (FLoadedPrevious != nullptr) FLoadedPrevious->FLoadedNext = FLoadedNext;
  if (FLoadedNext != nullptr) FLoadedNext->FLoadedPrevious = FLoadedPrevious;
  if (LastLoadedSession == this) LastLoadedSession = FLoadedPrevious;
  FLoadedPrevious = FLoadedNext = nullptr;
  FLoadedLinked = false;
  // The record must not keep pointing into a session that is going away.
  if (ProgramRecord.SqlcaPointerRef == &SqlcaPointer)
    ProgramRecord.SqlcaPointerRef = LastLoadedSession != nullptr ? &LastLoadedSession->SqlcaPointer : nullptr;
}

// Errors ---------------------------------------------------------------------

std::string TAsaSession::StateText() const {
  return std::string(SQLCA.sqlstate, strnlen(SQLCA.sqlstate, sizeof SQLCA.sqlstate));
}

bool TAsaSession::Check(void* /*context*/, int /*code*/, int /*extra*/, bool raiseOnError) {
  const int32_t code = SQLCA.sqlcode;
  LastErrorCode = code;
  LastError.clear();
  if (code == 0) return true;

  char buffer[512] = {};
  ASA_CALL(sqlerror_message, &SQLCA, buffer, int(sizeof buffer));
  buffer[sizeof buffer - 1] = '\0';
  const std::string message = buffer;
  if (code > 0) {
    LastError = Format("Warning: %s (%s)", message, StateText());
    return false;
  }
  LastError = Format("Error %d: %s (%s)", code, message, StateText());
  LastErrorCode = code;
  if (OnError) OnError(this);
  if ((code == -101 || code == -308) && Connected()) {
    SetConnected(false);
    if (OnConnectionTerminated) OnConnectionTerminated(this);
    LastError = Format("Error %d: %s", code, message);
    LastErrorCode = code;
  }
  if (raiseOnError) RaiseLastError<EAsaException>(LastError, LastErrorCode);
  return false;
}

// Transactions and options ----------------------------------------------------

void TAsaSession::InternalCommit() {
  InternalLibraryHandleNeeded();
  ASA_DBPP(dbpp_commit, &SQLCA, 0u);
  Check(FWantExceptions);
}

void TAsaSession::InternalRollback() {
  InternalLibraryHandleNeeded();
  ASA_DBPP(dbpp_rollback, &SQLCA, 0u);
  Check(FWantExceptions);
}

bool TAsaSession::GetOption(const char* name, std::string& value) {
  value.clear();
  InternalLibraryHandleNeeded();
  std::string optionName = name != nullptr ? name : "";
  TSqldaHolder sqlda(*this, 1);
  char buffer[31] = {};
  sqlda.Get()->sqld = sqlda.Get()->sqln;
  SQLVAR& var = sqlda.Var(0);
  var.sqltype = ESQL_STRING;
  var.sqllen = 30;
  var.sqldata = buffer;
  ASA_DBPP(dbpp_getoption, &SQLCA, 0u, nullptr, optionName.data(), sqlda.Get());
  bool ok = Check(FWantExceptions);
  if (ok) value.assign(buffer, strnlen(buffer, sizeof buffer));
  return ok;
}

bool TAsaSession::SetOption(const char* name, const char* value) {
  InternalLibraryHandleNeeded();
  std::string optionName = name != nullptr ? name : "";
  std::string text = value != nullptr ? value : "";
  if (text.size() > size_t(MaxOptionValueLength))
    RaiseLastError<EAsaException>(
        Format(SAsaOptionValueTooLong, optionName, int(text.size()), MaxOptionValueLength), 0);
  TSqldaHolder sqlda(*this, 1);
  sqlda.Get()->sqld = sqlda.Get()->sqln;
  SQLVAR& var = sqlda.Var(0);
  var.sqltype = ESQL_STRING;
  var.sqllen = static_cast<int16_t>(text.size() + 1);
  var.sqldata = text.data();
  ASA_DBPP(dbpp_setoption, &SQLCA, 1u, nullptr, optionName.data(), sqlda.Get());
  return Check(FWantExceptions);
}

// Setters ----------------------------------------------------------------------

void TAsaSession::SetServerType(TAsaServerType value) {
  if (value > stWorkgroup) RaiseLastError<EAsaException>(Format(SAsaBadEnumValue, "ServerType", int(value)), 0);
  if (!Reading() && value != FServerType) SetConnected(false);
  FServerType = value;
}

void TAsaSession::SetTransIsolation(TAsaTransIsolation value) {
  if (value > atSerializable)
    RaiseLastError<EAsaException>(Format(SAsaBadEnumValue, "TransIsolation", int(value)), 0);
  if (!Reading() && value != atUnchanged) {
    static const char* const levels[] = {"", "0", "1", "2", "3"};
    SetOption("isolation_level", levels[value]);
  }
  FTransIsolation = value;
}

void TAsaSession::SetWantRowCounts(bool value) {
  if (!Reading()) {
    const char* wanted = value ? "ON" : "OFF";
    std::string current;
    if (GetOption("row_counts", current) && current != wanted) SetOption("row_counts", wanted);
  }
  FWantRowCounts = value;
}
