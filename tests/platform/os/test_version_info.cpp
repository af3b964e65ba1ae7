// Version records: reading them from our libraries, the query paths, and
// refusing files that have none, are cut short or lie about their layout.
#include "OSError.h"
#include "OsTestFiles.h"
#include "VersionInfo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

using namespace ostest;

namespace {

// A version block read from a file; empty when the file has none.
std::vector<std::uint32_t> ReadBlock(const std::string& file) {
  const std::uint32_t size = GetFileVersionInfoSize(file);
  if (size == 0) return {};
  std::vector<std::uint32_t> block((size + 3) / 4, 0);
  if (!GetFileVersionInfo(file, size, block.data())) return {};
  return block;
}

const VS_FIXEDFILEINFO* Fixed(const std::vector<std::uint32_t>& block) {
  const void* value = nullptr;
  std::uint32_t length = 0;
  if (!VerQueryValue(block.data(), "\\", &value, &length)) return nullptr;
  EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  return static_cast<const VS_FIXEDFILEINFO*>(value);
}

std::optional<std::string> Text(const std::vector<std::uint32_t>& block, const std::string& path) {
  const void* value = nullptr;
  std::uint32_t length = 0;
  if (!VerQueryValue(block.data(), path, &value, &length)) return std::nullopt;
  const char* text = static_cast<const char*>(value);
  EXPECT_EQ(length, std::strlen(text) + 1) << path;
  return std::string(text);
}

// --- A minimal ELF file built by hand: a given section plus the name table.

void Put(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

struct TElfImage {
  std::string Bytes;
  bool Is64 = true;
  std::size_t TableOffset = 0;   // section header table
  std::size_t EntrySize = 0;
  std::size_t DataOffset = 0;    // the section's bytes
  std::size_t Size() const { return Bytes.size(); }
};

// Sections: 0 null, 1 the given one, 2 the name table.
TElfImage BuildElf(bool is64, const std::string& sectionName, const std::string& data,
                   std::uint32_t type = 1 /* PROGBITS */) {
  TElfImage image;
  image.Is64 = is64;
  const std::size_t headerSize = is64 ? 64 : 52;
  image.EntrySize = is64 ? 64 : 40;
  const std::string names = std::string("\0", 1) + sectionName + '\0' + ".shstrtab" + '\0';
  image.DataOffset = headerSize;
  const std::size_t namesOffset = image.DataOffset + data.size();
  image.TableOffset = (namesOffset + names.size() + 7) & ~std::size_t{7};
  std::string& b = image.Bytes;
  b.assign(image.TableOffset + 3 * image.EntrySize, '\0');
  b.replace(0, 4, "\x7f" "ELF");
  b[4] = is64 ? 2 : 1;
  b[5] = 1;  // little-endian
  b[6] = 1;
  Put(b, 16, 3, 2);                 // shared object
  Put(b, 18, is64 ? 62 : 3, 2);     // machine
  Put(b, 20, 1, 4);
  if (is64) {
    Put(b, 40, image.TableOffset, 8);
    Put(b, 52, headerSize, 2);
    Put(b, 58, image.EntrySize, 2);
    Put(b, 60, 3, 2);
    Put(b, 62, 2, 2);
  } else {
    Put(b, 32, image.TableOffset, 4);
    Put(b, 40, headerSize, 2);
    Put(b, 46, image.EntrySize, 2);
    Put(b, 48, 3, 2);
    Put(b, 50, 2, 2);
  }
  b.replace(image.DataOffset, data.size(), data);
  b.replace(namesOffset, names.size(), names);
  auto section = [&](int index, std::uint32_t name, std::uint32_t kind, std::size_t offset,
                     std::size_t size) {
    const std::size_t at = image.TableOffset + index * image.EntrySize;
    Put(b, at, name, 4);
    Put(b, at + 4, kind, 4);
    Put(b, at + (is64 ? 24 : 16), offset, is64 ? 8 : 4);
    Put(b, at + (is64 ? 32 : 20), size, is64 ? 8 : 4);
  };
  section(1, 1, type, image.DataOffset, data.size());
  section(2, static_cast<std::uint32_t>(1 + sectionName.size() + 1), 3 /* STRTAB */, namesOffset,
          names.size());
  return image;
}

std::size_t SectionField(const TElfImage& image, int index, const char* field) {
  const std::size_t at = image.TableOffset + index * image.EntrySize;
  const std::string f = field;
  if (f == "name") return at;
  if (f == "type") return at + 4;
  if (f == "offset") return at + (image.Is64 ? 24 : 16);
  return at + (image.Is64 ? 32 : 20);  // size
}

// The record of the test library, as it lies in its section.
std::string TestRecord() {
  const auto block = ReadBlock(ORV_TESTLIB_VERSIONED);
  std::uint32_t size = 0;
  std::memcpy(&size, reinterpret_cast<const char*>(block.data()) + 8, 4);
  return std::string(reinterpret_cast<const char*>(block.data()), size);
}

class VersionFile : public ::testing::Test {
protected:
  TTempDir Dir;
  std::string File = Dir / "image.so";
  std::vector<std::uint32_t> Read(const std::string& bytes) {
    WriteAll(File, bytes);
    return ReadBlock(File);
  }
};

}  // namespace

TEST(VersionInfo, ReadsNumbersAndTextsOfTheTestLibrary) {
  const auto block = ReadBlock(ORV_TESTLIB_VERSIONED);
  ASSERT_FALSE(block.empty()) << LastOSErrorMessage();
  const VS_FIXEDFILEINFO* fixed = Fixed(block);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed->dwStrucVersion, VS_FFI_STRUCVERSION);
  EXPECT_EQ(fixed->dwProductVersionMS, (2u << 16) | 5u);
  EXPECT_EQ(fixed->dwProductVersionLS, (17u << 16) | 4242u);
  EXPECT_EQ(fixed->dwFileVersionMS, (3u << 16) | 1u);
  EXPECT_EQ(fixed->dwFileVersionLS, 9u);
  EXPECT_EQ(fixed->dwFileType, VFT_DLL);

  const void* value = nullptr;
  std::uint32_t length = 0;
  ASSERT_TRUE(VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, sizeof(TVersionTranslation));
  const auto* translation = static_cast<const TVersionTranslation*>(value);
  EXPECT_EQ(translation->wLanguage, 0x0409);
  EXPECT_EQ(translation->wCodePage, 1252);

  const std::string table = "\\StringFileInfo\\040904E4\\";
  EXPECT_EQ(Text(block, table + "ProductVersion"), "2.5.17 \"beta\" \\ ?? ; end");
  EXPECT_EQ(Text(block, table + "FileVersion"), "3.1.0.9");
  EXPECT_EQ(Text(block, table + "ProductName"), "Test Product");
  EXPECT_EQ(Text(block, table + "FileDescription"), "Loader test library");
  EXPECT_EQ(Text(block, table + "CompanyName"), "Test Company");
  EXPECT_EQ(Text(block, table + "InternalName"), "orvtest_versioned");
  // Names and the hexadecimal key match in either case.
  EXPECT_EQ(Text(block, "\\stringfileinfo\\040904e4\\productversion"), "2.5.17 \"beta\" \\ ?? ; end");
  for (const char* path : {"\\StringFileInfo\\040904E4\\LegalCopyright",
                           "\\StringFileInfo\\040704B0\\ProductVersion",
                           "\\StringFileInfo\\040904E4", "\\VarFileInfo", "\\Nothing",
                           "\\StringFileInfo\\040904E4\\ProductVersion\\More"}) {
    EXPECT_FALSE(Text(block, path).has_value()) << path;
  }
}

TEST(VersionInfo, PlatformLibraryCarriesItsVersion) {
  const auto block = ReadBlock(ORV_PLATFORM_LIB);
  ASSERT_FALSE(block.empty()) << LastOSErrorMessage();
  const VS_FIXEDFILEINFO* fixed = Fixed(block);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwProductVersionMS, (1u << 16) | 84u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904E4\\ProductVersion"), "1.84.0.0");
}

TEST(VersionInfo, FilesWithoutVersion) {
  TTempDir dir;
  WriteAll(dir / "text.txt", "just some text, long enough to look at more than sixteen bytes\n");
  WriteAll(dir / "empty", "");
  const std::string elf = ReadAll(ORV_TESTLIB_VERSIONED);
  WriteAll(dir / "truncated.so", elf.substr(0, elf.size() / 2));
  std::filesystem::create_directory(dir / "folder");
  struct Case { std::string file; int error; };
  for (const Case& c : {Case{ORV_TESTLIB_PLAIN, ENODATA}, Case{"/bin/sh", ENODATA},
                        Case{dir / "text.txt", ENOEXEC}, Case{dir / "empty", ENOEXEC},
                        Case{dir / "truncated.so", ENOEXEC}, Case{dir / "missing.so", ENOENT},
                        Case{dir / "folder", EISDIR}, Case{"", ENOENT}}) {
    SetLastOSError(0);
    EXPECT_EQ(GetFileVersionInfoSize(c.file), 0u) << c.file;
    EXPECT_EQ(GetLastOSError(), c.error) << c.file;
    std::vector<std::uint32_t> block(64, 0);
    EXPECT_FALSE(GetFileVersionInfo(c.file, 256, block.data())) << c.file;
  }
}

TEST(VersionInfo, BlockArgumentsAreChecked) {
  const std::uint32_t size = GetFileVersionInfoSize(ORV_TESTLIB_VERSIONED);
  ASSERT_GT(size, 0u);
  std::vector<std::uint32_t> block(size / 4 + 2, 0);
  EXPECT_FALSE(GetFileVersionInfo(ORV_TESTLIB_VERSIONED, size - 1, block.data()));
  EXPECT_EQ(GetLastOSError(), ERANGE);
  EXPECT_FALSE(GetFileVersionInfo(ORV_TESTLIB_VERSIONED, size, nullptr));

  const void* value = nullptr;
  std::uint32_t length = 0;
  // A block that was never filled holds no record.
  EXPECT_FALSE(VerQueryValue(block.data(), "\\", &value, &length));
  ASSERT_TRUE(GetFileVersionInfo(ORV_TESTLIB_VERSIONED, size + 4, block.data()));
  EXPECT_EQ(block.back(), 0u);  // nothing written past the record
  EXPECT_TRUE(VerQueryValue(block.data(), "\\", &value, &length));
  EXPECT_FALSE(VerQueryValue(nullptr, "\\", &value, &length));
  EXPECT_FALSE(VerQueryValue(block.data(), "\\", nullptr, &length));
  EXPECT_FALSE(VerQueryValue(block.data(), "\\", &value, nullptr));
  EXPECT_FALSE(VerQueryValue(reinterpret_cast<const char*>(block.data()) + 1, "\\", &value, &length));
}

TEST_F(VersionFile, HandBuiltElfOfBothClasses) {
  const std::string record = TestRecord();
  for (const bool is64 : {true, false}) {
    const auto block = Read(BuildElf(is64, ".orvversion", record).Bytes);
    ASSERT_FALSE(block.empty()) << is64 << ": " << LastOSErrorMessage();
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904E4\\FileVersion"), "3.1.0.9");
    // Another section name, or a section without file bytes, is no version.
    EXPECT_TRUE(Read(BuildElf(is64, ".orvversio", record).Bytes).empty());
    EXPECT_TRUE(Read(BuildElf(is64, ".orvversion", record, 8 /* NOBITS */).Bytes).empty());
    EXPECT_EQ(GetLastOSError(), ENODATA);
  }
}

TEST_F(VersionFile, LyingElfHeadersAreRefused) {
  const std::string record = TestRecord();
  struct Case { const char* what; bool is64; std::size_t at; std::uint64_t value; int size; };
  const TElfImage e64 = BuildElf(true, ".orvversion", record);
  const TElfImage e32 = BuildElf(false, ".orvversion", record);
  const std::uint64_t huge = ~std::uint64_t{0};
  const Case cases[] = {
      {"big-endian", true, 5, 2, 1},
      {"class 3", true, 4, 3, 1},
      {"table offset past the end", true, 40, e64.Size(), 8},
      {"table offset wraps around", true, 40, huge - 10, 8},
      {"entries too small", true, 58, 16, 2},
      {"more entries than the file holds", true, 60, 1000, 2},
      {"name table index out of range", true, 62, 3, 2},
      {"extended name index without table", true, 62, 0xffff, 2},
      {"section offset past the end", true, SectionField(e64, 1, "offset"), e64.Size(), 8},
      {"section size wraps around", true, SectionField(e64, 1, "size"), huge, 8},
      {"name table past the end", true, SectionField(e64, 2, "size"), e64.Size(), 8},
      {"name outside the name table", true, SectionField(e64, 1, "name"), 5000, 4},
      {"32: table offset past the end", false, 32, e32.Size(), 4},
      {"32: section size past the end", false, SectionField(e32, 1, "size"), e32.Size(), 4},
      {"32: name table index out of range", false, 50, 7, 2},
  };
  for (const Case& c : cases) {
    std::string bytes = (c.is64 ? e64 : e32).Bytes;
    Put(bytes, c.at, c.value, c.size);
    EXPECT_TRUE(Read(bytes).empty()) << c.what;
  }
  // Extended numbering: the real count lives in the first section header.
  std::string bytes = e64.Bytes;
  Put(bytes, 60, 0, 2);
  Put(bytes, SectionField(e64, 0, "size"), 3, 8);
  EXPECT_FALSE(Read(bytes).empty()) << LastOSErrorMessage();
}

TEST_F(VersionFile, DamagedRecordsAreRefused) {
  const std::string record = TestRecord();
  const std::size_t stringsAt = 16 + 52 + 4 + 4 + 4;
  struct Case { const char* what; std::size_t at; std::uint32_t value; };
  const Case cases[] = {
      {"magic", 0, 0x58565240},
      {"record size beyond the section", 8, static_cast<std::uint32_t>(record.size() + 1)},
      {"record size below the header", 8, 8},
      {"fixed size odd", 12, 53},
      {"fixed size beyond the record", 12, 0x10000},
      {"signature", 16, 0x12345678},
      {"translation count beyond the record", 68, 0x40000000},
      {"strings size beyond the record", 76, 0x7fffffff},
      {"strings not terminated", 76, 3},
  };
  for (const Case& c : cases) {
    std::string damaged = record;
    Put(damaged, c.at, c.value, 4);
    EXPECT_TRUE(Read(BuildElf(true, ".orvversion", damaged).Bytes).empty()) << c.what;
    EXPECT_EQ(GetLastOSError(), ENODATA) << c.what;
  }
  // A table whose last value runs to the end without its NUL.
  std::string unterminated = record.substr(0, record.size() - 3);
  Put(unterminated, 8, static_cast<std::uint32_t>(unterminated.size()), 4);
  Put(unterminated, 76, static_cast<std::uint32_t>(unterminated.size() - stringsAt), 4);
  EXPECT_TRUE(Read(BuildElf(true, ".orvversion", unterminated).Bytes).empty());
  // Bytes after the record in the section are ignored.
  EXPECT_FALSE(Read(BuildElf(true, ".orvversion", record + std::string(40, '\xee')).Bytes).empty());
}

TEST_F(VersionFile, EveryCutAndEveryByteChangeIsSafe) {
  // Run under the sanitizers this shows that no damage makes the reader step
  // outside the file or the block.
  const std::string record = TestRecord();
  for (const bool is64 : {true, false}) {
    const std::string image = BuildElf(is64, ".orvversion", record).Bytes;
    for (std::size_t cut = 0; cut < image.size(); ++cut) {
      ASSERT_TRUE(Read(image.substr(0, cut)).empty()) << "cut at " << cut;
    }
    for (std::size_t at = 0; at < image.size(); ++at) {
      for (const char value : {'\0', '\x7f', '\xff'}) {
        std::string bytes = image;
        bytes[at] = value;
        const auto block = Read(bytes);
        if (block.empty()) continue;
        const void* p = nullptr;
        std::uint32_t length = 0;
        const auto* begin = reinterpret_cast<const char*>(block.data());
        const auto* end = begin + block.size() * 4;
        for (const char* path : {"\\", "\\VarFileInfo\\Translation",
                                 "\\StringFileInfo\\040904E4\\ProductVersion"}) {
          if (!VerQueryValue(block.data(), path, &p, &length)) continue;
          const auto* q = static_cast<const char*>(p);
          ASSERT_TRUE(q >= begin && q + length <= end) << at << " " << path;
        }
      }
    }
  }
}
