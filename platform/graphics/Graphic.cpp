// The common part of the picture kinds: files and change notification.
#include "Graphic.h"

#include <limits>

#include "TypInfo.h"

ORV_IMPLEMENT_CLASS(TGraphic)

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TGraphic::SetModified(bool value) {
  if (value) Changed();
  else FModified = false;
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

std::string ReadRestOfStream(TStream& stream, const char* invalidMessage) {
  const int64_t position = stream.Position();
  const int64_t size = stream.Size();
  stream.SetPosition(position);
  const int64_t rest = size - position;
  if (rest <= 0) return std::string();
  if (rest > std::numeric_limits<int32_t>::max()) throw EInvalidGraphic(invalidMessage);
  std::string bytes(static_cast<size_t>(rest), '\0');
  stream.ReadBuffer(bytes.data(), rest);
  return bytes;
}
