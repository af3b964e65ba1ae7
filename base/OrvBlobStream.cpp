// The blob stream: attachment to its manager, writing and seeking of the held
// value, and the column it belongs to.
#include "OrvBlobStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "OrvBlobManager.h"
#include "OrvRoutines.h"
#include "OrvSQL.h"
#include "RtlConsts.h"

namespace {
constexpr int64_t kMaxBlob = std::numeric_limits<int32_t>::max();
}

TOrvaneBlobStream::TOrvaneBlobStream(TOrvaneBlobManager* manager, const std::string& fieldName)
    : FieldName(fieldName) {
  if (manager != nullptr) manager->AddBlob(this);
}

TOrvaneBlobStream::~TOrvaneBlobStream() {
  ReleaseMemory();
  if (Manager != nullptr) Manager->RemoveBlob(this);
}

void TOrvaneBlobStream::ReleaseMemory() {
  OrvDisposeMem(Memory, DataSize);
  FCapacity = 0;
  FCapacityBlock = nullptr;
}

int64_t TOrvaneBlobStream::Write(const void* buffer, int64_t count) {
  if (count < 0) count = 0;
  if (DataPosition < 0) throw EWriteError(SWriteError);
  const int64_t end = static_cast<int64_t>(DataPosition) + count;
  if (end > kMaxBlob) throw EWriteError(std::string(SWriteError) + ": the value would exceed 2 GiB");
  const int32_t newSize = static_cast<int32_t>(std::max<int64_t>(DataSize, end));

  if (newSize == 0) {
    ReleaseMemory();
    DataSize = 0;
  } else if (newSize != DataSize || Memory == nullptr) {
    const int32_t capacity = (Memory != nullptr && Memory == FCapacityBlock) ? FCapacity : DataSize;
    if (newSize > capacity || Memory == nullptr) {
      // Grown by half again, so that a value written in many pieces costs
      // time linear in its size.
      int64_t wanted = std::max<int64_t>(newSize, static_cast<int64_t>(capacity) + capacity / 2);
      wanted = std::min(wanted, kMaxBlob);
      TOrvaneMemBlock grown = OrvAllocBlock(static_cast<int>(wanted));
      if (Memory != nullptr && DataSize > 0) std::memcpy(grown.get(), Memory, static_cast<size_t>(DataSize));
      OrvDisposeMem(Memory, DataSize);
      Memory = grown.release();
      FCapacity = static_cast<int32_t>(wanted);
      FCapacityBlock = Memory;
    } else if (DataPosition > DataSize) {
      // Reused capacity may hold bytes of an earlier value: the gap is zeroed.
      std::memset(Memory + DataSize, 0, static_cast<size_t>(DataPosition - DataSize));
    }
    DataSize = newSize;
  }

  Empty = Memory == nullptr;
  if (Memory == nullptr) return 0;
  if (count > 0) std::memcpy(Memory + DataPosition, buffer, static_cast<size_t>(count));
  DataPosition = static_cast<int32_t>(end);
  Modified = true;
  return count;
}

int64_t TOrvaneBlobStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base;
  switch (origin) {
    case soBeginning: base = 0; break;
    case soCurrent: base = DataPosition; break;
    case soEnd: base = GetBlobSize(); break;
    default: return DataPosition;
  }
  if (offset < -kMaxBlob || offset > kMaxBlob || base + offset < 0 || base + offset > kMaxBlob)
    throw EStreamError("Invalid stream position");
  DataPosition = static_cast<int32_t>(base + offset);
  return DataPosition;
}

int32_t TOrvaneBlobStream::GetBlobSize() { return Modified ? DataSize : 0; }

void TOrvaneBlobStream::Clear() {
  ReleaseMemory();
  DataSize = 0;
  DataPosition = 0;
  Modified = false;
  Empty = true;
}

void TOrvaneBlobStream::Truncate() {
  Clear();
  Modified = true;
}

int TOrvaneBlobStream::GetFieldNo() const {
  if (Manager == nullptr || Manager->SQL == nullptr) return -1;
  int n = -1;
  return Manager->SQL->GetFieldInfo(Variant(FieldName), &n) ? n : -1;
}

int TOrvaneBlobStream::GetFieldExtType() const {
  int n = GetFieldNo();
  return n < 0 ? -1 : Manager->SQL->Fields[n].ExtType;
}

void TOrvaneBlobStream::Reserve(int64_t capacity) {
  const int32_t current = (Memory != nullptr && Memory == FCapacityBlock) ? FCapacity : DataSize;
  if (capacity <= current || capacity > kMaxBlob) return;
  TOrvaneMemBlock grown = OrvAllocBlock(static_cast<int>(capacity));
  if (Memory != nullptr && DataSize > 0) std::memcpy(grown.get(), Memory, static_cast<size_t>(DataSize));
  OrvDisposeMem(Memory, DataSize);
  Memory = grown.release();
  FCapacity = static_cast<int32_t>(capacity);
  FCapacityBlock = Memory;
}

void TOrvaneBlobStream::SetValue(const void* bytes, int32_t size) {
  if (size < 0) size = 0;
  TOrvaneMemBlock block = OrvAllocBlock(size);
  if (size > 0) std::memcpy(block.get(), bytes, static_cast<size_t>(size));
  ReleaseMemory();
  Memory = block.release();
  DataSize = size;
  FCapacity = size;
  FCapacityBlock = Memory;
  Empty = Memory == nullptr;
}
