// Statements: codes of a table of statements, describe, host variables,
// SELECT ... INTO, options and transactions.
#include "EsqlFixture.h"

namespace {

class Statements : public EsqlTest {};

TEST_F(Statements, TableOfStatementsAndCodes) {
  struct Case {
    const char* sql;
    int code;
    int count;
  } cases[] = {
      {"create table t (id integer primary key, name varchar(20) not null, v double)", 0, 0},
      {"create table t (x int)", -110, 0},
      {"insert into t values (1, 'a', 1.5)", 0, 1},
      {"insert into t values (1, 'b', 2)", -193, 0},
      {"insert into t (id) values (2)", -195, 0},
      {"create unique index tv on t (v)", 0, 0},
      {"insert into t values (5, 'e', 1.5)", -196, 0},
      {"insert into nosuch values (1)", -141, 0},
      {"select nosuchcol from t", -143, 0},
      {"selec 1", -131, 0},
      {"select 'open", -131, 0},
      {"insert into t values (2, 'b', 2); insert into t values (3, 'c', 3)", 0, 1},
      {"update t set v = v + 10", 0, 3},
      {"delete from t where id = 99", 0, 0},
      {"create variable cv integer", 0, 0},
      {"create variable cv integer", -261, 0},
      {"set cv = 40 + 2", 0, 0},
      {"set nosuchvar = 1", -260, 0},
      {"drop variable nosuch", -260, 0},
      {"set option row_counts = 'ON'", 0, 0},
      {"set option no_such_option = 1", -200, 0},
      {"set option isolation_level = 7", -201, 0},
      {"begin transaction", 0, 0},
      {"commit work", 0, 0},
      {"rollback", 0, 0},
      {"", 0, 0},
  };
  for (const auto& c : cases) {
    DBPP(dbpp_execute_imm, &ca_, C(c.sql), 2);
    EXPECT_EQ(ca_.sqlcode, c.code) << c.sql << ": " << Message(ca_);
    if (c.code == 0) {
      EXPECT_EQ(ca_.sqlerrd[2], c.count) << c.sql;
    }
  }
  // The failed insert of the duplicate key left nothing behind.
  Desc out(1, ESQL_INT, 4);
  short n = Prepare("select count(*) from t");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &n, nullptr, out.da);
  EXPECT_EQ(out.Int(0), 3);
  // A variable is read by name where no column has that name.
  n = Prepare("select cv * 2");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &n, nullptr, out.da);
  EXPECT_EQ(out.Int(0), 84);
}

TEST_F(Statements, DescribeMapsDeclaredTypes) {
  Ok("create table d (i integer, s smallint, ti tinyint, bi bigint, db double, r real, "
     "dc decimal(10,4), c char(5), vc varchar(40) not null, lv long varchar, b binary(8), "
     "lb long binary, dt date, tm time, ts timestamp, bt bit)");
  short n = Prepare("select d.*, count(*) over () as cnt, 'abc', 1.5 from d");
  SQLDA* probe = alloc_sqlda(0);
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &n, probe, 9);
  EXPECT_EQ(probe->sqld, 19);
  EXPECT_EQ(ca_.sqlerrd[2], 1);  // fixed result shape
  free_sqlda(probe);
  SQLDA* da = alloc_sqlda(19);
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &n, da, 1);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  ASSERT_EQ(da->sqld, 19);
  struct Want {
    const char* name;
    int type;
    int len;
  } want[] = {
      {"i", 497, 4},     {"s", 501, 2},     {"ti", 605, 1},          {"bi", 609, 8},
      {"db", 481, 8},    {"r", 483, 4},     {"dc", 485, 10 | 4 << 8}, {"c", 453, 5},
      {"vc", 448, 40},   {"lv", 457, -1},   {"b", 525, 8},            {"lb", 529, -1},
      {"dt", 385, -1},   {"tm", 389, -1},   {"ts", 393, -1},          {"bt", 625, 1},
      {"cnt", 457, -1},  {"'abc'", 449, 3}, {"1.5", 481, 8},
  };
  for (int i = 0; i < 19; ++i) {
    SQLVAR& v = *orv_sqlvar(da, i);
    EXPECT_EQ(std::string(v.sqlname.data, static_cast<size_t>(v.sqlname.length)), want[i].name);
    EXPECT_EQ(v.sqltype, want[i].type) << want[i].name;
    if (want[i].len >= 0) {
      EXPECT_EQ(v.sqllen, want[i].len) << want[i].name;
    }
  }
  free_sqlda(da);

  // Input variables: their number and names.
  n = Prepare("select * from d where i = ? and vc = :who");
  SQLDA* in = alloc_sqlda(0);
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &n, in, 2);
  EXPECT_EQ(in->sqld, 2);
  free_sqlda(in);
  in = alloc_sqlda(2);
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &n, in, 2);
  EXPECT_EQ(orv_sqlvar(in, 0)->sqlname.length, 0);
  EXPECT_EQ(std::string(orv_sqlvar(in, 1)->sqlname.data, 3), "who");
  free_sqlda(in);
}

TEST_F(Statements, HostValuesRoundTripInEveryBufferFormat) {
  Ok("create table h (i integer, s varchar(20), d double, ts timestamp, b binary(10), bt bit, n integer)");
  short ins = Prepare("insert into h values (?, ?, ?, ?, ?, ?, ?)");
  Desc in(7, ESQL_INT, 4);
  in.PutInt(0, -123456);
  in.PutStr(1, "hello");
  in.Set(2, ESQL_DOUBLE, 8);
  double d = 2.5;
  std::memcpy(in.slots[2].data.data(), &d, 8);
  in.Set(3, ESQL_TIMESTAMP_STRUCT, 14);
  SQLDATETIME ts{2000, 2, 0, 0, 1, 13, 45, 30, 250};
  std::memcpy(in.slots[3].data.data(), &ts, 14);
  in.Set(4, ESQL_BINARY, 12);
  uint16_t blen = 3;
  std::memcpy(in.slots[4].data.data(), &blen, 2);
  std::memcpy(in.slots[4].data.data() + 2, "\x01\x00\x02", 3);
  in.Set(5, ESQL_BIT, 1);
  in.slots[5].data[0] = 1;
  in.Set(6, ESQL_INT, 4);
  in.PutNull(6);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, in.da, nullptr);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  EXPECT_EQ(ca_.sqlerrd[2], 1);

  short sel = Prepare("select i, s, d, ts, b, bt, n into :a, :b, :c, :d, :e, :f, :g from h where i = ?");
  SQLDA* probe = alloc_sqlda(0);
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &sel, probe, 2);
  EXPECT_EQ(probe->sqld, 1);  // INTO targets are outputs, not inputs
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &sel, probe, 1);
  EXPECT_EQ(probe->sqld, 7);
  free_sqlda(probe);
  Desc key(1, ESQL_INT, 4);
  key.PutInt(0, -123456);
  Desc out(7, ESQL_INT, 4);
  out.Set(1, ESQL_STRING, 21);
  out.Set(2, ESQL_DOUBLE, 8);
  out.Set(3, ESQL_TIMESTAMP_STRUCT, 14);
  out.Set(4, ESQL_BINARY, 12);
  out.Set(5, ESQL_BIT, 1);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &sel, key.da, out.da);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  EXPECT_EQ(out.Int(0), -123456);
  EXPECT_EQ(out.Str(1), "hello");
  EXPECT_EQ(out.Dbl(2), 2.5);
  SQLDATETIME back;
  std::memcpy(&back, out.slots[3].data.data(), 14);
  // Packed fields are copied out before comparing (no references to them).
  unsigned year = back.year, month = back.month, dow = back.day_of_week, doy = back.day_of_year;
  unsigned day = back.day, hour = back.hour, second = back.second, fraction = back.fraction;
  EXPECT_EQ(year, 2000u);
  EXPECT_EQ(month, 2u);
  EXPECT_EQ(dow, 3u);        // 1 March 2000 was a Wednesday
  EXPECT_EQ(doy, 60u);
  EXPECT_EQ(day, 1u);
  EXPECT_EQ(hour, 13u);
  EXPECT_EQ(second, 30u);
  EXPECT_EQ(fraction, 250u);  // milliseconds
  std::memcpy(&blen, out.slots[4].data.data(), 2);
  EXPECT_EQ(blen, 3);
  EXPECT_EQ(std::memcmp(out.slots[4].data.data() + 2, "\x01\x00\x02", 3), 0);
  EXPECT_EQ(out.slots[5].data[0], 1);
  EXPECT_EQ(out.Ind(6), -1);

  key.PutInt(0, 7);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &sel, key.da, out.da);
  EXPECT_EQ(ca_.sqlcode, 100);

  // Cut text: the indicator holds the full length, the code says so.
  out.Set(1, ESQL_STRING, 3);
  key.PutInt(0, -123456);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &sel, key.da, out.da);
  EXPECT_EQ(ca_.sqlcode, 101);
  EXPECT_EQ(out.Str(1), "he");
  EXPECT_EQ(out.Ind(1), 5);
}

TEST_F(Statements, OptionsAreKeptPerConnection) {
  auto get = [&](const char* name) {
    Desc v(1, ESQL_STRING, 31);
    DBPP(dbpp_getoption, &ca_, 0, nullptr, C(name), v.da);
    return ca_.sqlcode == 0 ? v.Str(0) : "error " + std::to_string(ca_.sqlcode);
  };
  auto set = [&](const char* name, const std::string& value) {
    Desc v(1, ESQL_STRING, 31);
    v.PutStr(0, value);
    DBPP(dbpp_setoption, &ca_, 1, nullptr, C(name), v.da);
    return ca_.sqlcode;
  };
  EXPECT_EQ(get("isolation_level"), "0");
  EXPECT_EQ(get("row_counts"), "OFF");
  EXPECT_EQ(set("row_counts", "on"), 0);
  EXPECT_EQ(get("ROW_COUNTS"), "ON");
  EXPECT_EQ(set("isolation_level", "3"), 0);
  EXPECT_EQ(get("isolation_level"), "3");
  EXPECT_EQ(set("date_format", "DD.MM.YYYY"), 0);
  EXPECT_EQ(get("date_format"), "DD.MM.YYYY");
  EXPECT_EQ(set("no_such_option", "1"), -200);
  EXPECT_EQ(get("no_such_option"), "error -200");
  EXPECT_EQ(set("row_counts", "maybe"), -201);
  SQLCA other;
  db_init(&other);
  Connect(other);
  Desc v(1, ESQL_STRING, 31);
  DBPP(dbpp_getoption, &other, 0, nullptr, C("row_counts"), v.da);
  EXPECT_EQ(v.Str(0), "OFF");
  db_string_disconnect(&other, nullptr);
  db_fini(&other);
}

TEST_F(Statements, TransactionsBeginImplicitlyAndEndWithCommitOrRollback) {
  Ok("create table tx (a integer)");
  Ok("commit");
  SQLCA other;
  db_init(&other);
  Connect(other);
  auto count = [&](SQLCA& ca) {
    Desc out(1, ESQL_INT, 4);
    short n = Prepare("select count(*) from tx", &ca);
    DBPP(dbpp_execute_into, &ca, nullptr, C("m"), &n, nullptr, out.da);
    DBPP(dbpp_dropstmt, &ca, nullptr, C("m"), &n);
    return out.Int(0);
  };
  Ok("insert into tx values (1)");
  EXPECT_EQ(count(ca_), 1);
  EXPECT_EQ(count(other), 0);  // not committed yet
  DBPP(dbpp_commit, &ca_, 0);
  EXPECT_EQ(count(other), 1);
  Ok("insert into tx values (2)");  // the next transaction begins by itself
  DBPP(dbpp_rollback, &ca_, 0);
  EXPECT_EQ(count(ca_), 1);
  Ok("insert into tx values (3)");
  db_string_disconnect(&ca_, nullptr);  // uncommitted work is rolled back
  EXPECT_EQ(count(other), 1);
  db_string_disconnect(&other, nullptr);
  db_fini(&other);
}

TEST_F(Statements, ConnectionVariablesAndPieces) {
  Ok("create table blobs (id integer, data long binary)");
  // The driver's sequence: create, reset, append pieces, use, drop.
  Ok("create variable blobparam2 long binary");
  Ok("set blobparam2=''");
  short app = Prepare("set blobparam2=blobparam2 || :blob_host");
  SQLDA* probe = alloc_sqlda(1);
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &app, probe, 2);
  EXPECT_EQ(probe->sqld, 1);
  EXPECT_EQ(std::string(orv_sqlvar(probe, 0)->sqlname.data, 9), "blob_host");
  free_sqlda(probe);
  std::string value;
  for (int i = 0; i < 40000; ++i) value += static_cast<char>(i * 7);
  Desc piece(1, ESQL_BINARY, 32767);
  for (size_t off = 0; off < value.size(); off += 32765) {
    uint16_t n = static_cast<uint16_t>(std::min<size_t>(32765, value.size() - off));
    std::memcpy(piece.slots[0].data.data(), &n, 2);
    std::memcpy(piece.slots[0].data.data() + 2, value.data() + off, n);
    DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &app, piece.da, nullptr);
    ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  }
  short ins = Prepare("insert into blobs values (?, ?)");
  Desc in(2, ESQL_INT, 4);
  in.PutInt(0, 1);
  static char name[] = "blobparam2";
  in[1].sqltype = ESQL_VARIABLE;
  in[1].sqldata = name;
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, in.da, nullptr);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  Ok("drop variable blobparam2");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &ins, in.da, nullptr);
  EXPECT_EQ(ca_.sqlcode, -260);  // the variable is gone

  short sel = Prepare("select length(data), data from blobs where id = 1");
  Desc out(2, ESQL_INT, 4);
  out.Set(1, ESQL_BINARY, 32767);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &sel, nullptr, out.da);
  EXPECT_EQ(ca_.sqlcode, 101);  // longer than the buffer
  EXPECT_EQ(out.Int(0), 40000);
  EXPECT_EQ(out.Ind(1), 32767);

  // A NULL piece makes the whole value NULL, as || does in SQL.
  Ok("create variable v2 long varchar");
  Ok("set v2 = 'abc'");
  short app2 = Prepare("set v2 = v2 || :p");
  Desc nul(1, ESQL_STRING, 2);
  nul.PutNull(0);
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &app2, nul.da, nullptr);
  Desc isnull(1, ESQL_INT, 4);
  short q = Prepare("select v2 is null");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &q, nullptr, isnull.da);
  EXPECT_EQ(isnull.Int(0), 1);
}

}  // namespace
