#include "runtime/pool_list.h"

#include <cstring>
#include <mutex>

#include "runtime/pool.h"

namespace {

// The node store: an arena and a ring of free arena indices. `head` is where the next free index is
// taken, `count` how many are in the ring, which tells a full ring from an empty one.
struct NodeStore {
  std::mutex lock;
  ListNode* arena = nullptr;
  int32_t* ring = nullptr;
  int head = 0;
  int count = 0;
};
NodeStore g_store;

constexpr int32_t kArenaBytes = kListArenaNodes * static_cast<int32_t>(sizeof(ListNode));
constexpr int32_t kRingBytes = kListArenaNodes * static_cast<int32_t>(sizeof(int32_t));

bool storeReady() {
  if (g_store.arena) return true;
  ListNode* arena = static_cast<ListNode*>(pool_allocZeroed(POOL_LIST, kArenaBytes));
  int32_t* ring = static_cast<int32_t*>(pool_alloc(POOL_LIST, kRingBytes));
  if (!arena || !ring) {
    pool_free(POOL_LIST, arena, kArenaBytes);
    pool_free(POOL_LIST, ring, kRingBytes);
    return false;
  }
  for (int i = 0; i < kListArenaNodes; ++i) ring[i] = i;
  g_store.arena = arena;
  g_store.ring = ring;
  g_store.head = 0;
  g_store.count = kListArenaNodes;
  return true;
}

ListNode* takeNode() {
  {
    std::lock_guard guard(g_store.lock);
    if (storeReady() && g_store.count > 0) {
      int index = g_store.ring[g_store.head];
      g_store.head = (g_store.head + 1) % kListArenaNodes;
      --g_store.count;
      return &g_store.arena[index];
    }
  }
  return static_cast<ListNode*>(pool_alloc(POOL_LIST, sizeof(ListNode)));
}

void giveNode(ListNode* node) {
  std::lock_guard guard(g_store.lock);
  if (g_store.arena && node >= g_store.arena && node < g_store.arena + kListArenaNodes) {
    g_store.ring[(g_store.head + g_store.count) % kListArenaNodes] = static_cast<int32_t>(node - g_store.arena);
    ++g_store.count;
  } else {
    pool_free(POOL_LIST, node, sizeof(ListNode));
  }
}

ListNode* newNode(const char* key, void* value) {
  ListNode* node = takeNode();
  if (node) *node = ListNode{nullptr, nullptr, value, key};
  return node;
}

// Links `node` after `after` (at the front when `after` is null).
void linkAfter(PoolList* list, ListNode* after, ListNode* node) {
  node->prev = after;
  node->next = after ? after->next : list->first;
  if (node->next)
    node->next->prev = node;
  else
    list->last = node;
  if (after)
    after->next = node;
  else
    list->first = node;
}

}  // namespace

int list_storeInit() {
  std::lock_guard guard(g_store.lock);
  return storeReady() ? 0 : -1;
}

void list_storeShutdown() {
  std::lock_guard guard(g_store.lock);
  // Nodes still in a list point into the arena: it stays (the program is ending) until they are back.
  if (g_store.arena && g_store.count < kListArenaNodes) return;
  pool_free(POOL_LIST, g_store.arena, kArenaBytes);
  pool_free(POOL_LIST, g_store.ring, kRingBytes);
  g_store.arena = nullptr;
  g_store.ring = nullptr;
  g_store.count = 0;
}

int list_storeFreeNodes() {
  std::lock_guard guard(g_store.lock);
  return g_store.arena ? g_store.count : kListArenaNodes;
}

PoolList* list_create() { return static_cast<PoolList*>(pool_allocZeroed(POOL_LIST, sizeof(PoolList))); }

ListNode* list_append(PoolList* list, const char* key, void* value) {
  if (!list) return nullptr;
  ListNode* node = newNode(key, value);
  if (node) linkAfter(list, list->last, node);
  return node;
}

ListNode* list_prepend(PoolList* list, const char* key, void* value) {
  if (!list) return nullptr;
  ListNode* node = newNode(key, value);
  if (node) linkAfter(list, nullptr, node);
  return node;
}

ListNode* list_insertOrdered(PoolList* list, const char* key, void* value, ListCompare compare) {
  if (!list || !compare) return list_append(list, key, value);
  ListNode* node = newNode(key, value);
  if (!node) return nullptr;
  ListNode* at = list->last;
  while (at && compare(value, at->value) == 1) at = at->prev;
  linkAfter(list, at, node);
  return node;
}

void list_remove(PoolList* list, ListNode* node) {
  if (!list || !node) return;
  if (node->prev)
    node->prev->next = node->next;
  else
    list->first = node->next;
  if (node->next)
    node->next->prev = node->prev;
  else
    list->last = node->prev;
  giveNode(node);
}

void list_destroy(PoolList* list) {
  if (!list) return;
  for (ListNode* node = list->first; node;) {
    ListNode* next = node->next;
    giveNode(node);
    node = next;
  }
  pool_free(POOL_LIST, list, sizeof(PoolList));
}

int list_count(const PoolList* list) {
  int n = 0;
  if (list)
    for (const ListNode* node = list->first; node; node = node->next) ++n;
  return n;
}

ListNode* list_findValue(const PoolList* list, void* value) {
  if (!list) return nullptr;
  for (ListNode* node = list->first; node; node = node->next)
    if (node->value == value) return node;
  return nullptr;
}

void* list_findKey(const PoolList* list, const char* name) {
  if (!list || !name) return nullptr;
  for (const ListNode* node = list->first; node; node = node->next)
    if (node->key && std::strcmp(node->key, name) == 0) return node->value;
  return nullptr;
}
