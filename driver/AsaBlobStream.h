// TAsaBlobStream: a long column's stream that reads the value of the cursor's
// current row from the server, piece by piece, when it was not written.
#pragma once

#include "OrvBlobStream.h"

class TAsaBlobStream : public TOrvaneBlobStream {
public:
  using TOrvaneBlobStream::TOrvaneBlobStream;

  int64_t Read(void* buffer, int64_t count) override;
  // A written value's size; otherwise loads the server's value of the
  // current row and answers its size (0 when the read failed).
  int32_t GetBlobSize() override;
};
