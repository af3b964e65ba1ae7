// Resource strings: built-in texts by identifier and the language-file override.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "ResourceStrings.h"
#include "SysExceptions.h"

namespace {

const TResourceString TestMessage{60001, "Field \"%s\" not found."};
const TResourceString TestOther{60002, "Other"};

class LanguageFile : public ::testing::Test {
protected:
  void TearDown() override {
    ResetLanguage();
    std::remove(FPath.c_str());
  }
  const std::string& Write(const std::string& content) {
    std::ofstream(FPath, std::ios::binary) << content;
    return FPath;
  }
  std::string FPath = ::testing::TempDir() + "rtl_lang_" + std::to_string(getpid()) + ".txt";
};

TEST(ResourceStrings, BuiltInTexts) {
  EXPECT_EQ(TestMessage.Load(), "Field \"%s\" not found.");
  EXPECT_EQ(LoadResString(60002), "Other");
  EXPECT_EQ(std::string(TestOther), "Other");
  EXPECT_TRUE(IsResourceStringRegistered(60001));
  RegisterResourceString(60002, "Other");  // the same again is harmless
  EXPECT_THROW(RegisterResourceString(60002, "Clash"), EInvalidOperation);
  try {
    LoadResString(60999);
    ADD_FAILURE();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Resource string 60999 not found");
  }
}

TEST_F(LanguageFile, OverridesAndResets) {
  LoadLanguageFile(Write("# German\n"
                         "\n"
                         "60001 = Feld \"%s\" nicht gefunden.\\nNochmal\\t\\\\ende\r\n"
                         "  # indented comment\n"
                         "61000=for a module that registers later\n"));
  EXPECT_EQ(TestMessage.Load(), " Feld \"%s\" nicht gefunden.\nNochmal\t\\ende");
  EXPECT_EQ(TestOther.Load(), "Other");
  EXPECT_EQ(LoadResString(61000), "for a module that registers later");
  // A new file replaces the old one entirely.
  LoadLanguageFile(Write("60002=Andere\n"));
  EXPECT_EQ(TestMessage.Load(), "Field \"%s\" not found.");
  EXPECT_EQ(TestOther.Load(), "Andere");
  ResetLanguage();
  EXPECT_EQ(TestOther.Load(), "Other");
}

TEST_F(LanguageFile, MalformedFileIsRejectedWholeNamingTheLine) {
  LoadLanguageFile(Write("60002=Andere\n"));
  struct {
    const char* Content;
    int Line;
  } cases[] = {
      {"60001=ok\nno equals sign\n", 2},
      {"60001=ok\n\n# c\nabc=x\n", 4},
      {"65536=too big\n", 1},
      {"=empty id\n", 1},
      {"60001=a\n60001=b\n", 2},
      {"60001=bad \\q escape\n", 1},
      {"60001=ok\n60002=trailing \\\n", 2},
      {"-1=x\n", 1},
  };
  for (const auto& c : cases) {
    try {
      LoadLanguageFile(Write(c.Content));
      ADD_FAILURE() << c.Content;
    } catch (const EParserError& e) {
      EXPECT_NE(e.Message().find("line " + std::to_string(c.Line) + ":"), std::string::npos)
          << e.Message();
      EXPECT_NE(e.Message().find(FPath), std::string::npos);
    }
    // All or nothing: the previous file's texts are still in use.
    EXPECT_EQ(TestOther.Load(), "Andere");
    EXPECT_EQ(TestMessage.Load(), "Field \"%s\" not found.");
  }
}

TEST_F(LanguageFile, UnreadableFile) {
  EXPECT_THROW(LoadLanguageFile(FPath + ".missing"), EFOpenError);
  EXPECT_THROW(LoadLanguageFile(::testing::TempDir()), EFOpenError);
  try {
    LoadLanguageFile(FPath + ".missing");
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("No such file or directory"), std::string::npos) << e.Message();
  }
}

}  // namespace
