// The code table: one row per outcome the library reports.
#include "Error.h"

namespace orvesql {
namespace {

const CodeInfo kCodes[] = {
    {OK, "00000", ""},
    {W_NOTFOUND, "02000", "Row not found"},
    {W_TRUNCATED, "01004", "Value truncated or more data follows"},
    {W_PROCEDURE_COMPLETE, "01W05", "Procedure has completed: no more result sets"},
    {E_STARTSTOP_DENIED, "08W27", "Request to start/stop database denied: %1"},
    {E_DBNAME_IN_USE, "08W28", "Database name not unique: %1"},
    {E_DB_START_FAILED, "08W30", "Unable to start specified database: %1"},
    {E_DB_NOT_FOUND, "08W29", "Specified database not found: %1"},
    {E_FILE_IN_USE, "08W34", "Specified database file already in use: %1"},
    {E_CONNSTR_SYNTAX, "08W31", "Parse error in connection parameters: %1"},
    {E_ENGINE_RUNNING, "08W32", "Database server already running: %1"},
    {E_CONNSTR_KEY, "08W33", "Unknown connection parameter: %1"},
    {E_NO_SERVER, "08W01", "Database server not running: %1"},
    {E_NOT_CONNECTED, "08003", "Not connected to a database"},
    {E_BAD_LOGIN, "28000", "Invalid user ID or password"},
    {E_CONNECTION_NOT_FOUND, "08W26", "Connection not found: %1"},
    {E_ITEM_EXISTS, "52010", "Item already exists: %1"},
    {E_PERMISSION, "42501", "Permission denied: %1"},
    {E_INVALID_STATEMENT, "26501", "Invalid prepared statement: %1"},
    {E_SYNTAX, "42000", "Syntax error: %1"},
    {E_NOT_IMPLEMENTED, "0AW01", "Feature not implemented: %1"},
    {E_TABLE_NOT_FOUND, "42W33", "Table not found: %1"},
    {E_COLUMN_NOT_FOUND, "52003", "Column not found: %1"},
    {E_CONVERSION, "53018", "Cannot convert value: %1"},
    {E_OUT_OF_RANGE, "22003", "Value out of range for destination: %1"},
    {E_CURSOR_NOT_DECLARED, "24W01", "Cursor has not been declared: %1"},
    {E_CURSOR_IN_USE, "24502", "Cursor name already in use: %1"},
    {E_CURSOR_NOT_OPEN, "24501", "Cursor not open: %1"},
    {E_NOT_ENOUGH_VALUES, "07001", "Not enough values for host variables: %1"},
    {E_NOT_UPDATABLE, "42W30", "Update operation attempted on a read-only or non-updatable cursor: %1"},
    {E_PRIMARY_KEY, "23W01", "Primary key is not unique: %1"},
    {E_FOREIGN_KEY, "23503", "Foreign key constraint violated: %1"},
    {E_NOT_NULL, "23502", "Column cannot be NULL: %1"},
    {E_UNIQUE, "23505", "Index would not be unique: %1"},
    {E_NO_CURRENT_ROW, "24503", "No current row of cursor: %1"},
    {E_CONSTRAINT, "23W02", "Constraint violated: %1"},
    {E_INVALID_OPTION, "42W16", "Invalid option: %1"},
    {E_INVALID_OPTION_VALUE, "42W17", "Invalid setting for option: %1"},
    {E_LOCKED, "40W01", "Database is locked by another connection: %1"},
    {E_VARIABLE_NOT_FOUND, "42W14", "Variable not found: %1"},
    {E_VARIABLE_EXISTS, "42W13", "There is already a variable named %1"},
    {E_INTERRUPTED, "57014", "Statement interrupted by user"},
    {E_RUNTIME, "WW001", "Run time SQL error: %1"},
    {E_INTERNAL, "WI004", "Internal database error: %1"},
    {E_DISK_FULL, "WI006", "Disk full: %1"},
    {E_IO, "WI007", "Disk read or write error: %1"},
    {E_CONNECTION_TERMINATED, "08W02", "Connection was terminated"},
    {E_NO_MEMORY, "WI009", "Out of memory: %1"},
    {E_BACKUP_STATE, "WB001", "Backup operation out of order: %1"},
    {E_BAD_DESCRIPTOR, "07009", "Invalid descriptor: %1"},
    {E_BAD_TYPE, "07006", "Invalid data type in descriptor: %1"},
    {E_NULL_DATA, "07002", "Descriptor entry has no data pointer: %1"},
    {E_BAD_ARGUMENT, "HY009", "Invalid argument: %1"},
    {E_FETCH_DIRECTION, "24W02", "Cursor is restricted to forward fetches: %1"},
};

const CodeInfo kUnknown = {0, "HY000", "Unknown error code: %1"};

}  // namespace

const CodeInfo& LookupCode(int code) {
  for (const auto& c : kCodes)
    if (c.code == code) return c;
  return kUnknown;
}

std::string FormatMessage(int code, const std::string& argument) {
  const CodeInfo& info = LookupCode(code);
  std::string text = info.text;
  std::string::size_type p = text.find("%1");
  if (p != std::string::npos) {
    if (argument.empty()) {
      // "Cursor not open: %1" without argument reads "Cursor not open".
      std::string::size_type cut = p;
      while (cut > 0 && (text[cut - 1] == ' ' || text[cut - 1] == ':')) --cut;
      text.erase(cut);
    } else {
      text.replace(p, 2, argument);
    }
  }
  if (&info == &kUnknown) text = "Unknown error code " + std::to_string(code);
  return text;
}

}  // namespace orvesql
