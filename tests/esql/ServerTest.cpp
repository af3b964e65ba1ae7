// Server services: online backup page by page, the four callbacks (the wait
// callback also during a long query), cancelling a running request, and the
// engine's messages when it starts or stops a database.
#include "EsqlFixture.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

namespace {

class Server : public EsqlTest {};

TEST_F(Server, BackupGivesAConsistentCopy) {
  Ok("create table b (x integer, y varchar(100))");
  for (int i = 0; i < 200; ++i) Ok("insert into b values (" + std::to_string(i) + ", 'row " + std::to_string(i) + "')");
  Ok("commit");
  Ok("insert into b values (999, 'not committed')");  // a backup holds committed work only

  db_backup(&ca_, 1, 0, 0, nullptr);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  int pageSize = ca_.sqlerrd[2];
  ASSERT_GT(pageSize, 0);
  db_backup(&ca_, 2, 1, 0, nullptr);  // the database has only file 0
  EXPECT_LT(ca_.sqlcode, 0);
  db_backup(&ca_, 2, 0, 0, nullptr);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  int pages = ca_.sqlerrd[2];
  std::string name(ca_.sqlerrmc, static_cast<size_t>(ca_.sqlerrml));
  EXPECT_NE(name.find("test.db"), std::string::npos);
  // Writes after the start do not reach the copy.
  Ok("commit");
  Ok("insert into b values (1000, 'after start')");
  Ok("commit");
  Desc page(1, ESQL_BINARY, static_cast<int16_t>(pageSize + 2));
  std::string copy = (dir_ / "backup.db").string();
  {
    std::ofstream out(copy, std::ios::binary);
    for (int p = 0; p < pages; ++p) {
      db_backup(&ca_, 3, 0, static_cast<uint32_t>(p), page.da);
      ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
      uint16_t n;
      std::memcpy(&n, page.slots[0].data.data(), 2);
      out.write(page.slots[0].data.data() + 2, n);
    }
  }
  db_backup(&ca_, 3, 0, static_cast<uint32_t>(pages), page.da);
  EXPECT_LT(ca_.sqlcode, 0);  // past the last page
  db_backup(&ca_, 4, 0, 0, nullptr);
  EXPECT_EQ(ca_.sqlcode, 0);
  db_backup(&ca_, 5, 0, 0, nullptr);
  EXPECT_EQ(ca_.sqlcode, 0);

  // The copy is a database of its own with the rows committed at the start.
  SQLCA other;
  db_init(&other);
  ASSERT_NE(db_string_connect(&other, C("eng=" + engine_ + ";dbn=copy;dbf=" + copy + ";uid=DBA;pwd=sql")), 0u)
      << Message(other);
  Desc out(2, ESQL_INT, 4);
  short q = Prepare("select count(*), max(x) from b", &other);
  DBPP(dbpp_execute_into, &other, nullptr, C("m"), &q, nullptr, out.da);
  EXPECT_EQ(out.Int(0), 200);
  EXPECT_EQ(out.Int(1), 199);
  db_string_disconnect(&other, nullptr);
  db_fini(&other);
}

struct Seen {
  int starts = 0, finishes = 0, waits = 0;
  std::vector<std::pair<int, std::string>> messages;
};
Seen g_seen;
void OnStart(SQLCA*) { ++g_seen.starts; }
void OnFinish(SQLCA*) { ++g_seen.finishes; }
void OnWait(SQLCA*) { ++g_seen.waits; }
void OnMessage(SQLCA*, unsigned short type, int32_t, unsigned short len, const char* text) {
  g_seen.messages.emplace_back(type, std::string(text, len));
}

TEST_F(Server, CallbacksAroundRequestsWaitsAndMessages) {
  g_seen = Seen{};
  db_register_a_callback(&ca_, ESQL_CB_START, reinterpret_cast<void (*)(void)>(&OnStart));
  db_register_a_callback(&ca_, ESQL_CB_FINISH, reinterpret_cast<void (*)(void)>(&OnFinish));
  db_register_a_callback(&ca_, ESQL_CB_MESSAGE, reinterpret_cast<void (*)(void)>(&OnMessage));
  Ok("message 'hello' || ' there' type warning to client");
  Ok("message 'only the server log'");
  EXPECT_EQ(g_seen.starts, 2);
  EXPECT_EQ(g_seen.finishes, 2);
  ASSERT_EQ(g_seen.messages.size(), 1u);
  EXPECT_EQ(g_seen.messages[0].first, 1);
  EXPECT_EQ(g_seen.messages[0].second, "hello there");
  db_register_a_callback(&ca_, ESQL_CB_START, nullptr);
  Ok("select 1");
  EXPECT_EQ(g_seen.starts, 2);

  // The wait callback runs while a statement waits for another's lock.
  Ok("create table l (x integer)");
  Ok("commit");
  SQLCA other;
  db_init(&other);
  Connect(other);
  db_register_a_callback(&other, ESQL_CB_WAIT, reinterpret_cast<void (*)(void)>(&OnWait));
  Ok("set option blocking_timeout = 100", &other);
  Ok("insert into l values (1)");
  EXPECT_EQ(Exec("insert into l values (2)", &other), -210);
  EXPECT_GT(g_seen.waits, 0);
  db_string_disconnect(&other, nullptr);
  db_fini(&other);
}

TEST_F(Server, CancelStopsARunningRequest) {
  EXPECT_EQ(db_is_working(&ca_), 0);
  EXPECT_EQ(db_cancel_request(&ca_), 0);  // nothing to cancel
  int code = 0;
  std::thread runner([&] {
    SQLCA* ca = &ca_;
    DBPP(dbpp_execute_imm, ca,
         C("with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000000000) "
           "select count(*) from n"),
         2);
    code = ca->sqlcode;
  });
  for (int i = 0; i < 500 && !db_is_working(&ca_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(db_is_working(&ca_), 1);
  // The interrupt can land between two steps; repeat until it takes.
  while (db_is_working(&ca_)) {
    db_cancel_request(&ca_);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  runner.join();
  EXPECT_EQ(code, -299);
  Ok("select 1");  // the connection goes on
}

// Counts the wait calls and cancels from inside the callback at the third.
std::atomic<int> g_waits{0};
void CancelAtThirdWait(SQLCA* ca) {
  if (++g_waits == 3) db_cancel_request(ca);
}

TEST_F(Server, WaitCallbackRunsDuringALongQueryAndMayCancelIt) {
  Ok("create table w (i integer)");
  Ok("commit");
  g_waits = 0;
  db_register_a_callback(&ca_, ESQL_CB_WAIT, reinterpret_cast<void (*)(void)>(&CancelAtThirdWait));
  int code = Exec(
      "insert into w with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000000000) "
      "select i from n");
  EXPECT_EQ(code, -299) << Message(ca_);
  EXPECT_EQ(g_waits.load(), 3);
  Ok("commit");
  db_register_a_callback(&ca_, ESQL_CB_WAIT, nullptr);
  Desc out(1, ESQL_INT, 4);
  short q = Prepare("select count(*) from w");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &q, nullptr, out.da);
  EXPECT_EQ(out.Int(0), 0);  // nothing of the cancelled insert stays
  // A short request after the wait has been cleared runs undisturbed.
  g_waits = 0;
  Ok("select 1");
  EXPECT_EQ(g_waits.load(), 0);
}

TEST_F(Server, StartingAndStoppingADatabaseSendsTheEnginesMessages) {
  std::string second = (dir_ / "second.db").string();
  orvesql::CreateDatabaseFile(second, "DBA", "sql");
  g_seen = Seen{};
  SQLCA other;
  db_init(&other);
  db_register_a_callback(&other, ESQL_CB_MESSAGE, reinterpret_cast<void (*)(void)>(&OnMessage));
  ASSERT_NE(db_start_database(&other, C("eng=" + engine_ + ";dbf=" + second + ";dbn=second")), 0u)
      << Message(other);
  ASSERT_NE(db_stop_database(&other, C("eng=" + engine_ + ";dbn=second")), 0u) << Message(other);
  ASSERT_EQ(g_seen.messages.size(), 2u);
  EXPECT_EQ(g_seen.messages[0], (std::pair<int, std::string>{0, "Database \"second\" started"}));
  EXPECT_EQ(g_seen.messages[1], (std::pair<int, std::string>{0, "Database \"second\" stopped"}));
  // A failed start sends nothing.
  EXPECT_EQ(db_start_database(&other, C("eng=" + engine_ + ";dbf=" + (dir_ / "none.db").string())), 0u);
  EXPECT_EQ(g_seen.messages.size(), 2u);
  db_fini(&other);
}

}  // namespace
