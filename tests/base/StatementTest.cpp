// The statement frame's order of steps through the driver slots, its state
// errors, text conversion, output variables and table name.
#include <gtest/gtest.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "TypInfo.h"

namespace {

using Step = std::function<void(TTestSQL&)>;

struct LifecycleCase {
  const char* Name;
  std::vector<Step> Before;  // run first, their calls not checked
  Step Operation;
  const char* Calls;         // the slots Operation reaches, in order
};

Step OpenRead(const char* text) { return [text](TTestSQL& s) { EXPECT_TRUE(s.OpenRead(text, NoValues())); }; }
Step OpenWrite(const char* text) { return [text](TTestSQL& s) { EXPECT_TRUE(s.OpenWrite(text, NoValues())); }; }
Step Describe(const char* text) { return [text](TTestSQL& s) { EXPECT_TRUE(s.Describe(text)); }; }
Step Close() { return [](TTestSQL& s) { s.Close(); }; }
Step Unprepare() { return [](TTestSQL& s) { s.UnprepareOpen(); }; }
Step OpenReadPrepared() { return [](TTestSQL& s) { EXPECT_TRUE(s.OpenReadPrepared(NoValues())); }; }
Step Execute(const char* text, int a, int b) {
  return [=](TTestSQL& s) { EXPECT_TRUE(s.Execute(text, {a, b})); };
}

class LifecycleTest : public FrameTest, public ::testing::WithParamInterface<LifecycleCase> {};

TEST_P(LifecycleTest, CallsTheSlotsInOrder) {
  const LifecycleCase& c = GetParam();
  for (const Step& step : c.Before) step(*sql);
  log.Clear();
  c.Operation(*sql);
  EXPECT_EQ(log.Text(), c.Calls);
}

const LifecycleCase kLifecycle[] = {
    {"FirstOpenPrepares", {}, OpenRead("q1"), "Close PrepareOpen(q1) BindOpen Open(read)"},
    // Without host variables the statement is bound again at every open.
    {"SameTextReopens", {OpenRead("q1")}, OpenRead("q1"), "Close BindOpen Open(read)"},
    {"OtherTextUnprepares", {OpenRead("q1")}, OpenRead("q2"),
     "Close UnprepareOpen PrepareOpen(q2) BindOpen Open(read)"},
    {"ReadThenWritePreparesAgain", {OpenRead("q1")}, OpenWrite("q1"),
     "Close UnprepareOpen PrepareOpen(q1) BindOpen Open(write)"},
    {"WriteThenReadReuses", {OpenWrite("q1")}, OpenRead("q1"), "Close BindOpen Open(read)"},
    {"DescribeOpenTextClosesOnly", {OpenRead("q1")}, Describe("q1"), "Close"},
    {"DescribeOtherTextPrepares", {OpenRead("q1")}, Describe("q2"), "Close UnprepareOpen PrepareOpen(q2)"},
    {"OpenReadPreparedAfterClose", {OpenRead("q1"), Close()}, OpenReadPrepared(), "Close BindOpen Open(read)"},
    {"UnprepareClosesAndDrops", {OpenRead("q1")}, Unprepare(), "Close UnprepareOpen"},
    {"ExecuteFirstTime", {}, Execute("e1", 1, 2), "PrepareExecute(e1) BindExec BindVariables Execute(list)"},
    // Same text and same shape: no second preparation and no second binding.
    {"ExecuteSameShape", {Execute("e1", 1, 2)}, Execute("e1", 3, 4), "Execute(list)"},
    {"ExecuteOtherText", {Execute("e1", 1, 2)}, Execute("e2", 3, 4),
     "UnprepareExecute PrepareExecute(e2) BindExec BindVariables Execute(list)"},
};

INSTANTIATE_TEST_SUITE_P(Frame, LifecycleTest, ::testing::ValuesIn(kLifecycle),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FrameTest, ExecuteRewritesTheBoundBufferInPlace) {
  ASSERT_TRUE(sql->Execute("e", {1, 2}));
  const char* buffer = sql->ExecVariables.Buffer;
  ASSERT_TRUE(sql->Execute("e", {7, 8}));
  EXPECT_EQ(sql->ExecVariables.Buffer, buffer);
  EXPECT_TRUE(sql->ExecVariables.Bound);
  int32_t second;
  std::memcpy(&second, buffer + 4, 4);
  EXPECT_EQ(second, 8);
  EXPECT_EQ(log.CountOf("BindExec"), 1);
}

TEST_F(FrameTest, StateErrorsCarryTheirTextAndCodeZero) {
  ExpectFrameError([&] { sql->OpenReadPrepared(NoValues()); }, "The cursor is not prepared.");
  ExpectFrameError([&] { sql->OpenWritePrepared(NoValues()); }, "The cursor is not prepared.");
  ExpectFrameError([&] { sql->ExecutePrepared(NoValues()); }, "The statement is not prepared.");
  ExpectFrameError([&] { sql->IsDirty(); }, "The cursor is not opened.");
  ExpectFrameError([&] { sql->Clear(); }, "The cursor is not opened.");
  ExpectFrameError([&] { sql->ClearNotNull(); }, "The cursor is not opened.");
  ASSERT_TRUE(sql->OpenRead("q", NoValues()));
  ExpectFrameError([&] { sql->SetFieldValue(Variant("nosuch"), 1); }, "The cursor is read-only.");
  ExpectFrameError([&] { sql->Clear(); }, "The cursor is read-only.");
  ExpectFrameError([&] { sql->GetFieldValue(Variant("nosuch")); }, "Field \"nosuch\" not found.");
  sql->UnprepareOpen();
  ExpectFrameError([&] { sql->OpenReadPrepared(NoValues()); }, "The cursor is not prepared.");
  EXPECT_EQ(sql->GetLastError(), "The cursor is not prepared.");
  EXPECT_EQ(sql->GetLastErrorCode(), 0);
}

TEST_F(FrameTest, FailedDriverStepStopsAndKeepsTheStateReached) {
  sql->Fail = {"BindOpen"};
  EXPECT_FALSE(sql->OpenRead("q", NoValues()));
  EXPECT_TRUE(sql->OpenPrepared);
  EXPECT_FALSE(sql->Opened);
  sql->Fail = {"PrepareExecute"};
  EXPECT_FALSE(sql->Execute("e", NoValues()));
  EXPECT_FALSE(sql->ExecPrepared);
  EXPECT_EQ(log.CountOf("Execute(list)"), 0);
}

TEST_F(FrameTest, StatementWithoutSessionRaisesTheSessionError) {
  TTestSQL orphan(nullptr, &log);
  const std::string text = "The session property is not linked to a session";
  for (const auto& op : std::vector<std::function<void()>>{
           [&] { orphan.OpenRead("q", NoValues()); }, [&] { orphan.Execute("e", NoValues()); },
           [&] { orphan.OpenReadPrepared(NoValues()); }, [&] { orphan.GetSession(); },
           [&] { orphan.GetLastError(); }}) {
    try {
      op();
      ADD_FAILURE() << "no exception";
    } catch (const EOrvaneException& e) {
      EXPECT_EQ(e.Message(), text);
      EXPECT_EQ(e.ErrorCode, 0);
    }
  }
  // At design time the property reader answers none, but an operation that
  // needs the session still fails.
  orphan.SetDesigning(true);
  EXPECT_EQ(orphan.GetSession(), nullptr);
  EXPECT_THROW(orphan.OpenRead("q", NoValues()), EOrvaneException);
}

TEST_F(FrameTest, SetSessionMovesBetweenSessionsAndToTheEnd) {
  TTestSession other(nullptr, &log);
  TTestSQL second(nullptr, &log);
  second.SetSession(session.get());
  sql->SetSession(session.get());  // the same session again: to the end
  EXPECT_EQ(session->Queries, (std::vector<TOrvaneSQL*>{&second, sql.get()}));
  sql->SetSession(&other);
  EXPECT_EQ(session->Queries, std::vector<TOrvaneSQL*>{&second});
  EXPECT_EQ(other.Queries, std::vector<TOrvaneSQL*>{sql.get()});
  EXPECT_EQ(sql->GetSession(), &other);
  sql->SetSession(nullptr);
  EXPECT_TRUE(other.Queries.empty());
  EXPECT_FALSE(sql->IsSessionAssigned());

  // Called directly, the list operations keep every statement in one list.
  other.AddQuery(&second);
  EXPECT_TRUE(session->Queries.empty());
  session->RemoveQuery(&second);  // not this session's statement
  EXPECT_EQ(second.GetSession(), &other);
  EXPECT_EQ(other.Queries, std::vector<TOrvaneSQL*>{&second});
}

TEST_F(FrameTest, StatementToOemFollowsTheSessionSetting) {
  const std::string ansi = "select * from caf\xE9";  // é: 0xE9 in ANSI, 0x82 in OEM
  std::string text = ansi;
  sql->StatementToOem(text);
  EXPECT_EQ(text, ansi);
  session->SetOEMConvert(true);
  sql->StatementToOem(text);
  EXPECT_EQ(text, "select * from caf\x82");
  std::string withNul("ab\0cd", 5);
  sql->StatementToOem(withNul);
  EXPECT_EQ(withNul, "ab");

  // The prepared text is the OEM form, and the same ANSI text reuses it.
  ASSERT_TRUE(sql->OpenRead(ansi, NoValues()));
  EXPECT_EQ(sql->OpenText, "select * from caf\x82");
  log.Clear();
  ASSERT_TRUE(sql->OpenRead(ansi, NoValues()));
  EXPECT_EQ(log.CountOf("PrepareOpen(select * from caf\x82)"), 0);
}

TEST_F(FrameTest, OutputVariablesByPositionAndByName) {
  sql->Outputs = {{"total", ntInteger, 4, 42}, {"Label", ntString, 11, "hello"}, {"flag", ntBoolean, 1, true}};
  ASSERT_TRUE(sql->Execute("call p(?)", {5}));
  ASSERT_EQ(sql->ExecVariables.OutCount, 3);
  EXPECT_EQ(sql->GetOutVar(0), Variant(42));
  EXPECT_EQ(sql->GetOutVar(1), Variant("hello"));
  EXPECT_EQ(sql->GetOutVar(Variant("LABEL")), Variant("hello"));
  EXPECT_EQ(sql->GetOutVar(Variant("flag")), Variant(true));
  ExpectFrameError([&] { sql->GetOutVar(3); }, "Host variable \"3\" not found.");
  ExpectFrameError([&] { sql->GetOutVar(-1); }, "Host variable \"-1\" not found.");
  ExpectFrameError([&] { sql->GetOutVar(Variant("missing")); }, "Host variable \"missing\" not found.");
  // A small integer goes the name path.
  ExpectFrameError([&] { sql->GetOutVar(Variant(short(0))); }, "Host variable \"0\" not found.");
}

TEST_F(FrameTest, TableNameOfThePreparedCursor) {
  struct Case {
    const char* Text;
    const char* Table;
  } cases[] = {
      {"select a, b from cust c where x = 1", "cust"},
      {"SELECT * FROM t1,t2", "t1"},
      {"select *\r\nFrOm\norders", "orders"},
      {"select * from  two_blanks", ""},
      {"select 1", ""},
      {"select *\tfrom\ttabbed", ""},
      {"select * from last", "last"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(sql->PrepareOpen(c.Text));
    EXPECT_EQ(sql->TableName, c.Table) << c.Text;
  }
  sql->UnprepareOpen();
  EXPECT_EQ(sql->TableName, "");
}

TEST_F(FrameTest, SettersKeepOnlyValuesInRange) {
  struct Case {
    int Value;
    bool BlobKept, FetchKept;
  } cases[] = {{0, true, false}, {1, true, true}, {1000, true, true}, {1001, true, false},
               {32763, true, false}, {32764, false, false}, {-1, false, false}};
  for (const Case& c : cases) {
    sql->BlobSize = 7;
    sql->MaxFetchCount = 7;
    sql->SetBlobSize(c.Value);
    sql->SetMaxFetchCount(c.Value);
    EXPECT_EQ(sql->BlobSize, c.BlobKept ? c.Value : 7) << c.Value;
    EXPECT_EQ(sql->MaxFetchCount, c.FetchKept ? c.Value : 7) << c.Value;
  }
  TTestSQL fresh(nullptr);
  EXPECT_TRUE(fresh.UniDirectional());
  EXPECT_FALSE(fresh.WantExceptions());
  EXPECT_EQ(fresh.MaxFetchCount, 25);
  EXPECT_NE(fresh.BlobManager, nullptr);
}

TEST_F(FrameTest, SessionIsAPublishedProperty) {
  const TPropInfo* prop = TTestSQL::StaticClass()->Properties().Find("Session");
  ASSERT_NE(prop, nullptr);
  EXPECT_EQ(prop->Kind, tkComponent);
  EXPECT_EQ(prop->GetObject(*sql), session.get());
}

}  // namespace
