// Editing: edit, insert, append, post, cancel and delete with their events in
// order, the error events with fail, abort and retry, validation, required
// fields, refused writes, and InsertRecord/AppendRecord.
#include <gtest/gtest.h>

#include <functional>

#include "DbTestSupport.h"

namespace {

using Log = std::vector<std::string>;

class EditTest : public DbFixture {
public:
  void SetUp() override {
    DbFixture::SetUp();
    People->Open();
  }
  void SetName(const std::string& name) { People->FieldByName("NAME")->SetAsString(name); }
  std::string Name() const { return People->FieldByName("NAME")->AsString(); }
};

TEST_F(EditTest, OperationsFireTheirEventsInOrderAndChangeTheRows) {
  struct Case {
    const char* name;
    std::function<void(EditTest&)> run;
    Log events;
  };
  const Case cases[] = {
      {"edit and post",
       [](EditTest& t) {
         t.People->Edit();
         t.SetName("x");
         t.People->Post();
       },
       {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}},
      {"edit and cancel",
       [](EditTest& t) {
         t.People->Edit();
         t.SetName("x");
         t.People->Cancel();
       },
       {"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}},
      {"insert and post",
       [](EditTest& t) {
         t.People->Insert();
         t.SetName("x");
         t.People->Post();
       },
       {"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforePost", "AfterPost"}},
      {"insert and cancel",
       [](EditTest& t) {
         t.People->Insert();
         t.People->Cancel();
       },
       {"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}},
      {"append and post",
       [](EditTest& t) {
         t.People->Append();
         t.SetName("x");
         t.People->Post();
       },
       {"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforePost", "AfterPost"}},
      {"delete",
       [](EditTest& t) { t.People->Delete(); },
       {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}},
      {"scroll posts a modified edit",
       [](EditTest& t) {
         t.People->Edit();
         t.SetName("x");
         t.People->Next();
       },
       {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}},
      {"scroll cancels an unmodified edit",
       [](EditTest& t) {
         t.People->Edit();
         t.People->Next();
       },
       {"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel", "BeforeScroll", "AfterScroll"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();  // a fresh dataset per case
    People->MoveBy(2);
    Log events;
    LogEvents(*People, events);
    c.run(*this);
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(People->State(), dsBrowse);
  }
}

TEST_F(EditTest, InsertGoesBeforeTheCurrentRecordAndAppendAfterTheLast) {
  People->MoveBy(2);
  People->Insert();
  EXPECT_EQ(People->State(), dsInsert);
  EXPECT_TRUE(People->FieldByName("ID")->IsNull());
  People->FieldByName("ID")->SetAsInteger(99);
  People->Post();
  EXPECT_EQ(Id(), 99);
  EXPECT_EQ(People->RowValue(2, 0), Variant(99));
  EXPECT_EQ(People->RowValue(3, 0), Variant(3));
  People->Next();
  EXPECT_EQ(Id(), 3);

  People->Append();
  People->FieldByName("ID")->SetAsInteger(100);
  People->Post();
  EXPECT_EQ(Id(), 100);
  EXPECT_EQ(People->RowValue(People->RowCount() - 1, 0), Variant(100));
  People->Next();
  EXPECT_TRUE(People->Eof());
  People->First();
  EXPECT_EQ(Id(), 1);
}

TEST_F(EditTest, InsertInAFullRingShowsTheNewRecordInPlaceUntilPostOrCancel) {
  TRecordingLink grid;
  grid.SetBufferCount(4);
  grid.SetDataSource(Source);
  People->MoveBy(2);
  ASSERT_EQ(grid.WindowIds(), (std::vector<int>{1, 2, 3, 4}));
  People->Insert();
  EXPECT_EQ(grid.WindowIds(), (std::vector<int>{1, 2, 0, 3}));  // the new record reads 0
  EXPECT_EQ(grid.ActiveRecord(), 2);
  People->Cancel();
  EXPECT_EQ(grid.WindowIds(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Id(), 3);

  People->Insert();
  People->FieldByName("ID")->SetAsInteger(99);
  People->Post();
  EXPECT_EQ(grid.WindowIds(), (std::vector<int>{1, 2, 99, 3}));
  EXPECT_EQ(Id(), 99);
  People->Refresh();
  EXPECT_EQ(Id(), 99);

  People->Append();
  EXPECT_EQ(grid.WindowIds(), (std::vector<int>{8, 9, 10, 0}));
  People->Cancel();
  EXPECT_EQ(Id(), 10);
  EXPECT_EQ(grid.WindowIds(), (std::vector<int>{7, 8, 9, 10}));
}

TEST_F(EditTest, DeletingTheLastRowsLeavesTheNewLastThenAnEmptyDataset) {
  MakePeople(2);
  People->Open();
  People->Last();
  People->Delete();
  EXPECT_EQ(Id(), 1);
  People->Delete();
  EXPECT_TRUE(People->Active());
  EXPECT_TRUE(People->IsEmpty());
  EXPECT_EQ(People->RowCount(), 0);
  // Edit on an empty dataset inserts.
  People->Edit();
  EXPECT_EQ(People->State(), dsInsert);
}

TEST_F(EditTest, LinksHearEditingFieldChangesAndThePost) {
  TRecordingLink link;
  link.SetDataSource(Source);
  link.Log.clear();
  People->Edit();
  SetName("x");
  EXPECT_TRUE(People->Modified());
  People->Post();
  EXPECT_EQ(link.Log, (Log{"check", "editing", "record -", "record NAME", "update", "check", "not editing", "changed"}));
  EXPECT_EQ(People->RowValue(0, 1), Variant("x"));
}

TEST_F(EditTest, ErrorEventsFailAbortOrRetryTheOperation) {
  struct Case {
    const char* name;
    TDataAction action;
    std::function<void(EditTest&)> arm;
    std::function<void(EditTest&)> run;
    bool throwsAbort;
    bool throwsError;
    TDataSetState state;
    int rows;
  };
  auto editAndPost = [](EditTest& t) {
    t.People->Edit();
    t.SetName("x");
    t.People->Post();
  };
  const Case cases[] = {
      {"post retried", daRetry, [](EditTest& t) { t.People->FailPosts = 1; }, editAndPost, false, false, dsBrowse, 10},
      {"post aborted", daAbort, [](EditTest& t) { t.People->FailPosts = 1; }, editAndPost, true, false, dsEdit, 10},
      {"post failed", daFail, [](EditTest& t) { t.People->FailPosts = 1; }, editAndPost, false, true, dsEdit, 10},
      {"delete retried", daRetry, [](EditTest& t) { t.People->FailDeletes = 1; },
       [](EditTest& t) { t.People->Delete(); }, false, false, dsBrowse, 9},
      {"delete aborted", daAbort, [](EditTest& t) { t.People->FailDeletes = 1; },
       [](EditTest& t) { t.People->Delete(); }, true, false, dsBrowse, 10},
      {"edit retried", daRetry, [](EditTest& t) { t.People->FailEdits = 1; }, [](EditTest& t) { t.People->Edit(); },
       false, false, dsEdit, 10},
      {"edit failed", daFail, [](EditTest& t) { t.People->FailEdits = 1; }, [](EditTest& t) { t.People->Edit(); },
       false, true, dsBrowse, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    std::vector<std::string> seen;
    TDataSetErrorEvent handler = [&seen, &c](TDataSet*, EDatabaseError& e, TDataAction& action) {
      seen.push_back(e.Message());
      action = c.action;
    };
    People->OnPostError = People->OnDeleteError = People->OnEditError = handler;
    c.arm(*this);
    if (c.throwsAbort)
      EXPECT_THROW(c.run(*this), EAbort);
    else if (c.throwsError)
      EXPECT_THROW(c.run(*this), EDatabaseError);
    else
      EXPECT_NO_THROW(c.run(*this));
    EXPECT_EQ(seen, (std::vector<std::string>{"Cursor refused"}));
    EXPECT_EQ(People->State(), c.state);
    EXPECT_EQ(People->RowCount(), c.rows);
  }
}

TEST_F(EditTest, RequiredFieldStopsThePostThroughThePostErrorEvent) {
  People->FieldByName("NAME")->SetRequired(true);
  People->Edit();
  People->FieldByName("NAME")->Clear();
  std::string seen;
  People->OnPostError = [&seen](TDataSet*, EDatabaseError& e, TDataAction&) { seen = e.Message(); };
  EXPECT_THROW(People->Post(), EDatabaseError);
  EXPECT_EQ(seen, "Field 'NAME' must have a value");
  EXPECT_EQ(People->PostCalls, 0);
  SetName("back");
  People->Post();
  EXPECT_EQ(People->RowValue(0, 1), Variant("back"));
}

TEST_F(EditTest, ValidationSeesTheNewValueAndStopsTheWrite) {
  TField* score = People->FieldByName("SCORE");
  double validated = 0;
  score->OnValidate = [&validated](TField* f) {
    validated = f->AsFloat();
    if (validated < 0) throw EDatabaseError("negative score");
  };
  People->Edit();
  EXPECT_THROW(score->SetAsFloat(-2), EDatabaseError);
  EXPECT_EQ(validated, -2);
  EXPECT_EQ(score->AsFloat(), 1.5);
  EXPECT_FALSE(People->Modified());
  score->SetAsFloat(4);
  EXPECT_EQ(score->AsFloat(), 4);
}

TEST_F(EditTest, WritesAreRefusedOutsideEditingAndOnReadOnlyData) {
  struct Case {
    const char* name;
    std::function<void(EditTest&)> run;
    const char* message;
  };
  const Case cases[] = {
      {"field in browse state", [](EditTest& t) { t.SetName("x"); }, "People: Dataset not in edit or insert mode"},
      {"read-only field",
       [](EditTest& t) {
         t.People->FieldByName("ID")->SetReadOnly(true);
         t.People->Edit();
         t.People->FieldByName("ID")->SetAsInteger(5);
       },
       "Field 'ID' cannot be modified"},
      {"edit read-only dataset",
       [](EditTest& t) {
         t.People->ReadOnlyData = true;
         t.People->Edit();
       },
       "People: Cannot modify a read-only dataset"},
      {"delete read-only dataset",
       [](EditTest& t) {
         t.People->ReadOnlyData = true;
         t.People->Delete();
       },
       "People: Cannot modify a read-only dataset"},
      {"post while browsing", [](EditTest& t) { t.People->Post(); }, "People: Dataset not in edit or insert mode"},
      {"missing field", [](EditTest& t) { t.People->FieldByName("NOPE"); }, "People: Field 'NOPE' not found"},
      {"closed dataset",
       [](EditTest& t) {
         t.People->Close();
         t.People->Next();
       },
       "People: Cannot perform this operation on a closed dataset"},
      {"open dataset", [](EditTest& t) { t.People->CheckInactive(); },
       "People: Cannot perform this operation on an open dataset"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    try {
      c.run(*this);
      ADD_FAILURE() << "no error";
    } catch (EDatabaseError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(People->RowValue(0, 0), Variant(1));
  }
}

TEST_F(EditTest, InsertRecordAndAppendRecordAddRowsWithoutTheInsertEvents) {
  People->MoveBy(4);
  Log events;
  LogEvents(*People, events);
  People->InsertRecord({50, "fifty"});
  EXPECT_EQ(events, (Log{"BeforeInsert", "BeforePost", "AfterPost"}));
  EXPECT_EQ(People->State(), dsBrowse);
  EXPECT_EQ(Id(), 50);
  EXPECT_EQ(People->RowValue(4, 1), Variant("fifty"));
  EXPECT_TRUE(VarIsNull(People->RowValue(4, 2)));

  People->AppendRecord({Unassigned(), "last", 2.5});
  EXPECT_EQ(People->RowValue(People->RowCount() - 1, 1), Variant("last"));
  EXPECT_TRUE(VarIsNull(People->RowValue(People->RowCount() - 1, 0)));

  People->FieldByName("ID")->SetRequired(true);
  EXPECT_THROW(People->AppendRecord({Null(), "none"}), EDatabaseError);
  EXPECT_EQ(People->RowCount(), 12);
  EXPECT_EQ(People->State(), dsBrowse);
  EXPECT_THROW(People->AppendRecord({1, "a", 1.0, 4}), EDatabaseError);
}

}  // namespace
