// The Embedded SQL interface: the communication and descriptor records, the
// type codes, the timestamp record and the 41 entry points in both call forms.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- records ---------------------------------------------------------------

// The communication area, one per thread or session; every call reports its
// outcome here (sqlcode: 0 success, > 0 warning, < 0 error).
typedef struct SQLCA {
  char sqlcaid[8];      // "SQLCA"
  int32_t sqlcabc;      // 136
  int32_t sqlcode;
  int16_t sqlerrml;     // length of sqlerrmc
  char sqlerrmc[70];    // the message argument (not NUL-terminated when full)
  char sqlerrp[8];
  int32_t sqlerrd[6];   // sqlerrd[2] is the count field (SQLCOUNT)
  char sqlwarn[8];
  char sqlstate[6];     // five characters and a NUL
  char sqlpad[2];
} SQLCA;

#define SQLCOUNT(ca) ((ca).sqlerrd[2])
#define SQLIOCOUNT(ca) ((ca).sqlerrd[1])

struct sqlname {
  int16_t length;
  char data[30];
};

typedef struct SQLVAR {
  int16_t sqltype;      // a type code below, bit 0 = nullable
  int16_t sqllen;       // buffer length (decimal: precision | scale << 8)
  void* sqldata;
  int16_t* sqlind;      // indicator: -1 NULL, 0 whole value, > 0 full length of a cut value
  struct sqlname sqlname;
} SQLVAR;

typedef struct SQLDA {
  char sqldaid[8];      // "SQLDA"
  int32_t sqldabc;      // bytes of the whole record
  int16_t sqln;         // number of SQLVARs allocated
  int16_t sqld;         // number of SQLVARs in use
  SQLVAR sqlvar[1];     // sqln entries follow
} SQLDA;

// Entry i of a descriptor; the records are allocated with sqln entries behind
// the header, so this indexes past the declared one-element array safely.
static inline SQLVAR* orv_sqlvar(SQLDA* da, int i) {
  return (SQLVAR*)((char*)da + offsetof(SQLDA, sqlvar)) + i;
}

#pragma pack(push, 1)
// The date-time record for dates, times and timestamps (type 390).
typedef struct SQLDATETIME {
  uint16_t year;
  uint8_t month;        // 0 = January .. 11
  uint8_t day_of_week;  // 0 = Sunday .. 6
  uint16_t day_of_year; // 0 = 1 January
  uint8_t day;          // 1..31
  uint8_t hour;
  uint8_t minute;
  uint8_t second;
  uint32_t fraction;    // fraction of the second, in milliseconds (0..999)
} SQLDATETIME;
#pragma pack(pop)

// ---- type codes (bit 0 set = nullable) -------------------------------------
enum {
  ESQL_DATE = 384,
  ESQL_TIME = 388,
  ESQL_TIMESTAMP_STRUCT = 390,
  ESQL_TIMESTAMP = 392,
  ESQL_VARCHAR = 448,       // 16-bit length + characters
  ESQL_FIXCHAR = 452,       // blank-padded characters
  ESQL_LONGVARCHAR = 456,
  ESQL_STRING = 460,        // NUL-terminated characters
  ESQL_DOUBLE = 480,
  ESQL_FLOAT = 482,
  ESQL_DECIMAL = 484,
  ESQL_INT = 496,
  ESQL_SMALLINT = 500,
  ESQL_BINARY = 524,        // 16-bit length + bytes
  ESQL_LONGBINARY = 528,
  ESQL_VARIABLE = 600,      // sqldata names a connection variable
  ESQL_TINYINT = 604,
  ESQL_BIGINT = 608,
  ESQL_UNSINT = 612,
  ESQL_UNSSMALLINT = 616,
  ESQL_UNSBIGINT = 620,
  ESQL_BIT = 624,
  ESQL_TYPE_MASK = 0x3FE
};

// Cursor option words of dbpp_declare / dbpp_open.
enum {
  ESQL_CUR_READONLY = 2,
  ESQL_CUR_UNIDIRECTIONAL = 4,
  ESQL_CUR_SCROLL = 128,
  ESQL_CUR_UPDATE = 4096
};

// Fetch kinds of dbpp_fetch_array.
enum { ESQL_FETCH_ABSOLUTE = 1, ESQL_FETCH_RELATIVE = 2 };

// Describe kinds of dbpp_describe.
enum { ESQL_DESCRIBE_OUTPUT = 1, ESQL_DESCRIBE_INPUT = 2, ESQL_DESCRIBE_COUNT = 9 };

// Callback indexes of db_register_a_callback.
enum { ESQL_CB_START = 0, ESQL_CB_WAIT = 1, ESQL_CB_FINISH = 2, ESQL_CB_MESSAGE = 7 };

// Operations of db_backup.
enum {
  ESQL_BACKUP_START = 1,
  ESQL_BACKUP_OPEN_FILE = 2,
  ESQL_BACKUP_READ_PAGE = 3,
  ESQL_BACKUP_CLOSE_FILE = 4,
  ESQL_BACKUP_END = 5
};

typedef void (*esql_callback_fn)(SQLCA*);
typedef void (*esql_message_fn)(SQLCA*, unsigned short type, int32_t code,
                                unsigned short length, const char* text);
typedef void (*esql_locate_fn)(SQLCA*, const char* engine_name, void* user);

// ---- entry points ----------------------------------------------------------
// ESQL_PR(...) expands to the program-record argument of the long call form
// (libdblib6) and to nothing in the short one (libdblib7). The library is
// built once per form; a client that binds at run time uses the
// esql_long_* / esql_short_* pointer types below.

#define ESQL_DBPP_LIST(X)                                                              \
  X(void, dbpp_commit, (unsigned int reserved))                                        \
  X(void, dbpp_rollback, (unsigned int reserved))                                      \
  X(void, dbpp_prepare, (char* name, char* module, short* stmt, char* text,            \
                         SQLDA* descriptor, unsigned int what))                        \
  X(void, dbpp_dropstmt, (char* name, char* module, short* stmt))                      \
  X(void, dbpp_execute_into, (char* name, char* module, short* stmt, SQLDA* in,        \
                              SQLDA* out))                                             \
  X(void, dbpp_execute_imm, (char* text, unsigned int what))                           \
  X(void, dbpp_describe, (char* name, char* module, short* stmt, SQLDA* da,            \
                          unsigned int what))                                          \
  X(void, dbpp_describe_cursor, (char* cursor, SQLDA* da, unsigned int what))          \
  X(void, dbpp_declare, (char* cursor, char* name, char* module, short* stmt,          \
                         unsigned int options))                                        \
  X(void, dbpp_open, (char* cursor, char* name, char* module, short* stmt, SQLDA* in,  \
                      short block, short isolation, unsigned int options))             \
  X(void, dbpp_explain, (char* cursor, unsigned int reserved, SQLDA* da))              \
  X(void, dbpp_fetch_array, (char* cursor, unsigned int kind, int32_t offset,          \
                             SQLDA* out, SQLDA* reserved, unsigned int options,        \
                             unsigned int rows))                                       \
  X(void, dbpp_get_data, (char* cursor, unsigned int column, uint32_t offset,          \
                          SQLDA* da, unsigned int reserved))                           \
  X(void, dbpp_put_into, (char* cursor, SQLDA* in, SQLDA* out))                        \
  X(void, dbpp_update, (char* cursor, SQLDA* in))                                      \
  X(void, dbpp_delete, (char* cursor, char* reserved1, char* reserved2))               \
  X(void, dbpp_resume, (char* cursor))                                                 \
  X(void, dbpp_close, (char* cursor))                                                  \
  X(void, dbpp_setoption, (unsigned int temporary, char* user, char* name, SQLDA* da)) \
  X(void, dbpp_getoption, (unsigned int reserved, char* user, char* name, SQLDA* da))

// Pointer types of both forms for run-time binding: esql_long_dbpp_commit is
// void (*)(SQLCA*, void* prog, unsigned int), esql_short_dbpp_commit without prog.
#define ESQL_STRIP(...) __VA_ARGS__
#define ESQL_LONG_TYPE(ret, name, args) typedef ret (*esql_long_##name)(SQLCA*, void*, ESQL_STRIP args);
#define ESQL_SHORT_TYPE(ret, name, args) typedef ret (*esql_short_##name)(SQLCA*, ESQL_STRIP args);
ESQL_DBPP_LIST(ESQL_LONG_TYPE)
ESQL_DBPP_LIST(ESQL_SHORT_TYPE)
#undef ESQL_LONG_TYPE
#undef ESQL_SHORT_TYPE

// Pointer types of the other 21 entry points (the same in both forms).
typedef unsigned short (*esql_db_init)(SQLCA*);
typedef unsigned short (*esql_db_fini)(SQLCA*);
typedef unsigned short (*esql_db_version_check)(unsigned int);
typedef unsigned int (*esql_db_string_connect)(SQLCA*, char*);
typedef unsigned int (*esql_db_string_disconnect)(SQLCA*, char*);
typedef unsigned int (*esql_db_start_engine)(SQLCA*, char*);
typedef unsigned int (*esql_db_start_database)(SQLCA*, char*);
typedef unsigned int (*esql_db_stop_engine)(SQLCA*, char*);
typedef unsigned int (*esql_db_stop_database)(SQLCA*, char*);
typedef unsigned short (*esql_db_find_engine)(SQLCA*, char*);
typedef unsigned int (*esql_db_string_ping_server)(SQLCA*, char*, unsigned int);
typedef unsigned short (*esql_db_is_working)(SQLCA*);
typedef int (*esql_db_cancel_request)(SQLCA*);
typedef void (*esql_db_register_a_callback)(SQLCA*, int, void (*)(void));
typedef void (*esql_db_backup)(SQLCA*, int, int, uint32_t, SQLDA*);
typedef unsigned int (*esql_db_locate_servers)(SQLCA*, esql_locate_fn, void*);
typedef char* (*esql_sqlerror_message)(SQLCA*, char*, int);
typedef SQLDA* (*esql_alloc_sqlda)(unsigned int);
typedef SQLDA* (*esql_alloc_sqlda_noind)(unsigned int);
typedef SQLDA* (*esql_free_sqlda)(SQLDA*);
typedef SQLDA* (*esql_free_sqlda_noind)(SQLDA*);

#if defined(ORV_ESQL_LONG_FORM)
#define ESQL_PR void*,
#else
#define ESQL_PR
#endif

#if defined(ORV_ESQL_BUILDING)
#define ESQL_EXPORT __attribute__((visibility("default")))
#else
#define ESQL_EXPORT
#endif

// Direct declarations, for code built against one form (the library itself
// and clients that link it): define ORV_ESQL_LONG_FORM for the long form.
#if defined(ORV_ESQL_DECLARE) || defined(ORV_ESQL_BUILDING)
#define ESQL_DECL(ret, name, args) ESQL_EXPORT ret name(SQLCA* sqlca, ESQL_PR ESQL_STRIP args);
ESQL_DBPP_LIST(ESQL_DECL)
#undef ESQL_DECL

ESQL_EXPORT unsigned short db_init(SQLCA* sqlca);
ESQL_EXPORT unsigned short db_fini(SQLCA* sqlca);
ESQL_EXPORT unsigned short db_version_check(unsigned int version);
ESQL_EXPORT unsigned int db_string_connect(SQLCA* sqlca, char* params);
ESQL_EXPORT unsigned int db_string_disconnect(SQLCA* sqlca, char* params);
ESQL_EXPORT unsigned int db_start_engine(SQLCA* sqlca, char* params);
ESQL_EXPORT unsigned int db_start_database(SQLCA* sqlca, char* params);
ESQL_EXPORT unsigned int db_stop_engine(SQLCA* sqlca, char* params);
ESQL_EXPORT unsigned int db_stop_database(SQLCA* sqlca, char* params);
ESQL_EXPORT unsigned short db_find_engine(SQLCA* sqlca, char* name);
ESQL_EXPORT unsigned int db_string_ping_server(SQLCA* sqlca, char* params, unsigned int reserved);
ESQL_EXPORT unsigned short db_is_working(SQLCA* sqlca);
ESQL_EXPORT int db_cancel_request(SQLCA* sqlca);
ESQL_EXPORT void db_register_a_callback(SQLCA* sqlca, int index, void (*callback)(void));
ESQL_EXPORT void db_backup(SQLCA* sqlca, int op, int file, uint32_t page, SQLDA* da);
ESQL_EXPORT unsigned int db_locate_servers(SQLCA* sqlca, esql_locate_fn callback, void* user);
ESQL_EXPORT char* sqlerror_message(SQLCA* sqlca, char* buffer, int max);
ESQL_EXPORT SQLDA* alloc_sqlda(unsigned int count);
ESQL_EXPORT SQLDA* alloc_sqlda_noind(unsigned int count);
ESQL_EXPORT SQLDA* free_sqlda(SQLDA* da);
ESQL_EXPORT SQLDA* free_sqlda_noind(SQLDA* da);
#endif

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(SQLCA) == 136, "SQLCA is 136 bytes");
static_assert(offsetof(SQLCA, sqlstate) == 128, "sqlstate at byte 128");
static_assert(sizeof(struct sqlname) == 32, "sqlname is 32 bytes");
static_assert(sizeof(SQLDATETIME) == 14, "the timestamp record is 14 bytes");
static_assert(offsetof(SQLDATETIME, fraction) == 10, "fraction at byte 10");
#endif
