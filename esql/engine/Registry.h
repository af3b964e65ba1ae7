// In-process engines by name, each serving databases by name from files.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orvesql {

class BackendConnection;

struct Database {
  std::string name;      // as started (compared without case)
  std::string engine;
  std::string path;      // canonical path of the file
  bool autoStop = false; // stop when its last connection ends
  std::atomic<int> connections{0};
  // Set when the database is stopped under its open connections.
  std::atomic<bool> stopped{false};
};

// Start/stop and lookup; all methods lock the process-wide registry.
class Registry {
public:
  static Registry& Instance();

  // Throws E_ENGINE_RUNNING when an engine of that name runs.
  void StartEngine(const std::string& name);
  // Throws E_NO_SERVER for an unknown engine, E_STARTSTOP_DENIED when it has
  // connections and not unconditional.
  void StopEngine(const std::string& name, bool unconditional);
  bool EngineRunning(const std::string& name);
  std::vector<std::string> Engines();
  // The only running engine's name, or "" when none or several run.
  std::string SoleEngine();

  // Opens FILE on ENGINE under NAME. Codes: E_NO_SERVER (engine), E_DBNAME_IN_USE,
  // E_DB_NOT_FOUND (no such file), E_FILE_IN_USE (file served already),
  // E_DB_START_FAILED (not a database of ours).
  std::shared_ptr<Database> StartDatabase(const std::string& engine, const std::string& file,
                                          const std::string& name, bool autoStop);
  void StopDatabase(const std::string& engine, const std::string& name, bool unconditional);
  // Lookups; null when absent.
  std::shared_ptr<Database> FindDatabase(const std::string& engine, const std::string& name);
  std::shared_ptr<Database> FindDatabaseByFile(const std::string& engine, const std::string& file);
  // The only database of the engine, or null.
  std::shared_ptr<Database> SoleDatabase(const std::string& engine);
  // Called when a connection ends: stops an auto-stop database (and its
  // auto-started engine) that has no connection left.
  void ConnectionEnded(const std::shared_ptr<Database>& db);
  // Marks an engine as started on demand by a connection.
  void SetEngineAutoStop(const std::string& name, bool autoStop);

private:
  struct Engine {
    std::string name;
    bool autoStop = false;
    std::map<std::string, std::shared_ptr<Database>> databases;  // key: lower-cased name
  };
  Engine* Find(const std::string& name);
  std::mutex mutex_;
  std::map<std::string, Engine> engines_;  // key: lower-cased name
};

std::string LowerName(const std::string& s);
// Canonical path of an existing file, or "" when it does not exist.
std::string CanonicalFile(const std::string& path);
// File name without directory and extension ("/a/sales.db" -> "sales").
std::string FileStem(const std::string& path);

}  // namespace orvesql
