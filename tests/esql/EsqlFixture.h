// Test support for the Embedded SQL library: the call form of the library
// under test, a temporary database file per test and small call helpers.
#pragma once

#include "DatabaseFile.h"
#include "OrvEsql.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#if defined(ORV_ESQL_LONG_FORM)
inline char g_programRecord[22];
#define PR g_programRecord,
#else
#define PR
#endif

// Calls a dbpp_ entry point in the form the library was built for.
#define DBPP(fn, ca, ...) fn(ca, PR __VA_ARGS__)

inline char* C(const std::string& s) { return const_cast<char*>(s.c_str()); }

// One descriptor entry bound to a caller buffer.
struct Slot {
  std::vector<char> data;
  int16_t ind = 0;
};

class EsqlTest : public ::testing::Test {
protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    int n = ++counter;
    dir_ = std::filesystem::temp_directory_path() /
           ("orvesql-" + std::to_string(::getpid()) + "-" + std::to_string(n));
    std::filesystem::create_directories(dir_);
    file_ = (dir_ / "test.db").string();
    orvesql::CreateDatabaseFile(file_, "DBA", "sql");
    engine_ = "eng" + std::to_string(::getpid()) + "_" + std::to_string(n);
    ASSERT_NE(db_init(&ca_), 0);
    Connect(ca_);
  }
  void TearDown() override {
    db_string_disconnect(&ca_, nullptr);
    db_fini(&ca_);
    SQLCA tmp;
    db_init(&tmp);
    db_stop_engine(&tmp, C("eng=" + engine_ + ";unconditional=yes"));
    db_fini(&tmp);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::string ConnectString() const {
    return "eng=" + engine_ + ";dbf=" + file_ + ";uid=DBA;pwd=sql";
  }
  void Connect(SQLCA& ca) {
    ASSERT_NE(db_string_connect(&ca, C(ConnectString())), 0u) << ca.sqlcode << " " << Message(ca);
  }

  static std::string Message(SQLCA& ca) {
    char buf[512];
    sqlerror_message(&ca, buf, sizeof buf);
    return buf;
  }

  int Exec(const std::string& sql, SQLCA* ca = nullptr) {
    SQLCA* c = ca ? ca : &ca_;
    DBPP(dbpp_execute_imm, c, C(sql), 2);
    return c->sqlcode;
  }
  void Ok(const std::string& sql, SQLCA* ca = nullptr) {
    SQLCA* c = ca ? ca : &ca_;
    EXPECT_EQ(Exec(sql, c), 0) << sql << ": " << Message(*c);
  }
  short Prepare(const std::string& sql, SQLCA* ca = nullptr) {
    SQLCA* c = ca ? ca : &ca_;
    short num = 0;
    DBPP(dbpp_prepare, c, nullptr, C("test"), &num, C(sql), nullptr, 1);
    EXPECT_EQ(c->sqlcode, 0) << sql << ": " << Message(*c);
    return num;
  }

  // Opens cursor name over sql with the given options; returns SQLCOUNT.
  int Open(const std::string& name, const std::string& sql, unsigned options, SQLDA* in = nullptr,
           SQLCA* ca = nullptr) {
    SQLCA* c = ca ? ca : &ca_;
    short num = Prepare(sql, c);
    DBPP(dbpp_declare, c, C(name), nullptr, C("test"), &num, options);
    EXPECT_EQ(c->sqlcode, 0) << Message(*c);
    DBPP(dbpp_open, c, C(name), nullptr, C("test"), &num, in, 25, 0, options);
    EXPECT_EQ(c->sqlcode, 0) << sql << ": " << Message(*c);
    return c->sqlerrd[2];
  }

  // A descriptor of n entries of one type, with buffers.
  struct Desc {
    SQLDA* da = nullptr;
    std::vector<Slot> slots;
    Desc(int n, int16_t type, int16_t len) : slots(static_cast<size_t>(n)) {
      da = alloc_sqlda(static_cast<unsigned>(n));
      da->sqld = static_cast<int16_t>(n);
      for (int i = 0; i < n; ++i) Set(i, type, len);
    }
    ~Desc() { free_sqlda(da); }
    Desc(const Desc&) = delete;
    Desc& operator=(const Desc&) = delete;
    void Set(int i, int16_t type, int16_t len) {
      SQLVAR& v = *orv_sqlvar(da, i);
      Slot& s = slots[static_cast<size_t>(i)];
      s.data.assign(static_cast<size_t>(len > 8 ? len : 8) + 16, 0);
      v.sqltype = type;
      v.sqllen = len;
      v.sqldata = s.data.data();
    }
    SQLVAR& operator[](int i) { return *orv_sqlvar(da, i); }
    int32_t Int(int i) { int32_t v; std::memcpy(&v, slots[static_cast<size_t>(i)].data.data(), 4); return v; }
    double Dbl(int i) { double v; std::memcpy(&v, slots[static_cast<size_t>(i)].data.data(), 8); return v; }
    std::string Str(int i) { return slots[static_cast<size_t>(i)].data.data(); }
    int16_t Ind(int i) { return *orv_sqlvar(da, i)->sqlind; }
    void PutInt(int i, int32_t v) { Set(i, ESQL_INT, 4); std::memcpy(slots[static_cast<size_t>(i)].data.data(), &v, 4); }
    void PutStr(int i, const std::string& s) {
      Set(i, ESQL_STRING, static_cast<int16_t>(s.size() + 1));
      std::memcpy(slots[static_cast<size_t>(i)].data.data(), s.c_str(), s.size() + 1);
    }
    void PutNull(int i) { *orv_sqlvar(da, i)->sqlind = -1; }
  };

  SQLCA ca_{};
  std::filesystem::path dir_;
  std::string file_;
  std::string engine_;
};
