// Server control against the real Embedded SQL libraries, both call forms:
// backups (also while another thread commits), the wait and message events,
// Stop from a second thread, Ping, and starting and stopping a database.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include <sqlite3.h>

#include "OrvAsa.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const std::string LibFolder = std::string(ORV_BINARY_DIR) + "/lib";

class ServerEndToEnd : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    static int counter = 0;
    int n = ++counter;
    dir = fs::temp_directory_path() / ("orvdrv-srv-" + std::to_string(::getpid()) + "-" + std::to_string(n));
    fs::create_directories(dir);
    file = MakeDatabase("test.db");
    engine = "orvsrv" + std::to_string(::getpid()) + "_" + std::to_string(n);
  }
  void TearDown() override {
    TAsaSession* control = NewSession(stClient);
    control->InternalLibraryHandleNeeded();
    for (const std::string& e : {engine, engine + "copy"}) {
      std::string stop = "eng=" + e + ";unconditional=yes";
      ASA_CALL(db_stop_engine, &control->SQLCA, stop.data());
    }
    sessions.clear();
    EXPECT_EQ(LibraryHandle, 0u);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string MakeDatabase(const std::string& name) {
    std::string path = (dir / name).string();
    std::string tool = std::string(ORV_BINARY_DIR) + "/bin/orvinit";
    EXPECT_EQ(std::system((tool + " " + path + " > /dev/null").c_str()), 0);
    return path;
  }

  TAsaSession* NewSession(TAsaServerType type, const std::string& database = "", const std::string& eng = "") {
    sessions.push_back(std::make_unique<TAsaSession>(nullptr));
    TAsaSession* s = sessions.back().get();
    s->SetLibraryPath(LibFolder);
    s->SetLibraryFile(GetParam());
    s->SetServerType(type);
    s->SetLoginEngineName(eng.empty() ? engine : eng);
    s->SetLoginDatabase(database.empty() ? file : database);
    s->SetLoginUser("DBA");
    s->SetLoginPassword("sql");
    return s;
  }

  // Runs a statement; the library's code (0 on success).
  static int32_t Exec(TAsaSession* s, const std::string& sql) {
    std::string text = sql;
    ASA_DBPP(dbpp_execute_imm, &s->SQLCA, text.data(), 2u);
    int32_t code = s->SQLCA.sqlcode;
    s->Check(false);
    return code;
  }
  static void Ok(TAsaSession* s, const std::string& sql) { ASSERT_EQ(Exec(s, sql), 0) << sql << ": " << s->LastError; }
  static int32_t Value(TAsaSession* s, const std::string& sql) {
    std::string text = sql;
    char module[] = "OrvaneDB";
    short stmt = 0;
    ASA_DBPP(dbpp_prepare, &s->SQLCA, nullptr, module, &stmt, text.data(), nullptr, 1u);
    EXPECT_TRUE(s->Check(false)) << s->LastError;
    SQLDA* out = ASA_CALL(alloc_sqlda, 1u);
    int32_t value = -1;
    out->sqld = 1;
    SQLVAR& var = *orv_sqlvar(out, 0);
    var.sqltype = ESQL_INT;
    var.sqllen = 4;
    var.sqldata = &value;
    ASA_DBPP(dbpp_execute_into, &s->SQLCA, nullptr, module, &stmt, nullptr, out);
    EXPECT_TRUE(s->Check(false)) << s->LastError;
    ASA_DBPP(dbpp_dropstmt, &s->SQLCA, nullptr, module, &stmt);
    ASA_CALL(free_sqlda, out);
    return value;
  }
  // The database file's own integrity check.
  static std::string IntegrityOf(const std::string& path) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(db, "pragma integrity_check", -1, &st, nullptr) == SQLITE_OK &&
          sqlite3_step(st) == SQLITE_ROW)
        result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
  }

  fs::path dir;
  std::string file;
  std::string engine;
  std::vector<std::unique_ptr<TAsaSession>> sessions;
};

const char* const LongQuery =
    "select count(*) from (with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000000000) "
    "select i from n) as t";

TEST_P(ServerEndToEnd, BackupWritesEachFileIntoTheFolderAndTheCopyOpens) {
  TAsaSession* s = NewSession(stServer);
  s->SetConnected(true);
  Ok(s, "create table b (x integer)");
  for (int i = 1; i <= 50; ++i) Ok(s, "insert into b values (" + std::to_string(i) + ")");
  Ok(s, "commit");
  fs::create_directories(dir / "backup");
  std::string folder = (dir / "backup").string();  // no trailing separator
  std::map<std::string, std::vector<int32_t>> pages;
  int32_t total = 0;
  s->OnBackup = [&](TObject* sender, const std::string& target, int32_t numOfPages, int32_t currPage) {
    EXPECT_EQ(sender, s);
    pages[target].push_back(currPage);
    total = numOfPages;
  };
  ASSERT_TRUE(s->Backup(folder)) << s->LastError;
  const std::string copy = folder + "/test.db";
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages.begin()->first, copy);
  ASSERT_GT(total, 0);
  std::vector<int32_t> expected(static_cast<size_t>(total));
  for (int32_t i = 0; i < total; ++i) expected[size_t(i)] = i + 1;
  EXPECT_EQ(pages.begin()->second, expected);
  EXPECT_EQ(fs::file_size(copy) % static_cast<uintmax_t>(total), 0u);
  EXPECT_EQ(IntegrityOf(copy), "ok");

  TAsaSession* restored = NewSession(stServer, copy, engine + "copy");
  restored->SetConnected(true);
  EXPECT_EQ(Value(restored, "select count(*) from b"), 50);
  EXPECT_EQ(Value(restored, "select sum(x) from b"), 50 * 51 / 2);
}

TEST_P(ServerEndToEnd, BackupWhileAnotherThreadCommitsIsConsistent) {
  TAsaSession* s = NewSession(stServer);
  s->SetConnected(true);
  Ok(s, "create table pairs (x integer)");
  Ok(s, "commit");
  TAsaSession* writer = NewSession(stClient);
  writer->SetConnected(true);
  // Each transaction adds two rows; a copy holding half of one is torn.
  std::atomic<bool> stop{false};
  std::atomic<int> commits{0};
  std::thread loop([&] {
    for (int i = 1; !stop; ++i) {
      std::string v = std::to_string(i);
      if (Exec(writer, "insert into pairs values (" + v + ")") != 0) break;
      if (Exec(writer, "insert into pairs values (" + v + ")") != 0) break;
      if (Exec(writer, "commit") != 0) break;
      ++commits;
    }
  });
  while (commits < 20) std::this_thread::yield();
  fs::create_directories(dir / "live");
  bool ok = s->Backup((dir / "live").string());
  int before = commits;
  stop = true;
  loop.join();
  ASSERT_TRUE(ok) << s->LastError;
  const std::string copy = (dir / "live" / "test.db").string();
  EXPECT_EQ(IntegrityOf(copy), "ok");
  TAsaSession* restored = NewSession(stServer, copy, engine + "copy");
  restored->SetConnected(true);
  int32_t rows = Value(restored, "select count(*) from pairs");
  EXPECT_EQ(rows % 2, 0);
  EXPECT_GE(rows, 40);
  EXPECT_LE(rows, 2 * before);
  EXPECT_EQ(Value(restored, "select max(x) from pairs") * 2, rows);
  EXPECT_EQ(Value(restored, "select count(distinct x) from pairs") * 2, rows);
}

TEST_P(ServerEndToEnd, BackupIntoAMissingFolderFailsQuietly) {
  TAsaSession* s = NewSession(stServer);
  s->SetConnected(true);
  for (bool raise : {false, true}) {
    SCOPED_TRACE(raise ? "WantExceptions" : "no exceptions");
    s->SetWantExceptions(raise);
    bool result = true;
    EXPECT_NO_THROW(result = s->Backup((dir / "missing").string()));
    EXPECT_FALSE(result);
    EXPECT_FALSE(fs::exists(dir / "missing"));
  }
  // The failed backups were ended: another runs.
  s->SetWantExceptions(false);
  EXPECT_TRUE(s->Backup(dir.string() + "/"));
}

TEST_P(ServerEndToEnd, WaitEventAbortsALongQuery) {
  TAsaSession* s = NewSession(stServer);
  int waits = 0;
  s->OnServerWait = [&](TObject* sender, bool& abortRequest) {
    EXPECT_EQ(sender, s);
    abortRequest = ++waits == 2;
  };
  s->SetConnected(true);
  EXPECT_EQ(Exec(s, LongQuery), -299);
  EXPECT_EQ(waits, 2);
  EXPECT_EQ(s->LastErrorCode, -299);
  EXPECT_EQ(Value(s, "select 5"), 5);  // the connection goes on
}

TEST_P(ServerEndToEnd, StopFromASecondThreadCancelsTheRunningQuery) {
  TAsaSession* s = NewSession(stServer);
  s->SetConnected(true);
  EXPECT_TRUE(s->Stop());  // nothing runs
  std::atomic<int32_t> code{1};
  std::thread runner([&] { code = Exec(s, LongQuery); });
  // The request may not have started yet, or the cancel may land between
  // two steps: repeat until the query has ended.
  int stops = 0;
  while (code == 1) {
    EXPECT_TRUE(s->Stop());
    ++stops;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  runner.join();
  EXPECT_EQ(code.load(), -299);
  EXPECT_GT(stops, 0);
}

TEST_P(ServerEndToEnd, MessageEventGetsTheStatementsTextAndType) {
  TAsaSession* s = NewSession(stServer);
  std::vector<std::pair<TServerMessageType, std::string>> got;
  s->OnServerMessage = [&](TObject* sender, TServerMessageType type, int32_t, const std::string& text) {
    EXPECT_EQ(sender, s);
    got.emplace_back(type, text);
  };
  s->SetConnected(true);
  Ok(s, "message 'plain' to client");
  Ok(s, "message 'careful' type warning to client");
  Ok(s, "message 'do it' type action to client");
  Ok(s, "message 'busy' type status to client");
  Ok(s, "message 'not for the client'");
  Ok(s, "message '" + std::string(40000, 'x') + "' type info to client");
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0], (std::pair<TServerMessageType, std::string>{mtInfo, "plain"}));
  EXPECT_EQ(got[1], (std::pair<TServerMessageType, std::string>{mtWarning, "careful"}));
  EXPECT_EQ(got[2], (std::pair<TServerMessageType, std::string>{mtAction, "do it"}));
  EXPECT_EQ(got[3], (std::pair<TServerMessageType, std::string>{mtStatus, "busy"}));
  EXPECT_EQ(got[4].second, std::string(32766, 'x'));

  // Cleared after connect: silent; assigned after connect: only from the next connect.
  s->OnServerMessage = nullptr;
  Ok(s, "message 'unheard' to client");
  EXPECT_EQ(got.size(), 5u);
  TAsaSession* late = NewSession(stClient);
  late->SetConnected(true);
  late->OnServerMessage = [&](TObject*, TServerMessageType type, int32_t, const std::string& text) {
    got.emplace_back(type, text);
  };
  Ok(late, "message 'too early' to client");
  EXPECT_EQ(got.size(), 5u);
  late->SetConnected(false);
  late->SetConnected(true);
  Ok(late, "message 'now' to client");
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[5].second, "now");
}

TEST_P(ServerEndToEnd, PingOfARunningAndOfAnAbsentEngine) {
  TAsaSession* s = NewSession(stServer);
  std::string params = "eng=" + engine;
  EXPECT_FALSE(s->Ping(params.c_str()));
  EXPECT_EQ(s->LastErrorCode, -100);
  s->SetConnected(true);
  EXPECT_TRUE(s->Ping(params.c_str())) << s->LastError;
  s->SetWantExceptions(true);
  std::string absent = "eng=" + engine + "absent";
  EXPECT_THROW(s->Ping(absent.c_str()), EAsaException);
}

TEST_P(ServerEndToEnd, StartAndStopDatabaseOnADisconnectedSession) {
  TAsaSession* server = NewSession(stServer);
  server->SetConnected(true);
  std::string second = MakeDatabase("second.db");
  TAsaSession* s = NewSession(stClient, second);
  std::string reach = "eng=" + engine + ";dbn=test;uid=DBA;pwd=sql";
  std::string ping = "eng=" + engine + ";dbn=second";
  EXPECT_FALSE(s->Ping(ping.c_str()));
  EXPECT_TRUE(s->StartDatabase(reach.c_str())) << s->LastError;
  EXPECT_TRUE(s->Ping(ping.c_str())) << s->LastError;
  s->SetConnected(true);
  EXPECT_EQ(Value(s, "select 3"), 3);
  try {
    s->StopDatabase(reach.c_str());
    ADD_FAILURE() << "no exception while connected";
  } catch (const EAsaException& e) {
    EXPECT_EQ(std::string(e.what()), "Not allowed while connected to a database");
  }
  s->SetConnected(false);
  EXPECT_TRUE(s->StopDatabase("")) << s->LastError;
  EXPECT_FALSE(s->Ping(ping.c_str()));
  // A database file that does not exist comes back as the library's error.
  TAsaSession* none = NewSession(stClient, (dir / "none.db").string());
  EXPECT_FALSE(none->StartDatabase(reach.c_str()));
  EXPECT_LT(none->LastErrorCode, 0);
}

INSTANTIATE_TEST_SUITE_P(BothCallForms, ServerEndToEnd, ::testing::Values("libdblib6.so", "libdblib7.so"),
                         [](const auto& info) { return std::string(info.param).substr(3, 6); });

}  // namespace
