// Row images a scrollable cursor has seen, packed in one growing arena, so
// that any earlier row is reached again without re-running the query.
#pragma once

#include "Value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvesql {

class RowCache {
public:
  // Appends the current row of st (columns 0..ncols-1).
  void Append(BackendStatement& st, int ncols);
  // Replaces row r (1-based) with new cells.
  void Replace(int64_t r, CellSource& cells, int ncols);
  int64_t Size() const { return static_cast<int64_t>(offsets_.size()); }
  void Clear() {
    arena_.clear();
    offsets_.clear();
  }

  // Cells of row r (1-based); valid until the cache changes.
  class Row final : public CellSource {
  public:
    Row(const RowCache& cache, int64_t r, int ncols);
    Kind CellKind(int c) override { return cells_[c].kind; }
    int64_t CellInt(int c) override;
    double CellDouble(int c) override;
    std::string_view CellText(int c) override;
    std::string_view CellBlob(int c) override { return CellText(c); }

  private:
    struct Cell {
      Kind kind;
      int64_t i;
      double d;
      std::string_view s;
    };
    std::vector<Cell> cells_;
    std::string scratch_;
  };

private:
  void Put(const void* p, size_t n) {
    const char* c = static_cast<const char*>(p);
    arena_.insert(arena_.end(), c, c + n);
  }
  void PutCell(Kind k, int64_t i, double d, std::string_view s);
  std::vector<char> arena_;
  std::vector<uint64_t> offsets_;
  // Rows rewritten after a positioned change live here instead of in place.
  std::vector<std::vector<char>> replaced_;
  friend class Row;
};

}  // namespace orvesql
