// Tokenizer and statement recognition of the dialect front.
#include "SqlText.h"
#include "Error.h"

#include <cctype>

namespace orvesql {
namespace {

bool IdStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IdChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && (std::isspace(static_cast<unsigned char>(s[b - 1])) || s[b - 1] == ';')) --b;
  return s.substr(a, b - a);
}

bool IsWord(const std::vector<Token>& t, size_t i, const char* w) {
  return i < t.size() && t[i].type == TokType::Word && t[i].upper == w;
}
bool IsPunct(const std::vector<Token>& t, size_t i, const char* p) {
  return i < t.size() && t[i].type == TokType::Punct && t[i].text == p;
}
bool IsName(const Token& t) { return t.type == TokType::Word || t.type == TokType::QuotedId; }

}  // namespace

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> out;
  size_t i = 0, n = s.size();
  auto push = [&](TokType type, size_t b, size_t e) {
    Token t{type, b, e, s.substr(b, e - b), {}};
    if (type == TokType::Word) t.upper = Upper(t.text);
    out.push_back(std::move(t));
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) { ++i; continue; }
    if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      size_t e = s.find("*/", i + 2);
      i = e == std::string::npos ? n : e + 2;
      continue;
    }
    size_t b = i;
    if ((c == 'x' || c == 'X') && i + 1 < n && s[i + 1] == '\'') {
      size_t e = s.find('\'', i + 2);
      if (e == std::string::npos) throw EsqlError(E_SYNTAX, "unterminated blob literal");
      push(TokType::Blob, b, e + 1);
      i = e + 1;
      continue;
    }
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      char close = c == '[' ? ']' : static_cast<char>(c);
      size_t j = i + 1;
      for (;;) {
        if (j >= n) throw EsqlError(E_SYNTAX, "unterminated quoted text");
        if (s[j] == close) {
          if (close != ']' && j + 1 < n && s[j + 1] == close) { j += 2; continue; }
          break;
        }
        ++j;
      }
      push(c == '\'' ? TokType::String : TokType::QuotedId, b, j + 1);
      i = j + 1;
      continue;
    }
    if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t j = i;
      while (j < n && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.' ||
                       ((s[j] == '+' || s[j] == '-') && (s[j - 1] == 'e' || s[j - 1] == 'E'))))
        ++j;
      push(TokType::Number, b, j);
      i = j;
      continue;
    }
    if (c == '?' || ((c == ':' || c == '@' || c == '$') && i + 1 < n &&
                     IdChar(static_cast<unsigned char>(s[i + 1])))) {
      size_t j = i + 1;
      if (c == '?')
        while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
      else
        while (j < n && IdChar(static_cast<unsigned char>(s[j]))) ++j;
      push(TokType::Param, b, j);
      i = j;
      continue;
    }
    if (IdStart(c)) {
      size_t j = i + 1;
      while (j < n && IdChar(static_cast<unsigned char>(s[j]))) ++j;
      push(TokType::Word, b, j);
      i = j;
      continue;
    }
    static const char* two[] = {"||", "<=", ">=", "<>", "!=", "==", "<<", ">>", "->"};
    size_t len = 1;
    for (const char* t : two)
      if (i + 1 < n && s[i] == t[0] && s[i + 1] == t[1]) len = 2;
    push(TokType::Punct, b, b + len);
    i += len;
  }
  return out;
}

std::string TokenName(const Token& t) {
  if (t.type == TokType::QuotedId && t.text.size() >= 2) {
    std::string inner = t.text.substr(1, t.text.size() - 2);
    char q = t.text[0];
    if (q != '[') {
      std::string r;
      for (size_t i = 0; i < inner.size(); ++i) {
        r += inner[i];
        if (inner[i] == q && i + 1 < inner.size() && inner[i + 1] == q) ++i;
      }
      return r;
    }
    return inner;
  }
  return t.text;
}

std::vector<std::string> SplitStatements(const std::string& text) {
  std::vector<Token> t = Tokenize(text);
  std::vector<std::string> out;
  size_t start = 0;       // byte offset of the current statement
  size_t first = 0;       // index of its first token
  int paren = 0, block = 0;
  bool trigger = false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (i == first) {
      trigger = IsWord(t, i, "CREATE") &&
                (IsWord(t, i + 1, "TRIGGER") ||
                 ((IsWord(t, i + 1, "TEMP") || IsWord(t, i + 1, "TEMPORARY")) && IsWord(t, i + 2, "TRIGGER")));
    }
    const Token& k = t[i];
    if (k.type == TokType::Punct) {
      if (k.text == "(") ++paren;
      else if (k.text == ")") --paren;
      else if (k.text == ";" && paren <= 0 && block <= 0) {
        std::string piece = Trim(text.substr(start, k.begin - start));
        if (!piece.empty()) out.push_back(piece);
        start = k.end;
        first = i + 1;
        paren = block = 0;
      }
    } else if (k.type == TokType::Word) {
      if (k.upper == "CASE" || (trigger && k.upper == "BEGIN")) ++block;
      else if (k.upper == "END" && block > 0) --block;
    }
  }
  std::string piece = Trim(text.substr(start));
  if (!piece.empty()) out.push_back(piece);
  return out;
}

Translation Translate(const std::string& stmt) {
  Translation tr;
  tr.sql = stmt;
  std::vector<Token> t = Tokenize(stmt);
  if (t.empty()) return tr;
  const std::string& w0 = t[0].upper;
  auto rest = [&](size_t i) { return i < t.size() ? Trim(stmt.substr(t[i].begin)) : std::string(); };

  if (w0 == "SET" && t.size() >= 2) {
    size_t i = 1;
    if (IsWord(t, i, "TEMPORARY")) ++i;
    if (IsWord(t, i, "OPTION")) {
      ++i;
      if (i + 1 < t.size() && IsPunct(t, i + 1, ".")) i += 2;  // user.option
      if (i >= t.size() || !IsName(t[i]) || !IsPunct(t, i + 1, "="))
        throw EsqlError(E_SYNTAX, "SET OPTION name = value");
      tr.kind = StmtKind::SetOption;
      tr.name = TokenName(t[i]);
      if (i + 2 < t.size() && t[i + 2].type == TokType::String && i + 3 == t.size()) {
        std::string v = t[i + 2].text.substr(1, t[i + 2].text.size() - 2);
        std::string r;
        for (size_t k = 0; k < v.size(); ++k) {
          r += v[k];
          if (v[k] == '\'' && k + 1 < v.size() && v[k + 1] == '\'') ++k;
        }
        tr.typeText = r;
      } else {
        tr.typeText = rest(i + 2);
      }
      return tr;
    }
    if (!IsName(t[1]) || !IsPunct(t, 2, "=") || t.size() < 4)
      throw EsqlError(E_SYNTAX, "SET name = expression");
    tr.name = TokenName(t[1]);
    if (t.size() == 6 && IsName(t[3]) && Upper(TokenName(t[3])) == Upper(tr.name) &&
        IsPunct(t, 4, "||") && t[5].type == TokType::Param) {
      tr.kind = StmtKind::AppendVariable;
      tr.pieceParam = t[5].text;
      tr.sql = "SELECT " + t[5].text;
      return tr;
    }
    tr.kind = StmtKind::SetVariable;
    tr.sql = "SELECT " + rest(3);
    return tr;
  }
  if (w0 == "CREATE" && IsWord(t, 1, "VARIABLE")) {
    if (t.size() < 4 || !IsName(t[2])) throw EsqlError(E_SYNTAX, "CREATE VARIABLE name type");
    tr.kind = StmtKind::CreateVariable;
    tr.name = TokenName(t[2]);
    tr.typeText = rest(3);
    return tr;
  }
  if (w0 == "DROP" && IsWord(t, 1, "VARIABLE")) {
    if (t.size() != 3 || !IsName(t[2])) throw EsqlError(E_SYNTAX, "DROP VARIABLE name");
    tr.kind = StmtKind::DropVariable;
    tr.name = TokenName(t[2]);
    return tr;
  }
  if (w0 == "COMMIT" || (w0 == "END" && (t.size() == 1 || IsWord(t, 1, "TRANSACTION")))) {
    tr.kind = StmtKind::Commit;
    return tr;
  }
  if (w0 == "ROLLBACK") {
    bool savepoint = false;
    for (const auto& k : t) savepoint |= k.type == TokType::Word && k.upper == "TO";
    if (!savepoint) tr.kind = StmtKind::Rollback;
    return tr;
  }
  if (w0 == "BEGIN" && (t.size() == 1 || IsWord(t, 1, "TRANSACTION") || IsWord(t, 1, "WORK") ||
                        IsWord(t, 1, "DEFERRED") || IsWord(t, 1, "IMMEDIATE") || IsWord(t, 1, "EXCLUSIVE"))) {
    tr.kind = StmtKind::Begin;
    return tr;
  }
  if (w0 == "MESSAGE") {
    size_t end = t.size();
    for (size_t i = 1; i < t.size(); ++i) {
      if (IsWord(t, i, "TYPE") || (IsWord(t, i, "TO") && IsWord(t, i + 1, "CLIENT"))) {
        end = i;
        break;
      }
    }
    if (end <= 1) throw EsqlError(E_SYNTAX, "MESSAGE expression");
    tr.kind = StmtKind::Message;
    tr.sql = "SELECT " + stmt.substr(t[1].begin, t[end - 1].end - t[1].begin);
    for (size_t i = end; i < t.size(); ++i) {
      if (IsWord(t, i, "TYPE") && i + 1 < t.size()) {
        const std::string& ty = t[i + 1].upper;
        tr.messageType = ty == "WARNING" ? 1 : ty == "ACTION" ? 2 : ty == "STATUS" ? 3 : 0;
      }
      if (IsWord(t, i, "CLIENT")) tr.toClient = true;
    }
    return tr;
  }
  tr.isDml = w0 == "INSERT" || w0 == "UPDATE" || w0 == "DELETE" || w0 == "REPLACE";
  tr.isSelect = w0 == "SELECT" || w0 == "WITH" || w0 == "VALUES";

  // Rewrites: remove "INTO :a, :b" of a top-level SELECT and the column
  // default "DEFAULT AUTOINCREMENT" (an INTEGER PRIMARY KEY numbers itself).
  std::string out;
  size_t copied = 0;
  if (w0 == "SELECT") {
    int depth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
      if (IsPunct(t, i, "(")) ++depth;
      else if (IsPunct(t, i, ")")) --depth;
      else if (depth == 0 && IsWord(t, i, "FROM")) break;
      else if (depth == 0 && IsWord(t, i, "INTO")) {
        size_t j = i + 1;
        int count = 0;
        while (j < t.size() && t[j].type == TokType::Param) {
          ++count;
          ++j;
          if (IsPunct(t, j, ",")) ++j;
          else break;
        }
        if (count == 0) throw EsqlError(E_SYNTAX, "INTO needs host variables");
        tr.intoCount = count;
        out += stmt.substr(copied, t[i].begin - copied);
        copied = t[j - 1].end;
        break;
      }
    }
  }
  if (w0 == "CREATE" || w0 == "ALTER") {
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      if (IsWord(t, i, "DEFAULT") && IsWord(t, i + 1, "AUTOINCREMENT")) {
        out += stmt.substr(copied, t[i].begin - copied);
        copied = t[i + 1].end;
      }
    }
  }
  if (copied) {
    out += stmt.substr(copied);
    tr.sql = out;
  }
  return tr;
}

bool SubstituteName(std::string& sql, const std::string& name, const std::string& param) {
  std::vector<Token> t = Tokenize(sql);
  std::string want = Upper(name);
  std::string out;
  size_t copied = 0;
  bool any = false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (!IsName(t[i]) || Upper(TokenName(t[i])) != want) continue;
    if (i > 0 && IsPunct(t, i - 1, ".")) continue;
    if (IsPunct(t, i + 1, ".") || IsPunct(t, i + 1, "(")) continue;
    out += sql.substr(copied, t[i].begin - copied) + param;
    copied = t[i].end;
    any = true;
  }
  if (!any) return false;
  out += sql.substr(copied);
  sql = out;
  return true;
}

bool AddRowidColumn(const std::string& sql, std::string& out) {
  std::vector<Token> t = Tokenize(sql);
  if (!IsWord(t, 0, "SELECT")) return false;
  if (IsWord(t, 1, "DISTINCT")) return false;
  int depth = 0;
  size_t from = std::string::npos;
  for (size_t i = 0; i < t.size(); ++i) {
    if (IsPunct(t, i, "(")) ++depth;
    else if (IsPunct(t, i, ")")) --depth;
    else if (depth == 0 && t[i].type == TokType::Word) {
      const std::string& u = t[i].upper;
      if (u == "GROUP" || u == "UNION" || u == "INTERSECT" || u == "EXCEPT" || u == "HAVING" ||
          u == "JOIN" || u == "WINDOW")
        return false;
      if (u == "FROM" && from == std::string::npos) from = i;
    } else if (depth == 0 && from != std::string::npos && IsPunct(t, i, ",")) {
      // FROM a, b: more than one table
      bool inFrom = true;
      for (size_t k = from; k < i; ++k)
        if (IsWord(t, k, "WHERE") || IsWord(t, k, "ORDER") || IsWord(t, k, "LIMIT")) inFrom = false;
      if (inFrom) return false;
    }
  }
  if (from == std::string::npos) return false;
  out = sql.substr(0, t[from].begin) + ", _rowid_ " + sql.substr(t[from].begin);
  return true;
}

std::vector<std::string> SelectListItems(const std::string& sql) {
  std::vector<std::string> items;
  std::vector<Token> t;
  try {
    t = Tokenize(sql);
  } catch (const EsqlError&) {
    return items;
  }
  if (!IsWord(t, 0, "SELECT")) return items;
  size_t i = 1;
  if (IsWord(t, i, "DISTINCT") || IsWord(t, i, "ALL")) ++i;
  int depth = 0;
  size_t itemStart = i;
  auto finish = [&](size_t endTok) {
    if (endTok <= itemStart) return;
    // Drop an alias ("expr AS name" or "expr name").
    size_t last = endTok - 1;
    if (last > itemStart && IsName(t[last]) && t[last].upper != "END" && (IsWord(t, last - 1, "AS") ||
        (t[last - 1].type != TokType::Punct && t[last].type == TokType::Word)))
      last = IsWord(t, last - 1, "AS") ? last - 2 : last - 1;
    items.push_back(sql.substr(t[itemStart].begin, t[last].end - t[itemStart].begin));
  };
  for (; i < t.size(); ++i) {
    if (IsPunct(t, i, "(")) ++depth;
    else if (IsPunct(t, i, ")")) --depth;
    else if (depth == 0 && IsPunct(t, i, "*")) {
      if (i == itemStart || IsPunct(t, i - 1, ".")) return {};
    } else if (depth == 0 && IsPunct(t, i, ",")) {
      finish(i);
      itemStart = i + 1;
    } else if (depth == 0 && t[i].type == TokType::Word &&
               (t[i].upper == "FROM" || t[i].upper == "WHERE" || t[i].upper == "GROUP" ||
                t[i].upper == "ORDER" || t[i].upper == "LIMIT" || t[i].upper == "UNION" ||
                t[i].upper == "INTO")) {
      break;
    }
  }
  finish(i);
  return items;
}

}  // namespace orvesql
