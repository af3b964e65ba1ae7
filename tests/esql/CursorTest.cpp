// Cursors: every fetch direction and the position after it, blocks,
// unidirectional limits, row counts, positioned changes, piecewise reads.
#include "EsqlFixture.h"

namespace {

class Cursors : public EsqlTest {
protected:
  void SetUp() override {
    EsqlTest::SetUp();
    Ok("create table r (id integer primary key, name varchar(10), note long varchar)");
    for (int i = 1; i <= 10; ++i)
      Ok("insert into r values (" + std::to_string(i) + ", 'n" + std::to_string(i) + "', null)");
    Ok("commit");
  }
  // Fetches into a block of `rows` (id only) and returns the ids delivered.
  // Columns after the first are read as text.
  std::vector<int> Fetch(const char* cur, unsigned kind, int offset, unsigned rows = 1, int cols = 1) {
    Desc d(static_cast<int>(rows) * cols, ESQL_INT, 4);
    for (int i = 0; i < d.da->sqld; ++i)
      if (i % cols) d.Set(i, ESQL_STRING, 20);
    DBPP(dbpp_fetch_array, &ca_, C(cur), kind, offset, d.da, nullptr, 0, rows);
    std::vector<int> ids;
    if (ca_.sqlcode < 0) return {-ca_.sqlcode * 1000};
    for (int i = 0; i < ca_.sqlerrd[2]; ++i) ids.push_back(d.Int(i * cols));
    return ids;
  }
};

using V = std::vector<int>;

TEST_F(Cursors, EveryFetchDirectionAndThePositionAfterIt) {
  Open("c", "select id from r order by id", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  struct Step {
    unsigned kind;
    int offset;
    unsigned rows;
    V ids;
    int code;
  } steps[] = {
      {1, 1, 3, {1, 2, 3}, 0},
      {2, 0, 1, {3}, 0},          // a block leaves the cursor on its last row
      {2, 1, 3, {4, 5, 6}, 0},
      {2, -1, 1, {5}, 0},         // every relative move leaves from the block's last row
      {2, -3, 1, {2}, 0},
      {2, 1, 1, {3}, 0},
      {1, -1, 1, {10}, 0},
      {2, 1, 1, {}, 100},         // after the last row
      {2, -1, 1, {10}, 0},
      {1, 0, 1, {}, 100},         // before the first row
      {2, 1, 1, {1}, 0},
      {1, 11, 1, {}, 100},
      {2, -1, 1, {10}, 0},
      {1, -3, 5, {8, 9, 10}, 0},  // a block cut by the end still delivers
      {2, -20, 1, {}, 100},
      {2, 1, 1, {1}, 0},
      {1, 7, 1, {7}, 0},
      {2, 2, 2, {9, 10}, 0},
  };
  int i = 0;
  for (const auto& s : steps) {
    EXPECT_EQ(Fetch("c", s.kind, s.offset, s.rows), s.ids) << "step " << i;
    EXPECT_EQ(ca_.sqlcode, s.code) << "step " << i;
    ++i;
  }
  DBPP(dbpp_close, &ca_, C("c"));
  EXPECT_EQ(ca_.sqlcode, 0);
  EXPECT_EQ(Fetch("c", 2, 1), V{180000});  // closed: -180
}

// A client that keeps a block of rows and moves inside it, fetching the next
// block forward (relative +1) or the row before its block backward (relative
// -rows of the block, as the cursor stands on the block's last row) at its
// edges, sees every row exactly once each way.
TEST_F(Cursors, BlockWalkForwardAndBackSeesEveryRowInOrder) {
  Open("walk", "select id from r order by id", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  Desc block(4, ESQL_INT, 4);
  int row = 0, count = 0;
  auto fetch = [&](int offset, unsigned rows) {
    DBPP(dbpp_fetch_array, &ca_, C("walk"), 2, offset, block.da, nullptr, 0, rows);
    count = ca_.sqlcode == 100 ? 0 : ca_.sqlerrd[2];
  };
  auto next = [&] {
    if (row < count - 1) return block.Int(++row);
    fetch(1, 4);
    row = 0;
    return count ? block.Int(0) : 0;
  };
  auto prev = [&] {
    if (row > 0) return block.Int(--row);
    fetch(-(count ? count : 1), 1);  // past the end the cursor stands after the last row
    row = count ? count - 1 : 0;
    return count ? block.Int(row) : 0;
  };
  EXPECT_EQ(next(), 1);
  EXPECT_EQ(prev(), 0);  // before the first row, in one step
  std::vector<int> forward, backward;
  for (int id; (id = next()) != 0;) forward.push_back(id);
  for (int id; (id = prev()) != 0;) backward.push_back(id);
  EXPECT_EQ(forward, (V{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(backward, (V{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST_F(Cursors, CommitAndRollbackWithCursorsOpen) {
  Open("s", "select id from r order by id", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  Open("u", "select id from r order by id", ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL);
  EXPECT_EQ(Fetch("s", 1, 1), V{1});
  EXPECT_EQ(Fetch("u", 2, 1), V{1});
  Ok("update r set name = 'changed' where id = 5");
  DBPP(dbpp_commit, &ca_, 0);
  EXPECT_EQ(ca_.sqlcode, 0) << Message(ca_);
  EXPECT_EQ(Fetch("s", 2, 1), V{2});  // both cursors go on after the commit
  EXPECT_EQ(Fetch("u", 2, 1), V{2});
  Ok("delete from r where id = 10");
  DBPP(dbpp_rollback, &ca_, 0);
  EXPECT_EQ(ca_.sqlcode, 0) << Message(ca_);
  EXPECT_EQ(Fetch("s", 1, -1), V{10});
}

TEST_F(Cursors, UnidirectionalStreamsForwardOnly) {
  Open("u", "select id from r order by id", ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL);
  EXPECT_EQ(Fetch("u", 2, 1, 4), (V{1, 2, 3, 4}));
  EXPECT_EQ(Fetch("u", 2, 0), V{4});
  EXPECT_EQ(Fetch("u", 2, 2, 2), (V{6, 7}));
  EXPECT_EQ(Fetch("u", 2, -1), V{668000});
  EXPECT_EQ(Fetch("u", 1, 1), V{668000});
  EXPECT_EQ(Fetch("u", 2, 1, 25), (V{8, 9, 10}));
  EXPECT_EQ(Fetch("u", 2, 1), V{});
  EXPECT_EQ(ca_.sqlcode, 100);
}

TEST_F(Cursors, RowCountsExactWhenAskedEstimatedOtherwise) {
  int est = Open("a", "select id from r where id > 3", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  EXPECT_LE(est, 0);
  EXPECT_GE(-est, 7);
  Ok("set option row_counts = 'ON'");
  EXPECT_EQ(Open("b", "select id from r where id > 3 -- a comment at the end", ESQL_CUR_READONLY | ESQL_CUR_SCROLL), 7);
  EXPECT_EQ(Open("e", "select id from r where id > 30", ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL), 0);
}

TEST_F(Cursors, NamesDeclarationsAndOrder) {
  Open("x", "select id from r", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  short n = Prepare("select name from r");
  DBPP(dbpp_declare, &ca_, C("x"), nullptr, C("m"), &n, 6);
  EXPECT_EQ(ca_.sqlcode, -172);
  DBPP(dbpp_open, &ca_, C("x"), nullptr, C("m"), &n, nullptr, 25, 0, 6);
  EXPECT_EQ(ca_.sqlcode, -172);
  DBPP(dbpp_open, &ca_, C("never"), nullptr, C("m"), &n, nullptr, 25, 0, 6);
  EXPECT_EQ(ca_.sqlcode, -170);
  EXPECT_EQ(Fetch("never", 2, 1), V{170000});
  DBPP(dbpp_close, &ca_, C("x"));
  DBPP(dbpp_close, &ca_, C("x"));
  EXPECT_EQ(ca_.sqlcode, -180);
  // The same statement open under two names at once.
  short s = Prepare("select id from r order by id");
  for (const char* name : {"p1", "p2"}) {
    DBPP(dbpp_declare, &ca_, C(name), nullptr, C("m"), &s, 6);
    DBPP(dbpp_open, &ca_, C(name), nullptr, C("m"), &s, nullptr, 25, 0, 6);
    ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  }
  EXPECT_EQ(Fetch("p1", 2, 1, 2), (V{1, 2}));
  EXPECT_EQ(Fetch("p2", 2, 1), V{1});
  DBPP(dbpp_dropstmt, &ca_, nullptr, C("m"), &s);
  EXPECT_EQ(Fetch("p1", 2, 1), V{3});  // an open cursor outlives its dropped statement
  DBPP(dbpp_describe, &ca_, nullptr, C("m"), &s, nullptr, 1);
  EXPECT_EQ(ca_.sqlcode, -130);
}

TEST_F(Cursors, PositionedUpdateInsertDelete) {
  unsigned opts = ESQL_CUR_UPDATE | ESQL_CUR_SCROLL;
  Open("w", "select id, name from r order by id", opts);
  EXPECT_EQ(Fetch("w", 1, 2, 1, 2), V{2});
  Desc change(2, ESQL_INT, 4);
  change[0].sqlname.length = 0;  // not changed
  change.PutStr(1, "two");
  std::memcpy(change[1].sqlname.data, "name", 4);
  change[1].sqlname.length = 4;
  DBPP(dbpp_update, &ca_, C("w"), change.da);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  Desc row(2, ESQL_INT, 4);
  row.Set(1, ESQL_STRING, 11);
  DBPP(dbpp_fetch_array, &ca_, C("w"), 2, 0, row.da, nullptr, 0, 1);
  EXPECT_EQ(row.Str(1), "two");  // the cursor shows the changed row

  // Insert through the cursor: the written-back row carries the new key.
  SQLDA* ins = alloc_sqlda_noind(2);
  ins->sqld = 2;
  char name[] = "new";
  for (int i = 0; i < 2; ++i) {
    const char* n = i ? "name" : "id";
    std::memcpy(orv_sqlvar(ins, i)->sqlname.data, n, std::strlen(n));
    orv_sqlvar(ins, i)->sqlname.length = static_cast<int16_t>(std::strlen(n));
  }
  orv_sqlvar(ins, 0)->sqltype = ESQL_INT;  // no data: NULL, numbered by the table
  orv_sqlvar(ins, 1)->sqltype = ESQL_STRING;
  orv_sqlvar(ins, 1)->sqllen = 4;
  orv_sqlvar(ins, 1)->sqldata = name;
  DBPP(dbpp_put_into, &ca_, C("w"), ins, row.da);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  EXPECT_EQ(row.Int(0), 11);
  EXPECT_EQ(row.Str(1), "new");
  free_sqlda_noind(ins);

  EXPECT_EQ(Fetch("w", 1, 3, 1, 2), V{3});
  DBPP(dbpp_delete, &ca_, C("w"), nullptr, nullptr);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  DBPP(dbpp_delete, &ca_, C("w"), nullptr, nullptr);
  EXPECT_EQ(ca_.sqlcode, -197);  // already gone
  DBPP(dbpp_close, &ca_, C("w"));
  Ok("commit");
  Desc out(2, ESQL_INT, 4);
  short q = Prepare("select count(*), sum(id) from r");
  DBPP(dbpp_execute_into, &ca_, nullptr, C("m"), &q, nullptr, out.da);
  EXPECT_EQ(out.Int(0), 10);
  EXPECT_EQ(out.Int(1), 55 - 3 + 11);

  // Read cursors and joins refuse positioned changes.
  Open("ro", "select id, name from r", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  Fetch("ro", 1, 1, 1, 2);
  DBPP(dbpp_delete, &ca_, C("ro"), nullptr, nullptr);
  EXPECT_EQ(ca_.sqlcode, -192);
  Open("j", "select a.id from r a, r b where a.id = b.id", opts);
  Fetch("j", 1, 1);
  DBPP(dbpp_delete, &ca_, C("j"), nullptr, nullptr);
  EXPECT_EQ(ca_.sqlcode, -192);
}

TEST_F(Cursors, LongValuesArriveCutThenInPieces) {
  std::string big(100000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  Ok("update r set note = '" + big + "' where id = 1");
  for (unsigned opts : {6u, 130u}) {
    std::string cur = "g" + std::to_string(opts);
    Open(cur, "select id, note from r where id <= 2 order by id", opts);
    Desc row(2, ESQL_INT, 4);
    row.Set(1, ESQL_STRING, 101);
    DBPP(dbpp_fetch_array, &ca_, C(cur), 2, 1, row.da, nullptr, 0, 1);
    EXPECT_EQ(ca_.sqlcode, 101);
    EXPECT_EQ(row.Str(1), big.substr(0, 100));
    EXPECT_EQ(row.Ind(1), 32767);  // the full length, as far as 16 bits go
    Desc piece(1, ESQL_BINARY, 32767);
    std::string all;
    int calls = 0;
    for (uint32_t off = 0;; ++calls) {
      DBPP(dbpp_get_data, &ca_, C(cur), 2, off, piece.da, 0);
      ASSERT_GE(ca_.sqlcode, 0) << Message(ca_);
      uint16_t n;
      std::memcpy(&n, piece.slots[0].data.data(), 2);
      all.append(piece.slots[0].data.data() + 2, n);
      off += n;
      if (ca_.sqlcode == 0) break;
      EXPECT_EQ(ca_.sqlcode, 101);
    }
    EXPECT_EQ(all, big);
    EXPECT_EQ(calls, 3);  // 32765 * 3 < 100000 <= 32765 * 4
    DBPP(dbpp_fetch_array, &ca_, C(cur), 2, 1, row.da, nullptr, 0, 1);
    EXPECT_EQ(row.Ind(1), -1);  // NULL
    DBPP(dbpp_get_data, &ca_, C(cur), 2, 0, piece.da, 0);
    EXPECT_EQ(ca_.sqlcode, 0);
    EXPECT_EQ(piece.Ind(0), -1);
    DBPP(dbpp_get_data, &ca_, C(cur), 9, 0, piece.da, 0);
    EXPECT_EQ(ca_.sqlcode, -643);
  }
}

TEST_F(Cursors, DescribeExplainResume) {
  Open("d", "select id, name from r where id > 5", ESQL_CUR_READONLY | ESQL_CUR_SCROLL);
  SQLDA* da = alloc_sqlda(2);
  DBPP(dbpp_describe_cursor, &ca_, C("d"), da, 1);
  EXPECT_EQ(da->sqld, 2);
  EXPECT_EQ(orv_sqlvar(da, 1)->sqltype, 449);
  free_sqlda(da);
  Desc plan(1, ESQL_STRING, 301);
  DBPP(dbpp_explain, &ca_, C("d"), 0, plan.da);
  ASSERT_EQ(ca_.sqlcode, 0) << Message(ca_);
  EXPECT_NE(plan.Str(0).find("SEARCH r"), std::string::npos) << plan.Str(0);
  DBPP(dbpp_resume, &ca_, C("d"));
  EXPECT_EQ(ca_.sqlcode, 105);  // no more result sets
  DBPP(dbpp_close, &ca_, C("d"));
  DBPP(dbpp_resume, &ca_, C("d"));
  EXPECT_EQ(ca_.sqlcode, -180);
}

// Texts read into the timestamp record through both kinds of cursor (their
// rows come from the back end or from the row cache): the library's own form
// and others, calendar edges, and texts that are no timestamp.
TEST_F(Cursors, TimestampTextsIntoTheRecord) {
  struct Case {
    const char* text;
    int code;  // of the fetch
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, fraction = 0, dow = 0, doy = 0;
  };
  const Case cases[] = {
      {"2012-02-29 23:59:59.999", 0, 2012, 1, 29, 23, 59, 59, 999, 3, 59},
      {"2000-12-31 12:00:00", 0, 2000, 11, 31, 12, 0, 0, 0, 0, 365},
      {"0001-01-01 00:00:00.000", 0, 1, 0, 1, 0, 0, 0, 0, 1, 0},
      {"9999-12-31 23:59:59", 0, 9999, 11, 31, 23, 59, 59, 0, 5, 364},
      {"2011/02/02 01:01:00.5", 0, 2011, 1, 2, 1, 1, 0, 500, 3, 32},
      {"2011-02-29 00:00:00", -157},
      {"1900-02-29 00:00:00.000", -157},
      {"2011-13-01 00:00:00", -157},
      {"2011-1a-02 01:01:00.001", -157},
      {"2011-02-02 24:00:00", -157},
      {"2011-02-02 01:01:60", -157},
      {"2011-02-02 01:01:00.0x1", -157},
      {"2011-02-02T01:01:00:00", -157},
      {"2011-02-02 01:01:0:", -157},
      {"20110202", -157},
  };
  Ok("create table t (k integer primary key, v varchar(30))");
  int k = 0;
  for (const Case& c : cases) Ok("insert into t values (" + std::to_string(++k) + ", '" + c.text + "')");
  for (unsigned options : {ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL, ESQL_CUR_READONLY | ESQL_CUR_SCROLL}) {
    Open("ts", "select v from t order by k", options);
    Desc d(1, ESQL_TIMESTAMP_STRUCT, 14);
    k = 0;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.text) + (options & ESQL_CUR_SCROLL ? " scrollable" : " unidirectional"));
      DBPP(dbpp_fetch_array, &ca_, C("ts"), ESQL_FETCH_ABSOLUTE, ++k, d.da, nullptr, 0, 1);
      ASSERT_EQ(ca_.sqlcode, c.code) << Message(ca_);
      if (c.code) continue;
      SQLDATETIME t;
      std::memcpy(&t, d.slots[0].data.data(), sizeof t);
      unsigned got[] = {t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction, t.day_of_week, t.day_of_year};
      unsigned want[] = {c.year, c.month, c.day, c.hour, c.minute, c.second, c.fraction, c.dow, c.doy};
      EXPECT_TRUE(std::equal(got, got + 9, want));
    }
    DBPP(dbpp_close, &ca_, C("ts"));
  }
}

}  // namespace
