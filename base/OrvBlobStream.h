// TOrvaneBlobStream: the in-memory stream of one long column of the current
// row. The frame writes and seeks it; reading the server's value is the
// driver's (Read stays abstract, GetBlobSize is virtual).
#pragma once

#include <cstdint>
#include <string>

#include "Streams.h"

class TOrvaneBlobManager;

class TOrvaneBlobStream : public TStream {
public:
  // Stores the field name and, when a manager is given, registers with it;
  // the manager owns the stream from then on. A driver makes its own stream
  // class the same way, from its InternalCreateBlobStream slot.
  TOrvaneBlobStream(TOrvaneBlobManager* manager, const std::string& fieldName);
  TOrvaneBlobStream(const TOrvaneBlobStream&) = delete;
  TOrvaneBlobStream& operator=(const TOrvaneBlobStream&) = delete;
  // Releases Memory and detaches from the manager.
  ~TOrvaneBlobStream() override;

  // Members in declared order. A driver that loads a value uses SetValue, or
  // sets Memory (a block from OrvAllocMem) and DataSize directly right after
  // Clear; releasing Memory goes through Clear as well, so that the stream's
  // own bookkeeping of the block stays true.
  TOrvaneBlobManager* Manager = nullptr;
  std::string FieldName;
  int32_t DataSize = 0;
  char* Memory = nullptr;  // through OrvAllocMem/OrvDisposeMem, DataSize bytes
  int32_t DataPosition = 0;
  bool Modified = false;
  bool Empty = false;

  // TStream slots: Read is the driver's. Write stores count bytes at the
  // position and marks the stream modified; a write that starts before the
  // end overwrites in place, one that starts past it zero-fills the gap, so
  // no byte is ever undefined. Raises EWriteError when the value would
  // exceed 2 GiB - 1.
  int64_t Write(const void* buffer, int64_t count) override;
  // Origin soBeginning, soCurrent or soEnd (the end is GetBlobSize, through
  // its slot, so a driver stream fetches the value first); returns the new
  // position. A position below 0 or beyond 2 GiB - 1 raises EStreamError.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  // The value's length: DataSize when Modified, otherwise 0. A driver returns
  // the server's length for a stream that was not written.
  virtual int32_t GetBlobSize();

  // Releases Memory; size and position 0, not modified, Empty.
  void Clear();
  // Clear, then Modified: the column is to be written as an empty value.
  void Truncate();
  // The position of FieldName among the statement's fields, -1 when detached
  // or when the statement has no such field.
  int GetFieldNo() const;
  // The ExtType of that field, -1 when detached or not found.
  int GetFieldExtType() const;
  // Replaces the held bytes by a copy of size bytes (a driver that loaded
  // the value from the server); neither Modified nor the position change.
  void SetValue(const void* bytes, int32_t size);

private:
  friend class TOrvaneSQL;
  // Makes room for a value of that many bytes before it is written in
  // pieces (a whole stream stored into the column), so that it is allocated
  // once; the held bytes stay.
  void Reserve(int64_t capacity);
  // Bytes allocated behind Memory when this stream allocated it; a block
  // that someone else put into Memory counts as exactly DataSize bytes.
  int32_t FCapacity = 0;
  const char* FCapacityBlock = nullptr;
  void ReleaseMemory();
};
