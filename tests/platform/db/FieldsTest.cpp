// Fields: buffer formats and conversions of each type, blob fields through
// streams, calculated and lookup fields, field definitions and binding.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "DateFormat.h"
#include "DbTestSupport.h"

namespace {

class AllTypes : public ::testing::Test {
protected:
  std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
  TMemDataSet* Data = new TMemDataSet(Owner.get(), {{"I", ftInteger},
                                                    {"S", ftString, 5},
                                                    {"F", ftFloat},
                                                    {"C", ftCurrency},
                                                    {"B", ftBoolean},
                                                    {"D", ftDate},
                                                    {"T", ftTime},
                                                    {"DT", ftDateTime},
                                                    {"BY", ftBytes, 4},
                                                    {"M", ftMemo},
                                                    {"BL", ftBlob}});
  void SetUp() override {
    Data->SetName("Data");
    Data->Open();
    Data->Append();
  }
  TField* F(const char* name) { return Data->FieldByName(name); }
};

TEST_F(AllTypes, DefaultFieldsHaveTheClassAndBufferOfTheirType) {
  struct Case {
    const char* name;
    TClass cls;
    int dataSize;
  } cases[] = {{"I", TIntegerField::StaticClass(), 4},  {"S", TStringField::StaticClass(), 6},
               {"F", TFloatField::StaticClass(), 8},    {"C", TCurrencyField::StaticClass(), 8},
               {"B", TBooleanField::StaticClass(), 2},  {"D", TDateField::StaticClass(), 8},
               {"T", TTimeField::StaticClass(), 8},     {"DT", TDateTimeField::StaticClass(), 8},
               {"BY", TBytesField::StaticClass(), 4},   {"M", TMemoField::StaticClass(), 0},
               {"BL", TBlobField::StaticClass(), 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(F(c.name)->ClassType(), c.cls);
    EXPECT_EQ(F(c.name)->DataSize(), c.dataSize);
    EXPECT_TRUE(F(c.name)->IsNull());
  }
  EXPECT_EQ(F("BY")->FieldNo(), 9);
}

TEST_F(AllTypes, ValuesAreStoredInTheFrameworkBufferFormats) {
  F("I")->SetAsString(" 42");
  F("S")->SetAsString("abcdefgh");
  F("F")->SetAsFloat(2.5);
  F("C")->SetAsCurrency(Currency::FromRaw(12345));
  F("B")->SetAsBoolean(true);
  F("D")->SetAsDateTime(EncodeDate(2024, 2, 29) + 0.75);
  F("T")->SetAsDateTime(EncodeTime(12, 0, 0, 0));
  F("DT")->SetAsDateTime(EncodeDateTime(1899, 12, 30, 0, 0, 1, 500));
  F("BY")->SetAsString(std::string("\x01\x02", 2));

  int32_t i = 0;
  ASSERT_TRUE(F("I")->GetData(&i));
  EXPECT_EQ(i, 42);
  char s[6];
  ASSERT_TRUE(F("S")->GetData(s));
  EXPECT_STREQ(s, "abcde");
  int16_t b = 0;
  ASSERT_TRUE(F("B")->GetData(&b));
  EXPECT_EQ(b, 1);
  TDateTimeRec rec{};
  ASSERT_TRUE(F("D")->GetData(&rec));
  EXPECT_EQ(rec.Date, DateTimeToTimeStamp(EncodeDate(2024, 2, 29)).Date);
  ASSERT_TRUE(F("T")->GetData(&rec));
  EXPECT_EQ(rec.Time, 12 * 3600 * 1000);
  ASSERT_TRUE(F("DT")->GetData(&rec));
  EXPECT_EQ(rec.DateTime, double(DateDelta) * MSecsPerDay + 1500);
  unsigned char bytes[4];
  ASSERT_TRUE(F("BY")->GetData(bytes));
  EXPECT_EQ(std::memcmp(bytes, "\x01\x02\x00\x00", 4), 0);

  EXPECT_EQ(F("I")->AsInteger(), 42);
  EXPECT_EQ(F("S")->AsString(), "abcde");
  EXPECT_EQ(F("C")->AsCurrency(), Currency::FromRaw(12345));
  EXPECT_EQ(F("B")->AsString(), "True");
  EXPECT_EQ(F("D")->AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(F("T")->AsDateTime(), 0.5);
  EXPECT_EQ(F("DT")->Value().VType(), varDate);
  Variant by = F("BY")->Value();
  ASSERT_TRUE(by.IsArray());
  EXPECT_EQ(VarArrayElementCount(by), 4);
  EXPECT_EQ(by[1], Variant(static_cast<unsigned char>(2)));
}

TEST_F(AllTypes, ConversionsAcceptTheirTextAndRefuseTheRestWithTheFieldName) {
  struct Case {
    const char* field;
    const char* text;
    const char* expected;  // AsString afterwards, or the error message
    bool fails;
  } cases[] = {
      {"I", "-7", "-7", false},
      {"I", "", "", false},  // empty text clears
      {"I", "x", "'x' is not a valid integer value for field 'I'", true},
      {"F", "1.25", "1.25", false},
      {"F", "1,5e", "'1,5e' is not a valid floating point value for field 'F'", true},
      {"B", "f", "False", false},
      {"B", "TRU", "True", false},
      {"B", "maybe", "'maybe' is not a valid boolean value for field 'B'", true},
      {"BY", "12345", "Invalid variant type or size for field 'BY'", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " <- " + c.text);
    try {
      F(c.field)->SetAsString(c.text);
      EXPECT_FALSE(c.fails);
      EXPECT_EQ(F(c.field)->AsString(), c.expected);
    } catch (EDatabaseError& e) {
      EXPECT_TRUE(c.fails);
      EXPECT_EQ(e.Message(), c.expected);
    }
  }
  F("I")->SetValue(Variant("12"));
  EXPECT_EQ(F("I")->AsInteger(), 12);
  F("I")->SetValue(Null());
  EXPECT_TRUE(F("I")->IsNull());
  EXPECT_THROW(F("I")->SetAsFloat(1e12), EDatabaseError);
  try {
    (void)F("I")->AsBoolean();
    ADD_FAILURE();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot access field 'I' as type Boolean");
  }
}

TEST_F(AllTypes, BlobFieldsGoThroughTheDatasetStreams) {
  auto* memo = static_cast<TBlobField*>(F("M"));
  auto* blob = static_cast<TBlobField*>(F("BL"));
  memo->SetAsString("first line\r\nsecond");
  std::string binary("\0\xff\x10", 3);
  TMemoryStream source;
  source.WriteBuffer(binary.data(), 3);
  blob->LoadFromStream(source);
  EXPECT_TRUE(blob->Modified());
  Data->Post();

  EXPECT_EQ(memo->AsString(), "first line\r\nsecond");
  EXPECT_EQ(memo->BlobSize(), 18);
  TMemoryStream saved;
  blob->SaveToStream(saved);
  ASSERT_EQ(saved.Size(), 3);
  EXPECT_EQ(std::memcmp(saved.Memory(), binary.data(), 3), 0);
  EXPECT_EQ(blob->Value().AsString(), binary);

  // Writing needs the edit state, like every field.
  EXPECT_THROW(memo->SetAsString("no"), EDatabaseError);
  std::filesystem::path file = std::filesystem::path(ORV_BINARY_DIR) / "db_blob_test.bin";
  blob->SaveToFile(file.string());
  Data->Edit();
  memo->Clear();
  EXPECT_TRUE(memo->IsNull());
  memo->LoadFromFile(file.string());
  EXPECT_EQ(memo->AsString(), binary);
  EXPECT_THROW(memo->LoadFromFile((file.parent_path() / "missing" / "none.bin").string()), EFOpenError);
  Data->Post();
  EXPECT_EQ(Data->RowValue(0, 9).AsString(), binary);
  std::filesystem::remove(file);
}

// Members with a team number; the team's title comes from a lookup dataset
// and TWICE is calculated.
class CalcTest : public ::testing::Test {
protected:
  std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
  TMemDataSet* Teams = new TMemDataSet(Owner.get(), {{"TEAM", ftInteger}, {"TITLE", ftString, 8}});
  TMemDataSet* Members = new TMemDataSet(Owner.get(), {{"ID", ftInteger}, {"TEAM", ftInteger}});
  TStringField* Title = nullptr;
  TIntegerField* Twice = nullptr;
  int Calcs = 0;

  void SetUp() override {
    Members->SetName("Members");
    Teams->AddRow({1, "red"});
    Teams->AddRow({2, "blue"});
    Members->AddRow({10, 1});
    Members->AddRow({20, 2});
    Members->AddRow({30, 9});
    // Persistent fields, owned by the form-like owner.
    auto* id = new TIntegerField(Owner.get());
    id->SetFieldName("ID");
    id->SetDataSet(Members);
    auto* team = new TIntegerField(Owner.get());
    team->SetFieldName("TEAM");
    team->SetDataSet(Members);
    Title = new TStringField(Owner.get());
    Title->SetFieldName("TITLE");
    Title->SetSize(8);
    Title->SetFieldKind(fkLookup);
    Title->SetLookupDataSet(Teams);
    Title->SetKeyFields("TEAM");
    Title->SetLookupKeyFields("TEAM");
    Title->SetLookupResultField("TITLE");
    Title->SetDataSet(Members);
    Twice = new TIntegerField(Owner.get());
    Twice->SetFieldName("TWICE");
    Twice->SetCalculated(true);
    Twice->SetDataSet(Members);
    Members->OnCalcFields = [this](TDataSet* ds) {
      ++Calcs;
      Twice->SetAsInteger(ds->FieldByName("ID")->AsInteger() * 2);
    };
  }
};

TEST_F(CalcTest, CalculatedAndLookupFieldsFollowTheRecord) {
  Members->Open();
  EXPECT_TRUE(Teams->Active());  // binding the lookup field opened it
  EXPECT_FALSE(Members->DefaultFields());
  EXPECT_EQ(Twice->FieldNo(), -1);
  EXPECT_EQ(Title->AsString(), "red");
  EXPECT_EQ(Twice->AsInteger(), 20);
  Members->Next();
  EXPECT_EQ(Title->AsString(), "blue");
  EXPECT_EQ(Twice->AsInteger(), 40);
  Members->Next();
  EXPECT_TRUE(Title->IsNull());  // no team 9

  // Editing a data field recalculates at once.
  Members->Edit();
  Members->FieldByName("TEAM")->SetAsInteger(1);
  EXPECT_EQ(Title->AsString(), "red");
  Calcs = 0;
  Members->FieldByName("ID")->SetAsInteger(31);
  EXPECT_EQ(Twice->AsInteger(), 62);
  EXPECT_EQ(Calcs, 1);
  Members->Post();
  EXPECT_EQ(Teams->State(), dsBrowse);

  // Persistent fields stay when the dataset closes; they are unbound.
  Members->Close();
  EXPECT_EQ(Members->FieldCount(), 4);
  EXPECT_EQ(Twice->FieldNo(), 0);
}

TEST_F(CalcTest, CalculatedFieldWithoutValueIsNullAndWithoutHandlerNeverCalculates) {
  Members->OnCalcFields = nullptr;
  Members->Open();
  EXPECT_TRUE(Twice->IsNull());
  EXPECT_EQ(Twice->AsInteger(), 0);
}

TEST_F(CalcTest, IncompleteLookupOrMismatchedFieldKeepsTheDatasetClosed) {
  Title->SetLookupResultField("");
  try {
    Members->Open();
    ADD_FAILURE();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Lookup information for field 'TITLE' is incomplete");
  }
  EXPECT_FALSE(Members->Active());
  EXPECT_EQ(Members->AllocatedBuffers(), 0);

  Title->SetLookupResultField("TITLE");
  auto* wrong = new TStringField(Owner.get());
  wrong->SetFieldName("ID");
  Members->FieldByName("ID")->SetDataSet(nullptr);
  wrong->SetDataSet(Members);
  EXPECT_THROW(Members->Open(), EDatabaseError);
  EXPECT_FALSE(Members->Active());
}

TEST(FieldDefs, UpdateReadsTheDefinitionsOfAClosedDatasetWithoutOpeningIt) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* ds = new TMemDataSet(owner.get(), {{"A", ftInteger}, {"B", ftString, 3}, {"C", ftMemo}});
  ds->FieldDefs().Update();
  EXPECT_EQ(ds->InfoQueries, 1);
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->AllocatedBuffers(), 0);
  ASSERT_EQ(ds->FieldDefs().Count(), 3);
  EXPECT_EQ(ds->FieldDefs().Find("b")->Size(), 3);
  EXPECT_EQ(ds->FieldDefs()[2]->FieldNo(), 3);
  EXPECT_THROW(ds->FieldDefs().Find("Z"), EDatabaseError);
  EXPECT_THROW(ds->FieldDefs().Add("a", ftInteger), EDatabaseError);
  EXPECT_THROW(ds->FieldDefs().Add("", ftInteger), EDatabaseError);
  EXPECT_EQ(ds->FieldCount(), 0);

  // Default fields come and go with the open dataset.
  ds->Open();
  EXPECT_TRUE(ds->DefaultFields());
  EXPECT_EQ(ds->FieldCount(), 3);
  ds->Close();
  EXPECT_EQ(ds->FieldCount(), 0);
  std::vector<std::string> names;
  ds->GetFieldNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));
}

// A detail dataset follows the master's current record through a data source.
class MasterDetail : public DbFixture {
protected:
  TMemDataSet* Orders = nullptr;
  void SetUp() override {
    DbFixture::SetUp();
    Orders = new TMemDataSet(Owner.get(), {{"ORDERID", ftInteger}, {"CUST", ftInteger}});
    Orders->SetName("Orders");
    for (int i = 0; i < 6; ++i) Orders->AddRow({100 + i, 1 + i % 2});
    Orders->SetMasterSource(Source, "ID", 1);
  }
  std::vector<int> OrderIds() {
    std::vector<int> ids;
    for (Orders->First(); !Orders->Eof(); Orders->Next()) ids.push_back(Orders->FieldByName("ORDERID")->AsInteger());
    return ids;
  }
};

TEST_F(MasterDetail, DetailReopensForEachMasterRecordAndStaysOpenWhenTheMasterCloses) {
  People->Open();
  Orders->Open();
  EXPECT_EQ(OrderIds(), (std::vector<int>{100, 102, 104}));
  People->Next();
  EXPECT_EQ(OrderIds(), (std::vector<int>{101, 103, 105}));
  People->Next();
  EXPECT_TRUE(Orders->IsEmpty());
  int reopens = Orders->Reopens;
  People->Close();
  EXPECT_TRUE(Orders->Active());
  EXPECT_EQ(Orders->Reopens, reopens);
}

TEST_F(MasterDetail, PendingDetailEditIsPostedBeforeTheMasterMoves) {
  People->Open();
  Orders->Open();
  Orders->Edit();
  Orders->FieldByName("ORDERID")->SetAsInteger(999);
  People->Next();
  EXPECT_EQ(Orders->State(), dsBrowse);
  EXPECT_EQ(Orders->RowValue(0, 0), Variant(999));
}

TEST_F(MasterDetail, CircularLinksAreRefused) {
  auto* orderSource = new TDataSource(Owner.get());
  orderSource->SetDataSet(Orders);
  try {
    People->SetMasterSource(orderSource, "ID", 0);
    ADD_FAILURE();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "People: Circular datalinks are not allowed");
  }
  // Linking People under orderSource would close the loop; Orders under
  // People's source does not.
  EXPECT_TRUE(People->IsLinkedTo(orderSource));
  EXPECT_FALSE(Orders->IsLinkedTo(Source));
  // A data source of the master cannot take the detail that hangs on it.
  EXPECT_THROW(Source->SetDataSet(Orders), EDatabaseError);
  EXPECT_EQ(Source->DataSet(), People);
}

}  // namespace
