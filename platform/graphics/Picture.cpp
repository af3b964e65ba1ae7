// The picture: one graphic, its kind chosen on demand or by file extension.
#include "Picture.h"

#include "AnsiStrings.h"
#include "Bitmap.h"
#include "FileUtils.h"
#include "Filer.h"
#include "Format.h"
#include "GraphicsConsts.h"
#include "Icon.h"
#include "Metafile.h"
#include "RtlConsts.h"
#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TPicture)

namespace {

std::unique_ptr<TGraphic> NewGraphicLike(const TGraphic& graphic) {
  if (dynamic_cast<const TBitmap*>(&graphic)) return std::make_unique<TBitmap>();
  if (dynamic_cast<const TIcon*>(&graphic)) return std::make_unique<TIcon>();
  if (dynamic_cast<const TMetafile*>(&graphic)) return std::make_unique<TMetafile>();
  throw EConvertError(Format(SAssignError, {graphic.ClassName(), std::string("TPicture")}));
}

}  // namespace

TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::Hold(std::unique_ptr<TGraphic> graphic) {
  FGraphic = std::move(graphic);
  if (FGraphic) FGraphic->OnChange = [this](TObject*) { Changed(); };
  Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (graphic == FGraphic.get()) return;
  if (graphic == nullptr) {
    Hold(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> copy = NewGraphicLike(*graphic);
  copy->Assign(graphic);
  Hold(std::move(copy));
}

template <class G>
G* TPicture::ForceGraphic() {
  if (G* held = dynamic_cast<G*>(FGraphic.get())) return held;
  auto fresh = std::make_unique<G>();
  G* result = fresh.get();
  Hold(std::move(fresh));
  return result;
}

TBitmap* TPicture::Bitmap() { return ForceGraphic<TBitmap>(); }
TIcon* TPicture::Icon() { return ForceGraphic<TIcon>(); }
TMetafile* TPicture::Metafile() { return ForceGraphic<TMetafile>(); }

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
  } else if (const TPicture* picture = dynamic_cast<const TPicture*>(source)) {
    if (picture != this) SetGraphic(picture->Graphic());
  } else if (const TGraphic* graphic = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::AssignTo(TPersistent* dest) const {
  // A graphic takes the picture's graphic when that is of its kind.
  if (TGraphic* graphic = dynamic_cast<TGraphic*>(dest)) {
    if (FGraphic) {
      graphic->Assign(FGraphic.get());
      return;
    }
  }
  TPersistent::AssignTo(dest);
}

void TPicture::LoadFromFile(const std::string& fileName) {
  const std::string given = ExtractFileExt(fileName);
  const std::string ext = LowerCase(given);
  std::unique_ptr<TGraphic> graphic;
  if (ext == ".bmp") graphic = std::make_unique<TBitmap>();
  else if (ext == ".ico") graphic = std::make_unique<TIcon>();
  else if (ext == ".emf" || ext == ".wmf") graphic = std::make_unique<TMetafile>();
  else throw EInvalidGraphic(Format(SUnknownExtension, {given.empty() ? given : given.substr(1)}));
  graphic->LoadFromFile(fileName);
  Hold(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

int TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }
int TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Data", [this](TStream& stream) { ReadData(stream); }, [this](TStream& stream) { WriteData(stream); },
      FGraphic != nullptr && !FGraphic->Empty());
}

void TPicture::WriteData(TStream& stream) {
  const std::string name = FGraphic->ClassName();
  TMemoryStream bytes;
  FGraphic->SaveToStream(bytes);
  const uint8_t length = static_cast<uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  const int32_t size = static_cast<int32_t>(bytes.Size());
  const uint8_t sizeBytes[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
  stream.WriteBuffer(sizeBytes, 4);
  stream.WriteBuffer(bytes.Memory(), size);
}

void TPicture::ReadData(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string name(length, '\0');
  stream.ReadBuffer(name.data(), length);
  uint8_t sizeBytes[4];
  stream.ReadBuffer(sizeBytes, 4);
  const uint32_t size = sizeBytes[0] | (sizeBytes[1] << 8) | (sizeBytes[2] << 16) | (uint32_t(sizeBytes[3]) << 24);
  std::unique_ptr<TGraphic> graphic;
  if (AnsiSameText(name, "TBitmap")) graphic = std::make_unique<TBitmap>();
  else if (AnsiSameText(name, "TIcon")) graphic = std::make_unique<TIcon>();
  else if (AnsiSameText(name, "TMetafile")) graphic = std::make_unique<TMetafile>();
  else throw EInvalidGraphic(Format(SUnknownPictureFormat, {name}));
  // The byte count comes from the file: it must be there before it is read.
  const int64_t rest = stream.Size() - stream.Position();
  if (size > static_cast<uint64_t>(rest < 0 ? 0 : rest)) throw EReadError(SReadError);
  TMemoryStream bytes;
  bytes.SetSize(size);
  stream.ReadBuffer(bytes.Memory(), size);
  graphic->LoadFromStream(bytes);
  Hold(std::move(graphic));
}
