// Cursor movement: absolute and relative targets, blocks of rows, and the
// position rule that a block leaves the cursor on its last row.
#include "Cursor.h"
#include "Convert.h"
#include "Error.h"

#include <limits>

namespace orvesql {

void Cursor::Start() {
  pos_ = 0;
  streamPos_ = 0;
  onRow_ = false;
  done_ = false;
  cache_.Clear();
  live_ = std::make_unique<StatementCells>(*be);
  liveRow_.st = live_.get();
  liveRow_.views = nullptr;
  staleLive_ = 0;
  StepOne();
}

void Cursor::StepOne() {
  if (done_) return;
  if (be->Step()) {
    ++streamPos_;
    onRow_ = true;
    if (Scroll()) liveRow_.views = &cache_.Append(*be, ncols + (rowidCol >= 0 ? 1 : 0));
  } else {
    done_ = true;
    onRow_ = false;
  }
}

bool Cursor::Reach(int64_t r) {
  if (r < 1) return false;
  if (Scroll()) {
    while (cache_.Size() < r && !done_) StepOne();
    return r <= cache_.Size();
  }
  if (r < streamPos_ || (r == streamPos_ && !onRow_ && !done_))
    throw EsqlError(E_FETCH_DIRECTION, name);
  while (streamPos_ < r && !done_) StepOne();
  return streamPos_ == r && onRow_;
}

CellSource& Cursor::Cells(int64_t r) {
  // A row just stepped to is read from the back end even by a scrollable
  // cursor: the cached copy is only needed when the cursor comes back.
  bool live = onRow_ && r == streamPos_ && r != staleLive_;
  if (!Scroll()) return *live_;
  if (live && liveRow_.views) return liveRow_;
  row_.Load(cache_, r, ncols + (rowidCol >= 0 ? 1 : 0));
  return row_;
}

CellSource& Cursor::Cells(int64_t r, const CellView*& views) {
  int n = ncols + (rowidCol >= 0 ? 1 : 0);
  if (!Scroll()) {
    views_.resize(static_cast<size_t>(n));
    be->PeekRow(views_.data(), ncols);
    views = views_.data();
    return *live_;
  }
  if (onRow_ && r == streamPos_ && r != staleLive_ && liveRow_.views) {
    views = liveRow_.views->data();
    return liveRow_;
  }
  row_.Load(cache_, r, n);
  views = row_.Views();
  return row_;
}

CellSource& Cursor::Current() {
  if (pos_ < 1) throw EsqlError(E_NO_CURRENT_ROW, name);
  if (Scroll()) {
    if (pos_ > cache_.Size()) throw EsqlError(E_NO_CURRENT_ROW, name);
  } else if (!(onRow_ && streamPos_ == pos_)) {
    throw EsqlError(E_NO_CURRENT_ROW, name);
  }
  return Cells(pos_);
}

void Cursor::RefreshCurrent(CellSource& cells) {
  if (Scroll() && pos_ >= 1 && pos_ <= cache_.Size()) {
    cache_.Replace(pos_, cells, ncols + (rowidCol >= 0 ? 1 : 0));
    staleLive_ = pos_;
  }
}

int Cursor::Fetch(unsigned kind, int32_t offset, SQLDA* out, unsigned rows, int& delivered) {
  delivered = 0;
  if (kind != ESQL_FETCH_ABSOLUTE && kind != ESQL_FETCH_RELATIVE)
    throw EsqlError(E_BAD_ARGUMENT, "fetch kind " + std::to_string(kind));
  if (!out) throw EsqlError(E_BAD_DESCRIPTOR, "no descriptor for the fetch");
  if (ncols == 0) throw EsqlError(E_BAD_DESCRIPTOR, "cursor has no columns");
  int64_t capacity = out->sqld / ncols;
  if (capacity < 1)
    throw EsqlError(E_BAD_DESCRIPTOR, std::to_string(out->sqld) + " entries for " +
                                          std::to_string(ncols) + " columns");
  if (out->sqld > out->sqln) throw EsqlError(E_BAD_DESCRIPTOR, "sqld exceeds sqln");
  int64_t n = rows == 0 ? 1 : rows;
  if (n > capacity) n = capacity;

  int64_t t;
  if (kind == ESQL_FETCH_ABSOLUTE) {
    if (offset >= 0) {
      t = offset;
    } else {
      if (!Scroll() && !done_) throw EsqlError(E_FETCH_DIRECTION, name);
      Reach(std::numeric_limits<int64_t>::max());
      t = streamPos_ + 1 + offset;
    }
  } else {
    // After a block the cursor stands on its last row, and every relative
    // move counts from there: +1 continues after the block, and a client
    // that wants the row before a block of n rows asks for -n.
    t = pos_ + offset;
  }
  if (t < 1) {
    pos_ = 0;
    return W_NOTFOUND;
  }
  int result = OK;
  SQLVAR* vars = orv_sqlvar(out, 0);
  for (int64_t k = 0; k < n; ++k) {
    int64_t r = t + k;
    if (!Reach(r)) break;
    pos_ = r;
    const CellView* views = nullptr;
    CellSource& cells = Cells(r, views);
    SQLVAR* row = vars + k * ncols;
    for (int c = 0; c < ncols; ++c)
      if (WriteCell(cells, c, views[c], row[c]) == W_TRUNCATED) result = W_TRUNCATED;
    ++delivered;
  }
  if (delivered == 0) {
    pos_ = done_ ? streamPos_ + 1 : t;
    return W_NOTFOUND;
  }
  return result;
}

void Cursor::Close() {
  if (be) {
    be->Reset();
    be->ClearBindings();
  }
  live_.reset();
  cache_.Clear();
  ownBe.reset();
  be = nullptr;
  bindings.clear();
  open = false;
}

}  // namespace orvesql
