// TAsaSession's server requests that need no callback: pinging a server and
// cancelling the request in progress.
#include "AsaSession.h"

#include "AnsiStrings.h"

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

bool TAsaSession::Stop() {
  InternalLibraryHandleNeeded();
  if (ASA_CALL(db_is_working, &SQLCA) != 1) return true;
  ASA_CALL(db_cancel_request, &SQLCA);
  return Check(FWantExceptions);
}
