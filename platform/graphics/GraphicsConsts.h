// The fixed message texts of the framework's pictures.
#pragma once

inline constexpr const char* SInvalidBitmap = "Bitmap image is not valid";
inline constexpr const char* SInvalidIcon = "Icon image is not valid";
inline constexpr const char* SInvalidMetafile = "Metafile is not valid";
inline constexpr const char* SUnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr const char* SInvalidPixelFormat = "Invalid pixel format";
inline constexpr const char* SPixelOutOfRange = "Pixel (%d, %d) is outside the bitmap";
inline constexpr const char* SInvalidGraphicSize = "Invalid graphic size (%d x %d)";
inline constexpr const char* SUnknownPictureFormat = "Unknown picture format %s";
