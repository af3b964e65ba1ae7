// The 41 entry points: each checks its arguments, finds the SQLCA's client
// state, calls the engine front and writes the outcome into the SQLCA.
// Built once per call form (ORV_ESQL_LONG_FORM adds the program record).
#include "Context.h"
#include "Convert.h"
#include "Error.h"
#include "OrvEsql.h"
#include "Server.h"

#include <cstdlib>
#include <cstring>
#include <new>

#ifndef ORV_ESQL_GENERATION
#error "ORV_ESQL_GENERATION must name the library generation"
#endif

using namespace orvesql;

namespace {

void Callback(ClientContext* ctx, int index, SQLCA* ca) {
  if (ctx && ctx->callbacks[index]) reinterpret_cast<esql_callback_fn>(ctx->callbacks[index])(ca);
}

// The engine's own news for the client (type INFO, code 0) through the
// SQLCA's message callback.
void EngineMessage(ClientContext* ctx, SQLCA* ca, const std::string& text) {
  if (!ctx || !ctx->callbacks[ESQL_CB_MESSAGE]) return;
  reinterpret_cast<esql_message_fn>(ctx->callbacks[ESQL_CB_MESSAGE])(
      ca, 0, 0, static_cast<unsigned short>(text.size() > 65535 ? 65535 : text.size()), text.c_str());
}

// Runs f with the exceptions of the engine turned into SQLCA codes.
template <class F>
bool Guard(SQLCA* ca, ClientContext* ctx, F&& f) {
  try {
    f();
    return ca->sqlcode >= 0;
  } catch (const EsqlError& e) {
    SetError(ca, ctx, e.Code, e.Argument);
  } catch (const std::bad_alloc&) {
    SetError(ca, ctx, E_NO_MEMORY, "request");
  } catch (const std::exception& e) {
    SetError(ca, ctx, E_INTERNAL, e.what());
  }
  return false;
}

// A request on the SQLCA's current connection.
template <class F>
void Request(SQLCA* ca, F&& f) {
  if (!ca) return;
  ResetSqlca(ca);
  auto ctx = FindContext(ca);
  if (!ctx) {
    SetError(ca, nullptr, E_NOT_CONNECTED, "");
    return;
  }
  auto conn = ctx->Current();
  if (!conn) {
    SetError(ca, ctx.get(), E_NOT_CONNECTED, "");
    return;
  }
  Callback(ctx.get(), ESQL_CB_START, ca);
  Guard(ca, ctx.get(), [&] {
    conn->CheckAlive();
    Connection::Request busy(*conn);
    SetOutcome(ca, ctx.get(), f(*conn));
  });
  Callback(ctx.get(), ESQL_CB_FINISH, ca);
  if (ca->sqlcode == E_CONNECTION_TERMINATED) {
    // Reported once; from now on the SQLCA is simply not connected.
    std::lock_guard<std::mutex> lock(ctx->mutex);
    for (auto it = ctx->connections.begin(); it != ctx->connections.end();)
      it = it->second == conn ? ctx->connections.erase(it) : std::next(it);
    if (ctx->current == conn) ctx->current.reset();
  }
}

// A server-control call that needs db_init but no connection.
template <class F>
unsigned int Control(SQLCA* ca, F&& f) {
  if (!ca) return 0;
  ResetSqlca(ca);
  auto ctx = FindContext(ca);
  if (!ctx) {
    SetError(ca, nullptr, E_BAD_ARGUMENT, "SQLCA not initialised with db_init");
    return 0;
  }
  return Guard(ca, ctx.get(), [&] { f(*ctx); }) ? 1u : 0u;
}

Outcome None() { return {}; }

}  // namespace

extern "C" {

// ---- dbpp_ requests -----------------------------------------------------------

void dbpp_commit(SQLCA* ca, ESQL_PR unsigned int) {
  Request(ca, [](Connection& c) { c.Commit(); return None(); });
}

void dbpp_rollback(SQLCA* ca, ESQL_PR unsigned int) {
  Request(ca, [](Connection& c) { c.Rollback(); return None(); });
}

void dbpp_prepare(SQLCA* ca, ESQL_PR char*, char*, short* stmt, char* text, SQLDA*, unsigned int) {
  Request(ca, [&](Connection& c) { c.Prepare(stmt, text); return None(); });
}

void dbpp_dropstmt(SQLCA* ca, ESQL_PR char*, char*, short* stmt) {
  Request(ca, [&](Connection& c) {
    if (!stmt) throw EsqlError(E_BAD_ARGUMENT, "statement number pointer missing");
    c.Drop(*stmt);
    return None();
  });
}

void dbpp_execute_into(SQLCA* ca, ESQL_PR char*, char*, short* stmt, SQLDA* in, SQLDA* out) {
  Request(ca, [&](Connection& c) {
    if (!stmt) throw EsqlError(E_BAD_ARGUMENT, "statement number pointer missing");
    return c.Execute(*stmt, in, out);
  });
}

void dbpp_execute_imm(SQLCA* ca, ESQL_PR char* text, unsigned int) {
  Request(ca, [&](Connection& c) { return c.ExecuteImmediate(text); });
}

void dbpp_describe(SQLCA* ca, ESQL_PR char*, char*, short* stmt, SQLDA* da, unsigned int what) {
  Request(ca, [&](Connection& c) {
    if (!stmt) throw EsqlError(E_BAD_ARGUMENT, "statement number pointer missing");
    return c.Describe(*stmt, da, what);
  });
}

void dbpp_describe_cursor(SQLCA* ca, ESQL_PR char* cursor, SQLDA* da, unsigned int) {
  Request(ca, [&](Connection& c) { return c.DescribeCursor(cursor, da); });
}

void dbpp_declare(SQLCA* ca, ESQL_PR char* cursor, char*, char*, short* stmt, unsigned int options) {
  Request(ca, [&](Connection& c) {
    if (!stmt) throw EsqlError(E_BAD_ARGUMENT, "statement number pointer missing");
    c.Declare(cursor, *stmt, options);
    return None();
  });
}

void dbpp_open(SQLCA* ca, ESQL_PR char* cursor, char*, char*, short* stmt, SQLDA* in, short, short,
               unsigned int options) {
  Request(ca, [&](Connection& c) { return c.Open(cursor, stmt ? *stmt : 0, in, options); });
}

void dbpp_explain(SQLCA* ca, ESQL_PR char* cursor, unsigned int, SQLDA* da) {
  Request(ca, [&](Connection& c) { c.Explain(cursor, da); return None(); });
}

void dbpp_fetch_array(SQLCA* ca, ESQL_PR char* cursor, unsigned int kind, int32_t offset, SQLDA* out,
                      SQLDA*, unsigned int, unsigned int rows) {
  Request(ca, [&](Connection& c) { return c.Fetch(cursor, kind & 0xFFFF, offset, out, rows & 0xFFFF); });
}

void dbpp_get_data(SQLCA* ca, ESQL_PR char* cursor, unsigned int column, uint32_t offset, SQLDA* da,
                   unsigned int) {
  Request(ca, [&](Connection& c) { return c.GetData(cursor, column & 0xFFFF, offset, da); });
}

void dbpp_put_into(SQLCA* ca, ESQL_PR char* cursor, SQLDA* in, SQLDA* out) {
  Request(ca, [&](Connection& c) { c.PutInto(cursor, in, out); return None(); });
}

void dbpp_update(SQLCA* ca, ESQL_PR char* cursor, SQLDA* in) {
  Request(ca, [&](Connection& c) { c.Update(cursor, in); return None(); });
}

void dbpp_delete(SQLCA* ca, ESQL_PR char* cursor, char*, char*) {
  Request(ca, [&](Connection& c) { c.Delete(cursor); return None(); });
}

void dbpp_resume(SQLCA* ca, ESQL_PR char* cursor) {
  Request(ca, [&](Connection& c) { return c.Resume(cursor); });
}

void dbpp_close(SQLCA* ca, ESQL_PR char* cursor) {
  Request(ca, [&](Connection& c) { c.Close(cursor); return None(); });
}

void dbpp_setoption(SQLCA* ca, ESQL_PR unsigned int, char*, char* name, SQLDA* da) {
  Request(ca, [&](Connection& c) {
    if (!name) throw EsqlError(E_BAD_ARGUMENT, "option name missing");
    if (!da || da->sqld < 1 || da->sqld > da->sqln) throw EsqlError(E_BAD_DESCRIPTOR, "option value");
    Value v = ReadEntry(*orv_sqlvar(da, 0), nullptr, 0);
    c.SetOption(name, ValueToText(v));
    return None();
  });
}

void dbpp_getoption(SQLCA* ca, ESQL_PR unsigned int, char*, char* name, SQLDA* da) {
  Request(ca, [&](Connection& c) {
    if (!name) throw EsqlError(E_BAD_ARGUMENT, "option name missing");
    if (!da || da->sqld < 1 || da->sqld > da->sqln) throw EsqlError(E_BAD_DESCRIPTOR, "option value");
    Value v = Value::Text(c.GetOption(name));
    ValueCells cells(&v);
    Outcome o;
    o.code = WriteCell(cells, 0, *orv_sqlvar(da, 0));
    return o;
  });
}

// ---- connections and server control -------------------------------------------

unsigned short db_init(SQLCA* ca) {
  if (!ca) return 0;
  std::memset(ca, 0, sizeof *ca);
  std::memcpy(ca->sqlcaid, "SQLCA   ", 8);
  ca->sqlcabc = sizeof(SQLCA);
  std::memcpy(ca->sqlstate, "00000", 6);
  try {
    CreateContext(ca);
  } catch (const std::exception&) {
    return 0;
  }
  return 1;
}

unsigned short db_fini(SQLCA* ca) {
  if (!ca) return 0;
  DestroyContext(ca);
  return 1;
}

unsigned short db_version_check(unsigned int version) {
  return version <= ORV_ESQL_GENERATION ? 1 : 0;
}

unsigned int db_string_connect(SQLCA* ca, char* params) {
  return Control(ca, [&](ClientContext& ctx) {
    ConnectParams p = ParseConnectString(params);
    std::string key = LowerName(p.Get("con"));
    {
      std::lock_guard<std::mutex> lock(ctx.mutex);
      if (ctx.connections.count(key))
        throw EsqlError(E_ITEM_EXISTS, "connection " + (key.empty() ? std::string("(unnamed)") : p.Get("con")));
    }
    std::shared_ptr<Connection> conn = Connect(p);
    SQLCA* sqlca = ca;
    ClientContext* context = &ctx;
    conn->onMessage = [sqlca, context](int type, const std::string& text) {
      if (auto fn = context->callbacks[ESQL_CB_MESSAGE])
        reinterpret_cast<esql_message_fn>(fn)(sqlca, static_cast<unsigned short>(type), 0,
                                              static_cast<unsigned short>(text.size() > 65535 ? 65535 : text.size()),
                                              text.c_str());
    };
    conn->Backend().SetWaitHook([sqlca, context] { Callback(context, ESQL_CB_WAIT, sqlca); });
    std::lock_guard<std::mutex> lock(ctx.mutex);
    ctx.connections[key] = conn;
    ctx.current = conn;
  });
}

unsigned int db_string_disconnect(SQLCA* ca, char* params) {
  return Control(ca, [&](ClientContext& ctx) {
    ConnectParams p = ParseConnectString(params);
    std::shared_ptr<Connection> victim;
    {
      std::lock_guard<std::mutex> lock(ctx.mutex);
      if (p.Has("con")) {
        auto it = ctx.connections.find(LowerName(p.Get("con")));
        if (it == ctx.connections.end()) throw EsqlError(E_CONNECTION_NOT_FOUND, p.Get("con"));
        victim = it->second;
      } else {
        victim = ctx.current;
      }
      if (!victim) throw EsqlError(E_NOT_CONNECTED);
      for (auto it = ctx.connections.begin(); it != ctx.connections.end();)
        it = it->second == victim ? ctx.connections.erase(it) : std::next(it);
      if (ctx.current == victim) ctx.current.reset();
    }
    victim.reset();  // rolls back what was not committed
  });
}

unsigned int db_start_engine(SQLCA* ca, char* params) {
  return Control(ca, [&](ClientContext& ctx) {
    StartEngine(ParseConnectString(params));
    Callback(&ctx, ESQL_CB_START, ca);
  });
}

unsigned int db_start_database(SQLCA* ca, char* params) {
  return Control(ca, [&](ClientContext& ctx) {
    std::string name = StartDatabase(ParseConnectString(params));
    EngineMessage(&ctx, ca, "Database \"" + name + "\" started");
  });
}

unsigned int db_stop_engine(SQLCA* ca, char* params) {
  return Control(ca, [&](ClientContext&) { StopEngine(ParseConnectString(params)); });
}

unsigned int db_stop_database(SQLCA* ca, char* params) {
  return Control(ca, [&](ClientContext& ctx) {
    std::string name = StopDatabase(ParseConnectString(params));
    EngineMessage(&ctx, ca, "Database \"" + name + "\" stopped");
  });
}

unsigned short db_find_engine(SQLCA* ca, char* name) {
  return static_cast<unsigned short>(Control(ca, [&](ClientContext&) {
    std::string n = name ? name : "";
    if (n.empty()) n = Registry::Instance().SoleEngine();
    if (n.empty() || !Registry::Instance().EngineRunning(n)) throw EsqlError(E_NO_SERVER, n);
  }));
}

unsigned int db_string_ping_server(SQLCA* ca, char* params, unsigned int) {
  return Control(ca, [&](ClientContext&) { Ping(ParseConnectString(params)); });
}

unsigned short db_is_working(SQLCA* ca) {
  if (!ca) return 0;
  auto ctx = FindContext(ca);
  if (!ctx) return 0;
  auto conn = ctx->Current();
  return conn && conn->Working() ? 1 : 0;
}

int db_cancel_request(SQLCA* ca) {
  if (!ca) return 0;
  auto ctx = FindContext(ca);
  if (!ctx) return 0;
  auto conn = ctx->Current();
  if (!conn || !conn->Working()) return 0;
  conn->Interrupt();
  return 1;
}

void db_register_a_callback(SQLCA* ca, int index, void (*callback)(void)) {
  Control(ca, [&](ClientContext& ctx) {
    if (index != ESQL_CB_START && index != ESQL_CB_WAIT && index != ESQL_CB_FINISH && index != ESQL_CB_MESSAGE)
      throw EsqlError(E_BAD_ARGUMENT, "callback index " + std::to_string(index));
    ctx.callbacks[index] = callback;
  });
}

void db_backup(SQLCA* ca, int op, int file, uint32_t page, SQLDA* da) {
  Control(ca, [&](ClientContext& ctx) {
    auto conn = ctx.Current();
    if (!conn) throw EsqlError(E_NOT_CONNECTED);
    conn->CheckAlive();
    BackupState& b = ctx.backup;
    switch (op) {
      case ESQL_BACKUP_START:
        if (b.started) throw EsqlError(E_BACKUP_STATE, "a backup is already running");
        conn->Backend().Snapshot(b.image, b.pageSize);
        b.started = true;
        b.fileOpen = false;
        ca->sqlerrd[2] = b.pageSize;
        break;
      case ESQL_BACKUP_OPEN_FILE: {
        if (!b.started) throw EsqlError(E_BACKUP_STATE, "no backup started");
        // The database is one file (number 0); logs have their own numbers
        // and do not exist here.
        if (file != 0) throw EsqlError(E_BAD_ARGUMENT, "database file " + std::to_string(file));
        b.fileOpen = true;
        ca->sqlerrd[2] = static_cast<int32_t>(b.image.size() / static_cast<size_t>(b.pageSize));
        std::string path = conn->Db().path;
        if (path.size() > sizeof ca->sqlerrmc) path = path.substr(path.find_last_of('/') + 1);
        size_t n = path.size() < sizeof ca->sqlerrmc ? path.size() : sizeof ca->sqlerrmc;
        std::memcpy(ca->sqlerrmc, path.data(), n);
        ca->sqlerrml = static_cast<int16_t>(n);
        break;
      }
      case ESQL_BACKUP_READ_PAGE: {
        if (!b.fileOpen || file != 0) throw EsqlError(E_BACKUP_STATE, "no backup file open");
        size_t pages = b.image.size() / static_cast<size_t>(b.pageSize);
        if (page >= pages) throw EsqlError(E_BAD_ARGUMENT, "page " + std::to_string(page));
        if (!da || da->sqld < 1 || da->sqld > da->sqln) throw EsqlError(E_BAD_DESCRIPTOR, "page descriptor");
        SQLVAR& v = *orv_sqlvar(da, 0);
        if ((v.sqltype & ~1) != ESQL_BINARY || !v.sqldata || v.sqllen < b.pageSize + 2)
          throw EsqlError(E_BAD_DESCRIPTOR, "page buffer needs type 524 and " +
                                                std::to_string(b.pageSize + 2) + " bytes");
        uint16_t len = static_cast<uint16_t>(b.pageSize);
        std::memcpy(v.sqldata, &len, 2);
        std::memcpy(static_cast<char*>(v.sqldata) + 2,
                    b.image.data() + static_cast<size_t>(page) * static_cast<size_t>(b.pageSize),
                    static_cast<size_t>(b.pageSize));
        if (v.sqlind) *v.sqlind = 0;
        break;
      }
      case ESQL_BACKUP_CLOSE_FILE:
        if (!b.fileOpen) throw EsqlError(E_BACKUP_STATE, "no backup file open");
        b.fileOpen = false;
        break;
      case ESQL_BACKUP_END:
        if (!b.started) throw EsqlError(E_BACKUP_STATE, "no backup started");
        b = BackupState{};
        break;
      default:
        throw EsqlError(E_BAD_ARGUMENT, "backup operation " + std::to_string(op));
    }
  });
}

unsigned int db_locate_servers(SQLCA* ca, esql_locate_fn callback, void* user) {
  unsigned int count = 0;
  Control(ca, [&](ClientContext&) {
    for (const std::string& name : Registry::Instance().Engines()) {
      ++count;
      if (callback) callback(ca, name.c_str(), user);
    }
  });
  return count;
}

char* sqlerror_message(SQLCA* ca, char* buffer, int max) {
  if (!buffer || max <= 0) return nullptr;
  buffer[0] = 0;
  if (!ca || ca->sqlcode == 0) return buffer;
  std::string arg;
  auto ctx = FindContext(ca);
  int len = ca->sqlerrml < 0 ? 0 : ca->sqlerrml > 70 ? 70 : ca->sqlerrml;
  std::string inCa(ca->sqlerrmc, static_cast<size_t>(len));
  // The full argument when the SQLCA still holds the last error we wrote.
  if (ctx && ctx->lastCode == ca->sqlcode && ctx->lastArgument.compare(0, inCa.size(), inCa) == 0)
    arg = ctx->lastArgument;
  else
    arg = inCa;
  CopyString(buffer, static_cast<size_t>(max), FormatMessage(ca->sqlcode, arg));
  return buffer;
}

// ---- descriptors --------------------------------------------------------------

static SQLDA* Allocate(unsigned int count, bool indicators) {
  if (count > 32767) return nullptr;
  size_t vars = offsetof(SQLDA, sqlvar) + static_cast<size_t>(count) * sizeof(SQLVAR);
  if (vars < sizeof(SQLDA)) vars = sizeof(SQLDA);
  size_t total = vars + (indicators ? static_cast<size_t>(count) * sizeof(int16_t) : 0);
  // The caller releases it with free_sqlda: a C allocation by contract.
  void* mem = std::calloc(1, total);
  if (!mem) return nullptr;
  SQLDA* da = static_cast<SQLDA*>(mem);
  std::memcpy(da->sqldaid, "SQLDA   ", 8);
  da->sqldabc = static_cast<int32_t>(total);
  da->sqln = static_cast<int16_t>(count);
  da->sqld = 0;
  int16_t* ind = reinterpret_cast<int16_t*>(static_cast<char*>(mem) + vars);
  for (unsigned int i = 0; i < count; ++i) orv_sqlvar(da, static_cast<int>(i))->sqlind = indicators ? ind + i : nullptr;
  return da;
}

SQLDA* alloc_sqlda(unsigned int count) { return Allocate(count, true); }
SQLDA* alloc_sqlda_noind(unsigned int count) { return Allocate(count, false); }
SQLDA* free_sqlda(SQLDA* da) {
  std::free(da);
  return nullptr;
}
SQLDA* free_sqlda_noind(SQLDA* da) {
  std::free(da);
  return nullptr;
}

}  // extern "C"
