// The process-wide resource-string table and its language-file override.
#include "ResourceStrings.h"

#include <cerrno>
#include <fstream>
#include <mutex>
#include <unordered_map>

#include "FileUtils.h"
#include "Format.h"
#include "OSError.h"
#include "RtlConsts.h"
#include "SysExceptions.h"

namespace {

struct TTable {
  std::mutex Lock;
  std::unordered_map<uint16_t, std::string> BuiltIn;
  std::unordered_map<uint16_t, std::string> Language;
};

// Built on first use, so that namespace-scope TResourceString objects of any
// module may register their texts during start-up.
TTable& Table() {
  static TTable table;
  return table;
}

[[noreturn]] void LineError(const std::string& path, int line, const char* what) {
  throw EParserError(Format(SLanguageFileError, {path, line, what}));
}

std::string Unescape(std::string_view s, const std::string& path, int line) {
  std::string r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      r.push_back(s[i]);
      continue;
    }
    if (++i >= s.size()) LineError(path, line, "backslash at the end of the line");
    switch (s[i]) {
      case 'n': r.push_back('\n'); break;
      case 'r': r.push_back('\r'); break;
      case 't': r.push_back('\t'); break;
      case '\\': r.push_back('\\'); break;
      default: LineError(path, line, "unknown escape");
    }
  }
  return r;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void RegisterResourceString(uint16_t id, std::string_view text) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  auto [it, inserted] = t.BuiltIn.emplace(id, std::string(text));
  if (!inserted && it->second != text)
    throw EInvalidOperation("Resource string " + std::to_string(id) +
                            " is already registered with another text");
}

bool IsResourceStringRegistered(uint16_t id) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  return t.BuiltIn.count(id) != 0;
}

std::string LoadResString(uint16_t id) {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  auto lang = t.Language.find(id);
  if (lang != t.Language.end()) return lang->second;
  auto builtIn = t.BuiltIn.find(id);
  if (builtIn != t.BuiltIn.end()) return builtIn->second;
  throw EInvalidOperation(Format(SResNotFound, {int(id)}));
}

TResourceString::TResourceString(uint16_t id, const char* text)
    : FIdentifier(id), FDefault(text ? text : "") {
  RegisterResourceString(id, FDefault);
}

void LoadLanguageFile(const std::string& path) {
  // A folder opens as a stream that reads nothing; refuse it like a missing file.
  std::ifstream in;
  if (!DirectoryExists(path)) in.open(path, std::ios::binary);
  if (!in.is_open()) {
    if (DirectoryExists(path)) errno = EISDIR;
    int err = errno;
    throw EFOpenError(Format(SFOpenError, {path, SysErrorMessage(err)}));
  }
  std::unordered_map<uint16_t, std::string> texts;
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string_view s(raw);
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    if (b == s.size() || s[b] == '#') continue;
    size_t eq = s.find('=');
    if (eq == std::string_view::npos) LineError(path, line, "'=' expected");
    std::string_view key = s.substr(b, eq - b);
    while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
    if (key.empty() || key.size() > 5) LineError(path, line, "identifier expected");
    unsigned id = 0;
    for (char c : key) {
      if (c < '0' || c > '9') LineError(path, line, "identifier expected");
      id = id * 10 + unsigned(c - '0');
    }
    if (id > 65535) LineError(path, line, "identifier out of range");
    std::string text = Unescape(s.substr(eq + 1), path, line);
    if (!texts.emplace(uint16_t(id), std::move(text)).second)
      LineError(path, line, "identifier given twice");
  }
  if (in.bad()) {
    int err = errno;
    throw EReadError(Format(SFOpenError, {path, SysErrorMessage(err)}));
  }
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  t.Language.swap(texts);
}

void ResetLanguage() {
  TTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  t.Language.clear();
}
