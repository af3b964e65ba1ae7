// Aligned text tables: a header of column names, a rule, and rows whose
// columns are as wide as their widest cell so far (a table printed in parts
// keeps the widths it had and widens where a later part needs it).
#pragma once

#include <string>
#include <vector>

namespace orvisql {

class TTablePrinter {
public:
  struct TColumn {
    std::string Name;
    bool Right = false;  // aligned to the right
  };
  explicit TTablePrinter(std::vector<TColumn> columns);

  void AddRow(std::vector<std::string> cells);
  size_t PendingRows() const { return FRows.size(); }
  // The header (when asked) and the rows added since the last call, as text.
  std::string Take(bool header);

private:
  std::vector<TColumn> FColumns;
  std::vector<size_t> FWidths;
  std::vector<std::vector<std::string>> FRows;
};

}  // namespace orvisql
