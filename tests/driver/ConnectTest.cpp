// The connection side against the fake: parameter strings, the three server
// types and the codes that steer them, the options after connecting, Check's
// texts and events, the lost-connection path and the disconnect sequence.
#include "ComponentStreaming.h"
#include "FakeLibrary.h"

namespace {

using Calls = std::vector<std::string>;

// The events of a session, in the order they fire.
struct EventLog {
  Calls events;
  void Attach(TAsaSession* s) {
    s->BeforeConnect = [this](TObject*) { events.push_back("BeforeConnect"); };
    s->AfterConnect = [this](TObject*) { events.push_back("AfterConnect"); };
    s->BeforeDisconnect = [this](TObject*) { events.push_back("BeforeDisconnect"); };
    s->AfterDisconnect = [this](TObject*) { events.push_back("AfterDisconnect"); };
    s->OnError = [this](TObject*) { events.push_back("OnError"); };
    s->OnConnectionTerminated = [this](TObject*) { events.push_back("OnConnectionTerminated"); };
  }
};

const std::vector<std::string> ServerCalls = {"db_string_connect", "db_start_engine", "db_start_database",
                                              "db_stop_engine"};

TEST_F(FakeTest, ParameterStrings) {
  struct Case {
    const char* label;
    const char* library;
    TAsaServerType type;
    const char* database;
    const char* engine;
    const char* client;
    Calls expected;
  } cases[] = {
      {"client", "libfakedblib6.so", stClient, "/data/dir/sales.db", "", "",
       {"db_string_connect(eng=sales;dbn=sales;uid=dba;pwd=sql)"}},
      {"version 7 server", "libfakedblib7.so", stServer, "/data/dir/sales.db", "", "",
       {"db_start_engine(start=dbeng6.exe;eng=sales)", "db_start_database(eng=sales;dbf=/data/dir/sales.db;dbn=sales)",
        "db_string_connect(eng=sales;dbf=/data/dir/sales.db;dbn=sales;uid=dba;pwd=sql)"}},
      {"version 7 client", "libfakedblib7.so", stClient, "/data/dir/sales.db", "", "",
       {"db_string_connect(eng=sales;dbn=sales;uid=dba;pwd=sql)"}},
      {"version 6 server", "libfakedblib6.so", stServer, "/data/dir/sales.db", "", "",
       {"db_start_engine(start=dbeng6.exe;eng=sales)", "db_start_database(eng=sales;dbf=/data/dir/sales.db;dbn=sales)",
        "db_string_connect(eng=sales;dbn=sales;uid=dba;pwd=sql)"}},
      {"blank engine", "libfakedblib6.so", stClient, "/data/dir/sales.db", "   ", "",
       {"db_string_connect(eng=sales;dbn=sales;uid=dba;pwd=sql)"}},
      {"engine as typed", "libfakedblib6.so", stClient, "/data/dir/sales.db", " Main Eng ", "",
       {"db_string_connect(eng= Main Eng ;dbn=sales;uid=dba;pwd=sql)"}},
      {"no database", "libfakedblib6.so", stClient, "", "", "", {"db_string_connect(dbn=;uid=dba;pwd=sql)"}},
      {"no database, server", "libfakedblib6.so", stServer, "", "", "links=tcpip",
       {"db_start_engine(start=dbeng6.exe)", "db_start_database(dbf=;dbn=)",
        "db_string_connect(links=tcpip;dbn=;uid=dba;pwd=sql)"}},
      {"client params", "libfakedblib6.so", stClient, "sales", "", "links=tcpip;cs=cp1252",
       {"db_string_connect(eng=sales;links=tcpip;cs=cp1252;dbn=sales;uid=dba;pwd=sql)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    UseFake(c.library);
    TAsaSession* s = NewSession(c.type);
    s->SetLoginDatabase(c.database);
    s->SetLoginEngineName(c.engine);
    s->SetClientParams(c.client);
    s->SetConnected(true);
    EXPECT_TRUE(s->Connected());
    EXPECT_EQ(fake->CallsOf(ServerCalls), c.expected);
    Destroy(s);
  }
}

TEST_F(FakeTest, EmptyLoginValuesStillSendTheirPieces) {
  TAsaSession* s = NewSession();
  s->SetLoginUser("");
  s->SetLoginPassword("");
  s->SetConnected(true);
  EXPECT_EQ(fake->CallsOf(ServerCalls), Calls{"db_string_connect(eng=sales;dbn=sales;uid=;pwd=)"});
}

TEST_F(FakeTest, ServerTypesAndTheCodesThatSteerThem) {
  struct Answer {
    const char* entry;
    int code;
  };
  struct Case {
    const char* label;
    TAsaServerType type;
    std::vector<Answer> answers;
    Calls expected;  // entry names
    int error;       // 0: connects
  } cases[] = {
      {"server starts all", stServer, {}, {"db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"server already runs", stServer, {{"db_start_engine", -96}, {"db_start_database", -77}},
       {"db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"database start tolerated -83", stServer, {{"db_start_database", -83}},
       {"db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"database start tolerated -816", stServer, {{"db_start_database", -816}},
       {"db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"database start tolerated -100", stServer, {{"db_start_database", -100}},
       {"db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"engine start fails", stServer, {{"db_start_engine", -80}}, {"db_start_engine"}, -80},
      {"database fails, started engine stopped", stServer, {{"db_start_database", -82}},
       {"db_start_engine", "db_start_database", "db_stop_engine"}, -82},
      {"database fails, running engine kept", stServer, {{"db_start_engine", -96}, {"db_start_database", -82}},
       {"db_start_engine", "db_start_database"}, -82},
      {"login fails, started engine stopped", stServer, {{"db_string_connect", -103}},
       {"db_start_engine", "db_start_database", "db_string_connect", "db_stop_engine"}, -103},
      {"workgroup up", stWorkgroup, {}, {"db_string_connect"}, 0},
      {"workgroup -100", stWorkgroup, {{"db_string_connect", -100}},
       {"db_string_connect", "db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"workgroup -77", stWorkgroup, {{"db_string_connect", -77}},
       {"db_string_connect", "db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"workgroup -83", stWorkgroup, {{"db_string_connect", -83}},
       {"db_string_connect", "db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"workgroup -75", stWorkgroup, {{"db_string_connect", -75}},
       {"db_string_connect", "db_start_engine", "db_start_database", "db_string_connect"}, 0},
      {"workgroup login fails", stWorkgroup, {{"db_string_connect", -103}}, {"db_string_connect"}, -103},
      {"client", stClient, {}, {"db_string_connect"}, 0},
      {"client no server", stClient, {{"db_string_connect", -100}}, {"db_string_connect"}, -100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fake->Reset();
    for (const Answer& a : c.answers) fake->Script(a.entry, a.code, "refused", "08001");
    TAsaSession* s = NewSession(c.type);
    EventLog log;
    log.Attach(s);
    if (c.error == 0) {
      s->SetConnected(true);
      EXPECT_TRUE(s->Connected());
      EXPECT_EQ(log.events, (Calls{"BeforeConnect", "AfterConnect"}));
    } else {
      try {
        s->SetConnected(true);
        ADD_FAILURE() << "no exception";
      } catch (const EAsaException& e) {
        EXPECT_EQ(e.ErrorCode, c.error);
        EXPECT_EQ(std::string(e.what()), "Error " + std::to_string(c.error) + ": refused (08001)");
      }
      EXPECT_FALSE(s->Connected());
      EXPECT_EQ(log.events, (Calls{"BeforeConnect", "OnError"}));
    }
    Calls names;
    for (const std::string& call : fake->CallsOf(ServerCalls)) names.push_back(call.substr(0, call.find('(')));
    EXPECT_EQ(names, c.expected);
    if (!names.empty() && names.back() == "db_stop_engine") {
      EXPECT_EQ(fake->CallsOf({"db_stop_engine"}), Calls{"db_stop_engine(eng=sales)"});
    }
    Destroy(s);
  }
}

TEST_F(FakeTest, BeforeConnectMayStillChangeTheLogin) {
  TAsaSession* s = NewSession();
  s->BeforeConnect = [s](TObject* sender) {
    EXPECT_EQ(sender, s);
    s->SetLoginUser("late");
  };
  s->SetConnected(true);
  EXPECT_EQ(fake->CallsOf({"db_string_connect"}), Calls{"db_string_connect(eng=sales;dbn=sales;uid=late;pwd=sql)"});
}

TEST_F(FakeTest, OptionsAppliedAfterConnecting) {
  struct Case {
    TAsaTransIsolation isolation;
    bool rowCounts;
    const char* serverRowCounts;
    Calls expected;
  } cases[] = {
      {atUnchanged, false, "OFF", {"dbpp_getoption(0,null,row_counts,da(1,460,30))"}},
      {atReadUncommitted, false, "OFF",
       {"dbpp_setoption(1,null,isolation_level,da(1,460,2:0))", "dbpp_getoption(0,null,row_counts,da(1,460,30))"}},
      {atReadCommitted, true, "OFF",
       {"dbpp_setoption(1,null,isolation_level,da(1,460,2:1))", "dbpp_getoption(0,null,row_counts,da(1,460,30))",
        "dbpp_setoption(1,null,row_counts,da(1,460,3:ON))"}},
      {atReapeatableRead, true, "ON",
       {"dbpp_setoption(1,null,isolation_level,da(1,460,2:2))", "dbpp_getoption(0,null,row_counts,da(1,460,30))"}},
      {atSerializable, false, "ON",
       {"dbpp_setoption(1,null,isolation_level,da(1,460,2:3))", "dbpp_getoption(0,null,row_counts,da(1,460,30))",
        "dbpp_setoption(1,null,row_counts,da(1,460,4:OFF))"}},
      // The comparison is exact: "on" is not the wanted "ON".
      {atUnchanged, true, "on",
       {"dbpp_getoption(0,null,row_counts,da(1,460,30))", "dbpp_setoption(1,null,row_counts,da(1,460,3:ON))"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.isolation));
    fake->Reset();
    fake->SetOption("row_counts", c.serverRowCounts);
    TAsaSession* s = NewSession();
    s->FTransIsolation = c.isolation;
    s->FWantRowCounts = c.rowCounts;
    s->SetConnected(true);
    EXPECT_EQ(fake->CallsOf({"dbpp_setoption", "dbpp_getoption"}), c.expected);
    Destroy(s);
  }
}

TEST_F(FakeTest, FailuresAfterConnectingAreSwallowed) {
  // The isolation level raises (WantExceptions): row counts and AfterConnect
  // are skipped, the session is connected all the same.
  fake->Script("dbpp_setoption", -130, "Invalid statement", "07W02");
  TAsaSession* s = NewSession();
  EventLog log;
  log.Attach(s);
  s->SetWantExceptions(true);
  s->FTransIsolation = atSerializable;
  s->SetConnected(true);
  EXPECT_TRUE(s->Connected());
  EXPECT_EQ(log.events, (Calls{"BeforeConnect", "OnError"}));
  EXPECT_EQ(fake->CallsOf({"dbpp_getoption"}), Calls{});
  Destroy(s);

  s = NewSession();
  log.events.clear();
  log.Attach(s);
  s->AfterConnect = [](TObject*) { throw std::runtime_error("handler failed"); };
  s->SetConnected(true);
  EXPECT_TRUE(s->Connected());
  Destroy(s);  // before the log its handlers write to
}

TEST_F(FakeTest, SettersTalkToTheServerAtOnce) {
  TAsaSession* s = NewSession();
  s->SetConnected(true);
  int mark = fake->Count();
  s->SetTransIsolation(atReadCommitted);
  s->SetTransIsolation(atUnchanged);
  EXPECT_EQ(s->TransIsolation(), atUnchanged);
  s->SetWantRowCounts(true);
  s->SetWantRowCounts(true);  // the server has it now
  EXPECT_TRUE(s->WantRowCounts());
  EXPECT_EQ(fake->Calls(mark, true),
            (Calls{"alloc_sqlda", "dbpp_setoption", "free_sqlda", "alloc_sqlda", "dbpp_getoption", "free_sqlda",
                   "alloc_sqlda", "dbpp_setoption", "free_sqlda", "alloc_sqlda", "dbpp_getoption", "free_sqlda"}));
  EXPECT_EQ(fake->Option("isolation_level"), "1");
  EXPECT_EQ(fake->Option("row_counts"), "ON");

  // A failing option is recorded, fires OnError and still stores the value;
  // with WantExceptions it raises and stores nothing.
  int errors = 0;
  s->OnError = [&](TObject*) { ++errors; };
  fake->Script("dbpp_setoption", -101, "Not connected to a database", "08003");
  s->SetConnected(false);
  s->SetTransIsolation(atSerializable);
  EXPECT_EQ(s->TransIsolation(), atSerializable);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(s->LastError, "Error -101: Not connected to a database (08003)");
  s->SetWantExceptions(true);
  fake->Script("dbpp_setoption", -101, "Not connected to a database", "08003");
  EXPECT_THROW(s->SetTransIsolation(atReadUncommitted), EAsaException);
  EXPECT_EQ(s->TransIsolation(), atSerializable);
  EXPECT_THROW(s->SetTransIsolation(static_cast<TAsaTransIsolation>(9)), EAsaException);

  // Another server type disconnects first.
  s->SetWantExceptions(false);
  s->SetConnected(true);
  s->SetServerType(stClient);
  EXPECT_TRUE(s->Connected());
  s->SetServerType(stWorkgroup);
  EXPECT_FALSE(s->Connected());
  EXPECT_EQ(s->ServerType(), stWorkgroup);
  Destroy(s);
}

TEST_F(FakeTest, GetAndSetOptionValues) {
  TAsaSession* s = NewSession();
  fake->SetOption("blocking", "1234567890123456789012345678901234567890");
  std::string value = "stale";
  EXPECT_TRUE(s->GetOption("blocking", value));
  EXPECT_EQ(value, "123456789012345678901234567890");  // the 30 characters the descriptor holds
  EXPECT_TRUE(s->SetOption("blocking", "Off"));
  EXPECT_EQ(fake->Option("blocking"), "Off");
  fake->Script("dbpp_getoption", -200, "Invalid option 'nosuch'", "42W16");
  EXPECT_FALSE(s->GetOption("nosuch", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(s->LastError, "Error -200: Invalid option 'nosuch' (42W16)");
  s->SetWantExceptions(true);
  fake->Script("dbpp_setoption", -200, "Invalid option 'nosuch'", "42W16");
  EXPECT_THROW(s->SetOption("nosuch", "1"), EAsaException);
  // A value no descriptor can describe is refused before the server sees it.
  EXPECT_THROW(s->SetOption("blocking", std::string(40000, 'x').c_str()), EAsaException);
  EXPECT_EQ(fake->OpenSqldas(), 0);
  // A descriptor the library cannot give is an error, not a crash.
  fake->Script("alloc_sqlda", 0, "", "", 0);
  EXPECT_THROW(s->GetOption("blocking", value), EAsaException);
}

TEST_F(FakeTest, CheckJudgesTheCode) {
  struct Case {
    int code;
    bool raise;
    bool result;
    const char* lastError;
    int errors;
  } cases[] = {
      {0, false, true, "", 0},
      {0, true, true, "", 0},
      {100, false, false, "Warning: Row not found (02000)", 0},
      {100, true, false, "Warning: Row not found (02000)", 0},
      {-141, false, false, "Error -141: Row not found (02000)", 1},
      {-141, true, false, "Error -141: Row not found (02000)", 1},
  };
  TAsaSession* s = NewSession();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + (c.raise ? " raise" : ""));
    int errors = 0;
    s->OnError = [&](TObject* sender) {
      EXPECT_EQ(sender, s);
      EXPECT_EQ(s->LastError, c.lastError);  // already recorded when it fires
      ++errors;
    };
    s->SetWantExceptions(c.raise);
    fake->Script("dbpp_setoption", c.code, "Row not found", "02000");
    bool result = false;
    bool raised = false;
    try {
      result = s->SetOption("x", "1");
    } catch (const EAsaException& e) {
      raised = true;
      EXPECT_EQ(e.ErrorCode, c.code);
      EXPECT_STREQ(e.what(), c.lastError);
    }
    EXPECT_EQ(raised, c.raise && c.code < 0);
    if (!raised) {
      EXPECT_EQ(result, c.result);
    }
    EXPECT_EQ(s->LastError, c.lastError);
    EXPECT_EQ(s->LastErrorCode, c.code);
    EXPECT_EQ(errors, c.errors);
  }
  Destroy(s);
}

TEST_F(FakeTest, LostConnectionDisconnectsAndReports) {
  for (int code : {-101, -308}) {
    for (bool raise : {false, true}) {
      SCOPED_TRACE(std::to_string(code) + (raise ? " raise" : ""));
      fake->Reset();
      TAsaSession* s = NewSession();
      EventLog log;
      s->SetConnected(true);
      log.Attach(s);
      s->SetWantExceptions(raise);
      s->StartTransaction();
      fake->Script("dbpp_commit", code, "Connection terminated", "08003");
      int mark = fake->Count();
      bool raised = false;
      try {
        s->Commit();
      } catch (const EAsaException& e) {
        raised = true;
        EXPECT_EQ(e.ErrorCode, code);
        EXPECT_EQ(std::string(e.what()), "Error " + std::to_string(code) + ": Connection terminated");
      }
      EXPECT_EQ(raised, raise);
      EXPECT_FALSE(s->Connected());
      EXPECT_FALSE(s->InTransaction);  // the lost connection ended it
      EXPECT_EQ(s->LastError, "Error " + std::to_string(code) + ": Connection terminated");
      EXPECT_EQ(s->LastErrorCode, code);
      EXPECT_EQ(log.events, (Calls{"OnError", "BeforeDisconnect", "AfterDisconnect", "OnConnectionTerminated"}));
      EXPECT_EQ(fake->Calls(mark, true),
                (Calls{"dbpp_commit", "dbpp_commit", "db_string_disconnect", "db_register_a_callback",
                       "db_register_a_callback", "db_register_a_callback", "db_register_a_callback"}));
      Destroy(s);
    }
  }
  // Not connected: no disconnect, no termination event, the state text stays.
  TAsaSession* s = NewSession();
  EventLog log;
  log.Attach(s);
  fake->Script("dbpp_commit", -101, "Not connected", "08003");
  s->Commit();
  EXPECT_EQ(log.events, Calls{"OnError"});
  EXPECT_EQ(s->LastError, "Error -101: Not connected (08003)");
  Destroy(s);
}

TEST_F(FakeTest, DisconnectSequence) {
  struct Case {
    const char* label;
    bool commitOnDisconnect;
    int commitCode;
    bool beforeRaises;
    Calls calls;
    Calls events;
  } cases[] = {
      {"commit first", true, 0, false, {"dbpp_commit(0)", "db_string_disconnect(null)"},
       {"BeforeDisconnect", "AfterDisconnect"}},
      {"no commit", false, 0, false, {"db_string_disconnect(null)"}, {"BeforeDisconnect", "AfterDisconnect"}},
      {"commit fails", true, -302, false, {"dbpp_commit(0)", "db_string_disconnect(null)"},
       {"BeforeDisconnect", "AfterDisconnect"}},
      {"handler raises", true, 0, true, {"dbpp_commit(0)"}, {"BeforeDisconnect"}},
  };
  // Whatever ends the block, the callbacks are cleared last.
  const Calls clearCallbacks = {"db_register_a_callback(7,null)", "db_register_a_callback(0,null)",
                                "db_register_a_callback(2,null)", "db_register_a_callback(1,null)"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fake->Reset();
    TAsaSession* s = NewSession();
    s->SetConnected(true);
    s->SetCommitOnDisconnect(c.commitOnDisconnect);
    EventLog log;
    log.Attach(s);
    if (c.beforeRaises)
      s->BeforeDisconnect = [&](TObject*) {
        log.events.push_back("BeforeDisconnect");
        throw std::runtime_error("handler failed");
      };
    if (c.commitCode != 0) fake->Script("dbpp_commit", c.commitCode, "Commit failed", "40000");
    int mark = fake->Count();
    s->SetConnected(false);
    EXPECT_FALSE(s->Connected());
    Calls expected = c.calls;
    expected.insert(expected.end(), clearCallbacks.begin(), clearCallbacks.end());
    EXPECT_EQ(fake->Calls(mark), expected);
    EXPECT_EQ(log.events, c.events);
    EXPECT_EQ(s->LastError, "");  // the commit's outcome is not judged
    // Disconnecting again does nothing.
    mark = fake->Count();
    s->SetConnected(false);
    EXPECT_EQ(fake->Count(), mark);
    Destroy(s);
  }
}

TEST_F(FakeTest, DestroyingAConnectedSessionDisconnectsThenReleases) {
  TAsaSession* s = NewSession();
  s->SetConnected(true);
  int mark = fake->Count();
  Destroy(s);
  EXPECT_EQ(fake->Calls(mark),
            (Calls{"dbpp_commit(0)", "db_string_disconnect(null)", "db_register_a_callback(7,null)",
                   "db_register_a_callback(0,null)", "db_register_a_callback(2,null)",
                   "db_register_a_callback(1,null)", "db_fini()"}));
}

TEST_F(FakeTest, FormFileConnectsWhenLoadedAndWritesOnlyWhatDiffers) {
  sessions.push_back(std::make_unique<TAsaSession>(nullptr));
  TAsaSession* s = sessions.back().get();
  std::string text = WriteComponentToText(s, flbLF);
  EXPECT_NE(text.find("AutoCommit = False"), std::string::npos) << text;
  EXPECT_NE(text.find("Connected = False"), std::string::npos) << text;
  EXPECT_NE(text.find("LibraryFile = 'libdblib6.so'"), std::string::npos) << text;
  EXPECT_NE(text.find("ServerParams = 'start=dbeng6.exe'"), std::string::npos) << text;
  for (const char* defaulted : {"CommitOnDisconnect", "OEMConvert", "ServerType", "TransIsolation",
                                "WantExceptions", "WantRowCounts"})
    EXPECT_EQ(text.find(defaulted), std::string::npos) << defaulted << " written:\n" << text;
  Destroy(s);

  TComponent module(nullptr);
  ReadComponentFromText("object Module: TComponent\n"
                        "  object Db: TAsaSession\n"
                        "    Connected = True\n"
                        "    CommitOnDisconnect = False\n"
                        "    LibraryFile = '" + fakeFile + "'\n"
                        "    LibraryPath = '" + FakeFolder + "'\n"
                        "    LoginDatabase = '/data/dir/sales.db'\n"
                        "    LoginUser = 'dba'\n"
                        "    ServerType = stClient\n"
                        "    TransIsolation = atSerializable\n"
                        "    WantRowCounts = True\n"
                        "  end\n"
                        "end\n",
                        &module, nullptr);
  auto* db = dynamic_cast<TAsaSession*>(module.FindComponent("Db"));
  ASSERT_NE(db, nullptr);
  EXPECT_TRUE(db->Connected());
  EXPECT_FALSE(db->CommitOnDisconnect());
  EXPECT_EQ(db->ServerType(), stClient);
  // Nothing reached the server while the properties were read; everything
  // once loading had finished, in the connect sequence's order.
  EXPECT_EQ(fake->CallsOf({"db_string_connect", "dbpp_setoption"}),
            (Calls{"db_string_connect(eng=sales;dbn=sales;uid=dba;pwd=)",
                   "dbpp_setoption(1,null,isolation_level,da(1,460,2:3))",
                   "dbpp_setoption(1,null,row_counts,da(1,460,3:ON))"}));
}

}  // namespace
