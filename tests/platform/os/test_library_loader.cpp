// Loading, symbol lookup and release, and the loader's error texts.
#include "LibraryLoader.h"
#include "OSError.h"
#include "OsTestFiles.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cerrno>
#include <thread>

using namespace ostest;
using ::testing::HasSubstr;

namespace {
using TAnswer = int (*)();
}

TEST(LibraryLoader, LoadLookUpAndFree) {
  const HMODULE module = LoadLibrary(ORV_TESTLIB_PLAIN);
  ASSERT_NE(module, 0u) << LastOSErrorMessage();
  void* address = GetProcAddress(module, "orv_testlib_answer");
  ASSERT_NE(address, nullptr);
  EXPECT_EQ(reinterpret_cast<TAnswer>(address)(), 42);

  EXPECT_EQ(GetProcAddress(module, "orv_testlib_missing"), nullptr);
  EXPECT_EQ(GetLastOSError(), OS_ERROR_SYMBOL_NOT_FOUND);
  EXPECT_THAT(LastOSErrorMessage(), HasSubstr("orv_testlib_missing"));

  EXPECT_TRUE(FreeLibrary(module));
  // Released: the handle is refused instead of being handed to the loader.
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetLastOSError(), EINVAL);
  EXPECT_EQ(GetProcAddress(module, "orv_testlib_answer"), nullptr);
  EXPECT_EQ(GetLastOSError(), EINVAL);
}

TEST(LibraryLoader, SecondLoadSharesTheHandleAndNeedsItsOwnFree) {
  const HMODULE first = LoadLibrary(ORV_TESTLIB_PLAIN);
  const HMODULE second = LoadLibrary(ORV_TESTLIB_PLAIN);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_NE(GetProcAddress(first, "orv_testlib_answer"), nullptr);
  EXPECT_TRUE(FreeLibrary(second));
  EXPECT_FALSE(FreeLibrary(second));
}

TEST(LibraryLoader, FailedLoadsTellWhy) {
  TTempDir dir;
  WriteAll(dir / "libtext.so", "not a library\n");
  struct Case { std::string file; int error; const char* text; };
  for (const Case& c : {Case{dir / "libmissing.so", OS_ERROR_LIBRARY_LOAD, "libmissing.so"},
                        Case{"libmissing-bare-orv.so", OS_ERROR_LIBRARY_LOAD, "libmissing-bare-orv.so"},
                        Case{dir / "libtext.so", OS_ERROR_LIBRARY_LOAD, "libtext.so"},
                        Case{"", EINVAL, "Invalid argument"}}) {
    SetLastOSError(0);
    EXPECT_EQ(LoadLibrary(c.file), 0u) << c.file;
    EXPECT_EQ(GetLastOSError(), c.error) << c.file;
    EXPECT_THAT(LastOSErrorMessage(), HasSubstr(c.text));
  }
}

TEST(LibraryLoader, BareNameIsFoundInTheCurrentFolder) {
  // The session changes into the library's folder and loads the bare name.
  TTempDir dir;
  const std::string name = "liborvloader_cwd_" + std::to_string(::getpid()) + ".so";
  WriteAll(dir / name, ReadAll(ORV_TESTLIB_PLAIN));
  TScopedChdir cwd(dir.Path());
  const HMODULE module = LoadLibrary(name);
  ASSERT_NE(module, 0u) << LastOSErrorMessage();
  EXPECT_NE(GetProcAddress(module, "orv_testlib_answer"), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(LibraryLoader, BadHandlesAreRefused) {
  // Handle 0 would otherwise search every loaded library ("malloc" is found).
  for (const HMODULE module : {HMODULE{0}, HMODULE{1}, HMODULE{0x1234}}) {
    SetLastOSError(0);
    EXPECT_EQ(GetProcAddress(module, "malloc"), nullptr);
    EXPECT_EQ(GetLastOSError(), EINVAL);
    EXPECT_FALSE(FreeLibrary(module));
  }
  const HMODULE module = LoadLibrary(ORV_TESTLIB_PLAIN);
  ASSERT_NE(module, 0u);
  EXPECT_EQ(GetProcAddress(module, ""), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(LibraryLoader, ErrorTextBelongsToTheFailingThread) {
  std::string otherText;
  EXPECT_EQ(LoadLibrary("/nonexistent/liborv-main-thread.so"), 0u);
  std::thread other([&] {
    EXPECT_EQ(LoadLibrary("/nonexistent/liborv-other-thread.so"), 0u);
    otherText = LastOSErrorMessage();
  });
  other.join();
  EXPECT_THAT(otherText, HasSubstr("liborv-other-thread.so"));
  EXPECT_THAT(LastOSErrorMessage(), HasSubstr("liborv-main-thread.so"));
}

TEST(OSError, TextsForCodes) {
  EXPECT_EQ(SysErrorMessage(ENOENT), "No such file or directory");
  EXPECT_THAT(SysErrorMessage(99999), HasSubstr("99999"));
  SetLastOSError(OS_ERROR_LIBRARY_LOAD, "loader says no");
  EXPECT_EQ(LastOSErrorMessage(), "loader says no");
  // A plain code forgets the loader's text.
  SetLastOSError(OS_ERROR_LIBRARY_LOAD);
  EXPECT_FALSE(LastOSErrorMessage().empty());
  EXPECT_NE(LastOSErrorMessage(), "loader says no");
}
