// The message table: each record registers its built-in text under its
// identifier when the library is loaded.
#include "OrvMessages.h"

const TResourceString ORVANE_ERR_PARAM_NOT_FOUND{65504, "Host variable \"%s\" not found."};
const TResourceString ORVANE_ERR_BLOB_REQUIRED{65505, "Field \"%s\" is not a blob."};
const TResourceString ORVANE_ERR_BLOB_STREAM_INVALID{65506, "Not a valid stream parameter."};
const TResourceString ORVANE_ERR_BLOB_PICTURE_INVALID{65507, "Not a valid picture parameter."};
const TResourceString ORVANE_TXT_FALSE{65508, "False"};
const TResourceString ORVANE_TXT_TRUE{65509, "True"};
const TResourceString ORVANE_ERR_LIB_PATH_NOT_FOUND{65520, "Could not find database library path."};
const TResourceString ORVANE_ERR_LIB_LOAD_FAILED{65521,
                                                 "Could not load the Database Interface library."};
const TResourceString ORVANE_ERR_LIB_INIT_FAILED{65522, "Unable to initialize database interface"};
const TResourceString ORVANE_ERR_LIB_WRONG{
    65523, "Function not supported by this version of the Database Interface library."};
const TResourceString ORVANE_ERR_SESS_NIL{65524, "The session property is not linked to a session"};
const TResourceString ORVANE_ERR_SESS_TRANS_ACTIVE{65525, "A user transaction is already in progress"};
const TResourceString ORVANE_ERR_SESS_CONNECTED{65526, "Not allowed while connected to a database"};
const TResourceString ORVANE_ERR_STMT_NOT_PREPARED{65527, "The statement is not prepared."};
const TResourceString ORVANE_ERR_CURS_NOT_QUERY{65528, "The Statement is not a query"};
const TResourceString ORVANE_ERR_CURS_IS_QUERY{65529, "The statement is a query"};
const TResourceString ORVANE_ERR_CURS_BI_NOT_SUPP{65530, "Bidirectional cursors not supported."};
const TResourceString ORVANE_ERR_CURS_NOT_PREPARED{65531, "The cursor is not prepared."};
const TResourceString ORVANE_ERR_CURS_NOT_OPENED{65532, "The cursor is not opened."};
const TResourceString ORVANE_ERR_CURS_READ_ONLY{65533, "The cursor is read-only."};
const TResourceString ORVANE_ERR_CURS_MISSING_ROWID{65534, "Cursor is missing rowid."};
const TResourceString ORVANE_ERR_FIELD_NOT_FOUND{65535, "Field \"%s\" not found."};
