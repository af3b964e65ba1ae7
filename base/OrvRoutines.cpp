// The frame's free routines.
#include "OrvRoutines.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "Conversions.h"
#include "Format.h"
#include "AnsiStrings.h"
#include "OrvException.h"
#include "OrvMessages.h"
#include "VersionInfo.h"

extern "C" void OrvDummyProc() { throw EOrvaneException(ORVANE_ERR_LIB_WRONG.Load(), 0); }

extern "C" int OrvDummyProcNoExcept() { return 0; }

void OrvInternalAssignProcAddress(void*& target, void* address, void* fallback) {
  target = address != nullptr ? address : fallback;
}

std::string OrvExtractFieldName(const std::string& list, int& position) {
  const int length = static_cast<int>(list.size());
  int start = position < 1 ? 1 : position;
  int stop = start;
  while (stop <= length && list[static_cast<size_t>(stop - 1)] != ';') ++stop;
  std::string name;
  if (start <= length)
    name = Trim(std::string_view(list).substr(static_cast<size_t>(start - 1),
                                              static_cast<size_t>(stop - start)));
  if (stop <= length) ++stop;  // step over the ";"
  position = stop;
  return name;
}

void OrvConcateField(std::string& text, const std::string& separator, const std::string& value) {
  if (!text.empty()) text += separator;
  text += value;
}

void OrvConcateEmptyField(std::string& text, const std::string& separator,
                          const std::string& value) {
  if (value.empty()) return;
  OrvConcateField(text, separator, value);
}

void* OrvAllocMem(int size) {
  if (size < 0) throw EOrvaneException(Format(SOrvOutOfMemory, size), 0);
  if (size == 0) return nullptr;
  void* block = std::calloc(static_cast<size_t>(size), 1);
  if (block == nullptr) throw EOrvaneException(Format(SOrvOutOfMemory, size), 0);
  return block;
}

void OrvDisposeMem(void*& block, int /*size*/) {
  if (block == nullptr) return;
  std::free(block);
  block = nullptr;
}

void TOrvaneMemRelease::operator()(void* block) const noexcept { std::free(block); }

std::string OrvExtractFilePrefix(const std::string& fileName) {
  // '/' counts as a folder delimiter too: it is the folder separator here, and
  // a "." in a folder name must not be taken for the file's extension.
  size_t last = fileName.find_last_of(".\\:/");
  if (last != std::string::npos && fileName[last] == '.') return fileName.substr(0, last);
  return fileName;
}

namespace {

// The leading decimal part of a version component; anything else raises the
// framework's conversion error, as the framework's integer conversion does.
uint16_t VersionPart(const std::string& text) {
  int32_t value = StrToInt(text);
  return static_cast<uint16_t>(value);
}

}  // namespace

bool OrvGetProductVersion(const std::string& fileName, uint16_t& major, uint16_t& minor,
                          uint16_t& release, uint16_t& build) {
  uint32_t size = GetFileVersionInfoSize(fileName);
  if (size == 0 || size > static_cast<uint32_t>(std::numeric_limits<int>::max())) return false;
  TOrvaneMemBlock block = OrvAllocBlock(static_cast<int>(size));
  if (!GetFileVersionInfo(fileName, size, block.get())) return false;

  const void* value = nullptr;
  uint32_t length = 0;
  if (!VerQueryValue(block.get(), "\\", &value, &length) || value == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  major = static_cast<uint16_t>(fixed.dwProductVersionMS >> 16);
  minor = static_cast<uint16_t>(fixed.dwProductVersionMS & 0xFFFF);
  release = static_cast<uint16_t>(fixed.dwProductVersionLS >> 16);
  build = static_cast<uint16_t>(fixed.dwProductVersionLS & 0xFFFF);
  if (major != 0) return true;

  // A fixed record without a major version: the text form decides.
  if (!VerQueryValue(block.get(), "\\VarFileInfo\\Translation", &value, &length) ||
      value == nullptr || length < sizeof(TVersionTranslation))
    return false;
  TVersionTranslation translation;
  std::memcpy(&translation, value, sizeof translation);
  std::string key = "\\StringFileInfo\\" + IntToHex(translation.wLanguage, 4) +
                    IntToHex(translation.wCodePage, 4) + "\\ProductVersion";
  if (!VerQueryValue(block.get(), key, &value, &length) || value == nullptr) return false;
  // The length counts characters including the NUL; never read past it.
  std::string text(static_cast<const char*>(value),
                   strnlen(static_cast<const char*>(value), length));

  uint16_t* parts[] = {&major, &minor, &release, &build};
  for (uint16_t* part : parts) {
    size_t dot = text.find('.');
    if (dot == std::string::npos) break;
    *part = VersionPart(text.substr(0, dot));
    text.erase(0, dot + 1);
  }
  return true;
}
