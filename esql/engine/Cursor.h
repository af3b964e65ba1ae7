// An open cursor: streams rows from the back end (unidirectional) or keeps
// the rows it has seen (scrollable), and delivers blocks into descriptors.
#pragma once

#include "OrvEsql.h"
#include "RowCache.h"
#include "Statement.h"
#include "Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvesql {

class Cursor {
public:
  std::string name;
  std::shared_ptr<Statement> stmt;
  unsigned options = 0;
  bool open = false;

  // While open:
  BackendStatement* be = nullptr;
  std::unique_ptr<BackendStatement> ownBe;  // when the statement's own is busy or rewritten
  std::vector<Value> bindings;              // host values, alive while rows are read
  std::vector<ColumnInfo> columns;          // visible columns
  int ncols = 0;
  int rowidCol = -1;                        // hidden _rowid_ column of an update cursor
  std::string table;                        // the one table an update cursor changes
  bool updatable = false;

  bool Scroll() const { return (options & ESQL_CUR_UNIDIRECTIONAL) == 0; }
  bool ForUpdate() const { return (options & ESQL_CUR_UPDATE) != 0; }

  // Starts reading: steps to the first row so that errors show at open.
  void Start();
  // Moves as a fetch of kind/offset would and writes up to rows rows into
  // out (ncols entries per row). Returns OK, W_TRUNCATED or W_NOTFOUND.
  int Fetch(unsigned kind, int32_t offset, SQLDA* out, unsigned rows, int& delivered);
  // Cells of the current row; throws E_NO_CURRENT_ROW.
  CellSource& Current();
  int64_t Position() const { return pos_; }
  // Rows known so far, and whether the end was reached.
  int64_t RowsSeen() const { return streamPos_; }
  bool AtEnd() const { return done_; }
  // Replaces the cached image of the current row (after a positioned change).
  void RefreshCurrent(CellSource& cells);
  void ExpectRows(int64_t n) {
    if (Scroll()) cache_.ExpectRows(n);
  }
  void Close();

private:
  // The row the back end stands on, as a scrollable cursor has just read
  // it: cells from that reading, conversions from the back end.
  class LiveRow final : public CellSource {
  public:
    const std::vector<CellView>* views = nullptr;
    StatementCells* st = nullptr;
    void Peek(int c, CellView& v) override { v = (*views)[static_cast<size_t>(c)]; }
    bool Text(int c, std::string_view& out) override {
      const CellView& v = (*views)[static_cast<size_t>(c)];
      if (v.kind == Kind::Null) return false;
      if (v.kind == Kind::Text || v.kind == Kind::Blob) {
        out = {v.p, v.n};
        return true;
      }
      out = st->CellText(c);
      return true;
    }
    Kind CellKind(int c) override { return (*views)[static_cast<size_t>(c)].kind; }
    int64_t CellInt(int c) override { return st->CellInt(c); }
    double CellDouble(int c) override { return st->CellDouble(c); }
    std::string_view CellText(int c) override { return st->CellText(c); }
    std::string_view CellBlob(int c) override { return st->CellBlob(c); }
  };

  bool Reach(int64_t r);
  void StepOne();
  CellSource& Cells(int64_t r);
  // The same with the row's cells already read in their own kinds (views),
  // the fetch path: one back-end call per row instead of one per cell.
  CellSource& Cells(int64_t r, const CellView*& views);

  int64_t pos_ = 0;        // 0 before the first row, total + 1 after the last
  int64_t streamPos_ = 0;  // rows the back end has produced
  bool onRow_ = false;     // the back end stands on row streamPos_
  bool done_ = false;
  RowCache cache_;
  RowCache::Row row_;
  std::unique_ptr<StatementCells> live_;
  LiveRow liveRow_;
  int64_t staleLive_ = 0;  // a row changed since the back end read it
  std::vector<CellView> views_;  // the current row of a unidirectional cursor
};

}  // namespace orvesql
