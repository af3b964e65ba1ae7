// The callback entry pools (x86-64 code written into executable pages), the
// adapters the entries reach, the four callback routines, and the session's
// registration of its callbacks at connect and their release at disconnect.
#include "AsaCallbacks.h"

#include <cstring>
#include <string>

#include "AsaSession.h"
#include "ExecutableMemory.h"
#include "OSError.h"

#if !defined(__x86_64__)
#error "the callback entries are x86-64 code"
#endif

namespace {

// Page layout: the address of the previous page (8 bytes), the prologue (16
// bytes), then the entries of 24 bytes. An entry is `call prologue` (5 bytes),
// 3 filler bytes, the routine (8 bytes; while free, the next free entry) and
// the session (8 bytes). The call pushes the address just after itself; the
// prologue pops it into the register of the adapter's last argument and jumps
// to the adapter, which so returns straight to the library.
constexpr size_t PrologueOffset = 8;
constexpr size_t PrologueSize = 16;
constexpr size_t FirstEntryOffset = PrologueOffset + PrologueSize;
constexpr size_t EntrySize = 24;
constexpr size_t CallSize = 5;
constexpr size_t RoutineOffset = 8;
constexpr size_t SessionOffset = 16;
static_assert(FirstEntryOffset + TCallbackEntryPool::EntriesPerPage * EntrySize <= TCallbackEntryPool::PageSize,
              "the entries fit in a page");

struct TEntryData {
  TAsaCallbackRoutine Routine;
  TAsaSession* Session;
};

// The page linked from the first bytes of a page.
uint8_t* LinkedPage(const uint8_t* page) {
  uint8_t* next;
  std::memcpy(&next, page, sizeof(uint8_t*));
  return next;
}

const TEntryData& DataAfterCall(const uint8_t* afterCall) {
  return *reinterpret_cast<const TEntryData*>(afterCall - CallSize + RoutineOffset);
}

}  // namespace

// The adapters: the library's arguments in their usual registers, then the
// address the entry's call pushed.
extern "C" void OrvAsaOneArgumentAdapter(SQLCA* sqlca, const uint8_t* afterCall) {
  const TEntryData& data = DataAfterCall(afterCall);
  TAsaSqlcaRecord record{sqlca};
  data.Routine(data.Session, &record);
}

extern "C" void OrvAsaMessageAdapter(SQLCA* sqlca, unsigned short type, int32_t code, unsigned short length,
                                     const char* text, const uint8_t* afterCall) {
  const TEntryData& data = DataAfterCall(afterCall);
  TAsaMessageRecord record{sqlca, type, code, length, text};
  data.Routine(data.Session, &record);
}

uint8_t* TCallbackEntryPool::NewPage() {
  auto* page = static_cast<uint8_t*>(AllocateExecutableMemory(PageSize));
  if (page == nullptr)
    throw EAsaException("Cannot allocate memory for server callbacks: " + LastOSErrorMessage(), 0);
  std::memcpy(page, &FPages, sizeof FPages);
  uint8_t* prologue = page + PrologueOffset;
  std::memset(prologue, 0xCC, PrologueSize);  // int3 filler
  size_t at = 0;
  uintptr_t adapter;
  if (FKind == OneArgument) {
    prologue[at++] = 0x5E;  // pop rsi
    adapter = reinterpret_cast<uintptr_t>(&OrvAsaOneArgumentAdapter);
  } else {
    prologue[at++] = 0x41;  // pop r9
    prologue[at++] = 0x59;
    adapter = reinterpret_cast<uintptr_t>(&OrvAsaMessageAdapter);
  }
  prologue[at++] = 0x48;  // movabs rax, adapter
  prologue[at++] = 0xB8;
  std::memcpy(prologue + at, &adapter, sizeof adapter);
  at += sizeof adapter;
  prologue[at++] = 0xFF;  // jmp rax
  prologue[at++] = 0xE0;
  for (size_t i = 0; i < EntriesPerPage; ++i) {
    uint8_t* entry = page + FirstEntryOffset + i * EntrySize;
    std::memset(entry, 0xCC, EntrySize);
    entry[0] = 0xE8;  // call rel32
    int32_t displacement = static_cast<int32_t>(prologue - (entry + CallSize));
    std::memcpy(entry + 1, &displacement, sizeof displacement);
    std::memcpy(entry + RoutineOffset, &FFreeList, sizeof FFreeList);
    FFreeList = entry;
  }
  FPages = page;
  return page;
}

void* TCallbackEntryPool::Acquire(TAsaCallbackRoutine routine, TAsaSession* session) {
  if (FFreeList == nullptr) NewPage();
  uint8_t* entry = FFreeList;
  std::memcpy(&FFreeList, entry + RoutineOffset, sizeof FFreeList);
  std::memcpy(entry + RoutineOffset, &routine, sizeof routine);
  std::memcpy(entry + SessionOffset, &session, sizeof session);
  return entry;
}

bool TCallbackEntryPool::Owns(const uint8_t* entry) const noexcept {
  for (const uint8_t* page = FPages; page != nullptr;) {
    const uint8_t* first = page + FirstEntryOffset;
    if (entry >= first && entry < first + EntriesPerPage * EntrySize)
      return static_cast<size_t>(entry - first) % EntrySize == 0;
    page = LinkedPage(page);
  }
  return false;
}

void TCallbackEntryPool::Release(void* entry) noexcept {
  auto* e = static_cast<uint8_t*>(entry);
  if (e == nullptr || !Owns(e)) return;
  std::memcpy(e + RoutineOffset, &FFreeList, sizeof FFreeList);
  std::memset(e + SessionOffset, 0, sizeof(void*));
  FFreeList = e;
}

void TCallbackEntryPool::FreePages() noexcept {
  uint8_t* page = FPages;
  FPages = nullptr;
  FFreeList = nullptr;
  while (page != nullptr) {
    uint8_t* next = LinkedPage(page);
    // A page that cannot be decommitted stays mapped rather than be unmapped
    // in an unknown state.
    if (DecommitExecutableMemory(page, PageSize)) ReleaseExecutableMemory(page, PageSize);
    page = next;
  }
}

int TCallbackEntryPool::PageCount() const noexcept {
  int count = 0;
  for (const uint8_t* page = FPages; page != nullptr; ++count) page = LinkedPage(page);
  return count;
}

// Static objects of the driver library: destroyed, and their pages returned,
// when the library is unloaded.
TCallbackEntryPool& OneArgumentCallbackPool() {
  static TCallbackEntryPool pool(TCallbackEntryPool::OneArgument);
  return pool;
}

TCallbackEntryPool& MessageCallbackPool() {
  static TCallbackEntryPool pool(TCallbackEntryPool::Message);
  return pool;
}

void* AcquireCallbackEntry(TCallbackEntryPool& pool, TAsaCallbackRoutine routine, TAsaSession* session) {
  return pool.Acquire(routine, session);
}

void ReleaseCallbackEntry(TCallbackEntryPool& pool, void* entry) noexcept { pool.Release(entry); }

void FreeCallbackPages(TCallbackEntryPool& pool) noexcept { pool.FreePages(); }

// ---- the callback routines -------------------------------------------------

namespace {
bool Silent(TAsaSession* session) {
  return session == nullptr || session->ComponentState().Contains(csDestroying);
}

// An exception cannot travel back through the library's frames (nor would
// the library know what to do with it), so a failing handler ends here.
template <class F>
void Fire(F&& f) noexcept {
  try {
    f();
  } catch (...) {
  }
}
}  // namespace

void AsaServerStartRoutine(TAsaSession* session, const void*) {
  if (Silent(session) || !session->OnServerStart) return;
  Fire([&] { session->OnServerStart(session); });
}

void AsaServerFinishRoutine(TAsaSession* session, const void*) {
  if (Silent(session) || !session->OnServerFinish) return;
  Fire([&] { session->OnServerFinish(session); });
}

void AsaServerWaitRoutine(TAsaSession* session, const void* record) {
  if (Silent(session) || !session->OnServerWait) return;
  Fire([&] {
    bool abortRequest = false;
    session->OnServerWait(session, abortRequest);
    if (abortRequest) ASA_CALL(db_cancel_request, static_cast<const TAsaSqlcaRecord*>(record)->Sqlca);
  });
}

void AsaServerMessageRoutine(TAsaSession* session, const void* record) {
  if (Silent(session) || !session->OnServerMessage) return;
  auto* r = static_cast<const TAsaMessageRecord*>(record);
  TAsaMessageRecord message;
  std::memcpy(&message, r, sizeof message);
  size_t limit = message.Length < AsaMaxServerMessage ? message.Length : AsaMaxServerMessage;
  size_t length = message.Text != nullptr ? strnlen(message.Text, limit) : 0;
  TServerMessageType type;
  switch (message.MessageType) {
    case 0: type = mtInfo; break;
    case 1: type = mtWarning; break;
    case 2: type = mtAction; break;
    case 3: type = mtStatus; break;
    default: type = mtUnknown; break;
  }
  Fire([&] {
    std::string text(message.Text != nullptr ? message.Text : "", length);
    session->OnServerMessage(session, type, message.MessageCode, text);
  });
}

// ---- registration ----------------------------------------------------------

namespace {
using TLibraryCallback = void (*)(void);
TLibraryCallback AsLibraryCallback(void* entry) { return reinterpret_cast<TLibraryCallback>(entry); }
}  // namespace

void TAsaSession::RegisterCallbacks() {
  if (ComponentState().Contains(csDesigning)) return;
  if (OnServerStart) {
    StartCallback = AcquireCallbackEntry(OneArgumentCallbackPool(), AsaServerStartRoutine, this);
    ASA_CALL(db_register_a_callback, &SQLCA, int(ESQL_CB_START), AsLibraryCallback(StartCallback));
  }
  if (OnServerFinish) {
    FinishCallback = AcquireCallbackEntry(OneArgumentCallbackPool(), AsaServerFinishRoutine, this);
    ASA_CALL(db_register_a_callback, &SQLCA, int(ESQL_CB_FINISH), AsLibraryCallback(FinishCallback));
  }
  if (OnServerWait) {
    WaitCallback = AcquireCallbackEntry(OneArgumentCallbackPool(), AsaServerWaitRoutine, this);
    ASA_CALL(db_register_a_callback, &SQLCA, int(ESQL_CB_WAIT), AsLibraryCallback(WaitCallback));
  }
  if (OnServerMessage) {
    MessageCallback = AcquireCallbackEntry(MessageCallbackPool(), AsaServerMessageRoutine, this);
    ASA_CALL(db_register_a_callback, &SQLCA, int(ESQL_CB_MESSAGE), AsLibraryCallback(MessageCallback));
  }
}

void TAsaSession::UnregisterCallbacks() {
  if (ComponentState().Contains(csDesigning)) return;
  // All four, registered or not: the library forgets whatever it held.
  for (int index : {int(ESQL_CB_MESSAGE), int(ESQL_CB_START), int(ESQL_CB_FINISH), int(ESQL_CB_WAIT)}) {
    try {
      ASA_CALL(db_register_a_callback, &SQLCA, index, nullptr);
    } catch (...) {
      // An unbound entry point: nothing was registered through it either.
    }
  }
  ReleaseCallbackEntry(MessageCallbackPool(), MessageCallback);
  ReleaseCallbackEntry(OneArgumentCallbackPool(), WaitCallback);
  ReleaseCallbackEntry(OneArgumentCallbackPool(), FinishCallback);
  ReleaseCallbackEntry(OneArgumentCallbackPool(), StartCallback);
  MessageCallback = WaitCallback = FinishCallback = StartCallback = nullptr;
}
