// The per-SQLCA client state (connections, callbacks, backup in progress) and
// the writing of outcomes into the SQLCA.
#pragma once

#include "Connection.h"
#include "OrvEsql.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orvesql {

struct BackupState {
  bool started = false;
  bool fileOpen = false;
  std::string image;
  int pageSize = 0;
};

struct ClientContext {
  std::mutex mutex;  // guards the connection table against db_cancel_request
  std::map<std::string, std::shared_ptr<Connection>> connections;  // key: lower-cased con=
  std::shared_ptr<Connection> current;
  void (*callbacks[8])(void) = {};
  int lastCode = 0;
  std::string lastArgument;  // the full argument of the last error
  BackupState backup;

  std::shared_ptr<Connection> Current() {
    std::lock_guard<std::mutex> lock(mutex);
    return current;
  }
};

// The context of an SQLCA, made by db_init and dropped by db_fini.
std::shared_ptr<ClientContext> FindContext(SQLCA* ca);
void CreateContext(SQLCA* ca);
void DestroyContext(SQLCA* ca);

// Clears the outcome fields before a call.
void ResetSqlca(SQLCA* ca);
void SetError(SQLCA* ca, ClientContext* ctx, int code, const std::string& argument);
void SetOutcome(SQLCA* ca, ClientContext* ctx, const Outcome& o);

}  // namespace orvesql
