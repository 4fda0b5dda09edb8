#include "runtime/pool.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kPoolNames[kPoolCount] = {"HEAP",
                                            "TUNER",
                                            "TOKEN",
                                            "DEMUX",
                                            "SERIAL",
                                            "LONGINT",
                                            "SIMAN",
                                            "SIMAN-EPG",
                                            "SIMANAGER",
                                            "BIGINT",
                                            "ZIPFILE",
                                            "IFRAME",
                                            "FAT",
                                            "FAT32",
                                            "FILE",
                                            "CAROUSEL_FILE",
                                            "FSMANAGER",
                                            "LIST",
                                            "FONT",
                                            "FONT_TDF",
                                            "XML",
                                            "X509",
                                            "OC",
                                            "JTV",
                                            "ROM",
                                            "MHP",
                                            "COMPONENT",
                                            "APP",
                                            "GRAPHIC",
                                            "IMAGE",
                                            "GIF",
                                            "JPG",
                                            "PNG",
                                            "CRC PERMANENT",
                                            "JVM_PERMANENT",
                                            "JVM_CLASSES",
                                            "JVM_CLASSES_VERIFY",
                                            "JVM_FRAME",
                                            "JVM_THREAD",
                                            "JVM_OBJECT",
                                            "JVM_STRING",
                                            "JVM_CSTRING",
                                            "JVM_ZIP",
                                            "CORE_GRAPHICS",
                                            "CORE_PROCESS",
                                            "DVR",
                                            "FTA APPLICATION",
                                            "FTA APPLICATION ARRAY",
                                            "FTA APPLICATION RESOURCES",
                                            "FTA APPLICATION OBJECT",
                                            "FTA APPLICATION PERMANENT",
                                            "FTA APPLICATION BIDI",
                                            "FTA APPLICATION UPDATE",
                                            "FTA APPLICATION MMI",
                                            "MHP_EVENT",
                                            "NAGRA",
                                            "TELETEXT",
                                            "MEM MANAGER",
                                            "MEMORY POOL",
                                            "",
                                            "",
                                            "",
                                            "",
                                            ""};

// Counters are atomics so that every task may update them without a lock; the limit check reserves
// the bytes with a compare-and-swap so the 64 MiB cap is exact even under concurrent use.
struct Counters {
  std::atomic<int64_t> allocCount{0}, freeCount{0}, bytesInUse{0}, bytesTotal{0};
};
Counters g_pools[kPoolCount];
Counters g_total;
std::atomic<int64_t> g_peak{0};

// Adds `size` to the total in use; the new total, or -1 when that would pass the limit.
int64_t reserve(int64_t size) {
  int64_t used = g_total.bytesInUse.load(std::memory_order_relaxed);
  do {
    if (used + size > kPoolLimit) return -1;
  } while (!g_total.bytesInUse.compare_exchange_weak(used, used + size, std::memory_order_relaxed));
  return used + size;
}

// Raised only once the heap has given the block, so a refused allocation leaves the peak alone.
void raisePeak(int64_t now) {
  int64_t peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

void* allocate(int pool, int32_t size, bool zeroed) {
  if (pool < 0 || pool >= kPoolCount || size < 0) return nullptr;
  const int64_t inUse = reserve(size);
  if (inUse < 0) return nullptr;
  // A zero-byte request still gets a real, distinct block.
  void* block = zeroed ? std::calloc(1, size ? size : 1) : std::malloc(size ? size : 1);
  if (!block) {
    g_total.bytesInUse.fetch_sub(size, std::memory_order_relaxed);
    return nullptr;
  }
  raisePeak(inUse);
  g_total.allocCount.fetch_add(1, std::memory_order_relaxed);
  g_total.bytesTotal.fetch_add(size, std::memory_order_relaxed);
  Counters& p = g_pools[pool];
  p.bytesInUse.fetch_add(size, std::memory_order_relaxed);
  p.allocCount.fetch_add(1, std::memory_order_relaxed);
  p.bytesTotal.fetch_add(size, std::memory_order_relaxed);
  return block;
}

PoolStats read(const Counters& c) {
  PoolStats s;
  s.allocCount = c.allocCount.load(std::memory_order_relaxed);
  s.freeCount = c.freeCount.load(std::memory_order_relaxed);
  s.bytesInUse = c.bytesInUse.load(std::memory_order_relaxed);
  s.bytesTotal = c.bytesTotal.load(std::memory_order_relaxed);
  return s;
}

}  // namespace

void* pool_alloc(int pool, int32_t size) { return allocate(pool, size, false); }
void* pool_allocZeroed(int pool, int32_t size) { return allocate(pool, size, true); }

void pool_free(int pool, void* block, int32_t size) {
  if (!block) return;
  std::free(block);
  if (pool < 0 || pool >= kPoolCount) pool = POOL_HEAP;
  g_total.bytesInUse.fetch_sub(size, std::memory_order_relaxed);
  g_total.freeCount.fetch_add(1, std::memory_order_relaxed);
  Counters& p = g_pools[pool];
  p.freeCount.fetch_add(1, std::memory_order_relaxed);
  p.bytesInUse.fetch_sub(size, std::memory_order_relaxed);
}

void* heap_alloc(int32_t size) { return pool_alloc(POOL_HEAP, size); }
void heap_free(void* block, int32_t size) { pool_free(POOL_HEAP, block, size); }

char* pool_strdup(const char* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text) + 1;
  if (n > INT32_MAX) return nullptr;
  char* copy = static_cast<char*>(heap_alloc(static_cast<int32_t>(n)));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

void pool_clearStats(int pool) {
  if (pool < 0 || pool >= kPoolCount) return;
  Counters& p = g_pools[pool];
  p.allocCount.store(0, std::memory_order_relaxed);
  p.freeCount.store(0, std::memory_order_relaxed);
  p.bytesTotal.store(p.bytesInUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

const char* pool_name(int pool) { return pool >= 0 && pool < kPoolCount ? kPoolNames[pool] : ""; }

PoolStats pool_stats(int pool) { return pool >= 0 && pool < kPoolCount ? read(g_pools[pool]) : PoolStats{}; }

PoolTotals pool_totals() {
  PoolTotals t;
  static_cast<PoolStats&>(t) = read(g_total);
  t.bytesPeak = g_peak.load(std::memory_order_relaxed);
  return t;
}

std::string pool_report() {
  std::string out;
  char line[160];
  for (int i = 0; i < kPoolCount; ++i) {
    PoolStats s = pool_stats(i);
    if (s.allocCount == 0 && s.freeCount == 0) continue;
    std::snprintf(line, sizeof line, "%-27s alloc %8lld free %8lld inUse %10lld total %12lld\n",
                  kPoolNames[i][0] ? kPoolNames[i] : "?", static_cast<long long>(s.allocCount),
                  static_cast<long long>(s.freeCount), static_cast<long long>(s.bytesInUse),
                  static_cast<long long>(s.bytesTotal));
    out += line;
  }
  PoolTotals t = pool_totals();
  std::snprintf(line, sizeof line, "%-27s alloc %8lld free %8lld inUse %10lld total %12lld peak %lld\n", "TOTAL",
                static_cast<long long>(t.allocCount), static_cast<long long>(t.freeCount),
                static_cast<long long>(t.bytesInUse), static_cast<long long>(t.bytesTotal),
                static_cast<long long>(t.bytesPeak));
  out += line;
  return out;
}
