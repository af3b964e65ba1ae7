// The blob manager: ownership and lookup of a statement's blob streams.
#include "OrvBlobManager.h"

#include <memory>

#include "AnsiStrings.h"
#include "Format.h"
#include "OrvBlobStream.h"
#include "OrvMessages.h"
#include "OrvRoutines.h"
#include "OrvSQL.h"
#include "RtlConsts.h"

TOrvaneBlobManager::TOrvaneBlobManager(TOrvaneSQL* sql) : SQL(sql) {}

TOrvaneBlobManager::~TOrvaneBlobManager() { Clear(); }

void TOrvaneBlobManager::AddBlob(TOrvaneBlobStream* stream) {
  if (stream == nullptr) return;
  // One manager owns a stream, and lists it once.
  if (stream->Manager != nullptr) stream->Manager->RemoveBlob(stream);
  List.push_back(stream);
  stream->Manager = this;
}

void TOrvaneBlobManager::RemoveBlob(TOrvaneBlobStream* stream) {
  if (stream == nullptr) return;
  for (auto it = List.begin(); it != List.end(); ++it)
    if (*it == stream) {
      List.erase(it);
      break;
    }
  if (stream->Manager == this) stream->Manager = nullptr;
}

void TOrvaneBlobManager::Clear() {
  while (!List.empty()) {
    // Detached first, so that its destructor does not look for it again.
    std::unique_ptr<TOrvaneBlobStream> last(List.back());
    RemoveBlob(last.get());
  }
}

void TOrvaneBlobManager::ClearBlobs() {
  for (TOrvaneBlobStream* stream : List) stream->Clear();
}

TOrvaneBlobStream* TOrvaneBlobManager::GetBlob(uint16_t index) {
  if (index >= List.size()) throw EListError(Format(SListIndexError, {int(index)}));
  return BlobByName(List[index]->FieldName);
}

TOrvaneBlobStream* TOrvaneBlobManager::BlobByName(const std::string& name) {
  for (TOrvaneBlobStream* stream : List)
    if (AnsiSameText(stream->FieldName, name)) return stream;
  std::string message = Format(ORVANE_ERR_BLOB_REQUIRED.Load(), {name});
  if (SQL != nullptr) SQL->RaiseLastError(message, 0);
  throw EOrvaneException(message, 0);
}

bool TOrvaneBlobManager::IsModified(const TOrvaneBlobStream* stream) {
  return stream != nullptr && stream->Modified;
}
