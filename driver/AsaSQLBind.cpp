// TAsaSQL: binding host variables to the input and output descriptors, and
// long values through connection variables filled in pieces.
#include <algorithm>
#include <cstring>

#include "AsaSQL.h"
#include "AsaSession.h"
#include "Format.h"
#include "StringLists.h"

namespace {

char ModuleName[] = "OrvaneDB";

// A binary host variable of 32,767 bytes carries its 16-bit length too.
constexpr int PieceSize = 32765;

constexpr const char* SAsaLongCursorValue =
    "Host variable %d of a cursor statement is a long value (%d bytes); long values can be "
    "passed to executed statements only";
constexpr const char* SAsaNoDescriptor = "The library could not allocate a descriptor of %d entries";

SQLDA* AllocSqlda(TAsaSQL& sql, int count) {
  SQLDA* da = ASA_CALL(alloc_sqlda, static_cast<unsigned>(std::max(count, 0)));
  if (da == nullptr) sql.RaiseLastError<EAsaException>(Format(SAsaNoDescriptor, {count}), 0);
  return da;
}

void FreeSqlda(SQLDA*& da) {
  ASA_CALL(free_sqlda, da);
  da = nullptr;
}

}  // namespace

bool TAsaSQL::InternalBindVariables(int16_t* statementNumber, TOrvaneVariables& variables,
                                    void*& vendorDescriptor, TStrings* blobNames) {
  TAsaSession& session = AsaSession();
  SQLDA* da = static_cast<SQLDA*>(vendorDescriptor);
  FreeSqlda(da);
  vendorDescriptor = da = AllocSqlda(*this, 0);
  ASA_DBPP(dbpp_describe, &session.SQLCA, nullptr, ModuleName, statementNumber, da, 2u);
  if (!CheckResult()) return false;
  const int n = std::max<int>(da->sqld, 0);
  FreeSqlda(da);
  vendorDescriptor = nullptr;
  vendorDescriptor = da = AllocSqlda(*this, n);
  ASA_DBPP(dbpp_describe, &session.SQLCA, nullptr, ModuleName, statementNumber, da, 2u);
  da->sqld = static_cast<int16_t>(n);

  char* p = variables.Buffer;
  int j = 0;
  for (int i = 0; i < n; ++i) {
    SQLVAR& var = *orv_sqlvar(da, i);
    const uint16_t ind = var.sqlind != nullptr ? static_cast<uint16_t>(*var.sqlind) : 0;
    auto setNull = [&var] {
      if (var.sqlind != nullptr) *var.sqlind = -1;
    };
    // The describe leaves its direction flags in the indicator; those of an
    // in-out argument (both top bits) read as a negative indicator, which
    // would send the value as NULL, so an entry given a value says so.
    auto setValue = [&var] {
      if (var.sqlind != nullptr) *var.sqlind = 0;
    };
    if ((ind & 0x8000) != 0 && (ind & 0x4000) == 0) {
      setNull();  // an output-only procedure argument takes no value
      continue;
    }
    if (j >= variables.Count) {
      setNull();
      ++j;
      continue;
    }
    TOrvaneFieldDesc& item = variables.Items[j];
    int nameLength = std::clamp<int>(var.sqlname.length, 0, static_cast<int>(sizeof var.sqlname.data));
    OrvSetFieldDescName(item, var.sqlname.data, nameLength);
    if (item.FieldType == ntUnknown) {
      setNull();
    } else if (item.FieldType != ntMemo && item.FieldType != ntBlob) {
      var.sqltype = static_cast<int16_t>(item.ExtType);
      var.sqllen = static_cast<int16_t>(item.Size);
      var.sqldata = p;
      setValue();
    } else if (blobNames != nullptr) {
      std::string name = "blobparam" + std::to_string(i + 1);
      if (InternalBlobToVariable(name.c_str(), p, item.Size)) {
        blobNames->Add(name);
        FBlobNameTexts.push_back(name);
        var.sqltype = ESQL_VARIABLE;
        var.sqldata = FBlobNameTexts.back().data();
        setValue();
      }
    } else {
      // No list to drop a connection variable by: sending the entry as the
      // describe left it would pass no value at all.
      RaiseLastError<EAsaException>(Format(SAsaLongCursorValue, {j + 1, item.Size}), 0);
    }
    p += item.Size;
    ++j;
  }
  return true;
}

bool TAsaSQL::InternalBindOutVariables(int16_t* statementNumber, TOrvaneVariables& variables,
                                       void*& vendorDescriptor, TStrings*) {
  TAsaSession& session = AsaSession();
  SQLDA* da = static_cast<SQLDA*>(vendorDescriptor);
  FreeSqlda(da);
  vendorDescriptor = da = AllocSqlda(*this, 0);
  ASA_DBPP(dbpp_describe, &session.SQLCA, nullptr, ModuleName, statementNumber, da, 1u);
  if (!CheckResult()) return false;
  const int n = da->sqld;
  FreeSqlda(da);
  vendorDescriptor = nullptr;
  if (n <= 0) return true;
  InternalCheckOutVariables(variables, n);
  vendorDescriptor = da = AllocSqlda(*this, n);
  ASA_DBPP(dbpp_describe, &session.SQLCA, nullptr, ModuleName, statementNumber, da, 1u);
  da->sqld = static_cast<int16_t>(n);
  OrvDisposeMem(variables.OutBuffer, variables.OutBufferSize);
  variables.OutBufferSize = 0;
  variables.OutCount = 0;
  for (int i = 0; i < n; ++i) {
    TOrvaneFieldDesc& item = variables.Items[variables.Count + variables.OutCount];
    if (InternalSetFieldDef(i, da, item, 32767)) {
      variables.OutBufferSize += item.Size;
      ++variables.OutCount;
    }
  }
  variables.OutBuffer = static_cast<char*>(OrvAllocMem(variables.OutBufferSize));
  char* p = variables.OutBuffer;
  for (int k = 0; k < variables.OutCount; ++k) {
    orv_sqlvar(da, k)->sqldata = p;
    p += variables.Items[variables.Count + k].Size;
  }
  return true;
}

bool TAsaSQL::InternalRunSQL(const std::string& sql, const Variant& params) {
  TAsaSession& session = AsaSession();
  std::string text = sql;
  if (VarIsNull(params)) {
    ASA_DBPP(dbpp_execute_imm, &session.SQLCA, text.data(), 2u);
    return CheckResult();
  }
  TOrvaneVariables vars;
  std::memset(&vars, 0, sizeof vars);
  short stmt = 0;
  void* da = nullptr;
  ASA_DBPP(dbpp_prepare, &session.SQLCA, nullptr, ModuleName, &stmt, text.data(), nullptr, 1u);
  if (!CheckResult()) return false;
  struct Release {
    TAsaSQL& self;
    TAsaSession& session;
    TOrvaneVariables& vars;
    short& stmt;
    void*& da;
    ~Release() {
      try {
        self.InternalClearVariables(vars);
        ASA_DBPP(dbpp_dropstmt, &session.SQLCA, nullptr, ModuleName, &stmt);
        SQLDA* d = static_cast<SQLDA*>(da);
        FreeSqlda(d);
      } catch (...) {
      }
    }
  } release{*this, session, vars, stmt, da};
  InternalSetVariables(params, vars);
  if (!InternalBindVariables(&stmt, vars, da, nullptr)) return false;
  ASA_DBPP(dbpp_execute_into, &session.SQLCA, nullptr, ModuleName, &stmt, static_cast<SQLDA*>(da),
           nullptr);
  return CheckResult();
}

bool TAsaSQL::InternalBlobToVariable(const char* name, const void* data, int size) {
  const std::string quoted = AsaQuoteIdentifier(name);
  if (!InternalRunSQL("create variable " + quoted + " long binary", Null())) return false;
  if (!InternalRunSQL("set " + quoted + "=''", Null())) return false;
  if (data != nullptr) {
    const std::string append = "set " + quoted + "=" + quoted + " || :blob_host";
    // A piece of no bytes would travel as NULL and make the whole value NULL,
    // so an empty value stays the empty text set above.
    for (int offset = 0; offset < size;) {
      int piece = std::min(size - offset, PieceSize);
      Variant v = StrToVarByte(static_cast<const char*>(data) + offset, piece);
      Variant params = VarArrayOf({v});
      InternalRunSQL(append, params);
      offset += piece;
      if (GetLastErrorCode() < 0) break;
    }
  }
  return GetLastErrorCode() == 0;
}

void TAsaSQL::InternalDropVariables(TStrings* names) {
  if (names == nullptr) return;
  for (int i = 0; i < names->Count(); ++i)
    InternalRunSQL("drop variable " + AsaQuoteIdentifier(names->Strings(i)), Null());
}
