// Executable memory through mmap; the system error of a failed call is
// recorded for the caller's message.
#include "ExecutableMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "OSError.h"

namespace {
size_t RoundToPages(size_t size) {
  long page = sysconf(_SC_PAGESIZE);
  size_t unit = page > 0 ? static_cast<size_t>(page) : 4096;
  return (size + unit - 1) / unit * unit;
}
}  // namespace

void* AllocateExecutableMemory(size_t size) noexcept {
  if (size == 0) {
    SetLastOSError(EINVAL);
    return nullptr;
  }
  void* block = mmap(nullptr, RoundToPages(size), PROT_READ | PROT_WRITE | PROT_EXEC,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) {
    SetLastOSError(errno);
    return nullptr;
  }
  return block;
}

bool DecommitExecutableMemory(void* block, size_t size) noexcept {
  if (block == nullptr) return true;
  if (madvise(block, RoundToPages(size), MADV_DONTNEED) != 0) {
    SetLastOSError(errno);
    return false;
  }
  return true;
}

bool ReleaseExecutableMemory(void* block, size_t size) noexcept {
  if (block == nullptr) return true;
  if (munmap(block, RoundToPages(size)) != 0) {
    SetLastOSError(errno);
    return false;
  }
  return true;
}
