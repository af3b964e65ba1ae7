// orvisql's statements, cursor walking, transactions, long values, backup,
// ping and server messages over TAsaSession and TAsaSQL.
#include "Shell.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "AnsiStrings.h"
#include "AsaSQL.h"
#include "AsaSession.h"
#include "CellText.h"
#include "Interrupt.h"
#include "Options.h"
#include "Pager.h"
#include "Streams.h"
#include "TablePrinter.h"

namespace orvisql {

namespace fs = std::filesystem;

namespace {

std::string Plural(long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Rows listed at a time when not paging: the widths of a part come from its
// own rows and the parts before it.
constexpr int ListChunk = 500;

// A value typed after a command, in the form the column takes. The
// statement's own conversions would quietly turn text that is no number or
// date into 0, so the text is converted here, where a mistake is refused.
Variant TypedValue(TOrvaneFieldTypes type, const std::string& plain, bool quoted, const std::string& column) {
  if (!quoted && SameText(plain, "null")) return Null();
  const Variant v(plain);
  try {
    switch (type) {
      case ntInteger: return v.AsInteger();
      case ntFloat: return v.AsDouble();
      case ntCurrency: return v.AsCurrency();
      case ntDate:
      case ntTime:
      case ntDateTime: return VarFromDateTime(v.AsDateTime());
      case ntBoolean: return v.AsBoolean();
      case ntBinary:
      case ntBlob: throw EUsage("column " + column + " holds binary data; use \\blobin");
      default: return v;
    }
  } catch (const EUsage&) {
    throw;
  } catch (const std::exception& e) {
    throw EUsage("'" + plain + "' is no value for column " + column + " (" + e.what() + ")");
  }
}

// A key typed after \blobin: an integer when it reads as one.
Variant KeyValue(const std::string& plain) {
  int32_t n = 0;
  auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), n);
  if (ec == std::errc() && end == plain.data() + plain.size()) return n;
  double d = 0;
  auto [dend, dec] = std::from_chars(plain.data(), plain.data() + plain.size(), d);
  if (dec == std::errc() && dend == plain.data() + plain.size()) return d;
  return plain;
}

}  // namespace

TShell::TShell(TAsaSession& session, TPager& pager, TInterruptWatcher& watcher)
    : FSession(session), FPager(pager), FWatcher(watcher) {
  FCursor = NewStatement();
  FProbe = NewStatement();
  FExec = NewStatement();
  // The message callback is registered while connecting, so the event must
  // be assigned before.
  FSession.OnServerMessage = [this](TObject*, TServerMessageType type, int32_t, const std::string& text) {
    OnMessage(type, text);
  };
}

TShell::~TShell() {
  FSession.OnServerMessage = nullptr;
  FCursor.reset();
  FProbe.reset();
  FExec.reset();
}

std::unique_ptr<TAsaSQL> TShell::NewStatement() {
  auto sql = std::make_unique<TAsaSQL>(nullptr);
  sql->SetSession(&FSession);
  sql->SetWantExceptions(true);
  sql->SetUniDirectional(false);
  return sql;
}

void TShell::OnMessage(int type, const std::string& text) {
  if (!FMessages) return;
  const char* kind = type == mtWarning ? "warning" : type == mtAction ? "action" : type == mtStatus ? "status" : "message";
  FPager.Write(std::string(kind) + ": " + DisplayText(text, 4096) + "\n");
}

std::vector<std::string> TShell::RowCells(TAsaSQL& sql, bool numbered) {
  std::vector<std::string> cells;
  if (numbered) cells.push_back(std::to_string(sql.RecNo + 1));
  for (int i = 0; i < sql.GetFieldCount(); ++i) cells.push_back(CellText(sql, i));
  return cells;
}

void TShell::Print(const std::string& text) { FPager.Write(text); }

void TShell::RunStatement(const std::string& text) {
  TInterruptWatcher::TakeInterrupt();  // a press before this statement is not for it
  TInterruptWatcher::TRequest request(FWatcher);
  FProbe->Describe(text);
  const bool query = FProbe->GetFieldCount() > 0;
  FProbe->UnprepareOpen();
  if (!query) {
    FExec->Execute(text, {Null()});
    const int rows = FExec->RowsProcessed;
    FExec->UnprepareExecute();
    FPager.Write(Plural(rows, "row", "rows") + " processed\n");
    return;
  }
  FCursor->UnprepareOpen();
  bool hasRow;
  try {
    hasRow = FWritable ? FCursor->OpenWrite(text, {Null()}) : FCursor->OpenRead(text, {Null()});
    ListQuery(hasRow);
  } catch (...) {
    FCursor->UnprepareOpen();
    throw;
  }
}

void TShell::ListQuery(bool hasRow) {
  TAsaSQL& q = *FCursor;
  std::vector<TTablePrinter::TColumn> columns;
  for (int i = 0; i < q.GetFieldCount(); ++i) columns.push_back({q.GetFieldName(i), RightAligned(q, i)});
  TTablePrinter table(columns);
  const int chunk = FPager.Paging() ? FPager.PageRows() : ListChunk;
  bool header = true;
  bool stopped = false;
  long long shown = 0;
  while (hasRow) {
    table.AddRow(RowCells(q, false));
    ++shown;
    if (TInterruptWatcher::TakeInterrupt()) {
      stopped = true;
      break;
    }
    if (static_cast<int>(table.PendingRows()) >= chunk) {
      FPager.Write(table.Take(header));
      header = FPager.Paging();  // each page has its header
      if (FPager.Paging()) {
        hasRow = q.Next();
        if (!hasRow) break;
        if (!FPager.More()) {
          TInterruptWatcher::TakeInterrupt();
          q.Prev();  // back on the last row shown
          stopped = true;
          break;
        }
        continue;
      }
    }
    hasRow = q.Next();
  }
  if (table.PendingRows() > 0 || shown == 0) FPager.Write(table.Take(header));
  // A listing that ran to the end leaves the cursor on its last row, where
  // the commands on the current row find it.
  if (!stopped && shown > 0) q.Prev();
  if (stopped)
    FPager.Write("(" + Plural(shown, "row", "rows") + " shown; \\next shows more)\n");
  else
    FPager.Write("(" + Plural(shown, "row", "rows") + ")\n");
}

TAsaSQL& TShell::Cursor() {
  if (!FCursor || !FCursor->Opened) throw EUsage("no open cursor: run a query first");
  return *FCursor;
}

void TShell::RequireRow(TAsaSQL& cursor) {
  if (cursor.RecNo < 0 || cursor.RecNo >= cursor.RecordCount || (cursor.Eof && cursor.BufferRowCount == 0))
    throw EUsage("the cursor is on no row: move it with \\next, \\prior, \\first, \\last or \\goto");
}

void TShell::ShowRows(const std::vector<std::vector<std::string>>& rows, const std::string& summary) {
  TAsaSQL& q = *FCursor;
  if (!rows.empty()) {
    std::vector<TTablePrinter::TColumn> columns{{"#", true}};
    for (int i = 0; i < q.GetFieldCount(); ++i) columns.push_back({q.GetFieldName(i), RightAligned(q, i)});
    TTablePrinter table(columns);
    for (const auto& r : rows) table.AddRow(r);
    FPager.Write(table.Take(true));
  }
  if (!summary.empty()) FPager.Write(summary + "\n");
}

void TShell::Next(int count) {
  TAsaSQL& q = Cursor();
  TInterruptWatcher::TRequest request(FWatcher);
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < count; ++i) {
    if (!q.Next()) {
      ShowRows(rows, "(end of the result)");
      return;
    }
    rows.push_back(RowCells(q, true));
  }
  ShowRows(rows, "");
}

void TShell::Prior(int count) {
  TAsaSQL& q = Cursor();
  TInterruptWatcher::TRequest request(FWatcher);
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < count; ++i) {
    if (!q.Prev()) {
      ShowRows(rows, "(start of the result)");
      return;
    }
    rows.push_back(RowCells(q, true));
  }
  ShowRows(rows, "");
}

void TShell::First() {
  TAsaSQL& q = Cursor();
  TInterruptWatcher::TRequest request(FWatcher);
  if (!q.First()) return ShowRows({}, "(the result is empty)");
  ShowRows({RowCells(q, true)}, "");
}

void TShell::Last() {
  TAsaSQL& q = Cursor();
  TInterruptWatcher::TRequest request(FWatcher);
  if (!q.Last()) return ShowRows({}, "(the result is empty)");
  ShowRows({RowCells(q, true)}, "");
}

void TShell::GoTo(int rowNumber) {
  TAsaSQL& q = Cursor();
  TInterruptWatcher::TRequest request(FWatcher);
  if (rowNumber < 1 || !q.Seek(rowNumber - 1))
    return ShowRows({}, "(no row " + std::to_string(rowNumber) + ")");
  ShowRows({RowCells(q, true)}, "");
}

void TShell::Explain() {
  TAsaSQL& q = Cursor();
  std::string plan;
  q.Explain(plan);
  FPager.Write("plan: " + DisplayText(plan, 4096) + "\n");
}

void TShell::SetWritable(bool on) {
  FWritable = on;
  FPager.Write(on ? "queries now open cursors for writing (\\update, \\delete)\n" : "queries now open read-only cursors\n");
}

void TShell::Update(const std::string& column, const std::string& value, bool quoted) {
  TAsaSQL& q = Cursor();
  RequireRow(q);
  if (q.ReadOnly) throw EUsage("the cursor is read-only: \\writable on, then run the query again");
  int field = -1;
  if (!q.GetFieldInfo(Variant(column), &field)) throw EUsage("the result has no column " + column);
  Variant v = TypedValue(q.GetFieldType(Variant(field)), value, quoted, column);
  if (VarIsNull(v) && !q.GetFieldNulls(Variant(field))) throw EUsage("column " + column + " takes no NULL");
  TInterruptWatcher::TRequest request(FWatcher);
  q.SetFieldValue(Variant(field), v);
  try {
    q.Modify();
  } catch (...) {
    // The row buffer goes back to the row as the server holds it.
    q.Seek(q.RecNo);
    throw;
  }
  ShowRows({RowCells(q, true)}, "row " + std::to_string(q.RecNo + 1) + " changed");
}

void TShell::DeleteRow() {
  TAsaSQL& q = Cursor();
  RequireRow(q);
  if (q.ReadOnly) throw EUsage("the cursor is read-only: \\writable on, then run the query again");
  TInterruptWatcher::TRequest request(FWatcher);
  const int row = q.RecNo + 1;
  q.Delete();
  FPager.Write("row " + std::to_string(row) + " deleted\n");
}

void TShell::Commit() {
  FSession.Commit();
  FPager.Write("committed\n");
}

void TShell::Rollback() {
  FSession.Rollback();
  FPager.Write("rolled back\n");
}

void TShell::SetAutoCommit(bool on) {
  FSession.SetAutoCommit(on);
  FPager.Write(on ? "autocommit on: each statement is committed\n"
                  : "autocommit off: \\commit or \\rollback ends the transaction\n");
}

void TShell::BlobOut(const std::string& column, const std::string& file) {
  TAsaSQL& q = Cursor();
  RequireRow(q);
  int field = -1;
  if (!q.GetFieldInfo(Variant(column), &field)) throw EUsage("the result has no column " + column);
  if (q.IsFieldNull(Variant(field)))
    throw EUsage("column " + column + " is NULL on row " + std::to_string(q.RecNo + 1) + "; no file written");
  // Read whole before the file is touched, so that a failed read leaves it.
  TMemoryStream value;
  {
    TInterruptWatcher::TRequest request(FWatcher);
    q.BlobToStream(Variant(field), &value);
  }
  TFileStream out(file, fmCreate);
  value.SetPosition(0);
  out.CopyFrom(value, 0);
  FPager.Write("wrote " + Plural(value.Size(), "byte", "bytes") + " of " + column + " (row " +
               std::to_string(q.RecNo + 1) + ") to " + file + "\n");
}

void TShell::BlobIn(const std::string& table, const std::string& column, const std::string& key,
                    const std::string& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw EUsage("no such file: " + file);
  TMemoryStream value;
  value.LoadFromFile(file);

  // KEY is COLUMN=VALUE, or a value of the table's first column.
  std::string keyColumn, keyText = key;
  size_t eq = key.find('=');
  if (eq != std::string::npos && eq > 0) {
    keyColumn = Trim(key.substr(0, eq));
    keyText = Trim(key.substr(eq + 1));
  }
  auto sql = NewStatement();
  TInterruptWatcher::TRequest request(FWatcher);
  if (keyColumn.empty()) {
    sql->Describe("select * from " + table);
    if (sql->GetFieldCount() == 0) throw EUsage("table " + table + " has no columns");
    keyColumn = sql->GetFieldName(0);
    sql->UnprepareOpen();
  }
  const std::string where = keyColumn + " = " + keyText;
  bool found = sql->OpenWrite("select " + column + " from " + table + " where " + keyColumn + " = ?",
                              {KeyValue(keyText)});
  if (!found) throw EUsage("no row of " + table + " has " + where);
  if (sql->Next()) throw EUsage("more than one row of " + table + " has " + where + "; nothing stored");
  sql->Prev();
  value.SetPosition(0);
  sql->StreamToBlob(Variant(0), &value);
  sql->Modify();
  sql->UnprepareOpen();
  FPager.Write("stored " + Plural(value.Size(), "byte", "bytes") + " from " + file + " into " + table + "." +
               column + " where " + where + "\n");
}

void TShell::Backup(const std::string& folder) {
  std::error_code ec;
  fs::path dir = fs::absolute(folder, ec);
  if (!fs::is_directory(dir, ec)) throw EUsage("no such folder: " + folder);
  // A copy written over the database file itself would destroy it.
  const std::string& database = FSession.LoginDatabase();
  if (!database.empty()) {
    fs::path target = dir / fs::path(database).filename();
    if (fs::exists(target, ec) && fs::equivalent(target, database, ec))
      throw EUsage("the folder " + folder + " holds the database itself; choose another");
  }
  const bool terminal = OutputIsTerminal();
  std::string lastFile, lastBar;
  auto bar = [](const std::string& file, int32_t pages, int32_t page) {
    const int width = 30;
    int filled = pages > 0 ? static_cast<int>(int64_t(page) * width / pages) : width;
    int percent = pages > 0 ? static_cast<int>(int64_t(page) * 100 / pages) : 100;
    char pct[8];
    std::snprintf(pct, sizeof pct, "%3d%%", percent);
    return fs::path(file).filename().string() + " [" + std::string(size_t(filled), '#') +
           std::string(size_t(width - filled), ' ') + "] " + pct + " (" + std::to_string(page) + "/" +
           std::to_string(pages) + " pages)";
  };
  int files = 0;
  FSession.OnBackup = [&](TObject*, const std::string& file, int32_t pages, int32_t page) {
    if (file != lastFile) {
      if (!lastFile.empty()) FPager.Write(terminal ? "\n" : lastBar + "\n");
      lastFile = file;
      ++files;
    }
    lastBar = bar(file, pages, page);
    if (terminal) FPager.Write("\r" + lastBar);
  };
  bool ok = false;
  FSession.LastError.clear();
  try {
    TInterruptWatcher::TRequest request(FWatcher);
    ok = FSession.Backup(dir.string());
  } catch (...) {
    FSession.OnBackup = nullptr;
    if (!lastFile.empty()) FPager.Write("\n");
    throw;
  }
  FSession.OnBackup = nullptr;
  if (!lastFile.empty()) FPager.Write(terminal ? "\n" : lastBar + "\n");
  if (!ok) {
    std::string why = FSession.LastError.empty() ? "no file could be copied" : FSession.LastError;
    throw EUsage("backup failed: " + why);
  }
  FPager.Write("backup written to " + dir.string() + " (" + Plural(files, "file", "files") + ")\n");
}

void TShell::Ping() {
  const std::string engine = EngineName(FSession);
  const std::string params = engine.empty() ? FSession.ClientParams() : "eng=" + engine;
  FSession.Ping(params.c_str());
  FPager.Write("engine " + (engine.empty() ? std::string("(unnamed)") : engine) + " answers\n");
}

void TShell::SetMessages(bool on) {
  FMessages = on;
  FPager.Write(on ? "server messages are shown\n" : "server messages are not shown\n");
}

}  // namespace orvisql
