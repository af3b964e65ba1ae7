// TAsaSession's server requests: the online backup of the connected database
// into a folder, pinging a server, starting and stopping a database on a
// running server, and cancelling the request in progress.
#include "AsaSession.h"

#include <cstring>
#include <fstream>
#include <vector>

#include "AnsiStrings.h"
#include "OrvMessages.h"

namespace {
// The highest database file number a backup asks for (after 0); the library
// answers an error for the first number the database does not have.
constexpr int LastDatabaseFile = 12;

// Ends a guarded step whatever happens inside it.
template <class F>
struct TFinally {
  F f;
  ~TFinally() { f(); }
};
template <class F>
TFinally(F) -> TFinally<F>;
}  // namespace

bool TAsaSession::Backup(const std::string& directory) {
  bool result = false;
  InternalLibraryHandleNeeded();
  std::string folder = directory;
  if (!folder.empty() && folder.back() != '/') folder += '/';

  ASA_CALL(db_backup, &SQLCA, int(ESQL_BACKUP_START), 0, 0u, nullptr);
  if (!Check(FWantExceptions)) return false;
  TFinally end{[this] {
    try {
      ASA_CALL(db_backup, &SQLCA, int(ESQL_BACKUP_END), 0, 0u, nullptr);
    } catch (...) {
    }
  }};

  const int32_t pageSize = SQLCA.sqlerrd[2];
  // A page travels in a binary descriptor entry whose 16-bit length counts
  // the 2 bytes of its length as well.
  if (pageSize <= 0 || pageSize > INT16_MAX - 2) {
    if (FWantExceptions) throw EAsaException("Backup page size out of range: " + std::to_string(pageSize), 0);
    return false;
  }
  std::vector<char> buffer(static_cast<size_t>(pageSize) + 2, '\0');
  SQLDA* da = ASA_CALL(alloc_sqlda, 1u);
  if (da == nullptr) throw EAsaException("Out of memory for the backup descriptor", 0);
  TFinally freeDa{[da] {
    try {
      ASA_CALL(free_sqlda, da);
    } catch (...) {
    }
  }};
  da->sqld = 1;
  SQLVAR* var = orv_sqlvar(da, 0);
  var->sqltype = ESQL_BINARY;
  var->sqllen = static_cast<int16_t>(pageSize + 2);
  var->sqldata = buffer.data();

  for (int file = 0; file <= LastDatabaseFile; ++file) {
    if (!BackupFile(folder, file, da, buffer)) break;
    result = true;
  }
  if (result) {
    // The transaction log and its mirror, where the database has them.
    BackupFile(folder, -1, da, buffer);
    BackupFile(folder, -2, da, buffer);
  }
  return result;
}

bool TAsaSession::BackupFile(const std::string& folder, int file, SQLDA* da, std::vector<char>& buffer) {
  ASA_CALL(db_backup, &SQLCA, int(ESQL_BACKUP_OPEN_FILE), file, 0u, nullptr);
  if (!Check(false)) return false;
  TFinally close{[this, file] {
    try {
      ASA_CALL(db_backup, &SQLCA, int(ESQL_BACKUP_CLOSE_FILE), file, 0u, nullptr);
    } catch (...) {
    }
  }};
  const int32_t pages = SQLCA.sqlerrd[2];
  size_t nameLength = SQLCA.sqlerrml > 0 && size_t(SQLCA.sqlerrml) <= sizeof SQLCA.sqlerrmc
                          ? size_t(SQLCA.sqlerrml)
                          : strnlen(SQLCA.sqlerrmc, sizeof SQLCA.sqlerrmc);
  std::string fileName(SQLCA.sqlerrmc, strnlen(SQLCA.sqlerrmc, nameLength));
  size_t slash = fileName.find_last_of("/\\");
  if (slash != std::string::npos) fileName.erase(0, slash + 1);
  const std::string target = folder + Trim(fileName);
  try {
    if (Trim(fileName).empty()) throw EAsaException("The server named no file for database file " + std::to_string(file), 0);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) throw EAsaException("Cannot create the backup file " + target, 0);
    out.exceptions(std::ios::badbit | std::ios::failbit);
    for (int32_t page = 0; page < pages; ++page) {
      ASA_CALL(db_backup, &SQLCA, int(ESQL_BACKUP_READ_PAGE), file, uint32_t(page), da);
      if (!Check(FWantExceptions)) continue;
      uint16_t length;
      std::memcpy(&length, buffer.data(), sizeof length);
      if (size_t(length) + 2 > buffer.size())
        throw EAsaException("The server sent a page longer than its page size", 0);
      out.write(buffer.data() + 2, length);
      if (OnBackup) OnBackup(this, target, pages, page + 1);
    }
    out.close();
  } catch (...) {
    return false;
  }
  return true;
}

bool TAsaSession::Ping(const char* params) {
  InternalLibraryHandleNeeded();
  std::string text = params != nullptr ? params : "";
  if (AsaEntryBound(aep_db_string_ping_server)) {
    ASA_CALL(db_string_ping_server, &SQLCA, text.data(), 0u);
  } else {
    // An older library can only look for the engine by name.
    std::string name = text;
    size_t at = LowerCase(text).find("eng=");
    if (at != std::string::npos) {
      name = text.substr(at + 4);
      size_t end = name.find(';');
      if (end != std::string::npos) name.erase(end);
    }
    ASA_CALL(db_find_engine, &SQLCA, name.data());
  }
  return Check(FWantExceptions);
}

bool TAsaSession::StartDatabase(const char* params) { return DatabaseAction(params, aep_db_start_database); }

bool TAsaSession::StopDatabase(const char* params) { return DatabaseAction(params, aep_db_stop_database); }

bool TAsaSession::DatabaseAction(const char* params, TAsaEntryPoint action) {
  if (Connected()) throw EAsaException(ORVANE_ERR_SESS_CONNECTED.Load(), 0);
  InternalLibraryHandleNeeded();
  auto call = [this, action] {
    std::string databaseParams = BuildDatabaseParams();
    AsaEntry<asa_db_start_database_fn>(action)(&SQLCA, databaseParams.data());
  };
  std::string connectParams = params != nullptr ? params : "";
  if (!Trim(connectParams).empty()) {
    ASA_CALL(db_string_connect, &SQLCA, connectParams.data());
    if (SQLCA.sqlcode < 0) return Check(FWantExceptions);
    // Runs after the action's Check below has judged its outcome.
    TFinally disconnect{[this, &connectParams] {
      try {
        ASA_CALL(db_string_disconnect, &SQLCA, connectParams.data());
      } catch (...) {
      }
    }};
    call();
    return Check(FWantExceptions);
  }
  call();
  if (SQLCA.sqlcode == -100) {
    // No server running: reach one with the engine parameters (a connection
    // left open) and try again.
    std::string engineParams = BuildEngineParams();
    ASA_CALL(db_string_connect, &SQLCA, engineParams.data());
    call();
  }
  return Check(FWantExceptions);
}

bool TAsaSession::Stop() {
  InternalLibraryHandleNeeded();
  if (ASA_CALL(db_is_working, &SQLCA) != 1) return true;
  ASA_CALL(db_cancel_request, &SQLCA);
  return Check(FWantExceptions);
}
