// The bitmap: its pixels in memory, and the BMP file form.
#include "Bitmap.h"

#include <algorithm>
#include <limits>

#include "Format.h"
#include "GraphicBytes.h"
#include "GraphicsConsts.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TBitmap)

using namespace graphics_detail;

namespace {

constexpr int64_t kMaxPixelBytes = int64_t(1) << 30;
// Run-length data can describe far more pixels than it has bytes; a bitmap
// whose rows would exceed this many bytes per byte of data (plus a fixed
// allowance) is refused before anything is allocated.
constexpr int64_t kMaxRleExpansion = 1024;
constexpr int64_t kRleAllowance = int64_t(1) << 20;

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

TColor FromQuad(uint8_t b, uint8_t g, uint8_t r) { return RGBColor(r, g, b); }
uint8_t Red(TColor c) { return c & 0xFF; }
uint8_t Green(TColor c) { return (c >> 8) & 0xFF; }
uint8_t Blue(TColor c) { return (c >> 16) & 0xFF; }

std::vector<TColor> StandardPalette(int bitCount) {
  std::vector<TColor> p;
  if (bitCount == 1) return {RGBColor(0, 0, 0), RGBColor(255, 255, 255)};
  // The sixteen colours of the framework's standard palette.
  const TColor vga[16] = {RGBColor(0, 0, 0),       RGBColor(128, 0, 0),   RGBColor(0, 128, 0),
                          RGBColor(128, 128, 0),   RGBColor(0, 0, 128),   RGBColor(128, 0, 128),
                          RGBColor(0, 128, 128),   RGBColor(192, 192, 192), RGBColor(128, 128, 128),
                          RGBColor(255, 0, 0),     RGBColor(0, 255, 0),   RGBColor(255, 255, 0),
                          RGBColor(0, 0, 255),     RGBColor(255, 0, 255), RGBColor(0, 255, 255),
                          RGBColor(255, 255, 255)};
  p.assign(vga, vga + 16);
  if (bitCount == 4) return p;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.push_back(RGBColor(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
  for (int i = 0; i < 24; ++i) {
    uint8_t v = static_cast<uint8_t>(8 + i * 10);
    p.push_back(RGBColor(v, v, v));
  }
  return p;
}

int MaskShift(uint32_t mask) {
  int s = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++s;
  }
  return s;
}

int MaskBits(uint32_t mask) {
  mask >>= MaskShift(mask);
  int n = 0;
  while (mask & 1) {
    mask >>= 1;
    ++n;
  }
  return n;
}

// A component scaled from its mask's width to 8 bits.
uint8_t Extract(uint32_t raw, uint32_t mask) {
  if (mask == 0) return 0;
  const int bits = MaskBits(mask);
  uint32_t v = (raw & mask) >> MaskShift(mask);
  if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
  const uint32_t max = (1u << bits) - 1;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

uint32_t Insert(uint8_t component, uint32_t mask) {
  if (mask == 0) return 0;
  const int bits = MaskBits(mask);
  uint32_t v = bits >= 8 ? (static_cast<uint32_t>(component) << (bits - 8)) : (component >> (8 - bits));
  return (v << MaskShift(mask)) & mask;
}

}  // namespace

void TBitmap::CopyImage(const TBitmap& other) {
  FWidth = other.FWidth;
  FHeight = other.FHeight;
  FBitCount = other.FBitCount;
  FRedMask = other.FRedMask;
  FGreenMask = other.FGreenMask;
  FBlueMask = other.FBlueMask;
  FXPelsPerMeter = other.FXPelsPerMeter;
  FYPelsPerMeter = other.FYPelsPerMeter;
  FPalette = other.FPalette;
  FPixels = other.FPixels;
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == nullptr) {
    CopyImage(TBitmap());
    Changed();
    return;
  }
  if (const TBitmap* other = dynamic_cast<const TBitmap*>(source)) {
    if (other == this) return;
    CopyImage(*other);
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

TPixelFormat TBitmap::PixelFormat() const {
  switch (FBitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
      if (FRedMask == 0 || (FRedMask == 0x7C00 && FGreenMask == 0x03E0 && FBlueMask == 0x001F)) return pf15bit;
      if (FRedMask == 0xF800 && FGreenMask == 0x07E0 && FBlueMask == 0x001F) return pf16bit;
      return pfCustom;
    case 24: return pf24bit;
    case 32:
      if (FRedMask == 0 || (FRedMask == 0xFF0000 && FGreenMask == 0xFF00 && FBlueMask == 0xFF)) return pf32bit;
      return pfCustom;
  }
  return pfCustom;
}

void TBitmap::SetSize(int width, int height) {
  const int64_t stride = ((int64_t(width) * FBitCount + 31) / 32) * 4;
  if (width < 0 || height < 0 || stride > kMaxPixelBytes || (stride > 0 && height > kMaxPixelBytes / stride))
    throw EInvalidGraphic(Format(SInvalidGraphicSize, {width, height}));
  FWidth = width;
  FHeight = height;
  FPixels.assign(static_cast<size_t>(Stride(width, FBitCount)) * static_cast<size_t>(height), 0);
  if (FBitCount <= 8 && FPalette.empty()) FPalette = StandardPalette(FBitCount);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  int bits;
  uint32_t r = 0, g = 0, b = 0;
  switch (format) {
    case pf1bit: bits = 1; break;
    case pf4bit: bits = 4; break;
    case pf8bit: bits = 8; break;
    case pf15bit: bits = 16; break;
    case pf16bit: bits = 16; r = 0xF800; g = 0x07E0; b = 0x001F; break;
    case pf24bit: bits = 24; break;
    case pf32bit: bits = 32; break;
    default: throw EInvalidGraphic(SInvalidPixelFormat);
  }
  if (format == PixelFormat() && !(bits <= 8 && FPalette.empty())) return;
  TBitmap converted;
  converted.FBitCount = bits;
  converted.FRedMask = r;
  converted.FGreenMask = g;
  converted.FBlueMask = b;
  converted.FXPelsPerMeter = FXPelsPerMeter;
  converted.FYPelsPerMeter = FYPelsPerMeter;
  if (bits <= 8) converted.FPalette = StandardPalette(bits);
  converted.SetSize(FWidth, FHeight);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) converted.SetPixel(x, y, Pixel(x, y));
  CopyImage(converted);
  Changed();
}

void TBitmap::SetPalette(const std::vector<TColor>& palette) {
  if (FBitCount > 8 || palette.size() > (size_t(1) << FBitCount)) throw EInvalidGraphic(SInvalidPixelFormat);
  FPalette = palette;
  Changed();
}

void TBitmap::CheckPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) throw EInvalidGraphic(Format(SPixelOutOfRange, {x, y}));
}

const uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= FHeight) throw EInvalidGraphic(Format(SPixelOutOfRange, {0, y}));
  return FPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(RowBytes());
}

uint32_t TBitmap::RawPixel(int x, int y) const {
  const uint8_t* row = FPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(RowBytes());
  switch (FBitCount) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF;
    case 8: return row[x];
    case 16: return row[2 * x] | (row[2 * x + 1] << 8);
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (uint32_t(row[3 * x + 2]) << 16);
    default:
      return row[4 * x] | (row[4 * x + 1] << 8) | (uint32_t(row[4 * x + 2]) << 16) | (uint32_t(row[4 * x + 3]) << 24);
  }
}

void TBitmap::SetRawPixel(int x, int y, uint32_t v) {
  uint8_t* row = FPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(RowBytes());
  switch (FBitCount) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      row[x / 8] = static_cast<uint8_t>(v ? (row[x / 8] | bit) : (row[x / 8] & ~bit));
      break;
    }
    case 4:
      row[x / 2] = static_cast<uint8_t>(x % 2 == 0 ? ((row[x / 2] & 0x0F) | (v << 4)) : ((row[x / 2] & 0xF0) | (v & 0xF)));
      break;
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      break;
    case 24:
      for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<uint8_t>(v >> (8 * i));
      break;
    default:
      for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(v >> (8 * i));
      break;
  }
}

TColor TBitmap::DecodeRaw(uint32_t raw) const {
  if (FBitCount <= 8) return raw < FPalette.size() ? FPalette[raw] : RGBColor(0, 0, 0);
  if (FBitCount == 16 && FRedMask == 0)
    return RGBColor(Extract(raw, 0x7C00), Extract(raw, 0x03E0), Extract(raw, 0x001F));
  if (FBitCount == 24 || (FBitCount == 32 && FRedMask == 0))
    return FromQuad(raw & 0xFF, (raw >> 8) & 0xFF, (raw >> 16) & 0xFF);
  return RGBColor(Extract(raw, FRedMask), Extract(raw, FGreenMask), Extract(raw, FBlueMask));
}

uint32_t TBitmap::EncodeColor(TColor c) const {
  if (FBitCount <= 8) {
    uint32_t best = 0;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < FPalette.size(); ++i) {
      const int dr = Red(FPalette[i]) - Red(c), dg = Green(FPalette[i]) - Green(c), db = Blue(FPalette[i]) - Blue(c);
      const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<uint32_t>(i);
      }
    }
    return best;
  }
  if (FBitCount == 16 && FRedMask == 0) return Insert(Red(c), 0x7C00) | Insert(Green(c), 0x03E0) | Insert(Blue(c), 0x001F);
  if (FBitCount == 24 || (FBitCount == 32 && FRedMask == 0))
    return Blue(c) | (uint32_t(Green(c)) << 8) | (uint32_t(Red(c)) << 16);
  return Insert(Red(c), FRedMask) | Insert(Green(c), FGreenMask) | Insert(Blue(c), FBlueMask);
}

TColor TBitmap::Pixel(int x, int y) const {
  CheckPixel(x, y);
  return DecodeRaw(RawPixel(x, y));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  CheckPixel(x, y);
  SetRawPixel(x, y, EncodeColor(color));
  Changed();
}

int TBitmap::PixelIndex(int x, int y) const {
  CheckPixel(x, y);
  if (FBitCount > 8) throw EInvalidGraphic(SInvalidPixelFormat);
  return static_cast<int>(RawPixel(x, y));
}

namespace {

// Decodes run-length encoded 8- or 4-bit data into top-down rows. Pixels that
// the data places outside the bitmap are dropped; data that ends early leaves
// the remaining pixels at index 0.
void DecodeRle(const TByteReader& in, uint64_t at, int bits, int width, int height, int stride,
               std::vector<uint8_t>& pixels) {
  int x = 0, y = 0;  // y counted from the bottom row
  auto put = [&](uint32_t index) {
    if (x < width && y < height) {
      uint8_t* row = pixels.data() + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(stride);
      if (bits == 8) row[x] = static_cast<uint8_t>(index);
      else row[x / 2] = static_cast<uint8_t>(x % 2 == 0 ? ((row[x / 2] & 0x0F) | (index << 4)) : ((row[x / 2] & 0xF0) | (index & 0xF)));
    }
    ++x;
  };
  uint64_t p = at;
  while (p + 1 < in.Size() && y < height) {
    const uint8_t count = in.U8(p), value = in.U8(p + 1);
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0xF));
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      x += in.U8(p);
      y += in.U8(p + 1);
      p += 2;
    } else {
      const uint64_t bytes = bits == 8 ? value : (value + 1u) / 2;
      in.Need(p, bytes);
      for (int i = 0; i < value; ++i) {
        const uint8_t b = in.U8(p + (bits == 8 ? i : i / 2));
        put(bits == 8 ? b : (i % 2 == 0 ? b >> 4 : b & 0xF));
      }
      p += (bytes + 1) & ~uint64_t(1);
    }
  }
}

}  // namespace

void TBitmap::LoadFromStream(TStream& stream) {
  const std::string bytes = ReadRestOfStream(stream, SInvalidBitmap);
  if (bytes.empty()) {
    Assign(nullptr);
    return;
  }
  const TByteReader in(bytes, SInvalidBitmap);
  if (in.U16(0) != 0x4D42) in.Fail();  // "BM"
  const uint32_t offBits = in.U32(10);
  const uint32_t headerSize = in.U32(14);
  const uint64_t h = 14;
  int64_t width, height;
  int bitCount;
  uint32_t compression = BI_RGB, clrUsed = 0;
  uint32_t rMask = 0, gMask = 0, bMask = 0;
  int32_t xppm = 0, yppm = 0;
  uint64_t paletteAt;
  int quad = 4;
  if (headerSize == 12) {
    width = in.U16(h + 4);
    height = in.U16(h + 6);
    if (in.U16(h + 8) != 1) in.Fail();
    bitCount = in.U16(h + 10);
    paletteAt = h + 12;
    quad = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
    in.Need(h, headerSize);
    width = in.I32(h + 4);
    height = in.I32(h + 8);
    if (in.U16(h + 12) != 1) in.Fail();
    bitCount = in.U16(h + 14);
    compression = in.U32(h + 16);
    xppm = in.I32(h + 24);
    yppm = in.I32(h + 28);
    clrUsed = in.U32(h + 32);
    paletteAt = h + headerSize;
    if (compression == BI_BITFIELDS) {
      // The masks follow a plain info header, or lie inside a larger one.
      const uint64_t masksAt = headerSize >= 52 ? h + 40 : h + headerSize;
      rMask = in.U32(masksAt);
      gMask = in.U32(masksAt + 4);
      bMask = in.U32(masksAt + 8);
      if (headerSize < 52) paletteAt += 12;
    }
  } else {
    in.Fail();
  }

  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > std::numeric_limits<int32_t>::max() ||
      height > std::numeric_limits<int32_t>::max())
    in.Fail();
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: in.Fail();
  }
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  if (compression == BI_RLE8 && bitCount != 8) in.Fail();
  if (compression == BI_RLE4 && bitCount != 4) in.Fail();
  if (compression == BI_BITFIELDS && bitCount != 16 && bitCount != 32) in.Fail();
  if (compression > BI_BITFIELDS || (rle && topDown)) in.Fail();
  if (compression == BI_BITFIELDS && (rMask == 0 || gMask == 0 || bMask == 0 || (rMask & gMask) ||
                                      (rMask & bMask) || (gMask & bMask)))
    in.Fail();

  const int64_t stride = ((width * bitCount + 31) / 32) * 4;
  if (stride > kMaxPixelBytes || height > kMaxPixelBytes / stride) in.Fail();
  const int64_t pixelBytes = stride * height;
  if (offBits < paletteAt || offBits >= bytes.size()) in.Fail();
  const uint64_t dataBytes = bytes.size() - offBits;
  if (rle) {
    if (pixelBytes > kRleAllowance + static_cast<int64_t>(dataBytes) * kMaxRleExpansion) in.Fail();
  } else if (static_cast<uint64_t>(pixelBytes) > dataBytes) {
    in.Fail();
  }

  std::vector<TColor> palette;
  if (bitCount <= 8) {
    const uint32_t most = 1u << bitCount;
    const uint32_t count = clrUsed == 0 ? most : clrUsed;
    if (count > most || paletteAt + uint64_t(count) * quad > offBits) in.Fail();
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t at = paletteAt + uint64_t(i) * quad;
      palette.push_back(FromQuad(in.U8(at), in.U8(at + 1), in.U8(at + 2)));
    }
  }

  std::vector<uint8_t> pixels(static_cast<size_t>(pixelBytes), 0);
  if (rle) {
    DecodeRle(in, offBits, bitCount, static_cast<int>(width), static_cast<int>(height), static_cast<int>(stride), pixels);
  } else {
    for (int64_t row = 0; row < height; ++row) {
      const int64_t source = topDown ? row : height - 1 - row;
      std::copy_n(in.Data(offBits + uint64_t(source * stride)), stride, pixels.begin() + row * stride);
    }
  }

  FWidth = static_cast<int>(width);
  FHeight = static_cast<int>(height);
  FBitCount = bitCount;
  // Masks equal to the plain layout are kept as the plain layout, so that a
  // file reads the same whichever way it spelt them.
  if (bitCount == 32 && rMask == 0xFF0000 && gMask == 0xFF00 && bMask == 0xFF) rMask = gMask = bMask = 0;
  if (bitCount == 16 && rMask == 0x7C00 && gMask == 0x03E0 && bMask == 0x001F) rMask = gMask = bMask = 0;
  FRedMask = rMask;
  FGreenMask = gMask;
  FBlueMask = bMask;
  FXPelsPerMeter = xppm;
  FYPelsPerMeter = yppm;
  FPalette = std::move(palette);
  FPixels = std::move(pixels);
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
  if (Empty()) return;
  const bool masks = FRedMask != 0;
  const uint32_t paletteBytes = static_cast<uint32_t>(FPalette.size() * 4);
  const uint32_t offBits = 14 + 40 + (masks ? 12 : 0) + paletteBytes;
  const uint32_t imageBytes = static_cast<uint32_t>(FPixels.size());
  std::string out;
  out.reserve(offBits);
  PutU16(out, 0x4D42);
  PutU32(out, offBits + imageBytes);
  PutU32(out, 0);
  PutU32(out, offBits);
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(FWidth));
  PutU32(out, static_cast<uint32_t>(FHeight));  // bottom-up
  PutU16(out, 1);
  PutU16(out, static_cast<uint32_t>(FBitCount));
  PutU32(out, masks ? BI_BITFIELDS : BI_RGB);
  PutU32(out, imageBytes);
  PutU32(out, static_cast<uint32_t>(FXPelsPerMeter));
  PutU32(out, static_cast<uint32_t>(FYPelsPerMeter));
  PutU32(out, static_cast<uint32_t>(FPalette.size()));
  PutU32(out, 0);
  if (masks) {
    PutU32(out, FRedMask);
    PutU32(out, FGreenMask);
    PutU32(out, FBlueMask);
  }
  for (TColor c : FPalette) {
    PutU8(out, Blue(c));
    PutU8(out, Green(c));
    PutU8(out, Red(c));
    PutU8(out, 0);
  }
  stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
  const int64_t stride = RowBytes();
  for (int y = FHeight - 1; y >= 0; --y) stream.WriteBuffer(FPixels.data() + y * stride, stride);
}
