// TAsaSQL: opening, walking and closing cursors, executing statements, and
// positioned change, insert and delete with the automatic commit.
#include <algorithm>
#include <cstring>
#include <memory>

#include "AsaSQL.h"
#include "AsaSession.h"
#include "Format.h"
#include "OrvMessages.h"
#include "StringLists.h"

namespace {

char ModuleName[] = "OrvaneDB";

constexpr int CursorNameInUse = -172;
constexpr int NoRow = 100;

struct TSqldaRelease {
  bool noind = false;
  void operator()(SQLDA* da) const {
    try {
      if (noind)
        ASA_CALL(free_sqlda_noind, da);
      else
        ASA_CALL(free_sqlda, da);
    } catch (...) {
    }
  }
};
using TSqldaPtr = std::unique_ptr<SQLDA, TSqldaRelease>;

// Hands a descriptor that binding left behind to the statement member that
// owns it, also when binding raises, so that unpreparing frees it.
struct TKeepDescriptor {
  void*& descriptor;
  SQLDA*& owner;
  ~TKeepDescriptor() { owner = static_cast<SQLDA*>(descriptor); }
};

bool IsBlob(const TOrvaneFieldDesc& field) { return field.FieldType == ntMemo || field.FieldType == ntBlob; }

}  // namespace

void TAsaSQL::RequireOpened() {
  if (!Opened) RaiseLastError<EAsaException>(LoadResString(ORVANE_ERR_CURS_NOT_OPENED), 0);
}

void TAsaSQL::RequireWritable() {
  RequireOpened();
  if (ReadOnly) RaiseLastError<EAsaException>(LoadResString(ORVANE_ERR_CURS_READ_ONLY), 0);
}

void TAsaSQL::AutoCommitRule() {
  TAsaSession& session = AsaSession();
  if (session.AutoCommit() && !session.InTransaction) session.Commit();
}

void TAsaSQL::ZeroFetchBuffer() {
  if (FetchBuffer != nullptr)
    std::memset(FetchBuffer, 0,
                static_cast<size_t>(RecordSize) * static_cast<size_t>(std::min(FetchCount, FetchBufferRows)));
}

void TAsaSQL::InternalLoadRow() {
  if (RecordBuffer == nullptr) return;
  const int row = std::clamp(BufferRow, 0, std::max(FetchBufferRows - 1, 0));
  std::memcpy(RecordBuffer, FetchBuffer + static_cast<size_t>(row) * RecordSize, static_cast<size_t>(RecordSize));
  std::memcpy(OldRecordBuffer, RecordBuffer, static_cast<size_t>(RecordSize));
  for (int i = 0; i < FieldCount; ++i) {
    const int16_t* ind = orv_sqlvar(ResultSqlda, row * FieldCount + i)->sqlind;
    bool null = BufferRowCount == 0 || (ind != nullptr && *ind == -1);
    SetNullIndicator(i, null ? 1 : 0);
  }
  std::memcpy(OldNullIndicators, NullIndicators, static_cast<size_t>(FieldCount));
  BlobManager->ClearBlobs();
}

int TAsaSQL::FetchArray(unsigned kind, int32_t offset, int rows) {
  TAsaSession& session = AsaSession();
  ZeroFetchBuffer();
  // The descriptor covers FetchBufferRows rows; never ask for more.
  rows = std::clamp(rows, 1, std::max(FetchBufferRows, 1));
  ASA_DBPP(dbpp_fetch_array, &session.SQLCA, CursorName, kind, offset, ResultSqlda, nullptr,
           static_cast<unsigned>(FetchOptions), static_cast<unsigned>(rows));
  CheckResult();
  return GetLastErrorCode();
}

bool TAsaSQL::InternalBindOpenVariables(TStrings* list) {
  SQLDA* da = OpenBindSqlda;
  ASA_CALL(free_sqlda, da);
  OpenBindSqlda = nullptr;
  void* descriptor = nullptr;
  TKeepDescriptor keep{descriptor, OpenBindSqlda};
  bool ok = InternalBindVariables(&OpenStmtNum, OpenVariables, descriptor, list);
  return ok && TOrvaneSQL::InternalBindOpenVariables(list);
}

bool TAsaSQL::InternalOpen(bool readOnly) {
  TAsaSession& session = AsaSession();
  CursorOptions = static_cast<uint16_t>((readOnly ? ESQL_CUR_READONLY : ESQL_CUR_UPDATE) +
                                        (UniDirectional() ? ESQL_CUR_UNIDIRECTIONAL : ESQL_CUR_SCROLL));
  FetchOptions = 0;
  if (BeforeOpen) BeforeOpen(this);
  int n = OpenStmtNum;
  do {
    std::snprintf(CursorName, sizeof CursorName, "%s-%d", ModuleName, n);
    ASA_DBPP(dbpp_declare, &session.SQLCA, CursorName, nullptr, ModuleName, &OpenStmtNum,
             static_cast<unsigned>(CursorOptions));
    ASA_DBPP(dbpp_open, &session.SQLCA, CursorName, nullptr, ModuleName, &OpenStmtNum, OpenBindSqlda,
             static_cast<short>(MaxFetchCount), static_cast<short>(0), static_cast<unsigned>(CursorOptions));
    Check(nullptr, 0, 0, false);
    ++n;
  } while (GetLastErrorCode() == CursorNameInUse);
  RecordCount = std::abs(SQLCOUNT(session.SQLCA));
  if (!CheckResult()) return false;
  bool result;
  if (!DescribeAfterOpen) {
    FetchCount = FetchBufferRows;
    if (!readOnly) {
      FetchCount = 1;
    } else {
      for (int i = 0; i < FieldCount; ++i)
        if (IsBlob(Fields[i])) FetchCount = 1;
    }
    result = TOrvaneSQL::InternalOpen(readOnly) && Next();
  } else {
    result = InternalDescribeOpen(readOnly) && TOrvaneSQL::InternalOpen(readOnly) && Next();
  }
  if (result && AfterOpen) AfterOpen(this);
  return result;
}

void TAsaSQL::InternalClose() {
  if (Opened) ASA_DBPP(dbpp_close, Sqlca(), CursorName);
  TOrvaneSQL::InternalClose();
}

bool TAsaSQL::InternalBindExecVariables(TStrings* list) {
  ASA_CALL(free_sqlda, ExecInSqlda);
  ASA_CALL(free_sqlda, ExecOutSqlda);
  ExecInSqlda = ExecOutSqlda = nullptr;
  FBlobNameTexts.clear();
  void* in = nullptr;
  void* out = nullptr;
  TKeepDescriptor keepIn{in, ExecInSqlda};
  TKeepDescriptor keepOut{out, ExecOutSqlda};
  bool ok = InternalBindVariables(&ExecStmtNum, ExecVariables, in, list);
  if (ok) ok = InternalBindOutVariables(&ExecStmtNum, ExecVariables, out, list);
  return ok && TOrvaneSQL::InternalBindExecVariables(list);
}

bool TAsaSQL::InternalExecute(TStrings* list) {
  TAsaSession& session = AsaSession();
  ASA_DBPP(dbpp_execute_into, &session.SQLCA, nullptr, ModuleName, &ExecStmtNum, ExecInSqlda, ExecOutSqlda);
  SetRowsProcessed(SQLCOUNT(session.SQLCA));
  bool ok = CheckResult();
  ::SQLCA kept = session.SQLCA;
  InternalDropVariables(list);
  session.SQLCA.sqlcode = kept.sqlcode;
  if (ok) AutoCommitRule();
  return ok;
}

bool TAsaSQL::ExecuteImmediate(const std::string& sql) {
  TAsaSession& session = AsaSession();
  session.InternalLibraryHandleNeeded();
  std::string text = sql;
  ASA_DBPP(dbpp_execute_imm, &session.SQLCA, text.data(), 2u);
  SetRowsProcessed(SQLCOUNT(session.SQLCA));
  bool ok = CheckResult();
  if (ok) AutoCommitRule();
  return ok;
}

bool TAsaSQL::First() {
  RequireOpened();
  int code = FetchArray(ESQL_FETCH_ABSOLUTE, 1, FetchCount);
  Bof = Eof = code == NoRow;
  BufferRowCount = Bof ? 0 : SQLCOUNT(AsaSession().SQLCA);
  BufferRow = 0;
  InternalLoadRow();
  bool result = BufferRowCount > 0;
  RecNo = result ? 0 : -1;
  return result;
}

bool TAsaSQL::Last() {
  RequireOpened();
  int code = FetchArray(ESQL_FETCH_ABSOLUTE, -1, 1);
  Bof = Eof = code == NoRow;
  BufferRowCount = Eof ? 0 : SQLCOUNT(AsaSession().SQLCA);
  if (BufferRowCount > 0) BufferRow = BufferRowCount - 1;
  InternalLoadRow();
  bool result = BufferRowCount > 0;
  if (result) RecNo = RecordCount - 1;
  return result;
}

bool TAsaSQL::Next() {
  RequireOpened();
  if (BufferRow < BufferRowCount - 1) {
    ++BufferRow;
  } else {
    int code = FetchArray(ESQL_FETCH_RELATIVE, 1, FetchCount);
    Eof = code == NoRow;
    BufferRowCount = Eof ? 0 : SQLCOUNT(AsaSession().SQLCA);
    if (BufferRowCount > 0) Bof = false;
    BufferRow = 0;
  }
  InternalLoadRow();
  bool result = BufferRowCount > 0;
  if (result) {
    ++RecNo;
    if (RecNo > RecordCount - 1) RecordCount = RecNo + 1;
  } else if (Eof) {
    if (RecordCount - 1 > RecNo) RecordCount = RecNo + 1;
    RecNo = RecordCount;
  }
  return result;
}

bool TAsaSQL::Prev() {
  RequireOpened();
  if (BufferRow > 0) {
    --BufferRow;
  } else {
    // The server cursor stands on the block's last row, so the row before
    // the block lies as many rows back as the block holds.
    int code = FetchArray(ESQL_FETCH_RELATIVE, -std::max(BufferRowCount, 1), 1);
    Bof = code == NoRow;
    BufferRowCount = Bof ? 0 : SQLCOUNT(AsaSession().SQLCA);
    if (BufferRowCount > 0) {
      Eof = false;
      BufferRow = BufferRowCount - 1;
    }
  }
  InternalLoadRow();
  bool result = BufferRowCount > 0;
  RecNo = result ? RecNo - 1 : -1;
  return result;
}

bool TAsaSQL::Seek(int rowNumber) {
  RequireOpened();
  int n = rowNumber < -1 ? 0 : rowNumber + 1;
  int code = FetchArray(ESQL_FETCH_ABSOLUTE, n, 1);
  Bof = Eof = code == NoRow;
  BufferRowCount = (!Bof && !Eof) ? SQLCOUNT(AsaSession().SQLCA) : 0;
  if (BufferRowCount > 0) BufferRow = BufferRowCount - 1;
  InternalLoadRow();
  bool result = BufferRowCount > 0;
  if (result) RecNo = n - 1;
  return result;
}

bool TAsaSQL::Modify() {
  RequireWritable();
  TAsaSession& session = AsaSession();
  TSqldaPtr d(ASA_CALL(alloc_sqlda, static_cast<unsigned>(FieldCount)), TSqldaRelease{false});
  if (!d) RaiseLastError<EAsaException>(Format(SOrvOutOfMemory, {int(sizeof(SQLDA))}), 0);
  d->sqld = d->sqln;
  TStringList names;
  bool anything = false;
  char* p = RecordBuffer;
  for (int i = 0; i < FieldCount; p += Fields[i].Size, ++i) {
    if (!IsFieldDirty(Variant(i))) continue;
    SQLVAR& entry = *orv_sqlvar(d.get(), i);
    const SQLVAR& column = *orv_sqlvar(ResultSqlda, i);
    std::memcpy(&entry.sqlname, &column.sqlname, sizeof entry.sqlname);
    if (IsFieldNull(Variant(i))) {
      if (entry.sqlind != nullptr) *entry.sqlind = -1;
    } else {
      if (entry.sqlind != nullptr) *entry.sqlind = 0;
      if (!IsBlob(Fields[i])) {
        entry.sqltype = column.sqltype;
        entry.sqllen = column.sqllen;
        entry.sqldata = p;
      } else {
        TOrvaneBlobStream* blob = BlobManager->BlobByName(Fields[i].Name);
        if (InternalBlobToVariable(Fields[i].Name, blob->Memory, blob->DataSize)) {
          names.Add(Fields[i].Name);
          entry.sqltype = ESQL_VARIABLE;
          entry.sqldata = Fields[i].Name;
        } else {
          // The column keeps its value when its variable could not be made.
          entry.sqlname.length = 0;
        }
      }
    }
    anything = true;
  }
  if (!anything) return true;
  ASA_DBPP(dbpp_update, &session.SQLCA, CursorName, d.get());
  int kept = session.SQLCA.sqlcode;
  InternalDropVariables(&names);
  session.SQLCA.sqlcode = kept;
  bool result = CheckResult();
  if (result) {
    std::memcpy(OldRecordBuffer, RecordBuffer, static_cast<size_t>(RecordSize));
    std::memcpy(OldNullIndicators, NullIndicators, static_cast<size_t>(FieldCount));
    BlobManager->ClearBlobs();
    AutoCommitRule();
  }
  return result;
}

bool TAsaSQL::Append() {
  RequireWritable();
  TAsaSession& session = AsaSession();
  TSqldaPtr d(ASA_CALL(alloc_sqlda_noind, static_cast<unsigned>(FieldCount)), TSqldaRelease{true});
  if (!d) RaiseLastError<EAsaException>(Format(SOrvOutOfMemory, {int(sizeof(SQLDA))}), 0);
  d->sqld = d->sqln;
  TStringList names;
  char* p = RecordBuffer;
  for (int i = 0; i < FieldCount; p += Fields[i].Size, ++i) {
    SQLVAR& entry = *orv_sqlvar(d.get(), i);
    const SQLVAR& column = *orv_sqlvar(ResultSqlda, i);
    std::memcpy(&entry.sqlname, &column.sqlname, sizeof entry.sqlname);
    if (!IsBlob(Fields[i])) {
      entry.sqltype = column.sqltype;
      entry.sqllen = column.sqllen;
    }
    if (IsFieldNull(Variant(i))) continue;
    if (!IsBlob(Fields[i])) {
      entry.sqldata = p;
    } else {
      TOrvaneBlobStream* blob = BlobManager->BlobByName(Fields[i].Name);
      if (InternalBlobToVariable(Fields[i].Name, blob->Memory, blob->DataSize)) {
        names.Add(Fields[i].Name);
        entry.sqltype = ESQL_VARIABLE;
        entry.sqldata = Fields[i].Name;
      }
    }
  }
  // The row the server writes back lands in the first row of the block.
  ZeroFetchBuffer();
  ASA_DBPP(dbpp_put_into, &session.SQLCA, CursorName, d.get(), ResultSqlda);
  int kept = session.SQLCA.sqlcode;
  InternalDropVariables(&names);
  if (kept >= 0) {
    // The inserted row becomes current even in a cursor that had no row,
    // and a failed insert keeps the row the application was editing.
    const int row = BufferRow;
    const int rows = BufferRowCount;
    BufferRow = 0;
    BufferRowCount = std::max(rows, 1);
    InternalLoadRow();
    BufferRow = row;
    BufferRowCount = rows;
  }
  session.SQLCA.sqlcode = kept;
  bool result = CheckResult();
  if (result) AutoCommitRule();
  return result;
}

bool TAsaSQL::Delete() {
  RequireWritable();
  TAsaSession& session = AsaSession();
  ASA_DBPP(dbpp_delete, &session.SQLCA, CursorName, nullptr, nullptr);
  bool result = CheckResult();
  if (result) AutoCommitRule();
  return result;
}

void TAsaSQL::Explain(std::string& plan) {
  plan.clear();
  RequireOpened();
  TAsaSession& session = AsaSession();
  TSqldaPtr d(ASA_CALL(alloc_sqlda, 1u), TSqldaRelease{false});
  if (!d) RaiseLastError<EAsaException>(Format(SOrvOutOfMemory, {int(sizeof(SQLDA))}), 0);
  d->sqld = d->sqln;
  char buffer[301] = {};
  SQLVAR& entry = *orv_sqlvar(d.get(), 0);
  entry.sqltype = ESQL_STRING;
  entry.sqllen = 300;
  entry.sqldata = buffer;
  ASA_DBPP(dbpp_explain, &session.SQLCA, CursorName, 0u, d.get());
  if (CheckResult()) plan.assign(buffer, strnlen(buffer, sizeof buffer));
}

bool TAsaSQL::Resume() {
  RequireOpened();
  TAsaSession& session = AsaSession();
  ASA_DBPP(dbpp_resume, &session.SQLCA, CursorName);
  RecordCount = std::abs(SQLCOUNT(session.SQLCA));
  if (!CheckResult()) return false;
  BufferRow = 0;
  BufferRowCount = 0;
  RecNo = -1;
  Bof = Eof = true;
  return InternalDescribeOpen(ReadOnly) && Next();
}
