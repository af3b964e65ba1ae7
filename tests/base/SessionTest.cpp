// The session frame: library reference counting, connection and transaction
// state, destruction, streamed connection and text conversion.
#include <gtest/gtest.h>

#include "FrameTestSupport.h"
#include "ClassRegistry.h"
#include "Filer.h"
#include "FormText.h"
#include "MessageBox.h"

namespace {

class RecordingBackEnd : public TUIBackEnd {
public:
  int Show(const TMessageBoxRequest& request) override {
    Boxes.push_back(request);
    return IDOK;
  }
  std::vector<TMessageBoxRequest> Boxes;
};

TEST_F(FrameTest, LibraryIsSharedByTwoSessionsAndUnloadedWithTheLast) {
  auto second = std::make_unique<TTestSession>(nullptr, &log);
  session->SetConnected(true);
  second->SetConnected(true);
  EXPECT_EQ(TTestSession::LibraryLoads, 1);
  EXPECT_EQ(TTestSession::LibraryReferences, 2);
  EXPECT_EQ(log.CountOf("LoadProcs"), 1);
  // Disconnecting never releases the library.
  session->SetConnected(false);
  EXPECT_EQ(TTestSession::LibraryReferences, 2);
  sql.reset();
  session.reset();
  EXPECT_EQ(TTestSession::LibraryReferences, 1);
  EXPECT_EQ(log.CountOf("UnLoadLibrary"), 0);
  second.reset();
  EXPECT_EQ(TTestSession::LibraryReferences, 0);
  EXPECT_EQ(log.CountOf("UnLoadLibrary"), 1);
}

TEST_F(FrameTest, LibraryHandleIsTakenOncePerSession) {
  session->InternalLibraryHandleNeeded();
  session->InternalLibraryHandleNeeded();
  EXPECT_EQ(log.Text(), "LoadLibrary LoadProcs SetLibraryLoaded(1)");
  EXPECT_EQ(TTestSession::LibraryReferences, 1);
}

TEST_F(FrameTest, DestroyingTheSessionLeavesItsStatementsWithoutSession) {
  ASSERT_TRUE(sql->OpenRead("q", NoValues()));
  session->SetConnected(true);
  log.Clear();
  session.reset();
  // Disconnecting closed and unprepared the statement; it is still alive.
  EXPECT_EQ(log.Text(), "Disconnect Close UnprepareOpen SetLibraryLoaded(0) UnLoadLibrary");
  EXPECT_FALSE(sql->IsSessionAssigned());
  EXPECT_FALSE(sql->OpenPrepared);
  try {
    sql->OpenRead("q", NoValues());
    ADD_FAILURE() << "no exception";
  } catch (const EOrvaneException& e) {
    EXPECT_EQ(e.Message(), "The session property is not linked to a session");
  }
}

TEST_F(FrameTest, DestructionReleasesEverythingEvenWhenTheDriverFails) {
  session->SetConnected(true);
  ASSERT_TRUE(sql->OpenRead("q", NoValues()));
  sql->Fail = {"UnprepareOpen"};
  session->FailDisconnect = true;
  sql.reset();  // the failing drop is ignored; buffers and the list entry go
  EXPECT_TRUE(session->Queries.empty());
  session.reset();
  EXPECT_EQ(TTestSession::LibraryReferences, 0);
  EXPECT_EQ(log.CountOf("UnLoadLibrary"), 1);
}

TEST_F(FrameTest, StartTransactionTwiceRaisesUntilTheTransactionEnds) {
  session->StartTransaction();
  EXPECT_TRUE(session->InTransaction);
  log.Clear();
  ExpectFrameError([&] { session->StartTransaction(); }, "A user transaction is already in progress");
  EXPECT_EQ(log.Text(), "");  // nothing committed
  session->Commit();
  EXPECT_FALSE(session->InTransaction);
  session->StartTransaction();
  session->Rollback();
  EXPECT_FALSE(session->InTransaction);
  EXPECT_EQ(log.Text(), "Commit Commit Rollback");
}

TEST_F(FrameTest, ChangingTheConnectionEndsTheUserTransaction) {
  session->SetConnected(true);
  session->StartTransaction();
  session->SetConnected(true);  // no change: the transaction stays
  EXPECT_TRUE(session->InTransaction);
  session->SetConnected(false);
  EXPECT_FALSE(session->InTransaction);
  session->SetConnected(true);
  EXPECT_NO_THROW(session->StartTransaction());
}

TEST_F(FrameTest, StreamedConnectionIsAppliedWhenLoaded) {
  session->StreamedConnected = true;
  session->Loaded();
  EXPECT_TRUE(session->Connected());
}

TEST_F(FrameTest, FailedStreamedConnectionAtDesignTimeShowsAnErrorBox) {
  RecordingBackEnd backEnd;
  TUIBackEnd* previous = SetUIBackEnd(&backEnd);
  session->FailConnect = true;
  session->StreamedConnected = true;
  session->SetDesigning(true);
  EXPECT_NO_THROW(session->Loaded());
  SetUIBackEnd(previous);
  ASSERT_EQ(backEnd.Boxes.size(), 1u);
  EXPECT_EQ(backEnd.Boxes[0].Text, "Connection refused");
  EXPECT_EQ(backEnd.Boxes[0].Caption, "OrvaneDB");
  EXPECT_EQ(backEnd.Boxes[0].Flags, uint32_t(MB_ICONERROR | MB_OK));
  EXPECT_FALSE(session->Connected());
}

TEST_F(FrameTest, FailedStreamedConnectionAtRunTimePropagates) {
  RecordingBackEnd backEnd;
  TUIBackEnd* previous = SetUIBackEnd(&backEnd);
  session->FailConnect = true;
  session->StreamedConnected = true;
  try {
    session->Loaded();
    ADD_FAILURE() << "no exception";
  } catch (const EOrvaneException& e) {
    EXPECT_EQ(e.ErrorCode, -103);
    EXPECT_EQ(session->LastErrorCode, -103);
  }
  SetUIBackEnd(previous);
  EXPECT_TRUE(backEnd.Boxes.empty());
}

TEST_F(FrameTest, TranslateCharConvertsOnlyWithOemConvert) {
  const char source[] = "caf\xE9";
  char destination[] = "xxxx";
  session->TranslateChar(source, destination, 4, true);
  EXPECT_STREQ(destination, "xxxx");  // untouched
  session->SetOEMConvert(true);
  session->TranslateChar(source, destination, 4, true);
  EXPECT_STREQ(destination, "caf\x82");
  session->TranslateChar(destination, destination, 4, false);
  EXPECT_STREQ(destination, "caf\xE9");
}

TEST_F(FrameTest, TranslateLICompCharComparesServerTextAsOem) {
  EXPECT_TRUE(session->TranslateLICompChar("Abc", "aBd", 2));
  EXPECT_FALSE(session->TranslateLICompChar("Abc", "aBd", 3));
  // OEM 0x82 is é, OEM 0x90 is É: equal case-insensitively once read as OEM.
  EXPECT_FALSE(session->TranslateLICompChar("caf\x82", "CAF\x90", 4));
  session->SetOEMConvert(true);
  EXPECT_TRUE(session->TranslateLICompChar("caf\x82", "CAF\x90", 4));
  EXPECT_TRUE(session->TranslateLICompChar("abc", "ABC", 0xFFFFFFFFu));  // a bound, not a size
  EXPECT_FALSE(session->TranslateLICompChar("abc", "ABD", 0xFFFFFFFFu));
}

TEST_F(FrameTest, LibraryVersionWithoutVersionRecordIsZero) {
  session->LibraryDirectory = "";
  session->SetLibraryFile("/nonexistent/libnothing.so");
  EXPECT_EQ(session->GetLibraryVersion(), "0.0.0.0");
  EXPECT_TRUE(session->LibraryLoaded);
  session->SetLibraryFile(ORV_BINARY_DIR "/lib/libOrvCore.so");
  EXPECT_EQ(session->GetLibraryVersion(), "1.84.0.0");
  // A name in the other platform's form reads the file of this platform's form.
  session->SetLibraryFile(ORV_BINARY_DIR "/lib/OrvCore.DLL");
  EXPECT_EQ(session->GetLibraryVersion(), "1.84.0.0");
}

TEST_F(FrameTest, BaseSessionSlotsAnswerFalse) {
  EXPECT_FALSE(session->Execute("x"));
  EXPECT_FALSE(session->Ping("eng=x"));
}

}  // namespace

namespace {

TEST(FrameStreaming, FormFileConnectsAfterLoadingAndLinksTheStatement) {
  TTestSession::LibraryReferences = 0;
  RegisterClasses({TTestSession::StaticClass(), TTestSQL::StaticClass()});
  TComponent module(nullptr);
  TReader reader;
  reader.ReadRootComponent(ParseFormText("object Module: TComponent\n"
                                         "  object Query: TTestSQL\n"
                                         "    Session = Db\n"
                                         "  end\n"
                                         "  object Db: TTestSession\n"
                                         "    Connected = True\n"
                                         "    LibraryFile = 'libx.so'\n"
                                         "  end\n"
                                         "end\n"),
                           &module, nullptr);
  auto* db = dynamic_cast<TTestSession*>(module.FindComponent("Db"));
  auto* query = dynamic_cast<TTestSQL*>(module.FindComponent("Query"));
  ASSERT_NE(db, nullptr);
  ASSERT_NE(query, nullptr);
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(db->LibraryFile(), "libx.so");
  EXPECT_EQ(query->GetSession(), db);
  EXPECT_EQ(db->Queries, std::vector<TOrvaneSQL*>{query});
  EXPECT_EQ(TTestSession::LibraryReferences, 1);
}

}  // namespace
