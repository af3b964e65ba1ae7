// Row buffers: allocation limits, field lookup, values of the current row and
// NULL and change tracking against the fetched row.
#include <gtest/gtest.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "TypInfo.h"

namespace {

class RowTest : public FrameTest {
protected:
  RowTest() {
    sql->Columns = {{"ID", ntInteger, 4, 7},
                    {"Name", ntString, 11, "ann"},
                    {"Note", ntString, 5, Null()},
                    {"Weird", ntUnknown, 0, Null()}};
  }
};

TEST_F(RowTest, FieldLookupByPositionAndName) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  struct Case {
    const char* Name;
    Variant Identifier;
    bool Found;
    int Number, Offset;
  } cases[] = {
      {"first", Variant(0), true, 0, 0},
      {"third", Variant(2), true, 2, 15},
      {"FieldCount", Variant(4), false, -1, 0},
      {"negative", Variant(-1), false, -1, 0},
      {"name in other case", Variant("NAME"), true, 1, 4},
      {"unknown name", Variant("nope"), false, -1, 20},
      {"small integer goes by name", Variant(short(1)), false, -1, 20},
  };
  for (const Case& c : cases) {
    int number = 99, offset = 99;
    EXPECT_EQ(sql->GetFieldInfo(c.Identifier, &number, &offset), c.Found) << c.Name;
    EXPECT_EQ(number, c.Number) << c.Name;
    EXPECT_EQ(offset, c.Offset) << c.Name;
  }
  EXPECT_EQ(sql->GetFieldName(1), "Name");
  EXPECT_EQ(sql->GetFieldName(4), "");
  EXPECT_EQ(sql->GetFieldName(-1), "");
  EXPECT_TRUE(sql->FindField("id"));
  EXPECT_FALSE(sql->FindField("x"));
  EXPECT_EQ(sql->GetFieldType(Variant("note")), ntString);
  EXPECT_EQ(sql->GetFieldSize(1), 11);
  EXPECT_EQ(sql->GetFieldType(9), ntUnknown);
  EXPECT_EQ(sql->GetFieldSize(Variant("x")), 0);
  EXPECT_FALSE(sql->GetFieldNulls(Variant("x")));
}

TEST_F(RowTest, ValuesAndNullsOfTheFetchedRow) {
  ASSERT_TRUE(sql->OpenRead("q", NoValues()));
  EXPECT_EQ(sql->GetFieldValue(Variant("id")), Variant(7));
  EXPECT_EQ(sql->GetFieldValue(1), Variant("ann"));
  EXPECT_FALSE(sql->IsFieldNull(0));
  EXPECT_TRUE(sql->IsFieldNull(Variant("Note")));
  EXPECT_FALSE(sql->IsDirty());
  EXPECT_FALSE(sql->CanModify());
  ExpectFrameError([&] { sql->IsFieldNull(Variant("x")); }, "Field \"x\" not found.");
  ExpectFrameError([&] { sql->IsFieldDirty(4); }, "Field \"4\" not found.");
}

TEST_F(RowTest, NullAndBackToTheFetchedValueIsCleanAgain) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  EXPECT_TRUE(sql->CanModify());
  sql->SetFieldValue(Variant("Name"), Null());
  EXPECT_TRUE(sql->IsFieldNull(1));
  EXPECT_TRUE(sql->IsFieldDirty(1));
  EXPECT_TRUE(sql->IsDirty());
  sql->SetFieldValue(Variant("Name"), "ann");
  EXPECT_FALSE(sql->IsFieldDirty(1));
  EXPECT_FALSE(sql->IsDirty());
  sql->SetFieldValue(0, 8);
  EXPECT_TRUE(sql->IsFieldDirty(0));
  EXPECT_EQ(sql->GetOldValue(0), Variant(7));
  sql->SetFieldValue(0, 7);
  EXPECT_FALSE(sql->IsDirty());
  // A field without storage is never dirty, whatever its null byte says.
  sql->SetNullIndicator(3, 0);
  EXPECT_FALSE(sql->IsFieldDirty(3));
  ExpectFrameError([&] { sql->SetFieldValue(Variant("x"), 1); }, "Field \"x\" not found.");
}

TEST_F(RowTest, ClearAndClearNotNull) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  sql->ClearNotNull();
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(sql->IsFieldNull(i));
  EXPECT_EQ(sql->GetFieldValue(1), Variant(""));
  EXPECT_TRUE(sql->IsDirty());
  sql->Clear();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(sql->IsFieldNull(i));
  EXPECT_EQ(sql->GetOldValue(1), Variant("ann"));  // the fetched row is untouched
  sql->ClearFieldNotNull("nosuch");                 // ignored
  sql->ClearFieldNotNull("name");
  EXPECT_FALSE(sql->IsFieldNull(1));
}

TEST_F(RowTest, UnprepareReleasesTheRowButKeepsTheDescriptors) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  sql->UnprepareOpen();
  EXPECT_EQ(sql->RecordBuffer, nullptr);
  EXPECT_EQ(sql->FetchBuffer, nullptr);
  EXPECT_EQ(sql->NullIndicators, nullptr);
  EXPECT_EQ(sql->FieldCount, 0);
  EXPECT_EQ(sql->RecordSize, 0);
  EXPECT_STREQ(sql->Fields[1].Name, "Name");
  sql->InternalFreeOpenBuffer();  // a second release is harmless
}

TEST_F(RowTest, RowOperationsWithoutRowBuffersAreRefused) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  sql->InternalFreeOpenBuffer();
  sql->FieldCount = 2;  // descriptors left without buffers by a driver
  ExpectFrameError([&] { sql->GetFieldValue(0); }, "The cursor is not opened.");
  ExpectFrameError([&] { sql->SetFieldValue(0, 1); }, "The cursor is not opened.");
  ExpectFrameError([&] { sql->SetNullIndicator(5, 1); }, "Field \"5\" not found.");
}

TEST_F(FrameTest, MoreThan256ColumnsAreRefusedBeforeTheDescriptorsAreWritten) {
  sql->Columns.assign(257, TTestColumn{"c", ntInteger, 4, 1});
  ExpectFrameError([&] { sql->OpenRead("wide", NoValues()); }, "Too many result columns: 257 (at most 256)");
  EXPECT_FALSE(sql->OpenPrepared);
  EXPECT_EQ(sql->RecordBuffer, nullptr);
  sql->Columns.resize(256);
  EXPECT_TRUE(sql->OpenRead("wide", NoValues()));
  EXPECT_EQ(sql->FieldCount, 256);
}

TEST_F(FrameTest, RowLayoutsThatWouldOverrunTheBuffersAreRefused) {
  struct Case {
    const char* Name;
    int FieldCount, FieldSize, RecordSize, FetchCount;
    const char* Message;
  } cases[] = {
      {"too many", 300, 1, 300, 1, "Too many result columns: 300 (at most 256)"},
      {"row smaller than its columns", 2, 8, 10, 1, "Invalid row layout: the row is smaller than its columns"},
      {"negative size", 1, -4, 0, 1, "Invalid row layout: a column has a negative size"},
      {"huge fetch block", 1, 1 << 20, 1 << 20, 4096, "Invalid row layout: the fetch block exceeds 2 GiB"},
  };
  for (const Case& c : cases) {
    sql->FieldCount = c.FieldCount;
    for (int i = 0; i < std::min(c.FieldCount, ORVANE_MAX_FIELDS); ++i) sql->Fields[i].Size = c.FieldSize;
    sql->RecordSize = c.RecordSize;
    sql->FetchCount = c.FetchCount;
    ExpectFrameError([&] { sql->InternalAllocOpenBuffer(); }, c.Message);
    EXPECT_EQ(sql->FetchBuffer, nullptr) << c.Name;
  }
  sql->FieldCount = 0;
  sql->RecordSize = 0;
}

TEST_F(FrameTest, BlobFieldsAreDirtyWhenTheirStreamWasWritten) {
  sql->Columns = {{"Doc", ntMemo, 8, "abc"}, {"Pic", ntBlob, 4, Null()}};
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  ASSERT_EQ(sql->BlobManager->Count(), 2);
  EXPECT_FALSE(sql->IsDirty());
  sql->SetFieldValue(Variant("doc"), "abc");  // the same bytes, through the stream
  EXPECT_TRUE(sql->IsFieldDirty(0));
  EXPECT_EQ(sql->GetFieldValue(0), Variant("abc"));
  sql->SetFieldValue(1, Null());  // NULL to NULL: the null byte did not change
  EXPECT_FALSE(sql->IsFieldDirty(1));
  sql->UnprepareOpen();
  EXPECT_EQ(sql->BlobManager->Count(), 0);
}

TEST_F(FrameTest, BlobManagerFindsStreamsByNameOnly) {
  TTestBlobStream* stream = new TTestBlobStream(sql->BlobManager.get(), "Memo1");
  EXPECT_EQ(sql->BlobManager->BlobByName("MEMO1"), stream);
  ExpectFrameError([&] { sql->BlobManager->BlobByName("id"); }, "Field \"id\" is not a blob.");
  sql->BlobManager->Clear();
  EXPECT_EQ(sql->BlobManager->Count(), 0);
  // A stream destroyed by its owner leaves the manager.
  {
    TTestBlobStream own(sql->BlobManager.get(), "x");
    EXPECT_EQ(sql->BlobManager->Count(), 1);
  }
  EXPECT_EQ(sql->BlobManager->Count(), 0);
}

}  // namespace
