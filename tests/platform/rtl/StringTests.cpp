// Trimming, case mapping, the Windows-1252 collation, ANSI/OEM code pages and
// file-name helpers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "AnsiStrings.h"
#include "CodePages.h"
#include "FileUtils.h"

namespace {

TEST(Strings, Trim) {
  EXPECT_EQ(Trim(" \t\r\n ab c \x01"), "ab c");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x \n"), "  x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(std::string("\0a\0", 3)), "a");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // a no-break space is a character
}

TEST(Strings, AsciiCase) {
  EXPECT_EQ(UpperCase("abc\xE9"), "ABC\xE9");
  EXPECT_EQ(LowerCase("ABC\xC9"), "abc\xC9");
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("\xE9", "\xC9"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
}

TEST(Strings, AnsiCasePairs) {
  // Lower, upper.
  const char pairs[][2] = {{'\xE9', '\xC9'}, {'\xFF', '\x9F'}, {'\x9A', '\x8A'},
                           {'\x9C', '\x8C'}, {'\x9E', '\x8E'}, {'\xE0', '\xC0'},
                           {'\xFE', '\xDE'}, {'\xF8', '\xD8'}, {'z', 'Z'}};
  for (const auto& p : pairs) {
    EXPECT_EQ(AnsiUpperChar(p[0]), p[1]);
    EXPECT_EQ(AnsiLowerChar(p[1]), p[0]);
    EXPECT_TRUE(AnsiSameText(std::string(1, p[0]), std::string(1, p[1])));
    EXPECT_EQ(AnsiStrLIComp(&p[0], &p[1], 1), 0);
  }
  // No counterpart in the code page, and the two signs between the letters.
  for (char c : {'\xDF', '\xB5', '\xD7', '\xF7', '\xAA'}) {
    EXPECT_EQ(AnsiUpperChar(c), c);
    EXPECT_EQ(AnsiLowerChar(c), c);
  }
  EXPECT_EQ(AnsiUpperCase("stra\xDF" "e \xE9t\xE9"), "STRA\xDF" "E \xC9T\xC9");
}

TEST(Strings, AnsiCollationOrder) {
  // Sorted as a reader expects: accents after their base letter, before the
  // next letter; lower before upper on the case level only.
  std::vector<std::string> expected = {
      "!", "1", "9", "a", "A", "\xE1", "\xC1", "\xE4", "ab", "b", "cote", "c\xF4te",
      "e", "\xE9", "\xC9", "f", "o", "\xF6", "\x9C", "s", "\x9A", "\xDF", "z", "\xFE",
  };
  std::vector<std::string> shuffled = expected;
  std::reverse(shuffled.begin(), shuffled.end());
  std::rotate(shuffled.begin(), shuffled.begin() + 7, shuffled.end());
  std::sort(shuffled.begin(), shuffled.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; });
  EXPECT_EQ(shuffled, expected);

  EXPECT_EQ(AnsiCompareText("\xC9t\xE9", "\xE9T\xC9"), 0);
  EXPECT_NE(AnsiCompareText("\xE9", "e"), 0);
  EXPECT_LT(AnsiCompareText("\xE9" "a", "eb"), 0);  // base letters first
  EXPECT_LT(AnsiCompareText("abc", "ABCD"), 0);
  EXPECT_NE(AnsiCompareText("\x9C", "\xF8"), 0);  // oe and o-stroke differ
  EXPECT_NE(AnsiCompareStr("a", "A"), 0);
  EXPECT_FALSE(AnsiSameText("\xE9", "\xE9x"));
}

TEST(Strings, AnsiStrLICompStopsAtLengthOrNul) {
  EXPECT_EQ(AnsiStrLIComp("\xC9t\xE9-one", "\xE9T\xC9-two", 4), 0);
  EXPECT_NE(AnsiStrLIComp("\xC9t\xE9-one", "\xE9T\xC9-two", 5), 0);
  EXPECT_LT(AnsiStrLIComp("ab", "abc", 10), 0);
  EXPECT_EQ(AnsiStrLIComp("x", "y", 0), 0);
  EXPECT_EQ(AnsiStrLIComp(nullptr, "", 3), 0);
  // The buffers are not read past the NUL or past maxLen.
  const char shortBuf[2] = {'a', 0};
  const char exact[3] = {'A', 'B', 'C'};  // no terminator at all
  EXPECT_EQ(AnsiStrLIComp(shortBuf, "A", 100), 0);
  EXPECT_EQ(AnsiStrLIComp(exact, "abc", 3), 0);
  EXPECT_EQ(AnsiStrIComp("\xC0", "\xE0"), 0);
}

TEST(CodePages, KnownCharacters) {
  // ANSI 1252, OEM 850.
  const uint8_t both[][2] = {{0xE9, 0x82}, {0xC9, 0x90}, {0xFC, 0x81}, {0xC4, 0x8E},
                             {0xE7, 0x87}, {0xDF, 0xE1}, {0xA3, 0x9C}, {0xF8, 0x9B},
                             {0xFF, 0x98}, {0x83, 0x9F}, {0xA0, 0xFF}, {0xB5, 0xE6}};
  for (const auto& p : both) {
    EXPECT_EQ(AnsiToOemByte(p[0]), p[1]) << int(p[0]);
    EXPECT_EQ(OemToAnsiByte(p[1]), p[0]) << int(p[1]);
  }
  // Best fits where the other page has no such character.
  EXPECT_EQ(AnsiToOemByte(0x8A), 'S');  // S caron
  EXPECT_EQ(AnsiToOemByte(0x9F), 'Y');  // Y diaeresis
  EXPECT_EQ(AnsiToOemByte(0x80), 'E');  // euro
  EXPECT_EQ(AnsiToOemByte(0x93), '"');
  EXPECT_EQ(AnsiToOemByte(0x81), '?');  // unassigned
  EXPECT_EQ(OemToAnsiByte(0xC4), '-');  // box drawing
  EXPECT_EQ(OemToAnsiByte(0xB3), '|');
  EXPECT_EQ(OemToAnsiByte(0xC5), '+');
  EXPECT_EQ(OemToAnsiByte(0xDB), '#');
}

TEST(CodePages, RoundTripOfSharedCharactersAndInPlace) {
  int shared = 0;
  for (int c = 0; c < 256; ++c) {
    uint8_t oem = AnsiToOemByte(uint8_t(c));
    if (OemToAnsiByte(oem) == c) ++shared;
    if (c < 128) {
      EXPECT_EQ(oem, c);
    }
  }
  // Everything of 0..127 and the 97 upper characters the pages share.
  EXPECT_EQ(shared, 128 + 97);
  for (int c = 0; c < 256; ++c) {
    uint8_t ansi = OemToAnsiByte(uint8_t(c));
    if (AnsiToOemByte(ansi) == c) --shared;
  }
  EXPECT_EQ(shared, 0);

  std::string text = "Caf\xE9 \xC0 la cr\xE8me";
  std::string buf = text;
  CharToOemBuff(buf.data(), buf.data(), buf.size());
  EXPECT_EQ(buf, "Caf\x82 \xB7 la cr\x8Ame");
  OemToCharBuff(buf.data(), buf.data(), buf.size());
  EXPECT_EQ(buf, text);
  EXPECT_EQ(OemToChar(CharToOem(text)), text);
  EXPECT_EQ(CharToOem(std::string("a\0b", 3)).size(), 3u);
}

TEST(FileNames, TakingNamesApart) {
  struct {
    const char* Name;
    const char* Path;
    const char* File;
    const char* Ext;
  } cases[] = {
      {"/data/sales.db", "/data/", "sales.db", ".db"},
      {"data\\sub\\x.tar.gz", "data\\sub\\", "x.tar.gz", ".gz"},
      {"/data.dir/sales", "/data.dir/", "sales", ""},
      {"plain", "", "plain", ""},
      {".cfg", "", ".cfg", ".cfg"},
      {"/", "/", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.Name), c.Path) << c.Name;
    EXPECT_EQ(ExtractFileName(c.Name), c.File) << c.Name;
    EXPECT_EQ(ExtractFileExt(c.Name), c.Ext) << c.Name;
  }
  EXPECT_EQ(ExtractFileDir("/data/sales.db"), "/data");
  EXPECT_EQ(ExtractFileDir("/x"), "/");
  EXPECT_EQ(ChangeFileExt("/a.b/c.txt", ".bak"), "/a.b/c.bak");
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".bak"), "/a.b/c.bak");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("c:\\dir\\"), "c:\\dir\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FileNames, FilesAndFolders) {
  std::string dir = ::testing::TempDir();
  std::string file = IncludeTrailingPathDelimiter(dir) + "rtl_file_exists_" +
                     std::to_string(getpid()) + ".txt";
  EXPECT_FALSE(FileExists(file));
  std::ofstream(file) << "x";
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(DirectoryExists(dir));
  EXPECT_FALSE(FileExists(dir));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(std::string("a\0b", 3)));
  std::remove(file.c_str());
}

}  // namespace
