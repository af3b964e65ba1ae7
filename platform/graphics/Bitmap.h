// TBitmap: a device-independent bitmap kept in memory, read from and written
// to the Windows BMP file form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Graphic.h"

// Bits per pixel of a bitmap. pf15bit is 5-5-5 and pf16bit 5-6-5 colour;
// pfCustom is a 16- or 32-bit layout with other colour masks (read only).
enum TPixelFormat { pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Reads BMP files with the core, the info and the V2 to V5 headers: 1-, 4-
// and 8-bit with a palette (also run-length encoded 4- and 8-bit), 16-bit
// 5-5-5 or with colour masks, 24-bit, and 32-bit plain or with colour masks.
// Writes a file header, an info header, colour masks for 16-bit 5-6-5 and
// masked 32-bit, the palette and the rows bottom-up, uncompressed; what it
// writes reads back to the same bytes.
class TBitmap : public TGraphic {
  ORV_CLASS(TBitmap, TGraphic)
public:
  TBitmap() = default;
  ~TBitmap() override = default;

  void Assign(const TPersistent* source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  // New dimensions in the current pixel format, every pixel black (palette
  // index 0). Sizes below 0, or over 1 GiB of pixels, raise EInvalidGraphic.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, FHeight); }
  void SetHeight(int height) { SetSize(FWidth, height); }

  TPixelFormat PixelFormat() const;
  int BitCount() const { return FBitCount; }
  // Converts every pixel to the new format; palette formats get the
  // framework's standard palette and the nearest colour of it. pfCustom
  // cannot be chosen.
  void SetPixelFormat(TPixelFormat format);
  // The colour table of a 1-, 4- or 8-bit bitmap (0x00BBGGRR entries).
  const std::vector<TColor>& Palette() const { return FPalette; }
  // Replaces the colour table (at most 2^BitCount entries); pixels keep
  // their indexes.
  void SetPalette(const std::vector<TColor>& palette);

  // Colour at (x, y), y counted from the top; raises EInvalidGraphic
  // outside the bitmap.
  TColor Pixel(int x, int y) const;
  // In palette formats the nearest palette entry is stored.
  void SetPixel(int x, int y, TColor color);
  // Palette index at (x, y) of a 1-, 4- or 8-bit bitmap.
  int PixelIndex(int x, int y) const;
  // The bytes of row y (from the top), as the file form holds them.
  const uint8_t* ScanLine(int y) const;
  int RowBytes() const { return Stride(FWidth, FBitCount); }

private:
  // Row bytes; SetSize and reading keep every bitmap within 1 GiB of rows.
  static int Stride(int width, int bitCount) {
    return static_cast<int>(((int64_t(width) * bitCount + 31) / 32) * 4);
  }
  void CopyImage(const TBitmap& other);
  uint32_t RawPixel(int x, int y) const;
  void SetRawPixel(int x, int y, uint32_t value);
  uint32_t EncodeColor(TColor color) const;
  TColor DecodeRaw(uint32_t raw) const;
  void CheckPixel(int x, int y) const;

  int FWidth = 0;
  int FHeight = 0;
  int FBitCount = 24;
  // Colour masks of a 16- or 32-bit bitmap (BI_BITFIELDS); all 0 = plain.
  uint32_t FRedMask = 0, FGreenMask = 0, FBlueMask = 0;
  int32_t FXPelsPerMeter = 0, FYPelsPerMeter = 0;
  std::vector<TColor> FPalette;
  std::vector<uint8_t> FPixels;  // rows top-down, RowBytes() each
};
