// The in-memory test dataset.
#include "MemDataSet.h"

#include <algorithm>
#include <cstring>

#include "AnsiStrings.h"
#include "RtlConsts.h"
#include "TypInfo.h"

namespace {
constexpr int BookmarkBytes = 8;
}

// ---- Master link ------------------------------------------------------------

class TMemDataSet::TMasterLink : public TDataLink {
public:
  explicit TMasterLink(TMemDataSet* detail) : FDetail(detail) {}

protected:
  void ActiveChanged() override {
    if (FDetail->Active()) FDetail->ReopenForMaster();
  }
  void RecordChanged(TField* field) override {
    if (field == nullptr && FDetail->Active()) FDetail->ReopenForMaster();
  }
  void CheckBrowseMode() override {
    if (FDetail->Active()) FDetail->CheckBrowseMode();
  }

private:
  TMemDataSet* FDetail;
};

// ---- Blob stream: a copy of the value that goes back into the record buffer
// when a writing stream is freed.

class TMemDataSet::TBlobStream : public TMemoryStream {
public:
  TBlobStream(TMemDataSet* dataSet, TField* field, TRecordBuffer buffer, TBlobStreamMode mode)
      : FDataSet(dataSet), FField(field), FBuffer(buffer), FMode(mode) {
    int column = field->FieldNo() - 1;
    if (buffer == nullptr) return;
    if (mode == bmWrite) return;  // a write stream starts empty
    int32_t index = -1;
    std::memcpy(&index, buffer + dataSet->SlotOffset(column), 4);
    bool isNull = buffer[dataSet->FNullOffset + column] != 0;
    if (!isNull && index >= 0 && index < static_cast<int32_t>(dataSet->FBlobs.size())) {
      const std::string& value = dataSet->FBlobs[static_cast<size_t>(index)];
      if (!value.empty()) WriteBuffer(value.data(), static_cast<int64_t>(value.size()));
      Seek(0, soBeginning);
    }
  }
  ~TBlobStream() override {
    if (FBuffer == nullptr || FMode == bmRead) return;
    int column = FField->FieldNo() - 1;
    FDataSet->FBlobs.emplace_back(static_cast<const char*>(Memory()), static_cast<size_t>(FSize));
    auto index = static_cast<int32_t>(FDataSet->FBlobs.size() - 1);
    std::memcpy(FBuffer + FDataSet->SlotOffset(column), &index, 4);
    FBuffer[FDataSet->FNullOffset + column] = FSize == 0 ? 1 : 0;
    if (auto* blob = dynamic_cast<TBlobField*>(FField)) blob->SetModified(true);
    // A real dataset hands an error of this notice to the application's
    // handler; a destructor cannot pass it on.
    try {
      FDataSet->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(FField));
    } catch (...) {
    }
  }

private:
  TMemDataSet* FDataSet;
  TField* FField;
  TRecordBuffer FBuffer;
  TBlobStreamMode FMode;
};

// ---- Construction and test data ---------------------------------------------

ORV_IMPLEMENT_CLASS(TMemDataSet)

TMemDataSet::TMemDataSet(TComponent* owner, std::vector<TMemColumn> columns)
    : TDataSet(owner), FColumns(std::move(columns)), FMasterLink(std::make_unique<TMasterLink>(this)) {
  for (size_t i = 0; i < FColumns.size(); ++i) FRecordSize += SlotSize(static_cast<int>(i));
}

TMemDataSet::~TMemDataSet() {
  Destroying();
  Close();
  FMasterLink.reset();
}

int TMemDataSet::SlotSize(int column) const {
  const TMemColumn& c = FColumns[static_cast<size_t>(column)];
  switch (c.Type) {
    case ftString:
      return c.Size + 1;
    case ftInteger:
    case ftBlob:
    case ftMemo:
      return 4;
    case ftBoolean:
      return 2;
    case ftBytes:
      return c.Size;
    default:
      return 8;
  }
}

int TMemDataSet::SlotOffset(int column) const {
  int offset = 0;
  for (int j = 0; j < column; ++j) offset += SlotSize(j);
  return offset;
}

void TMemDataSet::AddRow(const std::vector<Variant>& values) {
  CheckInactive();
  TRow row{std::vector<char>(static_cast<size_t>(FRecordSize), '\0'), std::vector<uint8_t>(FColumns.size(), 1)};
  for (size_t i = 0; i < values.size() && i < FColumns.size(); ++i) {
    const Variant& v = values[i];
    if (VarIsNull(v) || VarIsEmpty(v)) continue;
    char* slot = row.Image.data() + SlotOffset(static_cast<int>(i));
    const TMemColumn& c = FColumns[i];
    switch (c.Type) {
      case ftString: {
        std::string s = v.AsString().substr(0, static_cast<size_t>(c.Size));
        std::memcpy(slot, s.c_str(), s.size() + 1);
        break;
      }
      case ftInteger: {
        int32_t n = v.AsInteger();
        std::memcpy(slot, &n, 4);
        break;
      }
      case ftBoolean: {
        int16_t b = v.AsBoolean() ? 1 : 0;
        std::memcpy(slot, &b, 2);
        break;
      }
      case ftFloat:
      case ftCurrency: {
        double d = v.AsDouble();
        std::memcpy(slot, &d, 8);
        break;
      }
      case ftBlob:
      case ftMemo: {
        FBlobs.push_back(v.AsString());
        auto index = static_cast<int32_t>(FBlobs.size() - 1);
        std::memcpy(slot, &index, 4);
        break;
      }
      default:
        throw EDatabaseError("test rows take text, integers, Booleans, numbers and blobs only");
    }
    row.Nulls[i] = 0;
  }
  FRows.push_back(std::move(row));
}

Variant TMemDataSet::RowValue(int row, int column) const {
  const TRow& r = FRows.at(static_cast<size_t>(row));
  if (r.Nulls.at(static_cast<size_t>(column)) != 0) return Null();
  const char* slot = r.Image.data() + SlotOffset(column);
  switch (FColumns[static_cast<size_t>(column)].Type) {
    case ftString:
      return Variant(std::string(slot));
    case ftInteger: {
      int32_t n;
      std::memcpy(&n, slot, 4);
      return Variant(static_cast<int>(n));
    }
    case ftBoolean: {
      int16_t b;
      std::memcpy(&b, slot, 2);
      return Variant(b != 0);
    }
    case ftBlob:
    case ftMemo: {
      int32_t index;
      std::memcpy(&index, slot, 4);
      return Variant(FBlobs.at(static_cast<size_t>(index)));
    }
    default: {
      double d;
      std::memcpy(&d, slot, 8);
      return Variant(d);
    }
  }
}

// ---- Rows of the cursor -----------------------------------------------------

std::vector<int> TMemDataSet::Visible() const {
  std::vector<int> rows;
  for (int i = 0; i < RowCount(); ++i)
    if (FMasterSource == nullptr || FMasterField.empty() || RowValue(i, FDetailColumn) == FMasterValue)
      rows.push_back(i);
  return rows;
}

int32_t TMemDataSet::RowNumber(TRecordBuffer buffer) const {
  int32_t row;
  std::memcpy(&row, buffer + FBookmarkOffset, 4);
  return row;
}

void TMemDataSet::SetRowNumber(TRecordBuffer buffer, int32_t row) const {
  std::memcpy(buffer + FBookmarkOffset, &row, 4);
}

// ---- Opening and closing ----------------------------------------------------

void TMemDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery) ++InfoQueries;
  FMasterValue = Null();
  if (FMasterSource != nullptr && FMasterSource->DataSet() != nullptr && !FMasterField.empty()) {
    TDataSet* master = FMasterSource->DataSet();
    master->FieldDefs().Update();
    if (master->Active()) FMasterValue = master->FieldByName(FMasterField)->Value();
  }
  TDataSet::OpenCursor(infoQuery);
}

void TMemDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (size_t i = 0; i < FColumns.size(); ++i) {
    const TMemColumn& c = FColumns[i];
    int size = c.Type == ftString || c.Type == ftBytes ? c.Size : 0;
    FieldDefs().Add(c.Name, c.Type, size, false)->SetFieldNo(static_cast<int>(i) + 1);
  }
}

void TMemDataSet::InternalOpen() {
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  SetBookmarkSize(BookmarkBytes);
  FBookmarkOffset = FRecordSize + CalcFieldsSize();
  FNullOffset = FBookmarkOffset + BookmarkBytes;
  FRecordBufferSize = FNullOffset + static_cast<int>(FColumns.size());
  FCursor = -1;
  FOpen = true;
}

void TMemDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  FOpen = false;
}

void TMemDataSet::InternalHandleException() {
  try {
    throw;
  } catch (std::exception& e) {
    HandledErrors.push_back(e.what());
  }
}

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
  FAllocated.push_back(std::make_unique<char[]>(static_cast<size_t>(FRecordBufferSize)));
  return FAllocated.back().get();
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  auto it = std::find_if(FAllocated.begin(), FAllocated.end(), [buffer](auto& p) { return p.get() == buffer; });
  if (it != FAllocated.end()) FAllocated.erase(it);
  buffer = nullptr;
}

// ---- Fetching ---------------------------------------------------------------

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  std::vector<int> rows = Visible();
  int count = static_cast<int>(rows.size());
  TGetResult result = grOK;
  switch (mode) {
    case gmCurrent:
      result = FCursor < 0 ? grBOF : FCursor >= count ? grEOF : grOK;
      break;
    case gmNext:
      if (FCursor < count) ++FCursor;
      if (FCursor >= count) result = grEOF;
      break;
    case gmPrior:
      if (FCursor >= 0) --FCursor;
      if (FCursor < 0) result = grBOF;
      break;
  }
  if (result != grOK) return result;
  const TRow& row = FRows[static_cast<size_t>(rows[static_cast<size_t>(FCursor)])];
  std::memcpy(buffer, row.Image.data(), row.Image.size());
  SetRowNumber(buffer, FCursor);
  SetBookmarkFlag(buffer, bfCurrent);
  std::memcpy(buffer + FNullOffset, row.Nulls.data(), row.Nulls.size());
  GetCalcFields(buffer);
  return grOK;
}

bool TMemDataSet::GetCurrentRecord(TRecordBuffer buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
  UpdateCursorPos();
  if (buffer == nullptr) return false;
  std::memcpy(buffer, ActiveBuffer(), static_cast<size_t>(FRecordSize));
  return true;
}

void TMemDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + FRecordSize, 0, static_cast<size_t>(CalcFieldsSize()));
}

// ---- Bookmarks and positions ------------------------------------------------

void TMemDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer + FBookmarkOffset, BookmarkBytes);
}

void TMemDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer + FBookmarkOffset, data, BookmarkBytes);
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[FBookmarkOffset + 4]);
}

void TMemDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[FBookmarkOffset + 4] = static_cast<char>(flag);
}

void TMemDataSet::InternalGotoBookmark(const void* bookmark) {
  int32_t row;
  std::memcpy(&row, bookmark, 4);
  FCursor = std::clamp(row, -1, static_cast<int>(Visible().size()));
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) { InternalGotoBookmark(buffer + FBookmarkOffset); }

int TMemDataSet::CompareBookmarks(const TBookmark& b1, const TBookmark& b2) {
  if (b1.empty() || b2.empty()) return b1.empty() == b2.empty() ? 0 : b1.empty() ? 1 : -1;
  int32_t r1, r2;
  std::memcpy(&r1, b1.data(), 4);
  std::memcpy(&r2, b2.data(), 4);
  return r1 < r2 ? -1 : r1 > r2 ? 1 : 0;
}

bool TMemDataSet::BookmarkValid(const TBookmark& bookmark) {
  CheckActive();
  CursorPosChanged();
  if (bookmark.size() != BookmarkBytes) return false;
  int32_t row;
  std::memcpy(&row, bookmark.data(), 4);
  return row >= 0 && row < GetRecordCount();
}

int TMemDataSet::GetRecordCount() const {
  CheckActive();
  return static_cast<int>(Visible().size());
}

int TMemDataSet::GetRecNo() const {
  CheckActive();
  TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
  if (buffer == nullptr || IsEmpty()) return 0;
  return RowNumber(buffer) + 1;
}

void TMemDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  if (value == GetRecNo()) return;
  DoBeforeScroll();
  if (value >= 1 && value <= GetRecordCount()) {
    FCursor = value - 1;
    Resync({rmCenter});
    DoAfterScroll();
  } else {
    InternalSetToRecord(ActiveBuffer());
  }
}

// ---- Field values -----------------------------------------------------------

TRecordBuffer TMemDataSet::CurrentRecordBuffer() const {
  switch (State()) {
    case dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
      return ActiveBuffer();
    case dsCalcFields:
      return CalcBuffer();
    default:
      return nullptr;
  }
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer rb = CurrentRecordBuffer();
  if (rb == nullptr) return false;
  int n = field->FieldNo();
  if (n > 0) {
    bool has = rb[FNullOffset + n - 1] == 0;
    if (has && buffer != nullptr) std::memcpy(buffer, rb + SlotOffset(n - 1), static_cast<size_t>(field->DataSize()));
    return has;
  }
  TDataSetState s = State();
  if (s != dsBrowse && s != dsEdit && s != dsInsert && s != dsCalcFields) return false;
  char* p = rb + FRecordSize + field->Offset();
  if (p[0] == 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, p + 1, static_cast<size_t>(field->DataSize()));
  return true;
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer) {
  TRecordBuffer rb = CurrentRecordBuffer();
  if (rb == nullptr) DatabaseError(SNotEditing, this);
  int n = field->FieldNo();
  if (n > 0) {
    field->Validate(buffer);
    if (buffer != nullptr) {
      std::memcpy(rb + SlotOffset(n - 1), buffer, static_cast<size_t>(field->DataSize()));
      rb[FNullOffset + n - 1] = 0;
    } else {
      rb[FNullOffset + n - 1] = 1;
    }
  } else {
    char* p = rb + FRecordSize + field->Offset();
    p[0] = buffer != nullptr ? 1 : 0;
    if (buffer != nullptr) std::memcpy(p + 1, buffer, static_cast<size_t>(field->DataSize()));
  }
  if (State() != dsCalcFields && State() != dsNewValue) DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

std::unique_ptr<TStream> TMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  if (!field->IsBlob()) throw EInvalidCast(SInvalidCast);
  UpdateCursorPos();
  return std::make_unique<TBlobStream>(this, field, CurrentRecordBuffer(), mode);
}

// ---- Changes ----------------------------------------------------------------

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<size_t>(FRecordSize));
  std::memset(buffer + FNullOffset, 1, FColumns.size());
}

void TMemDataSet::StoreRow(TRecordBuffer buffer, TRow& row) const {
  row.Image.assign(buffer, buffer + FRecordSize);
  row.Nulls.assign(buffer + FNullOffset, buffer + FNullOffset + FColumns.size());
}

void TMemDataSet::InsertAt(TRecordBuffer buffer, int position) {
  std::vector<int> rows = Visible();
  position = std::clamp(position, 0, static_cast<int>(rows.size()));
  int at = position < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(position)] : RowCount();
  TRow row;
  StoreRow(buffer, row);
  FRows.insert(FRows.begin() + at, std::move(row));
  FCursor = position;
}

void TMemDataSet::InternalEdit() {
  if (FailEdits > 0) {
    --FailEdits;
    throw EDatabaseError("Cursor refused");
  }
}

void TMemDataSet::InternalPost() {
  ++PostCalls;
  if (FailPosts > 0) {
    --FailPosts;
    throw EDatabaseError("Cursor refused");
  }
  TRecordBuffer buffer = ActiveBuffer();
  if (State() == dsEdit) {
    std::vector<int> rows = Visible();
    StoreRow(buffer, FRows.at(static_cast<size_t>(rows.at(static_cast<size_t>(FCursor)))));
    return;
  }
  switch (GetBookmarkFlag(buffer)) {
    case bfEOF:
      InsertAt(buffer, static_cast<int>(Visible().size()));
      break;
    case bfBOF:
      InsertAt(buffer, 0);
      break;
    default:
      InsertAt(buffer, RowNumber(buffer));
      break;
  }
}

void TMemDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  InsertAt(buffer, append ? static_cast<int>(Visible().size()) : RowNumber(buffer));
}

void TMemDataSet::InternalDelete() {
  if (FailDeletes > 0) {
    --FailDeletes;
    throw EDatabaseError("Cursor refused");
  }
  std::vector<int> rows = Visible();
  FRows.erase(FRows.begin() + rows.at(static_cast<size_t>(FCursor)));
  if (FCursor >= static_cast<int>(rows.size()) - 1) FCursor = static_cast<int>(rows.size()) - 2;
}

void TMemDataSet::InternalRefresh() {}

// ---- Searching --------------------------------------------------------------

int TMemDataSet::FindRow(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) const {
  std::vector<TField*> fields = GetFieldList(keyFields);
  std::vector<int> rows = Visible();
  for (size_t r = 0; r < rows.size(); ++r) {
    bool match = true;
    for (size_t k = 0; k < fields.size() && match; ++k) {
      Variant want = fields.size() == 1 ? keyValues : keyValues.GetElement({static_cast<int>(k)});
      Variant have = RowValue(rows[r], fields[k]->FieldNo() - 1);
      if (VarIsStr(have) && VarIsStr(want)) {
        std::string a = have.AsString(), b = want.AsString();
        if (options.Contains(loPartialKey)) a = a.substr(0, b.size());
        match = options.Contains(loCaseInsensitive) ? AnsiSameText(a, b) : a == b;
      } else {
        match = have == want;
      }
    }
    if (match) return static_cast<int>(r);
  }
  return -1;
}

bool TMemDataSet::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
  DoBeforeScroll();
  CheckBrowseMode();
  CursorPosChanged();
  int found = FindRow(keyFields, keyValues, options);
  if (found < 0) return false;
  FCursor = found;
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TMemDataSet::Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields) {
  CheckBrowseMode();
  CursorPosChanged();
  int found = FindRow(keyFields, keyValues, {});
  if (found < 0) return Null();
  const TRow& row = FRows[static_cast<size_t>(Visible()[static_cast<size_t>(found)])];
  TRecordBuffer temp = TempBuffer();
  std::memcpy(temp, row.Image.data(), row.Image.size());
  std::memcpy(temp + FNullOffset, row.Nulls.data(), row.Nulls.size());
  TDataSetState saved = SetTempState(dsCalcFields);
  Variant result;
  try {
    CalculateFields(temp);
    result = GetFieldValue(resultFields);
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
  return result;
}

// ---- Master-detail ----------------------------------------------------------

void TMemDataSet::SetMasterSource(TDataSource* source, const std::string& masterField, int detailColumn) {
  if (IsLinkedTo(source)) DatabaseError(SCircularDataLink, this);
  FMasterField = masterField;
  FDetailColumn = detailColumn;
  FMasterSource = source;
  FMasterLink->SetDataSource(source);
}

void TMemDataSet::ReopenForMaster() {
  DisableControls();
  try {
    TDataSet* master = FMasterSource != nullptr ? FMasterSource->DataSet() : nullptr;
    if (master != nullptr && master->Active() && master->State() != dsSetKey) {
      ++Reopens;
      Close();
      Open();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}
