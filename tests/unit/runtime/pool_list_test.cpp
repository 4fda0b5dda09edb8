#include "runtime/pool_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/pool.h"

namespace {

void* v(intptr_t n) { return reinterpret_cast<void*>(n); }
intptr_t n(void* p) { return reinterpret_cast<intptr_t>(p); }

// Values front to back, checking the back links on the way.
std::vector<intptr_t> values(const PoolList* list) {
  std::vector<intptr_t> out;
  const ListNode* prev = nullptr;
  for (const ListNode* node = list->first; node; node = node->next) {
    EXPECT_EQ(node->prev, prev);
    out.push_back(n(node->value));
    prev = node;
  }
  EXPECT_EQ(list->last, prev);
  return out;
}

int greater(void* a, void* b) { return n(a) > n(b) ? 1 : 0; }
int always(void*, void*) { return 1; }
int never(void*, void*) { return 0; }

TEST(PoolList, AppendPrependRemove) {
  PoolList* list = list_create();
  ASSERT_NE(list, nullptr);
  list_append(list, "b", v(2));
  ListNode* first = list_prepend(list, "a", v(1));
  ListNode* last = list_append(list, "c", v(3));
  EXPECT_EQ(values(list), (std::vector<intptr_t>{1, 2, 3}));
  EXPECT_EQ(list_count(list), 3);
  EXPECT_EQ(n(list_findKey(list, "b")), 2);
  EXPECT_EQ(list_findKey(list, "z"), nullptr);
  EXPECT_EQ(list_findValue(list, v(3)), last);

  list_remove(list, first);
  EXPECT_EQ(values(list), (std::vector<intptr_t>{2, 3}));
  list_remove(list, last);
  EXPECT_EQ(values(list), (std::vector<intptr_t>{2}));
  list_remove(list, list->first);
  EXPECT_EQ(list->first, nullptr);
  EXPECT_EQ(list->last, nullptr);
  EXPECT_EQ(list_count(list), 0);
  list_destroy(list);
  EXPECT_EQ(list_count(nullptr), 0);
}

TEST(PoolList, InsertOrdered) {
  struct Case {
    const char* name;
    ListCompare compare;
    std::vector<intptr_t> inserts;
    std::vector<intptr_t> expected;
  };
  const Case cases[] = {
      // A new value walks back past every smaller one: the list stays in descending order.
      {"walks back past smaller values", greater, {5, 1, 3, 9, 3}, {9, 5, 3, 3, 1}},
      {"always 1 puts each at the front", always, {1, 2, 3}, {3, 2, 1}},
      {"never 1 appends", never, {1, 2, 3}, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PoolList* list = list_create();
    for (intptr_t x : c.inserts) list_insertOrdered(list, nullptr, v(x), c.compare);
    EXPECT_EQ(values(list), c.expected);
    list_destroy(list);
  }
}

TEST(PoolList, ArenaExhaustionFallsBackToThePoolAndRecovers) {
  ASSERT_EQ(list_storeInit(), 0);
  PoolList* list = list_create();
  int arenaFree = list_storeFreeNodes();
  std::vector<ListNode*> nodes;
  for (int i = 0; i < arenaFree; ++i) nodes.push_back(list_append(list, nullptr, v(i)));
  EXPECT_EQ(list_storeFreeNodes(), 0);

  int64_t listPoolBefore = pool_stats(POOL_LIST).bytesInUse;
  ListNode* extra = list_append(list, nullptr, v(-1));
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(pool_stats(POOL_LIST).bytesInUse - listPoolBefore, static_cast<int64_t>(sizeof(ListNode)));
  list_remove(list, extra);
  EXPECT_EQ(pool_stats(POOL_LIST).bytesInUse, listPoolBefore);

  // Arena nodes freed out of order come back and are handed out again.
  for (size_t i = 0; i < nodes.size(); i += 2) list_remove(list, nodes[i]);
  EXPECT_EQ(list_storeFreeNodes(), static_cast<int>((nodes.size() + 1) / 2));
  ListNode* reused = list_append(list, nullptr, v(7));
  EXPECT_EQ(pool_stats(POOL_LIST).bytesInUse, listPoolBefore);
  EXPECT_NE(reused, nullptr);
  list_destroy(list);
  EXPECT_EQ(list_storeFreeNodes(), arenaFree);
}

TEST(PoolList, ShutdownKeepsTheArenaWhileNodesAreInUse) {
  ASSERT_EQ(list_storeInit(), 0);
  const int64_t before = pool_stats(POOL_LIST).bytesInUse;
  PoolList* list = list_create();
  ASSERT_NE(list_append(list, "late", v(1)), nullptr);
  list_storeShutdown();  // a listener chain outlives the store's shutdown
  EXPECT_EQ(list_findKey(list, "late"), v(1));
  list_destroy(list);  // its node goes back to the arena, not to the heap as a stray block
  EXPECT_EQ(pool_stats(POOL_LIST).bytesInUse, before);
  list_storeShutdown();
  EXPECT_EQ(pool_stats(POOL_LIST).bytesInUse,
            before - kListArenaNodes * static_cast<int64_t>(sizeof(ListNode) + sizeof(int32_t)));
  ASSERT_EQ(list_storeInit(), 0);  // and it can start again
}

}  // namespace
