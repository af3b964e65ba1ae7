// The icon: its images and the ICO file form.
#include "Icon.h"

#include <algorithm>

#include "Bitmap.h"
#include "Format.h"
#include "GraphicBytes.h"
#include "GraphicsConsts.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TIcon)

using namespace graphics_detail;

namespace {

const char kPngSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};
constexpr uint32_t kMaxIconSide = 1 << 15;

// Checks an encoded image and answers its size.
void ImageSize(const std::string& data, uint32_t& width, uint32_t& height) {
  const TByteReader in(data, SInvalidIcon);
  if (data.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, data.begin())) {
    if (in.U32BE(8) != 13 || in.Bytes(12, 4) != "IHDR") in.Fail();
    width = in.U32BE(16);
    height = in.U32BE(20);
  } else {
    const uint32_t header = in.U32(0);
    if (header != 40 && (header < 52 || header > 124)) in.Fail();
    const int32_t w = in.I32(4), h2 = in.I32(8);
    const uint16_t planes = in.U16(12), bits = in.U16(14);
    const uint32_t compression = in.U32(16), clrUsed = in.U32(32);
    if (w <= 0 || h2 <= 0 || h2 % 2 != 0 || planes != 1) in.Fail();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) in.Fail();
    if (compression != 0 && compression != 3) in.Fail();
    width = static_cast<uint32_t>(w);
    height = static_cast<uint32_t>(h2 / 2);
    if (width > kMaxIconSide || height > kMaxIconSide) in.Fail();
    // The colour rows must be there; the mask rows may be cut short, as some
    // writers leave them out of 32-bit images.
    const uint64_t palette = bits <= 8 ? uint64_t(clrUsed == 0 ? (1u << bits) : clrUsed) * 4 : 0;
    const uint64_t stride = ((uint64_t(width) * bits + 31) / 32) * 4;
    in.Need(header + (compression == 3 && header == 40 ? 12 : 0), palette + stride * height);
  }
  if (width == 0 || height == 0 || width > kMaxIconSide || height > kMaxIconSide)
    throw EInvalidGraphic(SInvalidIcon);
}

}  // namespace

bool TIconImage::IsPng() const {
  return Data.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, Data.begin());
}

int TIconImage::Width() const {
  uint32_t w = 0, h = 0;
  ImageSize(Data, w, h);
  return static_cast<int>(w);
}

int TIconImage::Height() const {
  uint32_t w = 0, h = 0;
  ImageSize(Data, w, h);
  return static_cast<int>(h);
}

void TIcon::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (const TIcon* other = dynamic_cast<const TIcon*>(source)) {
    if (other == this) return;
    FType = other->FType;
    FImages = other->FImages;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

int TIcon::Width() const { return FImages.empty() ? 0 : FImages.front().Width(); }
int TIcon::Height() const { return FImages.empty() ? 0 : FImages.front().Height(); }

const TIconImage& TIcon::Image(int index) const {
  if (index < 0 || index >= ImageCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return FImages[static_cast<size_t>(index)];
}

void TIcon::Clear() {
  FType = 1;
  FImages.clear();
  Changed();
}

void TIcon::AddImageData(const std::string& data) {
  uint32_t w = 0, h = 0;
  ImageSize(data, w, h);
  TIconImage image;
  image.WidthByte = static_cast<uint8_t>(w >= 256 ? 0 : w);
  image.HeightByte = static_cast<uint8_t>(h >= 256 ? 0 : h);
  if (image.IsPng()) {
    image.BitCount = 32;
  } else {
    const TByteReader in(data, SInvalidIcon);
    image.BitCount = in.U16(14);
    if (image.BitCount < 8) image.ColorCount = static_cast<uint8_t>(1u << image.BitCount);
  }
  image.Data = data;
  FImages.push_back(std::move(image));
  Changed();
}

void TIcon::AddBitmap(const TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  if (w <= 0 || h <= 0 || w > 256 || h > 256) throw EInvalidGraphic(Format(SInvalidGraphicSize, {w, h}));
  const uint32_t maskStride = ((uint32_t(w) + 31) / 32) * 4;
  const uint32_t imageBytes = uint32_t(w) * uint32_t(h) * 4 + maskStride * uint32_t(h);
  std::string data;
  PutU32(data, 40);
  PutU32(data, static_cast<uint32_t>(w));
  PutU32(data, static_cast<uint32_t>(h * 2));  // colour rows and mask rows
  PutU16(data, 1);
  PutU16(data, 32);
  PutU32(data, 0);
  PutU32(data, imageBytes);
  PutU32(data, 0);
  PutU32(data, 0);
  PutU32(data, 0);
  PutU32(data, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const TColor c = bitmap.Pixel(x, y);
      PutU8(data, (c >> 16) & 0xFF);
      PutU8(data, (c >> 8) & 0xFF);
      PutU8(data, c & 0xFF);
      PutU8(data, 0xFF);
    }
  data.append(static_cast<size_t>(maskStride) * static_cast<size_t>(h), '\0');  // opaque
  AddImageData(data);
}

void TIcon::LoadFromStream(TStream& stream) {
  const std::string bytes = ReadRestOfStream(stream, SInvalidIcon);
  if (bytes.empty()) {
    Clear();
    return;
  }
  const TByteReader in(bytes, SInvalidIcon);
  const uint16_t type = in.U16(2);
  const uint16_t count = in.U16(4);
  if (in.U16(0) != 0 || (type != 1 && type != 2) || count == 0) in.Fail();
  in.Need(6, uint64_t(count) * 16);
  // Entries that share bytes would multiply the memory a small file costs:
  // together they may hold no more than the file.
  uint64_t total = 0;
  for (uint16_t i = 0; i < count; ++i) total += in.U32(6 + uint64_t(i) * 16 + 8);
  if (total > bytes.size()) in.Fail();
  std::vector<TIconImage> images;
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t e = 6 + uint64_t(i) * 16;
    TIconImage image;
    image.WidthByte = in.U8(e);
    image.HeightByte = in.U8(e + 1);
    image.ColorCount = in.U8(e + 2);
    image.Planes = in.U16(e + 4);
    image.BitCount = in.U16(e + 6);
    const uint32_t size = in.U32(e + 8), offset = in.U32(e + 12);
    if (size == 0 || offset < 6 + uint64_t(count) * 16) in.Fail();
    image.Data = in.Bytes(offset, size);
    uint32_t w = 0, h = 0;
    ImageSize(image.Data, w, h);
    images.push_back(std::move(image));
  }
  FType = type;
  FImages = std::move(images);
  Changed();
}

void TIcon::SaveToStream(TStream& stream) {
  if (Empty()) return;
  std::string out;
  PutU16(out, 0);
  PutU16(out, FType);
  PutU16(out, static_cast<uint32_t>(FImages.size()));
  uint32_t offset = static_cast<uint32_t>(6 + FImages.size() * 16);
  for (const TIconImage& image : FImages) {
    PutU8(out, image.WidthByte);
    PutU8(out, image.HeightByte);
    PutU8(out, image.ColorCount);
    PutU8(out, 0);
    PutU16(out, image.Planes);
    PutU16(out, image.BitCount);
    PutU32(out, static_cast<uint32_t>(image.Data.size()));
    PutU32(out, offset);
    offset += static_cast<uint32_t>(image.Data.size());
  }
  stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
  for (const TIconImage& image : FImages)
    stream.WriteBuffer(image.Data.data(), static_cast<int64_t>(image.Data.size()));
}
