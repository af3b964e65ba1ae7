// TAsaSQL: the SQL Anywhere statement and cursor. It prepares and describes
// statements into one result descriptor replicated once per row of a block
// fetch over the frame's fetch buffer, binds host variables (long values via
// connection variables), opens, walks and changes cursors, and converts
// values between the row buffers and variants.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "AsaException.h"
#include "AsaLibrary.h"
#include "OrvBase.h"

class TAsaSession;

class TAsaSQL : public TOrvaneSQL {
  ORV_CLASS(TAsaSQL, TOrvaneSQL)
public:
  explicit TAsaSQL(TComponent* owner);
  ~TAsaSQL() override;

  // Members in declared order.
  SQLDA* ResultSqlda = nullptr;    // FieldCount x FetchBufferRows entries
  SQLDA* OpenBindSqlda = nullptr;  // input variables of the cursor statement
  int16_t OpenStmtNum = 0;
  SQLDA* ExecInSqlda = nullptr;
  SQLDA* ExecOutSqlda = nullptr;
  int16_t ExecStmtNum = 0;
  bool DescribeAfterOpen = false;  // the result shape may change between opens
  char CursorName[32] = {};
  uint16_t CursorOptions = 0;
  uint16_t FetchOptions = 0;

  // Frame slots, in slot order.
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

  // Runs a text at once, without host variables.
  bool ExecuteImmediate(const std::string& sql);
  // The server's plan for the open cursor (at most 300 characters).
  void Explain(std::string& plan);
  // Moves the open cursor to the procedure's next result set.
  bool Resume();

  // Whether a blob field's value must come from its stream (it did not fit
  // its row slot, or no row slot holds it).
  bool InternalBlobNeedsFetch(TOrvaneBlobStream* blob);
  // Runs a text once: at once for a NULL params, otherwise prepared, bound
  // with the values of the variant array, executed and dropped.
  bool InternalRunSQL(const std::string& sql, const Variant& params);
  // Creates the connection variable name (long binary) holding size bytes.
  bool InternalBlobToVariable(const char* name, const void* data, int size);
  // Drops every connection variable named in the list.
  void InternalDropVariables(TStrings* names);

  // The session as the driver's session; raises when it is another kind.
  TAsaSession& AsaSession() const;

  static void Publish(TPropertyTable<TAsaSQL>& props);

private:
  ::SQLCA* Sqlca() const;
  bool CheckResult();
  // The rows of the current layout that one fetch may deliver, cut so that
  // the replicated descriptor stays within its 16-bit entry count.
  int RowsPerFetch(int wanted) const;
  void ColumnLayout();
  void InternalLoadRow();
  void ZeroFetchBuffer();
  void RequireOpened();
  void RequireWritable();
  // One block fetch; returns the last error code after the fetch outcome.
  int FetchArray(unsigned kind, int32_t offset, int rows);
  void AutoCommitRule();
  // The 600-typed entries point at names that must outlive binding until the
  // statement ran; they are kept here (stable addresses) until the next bind.
  std::deque<std::string> FBlobNameTexts;
};

// A connection variable's name as the driver's own statements write it: a
// plain identifier as it is, anything else quoted so that it cannot change
// the statement.
std::string AsaQuoteIdentifier(const std::string& name);
