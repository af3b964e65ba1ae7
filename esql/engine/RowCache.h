// Row images a scrollable cursor has seen, packed into chunks of one arena,
// so that any earlier row is reached again without re-running the query.
#pragma once

#include "Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvesql {

class RowCache {
public:
  struct Free {
    void operator()(char* p) const;
  };
  using Chunk = std::unique_ptr<char, Free>;

  RowCache() = default;
  ~RowCache();
  RowCache(const RowCache&) = delete;
  RowCache& operator=(const RowCache&) = delete;
  // Appends the current row of st (columns 0..ncols-1); returns the cells as
  // read, valid until st moves.
  const std::vector<CellView>& Append(BackendStatement& st, int ncols);
  // Replaces row r (1-based) with new cells.
  void Replace(int64_t r, CellSource& cells, int ncols);
  int64_t Size() const { return static_cast<int64_t>(rows_.size()); }
  // Room for the row index of about n rows (an estimate from the open).
  void ExpectRows(int64_t n) { rows_.reserve(static_cast<size_t>(n < 0 ? 0 : n > (1 << 22) ? (1 << 22) : n)); }
  void Clear();

  // Cells of one cached row; Load points it at row r (1-based). Valid until
  // the cache is cleared.
  class Row final : public CellSource {
  public:
    void Load(const RowCache& cache, int64_t r, int ncols);
    // The cells as loaded, in their own kinds.
    const CellView* Views() const { return cells_.data(); }
    Kind CellKind(int c) override { return cells_[static_cast<size_t>(c)].kind; }
    int64_t CellInt(int c) override;
    double CellDouble(int c) override;
    std::string_view CellText(int c) override;
    std::string_view CellBlob(int c) override { return CellText(c); }
    void Peek(int c, CellView& v) override { v = cells_[static_cast<size_t>(c)]; }
    bool Text(int c, std::string_view& out) override {
      const CellView& v = cells_[static_cast<size_t>(c)];
      if (v.kind == Kind::Null) return false;
      out = v.kind == Kind::Text || v.kind == Kind::Blob ? std::string_view(v.p, v.n) : CellText(c);
      return true;
    }

  private:
    std::vector<CellView> cells_;
    std::string scratch_;
  };

private:
  // Reserves n bytes for a row image and returns where they go.
  char* Reserve(size_t n);
  static constexpr size_t kChunk = 2 << 20;
  static Chunk NewChunk(size_t n);
  std::vector<Chunk> chunks_;
  std::vector<size_t> sizes_;  // bytes of each chunk
  size_t used_ = kChunk;  // bytes used in the last chunk
  std::vector<const char*> rows_;
  std::vector<CellView> scratch_;
};

}  // namespace orvesql
