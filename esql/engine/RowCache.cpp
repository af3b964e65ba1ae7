// Packing and unpacking of cached row images: per cell a kind byte, then
// 8 bytes of number or a 4-byte length and the bytes.
#include "RowCache.h"

#include <cstring>

namespace orvesql {

void RowCache::PutCell(Kind k, int64_t i, double d, std::string_view s) {
  arena_.push_back(static_cast<char>(k));
  switch (k) {
    case Kind::Integer: Put(&i, 8); break;
    case Kind::Real: Put(&d, 8); break;
    case Kind::Text:
    case Kind::Blob: {
      uint32_t n = static_cast<uint32_t>(s.size());
      Put(&n, 4);
      Put(s.data(), s.size());
      break;
    }
    default: break;
  }
}

void RowCache::Append(BackendStatement& st, int ncols) {
  offsets_.push_back(arena_.size());
  for (int c = 0; c < ncols; ++c) {
    Kind k = st.ColumnKind(c);
    size_t n = 0;
    switch (k) {
      case Kind::Integer: PutCell(k, st.ColumnInt(c), 0, {}); break;
      case Kind::Real: PutCell(k, 0, st.ColumnDouble(c), {}); break;
      case Kind::Text: {
        const char* p = st.ColumnText(c, n);
        PutCell(k, 0, 0, {p, n});
        break;
      }
      case Kind::Blob: {
        const void* p = st.ColumnBlob(c, n);
        PutCell(k, 0, 0, {static_cast<const char*>(p), n});
        break;
      }
      default: PutCell(k, 0, 0, {}); break;
    }
  }
}

void RowCache::Replace(int64_t r, CellSource& cells, int ncols) {
  // Build the new image at the arena's end, move it aside, and point the
  // row at it through a tagged offset (high bit = index into replaced_).
  size_t start = arena_.size();
  for (int c = 0; c < ncols; ++c) {
    Kind k = cells.CellKind(c);
    switch (k) {
      case Kind::Integer: PutCell(k, cells.CellInt(c), 0, {}); break;
      case Kind::Real: PutCell(k, 0, cells.CellDouble(c), {}); break;
      case Kind::Text: PutCell(k, 0, 0, cells.CellText(c)); break;
      case Kind::Blob: PutCell(k, 0, 0, cells.CellBlob(c)); break;
      default: PutCell(k, 0, 0, {}); break;
    }
  }
  replaced_.emplace_back(arena_.begin() + static_cast<std::ptrdiff_t>(start), arena_.end());
  arena_.resize(start);
  offsets_[static_cast<size_t>(r - 1)] = (1ull << 63) | (replaced_.size() - 1);
}

RowCache::Row::Row(const RowCache& cache, int64_t r, int ncols) {
  uint64_t off = cache.offsets_[static_cast<size_t>(r - 1)];
  const char* p;
  if (off >> 63)
    p = cache.replaced_[static_cast<size_t>(off & ~(1ull << 63))].data();
  else
    p = cache.arena_.data() + off;
  cells_.resize(static_cast<size_t>(ncols));
  for (int c = 0; c < ncols; ++c) {
    Cell& cell = cells_[static_cast<size_t>(c)];
    cell.kind = static_cast<Kind>(*p++);
    cell.i = 0;
    cell.d = 0;
    switch (cell.kind) {
      case Kind::Integer: std::memcpy(&cell.i, p, 8); p += 8; break;
      case Kind::Real: std::memcpy(&cell.d, p, 8); p += 8; break;
      case Kind::Text:
      case Kind::Blob: {
        uint32_t n;
        std::memcpy(&n, p, 4);
        p += 4;
        cell.s = std::string_view(p, n);
        p += n;
        break;
      }
      default: break;
    }
  }
}

int64_t RowCache::Row::CellInt(int c) {
  const Cell& x = cells_[static_cast<size_t>(c)];
  switch (x.kind) {
    case Kind::Integer: return x.i;
    case Kind::Real: return ValueToInt(Value::Real(x.d));
    case Kind::Text:
    case Kind::Blob: return TextToInt(x.s);
    default: return 0;
  }
}

double RowCache::Row::CellDouble(int c) {
  const Cell& x = cells_[static_cast<size_t>(c)];
  switch (x.kind) {
    case Kind::Integer: return static_cast<double>(x.i);
    case Kind::Real: return x.d;
    case Kind::Text:
    case Kind::Blob: return TextToDouble(x.s);
    default: return 0.0;
  }
}

std::string_view RowCache::Row::CellText(int c) {
  const Cell& x = cells_[static_cast<size_t>(c)];
  switch (x.kind) {
    case Kind::Integer: scratch_ = std::to_string(x.i); return scratch_;
    case Kind::Real: scratch_ = RealToText(x.d); return scratch_;
    case Kind::Text:
    case Kind::Blob: return x.s;
    default: return {};
  }
}

}  // namespace orvesql
