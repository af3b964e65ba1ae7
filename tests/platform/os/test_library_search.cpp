// Library search: explicit folder, executable folder, current folder,
// LD_LIBRARY_PATH, the loader's folders, and the loader configuration.
#include "CurrentDir.h"
#include "LibrarySearch.h"
#include "OSError.h"
#include "OsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

using namespace ostest;

namespace {

// Any real library file serves; its contents do not matter to the search.
const std::string& LibBytes() {
  static const std::string bytes = ReadAll(ORV_TESTLIB_PLAIN);
  return bytes;
}

// A unique file name per test, so that no stray file elsewhere is found first.
std::string UniqueName(const char* stem) {
  return std::string("liborvsearch_") + stem + "_" + std::to_string(::getpid()) + ".so";
}

}  // namespace

TEST(LibrarySearch, ExplicitFolderIsTheOnlyPlaceLookedAt) {
  TTempDir there, here;
  const std::string name = UniqueName("explicit");
  WriteAll(there / name, LibBytes());
  WriteAll(here / name, LibBytes());
  TScopedChdir cwd(here.Path());

  for (const std::string& folder : {there.Path(), there.Path() + "/"}) {
    std::string found = "untouched";
    ASSERT_TRUE(FindLibrary(name, folder, found)) << folder;
    EXPECT_EQ(found, there.Path() + "/");
  }
  // Present in the current folder, but the explicit folder lacks it.
  TTempDir empty;
  std::string found = "untouched";
  EXPECT_FALSE(FindLibrary(name, empty.Path(), found));
  EXPECT_EQ(found, "untouched");
  EXPECT_EQ(GetLastOSError(), ENOENT);
}

TEST(LibrarySearch, AbsoluteNameIsTakenAsIs) {
  TTempDir dir;
  WriteAll(dir / "liba.so", LibBytes());
  std::string found;
  ASSERT_TRUE(FindLibrary(dir / "liba.so", "", found));
  EXPECT_EQ(found, dir.Path() + "/");
  EXPECT_FALSE(FindLibrary(dir / "libb.so", "", found));
}

TEST(LibrarySearch, CurrentFolderComesBeforeLdLibraryPath) {
  TTempDir cwdDir, envDir;
  const std::string name = UniqueName("cwd");
  WriteAll(envDir / name, LibBytes());
  TScopedEnv env("LD_LIBRARY_PATH", envDir.Path());
  TScopedChdir cwd(cwdDir.Path());

  std::string found;
  ASSERT_TRUE(FindLibrary(name, "", found));
  EXPECT_EQ(found, envDir.Path() + "/");
  WriteAll(cwdDir / name, LibBytes());
  ASSERT_TRUE(FindLibrary(name, "", found));
  EXPECT_EQ(found, cwdDir.Path() + "/");
}

TEST(LibrarySearch, ExecutableFolderComesFirst) {
  const std::string exeFolder = ExecutableFolder();
  ASSERT_FALSE(exeFolder.empty());
  ASSERT_EQ(exeFolder.back(), '/');
  TTempDir cwdDir;
  const std::string name = UniqueName("exe");
  WriteAll(cwdDir / name, LibBytes());
  WriteAll(exeFolder + name, LibBytes());
  TScopedChdir cwd(cwdDir.Path());
  std::string found;
  const bool ok = FindLibrary(name, "", found);
  std::filesystem::remove(exeFolder + name);
  ASSERT_TRUE(ok);
  EXPECT_EQ(found, exeFolder);
}

TEST(LibrarySearch, LdLibraryPathEntriesInOrder) {
  TTempDir a, b, c;
  const std::string name = UniqueName("env");
  WriteAll(b / name, LibBytes());
  WriteAll(c / name, LibBytes());
  // Empty entries, ';' as a separator and trailing slashes are all accepted.
  TScopedEnv env("LD_LIBRARY_PATH", "::" + a.Path() + ";" + b.Path() + "//:" + c.Path());
  std::string found;
  ASSERT_TRUE(FindLibrary(name, "", found));
  EXPECT_EQ(found, b.Path() + "/");

  const auto folders = LibrarySearchFolders();
  const auto at = [&](const std::string& f) {
    return std::find(folders.begin(), folders.end(), f) - folders.begin();
  };
  EXPECT_EQ(folders.at(0), ExecutableFolder());
  EXPECT_LT(at(a.Path() + "/"), at(b.Path() + "/"));
  EXPECT_LT(at(b.Path() + "/"), at(c.Path() + "/"));
  EXPECT_LT(at(c.Path() + "/"), at("/usr/lib/"));
  EXPECT_EQ(std::count(folders.begin(), folders.end(), b.Path() + "/"), 1);
}

TEST(LibrarySearch, SystemFoldersFindTheCLibrary) {
  TScopedEnv env("LD_LIBRARY_PATH", std::nullopt);
  TTempDir cwdDir;
  TScopedChdir cwd(cwdDir.Path());
  std::string found;
  ASSERT_TRUE(FindLibrary("libc.so.6", "", found));
  EXPECT_EQ(found.front(), '/');
  EXPECT_TRUE(std::filesystem::exists(found + "libc.so.6")) << found;
}

TEST(LibrarySearch, NotFoundAndBadNames) {
  TTempDir dir;
  std::filesystem::create_directory(dir / "libdir.so");
  TScopedChdir cwd(dir.Path());
  struct Case { std::string name; int error; };
  for (const Case& c : {Case{"liborv-no-such-library-anywhere.so", ENOENT},
                        Case{"libdir.so", ENOENT},  // a folder is no library
                        Case{"", EINVAL}}) {
    std::string found = "untouched";
    SetLastOSError(0);
    EXPECT_FALSE(FindLibrary(c.name, "", found)) << c.name;
    EXPECT_EQ(found, "untouched");
    EXPECT_EQ(GetLastOSError(), c.error) << c.name;
  }
}

TEST(LibrarySearch, LoaderConfigurationWithIncludes) {
  TTempDir dir;
  std::filesystem::create_directory(dir / "conf.d");
  WriteAll(dir / "ld.so.conf",
           "# comment\n"
           "/opt/first/lib/   # trailing comment\n"
           "include conf.d/*.conf\n"
           "include ld.so.conf\n"  // includes itself: must stop
           "hwcap 0 nosegneg\n"
           "relative/lib\n"
           "/opt/old=libc5\n");
  WriteAll(dir / "conf.d/b.conf", "/opt/b\n");
  WriteAll(dir / "conf.d/a.conf", "\t/opt/a\n/opt/first/lib\n");
  const auto folders = LoaderConfigFolders(dir / "ld.so.conf");
  EXPECT_EQ(folders, (std::vector<std::string>{"/opt/first/lib/", "/opt/a/", "/opt/b/", "/opt/old/"}));
  EXPECT_TRUE(LoaderConfigFolders(dir / "missing.conf").empty());
}
