// TAsaBlobStream: the piecewise read of a long value through dbpp_get_data.
#include "AsaBlobStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "AsaSQL.h"
#include "AsaSession.h"
#include "OrvBlobManager.h"

namespace {
// One binary entry: a 16-bit piece length and at most 32,765 bytes after it.
constexpr int PieceBufferSize = 32767;
}  // namespace

int32_t TAsaBlobStream::GetBlobSize() {
  int32_t size = TOrvaneBlobStream::GetBlobSize();
  if (size > 0 || Modified) return size;
  // A value loaded for the current row stays until the row changes (the
  // statement clears its streams then), so asking again costs no reads.
  if (Memory != nullptr) return DataSize;
  auto* sql = Manager != nullptr ? dynamic_cast<TAsaSQL*>(Manager->SQL) : nullptr;
  if (sql == nullptr || !sql->Opened) return size;
  // Loading does not move the reader: a position set before the value was
  // there still counts.
  const int32_t position = DataPosition;
  Clear();
  TAsaSession& session = sql->AsaSession();
  const int column = GetFieldNo();
  if (column < 0) return size;

  struct Piece {
    SQLDA* da = nullptr;
    ~Piece() { ASA_CALL(free_sqlda, da); }
  } piece;
  piece.da = ASA_CALL(alloc_sqlda, 1u);
  if (piece.da == nullptr) return size;
  std::string buffer(PieceBufferSize, '\0');
  piece.da->sqld = piece.da->sqln;
  SQLVAR& var = *orv_sqlvar(piece.da, 0);
  var.sqltype = ESQL_BINARY;
  var.sqllen = PieceBufferSize;
  var.sqldata = buffer.data();

  std::string value;
  uint32_t offset = 0;
  uint16_t length = 0;
  int code = 0;
  do {
    offset += length;
    length = 0;
    std::memset(buffer.data(), 0, 2);
    ASA_DBPP(dbpp_get_data, &session.SQLCA, sql->CursorName, static_cast<unsigned>(column + 1), offset,
             piece.da, 0u);
    code = session.SQLCA.sqlcode;
    if (code == 0 || code == 101) {
      std::memcpy(&length, buffer.data(), sizeof length);
      // A length beyond the piece buffer would read past it.
      length = std::min<uint16_t>(length, PieceBufferSize - 2);
      if (value.size() + length > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        code = -1;
        break;
      }
      value.append(buffer.data() + 2, length);
    }
    // A piece of no bytes that says more follows would never end.
  } while (code == 101 && length > 0);
  if (code != 0) return size;
  SetValue(value.data(), static_cast<int32_t>(value.size()));
  DataPosition = position;
  return static_cast<int32_t>(value.size());
}

int64_t TAsaBlobStream::Read(void* buffer, int64_t count) {
  if (Memory == nullptr) GetBlobSize();
  Empty = Memory == nullptr;
  if (Empty) return 0;
  int64_t n = std::clamp<int64_t>(count, 0, static_cast<int64_t>(DataSize) - DataPosition);
  if (n <= 0) return 0;
  std::memcpy(buffer, Memory + DataPosition, static_cast<size_t>(n));
  DataPosition += static_cast<int32_t>(n);
  return n;
}
