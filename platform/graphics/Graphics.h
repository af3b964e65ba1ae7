// The framework's pictures: TGraphic and its kinds, and TPicture.
#pragma once

#include "Bitmap.h"
#include "Graphic.h"
#include "GraphicsConsts.h"
#include "Icon.h"
#include "Metafile.h"
#include "Picture.h"
