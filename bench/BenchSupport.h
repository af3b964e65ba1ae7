// What the benchmark programs share: CPU timing, medians, the one-line
// report, and the table both the library's and the driver's benchmarks scan.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// The program's name in error lines; each program sets it first.
inline const char* ProgramName = "bench";

// CPU time of the process: both sides read cached pages, and CPU time does
// not count the moments the machine gives to other programs.
inline double Seconds(const std::function<void()>& f) {
  timespec a{}, b{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
  f();
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
  return static_cast<double>(b.tv_sec - a.tv_sec) + static_cast<double>(b.tv_nsec - a.tv_nsec) * 1e-9;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

inline void Report(const char* name, double ratio, double target) {
  std::printf("bench %s: %.2f x (target %.2f x)\n", name, ratio, target);
  std::fflush(stdout);
}

[[noreturn]] inline void Die(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", ProgramName, what.c_str());
  std::exit(1);
}

inline void Exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) Die(err ? err : sql);
}

inline sqlite3* OpenRaw(const std::string& file) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
    Die("cannot open " + file);
  Exec(db, "PRAGMA synchronous=NORMAL");
  return db;
}

// The same text the library writes for a timestamp record.
inline std::string Stamp(long i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "20%02ld-%02ld-%02ld %02ld:%02ld:%02ld.%03ld", 10 + i % 15, 1 + i % 12,
                1 + i % 28, i % 24, i % 60, (i / 7) % 60, i % 1000);
  return buf;
}

// The benchmark table of rows rows, plus the empty tables the insert and blob
// groups write into.
inline void Fill(const std::string& file, long rows) {
  sqlite3* db = OpenRaw(file);
  Exec(db, "CREATE TABLE bench (id INTEGER PRIMARY KEY, name VARCHAR(40), amount DOUBLE, "
           "stamp TIMESTAMP, extra INTEGER)");
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO bench VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr);
  for (long i = 1; i <= rows; ++i) {
    std::string name = "name of row " + std::to_string(i) + " padded to some length";
    name.resize(std::min<size_t>(name.size(), 40));
    std::string ts = Stamp(i);
    sqlite3_bind_int64(st, 1, i);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 3, i * 0.25);
    sqlite3_bind_text(st, 4, ts.c_str(), -1, SQLITE_TRANSIENT);
    if (i % 3)
      sqlite3_bind_int64(st, 5, i % 1000);
    else
      sqlite3_bind_null(st, 5);
    if (sqlite3_step(st) != SQLITE_DONE) Die(sqlite3_errmsg(db));
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
  Exec(db, "CREATE TABLE sink (id INTEGER PRIMARY KEY, name VARCHAR(40), amount DOUBLE, "
           "stamp TIMESTAMP, extra INTEGER)");
  Exec(db, "CREATE TABLE blobs (id INTEGER PRIMARY KEY, data LONG BINARY)");
  sqlite3_close(db);
}

// The raw side of the 64 MiB value: one insert of the whole value, then one
// read of it back into out.
inline void RawBlob(sqlite3* db, const std::string& value, std::vector<char>& out) {
  Exec(db, "DELETE FROM blobs");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO blobs VALUES (1, ?)", -1, &st, nullptr);
  sqlite3_bind_blob(st, 1, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
  if (sqlite3_step(st) != SQLITE_DONE) Die(sqlite3_errmsg(db));
  sqlite3_finalize(st);
  sqlite3_prepare_v2(db, "SELECT data FROM blobs WHERE id = 1", -1, &st, nullptr);
  if (sqlite3_step(st) != SQLITE_ROW) Die("blob row");
  const void* p = sqlite3_column_blob(st, 0);
  out.assign(static_cast<const char*>(p), static_cast<const char*>(p) + sqlite3_column_bytes(st, 0));
  sqlite3_finalize(st);
}

}  // namespace bench
