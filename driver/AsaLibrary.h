// The process-wide binding of the Embedded SQL library: its handle and
// reference count shared by all sessions, the 41-entry table of entry points in
// binding order, the generation flags and the program record of the long call
// form, plus typed call helpers over the table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LibraryLoader.h"
#include "OrvEsql.h"

// The entry points in binding order: X(name, result, arguments). The dbpp_
// ones are listed with their arguments after the SQLCA and the program record;
// their pointer types come from the interface header, in both forms.
#define ASA_ENTRY_POINTS(X, D)                                                            \
  D(dbpp_commit)                                                                          \
  D(dbpp_rollback)                                                                        \
  D(dbpp_prepare)                                                                         \
  D(dbpp_dropstmt)                                                                        \
  D(dbpp_execute_into)                                                                    \
  D(dbpp_execute_imm)                                                                     \
  D(dbpp_describe)                                                                        \
  D(dbpp_describe_cursor)                                                                 \
  D(dbpp_declare)                                                                         \
  D(dbpp_open)                                                                            \
  D(dbpp_explain)                                                                         \
  D(dbpp_fetch_array)                                                                     \
  D(dbpp_get_data)                                                                        \
  D(dbpp_put_into)                                                                        \
  D(dbpp_update)                                                                          \
  D(dbpp_delete)                                                                          \
  D(dbpp_resume)                                                                          \
  D(dbpp_close)                                                                           \
  D(dbpp_setoption)                                                                       \
  D(dbpp_getoption)                                                                       \
  X(db_string_connect, unsigned int, (SQLCA*, char*))                                     \
  X(db_string_disconnect, unsigned int, (SQLCA*, char*))                                  \
  X(db_start_engine, unsigned int, (SQLCA*, char*))                                       \
  X(db_start_database, unsigned int, (SQLCA*, char*))                                     \
  X(db_stop_engine, unsigned int, (SQLCA*, char*))                                        \
  X(db_stop_database, unsigned int, (SQLCA*, char*))                                      \
  X(db_cancel_request, int, (SQLCA*))                                                     \
  X(alloc_sqlda_noind, SQLDA*, (unsigned int))                                            \
  X(alloc_sqlda, SQLDA*, (unsigned int))                                                  \
  X(free_sqlda_noind, SQLDA*, (SQLDA*))                                                   \
  X(free_sqlda, SQLDA*, (SQLDA*))                                                         \
  X(sqlerror_message, char*, (SQLCA*, char*, int))                                        \
  X(db_find_engine, unsigned short, (SQLCA*, char*))                                      \
  X(db_is_working, unsigned short, (SQLCA*))                                              \
  X(db_init, unsigned short, (SQLCA*))                                                    \
  X(db_fini, unsigned short, (SQLCA*))                                                    \
  X(db_backup, void, (SQLCA*, int, int, uint32_t, SQLDA*))                                \
  X(db_string_ping_server, unsigned int, (SQLCA*, char*, unsigned int))                   \
  X(db_version_check, unsigned short, (unsigned int))                                     \
  X(db_register_a_callback, void, (SQLCA*, int, void (*)(void)))                          \
  X(db_locate_servers, unsigned int, (SQLCA*, esql_locate_fn, void*))

#define ASA_ENTRY_ENUM_X(name, result, args) aep_##name,
#define ASA_ENTRY_ENUM_D(name) aep_##name,
enum TAsaEntryPoint : int { ASA_ENTRY_POINTS(ASA_ENTRY_ENUM_X, ASA_ENTRY_ENUM_D) aepCount };
#undef ASA_ENTRY_ENUM_X
#undef ASA_ENTRY_ENUM_D
static_assert(aepCount == 41, "the library has 41 entry points");

// Pointer types of the entry points that have one form only: asa_db_init_fn ...
#define ASA_ENTRY_TYPE_X(name, result, args) using asa_##name##_fn = result(*) args;
#define ASA_ENTRY_TYPE_D(name)
ASA_ENTRY_POINTS(ASA_ENTRY_TYPE_X, ASA_ENTRY_TYPE_D)
#undef ASA_ENTRY_TYPE_X
#undef ASA_ENTRY_TYPE_D

// The export names, in binding order.
extern const char* const AsaEntryPointNames[aepCount];

#pragma pack(push, 1)
// Passed by address as the second argument of every dbpp_ call in the long
// form. The layout is the library's: ten reserved bytes, then three addresses
// without gaps (pointer-sized here).
struct TAsaProgramRecord {
  uint8_t Reserved[10];
  // The SqlcaPointer member of the session whose library load completed last.
  void* SqlcaPointerRef;
  // Two 16-bit constants, each holding the generation number (4, 6 or 7).
  const uint16_t* VersionRefA;
  const uint16_t* VersionRefB;
};
#pragma pack(pop)
static_assert(sizeof(TAsaProgramRecord) == 10 + 3 * sizeof(void*), "the program record has no gaps");

// Process-wide driver state; all of it is read and written without locks, so
// sessions are created, connected and destroyed on one thread.
extern HMODULE LibraryHandle;          // 0 when no library is loaded
extern int32_t LibraryReferenceCount;  // sessions holding the library
extern void* EntryPointTable[aepCount];
extern bool LibNoVersionCheck;
extern bool LibVersionOld;
extern bool LibVersion6;
extern bool LibVersion7;
extern TAsaProgramRecord ProgramRecord;

// The generation number the program record points at for the current flags
// (7, 6, or 4 for the older and the unchecked library).
uint16_t AsaGenerationNumber();
// Points VersionRefA and VersionRefB at the read-only constants of a
// generation number (4, 6 or 7).
void AsaSetProgramVersion(uint16_t generation);

// The file names to try for a library file name: the name itself, and for a
// name ending in ".dll" (as form files written elsewhere hold) its form on
// this platform as well ("dblib6.dll" -> "libdblib6.so").
std::vector<std::string> AsaLibraryFileNames(const std::string& libraryFile);

// The bound address of an entry point as its pointer type. A null entry (one
// of the three that may be missing, or a table that is not bound) raises
// EAsaException "Function not supported by this version of the Database
// Interface library." instead of jumping to nothing.
void* AsaEntryAddress(TAsaEntryPoint entry);
template <class Fn>
Fn AsaEntry(TAsaEntryPoint entry) {
  return reinterpret_cast<Fn>(AsaEntryAddress(entry));
}
// True when the entry point is bound (not null); for the optional ones.
inline bool AsaEntryBound(TAsaEntryPoint entry) { return EntryPointTable[entry] != nullptr; }

// Calls one of the single-form entry points: ASA_CALL(db_init, &SQLCA).
#define ASA_CALL(name, ...) (AsaEntry<asa_##name##_fn>(aep_##name)(__VA_ARGS__))

// Calls a dbpp_ entry point in the form of the loaded generation: the short
// form for a version-7 library, otherwise with the program record as the
// second argument. ASA_DBPP(dbpp_commit, &SQLCA, 0u)
#define ASA_DBPP(name, sqlca, ...)                                                    \
  (LibVersion7 ? AsaEntry<esql_short_##name>(aep_##name)((sqlca), __VA_ARGS__)        \
               : AsaEntry<esql_long_##name>(aep_##name)((sqlca), &ProgramRecord, __VA_ARGS__))
