// The frame's vocabulary and free routines, and its message table.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "OrvBase.h"
#include "ResourceStrings.h"

namespace {

TEST(FrameRoutines, ExtractFieldNameWalksTheList) {
  struct Case {
    const char* List;
    std::vector<std::string> Names;
  } cases[] = {
      {"", {""}},
      {"A; B", {"A", "B"}},
      {"A;;B", {"A", "", "B"}},
      {" a\t;b ;", {"a", "b"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names;
    int position = 1;
    do names.push_back(OrvExtractFieldName(c.List, position));
    while (position <= static_cast<int>(std::string(c.List).size()));
    EXPECT_EQ(names, c.Names) << c.List;
  }
  int position = 1;
  OrvExtractFieldName("", position);
  EXPECT_EQ(position, 1);
  position = -5;  // below the list: starts at its first character
  EXPECT_EQ(OrvExtractFieldName("x;y", position), "x");
  EXPECT_EQ(position, 3);
}

TEST(FrameRoutines, ConcatenationWithAndWithoutEmptyValues) {
  struct Case {
    const char* Text;
    const char* Value;
    const char* Field;
    const char* EmptyField;
  } cases[] = {
      {"", "x", "x", "x"},
      {"a", "", "a;", "a"},
      {"a", "b", "a;b", "a;b"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    std::string a = c.Text, b = c.Text;
    OrvConcateField(a, ";", c.Value);
    OrvConcateEmptyField(b, ";", c.Value);
    EXPECT_EQ(a, c.Field);
    EXPECT_EQ(b, c.EmptyField);
  }
}

TEST(FrameRoutines, ExtractFilePrefix) {
  struct Case {
    const char* Name;
    const char* Prefix;
  } cases[] = {
      {"C:\\data\\sales.db", "C:\\data\\sales"},
      {"C:\\data.dir\\sales", "C:\\data.dir\\sales"},
      {"noext", "noext"},
      {".cfg", ""},
      {"a.b.c", "a.b"},
      {"/srv/data.dir/sales", "/srv/data.dir/sales"},
      {"/srv/sales.db", "/srv/sales"},
      {"C:x.y", "C:x"},
  };
  for (const Case& c : cases) EXPECT_EQ(OrvExtractFilePrefix(c.Name), c.Prefix) << c.Name;
}

TEST(FrameRoutines, AssignProcAddressFallsBack) {
  int a = 0, b = 0;
  void* target = &a;
  OrvInternalAssignProcAddress(target, &b, &a);
  EXPECT_EQ(target, &b);
  OrvInternalAssignProcAddress(target, nullptr, &a);
  EXPECT_EQ(target, &a);
  OrvInternalAssignProcAddress(target, nullptr, nullptr);
  EXPECT_EQ(target, nullptr);
  // Typed entry-point pointers take the stand-in the same way.
  int (*entry)(int) = nullptr;
  OrvInternalAssignProcAddress(entry, nullptr, reinterpret_cast<void*>(&OrvDummyProc));
  EXPECT_EQ(reinterpret_cast<void*>(entry), reinterpret_cast<void*>(&OrvDummyProc));
}

TEST(FrameRoutines, DummyProcsStandInForMissingEntryPoints) {
  try {
    OrvDummyProc();
  } catch (const EOrvaneException& e) {
    EXPECT_EQ(e.Message(), "Function not supported by this version of the Database Interface library.");
    EXPECT_EQ(e.ErrorCode, 0);
    EXPECT_STREQ(e.ClassName(), "EOrvaneException");
  }
  EXPECT_EQ(OrvDummyProcNoExcept(), 0);
}

TEST(FrameRoutines, DisposeMemNullsAndToleratesASecondRelease) {
  char* block = static_cast<char*>(OrvAllocMem(16));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[15], 0);
  OrvDisposeMem(block, 16);
  EXPECT_EQ(block, nullptr);
  OrvDisposeMem(block, 16);
  EXPECT_EQ(OrvAllocMem(0), nullptr);
  EXPECT_THROW(OrvAllocMem(-1), EOrvaneException);
}

TEST(FrameRoutines, ProductVersionOfTheLibraryAndOfAFileWithout) {
  uint16_t v[4] = {9, 9, 9, 9};
  EXPECT_TRUE(OrvGetProductVersion(ORV_BINARY_DIR "/lib/libOrvCore.so", v[0], v[1], v[2], v[3]));
  EXPECT_EQ(std::vector<uint16_t>(v, v + 4), (std::vector<uint16_t>{1, 84, 0, 0}));
  uint16_t w[4] = {9, 9, 9, 9};
  const std::string plain = ORV_BINARY_DIR "/frame_no_version.txt";
  std::ofstream(plain) << "no version here";
  EXPECT_FALSE(OrvGetProductVersion(plain, w[0], w[1], w[2], w[3]));
  EXPECT_FALSE(OrvGetProductVersion("/nonexistent/file.so", w[0], w[1], w[2], w[3]));
  EXPECT_EQ(std::vector<uint16_t>(w, w + 4), (std::vector<uint16_t>{9, 9, 9, 9}));
  std::remove(plain.c_str());
}

TEST(FrameRoutines, ProductVersionFromTheTextForm) {
  // The fixed record says 0.5.6.7; the text "6.0.3.2747" replaces the first
  // three numbers, and its last one, not followed by a ".", is not read.
  uint16_t v[4] = {9, 9, 9, 9};
  EXPECT_TRUE(OrvGetProductVersion(ORV_BINARY_DIR "/lib/libframe_version_text.so", v[0], v[1], v[2], v[3]));
  EXPECT_EQ(std::vector<uint16_t>(v, v + 4), (std::vector<uint16_t>{6, 0, 3, 7}));
  EXPECT_THROW(OrvGetProductVersion(ORV_BINARY_DIR "/lib/libframe_version_bad.so", v[0], v[1], v[2], v[3]),
               EConvertError);
}

TEST(FrameVocabulary, TypesConstantsAndDescriptors) {
  EXPECT_STREQ(szOrvaneLibraryName, "OrvaneDB");
  EXPECT_STREQ(szOrvaneDBVersion, "1.84");
  EXPECT_EQ(int(ntBlob), 11);
  EXPECT_EQ(sizeof(TOrvaneFieldTypes), 1u);
  for (int t = ntUnknown; t <= ntBlob; ++t)
    EXPECT_EQ(OrvIsBlobType(TOrvaneFieldTypes(t)), t == ntMemo || t == ntBlob) << t;
  TOrvaneFieldDesc desc{};
  std::string longName(200, 'n');
  OrvSetFieldDescName(desc, longName.c_str(), 200);
  EXPECT_EQ(std::string(desc.Name), std::string(128, 'n'));
  TOrvaneLocateOptions options{nloPartialKey};
  EXPECT_TRUE(options.Contains(nloPartialKey));
  EXPECT_FALSE(options.Contains(nloCaseInsensitive));
}

TEST(FrameMessages, TableUnderItsIdentifiersAndReplaceable) {
  struct Case {
    const TResourceString* Record;
    uint16_t Id;
    const char* Text;
  } cases[] = {
      {&ORVANE_ERR_PARAM_NOT_FOUND, 65504, "Host variable \"%s\" not found."},
      {&ORVANE_ERR_BLOB_REQUIRED, 65505, "Field \"%s\" is not a blob."},
      {&ORVANE_ERR_BLOB_STREAM_INVALID, 65506, "Not a valid stream parameter."},
      {&ORVANE_ERR_BLOB_PICTURE_INVALID, 65507, "Not a valid picture parameter."},
      {&ORVANE_TXT_FALSE, 65508, "False"},
      {&ORVANE_TXT_TRUE, 65509, "True"},
      {&ORVANE_ERR_LIB_PATH_NOT_FOUND, 65520, "Could not find database library path."},
      {&ORVANE_ERR_LIB_LOAD_FAILED, 65521, "Could not load the Database Interface library."},
      {&ORVANE_ERR_LIB_INIT_FAILED, 65522, "Unable to initialize database interface"},
      {&ORVANE_ERR_LIB_WRONG, 65523, "Function not supported by this version of the Database Interface library."},
      {&ORVANE_ERR_SESS_NIL, 65524, "The session property is not linked to a session"},
      {&ORVANE_ERR_SESS_TRANS_ACTIVE, 65525, "A user transaction is already in progress"},
      {&ORVANE_ERR_SESS_CONNECTED, 65526, "Not allowed while connected to a database"},
      {&ORVANE_ERR_STMT_NOT_PREPARED, 65527, "The statement is not prepared."},
      {&ORVANE_ERR_CURS_NOT_QUERY, 65528, "The Statement is not a query"},
      {&ORVANE_ERR_CURS_IS_QUERY, 65529, "The statement is a query"},
      {&ORVANE_ERR_CURS_BI_NOT_SUPP, 65530, "Bidirectional cursors not supported."},
      {&ORVANE_ERR_CURS_NOT_PREPARED, 65531, "The cursor is not prepared."},
      {&ORVANE_ERR_CURS_NOT_OPENED, 65532, "The cursor is not opened."},
      {&ORVANE_ERR_CURS_READ_ONLY, 65533, "The cursor is read-only."},
      {&ORVANE_ERR_CURS_MISSING_ROWID, 65534, "Cursor is missing rowid."},
      {&ORVANE_ERR_FIELD_NOT_FOUND, 65535, "Field \"%s\" not found."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Record->Identifier(), c.Id);
    EXPECT_EQ(LoadResString(c.Id), c.Text);
  }
  const std::string file = ORV_BINARY_DIR "/frame_language.txt";
  std::ofstream(file) << "65532=Le curseur n'est pas ouvert.\n";
  LoadLanguageFile(file);
  EXPECT_EQ(ORVANE_ERR_CURS_NOT_OPENED.Load(), "Le curseur n'est pas ouvert.");
  ResetLanguage();
  EXPECT_EQ(ORVANE_ERR_CURS_NOT_OPENED.Load(), "The cursor is not opened.");
  std::remove(file.c_str());
}

}  // namespace
