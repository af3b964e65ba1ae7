// Statements, cursors, variables, options and transactions of a connection.
#include "Connection.h"
#include "Convert.h"
#include "Error.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace orvesql {
namespace {

const char* const kHiddenPrefix = ":orvv_";

std::string Quote(const std::string& name) {
  std::string r = "\"";
  for (char c : name) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + "\"";
}

void SetName(SQLVAR& v, const std::string& name) {
  size_t n = name.size() < sizeof v.sqlname.data ? name.size() : sizeof v.sqlname.data;
  std::memset(v.sqlname.data, 0, sizeof v.sqlname.data);
  std::memcpy(v.sqlname.data, name.data(), n);
  v.sqlname.length = static_cast<int16_t>(n);
}

std::string EntryName(const SQLVAR& v) {
  int n = v.sqlname.length;
  if (n < 0) n = 0;
  if (n > static_cast<int>(sizeof v.sqlname.data)) n = sizeof v.sqlname.data;
  return std::string(v.sqlname.data, static_cast<size_t>(n));
}

void CheckDescriptor(SQLDA* da, const char* what) {
  if (!da) throw EsqlError(E_BAD_DESCRIPTOR, std::string("no ") + what + " descriptor");
  if (da->sqln < 0 || da->sqld < 0 || da->sqld > da->sqln)
    throw EsqlError(E_BAD_DESCRIPTOR, std::string("sqln/sqld of the ") + what + " descriptor");
}

std::string CursorKey(const char* cursor) {
  if (!cursor || !*cursor) throw EsqlError(E_BAD_ARGUMENT, "cursor name missing");
  size_t n = strnlen(cursor, 129);
  if (n > 128) throw EsqlError(E_BAD_ARGUMENT, "cursor name too long");
  return LowerName(std::string(cursor, n));
}

void FillColumns(SQLDA* da, const std::vector<ColumnInfo>& cols, const std::vector<std::string>& exprs) {
  da->sqld = static_cast<int16_t>(cols.size());
  int n = static_cast<int>(cols.size()) < da->sqln ? static_cast<int>(cols.size()) : da->sqln;
  for (int i = 0; i < n; ++i) {
    SQLVAR& v = *orv_sqlvar(da, i);
    const ColumnInfo& c = cols[static_cast<size_t>(i)];
    std::string expr = static_cast<size_t>(i) < exprs.size() ? exprs[static_cast<size_t>(i)] : c.name;
    DescribedType t = DescribeDeclType(c.declType, expr);
    v.sqltype = static_cast<int16_t>(t.type | (c.notNull ? 0 : 1));
    v.sqllen = t.len;
    SetName(v, c.name);
  }
}

}  // namespace

Connection::Connection(std::shared_ptr<Database> db, std::unique_ptr<BackendConnection> be,
                       std::string user, std::string name)
    : db_(std::move(db)), be_(std::move(be)), user_(std::move(user)), name_(std::move(name)) {
  ++db_->connections;
  be_->SetLockTimeout(options_.LockTimeout());
}

Connection::~Connection() {
  cursors_.clear();
  statements_.clear();
  try {
    be_->Rollback();
  } catch (const EsqlError&) {
  }
  be_.reset();
  --db_->connections;
  Registry::Instance().ConnectionEnded(db_);
}

void Connection::CheckAlive() {
  if (db_->stopped) throw EsqlError(E_CONNECTION_TERMINATED);
}

// ---- statements ---------------------------------------------------------------

void Connection::PrepareBackend(Statement& st, const std::string& sql) {
  std::string text = sql;
  std::vector<std::string> hiddenNames;
  for (;;) {
    try {
      size_t tail = 0;
      st.be = be_->Prepare(text, &tail);
      for (size_t i = tail; i < text.size(); ++i)
        if (!std::isspace(static_cast<unsigned char>(text[i])) && text[i] != ';')
          throw EsqlError(E_SYNTAX, "more than one statement");
      break;
    } catch (const EsqlError& e) {
      // A name the engine does not know may be a connection variable: read
      // it as a hidden host variable. Columns of that name win, because
      // only names the engine rejected are looked up.
      if (e.Code != E_COLUMN_NOT_FOUND || !vars_.Has(e.Argument) || hiddenNames.size() > 64) throw;
      std::string param = kHiddenPrefix + std::to_string(hiddenNames.size());
      if (!SubstituteName(text, e.Argument, param)) throw;
      hiddenNames.push_back(e.Argument);
    }
  }
  st.backendSql = text;
  st.params.clear();
  st.hidden.clear();
  st.columns.clear();
  if (!st.be) return;
  int np = st.be->ParamCount();
  for (int i = 1; i <= np; ++i) {
    std::string n = st.be->ParamName(i);
    if (n.rfind(kHiddenPrefix, 0) == 0) {
      size_t k = static_cast<size_t>(std::atoi(n.c_str() + std::strlen(kHiddenPrefix)));
      st.hidden.push_back({i, k < hiddenNames.size() ? hiddenNames[k] : std::string()});
    } else {
      st.params.push_back({i, n.empty() ? n : n.substr(1)});
    }
  }
  int nc = st.be->ColumnCount();
  for (int i = 0; i < nc; ++i) {
    ColumnInfo c = st.be->Column(i);
    if (c.name.rfind(kHiddenPrefix, 0) == 0) {
      size_t k = static_cast<size_t>(std::atoi(c.name.c_str() + std::strlen(kHiddenPrefix)));
      if (k < hiddenNames.size()) c.name = hiddenNames[k];
    }
    st.columns.push_back(std::move(c));
  }
  st.exprs = SelectListItems(text);
  if (st.exprs.size() != st.columns.size()) st.exprs.clear();
  st.writer = !st.be->ReadOnly();
}

std::shared_ptr<Statement> Connection::Make(const std::string& text) {
  auto st = std::make_shared<Statement>();
  st->tr = Translate(text);
  switch (st->tr.kind) {
    case StmtKind::Sql:
    case StmtKind::SetVariable:
    case StmtKind::AppendVariable:
    case StmtKind::Message:
      PrepareBackend(*st, st->tr.sql);
      if (st->tr.kind != StmtKind::Sql) st->columns.clear();
      break;
    default:
      break;
  }
  return st;
}

void Connection::Prepare(short* num, const char* text) {
  if (!num) throw EsqlError(E_BAD_ARGUMENT, "statement number pointer missing");
  if (!text) throw EsqlError(E_BAD_ARGUMENT, "statement text missing");
  std::vector<std::string> parts = SplitStatements(text);
  if (parts.size() > 1) throw EsqlError(E_SYNTAX, "more than one statement");
  auto st = Make(parts.empty() ? std::string() : parts[0]);
  short n = *num;
  if (n <= 0 || statements_.count(n) == 0) {
    // A number the caller held before is given again when it is free;
    // otherwise the next free one.
    if (n <= 0) {
      for (int tries = 0; tries < 32767; ++tries) {
        n = nextNum_;
        nextNum_ = static_cast<short>(nextNum_ == 32767 ? 1 : nextNum_ + 1);
        if (!statements_.count(n)) break;
      }
      if (statements_.count(n)) throw EsqlError(E_NO_MEMORY, "too many prepared statements");
    }
  }
  statements_[n] = std::move(st);
  *num = n;
}

void Connection::Drop(short num) {
  if (!statements_.erase(num)) throw EsqlError(E_INVALID_STATEMENT, std::to_string(num));
}

Statement& Connection::Get(short num) {
  auto it = statements_.find(num);
  if (it == statements_.end()) throw EsqlError(E_INVALID_STATEMENT, std::to_string(num));
  return *it->second;
}

Outcome Connection::Describe(short num, SQLDA* da, unsigned kind) {
  Statement& st = Get(num);
  // sqld is an output here: only the allocation must be sound.
  if (!da || da->sqln < 0) throw EsqlError(E_BAD_DESCRIPTOR, "describe descriptor");
  Outcome o;
  switch (kind) {
    case ESQL_DESCRIBE_COUNT:
      da->sqld = static_cast<int16_t>(st.columns.size());
      o.count = 1;  // the shape never changes between opens
      break;
    case ESQL_DESCRIBE_OUTPUT:
      FillColumns(da, st.columns, st.exprs);
      o.count = 1;
      break;
    case ESQL_DESCRIBE_INPUT: {
      da->sqld = static_cast<int16_t>(st.params.size());
      int n = static_cast<int>(st.params.size()) < da->sqln ? static_cast<int>(st.params.size()) : da->sqln;
      for (int i = 0; i < n; ++i) {
        SQLVAR& v = *orv_sqlvar(da, i);
        v.sqltype = ESQL_STRING | 1;
        v.sqllen = 0;
        v.sqldata = nullptr;
        if (v.sqlind) *v.sqlind = 0;
        SetName(v, st.params[static_cast<size_t>(i)].name);
      }
      break;
    }
    default:
      throw EsqlError(E_BAD_ARGUMENT, "describe kind " + std::to_string(kind));
  }
  return o;
}

void Connection::ReadInputs(const Statement& st, SQLDA* in, std::vector<Value>& store) {
  if (!st.params.empty()) {
    if (!in) throw EsqlError(E_NOT_ENOUGH_VALUES, std::to_string(st.params.size()) + " needed, none given");
    CheckDescriptor(in, "input");
    if (in->sqld < static_cast<int>(st.params.size()))
      throw EsqlError(E_NOT_ENOUGH_VALUES, std::to_string(st.params.size()) + " needed, " +
                                               std::to_string(in->sqld) + " given");
  }
  // The store keeps its strings' storage from one execution to the next.
  store.resize(st.params.size() + st.hidden.size());
  for (size_t i = 0; i < st.params.size(); ++i)
    ReadEntryInto(*orv_sqlvar(in, static_cast<int>(i)), &vars_, static_cast<int>(i), store[i]);
  size_t k = st.params.size();
  for (const auto& h : st.hidden) store[k++] = vars_.Find(h.name);
}

void Connection::Apply(BackendStatement& be, const Statement& st, const std::vector<Value>& store) {
  auto bind = [&be](int index, const Value& v) {
    switch (v.kind) {
      case Kind::Null: be.BindNull(index); break;
      case Kind::Integer: be.BindInt(index, v.i); break;
      case Kind::Real: be.BindDouble(index, v.d); break;
      case Kind::Text: be.BindText(index, v.s.data(), v.s.size()); break;
      case Kind::Blob: be.BindBlob(index, v.s.data(), v.s.size()); break;
    }
  };
  size_t k = 0;
  for (const auto& p : st.params) bind(p.index, store[k++]);
  for (const auto& h : st.hidden) bind(h.index, store[k++]);
}

void Connection::EnsureTransaction(bool writer) {
  // The first statement after a commit begins the next transaction: at
  // isolation 0 and 1 the first change (reads see each newly committed
  // state), at 2 and 3 the first statement of any kind.
  if (be_->InTransaction()) return;
  if (writer || options_.IsolationLevel() >= 2) be_->Begin();
}

Outcome Connection::Run(Statement& st, SQLDA* in, SQLDA* out) {
  Outcome o;
  switch (st.tr.kind) {
    case StmtKind::CreateVariable: vars_.Create(st.tr.name, st.tr.typeText); return o;
    case StmtKind::DropVariable: vars_.Drop(st.tr.name); return o;
    case StmtKind::SetOption: SetOption(st.tr.name, st.tr.typeText); return o;
    case StmtKind::Commit: Commit(); return o;
    case StmtKind::Rollback: Rollback(); return o;
    case StmtKind::Begin: if (!be_->InTransaction()) be_->Begin(); return o;
    case StmtKind::AppendVariable: {
      vars_.Get(st.tr.name);
      std::vector<Value>& store = st.scratch;
      ReadInputs(st, in, store);
      vars_.Append(st.tr.name, store.empty() ? Value::Null() : store[0]);
      return o;
    }
    default: break;
  }
  if (!st.be) return o;  // an empty text
  if (st.tr.kind == StmtKind::SetVariable) vars_.Get(st.tr.name);
  std::vector<Value>& store = st.scratch;
  ReadInputs(st, in, store);
  // A statement held by an open cursor runs on a copy of its own.
  std::unique_ptr<BackendStatement> copy;
  BackendStatement* be = st.be.get();
  if (st.beBusy) {
    copy = PrepareOwn(st.backendSql);
    be = copy.get();
  }
  struct Resetter {
    BackendStatement* be;
    ~Resetter() {
      be->Reset();
      be->ClearBindings();
    }
  } resetter{be};
  Apply(*be, st, store);
  EnsureTransaction(st.writer);
  if (st.tr.kind == StmtKind::SetVariable || st.tr.kind == StmtKind::Message) {
    Value v;
    if (be->Step()) {
      StatementCells cells(*be);
      switch (cells.CellKind(0)) {
        case Kind::Integer: v = Value::Int(cells.CellInt(0)); break;
        case Kind::Real: v = Value::Real(cells.CellDouble(0)); break;
        case Kind::Text: v = Value::Text(std::string(cells.CellText(0))); break;
        case Kind::Blob: v = Value::Blob(std::string(cells.CellBlob(0))); break;
        default: break;
      }
    }
    if (st.tr.kind == StmtKind::SetVariable)
      vars_.Assign(st.tr.name, std::move(v));
    else if (st.tr.toClient && onMessage)
      onMessage(st.tr.messageType, ValueToText(v));
    return o;
  }
  if (st.HasResult()) {
    // A query run as a statement delivers its first row into the output
    // descriptor (SELECT ... INTO).
    if (!be->Step()) {
      o.code = W_NOTFOUND;
      return o;
    }
    o.count = 1;
    if (out) {
      CheckDescriptor(out, "output");
      StatementCells cells(*be);
      int n = out->sqld < static_cast<int>(st.columns.size()) ? out->sqld : static_cast<int>(st.columns.size());
      for (int i = 0; i < n; ++i)
        if (WriteCell(cells, i, *orv_sqlvar(out, i)) == W_TRUNCATED) o.code = W_TRUNCATED;
    }
    return o;
  }
  while (be->Step()) {
  }
  o.count = st.tr.isDml ? be_->Changes() : 0;
  return o;
}

Outcome Connection::Execute(short num, SQLDA* in, SQLDA* out) {
  Statement& st = Get(num);
  return Run(st, in, out);
}

Outcome Connection::ExecuteImmediate(const char* text) {
  if (!text) throw EsqlError(E_BAD_ARGUMENT, "statement text missing");
  Outcome last;
  for (const std::string& part : SplitStatements(text)) {
    auto st = Make(part);
    if (!st->params.empty()) throw EsqlError(E_NOT_ENOUGH_VALUES, "host variables in an immediate statement");
    last = Run(*st, nullptr, nullptr);
    if (st->HasResult()) last = Outcome{};  // a query run at once only checks that it runs
  }
  return last;
}

// ---- cursors ------------------------------------------------------------------

void Connection::Declare(const char* cursor, short num, unsigned options) {
  std::string key = CursorKey(cursor);
  auto st = statements_.find(num);
  if (st == statements_.end()) throw EsqlError(E_INVALID_STATEMENT, std::to_string(num));
  auto it = cursors_.find(key);
  if (it != cursors_.end() && it->second->open) throw EsqlError(E_CURSOR_IN_USE, cursor);
  auto c = std::make_unique<Cursor>();
  c->name = cursor;
  c->stmt = st->second;
  c->options = options;
  cursors_[key] = std::move(c);
}

std::unique_ptr<BackendStatement> Connection::PrepareOwn(const std::string& sql) {
  auto be = be_->Prepare(sql, nullptr);
  if (!be) throw EsqlError(E_INTERNAL, "statement vanished");
  return be;
}

int64_t Connection::Estimate(Cursor& c) {
  if (c.AtEnd()) return c.RowsSeen();
  // Rows of the one table a query reads, as a cheap upper estimate.
  std::string table;
  for (const auto& col : c.columns) {
    if (col.table.empty() || (!table.empty() && LowerName(col.table) != LowerName(table))) return 0;
    table = col.table;
  }
  if (table.empty()) return 0;
  try {
    auto be = be_->Prepare("SELECT max(_rowid_) FROM " + Quote(table), nullptr);
    if (be && be->Step()) return be->ColumnInt(0);
  } catch (const EsqlError&) {
  }
  return 0;
}

Outcome Connection::Open(const char* cursor, short num, SQLDA* in, unsigned options) {
  std::string key = CursorKey(cursor);
  auto it = cursors_.find(key);
  if (it == cursors_.end()) throw EsqlError(E_CURSOR_NOT_DECLARED, cursor);
  Cursor& c = *it->second;
  if (c.open) throw EsqlError(E_CURSOR_IN_USE, cursor);
  if (num != 0 && statements_.count(num) && statements_[num] != c.stmt)
    throw EsqlError(E_INVALID_STATEMENT, "cursor " + std::string(cursor) + " was declared for another statement");
  if (options) c.options = options;
  Statement& st = *c.stmt;
  if (st.tr.kind != StmtKind::Sql || !st.be || !st.HasResult())
    throw EsqlError(E_INVALID_STATEMENT, "not a query: cursor " + std::string(cursor));
  ReadInputs(st, in, c.bindings);
  c.columns = st.columns;
  c.ncols = static_cast<int>(st.columns.size());
  c.rowidCol = -1;
  c.updatable = false;
  c.table.clear();
  if (c.ForUpdate()) {
    // Positioned changes address rows of one table by rowid: read it as a
    // hidden last column.
    std::string table;
    bool oneTable = true;
    for (const auto& col : st.columns) {
      if (col.table.empty()) continue;
      if (!table.empty() && LowerName(col.table) != LowerName(table)) oneTable = false;
      table = col.table;
    }
    std::string sql;
    if (oneTable && !table.empty() && AddRowidColumn(st.backendSql, sql)) {
      try {
        c.ownBe = PrepareOwn(sql);
        if (c.ownBe->ColumnCount() == c.ncols + 1) {
          c.rowidCol = c.ncols;
          c.table = table;
          c.updatable = true;
        } else {
          c.ownBe.reset();
        }
      } catch (const EsqlError&) {
        c.ownBe.reset();
      }
    }
  }
  if (!c.ownBe && st.beBusy) c.ownBe = PrepareOwn(st.backendSql);
  if (c.ownBe) {
    c.be = c.ownBe.get();
  } else {
    c.be = st.be.get();
    st.beBusy = true;
  }
  Outcome o;
  try {
    Apply(*c.be, st, c.bindings);
    EnsureTransaction(st.writer);
    c.open = true;
    c.Start();
    if (options_.RowCounts()) {
      if (c.AtEnd()) {
        o.count = c.RowsSeen();
      } else {
        // The newline ends a trailing "--" comment of the query text.
        auto counter = PrepareOwn("SELECT count(*) FROM (" + st.backendSql + "\n)");
        Apply(*counter, st, c.bindings);
        o.count = counter->Step() ? counter->ColumnInt(0) : 0;
      }
    } else {
      o.count = -Estimate(c);
    }
    c.ExpectRows(o.count < 0 ? -o.count : o.count);
  } catch (...) {
    if (!c.ownBe) st.beBusy = false;
    c.Close();
    throw;
  }
  return o;
}

Cursor& Connection::FindOpen(const char* cursor) {
  std::string key = CursorKey(cursor);
  auto it = cursors_.find(key);
  if (it == cursors_.end()) throw EsqlError(E_CURSOR_NOT_DECLARED, cursor);
  if (!it->second->open) throw EsqlError(E_CURSOR_NOT_OPEN, cursor);
  return *it->second;
}

Outcome Connection::Fetch(const char* cursor, unsigned kind, int32_t offset, SQLDA* out, unsigned rows) {
  Cursor& c = FindOpen(cursor);
  Outcome o;
  int delivered = 0;
  o.code = c.Fetch(kind, offset, out, rows, delivered);
  o.count = delivered;
  return o;
}

Outcome Connection::GetData(const char* cursor, unsigned column, uint32_t offset, SQLDA* da) {
  Cursor& c = FindOpen(cursor);
  CheckDescriptor(da, "piece");
  if (da->sqld < 1) throw EsqlError(E_BAD_DESCRIPTOR, "piece descriptor has no entry");
  if (column < 1 || column > static_cast<unsigned>(c.ncols))
    throw EsqlError(E_BAD_ARGUMENT, "column " + std::to_string(column));
  CellSource& cells = c.Current();
  Outcome o;
  SQLVAR& v = *orv_sqlvar(da, 0);
  o.code = WritePiece(cells, static_cast<int>(column) - 1, offset, v);
  int t = v.sqltype & ~1;
  if (t == ESQL_BINARY || t == ESQL_VARCHAR) {
    uint16_t n;
    std::memcpy(&n, v.sqldata, 2);
    o.count = n;
  } else {
    o.count = static_cast<int64_t>(std::strlen(static_cast<const char*>(v.sqldata)));
  }
  return o;
}

Outcome Connection::DescribeCursor(const char* cursor, SQLDA* da) {
  Cursor& c = FindOpen(cursor);
  if (!da || da->sqln < 0) throw EsqlError(E_BAD_DESCRIPTOR, "describe descriptor");
  FillColumns(da, c.columns, c.stmt->exprs);
  Outcome o;
  o.count = 1;
  return o;
}

std::vector<Value> Connection::ReadBack(Cursor& c, int64_t rowid, CellSource* old) {
  // The row as the table holds it now: columns that come from the table are
  // read again, expression columns keep what the cursor had.
  std::string sql = "SELECT ";
  std::vector<int> map;
  for (int i = 0; i < c.ncols; ++i) {
    const ColumnInfo& col = c.columns[static_cast<size_t>(i)];
    if (col.originName.empty()) continue;
    if (!map.empty()) sql += ", ";
    sql += Quote(col.originName);
    map.push_back(i);
  }
  if (map.empty()) sql += "NULL";
  sql += " FROM " + Quote(c.table) + " WHERE _rowid_ = ?";
  auto be = PrepareOwn(sql);
  be->BindInt(1, rowid);
  std::vector<Value> row(static_cast<size_t>(c.ncols + 1));
  if (old) {
    for (int i = 0; i < c.ncols; ++i) {
      Value& v = row[static_cast<size_t>(i)];
      switch (old->CellKind(i)) {
        case Kind::Integer: v = Value::Int(old->CellInt(i)); break;
        case Kind::Real: v = Value::Real(old->CellDouble(i)); break;
        case Kind::Text: v = Value::Text(std::string(old->CellText(i))); break;
        case Kind::Blob: v = Value::Blob(std::string(old->CellBlob(i))); break;
        default: break;
      }
    }
  }
  if (be->Step()) {
    for (size_t k = 0; k < map.size(); ++k) {
      int col = static_cast<int>(k);
      Value& v = row[static_cast<size_t>(map[k])];
      size_t n = 0;
      switch (be->ColumnKind(col)) {
        case Kind::Integer: v = Value::Int(be->ColumnInt(col)); break;
        case Kind::Real: v = Value::Real(be->ColumnDouble(col)); break;
        case Kind::Text: {
          const char* p = be->ColumnText(col, n);
          v = Value::Text(std::string(p, n));
          break;
        }
        case Kind::Blob: {
          const void* p = be->ColumnBlob(col, n);
          v = Value::Blob(std::string(static_cast<const char*>(p), n));
          break;
        }
        default: v = Value::Null(); break;
      }
    }
  }
  row[static_cast<size_t>(c.ncols)] = Value::Int(rowid);
  return row;
}

namespace {

void RequireUpdatable(Cursor& c) {
  if (!c.ForUpdate()) throw EsqlError(E_NOT_UPDATABLE, "cursor " + c.name + " is read-only");
  if (!c.updatable) throw EsqlError(E_NOT_UPDATABLE, "cursor " + c.name + " does not read one table");
}

const ColumnInfo& ColumnByName(Cursor& c, const std::string& name) {
  for (const auto& col : c.columns)
    if (LowerName(col.name) == LowerName(name)) {
      if (col.originName.empty()) throw EsqlError(E_NOT_UPDATABLE, "column " + name + " is an expression");
      return col;
    }
  throw EsqlError(E_COLUMN_NOT_FOUND, name);
}

}  // namespace

void Connection::Update(const char* cursor, SQLDA* in) {
  Cursor& c = FindOpen(cursor);
  RequireUpdatable(c);
  CheckDescriptor(in, "change");
  CellSource& cur = c.Current();
  int64_t rowid = cur.CellInt(c.rowidCol);
  std::string sets;
  std::vector<Value> values;
  for (int i = 0; i < in->sqld; ++i) {
    SQLVAR& v = *orv_sqlvar(in, i);
    std::string name = EntryName(v);
    if (name.empty()) continue;  // entries without a name are not changed
    const ColumnInfo& col = ColumnByName(c, name);
    if (!sets.empty()) sets += ", ";
    sets += Quote(col.originName) + " = ?";
    values.push_back(ReadEntry(v, &vars_, i));
  }
  if (values.empty()) return;
  auto be = PrepareOwn("UPDATE " + Quote(c.table) + " SET " + sets + " WHERE _rowid_ = ? RETURNING _rowid_");
  Statement shape;
  for (size_t k = 0; k < values.size(); ++k) shape.params.push_back({static_cast<int>(k + 1), ""});
  Apply(*be, shape, values);
  be->BindInt(static_cast<int>(values.size() + 1), rowid);
  EnsureTransaction(true);
  if (!be->Step()) throw EsqlError(E_NO_CURRENT_ROW, std::string(cursor) + " (the row is gone)");
  int64_t newRowid = be->ColumnInt(0);
  while (be->Step()) {
  }
  be.reset();
  if (c.Scroll()) {
    std::vector<Value> row = ReadBack(c, newRowid, &cur);
    ValueCells cells(row.data());
    c.RefreshCurrent(cells);
  }
}

void Connection::Delete(const char* cursor) {
  Cursor& c = FindOpen(cursor);
  RequireUpdatable(c);
  int64_t rowid = c.Current().CellInt(c.rowidCol);
  auto be = PrepareOwn("DELETE FROM " + Quote(c.table) + " WHERE _rowid_ = ?");
  be->BindInt(1, rowid);
  EnsureTransaction(true);
  while (be->Step()) {
  }
  if (be_->Changes() == 0) throw EsqlError(E_NO_CURRENT_ROW, std::string(cursor) + " (the row is gone)");
}

void Connection::PutInto(const char* cursor, SQLDA* in, SQLDA* out) {
  Cursor& c = FindOpen(cursor);
  RequireUpdatable(c);
  CheckDescriptor(in, "insert");
  std::string cols, marks;
  std::vector<Value> values;
  for (int i = 0; i < in->sqld; ++i) {
    SQLVAR& v = *orv_sqlvar(in, i);
    std::string name = EntryName(v);
    if (name.empty()) continue;
    const ColumnInfo& col = ColumnByName(c, name);
    Value val = ReadEntry(v, &vars_, i);
    if (!cols.empty()) {
      cols += ", ";
      marks += ", ";
    }
    cols += Quote(col.originName);
    marks += "?";
    values.push_back(std::move(val));
  }
  std::string sql = "INSERT INTO " + Quote(c.table) +
                    (values.empty() ? std::string(" DEFAULT VALUES") : " (" + cols + ") VALUES (" + marks + ")") +
                    " RETURNING _rowid_";
  auto be = PrepareOwn(sql);
  Statement shape;
  for (size_t k = 0; k < values.size(); ++k) shape.params.push_back({static_cast<int>(k + 1), ""});
  Apply(*be, shape, values);
  EnsureTransaction(true);
  int64_t rowid = be->Step() ? be->ColumnInt(0) : 0;
  while (be->Step()) {
  }
  be.reset();
  if (out) {
    CheckDescriptor(out, "result");
    std::vector<Value> row = ReadBack(c, rowid, nullptr);
    ValueCells cells(row.data());
    int n = out->sqld < c.ncols ? out->sqld : c.ncols;
    for (int i = 0; i < n; ++i) WriteCell(cells, i, *orv_sqlvar(out, i));
  }
}

void Connection::Explain(const char* cursor, SQLDA* da) {
  Cursor& c = FindOpen(cursor);
  CheckDescriptor(da, "plan");
  if (da->sqld < 1) throw EsqlError(E_BAD_DESCRIPTOR, "plan descriptor has no entry");
  auto be = PrepareOwn("EXPLAIN QUERY PLAN " + c.stmt->backendSql);
  std::string plan;
  std::map<int64_t, int> depth;
  while (be->Step()) {
    int64_t id = be->ColumnInt(0), parent = be->ColumnInt(1);
    int d = depth.count(parent) ? depth[parent] + 1 : 0;
    depth[id] = d;
    size_t n = 0;
    const char* detail = be->ColumnText(3, n);
    if (!plan.empty()) plan += "\n";
    plan += std::string(static_cast<size_t>(d) * 2, ' ') + std::string(detail, n);
  }
  Value v = Value::Text(plan);
  ValueCells cells(&v);
  WriteCell(cells, 0, *orv_sqlvar(da, 0));
}

Outcome Connection::Resume(const char* cursor) {
  FindOpen(cursor);
  Outcome o;
  o.code = W_PROCEDURE_COMPLETE;  // a query has exactly one result set
  return o;
}

void Connection::Close(const char* cursor) {
  Cursor& c = FindOpen(cursor);
  if (!c.ownBe) c.stmt->beBusy = false;
  c.Close();
}

// ---- transactions and options ---------------------------------------------------

void Connection::Commit() { be_->Commit(); }

void Connection::Rollback() { be_->Rollback(); }

void Connection::SetOption(const std::string& name, const std::string& value) {
  options_.Set(name, value);
  be_->SetLockTimeout(options_.LockTimeout());
}

std::string Connection::GetOption(const std::string& name) { return options_.Get(name); }

}  // namespace orvesql
