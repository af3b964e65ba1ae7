// The library's outcome codes with their SQL states and message texts, and the
// exception that carries one from deep inside the engine to the entry point.
#pragma once

#include <stdexcept>
#include <string>

namespace orvesql {

// Every code the library reports. Negative: error; positive: warning.
enum Code : int {
  OK = 0,
  W_NOTFOUND = 100,           // no row
  W_TRUNCATED = 101,          // value cut / more data follows
  W_PROCEDURE_COMPLETE = 105, // no more result sets
  E_STARTSTOP_DENIED = -75,   // database cannot be stopped while in use
  E_DBNAME_IN_USE = -77,      // a database of that name is already running
  E_DB_START_FAILED = -82,    // the file is not a database of ours
  E_DB_NOT_FOUND = -83,       // file or database name not found
  E_FILE_IN_USE = -816,       // the file is served already
  E_CONNSTR_SYNTAX = -95,     // malformed connection string
  E_ENGINE_RUNNING = -96,     // engine of that name already running
  E_CONNSTR_KEY = -97,        // unknown connection parameter
  E_NO_SERVER = -100,         // engine not running
  E_NOT_CONNECTED = -101,
  E_BAD_LOGIN = -103,
  E_CONNECTION_NOT_FOUND = -108,
  E_ITEM_EXISTS = -110,
  E_PERMISSION = -121,
  E_INVALID_STATEMENT = -130, // unknown or dropped statement number
  E_SYNTAX = -131,
  E_NOT_IMPLEMENTED = -134,
  E_TABLE_NOT_FOUND = -141,
  E_COLUMN_NOT_FOUND = -143,
  E_CONVERSION = -157,
  E_OUT_OF_RANGE = -158,
  E_CURSOR_NOT_DECLARED = -170,
  E_CURSOR_IN_USE = -172,
  E_CURSOR_NOT_OPEN = -180,
  E_NOT_ENOUGH_VALUES = -188,
  E_NOT_UPDATABLE = -192,
  E_PRIMARY_KEY = -193,
  E_FOREIGN_KEY = -194,
  E_NOT_NULL = -195,
  E_UNIQUE = -196,
  E_NO_CURRENT_ROW = -197,
  E_CONSTRAINT = -209,
  E_INVALID_OPTION = -200,
  E_INVALID_OPTION_VALUE = -201,
  E_LOCKED = -210,
  E_VARIABLE_NOT_FOUND = -260,
  E_VARIABLE_EXISTS = -261,
  E_INTERRUPTED = -299,
  E_RUNTIME = -300,
  E_INTERNAL = -301,
  E_DISK_FULL = -304,
  E_IO = -305,
  E_CONNECTION_TERMINATED = -308,
  E_NO_MEMORY = -309,
  E_BACKUP_STATE = -697,
  E_BAD_DESCRIPTOR = -640,
  E_BAD_TYPE = -641,
  E_NULL_DATA = -642,
  E_BAD_ARGUMENT = -643,
  E_FETCH_DIRECTION = -668,
};

struct CodeInfo {
  int code;
  const char* sqlstate;
  const char* text;  // "%1" is replaced by the message argument
};

// The entry for a code; an unknown code gets a generic entry.
const CodeInfo& LookupCode(int code);
// The message text of a code with its argument put in.
std::string FormatMessage(int code, const std::string& argument);

class EsqlError : public std::runtime_error {
public:
  EsqlError(int code, std::string argument = {})
      : std::runtime_error(FormatMessage(code, argument)), Code(code), Argument(std::move(argument)) {}
  int Code;
  std::string Argument;
};

}  // namespace orvesql
