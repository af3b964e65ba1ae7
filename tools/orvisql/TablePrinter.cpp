// Layout of orvisql's result tables.
#include "TablePrinter.h"

#include <algorithm>

#include "CellText.h"

namespace orvisql {

TTablePrinter::TTablePrinter(std::vector<TColumn> columns) : FColumns(std::move(columns)) {
  for (TColumn& c : FColumns) {
    c.Name = DisplayText(c.Name, 128);
    FWidths.push_back(DisplayWidth(c.Name));
  }
}

void TTablePrinter::AddRow(std::vector<std::string> cells) {
  cells.resize(FColumns.size());
  for (size_t i = 0; i < cells.size(); ++i) FWidths[i] = std::max(FWidths[i], DisplayWidth(cells[i]));
  FRows.push_back(std::move(cells));
}

std::string TTablePrinter::Take(bool header) {
  std::string out;
  auto line = [&](const std::vector<std::string>& cells, bool names) {
    std::string text;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) text += " | ";
      size_t pad = FWidths[i] - DisplayWidth(cells[i]);
      bool right = FColumns[i].Right && !names;
      if (right) text.append(pad, ' ');
      text += cells[i];
      if (!right && i + 1 < cells.size()) text.append(pad, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text + "\n";
  };
  if (header) {
    std::vector<std::string> names;
    for (const TColumn& c : FColumns) names.push_back(c.Name);
    line(names, true);
    std::string rule;
    for (size_t i = 0; i < FWidths.size(); ++i) {
      if (i > 0) rule += "-+-";
      rule.append(FWidths[i], '-');
    }
    out += rule + "\n";
  }
  for (const auto& row : FRows) line(row, false);
  FRows.clear();
  return out;
}

}  // namespace orvisql
