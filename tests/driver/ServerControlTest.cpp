// Server control against the fake: the callbacks' registration and release,
// the routines behind the events, the entry pools, the backup loop, Ping's
// fallback, starting and stopping a database, and Stop.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "AsaCallbacks.h"
#include "FakeLibrary.h"

namespace {

using Calls = std::vector<std::string>;
using LibraryCallback = void (*)(void);

class ServerControl : public FakeTest {
protected:
  // The routine the fake holds for a callback index.
  LibraryCallback Registered(int index) {
    auto fn = reinterpret_cast<decltype(&fake_callback)>(GetProcAddress(fake->Handle(), "fake_callback"));
    return fn(index);
  }
  Calls Registrations(int from = 0) { return fake->CallsOf({"db_register_a_callback"}, from); }
};

TEST_F(ServerControl, ConnectRegistersOnlyAssignedEventsAndDisconnectClearsAllFour) {
  TAsaSession* s = NewSession();
  s->SetConnected(true);
  EXPECT_EQ(Registrations(), Calls{});
  s->SetConnected(false);
  const Calls clears = {"db_register_a_callback(7,null)", "db_register_a_callback(0,null)",
                        "db_register_a_callback(2,null)", "db_register_a_callback(1,null)"};
  EXPECT_EQ(Registrations(), clears);

  int from = fake->Count();
  s->OnServerMessage = [](TObject*, TServerMessageType, int32_t, const std::string&) {};
  s->OnServerWait = [](TObject*, bool&) {};
  s->OnServerFinish = [](TObject*) {};
  s->OnServerStart = [](TObject*) {};
  s->SetConnected(true);
  EXPECT_EQ(Registrations(from), (Calls{"db_register_a_callback(0,fn)", "db_register_a_callback(2,fn)",
                                        "db_register_a_callback(1,fn)", "db_register_a_callback(7,fn)"}));
  EXPECT_NE(s->StartCallback, nullptr);
  EXPECT_NE(s->MessageCallback, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(Registered(0)), s->StartCallback);
  EXPECT_EQ(reinterpret_cast<void*>(Registered(2)), s->FinishCallback);
  EXPECT_EQ(reinterpret_cast<void*>(Registered(1)), s->WaitCallback);
  EXPECT_EQ(reinterpret_cast<void*>(Registered(7)), s->MessageCallback);
  std::set<void*> distinct{s->StartCallback, s->FinishCallback, s->WaitCallback, s->MessageCallback};
  EXPECT_EQ(distinct.size(), 4u);

  from = fake->Count();
  s->SetConnected(false);
  EXPECT_EQ(Registrations(from), clears);
  EXPECT_EQ(s->StartCallback, nullptr);
  EXPECT_EQ(s->FinishCallback, nullptr);
  EXPECT_EQ(s->WaitCallback, nullptr);
  EXPECT_EQ(s->MessageCallback, nullptr);
  EXPECT_EQ(Registered(0), nullptr);
}

TEST_F(ServerControl, DesignModeRegistersAndClearsNothing) {
  TAsaSession* s = NewSession();
  s->SetDesigning(true);
  s->OnServerStart = [](TObject*) {};
  s->SetConnected(true);
  s->SetConnected(false);
  EXPECT_EQ(Registrations(), Calls{});
  EXPECT_EQ(s->StartCallback, nullptr);
}

TEST_F(ServerControl, CallbacksFireTheEventsOfTheirOwnSession) {
  TAsaSession* a = NewSession();
  TAsaSession* b = NewSession();
  std::vector<std::string> log;
  auto attach = [&](TAsaSession* s, const std::string& name) {
    s->OnServerStart = [&log, name, s](TObject* sender) { log.push_back(name + " start" + (sender == s ? "" : "?")); };
    s->OnServerFinish = [&log, name, s](TObject* sender) { log.push_back(name + " finish" + (sender == s ? "" : "?")); };
  };
  attach(a, "a");
  attach(b, "b");
  a->SetConnected(true);
  auto aStart = reinterpret_cast<esql_callback_fn>(a->StartCallback);
  auto aFinish = reinterpret_cast<esql_callback_fn>(a->FinishCallback);
  b->SetConnected(true);
  SQLCA ca{};
  aStart(&ca);
  reinterpret_cast<esql_callback_fn>(Registered(0))(&ca);  // b registered last
  aFinish(&ca);
  EXPECT_EQ(log, (Calls{"a start", "b start", "a finish"}));

  // An event cleared after connect silences its callback.
  a->OnServerStart = nullptr;
  aStart(&ca);
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(ServerControl, WaitCallbackCancelsTheRequestOfThePassedSqlca) {
  TAsaSession* s = NewSession();
  bool abort = false;
  int waits = 0;
  s->OnServerWait = [&](TObject*, bool& abortRequest) {
    ++waits;
    EXPECT_FALSE(abortRequest);
    abortRequest = abort;
  };
  s->SetConnected(true);
  auto wait = reinterpret_cast<esql_callback_fn>(s->WaitCallback);
  SQLCA other{};
  int from = fake->Count();
  wait(&other);
  EXPECT_EQ(fake->Find("db_cancel_request", from), -1);
  abort = true;
  wait(&other);
  int at = fake->Find("db_cancel_request", from);
  ASSERT_NE(at, -1);
  EXPECT_EQ(fake->Sqlca(at), &other);
  EXPECT_EQ(waits, 2);
}

TEST_F(ServerControl, MessageCallbackMapsTypesAndCutsLongTexts) {
  TAsaSession* s = NewSession();
  struct Got {
    TServerMessageType type;
    int32_t code;
    std::string text;
  };
  std::vector<Got> got;
  s->OnServerMessage = [&](TObject* sender, TServerMessageType type, int32_t code, const std::string& text) {
    EXPECT_EQ(sender, s);
    got.push_back({type, code, text});
  };
  s->SetConnected(true);
  auto message = reinterpret_cast<esql_message_fn>(s->MessageCallback);
  SQLCA ca{};
  struct Case {
    unsigned short type;
    TServerMessageType expected;
  } types[] = {{0, mtInfo}, {1, mtWarning}, {2, mtAction}, {3, mtStatus}, {4, mtUnknown}, {5, mtUnknown}};
  for (const Case& c : types) {
    message(&ca, c.type, -7, 5, "hello");
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().type, c.expected) << c.type;
    EXPECT_EQ(got.back().code, -7);
    EXPECT_EQ(got.back().text, "hello");
  }
  // The passed length, a zero byte and 32,766 characters each end the text.
  message(&ca, 0, 1, 3, "hello");
  EXPECT_EQ(got.back().text, "hel");
  message(&ca, 0, 1, 9, "hi\0there");
  EXPECT_EQ(got.back().text, "hi");
  std::string longText(40000, 'x');
  message(&ca, 0, 1, 40000, longText.c_str());
  EXPECT_EQ(got.back().text.size(), AsaMaxServerMessage);
  message(&ca, 0, 1, 0, nullptr);
  EXPECT_EQ(got.back().text, "");
}

struct Bound {
  TAsaSession* session = nullptr;
  SQLCA* sqlca = nullptr;
  TAsaMessageRecord message{};
  int calls = 0;
};
Bound bound;
void RecordOne(TAsaSession* session, const void* record) {
  bound.session = session;
  bound.sqlca = static_cast<const TAsaSqlcaRecord*>(record)->Sqlca;
  ++bound.calls;
}
void RecordMessage(TAsaSession* session, const void* record) {
  bound.session = session;
  std::memcpy(&bound.message, record, sizeof bound.message);
  ++bound.calls;
}

TEST(CallbackPool, The315thEntryOpensASecondPageAndEntriesAreReused) {
  TCallbackEntryPool pool(TCallbackEntryPool::OneArgument);
  EXPECT_EQ(pool.PageCount(), 0);
  std::vector<void*> entries;
  for (int i = 0; i < 314; ++i)
    entries.push_back(pool.Acquire(RecordOne, reinterpret_cast<TAsaSession*>(uintptr_t(0x1000 + i))));
  EXPECT_EQ(pool.PageCount(), 1);
  entries.push_back(pool.Acquire(RecordOne, reinterpret_cast<TAsaSession*>(uintptr_t(0x1000 + 314))));
  EXPECT_EQ(pool.PageCount(), 2);
  EXPECT_EQ(std::set<void*>(entries.begin(), entries.end()).size(), entries.size());
  // The entries of the second page lie outside the first.
  auto first = reinterpret_cast<uintptr_t>(entries[0]);
  auto last = reinterpret_cast<uintptr_t>(entries[314]);
  EXPECT_GE(std::max(first, last) - std::min(first, last), TCallbackEntryPool::PageSize / 2);

  // Every entry calls its routine with its own session and the argument.
  for (size_t i : {size_t(0), size_t(157), size_t(313), size_t(314)}) {
    SQLCA ca{};
    bound = {};
    reinterpret_cast<esql_callback_fn>(entries[i])(&ca);
    EXPECT_EQ(bound.calls, 1);
    EXPECT_EQ(bound.session, reinterpret_cast<TAsaSession*>(uintptr_t(0x1000 + i)));
    EXPECT_EQ(bound.sqlca, &ca);
  }

  // A released entry is the next one handed out; foreign and null ones are ignored.
  pool.Release(entries[100]);
  pool.Release(nullptr);
  int local = 0;
  pool.Release(&local);
  EXPECT_EQ(pool.Acquire(RecordOne, nullptr), entries[100]);
  EXPECT_EQ(pool.PageCount(), 2);
  pool.FreePages();
  EXPECT_EQ(pool.PageCount(), 0);
  pool.Release(entries[5]);  // after the pages are gone: nothing to do
}

TEST(CallbackPool, MessageEntriesPassTheFiveArgumentsPacked) {
  TCallbackEntryPool pool(TCallbackEntryPool::Message);
  auto* session = reinterpret_cast<TAsaSession*>(uintptr_t(0xABC0));
  auto entry = reinterpret_cast<esql_message_fn>(pool.Acquire(RecordMessage, session));
  SQLCA ca{};
  const char* text = "text";
  bound = {};
  entry(&ca, 0xFFFE, -123456, 0xFFFD, text);
  EXPECT_EQ(bound.calls, 1);
  EXPECT_EQ(bound.session, session);
  // Copied out of the packed record before comparing (no references into it).
  SQLCA* sqlca = bound.message.Sqlca;
  uint16_t type = bound.message.MessageType;
  int32_t code = bound.message.MessageCode;
  uint16_t length = bound.message.Length;
  const char* passed = bound.message.Text;
  EXPECT_EQ(sqlca, &ca);
  EXPECT_EQ(type, 0xFFFE);
  EXPECT_EQ(code, -123456);
  EXPECT_EQ(length, 0xFFFD);
  EXPECT_EQ(passed, text);
}

TEST_F(ServerControl, PingFallsBackToFindEngineWithTheEngineName) {
  UseFake("libfakenoping.so");
  TAsaSession* s = NewSession();
  struct Case {
    const char* params;
    const char* expected;
  } cases[] = {{"links=tcpip;ENG=Main;dbn=x", "db_find_engine(Main)"},
               {"eng=Solo", "db_find_engine(Solo)"},
               {"links=tcpip", "db_find_engine(links=tcpip)"}};
  for (const Case& c : cases) {
    int from = fake->Count();
    EXPECT_TRUE(s->Ping(c.params));
    EXPECT_EQ(fake->CallsOf({"db_find_engine", "db_string_ping_server"}, from), Calls{c.expected});
  }
}

TEST_F(ServerControl, PingOfTheNewerLibraryAndItsError) {
  TAsaSession* s = NewSession();
  EXPECT_TRUE(s->Ping("eng=Main"));
  EXPECT_EQ(fake->CallsOf({"db_find_engine", "db_string_ping_server"}), Calls{"db_string_ping_server(eng=Main,0)"});
  fake->Script("db_string_ping_server", -100, "Database server not found");
  EXPECT_FALSE(s->Ping("eng=Gone"));
  s->SetWantExceptions(true);
  fake->Script("db_string_ping_server", -100, "Database server not found");
  EXPECT_THROW(s->Ping("eng=Gone"), EAsaException);
}

class Backup : public ServerControl {
protected:
  void SetUp() override {
    ServerControl::SetUp();
    folder = std::filesystem::temp_directory_path() / ("orv-srv-backup-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    std::filesystem::remove_all(folder);
    ServerControl::TearDown();
  }
  // Scripts the db_backup answers in call order: code, message, count.
  void Answers(std::initializer_list<std::tuple<int, const char*, int>> answers) {
    for (auto& [code, message, count] : answers) fake->Script("db_backup", code, message, "00000", 1, count);
  }
  static std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  Calls BackupCalls(int from) { return fake->CallsOf({"db_backup", "alloc_sqlda", "free_sqlda"}, from); }
  std::filesystem::path folder;
};

TEST_F(Backup, CopiesEachFileUntilTheFirstFailureThenTheLogs) {
  TAsaSession* s = NewSession();
  s->SetConnected(true);
  std::vector<std::string> events;
  s->OnBackup = [&](TObject*, const std::string& file, int32_t pages, int32_t page) {
    events.push_back(file + " " + std::to_string(page) + "/" + std::to_string(pages));
  };
  Answers({{0, "", 4},                                // start: page size 4
           {0, "  /srv/data/sales.db  ", 3},          // open file 0
           {0, "", 0}, {0, "", 0}, {0, "", 0},        // three pages
           {0, "", 0},                                // close file 0
           {0, "C:\\data\\sales.d01", 1},             // open file 1
           {0, "", 0}, {0, "", 0},                    // a page, close
           {-101, "no such file", 0},                 // open file 2 fails
           {0, "/srv/data/sales.log", 0},             // open -1: no pages
           {0, "", 0},                                // close -1
           {-101, "no mirror", 0}});                  // open -2 fails
  std::string dir = folder.string();  // no trailing separator
  int from = fake->Count();
  EXPECT_TRUE(s->Backup(dir));
  EXPECT_EQ(BackupCalls(from),
            (Calls{"db_backup(1,0,0,null)", "alloc_sqlda(1)", "db_backup(2,0,0,null)", "db_backup(3,0,0,da(1,524,6))",
                   "db_backup(3,0,1,da(1,524,6))", "db_backup(3,0,2,da(1,524,6))", "db_backup(4,0,0,null)",
                   "db_backup(2,1,0,null)", "db_backup(3,1,0,da(1,524,6))", "db_backup(4,1,0,null)",
                   "db_backup(2,2,0,null)", "db_backup(2,-1,0,null)", "db_backup(4,-1,0,null)",
                   "db_backup(2,-2,0,null)", "free_sqlda(da)", "db_backup(5,0,0,null)"}));
  const std::string target = dir + "/sales.db";
  EXPECT_EQ(Read(target), "aaaabbbbcccc");
  EXPECT_EQ(Read(dir + "/sales.d01"), "aaaa");
  EXPECT_TRUE(std::filesystem::exists(dir + "/sales.log"));
  EXPECT_EQ(events, (Calls{target + " 1/3", target + " 2/3", target + " 3/3", dir + "/sales.d01 1/1"}));
}

TEST_F(Backup, FailuresStillCloseAndEnd) {
  TAsaSession* s = NewSession();
  s->SetConnected(true);
  {
    SCOPED_TRACE("file 0 cannot be opened");
    int from = fake->Count();
    Answers({{0, "", 4}, {-101, "none", 0}});
    EXPECT_FALSE(s->Backup(folder.string()));
    EXPECT_EQ(fake->CallsOf({"db_backup"}, from),
              (Calls{"db_backup(1,0,0,null)", "db_backup(2,0,0,null)", "db_backup(5,0,0,null)"}));
  }
  {
    SCOPED_TRACE("missing folder");
    int from = fake->Count();
    Answers({{0, "", 4}, {0, "sales.db", 2}});
    EXPECT_FALSE(s->Backup((folder / "missing").string()));
    EXPECT_EQ(fake->CallsOf({"db_backup"}, from),
              (Calls{"db_backup(1,0,0,null)", "db_backup(2,0,0,null)", "db_backup(4,0,0,null)",
                     "db_backup(5,0,0,null)"}));
  }
  {
    SCOPED_TRACE("a page read raising with WantExceptions");
    s->SetWantExceptions(true);
    int from = fake->Count();
    Answers({{0, "", 4}, {0, "sales.db", 2}, {-300, "read error", 0}});
    EXPECT_FALSE(s->Backup(folder.string()));
    EXPECT_EQ(fake->CallsOf({"db_backup"}, from),
              (Calls{"db_backup(1,0,0,null)", "db_backup(2,0,0,null)", "db_backup(3,0,0,da(1,524,6))",
                     "db_backup(4,0,0,null)", "db_backup(5,0,0,null)"}));
    s->SetWantExceptions(false);
  }
  {
    SCOPED_TRACE("a failed page read without exceptions is skipped");
    int from = fake->Count();
    Answers({{0, "", 4}, {0, "sales.db", 2}, {-300, "read error", 0}, {0, "", 0}, {0, "", 0}, {-101, "", 0},
             {-101, "", 0}, {-101, "", 0}});
    EXPECT_TRUE(s->Backup(folder.string()));
    EXPECT_EQ(Read(folder / "sales.db"), "bbbb");
    EXPECT_EQ(fake->Find("db_backup(5", from) > 0, true);
  }
  {
    SCOPED_TRACE("a page length beyond the page size fails the file");
    int from = fake->Count();
    fake->Script("db_backup", 0, "", "00000", 1, 4);
    fake->Script("db_backup", 0, "sales.db", "00000", 1, 1);
    fake->Script("db_backup", 0, "", "00000", 9, 0);  // length 9 into a 4-byte page
    EXPECT_FALSE(s->Backup(folder.string()));
    EXPECT_EQ(fake->CallsOf({"db_backup"}, from).back(), "db_backup(5,0,0,null)");
  }
  {
    SCOPED_TRACE("a failed start");
    int from = fake->Count();
    Answers({{-101, "not connected", 0}});
    EXPECT_FALSE(s->Backup(folder.string()));
    EXPECT_EQ(fake->CallsOf({"db_backup"}, from), Calls{"db_backup(1,0,0,null)"});
  }
}

TEST_F(ServerControl, StartAndStopDatabase) {
  TAsaSession* s = NewSession();
  s->SetLoginEngineName("Main");
  const Calls names = {"db_string_connect", "db_string_disconnect", "db_start_database", "db_stop_database"};
  struct Case {
    const char* label;
    bool start;
    const char* params;
    int firstCode;
    Calls expected;
  } cases[] = {
      {"start with a connection", true, "eng=Main;uid=dba", 0,
       {"db_string_connect(eng=Main;uid=dba)", "db_start_database(eng=Main;dbf=/data/dir/sales.db;dbn=sales)",
        "db_string_disconnect(eng=Main;uid=dba)"}},
      {"stop without params", false, "  ", 0, {"db_stop_database(eng=Main;dbf=/data/dir/sales.db;dbn=sales)"}},
      {"no server: connect with the engine and retry", true, "", -100,
       {"db_start_database(eng=Main;dbf=/data/dir/sales.db;dbn=sales)", "db_string_connect(eng=Main)",
        "db_start_database(eng=Main;dbf=/data/dir/sales.db;dbn=sales)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    int from = fake->Count();
    if (c.firstCode != 0) fake->Script(c.start ? "db_start_database" : "db_stop_database", c.firstCode, "");
    EXPECT_TRUE(c.start ? s->StartDatabase(c.params) : s->StopDatabase(c.params));
    EXPECT_EQ(fake->CallsOf(names, from), c.expected);
  }
  {
    SCOPED_TRACE("the connection fails");
    int from = fake->Count();
    fake->Script("db_string_connect", -103, "Invalid user ID or password");
    EXPECT_FALSE(s->StartDatabase("uid=x"));
    EXPECT_EQ(fake->CallsOf(names, from), Calls{"db_string_connect(uid=x)"});
  }
  {
    SCOPED_TRACE("the action fails: still disconnected, raised with WantExceptions");
    s->SetWantExceptions(true);
    int from = fake->Count();
    fake->Script("db_stop_database", -83, "Specified database not found");
    EXPECT_THROW(s->StopDatabase("uid=dba"), EAsaException);
    EXPECT_EQ(fake->CallsOf(names, from),
              (Calls{"db_string_connect(uid=dba)", "db_stop_database(eng=Main;dbf=/data/dir/sales.db;dbn=sales)",
                     "db_string_disconnect(uid=dba)"}));
    s->SetWantExceptions(false);
  }
  s->SetConnected(true);
  try {
    s->StartDatabase("");
    ADD_FAILURE() << "no exception on a connected session";
  } catch (const EAsaException& e) {
    EXPECT_STREQ(e.what(), "Not allowed while connected to a database");
  }
  EXPECT_THROW(s->StopDatabase("eng=Main"), EAsaException);
}

TEST_F(ServerControl, StopCancelsOnlyARunningRequest) {
  TAsaSession* s = NewSession();
  s->SetConnected(true);
  int from = fake->Count();
  EXPECT_TRUE(s->Stop());
  EXPECT_EQ(fake->Find("db_cancel_request", from), -1);
  fake->Script("db_is_working", 0, "", "00000", 1);
  EXPECT_TRUE(s->Stop());
  EXPECT_NE(fake->Find("db_cancel_request", from), -1);
}

}  // namespace
