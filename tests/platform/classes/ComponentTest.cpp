// Ownership, names, component state and notifications of TComponent, and the
// class records and registry they rest on.
#include <gtest/gtest.h>

#include <memory>

#include "ClassRegistry.h"
#include "TestComponents.h"

namespace {

// Records every notification it receives.
class TRecorder : public TComponent {
public:
  using TComponent::TComponent;
  std::vector<std::pair<TComponent*, TOperation>> Seen;

protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    Seen.emplace_back(component, operation);
  }
};

class ComponentTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterTestClasses();
    TestLog().clear();
    TTestComp::Destroyed = 0;
  }
};

TEST_F(ComponentTest, OwnerDestroysChildrenOnceLastFirstAndIsToldOfEach) {
  auto owner = std::make_unique<TRecorder>(nullptr);
  auto* a = new TTestComp(owner.get());
  auto* b = new TTestComp(owner.get());
  a->SetName("A");
  b->SetName("B");
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(owner->Seen.size(), 2u);  // two opInsert
  owner->Seen.clear();

  owner->DestroyComponents();
  EXPECT_EQ(TTestComp::Destroyed, 2);
  EXPECT_EQ(owner->ComponentCount(), 0);
  ASSERT_EQ(owner->Seen.size(), 2u);
  EXPECT_EQ(owner->Seen[0], std::make_pair(static_cast<TComponent*>(b), opRemove));
  EXPECT_EQ(owner->Seen[1], std::make_pair(static_cast<TComponent*>(a), opRemove));

  // Nested ownership: destroying the top destroys every level exactly once.
  auto* c = new TTestComp(owner.get());
  new TTestComp(new TTestComp(c));
  owner.reset();
  EXPECT_EQ(TTestComp::Destroyed, 5);
}

TEST_F(ComponentTest, ChildDestroyedOnItsOwnLeavesTheOwnerList) {
  auto owner = std::make_unique<TComponent>(nullptr);
  {
    std::unique_ptr<TTestComp> early(new TTestComp(owner.get()));
    EXPECT_EQ(owner->ComponentCount(), 1);
  }
  EXPECT_EQ(owner->ComponentCount(), 0);
  EXPECT_EQ(TTestComp::Destroyed, 1);
}

TEST_F(ComponentTest, ReferenceIsClearedWhenTargetGoes) {
  // Across owners through FreeNotification, and between siblings through
  // the owner's broadcast.
  auto form1 = std::make_unique<TComponent>(nullptr);
  auto form2 = std::make_unique<TComponent>(nullptr);
  auto* user = new TTestComp(form1.get());
  auto* sibling = new TTestComp(form1.get());
  auto* foreign = new TTestComp(form2.get());
  user->SetName("User");

  user->SetLink(foreign);
  form2.reset();
  EXPECT_EQ(user->Link(), nullptr);

  user->SetLink(sibling);
  std::unique_ptr<TTestComp> released(sibling);
  form1->RemoveComponent(sibling);
  EXPECT_EQ(user->Link(), nullptr);  // removal from the owner counts as going away
  user->SetLink(released.get());
  released.reset();
  EXPECT_EQ(user->Link(), nullptr);
  EXPECT_EQ(TestLog(), (std::vector<std::string>{"LinkGone User", "LinkGone User", "LinkGone User"}));
}

TEST_F(ComponentTest, RemovedFreeNotificationIsNotToldAnyMore) {
  auto a = std::make_unique<TRecorder>(nullptr);
  auto b = std::make_unique<TComponent>(nullptr);
  a->FreeNotification(b.get());
  a->RemoveFreeNotification(b.get());
  b.reset();
  EXPECT_TRUE(a->Seen.empty());
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueInTheOwnerCaseInsensitively) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* a = new TComponent(owner.get());
  auto* b = new TComponent(owner.get());
  a->SetName("Session1");
  for (const char* bad : {"1abc", "a b", "a.b", "ä", "-"}) {
    try {
      b->SetName(bad);
      ADD_FAILURE() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid component name");
    }
  }
  try {
    b->SetName("SESSION1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named SESSION1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  a->SetName("SESSION1");  // renaming itself in another case is fine
  EXPECT_EQ(owner->FindComponent("session1"), a);
  EXPECT_EQ(owner->FindComponent(""), nullptr);  // unnamed ones are not found
  b->SetName("_x9");
  EXPECT_EQ(owner->FindComponent("_X9"), b);

  // A loose component whose name is taken cannot join.
  std::unique_ptr<TComponent> loose = std::make_unique<TComponent>(nullptr);
  loose->SetName("_X9");
  EXPECT_THROW(owner->InsertComponent(loose.get()), EComponentError);
  EXPECT_EQ(loose->Owner(), nullptr);
  EXPECT_THROW(a->InsertComponent(owner.get()), EComponentError);  // no ownership cycles
}

TEST_F(ComponentTest, DesigningSpreadsToChildrenAndNewChildren) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* child = new TComponent(owner.get());
  auto* grandChild = new TComponent(child);
  owner->SetDesigning(true);
  EXPECT_TRUE(grandChild->ComponentState().Contains(csDesigning));
  auto* later = new TComponent(child);
  EXPECT_TRUE(later->ComponentState().Contains(csDesigning));
  owner->SetDesigning(false);
  EXPECT_FALSE(later->ComponentState().Contains(csDesigning));
}

TEST_F(ComponentTest, AssignWithoutSupportRaisesTheAssignmentError) {
  TStringList list;
  auto comp = std::make_unique<TTestComp>(nullptr);
  try {
    list.Assign(comp.get());
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TTestComp to a TStringList");
  }
  try {
    list.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TStringList");
  }
}

TEST_F(ComponentTest, ClassRecordsAndRegistry) {
  auto comp = std::make_unique<TTestCompEx>(nullptr);
  EXPECT_EQ(comp->ClassName(), "TTestCompEx");
  EXPECT_TRUE(comp->InheritsFrom(TTestComp::StaticClass()));
  EXPECT_TRUE(comp->InheritsFrom("tpersistent"));
  EXPECT_FALSE(comp->InheritsFrom(TStringList::StaticClass()));
  EXPECT_EQ(TTestCompEx::StaticClass()->Parent, TTestComp::StaticClass());
  EXPECT_EQ(TStrings::StaticClass()->CreateComponent, nullptr);  // abstract, not a component
  EXPECT_EQ(TTestItem::StaticClass()->CreateComponent, nullptr);
  EXPECT_NE(TTestItem::StaticClass()->CreateItem, nullptr);

  EXPECT_EQ(FindClass("ttestcomp"), TTestComp::StaticClass());
  EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
  try {
    FindClass("TNoSuchClass");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNoSuchClass not found");
  }
  // Another class under a registered name is refused; the same class again is fine.
  static const TClassInfo impostor{"TTestComp", TComponent::StaticClass(), nullptr, nullptr,
                                   TComponent::StaticClass()->Properties};
  EXPECT_THROW(RegisterClass(&impostor), EFilerError);
  RegisterClass<TTestComp>();
  UnRegisterClass(TTestCompEx::StaticClass());
  UnRegisterClass(TTestComp::StaticClass());
  EXPECT_EQ(GetClass("TTestCompEx"), nullptr);
  RegisterClass(TTestCompEx::StaticClass());  // brings its parent along
  EXPECT_EQ(GetClass("TTestComp"), TTestComp::StaticClass());
}

TEST_F(ComponentTest, NamePathsFollowOwners) {
  auto comp = std::make_unique<TTestComp>(nullptr);
  comp->SetName("Query1");
  auto* item = comp->Items()->Add();
  comp->Items()->Add();
  EXPECT_EQ(comp->GetNamePath(), "Query1");
  EXPECT_EQ(comp->Items()->GetNamePath(), "Query1.Items");
  EXPECT_EQ(comp->Items()->Items(1)->GetNamePath(), "Query1.Items[1]");
  EXPECT_EQ(item->Collection(), comp->Items());
  TStringList loose;
  EXPECT_EQ(loose.GetNamePath(), "TStringList");
}

}  // namespace
