// The scripted test driver: every slot notes its call and answers as scripted.
#include "TestDriver.h"

#include <algorithm>
#include <cstring>

#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TTestSession)
ORV_IMPLEMENT_CLASS(TTestSQL)

std::string TCallLog::Text() const {
  std::string text;
  for (const std::string& call : Calls) {
    if (!text.empty()) text += ' ';
    text += call;
  }
  return text;
}

int TCallLog::CountOf(const std::string& call) const {
  return static_cast<int>(std::count(Calls.begin(), Calls.end(), call));
}

// Session ---------------------------------------------------------------------

int TTestSession::LibraryReferences = 0;
int TTestSession::LibraryLoads = 0;

TTestSession::TTestSession(TComponent* owner, TCallLog* log) : TOrvaneSession(owner), Log(log) {}

TTestSession::~TTestSession() { BeforeDestruction(); }

void TTestSession::Publish(TPropertyTable<TTestSession>& props) {
  props.Add("Connected", &TOrvaneSession::Connected, &TOrvaneSession::SetConnected).Default(false);
  props.Add("LibraryFile", &TOrvaneSession::LibraryFile, &TOrvaneSession::SetLibraryFile);
}

void TTestSession::Note(const std::string& call) {
  if (Log != nullptr) Log->Add(call);
}

int TTestSession::GetLibraryReferenceCount() { return LibraryReferences; }

void TTestSession::SetLibraryReferenceCount(int count) { LibraryReferences = count; }

void TTestSession::InternalLoadLibrary() {
  Note("LoadLibrary");
  ++LibraryLoads;
}

void TTestSession::InternalUnLoadLibrary() { Note("UnLoadLibrary"); }

void TTestSession::InternalLoadProcs() { Note("LoadProcs"); }

void TTestSession::InternalUnloadLoadProcs() { Note("UnloadProcs"); }

void TTestSession::SetConnected(bool value) {
  if (ComponentState().Contains(csReading)) {
    TOrvaneSession::SetConnected(value);
    return;
  }
  if (value && !Connected()) {
    Note("Connect");
    InternalLibraryHandleNeeded();
    if (FailConnect) RaiseLastError("Connection refused", -103);
  } else if (!value && Connected()) {
    Note("Disconnect");
    if (FailDisconnect) throw EOrvaneException("connection lost", -308);
    InternalCloseQueries();
  }
  TOrvaneSession::SetConnected(value);
}

void TTestSession::SetLibraryLoaded(bool value) {
  Note(value ? "SetLibraryLoaded(1)" : "SetLibraryLoaded(0)");
  TOrvaneSession::SetLibraryLoaded(value);
}

bool TTestSession::Check(void*, int, int, bool raiseOnError) {
  if (CheckCode >= 0) return true;
  LastError = "Error " + std::to_string(CheckCode);
  LastErrorCode = CheckCode;
  if (raiseOnError) RaiseLastError(LastError, CheckCode);
  return false;
}

void TTestSession::InternalCommit() { Note("Commit"); }

void TTestSession::InternalRollback() { Note("Rollback"); }

bool TTestSession::Stop() { return false; }

// Statement -------------------------------------------------------------------

TTestSQL::TTestSQL(TComponent* owner, TCallLog* log) : TOrvaneSQL(owner), Log(log) {}

TTestSQL::~TTestSQL() { BeforeDestruction(); }

void TTestSQL::Note(const std::string& call) {
  if (Log != nullptr) Log->Add(call);
}

bool TTestSQL::InternalSetFieldDef(int index, void*, TOrvaneFieldDesc& desc, int) {
  const TTestColumn& column = Columns[static_cast<size_t>(index)];
  OrvSetFieldDescName(desc, column.Name.c_str(), static_cast<int>(column.Name.size()));
  desc.FieldType = column.Type;
  desc.ExtType = InternalGetVariableExtType(column.Type);
  desc.Size = column.Size;
  desc.Length = column.Size;
  desc.Decimals = 0;
  desc.Nulls = true;
  return true;
}

bool TTestSQL::InternalPrepareOpen(const std::string& text) {
  Note("PrepareOpen(" + text + ")");
  if (Fails("PrepareOpen")) return false;
  if (!InternalDescribePrepare()) return false;
  return TOrvaneSQL::InternalPrepareOpen(text);
}

bool TTestSQL::InternalDescribePrepare() {
  InternalFreeOpenBuffer();
  InternalCheckFieldCount(static_cast<int>(Columns.size()));
  FieldCount = static_cast<int>(Columns.size());
  RecordSize = 0;
  for (int i = 0; i < FieldCount; ++i) {
    InternalSetFieldDef(i, nullptr, Fields[i], 0);
    RecordSize += Fields[i].Size;
  }
  FetchCount = 1;
  InternalAllocOpenBuffer();
  for (int i = 0; i < FieldCount; ++i)
    if (OrvIsBlobType(Fields[i].FieldType)) InternalCreateBlobStream(Fields[i].Name);
  return true;
}

bool TTestSQL::InternalBindOpenVariables(TStrings* list) {
  Note("BindOpen");
  if (Fails("BindOpen")) return false;
  return TOrvaneSQL::InternalBindOpenVariables(list);
}

bool TTestSQL::InternalOpen(bool readOnly) {
  Note(readOnly ? "Open(read)" : "Open(write)");
  if (Fails("Open")) return false;
  TOrvaneSQL::InternalOpen(readOnly);
  if (RecordBuffer == nullptr) return true;
  if (!Rows.empty()) {
    LoadRow(Rows[0]);
    RecNo = 0;
    Bof = false;
    Eof = false;
    RecordCount = static_cast<int>(Rows.size());
    return true;
  }
  // The first row becomes current, the way a driver's fetch leaves it.
  std::vector<Variant> values;
  for (const TTestColumn& column : Columns) values.push_back(column.Value);
  LoadRow(values);
  RecNo = 0;
  Bof = false;
  Eof = false;
  RecordCount = 1;
  return true;
}

void TTestSQL::LoadRow(const std::vector<Variant>& values) {
  int offset = 0;
  std::memset(RecordBuffer, 0, static_cast<size_t>(RecordSize));
  for (int i = 0; i < FieldCount; ++i) {
    const Variant value = static_cast<size_t>(i) < values.size() ? values[static_cast<size_t>(i)] : Null();
    if (VarIsNull(value)) {
      NullIndicators[i] = 1;
    } else {
      PutFieldData(RecordBuffer, offset, Fields[i].Size, Fields[i].FieldType, value, nullptr);
      NullIndicators[i] = 0;
    }
    offset += Fields[i].Size;
  }
  std::memcpy(OldRecordBuffer, RecordBuffer, static_cast<size_t>(RecordSize));
  std::memcpy(OldNullIndicators, NullIndicators, static_cast<size_t>(FieldCount));
  BlobManager->ClearBlobs();
}

bool TTestSQL::InternalDescribeOpen(bool) { return InternalDescribePrepare(); }

void TTestSQL::InternalClose() {
  Note("Close");
  TOrvaneSQL::InternalClose();
}

void TTestSQL::InternalUnprepareOpen() {
  Note("UnprepareOpen");
  if (Fails("UnprepareOpen")) throw EOrvaneException("drop failed", -1);
  TOrvaneSQL::InternalUnprepareOpen();
}

bool TTestSQL::InternalPrepareExecute(const std::string& text) {
  Note("PrepareExecute(" + text + ")");
  if (Fails("PrepareExecute")) return false;
  return TOrvaneSQL::InternalPrepareExecute(text);
}

bool TTestSQL::InternalBindExecVariables(TStrings* list) {
  Note("BindExec");
  if (Fails("BindExec")) return false;
  void* descriptor = nullptr;
  if (!InternalBindVariables(nullptr, ExecVariables, descriptor, list)) return false;
  if (!InternalBindOutVariables(nullptr, ExecVariables, descriptor, list)) return false;
  return TOrvaneSQL::InternalBindExecVariables(list);
}

bool TTestSQL::InternalExecute(TStrings* list) {
  Note(list != nullptr ? "Execute(list)" : "Execute");
  if (Fails("Execute")) return false;
  // Output values arrive with the execution.
  int offset = 0;
  for (int k = 0; k < ExecVariables.OutCount; ++k) {
    const TOrvaneFieldDesc& item = ExecVariables.Items[ExecVariables.Count + k];
    if (static_cast<size_t>(k) < Outputs.size())
      PutFieldData(ExecVariables.OutBuffer, offset, item.Size, item.FieldType,
                   Outputs[static_cast<size_t>(k)].Value, nullptr);
    offset += item.Size;
  }
  RowsProcessed = 1;
  return true;
}

void TTestSQL::InternalUnprepareExecute() {
  Note("UnprepareExecute");
  TOrvaneSQL::InternalUnprepareExecute();
}

void TTestSQL::InternalClearVariables(TOrvaneVariables& variables) {
  TOrvaneSQL::InternalClearVariables(variables);
}

int TTestSQL::InternalGetVariableLength(TOrvaneFieldTypes type) {
  switch (type) {
    case ntUnknown: return 0;
    case ntString: return 8193;
    case ntInteger: return 4;
    case ntFloat:
    case ntCurrency: return 8;
    case ntDate:
    case ntTime:
    case ntDateTime: return 14;
    case ntBoolean: return 1;
    case ntBinary:
    case ntMemo:
    case ntBlob: return 32767;
  }
  return 0;
}

int TTestSQL::InternalGetVariableExtType(TOrvaneFieldTypes type) {
  switch (type) {
    case ntUnknown: return 0;
    case ntString: return 460;
    case ntInteger: return 496;
    case ntFloat:
    case ntCurrency: return 480;
    case ntDate:
    case ntTime:
    case ntDateTime: return 390;
    case ntBoolean: return 624;
    case ntBinary: return 524;
    case ntMemo: return 460;
    case ntBlob: return 524;
  }
  return 0;
}

bool TTestSQL::InternalBindVariables(int16_t*, TOrvaneVariables&, void*&, TStrings*) {
  Note("BindVariables");
  return !Fails("BindVariables");
}

bool TTestSQL::InternalBindOutVariables(int16_t*, TOrvaneVariables& variables, void*&, TStrings*) {
  const int n = static_cast<int>(Outputs.size()) + ExtraOutputs;
  if (n == 0) return true;
  Note("BindOut");
  InternalCheckOutVariables(variables, n);
  for (int k = 0; k < n; ++k) {
    TOrvaneFieldDesc& item = variables.Items[variables.Count + variables.OutCount];
    std::memset(&item, 0, sizeof item);
    if (static_cast<size_t>(k) < Outputs.size()) {
      const TTestOutput& out = Outputs[static_cast<size_t>(k)];
      OrvSetFieldDescName(item, out.Name.c_str(), static_cast<int>(out.Name.size()));
      item.FieldType = out.Type;
      item.Size = out.Size;
    } else {
      item.FieldType = ntInteger;
      item.Size = 4;
    }
    variables.OutBufferSize += item.Size;
    ++variables.OutCount;
  }
  variables.OutBuffer = static_cast<char*>(OrvAllocMem(variables.OutBufferSize));
  return true;
}

void TTestSQL::InternalCreateBlobStream(const std::string& fieldName) {
  // Owned by the blob manager, which registers it in the constructor.
  new TTestBlobStream(BlobManager.get(), fieldName);
}

void TTestSQL::GetFieldData(const char* buffer, int offset, int size, TOrvaneFieldTypes type,
                            TOrvaneBlobStream* blob, Variant& value) {
  const char* p = buffer + offset;
  switch (type) {
    case ntUnknown: value = Null(); break;
    case ntString: value = Variant(std::string(p, strnlen(p, static_cast<size_t>(size)))); break;
    case ntInteger: {
      int32_t v;
      std::memcpy(&v, p, sizeof v);
      value = Variant(int(v));
      break;
    }
    case ntFloat:
    case ntCurrency:
    case ntDate:
    case ntTime:
    case ntDateTime: {
      double v;
      std::memcpy(&v, p, sizeof v);
      value = type == ntCurrency ? Variant(Currency(v)) : (type == ntFloat ? Variant(v) : VarFromDateTime(v));
      break;
    }
    case ntBoolean: value = Variant(*p != 0); break;
    case ntBinary: value = StrToVarByte(p, size); break;
    case ntMemo:
    case ntBlob:
      if (blob != nullptr && blob->Modified)
        value = type == ntMemo ? Variant(std::string(blob->Memory ? blob->Memory : "", size_t(blob->DataSize)))
                               : StrToVarByte(blob->Memory, blob->DataSize);
      else
        value = type == ntMemo ? Variant(std::string(p, strnlen(p, static_cast<size_t>(size))))
                               : StrToVarByte(p, size);
      break;
  }
}

void TTestSQL::PutFieldData(char* buffer, int offset, int size, TOrvaneFieldTypes type,
                            const Variant& value, TOrvaneBlobStream* blob) {
  char* p = buffer + offset;
  switch (type) {
    case ntUnknown: break;
    case ntString: {
      std::string text = SetVarToStr(value);
      size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
      std::memcpy(p, text.data(), n);
      p[n] = '\0';
      break;
    }
    case ntInteger: {
      int32_t v = SetVarToInt(value);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case ntFloat:
    case ntCurrency:
    case ntDate:
    case ntTime:
    case ntDateTime: {
      double v = type == ntFloat || type == ntCurrency ? SetVarToFloat(value) : SetVarToDateTime(value);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case ntBoolean: *p = SetVarToBoolean(value) ? 1 : 0; break;
    case ntBinary:
    case ntMemo:
    case ntBlob: {
      std::string bytes;
      if (VarIsArray(value)) {
        Variant copy = value;
        TVarArrayLock lock(copy);
        bytes.assign(static_cast<const char*>(lock.Data()), size_t(VarArrayElementCount(copy)));
      } else {
        bytes = SetVarToStr(value);
      }
      if (blob != nullptr) {
        blob->Clear();
        blob->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
      } else {
        std::memcpy(p, bytes.data(), std::min(bytes.size(), static_cast<size_t>(size)));
      }
      break;
    }
  }
}

bool TTestSQL::First() { return false; }
bool TTestSQL::Last() { return false; }
bool TTestSQL::Next() {
  Note("Next");
  if (Fails("Next")) return false;
  if (!Opened || Rows.empty() || RecNo + 1 >= static_cast<int>(Rows.size())) {
    Eof = true;
    return false;
  }
  ++RecNo;
  LoadRow(Rows[static_cast<size_t>(RecNo)]);
  return true;
}

bool TTestSQL::Prev() { return false; }

bool TTestSQL::Seek(int rowNumber) {
  Note("Seek(" + std::to_string(rowNumber) + ")");
  if (Rows.empty() || rowNumber < 0 || rowNumber >= static_cast<int>(Rows.size())) return false;
  RecNo = rowNumber;
  Eof = false;
  Bof = false;
  LoadRow(Rows[static_cast<size_t>(rowNumber)]);
  return true;
}
bool TTestSQL::Modify() { return false; }
bool TTestSQL::Append() { return false; }
bool TTestSQL::Delete() { return false; }

// Blob stream -----------------------------------------------------------------

int32_t TTestBlobStream::GetBlobSize() {
  int32_t size = TOrvaneBlobStream::GetBlobSize();
  if (size > 0 || Modified) return size;
  ++Fetches;
  Clear();
  SetValue(ServerValue.data(), static_cast<int32_t>(ServerValue.size()));
  return DataSize;
}

int64_t TTestBlobStream::Read(void* buffer, int64_t count) {
  if (Memory == nullptr) GetBlobSize();
  Empty = Memory == nullptr;
  if (Empty) return 0;
  int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, DataSize - DataPosition));
  if (n > 0) std::memcpy(buffer, Memory + DataPosition, static_cast<size_t>(n));
  DataPosition += static_cast<int32_t>(n);
  return n;
}
