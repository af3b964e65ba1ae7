// The statement end to end against the real Embedded SQL libraries on a
// database file made by orvinit: every column type through the row buffer,
// cursors walked every way across fetch blocks, changes through write
// cursors, long values through connection variables and blob streams.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "Graphics.h"
#include "OrvAsa.h"
#include "StringLists.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const std::string LibFolder = std::string(ORV_BINARY_DIR) + "/lib";

std::string Bytes(const Variant& v) {
  if (VarIsNull(v)) return "<null>";
  Variant copy = v;
  int n = VarArrayElementCount(copy);
  TVarArrayLock lock(copy);
  return std::string(static_cast<const char*>(lock.Data()), static_cast<size_t>(n));
}

Variant ByteArray(const std::string& bytes) {
  return TOrvaneSQL::StrToVarByte(bytes.data(), static_cast<int>(bytes.size()));
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  return s;
}

class StatementTest : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    static int counter = 0;
    int n = ++counter;
    dir = fs::temp_directory_path() / ("orvsql-" + std::to_string(::getpid()) + "-" + std::to_string(n));
    fs::create_directories(dir);
    file = (dir / "test.db").string();
    std::string tool = std::string(ORV_BINARY_DIR) + "/bin/orvinit";
    ASSERT_EQ(std::system((tool + " " + file + " > /dev/null").c_str()), 0);
    engine = "orvsql" + std::to_string(::getpid()) + "_" + std::to_string(n);
    session = std::make_unique<TAsaSession>(nullptr);
    session->SetLibraryPath(LibFolder);
    session->SetLibraryFile(GetParam());
    session->SetServerType(stServer);
    session->SetLoginEngineName(engine);
    session->SetLoginDatabase(file);
    session->SetLoginUser("DBA");
    session->SetLoginPassword("sql");
    session->SetConnected(true);
    sql = NewSQL();
  }
  void TearDown() override {
    statements.clear();
    if (session) {
      std::string stop = "eng=" + engine + ";unconditional=yes";
      session->SetConnected(false);
      ASA_CALL(db_stop_engine, &session->SQLCA, stop.data());
      session.reset();
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  TAsaSQL* NewSQL() {
    statements.push_back(std::make_unique<TAsaSQL>(nullptr));
    TAsaSQL* s = statements.back().get();
    s->SetSession(session.get());
    s->SetWantExceptions(true);
    return s;
  }
  void Exec(const std::string& text, const TOrvaneValues& values = {Null()}) {
    ASSERT_TRUE(sql->Execute(text, values)) << sql->GetLastError();
  }
  // A table t(n int, s varchar(20)) holding n = 1..rows.
  void NumberTable(int rows) {
    Exec("create table t(n int, s varchar(20))");
    session->StartTransaction();
    for (int i = 1; i <= rows; ++i) Exec("insert into t values(?, ?)", {i, "row " + std::to_string(i)});
    session->Commit();
  }

  fs::path dir;
  std::string file;
  std::string engine;
  std::unique_ptr<TAsaSession> session;
  std::vector<std::unique_ptr<TAsaSQL>> statements;
  TAsaSQL* sql = nullptr;
};

TEST(AsaTimeStamp, RecordFieldsAndInvalidRecords) {
  SQLDATETIME r{};
  PutAsaTimeStamp(r, EncodeDateTime(2000, 3, 1, 13, 45, 30, 250));
  EXPECT_EQ(r.year, 2000);
  EXPECT_EQ(r.month, 2);
  EXPECT_EQ(r.day_of_week, 3);
  EXPECT_EQ(r.day_of_year, 60);
  EXPECT_EQ(r.day, 1);
  EXPECT_EQ(r.hour, 13);
  EXPECT_EQ(r.minute, 45);
  EXPECT_EQ(r.second, 30);
  EXPECT_EQ(static_cast<uint32_t>(r.fraction), 250u);
  // Read back without the milliseconds, which the record's reader drops.
  EXPECT_DOUBLE_EQ(GetAsaTimeStamp(r), EncodeDateTime(2000, 3, 1, 13, 45, 30, 0));

  SQLDATETIME zero{};
  EXPECT_EQ(GetAsaTimeStamp(zero), 0.0);
  SQLDATETIME badTime = r;
  badTime.hour = 24;
  EXPECT_EQ(GetAsaTimeStamp(badTime), 0.0);

  // A value that cannot be decoded keeps the record as it was.
  SQLDATETIME kept = r;
  PutAsaTimeStamp(kept, 1e300);
  EXPECT_EQ(std::memcmp(&kept, &r, sizeof r), 0);
}

TEST_P(StatementTest, EveryColumnTypeThroughTheRowBuffer) {
  Exec("create table v(i int, si smallint, ti tinyint, bi bigint, d double, r real, "
       "c4 decimal(12,4), c2 decimal(10,2), ch char(5), vc varchar(20), lv long varchar, "
       "b binary(10), lb long binary, dt date, tm time, ts timestamp, bt bit)");
  const std::string longText = Pattern(100000);
  const std::string longBytes = Pattern(50000) + std::string(3, '\0') + "tail";
  Exec("insert into v values(?, ?, ?, 9007199254740993, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
       {VarArrayOf({-7, 300, 12, 2.5, 1.5, Currency(12.3456), 99.25, "abc", "vary", longText,
                    ByteArray(std::string("\x01\x00\x02", 3)), ByteArray(longBytes),
                    VarFromDateTime(EncodeDate(2024, 2, 29)), VarFromDateTime(EncodeTime(23, 59, 58, 0)),
                    VarFromDateTime(EncodeDateTime(1999, 12, 31, 1, 2, 3, 0)), true})});
  Exec("insert into v(i) values(null)");

  sql->SetBlobSize(1024);
  ASSERT_TRUE(sql->OpenRead("select * from v order by i desc", {Null()}));
  struct Column {
    const char* name;
    TOrvaneFieldTypes type;
    int size;
  };
  const Column columns[] = {{"i", ntInteger, 4},  {"si", ntInteger, 4},   {"ti", ntInteger, 4},
                            {"bi", ntFloat, 8},   {"d", ntFloat, 8},      {"r", ntFloat, 8},
                            {"c4", ntCurrency, 8}, {"c2", ntFloat, 8},    {"ch", ntString, 6},
                            {"vc", ntString, 21}, {"lv", ntMemo, 1028},   {"b", ntBinary, 12},
                            {"lb", ntBlob, 1028}, {"dt", ntDate, 14},     {"tm", ntTime, 14},
                            {"ts", ntDateTime, 14}, {"bt", ntBoolean, 1}};
  ASSERT_EQ(sql->GetFieldCount(), 17);
  for (int i = 0; i < 17; ++i) {
    SCOPED_TRACE(columns[i].name);
    EXPECT_EQ(sql->GetFieldName(i), columns[i].name);
    EXPECT_EQ(sql->GetFieldType(i), columns[i].type);
    EXPECT_EQ(sql->GetFieldSize(i), columns[i].size);
  }
  EXPECT_EQ(sql->GetFieldDecimals("c4"), 4);
  EXPECT_EQ(sql->GetFieldDecimals("c2"), 2);
  EXPECT_EQ(sql->FetchCount, 1) << "a result with long columns fetches one row at a time";

  EXPECT_EQ(sql->GetFieldValue("i").AsInteger(), -7);
  EXPECT_EQ(sql->GetFieldValue("si").AsInteger(), 300);
  EXPECT_EQ(sql->GetFieldValue("ti").AsInteger(), 12);
  // 2^53 + 1 arrives as a double, without its last digit.
  EXPECT_EQ(sql->GetFieldValue("bi").AsDouble(), 9007199254740992.0);
  EXPECT_EQ(sql->GetFieldValue("d").AsDouble(), 2.5);
  EXPECT_EQ(sql->GetFieldValue("r").AsDouble(), 1.5);
  Variant c4 = sql->GetFieldValue("c4");
  EXPECT_EQ(VarType(c4), varCurrency);
  EXPECT_EQ(c4.AsCurrency(), Currency(12.3456));
  EXPECT_EQ(sql->GetFieldValue("c2").AsDouble(), 99.25);
  EXPECT_EQ(sql->GetFieldValue("ch").AsString().substr(0, 3), "abc");
  EXPECT_EQ(sql->GetFieldValue("vc").AsString(), "vary");
  EXPECT_EQ(sql->GetFieldValue("lv").AsString(), longText);
  EXPECT_EQ(Bytes(sql->GetFieldValue("b")), std::string("\x01\x00\x02", 3) + std::string(7, '\0'));
  EXPECT_EQ(Bytes(sql->GetFieldValue("lb")), longBytes);
  EXPECT_EQ(VarType(sql->GetFieldValue("dt")), varDate);
  EXPECT_DOUBLE_EQ(sql->GetFieldValue("dt").AsDouble(), EncodeDate(2024, 2, 29));
  EXPECT_DOUBLE_EQ(sql->GetFieldValue("tm").AsDouble(), EncodeTime(23, 59, 58, 0));
  EXPECT_DOUBLE_EQ(sql->GetFieldValue("ts").AsDouble(), EncodeDateTime(1999, 12, 31, 1, 2, 3, 0));
  EXPECT_TRUE(sql->GetFieldValue("bt").AsBoolean());
  for (int i = 0; i < 17; ++i) EXPECT_FALSE(sql->IsFieldNull(i)) << columns[i].name;

  ASSERT_TRUE(sql->Next());
  for (int i = 0; i < 17; ++i) EXPECT_TRUE(sql->IsFieldNull(i)) << columns[i].name;
  EXPECT_EQ(sql->GetFieldValue("dt").AsDouble(), 0.0);
  EXPECT_EQ(sql->GetFieldValue("lv").AsString(), "");
  EXPECT_FALSE(sql->Next());
}

// Walks a cursor every way, checking the position after each step.
void ExpectWalk(TAsaSQL& sql, int rows, int fetch) {
  SCOPED_TRACE("rows " + std::to_string(rows) + ", block " + std::to_string(fetch));
  sql.SetMaxFetchCount(fetch);
  sql.SetUniDirectional(false);
  bool first = sql.OpenRead("select n from t order by n", {Null()});
  ASSERT_EQ(first, rows > 0);
  auto at = [&](int recNo) {
    EXPECT_EQ(sql.RecNo, recNo);
    EXPECT_EQ(sql.GetFieldValue(0).AsInteger(), recNo + 1);
    EXPECT_FALSE(sql.Eof);
  };
  for (int i = 0; i < rows; ++i) {
    if (i > 0) {
      ASSERT_TRUE(sql.Next()) << i;
    }
    at(i);
    EXPECT_EQ(sql.RecordCount, rows);
  }
  EXPECT_FALSE(sql.Next());
  EXPECT_TRUE(sql.Eof);
  EXPECT_EQ(sql.RecNo, rows);
  EXPECT_EQ(sql.RecordCount, rows);
  for (int i = rows - 1; i >= 0; --i) {
    ASSERT_TRUE(sql.Prev()) << i;
    at(i);
  }
  EXPECT_FALSE(sql.Prev());
  EXPECT_TRUE(sql.Bof);
  EXPECT_EQ(sql.RecNo, -1);
  if (rows == 0) {
    EXPECT_FALSE(sql.First());
    EXPECT_FALSE(sql.Last());
    EXPECT_FALSE(sql.Seek(0));
    return;
  }
  // Forward again from before the first row, then across blocks backward
  // from the middle of a block.
  for (int i = 0; i < std::min(rows, fetch + 2); ++i) {
    ASSERT_TRUE(sql.Next());
    at(i);
  }
  for (int i = std::min(rows, fetch + 2) - 2; i >= 0; --i) {
    ASSERT_TRUE(sql.Prev());
    at(i);
  }
  ASSERT_TRUE(sql.Last());
  at(rows - 1);
  EXPECT_TRUE(sql.Bof == false);
  ASSERT_TRUE(sql.First());
  at(0);
  ASSERT_TRUE(sql.Seek(rows / 2));
  at(rows / 2);
  ASSERT_TRUE(sql.Next() == (rows / 2 + 1 < rows));
  EXPECT_FALSE(sql.Seek(rows));
  EXPECT_TRUE(sql.Eof);
  EXPECT_FALSE(sql.Seek(-5));
  ASSERT_TRUE(sql.Seek(-1) == false);
}

TEST_P(StatementTest, CursorsWalkedEveryWayAcrossBlocks) {
  NumberTable(1000);
  const struct {
    int rows;
    int fetch;
  } cases[] = {{0, 25}, {1, 25}, {25, 25}, {26, 25}, {1000, 25}, {26, 1}, {1000, 1000}, {1000, 7}};
  for (const auto& c : cases) {
    Exec("delete from t where n > ?", {c.rows});
    ExpectWalk(*sql, c.rows, c.fetch);
    sql->Close();
    if (c.rows < 1000) {
      Exec("delete from t");
      session->StartTransaction();
      for (int i = 1; i <= 1000; ++i) Exec("insert into t values(?, 'x')", {i});
      session->Commit();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothCallForms, StatementTest, ::testing::Values("libdblib6.so", "libdblib7.so"),
                         [](const auto& info) { return std::string(info.param).substr(3, 6); });

}  // namespace

namespace {

TEST_P(StatementTest, ChangesThroughAWriteCursor) {
  Exec("create table w(id int primary key, name varchar(20), memo long varchar, data long binary)");
  Exec("insert into w values(1, 'one', 'first memo', null)");
  ASSERT_TRUE(sql->OpenWrite("select * from w order by id", {Null()}));
  EXPECT_EQ(sql->FetchCount, 1);

  // Nothing dirty: nothing is sent, not even an empty change.
  EXPECT_TRUE(sql->Modify());
  sql->SetFieldValue("name", "uno");
  TMemoryStream bytes;
  const std::string blob = Pattern(70000);
  bytes.Write(blob.data(), static_cast<int64_t>(blob.size()));
  sql->StreamToBlob("data", &bytes);
  ASSERT_TRUE(sql->Modify()) << sql->GetLastError();
  EXPECT_FALSE(sql->IsDirty());

  // An inserted row with a NULL blob comes back as the current row.
  sql->ClearNotNull();
  sql->SetFieldValue("id", 2);
  sql->SetFieldValue("name", "two");
  sql->SetFieldValue("memo", "");
  sql->SetFieldValue("data", Null());
  ASSERT_TRUE(sql->Append()) << sql->GetLastError();
  EXPECT_EQ(sql->GetFieldValue("name").AsString(), "two");
  EXPECT_TRUE(sql->IsFieldNull("data"));
  EXPECT_EQ(sql->RecNo, 0) << "an insert leaves the position as it was";

  TAsaSQL* check = NewSQL();
  check->SetBlobSize(100);
  ASSERT_TRUE(check->OpenRead("select id, name, memo, data from w order by id", {Null()}));
  EXPECT_EQ(check->GetFieldValue("name").AsString(), "uno");
  EXPECT_EQ(check->GetFieldValue("memo").AsString(), "first memo");
  TMemoryStream back;
  check->BlobToStream("data", &back);
  ASSERT_EQ(back.Size(), static_cast<int64_t>(blob.size()));
  EXPECT_EQ(std::memcmp(back.Memory(), blob.data(), blob.size()), 0);
  ASSERT_TRUE(check->Next());
  EXPECT_TRUE(check->IsFieldNull("data"));
  EXPECT_FALSE(check->IsFieldNull("memo")) << "an empty long value stays empty, not NULL";
  EXPECT_EQ(check->GetFieldValue("memo").AsString(), "");
  check->Close();

  ASSERT_TRUE(sql->Seek(0));
  ASSERT_TRUE(sql->Delete());
  sql->Close();
  TAsaSQL* count = NewSQL();
  ASSERT_TRUE(count->OpenRead("select count(*) from w", {Null()}));
  EXPECT_EQ(count->GetFieldValue(0).AsDouble(), 1.0);

  // Read cursors refuse changes.
  EXPECT_THROW(count->Modify(), EAsaException);
  EXPECT_THROW(count->Delete(), EAsaException);
  count->Close();
  EXPECT_THROW(count->Next(), EAsaException);
}

TEST_P(StatementTest, LongHostValuesAndColumnNamesThatAreNoIdentifiers) {
  Exec("create table h(id int, \"odd name\" long binary, \"x\"\"y\" long varchar)");
  const std::string bytes = Pattern(40000);
  const std::string text = Pattern(9000);
  Exec("insert into h values(?, ?, ?)", {VarArrayOf({1, ByteArray(bytes), text})});
  EXPECT_EQ(sql->ExecVariables.Items[1].FieldType, ntBlob);
  EXPECT_EQ(sql->ExecVariables.Items[2].FieldType, ntMemo);
  // The connection variables are gone after the statement.
  sql->SetWantExceptions(false);
  EXPECT_FALSE(sql->ExecuteImmediate("drop variable blobparam2"));
  EXPECT_LT(sql->GetLastErrorCode(), 0);
  sql->SetWantExceptions(true);

  ASSERT_TRUE(sql->OpenWrite("select * from h", {Null()}));
  EXPECT_EQ(Bytes(sql->GetFieldValue("odd name")), bytes);
  EXPECT_EQ(sql->GetFieldValue("x\"y").AsString(), text);
  sql->SetFieldValue("x\"y", std::string("changed"));
  sql->SetFieldValue("odd name", ByteArray("short"));
  ASSERT_TRUE(sql->Modify()) << sql->GetLastError();
  sql->Close();
  ASSERT_TRUE(sql->OpenRead("select * from h", {Null()}));
  EXPECT_EQ(Bytes(sql->GetFieldValue("odd name")), "short");
  EXPECT_EQ(sql->GetFieldValue("x\"y").AsString(), "changed");
  sql->Close();

  // A long value cannot travel to a cursor statement: refused, not lost.
  EXPECT_THROW(sql->OpenRead("select id from h where \"x\"\"y\" <> ?", {Pattern(9000)}), EAsaException);
}

TEST_P(StatementTest, WideResultsFetchFewerRowsOrAreRefused) {
  NumberTable(30);
  std::string wide = "select n";
  for (int i = 1; i < 200; ++i) wide += ", cast(n + " + std::to_string(i) + " as int)";
  sql->SetMaxFetchCount(1000);
  ASSERT_TRUE(sql->OpenRead(wide + " from t order by n", {Null()}));
  EXPECT_EQ(sql->FieldCount, 200);
  EXPECT_EQ(sql->FetchCount, 32767 / 200);
  int rows = 1;
  while (sql->Next()) ++rows;
  EXPECT_EQ(rows, 30);
  sql->UnprepareOpen();

  std::string tooWide = "select n";
  for (int i = 1; i < 300; ++i) tooWide += ", n + " + std::to_string(i);
  EXPECT_THROW(sql->OpenRead(tooWide + " from t", {Null()}), EAsaException);
  EXPECT_FALSE(sql->OpenPrepared);
}

TEST_P(StatementTest, ExecuteWithOutputValuesExplainAndAutoCommit) {
  NumberTable(3);
  ASSERT_TRUE(sql->Execute("select max(n), 'text' into ?, ? from t", {Null()}));
  EXPECT_EQ(sql->ExecVariables.OutCount, 2);
  EXPECT_EQ(sql->GetOutVar(0).AsDouble(), 3.0);
  EXPECT_EQ(sql->GetOutVar(1).AsString(), "text");

  ASSERT_TRUE(sql->OpenRead("select n from t", {Null()}));
  std::string plan;
  sql->Explain(plan);
  EXPECT_FALSE(plan.empty());
  EXPECT_LE(plan.size(), 300u);
  sql->Close();

  // AutoCommit outside a transaction: a second connection sees the change.
  TAsaSession other(nullptr);
  other.SetLibraryPath(LibFolder);
  other.SetLibraryFile(GetParam());
  other.SetServerType(stClient);
  other.SetLoginEngineName(engine);
  other.SetLoginDatabase(file);
  other.SetLoginUser("DBA");
  other.SetLoginPassword("sql");
  other.SetConnected(true);
  TAsaSQL reader(nullptr);
  reader.SetSession(&other);
  session->SetAutoCommit(true);
  ASSERT_TRUE(sql->ExecuteImmediate("insert into t values(4, 'four')"));
  EXPECT_EQ(sql->RowsProcessed, 1);
  ASSERT_TRUE(reader.OpenRead("select count(*) from t", {Null()}));
  EXPECT_EQ(reader.GetFieldValue(0).AsDouble(), 4.0);
  reader.Close();
  other.SetConnected(false);
}

}  // namespace

namespace {

TEST_P(StatementTest, TheLongestDeclaredColumnsStillFitTheirEntries) {
  Exec("create table m(s varchar(32767), b binary(32767))");
  const std::string text = Pattern(32767);
  Exec("insert into m values(?, ?)", {VarArrayOf({text, ByteArray(Pattern(20000))})});
  ASSERT_TRUE(sql->OpenRead("select s, b from m", {Null()}));
  EXPECT_EQ(sql->GetFieldSize(0), 32767);
  EXPECT_EQ(sql->GetFieldSize(1), 32767);
  EXPECT_EQ(sql->GetFieldValue(0).AsString(), text.substr(0, 32766));
  EXPECT_EQ(Bytes(sql->GetFieldValue(1)).substr(0, 20000), Pattern(20000));
}

TEST_P(StatementTest, FindWithEveryOptionCombination) {
  Exec("create table p(id int, name varchar(20))");
  const char* names[] = {"Jones", "smith", "Smith", "Smithers", ""};
  for (int i = 0; i < 5; ++i) Exec("insert into p values(?, ?)", {i, names[i]});
  const TOrvaneLocateOptions none{}, ci{nloCaseInsensitive}, partial{nloPartialKey},
      both{nloCaseInsensitive, nloPartialKey};
  const struct {
    const char* key;
    TOrvaneLocateOptions options;
    int found;  // row number found searching from row 0, -1 for none
  } cases[] = {{"Smith", none, 2},     {"smith", none, 1},     {"SMITH", none, -1},
               {"SMITH", ci, 1},       {"Smi", none, -1},      {"Smi", partial, 2},
               {"smi", partial, 1},    {"SMI", partial, -1},   {"SMI", both, 1},
               {"", partial, -1},      {"", both, 0},          {"Smithers", ci, 3},
               {"", none, 4},          {"nobody", both, -1}};
  sql->SetMaxFetchCount(2);  // the search crosses fetch blocks
  sql->SetUniDirectional(false);  // a failed search goes back to its start row
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("'") + c.key + "' options " + std::to_string(c.options.Bits()));
    ASSERT_TRUE(sql->OpenRead("select id, name from p order by id", {Null()}));
    bool found = sql->Find("name", {std::string(c.key)}, c.options);
    EXPECT_EQ(found, c.found >= 0);
    EXPECT_EQ(sql->RecNo, c.found >= 0 ? c.found : 0);
    EXPECT_EQ(sql->GetFieldValue("id").AsInteger(), c.found >= 0 ? c.found : 0);
  }
  // Two key fields, and a key field that does not exist.
  ASSERT_TRUE(sql->OpenRead("select id, name from p order by id", {Null()}));
  EXPECT_TRUE(sql->Find("id; name", {VarArrayOf({3, "Smithers"})}, none));
  EXPECT_EQ(sql->RecNo, 3);
  EXPECT_THROW(sql->Find("nosuch", {1}, none), EOrvaneException);
}

TEST_P(StatementTest, BlobStreamsReadTheCurrentRowPieceByPiece) {
  Exec("create table b(id int, memo long varchar, data long binary)");
  const std::string big = Pattern(100000);
  Exec("insert into b values(1, ?, ?)", {VarArrayOf({big, ByteArray(Pattern(100))})});
  Exec("insert into b values(2, 'short', null)");
  sql->SetBlobSize(1024);
  sql->SetUniDirectional(false);
  ASSERT_TRUE(sql->OpenRead("select * from b order by id", {Null()}));
  TOrvaneBlobStream* memo = sql->BlobManager->BlobByName("memo");
  TOrvaneBlobStream* data = sql->BlobManager->BlobByName("data");
  EXPECT_TRUE(sql->InternalBlobNeedsFetch(memo)) << "100,000 characters do not fit 1,028 bytes";
  EXPECT_EQ(memo->GetBlobSize(), 100000);
  char buffer[16] = {};
  EXPECT_EQ(data->Seek(95, soBeginning), 95);
  EXPECT_EQ(data->Read(buffer, 10), 5);
  EXPECT_EQ(std::string(buffer, 5), Pattern(100).substr(95));
  EXPECT_EQ(data->Read(buffer, 10), 0);
  ASSERT_TRUE(sql->Next());
  EXPECT_FALSE(sql->InternalBlobNeedsFetch(memo)) << "a short value comes with the row";
  EXPECT_EQ(sql->GetFieldValue("memo").AsString(), "short");
  EXPECT_EQ(memo->GetBlobSize(), 5);
  EXPECT_EQ(data->GetBlobSize(), 0);
  EXPECT_EQ(data->Read(buffer, 10), 0);
  EXPECT_TRUE(VarIsNull(sql->GetFieldValue("data")));
  // Back on the first row the streams read that row again.
  ASSERT_TRUE(sql->Prev());
  EXPECT_EQ(sql->GetFieldValue("memo").AsString(), big);
}

TEST_P(StatementTest, PicturesStoredAndLoadedInEveryFormat) {
  Exec("create table g(id int primary key, pic long binary)");
  Exec("insert into g values(1, null)");
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) bitmap.SetPixel(x, y, static_cast<TColor>(x * 40 + y * 0x10000));
  TPicture picture;
  picture.Bitmap()->Assign(&bitmap);
  TPicture iconPicture;
  iconPicture.Icon()->AddBitmap(bitmap);
  TPicture metaPicture;
  metaPicture.LoadFromFile(std::string(ORV_SOURCE_DIR) + "/tests/platform/graphics/fuzz_seeds/placeable.wmf");
  const struct {
    TPicture* picture;
    TOrvaneGraphicType format;
  } cases[] = {{&picture, gtBitmap}, {&iconPicture, gtIcon}, {&metaPicture, gtMetafile}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    TMemoryStream written;
    c.picture->Graphic()->SaveToStream(written);
    ASSERT_TRUE(sql->OpenWrite("select * from g", {Null()}));
    sql->GraphicToBlob("pic", c.picture, c.format);
    ASSERT_TRUE(sql->Modify());
    sql->Close();
    ASSERT_TRUE(sql->OpenRead("select * from g", {Null()}));
    TPicture loaded;
    sql->BlobToGraphic("pic", &loaded, c.format);
    TMemoryStream read;
    ASSERT_NE(loaded.Graphic(), nullptr);
    loaded.Graphic()->SaveToStream(read);
    ASSERT_EQ(read.Size(), written.Size());
    EXPECT_EQ(std::memcmp(read.Memory(), written.Memory(), static_cast<size_t>(read.Size())), 0);
    sql->Close();
  }
}

}  // namespace
