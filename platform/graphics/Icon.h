// TIcon: an icon file of one or more images, each kept as the bytes of its
// BMP- or PNG-encoded entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Graphic.h"

class TBitmap;

// One image of an icon: its directory entry and its encoded bytes.
struct TIconImage {
  uint8_t WidthByte = 0;   // 0 stands for 256
  uint8_t HeightByte = 0;
  uint8_t ColorCount = 0;
  uint16_t Planes = 1;     // for a cursor file: the hot spot's x
  uint16_t BitCount = 32;  // for a cursor file: the hot spot's y
  std::string Data;        // a BMP info header with its rows, or a PNG file
  bool IsPng() const;
  // From the encoded image itself.
  int Width() const;
  int Height() const;
};

// Reads and writes the ICO file form (and the cursor form, kept as read):
// a directory of entries followed by their images. Each image must be a
// PNG file or a BMP info header whose pixel rows the entry holds.
class TIcon : public TGraphic {
  ORV_CLASS(TIcon, TGraphic)
public:
  TIcon() = default;
  ~TIcon() override = default;

  void Assign(const TPersistent* source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  bool Empty() const override { return FImages.empty(); }
  // The first image's size.
  int Width() const override;
  int Height() const override;

  int ImageCount() const { return static_cast<int>(FImages.size()); }
  const TIconImage& Image(int index) const;
  // Adds the bitmap as a 32-bit BMP-encoded image with an opaque mask; at
  // most 256 x 256 pixels.
  void AddBitmap(const TBitmap& bitmap);
  // Adds an encoded image (PNG file or BMP info header and rows), checked as
  // a file's entries are.
  void AddImageData(const std::string& data);
  void Clear();

private:
  uint16_t FType = 1;  // 1 icon, 2 cursor
  std::vector<TIconImage> FImages;
};
