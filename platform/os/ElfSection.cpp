// ELF section lookup: the file header, the section header table and the
// section name table are read with explicit bounds checks, little-endian.
#include "ElfSection.h"

#include "OSError.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

// Bounds against tables that are valid by their offsets but absurd in size.
constexpr std::uint64_t kMaxSections = 1u << 18;
constexpr std::uint64_t kMaxNameTable = 16u << 20;

constexpr std::uint32_t kSectionNoBits = 8;        // SHT_NOBITS: occupies no file bytes
constexpr std::uint16_t kExtendedIndex = 0xffff;   // SHN_XINDEX

class TFile {
public:
  explicit TFile(const std::string& name)
      // O_NONBLOCK: opening a FIFO by mistake must not hang; it is refused below.
      : FFd(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
  ~TFile() {
    if (FFd >= 0) ::close(FFd);
  }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  int Fd() const { return FFd; }

  // Reads exactly size bytes at offset; false on a short read or an error.
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    auto* out = static_cast<unsigned char*>(buffer);
    while (size > 0) {
      const ssize_t got = ::pread(FFd, out, size, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      out += got;
      offset += static_cast<std::uint64_t>(got);
      size -= static_cast<std::size_t>(got);
    }
    return true;
  }

private:
  int FFd;
};

std::uint16_t U16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t U64(const unsigned char* p) {
  return static_cast<std::uint64_t>(U32(p)) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
}

// The fields of a section header that the lookup needs, from either class.
struct TSectionHeader {
  std::uint32_t Name = 0;
  std::uint32_t Type = 0;
  std::uint64_t Offset = 0;
  std::uint64_t Size = 0;
  std::uint32_t Link = 0;
};

TSectionHeader DecodeSection(const unsigned char* p, bool is64) {
  TSectionHeader h;
  h.Name = U32(p);
  h.Type = U32(p + 4);
  if (is64) {
    h.Offset = U64(p + 24);
    h.Size = U64(p + 32);
    h.Link = U32(p + 40);
  } else {
    h.Offset = U32(p + 16);
    h.Size = U32(p + 20);
    h.Link = U32(p + 24);
  }
  return h;
}

// offset + size within the file, without overflow.
bool Within(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

bool Fail(int code) {
  SetLastOSError(code);
  return false;
}

}  // namespace

bool ReadElfSection(const std::string& fileName, const std::string& sectionName,
                    std::size_t maxSize, std::vector<unsigned char>& contents) {
  if (fileName.empty()) return Fail(ENOENT);
  TFile file(fileName);
  if (file.Fd() < 0) return Fail(errno);
  struct stat info {};
  if (::fstat(file.Fd(), &info) != 0) return Fail(errno);
  if (S_ISDIR(info.st_mode)) return Fail(EISDIR);
  if (!S_ISREG(info.st_mode)) return Fail(EINVAL);
  const auto fileSize = static_cast<std::uint64_t>(info.st_size);

  unsigned char header[64] = {};
  if (fileSize < 16 || !file.ReadAt(0, header, 16)) return Fail(ENOEXEC);
  if (std::memcmp(header, "\x7f" "ELF", 4) != 0) return Fail(ENOEXEC);
  const unsigned char elfClass = header[4];
  if ((elfClass != 1 && elfClass != 2) || header[5] != 1 /* little-endian */)
    return Fail(ENOEXEC);
  const bool is64 = elfClass == 2;
  const std::size_t headerSize = is64 ? 64 : 52;
  if (fileSize < headerSize || !file.ReadAt(0, header, headerSize)) return Fail(ENOEXEC);

  const std::uint64_t tableOffset = is64 ? U64(header + 0x28) : U32(header + 0x20);
  const std::uint16_t entrySize = U16(header + (is64 ? 0x3A : 0x2E));
  std::uint64_t count = U16(header + (is64 ? 0x3C : 0x30));
  std::uint32_t nameIndex = U16(header + (is64 ? 0x3E : 0x32));
  if (tableOffset == 0) return Fail(ENODATA);  // no section table at all
  if (entrySize < (is64 ? 64u : 40u)) return Fail(ENOEXEC);
  if (!Within(tableOffset, entrySize, fileSize)) return Fail(ENOEXEC);

  // Files with very many sections keep the real count and name-table index in
  // the first section header.
  std::vector<unsigned char> entry(entrySize);
  if (!file.ReadAt(tableOffset, entry.data(), entrySize)) return Fail(ENOEXEC);
  const TSectionHeader first = DecodeSection(entry.data(), is64);
  if (count == 0) count = first.Size;
  if (nameIndex == kExtendedIndex) nameIndex = first.Link;
  if (count == 0) return Fail(ENODATA);
  if (count > kMaxSections || count > (fileSize - tableOffset) / entrySize) return Fail(ENOEXEC);
  if (nameIndex >= count) return Fail(ENOEXEC);

  std::vector<unsigned char> table(static_cast<std::size_t>(count * entrySize));
  if (!file.ReadAt(tableOffset, table.data(), table.size())) return Fail(ENOEXEC);
  auto section = [&](std::uint64_t index) {
    return DecodeSection(table.data() + index * entrySize, is64);
  };

  const TSectionHeader names = section(nameIndex);
  if (names.Type == kSectionNoBits || names.Size == 0 || names.Size > kMaxNameTable ||
      !Within(names.Offset, names.Size, fileSize))
    return Fail(ENOEXEC);
  std::vector<char> nameTable(static_cast<std::size_t>(names.Size));
  if (!file.ReadAt(names.Offset, nameTable.data(), nameTable.size())) return Fail(ENOEXEC);

  for (std::uint64_t i = 1; i < count; ++i) {
    const TSectionHeader h = section(i);
    if (h.Name >= nameTable.size()) continue;
    const char* name = nameTable.data() + h.Name;
    const std::size_t room = nameTable.size() - h.Name;
    const std::size_t length = ::strnlen(name, room);
    if (length == room) continue;  // not terminated inside the table
    if (sectionName.compare(0, std::string::npos, name, length) != 0) continue;
    if (h.Type == kSectionNoBits || h.Size == 0) return Fail(ENODATA);
    if (!Within(h.Offset, h.Size, fileSize)) return Fail(ENOEXEC);
    if (h.Size > maxSize) return Fail(EFBIG);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(h.Size));
    if (!file.ReadAt(h.Offset, bytes.data(), bytes.size())) return Fail(ENOEXEC);
    contents = std::move(bytes);
    return true;
  }
  return Fail(ENODATA);
}
