// The blob stream's state: attachment to its manager and release of its bytes.
#include "OrvBlobStream.h"

#include "OrvBlobManager.h"
#include "OrvRoutines.h"

TOrvaneBlobStream::TOrvaneBlobStream(TOrvaneBlobManager* manager, const std::string& fieldName)
    : FieldName(fieldName) {
  if (manager != nullptr) manager->AddBlob(this);
}

TOrvaneBlobStream::~TOrvaneBlobStream() {
  OrvDisposeMem(Memory, DataSize);
  if (Manager != nullptr) Manager->RemoveBlob(this);
}
