// TDataSet: states, the record-buffer ring, navigation, editing and events.
#include "DataSet.h"

#include <algorithm>
#include <cstring>

#include "AnsiStrings.h"
#include "DBConsts.h"
#include "DataSource.h"
#include "RtlConsts.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TDataSet)

void TDataSet::Publish(TPropertyTable<TDataSet>& props) {
  props.Add("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
  props.Add("AutoCalcFields", &TDataSet::AutoCalcFields, &TDataSet::SetAutoCalcFields).Default(true);
  props.Event("BeforeOpen", &TDataSet::BeforeOpen);
  props.Event("AfterOpen", &TDataSet::AfterOpen);
  props.Event("BeforeClose", &TDataSet::BeforeClose);
  props.Event("AfterClose", &TDataSet::AfterClose);
  props.Event("BeforeInsert", &TDataSet::BeforeInsert);
  props.Event("AfterInsert", &TDataSet::AfterInsert);
  props.Event("BeforeEdit", &TDataSet::BeforeEdit);
  props.Event("AfterEdit", &TDataSet::AfterEdit);
  props.Event("BeforePost", &TDataSet::BeforePost);
  props.Event("AfterPost", &TDataSet::AfterPost);
  props.Event("BeforeCancel", &TDataSet::BeforeCancel);
  props.Event("AfterCancel", &TDataSet::AfterCancel);
  props.Event("BeforeDelete", &TDataSet::BeforeDelete);
  props.Event("AfterDelete", &TDataSet::AfterDelete);
  props.Event("BeforeScroll", &TDataSet::BeforeScroll);
  props.Event("AfterScroll", &TDataSet::AfterScroll);
  props.Event("BeforeRefresh", &TDataSet::BeforeRefresh);
  props.Event("AfterRefresh", &TDataSet::AfterRefresh);
  props.Event("OnCalcFields", &TDataSet::OnCalcFields);
  props.Event("OnDeleteError", &TDataSet::OnDeleteError);
  props.Event("OnEditError", &TDataSet::OnEditError);
  props.Event("OnNewRecord", &TDataSet::OnNewRecord);
  props.Event("OnPostError", &TDataSet::OnPostError);
}

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), FFieldDefs(std::make_unique<TFieldDefs>(this)), FFields(this) {}

TDataSet::~TDataSet() {
  Destroying();
  // The concrete dataset has closed itself (its destructor ran first); what
  // is left here needs none of its operations.
  FState = dsInactive;
  while (!FDataSources.empty()) RemoveDataSource(FDataSources.back());
  // Fields this dataset made are its own; fields of other owners (persistent
  // fields of a form) stay with their owner, detached from the dataset.
  while (FFields.Count() > 0) {
    TField* field = FFields.FList.back();
    FFields.FList.pop_back();
    field->FDataSet = nullptr;
    if (field->Owner() == this) delete field;
  }
}

// ---- State ------------------------------------------------------------------

void TDataSet::CheckActive() const {
  if (FState == dsInactive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (FState != dsInactive) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::SetState(TDataSetState value) {
  if (FState == value) return;
  FState = value;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

// A temporary state holds data events back (it counts as disabled controls),
// so that nobody sees the dataset in it.
TDataSetState TDataSet::SetTempState(TDataSetState value) {
  TDataSetState old = FState;
  FState = value;
  ++FDisableCount;
  FModified = false;
  return old;
}

void TDataSet::RestoreState(TDataSetState value) {
  FState = value;
  --FDisableCount;
  FModified = false;
}

// ---- Opening and closing ----------------------------------------------------

void TDataSet::SetActive(bool value) {
  if (ComponentState().Contains(csReading)) {
    FStreamedActive = value;
    return;
  }
  if (Active() == value) return;
  if (value) {
    Fire(BeforeOpen);
    try {
      OpenCursor(false);
      SetState(dsBrowse);
    } catch (...) {
      SetState(dsInactive);
      CloseCursor();
      throw;
    }
    Fire(AfterOpen);
    if (!IsEmpty()) DoAfterScroll();
  } else {
    bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) Fire(BeforeClose);
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) Fire(AfterClose);
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  try {
    if (FStreamedActive) SetActive(true);
  } catch (...) {
    // In the designer a dataset that cannot open is reported and stays closed.
    if (!ComponentState().Contains(csDesigning)) throw;
    InternalHandleException();
  }
}

void TDataSet::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TField* field : FFields)
    if (field->Owner() == root) proc(field);
}

void TDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery)
    InternalInitFieldDefs();
  else
    DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
  FDefaultFields = FieldCount() == 0;
  FInternalOpenComplete = false;
  InternalOpen();
  FInternalOpenComplete = true;
  UpdateBufferCount();
  FBOF = true;
}

void TDataSet::CloseCursor() {
  FInternalOpenComplete = false;
  ClearBuffers();
  SetBufferCount(0);
  InternalClose();
  // The next information-only close must not take persistent fields made
  // in the meantime for default ones.
  FDefaultFields = false;
}

void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
    return;
  }
  try {
    OpenCursor(true);
  } catch (...) {
    CloseCursor();
    throw;
  }
  CloseCursor();
}

// ---- Fields -----------------------------------------------------------------

void TDataSet::CreateFields() {
  for (int i = 0; i < FFieldDefs->Count(); ++i) {
    TFieldDef* def = FFieldDefs->Items(i);
    if (def->DataType() != ftUnknown) def->CreateField(this);
  }
}

void TDataSet::DestroyFields() {
  while (FFields.Count() > 0) {
    TField* field = FFields.FList.back();
    FFields.FList.pop_back();
    field->FDataSet = nullptr;
    if (field->Owner() == this) delete field;
  }
  DataEvent(deFieldListChange, 0);
}

void TDataSet::BindFields(bool binding) {
  FCalcFieldsSize = 0;
  for (TField* field : FFields) {
    if (!binding) {
      field->Bind(false);
      field->FFieldNo = 0;
      continue;
    }
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
      if (field->IsBlob()) DatabaseErrorFmt(SInvalidCalcType, nullptr, field->DisplayName());
      field->FFieldNo = -1;
      field->FOffset = FCalcFieldsSize;
      FCalcFieldsSize += field->DataSize() + 1;
    } else {
      TFieldDef* def = FFieldDefs->FindDef(field->FieldName());
      if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, this, field->DisplayName());
      if (def->DataType() != field->DataType())
        DatabaseErrorFmt(SFieldTypeMismatch, this, field->DisplayName(), FieldTypeName(field->DataType()),
                         FieldTypeName(def->DataType()));
      // A field buffer of another size than the column's would be copied past
      // its end (or left without its terminator).
      bool sized = field->DataType() == ftString || field->DataType() == ftBytes;
      if (sized && def->Size() != field->Size())
        DatabaseErrorFmt(SFieldSizeMismatch, this, field->DisplayName(), field->Size(), def->Size());
      field->FFieldNo = def->FieldNo();
    }
    field->Bind(true);
  }
}

std::vector<TField*> TDataSet::GetFieldList(const std::string& fieldNames) const {
  std::vector<TField*> result;
  size_t pos = 0;
  while (pos < fieldNames.size()) {
    size_t end = fieldNames.find(';', pos);
    if (end == std::string::npos) end = fieldNames.size();
    result.push_back(FieldByName(Trim(std::string_view(fieldNames).substr(pos, end - pos))));
    pos = end + 1;
  }
  return result;
}

Variant TDataSet::GetFieldValue(const std::string& fieldNames) const {
  if (fieldNames.find(';') == std::string::npos) return FieldByName(fieldNames)->Value();
  std::vector<TField*> fields = GetFieldList(fieldNames);
  Variant result = VarArrayCreate({0, static_cast<int>(fields.size()) - 1}, varVariant);
  for (size_t i = 0; i < fields.size(); ++i) result.PutElement({static_cast<int>(i)}, fields[i]->Value());
  return result;
}

void TDataSet::SetFieldValue(const std::string& fieldNames, const Variant& value) {
  if (fieldNames.find(';') == std::string::npos) {
    FieldByName(fieldNames)->SetValue(value);
    return;
  }
  std::vector<TField*> fields = GetFieldList(fieldNames);
  if (!value.IsArray() || VarArrayElementCount(value) != static_cast<int>(fields.size()))
    DatabaseErrorFmt(SFieldValueError, this, fieldNames);
  int low = VarArrayLowBound(value, 1);
  for (size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(value.GetElement({low + static_cast<int>(i)}));
}

void TDataSet::GetFieldNames(std::vector<std::string>& names) const {
  names.clear();
  if (FFields.Count() > 0) {
    for (TField* f : FFields) names.push_back(f->FieldName());
    return;
  }
  for (int i = 0; i < FFieldDefs->Count(); ++i) names.push_back(FFieldDefs->Items(i)->Name());
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) return Null();
  TDataSetState saved = FState;
  FState = state;
  Variant result;
  try {
    result = field->Value();
  } catch (...) {
    FState = saved;
    throw;
  }
  FState = saved;
  return result;
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) { return nullptr; }

int TDataSet::Translate(const char* source, char* dest, bool) {
  if (source != nullptr && dest != nullptr && source != dest) std::memmove(dest, source, std::strlen(source) + 1);
  return dest != nullptr ? static_cast<int>(std::strlen(dest)) : 0;
}

bool TDataSet::IsLinkedTo(const TDataSource* dataSource) const {
  while (dataSource != nullptr) {
    const TDataSet* ds = dataSource->DataSet();
    if (ds == nullptr) break;
    if (ds == this) return true;
    dataSource = ds->GetDataSource();
  }
  return false;
}

bool TDataSet::GetCurrentRecord(TRecordBuffer) { return false; }

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  // A persistent field going away with its owner leaves the list.
  if (auto* field = dynamic_cast<TField*>(component); field != nullptr && field->FDataSet == this) {
    FFields.Remove(field);
    field->FDataSet = nullptr;
  }
}

// ---- Calculated fields ------------------------------------------------------

void TDataSet::ClearCalcFields(TRecordBuffer) {}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize <= 0) return;
  TDataSetState saved = FState;
  FState = dsCalcFields;
  try {
    CalculateFields(buffer);
  } catch (...) {
    FState = saved;
    throw;
  }
  FState = saved;
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  FCalcBuffer = buffer;
  if (FState != dsInternalCalc) {
    ClearCalcFields(FCalcBuffer);
    for (TField* field : FFields)
      if (field->FieldKind() == fkLookup) field->CalcLookupValue();
  }
  Fire(OnCalcFields);
}

// ---- Buffers ----------------------------------------------------------------

TRecordBuffer TDataSet::ActiveBuffer() const {
  if (FBuffers.empty()) return nullptr;
  return FBuffers[static_cast<size_t>(FActiveRecord)];
}

TRecordBuffer TDataSet::TempBuffer() const {
  if (FBuffers.empty()) return nullptr;
  return FBuffers[static_cast<size_t>(FRecordCount)];
}

TRecordBuffer TDataSet::Buffers(int index) const {
  if (index < 0 || index > FBufferCount || FBuffers.empty()) DatabaseErrorFmt(SBufferCountError, this, index);
  return FBuffers[static_cast<size_t>(index)];
}

template <class F>
void TDataSet::ForEachActiveLink(F&& f) const {
  for (TDataSource* source : FDataSources)
    for (TDataLink* link : source->FDataLinks)
      if (link->FActive) f(link);
}

void TDataSet::AdjustFirstRecord(int delta) {
  if (delta != 0) ForEachActiveLink([delta](TDataLink* link) { link->FFirstRecord += delta; });
}

void TDataSet::FreeAllBuffers() noexcept {
  for (TRecordBuffer& b : FBuffers)
    if (b != nullptr) FreeRecordBuffer(b);
  FBuffers.clear();
  FBufferCount = 0;
  FCalcBuffer = nullptr;
}

void TDataSet::SetBufferCount(int value) {
  if (value == FBufferCount && (value == 0) == FBuffers.empty()) return;
  if (value == 0) {
    FreeAllBuffers();
    return;
  }
  if (FBuffers.empty()) {
    FBuffers.assign(static_cast<size_t>(value) + 1, nullptr);
    try {
      for (TRecordBuffer& b : FBuffers) b = AllocRecordBuffer();
    } catch (...) {
      FreeAllBuffers();
      throw;
    }
    FBufferCount = value;
  } else if (value < FBufferCount) {
    if (FRecordCount > 0) {
      // Keep the records that the active record and the links' windows need.
      int delta = FActiveRecord;
      ForEachActiveLink([&delta](TDataLink* link) { delta = std::min(delta, link->FFirstRecord); });
      for (int i = 0; i < value; ++i) MoveBuffer(i + delta, i);
      FActiveRecord -= delta;
      if (FCurrentRecord != -1) FCurrentRecord -= delta;
      if (FCurrentRecord >= value || FCurrentRecord < -1) FCurrentRecord = -1;
      FRecordCount = std::clamp(FRecordCount - delta, 0, value);
      AdjustFirstRecord(-delta);
    }
    for (size_t i = static_cast<size_t>(value) + 1; i < FBuffers.size(); ++i) FreeRecordBuffer(FBuffers[i]);
    FBuffers.resize(static_cast<size_t>(value) + 1);
    FBufferCount = value;
  } else {
    size_t old = FBuffers.size();
    FBuffers.resize(static_cast<size_t>(value) + 1, nullptr);
    try {
      for (size_t i = old; i < FBuffers.size(); ++i) FBuffers[i] = AllocRecordBuffer();
    } catch (...) {
      for (size_t i = old; i < FBuffers.size(); ++i)
        if (FBuffers[i] != nullptr) FreeRecordBuffer(FBuffers[i]);
      FBuffers.resize(old);
      throw;
    }
    FBufferCount = value;
  }
  GetNextRecords();
  AdjustFirstRecord(GetPriorRecords());
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen() || !FInternalOpenComplete) return;
  int count = 1;
  for (TDataSource* source : FDataSources)
    for (TDataLink* link : source->FDataLinks) count = std::max(count, link->FBufferCount);
  SetBufferCount(count);
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  auto cur = FBuffers.begin() + curIndex;
  auto dst = FBuffers.begin() + newIndex;
  if (curIndex < newIndex)
    std::rotate(cur, cur + 1, dst + 1);
  else
    std::rotate(dst, cur, cur + 1);
}

void TDataSet::ActivateBuffers() {
  FRecordCount = 1;
  FActiveRecord = 0;
  FCurrentRecord = 0;
  FBOF = false;
  FEOF = false;
}

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
  FBOF = true;
  FEOF = true;
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::SetCurrentRecord(int index) {
  if (FCurrentRecord == index) return;
  TRecordBuffer buffer = FBuffers[static_cast<size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (FRecordCount > 0) {
    SetCurrentRecord(FRecordCount - 1);
    // A record being inserted before the current one: the cursor still
    // stands on that current record, which is the next one to show.
    if (FState == dsInsert && FCurrentRecord == FActiveRecord && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  bool ok = GetRecord(FBuffers[static_cast<size_t>(FRecordCount)], mode, true) == grOK;
  if (ok) {
    if (FRecordCount == 0)
      ActivateBuffers();
    else if (FRecordCount < FBufferCount)
      ++FRecordCount;
    else
      MoveBuffer(0, FRecordCount);
    FCurrentRecord = FRecordCount - 1;
  } else {
    CursorPosChanged();
  }
  return ok;
}

bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0) SetCurrentRecord(0);
  bool ok = GetRecord(FBuffers[static_cast<size_t>(FRecordCount)], gmPrior, true) == grOK;
  if (ok) {
    if (FRecordCount == 0) {
      ActivateBuffers();
    } else {
      MoveBuffer(FRecordCount, 0);
      if (FRecordCount < FBufferCount) {
        ++FRecordCount;
        ++FActiveRecord;
      }
    }
    FCurrentRecord = 0;
  } else {
    CursorPosChanged();
  }
  return ok;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  while (FRecordCount < FBufferCount && GetNextRecord()) ++n;
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  while (FRecordCount < FBufferCount && GetPriorRecord()) ++n;
  return n;
}

void TDataSet::Resync(TResyncMode mode) {
  if (FBuffers.empty()) return;
  TRecordBuffer target = FBuffers[static_cast<size_t>(FRecordCount)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(target, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(target, gmCurrent, false) != grOK && GetRecord(target, gmNext, false) != grOK &&
             GetRecord(target, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int count = mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
  MoveBuffer(FRecordCount, 0);
  ActivateBuffers();
  try {
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange, 0);
    throw;
  }
  DataEvent(deDataSetChange, 0);
}

// ---- Navigation -------------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  FBOF = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  FEOF = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int result = 0;
  DoBeforeScroll();
  if ((distance > 0 && !FEOF) || (distance < 0 && !FBOF)) {
    FBOF = false;
    FEOF = false;
    // How far the ring shifted: the links' windows follow their records.
    int scrollCount = 0;
    try {
      while (distance > 0) {
        if (FActiveRecord < FRecordCount - 1) {
          ++FActiveRecord;
        } else {
          int shift = FRecordCount < FBufferCount ? 0 : 1;
          if (!GetNextRecord()) {
            FEOF = true;
            break;
          }
          scrollCount -= shift;
          FActiveRecord = FRecordCount - 1;
        }
        --distance;
        ++result;
      }
      while (distance < 0) {
        if (FActiveRecord > 0) {
          --FActiveRecord;
        } else {
          int shift = FRecordCount < FBufferCount ? 0 : 1;
          if (!GetPriorRecord()) {
            FBOF = true;
            break;
          }
          scrollCount += shift;
          FActiveRecord = 0;
        }
        ++distance;
        --result;
      }
    } catch (...) {
      DataEvent(deDataSetScroll, scrollCount);
      throw;
    }
    DataEvent(deDataSetScroll, scrollCount);
    DoAfterScroll();
  }
  return result;
}

void TDataSet::Refresh() {
  Fire(BeforeRefresh);
  CheckBrowseMode();
  UpdateCursorPos();
  try {
    InternalRefresh();
  } catch (...) {
    Resync({});
    throw;
  }
  Resync({});
  Fire(AfterRefresh);
}

void TDataSet::SetRecNo(int) {}

bool TDataSet::Locate(const std::string&, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(const std::string&, const Variant&, const std::string&) { return Null(); }

// ---- Bookmarks --------------------------------------------------------------

bool TDataSet::BookmarkAvailable() const {
  if (FState != dsBrowse && FState != dsEdit && FState != dsInsert) return false;
  if (IsEmpty()) return false;
  return const_cast<TDataSet*>(this)->GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
  TBookmark result;
  if (!BookmarkAvailable() || FBookmarkSize <= 0) return result;
  result.resize(static_cast<size_t>(FBookmarkSize));
  const_cast<TDataSet*>(this)->GetBookmarkData(ActiveBuffer(), result.data());
  return result;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  // A bookmark of another size cannot have come from this dataset.
  if (static_cast<int>(bookmark.size()) != FBookmarkSize) DatabaseError(SRecordNotFound, this);
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }

int TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) { return 0; }

// ---- Controls and events ----------------------------------------------------

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount != 0) return;
  if (FDisableState != FState) DataEvent(deUpdateState, 0);
  if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  switch (event) {
    case deFieldChange: {
      auto* field = reinterpret_cast<TField*>(info);
      if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) {
        SetModified(true);
        // Calculated fields follow the edit of a data field at once.
        if (FState != dsSetKey && FAutoCalcFields && FCalcFieldsSize > 0 && field->FieldKind() == fkData &&
            IsEditMode(FState))
          GetCalcFields(ActiveBuffer());
      }
      // The field's OnChange follows every change of its value, whether or
      // not controls are disabled: it belongs to the dataset, not to them.
      field->Change();
      break;
    }
    case dePropertyChange:
      FFieldDefs->SetUpdated(false);
      break;
    default:
      break;
  }
  if (!ControlsDisabled() && FState != dsBlockRead) {
    std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* source : sources)
      if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end())
        source->DataEvent(event, info);
  } else if ((event == deUpdateState && FState == dsInactive) || event == deLayoutChange) {
    FEnableEvent = deLayoutChange;
  }
}

void TDataSet::AddDataSource(TDataSource* dataSource) {
  FDataSources.push_back(dataSource);
  dataSource->FDataSet = this;
  UpdateBufferCount();
  dataSource->DataEvent(deUpdateState, 0);
}

void TDataSet::RemoveDataSource(TDataSource* dataSource) {
  dataSource->FDataSet = nullptr;
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), dataSource), FDataSources.end());
  dataSource->DataEvent(deUpdateState, 0);
  // No virtual operation may run once the concrete dataset is gone.
  if (!ComponentState().Contains(csDestroying)) UpdateBufferCount();
}

// ---- Editing ----------------------------------------------------------------

// Runs a cursor operation, offering a database error to the error event:
// daFail passes it on, daAbort turns it into a silent EAbort, daRetry runs
// the operation again.
void TDataSet::CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent,
                              bool checkRequired) {
  for (;;) {
    try {
      UpdateCursorPos();
      if (checkRequired) CheckRequiredFields();
      (this->*operation)();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (errorEvent) errorEvent(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort(SOperationAborted);
    }
  }
}

void TDataSet::CheckRequiredFields() {
  for (TField* field : FFields)
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull())
      DatabaseErrorFmt(SFieldRequired, nullptr, field->DisplayName());
}

void TDataSet::UpdateRecord() {
  if (!IsEditMode(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (FState) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (FModified)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeEdit);
  CheckOperation(&TDataSet::InternalEdit, OnEditError, false);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  Fire(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeInsert);
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    Fire(OnNewRecord);
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  FModified = false;
  DataEvent(deDataSetChange, 0);
  Fire(AfterInsert);
}

// The new record takes the active record's place; it remembers that record
// (its bookmark) so that the cursor knows where the insertion is.
void TDataSet::PrepareInsertBuffer() {
  TBookmark current = GetBookmark();
  MoveBuffer(FRecordCount, FActiveRecord);
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (FRecordCount == 0)
    SetBookmarkFlag(buffer, bfBOF);
  else if (!current.empty())
    SetBookmarkData(buffer, current.data());
  if (FRecordCount < FBufferCount) ++FRecordCount;
}

// The new record goes after the last one: the ring is refilled backwards
// from the end of the data.
void TDataSet::PrepareAppendBuffer() {
  ClearBuffers();
  TRecordBuffer buffer = FBuffers[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  FRecordCount = 1;
  FBOF = false;
  GetPriorRecords();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  PrepareInsertBuffer();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  PrepareAppendBuffer();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
  if (values.size() > static_cast<size_t>(FFields.Count())) DatabaseError("Field index out of range", this);
  for (size_t i = 0; i < values.size(); ++i)
    if (!VarIsEmpty(values[i])) FFields.FList[i]->SetValue(values[i]);
}

void TDataSet::AddRecord(const std::vector<Variant>& values, bool append) {
  BeginInsertAppend();
  if (append)
    PrepareAppendBuffer();
  else
    PrepareInsertBuffer();
  InternalInsert();
  // The values are written in the insert state (fields refuse writes in
  // browse state), which nobody outside sees change.
  TRecordBuffer buffer = ActiveBuffer();
  try {
    TDataSetState saved = SetTempState(dsInsert);
    try {
      SetFields(values);
      CheckRequiredFields();
    } catch (...) {
      RestoreState(saved);
      throw;
    }
    RestoreState(saved);
    Fire(BeforePost);
    InternalAddRecord(buffer, append);
  } catch (...) {
    Resync({});
    throw;
  }
  Resync({});
  Fire(AfterPost);
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) { AddRecord(values, false); }

void TDataSet::AppendRecord(const std::vector<Variant>& values) { AddRecord(values, true); }

void TDataSet::Post() {
  UpdateRecord();
  if (FState != dsEdit && FState != dsInsert) {
    if (FState == dsSetKey) SetState(dsBrowse);
    return;
  }
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforePost);
  CheckOperation(&TDataSet::InternalPost, OnPostError, true);
  SetState(dsBrowse);
  Resync({});
  Fire(AfterPost);
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeCancel);
  bool scrolls = FState == dsInsert;
  if (scrolls) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync({});
  Fire(AfterCancel);
  if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
  CheckCanModify();
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeDelete);
  DoBeforeScroll();
  CheckOperation(&TDataSet::InternalDelete, OnDeleteError, false);
  SetState(dsBrowse);
  Resync({});
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::ClearFields() {
  if (!IsEditMode(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deCheckBrowseMode, 0);
  InternalInitRecord(ActiveBuffer());
  if (FState != dsSetKey) GetCalcFields(ActiveBuffer());
  DataEvent(deRecordChange, 0);
}
