// TList: index checks and the list operations.
#include <gtest/gtest.h>

#include "Lists.h"
#include "SysExceptions.h"

namespace {

int a, b, c, d;

TEST(ListTest, EveryIndexIsChecked) {
  TList list;
  list.Add(&a);
  list.Add(&b);
  struct Case {
    const char* what;
    std::function<void()> call;
    int index;
  } cases[] = {
      {"Items -1", [&] { list.Items(-1); }, -1},
      {"Items Count", [&] { list.Items(2); }, 2},
      {"Put", [&] { list.Put(5, &c); }, 5},
      {"Insert past end", [&] { list.Insert(3, &c); }, 3},
      {"Delete", [&] { list.Delete(2); }, 2},
      {"Exchange", [&] { list.Exchange(0, -1); }, -1},
      {"Move", [&] { list.Move(0, 2); }, 2},
  };
  for (const Case& k : cases) {
    try {
      k.call();
      ADD_FAILURE() << k.what;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(k.index) + ")") << k.what;
    }
  }
  EXPECT_EQ(list.Count(), 2);  // nothing changed
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
  EXPECT_THROW(empty.Last(), EListError);
}

TEST(ListTest, Operations) {
  TList list;
  EXPECT_EQ(list.Add(&a), 0);
  list.Add(&b);
  list.Insert(2, &c);  // at the end is allowed
  list.Insert(0, &d);  // d a b c
  EXPECT_EQ(list.IndexOf(&b), 2);
  list.Move(0, 3);  // a b c d
  EXPECT_EQ(list.First(), &a);
  EXPECT_EQ(list.Last(), &d);
  list.Exchange(0, 3);  // d b c a
  EXPECT_EQ(list[0], &d);
  EXPECT_EQ(list.Remove(&c), 2);
  EXPECT_EQ(list.Remove(&c), -1);
  EXPECT_EQ(list.Extract(&b), &b);
  EXPECT_EQ(list.Count(), 2);
  list.Add(nullptr);
  list.Pack();
  EXPECT_EQ(list.Count(), 2);
  list.Sort([](void* x, void* y) { return x < y ? -1 : x > y ? 1 : 0; });
  EXPECT_LT(list[0], list[1]);

  EXPECT_GE(list.Capacity(), list.Count());
  EXPECT_THROW(list.SetCapacity(1), EListError);
  list.SetCount(5);
  EXPECT_EQ(list[4], nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

}  // namespace
