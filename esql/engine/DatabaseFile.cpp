// Creation of database files and the login check against their user table.
#include "DatabaseFile.h"
#include "Backend.h"
#include "Error.h"
#include "Password.h"

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

namespace orvesql {

const char* const kUserTable = "orv_sys_users";

void CreateDatabaseFile(const std::string& path, const std::string& user,
                        const std::string& password) {
  if (path.empty()) throw EsqlError(E_BAD_ARGUMENT, "empty file name");
  if (user.empty()) throw EsqlError(E_BAD_ARGUMENT, "empty user name");
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) throw EsqlError(E_ITEM_EXISTS, path);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  struct Closer {
    sqlite3*& db;
    ~Closer() { sqlite3_close(db); }
  } closer{db};
  if (rc != SQLITE_OK) throw EsqlError(E_IO, path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
  std::string hash = HashPassword(password);
  std::string sql = std::string("PRAGMA journal_mode=WAL; BEGIN; CREATE TABLE ") + kUserTable +
                    " (name TEXT PRIMARY KEY COLLATE NOCASE, hash TEXT NOT NULL); COMMIT;";
  char* err = nullptr;
  rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  std::string msg = err ? err : "";
  sqlite3_free(err);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    db = nullptr;
    ::unlink(path.c_str());
    throw EsqlError(E_IO, path + ": " + msg);
  }
  sqlite3_stmt* ins = nullptr;
  std::string insert = std::string("INSERT INTO ") + kUserTable + " VALUES (?, ?)";
  rc = sqlite3_prepare_v2(db, insert.c_str(), -1, &ins, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(ins, 1, user.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 2, hash.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(ins);
  }
  sqlite3_finalize(ins);
  if (rc != SQLITE_DONE) {
    msg = sqlite3_errmsg(db);
    sqlite3_close(db);
    db = nullptr;
    ::unlink(path.c_str());
    throw EsqlError(E_IO, path + ": " + msg);
  }
}

bool IsDatabaseOfOurs(BackendConnection& db) {
  try {
    auto st = db.Prepare(std::string("SELECT count(*) FROM ") + kUserTable, nullptr);
    return st && st->Step();
  } catch (const EsqlError&) {
    return false;
  }
}

bool CheckLogin(BackendConnection& db, const std::string& user, const std::string& password) {
  auto st = db.Prepare(std::string("SELECT hash FROM ") + kUserTable + " WHERE name = ?", nullptr);
  st->BindText(1, user.data(), user.size());
  if (!st->Step()) {
    // Spend the same effort as for a real user, so that timing does not tell
    // which user names exist.
    VerifyPassword(password, "pbkdf2-sha256$60000$00$00");
    return false;
  }
  size_t n = 0;
  const char* p = st->ColumnText(0, n);
  std::string stored(p, n);
  st->Reset();
  return VerifyPassword(password, stored);
}

}  // namespace orvesql
