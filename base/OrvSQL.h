// TOrvaneSQL: the abstract statement component, a cursor statement and an
// execute statement in one object. The frame fixes the order of the steps and
// owns rows, descriptors and host variables; a driver supplies every step that
// talks to the server through the virtual slots, in slot order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "OrvBlobManager.h"
#include "OrvException.h"
#include "OrvNotify.h"
#include "OrvSession.h"
#include "OrvTypes.h"
#include "OrvVariables.h"
#include "Variants.h"

class TStrings;
class TStream;
class TMemoryStream;
class TPicture;
class TOrvaneBlobStream;

// Result columns a statement can describe.
inline constexpr int ORVANE_MAX_FIELDS = 256;

// The host-variable values of an open or execute operation: one element that
// is an array of variants holding all values, or NULL for none (the normal
// form), or the values themselves.
using TOrvaneValues = std::vector<Variant>;

class TOrvaneSQL : public TComponent {
  ORV_CLASS(TOrvaneSQL, TComponent)
public:
  explicit TOrvaneSQL(TComponent* owner);
  // Runs BeforeDestruction if the driver has not; see there.
  ~TOrvaneSQL() override;

  // Members in declared order.
  TOrvaneSession* FSession = nullptr;  // published "Session": GetSession / SetSession
  char* FetchBuffer = nullptr;         // FetchBufferRows x RecordSize bytes
  char* RecordBuffer = nullptr;        // the current row
  char* OldRecordBuffer = nullptr;     // the current row as fetched
  uint8_t* NullIndicators = nullptr;   // one byte per field, 1 = NULL
  uint8_t* OldNullIndicators = nullptr;
  bool ReadOnly = false;
  bool OpenPrepared = false;
  bool ExecPrepared = false;
  bool Opened = false;
  std::string TableName;
  int32_t FieldCount = 0;
  int32_t FetchCount = 0;
  int32_t FetchBufferRows = 0;
  int32_t BufferRow = 0;
  int32_t BufferRowCount = 0;
  int32_t RecNo = -1;  // -1: no current row
  int32_t RecordSize = 0;
  int32_t RecordCount = 0;
  bool Bof = true;
  bool Eof = true;
  bool FUniDirectional = true;
  bool FWantExceptions = false;
  std::unique_ptr<TOrvaneBlobManager> BlobManager;
  int32_t BlobSize = 0;
  TNotifyEvent AfterOpen;
  TNotifyEvent BeforeOpen;
  TNotifyEvent AfterClose;
  TNotifyEvent BeforeClose;
  int32_t RowsProcessed = 0;
  int32_t MaxFetchCount = 25;
  std::string OpenText;     // after character-set conversion
  std::string ExecuteText;  // after character-set conversion
  TOrvaneFieldDesc Fields[ORVANE_MAX_FIELDS];
  TOrvaneVariables ExecVariables;
  TOrvaneVariables OpenVariables;

  // Virtual operations in slot order. Base parts that a driver calls at the
  // end of its own step are noted; "= 0" marks the driver's own steps.
  // 1: fills one descriptor from the vendor's column description.
  virtual bool InternalSetFieldDef(int index, void* vendorDescriptor, TOrvaneFieldDesc& desc,
                                   int longSize) = 0;
  // 2: records TableName and OpenText, sets OpenPrepared.
  virtual bool InternalPrepareOpen(const std::string& text);
  virtual bool InternalDescribePrepare() = 0;                       // 3
  // 4: marks OpenVariables bound; the frame passes no list.
  virtual bool InternalBindOpenVariables(TStrings* list);
  // 5: RecNo -1, Bof and Eof, ReadOnly := readOnly, Opened.
  virtual bool InternalOpen(bool readOnly);
  virtual bool InternalDescribeOpen(bool readOnly) = 0;             // 6
  // 7: the closed cursor's positions and flags.
  virtual void InternalClose();
  // 8: frees the row buffers, clears TableName, OpenText and OpenPrepared.
  virtual void InternalUnprepareOpen();
  // 9: records ExecuteText, sets ExecPrepared.
  virtual bool InternalPrepareExecute(const std::string& text);
  // 10: marks ExecVariables bound; the list carries names from binding to execution.
  virtual bool InternalBindExecVariables(TStrings* list);
  virtual bool InternalExecute(TStrings* list) = 0;                 // 11
  // 12: clears ExecuteText and ExecPrepared.
  virtual void InternalUnprepareExecute();
  // 13: frees both value buffers and zero-fills the record.
  virtual void InternalClearVariables(TOrvaneVariables& variables);
  virtual int InternalGetVariableLength(TOrvaneFieldTypes type) = 0;   // 14
  virtual int InternalGetVariableExtType(TOrvaneFieldTypes type) = 0;  // 15
  virtual bool InternalBindVariables(int16_t* statementNumber, TOrvaneVariables& variables,
                                     void*& vendorDescriptor, TStrings* blobNames) = 0;  // 16
  virtual bool InternalBindOutVariables(int16_t* statementNumber, TOrvaneVariables& variables,
                                        void*& vendorDescriptor, TStrings* blobNames) = 0;  // 17
  virtual void InternalCreateBlobStream(const std::string& fieldName) = 0;  // 18
  // 19: the bytes at buffer + offset as a variant.
  virtual void GetFieldData(const char* buffer, int offset, int size, TOrvaneFieldTypes type,
                            TOrvaneBlobStream* blob, Variant& value) = 0;
  // 20: the variant as bytes at buffer + offset.
  virtual void PutFieldData(char* buffer, int offset, int size, TOrvaneFieldTypes type,
                            const Variant& value, TOrvaneBlobStream* blob) = 0;
  virtual bool First() = 0;              // 21
  virtual bool Last() = 0;               // 22
  virtual bool Next() = 0;               // 23
  virtual bool Prev() = 0;               // 24
  virtual bool Seek(int rowNumber) = 0;  // 25
  virtual void Clear();                  // 26: every field empty and NULL
  virtual void ClearNotNull();           // 27: every field empty, not NULL
  virtual bool Modify() = 0;             // 28
  virtual bool Append() = 0;             // 29
  virtual bool Delete() = 0;             // 30

  // The frame's destruction steps (UnprepareOpen, UnprepareExecute, release
  // of the blob manager, detaching from the session). They reach driver
  // overrides, so every driver calls this first in its own destructor. It
  // runs once; later calls do nothing. Errors of the driver steps are
  // ignored, as releasing ignores its outcome.
  void BeforeDestruction();

  // The session. At run time GetSession raises "The session property is not
  // linked to a session" when there is none; at design time it answers null.
  TOrvaneSession* GetSession() const;
  // Detaches from the current session and attaches to the new one (null:
  // none); the same session again moves the statement to the end of its list.
  void SetSession(TOrvaneSession* session);
  bool IsSessionAssigned() const { return FSession != nullptr; }

  void SetRowsProcessed(int n) { RowsProcessed = n; }
  // Kept only within 0..32763; other values are ignored.
  void SetBlobSize(int n);
  // Kept only within 1..1000; other values are ignored.
  void SetMaxFetchCount(int n);
  bool UniDirectional() const { return FUniDirectional; }
  void SetUniDirectional(bool value) { FUniDirectional = value; }
  bool WantExceptions() const { return FWantExceptions; }
  void SetWantExceptions(bool value) { FWantExceptions = value; }

  std::string GetLastError() const;
  int32_t GetLastErrorCode() const;
  // The session's Check with the same arguments.
  bool Check(void* context, int code, int extra, bool raiseOnError);
  // The session's RaiseLastError; without a session the missing-session error.
  template <class E = EOrvaneException>
  [[noreturn]] void RaiseLastError(const std::string& message, int32_t code) {
    RequireSession().RaiseLastError<E>(message, code);
  }
  // With the session's OEMConvert, replaces the text (up to its first NUL) by
  // its OEM form.
  void StatementToOem(std::string& text);

  // Cursor side.
  bool PrepareOpen(const std::string& text);
  bool OpenRead(const std::string& text, const TOrvaneValues& values);
  bool OpenWrite(const std::string& text, const TOrvaneValues& values);
  bool OpenReadPrepared(const TOrvaneValues& values);
  bool OpenWritePrepared(const TOrvaneValues& values);
  // Prepares without opening, so that the column descriptors can be read.
  bool Describe(const std::string& text);
  void Close();
  void UnprepareOpen();

  // Execute side.
  bool PrepareExecute(const std::string& text);
  bool Execute(const std::string& text, const TOrvaneValues& values);
  bool ExecutePrepared(const TOrvaneValues& values);
  void UnprepareExecute();
  // An output variable of the last execution, by 0-based position (a 32-bit
  // integer) or by name.
  Variant GetOutVar(const Variant& variable);

  // Host variables.
  void InternalCheckVarValues(const TOrvaneValues& values, Variant& list);
  TOrvaneFieldTypes InternalGetVariableTypeAndLength(const Variant& value, int& size);
  bool InternalNeedNewVariables(const Variant& list, const TOrvaneVariables& variables);
  void InternalSetVariables(const Variant& list, TOrvaneVariables& variables);
  // Refuses, before anything is written, output variables that would not fit
  // the record beside its input variables. Drivers call it with the number
  // of output values before they describe them into the record.
  void InternalCheckOutVariables(const TOrvaneVariables& variables, int outCount);
  // Forgiving conversions: they return the fallback instead of raising.
  static std::string SetVarToStr(const Variant& value);
  static int32_t SetVarToInt(const Variant& value);
  static double SetVarToFloat(const Variant& value);
  static bool SetVarToBoolean(const Variant& value);
  static double SetVarToDateTime(const Variant& value);
  // A byte array 0..length-1 holding a copy of the bytes; NULL for length <= 0.
  static Variant StrToVarByte(const void* source, int length);
  static Variant StreamToVarByte(TMemoryStream* stream);
  static std::string StreamToStr(TMemoryStream* stream);

  // Row buffers.
  // Refuses a description of more columns than the descriptors hold. Drivers
  // call it with the described count before they fill Fields.
  void InternalCheckFieldCount(int count);
  void InternalAllocOpenBuffer();
  void InternalFreeOpenBuffer();

  // Field lookup and description: an integer variant is a 0-based position,
  // anything else a name compared case-insensitively.
  bool GetFieldInfo(const Variant& identifier, int* fieldNumber = nullptr, int* offset = nullptr);
  bool FindField(const std::string& name);
  int GetFieldCount() const { return FieldCount; }
  std::string GetFieldName(int index) const;
  TOrvaneFieldTypes GetFieldType(const Variant& identifier);
  int GetFieldSize(const Variant& identifier);
  int GetFieldLength(const Variant& identifier);
  int GetFieldDecimals(const Variant& identifier);
  bool GetFieldNulls(const Variant& identifier);

  // Values of the current row.
  Variant GetFieldValue(const Variant& identifier);
  Variant GetOldValue(const Variant& identifier);
  void SetFieldValue(const Variant& identifier, const Variant& value);
  bool IsFieldNull(const Variant& identifier);
  bool IsFieldDirty(const Variant& identifier);
  bool IsDirty();
  bool CanModify() const { return Opened && !ReadOnly; }
  void SetNullIndicator(int fieldNumber, uint8_t value);
  void ClearField(int fieldNumber, int offset);
  void ClearFieldNotNull(const std::string& name);

  // Searches forward from the current row, through Next, for the first row
  // whose key fields (names separated by ";") hold the values; the cursor
  // stays on it (True) or goes back to the row it started from (False).
  // Values are compared in the driver's storage format.
  bool Find(const std::string& fieldNames, const TOrvaneValues& values,
            TOrvaneLocateOptions options);

  // Whole values between a long column and a caller's stream or picture.
  // Storing into a column needs a write cursor and leaves it not NULL.
  void StreamToBlob(const Variant& identifier, TStream* source);
  void BlobToStream(const Variant& identifier, TStream* target);
  void GraphicToBlob(const Variant& identifier, TPicture* picture, TOrvaneGraphicType format);
  void BlobToGraphic(const Variant& identifier, TPicture* picture, TOrvaneGraphicType format);

  static void Publish(TPropertyTable<TOrvaneSQL>& props);

private:
  // The column's blob stream for the conversions, or the lookup errors.
  TOrvaneBlobStream& ConversionBlob(const Variant& identifier, int& fieldNumber);
  TOrvaneSession& RequireSession() const;
  bool OpenCursor(const std::string& text, const TOrvaneValues& values, bool readOnly);
  bool OpenCursorPrepared(const TOrvaneValues& values, bool readOnly);
  bool RunExecute(const TOrvaneValues& values);
  // The field's descriptor and offset, or "Field "%s" not found.".
  const TOrvaneFieldDesc& LookupField(const Variant& identifier, int& fieldNumber, int& offset);
  TOrvaneBlobStream* BlobOf(const TOrvaneFieldDesc& field);
  void RequireRowBuffers();
  void RequireFieldSlot(int fieldNumber, int offset);
  // Clear and ClearNotNull: every field emptied, its null byte set to nullByte.
  void ResetRow(uint8_t nullByte);
  // The text form of a field or variable identifier for a message; an
  // identifier without one (an array, say) reads as empty text.
  static std::string IdentifierText(const Variant& identifier);
  bool FDestructionDone = false;
};
