// TDataSet: the framework's generic dataset. It owns the state machine, the
// ring of record buffers that its data links look at, the fields and field
// definitions, the events, and the navigation and editing protocol; a
// concrete dataset fills the virtual operations that reach its cursor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "DBError.h"
#include "DBTypes.h"
#include "Field.h"
#include "FieldDefs.h"
#include "Streams.h"
#include "Variants.h"

class TDataSet;
class TDataSource;
class TDataLink;

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* dataSet, EDatabaseError& error, TDataAction& action)>;

// Record buffers. The dataset keeps BufferCount buffers for records plus one
// spare (the TempBuffer, also the target of every fetch). Records 0 ..
// RecordCount-1 of the ring are valid; ActiveRecord is the current one; the
// cursor of the concrete dataset stands on the record of CurrentRecord, or
// on an unknown one when CurrentRecord is -1, in which case the dataset
// positions it (UpdateCursorPos -> InternalSetToRecord) before its next
// cursor-relative fetch.
//
// The moments at which the virtual operations run:
//   Open      BeforeOpen, OpenCursor(false) -> InternalOpen (DefaultFields is
//             set before it), the ring is allocated (AllocRecordBuffer) and
//             filled (GetRecord gmNext), state browse, AfterOpen, AfterScroll
//             unless empty. A failure closes the cursor again (CloseCursor).
//   Close     BeforeClose, state inactive, CloseCursor -> FreeRecordBuffer,
//             InternalClose, AfterClose.
//   Edit      CheckBrowseMode, CanModify, BeforeEdit, InternalEdit (error
//             event OnEditError), GetCalcFields, state edit, AfterEdit.
//   Post      deUpdateRecord, deCheckBrowseMode, BeforePost, UpdateCursorPos +
//             required fields + InternalPost (OnPostError), state browse,
//             Resync([]), AfterPost.
//   Delete    BeforeDelete, BeforeScroll, UpdateCursorPos + InternalDelete
//             (OnDeleteError), state browse, Resync([]), AfterDelete, AfterScroll.
//   Refresh   BeforeRefresh, CheckBrowseMode, UpdateCursorPos, InternalRefresh,
//             Resync([]), AfterRefresh.
//
// A concrete dataset closes itself in its own destructor (Destroying(); then
// Close();), because its buffers and its cursor are its own and no virtual
// operation of it can run once ~TDataSet has started.
class TDataSet : public TComponent {
  ORV_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  // ---- Opening and closing
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Active() const { return FState != dsInactive; }
  // While the dataset is read from a form file the value is kept and applied
  // in Loaded.
  void SetActive(bool value);
  TDataSetState State() const { return FState; }
  void CheckActive() const;
  void CheckInactive() const;
  bool AutoCalcFields() const { return FAutoCalcFields; }
  void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }

  // ---- Navigation
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Returns the number of records actually moved (negative backwards).
  int MoveBy(int distance);
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
  // Reads the records around the cursor's record again.
  void Resync(TResyncMode mode);
  // Puts the cursor on the active record when it may stand elsewhere.
  void UpdateCursorPos();
  // Notes that the cursor has moved without the buffers knowing.
  void CursorPosChanged() { FCurrentRecord = -1; }
  void Refresh();

  // ---- Editing
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Adds a record with the values (in field order; Unassigned leaves a field
  // as initialised, Null clears it) without entering the insert state for
  // the caller; no OnNewRecord, no error events.
  void InsertRecord(const std::vector<Variant>& values);
  void AppendRecord(const std::vector<Variant>& values);
  // Posts or cancels a pending edit (posts when something was modified).
  void CheckBrowseMode();
  // Makes the data links write their pending control values into the fields.
  void UpdateRecord();
  bool CanModify() const { return GetCanModify(); }
  bool Modified() const { return FModified; }
  void ClearFields();

  // ---- Bookmarks and record numbers
  bool BookmarkAvailable() const;
  // Empty when no bookmark is available (empty dataset, insert position).
  TBookmark GetBookmark() const;
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
  virtual bool BookmarkValid(const TBookmark& bookmark);
  // -1, 0 or 1; an empty bookmark is "none".
  virtual int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2);
  int RecNo() const { return GetRecNo(); }
  virtual void SetRecNo(int value);
  int RecordCount() const { return GetRecordCount(); }
  int BookmarkSize() const { return FBookmarkSize; }

  // ---- Searching
  virtual bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
  virtual Variant Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields);

  // ---- Controls and events
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount != 0; }
  // Tells the dataset and, unless controls are disabled, its data sources and
  // their links about an event. info is the field for deFieldChange, the
  // scroll distance for deDataSetScroll.
  virtual void DataEvent(TDataEvent event, intptr_t info);

  // ---- Fields
  TFieldDefs& FieldDefs() { return *FFieldDefs; }
  const TFieldDefs& FieldDefs() const { return *FFieldDefs; }
  TFields& Fields() { return FFields; }
  const TFields& Fields() const { return FFields; }
  int FieldCount() const { return FFields.Count(); }
  TField* FindField(const std::string& name) const { return FFields.FindField(name); }
  TField* FieldByName(const std::string& name) const { return FFields.FieldByName(name); }
  TField* FieldByNumber(int fieldNo) const { return FFields.FieldByNumber(fieldNo); }
  // True when the fields were made from the field definitions at open.
  bool DefaultFields() const { return FDefaultFields; }
  // The fields named in a ";"-separated list (blanks around names ignored);
  // the field-not-found error for a missing one.
  std::vector<TField*> GetFieldList(const std::string& fieldNames) const;
  // One field's value, or for "A;B" a variant array of the values.
  Variant GetFieldValue(const std::string& fieldNames) const;
  void SetFieldValue(const std::string& fieldNames, const Variant& value);
  void GetFieldNames(std::vector<std::string>& names) const;

  // ---- Services for fields and derived datasets
  virtual bool GetFieldData(TField* field, void* buffer) = 0;
  virtual void SetFieldData(TField* field, const void* buffer) = 0;
  // The stream for a blob field's value in the current record; the caller
  // owns it. The default has none (null).
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  // Character translation of NUL-terminated text for string fields that
  // transliterate; the default copies and returns the length.
  virtual int Translate(const char* source, char* dest, bool toOem);
  virtual TDataSource* GetDataSource() const { return nullptr; }
  TDataSource* DataSource() const { return GetDataSource(); }
  // True when dataSource's dataset is this one, or links to it through data
  // sources.
  bool IsLinkedTo(const TDataSource* dataSource) const;
  // A field's value in another record state (old, new, current value).
  virtual Variant GetStateFieldValue(TDataSetState state, TField* field);
  // Copies the active record's data (without calculated fields) into buffer;
  // false when there is none. The default has none.
  virtual bool GetCurrentRecord(TRecordBuffer buffer);
  TRecordBuffer ActiveBuffer() const;
  void CalculateFields(TRecordBuffer buffer);
  int CalcFieldsSize() const { return FCalcFieldsSize; }
  // Refreshes FieldDefs from the cursor (opening it for information only
  // while the dataset is closed).
  void InitFieldDefs();

  // ---- Events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

  static void Publish(TPropertyTable<TDataSet>& props);
  // Persistent fields are written as nested objects of their dataset, and
  // read back owned by the root (the form), not by the dataset.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  TComponent* GetChildOwner() override { return nullptr; }

protected:
  // ---- Virtual operations a concrete dataset replaces
  virtual void ClearCalcFields(TRecordBuffer buffer);
  virtual void CloseCursor();
  virtual bool GetCanModify() const { return true; }
  virtual int GetRecordCount() const { return -1; }
  virtual int GetRecNo() const { return -1; }
  virtual void InternalRefresh() {}
  // infoQuery: only the field definitions are wanted (no cursor, no fields).
  virtual void OpenCursor(bool infoQuery);
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  virtual int GetRecordSize() = 0;
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual void InternalCancel() {}
  virtual void InternalClose() = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalEdit() {}
  virtual void InternalFirst() = 0;
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  // Reports the exception being handled (called inside a catch block).
  virtual void InternalHandleException() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  virtual void InternalInsert() {}
  virtual void InternalLast() = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalPost() = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;

  // ---- Framework services for concrete datasets
  void SetBookmarkSize(int size) { FBookmarkSize = size; }
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  // The spare buffer after the valid records.
  TRecordBuffer TempBuffer() const;
  // Buffers of the ring: BufferCount of them, and RecordCount valid ones.
  int BufferCount() const { return FBufferCount; }
  int BufferedRecordCount() const { return FRecordCount; }
  int ActiveRecord() const { return FActiveRecord; }
  TRecordBuffer Buffers(int index) const;
  // Fills the calculated fields of buffer when there are any.
  void GetCalcFields(TRecordBuffer buffer);
  // Enters a state without telling anyone (and holding events back);
  // returns the state to give RestoreState.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  void SetState(TDataSetState value);
  void SetModified(bool value) { FModified = value; }
  void CreateFields();
  void DestroyFields();
  // Binds the fields to the field definitions (FieldNo, calculated-field
  // offsets, CalcFieldsSize) or unbinds them.
  void BindFields(bool binding);
  void CheckCanModify() const;
  void CheckRequiredFields();
  void DoBeforeScroll() { Fire(BeforeScroll); }
  void DoAfterScroll() { Fire(AfterScroll); }
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void DoInternalOpen();
  void SetBufferCount(int value);
  void UpdateBufferCount();
  void AdjustFirstRecord(int delta);
  void ActivateBuffers();
  void ClearBuffers();
  void SetCurrentRecord(int index);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void MoveBuffer(int curIndex, int newIndex);
  void InitRecord(TRecordBuffer buffer);
  void BeginInsertAppend();
  void EndInsertAppend();
  void PrepareInsertBuffer();
  void PrepareAppendBuffer();
  void AddRecord(const std::vector<Variant>& values, bool append);
  void SetFields(const std::vector<Variant>& values);
  void CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent, bool checkRequired);
  void FreeAllBuffers() noexcept;
  void AddDataSource(TDataSource* dataSource);
  void RemoveDataSource(TDataSource* dataSource);
  template <class F>
  void ForEachActiveLink(F&& f) const;

  std::unique_ptr<TFieldDefs> FFieldDefs;
  TFields FFields;
  std::vector<TDataSource*> FDataSources;
  std::vector<TRecordBuffer> FBuffers;
  TRecordBuffer FCalcBuffer = nullptr;
  int FBufferCount = 0;
  int FRecordCount = 0;
  int FActiveRecord = 0;
  int FCurrentRecord = -1;
  int FBookmarkSize = 0;
  int FCalcFieldsSize = 0;
  int FDisableCount = 0;
  TDataSetState FState = dsInactive;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;
  bool FBOF = true;
  bool FEOF = true;
  bool FModified = false;
  bool FDefaultFields = false;
  bool FAutoCalcFields = true;
  bool FStreamedActive = false;
  bool FInternalOpenComplete = false;
};
