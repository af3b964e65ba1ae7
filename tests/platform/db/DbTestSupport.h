// Shared pieces of the dataset-model tests: a recording data link, an event
// log for a dataset's events, and a fixture with a filled test dataset.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DB.h"
#include "MemDataSet.h"

// Records what the data link is told, and reads the records of its window.
class TRecordingLink : public TDataLink {
public:
  std::vector<std::string> Log;
  // The ID column (field 0) of each record in the window.
  std::vector<int> WindowIds() {
    std::vector<int> ids;
    int saved = ActiveRecord();
    for (int i = 0; i < RecordCount(); ++i) {
      SetActiveRecord(i);
      ids.push_back(DataSet()->Fields()[0]->AsInteger());
    }
    SetActiveRecord(saved);
    return ids;
  }

public:
  void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { Log.push_back("changed"); }
  void DataSetScrolled(int distance) override { Log.push_back("scrolled " + std::to_string(distance)); }
  void EditingChanged() override { Log.push_back(Editing() ? "editing" : "not editing"); }
  void RecordChanged(TField* field) override { Log.push_back("record " + (field ? field->FieldName() : std::string("-"))); }
  void CheckBrowseMode() override { Log.push_back("check"); }
  void UpdateData() override { Log.push_back("update"); }
};

// Appends the name of each dataset event as it fires.
inline void LogEvents(TDataSet& ds, std::vector<std::string>& log) {
  auto hook = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
  ds.BeforeOpen = hook("BeforeOpen");
  ds.AfterOpen = hook("AfterOpen");
  ds.BeforeClose = hook("BeforeClose");
  ds.AfterClose = hook("AfterClose");
  ds.BeforeInsert = hook("BeforeInsert");
  ds.AfterInsert = hook("AfterInsert");
  ds.BeforeEdit = hook("BeforeEdit");
  ds.AfterEdit = hook("AfterEdit");
  ds.BeforePost = hook("BeforePost");
  ds.AfterPost = hook("AfterPost");
  ds.BeforeCancel = hook("BeforeCancel");
  ds.AfterCancel = hook("AfterCancel");
  ds.BeforeDelete = hook("BeforeDelete");
  ds.AfterDelete = hook("AfterDelete");
  ds.BeforeScroll = hook("BeforeScroll");
  ds.AfterScroll = hook("AfterScroll");
  ds.OnNewRecord = hook("OnNewRecord");
}

// A dataset of `rows` people: ID 1..rows, NAME "n<ID>", SCORE ID * 1.5.
class DbFixture : public ::testing::Test {
public:
  std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
  TMemDataSet* People = nullptr;
  TDataSource* Source = nullptr;

  void MakePeople(int rows) {
    delete Source;
    delete People;
    People = new TMemDataSet(Owner.get(), {{"ID", ftInteger}, {"NAME", ftString, 10}, {"SCORE", ftFloat}});
    People->SetName("People");
    for (int i = 1; i <= rows; ++i) People->AddRow({i, "n" + std::to_string(i), i * 1.5});
    Source = new TDataSource(Owner.get());
    Source->SetDataSet(People);
  }
  void SetUp() override { MakePeople(10); }
  int Id() const { return People->FieldByName("ID")->AsInteger(); }
};
