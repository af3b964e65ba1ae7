// A dataset with persistent fields written to a form file and read back: the
// fields nest in the dataset, belong to the form, and a stored Active opens
// the dataset once the form is loaded.
#include <gtest/gtest.h>

#include "ClassRegistry.h"
#include "Filer.h"
#include "FormText.h"
#include "MemDataSet.h"
#include "TypInfo.h"

namespace {

class TPeopleSet : public TMemDataSet {
  ORV_CLASS(TPeopleSet, TMemDataSet)
public:
  explicit TPeopleSet(TComponent* owner) : TMemDataSet(owner, {{"ID", ftInteger}, {"NAME", ftString, 10}}) {
    AddRow({1, "ann"});
    AddRow({2, "bob"});
  }
};

}  // namespace

ORV_IMPLEMENT_CLASS(TPeopleSet)

namespace {

TEST(DataSetStreaming, PersistentFieldsAndActiveSurviveAFormFile) {
  RegisterClass(TPeopleSet::StaticClass());
  auto form = std::make_unique<TComponent>(nullptr);
  form->SetName("Form");
  auto* people = new TPeopleSet(form.get());
  people->SetName("People");
  auto* name = new TStringField(form.get());
  name->SetName("PeopleNAME");
  name->SetFieldName("NAME");
  name->SetSize(10);
  name->SetDataSet(people);
  people->Open();
  std::string text = FormTextToString(TWriter().WriteRootComponent(form.get()), flbLF);
  EXPECT_NE(text.find("  object People: TPeopleSet\n    Active = True\n    object PeopleNAME: TStringField\n"),
            std::string::npos)
      << text;

  auto copy = std::make_unique<TComponent>(nullptr);
  TReader().ReadRootComponent(ParseFormText(text), copy.get(), nullptr);
  auto* read = dynamic_cast<TPeopleSet*>(copy->FindComponent("People"));
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->Active());
  ASSERT_EQ(read->FieldCount(), 1);
  TField* field = read->Fields()[0];
  EXPECT_EQ(field->Owner(), copy.get());
  EXPECT_EQ(field->Name(), "PeopleNAME");
  EXPECT_EQ(field->AsString(), "ann");
  EXPECT_FALSE(read->DefaultFields());
}

TEST(DataSetStreaming, StoredActiveThatCannotOpenIsReportedInTheDesignerAndRaisedAtRunTime) {
  RegisterClass(TPeopleSet::StaticClass());
  const char* text =
      "object Form: TComponent\n"
      "  object People: TPeopleSet\n"
      "    Active = True\n"
      "    object PeopleX: TIntegerField\n"
      "      FieldName = 'NOPE'\n"
      "    end\n"
      "  end\n"
      "end\n";
  auto runTime = std::make_unique<TComponent>(nullptr);
  EXPECT_THROW(TReader().ReadRootComponent(ParseFormText(text), runTime.get(), nullptr), EDatabaseError);
  EXPECT_EQ(runTime->ComponentCount(), 0);

  auto design = std::make_unique<TComponent>(nullptr);
  design->SetDesigning(true);
  TReader().ReadRootComponent(ParseFormText(text), design.get(), nullptr);
  auto* read = dynamic_cast<TPeopleSet*>(design->FindComponent("People"));
  ASSERT_NE(read, nullptr);
  EXPECT_FALSE(read->Active());
  EXPECT_EQ(read->HandledErrors, (std::vector<std::string>{"People: Field 'NOPE' not found"}));
}

}  // namespace
