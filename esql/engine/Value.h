// One SQL value held by the front: connection variables, bound host values,
// cached rows of scrollable cursors.
#pragma once

#include "Backend.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvesql {

struct Value {
  Kind kind = Kind::Null;
  int64_t i = 0;
  double d = 0;
  std::string s;  // text or bytes

  static Value Null() { return {}; }
  static Value Int(int64_t v) { Value x; x.kind = Kind::Integer; x.i = v; return x; }
  static Value Real(double v) { Value x; x.kind = Kind::Real; x.d = v; return x; }
  static Value Text(std::string v) { Value x; x.kind = Kind::Text; x.s = std::move(v); return x; }
  static Value Blob(std::string v) { Value x; x.kind = Kind::Blob; x.s = std::move(v); return x; }
};

// A source of the cells of one row, read with the conversions of the engine
// underneath: integer, real, text or bytes of any cell on request.
class CellSource {
public:
  virtual ~CellSource() = default;
  virtual Kind CellKind(int col) = 0;
  virtual int64_t CellInt(int col) = 0;
  virtual double CellDouble(int col) = 0;
  virtual std::string_view CellText(int col) = 0;
  virtual std::string_view CellBlob(int col) = 0;
  // The cell as text (the engine's conversion for numbers); false for NULL.
  virtual bool Text(int col, std::string_view& out) {
    if (CellKind(col) == Kind::Null) return false;
    out = CellKind(col) == Kind::Blob ? CellBlob(col) : CellText(col);
    return true;
  }
  // The cell in its own kind; conversions go through the methods above.
  virtual void Peek(int col, CellView& v) {
    v.kind = CellKind(col);
    switch (v.kind) {
      case Kind::Integer: v.i = CellInt(col); break;
      case Kind::Real: v.d = CellDouble(col); break;
      case Kind::Text: { auto t = CellText(col); v.p = t.data(); v.n = t.size(); break; }
      case Kind::Blob: { auto t = CellBlob(col); v.p = t.data(); v.n = t.size(); break; }
      default: break;
    }
  }
};

// Cells read straight from the back end's current row.
class StatementCells final : public CellSource {
public:
  explicit StatementCells(BackendStatement& st) : st_(st) {}
  void Peek(int c, CellView& v) override { st_.Peek(c, v); }
  bool Text(int c, std::string_view& out) override {
    size_t n = 0;
    const char* p = st_.TextOrNull(c, n);
    if (!p) return false;
    out = {p, n};
    return true;
  }
  Kind CellKind(int c) override { return st_.ColumnKind(c); }
  int64_t CellInt(int c) override { return st_.ColumnInt(c); }
  double CellDouble(int c) override { return st_.ColumnDouble(c); }
  std::string_view CellText(int c) override {
    size_t n = 0;
    const char* p = st_.ColumnText(c, n);
    return {p, n};
  }
  std::string_view CellBlob(int c) override {
    size_t n = 0;
    const void* p = st_.ColumnBlob(c, n);
    return {static_cast<const char*>(p), n};
  }

private:
  BackendStatement& st_;
};

// The engine's conversions between storage kinds, for values held by the
// front (the same rules as the SQL engine underneath: numeric prefixes of
// text, reals truncated toward zero).
int64_t ValueToInt(const Value& v);
double ValueToDouble(const Value& v);
std::string ValueToText(const Value& v);
int64_t TextToInt(std::string_view s);
double TextToDouble(std::string_view s);
std::string RealToText(double d);

// Cells of a vector of values (one row).
class ValueCells final : public CellSource {
public:
  explicit ValueCells(const Value* row) : row_(row) {}
  Kind CellKind(int c) override { return row_[c].kind; }
  int64_t CellInt(int c) override { return ValueToInt(row_[c]); }
  double CellDouble(int c) override { return ValueToDouble(row_[c]); }
  std::string_view CellText(int c) override;
  std::string_view CellBlob(int c) override;

private:
  const Value* row_;
  std::string scratch_;
};

}  // namespace orvesql
