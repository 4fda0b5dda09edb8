#include "runtime/text/charset_tables.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "runtime/pool.h"

namespace {

constexpr int64_t kRetryIntervalMs = 1000;

struct Table {
  const char* member;
  int32_t bytes;
  bool replaceZeros;  // a 0 in the code-page table would end decoded strings
  std::atomic<char16_t*> data{nullptr};
  bool failed = false;  // the last attempt failed, at lastAttemptMs
  int64_t lastAttemptMs = 0;
};

Table g_iso{kCharsetIsoMember, kCharsetIsoBytes, true};
Table g_upper{kCharsetUppercaseMember, kCharsetUppercaseBytes, false};
std::atomic<CharsetTableLoader> g_loader{nullptr};
std::mutex g_loadLock;  // serialises loading; readers of a loaded table take no lock

int64_t steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

char16_t* readTable(const Table& t) {
  CharsetTableLoader loader = g_loader.load();
  if (!loader) return nullptr;
  auto* block = static_cast<uint8_t*>(pool_alloc(POOL_FTA_APPLICATION_PERMANENT, t.bytes));
  if (!block) return nullptr;
  int32_t size = loader(t.member, block, t.bytes);
  if (size != t.bytes) {
    if (size >= 0) printf("\n\t[CHARSET] %s has %d bytes instead of %d: ignored\n", t.member, size, t.bytes);
    pool_free(POOL_FTA_APPLICATION_PERMANENT, block, t.bytes);
    return nullptr;
  }
  // Little-endian file order to host units, in place.
  for (int32_t i = 0; i < t.bytes / 2; ++i) {
    char16_t u = static_cast<char16_t>(block[2 * i] | block[2 * i + 1] << 8);
    if (u == 0 && t.replaceZeros) u = 0xFFFD;
    std::memcpy(block + 2 * i, &u, 2);
  }
  return reinterpret_cast<char16_t*>(block);
}

const char16_t* tableOf(Table& t) {
  if (char16_t* p = t.data.load(std::memory_order_acquire)) return p;
  std::lock_guard lock(g_loadLock);
  if (char16_t* p = t.data.load(std::memory_order_relaxed)) return p;
  int64_t now = steadyMs();
  if (t.failed && now - t.lastAttemptMs < kRetryIntervalMs) return nullptr;
  char16_t* p = readTable(t);
  t.failed = !p;
  t.lastAttemptMs = now;
  t.data.store(p, std::memory_order_release);
  return p;
}

void release(Table& t) {
  char16_t* p = t.data.exchange(nullptr);
  if (p) pool_free(POOL_FTA_APPLICATION_PERMANENT, p, t.bytes);
  t.failed = false;
}

}  // namespace

void charset_setTableLoader(CharsetTableLoader loader) {
  std::lock_guard lock(g_loadLock);
  g_loader.store(loader);
  g_iso.failed = false;
  g_upper.failed = false;
}

CharsetTableLoader charset_tableLoader() { return g_loader.load(); }

const char16_t* charset_isoTable() { return tableOf(g_iso); }
const char16_t* charset_uppercaseTable() { return tableOf(g_upper); }

int charset_loadTables() {
  bool iso = charset_isoTable() != nullptr;
  bool upper = charset_uppercaseTable() != nullptr;
  return iso && upper ? 1 : 0;
}

void charset_unloadTables() {
  std::lock_guard lock(g_loadLock);
  release(g_iso);
  release(g_upper);
}
