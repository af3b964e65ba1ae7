// A scripted driver for the frame: a session and a statement that record every
// virtual slot call in one log and answer as the test scripts them.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "OrvBase.h"

// The calls of one test, in order, as "Slot" or "Slot(argument)".
struct TCallLog {
  std::vector<std::string> Calls;
  void Add(const std::string& call) { Calls.push_back(call); }
  void Clear() { Calls.clear(); }
  // The calls joined by " ", for comparisons that read like the sequence.
  std::string Text() const;
  int CountOf(const std::string& call) const;
};

// One column as the test driver describes it, and its value in the first row
// (NULL when the value is a NULL variant).
struct TTestColumn {
  std::string Name;
  TOrvaneFieldTypes Type;
  int Size;
  Variant Value;
};

// One output variable that execution delivers.
struct TTestOutput {
  std::string Name;
  TOrvaneFieldTypes Type;
  int Size;
  Variant Value;
};

class TTestSession : public TOrvaneSession {
  ORV_CLASS(TTestSession, TOrvaneSession)
public:
  explicit TTestSession(TComponent* owner, TCallLog* log = nullptr);
  ~TTestSession() override;

  // One library for all test sessions, as a driver keeps one per library.
  static int LibraryReferences;
  static int LibraryLoads;

  TCallLog* Log;
  std::string LoggedName = "session";
  // Scripted answers.
  bool FailConnect = false;
  bool FailDisconnect = false;  // raises
  int CheckCode = 0;  // < 0: Check reports an error with this code

  int GetLibraryReferenceCount() override;
  void SetLibraryReferenceCount(int count) override;
  void InternalLoadLibrary() override;
  void InternalUnLoadLibrary() override;
  void InternalLoadProcs() override;
  void InternalUnloadLoadProcs() override;
  void SetConnected(bool value) override;
  void SetLibraryLoaded(bool value) override;
  bool Check(void* context, int code, int extra, bool raiseOnError) override;
  void InternalCommit() override;
  void InternalRollback() override;
  bool Stop() override;

  // Published the way a driver publishes them, so that form files can set them.
  static void Publish(TPropertyTable<TTestSession>& props);

private:
  void Note(const std::string& call);
};

class TTestSQL : public TOrvaneSQL {
  ORV_CLASS(TTestSQL, TOrvaneSQL)
public:
  explicit TTestSQL(TComponent* owner, TCallLog* log = nullptr);
  ~TTestSQL() override;

  TCallLog* Log;
  // Slots named here answer False instead of succeeding (UnprepareOpen raises).
  std::set<std::string> Fail;
  // The columns the cursor describes when it opens, and their first row.
  std::vector<TTestColumn> Columns;
  // The output variables execution binds.
  std::vector<TTestOutput> Outputs;
  // Extra output variables to ask the frame for, beyond Outputs (for limits).
  int ExtraOutputs = 0;
  // When not empty, the cursor's rows (one value per column), walked by Next
  // and Seek; otherwise the one row of the Columns' values.
  std::vector<std::vector<Variant>> Rows;

  bool InternalSetFieldDef(int index, void* vendorDescriptor, TOrvaneFieldDesc& desc,
                           int longSize) override;
  bool InternalPrepareOpen(const std::string& text) override;
  bool InternalDescribePrepare() override;
  bool InternalBindOpenVariables(TStrings* list) override;
  bool InternalOpen(bool readOnly) override;
  bool InternalDescribeOpen(bool readOnly) override;
  void InternalClose() override;
  void InternalUnprepareOpen() override;
  bool InternalPrepareExecute(const std::string& text) override;
  bool InternalBindExecVariables(TStrings* list) override;
  bool InternalExecute(TStrings* list) override;
  void InternalUnprepareExecute() override;
  void InternalClearVariables(TOrvaneVariables& variables) override;
  int InternalGetVariableLength(TOrvaneFieldTypes type) override;
  int InternalGetVariableExtType(TOrvaneFieldTypes type) override;
  bool InternalBindVariables(int16_t* statementNumber, TOrvaneVariables& variables,
                             void*& vendorDescriptor, TStrings* blobNames) override;
  bool InternalBindOutVariables(int16_t* statementNumber, TOrvaneVariables& variables,
                                void*& vendorDescriptor, TStrings* blobNames) override;
  void InternalCreateBlobStream(const std::string& fieldName) override;
  void GetFieldData(const char* buffer, int offset, int size, TOrvaneFieldTypes type,
                    TOrvaneBlobStream* blob, Variant& value) override;
  void PutFieldData(char* buffer, int offset, int size, TOrvaneFieldTypes type,
                    const Variant& value, TOrvaneBlobStream* blob) override;
  bool First() override;
  bool Last() override;
  bool Next() override;
  bool Prev() override;
  bool Seek(int rowNumber) override;
  bool Modify() override;
  bool Append() override;
  bool Delete() override;

private:
  void Note(const std::string& call);
  bool Fails(const std::string& slot) const { return Fail.count(slot) != 0; }
  // Makes the row current as a driver's fetch does: both row buffers, both
  // null arrays, the blob streams emptied.
  void LoadRow(const std::vector<Variant>& values);
};

// A driver's blob stream: the value of a stream that was not written comes
// from the "server" (ServerValue) when it is read or its size is asked for,
// the way a driver fetches it; writing and seeking are the frame's.
class TTestBlobStream : public TOrvaneBlobStream {
public:
  using TOrvaneBlobStream::TOrvaneBlobStream;
  std::string ServerValue;
  int Fetches = 0;
  int64_t Read(void* buffer, int64_t count) override;
  int32_t GetBlobSize() override;
};
