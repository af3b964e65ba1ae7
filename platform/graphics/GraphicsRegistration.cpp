// Makes the graphic classes known to the form reader when the framework
// library loads, as pictures stored in forms name them.
#include "Bitmap.h"
#include "ClassRegistry.h"
#include "Icon.h"
#include "Metafile.h"
#include "Picture.h"

namespace {
const bool registered = [] {
  RegisterClasses({TBitmap::StaticClass(), TIcon::StaticClass(), TMetafile::StaticClass(),
                   TPicture::StaticClass()});
  return true;
}();
}  // namespace
