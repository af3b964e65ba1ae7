// The statement's calls into the Embedded SQL library, against the scripted
// fake: result shapes described after every open, a library without version
// check, cursor names that are taken, and the pieces of a long host value.
#include <algorithm>

#include "StringLists.h"

#include "FakeLibrary.h"

namespace {

class StatementProtocolTest : public FakeTest {
protected:
  void SetUp() override {
    FakeTest::SetUp();
    session = NewSession();
    session->SetConnected(true);
    sql = std::make_unique<TAsaSQL>(nullptr);
    sql->SetSession(session);
  }
  void TearDown() override {
    sql.reset();
    FakeTest::TearDown();
  }
  TAsaSession* session = nullptr;
  std::unique_ptr<TAsaSQL> sql;
};

// The names of the calls from `from` on that start with one of the prefixes.
std::vector<std::string> Only(const std::vector<std::string>& calls, const std::vector<std::string>& prefixes) {
  std::vector<std::string> out;
  for (const auto& c : calls)
    for (const auto& p : prefixes)
      if (c.rfind(p, 0) == 0) out.push_back(c);
  return out;
}

TEST_F(StatementProtocolTest, ResultShapeDescribedAtPrepareOrAfterEveryOpen) {
  const struct {
    int count;            // what the count describe reports
    bool noVersionCheck;  // a library without version check
    bool afterOpen;
  } cases[] = {{1, false, false}, {0, false, true}, {0, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + (c.noVersionCheck ? " unchecked" : ""));
    LibNoVersionCheck = c.noVersionCheck;
    int from = fake->Count();
    fake->Script("dbpp_describe", 0, "", "00000", 1, c.count);
    ASSERT_TRUE(sql->PrepareOpen("call shapes()"));
    EXPECT_EQ(sql->DescribeAfterOpen, c.afterOpen);
    auto prepared = Only(fake->Calls(from), {"dbpp_describe"});
    EXPECT_EQ(prepared.size(), c.afterOpen ? 1u : 3u);
    int opened = fake->Count();
    sql->OpenReadPrepared({Null()});
    EXPECT_TRUE(sql->Opened);
    // Count, columns, and columns again for a block of rows.
    EXPECT_EQ(Only(fake->Calls(opened), {"dbpp_describe_cursor"}).size(), c.afterOpen ? 3u : 0u);
    sql->UnprepareOpen();
  }
  LibNoVersionCheck = false;
}

TEST_F(StatementProtocolTest, CursorOptionsAndNamesAlreadyTaken) {
  fake->Script("dbpp_describe", 0, "", "00000", 1, 1);
  fake->Script("dbpp_open", -172, "Cursor already open");
  fake->Script("dbpp_open", -172, "Cursor already open");
  int from = fake->Count();
  sql->SetWantExceptions(true);
  EXPECT_NO_THROW(sql->OpenRead("select 1", {Null()}));
  EXPECT_EQ(Only(fake->Calls(from), {"dbpp_declare"}),
            (std::vector<std::string>{"dbpp_declare(OrvaneDB-0,null,OrvaneDB,0,6)",
                                      "dbpp_declare(OrvaneDB-1,null,OrvaneDB,0,6)",
                                      "dbpp_declare(OrvaneDB-2,null,OrvaneDB,0,6)"}));
  EXPECT_STREQ(sql->CursorName, "OrvaneDB-2");

  // A write cursor that scrolls: update and scroll options.
  sql->SetUniDirectional(false);
  from = fake->Count();
  sql->OpenWrite("select 1", {Null()});
  auto declares = Only(fake->Calls(from), {"dbpp_declare"});
  ASSERT_EQ(declares.size(), 1u);
  EXPECT_NE(declares[0].find(",4224)"), std::string::npos) << declares[0];
  EXPECT_EQ(sql->FetchCount, 1);
}

TEST_F(StatementProtocolTest, LongValuesTravelInPiecesAndEmptyOnesStayEmpty) {
  const struct {
    int size;
    size_t pieces;
  } cases[] = {{0, 0}, {1, 1}, {32765, 1}, {32766, 2}, {40000, 2}, {65530, 2}, {65531, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    std::string bytes(static_cast<size_t>(c.size), 'x');
    int from = fake->Count();
    ASSERT_TRUE(sql->InternalBlobToVariable("odd name", bytes.data(), c.size));
    auto calls = fake->Calls(from);
    auto immediate = Only(calls, {"dbpp_execute_imm"});
    ASSERT_EQ(immediate.size(), 2u);
    EXPECT_EQ(immediate[0], "dbpp_execute_imm(create variable \"odd name\" long binary,2)");
    EXPECT_EQ(immediate[1], "dbpp_execute_imm(set \"odd name\"='',2)");
    auto pieces = Only(calls, {"dbpp_prepare"});
    EXPECT_EQ(pieces.size(), c.pieces);
    for (const auto& p : pieces)
      EXPECT_EQ(p, "dbpp_prepare(null,OrvaneDB,set \"odd name\"=\"odd name\" || :blob_host,null,1)");
    // Every prepared piece statement is dropped again.
    EXPECT_EQ(Only(calls, {"dbpp_dropstmt"}).size(), c.pieces);
  }
  // A failing piece stops the filling and reports it.
  std::string bytes(70000, 'y');
  fake->Script("dbpp_execute_into", -1, "failed");
  int from = fake->Count();
  EXPECT_FALSE(sql->InternalBlobToVariable("v", bytes.data(), 70000));
  EXPECT_EQ(Only(fake->Calls(from), {"dbpp_prepare"}).size(), 1u);

  // A plain name is sent as it is.
  from = fake->Count();
  sql->InternalDropVariables(nullptr);
  TStringList names;
  names.Add("blobparam2");
  names.Add("x\"y");
  sql->InternalDropVariables(&names);
  EXPECT_EQ(Only(fake->Calls(from), {"dbpp_execute_imm"}),
            (std::vector<std::string>{"dbpp_execute_imm(drop variable blobparam2,2)",
                                      "dbpp_execute_imm(drop variable \"x\"\"y\",2)"}));
  EXPECT_EQ(AsaQuoteIdentifier("_plain9"), "_plain9");
  EXPECT_EQ(AsaQuoteIdentifier("9lives"), "\"9lives\"");
  EXPECT_EQ(AsaQuoteIdentifier("a;drop table t"), "\"a;drop table t\"");
}

// The input descriptors of the calls from `from` on that start with `prefix`.
std::vector<std::string> InputsOf(const TFakeLibrary& fake, const std::string& prefix, int from) {
  std::vector<std::string> out;
  for (int i = from; i < fake.Count(); ++i)
    if (fake.Call(i).rfind(prefix, 0) == 0) out.push_back(fake.Inputs(i));
  return out;
}

TEST_F(StatementProtocolTest, OutputOnlyArgumentsTakeNoValueAndPiecesHaveExactSizes) {
  // in, output-only, in-out: the two values go to the first and third
  // entries, and the in-out one is not sent as NULL for its direction flags.
  fake->SetInputs("496:4:16384,496:4:32768,496:4:49152");
  int from = fake->Count();
  ASSERT_TRUE(sql->Execute("call p(?, ?, ?)", {VarArrayOf({7, 9})})) << sql->GetLastError();
  auto sent = InputsOf(*fake, "dbpp_execute_into", from);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], "496/4/0 496/4/-1 496/4/0");

  // More entries than values: the rest are sent as NULL.
  from = fake->Count();
  ASSERT_TRUE(sql->Execute("call p(?, ?, ?)", {VarArrayOf({7})}));
  EXPECT_EQ(InputsOf(*fake, "dbpp_execute_into", from), (std::vector<std::string>{"496/4/0 496/4/-1 496/4/-1"}));

  // A 40,000-byte value travels as one piece of 32,765 bytes and one of 7,235
  // (each in a binary host variable of 32,767 bytes with its length first).
  fake->SetInputs("524:32767:16384");
  std::string bytes(40000, 'z');
  from = fake->Count();
  ASSERT_TRUE(sql->InternalBlobToVariable("v", bytes.data(), 40000));
  EXPECT_EQ(InputsOf(*fake, "dbpp_execute_into", from),
            (std::vector<std::string>{"524/32767/0:32765", "524/32767/0:7235"}));
}

}  // namespace
