// The current folder: get, set, and the guard that restores it.
#include "CurrentDir.h"
#include "OSError.h"
#include "OsTestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace ostest;

TEST(CurrentDir, SetAndGet) {
  TTempDir dir;
  WriteAll(dir / "file", "x");
  TScopedChdir back(std::filesystem::current_path().string());
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_EQ(GetCurrentDir(), dir.Path());
  ASSERT_TRUE(SetCurrentDir("/"));
  EXPECT_EQ(GetCurrentDir(), "/");

  struct Case { std::string dir; int error; };
  for (const Case& c : {Case{dir / "missing", ENOENT}, Case{dir / "file", ENOTDIR}, Case{"", ENOENT}}) {
    EXPECT_FALSE(SetCurrentDir(c.dir)) << c.dir;
    EXPECT_EQ(GetLastOSError(), c.error) << c.dir;
    EXPECT_EQ(GetCurrentDir(), "/");
  }
}

TEST(CurrentDir, GuardRestoresOnEveryPath) {
  TTempDir start, other;
  TScopedChdir back(start.Path());
  {
    TCurrentDirGuard guard;
    ASSERT_TRUE(guard.Change(other.Path()));
    EXPECT_EQ(GetCurrentDir(), other.Path());
  }
  EXPECT_EQ(GetCurrentDir(), start.Path());

  try {
    TCurrentDirGuard guard;
    ASSERT_TRUE(guard.Change(other.Path()));
    throw std::runtime_error("leaving early");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(GetCurrentDir(), start.Path());

  TCurrentDirGuard guard;
  EXPECT_FALSE(guard.Change(other / "missing"));
  EXPECT_EQ(GetCurrentDir(), start.Path());
  ASSERT_TRUE(guard.Change(other.Path()));
  EXPECT_TRUE(guard.Restore());
  EXPECT_EQ(GetCurrentDir(), start.Path());
  EXPECT_TRUE(guard.Restore());  // once only; repeats its answer
}

TEST(CurrentDir, GuardFindsARenamedFolder) {
  TTempDir root;
  std::filesystem::create_directory(root / "before");
  TScopedChdir back(root / "before");
  {
    TCurrentDirGuard guard;
    ASSERT_TRUE(guard.Change(root.Path()));
    std::filesystem::rename(root / "before", root / "after");
  }
  EXPECT_EQ(GetCurrentDir(), root / "after");
}
