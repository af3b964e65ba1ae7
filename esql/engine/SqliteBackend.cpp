// The back end over SQLite: statements, values, transactions and the mapping
// of SQLite's result codes onto the library's codes.
#include "Backend.h"
#include "Error.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>

namespace orvesql {
namespace {

// Text after "prefix" in msg, or "" when msg does not start with it.
bool After(const char* msg, const char* prefix, std::string& rest) {
  size_t n = std::strlen(prefix);
  if (std::strncmp(msg, prefix, n) != 0) return false;
  rest = msg + n;
  return true;
}

[[noreturn]] void Raise(sqlite3* db, int rc) {
  const char* msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int ext = db ? sqlite3_extended_errcode(db) : rc;
  std::string arg;
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw EsqlError(E_LOCKED, msg);
    case SQLITE_INTERRUPT:
      throw EsqlError(E_INTERRUPTED);
    case SQLITE_FULL:
      throw EsqlError(E_DISK_FULL, msg);
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
      throw EsqlError(E_IO, msg);
    case SQLITE_NOMEM:
      throw EsqlError(E_NO_MEMORY, msg);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      throw EsqlError(E_PERMISSION, msg);
    case SQLITE_CONSTRAINT:
      if (ext == SQLITE_CONSTRAINT_PRIMARYKEY) throw EsqlError(E_PRIMARY_KEY, msg);
      if (ext == SQLITE_CONSTRAINT_UNIQUE) throw EsqlError(E_UNIQUE, msg);
      if (ext == SQLITE_CONSTRAINT_NOTNULL) throw EsqlError(E_NOT_NULL, msg);
      if (ext == SQLITE_CONSTRAINT_FOREIGNKEY) throw EsqlError(E_FOREIGN_KEY, msg);
      throw EsqlError(E_CONSTRAINT, msg);
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
      throw EsqlError(E_OUT_OF_RANGE, msg);
    default:
      break;
  }
  if (After(msg, "no such table: ", arg) || After(msg, "no such view: ", arg))
    throw EsqlError(E_TABLE_NOT_FOUND, arg);
  if (After(msg, "no such column: ", arg)) throw EsqlError(E_COLUMN_NOT_FOUND, arg);
  if (std::strstr(msg, "already exists")) throw EsqlError(E_ITEM_EXISTS, msg);
  if (std::strstr(msg, "syntax error") || std::strstr(msg, "incomplete input") ||
      std::strstr(msg, "unrecognized token"))
    throw EsqlError(E_SYNTAX, msg);
  throw EsqlError(E_RUNTIME, msg);
}

class SqliteStatement final : public BackendStatement {
public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* st) : db_(db), st_(st) {}
  ~SqliteStatement() override { sqlite3_finalize(st_); }

  int ParamCount() override { return sqlite3_bind_parameter_count(st_); }
  std::string ParamName(int index) override {
    const char* n = sqlite3_bind_parameter_name(st_, index);
    return n ? n : "";
  }
  void BindNull(int i) override { Check(sqlite3_bind_null(st_, i)); }
  void BindInt(int i, int64_t v) override { Check(sqlite3_bind_int64(st_, i, v)); }
  void BindDouble(int i, double v) override { Check(sqlite3_bind_double(st_, i, v)); }
  void BindText(int i, const char* p, size_t n) override {
    Check(sqlite3_bind_text64(st_, i, p ? p : "", n, SQLITE_STATIC, SQLITE_UTF8));
  }
  void BindBlob(int i, const void* p, size_t n) override {
    if (n == 0)
      Check(sqlite3_bind_zeroblob(st_, i, 0));
    else
      Check(sqlite3_bind_blob64(st_, i, p, n, SQLITE_STATIC));
  }
  void ClearBindings() override { sqlite3_clear_bindings(st_); }

  int ColumnCount() override { return sqlite3_column_count(st_); }
  ColumnInfo Column(int i) override {
    ColumnInfo c;
    const char* s = sqlite3_column_name(st_, i);
    c.name = s ? s : "";
    s = sqlite3_column_decltype(st_, i);
    c.declType = s ? s : "";
    const char* table = sqlite3_column_table_name(st_, i);
    const char* origin = sqlite3_column_origin_name(st_, i);
    const char* dbname = sqlite3_column_database_name(st_, i);
    if (table && origin) {
      c.table = table;
      c.originName = origin;
      int notNull = 0, primary = 0, autoinc = 0;
      if (sqlite3_table_column_metadata(db_, dbname, table, origin, nullptr, nullptr, &notNull,
                                        &primary, &autoinc) == SQLITE_OK)
        c.notNull = notNull != 0;
    }
    return c;
  }
  bool Step() override {
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(st_);
    Raise(db_, rc);
  }
  void Reset() override { sqlite3_reset(st_); }
  bool ReadOnly() override { return sqlite3_stmt_readonly(st_) != 0; }

  void Peek(int i, CellView& v) override { Read(sqlite3_column_value(st_, i), v); }
  void PeekRow(CellView* out, int n) override {
    for (int i = 0; i < n; ++i) Read(sqlite3_column_value(st_, i), out[i]);
  }
  const char* TextOrNull(int i, size_t& len) override {
    // One column lookup, then the value's own accessors (they skip the
    // per-call locking of the column functions). Text is NULL only for a
    // NULL cell or when memory ran out; the type tells the two apart.
    sqlite3_value* x = sqlite3_column_value(st_, i);
    const unsigned char* p = sqlite3_value_text(x);
    len = static_cast<size_t>(sqlite3_value_bytes(x));
    if (!p && sqlite3_value_type(x) != SQLITE_NULL) throw EsqlError(E_NO_MEMORY, "column text");
    return reinterpret_cast<const char*>(p);
  }
  Kind ColumnKind(int i) override {
    switch (sqlite3_column_type(st_, i)) {
      case SQLITE_INTEGER: return Kind::Integer;
      case SQLITE_FLOAT: return Kind::Real;
      case SQLITE_TEXT: return Kind::Text;
      case SQLITE_BLOB: return Kind::Blob;
      default: return Kind::Null;
    }
  }
  int64_t ColumnInt(int i) override { return sqlite3_column_int64(st_, i); }
  double ColumnDouble(int i) override { return sqlite3_column_double(st_, i); }
  const char* ColumnText(int i, size_t& len) override {
    const unsigned char* p = sqlite3_column_text(st_, i);
    len = static_cast<size_t>(sqlite3_column_bytes(st_, i));
    return p ? reinterpret_cast<const char*>(p) : "";
  }
  const void* ColumnBlob(int i, size_t& len) override {
    const void* p = sqlite3_column_blob(st_, i);
    len = static_cast<size_t>(sqlite3_column_bytes(st_, i));
    return p ? p : "";
  }

private:
  // One column value in its own kind, through the value's accessors (the
  // column functions would take the statement's lock on every call). Text is
  // null only when memory ran out: that is an error, not an empty string.
  [[gnu::always_inline]] static inline void Read(sqlite3_value* x, CellView& v) {
    switch (sqlite3_value_type(x)) {
      case SQLITE_INTEGER: v.kind = Kind::Integer; v.i = sqlite3_value_int64(x); break;
      case SQLITE_FLOAT: v.kind = Kind::Real; v.d = sqlite3_value_double(x); break;
      case SQLITE_TEXT:
        v.kind = Kind::Text;
        v.p = reinterpret_cast<const char*>(sqlite3_value_text(x));
        v.n = static_cast<size_t>(sqlite3_value_bytes(x));
        if (!v.p) throw EsqlError(E_NO_MEMORY, "column text");
        break;
      case SQLITE_BLOB:
        v.kind = Kind::Blob;
        v.p = static_cast<const char*>(sqlite3_value_blob(x));
        v.n = static_cast<size_t>(sqlite3_value_bytes(x));
        if (!v.p) {
          if (v.n) throw EsqlError(E_NO_MEMORY, "column bytes");
          v.p = "";
        }
        break;
      default: v.kind = Kind::Null; break;
    }
  }
  void Check(int rc) {
    if (rc != SQLITE_OK) Raise(db_, rc);
  }
  sqlite3* db_;
  sqlite3_stmt* st_;
};

class SqliteConnection final : public BackendConnection {
public:
  explicit SqliteConnection(sqlite3* db) : db_(db) {
    sqlite3_busy_handler(db_, &SqliteConnection::Busy, this);
    sqlite3_progress_handler(db_, ProgressOps, &SqliteConnection::Progress, this);
  }
  ~SqliteConnection() override { sqlite3_close_v2(db_); }

  std::unique_ptr<BackendStatement> Prepare(const std::string& sql, size_t* tail) override {
    sqlite3_stmt* st = nullptr;
    const char* end = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &st, &end);
    if (rc != SQLITE_OK) Raise(db_, rc);
    if (tail) *tail = end ? static_cast<size_t>(end - sql.c_str()) : sql.size();
    if (!st) return nullptr;
    return std::make_unique<SqliteStatement>(db_, st);
  }
  bool InTransaction() override { return sqlite3_get_autocommit(db_) == 0; }
  void Begin() override { Exec("BEGIN"); }
  void Commit() override {
    if (InTransaction()) Exec("COMMIT");
  }
  void Rollback() override {
    if (InTransaction()) Exec("ROLLBACK");
  }
  int64_t Changes() override { return sqlite3_changes64(db_); }
  int64_t LastInsertRowid() override { return sqlite3_last_insert_rowid(db_); }
  void Interrupt() override {
    interrupted_ = true;
    sqlite3_interrupt(db_);
  }
  void SetLockTimeout(int ms) override { timeoutMs_ = ms; }
  void SetWaitHook(std::function<void()> hook) override { waitHook_ = std::move(hook); }

  void Snapshot(std::string& image, int& pageSize) override {
    // Read through a connection of its own, so that this connection's open
    // transaction neither blocks the copy nor leaks into it, and copy into a
    // private in-memory database: one consistent committed state even while
    // other connections keep writing.
    sqlite3* src = nullptr;
    const char* path = sqlite3_db_filename(db_, "main");
    if (sqlite3_open_v2(path ? path : "", &src, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      std::string msg = src ? sqlite3_errmsg(src) : "cannot open";
      sqlite3_close(src);
      throw EsqlError(E_IO, msg);
    }
    struct SrcCloser {
      sqlite3* db;
      ~SrcCloser() { sqlite3_close(db); }
    } srcCloser{src};
    sqlite3_busy_timeout(src, timeoutMs_);
    sqlite3* mem = nullptr;
    if (sqlite3_open_v2(":memory:", &mem, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
      sqlite3_close(mem);
      throw EsqlError(E_NO_MEMORY, "backup image");
    }
    struct Closer {
      sqlite3* db;
      ~Closer() { sqlite3_close(db); }
    } closer{mem};
    sqlite3_backup* b = sqlite3_backup_init(mem, "main", src, "main");
    if (!b) Raise(mem, sqlite3_errcode(mem));
    // A lock held for a moment (another connection committing) is waited
    // out, as long as statements wait for locks.
    int rc;
    auto start = std::chrono::steady_clock::now();
    for (;;) {
      rc = sqlite3_backup_step(b, -1);
      if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
      auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
      if (waited.count() >= timeoutMs_) break;
      sqlite3_sleep(10);
    }
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) Raise(nullptr, rc);
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(mem, "main", &size, 0);
    if (!bytes) throw EsqlError(E_NO_MEMORY, "backup image");
    image.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    sqlite3_free(bytes);
    pageSize = 4096;
    if (image.size() >= 18) {
      unsigned v = (static_cast<unsigned char>(image[16]) << 8) | static_cast<unsigned char>(image[17]);
      pageSize = v == 1 ? 65536 : static_cast<int>(v);
    }
    // The copy is a plain rollback-journal file: readers of the backup need
    // no WAL beside it.
    if (image.size() >= 20) image[18] = image[19] = 1;
  }

private:
  // Waits for a lock held by another connection in short sleeps, calling the
  // wait hook between them, until the lock timeout has passed.
  static int Busy(void* self, int count) {
    auto* c = static_cast<SqliteConnection*>(self);
    auto now = std::chrono::steady_clock::now();
    if (count == 0) {
      c->waitStart_ = now;
      c->interrupted_ = false;
    }
    if (c->interrupted_) return 0;
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - c->waitStart_).count();
    if (waited >= c->timeoutMs_) return 0;
    if (c->waitHook_) c->waitHook_();
    if (c->interrupted_) return 0;
    sqlite3_sleep(waited < 20 ? 2 : 10);
    return 1;
  }

  // While a statement computes, the wait hook runs about every 100 ms (a
  // long query keeps the client's wait callback going). The handler ticks
  // every few thousand virtual machine steps; a gap between two ticks longer
  // than half the period means no statement ran in between, so the period
  // starts afresh. A cancel from inside the hook stops the statement.
  static constexpr int ProgressOps = 4000;
  static int Progress(void* self) {
    auto* c = static_cast<SqliteConnection*>(self);
    if (!c->waitHook_) return 0;
    auto now = std::chrono::steady_clock::now();
    if (now - c->lastTick_ > std::chrono::milliseconds(50)) c->periodStart_ = now;
    c->lastTick_ = now;
    if (now - c->periodStart_ < std::chrono::milliseconds(100)) return 0;
    c->periodStart_ = now;
    c->interrupted_ = false;
    c->waitHook_();
    return c->interrupted_ ? 1 : 0;
  }

  void Exec(const char* sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) Raise(db_, rc);
  }
  sqlite3* db_;
  int timeoutMs_ = 5000;
  std::atomic<bool> interrupted_{false};
  std::chrono::steady_clock::time_point waitStart_;
  std::chrono::steady_clock::time_point lastTick_, periodStart_;
  std::function<void()> waitHook_;
};

}  // namespace

std::unique_ptr<BackendConnection> OpenBackend(const std::string& path) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    throw EsqlError(E_DB_START_FAILED, path + ": " + msg);
  }
  sqlite3_extended_result_codes(db, 1);
  auto conn = std::make_unique<SqliteConnection>(db);
  // WAL gives readers their own snapshot while one writer works; NORMAL
  // synchronisation is still crash-safe in WAL mode.
  char* err = nullptr;
  rc = sqlite3_exec(db, "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON", nullptr, nullptr, &err);
  sqlite3_free(err);
  if (rc != SQLITE_OK) throw EsqlError(E_DB_START_FAILED, path + ": not a database file");
  return conn;
}

}  // namespace orvesql
