// Pictures: the BMP, ICO and metafile forms read back as written, hand-made
// files of the other layouts, hostile files, and the picture's kinds.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "ClassRegistry.h"
#include "ComponentStreaming.h"
#include "TypInfo.h"
#include "Graphics.h"
#include "GraphicBytes.h"

using namespace graphics_detail;

namespace {

std::string Save(TGraphic& g) {
  TMemoryStream s;
  g.SaveToStream(s);
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

void Load(TGraphic& g, const std::string& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  g.LoadFromStream(s);
}

// A BMP file: the file header, the given info header and palette, then data.
std::string BmpFile(const std::string& infoAndPalette, const std::string& data) {
  std::string f;
  PutU16(f, 0x4D42);
  PutU32(f, static_cast<uint32_t>(14 + infoAndPalette.size() + data.size()));
  PutU32(f, 0);
  PutU32(f, static_cast<uint32_t>(14 + infoAndPalette.size()));
  return f + infoAndPalette + data;
}

std::string InfoHeader(uint32_t size, int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                       uint32_t clrUsed = 0) {
  std::string i;
  PutU32(i, size);
  PutU32(i, static_cast<uint32_t>(w));
  PutU32(i, static_cast<uint32_t>(h));
  PutU16(i, 1);
  PutU16(i, bits);
  PutU32(i, compression);
  for (int k = 0; k < 3; ++k) PutU32(i, 0);  // image size, resolution
  PutU32(i, clrUsed);
  PutU32(i, 0);
  i.resize(size, '\0');
  return i;
}

std::string Gray4Palette() {
  std::string p;
  for (int k = 0; k < 4; ++k) PutU32(p, 0x00404040u * static_cast<uint32_t>(k));
  return p;
}

TEST(Bitmap, EveryPixelFormatReadsBackAsWritten) {
  const TPixelFormat formats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
  for (TPixelFormat f : formats) {
    SCOPED_TRACE(int(f));
    TBitmap b;
    b.SetPixelFormat(f);
    b.SetSize(5, 3);
    b.SetPixel(0, 0, RGBColor(255, 255, 255));
    b.SetPixel(4, 2, RGBColor(255, 0, 0));
    b.SetPixel(2, 1, RGBColor(0, 0, 255));
    const std::string bytes = Save(b);
    TBitmap c;
    Load(c, bytes);
    EXPECT_EQ(c.PixelFormat(), f);
    ASSERT_EQ(c.Width(), 5);
    ASSERT_EQ(c.Height(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(c.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(Save(c), bytes);
    EXPECT_EQ(c.Pixel(4, 2), f == pf1bit ? RGBColor(0, 0, 0) : RGBColor(255, 0, 0));
  }
}

TEST(Bitmap, OtherHeadersTopDownRowsAndRunLengths) {
  // A 2 x 2 4-bit bitmap with a V5 header, rows top-down.
  TBitmap b;
  Load(b, BmpFile(InfoHeader(124, 2, -2, 4, 0, 4) + Gray4Palette(),
                  std::string("\x01\0\0\0\x23\0\0\0", 8)));
  EXPECT_EQ(b.PixelIndex(0, 0), 0);
  EXPECT_EQ(b.PixelIndex(1, 0), 1);
  EXPECT_EQ(b.PixelIndex(0, 1), 2);
  EXPECT_EQ(b.Pixel(1, 1), RGBColor(0xC0, 0xC0, 0xC0));

  // The core header with its three-byte palette entries.
  std::string core;
  PutU32(core, 12);
  PutU16(core, 1);
  PutU16(core, 1);
  PutU16(core, 1);
  PutU16(core, 1);
  core += std::string("\0\0\0\xFF\xFF\xFF", 6);
  Load(b, BmpFile(core, std::string("\x80\0\0\0", 4)));
  EXPECT_EQ(b.Pixel(0, 0), RGBColor(255, 255, 255));

  // Run-length encoded 8-bit: bottom row 3 x index 2, then 1 1 2 absolute... in
  // a 4 x 2 bitmap; a delta skips, the end of bitmap stops.
  const std::string rle("\x03\x02\x00\x00\x00\x03\x01\x01\x02\x00\x00\x01", 12);
  Load(b, BmpFile(InfoHeader(40, 4, 2, 8, 1, 4) + Gray4Palette(), rle));
  EXPECT_EQ(b.PixelIndex(0, 1), 2);
  EXPECT_EQ(b.PixelIndex(2, 1), 2);
  EXPECT_EQ(b.PixelIndex(3, 1), 0);
  EXPECT_EQ(b.PixelIndex(0, 0), 1);
  EXPECT_EQ(b.PixelIndex(2, 0), 2);
  // Run-length encoded 4-bit: 4 pixels alternating 1 and 3.
  Load(b, BmpFile(InfoHeader(40, 4, 1, 4, 2, 4) + Gray4Palette(), std::string("\x04\x13\x00\x01", 4)));
  EXPECT_EQ(b.PixelIndex(0, 0), 1);
  EXPECT_EQ(b.PixelIndex(1, 0), 3);
  EXPECT_EQ(b.PixelIndex(3, 0), 3);

  // 32-bit with colour masks of another order.
  std::string masked = InfoHeader(40, 1, 1, 32, 3);
  PutU32(masked, 0x000000FF);
  PutU32(masked, 0x0000FF00);
  PutU32(masked, 0x00FF0000);
  Load(b, BmpFile(masked, std::string("\x11\x22\x33\0", 4)));
  EXPECT_EQ(b.PixelFormat(), pfCustom);
  EXPECT_EQ(b.Pixel(0, 0), RGBColor(0x11, 0x22, 0x33));
  TBitmap again;
  Load(again, Save(b));
  EXPECT_EQ(again.Pixel(0, 0), RGBColor(0x11, 0x22, 0x33));
}

TEST(Bitmap, HostileFilesRaiseAndLeaveTheBitmapAsItWas) {
  const std::string good = BmpFile(InfoHeader(40, 1, 1, 24, 0), std::string(4, '\0'));
  std::string badOffset = good;
  SetU32(badOffset, 10, 0x7FFFFFF0);
  const std::string cases[] = {
      "BM",
      good.substr(0, 30),
      good.substr(0, good.size() - 1),                                              // rows cut short
      BmpFile(InfoHeader(40, 0x10000, 0x10000, 32, 0), std::string(16, '\0')),      // huge, no data
      BmpFile(InfoHeader(40, 0x7FFFFFFF, 0x7FFFFFFF, 32, 0), std::string(16, '\0')),  // overflows
      BmpFile(InfoHeader(40, 1, int32_t(0x80000000), 24, 0), std::string(4, '\0')),
      BmpFile(InfoHeader(40, -1, 1, 24, 0), std::string(4, '\0')),
      BmpFile(InfoHeader(40, 1, 1, 7, 0), std::string(4, '\0')),
      BmpFile(InfoHeader(40, 1, 1, 8, 0, 257), std::string(4, '\0')),               // palette too long
      BmpFile(InfoHeader(40, 1, 1, 24, 1), std::string(4, '\0')),                   // RLE8 at 24 bits
      BmpFile(InfoHeader(40, 60000, 60000, 8, 1, 4) + Gray4Palette(), std::string("\0\1", 2)),
      BmpFile(InfoHeader(41, 1, 1, 24, 0), std::string(4, '\0')),
      badOffset,
      std::string("XX") + good.substr(2),
  };
  TBitmap b;
  b.SetSize(2, 2);
  for (const std::string& bytes : cases) {
    EXPECT_THROW(Load(b, bytes), EInvalidGraphic) << &bytes - cases;
    EXPECT_EQ(b.Width(), 2);
  }
  try {
    Load(b, "BM");
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Bitmap image is not valid");
  }
  EXPECT_THROW(b.Pixel(2, 0), EInvalidGraphic);
  EXPECT_THROW(b.SetSize(-1, 3), EInvalidGraphic);
  EXPECT_THROW(b.SetSize(0x7FFFFFFF, 0x7FFFFFFF), EInvalidGraphic);
  Load(b, "");
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(Save(b), "");
}

TEST(Icon, ImagesReadBackAsWritten) {
  TBitmap b;
  b.SetSize(16, 16);
  b.SetPixel(3, 4, RGBColor(1, 2, 3));
  TIcon icon;
  icon.AddBitmap(b);
  // A PNG-encoded entry is kept as its bytes.
  std::string png("\x89PNG\r\n\x1A\n", 8);
  PutU32(png, 0x0D000000);  // length 13, big-endian
  png += "IHDR";
  png += std::string("\0\0\1\0\0\0\1\0\x08\x06\0\0\0", 13);
  icon.AddImageData(png);
  ASSERT_EQ(icon.ImageCount(), 2);
  EXPECT_EQ(icon.Width(), 16);
  EXPECT_EQ(icon.Image(1).Width(), 256);
  EXPECT_TRUE(icon.Image(1).IsPng());

  const std::string bytes = Save(icon);
  TIcon again;
  Load(again, bytes);
  ASSERT_EQ(again.ImageCount(), 2);
  EXPECT_EQ(again.Image(1).Data, png);
  EXPECT_EQ(again.Image(1).WidthByte, 0);
  EXPECT_EQ(Save(again), bytes);
  TBitmap big;
  big.SetSize(257, 1);
  EXPECT_THROW(icon.AddBitmap(big), EInvalidGraphic);
}

TEST(Icon, HostileFilesRaise) {
  TBitmap b;
  b.SetSize(2, 2);
  TIcon icon;
  icon.AddBitmap(b);
  const std::string good = Save(icon);
  auto patched = [&](size_t offset, uint32_t value) {
    std::string s = good;
    SetU32(s, offset, value);
    return s;
  };
  std::string noImages = good;
  noImages[4] = 0;
  std::string twoEntriesSameBytes = good.substr(0, 6) + good.substr(6, 16) + good.substr(6, 16) + good.substr(22);
  twoEntriesSameBytes[4] = 2;
  SetU32(twoEntriesSameBytes, 18, 38);
  SetU32(twoEntriesSameBytes, 34, 38);
  const std::string cases[] = {
      good.substr(0, 5), noImages, patched(14, 0x7FFFFFFF),  // size beyond the file
      patched(18, 1 << 30), patched(22, 39),                 // offset outside; bad info header
      good.substr(0, good.size() - 40), twoEntriesSameBytes + std::string(8, '\0'),
  };
  for (const std::string& bytes : cases) {
    TIcon t;
    EXPECT_THROW(Load(t, bytes), EInvalidGraphic) << bytes.size();
  }
  try {
    Load(icon, noImages);
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Icon image is not valid");
  }
  EXPECT_EQ(icon.ImageCount(), 1);
}

std::string EmfRecord(uint32_t type, uint32_t size) {
  std::string r;
  PutU32(r, type);
  PutU32(r, size);
  r.resize(size, '\0');
  return r;
}

TEST(Metafile, EnhancedFilesReadBackAsWritten) {
  TMetafile m;
  m.SetWidth(192);
  m.SetHeight(96);
  EXPECT_EQ(m.Width(), 192);
  EXPECT_EQ(m.Height(), 96);
  EXPECT_EQ(m.MMWidth(), 5080);
  // A drawing record between the header and the end.
  std::string bytes = Save(m);
  std::string drawn = bytes.substr(0, 88) + EmfRecord(27, 16) + bytes.substr(88);
  SetU32(drawn, 48, static_cast<uint32_t>(drawn.size()));
  SetU32(drawn, 52, 3);
  TMetafile n;
  Load(n, drawn);
  EXPECT_EQ(n.RecordCount(), 3);
  EXPECT_EQ(n.Height(), 96);
  EXPECT_EQ(Save(n), drawn);
  EXPECT_TRUE(n.Enhanced());

  auto patched = [&](size_t offset, uint32_t value) {
    std::string s = drawn;
    SetU32(s, offset, value);
    return s;
  };
  const std::string cases[] = {
      drawn.substr(0, 60),   patched(40, 0x12345678),      patched(48, 0x7FFFFFFF), patched(52, 2),
      patched(92, 6),        patched(92, 0xFFFFFFF0),      patched(88 + 16, 15),    patched(4, 84),
      patched(60, 1000),
  };
  for (const std::string& c : cases) {
    TMetafile t;
    EXPECT_THROW(Load(t, c), EInvalidGraphic);
  }
  try {
    Load(n, cases[1]);
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Metafile is not valid");
  }
  EXPECT_EQ(n.RecordCount(), 3);
}

TEST(Metafile, PlaceableFiles) {
  std::string w;
  PutU32(w, 0x9AC6CDD7);
  PutU16(w, 0);
  for (uint32_t v : {0u, 0u, 1440u, 720u}) PutU16(w, v);  // one inch by half an inch
  PutU16(w, 1440);
  PutU32(w, 0);
  uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= static_cast<uint16_t>(uint8_t(w[2 * i]) | (uint8_t(w[2 * i + 1]) << 8));
  PutU16(w, sum);
  PutU16(w, 1);
  PutU16(w, 9);
  PutU16(w, 0x300);
  PutU32(w, 9 + 3);
  PutU16(w, 0);
  PutU32(w, 3);
  PutU16(w, 0);
  PutU32(w, 3);  // the end record
  PutU16(w, 0);
  TMetafile m;
  Load(m, w);
  EXPECT_FALSE(m.Enhanced());
  EXPECT_EQ(m.Width(), 96);
  EXPECT_EQ(m.Height(), 48);
  EXPECT_EQ(Save(m), w);
  // A new size moves the bounding box's far corner and keeps the checksum.
  m.SetWidth(192);
  EXPECT_EQ(m.Width(), 192);
  EXPECT_EQ(m.Height(), 48);
  TMetafile resized;
  Load(resized, Save(m));
  EXPECT_EQ(resized.Width(), 192);
  // Without the placeable header: the records alone, and no size.
  TMetafile plain;
  Load(plain, w.substr(22));
  EXPECT_EQ(plain.Kind(), mkPlain);
  EXPECT_EQ(plain.Width(), 0);
  EXPECT_EQ(plain.RecordCount(), 1);
  EXPECT_EQ(Save(plain), w.substr(22));
  std::string badSum = w;
  badSum[20] ^= 1;
  EXPECT_THROW(Load(m, badSum), EInvalidGraphic);
  EXPECT_THROW(Load(m, w.substr(0, w.size() - 2)), EInvalidGraphic);
}

class PictureTest : public ::testing::Test {
protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("orv_graphics_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  PictureTest() { std::filesystem::create_directories(dir); }
  ~PictureTest() override { std::filesystem::remove_all(dir); }
  std::string File(const char* name) { return (dir / name).string(); }
};

TEST_F(PictureTest, KindsOnDemandAssignAndChanges) {
  TBitmap sized;
  sized.SetWidth(4);
  EXPECT_TRUE(sized.Empty());
  sized.SetHeight(2);
  EXPECT_EQ(sized.Width(), 4);
  EXPECT_FALSE(sized.Empty());
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(p.Graphic(), nullptr);
  p.Bitmap()->SetSize(4, 3);
  EXPECT_EQ(p.Width(), 4);
  EXPECT_GE(changes, 2);
  // Asking for another kind drops the bitmap.
  EXPECT_TRUE(p.Icon()->Empty());
  EXPECT_EQ(p.Width(), 0);
  TBitmap b;
  b.SetSize(2, 5);
  p.Assign(&b);
  ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
  EXPECT_NE(p.Graphic(), &b);
  EXPECT_EQ(p.Height(), 5);
  TPicture q;
  q.Assign(&p);
  EXPECT_EQ(q.Bitmap()->Height(), 5);
  TBitmap fromPicture;
  fromPicture.Assign(&q);
  EXPECT_EQ(fromPicture.Height(), 5);
  TIcon icon;
  EXPECT_THROW(icon.Assign(&b), EConvertError);
  p.Assign(nullptr);
  EXPECT_EQ(p.Graphic(), nullptr);
  EXPECT_NE(GetClass("TBitmap"), nullptr);
  EXPECT_NE(GetClass("TPicture"), nullptr);
}

TEST_F(PictureTest, FilesByExtension) {
  TPicture p;
  p.Bitmap()->SetSize(3, 3);
  p.Bitmap()->SetPixel(1, 1, RGBColor(9, 8, 7));
  p.SaveToFile(File("a.BMP"));
  TPicture icon;
  icon.Icon()->AddBitmap(*p.Bitmap());
  icon.SaveToFile(File("a.ico"));
  TPicture meta;
  meta.Metafile()->SetWidth(10);
  meta.SaveToFile(File("a.emf"));

  TPicture r;
  r.LoadFromFile(File("a.BMP"));
  EXPECT_EQ(r.Bitmap()->Pixel(1, 1), RGBColor(9, 8, 7));
  r.LoadFromFile(File("a.ico"));
  ASSERT_NE(dynamic_cast<TIcon*>(r.Graphic()), nullptr);
  EXPECT_EQ(r.Width(), 3);
  r.LoadFromFile(File("a.emf"));
  ASSERT_NE(dynamic_cast<TMetafile*>(r.Graphic()), nullptr);
  EXPECT_EQ(r.Width(), 10);

  std::filesystem::copy_file(File("a.ico"), File("b.Png"));
  try {
    r.LoadFromFile(File("b.Png"));
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unknown picture file extension (.Png)");
  }
  // A file of the wrong form keeps the picture; a missing file raises.
  std::filesystem::copy_file(File("a.ico"), File("c.bmp"));
  EXPECT_THROW(r.LoadFromFile(File("c.bmp")), EInvalidGraphic);
  EXPECT_NE(dynamic_cast<TMetafile*>(r.Graphic()), nullptr);
  EXPECT_THROW(r.LoadFromFile(File("missing.bmp")), EFOpenError);
}

// A component with a picture, as an image control holds one.
class TPictureHolder : public TComponent {
  ORV_CLASS(TPictureHolder, TComponent)
public:
  explicit TPictureHolder(TComponent* owner) : TComponent(owner) {}
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* value) { FPicture->Assign(value); }
  static void Publish(TPropertyTable<TPictureHolder>& props) {
    props.Add("Picture", &TPictureHolder::Picture, &TPictureHolder::SetPicture);
  }

private:
  std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
};

}  // namespace

ORV_IMPLEMENT_CLASS(TPictureHolder)

namespace {

TEST(PictureForms, AGraphicIsStoredWithTheForm) {
  RegisterClass(TPictureHolder::StaticClass());
  TPictureHolder empty(nullptr);
  EXPECT_EQ(WriteComponentToText(&empty).find("Picture.Data"), std::string::npos);

  struct Case {
    const char* Kind;
    std::function<void(TPicture&)> Fill;
  } cases[] = {
      {"bitmap", [](TPicture& p) { p.Bitmap()->SetSize(3, 2); p.Bitmap()->SetPixel(1, 1, RGBColor(5, 6, 7)); }},
      {"icon", [](TPicture& p) { TBitmap b; b.SetSize(4, 4); p.Icon()->AddBitmap(b); }},
      {"metafile", [](TPicture& p) { p.Metafile()->SetWidth(20); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Kind);
    TPictureHolder holder(nullptr);
    c.Fill(*holder.Picture());
    const std::string text = WriteComponentToText(&holder);
    EXPECT_NE(text.find("Picture.Data = {"), std::string::npos);
    TPictureHolder read(nullptr);
    ReadComponentFromText(text, &read);
    ASSERT_NE(read.Picture()->Graphic(), nullptr);
    EXPECT_EQ(read.Picture()->Graphic()->ClassName(), holder.Picture()->Graphic()->ClassName());
    EXPECT_EQ(Save(*read.Picture()->Graphic()), Save(*holder.Picture()->Graphic()));
  }
  // An unknown kind and a byte count beyond the data are refused.
  const char* bad[] = {
      "object H: TPictureHolder\r\n  Picture.Data = {\r\n    0554466F6F6F0000000000}\r\nend\r\n",
      "object H: TPictureHolder\r\n  Picture.Data = {\r\n    07544269746D6170FFFFFF7F00}\r\nend\r\n",
  };
  for (const char* text : bad) {
    TPictureHolder read(nullptr);
    EXPECT_THROW(ReadComponentFromText(text, &read), Exception) << text;
  }
}

}  // namespace
