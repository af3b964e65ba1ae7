// TDataSource, the component that connects a dataset to data-aware controls
// and detail datasets, and TDataLink, the connection of one client to a data
// source: it sees a window of BufferCount records of the dataset's ring and
// is told about state changes, scrolling, record and field changes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Classes.h"
#include "DBTypes.h"

class TDataSet;
class TDataSource;
class TField;

using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;
using TNotifyEvent = std::function<void(TObject* sender)>;

class TDataLink : public TPersistent {
  ORV_CLASS(TDataLink, TPersistent)
public:
  TDataLink() = default;
  ~TDataLink() override;

  TDataSource* DataSource() const { return FDataSource; }
  // EDatabaseError "DataSource cannot be changed" while DataSourceFixed.
  void SetDataSource(TDataSource* dataSource);
  bool DataSourceFixed() const { return FDataSourceFixed; }
  void SetDataSourceFixed(bool value) { FDataSourceFixed = value; }
  // The data source's dataset, or null.
  TDataSet* DataSet() const;
  // The data source is there and its dataset is open.
  bool Active() const { return FActive; }
  // The dataset is being edited (and this link is not read-only).
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  // Visual controls are told after the non-visual links (detail datasets).
  bool VisualControl() const { return FVisualControl; }
  void SetVisualControl(bool value) { FVisualControl = value; }
  // Records this link shows at once; the dataset keeps at least as many
  // buffers. EDatabaseError for a count below 1 or above 65536.
  int BufferCount() const { return FBufferCount; }
  void SetBufferCount(int value);
  // The active record's position in this link's window (0 .. RecordCount-1).
  int ActiveRecord() const;
  // Makes another record of the window the active one (as a grid does).
  void SetActiveRecord(int value);
  // Valid records in the window.
  int RecordCount() const;
  // Puts the dataset into edit state through the data source when allowed;
  // returns Editing.
  bool Edit();
  // Asks the link's client to write its pending value (UpdateData).
  void UpdateRecord();

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance);
  virtual void FocusControl(TField** field) { (void)field; }
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) { (void)field; }
  virtual void UpdateData() {}

private:
  friend class TDataSource;
  friend class TDataSet;
  void DataEvent(TDataEvent event, intptr_t info);
  void UpdateState();
  void UpdateRange();
  void SetActive(bool value);
  void SetEditing(bool value);

  TDataSource* FDataSource = nullptr;
  int FFirstRecord = 0;
  int FBufferCount = 1;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
  bool FDataSourceFixed = false;
  bool FVisualControl = false;
};

class TDataSource : public TComponent {
  ORV_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return FDataSet; }
  // EDatabaseError "Circular datalinks are not allowed" when the dataset
  // links back to this data source; the old dataset stays then.
  void SetDataSet(TDataSet* dataSet);
  // The dataset's state while Enabled and linked, else dsInactive.
  TDataSetState State() const { return FState; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool value) { FAutoEdit = value; }
  // With AutoEdit, puts a browsing dataset into edit state.
  void Edit();
  // True when dataSet is this source's dataset, or reaches it through its
  // own data source.
  bool IsLinkedTo(const TDataSet* dataSet) const;
  int DataLinkCount() const { return static_cast<int>(FDataLinks.size()); }

  TDataChangeEvent OnDataChange;
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

  static void Publish(TPropertyTable<TDataSource>& props);

private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, intptr_t info);
  void NotifyDataLinks(TDataEvent event, intptr_t info);
  void UpdateState();
  void SetState(TDataSetState value);
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);

  TDataSet* FDataSet = nullptr;
  std::vector<TDataLink*> FDataLinks;
  TDataSetState FState = dsInactive;
  bool FEnabled = true;
  bool FAutoEdit = true;
};
