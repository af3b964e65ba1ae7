// The process-wide registry of engines and their databases.
#include "Registry.h"
#include "Backend.h"
#include "DatabaseFile.h"
#include "Error.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace orvesql {

std::string LowerName(const std::string& s) {
  std::string r = s;
  for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string CanonicalFile(const std::string& path) {
  char buf[PATH_MAX];
  if (path.empty() || !::realpath(path.c_str(), buf)) return {};
  return buf;
}

std::string FileStem(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

Registry& Registry::Instance() {
  static Registry registry;
  return registry;
}

Registry::Engine* Registry::Find(const std::string& name) {
  auto it = engines_.find(LowerName(name));
  return it == engines_.end() ? nullptr : &it->second;
}

void Registry::StartEngine(const std::string& name) {
  if (name.empty()) throw EsqlError(E_BAD_ARGUMENT, "engine name missing");
  std::lock_guard<std::mutex> lock(mutex_);
  if (Find(name)) throw EsqlError(E_ENGINE_RUNNING, name);
  Engine e;
  e.name = name;
  engines_.emplace(LowerName(name), std::move(e));
}

void Registry::StopEngine(const std::string& name, bool unconditional) {
  std::lock_guard<std::mutex> lock(mutex_);
  Engine* e = Find(name);
  if (!e) throw EsqlError(E_NO_SERVER, name);
  for (auto& [key, db] : e->databases)
    if (db->connections > 0 && !unconditional)
      throw EsqlError(E_STARTSTOP_DENIED, "database " + db->name + " has connections");
  for (auto& [key, db] : e->databases) db->stopped = true;
  engines_.erase(LowerName(name));
}

bool Registry::EngineRunning(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Find(name) != nullptr;
}

std::vector<std::string> Registry::Engines() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  for (auto& [key, e] : engines_) names.push_back(e.name);
  return names;
}

std::string Registry::SoleEngine() {
  std::lock_guard<std::mutex> lock(mutex_);
  return engines_.size() == 1 ? engines_.begin()->second.name : std::string();
}

void Registry::SetEngineAutoStop(const std::string& name, bool autoStop) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Engine* e = Find(name)) e->autoStop = autoStop;
}

std::shared_ptr<Database> Registry::StartDatabase(const std::string& engine, const std::string& file,
                                                  const std::string& name, bool autoStop) {
  if (file.empty()) throw EsqlError(E_DB_NOT_FOUND, "no database file given");
  std::string path = CanonicalFile(file);
  if (path.empty()) throw EsqlError(E_DB_NOT_FOUND, file);
  std::string dbName = name.empty() ? FileStem(file) : name;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Engine* e = Find(engine);
    if (!e) throw EsqlError(E_NO_SERVER, engine);
    if (e->databases.count(LowerName(dbName))) throw EsqlError(E_DBNAME_IN_USE, dbName);
    for (auto& [en, eng] : engines_)
      for (auto& [key, db] : eng.databases)
        if (db->path == path) throw EsqlError(E_FILE_IN_USE, file);
  }
  // Check the file outside the lock: opening may take a moment.
  {
    auto probe = OpenBackend(path);
    if (!IsDatabaseOfOurs(*probe)) throw EsqlError(E_DB_START_FAILED, file + " is not a database file");
  }
  std::lock_guard<std::mutex> lock(mutex_);
  Engine* e = Find(engine);
  if (!e) throw EsqlError(E_NO_SERVER, engine);
  if (e->databases.count(LowerName(dbName))) throw EsqlError(E_DBNAME_IN_USE, dbName);
  auto db = std::make_shared<Database>();
  db->name = dbName;
  db->engine = e->name;
  db->path = path;
  db->autoStop = autoStop;
  e->databases.emplace(LowerName(dbName), db);
  return db;
}

void Registry::StopDatabase(const std::string& engine, const std::string& name, bool unconditional) {
  std::lock_guard<std::mutex> lock(mutex_);
  Engine* e = Find(engine);
  if (!e) throw EsqlError(E_NO_SERVER, engine);
  auto it = e->databases.find(LowerName(name));
  if (it == e->databases.end()) throw EsqlError(E_DB_NOT_FOUND, name);
  if (it->second->connections > 0 && !unconditional)
    throw EsqlError(E_STARTSTOP_DENIED, "database " + name + " has connections");
  it->second->stopped = true;
  e->databases.erase(it);
}

std::shared_ptr<Database> Registry::FindDatabase(const std::string& engine, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  Engine* e = Find(engine);
  if (!e) return nullptr;
  auto it = e->databases.find(LowerName(name));
  return it == e->databases.end() ? nullptr : it->second;
}

std::shared_ptr<Database> Registry::FindDatabaseByFile(const std::string& engine, const std::string& file) {
  std::string path = CanonicalFile(file);
  if (path.empty()) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  Engine* e = Find(engine);
  if (!e) return nullptr;
  for (auto& [key, db] : e->databases)
    if (db->path == path) return db;
  return nullptr;
}

std::shared_ptr<Database> Registry::SoleDatabase(const std::string& engine) {
  std::lock_guard<std::mutex> lock(mutex_);
  Engine* e = Find(engine);
  if (!e || e->databases.size() != 1) return nullptr;
  return e->databases.begin()->second;
}

void Registry::ConnectionEnded(const std::shared_ptr<Database>& db) {
  if (!db->autoStop || db->connections > 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  Engine* e = Find(db->engine);
  if (!e) return;
  auto it = e->databases.find(LowerName(db->name));
  if (it == e->databases.end() || it->second != db || db->connections > 0) return;
  e->databases.erase(it);
  if (e->autoStop && e->databases.empty()) engines_.erase(LowerName(db->engine));
}

}  // namespace orvesql
