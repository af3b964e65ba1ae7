// A prepared statement of a connection: its translation, the back-end
// statement, its visible host variables and its result columns.
#pragma once

#include "Backend.h"
#include "SqlText.h"
#include "Value.h"

#include <memory>
#include <string>
#include <vector>

namespace orvesql {

struct HostParam {
  int index;         // back-end parameter number
  std::string name;  // without ':' (empty for '?')
};

struct HiddenVariable {
  int index;         // back-end parameter number
  std::string name;  // connection variable it reads
};

struct Statement {
  Translation tr;
  std::string backendSql;  // text given to the back end (after substitutions)
  std::unique_ptr<BackendStatement> be;  // null for statements handled by the front alone
  bool beBusy = false;                   // be is held by an open cursor
  std::vector<HostParam> params;
  std::vector<HiddenVariable> hidden;
  std::vector<ColumnInfo> columns;
  std::vector<std::string> exprs;        // select-list texts, for typing expressions
  bool writer = false;
  std::vector<Value> scratch;            // host values of the last execution

  bool HasResult() const { return !columns.empty(); }
};

}  // namespace orvesql
