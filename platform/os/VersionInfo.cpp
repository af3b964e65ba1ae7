// Version blocks: the record orv_product_version places in a library's
// ".orvversion" section, found in the file and queried by path.
//
// The record, all numbers little-endian 32-bit unless said otherwise:
//   0   "ORVVER1\0"                       magic
//   8   record size                       bytes of the whole record
//   12  fixed size                        52, or 0 for no fixed information
//   16  VS_FIXEDFILEINFO                  (fixed size bytes)
//   ..  translation count, then that many {uint16 language, uint16 code page}
//   ..  strings size, then the string tables: each is its key ("040904E4"),
//       then name/value pairs, every text NUL-terminated, and ends with an
//       empty name; an empty key (or the end of the strings) ends the list.
// The section may hold bytes after the record (alignment, instrumentation);
// they are ignored.
#include "VersionInfo.h"

#include "ElfSection.h"
#include "OSError.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <strings.h>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "version blocks are handed out as they lie in the file (little-endian)");

namespace {

constexpr char kSectionName[] = ".orvversion";
constexpr char kMagic[8] = {'O', 'R', 'V', 'V', 'E', 'R', '1', '\0'};
constexpr std::uint32_t kHeaderSize = 16;
constexpr std::uint32_t kMaxRecordSize = 1u << 20;

std::uint32_t U32(const unsigned char* p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

struct TRecord {
  std::uint32_t Size = 0;
  const unsigned char* Fixed = nullptr;  // null: no fixed information
  const unsigned char* Translations = nullptr;
  std::uint32_t TranslationCount = 0;
  const char* Strings = nullptr;
  std::uint32_t StringsSize = 0;
};

// A NUL-terminated text at pos inside [0, size); advances pos past its NUL.
bool NextText(const char* strings, std::uint32_t size, std::uint32_t& pos, const char*& text) {
  if (pos >= size) return false;
  const std::size_t length = ::strnlen(strings + pos, size - pos);
  if (length == size - pos) return false;
  text = strings + pos;
  pos += static_cast<std::uint32_t>(length) + 1;
  return true;
}

bool SameText(const char* a, const std::string& b) {
  return ::strcasecmp(a, b.c_str()) == 0;
}

// Walks the string tables. With key and name given it stops at that value;
// without, it only checks that the tables are well formed.
bool WalkStrings(const TRecord& record, const std::string* key, const std::string* name,
                 const char** found) {
  std::uint32_t pos = 0;
  while (pos < record.StringsSize) {
    const char* tableKey;
    if (!NextText(record.Strings, record.StringsSize, pos, tableKey)) return false;
    if (*tableKey == '\0') break;
    const bool wanted = key != nullptr && SameText(tableKey, *key);
    for (;;) {
      const char* valueName;
      if (!NextText(record.Strings, record.StringsSize, pos, valueName)) return false;
      if (*valueName == '\0') break;
      const char* value;
      if (!NextText(record.Strings, record.StringsSize, pos, value)) return false;
      if (wanted && SameText(valueName, *name)) {
        *found = value;
        return true;
      }
    }
  }
  return key == nullptr;
}

// Checks the record at data, of which available bytes may be read.
bool ParseRecord(const unsigned char* data, std::size_t available, TRecord& record) {
  if (available < kHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) return false;
  const std::uint32_t size = U32(data + 8);
  if (size < kHeaderSize || size > available || size > kMaxRecordSize) return false;
  std::uint32_t pos = kHeaderSize;
  const std::uint32_t fixedSize = U32(data + 12);
  if (fixedSize != 0) {
    if (fixedSize < sizeof(VS_FIXEDFILEINFO) || fixedSize % 4 != 0 || fixedSize > size - pos)
      return false;
    if (U32(data + pos) != VS_FFI_SIGNATURE) return false;
    record.Fixed = data + pos;
    pos += fixedSize;
  }
  if (size - pos < 4) return false;
  const std::uint32_t translations = U32(data + pos);
  pos += 4;
  if (translations > (size - pos) / 4) return false;
  record.Translations = data + pos;
  record.TranslationCount = translations;
  pos += translations * 4;
  if (size - pos < 4) return false;
  const std::uint32_t stringsSize = U32(data + pos);
  pos += 4;
  if (stringsSize > size - pos) return false;
  record.Strings = reinterpret_cast<const char*>(data + pos);
  record.StringsSize = stringsSize;
  record.Size = size;
  return WalkStrings(record, nullptr, nullptr, nullptr);
}

bool ReadRecord(const std::string& fileName, std::vector<unsigned char>& section, TRecord& record) {
  // Room for a maximal record plus whatever follows it in the section.
  if (!ReadElfSection(fileName, kSectionName, 4 * kMaxRecordSize, section)) return false;
  if (!ParseRecord(section.data(), section.size(), record)) {
    SetLastOSError(ENODATA);
    return false;
  }
  return true;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto stop = path.find('\\', start);
    const auto end = stop == std::string::npos ? path.size() : stop;
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool Aligned(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % 4 == 0; }

bool NotFound() {
  SetLastOSError(ENOENT);
  return false;
}

}  // namespace

std::uint32_t GetFileVersionInfoSize(const std::string& fileName) {
  std::vector<unsigned char> section;
  TRecord record;
  return ReadRecord(fileName, section, record) ? record.Size : 0;
}

bool GetFileVersionInfo(const std::string& fileName, std::uint32_t size, void* block) {
  if (block == nullptr) {
    SetLastOSError(EINVAL);
    return false;
  }
  std::vector<unsigned char> section;
  TRecord record;
  if (!ReadRecord(fileName, section, record)) return false;
  if (size < record.Size) {
    SetLastOSError(ERANGE);
    return false;
  }
  std::memcpy(block, section.data(), record.Size);
  return true;
}

bool VerQueryValue(const void* block, const std::string& subBlock, const void** buffer,
                   std::uint32_t* length) {
  if (block == nullptr || buffer == nullptr || length == nullptr || !Aligned(block)) {
    SetLastOSError(EINVAL);
    return false;
  }
  // The block came from GetFileVersionInfo, which checked the record; its own
  // size field bounds every read here.
  const auto* data = static_cast<const unsigned char*>(block);
  TRecord record;
  if (!ParseRecord(data, kMaxRecordSize, record)) {
    SetLastOSError(EINVAL);
    return false;
  }
  const std::vector<std::string> parts = SplitPath(subBlock);
  if (parts.empty()) {
    if (record.Fixed == nullptr) return NotFound();
    *buffer = record.Fixed;
    *length = sizeof(VS_FIXEDFILEINFO);
    return true;
  }
  if (parts.size() == 2 && SameText("VarFileInfo", parts[0]) && SameText("Translation", parts[1])) {
    if (record.TranslationCount == 0) return NotFound();
    *buffer = record.Translations;
    *length = record.TranslationCount * 4;
    return true;
  }
  if (parts.size() == 3 && SameText("StringFileInfo", parts[0])) {
    const char* value = nullptr;
    if (!WalkStrings(record, &parts[1], &parts[2], &value)) return NotFound();
    *buffer = value;
    *length = static_cast<std::uint32_t>(std::strlen(value)) + 1;
    return true;
  }
  return NotFound();
}
