// Whole long values between a statement's blob streams and a caller's stream
// or picture.
#include "AnsiStrings.h"
#include "Format.h"
#include "OrvBlobStream.h"
#include "OrvMessages.h"
#include "OrvSQL.h"
#include "Graphics.h"
#include "Streams.h"

TOrvaneBlobStream& TOrvaneSQL::ConversionBlob(const Variant& identifier, int& fieldNumber) {
  int offset = 0;
  const TOrvaneFieldDesc& field = LookupField(identifier, fieldNumber, offset);
  TOrvaneBlobStream* blob = BlobManager->BlobByName(field.Name);
  RequireRowBuffers();
  return *blob;
}

void TOrvaneSQL::StreamToBlob(const Variant& identifier, TStream* source) {
  if (ReadOnly) RaiseLastError(ORVANE_ERR_CURS_READ_ONLY.Load(), 0);
  if (source == nullptr) RaiseLastError(ORVANE_ERR_BLOB_STREAM_INVALID.Load(), 0);
  int n = -1;
  TOrvaneBlobStream& blob = ConversionBlob(identifier, n);
  blob.Clear();
  try {
    blob.Reserve(source->Size());
    blob.CopyFrom(*source, 0);
  } catch (...) {
    // A value stored halfway is not a value: the column keeps none.
    blob.Clear();
    throw;
  }
  NullIndicators[n] = 0;
}

void TOrvaneSQL::BlobToStream(const Variant& identifier, TStream* target) {
  if (target == nullptr) RaiseLastError(ORVANE_ERR_BLOB_STREAM_INVALID.Load(), 0);
  int n = -1;
  TOrvaneBlobStream& blob = ConversionBlob(identifier, n);
  blob.SetPosition(0);
  target->CopyFrom(blob, 0);
  target->SetPosition(0);
}

namespace {
TGraphic& GraphicOf(TPicture& picture, TOrvaneGraphicType format) {
  switch (format) {
    case gtMetafile: return *picture.Metafile();
    case gtIcon: return *picture.Icon();
    case gtBitmap: break;
  }
  return *picture.Bitmap();
}
}  // namespace

void TOrvaneSQL::GraphicToBlob(const Variant& identifier, TPicture* picture, TOrvaneGraphicType format) {
  if (ReadOnly) RaiseLastError(ORVANE_ERR_CURS_READ_ONLY.Load(), 0);
  if (picture == nullptr || format > gtIcon) RaiseLastError(ORVANE_ERR_BLOB_PICTURE_INVALID.Load(), 0);
  int n = -1;
  TOrvaneBlobStream& blob = ConversionBlob(identifier, n);
  TGraphic& graphic = GraphicOf(*picture, format);
  blob.Clear();
  try {
    graphic.SaveToStream(blob);
  } catch (...) {
    blob.Clear();
    throw;
  }
  NullIndicators[n] = 0;
}

void TOrvaneSQL::BlobToGraphic(const Variant& identifier, TPicture* picture, TOrvaneGraphicType format) {
  if (picture == nullptr || format > gtIcon) RaiseLastError(ORVANE_ERR_BLOB_PICTURE_INVALID.Load(), 0);
  int n = -1;
  TOrvaneBlobStream& blob = ConversionBlob(identifier, n);
  blob.SetPosition(0);
  GraphicOf(*picture, format).LoadFromStream(blob);
}
