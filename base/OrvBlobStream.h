// TOrvaneBlobStream: the in-memory stream of one long column of the current
// row. Here are its state and its attachment to the manager; reading, writing
// and seeking come with the blob support and the driver's stream.
#pragma once

#include <cstdint>
#include <string>

#include "Streams.h"

class TOrvaneBlobManager;

class TOrvaneBlobStream : public TStream {
public:
  // Stores the field name and, when a manager is given, registers with it;
  // the manager owns the stream from then on.
  TOrvaneBlobStream(TOrvaneBlobManager* manager, const std::string& fieldName);
  TOrvaneBlobStream(const TOrvaneBlobStream&) = delete;
  TOrvaneBlobStream& operator=(const TOrvaneBlobStream&) = delete;
  // Releases Memory and detaches from the manager.
  ~TOrvaneBlobStream() override;

  // Members in declared order.
  TOrvaneBlobManager* Manager = nullptr;
  std::string FieldName;
  int32_t DataSize = 0;
  char* Memory = nullptr;  // through OrvAllocMem/OrvDisposeMem, DataSize bytes
  int32_t DataPosition = 0;
  bool Modified = false;
  bool Empty = false;
};
