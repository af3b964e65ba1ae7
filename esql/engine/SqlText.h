// The dialect front: a tokenizer for SQL text and the recognition of the
// statements the engine underneath does not speak (variables, SET, SELECT
// ... INTO, transaction words, MESSAGE), translated into a plan of their own.
#pragma once

#include <string>
#include <vector>

namespace orvesql {

enum class TokType { Word, QuotedId, String, Number, Param, Punct, Blob };

struct Token {
  TokType type;
  size_t begin, end;  // byte range in the text
  std::string text;   // as written; for Word upper-cased in upper
  std::string upper;
};

// Tokens of sql; comments and blanks are skipped. An unterminated string or
// quoted name throws EsqlError(E_SYNTAX).
std::vector<Token> Tokenize(const std::string& sql);

// The name a token stands for: a word as written, a quoted name without its
// quotes.
std::string TokenName(const Token& t);

enum class StmtKind {
  Sql,          // passed to the engine underneath (text may be rewritten)
  CreateVariable,
  DropVariable,
  SetVariable,  // general expression: evaluated as SELECT <expr>
  AppendVariable,  // SET v = v || :piece, done in place
  SetOption,
  Commit,
  Rollback,
  Begin,
  Message,      // MESSAGE expr [TYPE t] [TO CLIENT]
};

struct Translation {
  StmtKind kind = StmtKind::Sql;
  std::string sql;       // Sql: rewritten text; SetVariable/Message: "SELECT <expr>"
  std::string name;      // variable or option name
  std::string typeText;  // CreateVariable: declared type; SetOption: the value
  std::string pieceParam;  // AppendVariable: the host variable's text
  int intoCount = 0;     // SELECT ... INTO targets removed from sql
  int messageType = 0;   // 0 info, 1 warning, 2 action, 3 status
  bool toClient = false;
  bool isDml = false;    // INSERT, UPDATE, DELETE, REPLACE
  bool isSelect = false;
};

// The statements of a text, split at top-level ';' (trigger bodies and CASE
// expressions keep theirs); blank pieces are dropped.
std::vector<std::string> SplitStatements(const std::string& text);

// Recognises one statement (as SplitStatements gives them).
Translation Translate(const std::string& stmt);

// Rewrites sql so that every bare use of the name (not qualified, not a
// function call) becomes the host parameter param. False when none found.
bool SubstituteName(std::string& sql, const std::string& name, const std::string& param);

// For an update cursor: sql with ", _rowid_" added at the end of the top-level
// select list; false when the query cannot address rows of one table
// (DISTINCT, GROUP BY, set operations, ...).
bool AddRowidColumn(const std::string& sql, std::string& out);

// The top-level select-list items of a SELECT (text of each), for typing
// expressions; empty when the list has a "*".
std::vector<std::string> SelectListItems(const std::string& sql);

}  // namespace orvesql
