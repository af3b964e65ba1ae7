// The option table: isolation_level, row_counts and blocking act on the
// engine; the others are stored per connection for clients that read them.
#include "Options.h"
#include "Error.h"
#include "Registry.h"

#include <cctype>
#include <cstdlib>

namespace orvesql {
namespace {

enum class Check { Any, OnOff, Isolation, Milliseconds, Number };

struct Known {
  const char* name;
  const char* initial;
  Check check;
};

const Known kKnown[] = {
    {"isolation_level", "0", Check::Isolation},
    {"row_counts", "OFF", Check::OnOff},
    {"blocking", "ON", Check::OnOff},
    {"blocking_timeout", "5000", Check::Milliseconds},
    {"chained", "ON", Check::OnOff},
    {"ansi_blanks", "OFF", Check::OnOff},
    {"quoted_identifier", "ON", Check::OnOff},
    {"conversion_error", "ON", Check::OnOff},
    {"wait_for_commit", "OFF", Check::OnOff},
    {"date_format", "YYYY-MM-DD", Check::Any},
    {"time_format", "HH:NN:SS.SSS", Check::Any},
    {"timestamp_format", "YYYY-MM-DD HH:NN:SS.SSS", Check::Any},
    {"date_order", "YMD", Check::Any},
    {"precision", "30", Check::Number},
    {"scale", "6", Check::Number},
};

const Known* FindKnown(const std::string& lower) {
  for (const auto& k : kKnown)
    if (lower == k.name) return &k;
  return nullptr;
}

bool AllDigits(const std::string& v) {
  if (v.empty() || v.size() > 9) return false;
  for (char c : v)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

Options::Options() {
  for (const auto& k : kKnown) values_[k.name] = k.initial;
}

void Options::Set(const std::string& name, const std::string& value) {
  std::string key = LowerName(name);
  const Known* k = FindKnown(key);
  if (!k) throw EsqlError(E_INVALID_OPTION, name);
  std::string v = value;
  switch (k->check) {
    case Check::OnOff: {
      std::string u = v;
      for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (u != "ON" && u != "OFF") throw EsqlError(E_INVALID_OPTION_VALUE, name + " = " + value);
      v = u;
      break;
    }
    case Check::Isolation:
      if (v.size() != 1 || v[0] < '0' || v[0] > '3')
        throw EsqlError(E_INVALID_OPTION_VALUE, name + " = " + value);
      break;
    case Check::Milliseconds:
    case Check::Number:
      if (!AllDigits(v)) throw EsqlError(E_INVALID_OPTION_VALUE, name + " = " + value);
      break;
    case Check::Any: break;
  }
  values_[key] = v;
}

std::string Options::Get(const std::string& name) const {
  std::string key = LowerName(name);
  if (!FindKnown(key)) throw EsqlError(E_INVALID_OPTION, name);
  return values_.at(key);
}

int Options::IsolationLevel() const { return values_.at("isolation_level")[0] - '0'; }
bool Options::RowCounts() const { return values_.at("row_counts") == "ON"; }
int Options::LockTimeout() const {
  if (values_.at("blocking") == "OFF") return 0;
  return std::atoi(values_.at("blocking_timeout").c_str());
}

}  // namespace orvesql
