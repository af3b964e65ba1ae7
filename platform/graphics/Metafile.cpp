// The metafile: its header and records, in the enhanced and the placeable
// file forms.
#include "Metafile.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "Format.h"
#include "GraphicBytes.h"
#include "GraphicsConsts.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TMetafile)

using namespace graphics_detail;

namespace {

constexpr uint32_t EMR_HEADER = 1;
constexpr uint32_t EMR_EOF = 14;
constexpr uint32_t kEmfSignature = 0x464D4520;
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kScreenPpi = 96;
constexpr int kHundredthMMPerInch = 2540;

int ToPixels(int64_t hundredthMM) {
  return static_cast<int>(std::llround(static_cast<double>(hundredthMM) * kScreenPpi / kHundredthMMPerInch));
}

// Validates an enhanced metafile and answers its length and record count.
void CheckEnhanced(const TByteReader& in, uint32_t& length, int& records) {
  if (in.U32(0) != EMR_HEADER || in.U32(40) != kEmfSignature) in.Fail();
  const uint32_t headerSize = in.U32(4);
  length = in.U32(48);
  const uint32_t count = in.U32(52);
  if (headerSize < 88 || headerSize % 4 != 0 || length < headerSize || length > in.Size()) in.Fail();
  const uint32_t descriptionChars = in.U32(60), descriptionAt = in.U32(64);
  if (descriptionChars != 0 && (descriptionAt < 88 || uint64_t(descriptionAt) + uint64_t(descriptionChars) * 2 > headerSize))
    in.Fail();
  uint64_t at = 0;
  uint32_t seen = 0, lastType = 0;
  while (at < length) {
    const uint32_t type = in.U32(at), size = in.U32(at + 4);
    if (size < 8 || size % 4 != 0 || size > length - at) in.Fail();
    if (seen > 0 && type == EMR_HEADER) in.Fail();
    lastType = type;
    at += size;
    ++seen;
  }
  if (lastType != EMR_EOF || seen != count) in.Fail();
  records = static_cast<int>(seen);
}

// Validates the older format's metafile header and records from offset h
// and answers where the end record ends and the record count.
void CheckWindowsRecords(const TByteReader& in, uint64_t h, uint32_t& length, int& records) {
  const uint16_t type = in.U16(h), headerWords = in.U16(h + 2);
  const uint64_t words = in.U32(h + 6);
  if ((type != 1 && type != 2) || headerWords != 9 || words < 9 + 3) in.Fail();
  const uint64_t end = h + words * 2;
  if (end > in.Size()) in.Fail();
  uint64_t at = h + 18;
  int seen = 0;
  bool ended = false;
  while (at < end && !ended) {
    const uint64_t size = uint64_t(in.U32(at)) * 2;
    const uint16_t function = in.U16(at + 4);
    if (size < 6 || size > end - at) in.Fail();
    ended = function == 0;
    at += size;
    ++seen;
  }
  if (!ended || at != end) in.Fail();
  length = static_cast<uint32_t>(end);
  records = seen;
}

uint16_t PlaceableChecksum(const TByteReader& in) {
  uint16_t checksum = 0;
  for (int i = 0; i < 10; ++i) checksum ^= in.U16(2 * i);
  return checksum;
}

// Validates a placeable metafile and answers its length and record count.
void CheckPlaceable(const TByteReader& in, uint32_t& length, int& records) {
  if (in.U32(0) != kPlaceableKey || in.U16(20) != PlaceableChecksum(in) || in.U16(14) == 0) in.Fail();
  CheckWindowsRecords(in, 22, length, records);
}

}  // namespace

void TMetafile::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (const TMetafile* other = dynamic_cast<const TMetafile*>(source)) {
    if (other == this) return;
    FData = other->FData;
    FKind = other->FKind;
    FRecordCount = other->FRecordCount;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TMetafile::Clear() {
  FData.clear();
  FKind = mkEnhanced;
  FRecordCount = 0;
  Changed();
}

int TMetafile::MMWidth() const {
  if (FData.empty()) return 0;
  const TByteReader in(FData, SInvalidMetafile);
  if (FKind == mkEnhanced) return static_cast<int>(int64_t(in.I32(32)) - in.I32(24));
  if (FKind == mkPlain) return 0;
  const int64_t units = int16_t(in.U16(10)) - int16_t(in.U16(6));
  return static_cast<int>(units * kHundredthMMPerInch / in.U16(14));
}

int TMetafile::MMHeight() const {
  if (FData.empty()) return 0;
  const TByteReader in(FData, SInvalidMetafile);
  if (FKind == mkEnhanced) return static_cast<int>(int64_t(in.I32(36)) - in.I32(28));
  if (FKind == mkPlain) return 0;
  const int64_t units = int16_t(in.U16(12)) - int16_t(in.U16(8));
  return static_cast<int>(units * kHundredthMMPerInch / in.U16(14));
}

int TMetafile::Width() const { return ToPixels(MMWidth()); }
int TMetafile::Height() const { return ToPixels(MMHeight()); }

void TMetafile::SetWidth(int width) { SetSize(width, Height()); }
void TMetafile::SetHeight(int height) { SetSize(Width(), height); }

void TMetafile::SetSize(int width, int height) {
  if (width < 0 || height < 0 || width > (1 << 20) || height > (1 << 20))
    throw EInvalidGraphic(Format(SInvalidGraphicSize, {width, height}));
  const int32_t mmWidth = width * kHundredthMMPerInch / kScreenPpi;
  const int32_t mmHeight = height * kHundredthMMPerInch / kScreenPpi;
  if (FKind == mkPlaceable && !FData.empty()) {
    // The bounding box keeps its origin; its far corner moves, in the
    // metafile's own units per inch, and the checksum follows.
    const TByteReader in(FData, SInvalidMetafile);
    const int64_t inch = in.U16(14);
    const int64_t right = int16_t(in.U16(6)) + int64_t(width) * inch / kScreenPpi;
    const int64_t bottom = int16_t(in.U16(8)) + int64_t(height) * inch / kScreenPpi;
    if (right > INT16_MAX || bottom > INT16_MAX) throw EInvalidGraphic(Format(SInvalidGraphicSize, {width, height}));
    FData[10] = static_cast<char>(right & 0xFF);
    FData[11] = static_cast<char>((right >> 8) & 0xFF);
    FData[12] = static_cast<char>(bottom & 0xFF);
    FData[13] = static_cast<char>((bottom >> 8) & 0xFF);
    const uint16_t checksum = PlaceableChecksum(TByteReader(FData, SInvalidMetafile));
    FData[20] = static_cast<char>(checksum & 0xFF);
    FData[21] = static_cast<char>(checksum >> 8);
    Changed();
    return;
  }
  if (FData.empty() || FKind == mkPlain) {
    // A header of 88 bytes and the end record: a metafile that draws nothing.
    std::string out;
    PutU32(out, EMR_HEADER);
    PutU32(out, 88);
    for (int i = 0; i < 8; ++i) PutU32(out, 0);  // bounds and frame, set below
    PutU32(out, kEmfSignature);
    PutU32(out, 0x10000);
    PutU32(out, 88 + 20);
    PutU32(out, 2);
    PutU16(out, 1);  // handles: the metafile itself
    PutU16(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    // A reference device of 1920 x 1080 pixels at 96 per inch.
    PutU32(out, 1920);
    PutU32(out, 1080);
    PutU32(out, 508);
    PutU32(out, 286);
    PutU32(out, EMR_EOF);
    PutU32(out, 20);
    PutU32(out, 0);
    PutU32(out, 16);
    PutU32(out, 20);
    FData = std::move(out);
    FKind = mkEnhanced;
    FRecordCount = 2;
  }
  SetU32(FData, 8, 0);
  SetU32(FData, 12, 0);
  SetU32(FData, 16, static_cast<uint32_t>(width > 0 ? width - 1 : 0));
  SetU32(FData, 20, static_cast<uint32_t>(height > 0 ? height - 1 : 0));
  SetU32(FData, 24, 0);
  SetU32(FData, 28, 0);
  SetU32(FData, 32, static_cast<uint32_t>(mmWidth));
  SetU32(FData, 36, static_cast<uint32_t>(mmHeight));
  Changed();
}

void TMetafile::LoadFromStream(TStream& stream) {
  std::string bytes = ReadRestOfStream(stream, SInvalidMetafile);
  if (bytes.empty()) {
    Clear();
    return;
  }
  const TByteReader in(bytes, SInvalidMetafile);
  uint32_t length = 0;
  int records = 0;
  TMetafileKind kind;
  if (in.U32(0) == kPlaceableKey) {
    kind = mkPlaceable;
    CheckPlaceable(in, length, records);
  } else if (in.U32(0) == EMR_HEADER) {
    kind = mkEnhanced;
    CheckEnhanced(in, length, records);
  } else {
    kind = mkPlain;
    CheckWindowsRecords(in, 0, length, records);
  }
  bytes.resize(length);
  FData = std::move(bytes);
  FKind = kind;
  FRecordCount = records;
  Changed();
}

void TMetafile::SaveToStream(TStream& stream) {
  if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}
