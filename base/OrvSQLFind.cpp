// Find: a forward search of the open cursor for the next row whose key fields
// hold given values, compared in the driver's storage format.
#include <cstring>
#include <string>
#include <vector>

#include "Format.h"
#include "OrvMessages.h"
#include "OrvRoutines.h"
#include "OrvSQL.h"

namespace {

constexpr TVarType varArrayOfVariant = varArray | varVariant;

// The key values: a first element that is an array of variants is the whole
// list; otherwise the elements themselves (a lone NULL stays one value).
std::vector<Variant> KeyValues(const TOrvaneValues& values) {
  if (!values.empty() && VarType(values[0]) == varArrayOfVariant && VarArrayDimCount(values[0]) == 1) {
    std::vector<Variant> list;
    const int low = VarArrayLowBound(values[0], 1);
    const int count = VarArrayElementCount(values[0]);
    list.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) list.push_back(values[0].GetElement({low + i}));
    return list;
  }
  return values;
}

// The stored bytes read as text: up to the first zero byte, never past size.
std::string StoredText(const char* bytes, int size) {
  return size <= 0 ? std::string() : std::string(bytes, strnlen(bytes, static_cast<size_t>(size)));
}

struct TKeyField {
  std::string Name;
  int KeyOffset;
  int Size;
};

}  // namespace

bool TOrvaneSQL::Find(const std::string& fieldNames, const TOrvaneValues& values,
                      TOrvaneLocateOptions options) {
  if (!Opened) RaiseLastError(ORVANE_ERR_CURS_NOT_OPENED.Load(), 0);
  const std::vector<Variant> keyValues = KeyValues(values);

  // The key, laid out like the row: each key field's bytes, in list order.
  std::vector<TKeyField> keys;
  std::vector<char> keyBuffer;
  int position = 1;
  while (position <= static_cast<int>(fieldNames.size())) {
    std::string name = OrvExtractFieldName(fieldNames, position);
    int n = -1, offset = 0;
    const TOrvaneFieldDesc& field = LookupField(Variant(name), n, offset);
    const int size = field.Size > 0 ? field.Size : 0;
    const int keyOffset = static_cast<int>(keyBuffer.size());
    keyBuffer.resize(keyBuffer.size() + static_cast<size_t>(size), '\0');
    const size_t k = keys.size();
    // PutFieldData writes at most Size bytes; a field without storage gets
    // no value, as there is nothing to write it into.
    if (k < keyValues.size() && size > 0)
      PutFieldData(keyBuffer.data(), keyOffset, size, field.FieldType, keyValues[k], nullptr);
    keys.push_back({name, keyOffset, size});
  }
  if (keys.empty()) return false;
  RequireRowBuffers();

  const bool caseInsensitive = options.Contains(nloCaseInsensitive);
  const bool partial = options.Contains(nloPartialKey);
  auto fieldMatches = [&](const TKeyField& key) {
    int n = -1, offset = 0;
    LookupField(Variant(key.Name), n, offset);
    const char* row = RecordBuffer + offset;
    const char* want = keyBuffer.data() + key.KeyOffset;
    if (!caseInsensitive && !partial) return std::memcmp(row, want, static_cast<size_t>(key.Size)) == 0;
    const std::string rowText = StoredText(row, key.Size);
    const std::string keyText = StoredText(want, key.Size);
    if (caseInsensitive && !partial)
      return GetSession()->TranslateLICompChar(rowText.c_str(), keyText.c_str(), static_cast<unsigned>(key.Size));
    const bool prefix = !keyText.empty() && !rowText.empty() && rowText.compare(0, keyText.size(), keyText) == 0;
    if (!caseInsensitive) return prefix;
    return prefix || GetSession()->TranslateLICompChar(rowText.c_str(), keyText.c_str(),
                                                        static_cast<unsigned>(keyText.size()));
  };
  auto rowMatches = [&] {
    for (const TKeyField& key : keys)
      if (!fieldMatches(key)) return false;
    return true;
  };

  if (caseInsensitive && GetSession() == nullptr) RaiseLastError(ORVANE_ERR_SESS_NIL.Load(), 0);
  const int start = RecNo;
  bool found = false;
  while (!found && !Eof) {
    found = rowMatches();
    // A Next that fails without reaching the end (a server error that did
    // not raise) would leave the cursor where it is: the search stops.
    if (!found && !Next() && !Eof) break;
  }
  if (!found) Seek(start);
  return found;
}
