// Bad input gives codes, never a crash: null pointers, wrong descriptors,
// wrong order, dropped statements; and two threads writing at once.
#include "EsqlFixture.h"

#include <thread>

namespace {

class BadInput : public EsqlTest {
protected:
  void SetUp() override {
    EsqlTest::SetUp();
    Ok("create table t (a integer, b varchar(10))");
    Ok("insert into t values (1, 'x')");
    Ok("commit");
  }
};

TEST_F(BadInput, NullPointersAndWrongOrder) {
  // No SQLCA at all: nothing to report into, and nothing breaks.
  DBPP(dbpp_execute_imm, nullptr, C("select 1"), 2);
  EXPECT_EQ(db_string_connect(nullptr, nullptr), 0u);
  EXPECT_EQ(sqlerror_message(&ca_, nullptr, 10), nullptr);
  free_sqlda(nullptr);
  EXPECT_EQ(alloc_sqlda(40000), nullptr);

  short n = 0;
  DBPP(dbpp_prepare, &ca_, nullptr, C("m"), nullptr, C("select 1"), nullptr, 1);
  EXPECT_EQ(ca_.sqlcode, -643);
  DBPP(dbpp_prepare, &ca_, nullptr, C("m"), &n, nullptr, nullptr, 1);
  EXPECT_EQ(ca_.sqlcode, -643);
  DBPP(dbpp_execute_imm, &ca_, nullptr, 2);
  EXPECT_EQ(ca_.sqlcode, -643);
  DBPP(dbpp_prepare, &ca_, nullptr, C("m"), &n, C("select 1; select 2"), nullptr, 1);
  EXPECT_EQ(ca_.sqlcode, -131);

  short s = Prepare("select a, b from t");
  DBPP(dbpp_dropstmt, &ca_, nullptr, C("m"), &s);
  struct Call {
    const char* what;
    std::function<void()> call;
    int code;
  } calls[] = {
      {"execute dropped", [&] { DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &s, nullptr, nullptr); }, -130},
      {"describe dropped", [&] { SQLDA* d = alloc_sqlda(2); DBPP(dbpp_describe, &ca_, nullptr, C("m"), &s, d, 1); free_sqlda(d); }, -130},
      {"drop twice", [&] { DBPP(dbpp_dropstmt, &ca_, nullptr, C("m"), &s); }, -130},
      {"declare dropped", [&] { DBPP(dbpp_declare, &ca_, C("c"), nullptr, C("m"), &s, 6); }, -130},
      {"fetch undeclared", [&] { DBPP(dbpp_fetch_array, &ca_, C("zz"), 2, 1, nullptr, nullptr, 0, 1); }, -170},
      {"fetch null name", [&] { DBPP(dbpp_fetch_array, &ca_, nullptr, 2, 1, nullptr, nullptr, 0, 1); }, -643},
      {"update undeclared", [&] { DBPP(dbpp_update, &ca_, C("zz"), nullptr); }, -170},
      {"option null name", [&] { DBPP(dbpp_setoption, &ca_, 1, nullptr, nullptr, nullptr); }, -643},
      {"backup page first", [&] { db_backup(&ca_, 3, 0, 0, nullptr); }, -697},
      {"backup bad op", [&] { db_backup(&ca_, 9, 0, 0, nullptr); }, -643},
      {"callback index", [&] { db_register_a_callback(&ca_, 5, nullptr); }, -643},
  };
  for (const auto& c : calls) {
    c.call();
    EXPECT_EQ(ca_.sqlcode, c.code) << c.what << ": " << Message(ca_);
  }
}

TEST_F(BadInput, WrongDescriptorContents) {
  Open("c", "select a, b from t", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  Desc one(1, ESQL_INT, 4);  // too few entries for two columns
  DBPP(dbpp_fetch_array, &ca_, C("c"), 1, 1, one.da, nullptr, 0, 1);
  EXPECT_EQ(ca_.sqlcode, -640);
  DBPP(dbpp_fetch_array, &ca_, C("c"), 1, 1, nullptr, nullptr, 0, 1);
  EXPECT_EQ(ca_.sqlcode, -640);
  DBPP(dbpp_fetch_array, &ca_, C("c"), 3, 1, one.da, nullptr, 0, 1);
  EXPECT_EQ(ca_.sqlcode, -643);  // no such fetch kind
  Desc bad(2, ESQL_INT, 4);
  bad.Set(1, 999, 4);
  DBPP(dbpp_fetch_array, &ca_, C("c"), 1, 1, bad.da, nullptr, 0, 1);
  EXPECT_EQ(ca_.sqlcode, -641);
  Desc nodata(2, ESQL_INT, 4);
  nodata[1].sqldata = nullptr;
  DBPP(dbpp_fetch_array, &ca_, C("c"), 1, 1, nodata.da, nullptr, 0, 1);
  EXPECT_EQ(ca_.sqlcode, -642);
  Desc lying(2, ESQL_INT, 4);
  lying.da->sqld = 5;  // more in use than allocated
  DBPP(dbpp_fetch_array, &ca_, C("c"), 1, 1, lying.da, nullptr, 0, 1);
  EXPECT_EQ(ca_.sqlcode, -640);

  short ins = Prepare("insert into t values (?, ?)");
  Desc few(1, ESQL_INT, 4);
  few.PutInt(0, 5);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, few.da, nullptr);
  EXPECT_EQ(ca_.sqlcode, -188);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, nullptr, nullptr);
  EXPECT_EQ(ca_.sqlcode, -188);
  Desc in(2, ESQL_INT, 4);
  in.PutInt(0, 5);
  in[1].sqldata = nullptr;  // a value is required: the indicator says not NULL
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, in.da, nullptr);
  EXPECT_EQ(ca_.sqlcode, -642);
  in.Set(1, ESQL_BINARY, 4);
  uint16_t hostile = 60000;  // a length beyond the buffer
  std::memcpy(in.slots[1].data.data(), &hostile, 2);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, in.da, nullptr);
  EXPECT_EQ(ca_.sqlcode, -640);
  in.Set(1, 0, 4);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, in.da, nullptr);
  EXPECT_EQ(ca_.sqlcode, -641);
  in.Set(1, ESQL_TIMESTAMP_STRUCT, 14);
  SQLDATETIME bogus{2020, 13, 0, 0, 40, 25, 0, 0, 0};
  std::memcpy(in.slots[1].data.data(), &bogus, 14);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, in.da, nullptr);
  EXPECT_EQ(ca_.sqlcode, -157);

  // A value beyond the target's range is an error, not a wrapped number.
  Ok("insert into t values (5000000000, 'big')");
  short q = Prepare("select a from t where b = 'big'");
  Desc out(1, ESQL_INT, 4);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &q, nullptr, out.da);
  EXPECT_EQ(ca_.sqlcode, -158);
  // NULL into an entry without indicator storage.
  Ok("insert into t values (null, 'nul')");
  q = Prepare("select a from t where b = 'nul'");
  SQLDA* noind = alloc_sqlda_noind(1);
  noind->sqld = 1;
  int32_t x = 0;
  orv_sqlvar(noind, 0)->sqltype = ESQL_INT;
  orv_sqlvar(noind, 0)->sqllen = 4;
  orv_sqlvar(noind, 0)->sqldata = &x;
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &q, nullptr, noind);
  EXPECT_EQ(ca_.sqlcode, -642);
  free_sqlda_noind(noind);
}

TEST_F(BadInput, AFailedStatementWritesNothing) {
  Ok("create table u (k integer primary key)");
  Ok("insert into u values (3)");
  Ok("commit");
  // The third row collides: none of the rows of the statement stay.
  EXPECT_EQ(Exec("insert into u select a from (select 1 as a union all select 2 union all select 3)"), -193);
  Ok("commit");
  Desc out(1, ESQL_INT, 4);
  short q = Prepare("select count(*) from u");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &q, nullptr, out.da);
  EXPECT_EQ(out.Int(0), 1);
}

TEST_F(BadInput, TwoThreadsWriting) {
  Ok("create table w (who integer, n integer)");
  Ok("commit");
  // A writer waiting on another gets a lock error after a bounded wait.
  SQLCA other;
  db_init(&other);
  Connect(other);
  Ok("set option blocking_timeout = 200", &other);
  Ok("insert into w values (0, 0)");  // holds the write lock, uncommitted
  std::thread blocked([&] {
    DBPP(dbpp_execute_imm, &other, C("insert into w values (9, 9)"), 2);
  });
  blocked.join();
  EXPECT_EQ(other.sqlcode, -210) << Message(other);
  Ok("commit");
  Ok("insert into w values (9, 9)", &other);
  Ok("commit", &other);
  db_string_disconnect(&other, nullptr);
  db_fini(&other);

  // Two writers, each its own SQLCA and thread, retrying on lock errors.
  auto writer = [this](int who, int* failures) {
    SQLCA ca;
    db_init(&ca);
    db_string_connect(&ca, C(ConnectString()));
    for (int i = 0; i < 40; ++i) {
      for (;;) {
        std::string sql = "insert into w values (" + std::to_string(who) + ", " + std::to_string(i) + ")";
        DBPP(dbpp_execute_imm, &ca, C(sql), 2);
        if (ca.sqlcode == 0) DBPP(dbpp_commit, &ca, 0);
        if (ca.sqlcode == 0) break;
        if (ca.sqlcode != -210) {
          ++*failures;
          break;
        }
        DBPP(dbpp_rollback, &ca, 0);
      }
    }
    db_string_disconnect(&ca, nullptr);
    db_fini(&ca);
  };
  int f1 = 0, f2 = 0;
  std::thread a(writer, 1, &f1), b(writer, 2, &f2);
  a.join();
  b.join();
  EXPECT_EQ(f1 + f2, 0);
  Desc out(1, ESQL_INT, 4);
  short q = Prepare("select count(*) from w where who in (1, 2)");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &q, nullptr, out.da);
  EXPECT_EQ(out.Int(0), 80);
}

}  // namespace
