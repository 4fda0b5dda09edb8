#include "runtime/pool.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "runtime/pool_allocator.h"

namespace {

// The limit is global, so these tests measure against what the process already uses.
int64_t used() { return pool_totals().bytesInUse; }

TEST(Pool, LimitIsExactAndRefusalChangesNoCounter) {
  int64_t room = kPoolLimit - used();
  ASSERT_GT(room, 1);
  // Blocks are charged, not touched: a 64 MiB reservation costs nothing until written.
  void* big = pool_alloc(POOL_MEMORY_POOL, static_cast<int32_t>(room - 1));
  ASSERT_NE(big, nullptr);
  void* last = pool_alloc(POOL_TELETEXT, 1);  // reaches exactly the limit
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(used(), kPoolLimit);

  PoolTotals before = pool_totals();
  PoolStats poolBefore = pool_stats(POOL_TELETEXT);
  EXPECT_EQ(pool_alloc(POOL_TELETEXT, 1), nullptr);
  EXPECT_EQ(pool_allocZeroed(POOL_TELETEXT, 1), nullptr);
  PoolTotals after = pool_totals();
  EXPECT_EQ(after.allocCount, before.allocCount);
  EXPECT_EQ(after.bytesInUse, before.bytesInUse);
  EXPECT_EQ(after.bytesTotal, before.bytesTotal);
  EXPECT_EQ(pool_stats(POOL_TELETEXT).allocCount, poolBefore.allocCount);

  pool_free(POOL_TELETEXT, last, 1);
  pool_free(POOL_MEMORY_POOL, big, static_cast<int32_t>(room - 1));
  EXPECT_GE(pool_totals().bytesPeak, kPoolLimit);
}

TEST(Pool, CountersFollowAllocAndFree) {
  PoolStats before = pool_stats(POOL_SIMAN);
  PoolTotals totalBefore = pool_totals();
  char* a = static_cast<char*>(pool_allocZeroed(POOL_SIMAN, 100));
  ASSERT_NE(a, nullptr);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(a[i], 0);
  void* b = pool_alloc(POOL_SIMAN, 28);
  PoolStats mid = pool_stats(POOL_SIMAN);
  EXPECT_EQ(mid.allocCount - before.allocCount, 2);
  EXPECT_EQ(mid.bytesInUse - before.bytesInUse, 128);
  EXPECT_EQ(mid.bytesTotal - before.bytesTotal, 128);
  pool_free(POOL_SIMAN, a, 100);
  pool_free(POOL_SIMAN, b, 28);
  pool_free(POOL_SIMAN, nullptr, 50);  // a null block changes nothing
  PoolStats after = pool_stats(POOL_SIMAN);
  EXPECT_EQ(after.freeCount - before.freeCount, 2);
  EXPECT_EQ(after.bytesInUse, before.bytesInUse);
  EXPECT_EQ(after.bytesTotal - before.bytesTotal, 128);
  EXPECT_EQ(pool_totals().bytesInUse, totalBefore.bytesInUse);
}

TEST(Pool, ClearingStatisticsKeepsTheBytesInUse) {
  void* live = pool_alloc(POOL_XML, 40);
  pool_free(POOL_XML, pool_alloc(POOL_XML, 10), 10);
  pool_clearStats(POOL_XML);
  PoolStats cleared = pool_stats(POOL_XML);
  EXPECT_EQ(cleared.allocCount, 0);
  EXPECT_EQ(cleared.freeCount, 0);
  EXPECT_EQ(cleared.bytesInUse, 40);  // the live block is still charged
  EXPECT_EQ(cleared.bytesTotal, 40);
  pool_free(POOL_XML, live, 40);
  EXPECT_EQ(pool_stats(POOL_XML).bytesInUse, 0);
  EXPECT_EQ(pool_stats(POOL_XML).freeCount, 1);
}

TEST(Pool, BadRequestsGiveNull) {
  EXPECT_EQ(pool_alloc(-1, 10), nullptr);
  EXPECT_EQ(pool_alloc(kPoolCount, 10), nullptr);
  EXPECT_EQ(pool_alloc(POOL_APP, -5), nullptr);
  void* empty = pool_alloc(POOL_APP, 0);  // a zero-byte block is still a real block
  EXPECT_NE(empty, nullptr);
  pool_free(POOL_APP, empty, 0);
}

TEST(Pool, StrdupAndNames) {
  int64_t heapBefore = pool_stats(POOL_HEAP).bytesInUse;
  char* copy = pool_strdup("Astra");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "Astra");
  EXPECT_EQ(pool_stats(POOL_HEAP).bytesInUse - heapBefore, 6);
  heap_free(copy, 6);
  EXPECT_EQ(pool_strdup(nullptr), nullptr);

  EXPECT_STREQ(pool_name(POOL_CORE_PROCESS), "CORE_PROCESS");
  EXPECT_STREQ(pool_name(POOL_FTA_APPLICATION_MMI), "FTA APPLICATION MMI");
  EXPECT_STREQ(pool_name(POOL_MEMORY_POOL), "MEMORY POOL");
  EXPECT_STREQ(pool_name(59), "");
  EXPECT_NE(pool_report().find("TOTAL"), std::string::npos);
}

TEST(Pool, AllocatorChargesContainersAndThrowsAtTheLimit) {
  int64_t before = pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse;
  {
    std::vector<int, PoolAllocator<int, POOL_FTA_APPLICATION_ARRAY>> v(1000, 7);
    EXPECT_GE(pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse - before, 4000);
    std::map<int, int, std::less<int>, PoolAllocator<std::pair<const int, int>, POOL_FTA_APPLICATION_ARRAY>> m;
    m[1] = 2;
    EXPECT_THROW(v.reserve(static_cast<size_t>(kPoolLimit)), std::bad_alloc);
  }
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse, before);
}

}  // namespace
