// Find: forward search by key fields with every option combination, the
// return to the start row, and its errors.
#include <gtest/gtest.h>

#include "FrameTestSupport.h"

namespace {

class FindTest : public FrameTest {
protected:
  FindTest() {
    sql->Columns = {{"ID", ntInteger, 4, Null()}, {"Name", ntString, 9, Null()}};
    sql->Rows = {{1, "Jones"}, {2, "smith"}, {3, "Smith"}, {4, ""}, {5, "SMITHS"}};
  }
  void Open(int startRow = 0) {
    ASSERT_TRUE(sql->OpenRead("q", NoValues()));
    if (startRow > 0) {
      ASSERT_TRUE(sql->Seek(startRow));
    }
    log.Clear();
  }
};

TEST_F(FindTest, EveryOptionCombination) {
  const TOrvaneLocateOptions none, ci{nloCaseInsensitive}, partial{nloPartialKey},
      both{nloCaseInsensitive, nloPartialKey};
  struct Case {
    const char* Key;
    TOrvaneLocateOptions Options;
    int Row;  // -1: not found
  } cases[] = {
      {"Smith", none, 2},      {"smith", none, 1},     {"SMITH", none, -1},  {"Smi", none, -1},
      {"SMITH", ci, 1},        {"smiths", ci, 4},      {"Smi", ci, -1},      {"", ci, 3},
      {"Smi", partial, 2},     {"smi", partial, 1},    {"SMI", partial, 4},  {"mit", partial, -1},
      {"", partial, -1},       {"Smi", both, 1},       {"sMITHs", both, 4},  {"", both, 0},
      {"Jonesy", both, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Key) + " options " + std::to_string(c.Options.Contains(nloCaseInsensitive)) +
                 std::to_string(c.Options.Contains(nloPartialKey)));
    Open();
    EXPECT_EQ(sql->Find("Name", {Variant(c.Key)}, c.Options), c.Row >= 0);
    EXPECT_EQ(sql->RecNo, c.Row >= 0 ? c.Row : 0);
  }
}

TEST_F(FindTest, TheCurrentRowIsComparedFirstAndAFailedSearchGoesBack) {
  Open(2);
  EXPECT_TRUE(sql->Find("name", {Variant("Smith")}, {}));
  EXPECT_EQ(log.Text(), "");  // found without moving
  EXPECT_FALSE(sql->Find("Name", {Variant("Jones")}, {}));  // only forward
  EXPECT_EQ(log.Text(), "Next Next Next Seek(2)");
  EXPECT_EQ(sql->RecNo, 2);
  EXPECT_FALSE(sql->Eof);
}

TEST_F(FindTest, SeveralKeysAndTheirValueLists) {
  Open();
  // A single array of variants is the whole list.
  EXPECT_TRUE(sql->Find(" ID ; Name ", {VarArrayOf({3, "Smith"})}, {}));
  EXPECT_EQ(sql->RecNo, 2);
  Open();
  EXPECT_FALSE(sql->Find("ID;Name", {3, "smith"}, {}));
  // Fewer values than keys: the rest are zero bytes, here the empty name.
  Open();
  EXPECT_TRUE(sql->Find("ID;Name", {4}, {}));
  EXPECT_EQ(sql->RecNo, 3);
  // A NULL key is stored like an empty value.
  Open();
  EXPECT_TRUE(sql->Find("Name", {Null()}, {}));
  EXPECT_EQ(sql->RecNo, 3);
  // No names: nothing is searched.
  Open(1);
  EXPECT_FALSE(sql->Find("", {Variant("x")}, {}));
  EXPECT_EQ(log.Text(), "");
}

TEST_F(FindTest, ErrorsComeBeforeTheCursorMoves) {
  ExpectFrameError([&] { sql->Find("ID", {1}, {}); }, "The cursor is not opened.");
  Open(1);
  ExpectFrameError([&] { sql->Find("ID;Nme", {1, "x"}, {}); }, "Field \"Nme\" not found.");
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(sql->RecNo, 1);
}

TEST_F(FindTest, AtTheEndNothingIsSearchedAndAFailingNextStopsTheSearch) {
  Open(4);
  sql->Next();
  ASSERT_TRUE(sql->Eof);
  log.Clear();
  EXPECT_FALSE(sql->Find("ID", {5}, {}));
  EXPECT_EQ(log.Text(), "Seek(4)");

  // A Next that fails without reaching the end ends the search instead of
  // comparing the same row for ever.
  Open();
  sql->Fail.insert("Next");
  EXPECT_FALSE(sql->Find("ID", {5}, {}));
  EXPECT_EQ(log.Text(), "Next Seek(0)");
}

}  // namespace
