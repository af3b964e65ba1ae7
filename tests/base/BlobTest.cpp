// Blob streams, the blob manager and the whole-value conversions between long
// columns and streams or pictures.
#include <gtest/gtest.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "Graphics.h"

namespace {

class BlobTest : public FrameTest {
protected:
  BlobTest() {
    sql->Columns = {{"ID", ntInteger, 4, 1}, {"Memo", ntMemo, 8, Null()}, {"Pic", ntBlob, 8, Null()}};
  }
  TTestBlobStream& Stream(const char* name) {
    return static_cast<TTestBlobStream&>(*sql->BlobManager->BlobByName(name));
  }
  static std::string Text(TStream& stream) {
    std::string s(static_cast<size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(s.data(), static_cast<int64_t>(s.size()));
    return s;
  }
};

TEST_F(BlobTest, WritesSeeksAndTheFlagsOfABaseStream) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  TTestBlobStream& s = Stream("memo");
  s.Clear();
  // Writing nothing into a cleared stream leaves it empty and unmodified.
  EXPECT_EQ(s.Write("x", 0), 0);
  EXPECT_TRUE(s.Empty);
  EXPECT_EQ(s.Memory, nullptr);
  EXPECT_FALSE(s.Modified);
  EXPECT_EQ(s.TOrvaneBlobStream::GetBlobSize(), 0);

  EXPECT_EQ(s.Write("hello", 5), 5);
  EXPECT_EQ(s.Write(" world", 6), 6);
  EXPECT_TRUE(s.Modified);
  EXPECT_FALSE(s.Empty);
  EXPECT_EQ(s.GetBlobSize(), 11);
  EXPECT_EQ(std::string(s.Memory, 11), "hello world");

  struct Case {
    int64_t Offset;
    TSeekOrigin Origin;
    int64_t Position;
  } cases[] = {{3, soBeginning, 3}, {2, soCurrent, 5}, {-1, soEnd, 10}, {0, TSeekOrigin(3), 10}};
  for (const Case& c : cases) EXPECT_EQ(s.Seek(c.Offset, c.Origin), c.Position) << c.Offset;
  EXPECT_THROW(s.Seek(-11, soCurrent), EStreamError);
  EXPECT_EQ(s.DataPosition, 10);

  // Back over held bytes: overwritten in place. Past the end: a zeroed gap.
  s.SetPosition(6);
  s.WriteBuffer("W", 1);
  s.SetPosition(13);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(std::string(s.Memory, static_cast<size_t>(s.DataSize)), std::string("hello World\0\0!", 14));

  s.Truncate();
  EXPECT_TRUE(s.Modified);
  EXPECT_EQ(s.DataSize, 0);
  EXPECT_EQ(s.Memory, nullptr);
  EXPECT_TRUE(sql->IsFieldDirty(Variant("Memo")));
  s.Clear();
  EXPECT_FALSE(s.Modified);
  EXPECT_FALSE(sql->IsFieldDirty(Variant("Memo")));
}

TEST_F(BlobTest, AValueWrittenInManyPiecesKeepsEveryByte) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  TTestBlobStream& s = Stream("Pic");
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    char piece[7];
    for (int k = 0; k < 7; ++k) piece[k] = static_cast<char>(i * 7 + k);
    s.WriteBuffer(piece, 7);
    expected.append(piece, 7);
  }
  ASSERT_EQ(s.DataSize, 21000);
  EXPECT_EQ(std::memcmp(s.Memory, expected.data(), expected.size()), 0);
  // A value the driver put there itself is grown from its own size.
  s.Clear();
  s.SetValue("abc", 3);
  // Held bytes that were not written are no value of the base stream.
  EXPECT_EQ(s.TOrvaneBlobStream::GetBlobSize(), 0);
  s.SetPosition(3);
  s.WriteBuffer("def", 3);
  EXPECT_EQ(std::string(s.Memory, 6), "abcdef");
}

TEST_F(BlobTest, FieldNumberAndTypeOfAStream) {
  ASSERT_TRUE(sql->OpenRead("q", NoValues()));
  EXPECT_EQ(Stream("memo").GetFieldNo(), 1);
  EXPECT_EQ(Stream("Pic").GetFieldExtType(), 524);
  TTestBlobStream detached(nullptr, "Memo");
  EXPECT_EQ(detached.GetFieldNo(), -1);
  EXPECT_EQ(detached.GetFieldExtType(), -1);
  TTestBlobStream stranger(sql->BlobManager.get(), "Gone");
  EXPECT_EQ(stranger.GetFieldNo(), -1);
  EXPECT_EQ(stranger.GetFieldExtType(), -1);
  sql->BlobManager->RemoveBlob(&stranger);
}

TEST_F(BlobTest, ManagerFindsClearsAndDestroysStreams) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  TOrvaneBlobManager& m = *sql->BlobManager;
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m.GetBlob(1), &Stream("PIC"));
  EXPECT_THROW(m.GetBlob(2), EListError);
  ExpectFrameError([&] { m.BlobByName("ID"); }, "Field \"ID\" is not a blob.");
  Stream("Memo").WriteBuffer("ab", 2);
  Stream("Pic").WriteBuffer("cd", 2);
  m.ClearBlobs();
  EXPECT_EQ(m.Count(), 2);
  EXPECT_FALSE(Stream("Memo").Modified);
  EXPECT_TRUE(Stream("Pic").Empty);
  sql->UnprepareOpen();
  EXPECT_EQ(m.Count(), 0);
}

TEST_F(BlobTest, StreamToBlobAndBack) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  TMemoryStream source;
  source.WriteBuffer("long value", 10);  // left at its end: still copied whole
  sql->StreamToBlob(Variant("memo"), &source);
  EXPECT_FALSE(sql->IsFieldNull(1));
  EXPECT_TRUE(sql->IsFieldDirty(1));
  EXPECT_EQ(sql->GetFieldValue(1), Variant("long value"));

  // Copied at the target's position, which is then rewound.
  TMemoryStream target;
  target.WriteBuffer("old", 3);
  sql->BlobToStream(1, &target);
  EXPECT_EQ(target.Position(), 0);
  EXPECT_EQ(Text(target), "oldlong value");
}

// A source that claims more bytes than it can deliver.
class TShortStream : public TMemoryStream {
public:
  int64_t Size() override { return TMemoryStream::Size() + 10; }
};

TEST_F(BlobTest, LargeValuesAndASourceThatFailsHalfway) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  TMemoryStream source;
  source.WriteBuffer(big.data(), static_cast<int64_t>(big.size()));
  sql->StreamToBlob(Variant("Pic"), &source);
  TMemoryStream target;
  sql->BlobToStream(Variant("Pic"), &target);
  EXPECT_EQ(Text(target), big);

  TShortStream shortSource;
  shortSource.WriteBuffer(big.data(), 100000);
  sql->SetFieldValue(Variant("Memo"), Null());
  EXPECT_THROW(sql->StreamToBlob(Variant("Memo"), &shortSource), EReadError);
  EXPECT_FALSE(Stream("Memo").Modified);
  EXPECT_EQ(Stream("Memo").DataSize, 0);
  EXPECT_TRUE(sql->IsFieldNull(1));
}

TEST_F(BlobTest, AStreamThatWasNotWrittenIsFetchedWhenRead) {
  ASSERT_TRUE(sql->OpenRead("q", NoValues()));
  Stream("Pic").ServerValue = "from the server";
  TMemoryStream target;
  sql->BlobToStream(Variant("Pic"), &target);
  EXPECT_EQ(Text(target), "from the server");
  EXPECT_GE(Stream("Pic").Fetches, 1);
  EXPECT_FALSE(Stream("Pic").Modified);
}

TEST_F(BlobTest, ConversionErrorsInTheirOrder) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  TMemoryStream stream;
  TPicture picture;
  struct Case {
    const char* Name;
    std::function<void()> Operation;
    std::string Message;
  } cases[] = {
      {"no source", [&] { sql->StreamToBlob(1, nullptr); }, "Not a valid stream parameter."},
      {"no target", [&] { sql->BlobToStream(1, nullptr); }, "Not a valid stream parameter."},
      {"no picture", [&] { sql->GraphicToBlob(1, nullptr, gtBitmap); }, "Not a valid picture parameter."},
      {"no picture to load", [&] { sql->BlobToGraphic(1, nullptr, gtIcon); }, "Not a valid picture parameter."},
      {"no such format", [&] { sql->GraphicToBlob(1, &picture, TOrvaneGraphicType(3)); },
       "Not a valid picture parameter."},
      {"unknown field", [&] { sql->StreamToBlob(Variant("x"), &stream); }, "Field \"x\" not found."},
      {"unknown position", [&] { sql->BlobToStream(3, &stream); }, "Field \"3\" not found."},
      {"short column", [&] { sql->StreamToBlob(0, &stream); }, "Field \"ID\" is not a blob."},
      {"short column picture", [&] { sql->BlobToGraphic(Variant("id"), &picture, gtBitmap); },
       "Field \"ID\" is not a blob."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ExpectFrameError(c.Operation, c.Message);
  }
  ASSERT_TRUE(sql->OpenRead("q2", NoValues()));
  // A read cursor is reported before a missing argument.
  ExpectFrameError([&] { sql->StreamToBlob(1, nullptr); }, "The cursor is read-only.");
  ExpectFrameError([&] { sql->GraphicToBlob(1, nullptr, gtBitmap); }, "The cursor is read-only.");
  Stream("Memo").ServerValue = "text";
  sql->BlobToStream(1, &stream);  // reading needs no write cursor
  EXPECT_EQ(Text(stream), "text");
}

TEST_F(BlobTest, PicturesOfEveryKindTravelThroughABlob) {
  ASSERT_TRUE(sql->OpenWrite("q", NoValues()));
  TPicture source;
  source.Bitmap()->SetSize(3, 2);
  source.Bitmap()->SetPixel(2, 1, RGBColor(10, 20, 30));
  TBitmap bitmap;
  bitmap.Assign(source.Bitmap());

  struct Case {
    TOrvaneGraphicType Format;
    std::function<void(TPicture&)> Fill;
    std::function<void(TPicture&)> Check;
  } cases[] = {
      {gtBitmap, [&](TPicture& p) { p.Assign(&bitmap); },
       [](TPicture& p) {
         ASSERT_EQ(p.Bitmap()->Width(), 3);
         EXPECT_EQ(p.Bitmap()->Pixel(2, 1), RGBColor(10, 20, 30));
       }},
      {gtIcon, [&](TPicture& p) { p.Icon()->AddBitmap(bitmap); },
       [](TPicture& p) {
         EXPECT_EQ(p.Icon()->ImageCount(), 1);
         EXPECT_EQ(p.Icon()->Height(), 2);
       }},
      {gtMetafile, [](TPicture& p) { p.Metafile()->SetWidth(96); },
       [](TPicture& p) { EXPECT_EQ(p.Metafile()->Width(), 96); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.Format));
    TPicture stored, loaded;
    c.Fill(stored);
    sql->GraphicToBlob(Variant("Pic"), &stored, c.Format);
    EXPECT_FALSE(sql->IsFieldNull(2));
    sql->BlobToGraphic(2, &loaded, c.Format);
    c.Check(loaded);
  }
  // Bytes that are no picture of the kind asked for.
  TMemoryStream junk;
  junk.WriteBuffer("not a picture", 13);
  sql->StreamToBlob(2, &junk);
  TPicture target;
  target.Bitmap()->SetSize(1, 1);
  EXPECT_THROW(sql->BlobToGraphic(2, &target, gtBitmap), EInvalidGraphic);
  EXPECT_EQ(target.Width(), 1);
  EXPECT_THROW(sql->BlobToGraphic(2, &target, gtMetafile), EInvalidGraphic);
}

}  // namespace
