// Server control from parameter strings: starting and stopping engines and
// databases, finding them, and opening authenticated connections.
#pragma once

#include "ConnectString.h"
#include "Connection.h"

#include <memory>
#include <string>

namespace orvesql {

// eng= names the engine (default: the database's name); start= is accepted
// (the engine runs in this process). Throws E_ENGINE_RUNNING when it runs.
void StartEngine(const ConnectParams& p);
void StopEngine(const ConnectParams& p);
// eng=, dbf= (required), dbn= (default: the file's name without extension).
// Both return the database's name, for the engine's message to the client.
std::string StartDatabase(const ConnectParams& p);
std::string StopDatabase(const ConnectParams& p);
// True when the engine (and the database, when named) runs.
void Ping(const ConnectParams& p);

// Finds the engine and database (starting them on demand when dbf= names a
// file), then checks uid=/pwd=. Codes: E_NO_SERVER, E_DB_NOT_FOUND, E_BAD_LOGIN.
std::unique_ptr<Connection> Connect(const ConnectParams& p);

}  // namespace orvesql
