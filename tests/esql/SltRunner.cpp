// Plays sqllogictest files through the Embedded SQL entry points: every
// statement with dbpp_execute_imm, every query prepared, described, opened
// and fetched in blocks, its values rendered from the library's buffers.
// usage: esql_slt [-v] FILE.test...   (prints one summary line per file and in all)
#include "DatabaseFile.h"
#include "OrvEsql.h"

#include <openssl/evp.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#if defined(ORV_ESQL_LONG_FORM)
static char g_prog[22];
#define PR g_prog,
#else
#define PR
#endif
#define DBPP(fn, ca, ...) fn(ca, PR __VA_ARGS__)

namespace {

constexpr int kBlockRows = 100;
constexpr int kTextLen = 2048;

char* C(const std::string& s) { return const_cast<char*>(s.c_str()); }

struct Record {
  int line = 0;
  std::vector<std::string> lines;
};

std::vector<Record> ReadRecords(const std::string& path) {
  std::vector<Record> out;
  std::ifstream f(path, std::ios::binary);
  std::string line;
  Record rec;
  int n = 0;
  while (std::getline(f, line)) {
    ++n;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool blank = line.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
    if (blank) {
      if (!rec.lines.empty()) out.push_back(std::move(rec));
      rec = Record{};
      continue;
    }
    if (line[0] == '#') continue;
    if (rec.lines.empty()) rec.line = n;
    rec.lines.push_back(line);
  }
  if (!rec.lines.empty()) out.push_back(std::move(rec));
  return out;
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> t;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    size_t j = i;
    while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j]))) ++j;
    if (j > i) t.push_back(s.substr(i, j - i));
    i = j;
  }
  return t;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Md5(const std::vector<std::string>& values) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_md5(), nullptr);
  for (const auto& v : values) {
    EVP_DigestUpdate(ctx, v.data(), v.size());
    EVP_DigestUpdate(ctx, "\n", 1);
  }
  unsigned char md[16];
  unsigned int len = 0;
  EVP_DigestFinal_ex(ctx, md, &len);
  EVP_MD_CTX_free(ctx);
  char hex[33];
  for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", md[i]);
  return hex;
}

std::string RenderText(const std::string& s) {
  if (s.empty()) return "(empty)";
  std::string r = s;
  for (auto& c : r)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '@';
  return r;
}

// R values: at most 16 significant digits, rounded, then shown with three
// decimals (rounding half to even), as the reference rendering does.
std::string RenderReal(double d) {
  if (!std::isfinite(d)) {
    char* s = sqlite3_mprintf("%.3f", d);
    std::string r = s ? s : "";
    sqlite3_free(s);
    return r;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15e", d);
  std::string text = buf;
  bool neg = text[0] == '-';
  if (neg) text.erase(0, 1);
  size_t e = text.find('e');
  std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
  int intLen = std::atoi(text.c_str() + e + 1) + 1;
  std::string whole, frac;
  if (intLen >= static_cast<int>(digits.size())) {
    whole = digits + std::string(static_cast<size_t>(intLen) - digits.size(), '0');
  } else if (intLen > 0) {
    whole = digits.substr(0, static_cast<size_t>(intLen));
    frac = digits.substr(static_cast<size_t>(intLen));
  } else {
    whole = "0";
    frac = std::string(static_cast<size_t>(-intLen), '0') + digits;
  }
  bool up = false;
  if (frac.size() > 3) {
    std::string rest = frac.substr(3);
    frac.resize(3);
    if (rest[0] > '5') up = true;
    else if (rest[0] == '5')
      up = rest.find_first_not_of('0', 1) != std::string::npos || ((frac[2] - '0') % 2 == 1);
  }
  frac.resize(3, '0');
  std::string all = whole + frac;
  if (up) {
    int i = static_cast<int>(all.size()) - 1;
    while (i >= 0 && all[static_cast<size_t>(i)] == '9') all[static_cast<size_t>(i--)] = '0';
    if (i < 0) all.insert(all.begin(), '1');
    else ++all[static_cast<size_t>(i)];
  }
  std::string out = all.substr(0, all.size() - 3) + "." + all.substr(all.size() - 3);
  size_t nz = out.find_first_not_of('0');
  if (nz != std::string::npos && nz > 0 && out[nz] == '.') out.erase(0, nz - 1);
  else if (nz != std::string::npos && nz > 0) out.erase(0, nz);
  return (neg ? "-" : "") + out;
}

class Runner {
public:
  Runner(SQLCA& ca, bool verbose) : ca_(ca), verbose_(verbose) {}

  struct Totals {
    long ran = 0, passed = 0, failed = 0, skipped = 0;
  };

  Totals RunFile(const std::string& path) {
    Totals t;
    int threshold = 8;
    std::map<std::string, std::string> labels;
    for (Record& rec : ReadRecords(path)) {
      std::vector<std::string>& L = rec.lines;
      bool skip = false;
      size_t first = 0;
      while (first < L.size()) {
        auto tok = Split(L[first]);
        if (tok.size() < 2 || (tok[0] != "skipif" && tok[0] != "onlyif")) break;
        bool match = Lower(tok[1]) == "sqlite";
        if ((tok[0] == "skipif" && match) || (tok[0] == "onlyif" && !match)) skip = true;
        ++first;
      }
      if (first >= L.size()) continue;
      auto tok = Split(L[first]);
      if (tok.empty()) continue;
      if (tok[0] == "halt") {
        if (skip) continue;
        break;
      }
      if (tok[0] == "hash-threshold") {
        threshold = tok.size() > 1 ? std::atoi(tok[1].c_str()) : 0;
        continue;
      }
      if (tok[0] != "statement" && tok[0] != "query") {
        Fail(t, path, rec.line, "unknown record " + tok[0]);
        break;
      }
      if (skip) {
        // Labels of skipped queries still count, with the file's results.
        if (tok[0] == "query" && tok.size() > 3) {
          std::vector<std::string> body(L.begin() + static_cast<long>(first) + 1, L.end());
          auto sep = std::find(body.begin(), body.end(), "----");
          if (sep != body.end()) {
            std::vector<std::string> expected(sep + 1, body.end());
            if (expected.size() == 1 && expected[0].find(" values hashing to ") != std::string::npos)
              labels.emplace(tok[3], expected[0].substr(expected[0].rfind(' ') + 1));
          }
        }
        ++t.skipped;
        continue;
      }
      ++t.ran;
      std::string sql;
      size_t i = first + 1;
      std::vector<std::string> expected;
      bool sepSeen = false;
      for (; i < L.size(); ++i) {
        if (tok[0] == "query" && L[i] == "----") {
          sepSeen = true;
          ++i;
          break;
        }
        if (!sql.empty()) sql += "\n";
        sql += L[i];
      }
      if (sepSeen) expected.assign(L.begin() + static_cast<long>(i), L.end());
      if (tok[0] == "statement") {
        bool wantOk = tok.size() > 1 && tok[1] == "ok";
        DBPP(dbpp_execute_imm, &ca_, C(sql), 2);
        bool ok = ca_.sqlcode >= 0;
        std::string why = ok ? "" : Message();
        if (ok) DBPP(dbpp_commit, &ca_, 0);
        if (ok == wantOk)
          ++t.passed;
        else
          Fail(t, path, rec.line, std::string("statement ") + (wantOk ? "ok" : "error") + " expected: " + why);
        continue;
      }
      std::string types = tok.size() > 1 ? tok[1] : "";
      std::string sort = tok.size() > 2 ? tok[2] : "nosort";
      std::string label = tok.size() > 3 ? tok[3] : "";
      std::vector<std::vector<std::string>> rows;
      std::string error;
      if (!Query(sql, types, rows, error)) {
        Fail(t, path, rec.line, "query failed: " + error);
        continue;
      }
      if (sort == "rowsort") std::sort(rows.begin(), rows.end());
      std::vector<std::string> flat;
      for (auto& r : rows)
        for (auto& v : r) flat.push_back(v);
      if (sort == "valuesort") std::sort(flat.begin(), flat.end());
      std::string md5 = Md5(flat);
      bool good = true;
      std::string why;
      if (!label.empty()) {
        auto [it, fresh] = labels.emplace(label, md5);
        if (!fresh && it->second != md5) {
          good = false;
          why = "label " + label + " disagrees";
        }
      }
      if (threshold > 0 && static_cast<int>(flat.size()) > threshold) {
        std::string want = std::to_string(flat.size()) + " values hashing to " + md5;
        if (expected.size() != 1 || expected[0] != want) {
          good = false;
          why = "wrong hash: got " + want + ", file has " + (expected.empty() ? "nothing" : expected[0]);
        }
      } else if (expected != flat) {
        good = false;
        why = "wrong result: got " + std::to_string(flat.size()) + " values" +
              (flat.empty() ? "" : " (first " + flat[0] + ")") + ", file has " +
              std::to_string(expected.size()) + (expected.empty() ? "" : " (first " + expected[0] + ")");
      }
      if (good)
        ++t.passed;
      else
        Fail(t, path, rec.line, why);
    }
    return t;
  }

private:
  std::string Message() {
    char buf[512];
    sqlerror_message(&ca_, buf, sizeof buf);
    return std::to_string(ca_.sqlcode) + " " + buf;
  }

  void Fail(Totals& t, const std::string& path, int line, const std::string& why) {
    ++t.failed;
    if (verbose_ || t.failed <= 20) std::printf("%s:%d: %s\n", path.c_str(), line, why.c_str());
  }

  // Runs one query; false only when it does not prepare or has the wrong
  // shape. A failure while reading stops the rows there, as the reference
  // runner does.
  bool Query(const std::string& sql, const std::string& types, std::vector<std::vector<std::string>>& rows,
             std::string& error) {
    short num = 0;
    DBPP(dbpp_prepare, &ca_, nullptr, C("slt"), &num, C(sql), nullptr, 1);
    if (ca_.sqlcode < 0) {
      error = Message();
      return false;
    }
    struct Dropper {
      SQLCA& ca;
      short num;
      ~Dropper() { DBPP(dbpp_dropstmt, &ca, nullptr, C("slt"), &num); }
    } dropper{ca_, num};
    SQLDA* probe = alloc_sqlda(0);
    DBPP(dbpp_describe, &ca_, nullptr, C("slt"), &num, probe, 1);
    int ncols = probe->sqld;
    free_sqlda(probe);
    if (ca_.sqlcode < 0) {
      error = Message();
      return false;
    }
    if (ncols != static_cast<int>(types.size())) {
      error = "wrong column count " + std::to_string(ncols);
      return false;
    }
    bool cut = false;
    ReadRows(num, types, ncols, kBlockRows, rows, cut);
    if (cut) {
      // A text longer than the row slot: read again row by row, fetching
      // long values piecewise.
      rows.clear();
      ReadRows(num, types, ncols, 1, rows, cut);
    }
    return true;
  }

  void ReadRows(short num, const std::string& types, int ncols, int block,
                std::vector<std::vector<std::string>>& rows, bool& cut) {
    bool pieces = cut;
    cut = false;
    const char* cursor = "slt_cursor";
    unsigned options = ESQL_CUR_READONLY | ESQL_CUR_UNIDIRECTIONAL;
    DBPP(dbpp_declare, &ca_, C(cursor), nullptr, C("slt"), &num, options);
    DBPP(dbpp_open, &ca_, C(cursor), nullptr, C("slt"), &num, nullptr, static_cast<short>(block), 0, options);
    if (ca_.sqlcode < 0) return;
    SQLDA* da = alloc_sqlda(static_cast<unsigned>(ncols * block));
    da->sqld = static_cast<int16_t>(ncols * block);
    std::vector<int> offset(static_cast<size_t>(ncols));
    int rowSize = 0;
    for (int c = 0; c < ncols; ++c) {
      offset[static_cast<size_t>(c)] = rowSize;
      rowSize += types[static_cast<size_t>(c)] == 'T' ? kTextLen : 8;
    }
    std::vector<char> buf(static_cast<size_t>(rowSize) * static_cast<size_t>(block));
    for (int r = 0; r < block; ++r)
      for (int c = 0; c < ncols; ++c) {
        SQLVAR& v = *orv_sqlvar(da, r * ncols + c);
        char t = types[static_cast<size_t>(c)];
        v.sqltype = static_cast<int16_t>((t == 'I' ? ESQL_BIGINT : t == 'R' ? ESQL_DOUBLE : ESQL_STRING) | 1);
        v.sqllen = static_cast<int16_t>(t == 'T' ? kTextLen : 8);
        v.sqldata = buf.data() + static_cast<size_t>(r * rowSize + offset[static_cast<size_t>(c)]);
      }
    for (;;) {
      DBPP(dbpp_fetch_array, &ca_, C(cursor), ESQL_FETCH_RELATIVE, 1, da, nullptr, 0, static_cast<unsigned>(block));
      if (ca_.sqlcode < 0 || ca_.sqlcode == 100) break;
      int got = ca_.sqlerrd[2];
      for (int r = 0; r < got; ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < ncols; ++c) {
          SQLVAR& v = *orv_sqlvar(da, r * ncols + c);
          char t = types[static_cast<size_t>(c)];
          if (*v.sqlind < 0) {
            row.push_back("NULL");
          } else if (t == 'I') {
            int64_t x;
            std::memcpy(&x, v.sqldata, 8);
            row.push_back(std::to_string(static_cast<int32_t>(static_cast<uint32_t>(x))));
          } else if (t == 'R') {
            double x;
            std::memcpy(&x, v.sqldata, 8);
            row.push_back(RenderReal(x));
          } else if (*v.sqlind > 0) {
            cut = true;
            if (pieces) row.push_back(RenderText(LongText(cursor, c + 1)));
            else row.push_back({});
          } else {
            row.push_back(RenderText(static_cast<const char*>(v.sqldata)));
          }
        }
        rows.push_back(std::move(row));
      }
      if (got < block) break;
    }
    free_sqlda(da);
    DBPP(dbpp_close, &ca_, C(cursor));
  }

  std::string LongText(const char* cursor, int column) {
    std::string all;
    std::vector<char> piece(32767);
    SQLDA* da = alloc_sqlda(1);
    da->sqld = 1;
    SQLVAR& v = *orv_sqlvar(da, 0);
    v.sqltype = ESQL_BINARY;
    v.sqllen = 32767;
    v.sqldata = piece.data();
    for (uint32_t off = 0;;) {
      DBPP(dbpp_get_data, &ca_, C(cursor), static_cast<unsigned>(column), off, da, 0);
      if (ca_.sqlcode < 0) break;
      uint16_t n;
      std::memcpy(&n, piece.data(), 2);
      all.append(piece.data() + 2, n);
      off += n;
      if (ca_.sqlcode != 101) break;
    }
    free_sqlda(da);
    return all;
  }

  SQLCA& ca_;
  bool verbose_;
};

}  // namespace

int main(int argc, char** argv) {
  bool verbose = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-v")) verbose = true;
    else files.push_back(argv[i]);
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: esql_slt [-v] FILE.test...\n");
    return 2;
  }
  // A memory file system when there is one: the runner commits after every
  // statement and the disk's flushes would dominate its run time.
  std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                         : std::filesystem::temp_directory_path();
  auto dir = base / ("orvslt-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  Runner::Totals all;
  int n = 0;
  for (const auto& file : files) {
    std::string db = (dir / ("f" + std::to_string(++n) + ".db")).string();
    orvesql::CreateDatabaseFile(db, "DBA", "sql");
    SQLCA ca;
    db_init(&ca);
    std::string params = "eng=slt" + std::to_string(n) + ";dbf=" + db + ";uid=DBA;pwd=sql";
    if (!db_string_connect(&ca, C(params))) {
      std::printf("%s: cannot connect (%d)\n", file.c_str(), ca.sqlcode);
      ++all.failed;
      db_fini(&ca);
      continue;
    }
    Runner runner(ca, verbose);
    Runner::Totals t = runner.RunFile(file);
    db_string_disconnect(&ca, nullptr);
    db_fini(&ca);
    std::printf("%s: %ld ran, %ld passed, %ld failed, %ld skipped\n", file.c_str(), t.ran, t.passed, t.failed,
                t.skipped);
    all.ran += t.ran;
    all.passed += t.passed;
    all.failed += t.failed;
    all.skipped += t.skipped;
    std::error_code ec;
    std::filesystem::remove(db, ec);
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::printf("slt summary: %ld ran, %ld passed, %ld failed, %ld skipped\n", all.ran, all.passed, all.failed,
              all.skipped);
  return all.failed ? 1 : 0;
}
