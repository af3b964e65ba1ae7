// Fuzzes the picture readers: bytes that read as a bitmap, an icon or a
// metafile must write, read back and write the same bytes again; bytes that
// do not read raise EInvalidGraphic (or a stream error) and nothing else.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Bitmap.h"
#include "Icon.h"
#include "Metafile.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "graphics reader: %s\n", what);
  std::abort();
}

std::string Save(TGraphic& g) {
  TMemoryStream s;
  g.SaveToStream(s);
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

void LoadBytes(TGraphic& g, const std::string& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  g.LoadFromStream(s);
}

template <class G>
void RoundTrip(const std::string& input) {
  G first;
  try {
    LoadBytes(first, input);
  } catch (const EInvalidGraphic&) {
    return;
  } catch (const EStreamError&) {
    return;
  }
  const std::string written = Save(first);
  G second;
  try {
    LoadBytes(second, written);
  } catch (const Exception&) {
    Fail("what was written does not read back");
  }
  if (Save(second) != written) Fail("written twice, the bytes differ");
  if (second.Width() != first.Width() || second.Height() != first.Height()) Fail("the size changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  RoundTrip<TBitmap>(input);
  RoundTrip<TIcon>(input);
  RoundTrip<TMetafile>(input);
  return 0;
}
