// The frame's message texts: named resource strings under fixed identifiers,
// loaded by identifier when raised so that a language file can replace them.
#pragma once

#include "ResourceStrings.h"

extern const TResourceString ORVANE_ERR_PARAM_NOT_FOUND;       // 65504
extern const TResourceString ORVANE_ERR_BLOB_REQUIRED;         // 65505
extern const TResourceString ORVANE_ERR_BLOB_STREAM_INVALID;   // 65506
extern const TResourceString ORVANE_ERR_BLOB_PICTURE_INVALID;  // 65507
extern const TResourceString ORVANE_TXT_FALSE;                 // 65508
extern const TResourceString ORVANE_TXT_TRUE;                  // 65509
extern const TResourceString ORVANE_ERR_LIB_PATH_NOT_FOUND;    // 65520
extern const TResourceString ORVANE_ERR_LIB_LOAD_FAILED;       // 65521
extern const TResourceString ORVANE_ERR_LIB_INIT_FAILED;       // 65522
extern const TResourceString ORVANE_ERR_LIB_WRONG;             // 65523
extern const TResourceString ORVANE_ERR_SESS_NIL;              // 65524
extern const TResourceString ORVANE_ERR_SESS_TRANS_ACTIVE;     // 65525
extern const TResourceString ORVANE_ERR_SESS_CONNECTED;        // 65526
extern const TResourceString ORVANE_ERR_STMT_NOT_PREPARED;     // 65527
extern const TResourceString ORVANE_ERR_CURS_NOT_QUERY;        // 65528
extern const TResourceString ORVANE_ERR_CURS_IS_QUERY;         // 65529
extern const TResourceString ORVANE_ERR_CURS_BI_NOT_SUPP;      // 65530
extern const TResourceString ORVANE_ERR_CURS_NOT_PREPARED;     // 65531
extern const TResourceString ORVANE_ERR_CURS_NOT_OPENED;       // 65532
extern const TResourceString ORVANE_ERR_CURS_READ_ONLY;        // 65533
extern const TResourceString ORVANE_ERR_CURS_MISSING_ROWID;    // 65534
extern const TResourceString ORVANE_ERR_FIELD_NOT_FOUND;       // 65535

// Fixed texts of the limits the frame guards, outside the message table.
inline constexpr const char* SOrvTooManyVariables =
    "Too many host variables: %d (at most %d input and output variables in all)";
inline constexpr const char* SOrvTooManyFields = "Too many result columns: %d (at most %d)";
inline constexpr const char* SOrvBadRowLayout = "Invalid row layout: %s";
inline constexpr const char* SOrvValueTooLarge = "Host variable %d is too large: %d bytes";
inline constexpr const char* SOrvOutOfMemory = "Out of memory allocating %d bytes";
