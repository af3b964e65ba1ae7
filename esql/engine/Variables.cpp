// Connection variables with SQL's NULL rules for concatenation.
#include "Variables.h"
#include "Error.h"
#include "Registry.h"

namespace orvesql {
namespace {

bool IsBinary(int t) { return t == ESQL_BINARY || t == ESQL_LONGBINARY; }
bool IsText(int t) {
  return t == ESQL_VARCHAR || t == ESQL_FIXCHAR || t == ESQL_LONGVARCHAR || t == ESQL_STRING ||
         t == ESQL_DATE || t == ESQL_TIME || t == ESQL_TIMESTAMP;
}
bool IsInteger(int t) {
  return t == ESQL_INT || t == ESQL_SMALLINT || t == ESQL_TINYINT || t == ESQL_BIGINT ||
         t == ESQL_UNSINT || t == ESQL_UNSSMALLINT || t == ESQL_UNSBIGINT || t == ESQL_BIT;
}

}  // namespace

void Variables::Create(const std::string& name, const std::string& typeText) {
  std::string key = LowerName(name);
  if (vars_.count(key)) throw EsqlError(E_VARIABLE_EXISTS, name);
  Variable v;
  v.name = name;
  v.typeText = typeText;
  v.type = DescribeDeclType(typeText, "");
  vars_.emplace(key, std::move(v));
}

void Variables::Drop(const std::string& name) {
  if (!vars_.erase(LowerName(name))) throw EsqlError(E_VARIABLE_NOT_FOUND, name);
}

bool Variables::Has(const std::string& name) const { return vars_.count(LowerName(name)) != 0; }

Variable& Variables::Get(const std::string& name) {
  auto it = vars_.find(LowerName(name));
  if (it == vars_.end()) throw EsqlError(E_VARIABLE_NOT_FOUND, name);
  return it->second;
}

void Variables::Assign(const std::string& name, Value v) {
  Variable& var = Get(name);
  int t = var.type.type;
  if (v.kind != Kind::Null) {
    if (IsBinary(t)) {
      if (v.kind != Kind::Blob) v = Value::Blob(ValueToText(v));
    } else if (IsText(t)) {
      if (v.kind != Kind::Text) v = Value::Text(ValueToText(v));
    } else if (IsInteger(t)) {
      if (v.kind != Kind::Integer) v = Value::Int(ValueToInt(v));
    } else if (t == ESQL_DOUBLE || t == ESQL_FLOAT || t == ESQL_DECIMAL) {
      if (v.kind == Kind::Text || v.kind == Kind::Blob) v = Value::Real(ValueToDouble(v));
    }
  }
  var.value = std::move(v);
}

void Variables::Append(const std::string& name, const Value& piece) {
  Variable& var = Get(name);
  if (var.value.kind == Kind::Null) return;
  if (piece.kind == Kind::Null) {
    var.value = Value::Null();
    return;
  }
  if (var.value.kind != Kind::Text && var.value.kind != Kind::Blob) {
    std::string s = ValueToText(var.value);
    var.value = IsBinary(var.type.type) ? Value::Blob(std::move(s)) : Value::Text(std::move(s));
  }
  if (piece.kind == Kind::Text || piece.kind == Kind::Blob)
    var.value.s.append(piece.s);
  else
    var.value.s.append(ValueToText(piece));
}

}  // namespace orvesql
