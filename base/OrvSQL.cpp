// The statement frame: session link, state flags and the order of the steps
// of preparing, opening, executing, closing and unpreparing.
#include "OrvSQL.h"

#include <cstring>

#include "AnsiStrings.h"
#include "Format.h"
#include "OrvBlobStream.h"
#include "OrvMessages.h"
#include "OrvRoutines.h"
#include "StringLists.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TOrvaneSQL)

void TOrvaneSQL::Publish(TPropertyTable<TOrvaneSQL>& props) {
  props.Add("Session", &TOrvaneSQL::GetSession, &TOrvaneSQL::SetSession);
}

TOrvaneSQL::TOrvaneSQL(TComponent* owner)
    : TComponent(owner), BlobManager(std::make_unique<TOrvaneBlobManager>(this)) {
  std::memset(Fields, 0, sizeof Fields);
  std::memset(&ExecVariables, 0, sizeof ExecVariables);
  std::memset(&OpenVariables, 0, sizeof OpenVariables);
}

TOrvaneSQL::~TOrvaneSQL() {
  if (!FDestructionDone) {
    // The driver did not run the destruction steps and its overrides are gone:
    // release what the frame owns with the frame's own parts only.
    FDestructionDone = true;
    TOrvaneSQL::InternalClose();
    InternalFreeOpenBuffer();
    TOrvaneSQL::InternalClearVariables(OpenVariables);
    TOrvaneSQL::InternalClearVariables(ExecVariables);
    BlobManager.reset();
    SetSession(nullptr);
  }
}

void TOrvaneSQL::BeforeDestruction() {
  if (FDestructionDone) return;
  FDestructionDone = true;
  // Releasing ignores the outcome, and a destructor cannot pass an error on:
  // a failing driver step must not keep the rest from being released.
  try {
    UnprepareOpen();
  } catch (...) {
  }
  try {
    UnprepareExecute();
  } catch (...) {
  }
  InternalFreeOpenBuffer();
  TOrvaneSQL::InternalClearVariables(OpenVariables);
  TOrvaneSQL::InternalClearVariables(ExecVariables);
  BlobManager.reset();
  SetSession(nullptr);
}

TOrvaneSession* TOrvaneSQL::GetSession() const {
  if (FSession == nullptr && !ComponentState().Contains(csDesigning))
    throw EOrvaneException(ORVANE_ERR_SESS_NIL.Load(), 0);
  return FSession;
}

TOrvaneSession& TOrvaneSQL::RequireSession() const {
  // Also at design time: an operation that needs the session cannot use an
  // absent one.
  if (FSession == nullptr) throw EOrvaneException(ORVANE_ERR_SESS_NIL.Load(), 0);
  return *FSession;
}

void TOrvaneSQL::SetSession(TOrvaneSession* session) {
  if (FSession != nullptr) FSession->RemoveQuery(this);
  if (session != nullptr) session->AddQuery(this);
}

void TOrvaneSQL::SetBlobSize(int n) {
  if (n >= 0 && n <= 32763) BlobSize = n;
}

void TOrvaneSQL::SetMaxFetchCount(int n) {
  if (n >= 1 && n <= 1000) MaxFetchCount = n;
}

std::string TOrvaneSQL::GetLastError() const { return RequireSession().LastError; }

int32_t TOrvaneSQL::GetLastErrorCode() const { return RequireSession().LastErrorCode; }

bool TOrvaneSQL::Check(void* context, int code, int extra, bool raiseOnError) {
  return RequireSession().Check(context, code, extra, raiseOnError);
}

void TOrvaneSQL::StatementToOem(std::string& text) {
  TOrvaneSession& session = RequireSession();
  if (!session.OEMConvert()) return;
  size_t length = strnlen(text.c_str(), text.size());
  text.resize(length);
  session.TranslateChar(text.data(), text.data(), static_cast<int>(length), true);
}

// Cursor side ---------------------------------------------------------------

bool TOrvaneSQL::PrepareOpen(const std::string& text) {
  std::string converted = text;
  StatementToOem(converted);
  UnprepareOpen();
  return InternalPrepareOpen(converted);
}

bool TOrvaneSQL::OpenCursor(const std::string& text, const TOrvaneValues& values, bool readOnly) {
  std::string converted = text;
  StatementToOem(converted);
  // A statement last opened for reading is prepared again for writing.
  if (converted != OpenText || (!readOnly && ReadOnly))
    UnprepareOpen();
  else
    InternalClose();
  Variant list;
  InternalCheckVarValues(values, list);
  InternalSetVariables(list, OpenVariables);
  if (!OpenPrepared && !InternalPrepareOpen(converted)) return false;
  if (!OpenVariables.Bound && !InternalBindOpenVariables(nullptr)) return false;
  return InternalOpen(readOnly);
}

bool TOrvaneSQL::OpenRead(const std::string& text, const TOrvaneValues& values) {
  return OpenCursor(text, values, true);
}

bool TOrvaneSQL::OpenWrite(const std::string& text, const TOrvaneValues& values) {
  return OpenCursor(text, values, false);
}

bool TOrvaneSQL::OpenCursorPrepared(const TOrvaneValues& values, bool readOnly) {
  if (!OpenPrepared) RaiseLastError(ORVANE_ERR_CURS_NOT_PREPARED.Load(), 0);
  RequireSession();
  InternalClose();
  Variant list;
  InternalCheckVarValues(values, list);
  InternalSetVariables(list, OpenVariables);
  if (!OpenVariables.Bound && !InternalBindOpenVariables(nullptr)) return false;
  return InternalOpen(readOnly);
}

bool TOrvaneSQL::OpenReadPrepared(const TOrvaneValues& values) {
  return OpenCursorPrepared(values, true);
}

bool TOrvaneSQL::OpenWritePrepared(const TOrvaneValues& values) {
  return OpenCursorPrepared(values, false);
}

bool TOrvaneSQL::Describe(const std::string& text) {
  std::string converted = text;
  StatementToOem(converted);
  if (converted != OpenText)
    UnprepareOpen();
  else
    InternalClose();
  if (OpenPrepared) return true;
  return InternalPrepareOpen(converted);
}

void TOrvaneSQL::Close() { InternalClose(); }

void TOrvaneSQL::UnprepareOpen() {
  InternalClose();
  if (OpenPrepared) InternalUnprepareOpen();
  InternalClearVariables(OpenVariables);
}

// Execute side --------------------------------------------------------------

bool TOrvaneSQL::PrepareExecute(const std::string& text) {
  std::string converted = text;
  StatementToOem(converted);
  UnprepareExecute();
  return InternalPrepareExecute(converted);
}

bool TOrvaneSQL::Execute(const std::string& text, const TOrvaneValues& values) {
  std::string converted = text;
  StatementToOem(converted);
  if (converted != ExecuteText) UnprepareExecute();
  Variant list;
  InternalCheckVarValues(values, list);
  InternalSetVariables(list, ExecVariables);
  // The names of the server-side variables made for long values travel from
  // binding to execution in this list; it goes with the call.
  TStringList names;
  if (!ExecPrepared && !InternalPrepareExecute(converted)) return false;
  if (!ExecVariables.Bound && !InternalBindExecVariables(&names)) return false;
  return InternalExecute(&names);
}

bool TOrvaneSQL::ExecutePrepared(const TOrvaneValues& values) {
  if (!ExecPrepared) RaiseLastError(ORVANE_ERR_STMT_NOT_PREPARED.Load(), 0);
  RequireSession();
  Variant list;
  InternalCheckVarValues(values, list);
  InternalSetVariables(list, ExecVariables);
  TStringList names;
  if (!ExecVariables.Bound && !InternalBindExecVariables(&names)) return false;
  return InternalExecute(&names);
}

void TOrvaneSQL::UnprepareExecute() {
  if (ExecPrepared) InternalUnprepareExecute();
  InternalClearVariables(ExecVariables);
}

Variant TOrvaneSQL::GetOutVar(const Variant& variable) {
  Variant result = Null();
  const TOrvaneVariables& vars = ExecVariables;
  // Never trust the counts past the record's end.
  int outCount = vars.OutCount;
  if (outCount > ORVANE_MAX_VARIABLES - vars.Count) outCount = ORVANE_MAX_VARIABLES - vars.Count;
  int found = -1;
  int offset = 0;
  if (VarType(variable) == varInteger) {
    int64_t i = variable.RawInt();
    if (i >= 0 && i < outCount) {
      found = static_cast<int>(i);
      for (int k = 0; k < found; ++k) offset += vars.Items[vars.Count + k].Size;
    }
  } else {
    std::string name = IdentifierText(variable);
    for (int k = 0; k < outCount; ++k) {
      const TOrvaneFieldDesc& item = vars.Items[vars.Count + k];
      if (AnsiSameText(item.Name, name)) {
        found = k;
        break;
      }
      offset += item.Size;
    }
  }
  if (found < 0)
    RaiseLastError(Format(ORVANE_ERR_PARAM_NOT_FOUND.Load(), {IdentifierText(variable)}), 0);
  const TOrvaneFieldDesc& item = vars.Items[vars.Count + found];
  if (vars.OutBuffer == nullptr || offset + item.Size > vars.OutBufferSize)
    RaiseLastError(Format(SOrvBadRowLayout, {"output variables lie outside their buffer"}), 0);
  GetFieldData(vars.OutBuffer, offset, item.Size, item.FieldType, nullptr, result);
  return result;
}

// Base parts of the slots ---------------------------------------------------

bool TOrvaneSQL::InternalPrepareOpen(const std::string& text) {
  std::string flat = text;
  for (char& c : flat)
    if (c == '\r' || c == '\n') c = ' ';
  std::string upper = UpperCase(flat);
  std::string name;
  size_t from = upper.find(" FROM ");
  if (from != std::string::npos) {
    name = flat.substr(from + 6);
    size_t blank = name.find(' ');
    if (blank != std::string::npos) name.resize(blank);
    size_t comma = name.find(',');
    if (comma != std::string::npos) name.resize(comma);
  }
  TableName = name;
  OpenText = text;
  OpenPrepared = true;
  return true;
}

bool TOrvaneSQL::InternalBindOpenVariables(TStrings* /*list*/) {
  OpenVariables.Bound = true;
  return true;
}

bool TOrvaneSQL::InternalOpen(bool readOnly) {
  RecNo = -1;
  Bof = true;
  Eof = true;
  ReadOnly = readOnly;
  Opened = true;
  return true;
}

void TOrvaneSQL::InternalClose() {
  BufferRow = 0;
  BufferRowCount = 0;
  RecNo = -1;
  Bof = true;
  Eof = true;
  RecordCount = 0;
  Opened = false;
}

void TOrvaneSQL::InternalUnprepareOpen() {
  InternalFreeOpenBuffer();
  TableName.clear();
  OpenText.clear();
  OpenPrepared = false;
}

bool TOrvaneSQL::InternalPrepareExecute(const std::string& text) {
  ExecuteText = text;
  ExecPrepared = true;
  return true;
}

bool TOrvaneSQL::InternalBindExecVariables(TStrings* /*list*/) {
  ExecVariables.Bound = true;
  return true;
}

void TOrvaneSQL::InternalUnprepareExecute() {
  ExecuteText.clear();
  ExecPrepared = false;
}
