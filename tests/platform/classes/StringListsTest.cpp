// TStrings / TStringList: text, search, name=value lines, delimited text,
// sorting, change events and update batches, assignment and streams.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "StringLists.h"

namespace {

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s.Get(i));
  return v;
}

TEST(StringListTest, TextSplitsOnAnyBreakAndJoinsWithCrLf) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
    std::string joined;
  } cases[] = {
      {"", {}, ""},
      {"a", {"a"}, "a\r\n"},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}, "a\r\nb\r\nc\r\nd\r\n"},
      {"a\r\n", {"a"}, "a\r\n"},
      {"\r\n\r\n", {"", ""}, "\r\n\r\n"},
      {"a\n\rb", {"a", "", "b"}, "a\r\n\r\nb\r\n"},  // LF then CR is two breaks
      {std::string("x\0y", 3), {std::string("x\0y", 3)}, std::string("x\0y\r\n", 5)},
  };
  for (const Case& k : cases) {
    TStringList list;
    list.SetText(k.text);
    EXPECT_EQ(Lines(list), k.lines) << k.text;
    EXPECT_EQ(list.Text(), k.joined) << k.text;
  }
}

TEST(StringListTest, IndexOfIgnoresCaseIncludingAccentedLetters) {
  TStringList list;
  list.SetText("alpha\r\n\xC9t\xE9\r\nBeta");
  EXPECT_EQ(list.IndexOf("ALPHA"), 0);
  EXPECT_EQ(list.IndexOf("\xE9T\xC9"), 1);  // "éTÉ" finds "Été"
  EXPECT_EQ(list.IndexOf("ete"), -1);       // accents still count
  EXPECT_EQ(list.IndexOf("gamma"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
  EXPECT_THROW(list.Get(3), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
}

TEST(StringListTest, NamesAndValues) {
  TStringList list;
  list.Add("Host=db1");
  list.Add("novalue");
  list.Add("Port=2638=x");
  EXPECT_EQ(list.Names(0), "Host");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.Values("port"), "2638=x");
  EXPECT_EQ(list.Values("missing"), "");
  list.SetValues("HOST", "db2");
  EXPECT_EQ(list.Get(0), "HOST=db2");
  list.SetValues("User", "dba");
  EXPECT_EQ(list.Get(3), "User=dba");
  list.SetValues("Port", "");
  EXPECT_EQ(list.IndexOfName("Port"), -1);
  EXPECT_EQ(list.Count(), 3);
}

TEST(StringListTest, CommaTextQuotesWhatNeedsIt) {
  struct Case {
    std::vector<std::string> items;
    std::string text;
  } cases[] = {
      {{"a", "b"}, "a,b"},
      {{"a b", "c"}, "\"a b\",c"},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"x,y"}, "\"x,y\""},
      {{""}, "\"\""},
      {{"a", "", "b"}, "a,,b"},
  };
  for (const Case& k : cases) {
    TStringList list;
    for (const auto& s : k.items) list.Add(s);
    EXPECT_EQ(list.CommaText(), k.text);
    TStringList back;
    back.SetCommaText(k.text);
    EXPECT_EQ(Lines(back), k.items) << k.text;
  }
  TStringList list;
  list.SetCommaText("  one two , \"three, four\",");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"one", "two", "three, four", ""}));
  list.SetDelimiter(';');
  list.SetDelimitedText("a;b c");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(StringListTest, SortedListsAndDuplicates) {
  TStringList list;
  list.SetText("pear\r\nApple\r\nbanana");
  list.SetSorted(true);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"Apple", "banana", "pear"}));
  EXPECT_EQ(list.Add("cherry"), 2);
  EXPECT_EQ(list.Add("APPLE"), 0);  // dupIgnore: the existing index
  EXPECT_EQ(list.Count(), 4);
  int index = -1;
  EXPECT_FALSE(list.Find("coconut", index));
  EXPECT_EQ(index, 3);
  EXPECT_THROW(list.Insert(0, "x"), EListError);
  EXPECT_THROW(list.Put(0, "x"), EListError);
  list.SetDuplicates(dupError);
  try {
    list.Add("Pear");
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "String list does not allow duplicates");
  }
  list.SetDuplicates(dupAccept);
  list.Add("Pear");
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.IndexOf("PEAR"), 3);  // the first of the equal ones
}

TEST(StringListTest, ChangeEventsAndOneChangePerUpdateBatch) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TObject*) { ++changed; };
  list.Add("a");
  list.Insert(0, "b");
  list.Delete(1);
  EXPECT_EQ(changing, 3);
  EXPECT_EQ(changed, 3);

  changing = changed = 0;
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("x");
  list.SetText("1\r\n2\r\n3");
  list.Clear();
  list.EndUpdate();
  EXPECT_EQ(changed, 0);
  list.EndUpdate();
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);

  changing = changed = 0;
  list.SetText("a\r\nb\r\nc");  // a batch of its own
  TStringList other;
  other.Add("z");
  list.Assign(&other);
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(changing, 2);
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(changed, 2);
}

TEST(StringListTest, AssignEqualsAndObjects) {
  TStringList a, b;
  TStringList marker;
  a.AddObject("one", &marker);
  a.Add("two");
  b.Assign(&a);
  EXPECT_TRUE(b.Equals(a));
  EXPECT_EQ(b.Objects(0), &marker);
  EXPECT_EQ(b.IndexOfObject(&marker), 0);
  b.Put(1, "TWO");
  EXPECT_FALSE(b.Equals(a));  // case counts
  b.Move(1, 0);
  EXPECT_EQ(Lines(b), (std::vector<std::string>{"TWO", "one"}));
  EXPECT_EQ(b.Objects(1), &marker);
  b.AddStrings(b);  // adding itself doubles it once
  EXPECT_EQ(b.Count(), 4);
}

TEST(StringListTest, StreamsAndFiles) {
  TStringList list;
  list.SetText("first\r\nsecond");
  TMemoryStream stream;
  stream.WriteBuffer("skip", 4);
  list.SaveToStream(stream);
  stream.SetPosition(4);
  TStringList back;
  back.LoadFromStream(stream);
  EXPECT_TRUE(back.Equals(list));

  auto path = std::filesystem::temp_directory_path() / ("orv_strings_" + std::to_string(::getpid()) + ".txt");
  list.SaveToFile(path.string());
  TStringList fromFile;
  fromFile.LoadFromFile(path.string());
  EXPECT_TRUE(fromFile.Equals(list));
  std::filesystem::remove(path);
  EXPECT_THROW(fromFile.LoadFromFile(path.string()), EFOpenError);
  EXPECT_TRUE(fromFile.Equals(list));  // a failed load changes nothing
}

}  // namespace
