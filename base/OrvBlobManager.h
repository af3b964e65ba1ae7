// TOrvaneBlobManager: holds the blob streams of a statement's long columns and
// finds them by column name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Classes.h"

class TOrvaneSQL;
class TOrvaneBlobStream;

class TOrvaneBlobManager : public TObject {
public:
  explicit TOrvaneBlobManager(TOrvaneSQL* sql);
  TOrvaneBlobManager(const TOrvaneBlobManager&) = delete;
  TOrvaneBlobManager& operator=(const TOrvaneBlobManager&) = delete;
  ~TOrvaneBlobManager() override;

  TOrvaneSQL* SQL;
  std::vector<TOrvaneBlobStream*> List;  // the streams, in creation order; owned

  // Appends the stream and makes this its manager; RemoveBlob undoes it.
  void AddBlob(TOrvaneBlobStream* stream);
  void RemoveBlob(TOrvaneBlobStream* stream);
  int Count() const { return static_cast<int>(List.size()); }
  // Destroys the streams, the last one first, until none is left.
  void Clear();
  // Clears every stream in list order (a new row became current); the
  // streams stay.
  void ClearBlobs();
  // The first stream named like the index-th entry; an index beyond Count
  // raises EListError "List index out of bounds (%d)".
  TOrvaneBlobStream* GetBlob(uint16_t index);
  // The first stream whose field name equals the name case-insensitively;
  // raises "Field "%s" is not a blob." through the statement when none does.
  TOrvaneBlobStream* BlobByName(const std::string& name);
  // Whether the stream holds a value written since it was last cleared.
  static bool IsModified(const TOrvaneBlobStream* stream);
};
