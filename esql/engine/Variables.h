// Connection variables: created, set, appended to and dropped by statements;
// read by name from SQL text and from type-600 descriptor entries.
#pragma once

#include "Convert.h"
#include "Value.h"

#include <map>
#include <string>

namespace orvesql {

struct Variable {
  std::string name;
  std::string typeText;
  DescribedType type;
  Value value;  // NULL after creation
};

class Variables final : public VariableLookup {
public:
  void Create(const std::string& name, const std::string& typeText);
  void Drop(const std::string& name);
  bool Has(const std::string& name) const;
  // Throws E_VARIABLE_NOT_FOUND.
  Variable& Get(const std::string& name);
  const Value& Find(const std::string& name) override { return Get(name).value; }
  // Stores v in the variable's own kind (binary types keep bytes, text types
  // text, numeric types numbers).
  void Assign(const std::string& name, Value v);
  // value := value || piece, in place; NULL on either side gives NULL.
  void Append(const std::string& name, const Value& piece);

private:
  std::map<std::string, Variable> vars_;  // key: lower-cased name
};

}  // namespace orvesql
