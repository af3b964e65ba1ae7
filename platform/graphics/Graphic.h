// TGraphic: the abstract picture kind (bitmap, icon, metafile) with its file
// form, size and change notification; EInvalidGraphic for pictures that do
// not read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Classes.h"
#include "Streams.h"
#include "SysExceptions.h"

// A picture's bytes that do not form a valid image, or an operation that
// the kind of picture does not allow.
ORV_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

// A colour as the framework keeps it: 0x00BBGGRR.
using TColor = uint32_t;
constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

class TGraphic : public TPersistent {
  ORV_CLASS(TGraphic, TPersistent)
public:
  TGraphic() = default;
  ~TGraphic() override = default;

  // Reads the picture from the stream's position on, in the kind's file
  // form; bytes that do not form a valid picture raise EInvalidGraphic and
  // leave the picture as it was.
  virtual void LoadFromStream(TStream& stream) = 0;
  // Writes the picture in the kind's file form; an empty picture writes
  // nothing.
  virtual void SaveToStream(TStream& stream) = 0;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  bool Modified() const { return FModified; }
  void SetModified(bool value);
  // Fired whenever the picture changes.
  std::function<void(TObject* sender)> OnChange;

protected:
  // Marks the picture modified and fires OnChange.
  virtual void Changed();

private:
  bool FModified = false;
};

// The whole rest of a stream, from its position to its end. A stream that
// cannot have that many bytes (over 2 GiB - 1) raises EInvalidGraphic with
// the given message.
std::string ReadRestOfStream(TStream& stream, const char* invalidMessage);
