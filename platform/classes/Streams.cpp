// The stream family: TStream's all-or-nothing helpers and CopyFrom, the
// growable memory stream, and the POSIX descriptor and file streams.
#include "Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RtlConsts.h"

namespace {

// Fills the "%s" slots of a fixed framework text in order.
std::string FillText(const char* pattern, std::initializer_list<std::string> args) {
  std::string out;
  auto arg = args.begin();
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's' && arg != args.end()) {
      out += *arg++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string SystemText(int error) { return std::strerror(error); }

// Memory streams keep the framework's 32-bit size limit; a request beyond it
// is a hostile or broken length and is refused before anything is allocated.
constexpr int64_t kMaxMemoryStreamSize = std::numeric_limits<int32_t>::max();
constexpr int64_t kMemoryDelta = 0x2000;  // capacity grows in 8 KiB blocks
constexpr int64_t kCopyBlock = 0xF000;

}  // namespace

// ---- TStream --------------------------------------------------------------

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {
  // A stream that cannot change its size says so rather than ignoring the call.
  throw EStreamError("Stream does not support changing its size");
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError(SWriteError);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) throw EReadError(SReadError);
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const int64_t total = count;
  std::vector<char> block(static_cast<size_t>(std::min(count, kCopyBlock)));
  while (count > 0) {
    const int64_t n = std::min(count, kCopyBlock);
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    count -= n;
  }
  return total;
}

// ---- TCustomMemoryStream --------------------------------------------------

int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  const int64_t n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  switch (origin) {
    case soBeginning: base = 0; break;
    case soCurrent: base = FPosition; break;
    case soEnd: base = FSize; break;
    default: throw EStreamError("Invalid seek origin");
  }
  // Positions past the end are allowed (a later Write fills the gap); a
  // negative or overflowing one is refused.
  if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) || base + offset < 0)
    throw EStreamError("Invalid stream position");
  FPosition = base + offset;
  return FPosition;
}

void TCustomMemoryStream::SetPointer(void* memory, int64_t size) {
  FMemory = static_cast<char*>(memory);
  FSize = size;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) {
  if (FSize != 0) stream.WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// ---- TMemoryStream --------------------------------------------------------

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void TMemoryStream::Reserve(int64_t capacity) {
  if (capacity <= FCapacity) return;
  if (capacity > kMaxMemoryStreamSize) throw EStreamError("Out of memory while expanding memory stream");
  // Grow by half again at least, so that many small writes cost linear time.
  int64_t wanted = std::max(capacity, FCapacity + FCapacity / 2);
  wanted = (wanted + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
  wanted = std::min(wanted, kMaxMemoryStreamSize);
  void* grown = std::realloc(FMemory, static_cast<size_t>(wanted));
  if (!grown) throw EStreamError("Out of memory while expanding memory stream");
  FMemory = static_cast<char*>(grown);
  FCapacity = wanted;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || FPosition < 0) return 0;
  if (count > kMaxMemoryStreamSize - std::min(FPosition, kMaxMemoryStreamSize))
    throw EStreamError("Out of memory while expanding memory stream");
  const int64_t end = FPosition + count;
  if (end > FSize) {
    Reserve(end);
    // A gap left by seeking past the end reads as zeros, never as stale memory.
    if (FPosition > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
    FSize = end;
  }
  std::memcpy(FMemory + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0 || newSize > kMaxMemoryStreamSize)
    throw EStreamError("Invalid memory stream size " + std::to_string(newSize));
  const int64_t oldPosition = FPosition;
  Reserve(newSize);
  if (newSize > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(newSize - FSize));
  FSize = newSize;
  if (oldPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
  std::free(FMemory);
  FMemory = nullptr;
  FSize = 0;
  FPosition = 0;
  FCapacity = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const int64_t count = stream.Size();
  SetSize(count);
  if (count != 0) stream.ReadBuffer(FMemory, count);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

// ---- THandleStream --------------------------------------------------------

int64_t THandleStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  char* p = static_cast<char*>(buffer);
  while (done < count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30));
    const ssize_t n = ::read(FHandle, p + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError(std::string(SReadError) + ". " + SystemText(errno));
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (done < count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30));
    const ssize_t n = ::write(FHandle, p + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EWriteError(std::string(SWriteError) + ". " + SystemText(errno));
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = SEEK_SET;
  switch (origin) {
    case soBeginning: whence = SEEK_SET; break;
    case soCurrent: whence = SEEK_CUR; break;
    case soEnd: whence = SEEK_END; break;
    default: throw EStreamError("Invalid seek origin");
  }
  const off_t pos = ::lseek(FHandle, static_cast<off_t>(offset), whence);
  if (pos < 0) throw EStreamError("Invalid stream position. " + SystemText(errno));
  return pos;
}

void THandleStream::SetSize(int64_t newSize) {
  if (newSize < 0) throw EStreamError("Invalid stream size " + std::to_string(newSize));
  // As in the framework, the position ends at the new end of the file.
  Seek(newSize, soBeginning);
  if (::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0)
    throw EStreamError("Cannot change the file size. " + SystemText(errno));
}

// ---- TFileStream ----------------------------------------------------------

// Share modes map onto whole-file advisory locks (flock), which other
// TFileStreams honour, in this process or another: an exclusive or deny-read
// share takes the lock exclusively, every other open takes it shared. So an
// exclusive open fails while the file is open anywhere, and nothing opens a
// file held exclusively. Deny-write and deny-read are approximations: deny-write
// does not keep out a writer that shares everything, deny-read keeps out all.
TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(-1), FFileName(fileName) {
  const bool create = mode == fmCreate;
  int flags = O_CLOEXEC;
  int lock = LOCK_SH;
  if (create) {
    // Not O_TRUNC: the contents may only go once the lock says we own the file.
    flags |= O_RDWR | O_CREAT;
    lock = LOCK_EX;
  } else {
    switch (mode & 0x000F) {
      case fmOpenRead: flags |= O_RDONLY; break;
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: throw EFOpenError(FillText(SFOpenError, {fileName, SystemText(EINVAL)}));
    }
    switch (mode & 0x00F0) {
      case fmShareCompat:
      case fmShareDenyNone:
      case fmShareDenyWrite: lock = LOCK_SH; break;
      case fmShareExclusive:
      case fmShareDenyRead: lock = LOCK_EX; break;
      default: throw EFOpenError(FillText(SFOpenError, {fileName, SystemText(EINVAL)}));
    }
  }
  const char* pattern = create ? SFCreateError : SFOpenError;
  auto fail = [&](int error) -> void {
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
    const std::string text = FillText(pattern, {fileName, SystemText(error)});
    if (create) throw EFCreateError(text);
    throw EFOpenError(text);
  };
  FHandle = ::open(fileName.c_str(), flags, 0666);
  if (FHandle < 0) fail(errno);
  struct stat st {};
  if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) fail(EISDIR);
  if (::flock(FHandle, lock | LOCK_NB) != 0) fail(errno);
  if (create && ::ftruncate(FHandle, 0) != 0) fail(errno);
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}
