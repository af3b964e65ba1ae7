// TAsaSQL: construction, published properties, the column type mapping,
// preparing and describing statements, and releasing them.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "AsaBlobStream.h"
#include "AsaSQL.h"
#include "AsaSession.h"
#include "ClassRegistry.h"
#include "Format.h"

ORV_IMPLEMENT_CLASS(TAsaSQL)

namespace {

const bool registered = [] {
  RegisterClass(TAsaSQL::StaticClass());
  return true;
}();

char ModuleName[] = "OrvaneDB";

// The descriptor's entry count is 16-bit.
constexpr int MaxDescriptorEntries = 32767;

constexpr const char* SAsaNotAsaSession = "The session of %s is not a SQL Anywhere session";
constexpr const char* SAsaNoDescriptor = "The library could not allocate a descriptor of %d entries";

}  // namespace

TAsaSQL::TAsaSQL(TComponent* owner) : TOrvaneSQL(owner) {}

TAsaSQL::~TAsaSQL() { BeforeDestruction(); }

void TAsaSQL::Publish(TPropertyTable<TAsaSQL>& props) {
  props.Add("UniDirectional", &TOrvaneSQL::UniDirectional, &TOrvaneSQL::SetUniDirectional).Default(true);
  props.Add("WantExceptions", &TOrvaneSQL::WantExceptions, &TOrvaneSQL::SetWantExceptions)
      .Default(false);
}

TAsaSession& TAsaSQL::AsaSession() const {
  TOrvaneSession* session = GetSession();
  auto* asa = dynamic_cast<TAsaSession*>(session);
  if (asa == nullptr) {
    std::string name = Name();
    if (session != nullptr) session->RaiseLastError<EAsaException>(Format(SAsaNotAsaSession, {name}), 0);
    throw EAsaException(Format(SAsaNotAsaSession, {name}), 0);
  }
  return *asa;
}

::SQLCA* TAsaSQL::Sqlca() const { return &AsaSession().SQLCA; }

bool TAsaSQL::CheckResult() { return Check(nullptr, 0, 0, WantExceptions()); }

std::string AsaQuoteIdentifier(const std::string& name) {
  bool plain = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_');
  for (char c : name)
    plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
  if (plain) return name;
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

namespace {
SQLDA* AllocSqlda(TAsaSQL& sql, int count) {
  SQLDA* da = ASA_CALL(alloc_sqlda, static_cast<unsigned>(count));
  if (da == nullptr) sql.RaiseLastError<EAsaException>(Format(SAsaNoDescriptor, {count}), 0);
  return da;
}
void FreeSqlda(SQLDA*& da) {
  ASA_CALL(free_sqlda, da);
  da = nullptr;
}
}  // namespace

bool TAsaSQL::InternalSetFieldDef(int index, void* vendorDescriptor, TOrvaneFieldDesc& desc,
                                  int longSize) {
  SQLVAR& var = *orv_sqlvar(static_cast<SQLDA*>(vendorDescriptor), index);
  int nameLength = std::clamp<int>(var.sqlname.length, 0, static_cast<int>(sizeof var.sqlname.data));
  OrvSetFieldDescName(desc, var.sqlname.data, nameLength);
  desc.Nulls = (var.sqltype & 1) != 0;
  int len = var.sqllen;
  auto set = [&desc](TOrvaneFieldTypes type, int ext, int size) {
    desc.FieldType = type;
    desc.ExtType = ext;
    desc.Size = size;
  };
  switch (var.sqltype & 1022) {
    case ESQL_DATE: set(ntDate, ESQL_TIMESTAMP_STRUCT, 14); desc.Length = 10; break;
    case ESQL_TIME: set(ntTime, ESQL_TIMESTAMP_STRUCT, 14); desc.Length = 8; break;
    case ESQL_TIMESTAMP_STRUCT:
    case ESQL_TIMESTAMP: set(ntDateTime, ESQL_TIMESTAMP_STRUCT, 14); desc.Length = 19; break;
    case ESQL_VARCHAR:
    case ESQL_FIXCHAR:
    case ESQL_STRING:
      // A negative 16-bit length cannot describe a buffer; it is taken as
      // empty. The terminator must fit the entry's 16-bit length too.
      len = std::clamp(len, 0, 32766);
      set(ntString, ESQL_STRING, len + 1);
      desc.Length = len;
      break;
    case ESQL_LONGVARCHAR: set(ntMemo, ESQL_STRING, longSize); break;
    case ESQL_DOUBLE:
    case ESQL_FLOAT:
    case ESQL_BIGINT:
    case ESQL_UNSBIGINT: set(ntFloat, ESQL_DOUBLE, 8); desc.Length = 10; break;
    case ESQL_DECIMAL: {
      int scale = (static_cast<uint16_t>(var.sqllen) >> 8) & 0xFF;
      set(scale == 4 ? ntCurrency : ntFloat, ESQL_DOUBLE, 8);
      desc.Length = 10;
      desc.Decimals = scale;
      break;
    }
    case ESQL_INT:
    case ESQL_SMALLINT:
    case ESQL_TINYINT:
    case ESQL_UNSINT:
    case ESQL_UNSSMALLINT: set(ntInteger, ESQL_INT, 4); desc.Length = 10; break;
    case ESQL_BINARY:
      len = std::clamp(len, 0, 32765);
      set(ntBinary, ESQL_BINARY, len + 2);
      desc.Length = len;
      break;
    case ESQL_LONGBINARY: set(ntBlob, ESQL_STRING, longSize); break;
    case ESQL_BIT: set(ntBoolean, ESQL_BIT, 1); desc.Length = 5; break;
    default: set(ntUnknown, 0, 0); break;
  }
  var.sqltype = static_cast<int16_t>(desc.ExtType + (desc.Nulls ? 1 : 0));
  var.sqllen = static_cast<int16_t>(desc.Size);
  return true;
}

int TAsaSQL::RowsPerFetch(int wanted) const {
  if (FieldCount <= 0) return std::max(wanted, 1);
  return std::clamp(wanted, 1, MaxDescriptorEntries / FieldCount);
}

void TAsaSQL::ColumnLayout() {
  const int rows = FetchCount;
  RecordSize = 0;
  for (int i = 0; i < FieldCount; ++i)
    if (InternalSetFieldDef(i, ResultSqlda, Fields[i], BlobSize + 4)) RecordSize += Fields[i].Size;
  for (int r = 1; r < rows; ++r) {
    for (int i = 0; i < FieldCount; ++i) {
      SQLVAR& from = *orv_sqlvar(ResultSqlda, i);
      SQLVAR& to = *orv_sqlvar(ResultSqlda, r * FieldCount + i);
      to.sqltype = from.sqltype;
      to.sqllen = from.sqllen;
      std::memcpy(&to.sqlname, &from.sqlname, sizeof to.sqlname);
    }
  }
  InternalAllocOpenBuffer();
  BlobManager->Clear();
  char* p = FetchBuffer;
  for (int r = 0; r < rows; ++r) {
    for (int i = 0; i < FieldCount; ++i) {
      orv_sqlvar(ResultSqlda, r * FieldCount + i)->sqldata = p;
      if (r == 0 && (Fields[i].FieldType == ntMemo || Fields[i].FieldType == ntBlob))
        InternalCreateBlobStream(Fields[i].Name);
      p += Fields[i].Size;
    }
  }
}

bool TAsaSQL::InternalPrepareOpen(const std::string& text) {
  TAsaSession& session = AsaSession();
  session.InternalLibraryHandleNeeded();
  DescribeAfterOpen = false;
  std::string sql = text;
  ASA_DBPP(dbpp_prepare, &session.SQLCA, nullptr, ModuleName, &OpenStmtNum, sql.data(), nullptr, 1u);
  if (!CheckResult()) return false;
  SQLDA* probe = AllocSqlda(*this, 0);
  ASA_DBPP(dbpp_describe, &session.SQLCA, nullptr, ModuleName, &OpenStmtNum, probe, 9u);
  FreeSqlda(probe);
  if (!CheckResult()) return false;
  DescribeAfterOpen = SQLCOUNT(session.SQLCA) == 0 && !LibNoVersionCheck;
  if (!DescribeAfterOpen && !InternalDescribePrepare()) return false;
  return TOrvaneSQL::InternalPrepareOpen(text);
}

bool TAsaSQL::InternalDescribePrepare() {
  TAsaSession& session = AsaSession();
  FreeSqlda(ResultSqlda);
  ResultSqlda = AllocSqlda(*this, 0);
  ASA_DBPP(dbpp_describe, &session.SQLCA, nullptr, ModuleName, &OpenStmtNum, ResultSqlda, 1u);
  if (!CheckResult()) return false;
  int count = ResultSqlda->sqld;
  FreeSqlda(ResultSqlda);
  // More columns than descriptors: refused before anything is written.
  if (count > ORVANE_MAX_FIELDS)
    RaiseLastError<EAsaException>(Format(SOrvTooManyFields, {count, ORVANE_MAX_FIELDS}), 0);
  InternalFreeOpenBuffer();
  FieldCount = std::max(count, 0);
  FetchCount = RowsPerFetch(MaxFetchCount);
  ResultSqlda = AllocSqlda(*this, FieldCount * FetchCount);
  ASA_DBPP(dbpp_describe, &session.SQLCA, nullptr, ModuleName, &OpenStmtNum, ResultSqlda, 1u);
  ResultSqlda->sqld = ResultSqlda->sqln;
  ColumnLayout();
  return true;
}

bool TAsaSQL::InternalDescribeOpen(bool readOnly) {
  TAsaSession& session = AsaSession();
  FreeSqlda(ResultSqlda);
  InternalFreeOpenBuffer();
  ResultSqlda = AllocSqlda(*this, 0);
  ASA_DBPP(dbpp_describe_cursor, &session.SQLCA, CursorName, ResultSqlda, 1u);
  if (!CheckResult()) return false;
  int count = ResultSqlda->sqld;
  FreeSqlda(ResultSqlda);
  if (count > ORVANE_MAX_FIELDS)
    RaiseLastError<EAsaException>(Format(SOrvTooManyFields, {count, ORVANE_MAX_FIELDS}), 0);
  FieldCount = std::max(count, 0);
  ResultSqlda = AllocSqlda(*this, FieldCount);
  ASA_DBPP(dbpp_describe_cursor, &session.SQLCA, CursorName, ResultSqlda, 1u);
  FetchCount = RowsPerFetch(MaxFetchCount);
  if (!readOnly) {
    FetchCount = 1;
  } else {
    for (int i = 0; i < FieldCount; ++i) {
      int type = orv_sqlvar(ResultSqlda, i)->sqltype & 1022;
      if (type == ESQL_LONGVARCHAR || type == ESQL_LONGBINARY) FetchCount = 1;
    }
  }
  if (FetchCount > 1) {
    FreeSqlda(ResultSqlda);
    ResultSqlda = AllocSqlda(*this, FieldCount * FetchCount);
    ASA_DBPP(dbpp_describe_cursor, &session.SQLCA, CursorName, ResultSqlda, 1u);
  }
  ResultSqlda->sqld = ResultSqlda->sqln;
  ColumnLayout();
  return true;
}

bool TAsaSQL::InternalPrepareExecute(const std::string& text) {
  TAsaSession& session = AsaSession();
  session.InternalLibraryHandleNeeded();
  std::string sql = text;
  ASA_DBPP(dbpp_prepare, &session.SQLCA, nullptr, ModuleName, &ExecStmtNum, sql.data(), nullptr, 1u);
  if (!CheckResult()) return false;
  return TOrvaneSQL::InternalPrepareExecute(text);
}

void TAsaSQL::InternalUnprepareOpen() {
  if (ResultSqlda != nullptr || OpenBindSqlda != nullptr) {
    FreeSqlda(ResultSqlda);
    FreeSqlda(OpenBindSqlda);
  }
  if (OpenPrepared) {
    if (BeforeClose) BeforeClose(this);
    ASA_DBPP(dbpp_dropstmt, Sqlca(), nullptr, ModuleName, &OpenStmtNum);
    TOrvaneSQL::InternalUnprepareOpen();
    if (AfterClose) AfterClose(this);
  } else {
    TOrvaneSQL::InternalUnprepareOpen();
  }
}

void TAsaSQL::InternalUnprepareExecute() {
  if (ExecInSqlda != nullptr || ExecOutSqlda != nullptr) {
    FreeSqlda(ExecInSqlda);
    FreeSqlda(ExecOutSqlda);
  }
  if (ExecPrepared) ASA_DBPP(dbpp_dropstmt, Sqlca(), nullptr, ModuleName, &ExecStmtNum);
  TOrvaneSQL::InternalUnprepareExecute();
}

void TAsaSQL::InternalCreateBlobStream(const std::string& fieldName) {
  // The constructor registers the stream with the manager, which owns it.
  new TAsaBlobStream(BlobManager.get(), fieldName);
}
