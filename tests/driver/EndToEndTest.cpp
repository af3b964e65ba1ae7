// The session against the real Embedded SQL libraries, both call forms, on a
// database file made by orvinit: the three server types, a refused login,
// transactions seen from a second session, and options read back.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "CurrentDir.h"
#include "OrvAsa.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const std::string LibFolder = std::string(ORV_BINARY_DIR) + "/lib";

class RealLibraryTest : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    static int counter = 0;
    int n = ++counter;
    dir = fs::temp_directory_path() / ("orvdrv-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(n));
    fs::create_directories(dir);
    file = (dir / "test.db").string();
    std::string tool = std::string(ORV_BINARY_DIR) + "/bin/orvinit";
    ASSERT_EQ(std::system((tool + " " + file + " > /dev/null").c_str()), 0);
    engine = "orvdrv" + std::to_string(::getpid()) + "_" + std::to_string(n);
  }
  void TearDown() override {
    // A server this test left running goes with it.
    TAsaSession* control = NewSession(stClient);
    control->InternalLibraryHandleNeeded();
    std::string stop = "eng=" + engine + ";unconditional=yes";
    ASA_CALL(db_stop_engine, &control->SQLCA, stop.data());
    sessions.clear();
    EXPECT_EQ(LibraryHandle, 0u);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  TAsaSession* NewSession(TAsaServerType type, const std::string& password = "sql") {
    sessions.push_back(std::make_unique<TAsaSession>(nullptr));
    TAsaSession* s = sessions.back().get();
    s->SetLibraryPath(LibFolder);
    s->SetLibraryFile(GetParam());
    s->SetServerType(type);
    s->SetLoginEngineName(engine);
    s->SetLoginDatabase(file);
    s->SetLoginUser("DBA");
    s->SetLoginPassword(password);
    return s;
  }

  // Runs a statement on the session's connection through the bound library.
  static void Exec(TAsaSession* s, const std::string& sql) {
    std::string text = sql;
    ASA_DBPP(dbpp_execute_imm, &s->SQLCA, text.data(), 2u);
    s->Check(true);
  }
  // The single integer a query delivers.
  static int32_t Value(TAsaSession* s, const std::string& sql) {
    std::string text = sql;
    char module[] = "OrvaneDB";
    short stmt = 0;
    ASA_DBPP(dbpp_prepare, &s->SQLCA, nullptr, module, &stmt, text.data(), nullptr, 1u);
    s->Check(true);
    SQLDA* out = ASA_CALL(alloc_sqlda, 1u);
    int32_t value = -1;
    out->sqld = 1;
    SQLVAR& var = *orv_sqlvar(out, 0);
    var.sqltype = ESQL_INT;
    var.sqllen = 4;
    var.sqldata = &value;
    ASA_DBPP(dbpp_execute_into, &s->SQLCA, nullptr, module, &stmt, nullptr, out);
    bool ok = s->Check(false);
    ASA_DBPP(dbpp_dropstmt, &s->SQLCA, nullptr, module, &stmt);
    ASA_CALL(free_sqlda, out);
    EXPECT_TRUE(ok) << s->LastError;
    return value;
  }
  bool ServerRuns(TAsaSession* s) {
    std::string params = "eng=" + engine;
    return s->Ping(params.c_str());
  }

  fs::path dir;
  std::string file;
  std::string engine;
  std::vector<std::unique_ptr<TAsaSession>> sessions;
};

TEST_P(RealLibraryTest, ServerStartedOnDemandThenClientsJoinIt) {
  TAsaSession* server = NewSession(stServer);
  server->SetConnected(true);
  EXPECT_TRUE(server->Connected());
  EXPECT_EQ(LibVersion7, std::string(GetParam()) == "libdblib7.so");
  EXPECT_EQ(Value(server, "select 41 + 1"), 42);

  TAsaSession* client = NewSession(stClient);
  client->SetConnected(true);
  EXPECT_TRUE(client->Connected());
  EXPECT_EQ(Value(client, "select 7"), 7);

  // A second server session finds engine and database running.
  TAsaSession* again = NewSession(stServer);
  again->SetConnected(true);
  EXPECT_TRUE(again->Connected());

  server->SetConnected(false);
  EXPECT_FALSE(server->Connected());
  EXPECT_EQ(Value(client, "select 8"), 8);
  EXPECT_EQ(server->GetLibraryVersion(), std::string(GetParam()) == "libdblib7.so" ? "7.0.1.0" : "6.0.4.0");
}

TEST_P(RealLibraryTest, ClientWithoutServerIsRefused) {
  TAsaSession* client = NewSession(stClient);
  try {
    client->SetConnected(true);
    FAIL() << "no exception";
  } catch (const EAsaException& e) {
    EXPECT_EQ(e.ErrorCode, -100);
  }
  EXPECT_FALSE(client->Connected());
}

TEST_P(RealLibraryTest, WorkgroupStartsTheServerOrJoinsIt) {
  TAsaSession* first = NewSession(stWorkgroup);
  first->SetConnected(true);
  EXPECT_TRUE(first->Connected());
  EXPECT_TRUE(ServerRuns(first));
  TAsaSession* second = NewSession(stWorkgroup);
  second->SetConnected(true);
  EXPECT_TRUE(second->Connected());
  EXPECT_EQ(Value(second, "select 3"), 3);
}

TEST_P(RealLibraryTest, WrongPasswordRaisesTheServerCodeAndStopsTheStartedServer) {
  TAsaSession* s = NewSession(stServer, "wrong");
  int errors = 0;
  s->OnError = [&](TObject*) { ++errors; };
  try {
    s->SetConnected(true);
    FAIL() << "no exception";
  } catch (const EAsaException& e) {
    EXPECT_EQ(e.ErrorCode, -103);
    EXPECT_EQ(std::string(e.what()).rfind("Error -103: ", 0), 0u) << e.what();
    EXPECT_EQ(s->LastError, e.what());
  }
  EXPECT_FALSE(s->Connected());
  EXPECT_EQ(errors, 1);
  EXPECT_FALSE(ServerRuns(s));
  s->OnError = nullptr;
  s->SetLoginPassword("sql");
  s->SetConnected(true);
  EXPECT_TRUE(s->Connected());
}

TEST_P(RealLibraryTest, CommitAndRollbackAreSeenFromASecondSession) {
  TAsaSession* writer = NewSession(stServer);
  writer->SetWantExceptions(true);
  writer->SetConnected(true);
  Exec(writer, "create table items (id int primary key)");
  writer->Commit();
  TAsaSession* reader = NewSession(stClient);
  reader->SetConnected(true);

  writer->StartTransaction();
  Exec(writer, "insert into items values (1)");
  EXPECT_EQ(Value(reader, "select count(*) from items"), 0);
  writer->Commit();
  EXPECT_FALSE(writer->InTransaction);
  EXPECT_EQ(Value(reader, "select count(*) from items"), 1);

  writer->StartTransaction();
  Exec(writer, "insert into items values (2)");
  EXPECT_EQ(Value(writer, "select count(*) from items"), 2);
  writer->Rollback();
  EXPECT_EQ(Value(writer, "select count(*) from items"), 1);
  EXPECT_EQ(Value(reader, "select count(*) from items"), 1);

  // Disconnecting commits unless told not to.
  Exec(writer, "insert into items values (3)");
  writer->SetConnected(false);
  EXPECT_EQ(Value(reader, "select count(*) from items"), 2);
  writer->SetCommitOnDisconnect(false);
  writer->SetConnected(true);
  Exec(writer, "insert into items values (4)");
  writer->SetConnected(false);
  EXPECT_EQ(Value(reader, "select count(*) from items"), 2);
}

TEST_P(RealLibraryTest, OptionsReadBack) {
  TAsaSession* s = NewSession(stServer);
  s->SetTransIsolation(atSerializable);  // not connected: recorded, stored
  EXPECT_NE(s->LastErrorCode, 0);
  s->SetWantRowCounts(true);
  s->SetConnected(true);
  std::string value;
  EXPECT_TRUE(s->GetOption("isolation_level", value));
  EXPECT_EQ(value, "3");
  EXPECT_TRUE(s->GetOption("row_counts", value));
  EXPECT_EQ(value, "ON");
  s->SetTransIsolation(atReadCommitted);
  EXPECT_TRUE(s->GetOption("isolation_level", value));
  EXPECT_EQ(value, "1");
  s->SetWantRowCounts(false);
  EXPECT_TRUE(s->GetOption("row_counts", value));
  EXPECT_EQ(value, "OFF");
  EXPECT_FALSE(s->GetOption("no_such_option", value));
  EXPECT_LT(s->LastErrorCode, 0);
}

TEST_P(RealLibraryTest, LostConnectionEndsTheSession) {
  TAsaSession* s = NewSession(stServer);
  s->SetConnected(true);
  int terminated = 0;
  s->OnConnectionTerminated = [&](TObject*) { ++terminated; };
  TAsaSession* control = NewSession(stClient);
  control->InternalLibraryHandleNeeded();
  std::string stop = "eng=" + engine + ";dbn=test;unconditional=yes";
  ASA_CALL(db_stop_database, &control->SQLCA, stop.data());
  ASSERT_TRUE(control->Check(false)) << control->LastError;
  s->Commit();
  EXPECT_EQ(s->LastErrorCode, -308);
  EXPECT_FALSE(s->Connected());
  EXPECT_EQ(terminated, 1);
  s->OnConnectionTerminated = nullptr;
}

INSTANTIATE_TEST_SUITE_P(BothCallForms, RealLibraryTest, ::testing::Values("libdblib6.so", "libdblib7.so"),
                         [](const auto& info) { return std::string(info.param).substr(3, 6); });

TEST(RealLibraryDefaults, DefaultFileFoundByTheSearch) {
  // The current folder is one the search looks in; the folder it was found in
  // is remembered.
  TCurrentDirGuard guard;
  ASSERT_TRUE(guard.Change(LibFolder));
  auto s = std::make_unique<TAsaSession>(nullptr);
  EXPECT_EQ(s->LibraryFile(), "libdblib6.so");
  EXPECT_EQ(s->LibraryPath(), "");
  EXPECT_EQ(s->ServerType(), stServer);
  EXPECT_EQ(s->ServerParams(), "start=dbeng6.exe");
  EXPECT_TRUE(s->CommitOnDisconnect());
  s->InternalLibraryHandleNeeded();
  EXPECT_TRUE(LibVersion6);
  EXPECT_EQ(s->LibraryDirectory, LibFolder + "/");
  EXPECT_EQ(s->GetLibraryVersion(), "6.0.4.0");
  std::string params = "eng=orvdrv-none-" + std::to_string(::getpid());
  EXPECT_FALSE(s->Ping(params.c_str()));
  EXPECT_EQ(s->LastErrorCode, -100);
  s.reset();
  EXPECT_EQ(LibraryHandle, 0u);
}

}  // namespace
