// Streams: the abstract TStream with the framework's Read/Write/Seek contract,
// a growable memory stream and a file stream.
#pragma once

#include <cstdint>
#include <string>

#include "SysExceptions.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// File stream modes: one open mode combined with a share mode, as the framework
// spells them. fmCreate creates (or truncates) the file for writing and reading.
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position from the start.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  // Streams that cannot change their size raise EStreamError rather than
  // ignoring the call.
  virtual void SetSize(int64_t newSize);

  // All or nothing: EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from the source's current position; count 0 copies the
  // whole source from its start. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TCustomMemoryStream : public TStream {
public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  const void* Memory() const { return FMemory; }
  void* Memory() { return FMemory; }
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

protected:
  void SetPointer(void* memory, int64_t size);
  char* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// Grows as it is written; a position past the end leaves a zero-filled gap on
// the next Write. Sizes are limited to the framework's 2 GiB - 1: a larger or a
// negative size raises EStreamError and leaves the contents as they were.
class TMemoryStream : public TCustomMemoryStream {
public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  ~TMemoryStream() override;

  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t newSize) override;
  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);

private:
  void Reserve(int64_t capacity);
  int64_t FCapacity = 0;
};

// A POSIX descriptor, not owned. Read and Write move as many bytes as they can
// and raise EReadError / EWriteError with the system's text on an OS error;
// Seek to a negative position raises EStreamError.
class THandleStream : public TStream {
public:
  explicit THandleStream(int handle) : FHandle(handle) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  int Handle() const { return FHandle; }

protected:
  int FHandle;
};

class TFileStream : public THandleStream {
public:
  // Raises EFOpenError "Cannot open file "%s". <system text>" or, for fmCreate,
  // EFCreateError "Cannot create file "%s". <system text>". Share modes are
  // kept with whole-file advisory locks that every TFileStream honours.
  TFileStream(const std::string& fileName, uint16_t mode);
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  ~TFileStream() override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
};
