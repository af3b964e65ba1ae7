// The scripted fake Embedded SQL library: it records every call with its
// arguments and answers with scripted SQLCA contents. Built in several
// variants (call form, missing entry points) from this one source.
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "FakeControl.h"
#include "OrvEsql.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#if defined(FAKE_LONG_FORM)
#define FAKE_PR void* prog,
#define FAKE_PROG prog
#else
#define FAKE_PR
#define FAKE_PROG nullptr
#endif

namespace {

struct Answer {
  int code = 0;
  std::string message;
  std::string state = "00000";
  int result = 1;
  int count = 0;
};

struct Call {
  std::string text;
  const void* sqlca;
  const void* prog;
  std::string inputs;
  bool hasInputs = false;
};

struct InputEntry {
  short type, len;
  unsigned short ind;
};

struct State {
  std::vector<Call> calls;
  std::map<std::string, std::deque<Answer>> scripts;
  std::map<std::string, std::string> options;
  std::map<const void*, std::string> messages;  // per SQLCA: text of its last answer
  unsigned versions = 0;
  int openSqldas = 0;
  void (*callbacks[8])(void) = {};  // the routines registered, by index
  std::vector<InputEntry> inputs;     // what a describe of input variables reports
  State() { Reset(); }
  void Reset() {
    calls.clear();
    inputs.clear();
    scripts.clear();
    messages.clear();
    options = {{"row_counts", "OFF"}, {"isolation_level", "0"}};
    for (auto& callback : callbacks) callback = nullptr;
#if defined(FAKE_LONG_FORM)
    versions = (1u << 4) | (1u << 5) | (1u << 6);
#else
    versions = (1u << 4) | (1u << 5) | (1u << 6) | (1u << 7);
#endif
  }
};

State& S() {
  static State state;
  return state;
}

std::string Text(const char* s) { return s == nullptr ? "null" : s; }

std::string Da(const SQLDA* da, bool withValue = false) {
  if (da == nullptr) return "null";
  const SQLVAR* v = orv_sqlvar(const_cast<SQLDA*>(da), 0);
  std::string text = "da(" + std::to_string(da->sqld) + "," + std::to_string(v->sqltype) + "," +
                     std::to_string(v->sqllen);
  if (withValue && v->sqldata != nullptr) text += ":" + std::string(static_cast<const char*>(v->sqldata));
  return text + ")";
}

// Every entry of an input descriptor, for fake_call_inputs.
std::string Inputs(const SQLDA* da) {
  std::string text;
  for (int i = 0; da != nullptr && i < da->sqld; ++i) {
    const SQLVAR* v = orv_sqlvar(const_cast<SQLDA*>(da), i);
    if (!text.empty()) text += ' ';
    text += std::to_string(v->sqltype & ~1) + "/" + std::to_string(v->sqllen) + "/" +
            std::to_string(v->sqlind != nullptr ? *v->sqlind : 0);
    const int type = v->sqltype & ~1;
    if ((type == ESQL_VARCHAR || type == ESQL_BINARY) && v->sqldata != nullptr) {
      uint16_t length = 0;
      std::memcpy(&length, v->sqldata, sizeof length);
      text += ":" + std::to_string(length);
    }
  }
  return text;
}

// Records the input descriptor of the call just recorded.
void RecordInputs(const SQLDA* da) {
  Call& call = S().calls.back();
  call.hasInputs = da != nullptr;
  call.inputs = Inputs(da);
}

template <class... A>
std::string Args(const A&... args) {
  std::string text;
  ((text += (text.empty() ? "" : ","), text += args), ...);
  return text;
}

// Records the call and answers it: the next scripted answer, or success.
Answer Answer_(const char* name, SQLCA* ca, const void* prog, const std::string& args) {
  State& s = S();
  s.calls.push_back({std::string(name) + "(" + args + ")", ca, prog, std::string(), false});
  Answer answer;
  auto it = s.scripts.find(name);
  if (it != s.scripts.end() && !it->second.empty()) {
    answer = it->second.front();
    it->second.pop_front();
  }
  if (ca != nullptr) {
    ca->sqlcode = answer.code;
    ca->sqlerrd[2] = answer.count;
    std::memset(ca->sqlstate, 0, sizeof ca->sqlstate);
    std::strncpy(ca->sqlstate, answer.state.c_str(), sizeof ca->sqlstate - 1);
    size_t n = answer.message.size() < sizeof ca->sqlerrmc ? answer.message.size() : sizeof ca->sqlerrmc;
    std::memcpy(ca->sqlerrmc, answer.message.data(), n);
    ca->sqlerrml = static_cast<int16_t>(n);
    s.messages[ca] = answer.message;
  }
  return answer;
}

std::string N(long long v) { return std::to_string(v); }

}  // namespace

// ---- control ---------------------------------------------------------------

FAKE_EXPORT void fake_reset(void) { S().Reset(); }

FAKE_EXPORT void fake_script(const char* entry, int code, const char* message, const char* state, int result,
                             int count) {
  Answer a;
  a.code = code;
  a.message = message != nullptr ? message : "";
  a.state = state != nullptr ? state : "";
  a.result = result;
  a.count = count;
  S().scripts[entry != nullptr ? entry : ""].push_back(a);
}

FAKE_EXPORT void fake_set_versions(unsigned mask) { S().versions = mask; }

FAKE_EXPORT void fake_set_option(const char* name, const char* value) { S().options[Text(name)] = Text(value); }

FAKE_EXPORT const char* fake_get_option(const char* name) {
  auto it = S().options.find(Text(name));
  return it == S().options.end() ? nullptr : it->second.c_str();
}

FAKE_EXPORT int fake_call_count(void) { return static_cast<int>(S().calls.size()); }

FAKE_EXPORT const char* fake_call(int index) {
  if (index < 0 || index >= fake_call_count()) return nullptr;
  return S().calls[static_cast<size_t>(index)].text.c_str();
}

FAKE_EXPORT const void* fake_call_sqlca(int index) {
  if (index < 0 || index >= fake_call_count()) return nullptr;
  return S().calls[static_cast<size_t>(index)].sqlca;
}

FAKE_EXPORT const void* fake_call_prog(int index) {
  if (index < 0 || index >= fake_call_count()) return nullptr;
  return S().calls[static_cast<size_t>(index)].prog;
}

FAKE_EXPORT int fake_open_sqldas(void) { return S().openSqldas; }

FAKE_EXPORT void fake_set_inputs(const char* entries) {
  auto& inputs = S().inputs;
  inputs.clear();
  for (const char* p = entries; p != nullptr && *p != '\0';) {
    int type = 0, len = 0;
    unsigned ind = 0;
    int used = 0;
    if (std::sscanf(p, "%d:%d:%u%n", &type, &len, &ind, &used) != 3) break;
    inputs.push_back({static_cast<short>(type), static_cast<short>(len), static_cast<unsigned short>(ind)});
    p += used;
    if (*p == ',') ++p;
  }
}

FAKE_EXPORT const char* fake_call_inputs(int index) {
  if (index < 0 || index >= fake_call_count()) return nullptr;
  const Call& call = S().calls[static_cast<size_t>(index)];
  return call.hasInputs ? call.inputs.c_str() : nullptr;
}

FAKE_EXPORT int fake_long_form(void) {
#if defined(FAKE_LONG_FORM)
  return 1;
#else
  return 0;
#endif
}

// ---- dbpp_ entry points ----------------------------------------------------

FAKE_EXPORT void dbpp_commit(SQLCA* ca, FAKE_PR unsigned int reserved) {
  Answer_("dbpp_commit", ca, FAKE_PROG, N(reserved));
}

#if !defined(FAKE_NO_ROLLBACK)
FAKE_EXPORT void dbpp_rollback(SQLCA* ca, FAKE_PR unsigned int reserved) {
  Answer_("dbpp_rollback", ca, FAKE_PROG, N(reserved));
}
#endif

FAKE_EXPORT void dbpp_prepare(SQLCA* ca, FAKE_PR char* name, char* module, short* stmt, char* text, SQLDA* da,
                              unsigned int what) {
  Answer a = Answer_("dbpp_prepare", ca, FAKE_PROG,
                     Args(Text(name), Text(module), Text(text), Da(da), N(what)));
  if (stmt != nullptr) *stmt = static_cast<short>(a.count);
}

FAKE_EXPORT void dbpp_dropstmt(SQLCA* ca, FAKE_PR char* name, char* module, short* stmt) {
  Answer_("dbpp_dropstmt", ca, FAKE_PROG, Args(Text(name), Text(module), stmt ? N(*stmt) : "null"));
}

FAKE_EXPORT void dbpp_execute_into(SQLCA* ca, FAKE_PR char* name, char* module, short* stmt, SQLDA* in,
                                   SQLDA* out) {
  Answer_("dbpp_execute_into", ca, FAKE_PROG,
          Args(Text(name), Text(module), stmt ? N(*stmt) : "null", Da(in), Da(out)));
  RecordInputs(in);
}

FAKE_EXPORT void dbpp_execute_imm(SQLCA* ca, FAKE_PR char* text, unsigned int what) {
  Answer_("dbpp_execute_imm", ca, FAKE_PROG, Args(Text(text), N(what)));
}

FAKE_EXPORT void dbpp_describe(SQLCA* ca, FAKE_PR char* name, char* module, short* stmt, SQLDA* da,
                               unsigned int what) {
  Answer a = Answer_("dbpp_describe", ca, FAKE_PROG,
                     Args(Text(name), Text(module), stmt ? N(*stmt) : "null", Da(da), N(what)));
  const auto& inputs = S().inputs;
  if (a.code < 0 || what != 2 || inputs.empty() || da == nullptr) return;
  // Like the library: the count always, the entries when they fit.
  da->sqld = static_cast<int16_t>(inputs.size());
  if (da->sqln < da->sqld) return;
  for (size_t i = 0; i < inputs.size(); ++i) {
    SQLVAR* v = orv_sqlvar(da, static_cast<int>(i));
    v->sqltype = inputs[i].type;
    v->sqllen = inputs[i].len;
    if (v->sqlind != nullptr) *v->sqlind = static_cast<int16_t>(inputs[i].ind);
  }
}

FAKE_EXPORT void dbpp_describe_cursor(SQLCA* ca, FAKE_PR char* cursor, SQLDA* da, unsigned int what) {
  Answer_("dbpp_describe_cursor", ca, FAKE_PROG, Args(Text(cursor), Da(da), N(what)));
}

FAKE_EXPORT void dbpp_declare(SQLCA* ca, FAKE_PR char* cursor, char* name, char* module, short* stmt,
                              unsigned int options) {
  Answer_("dbpp_declare", ca, FAKE_PROG,
          Args(Text(cursor), Text(name), Text(module), stmt ? N(*stmt) : "null", N(options)));
}

FAKE_EXPORT void dbpp_open(SQLCA* ca, FAKE_PR char* cursor, char* name, char* module, short* stmt, SQLDA* in,
                           short block, short isolation, unsigned int options) {
  Answer_("dbpp_open", ca, FAKE_PROG,
          Args(Text(cursor), Text(name), Text(module), stmt ? N(*stmt) : "null", Da(in), N(block), N(isolation),
               N(options)));
  RecordInputs(in);
}

FAKE_EXPORT void dbpp_explain(SQLCA* ca, FAKE_PR char* cursor, unsigned int reserved, SQLDA* da) {
  Answer_("dbpp_explain", ca, FAKE_PROG, Args(Text(cursor), N(reserved), Da(da)));
}

FAKE_EXPORT void dbpp_fetch_array(SQLCA* ca, FAKE_PR char* cursor, unsigned int kind, int32_t offset, SQLDA* out,
                                  SQLDA* reserved, unsigned int options, unsigned int rows) {
  Answer_("dbpp_fetch_array", ca, FAKE_PROG,
          Args(Text(cursor), N(kind), N(offset), Da(out), Da(reserved), N(options), N(rows)));
}

FAKE_EXPORT void dbpp_get_data(SQLCA* ca, FAKE_PR char* cursor, unsigned int column, uint32_t offset, SQLDA* da,
                               unsigned int reserved) {
  Answer_("dbpp_get_data", ca, FAKE_PROG, Args(Text(cursor), N(column), N(offset), Da(da), N(reserved)));
}

FAKE_EXPORT void dbpp_put_into(SQLCA* ca, FAKE_PR char* cursor, SQLDA* in, SQLDA* out) {
  Answer_("dbpp_put_into", ca, FAKE_PROG, Args(Text(cursor), Da(in), Da(out)));
}

FAKE_EXPORT void dbpp_update(SQLCA* ca, FAKE_PR char* cursor, SQLDA* in) {
  Answer_("dbpp_update", ca, FAKE_PROG, Args(Text(cursor), Da(in)));
}

FAKE_EXPORT void dbpp_delete(SQLCA* ca, FAKE_PR char* cursor, char* r1, char* r2) {
  Answer_("dbpp_delete", ca, FAKE_PROG, Args(Text(cursor), Text(r1), Text(r2)));
}

FAKE_EXPORT void dbpp_resume(SQLCA* ca, FAKE_PR char* cursor) {
  Answer_("dbpp_resume", ca, FAKE_PROG, Text(cursor));
}

FAKE_EXPORT void dbpp_close(SQLCA* ca, FAKE_PR char* cursor) { Answer_("dbpp_close", ca, FAKE_PROG, Text(cursor)); }

FAKE_EXPORT void dbpp_setoption(SQLCA* ca, FAKE_PR unsigned int temporary, char* user, char* name, SQLDA* da) {
  Answer a = Answer_("dbpp_setoption", ca, FAKE_PROG, Args(N(temporary), Text(user), Text(name), Da(da, true)));
  if (a.code >= 0 && name != nullptr && da != nullptr && orv_sqlvar(da, 0)->sqldata != nullptr)
    S().options[name] = static_cast<const char*>(orv_sqlvar(da, 0)->sqldata);
}

FAKE_EXPORT void dbpp_getoption(SQLCA* ca, FAKE_PR unsigned int reserved, char* user, char* name, SQLDA* da) {
  Answer a = Answer_("dbpp_getoption", ca, FAKE_PROG, Args(N(reserved), Text(user), Text(name), Da(da)));
  if (a.code < 0 || name == nullptr || da == nullptr) return;
  SQLVAR* v = orv_sqlvar(da, 0);
  auto it = S().options.find(name);
  if (it == S().options.end() || v->sqldata == nullptr || v->sqllen <= 0) return;
  // A string value: at most sqllen characters, then the terminating zero.
  size_t n = it->second.size() < size_t(v->sqllen) ? it->second.size() : size_t(v->sqllen);
  std::memcpy(v->sqldata, it->second.data(), n);
  static_cast<char*>(v->sqldata)[n] = '\0';
}

// ---- other entry points ----------------------------------------------------

FAKE_EXPORT unsigned short db_init(SQLCA* ca) {
  if (ca != nullptr) std::memset(ca, 0, sizeof *ca);
  return static_cast<unsigned short>(Answer_("db_init", ca, nullptr, "").result);
}

FAKE_EXPORT unsigned short db_fini(SQLCA* ca) {
  return static_cast<unsigned short>(Answer_("db_fini", ca, nullptr, "").result);
}

#if !defined(FAKE_NO_VERSION_CHECK)
FAKE_EXPORT unsigned short db_version_check(unsigned int version) {
  Answer_("db_version_check", nullptr, nullptr, N(version));
  return version < 32 && (S().versions >> version & 1u) ? 1 : 0;
}
#endif

#define FAKE_STRING_CALL(name)                                                           \
  FAKE_EXPORT unsigned int name(SQLCA* ca, char* params) {                               \
    Answer a = Answer_(#name, ca, nullptr, Text(params));                                \
    return a.code < 0 ? 0u : static_cast<unsigned int>(a.result);                        \
  }
FAKE_STRING_CALL(db_string_connect)
FAKE_STRING_CALL(db_string_disconnect)
FAKE_STRING_CALL(db_start_engine)
FAKE_STRING_CALL(db_start_database)
FAKE_STRING_CALL(db_stop_engine)
FAKE_STRING_CALL(db_stop_database)

FAKE_EXPORT unsigned short db_find_engine(SQLCA* ca, char* name) {
  return static_cast<unsigned short>(Answer_("db_find_engine", ca, nullptr, Text(name)).result);
}

#if !defined(FAKE_NO_PING)
FAKE_EXPORT unsigned int db_string_ping_server(SQLCA* ca, char* params, unsigned int reserved) {
  Answer a = Answer_("db_string_ping_server", ca, nullptr, Args(Text(params), N(reserved)));
  return a.code < 0 ? 0u : static_cast<unsigned int>(a.result);
}
#endif

FAKE_EXPORT unsigned short db_is_working(SQLCA* ca) {
  // Not working unless scripted otherwise.
  State& s = S();
  auto it = s.scripts.find("db_is_working");
  bool scripted = it != s.scripts.end() && !it->second.empty();
  Answer a = Answer_("db_is_working", ca, nullptr, "");
  return scripted ? static_cast<unsigned short>(a.result) : 0;
}

FAKE_EXPORT int db_cancel_request(SQLCA* ca) { return Answer_("db_cancel_request", ca, nullptr, "").result; }

FAKE_EXPORT void db_register_a_callback(SQLCA* ca, int index, void (*callback)(void)) {
  Answer_("db_register_a_callback", ca, nullptr, Args(N(index), callback ? "fn" : "null"));
  if (index >= 0 && index < 8) S().callbacks[index] = callback;
}

FAKE_EXPORT void db_backup(SQLCA* ca, int op, int file, uint32_t page, SQLDA* da) {
  Answer a = Answer_("db_backup", ca, nullptr, Args(N(op), N(file), N(page), Da(da)));
  // A page read that succeeds fills the binary entry: the 16-bit length (the
  // scripted result when above 1, else the whole buffer) and then bytes
  // 'a' + page number.
  if (op != ESQL_BACKUP_READ_PAGE || a.code < 0 || da == nullptr) return;
  SQLVAR* v = orv_sqlvar(da, 0);
  if (v->sqldata == nullptr || v->sqllen < 2) return;
  uint16_t length = a.result > 1 ? static_cast<uint16_t>(a.result) : static_cast<uint16_t>(v->sqllen - 2);
  std::memcpy(v->sqldata, &length, sizeof length);
  size_t fill = length < v->sqllen - 2 ? length : static_cast<size_t>(v->sqllen - 2);
  std::memset(static_cast<char*>(v->sqldata) + 2, 'a' + static_cast<int>(page % 26), fill);
}

FAKE_EXPORT void (*fake_callback(int index))(void) {
  return index >= 0 && index < 8 ? S().callbacks[index] : nullptr;
}

FAKE_EXPORT unsigned int db_locate_servers(SQLCA* ca, esql_locate_fn, void*) {
  return static_cast<unsigned int>(Answer_("db_locate_servers", ca, nullptr, "").result);
}

FAKE_EXPORT char* sqlerror_message(SQLCA* ca, char* buffer, int max) {
  Answer_("sqlerror_message", nullptr, nullptr, N(max));
  if (buffer == nullptr || max <= 0) return buffer;
  std::string text;
  auto it = S().messages.find(ca);
  if (it != S().messages.end()) text = it->second;
  std::snprintf(buffer, static_cast<size_t>(max), "%s", text.c_str());
  return buffer;
}

namespace {
SQLDA* Alloc(const char* name, unsigned int count, bool indicators) {
  Answer a = Answer_(name, nullptr, nullptr, N(count));
  if (a.result == 0) return nullptr;  // scripted out of memory
  size_t n = count == 0 ? 1 : count;
  size_t bytes = offsetof(SQLDA, sqlvar) + n * sizeof(SQLVAR) + (indicators ? n * sizeof(int16_t) : 0);
  auto* da = static_cast<SQLDA*>(::operator new(bytes));
  std::memset(da, 0, bytes);
  std::memcpy(da->sqldaid, "SQLDA", 5);
  da->sqldabc = static_cast<int32_t>(bytes);
  da->sqln = static_cast<int16_t>(count);
  if (indicators) {
    auto* ind = reinterpret_cast<int16_t*>(reinterpret_cast<char*>(da) + offsetof(SQLDA, sqlvar) + n * sizeof(SQLVAR));
    for (unsigned i = 0; i < count; ++i) orv_sqlvar(da, static_cast<int>(i))->sqlind = ind + i;
  }
  ++S().openSqldas;
  return da;
}
SQLDA* Free(const char* name, SQLDA* da) {
  Answer_(name, nullptr, nullptr, da ? "da" : "null");
  if (da != nullptr) {
    --S().openSqldas;
    ::operator delete(da);
  }
  return nullptr;
}
}  // namespace

FAKE_EXPORT SQLDA* alloc_sqlda(unsigned int count) { return Alloc("alloc_sqlda", count, true); }
FAKE_EXPORT SQLDA* alloc_sqlda_noind(unsigned int count) { return Alloc("alloc_sqlda_noind", count, false); }
FAKE_EXPORT SQLDA* free_sqlda(SQLDA* da) { return Free("free_sqlda", da); }
FAKE_EXPORT SQLDA* free_sqlda_noind(SQLDA* da) { return Free("free_sqlda_noind", da); }
