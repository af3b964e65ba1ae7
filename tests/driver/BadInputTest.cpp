// Finding and loading the library when the settings are wrong: a folder that
// does not exist, a file that is not a library, an empty file name. Each gives
// its message, loads nothing and leaves the next attempt free to succeed.
#include <filesystem>
#include <fstream>

#include "CurrentDir.h"
#include "FakeLibrary.h"

namespace {

namespace fs = std::filesystem;

// A folder of the test's own, removed at the end.
struct TTempFolder {
  fs::path path;
  TTempFolder() {
    static int counter = 0;
    path = fs::temp_directory_path() / ("orvdrv-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    fs::create_directories(path);
  }
  ~TTempFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// Loads the library and returns the message it raised ("" when it loaded).
std::string LoadError(TAsaSession* s) {
  try {
    s->SetConnected(true);
  } catch (const EAsaException& e) {
    EXPECT_EQ(e.ErrorCode, 0);
    EXPECT_EQ(s->LastError, e.what());
    EXPECT_EQ(s->LastErrorCode, 0);
    return e.what();
  }
  return "";
}

void ExpectNothingLoaded(TAsaSession* s) {
  EXPECT_FALSE(s->LibraryLoaded);
  EXPECT_FALSE(s->Connected());
  EXPECT_EQ(LibraryHandle, 0u);
  EXPECT_EQ(LibraryReferenceCount, 0);
  EXPECT_EQ(s->LibraryDirectory, "");
  EXPECT_EQ(EntryPointTable[aep_db_init], nullptr);
}

TEST_F(FakeTest, FolderThatDoesNotExist) {
  std::string before = GetCurrentDir();
  TAsaSession* s = NewSession();
  s->SetLibraryPath("  /nonexistent/orvane  ");
  EXPECT_EQ(LoadError(s), "Could not find database library path. (/nonexistent/orvane/,No such file or directory)");
  ExpectNothingLoaded(s);
  EXPECT_EQ(GetCurrentDir(), before);

  s->SetLibraryPath(" " + FakeFolder + "/ ");
  EXPECT_EQ(LoadError(s), "");
  EXPECT_TRUE(s->Connected());
  EXPECT_EQ(s->LibraryDirectory, FakeFolder + "/");  // one delimiter, not two
  EXPECT_EQ(GetCurrentDir(), before);
}

TEST_F(FakeTest, FileThatIsNotALibrary) {
  TTempFolder folder;
  std::ofstream(folder.path / "libjunk.so") << "plain text, no library";
  std::string before = GetCurrentDir();
  TAsaSession* s = NewSession();
  s->SetLibraryPath(folder.path.string());
  s->SetLibraryFile("libjunk.so");
  std::string message = LoadError(s);
  const std::string prefix = "Could not load the Database Interface library. (libjunk.so,";
  EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
  EXPECT_GT(message.size(), prefix.size() + 1) << "the loader's text is missing";
  EXPECT_EQ(message.back(), ')');
  ExpectNothingLoaded(s);
  EXPECT_EQ(GetCurrentDir(), before);

  s->SetLibraryPath(FakeFolder);
  s->SetLibraryFile(fakeFile);
  EXPECT_EQ(LoadError(s), "");
  EXPECT_EQ(LibraryHandle, fake->Handle());
}

TEST_F(FakeTest, EmptyFileName) {
  TAsaSession* s = NewSession();
  s->SetLibraryFile("");
  EXPECT_EQ(LoadError(s), "Could not load the Database Interface library. (,Invalid argument)");
  ExpectNothingLoaded(s);
  s->SetLibraryPath("");
  EXPECT_EQ(LoadError(s), "Could not load the Database Interface library. (,Invalid argument)");
  ExpectNothingLoaded(s);
  s->SetLibraryFile(fakeFile);
  s->SetLibraryPath(FakeFolder);
  EXPECT_EQ(LoadError(s), "");
}

TEST_F(FakeTest, FileTheSearchDoesNotFind) {
  std::string before = GetCurrentDir();
  TAsaSession* s = NewSession();
  s->SetLibraryPath("");
  s->SetLibraryFile("libnosuch-orvane-library.so");
  std::string message = LoadError(s);
  EXPECT_EQ(message.rfind("Could not load the Database Interface library. (libnosuch-orvane-library.so,", 0), 0u)
      << message;
  ExpectNothingLoaded(s);
  EXPECT_EQ(GetCurrentDir(), before);
}

TEST_F(FakeTest, EmptyPathSearchesAndRemembersTheFolder) {
  // The current folder is one of the places the search looks in.
  TCurrentDirGuard guard;
  ASSERT_TRUE(guard.Change(FakeFolder));
  TAsaSession* s = NewSession();
  s->SetLibraryPath("");
  EXPECT_EQ(LoadError(s), "");
  EXPECT_EQ(LibraryHandle, fake->Handle());
  EXPECT_EQ(s->LibraryDirectory, FakeFolder + "/");
}

TEST_F(FakeTest, WindowsLibraryNameIsTriedInThePlatformForm) {
  TAsaSession* s = NewSession();
  s->SetLibraryFile("fakedblib6.dll");
  EXPECT_EQ(LoadError(s), "");
  EXPECT_EQ(LibraryHandle, fake->Handle());
  EXPECT_EQ(AsaLibraryFileNames("dblib7.dll"), (std::vector<std::string>{"dblib7.dll", "libdblib7.so"}));
  EXPECT_EQ(AsaLibraryFileNames("C:\\lib\\DBLIB6.DLL"),
            (std::vector<std::string>{"C:\\lib\\DBLIB6.DLL", "C:\\lib\\libDBLIB6.so"}));
  EXPECT_EQ(AsaLibraryFileNames("libdblib6.so"), std::vector<std::string>{"libdblib6.so"});
  EXPECT_EQ(AsaLibraryFileNames(".dll"), std::vector<std::string>{".dll"});
}

TEST_F(FakeTest, LibraryFolderGoneBeforeConnecting) {
  TTempFolder folder;
  fs::copy_file(FakeFolder + "/" + fakeFile, folder.path / fakeFile);
  TAsaSession* s = NewSession();
  s->SetLibraryPath(folder.path.string());
  s->InternalLibraryHandleNeeded();
  fs::remove_all(folder.path);  // the loaded library stays mapped
  EXPECT_EQ(LoadError(s), "Could not find database library path. (" + folder.path.string() + "/)");
  EXPECT_FALSE(s->Connected());
}

}  // namespace
