// The library binding against the fake: one load shared by the sessions, the
// entry-point table and its fallbacks, each session's SQLCA, the generation
// flags with the program record, and the call form that follows from them.
#include <cstring>

#include "FakeLibrary.h"
#include "OrvRoutines.h"

namespace {

using Calls = std::vector<std::string>;

// Copies of the program record's fields: the record is packed, so its
// pointer fields are not aligned and cannot be bound to references.
void* SqlcaRef() { return ProgramRecord.SqlcaPointerRef; }
const uint16_t* VersionA() { return ProgramRecord.VersionRefA; }
const uint16_t* VersionB() { return ProgramRecord.VersionRefB; }

TEST_F(FakeTest, SessionsShareOneLoadEachWithItsOwnSqlca) {
  TAsaSession* a = NewSession();
  EXPECT_FALSE(a->LibraryLoaded);
  EXPECT_EQ(LibraryHandle, 0u);
  a->InternalLibraryHandleNeeded();
  EXPECT_EQ(LibraryHandle, fake->Handle());
  EXPECT_EQ(LibraryReferenceCount, 1);
  EXPECT_EQ(a->LibraryDirectory, FakeFolder + "/");
  for (int i = 0; i < aepCount; ++i)
    EXPECT_EQ(EntryPointTable[i], GetProcAddress(fake->Handle(), AsaEntryPointNames[i])) << AsaEntryPointNames[i];
  EXPECT_STREQ(AsaEntryPointNames[0], "dbpp_commit");
  EXPECT_STREQ(AsaEntryPointNames[aepCount - 1], "db_locate_servers");
  EXPECT_EQ(fake->Calls(), (Calls{"db_init()", "db_version_check(7)", "db_version_check(6)"}));
  EXPECT_EQ(fake->Sqlca(0), &a->SQLCA);
  EXPECT_STREQ(a->SQLCA.sqlcaid, "SQLCA");
  EXPECT_EQ(a->SQLCA.sqlcabc, 136);
  EXPECT_EQ(a->SqlcaPointer, &a->SQLCA);
  EXPECT_EQ(SqlcaRef(), &a->SqlcaPointer);

  // A second session naming another library still uses the loaded one, and
  // changes no folder: only the loading session knows where it came from.
  TAsaSession* b = NewSession();
  b->SetLibraryFile("libnosuchlibrary.so");
  b->SetLibraryPath("/nonexistent");
  b->InternalLibraryHandleNeeded();
  EXPECT_EQ(LibraryHandle, fake->Handle());
  EXPECT_EQ(LibraryReferenceCount, 2);
  EXPECT_EQ(b->LibraryDirectory, "");
  EXPECT_EQ(fake->Sqlca(fake->Find("db_init", 1)), &b->SQLCA);
  EXPECT_EQ(SqlcaRef(), &b->SqlcaPointer);

  int mark = fake->Count();
  Destroy(a);
  EXPECT_EQ(fake->Calls(mark), Calls{"db_fini()"});
  EXPECT_EQ(fake->Sqlca(mark), &a->SQLCA);  // the address is only compared, a is gone
  EXPECT_EQ(LibraryHandle, fake->Handle());
  EXPECT_EQ(LibraryReferenceCount, 1);
  EXPECT_EQ(SqlcaRef(), &b->SqlcaPointer);
  EXPECT_NE(EntryPointTable[aep_dbpp_commit], nullptr);

  Destroy(b);
  EXPECT_EQ(fake->Calls(mark), (Calls{"db_fini()", "db_fini()"}));
  EXPECT_EQ(LibraryHandle, 0u);
  EXPECT_EQ(LibraryReferenceCount, 0);
  for (void* entry : EntryPointTable) EXPECT_EQ(entry, nullptr);
  EXPECT_EQ(SqlcaRef(), nullptr);  // points into no destroyed session
}

TEST_F(FakeTest, ProgramRecordFollowsTheSessionLoadedLastAndOutlivesNoSession) {
  TAsaSession* a = NewSession();
  TAsaSession* b = NewSession();
  TAsaSession* c = NewSession();
  a->InternalLibraryHandleNeeded();
  b->InternalLibraryHandleNeeded();
  c->InternalLibraryHandleNeeded();
  EXPECT_EQ(SqlcaRef(), &c->SqlcaPointer);
  Destroy(b);
  EXPECT_EQ(SqlcaRef(), &c->SqlcaPointer);
  Destroy(c);
  EXPECT_EQ(SqlcaRef(), &a->SqlcaPointer);
  Destroy(a);
  EXPECT_EQ(SqlcaRef(), nullptr);
}

TEST_F(FakeTest, GenerationFromVersionCheckAndFileName) {
  struct Case {
    const char* file;
    unsigned versions;
    bool* flag;
    uint16_t generation;
    Calls checks;
  } cases[] = {
      {"libfakedblib7.so", 1u << 7 | 1u << 6, &LibVersion7, 7, {"db_version_check(7)"}},
      {"libFAKEDBLIB7.so", 1u << 7, &LibVersion7, 7, {"db_version_check(7)"}},
      {"libfakeseven.so", 1u << 7 | 1u << 6, &LibVersion6, 6, {"db_version_check(7)", "db_version_check(6)"}},
      {"libfakeseven.so", 1u << 7, &LibVersionOld, 4, {"db_version_check(7)", "db_version_check(6)"}},
      {"libfakedblib6.so", 1u << 6 | 1u << 4, &LibVersion6, 6, {"db_version_check(7)", "db_version_check(6)"}},
      {"libfakedblib6.so", 1u << 4, &LibVersionOld, 4, {"db_version_check(7)", "db_version_check(6)"}},
      {"libfakenoversion.so", 0, &LibNoVersionCheck, 4, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    UseFake(c.file);
    fake->SetVersions(c.versions);
    TAsaSession* s = NewSession();
    s->InternalLibraryHandleNeeded();
    EXPECT_EQ(int(LibNoVersionCheck) + int(LibVersionOld) + int(LibVersion6) + int(LibVersion7), 1);
    EXPECT_TRUE(*c.flag);
    EXPECT_EQ(*VersionA(), c.generation);
    EXPECT_EQ(*VersionB(), c.generation);
    EXPECT_NE(VersionA(), VersionB());
    EXPECT_EQ(fake->CallsOf({"db_version_check"}), c.checks);
    EXPECT_EQ(EntryPointTable[aep_db_version_check] == nullptr, std::strcmp(c.file, "libfakenoversion.so") == 0);
    Destroy(s);
  }
}

TEST_F(FakeTest, LongFormPassesTheProgramRecordShortFormDoesNot) {
  TAsaSession* s = NewSession();
  s->Commit();
  int commit = fake->Find("dbpp_commit");
  ASSERT_GE(commit, 0);
  EXPECT_EQ(fake->Call(commit), "dbpp_commit(0)");
  EXPECT_EQ(fake->Sqlca(commit), &s->SQLCA);
  EXPECT_EQ(fake->Prog(commit), &ProgramRecord);
  Destroy(s);

  UseFake("libfakedblib7.so");
  s = NewSession();
  s->Rollback();
  ASSERT_TRUE(LibVersion7);
  // Had the record been passed, the library would read its address as the
  // reserved argument.
  EXPECT_EQ(fake->CallsOf({"dbpp_rollback"}), Calls{"dbpp_rollback(0)"});
}

TEST_F(FakeTest, MissingEntryPointFailsOnlyWhenCalled) {
  UseFake("libfakemissing.so");
  TAsaSession* s = NewSession();
  s->SetConnected(true);
  EXPECT_TRUE(s->Connected());
  EXPECT_EQ(EntryPointTable[aep_dbpp_rollback], reinterpret_cast<void*>(&OrvDummyProc));
  s->Commit();
  try {
    s->Rollback();
    FAIL() << "no exception";
  } catch (const EOrvaneException& e) {
    EXPECT_STREQ(e.what(), "Function not supported by this version of the Database Interface library.");
    EXPECT_EQ(e.ErrorCode, 0);
  }
  EXPECT_TRUE(s->Connected());
}

TEST_F(FakeTest, PingFallsBackToFindingTheEngineByName) {
  TAsaSession* s = NewSession();
  EXPECT_TRUE(s->Ping("eng=Sales;dbn=x"));
  EXPECT_EQ(fake->CallsOf({"db_string_ping_server", "db_find_engine"}),
            Calls{"db_string_ping_server(eng=Sales;dbn=x,0)"});
  Destroy(s);

  UseFake("libfakenoping.so");
  s = NewSession();
  EXPECT_TRUE(s->Ping("dbn=x;ENG=Sales;links=tcpip"));
  EXPECT_TRUE(s->Ping("plain name"));
  fake->Script("db_find_engine", -100, "Database server not found", "08W01", 0);
  EXPECT_FALSE(s->Ping("eng=gone"));
  EXPECT_EQ(s->LastErrorCode, -100);
  EXPECT_EQ(EntryPointTable[aep_db_string_ping_server], nullptr);
  EXPECT_EQ(fake->CallsOf({"db_string_ping_server", "db_find_engine"}),
            (Calls{"db_find_engine(Sales)", "db_find_engine(plain name)", "db_find_engine(gone)"}));
}

TEST_F(FakeTest, FailedInitIsNotRetriedAndTheReferenceIsGivenBack) {
  fake->Script("db_init", 0, "", "", 0);
  TAsaSession* s = NewSession();
  try {
    s->InternalLibraryHandleNeeded();
    FAIL() << "no exception";
  } catch (const EAsaException& e) {
    EXPECT_STREQ(e.what(), "Unable to initialize database interface");
    EXPECT_EQ(e.ErrorCode, 0);
  }
  EXPECT_EQ(s->LastError, "Unable to initialize database interface");
  EXPECT_TRUE(s->LibraryLoaded);
  EXPECT_EQ(LibraryReferenceCount, 1);
  s->InternalLibraryHandleNeeded();
  EXPECT_EQ(fake->CallsOf({"db_init"}).size(), 1u);
}

TEST_F(FakeTest, StopCancelsOnlyARequestInProgress) {
  TAsaSession* s = NewSession();
  EXPECT_TRUE(s->Stop());
  fake->Script("db_is_working", 0, "", "00000", 1);
  fake->Script("db_cancel_request", -299, "Statement interrupted by user", "57014");
  EXPECT_FALSE(s->Stop());
  EXPECT_EQ(s->LastErrorCode, -299);
  EXPECT_EQ(fake->CallsOf({"db_is_working", "db_cancel_request"}),
            (Calls{"db_is_working()", "db_is_working()", "db_cancel_request()"}));
}

}  // namespace
