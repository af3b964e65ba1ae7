// The table of SQLCAs in use and the outcome writer.
#include "Context.h"
#include "Error.h"

#include <cstring>
#include <limits>
#include <unordered_map>

namespace orvesql {
namespace {

std::mutex& TableMutex() {
  static std::mutex m;
  return m;
}
std::unordered_map<SQLCA*, std::shared_ptr<ClientContext>>& Table() {
  static std::unordered_map<SQLCA*, std::shared_ptr<ClientContext>> t;
  return t;
}

}  // namespace

std::shared_ptr<ClientContext> FindContext(SQLCA* ca) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto it = Table().find(ca);
  return it == Table().end() ? nullptr : it->second;
}

void CreateContext(SQLCA* ca) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto& slot = Table()[ca];
  if (!slot) slot = std::make_shared<ClientContext>();
}

void DestroyContext(SQLCA* ca) {
  std::shared_ptr<ClientContext> ctx;
  {
    std::lock_guard<std::mutex> lock(TableMutex());
    auto it = Table().find(ca);
    if (it == Table().end()) return;
    ctx = std::move(it->second);
    Table().erase(it);
  }
  std::lock_guard<std::mutex> lock(ctx->mutex);
  ctx->current.reset();
  ctx->connections.clear();
}

void ResetSqlca(SQLCA* ca) {
  ca->sqlcode = 0;
  ca->sqlerrml = 0;
  std::memset(ca->sqlerrmc, 0, sizeof ca->sqlerrmc);
  std::memset(ca->sqlerrd, 0, sizeof ca->sqlerrd);
  std::memset(ca->sqlwarn, 0, sizeof ca->sqlwarn);
  std::memcpy(ca->sqlstate, "00000", 6);
}

void SetError(SQLCA* ca, ClientContext* ctx, int code, const std::string& argument) {
  ca->sqlcode = code;
  size_t n = argument.size() < sizeof ca->sqlerrmc ? argument.size() : sizeof ca->sqlerrmc;
  std::memset(ca->sqlerrmc, 0, sizeof ca->sqlerrmc);
  std::memcpy(ca->sqlerrmc, argument.data(), n);
  ca->sqlerrml = static_cast<int16_t>(n);
  std::memcpy(ca->sqlstate, LookupCode(code).sqlstate, 5);
  ca->sqlstate[5] = 0;
  if (code > 0) {
    ca->sqlwarn[0] = 'W';
    if (code == W_TRUNCATED) ca->sqlwarn[1] = 'W';
  }
  if (ctx) {
    ctx->lastCode = code;
    ctx->lastArgument = argument;
  }
}

void SetOutcome(SQLCA* ca, ClientContext* ctx, const Outcome& o) {
  int64_t c = o.count;
  if (c > std::numeric_limits<int32_t>::max()) c = std::numeric_limits<int32_t>::max();
  if (c < std::numeric_limits<int32_t>::min()) c = std::numeric_limits<int32_t>::min();
  if (o.code != OK) SetError(ca, ctx, o.code, {});
  ca->sqlerrd[2] = static_cast<int32_t>(c);
}

}  // namespace orvesql
