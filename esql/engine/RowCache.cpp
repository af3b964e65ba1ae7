// Packing and unpacking of cached row images: per cell a kind byte, then
// 8 bytes of number or a 4-byte length and the bytes. Chunks never move, so
// a row stays where it was written.
#include "RowCache.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace orvesql {
namespace {

inline size_t CellSize(const CellView& v) {
  switch (v.kind) {
    case Kind::Integer:
    case Kind::Real: return 9;
    case Kind::Text:
    case Kind::Blob: return 5 + v.n;
    default: return 1;
  }
}

inline char* PutCell(char* p, const CellView& v) {
  *p++ = static_cast<char>(v.kind);
  switch (v.kind) {
    case Kind::Integer: std::memcpy(p, &v.i, 8); return p + 8;
    case Kind::Real: std::memcpy(p, &v.d, 8); return p + 8;
    case Kind::Text:
    case Kind::Blob: {
      uint32_t n = static_cast<uint32_t>(v.n);
      std::memcpy(p, &n, 4);
      if (v.n) std::memcpy(p + 4, v.p, v.n);
      return p + 4 + v.n;
    }
    default: return p;
  }
}

// Chunks of closed cursors, kept for the next cursor of this thread: a
// client that re-runs its query gets warm memory instead of fresh pages.
constexpr size_t kPoolChunks = 16;
thread_local std::vector<RowCache::Chunk> t_pool;

}  // namespace

void RowCache::Free::operator()(char* p) const { std::free(p); }

// Chunks are aligned to huge pages and marked for them where the system
// offers that: a cursor of a million rows then takes a few hundred page
// faults instead of tens of thousands.
RowCache::Chunk RowCache::NewChunk(size_t n) {
  size_t size = (n + kChunk - 1) / kChunk * kChunk;
  void* p = std::aligned_alloc(kChunk, size);
  if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(p, size, MADV_HUGEPAGE);
#endif
  return Chunk(static_cast<char*>(p));
}

void RowCache::Clear() {
  for (size_t i = 0; i < chunks_.size(); ++i)
    if (sizes_[i] == kChunk && t_pool.size() < kPoolChunks) t_pool.push_back(std::move(chunks_[i]));
  chunks_.clear();
  sizes_.clear();
  rows_.clear();
  used_ = kChunk;
}

RowCache::~RowCache() { Clear(); }

char* RowCache::Reserve(size_t n) {
  if (n > kChunk / 4) {
    // A big row gets a chunk of its own, kept before the current one.
    size_t at = chunks_.empty() ? 0 : chunks_.size() - 1;
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(at), NewChunk(n));
    sizes_.insert(sizes_.begin() + static_cast<std::ptrdiff_t>(at), n);
    return chunks_[at].get();
  }
  if (used_ + n > kChunk) {
    if (!t_pool.empty()) {
      chunks_.push_back(std::move(t_pool.back()));
      t_pool.pop_back();
    } else {
      chunks_.push_back(NewChunk(kChunk));
    }
    sizes_.push_back(kChunk);
    used_ = 0;
  }
  char* p = chunks_.back().get() + used_;
  used_ += n;
  return p;
}

const std::vector<CellView>& RowCache::Append(BackendStatement& st, int ncols) {
  scratch_.resize(static_cast<size_t>(ncols));
  CellView* cells = scratch_.data();
  st.PeekRow(cells, ncols);
  size_t total = 0;
  for (int c = 0; c < ncols; ++c) total += CellSize(cells[c]);
  char* p = Reserve(total);
  rows_.push_back(p);
  for (int c = 0; c < ncols; ++c) p = PutCell(p, cells[c]);
  return scratch_;
}

void RowCache::Replace(int64_t r, CellSource& cells, int ncols) {
  // Its own cell list: scratch_ still describes the row the back end is on.
  std::vector<CellView> views(static_cast<size_t>(ncols));
  size_t total = 0;
  for (int c = 0; c < ncols; ++c) {
    cells.Peek(c, views[static_cast<size_t>(c)]);
    total += CellSize(views[static_cast<size_t>(c)]);
  }
  // Copy first: the cells may point into the row being replaced.
  std::string copy;
  for (auto& v : views)
    if (v.kind == Kind::Text || v.kind == Kind::Blob) copy.append(v.p, v.n);
  size_t at = 0;
  for (auto& v : views)
    if (v.kind == Kind::Text || v.kind == Kind::Blob) {
      v.p = copy.data() + at;
      at += v.n;
    }
  char* p = Reserve(total);
  rows_[static_cast<size_t>(r - 1)] = p;
  for (const CellView& v : views) p = PutCell(p, v);
}

void RowCache::Row::Load(const RowCache& cache, int64_t r, int ncols) {
  const char* p = cache.rows_[static_cast<size_t>(r - 1)];
  cells_.resize(static_cast<size_t>(ncols));
  for (int c = 0; c < ncols; ++c) {
    CellView& cell = cells_[static_cast<size_t>(c)];
    cell.kind = static_cast<Kind>(*p++);
    switch (cell.kind) {
      case Kind::Integer: std::memcpy(&cell.i, p, 8); p += 8; break;
      case Kind::Real: std::memcpy(&cell.d, p, 8); p += 8; break;
      case Kind::Text:
      case Kind::Blob: {
        uint32_t n;
        std::memcpy(&n, p, 4);
        cell.p = p + 4;
        cell.n = n;
        p += 4 + n;
        break;
      }
      default: break;
    }
  }
}

int64_t RowCache::Row::CellInt(int c) {
  const CellView& x = cells_[static_cast<size_t>(c)];
  switch (x.kind) {
    case Kind::Integer: return x.i;
    case Kind::Real: return ValueToInt(Value::Real(x.d));
    case Kind::Text:
    case Kind::Blob: return TextToInt({x.p, x.n});
    default: return 0;
  }
}

double RowCache::Row::CellDouble(int c) {
  const CellView& x = cells_[static_cast<size_t>(c)];
  switch (x.kind) {
    case Kind::Integer: return static_cast<double>(x.i);
    case Kind::Real: return x.d;
    case Kind::Text:
    case Kind::Blob: return TextToDouble({x.p, x.n});
    default: return 0.0;
  }
}

std::string_view RowCache::Row::CellText(int c) {
  const CellView& x = cells_[static_cast<size_t>(c)];
  switch (x.kind) {
    case Kind::Integer: scratch_ = std::to_string(x.i); return scratch_;
    case Kind::Real: scratch_ = RealToText(x.d); return scratch_;
    case Kind::Text:
    case Kind::Blob: return {x.p, x.n};
    default: return {};
  }
}

}  // namespace orvesql
