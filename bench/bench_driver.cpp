// The driver's statement against the raw SQLite C API on the same data in the
// same run: a forward scan reading every column, one prepared insert executed
// with new values, and a 64 MiB value stored and read back through a blob
// stream. Each line reads
//   bench NAME: RATIO x (target T x)
// with RATIO = ours / raw, both the median of several repetitions.
// usage: bench_driver [ROWS] [REPETITIONS] [GROUP]   (defaults 1000000, 3, all;
//        GROUP is one of scan, insert, blob)
#include "BenchSupport.h"
#include "DatabaseFile.h"
#include "OrvAsa.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace bench;

long long g_sink = 0;

// ---- raw side ---------------------------------------------------------------

void RawScan(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT id, name, amount, stamp, extra FROM bench", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    g_sink += sqlite3_column_int64(st, 0);
    g_sink += sqlite3_column_bytes(st, 1) + (sqlite3_column_text(st, 1) ? 1 : 0);
    g_sink += static_cast<long long>(sqlite3_column_double(st, 2));
    g_sink += sqlite3_column_bytes(st, 3) + (sqlite3_column_text(st, 3) ? 1 : 0);
    if (sqlite3_column_type(st, 4) != SQLITE_NULL) g_sink += sqlite3_column_int(st, 4);
  }
  sqlite3_finalize(st);
}

void RawInserts(sqlite3* db, long n) {
  Exec(db, "DELETE FROM sink");
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO sink VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr);
  for (long i = 1; i <= n; ++i) {
    std::string name = "inserted row " + std::to_string(i);
    std::string ts = Stamp(i);
    sqlite3_bind_int64(st, 1, i);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 3, static_cast<double>(i) * 0.5);
    sqlite3_bind_text(st, 4, ts.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 5, i % 7);
    if (sqlite3_step(st) != SQLITE_DONE) Die(sqlite3_errmsg(db));
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
}

// ---- driver side --------------------------------------------------------------

void Require(TAsaSQL& sql, bool ok, const char* what) {
  if (!ok) Die(std::string(what) + ": " + sql.GetLastError());
}

void DriverScan(TAsaSQL& sql) {
  sql.SetMaxFetchCount(1000);
  Require(sql, sql.OpenRead("SELECT id, name, amount, stamp, extra FROM bench", {Null()}), "open scan");
  do {
    for (int c = 0; c < 5; ++c) {
      Variant v = sql.GetFieldValue(c);
      g_sink += VarType(v);
    }
  } while (sql.Next());
  sql.Close();
}

void DriverInserts(TAsaSession& session, TAsaSQL& sql, long n) {
  Require(sql, sql.ExecuteImmediate("DELETE FROM sink"), "delete");
  session.StartTransaction();
  Require(sql, sql.PrepareExecute("INSERT INTO sink VALUES (?, ?, ?, ?, ?)"), "prepare insert");
  for (long i = 1; i <= n; ++i) {
    TOrvaneValues values{VarArrayOf({static_cast<int>(i), "inserted row " + std::to_string(i),
                                     static_cast<double>(i) * 0.5,
                                     VarFromDateTime(EncodeDateTime(2010 + static_cast<int>(i % 15),
                                                                    1 + static_cast<int>(i % 12),
                                                                    1 + static_cast<int>(i % 28), 0, 0, 0, 0)),
                                     static_cast<int>(i % 7)})};
    Require(sql, sql.ExecutePrepared(values), "insert");
  }
  session.Commit();
  sql.UnprepareExecute();
}

void DriverBlob(TAsaSQL& sql, TMemoryStream& value, TMemoryStream& out) {
  Require(sql, sql.ExecuteImmediate("DELETE FROM blobs"), "delete blobs");
  Require(sql, sql.ExecuteImmediate("INSERT INTO blobs VALUES (1, NULL)"), "blob row");
  Require(sql, sql.OpenWrite("SELECT id, data FROM blobs WHERE id = 1", {Null()}), "open blob");
  sql.StreamToBlob("data", &value);
  Require(sql, sql.Modify(), "modify blob");
  sql.Close();
  Require(sql, sql.OpenRead("SELECT id, data FROM blobs WHERE id = 1", {Null()}), "read blob");
  sql.BlobToStream("data", &out);
  sql.Close();
}

}  // namespace

int main(int argc, char** argv) {
  bench::ProgramName = "bench_driver";
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  int reps = argc > 2 ? std::atoi(argv[2]) : 3;
  std::string group = argc > 3 ? argv[3] : "";
  auto want = [&](const char* g) { return group.empty() || group == g; };
  if (rows < 1000 || reps < 1) Die("usage: bench_driver [ROWS >= 1000] [REPETITIONS >= 1]");
  auto dir = std::filesystem::temp_directory_path() / ("orvbench-drv-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string file = (dir / "bench.db").string();
  orvesql::CreateDatabaseFile(file, "DBA", "sql");
  Fill(file, rows);

  int status = 0;
  try {
    TAsaSession session(nullptr);
    session.SetLibraryPath(ORV_LIBRARY_DIR);
    session.SetLibraryFile("libdblib7.so");
    session.SetServerType(stServer);
    session.SetLoginEngineName("benchdrv" + std::to_string(::getpid()));
    session.SetLoginDatabase(file);
    session.SetLoginUser("DBA");
    session.SetLoginPassword("sql");
    session.SetConnected(true);
    TAsaSQL sql(nullptr);
    sql.SetSession(&session);
    sqlite3* raw = OpenRaw(file);

    if (want("scan")) {
      std::vector<double> rawScan, drvScan;
      for (int i = 0; i < reps; ++i) {
        rawScan.push_back(Seconds([&] { RawScan(raw); }));
        drvScan.push_back(Seconds([&] { DriverScan(sql); }));
      }
      Report("driver_scan_every_column_1000_row_blocks", Median(drvScan) / Median(rawScan), 2.5);
    }

    if (want("insert")) {
      const long inserts = 100000;
      std::vector<double> rawIns, drvIns;
      for (int i = 0; i < reps; ++i) {
        rawIns.push_back(Seconds([&] { RawInserts(raw, inserts); }));
        drvIns.push_back(Seconds([&] { DriverInserts(session, sql, inserts); }));
      }
      Report("driver_prepared_insert_100000_in_a_transaction", Median(drvIns) / Median(rawIns), 2.0);
    }

    if (want("blob")) {
    // Each change commits, as the raw side's statements do.
    session.SetAutoCommit(true);
    const size_t size = 64u << 20;
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) ^ (i >> 9));
    TMemoryStream value;
    value.Write(bytes.data(), static_cast<int64_t>(size));
    std::vector<double> rawBlob, drvBlob;
    std::vector<char> rawOut;
    for (int i = 0; i < reps; ++i) {
      rawBlob.push_back(Seconds([&] { RawBlob(raw, bytes, rawOut); }));
      TMemoryStream out;
      drvBlob.push_back(Seconds([&] {
        value.SetPosition(0);
        DriverBlob(sql, value, out);
      }));
      if (out.Size() != static_cast<int64_t>(size) || std::memcmp(out.Memory(), bytes.data(), size) != 0)
        Die("the 64 MiB value did not come back as stored");
    }
    Report("driver_64MiB_blob_stream_round_trip", Median(drvBlob) / Median(rawBlob), 4.0);
    }
    sqlite3_close(raw);
    session.SetConnected(false);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_driver: %s\n", e.what());
    status = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return status;
}
