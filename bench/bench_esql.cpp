// The Embedded SQL library against the raw SQLite C API on the same data in
// the same run: scans, random absolute fetches, peak memory, a 64 MiB value
// built from pieces, and re-executed inserts. Each line reads
//   bench NAME: RATIO x (target T x)
// with RATIO = ours / raw, both the median of several repetitions.
// usage: bench_esql [ROWS] [REPETITIONS] [GROUP]   (defaults 1000000, 5, all;
//        GROUP is one of scan, memory, blob, or uni / scroll for one scan
//        alone against the raw scan)
#include "DatabaseFile.h"
#include "BenchSupport.h"
#include "OrvEsql.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace bench;

char* C(const std::string& s) { return const_cast<char*>(s.c_str()); }

// ---- raw side ---------------------------------------------------------------

long long g_sink = 0;  // keeps the compiler from dropping the reads

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

void RawLookups(sqlite3* db, const std::vector<long>& keys) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT id, name, amount, stamp, extra FROM bench WHERE id = ?", -1, &st, nullptr);
  for (long k : keys) {
    sqlite3_bind_int64(st, 1, k);
    if (sqlite3_step(st) == SQLITE_ROW) {
      g_sink += sqlite3_column_int64(st, 0) + sqlite3_column_bytes(st, 1);
      g_sink += static_cast<long long>(sqlite3_column_double(st, 2)) + sqlite3_column_bytes(st, 3);
      g_sink += sqlite3_column_int(st, 4);
    }
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

void RawInserts(sqlite3* db, long n) {
  Exec(db, "DELETE FROM sink");
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO sink VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr);
  char name[41] = "a name for the inserted row";
  for (long i = 1; i <= n; ++i) {
    std::string ts = Stamp(i);
    sqlite3_bind_int64(st, 1, i);
    sqlite3_bind_text(st, 2, name, -1, SQLITE_STATIC);
    sqlite3_bind_double(st, 3, i * 0.5);
    sqlite3_bind_text(st, 4, ts.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 5, i % 7);
    if (sqlite3_step(st) != SQLITE_DONE) Die(sqlite3_errmsg(db));
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
}

// ---- library side -------------------------------------------------------------

struct Lib {
  SQLCA ca{};
  explicit Lib(const std::string& params) {
    if (!db_init(&ca) || !db_string_connect(&ca, C(params))) Die("connect: " + std::to_string(ca.sqlcode));
  }
  ~Lib() {
    db_string_disconnect(&ca, nullptr);
    db_fini(&ca);
  }
  void Check(const char* what) {
    if (ca.sqlcode < 0) {
      char buf[512];
      sqlerror_message(&ca, buf, sizeof buf);
      Die(std::string(what) + ": " + buf);
    }
  }
  void Imm(const char* sql) {
    dbpp_execute_imm(&ca, C(sql), 2);
    Check(sql);
  }
};

// The result block: five columns, `rows` rows, in the buffer formats a
// client binds (int, string, double, timestamp record, int).
struct Block {
  SQLDA* da;
  std::vector<char> buf;
  int rows;
  static constexpr int kRow = 4 + 41 + 8 + 14 + 4;
  explicit Block(int n) : rows(n) {
    da = alloc_sqlda(static_cast<unsigned>(5 * n));
    da->sqld = static_cast<int16_t>(5 * n);
    buf.assign(static_cast<size_t>(kRow) * static_cast<size_t>(n), 0);
    const int16_t types[] = {ESQL_INT, ESQL_STRING, ESQL_DOUBLE, ESQL_TIMESTAMP_STRUCT, ESQL_INT | 1};
    const int16_t lens[] = {4, 41, 8, 14, 4};
    for (int r = 0; r < n; ++r) {
      char* p = buf.data() + static_cast<size_t>(r) * kRow;
      for (int c = 0; c < 5; ++c) {
        SQLVAR& v = *orv_sqlvar(da, r * 5 + c);
        v.sqltype = static_cast<int16_t>(types[c] | 1);
        v.sqllen = lens[c];
        v.sqldata = p;
        p += lens[c];
      }
    }
  }
  ~Block() { free_sqlda(da); }
  void Consume(int got) {
    for (int r = 0; r < got; ++r) {
      const char* p = buf.data() + static_cast<size_t>(r) * kRow;
      int32_t id;
      std::memcpy(&id, p, 4);
      g_sink += id + static_cast<long long>(std::strlen(p + 4));
    }
  }
};

void LibOpen(Lib& lib, short& num, const char* cursor, unsigned options, const char* sql) {
  num = 0;
  dbpp_prepare(&lib.ca, nullptr, C("bench"), &num, C(sql), nullptr, 1);
  lib.Check("prepare");
  dbpp_declare(&lib.ca, C(cursor), nullptr, C("bench"), &num, options);
  dbpp_open(&lib.ca, C(cursor), nullptr, C("bench"), &num, nullptr, 1000, 0, options);
  lib.Check("open");
}

void LibClose(Lib& lib, short num, const char* cursor) {
  dbpp_close(&lib.ca, C(cursor));
  dbpp_dropstmt(&lib.ca, nullptr, C("bench"), &num);
}

void LibScan(Lib& lib, unsigned options) {
  short num;
  LibOpen(lib, num, "scan", options, "SELECT id, name, amount, stamp, extra FROM bench");
  Block block(1000);
  for (;;) {
    dbpp_fetch_array(&lib.ca, C("scan"), ESQL_FETCH_RELATIVE, 1, block.da, nullptr, 0, 1000);
    lib.Check("fetch");
    if (lib.ca.sqlcode == 100) break;
    block.Consume(lib.ca.sqlerrd[2]);
    if (lib.ca.sqlerrd[2] < 1000) break;
  }
  LibClose(lib, num, "scan");
}

void LibInserts(Lib& lib, long n) {
  lib.Imm("DELETE FROM sink");
  lib.Imm("COMMIT");
  short num = 0;
  dbpp_prepare(&lib.ca, nullptr, C("bench"), &num, C("INSERT INTO sink VALUES (?, ?, ?, ?, ?)"), nullptr, 1);
  lib.Check("prepare insert");
  Block in(1);
  char* p = in.buf.data();
  std::strcpy(p + 4, "a name for the inserted row");
  for (long i = 1; i <= n; ++i) {
    int32_t id = static_cast<int32_t>(i), extra = static_cast<int32_t>(i % 7);
    double amount = i * 0.5;
    SQLDATETIME ts{static_cast<uint16_t>(2010 + i % 15), static_cast<uint8_t>(i % 12), 0, 0,
                   static_cast<uint8_t>(1 + i % 28), static_cast<uint8_t>(i % 24), static_cast<uint8_t>(i % 60),
                   static_cast<uint8_t>((i / 7) % 60), static_cast<uint32_t>(i % 1000)};
    std::memcpy(p, &id, 4);
    std::memcpy(p + 45, &amount, 8);
    std::memcpy(p + 53, &ts, 14);
    std::memcpy(p + 67, &extra, 4);
    dbpp_execute_into(&lib.ca, nullptr, C("bench"), &num, in.da, nullptr);
    lib.Check("insert");
  }
  lib.Imm("COMMIT");
  dbpp_dropstmt(&lib.ca, nullptr, C("bench"), &num);
}

// The driver's way with a long value: a variable built from pieces, each
// piece its own prepared statement, then used by name and read piecewise.
void LibBlob(Lib& lib, const std::string& value, std::vector<char>& out) {
  lib.Imm("DELETE FROM blobs");
  lib.Imm("create variable blobparam2 long binary");
  lib.Imm("set blobparam2=''");
  SQLDA* piece = alloc_sqlda(1);
  piece->sqld = 1;
  std::vector<char> buf(32767);
  SQLVAR& pv = *orv_sqlvar(piece, 0);
  pv.sqltype = ESQL_BINARY;
  pv.sqllen = 32767;
  pv.sqldata = buf.data();
  for (size_t off = 0; off < value.size(); off += 32765) {
    uint16_t n = static_cast<uint16_t>(std::min<size_t>(32765, value.size() - off));
    std::memcpy(buf.data(), &n, 2);
    std::memcpy(buf.data() + 2, value.data() + off, n);
    short num = 0;
    dbpp_prepare(&lib.ca, nullptr, C("bench"), &num, C("set blobparam2=blobparam2 || :blob_host"), nullptr, 1);
    dbpp_execute_into(&lib.ca, nullptr, C("bench"), &num, piece, nullptr);
    lib.Check("append piece");
    dbpp_dropstmt(&lib.ca, nullptr, C("bench"), &num);
  }
  short num = 0;
  dbpp_prepare(&lib.ca, nullptr, C("bench"), &num, C("INSERT INTO blobs VALUES (1, ?)"), nullptr, 1);
  SQLDA* in = alloc_sqlda(1);
  in->sqld = 1;
  static char name[] = "blobparam2";
  orv_sqlvar(in, 0)->sqltype = ESQL_VARIABLE;
  orv_sqlvar(in, 0)->sqldata = name;
  dbpp_execute_into(&lib.ca, nullptr, C("bench"), &num, in, nullptr);
  lib.Check("insert variable");
  dbpp_dropstmt(&lib.ca, nullptr, C("bench"), &num);
  free_sqlda(in);
  lib.Imm("drop variable blobparam2");

  LibOpen(lib, num, "blob", ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL, "SELECT data FROM blobs WHERE id = 1");
  SQLDA* row = alloc_sqlda(1);
  row->sqld = 1;
  char small[8];
  orv_sqlvar(row, 0)->sqltype = ESQL_STRING | 1;
  orv_sqlvar(row, 0)->sqllen = sizeof small;
  orv_sqlvar(row, 0)->sqldata = small;
  dbpp_fetch_array(&lib.ca, C("blob"), ESQL_FETCH_RELATIVE, 1, row, nullptr, 0, 1);
  lib.Check("fetch blob row");
  out.clear();
  out.reserve(value.size());
  for (uint32_t off = 0;;) {
    dbpp_get_data(&lib.ca, C("blob"), 1, off, piece, 0);
    lib.Check("get_data");
    uint16_t n;
    std::memcpy(&n, buf.data(), 2);
    out.insert(out.end(), buf.data() + 2, buf.data() + 2 + n);
    off += n;
    if (lib.ca.sqlcode != 101) break;
  }
  free_sqlda(row);
  free_sqlda(piece);
  LibClose(lib, num, "blob");
  lib.Imm("COMMIT");
}

long MaxRssKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Peak resident memory of f in a child process, in KiB.
long PeakOf(const std::function<void()>& f) {
  int fd[2];
  if (pipe(fd) != 0) Die("pipe");
  pid_t pid = fork();
  if (pid == 0) {
    close(fd[0]);
    long before = MaxRssKiB();
    f();
    long peak = MaxRssKiB() - before;
    if (write(fd[1], &peak, sizeof peak) != sizeof peak) _exit(1);
    _exit(0);
  }
  close(fd[1]);
  long peak = -1;
  if (read(fd[0], &peak, sizeof peak) != sizeof peak) peak = -1;
  close(fd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (peak < 0) Die("memory probe failed");
  return peak;
}

}  // namespace

int main(int argc, char** argv) {
  bench::ProgramName = "bench_esql";
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  int reps = argc > 2 ? std::atoi(argv[2]) : 5;
  std::string group = argc > 3 ? argv[3] : "";
  auto want = [&](const char* g) { return group.empty() || group == g; };
  if (rows < 1000 || reps < 1) Die("usage: bench_esql [ROWS >= 1000] [REPETITIONS >= 1]");
  auto dir = std::filesystem::temp_directory_path() / ("orvbench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string file = (dir / "bench.db").string();
  orvesql::CreateDatabaseFile(file, "DBA", "sql");
  Fill(file, rows);
  std::string params = "eng=bench;dbf=" + file + ";uid=DBA;pwd=sql";

  if (want("scan") || group == "uni" || group == "scroll") {
    // Scans and random fetches.
    sqlite3* raw = OpenRaw(file);
    Lib lib(params);
    std::vector<double> rawScan, uniScan, scrollScan;
    for (int i = 0; i < reps; ++i) {
      rawScan.push_back(Seconds([&] { RawScan(raw); }));
      if (group != "scroll") uniScan.push_back(Seconds([&] { LibScan(lib, ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL); }));
      if (group != "uni") scrollScan.push_back(Seconds([&] { LibScan(lib, ESQL_CUR_READONLY | ESQL_CUR_SCROLL); }));
    }
    if (group != "scroll") Report("scan_unidirectional_1000_row_blocks", Median(uniScan) / Median(rawScan), 1.25);
    if (group != "uni") Report("scan_scrollable_1000_row_blocks", Median(scrollScan) / Median(rawScan), 1.5);
    if (group == "uni" || group == "scroll") {
      sqlite3_close(raw);
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
      return 0;
    }

    std::mt19937 gen(42);
    std::uniform_int_distribution<long> pick(1, rows);
    std::vector<long> keys(10000);
    for (auto& k : keys) k = pick(gen);
    short num;
    // The scrollable cursor has been read to its end once (as a client
    // that asks for the last row does); then each fetch is one absolute move.
    LibOpen(lib, num, "rnd", ESQL_CUR_READONLY | ESQL_CUR_SCROLL,
            "SELECT id, name, amount, stamp, extra FROM bench ORDER BY id");
    Block one(1);
    dbpp_fetch_array(&lib.ca, C("rnd"), ESQL_FETCH_ABSOLUTE, -1, one.da, nullptr, 0, 1);
    lib.Check("fetch last");
    std::vector<double> rawRnd, libRnd;
    for (int i = 0; i < reps; ++i) {
      rawRnd.push_back(Seconds([&] { RawLookups(raw, keys); }));
      libRnd.push_back(Seconds([&] {
        for (long k : keys) {
          dbpp_fetch_array(&lib.ca, C("rnd"), ESQL_FETCH_ABSOLUTE, static_cast<int32_t>(k), one.da, nullptr, 0, 1);
          one.Consume(lib.ca.sqlerrd[2]);
        }
      }));
    }
    LibClose(lib, num, "rnd");
    Report("random_absolute_fetch_vs_keyed_lookup", Median(libRnd) / Median(rawRnd), 1.0);
    sqlite3_close(raw);
  }

  if (want("memory")) {
    // Peak memory of the unidirectional scan, each side in its own process.
    long rawPeak = PeakOf([&] {
      sqlite3* raw = OpenRaw(file);
      RawScan(raw);
      sqlite3_close(raw);
    });
    long libPeak = PeakOf([&] {
      Lib lib(params);
      LibScan(lib, ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL);
    });
    double base = static_cast<double>(std::max(rawPeak, 1L));
    Report("scan_unidirectional_peak_memory", static_cast<double>(libPeak) / base, (base + 32 * 1024) / base);
  }

  if (want("blob")) {
    std::string value(64u << 20, 0);
    for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>((i * 131) >> 3);
    sqlite3* raw = OpenRaw(file);
    Lib lib(params);
    std::vector<char> out;
    std::vector<double> rawT, libT;
    for (int i = 0; i < std::max(1, reps / 2); ++i) {
      rawT.push_back(Seconds([&] { RawBlob(raw, value, out); }));
      if (out.size() != value.size()) Die("raw blob came back wrong");
      libT.push_back(Seconds([&] { LibBlob(lib, value, out); }));
      if (out.size() != value.size() || std::memcmp(out.data(), value.data(), value.size()) != 0)
        Die("library blob came back wrong");
    }
    Report("blob_64MiB_from_pieces_and_get_data", Median(libT) / Median(rawT), 3.0);

    long n = std::min(rows / 10, 100000L);
    std::vector<double> rawI, libI;
    for (int i = 0; i < reps; ++i) {
      rawI.push_back(Seconds([&] { RawInserts(raw, n); }));
      libI.push_back(Seconds([&] { LibInserts(lib, n); }));
    }
    Report("prepared_insert_100k_in_one_transaction", Median(libI) / Median(rawI), 1.5);
    sqlite3_close(raw);
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return g_sink == 42 ? 1 : 0;
}
