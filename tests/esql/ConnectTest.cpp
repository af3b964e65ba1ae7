// Engines, databases, connection strings, logins and the codes they report.
#include "EsqlFixture.h"

#include <fstream>

namespace {

class Connect : public EsqlTest {};

TEST_F(Connect, ConnectionStringsAnswerTheirOwnCodes) {
  struct Case {
    std::string params;
    int code;
  } cases[] = {
      {ConnectString(), 0},
      {"eng=" + engine_ + ";dbf=" + file_ + ";uid=dba;pwd=sql", 0},  // user names ignore case
      {"ENG=" + engine_ + "; DBN = test ; UID=DBA;PWD=sql", 0},      // keys too; blanks dropped
      {"eng=" + engine_ + ";dbn=test;uid=DBA;pwd=wrong", -103},
      {"eng=" + engine_ + ";dbn=test;uid=nobody;pwd=sql", -103},
      {"eng=nosuchengine;dbn=test;uid=DBA;pwd=sql", -100},
      {"eng=" + engine_ + ";dbn=other;uid=DBA;pwd=sql", -83},
      {"eng=" + engine_ + ";dbn=test;uid=DBA;colour=blue", -97},
      {"eng=" + engine_ + ";dbn test;uid=DBA", -95},
      {"eng=" + engine_ + ";pwd='unterminated", -95},
      {"=x", -95},
  };
  for (const auto& c : cases) {
    SQLCA ca;
    ASSERT_NE(db_init(&ca), 0);
    unsigned ok = db_string_connect(&ca, C(c.params));
    EXPECT_EQ(ca.sqlcode, c.code) << c.params << ": " << Message(ca);
    EXPECT_EQ(ok != 0, c.code == 0) << c.params;
    if (c.code) {
      EXPECT_NE(std::string(ca.sqlstate), "00000");
      EXPECT_FALSE(Message(ca).empty());
    }
    db_fini(&ca);
  }
}

TEST_F(Connect, EngineAndDatabaseControl) {
  SQLCA ca;
  db_init(&ca);
  std::string eng = engine_ + "x";
  EXPECT_NE(db_start_engine(&ca, C("start=server.exe;eng=" + eng)), 0u);
  EXPECT_EQ(db_start_engine(&ca, C("eng=" + eng)), 0u);
  EXPECT_EQ(ca.sqlcode, -96);
  std::string copy = (dir_ / "copy.db").string();
  orvesql::CreateDatabaseFile(copy, "DBA", "sql");
  EXPECT_NE(db_start_database(&ca, C("eng=" + eng + ";dbf=" + copy + ";dbn=copy")), 0u);
  db_start_database(&ca, C("eng=" + eng + ";dbf=" + copy + ";dbn=copy"));
  EXPECT_EQ(ca.sqlcode, -77);  // name in use
  db_start_database(&ca, C("eng=" + eng + ";dbf=" + copy + ";dbn=again"));
  EXPECT_EQ(ca.sqlcode, -816);  // file in use
  db_start_database(&ca, C("eng=" + eng + ";dbf=" + (dir_ / "missing.db").string()));
  EXPECT_EQ(ca.sqlcode, -83);
  std::string junk = (dir_ / "junk.db").string();
  std::ofstream(junk) << "not a database at all, just text";
  db_start_database(&ca, C("eng=" + eng + ";dbf=" + junk + ";dbn=junk"));
  EXPECT_EQ(ca.sqlcode, -82);
  db_start_database(&ca, C("eng=nosuch;dbf=" + copy));
  EXPECT_EQ(ca.sqlcode, -100);

  // The driver's client path: engine and database named, no file.
  SQLCA user;
  db_init(&user);
  EXPECT_NE(db_string_connect(&user, C("eng=" + eng + ";dbn=copy;uid=DBA;pwd=sql")), 0u);
  EXPECT_NE(db_find_engine(&ca, C(eng)), 0);
  EXPECT_EQ(db_find_engine(&ca, C("nosuch")), 0);
  EXPECT_EQ(ca.sqlcode, -100);
  EXPECT_NE(db_string_ping_server(&ca, C("eng=" + eng + ";dbn=copy"), 0), 0u);
  db_stop_database(&ca, C("eng=" + eng + ";dbn=copy"));
  EXPECT_EQ(ca.sqlcode, -75);  // in use
  EXPECT_NE(db_string_disconnect(&user, nullptr), 0u);
  EXPECT_NE(db_stop_database(&ca, C("eng=" + eng + ";dbn=copy")), 0u);
  EXPECT_NE(db_stop_engine(&ca, C("eng=" + eng)), 0u);
  db_stop_engine(&ca, C("eng=" + eng));
  EXPECT_EQ(ca.sqlcode, -100);
  db_fini(&user);
  db_fini(&ca);
}

TEST_F(Connect, CallsOnADeadConnection) {
  SQLCA none;
  db_init(&none);
  DBPP(dbpp_execute_imm, &none, C("select 1"), 2);
  EXPECT_EQ(none.sqlcode, -101);
  DBPP(dbpp_commit, &none, 0);
  EXPECT_EQ(none.sqlcode, -101);
  EXPECT_EQ(db_string_disconnect(&none, nullptr), 0u);
  EXPECT_EQ(none.sqlcode, -101);
  db_fini(&none);

  // A database stopped under its connections: -308 once, then -101.
  SQLCA ctl;
  db_init(&ctl);
  EXPECT_NE(db_stop_database(&ctl, C("eng=" + engine_ + ";dbn=test;unconditional=yes")), 0u);
  DBPP(dbpp_execute_imm, &ca_, C("select 1"), 2);
  EXPECT_EQ(ca_.sqlcode, -308);
  DBPP(dbpp_execute_imm, &ca_, C("select 1"), 2);
  EXPECT_EQ(ca_.sqlcode, -101);
  db_fini(&ctl);
}

TEST_F(Connect, VersionCheckAndMessages) {
#if defined(ORV_ESQL_LONG_FORM)
  EXPECT_NE(db_version_check(6), 0);
  EXPECT_EQ(db_version_check(7), 0);
#else
  EXPECT_NE(db_version_check(7), 0);
  EXPECT_EQ(db_version_check(8), 0);
#endif
  EXPECT_NE(db_version_check(4), 0);
  EXPECT_EQ(std::string(ca_.sqlcaid, 5), "SQLCA");
  EXPECT_EQ(ca_.sqlcabc, 136);
  // Every code the library can report has a text of its own.
  const int codes[] = {100, 101, 105, -75, -77, -82, -83, -816, -95, -96, -97, -100, -101, -103, -108,
                       -110, -121, -130, -131, -134, -141, -143, -157, -158, -170, -172, -180, -188, -192,
                       -193, -194, -195, -196, -197, -200, -201, -209, -210, -260, -261, -299, -300, -301,
                       -304, -305, -308, -309, -640, -641, -642, -643, -668, -697};
  for (int code : codes) {
    SQLCA ca{};
    ca.sqlcode = code;
    std::string text = Message(ca);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.find("Unknown error code"), std::string::npos) << code;
  }
  char small[8];
  EXPECT_EQ(Exec("select * from nosuchtable"), -141);
  sqlerror_message(&ca_, small, sizeof small);
  EXPECT_EQ(std::strlen(small), 7u);
  EXPECT_NE(Message(ca_).find("nosuchtable"), std::string::npos);
  EXPECT_STREQ(ca_.sqlstate, "42W33");
}

TEST_F(Connect, NamedConnectionsOnOneSqlca) {
  ASSERT_NE(db_string_connect(&ca_, C(ConnectString() + ";con=second")), 0u);
  db_string_connect(&ca_, C(ConnectString() + ";con=second"));
  EXPECT_EQ(ca_.sqlcode, -110);
  EXPECT_NE(db_string_disconnect(&ca_, C("con=second")), 0u);
  db_string_disconnect(&ca_, C("con=second"));
  EXPECT_EQ(ca_.sqlcode, -108);
}

}  // namespace

namespace {

TEST_F(Connect, OrvinitMakesAFileWithOneUserAndRefusesAnExistingOne) {
  std::string tool = std::string(ORV_BINARY_DIR) + "/bin/orvinit";
  std::string file = (dir_ / "made.db").string();
  ASSERT_EQ(std::system((tool + " -u boss -p 'se cret' " + file + " > /dev/null").c_str()), 0);
  EXPECT_NE(std::system((tool + " " + file + " 2> /dev/null").c_str()), 0);  // exists already
  EXPECT_NE(std::system((tool + " > /dev/null 2>&1").c_str()), 0);          // no file named
  EXPECT_THROW(orvesql::CreateDatabaseFile(file_, "DBA", "sql"), std::exception);
  SQLCA ca;
  db_init(&ca);
  std::string base = "eng=" + engine_ + ";dbn=made;dbf=" + file;
  EXPECT_EQ(db_string_connect(&ca, C(base + ";uid=DBA;pwd=sql")), 0u);
  EXPECT_EQ(ca.sqlcode, -103);
  EXPECT_NE(db_string_connect(&ca, C(base + ";uid=BOSS;pwd='se cret'")), 0u) << Message(ca);
  db_string_disconnect(&ca, nullptr);
  db_fini(&ca);
}

}  // namespace
