// Published-property tables: kinds, order and inheritance, defaults, and the
// by-name accessors with their errors.
#include <gtest/gtest.h>

#include "PropVariants.h"
#include "TestComponents.h"

namespace {

std::vector<std::string> Names(const TObject* o) {
  std::vector<std::string> v;
  for (const TPropInfo& p : GetPropList(o)) v.push_back(p.Name);
  return v;
}

TEST(PropertyTableTest, TablesExtendTheParentsInOrder) {
  auto comp = std::make_unique<TTestCompEx>(nullptr);
  EXPECT_EQ(Names(comp.get()),
            (std::vector<std::string>{"Name", "Tag", "Active", "Count", "Big", "Ratio", "Caption", "Mode", "Options",
                                      "Separator", "SQL", "Items", "Link", "OnChange", "OnCompute", "Extra"}));
  // The derived class changed Count's default in place.
  EXPECT_EQ(GetPropInfo(comp.get(), "count")->Default, 10);
  auto base = std::make_unique<TTestComp>(nullptr);
  EXPECT_EQ(GetPropInfo(base.get(), "Count")->Default, 25);
  EXPECT_EQ(GetPropInfo(base.get(), "Extra"), nullptr);

  struct Kind {
    const char* name;
    TTypeKind kind;
  } kinds[] = {{"Tag", tkInteger},      {"Big", tkInt64},   {"Ratio", tkFloat},    {"Caption", tkString},
               {"Active", tkBoolean},   {"Mode", tkEnumeration}, {"Options", tkSet}, {"Separator", tkChar},
               {"SQL", tkClass},        {"Link", tkComponent}, {"OnChange", tkMethod}};
  for (const Kind& k : kinds) EXPECT_EQ(PropType(base.get(), k.name), k.kind) << k.name;
  EXPECT_FALSE(GetPropInfo(base.get(), "Name")->Stored(*base));
}

TEST(PropertyTableTest, EnumerationLiterals) {
  const TEnumInfo& info = EnumInfoOf(static_cast<TTestMode*>(nullptr));
  EXPECT_EQ(info.TypeName, "TTestMode");
  EXPECT_EQ(info.Names, (std::vector<std::string>{"tmLocal", "tmServer", "tmNetwork"}));
  EXPECT_EQ(info.ValueOf("TMNETWORK"), 2);
  EXPECT_EQ(info.ValueOf("tmNone"), -1);
  EXPECT_THROW(info.NameOf(3), EConvertError);
}

TEST(PropertyTableTest, ValuesByNameAsText) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* comp = new TTestComp(owner.get());
  auto* other = new TTestComp(owner.get());
  other->SetName("Other");
  struct Case {
    const char* prop;
    std::string in;
    std::string out;
  } cases[] = {
      {"Count", " 42", "42"},
      {"Big", "-9000000000", "-9000000000"},
      {"Ratio", "0.1", "0.1"},
      {"Caption", "Hello", "Hello"},
      {"Active", "true", "True"},
      {"Mode", "tmNetwork", "tmNetwork"},
      {"Options", "[ toTrimStrings , toAutoCommit ]", "[toAutoCommit,toTrimStrings]"},
      {"Options", "", "[]"},
      {"Separator", ";", ";"},
      {"Link", "Other", "Other"},
      {"Link", "", ""},
  };
  for (const Case& k : cases) {
    SetPropValue(comp, k.prop, k.in);
    EXPECT_EQ(GetPropValue(comp, k.prop), k.out) << k.prop << " " << k.in;
  }
  EXPECT_EQ(comp->Mode(), tmNetwork);
  EXPECT_TRUE(comp->Options().Empty());
}

TEST(PropertyTableTest, BadValuesAndNamesRaise) {
  auto comp = std::make_unique<TTestComp>(nullptr);
  struct Case {
    const char* prop;
    const char* value;
    const char* message;
  } cases[] = {
      {"Nope", "1", "Property Nope does not exist"},
      {"Count", "12x", "'12x' is not a valid value for property Count"},
      {"Count", "4294967296", "Value 4294967296 is out of range for property Count"},
      {"Mode", "tmNone", "'tmNone' is not a value of property Mode"},
      {"Options", "[toAutoCommit,,toReadOnly]", "'[toAutoCommit,,toReadOnly]' is not a set of property Options"},
      {"Options", "[toNope]", "'toNope' is not a value of property Options"},
      {"Separator", "ab", "'ab' is not a valid value for property Separator"},
      {"Ratio", "1,5", "'1,5' is not a valid value for property Ratio"},
      {"Link", "Missing", "Component Missing not found"},
      {"Items", "x", "Property Items is read-only"},
  };
  for (const Case& k : cases) {
    try {
      SetPropValue(comp.get(), k.prop, k.value);
      ADD_FAILURE() << k.prop << " " << k.value;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), k.message);
    }
  }
  EXPECT_EQ(comp->Count(), 25);
  const TPropInfo& mode = PropInfoOf(comp.get(), "Mode");
  EXPECT_THROW(SetOrdProp(comp.get(), mode, 3), EPropertyError);
  EXPECT_THROW(GetFloatProp(comp.get(), mode), EConvertError);
  EXPECT_THROW(PropInfoOf(comp.get(), "Missing"), EPropertyError);
}

TEST(PropertyTableTest, ValuesByNameAsVariants) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* comp = new TTestComp(owner.get());
  auto* other = new TTestComp(owner.get());
  other->SetName("Other");
  SetPropVariant(comp, "Count", Variant(std::string("12")));
  EXPECT_EQ(comp->Count(), 12);
  EXPECT_EQ(GetPropVariant(comp, "Count").VType(), varInteger);
  SetPropVariant(comp, "Big", Variant(3.0));
  EXPECT_EQ(GetPropVariant(comp, "Big").AsInt64(), 3);
  SetPropVariant(comp, "Ratio", Variant(std::string("0.5")));
  EXPECT_EQ(GetPropVariant(comp, "Ratio").AsDouble(), 0.5);
  SetPropVariant(comp, "Active", Variant(true));
  EXPECT_EQ(GetPropVariant(comp, "Active").VType(), varBoolean);
  SetPropVariant(comp, "Mode", Variant(0));
  EXPECT_EQ(GetPropVariant(comp, "Mode").AsString(), "tmLocal");
  SetPropVariant(comp, "Mode", Variant("tmNetwork"));
  EXPECT_EQ(comp->Mode(), tmNetwork);
  SetPropVariant(comp, "Link", Variant("Other"));
  EXPECT_EQ(comp->Link(), other);
  SetPropVariant(comp, "Link", Variant());
  EXPECT_EQ(comp->Link(), nullptr);
  EXPECT_THROW(SetPropVariant(comp, "Count", Variant("many")), EConvertError);
  EXPECT_THROW(GetPropVariant(comp, "SQL"), EPropertyError);
}

TEST(PropertyTableTest, EventsByMethodName) {
  auto root = std::make_unique<TTestRoot>(nullptr);
  auto* comp = new TTestComp(root.get());
  const TPropInfo& onChange = PropInfoOf(comp, "OnChange");
  SetMethodProp(comp, onChange, "handlechange");  // found through the owner
  ASSERT_TRUE(comp->OnChange);
  comp->OnChange(comp);
  EXPECT_EQ(root->Changes, std::vector<TObject*>{comp});
  EXPECT_EQ(GetMethodProp(comp, onChange), "HandleChange");
  SetPropValue(comp, "OnCompute", "Twice");
  EXPECT_EQ(comp->OnCompute(comp, 21), 42);
  // Another signature, or no such method.
  EXPECT_THROW(SetMethodProp(comp, onChange, "Twice"), EReadError);
  EXPECT_THROW(SetMethodProp(comp, onChange, "Nope"), EMethodNotFound);
  SetMethodProp(comp, onChange, "");
  EXPECT_FALSE(comp->OnChange);
  EXPECT_EQ(GetMethodProp(comp, onChange), "");
  EXPECT_EQ(root->MethodName(root->MethodAddress("TWICE")), "Twice");
}

}  // namespace
