// One connection to a database: its back-end connection, prepared
// statements by number, cursors by name, variables, options and the
// implicit transaction.
#pragma once

#include "Backend.h"
#include "Cursor.h"
#include "Error.h"
#include "OrvEsql.h"
#include "Options.h"
#include "Registry.h"
#include "Statement.h"
#include "Variables.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace orvesql {

// What a call reports besides its code: the count field and a warning.
struct Outcome {
  int code = OK;       // OK or a warning (W_...)
  int64_t count = 0;   // SQLCOUNT
};

class Connection {
public:
  Connection(std::shared_ptr<Database> db, std::unique_ptr<BackendConnection> be, std::string user,
             std::string name);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& User() const { return user_; }
  Database& Db() { return *db_; }
  // Throws E_CONNECTION_TERMINATED when the database was stopped under us.
  void CheckAlive();

  // Statements. *num: in the number to reuse (0 = a new one), out the number.
  void Prepare(short* num, const char* text);
  void Drop(short num);
  Outcome Describe(short num, SQLDA* da, unsigned kind);
  Outcome Execute(short num, SQLDA* in, SQLDA* out);
  Outcome ExecuteImmediate(const char* text);

  // Cursors.
  void Declare(const char* cursor, short num, unsigned options);
  Outcome Open(const char* cursor, short num, SQLDA* in, unsigned options);
  Outcome Fetch(const char* cursor, unsigned kind, int32_t offset, SQLDA* out, unsigned rows);
  Outcome GetData(const char* cursor, unsigned column, uint32_t offset, SQLDA* da);
  Outcome DescribeCursor(const char* cursor, SQLDA* da);
  void Update(const char* cursor, SQLDA* in);
  void Delete(const char* cursor);
  void PutInto(const char* cursor, SQLDA* in, SQLDA* out);
  void Explain(const char* cursor, SQLDA* da);
  Outcome Resume(const char* cursor);
  void Close(const char* cursor);

  // Transactions and options.
  void Commit();
  void Rollback();
  void SetOption(const std::string& name, const std::string& value);
  std::string GetOption(const std::string& name);

  // From any thread: is a request running, and stop it.
  bool Working() const { return working_ > 0; }
  void Interrupt() { be_->Interrupt(); }
  BackendConnection& Backend() { return *be_; }

  // Marks a request as running while alive.
  class Request {
  public:
    explicit Request(Connection& c) : c_(c) { ++c_.working_; }
    ~Request() { --c_.working_; }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

  private:
    Connection& c_;
  };

  // MESSAGE ... TO CLIENT goes here (type, text).
  std::function<void(int, const std::string&)> onMessage;

private:
  std::shared_ptr<Statement> Make(const std::string& text);
  void PrepareBackend(Statement& st, const std::string& sql);
  Statement& Get(short num);
  Cursor& FindOpen(const char* cursor);
  void ReadInputs(const Statement& st, SQLDA* in, std::vector<Value>& store);
  void Apply(BackendStatement& be, const Statement& st, const std::vector<Value>& store);
  void EnsureTransaction(bool writer);
  Outcome Run(Statement& st, SQLDA* in, SQLDA* out);
  int64_t Estimate(Cursor& c);
  std::unique_ptr<BackendStatement> PrepareOwn(const std::string& sql);
  std::vector<Value> ReadBack(Cursor& c, int64_t rowid, CellSource* old);

  std::shared_ptr<Database> db_;
  std::unique_ptr<BackendConnection> be_;
  std::string user_, name_;
  Options options_;
  Variables vars_;
  std::map<short, std::shared_ptr<Statement>> statements_;
  short nextNum_ = 1;
  std::map<std::string, std::unique_ptr<Cursor>> cursors_;  // key: lower-cased name
  std::atomic<int> working_{0};
};

}  // namespace orvesql
