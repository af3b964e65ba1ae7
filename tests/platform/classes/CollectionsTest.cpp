// TCollection: items, order, update notifications, assignment.
#include <gtest/gtest.h>

#include "TestComponents.h"

namespace {

class TCountingCollection : public TCollection {
public:
  TCountingCollection() : TCollection(TTestItem::StaticClass()) {}
  std::vector<TCollectionItem*> Updates;
  std::vector<std::pair<TCollectionItem*, TCollectionNotification>> Notes;

protected:
  void Update(TCollectionItem* item) override { Updates.push_back(item); }
  void Notify(TCollectionItem* item, TCollectionNotification action) override { Notes.emplace_back(item, action); }
};

TEST(CollectionTest, ItemsIndexesAndIds) {
  TCountingCollection c;
  auto* a = static_cast<TTestItem*>(c.Add());
  auto* b = static_cast<TTestItem*>(c.Add());
  auto* first = static_cast<TTestItem*>(c.Insert(0));
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(first->Index(), 0);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(first->ID(), 2);
  EXPECT_EQ(c.FindItemID(1), b);
  b->SetIndex(0);
  EXPECT_EQ(c.Items(0), b);
  EXPECT_THROW(b->SetIndex(3), EListError);
  EXPECT_THROW(c.Items(3), EListError);
  c.Delete(0);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.FindItemID(1), nullptr);
  EXPECT_THROW(TCollection{TStringList::StaticClass()}, EInvalidOperation);
}

TEST(CollectionTest, ChangesInAnUpdateBatchAreReportedOnce) {
  TCountingCollection c;
  c.Add();
  EXPECT_EQ(c.Updates, std::vector<TCollectionItem*>{nullptr});
  EXPECT_EQ(c.Notes.back().second, cnAdded);
  c.Updates.clear();
  c.BeginUpdate();
  c.Add();
  c.Add();
  c.Delete(0);
  EXPECT_TRUE(c.Updates.empty());
  c.EndUpdate();
  EXPECT_EQ(c.Updates, std::vector<TCollectionItem*>{nullptr});
  c.Updates.clear();
  c.Notes.clear();
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.Updates.size(), 1u);
  ASSERT_EQ(c.Notes.size(), 4u);  // deleting + extracting for each of the two
  EXPECT_EQ(c.Notes[0].second, cnDeleting);
  EXPECT_EQ(c.Notes[1].second, cnExtracting);
}

TEST(CollectionTest, AssignCopiesEveryItem) {
  TCountingCollection source, dest;
  for (int i = 0; i < 3; ++i) static_cast<TTestItem*>(source.Add())->SetSize(i + 1);
  dest.Add();
  dest.Updates.clear();
  dest.Assign(&source);
  ASSERT_EQ(dest.Count(), 3);
  EXPECT_EQ(static_cast<TTestItem*>(dest.Items(2))->Size(), 3);
  EXPECT_EQ(dest.Updates.size(), 1u);
  TStringList strings;
  EXPECT_THROW(dest.Assign(&strings), EConvertError);
}

}  // namespace
