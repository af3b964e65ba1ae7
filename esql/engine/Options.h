// Connection options: the known names with their defaults and checks.
#pragma once

#include <map>
#include <string>

namespace orvesql {

class Options {
public:
  Options();
  // Throws E_INVALID_OPTION for an unknown name, E_INVALID_OPTION_VALUE for
  // a value the option does not take. ON/OFF options are stored upper-case.
  void Set(const std::string& name, const std::string& value);
  std::string Get(const std::string& name) const;

  int IsolationLevel() const;
  bool RowCounts() const;
  // Milliseconds a statement waits for a lock held by another connection.
  int LockTimeout() const;

private:
  std::map<std::string, std::string> values_;  // key: lower-cased name
};

}  // namespace orvesql
