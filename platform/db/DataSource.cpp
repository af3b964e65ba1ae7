// TDataSource and TDataLink.
#include "DataSource.h"

#include <algorithm>

#include "DBConsts.h"
#include "DataSet.h"
#include "TypInfo.h"

// ---- TDataLink --------------------------------------------------------------

ORV_IMPLEMENT_CLASS(TDataLink)

TDataLink::~TDataLink() {
  // The client is going: no more notifications to it while it is detached.
  FActive = false;
  FEditing = false;
  FDataSourceFixed = false;
  if (FDataSource != nullptr) FDataSource->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* dataSource) {
  if (FDataSource == dataSource) return;
  if (FDataSourceFixed) DatabaseError(SDataSourceChange, FDataSource);
  if (FDataSource != nullptr) FDataSource->RemoveDataLink(this);
  if (dataSource != nullptr) dataSource->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const { return FDataSource != nullptr ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  UpdateState();
}

void TDataLink::SetBufferCount(int value) {
  if (value < 1 || value > 65536) DatabaseErrorFmt(SBufferCountError, nullptr, value);
  if (FBufferCount == value) return;
  FBufferCount = value;
  if (FActive) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

int TDataLink::ActiveRecord() const {
  if (!FActive || FDataSource->State() == dsSetKey) return 0;
  return DataSet()->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int value) {
  if (!FActive || FDataSource->State() == dsSetKey) return;
  TDataSet* ds = DataSet();
  int index = FFirstRecord + value;
  // Only a valid record of the window can become the active one.
  if (value < 0 || value >= FBufferCount || index >= ds->FRecordCount) DatabaseError(SRecordNotFound, ds);
  ds->FActiveRecord = index;
}

int TDataLink::RecordCount() const {
  if (!FActive) return 0;
  if (FDataSource->State() == dsSetKey) return 1;
  int n = DataSet()->FRecordCount - FFirstRecord;
  return std::clamp(n, 0, FBufferCount);
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource != nullptr) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
}

void TDataLink::DataSetScrolled(int distance) {
  (void)distance;
  DataSetChanged();
}

// Keeps the window inside the ring and around the active record. After the
// ring has shifted (info of a scroll) the window first follows its records.
void TDataLink::UpdateRange() {
  TDataSet* ds = DataSet();
  int active = ds->FActiveRecord;
  int low = std::max(0, active - FBufferCount + 1);
  int high = std::min(active, std::max(0, ds->FBufferCount - FBufferCount));
  if (FFirstRecord < low) FFirstRecord = low;
  if (FFirstRecord > high) FFirstRecord = high;
  // With fewer records after the window start than it can show (after Last,
  // say), the window moves back to show as many as there are.
  int shown = ds->FRecordCount - FFirstRecord;
  if (shown < FBufferCount && FFirstRecord > low) FFirstRecord = std::max(low, ds->FRecordCount - FBufferCount);
}

void TDataLink::UpdateState() {
  SetActive(FDataSource != nullptr && FDataSource->State() != dsInactive);
  SetEditing(FDataSource != nullptr && IsEditMode(FDataSource->State()) && !FReadOnly);
}

void TDataLink::SetActive(bool value) {
  if (FActive == value) return;
  FActive = value;
  if (value)
    UpdateRange();
  else
    FFirstRecord = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (FEditing == value) return;
  FEditing = value;
  EditingChanged();
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      int followed = FFirstRecord;
      if (event == deDataSetScroll) {
        FFirstRecord += static_cast<int>(info);
        followed = FFirstRecord;
      }
      UpdateRange();
      if (event == deDataSetChange)
        DataSetChanged();
      else if (event == deDataSetScroll)
        DataSetScrolled(FFirstRecord - followed);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

// ---- TDataSource ------------------------------------------------------------

ORV_IMPLEMENT_CLASS(TDataSource)

void TDataSource::Publish(TPropertyTable<TDataSource>& props) {
  props.Add("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  props.Add("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  props.Add("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
  props.Event("OnStateChange", &TDataSource::OnStateChange);
  props.Event("OnDataChange", &TDataSource::OnDataChange);
  props.Event("OnUpdateData", &TDataSource::OnUpdateData);
}

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  Destroying();
  OnStateChange = nullptr;
  OnDataChange = nullptr;
  if (FDataSet != nullptr) FDataSet->RemoveDataSource(this);
  while (!FDataLinks.empty()) RemoveDataLink(FDataLinks.back());
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (IsLinkedTo(dataSet)) DatabaseError(SCircularDataLink, this);
  if (FDataSet != nullptr) FDataSet->RemoveDataSource(this);
  if (dataSet != nullptr) dataSet->AddDataSource(this);
}

void TDataSource::SetEnabled(bool value) {
  FEnabled = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == dsBrowse) FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
  while (dataSet != nullptr) {
    const TDataSource* source = dataSet->GetDataSource();
    if (source == nullptr) break;
    if (source == this) return true;
    dataSet = source->DataSet();
  }
  return false;
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

// Non-visual links (detail datasets) first, so that details follow their
// master before the controls redraw; each group from the last link added.
// A link may leave the list while it is told, so the list is copied.
void TDataSource::NotifyDataLinks(TDataEvent event, intptr_t info) {
  std::vector<TDataLink*> links = FDataLinks;
  for (bool visual : {false, true})
    for (auto it = links.rbegin(); it != links.rend(); ++it) {
      TDataLink* link = *it;
      if (link->FVisualControl != visual) continue;
      if (std::find(FDataLinks.begin(), FDataLinks.end(), link) == FDataLinks.end()) continue;
      link->DataEvent(event, info);
    }
}

void TDataSource::UpdateState() {
  SetState(FEnabled && FDataSet != nullptr ? FDataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
  if (FState == value) return;
  TDataSetState prior = FState;
  FState = value;
  NotifyDataLinks(deUpdateState, 0);
  if (ComponentState().Contains(csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::AddDataLink(TDataLink* link) {
  FDataLinks.push_back(link);
  link->FDataSource = this;
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  link->FDataSource = nullptr;
  FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), link), FDataLinks.end());
  link->UpdateState();
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
}
