// Navigation, the record-buffer ring under several data links, resync,
// bookmarks, record numbers, Locate/Lookup and held-back control events.
#include <gtest/gtest.h>

#include "DbTestSupport.h"

namespace {

using Ids = std::vector<int>;

class NavigationTest : public DbFixture {};

TEST_F(NavigationTest, RingFollowsTheLargestLinkAndEachWindowKeepsTheActiveRecord) {
  TRecordingLink one, five, three;
  one.SetDataSource(Source);
  five.SetBufferCount(5);
  five.SetDataSource(Source);
  three.SetBufferCount(3);
  three.SetDataSource(Source);
  People->Open();
  EXPECT_EQ(People->AllocatedBuffers(), 6);  // five records and the spare
  EXPECT_EQ(five.WindowIds(), (Ids{1, 2, 3, 4, 5}));
  EXPECT_EQ(three.WindowIds(), (Ids{1, 2, 3}));
  EXPECT_TRUE(People->Bof());

  People->Next();
  People->Next();
  three.Log.clear();
  People->Next();  // leaves the three-record window: it scrolls by one
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(three.Log, (std::vector<std::string>{"check", "scrolled 1"}));
  EXPECT_EQ(three.WindowIds(), (Ids{2, 3, 4}));
  EXPECT_EQ(three.ActiveRecord(), 2);

  EXPECT_EQ(People->MoveBy(3), 3);  // beyond the ring: records are fetched
  EXPECT_EQ(Id(), 7);
  EXPECT_EQ(five.WindowIds(), (Ids{3, 4, 5, 6, 7}));
  EXPECT_EQ(one.WindowIds(), (Ids{7}));

  People->Last();
  EXPECT_TRUE(People->Eof());
  EXPECT_EQ(Id(), 10);
  EXPECT_EQ(five.WindowIds(), (Ids{6, 7, 8, 9, 10}));
  EXPECT_EQ(three.WindowIds(), (Ids{8, 9, 10}));
  EXPECT_EQ(People->MoveBy(1), 0);

  EXPECT_EQ(People->MoveBy(-12), -9);
  EXPECT_TRUE(People->Bof());
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(People->MoveBy(4), 4);

  // The largest link goes: the ring shrinks and keeps the active record.
  five.SetDataSource(nullptr);
  EXPECT_EQ(People->AllocatedBuffers(), 4);
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(three.WindowIds(), (Ids{3, 4, 5}));
  People->Next();
  EXPECT_EQ(Id(), 6);
}

TEST_F(NavigationTest, LinkAddedToAnOpenDatasetGrowsTheRingAroundTheActiveRecord) {
  People->Open();
  People->MoveBy(8);
  EXPECT_EQ(People->AllocatedBuffers(), 2);
  TRecordingLink grid;
  grid.SetBufferCount(4);
  grid.SetDataSource(Source);
  EXPECT_EQ(People->AllocatedBuffers(), 5);
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(grid.WindowIds(), (Ids{7, 8, 9, 10}));
  EXPECT_EQ(grid.ActiveRecord(), 2);
}

TEST_F(NavigationTest, GotoBookmarkCentresTheRecordAndBookmarksCompareByRow) {
  TRecordingLink grid;
  grid.SetBufferCount(5);
  grid.SetDataSource(Source);
  People->Open();
  EXPECT_TRUE(People->GetBookmark().size() == 8u);
  People->MoveBy(7);
  TBookmark eight = People->GetBookmark();
  People->First();
  TBookmark one = People->GetBookmark();

  std::vector<std::string> events;
  LogEvents(*People, events);
  People->GotoBookmark(eight);
  EXPECT_EQ(Id(), 8);
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(grid.WindowIds(), (Ids{6, 7, 8, 9, 10}));
  EXPECT_EQ(grid.ActiveRecord(), 2);

  TBookmark none;
  struct Case {
    const TBookmark& a;
    const TBookmark& b;
    int expected;
  } cases[] = {{one, eight, -1}, {eight, one, 1}, {eight, eight, 0}, {eight, none, -1}, {none, one, 1}, {none, none, 0}};
  for (const Case& c : cases) EXPECT_EQ(People->CompareBookmarks(c.a, c.b), c.expected);

  EXPECT_TRUE(People->BookmarkValid(one));
  EXPECT_FALSE(People->BookmarkValid(none));
  People->FreeBookmark(eight);
  EXPECT_TRUE(eight.empty());
  // A bookmark of another size cannot be this dataset's.
  EXPECT_THROW(People->GotoBookmark(TBookmark{1, 2}), EDatabaseError);
}

TEST_F(NavigationTest, BookmarkOfARowThatIsGoneRaisesAndKeepsTheRecord) {
  People->Open();
  People->Last();
  TBookmark last = People->GetBookmark();
  People->Delete();
  People->First();
  People->Next();
  try {
    People->GotoBookmark(last);
    ADD_FAILURE();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "People: Record not found");
  }
  EXPECT_FALSE(People->BookmarkValid(last));
  EXPECT_EQ(Id(), 2);
  People->Next();
  EXPECT_EQ(Id(), 3);
}

TEST_F(NavigationTest, EmptyDatasetHasNoBookmarkAndNoRecord) {
  MakePeople(0);
  People->Open();
  EXPECT_TRUE(People->IsEmpty());
  EXPECT_TRUE(People->Bof());
  EXPECT_TRUE(People->Eof());
  EXPECT_TRUE(People->GetBookmark().empty());
  EXPECT_TRUE(People->FieldByName("NAME")->IsNull());
  EXPECT_EQ(People->MoveBy(1), 0);
  EXPECT_THROW(People->Delete(), EDatabaseError);
}

TEST_F(NavigationTest, RecNoJumpsWithScrollEventsAndOutOfRangeStays) {
  People->Open();
  EXPECT_EQ(People->RecNo(), 1);
  std::vector<std::string> events;
  LogEvents(*People, events);
  People->SetRecNo(5);
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeScroll", "AfterScroll"}));
  events.clear();
  People->SetRecNo(5);
  EXPECT_TRUE(events.empty());
  People->SetRecNo(50);
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeScroll"}));
  EXPECT_EQ(Id(), 5);
  People->Next();
  EXPECT_EQ(Id(), 6);
  EXPECT_EQ(People->RecordCount(), 10);
  People->Close();
  EXPECT_THROW(People->RecordCount(), EDatabaseError);
}

TEST_F(NavigationTest, LocateMovesToTheMatchAndLookupLeavesTheRecord) {
  People->Open();
  std::vector<std::string> events;
  LogEvents(*People, events);
  EXPECT_TRUE(People->Locate("NAME", "N7", TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(Id(), 7);
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeScroll", "AfterScroll"}));
  events.clear();
  EXPECT_FALSE(People->Locate("NAME", "N7", {}));
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeScroll"}));
  EXPECT_EQ(Id(), 7);

  EXPECT_EQ(People->Lookup("ID", 3, "NAME"), Variant("n3"));
  EXPECT_TRUE(VarIsNull(People->Lookup("ID", 42, "NAME")));
  Variant both = People->Lookup("ID", 2, "NAME;SCORE");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both[0], Variant("n2"));
  EXPECT_EQ(both[1], Variant(3.0));
  EXPECT_EQ(Id(), 7);
  EXPECT_EQ(People->State(), dsBrowse);
  EXPECT_THROW(People->Lookup("NOPE", 1, "NAME"), EDatabaseError);
}

TEST_F(NavigationTest, DisableControlsHoldsEventsBackUntilTheLastEnable) {
  TRecordingLink link;
  link.SetDataSource(Source);
  int dataChanges = 0;
  Source->OnDataChange = [&dataChanges](TObject*, TField*) { ++dataChanges; };
  People->Open();
  link.Log.clear();
  dataChanges = 0;

  People->DisableControls();
  People->DisableControls();
  People->Next();
  People->Last();
  People->Edit();
  People->EnableControls();
  EXPECT_TRUE(link.Log.empty());
  EXPECT_EQ(dataChanges, 0);
  EXPECT_TRUE(People->ControlsDisabled());
  People->EnableControls();
  // The state change that was missed, then one change of the whole dataset.
  EXPECT_EQ(link.Log, (std::vector<std::string>{"editing", "changed"}));
  EXPECT_EQ(dataChanges, 1);
  EXPECT_EQ(Source->State(), dsEdit);
}

TEST_F(NavigationTest, DataSourceFollowsStateAndEnabled) {
  std::vector<TDataSetState> states;
  Source->OnStateChange = [&](TObject*) { states.push_back(Source->State()); };
  TRecordingLink link;
  link.SetDataSource(Source);
  People->Open();
  People->Edit();
  People->Cancel();
  Source->SetEnabled(false);
  EXPECT_FALSE(link.Active());
  Source->SetEnabled(true);
  People->Close();
  EXPECT_EQ(states, (std::vector<TDataSetState>{dsBrowse, dsEdit, dsBrowse, dsInactive, dsBrowse, dsInactive}));
  EXPECT_EQ(link.Log.front(), "active");
  EXPECT_EQ(link.Log.back(), "inactive");
}

TEST_F(NavigationTest, DestroyingTheDatasetDetachesItsDataSources) {
  TRecordingLink link;
  link.SetDataSource(Source);
  People->Open();
  delete People;
  EXPECT_EQ(Source->DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(Source->State(), dsInactive);
}

TEST(DataLink, RejectsBufferCountsOutsideTheRange) {
  TDataLink link;
  EXPECT_THROW(link.SetBufferCount(0), EDatabaseError);
  EXPECT_THROW(link.SetBufferCount(1 << 20), EDatabaseError);
  link.SetBufferCount(7);
  EXPECT_EQ(link.BufferCount(), 7);
}

}  // namespace
