// A small in-memory dataset for the dataset-model tests. It fills the virtual
// operations the way a driver-backed dataset does: rows are known by their
// 0-based number, a cursor stands before the first row, on a row or after the
// last one, and every record buffer is
//   [row image][calculated fields][bookmark: row number int32, flag, 3 bytes][null bytes]
// with values kept in the framework's field-buffer formats.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DB.h"

struct TMemColumn {
  std::string Name;
  TFieldType Type;
  int Size = 0;
};

class TMemDataSet : public TDataSet {
  ORV_CLASS(TMemDataSet, TDataSet)
public:
  TMemDataSet(TComponent* owner, std::vector<TMemColumn> columns);
  ~TMemDataSet() override;

  // Adds a row while the dataset is closed (test data). Unassigned and Null
  // values make NULL; blobs take text.
  void AddRow(const std::vector<Variant>& values);
  int RowCount() const { return static_cast<int>(FRows.size()); }
  // A column of a stored row, as a Variant (NULL for a null value).
  Variant RowValue(int row, int column) const;

  bool ReadOnlyData = false;
  // The next n posts / deletes / edits raise EDatabaseError("Cursor refused").
  int FailPosts = 0;
  int FailDeletes = 0;
  int FailEdits = 0;
  // What the operations did, for tests that check the calls.
  int PostCalls = 0;
  int InfoQueries = 0;
  std::vector<std::string> HandledErrors;
  // Record buffers now allocated.
  int AllocatedBuffers() const { return static_cast<int>(FAllocated.size()); }
  // The cursor: -1 before the first row, RowCount() after the last.
  int Cursor() const { return FCursor; }

  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
  Variant Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields) override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
  void SetRecNo(int value) override;
  bool GetCurrentRecord(TRecordBuffer buffer) override;
  TDataSource* GetDataSource() const override { return FMasterSource; }
  // Detail datasets: the rows whose column DetailColumn equals the master's
  // field MasterField are the ones shown (through a link like a driver's).
  void SetMasterSource(TDataSource* source, const std::string& masterField, int detailColumn);
  int Reopens = 0;

  using TDataSet::ActiveRecord;
  using TDataSet::BufferCount;
  using TDataSet::BufferedRecordCount;
  using TDataSet::CalcBuffer;
  using TDataSet::TempBuffer;

protected:
  void ClearCalcFields(TRecordBuffer buffer) override;
  bool GetCanModify() const override { return !ReadOnlyData; }
  int GetRecordCount() const override;
  int GetRecNo() const override;
  void InternalRefresh() override;
  void OpenCursor(bool infoQuery) override;
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  int GetRecordSize() override { return FRecordSize; }
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalClose() override;
  void InternalDelete() override;
  void InternalEdit() override;
  void InternalFirst() override { FCursor = -1; }
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalHandleException() override;
  void InternalInitFieldDefs() override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalLast() override { FCursor = static_cast<int>(Visible().size()); }
  void InternalOpen() override;
  void InternalPost() override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  bool IsCursorOpen() const override { return FOpen; }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;

private:
  class TMasterLink;
  class TBlobStream;
  struct TRow {
    std::vector<char> Image;
    std::vector<uint8_t> Nulls;
  };
  int SlotSize(int column) const;
  int SlotOffset(int column) const;
  TRecordBuffer CurrentRecordBuffer() const;
  // Rows the cursor sees (all, or a detail's rows of the master record).
  std::vector<int> Visible() const;
  void StoreRow(TRecordBuffer buffer, TRow& row) const;
  void InsertAt(TRecordBuffer buffer, int position);
  int FindRow(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) const;
  void ReopenForMaster();
  // The bookmark's row number (the area need not be aligned).
  int32_t RowNumber(TRecordBuffer buffer) const;
  void SetRowNumber(TRecordBuffer buffer, int32_t row) const;

  std::vector<TMemColumn> FColumns;
  std::vector<TRow> FRows;
  std::vector<std::string> FBlobs;
  std::vector<std::unique_ptr<char[]>> FAllocated;
  int FRecordSize = 0;
  int FBookmarkOffset = 0;
  int FNullOffset = 0;
  int FRecordBufferSize = 0;
  int FCursor = -1;
  bool FOpen = false;
  TDataSource* FMasterSource = nullptr;
  std::unique_ptr<TMasterLink> FMasterLink;
  std::string FMasterField;
  int FDetailColumn = -1;
  Variant FMasterValue;
};
