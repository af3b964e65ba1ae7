// The narrow interface between the front (connections, statements, cursors,
// variables) and the database underneath; SQLite implements it today.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orvesql {

enum class Kind : unsigned char { Null, Integer, Real, Text, Blob };

// One cell in its own storage kind: the number, or the bytes (valid until the
// statement moves).
struct CellView {
  Kind kind = Kind::Null;
  int64_t i = 0;
  double d = 0;
  const char* p = nullptr;
  size_t n = 0;
};

// What the back end knows of one result column.
struct ColumnInfo {
  std::string name;
  std::string declType;    // empty for an expression
  std::string table;       // origin table, empty for an expression
  std::string originName;  // origin column
  bool notNull = false;
};

class BackendStatement {
public:
  virtual ~BackendStatement() = default;
  virtual int ParamCount() = 0;
  // 1-based like the back end's own numbering; "" for an anonymous "?".
  virtual std::string ParamName(int index) = 0;
  virtual void BindNull(int index) = 0;
  virtual void BindInt(int index, int64_t v) = 0;
  virtual void BindDouble(int index, double v) = 0;
  // The bytes must stay alive until the statement is reset and rebound.
  virtual void BindText(int index, const char* p, size_t n) = 0;
  virtual void BindBlob(int index, const void* p, size_t n) = 0;
  virtual void ClearBindings() = 0;

  virtual int ColumnCount() = 0;
  virtual ColumnInfo Column(int i) = 0;
  // True: a row is current; false: no more rows. Errors throw EsqlError.
  virtual bool Step() = 0;
  virtual void Reset() = 0;
  virtual bool ReadOnly() = 0;

  // The cell in its own kind, in one call (the fast path of fetches).
  virtual void Peek(int i, CellView& v) = 0;
  // Cells 0..n-1 of the current row into out[0..n-1]: one call per row.
  virtual void PeekRow(CellView* out, int n) {
    for (int i = 0; i < n; ++i) Peek(i, out[i]);
  }
  // The cell as text, or null for NULL (two calls fewer than Peek for text).
  virtual const char* TextOrNull(int i, size_t& len) = 0;
  virtual Kind ColumnKind(int i) = 0;
  virtual int64_t ColumnInt(int i) = 0;
  virtual double ColumnDouble(int i) = 0;
  virtual const char* ColumnText(int i, size_t& len) = 0;
  virtual const void* ColumnBlob(int i, size_t& len) = 0;
};

class BackendConnection {
public:
  virtual ~BackendConnection() = default;
  // Prepares the first statement of sql; *tail receives the offset of the rest
  // (sql.size() when nothing follows). A text of only blanks gives null.
  virtual std::unique_ptr<BackendStatement> Prepare(const std::string& sql, size_t* tail) = 0;
  virtual bool InTransaction() = 0;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual int64_t Changes() = 0;
  virtual int64_t LastInsertRowid() = 0;
  // May be called from another thread while a request runs.
  virtual void Interrupt() = 0;
  virtual void SetLockTimeout(int milliseconds) = 0;
  // Called now and then while a statement waits for another connection's lock.
  virtual void SetWaitHook(std::function<void()> hook) = 0;
  // A consistent image of the whole database and its page size.
  virtual void Snapshot(std::string& image, int& pageSize) = 0;
};

// Opens an existing database file (never creates one).
std::unique_ptr<BackendConnection> OpenBackend(const std::string& path);

}  // namespace orvesql
