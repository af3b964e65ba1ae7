// Parser of connection parameter strings.
#include "ConnectString.h"
#include "Error.h"

#include <cctype>

namespace orvesql {
namespace {

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

const char* CanonicalKey(const std::string& key) {
  static const struct {
    const char* alias;
    const char* key;
  } keys[] = {
      {"eng", "eng"},         {"enginename", "eng"},     {"servername", "eng"},
      {"dbn", "dbn"},         {"databasename", "dbn"},   {"dbf", "dbf"},
      {"databasefile", "dbf"}, {"uid", "uid"},           {"userid", "uid"},
      {"pwd", "pwd"},         {"password", "pwd"},       {"start", "start"},
      {"con", "con"},         {"connectionname", "con"}, {"autostop", "autostop"},
      {"astop", "autostop"},   {"unconditional", "unconditional"},
  };
  for (const auto& k : keys)
    if (key == k.alias) return k.key;
  return nullptr;
}

}  // namespace

ConnectParams ParseConnectString(const char* text) {
  ConnectParams params;
  if (!text) return params;
  std::string s = text;
  size_t i = 0;
  while (i < s.size()) {
    size_t eq = s.find('=', i);
    size_t semi = s.find(';', i);
    if (semi != std::string::npos && (eq == std::string::npos || semi < eq)) {
      // A piece without "=": only blanks (";;" or a trailing ";") are allowed.
      if (!Trim(s.substr(i, semi - i)).empty())
        throw EsqlError(E_CONNSTR_SYNTAX, "missing '=' in '" + Trim(s.substr(i, semi - i)) + "'");
      i = semi + 1;
      continue;
    }
    if (eq == std::string::npos) {
      if (!Trim(s.substr(i)).empty())
        throw EsqlError(E_CONNSTR_SYNTAX, "missing '=' in '" + Trim(s.substr(i)) + "'");
      break;
    }
    std::string key = Lower(Trim(s.substr(i, eq - i)));
    if (key.empty()) throw EsqlError(E_CONNSTR_SYNTAX, "empty parameter name");
    size_t j = eq + 1;
    while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
    std::string value;
    if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
      char q = s[j++];
      bool closed = false;
      while (j < s.size()) {
        if (s[j] == q) {
          if (j + 1 < s.size() && s[j + 1] == q) {
            value += q;
            j += 2;
            continue;
          }
          closed = true;
          ++j;
          break;
        }
        value += s[j++];
      }
      if (!closed) throw EsqlError(E_CONNSTR_SYNTAX, "unterminated quote in value of '" + key + "'");
      while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
      if (j < s.size() && s[j] != ';')
        throw EsqlError(E_CONNSTR_SYNTAX, "text after quoted value of '" + key + "'");
    } else {
      size_t end = s.find(';', j);
      if (end == std::string::npos) end = s.size();
      value = Trim(s.substr(j, end - j));
      j = end;
    }
    const char* canonical = CanonicalKey(key);
    if (!canonical) throw EsqlError(E_CONNSTR_KEY, key);
    params.values[canonical] = value;
    i = j < s.size() ? j + 1 : j;
  }
  return params;
}

}  // namespace orvesql
