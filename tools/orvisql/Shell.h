// The work behind orvisql's statements and commands, on one session: a
// statement that returns rows opens the cursor the cursor commands then walk
// (scrollable, and writable when asked); other statements run on a statement
// of their own, so that the cursor stays open across them. Every failure is
// raised: the driver's errors as EOrvaneException, the user's mistakes as
// EUsage.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TAsaSession;
class TAsaSQL;

namespace orvisql {

class TPager;
class TInterruptWatcher;

class EUsage : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TShell {
public:
  TShell(TAsaSession& session, TPager& pager, TInterruptWatcher& watcher);
  ~TShell();
  TShell(const TShell&) = delete;
  TShell& operator=(const TShell&) = delete;

  void RunStatement(const std::string& text);
  void Print(const std::string& text);

  // Cursor commands; each shows the rows it reached, numbered from 1.
  void Next(int count);
  void Prior(int count);
  void First();
  void Last();
  void GoTo(int rowNumber);
  void Explain();
  // VALUE is a text when quoted; unquoted, the word null is NULL.
  void Update(const std::string& column, const std::string& value, bool quoted);
  void DeleteRow();
  void SetWritable(bool on);

  void Commit();
  void Rollback();
  void SetAutoCommit(bool on);

  void BlobOut(const std::string& column, const std::string& file);
  void BlobIn(const std::string& table, const std::string& column, const std::string& key,
              const std::string& file);
  void Backup(const std::string& folder);
  void Ping();
  void SetMessages(bool on);

private:
  TAsaSQL& Cursor();  // the open cursor, or EUsage
  void RequireRow(TAsaSQL& cursor);
  void ListQuery(bool hasRow);
  // Shows rows as a numbered table; the summary follows it.
  void ShowRows(const std::vector<std::vector<std::string>>& rows, const std::string& summary);
  std::vector<std::string> RowCells(TAsaSQL& sql, bool numbered);
  std::unique_ptr<TAsaSQL> NewStatement();
  void OnMessage(int type, const std::string& text);

  TAsaSession& FSession;
  TPager& FPager;
  TInterruptWatcher& FWatcher;
  std::unique_ptr<TAsaSQL> FCursor;  // the last query's cursor
  std::unique_ptr<TAsaSQL> FProbe;   // tells queries from other statements
  std::unique_ptr<TAsaSQL> FExec;    // other statements
  bool FWritable = false;
  bool FMessages = true;
};

}  // namespace orvisql
