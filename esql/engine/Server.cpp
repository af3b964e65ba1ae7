// Engines and databases started by name, and connection opening with the
// on-demand start a client library does when it is given a database file.
#include "Server.h"
#include "Backend.h"
#include "DatabaseFile.h"
#include "Error.h"
#include "Registry.h"

namespace orvesql {
namespace {

bool Yes(const std::string& v) {
  std::string l = LowerName(v);
  return l == "yes" || l == "true" || l == "1" || l == "on";
}

// The engine a parameter string names: eng=, else the database name, else
// the file's stem.
std::string EngineOf(const ConnectParams& p) {
  if (!p.Get("eng").empty()) return p.Get("eng");
  if (!p.Get("dbn").empty()) return p.Get("dbn");
  if (!p.Get("dbf").empty()) return FileStem(p.Get("dbf"));
  return {};
}

}  // namespace

void StartEngine(const ConnectParams& p) {
  std::string eng = EngineOf(p);
  if (eng.empty()) throw EsqlError(E_BAD_ARGUMENT, "no engine name (eng=)");
  Registry::Instance().StartEngine(eng);
}

void StopEngine(const ConnectParams& p) {
  std::string eng = EngineOf(p);
  if (eng.empty()) eng = Registry::Instance().SoleEngine();
  if (eng.empty()) throw EsqlError(E_NO_SERVER, "no engine named");
  Registry::Instance().StopEngine(eng, Yes(p.Get("unconditional")));
}

std::string StartDatabase(const ConnectParams& p) {
  std::string eng = EngineOf(p);
  if (p.Get("dbf").empty()) throw EsqlError(E_DB_NOT_FOUND, "no database file (dbf=)");
  if (eng.empty() || !Registry::Instance().EngineRunning(eng)) throw EsqlError(E_NO_SERVER, eng);
  return Registry::Instance().StartDatabase(eng, p.Get("dbf"), p.Get("dbn"), false)->name;
}

std::string StopDatabase(const ConnectParams& p) {
  std::string eng = EngineOf(p);
  if (!p.Has("eng") && !Registry::Instance().SoleEngine().empty()) eng = Registry::Instance().SoleEngine();
  if (eng.empty() || !Registry::Instance().EngineRunning(eng)) throw EsqlError(E_NO_SERVER, eng);
  std::string dbn = p.Get("dbn");
  if (dbn.empty() && !p.Get("dbf").empty()) {
    auto db = Registry::Instance().FindDatabaseByFile(eng, p.Get("dbf"));
    if (!db) throw EsqlError(E_DB_NOT_FOUND, p.Get("dbf"));
    dbn = db->name;
  }
  if (dbn.empty()) throw EsqlError(E_DB_NOT_FOUND, "no database named");
  Registry::Instance().StopDatabase(eng, dbn, Yes(p.Get("unconditional")));
  return dbn;
}

void Ping(const ConnectParams& p) {
  std::string eng = EngineOf(p);
  if (!p.Has("eng") && eng.empty()) eng = Registry::Instance().SoleEngine();
  if (eng.empty() || !Registry::Instance().EngineRunning(eng)) throw EsqlError(E_NO_SERVER, eng);
  if (!p.Get("dbn").empty() && !Registry::Instance().FindDatabase(eng, p.Get("dbn")))
    throw EsqlError(E_DB_NOT_FOUND, p.Get("dbn"));
}

std::unique_ptr<Connection> Connect(const ConnectParams& p) {
  Registry& reg = Registry::Instance();
  std::string dbf = p.Get("dbf"), dbn = p.Get("dbn");
  std::string eng = p.Get("eng");
  if (eng.empty()) eng = !dbn.empty() && reg.EngineRunning(dbn) ? dbn : reg.SoleEngine();
  if (eng.empty() && !dbf.empty()) eng = dbn.empty() ? FileStem(dbf) : dbn;
  if (eng.empty()) throw EsqlError(E_NO_SERVER, "no engine named");
  bool startedEngine = false;
  if (!reg.EngineRunning(eng)) {
    // A file to serve starts an engine for this connection alone.
    if (dbf.empty()) throw EsqlError(E_NO_SERVER, eng);
    try {
      reg.StartEngine(eng);
      reg.SetEngineAutoStop(eng, true);
      startedEngine = true;
    } catch (const EsqlError& e) {
      if (e.Code != E_ENGINE_RUNNING) throw;
    }
  }
  std::shared_ptr<Database> db;
  if (!dbn.empty()) db = reg.FindDatabase(eng, dbn);
  if (!db && !dbf.empty()) db = reg.FindDatabaseByFile(eng, dbf);
  if (!db && dbn.empty() && dbf.empty()) db = reg.SoleDatabase(eng);
  if (!db) {
    try {
      if (dbf.empty()) throw EsqlError(E_DB_NOT_FOUND, dbn.empty() ? eng : dbn);
      db = reg.StartDatabase(eng, dbf, dbn, true);
    } catch (const EsqlError&) {
      // Leave no engine behind that this call started for nothing.
      if (startedEngine) {
        try {
          reg.StopEngine(eng, false);
        } catch (const EsqlError&) {
        }
      }
      throw;
    }
  }
  // The database lives on while this holds it, even if its auto-stop runs.
  std::unique_ptr<BackendConnection> be;
  try {
    be = OpenBackend(db->path);
    if (!CheckLogin(*be, p.Get("uid"), p.Get("pwd"))) throw EsqlError(E_BAD_LOGIN);
  } catch (const EsqlError&) {
    be.reset();
    reg.ConnectionEnded(db);
    throw;
  }
  return std::make_unique<Connection>(db, std::move(be), p.Get("uid"), p.Get("con"));
}

}  // namespace orvesql
