// The library callbacks of TAsaSession: the two process-wide pools of
// executable entries that bind a (routine, session) pair to a plain routine
// address the library can call, the argument records the entries hand on, and
// the four callback routines behind the server events.
#pragma once

#include <cstddef>
#include <cstdint>

#include "OrvEsql.h"

class TAsaSession;

// What the one-argument entries (start, wait, finish) hand to their routine.
struct TAsaSqlcaRecord {
  SQLCA* Sqlca;
};

// What the message entries hand to their routine: the five arguments of the
// library's message call, packed.
#pragma pack(push, 1)
struct TAsaMessageRecord {
  SQLCA* Sqlca;
  uint16_t MessageType;
  int32_t MessageCode;
  uint16_t Length;
  const char* Text;
};
#pragma pack(pop)

// A routine bound into an entry: the session and the address of the record.
using TAsaCallbackRoutine = void (*)(TAsaSession* session, const void* record);

// A pool of entries, all calling one adapter. Pages are 8192 bytes of
// executable memory holding 314 entries each; an entry is a call into its
// page's prologue followed by the routine and the session. Pages are kept and
// reused through the free list until the pool is destroyed (the driver
// library's unload). Not guarded by a lock: sessions connect and disconnect on
// one thread.
class TCallbackEntryPool {
public:
  static constexpr size_t PageSize = 8192;
  static constexpr size_t EntriesPerPage = 314;

  enum TKind { OneArgument, Message };
  explicit TCallbackEntryPool(TKind kind) : FKind(kind) {}
  ~TCallbackEntryPool() { FreePages(); }
  TCallbackEntryPool(const TCallbackEntryPool&) = delete;
  TCallbackEntryPool& operator=(const TCallbackEntryPool&) = delete;

  // An entry calling routine(session, record); raises EAsaException when the
  // system gives no executable memory.
  void* Acquire(TAsaCallbackRoutine routine, TAsaSession* session);
  // Gives an entry back; a null entry, or one not of this pool's pages (the
  // pages are gone once the pool was freed), is ignored.
  void Release(void* entry) noexcept;
  // Returns every page to the system; entries handed out are dead afterwards.
  void FreePages() noexcept;
  int PageCount() const noexcept;

private:
  uint8_t* NewPage();
  bool Owns(const uint8_t* entry) const noexcept;
  TKind FKind;
  uint8_t* FPages = nullptr;      // the newest page; each page links the one before
  uint8_t* FFreeList = nullptr;   // the free entry to take next
};

// The pool of the start, wait and finish callbacks, and that of the message
// callback.
TCallbackEntryPool& OneArgumentCallbackPool();
TCallbackEntryPool& MessageCallbackPool();

void* AcquireCallbackEntry(TCallbackEntryPool& pool, TAsaCallbackRoutine routine, TAsaSession* session);
void ReleaseCallbackEntry(TCallbackEntryPool& pool, void* entry) noexcept;
void FreeCallbackPages(TCallbackEntryPool& pool) noexcept;

// The four callback routines: each does nothing while the session is being
// destroyed or its event is not assigned.
void AsaServerStartRoutine(TAsaSession* session, const void* record);
void AsaServerFinishRoutine(TAsaSession* session, const void* record);
void AsaServerWaitRoutine(TAsaSession* session, const void* record);
void AsaServerMessageRoutine(TAsaSession* session, const void* record);

// The longest message text handed to OnServerMessage.
inline constexpr size_t AsaMaxServerMessage = 32766;
