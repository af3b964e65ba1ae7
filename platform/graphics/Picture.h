// TPicture: holds one graphic of any kind, creates the kind asked for on
// demand, and picks the kind of a file by its extension.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Graphic.h"

class TBitmap;
class TIcon;
class TMetafile;

class TPicture : public TPersistent {
  ORV_CLASS(TPicture, TPersistent)
public:
  TPicture() = default;
  ~TPicture() override;

  // The graphic held, or null.
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Holds a copy of the graphic (a new object of its class, assigned from
  // it); null empties the picture.
  void SetGraphic(const TGraphic* graphic);
  // The graphic as that kind: a picture holding another kind (or none)
  // first drops it and holds a new, empty graphic of the kind asked for.
  TBitmap* Bitmap();
  TIcon* Icon();
  TMetafile* Metafile();

  // From a picture: a copy of its graphic; from a graphic: SetGraphic; null
  // empties the picture.
  void Assign(const TPersistent* source) override;
  // ".bmp" reads a bitmap, ".ico" an icon, ".emf" and ".wmf" a metafile
  // (case-insensitive); another extension raises EInvalidGraphic "Unknown
  // picture file extension (.xyz)". A file that does not read leaves the
  // picture as it was.
  void LoadFromFile(const std::string& fileName);
  // Writes the graphic in its own form; an empty picture writes nothing.
  void SaveToFile(const std::string& fileName);

  int Width() const;
  int Height() const;

  // In form files the graphic is the binary property "Data": its class name
  // (a length byte and the name), its byte count (32-bit) and its file form.
  // A picture without a graphic, or with an empty one, stores nothing.
  void DefineProperties(TFiler& filer) override;
  // Fired when the picture takes another graphic or its graphic changes.
  std::function<void(TObject* sender)> OnChange;

protected:
  void AssignTo(TPersistent* dest) const override;

private:
  template <class G>
  G* ForceGraphic();
  void Hold(std::unique_ptr<TGraphic> graphic);
  void Changed();
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);
  std::unique_ptr<TGraphic> FGraphic;
};
