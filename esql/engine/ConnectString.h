// Connection and start parameter strings: "key=value" pairs separated by ";".
#pragma once

#include <map>
#include <string>

namespace orvesql {

// The known keys under their short names: eng, dbn, dbf, uid, pwd, start, con,
// autostop. Long aliases (EngineName, DatabaseName, ...) map onto them.
struct ConnectParams {
  std::map<std::string, std::string> values;
  bool Has(const std::string& key) const { return values.count(key) != 0; }
  std::string Get(const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }
};

// Keys compare without case; blanks around keys and values are dropped; a
// value may be quoted with ' or " to hold ';'. A piece without '=' or an
// empty key throws E_CONNSTR_SYNTAX, an unknown key E_CONNSTR_KEY.
ConnectParams ParseConnectString(const char* text);

}  // namespace orvesql
