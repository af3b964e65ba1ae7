// Component streaming: the writer's choice of what to write, a round trip of
// every value kind through the tree, the text and the binary form, the
// loading sequence, and the reader's errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "ComponentStreaming.h"
#include "Filer.h"
#include "FormText.h"
#include "AnsiStrings.h"
#include "TestComponents.h"

namespace {

class FilerTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterTestClasses();
    TestLog().clear();
    TTestComp::Destroyed = 0;
  }
};

const TFormProperty* FindProp(const TFormObject& o, const std::string& name) {
  for (const TFormProperty& p : o.Properties)
    if (p.Name == name) return &p;
  return nullptr;
}

std::vector<std::string> PropNames(const TFormObject& o) {
  std::vector<std::string> v;
  for (const TFormProperty& p : o.Properties) v.push_back(p.Name);
  return v;
}

// A root with two components: Query1 uses every kind of value and refers to
// Query2, which comes after it.
std::unique_ptr<TTestRoot> BuildForm() {
  auto root = std::make_unique<TTestRoot>(nullptr);
  root->SetName("DataModule1");
  auto* q1 = new TTestComp(root.get());
  auto* q2 = new TTestCompEx(root.get());
  q1->SetName("Query1");
  q2->SetName("Query2");
  q1->SetActive(true);
  q1->SetCount(1000);
  q1->SetBig(int64_t{1} << 40);
  q1->SetRatio(2.5);
  q1->SetCaption(std::string(300, 'x') + "'quoted'\r\n");
  q1->SetMode(tmNetwork);
  q1->SetOptions(TTestOptions{toReadOnly, toTrimStrings});
  q1->SetSeparator(';');
  q1->SQL()->SetText("select *\r\nfrom t\r\n");
  q1->Data = std::string("\x00\x01\xFEZ", 4);
  static_cast<TTestItem*>(q1->Items()->Add())->SetFieldName("ID");
  auto* item = static_cast<TTestItem*>(q1->Items()->Add());
  item->SetFieldName("NAME");
  item->SetSize(40);
  q1->SetLink(q2);
  q1->SetTag(-7);
  q1->SetDesignInfo((16 << 16) | 8);
  SetMethodProp(q1, PropInfoOf(q1, "OnChange"), "HandleChange");
  q2->SetExtra("more");
  new TTestComp(q2);  // a nested, unnamed child
  return root;
}

TEST_F(FilerTest, DefaultsAndUnstoredValuesAreNotWritten) {
  auto plain = std::make_unique<TTestComp>(nullptr);
  plain->SetName("Plain");
  plain->OnChange = [](TObject*) {};  // assigned in code: no method name to write
  // A collection is written even when empty ("Items = <>"), as the framework does.
  EXPECT_EQ(PropNames(WriteComponentToTree(plain.get())), std::vector<std::string>{"Items"});

  plain->SetCaption("(none)");  // the stored function says no
  plain->SetCount(10);          // not the default of this class
  auto ex = std::make_unique<TTestCompEx>(nullptr);
  ex->SetCount(10);             // the default of the derived class
  EXPECT_EQ(PropNames(WriteComponentToTree(plain.get())), (std::vector<std::string>{"Count", "Items"}));
  EXPECT_EQ(PropNames(WriteComponentToTree(ex.get())), std::vector<std::string>{"Items"});
  ex->SetCount(25);
  EXPECT_EQ(PropNames(WriteComponentToTree(ex.get())), (std::vector<std::string>{"Count", "Items"}));
}

TEST_F(FilerTest, WriterProducesEveryValueKind) {
  auto root = BuildForm();
  TFormObject tree = WriteComponentToTree(root.get());
  EXPECT_EQ(tree.Name, "DataModule1");
  EXPECT_EQ(tree.ClassName, "TTestRoot");
  ASSERT_EQ(tree.Children.size(), 2u);
  const TFormObject& q1 = tree.Children[0];
  EXPECT_EQ(PropNames(q1), (std::vector<std::string>{"Tag", "Active", "Count", "Big", "Ratio", "Caption", "Mode",
                                                     "Options", "Separator", "SQL.Strings", "Items", "Link",
                                                     "OnChange", "Left", "Top", "Data"}));
  EXPECT_EQ(FindProp(q1, "Tag")->Value.Type, vaInt8);
  EXPECT_EQ(FindProp(q1, "Count")->Value.Type, vaInt16);
  EXPECT_EQ(FindProp(q1, "Big")->Value.Type, vaInt64);
  EXPECT_EQ(FindProp(q1, "Ratio")->Value.Type, vaExtended);
  EXPECT_EQ(FindProp(q1, "Caption")->Value.Type, vaLString);
  EXPECT_EQ(FindProp(q1, "Active")->Value.Type, vaTrue);
  EXPECT_EQ(FindProp(q1, "Mode")->Value.Str, "tmNetwork");
  EXPECT_EQ(FindProp(q1, "Options")->Value.Set, (std::vector<std::string>{"toReadOnly", "toTrimStrings"}));
  EXPECT_EQ(FindProp(q1, "Separator")->Value.Str, ";");
  EXPECT_EQ(FindProp(q1, "SQL.Strings")->Value.List.size(), 2u);
  EXPECT_EQ(FindProp(q1, "Items")->Value.Items.size(), 2u);
  EXPECT_EQ(FindProp(q1, "Link")->Value.Str, "Query2");
  EXPECT_EQ(FindProp(q1, "OnChange")->Value.Str, "HandleChange");
  EXPECT_EQ(FindProp(q1, "Data")->Value.Type, vaBinary);
  const TFormObject& q2 = tree.Children[1];
  EXPECT_EQ(PropNames(q2), (std::vector<std::string>{"Items", "Extra"}));
  ASSERT_EQ(q2.Children.size(), 1u);
  EXPECT_EQ(q2.Children[0].Name, "");
}

void ExpectSameForm(TTestRoot* read) {
  ASSERT_EQ(read->ComponentCount(), 2);
  auto* q1 = dynamic_cast<TTestComp*>(read->FindComponent("Query1"));
  auto* q2 = dynamic_cast<TTestCompEx*>(read->FindComponent("Query2"));
  ASSERT_TRUE(q1 && q2);
  EXPECT_TRUE(q1->Active());
  EXPECT_EQ(q1->Count(), 1000);
  EXPECT_EQ(q1->Big(), int64_t{1} << 40);
  EXPECT_EQ(q1->Ratio(), 2.5);
  EXPECT_EQ(q1->Caption(), std::string(300, 'x') + "'quoted'\r\n");
  EXPECT_EQ(q1->Mode(), tmNetwork);
  EXPECT_EQ(q1->Options(), (TTestOptions{toReadOnly, toTrimStrings}));
  EXPECT_EQ(q1->Separator(), ';');
  EXPECT_EQ(q1->SQL()->Text(), "select *\r\nfrom t\r\n");
  EXPECT_EQ(q1->Data, std::string("\x00\x01\xFEZ", 4));
  ASSERT_EQ(q1->Items()->Count(), 2);
  EXPECT_EQ(static_cast<TTestItem*>(q1->Items()->Items(1))->FieldName(), "NAME");
  EXPECT_EQ(static_cast<TTestItem*>(q1->Items()->Items(1))->Size(), 40);
  EXPECT_EQ(q1->Link(), q2);
  EXPECT_EQ(q1->Tag(), -7);
  EXPECT_EQ(q1->DesignInfo(), (16 << 16) | 8);
  ASSERT_TRUE(q1->OnChange);
  q1->OnChange(q1);
  EXPECT_EQ(read->Changes, std::vector<TObject*>{q1});
  EXPECT_EQ(q2->Extra(), "more");
  EXPECT_EQ(q2->ComponentCount(), 1);
  for (TComponent* c : {static_cast<TComponent*>(read), static_cast<TComponent*>(q1), static_cast<TComponent*>(q2)})
    EXPECT_FALSE(c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csReading));
}

TEST_F(FilerTest, RoundTripThroughTreeTextAndBinary) {
  auto original = BuildForm();
  TFormObject tree = WriteComponentToTree(original.get());

  auto fromTree = std::make_unique<TTestRoot>(nullptr);
  ReadComponentFromTree(tree, fromTree.get());
  ExpectSameForm(fromTree.get());
  EXPECT_TRUE(FormObjectsEqual(WriteComponentToTree(fromTree.get()), tree));

  std::string text = WriteComponentToText(original.get());
  EXPECT_NE(text.find("    SQL.Strings = (\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    Options = [toReadOnly, toTrimStrings]\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    OnChange = HandleChange\r\n"), std::string::npos) << text;
  std::unique_ptr<TComponent> fromText(ReadComponentFromText(text));
  ASSERT_EQ(fromText->ClassName(), "TTestRoot");
  ExpectSameForm(static_cast<TTestRoot*>(fromText.get()));
  EXPECT_EQ(WriteComponentToText(fromText.get()), text);

  TMemoryStream binary;
  WriteComponentToStream(binary, original.get(), true);
  binary.SetPosition(0);
  std::unique_ptr<TComponent> fromBinary(ReadComponentFromStream(binary));
  ExpectSameForm(static_cast<TTestRoot*>(fromBinary.get()));

  auto path = std::filesystem::temp_directory_path() / "orv_filer_roundtrip.dfm";
  WriteComponentToFile(path.string(), original.get());
  auto owner = std::make_unique<TComponent>(nullptr);
  TComponent* fromFile = ReadComponentFromFile(path.string(), nullptr, owner.get());
  EXPECT_EQ(fromFile->Owner(), owner.get());
  ExpectSameForm(static_cast<TTestRoot*>(fromFile));
  // A second copy under the same owner gets a name of its own.
  TComponent* second = ReadComponentFromFile(path.string(), nullptr, owner.get());
  EXPECT_EQ(second->Name(), "DataModule1_1");
  std::filesystem::remove(path);
}

TEST_F(FilerTest, SubComponentsAreStreamedAsPropertiesNotChildren) {
  auto root = std::make_unique<TTestRoot>(nullptr);
  auto* holder = new TTestHolder(root.get());
  holder->SetName("Holder");
  holder->Inner()->SetCount(3);
  holder->Inner()->SQL()->Add("select 1");
  TFormObject tree = WriteComponentToTree(root.get());
  ASSERT_EQ(tree.Children.size(), 1u);
  EXPECT_TRUE(tree.Children[0].Children.empty());
  EXPECT_EQ(PropNames(tree.Children[0]), (std::vector<std::string>{"Inner.Count", "Inner.SQL.Strings", "Inner.Items"}));

  auto copy = std::make_unique<TTestRoot>(nullptr);
  TestLog().clear();
  ReadComponentFromTree(tree, copy.get());
  EXPECT_EQ(TestLog(), (std::vector<std::string>{"Loaded ", "Loaded Inner link=- sql=1"}));
  auto* read = static_cast<TTestHolder*>(copy->FindComponent("Holder"));
  ASSERT_EQ(read->ComponentCount(), 1);  // only its own sub-component
  EXPECT_EQ(read->Inner()->Count(), 3);
  EXPECT_EQ(read->Inner()->SQL()->Get(0), "select 1");
}

TEST_F(FilerTest, LoadingSequence) {
  const char* text =
      "object Root: TTestRoot\n"
      "  object First: TTestComp\n"
      "    Active = True\n"
      "    Link = Second\n"
      "    SQL.Strings = (\n"
      "      'a')\n"
      "  end\n"
      "  object Second: TTestComp\n"
      "    Active = False\n"
      "  end\n"
      "end\n";
  std::unique_ptr<TComponent> root(ReadComponentFromText(text));
  // The setters ran in the loading state; Loaded came after every property
  // and reference, for every component in reading order.
  EXPECT_EQ(TestLog(), (std::vector<std::string>{"SetActive First loading", "SetActive Second loading",
                                                 "Loaded Root", "Loaded First link=Second sql=1",
                                                 "Loaded Second link=- sql=0"}));
}

TEST_F(FilerTest, ReferencesFromCollectionItems) {
  std::unique_ptr<TComponent> root(ReadComponentFromText(
      "object R: TTestRoot\n  object Q: TTestComp\n    Items = <\n      item\n        Target = Later\n      end>\n"
      "  end\n  object Later: TTestComp\n  end\nend\n"));
  auto* q = static_cast<TTestComp*>(root->FindComponent("Q"));
  EXPECT_EQ(static_cast<TTestItem*>(q->Items()->Items(0))->Target(), root->FindComponent("Later"));

  // Read twice: the first items are gone, and so are their pending references.
  root.reset(ReadComponentFromText(
      "object R: TTestRoot\n  object Q: TTestComp\n    Items = <\n      item\n        Target = Q\n      end>\n"
      "    Items = <>\n  end\nend\n"));
  EXPECT_EQ(static_cast<TTestComp*>(root->FindComponent("Q"))->Items()->Count(), 0);
}

TEST_F(FilerTest, ComponentsAreLoadingFromTheirConstructorOn) {
  std::unique_ptr<TComponent> root(
      ReadComponentFromText("object R: TTestRoot\n  object X: TTestCompEx\n    object Y: TTestCompEx\n    end\n  end\nend\n"));
  auto inCode = std::make_unique<TTestCompEx>(nullptr);
  EXPECT_EQ(TestLog(), (std::vector<std::string>{"Create loading", "Create loading", "Loaded R", "Loaded X link=- sql=0",
                                                 "Loaded Y link=- sql=0", "Create"}));
}

TEST_F(FilerTest, ReferencesAcrossRootsUseGlobalComponents) {
  auto other = std::make_unique<TTestRoot>(nullptr);
  other->SetName("Shared");
  auto* target = new TTestComp(other.get());
  target->SetName("Session1");
  int id = RegisterFindGlobalComponent([&](const std::string& name) -> TComponent* {
    return name == "Shared" ? other.get() : nullptr;
  });

  auto form = std::make_unique<TTestRoot>(nullptr);
  form->SetName("Form1");
  auto* user = new TTestComp(form.get());
  user->SetName("User");
  user->SetLink(target);
  TFormObject tree = WriteComponentToTree(form.get());
  EXPECT_EQ(FindProp(tree.Children[0], "Link")->Value.Str, "Shared.Session1");
  auto copy = std::make_unique<TTestRoot>(nullptr);
  ReadComponentFromTree(tree, copy.get());
  EXPECT_EQ(static_cast<TTestComp*>(copy->FindComponent("User"))->Link(), target);

  UnregisterFindGlobalComponent(id);
  EXPECT_THROW(WriteComponentToTree(form.get()), EWriteError);
  auto again = std::make_unique<TTestRoot>(nullptr);
  EXPECT_THROW(ReadComponentFromTree(tree, again.get()), EReadError);
}

TEST_F(FilerTest, ReadErrorsNameTheProblemAndLeaveNothingBehind) {
  struct Case {
    const char* what;
    std::string body;  // the inside of "object Q: TTestComp ... end"
    std::string message;
  } cases[] = {
      {"unknown property", "    Nope = 1\n", "Error reading Q.Nope: Property Nope does not exist on line 3"},
      {"unknown sub-property", "    SQL.Nope = 1\n", "Error reading Q.SQL.Nope: Property Nope does not exist on line 3"},
      {"wrong kind", "    Count = 'ten'\n", "Error reading Q.Count: Invalid property value on line 3"},
      {"out of range", "    Count = 4294967296\n",
       "Error reading Q.Count: Value 4294967296 is out of range for property Count on line 3"},
      {"unknown literal", "    Mode = tmNone\n", "Error reading Q.Mode: Invalid property value on line 3"},
      {"unknown set member", "    Options = [toNope]\n", "Error reading Q.Options: Invalid property value on line 3"},
      {"item property", "    Items = <\n      item\n        Nope = 1\n      end>\n",
       "Error reading Q.Items[0].Nope: Property Nope does not exist on line 5"},
      {"binary expected", "    Data = 'x'\n", "Error reading Q.Data: Invalid property value on line 3"},
      {"list value not read", "    Left = (\n      1)\n", "Error reading Q.Left: Invalid property value on line 3"},
      {"unresolved reference", "    Link = Nobody\n", "Error reading Q.Link: Component Nobody not found on line 3"},
      {"reference of the wrong class", "    Link = Root\n",
       "Error reading Q.Link: Cannot assign a TTestRoot to property Link of class TTestComp on line 3"},
      {"unknown method", "    OnChange = Missing\n", "Error reading Q.OnChange: Method Missing not found on line 3"},
      {"method of another signature", "    OnChange = Twice\n",
       "Error reading Q.OnChange: The method assigned to OnChange does not have the event's signature on line 3"},
      {"unknown class", "    object X: TNoSuchClass\n    end\n", "Class TNoSuchClass not found"},
      {"duplicate name", "    object Q: TTestComp\n    end\n    object Q: TTestComp\n    end\n",
       "A component named Q already exists"},
  };
  for (const Case& k : cases) {
    std::string text = "object Root: TTestRoot\n  object Q: TTestComp\n" + k.body + "  end\nend\n";
    auto owner = std::make_unique<TComponent>(nullptr);
    TTestComp::Destroyed = 0;
    try {
      ReadComponentFromText(text, nullptr, owner.get());
      ADD_FAILURE() << k.what;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), k.message) << k.what;
    }
    EXPECT_EQ(owner->ComponentCount(), 0) << k.what;
  }

  // Into an existing root: what the read created goes, the root stays and
  // leaves the loading state.
  auto root = std::make_unique<TTestRoot>(nullptr);
  auto* kept = new TTestComp(root.get());
  kept->SetName("Kept");
  TTestComp::Destroyed = 0;
  EXPECT_THROW(ReadComponentFromText("object Root: TTestRoot\n  object A: TTestComp\n  end\n"
                                     "  object B: TTestComp\n    Nope = 1\n  end\nend\n",
                                     root.get()),
               EReadError);
  EXPECT_EQ(TTestComp::Destroyed, 2);
  ASSERT_EQ(root->ComponentCount(), 1);
  EXPECT_EQ(root->Components(0), kept);
  EXPECT_FALSE(root->ComponentState().Contains(csLoading));
}

TEST_F(FilerTest, HostileTreesAreRefused) {
  // Built in code, past what the parsers let through.
  TFormObject tree;
  tree.ClassName = "TTestRoot";
  TFormObject* level = &tree;
  for (int i = 0; i < FormMaxDepth + 5; ++i) {
    level->Children.emplace_back();
    level = &level->Children.back();
    level->ClassName = "TComponent";
  }
  EXPECT_THROW(ReadComponentFromTree(tree), EReadError);

  // An empty reference never means the (unnamed) root.
  TFormObject form;
  form.ClassName = "TTestRoot";
  form.Children.emplace_back();
  form.Children[0].ClassName = "TTestComp";
  form.Children[0].Properties.push_back(TFormProperty{"Link", FormIdentValue(""), 0});
  auto owner = std::make_unique<TComponent>(nullptr);
  EXPECT_THROW(ReadComponentFromTree(form, nullptr, owner.get()), EReadError);
  EXPECT_EQ(owner->ComponentCount(), 0);
}

TEST_F(FilerTest, ErrorClassesOfTheReader) {
  EXPECT_THROW(ReadComponentFromText("object A: TNoSuchRoot\nend\n"), EClassNotFound);
  EXPECT_THROW(ReadComponentFromText("object R: TTestRoot\n  object Q: TTestComp\n    OnChange = X\n  end\nend\n"),
               EMethodNotFound);
  EXPECT_THROW(ReadComponentFromText("object R: TTestRoot\n  Tag = \nend\n"), EParserError);
}

TEST_F(FilerTest, DesignTimeKeepsUnknownMethodNames) {
  auto root = std::make_unique<TTestRoot>(nullptr);
  root->SetDesigning(true);
  ReadComponentFromText("object R: TTestRoot\n  object Q: TTestComp\n    OnChange = NotYetWritten\n  end\nend\n",
                        root.get());
  auto* q = root->FindComponent("Q");
  EXPECT_EQ(q->StreamedMethodName("OnChange"), "NotYetWritten");
  EXPECT_TRUE(q->ComponentState().Contains(csDesigning));
}

TEST_F(FilerTest, RealFormsWithUnregisteredClassesFailNamingTheClass) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(ORV_SHARED_DIR) + "/corpus/dfm/text")) {
    // The root's class is on the first line: "object Name: TClass".
    TStringList lines;
    lines.LoadFromFile(entry.path().string());
    ASSERT_GT(lines.Count(), 0);
    std::string first = lines.Get(0);
    std::string className = Trim(first.substr(first.find(':') + 1));
    auto owner = std::make_unique<TComponent>(nullptr);
    try {
      ReadComponentFromFile(entry.path().string(), nullptr, owner.get());
      ADD_FAILURE() << entry.path();
    } catch (const EClassNotFound& e) {
      EXPECT_EQ(e.Message(), "Class " + className + " not found") << entry.path();
    }
    EXPECT_EQ(owner->ComponentCount(), 0);
    if (++files == 5) break;
  }
  EXPECT_EQ(files, 5);
}

}  // namespace
