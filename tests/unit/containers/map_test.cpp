#include "store/containers/map.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "runtime/pool.h"
#include "store/containers/filter.h"
#include "store/containers/key_cells.h"

namespace {

void* box(intptr_t v) { return reinterpret_cast<void*>(v); }
intptr_t unbox(void* v) { return reinterpret_cast<intptr_t>(v); }

// Checks every red-black property, the parent links, the key order and the count; "" when all hold.
std::string redBlackFault(Map* map) {
  const MapNode* nil = &map->sentinel;
  if (nil->colour != kMapBlack) return "red sentinel";
  if (map->root == nil) return map->count == 0 ? "" : "count of an empty tree";
  if (map->root->colour != kMapBlack) return "red root";
  if (map->root->parent != nil) return "root parent";
  std::string fault;
  int nodes = 0;
  // Returns the black height of the subtree.
  auto walk = [&](auto&& self, const MapNode* n, const void* low, const void* high) -> int {
    if (n == nil) return 1;
    ++nodes;
    if (low && map->compare(n->key, low) <= 0) fault = "order";
    if (high && map->compare(n->key, high) >= 0) fault = "order";
    if (n->colour == kMapRed && (n->left->colour == kMapRed || n->right->colour == kMapRed)) fault = "red red";
    if (n->left != nil && n->left->parent != n) fault = "parent link";
    if (n->right != nil && n->right->parent != n) fault = "parent link";
    int lh = self(self, n->left, low, n->key);
    int rh = self(self, n->right, n->key, high);
    if (lh != rh) fault = "black height";
    return lh + (n->colour == kMapBlack ? 1 : 0);
  };
  walk(walk, map->root, nullptr, nullptr);
  if (fault.empty() && nodes != map->count) fault = "count";
  return fault;
}

std::map<int32_t, intptr_t> contents(Map* map) {
  std::map<int32_t, intptr_t> out;
  for (MapNode* n = mapFirst(map); n; n = mapNext(map, n)) out[*static_cast<int32_t*>(n->key)] = unbox(n->value);
  return out;
}

// Long random sequences of every change, against std::map, with the tree checked after each step.
// Keys come from key cells, over the whole 32-bit range and from a narrow band (many hits).
TEST(Map, RandomOperationsAgreeWithStdMap) {
  int64_t nodes = pool_stats(POOL_FTA_APPLICATION).bytesInUse;
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Map* map = mapNew(mapCompareInt);
    ASSERT_NE(map, nullptr);
    std::map<int32_t, intptr_t> model;
    auto randomKey = [&] {
      switch (rng() % 4) {
        case 0:
          return static_cast<int32_t>(rng());
        case 1:
          return rng() % 2 ? INT32_MIN : INT32_MAX;
        default:
          return static_cast<int32_t>(rng() % 600) - 300;
      }
    };
    for (int step = 0; step < 12000; ++step) {
      int32_t key = randomKey();
      MapNode* found = mapFind(map, &key);
      ASSERT_EQ(found != nullptr, model.count(key) == 1) << "step " << step;
      switch (rng() % 5) {
        case 0:
        case 1: {
          int32_t* cell = keyCellTake();
          *cell = key;
          int result = mapInsert(map, cell, box(step));
          ASSERT_EQ(result, model.count(key) ? 2 : 0);
          if (result != 0) keyCellRelease(cell);
          model.emplace(key, step);
          break;
        }
        case 2:
          if (found) {
            ASSERT_EQ(mapRemoveFreeKey(map, found), 0);
            model.erase(key);
          }
          break;
        case 3:
          // Remove the first or last entry, which exercises both ends of the tree.
          if (MapNode* end = rng() % 2 ? mapFirst(map) : mapLast(map)) {
            model.erase(*static_cast<int32_t*>(end->key));
            ASSERT_EQ(mapRemoveFreeKey(map, end), 0);
          }
          break;
        case 4:
          if (found) {
            void* k = nullptr;
            void* v = nullptr;
            ASSERT_EQ(mapEntry(map, found, &k, &v), 0);
            EXPECT_EQ(*static_cast<int32_t*>(k), key);
            EXPECT_EQ(unbox(v), model[key]);
          }
          break;
      }
      ASSERT_EQ(redBlackFault(map), "") << "step " << step;
      ASSERT_EQ(mapCount(map), static_cast<int>(model.size()));
    }
    EXPECT_EQ(contents(map), model);
    // Both walks visit the entries in key order.
    std::vector<int32_t> back;
    for (MapNode* n = mapLast(map); n; n = mapPrev(map, n)) back.insert(back.begin(), *static_cast<int32_t*>(n->key));
    std::vector<int32_t> keys;
    for (auto& [k, v] : model) keys.push_back(k);
    EXPECT_EQ(back, keys);
    ASSERT_EQ(mapClearFreeKeys(map), 0);
    EXPECT_EQ(mapCount(map), 0);
    EXPECT_EQ(mapFirst(map), nullptr);
    object_delete(map);
  }
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse, nodes);
}

TEST(Map, StringKeysOrderByUnsignedBytesShorterFirst) {
  std::mt19937 rng(4);
  std::vector<std::string> pool;
  for (int i = 0; i < 500; ++i) {
    std::string s;
    for (int n = static_cast<int>(rng() % 4); n > 0; --n) s += static_cast<char>("a\x01\xff"[rng() % 3]);
    pool.push_back(s);
  }
  Map* map = mapNew(mapCompareString);
  std::map<std::string, int> model;  // std::string compares char_traits<char>: unsigned bytes
  for (size_t i = 0; i < pool.size(); ++i) {
    int expected = model.count(pool[i]) ? 2 : 0;
    ASSERT_EQ(mapInsert(map, pool[i].data(), box(static_cast<intptr_t>(i))), expected);
    model.emplace(pool[i], static_cast<int>(i));
    ASSERT_EQ(redBlackFault(map), "");
  }
  std::vector<std::string> order;
  for (MapNode* n = mapFirst(map); n; n = mapNext(map, n)) order.emplace_back(static_cast<const char*>(n->key));
  std::vector<std::string> expected;
  for (auto& [k, v] : model) expected.push_back(k);
  EXPECT_EQ(order, expected);
  EXPECT_LT(mapCompareString("ab", "abc"), 0);
  EXPECT_GT(mapCompareString("\xff", "a"), 0);
  object_delete(map);
}

TEST(Map, IntegerComparisonNeverOverflows) {
  const int32_t cases[][3] = {
      {INT32_MIN, INT32_MAX, -1}, {INT32_MAX, INT32_MIN, 1}, {INT32_MIN, 1, -1}, {-1, INT32_MAX, -1}, {7, 7, 0},
  };
  for (auto& c : cases) EXPECT_EQ(mapCompareInt(&c[0], &c[1]), c[2]) << c[0] << " vs " << c[1];
}

TEST(Map, DuplicateMissingAndNoneAreRefused) {
  EXPECT_EQ(mapNew(nullptr), nullptr);
  Map* map = mapNew(mapCompareInt);
  int32_t k1 = 1, also1 = 1;
  EXPECT_EQ(mapInsert(map, &k1, box(10)), 0);
  EXPECT_EQ(mapInsert(map, &also1, box(20)), 2);
  EXPECT_EQ(unbox(mapFind(map, &k1)->value), 10);
  int32_t k2 = 2;
  EXPECT_EQ(mapFind(map, &k2), nullptr);
  EXPECT_EQ(mapInsert(map, nullptr, box(30)), 2);  // an integer map needs a boxed integer
  EXPECT_EQ(mapFind(map, nullptr), nullptr);
  void* key = box(1);
  void* value = box(1);
  EXPECT_EQ(mapEntry(map, nullptr, &key, &value), 2);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(mapRemove(map, nullptr), 2);
  EXPECT_EQ(mapForEach(map, nullptr, nullptr), 1);
  EXPECT_EQ(mapForEach(
                nullptr, [](void*, void*, void*) { return 0; }, nullptr),
            1);
  EXPECT_TRUE(mapContains(map, mapFind(map, &k1)));
  EXPECT_FALSE(mapContains(map, reinterpret_cast<MapNode*>(&k2)));
  object_delete(map);
}

// Removing a node with two children moves its successor's entry into it.
TEST(Map, RemovalMovesTheSuccessorEntryIntoTheRemovedNode) {
  Map* map = mapNew(mapCompareInt);
  int32_t keys[] = {20, 10, 30, 25, 35};
  for (int32_t& k : keys) mapInsert(map, &k, box(k));
  MapNode* twenty = mapFind(map, &keys[0]);
  ASSERT_NE(twenty->left, &map->sentinel);
  ASSERT_NE(twenty->right, &map->sentinel);
  ASSERT_EQ(mapRemove(map, twenty), 0);
  EXPECT_EQ(*static_cast<int32_t*>(twenty->key), 25);
  EXPECT_EQ(mapFind(map, &keys[3]), twenty);
  EXPECT_EQ(mapFind(map, &keys[0]), nullptr);
  EXPECT_EQ(redBlackFault(map), "");
  object_delete(map);
}

// mapForEach visits every entry once in key order, whatever the callback removes.
TEST(Map, ForEachToleratesRemoval) {
  struct Walk {
    Map* map;
    std::vector<int32_t> seen;
    int mode;
  };
  enum { kKeep, kRemoveVisited, kRemoveVisitedIfEven, kRemoveVisitedAndNext, kRemoveNext, kStopAtFive };
  auto visit = [](void* key, void*, void* user) {
    auto* w = static_cast<Walk*>(user);
    int32_t k = *static_cast<int32_t*>(key);
    w->seen.push_back(k);
    MapNode* self = mapFind(w->map, &k);
    MapNode* next = mapNext(w->map, self);
    switch (w->mode) {
      case kRemoveVisited:
        mapRemove(w->map, self);
        break;
      case kRemoveVisitedIfEven:  // inner nodes too, with two children and a successor below them
        if (k % 2 == 0) mapRemove(w->map, self);
        break;
      case kRemoveVisitedAndNext:
        if (next) {
          mapRemove(w->map, next);
          mapRemove(w->map, mapFind(w->map, &k));
        } else {
          mapRemove(w->map, self);
        }
        break;
      case kRemoveNext:
        if (next) mapRemove(w->map, next);
        break;
      case kStopAtFive:
        return k == 5 ? 1 : 0;
    }
    return 0;
  };
  struct Case {
    int mode;
    std::vector<int32_t> seen;
    int left;
    int result;
  };
  const Case cases[] = {
      {kKeep, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 12, 0},
      {kRemoveVisited, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0, 0},
      {kRemoveVisitedIfEven, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 6, 0},
      {kRemoveVisitedAndNext, {0, 2, 4, 6, 8, 10}, 0, 0},
      {kRemoveNext, {0, 2, 4, 6, 8, 10}, 6, 0},
      {kStopAtFive, {0, 1, 2, 3, 4, 5}, 12, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    // Several insertion orders give several shapes, so removals hit nodes with two children.
    for (uint32_t seed : {1u, 2u, 3u}) {
      std::vector<int32_t> keys(12);
      for (int i = 0; i < 12; ++i) keys[i] = i;
      std::shuffle(keys.begin(), keys.end(), std::mt19937(seed));
      std::vector<int32_t> cells(keys);  // stable storage for the keys
      Map* map = mapNew(mapCompareInt);
      for (int32_t& k : cells) mapInsert(map, &k, nullptr);
      Walk w{map, {}, c.mode};
      EXPECT_EQ(mapForEach(map, visit, &w), c.result);
      EXPECT_EQ(w.seen, c.seen);
      EXPECT_EQ(mapCount(map), c.left);
      EXPECT_EQ(redBlackFault(map), "");
      object_delete(map);
    }
  }
}

TEST(Map, FindNextAndPrevApplyTheFilter) {
  Map* map = mapNew(mapCompareInt);
  int32_t keys[] = {1, 2, 3, 4, 5, 6};
  for (int32_t& k : keys) mapInsert(map, &k, box(k));
  Filter* even = filterNew([](void* v, void*) { return static_cast<int>(unbox(v) % 2); }, nullptr);
  MapNode* n = mapFindNext(map, nullptr, even);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(unbox(n->value), 2);
  EXPECT_EQ(unbox(mapFindNext(map, n, even)->value), 4);
  EXPECT_EQ(mapFindNext(map, mapFind(map, &keys[5]), even), nullptr);
  EXPECT_EQ(unbox(mapFindPrev(map, nullptr, even)->value), 6);
  EXPECT_EQ(unbox(mapFindPrev(map, mapFind(map, &keys[3]), even)->value), 2);
  EXPECT_EQ(unbox(mapFindNext(map, n, nullptr)->value), 3);
  object_delete(even);
  object_delete(map);
}

// mapClearDestroy destroys the values (the last reference frees its target) and releases the keys,
// cells and pool blocks alike.
TEST(Map, ClearDestroyReleasesValuesAndKeys) {
  int64_t nodes = pool_stats(POOL_FTA_APPLICATION).bytesInUse;
  int64_t objects = pool_stats(POOL_FTA_APPLICATION_OBJECT).bytesInUse;
  Map* map = mapNew(mapCompareInt);
  for (int32_t i = 0; i < 100; ++i) {
    int32_t* key = i % 2 ? keyCellTake() : static_cast<int32_t*>(pool_alloc(POOL_FTA_APPLICATION, 4));
    *key = i;
    ASSERT_EQ(mapInsert(map, key, reference_new(mapNew(mapCompareInt))), 0);
  }
  EXPECT_EQ(mapClearDestroy(map), 0);
  EXPECT_EQ(mapCount(map), 0);
  object_delete(map);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse, nodes);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_OBJECT).bytesInUse, objects);
}

TEST(KeyCells, FullStoreFallsBackToPoolBlocks) {
  int64_t before = pool_stats(POOL_FTA_APPLICATION).bytesInUse;
  std::vector<int32_t*> cells;
  for (int i = 0; i < kKeyCells; ++i) cells.push_back(keyCellTake());
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse, before);
  int32_t* extra = keyCellTake();
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse, before + 4);
  // A released cell is the next one taken.
  keyCellRelease(cells[100]);
  EXPECT_EQ(keyCellTake(), cells[100]);
  keyCellRelease(extra);
  for (int32_t* c : cells) keyCellRelease(c);
  keyCellRelease(nullptr);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse, before);
}

}  // namespace
