// Product and file versions that our shared libraries carry (the CMake
// function orv_product_version puts them there), read from the file on disk
// without loading it, in the shape of the system's version-resource calls:
// ask for the size, read the block, then query values out of the block.
#pragma once

#include <cstdint>
#include <string>

// The root value of a version block ("\").
struct VS_FIXEDFILEINFO {
  std::uint32_t dwSignature;         // VS_FFI_SIGNATURE
  std::uint32_t dwStrucVersion;      // VS_FFI_STRUCVERSION
  std::uint32_t dwFileVersionMS;     // major << 16 | minor
  std::uint32_t dwFileVersionLS;     // release << 16 | build
  std::uint32_t dwProductVersionMS;  // major << 16 | minor
  std::uint32_t dwProductVersionLS;  // release << 16 | build
  std::uint32_t dwFileFlagsMask;
  std::uint32_t dwFileFlags;
  std::uint32_t dwFileOS;
  std::uint32_t dwFileType;
  std::uint32_t dwFileSubtype;
  std::uint32_t dwFileDateMS;
  std::uint32_t dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

inline constexpr std::uint32_t VS_FFI_SIGNATURE = 0xFEEF04BD;
inline constexpr std::uint32_t VS_FFI_STRUCVERSION = 0x00010000;
inline constexpr std::uint32_t VS_FFI_FILEFLAGSMASK = 0x0000003F;
inline constexpr std::uint32_t VFT_APP = 1;
inline constexpr std::uint32_t VFT_DLL = 2;

// One entry of "\VarFileInfo\Translation".
struct TVersionTranslation {
  std::uint16_t wLanguage;  // 0x0409: U.S. English
  std::uint16_t wCodePage;  // 1252: Western European (ANSI)
};
static_assert(sizeof(TVersionTranslation) == 4);

// The size of the file's version block; 0 (last OS error set) when the file is
// missing or unreadable, is no ELF file, or carries no valid version record.
std::uint32_t GetFileVersionInfoSize(const std::string& fileName);

// Reads the file's version block into block, which holds size bytes (at least
// GetFileVersionInfoSize's answer; ERANGE otherwise) and is aligned for
// 32-bit values, as any heap block is. Bytes after the block stay untouched.
// False, with the last OS error set, when the file has no valid record.
bool GetFileVersionInfo(const std::string& fileName, std::uint32_t size, void* block);

// Finds a value in a block read by GetFileVersionInfo. The path's names are
// separated by '\' and compared without regard to case:
//   "\"                          VS_FIXEDFILEINFO, length 52 (bytes)
//   "\VarFileInfo\Translation"   TVersionTranslation array, length in bytes
//   "\StringFileInfo\040904E4\ProductVersion"
//                                the text, NUL-terminated; length in
//                                characters including the NUL
// The language/code-page key is eight hexadecimal digits (language first),
// matched in either case. The pointer points into block. False when the path
// names no value (ENOENT) or the block holds no valid record (EINVAL).
bool VerQueryValue(const void* block, const std::string& subBlock, const void** buffer,
                   std::uint32_t* length);
