#pragma once
// The pooled doubly-linked list the runtime uses for its own chains (key listeners and similar).
// Nodes come from a preallocated arena of 2048 nodes (pool POOL_LIST); when the arena is exhausted
// they come from the pool directly and go back to it when freed.
#include <cstdint>

struct ListNode {
  ListNode* prev;
  ListNode* next;
  void* value;      // an integer or a pointer
  const char* key;  // often a name
};

struct PoolList {
  ListNode* first;
  ListNode* last;
};

constexpr int kListArenaNodes = 2048;

// Takes the arena and its free ring from pool POOL_LIST (done on first use when not called).
int list_storeInit();
// Returns the arena to the pool. While any arena node is still in a list the arena is kept, so that
// such a node can still be removed safely.
void list_storeShutdown();
int list_storeFreeNodes();  // arena nodes currently free

using ListCompare = int (*)(void* value, void* nodeValue);

PoolList* list_create();
ListNode* list_append(PoolList* list, const char* key, void* value);
ListNode* list_prepend(PoolList* list, const char* key, void* value);
// Walks from the last node towards the first while compare(value, node.value) is 1, and inserts after
// the node where the walk stopped (at the front if it ran off the front).
ListNode* list_insertOrdered(PoolList* list, const char* key, void* value, ListCompare compare);
void list_remove(PoolList* list, ListNode* node);
void list_destroy(PoolList* list);  // keys and values are not freed
int list_count(const PoolList* list);
ListNode* list_findValue(const PoolList* list, void* value);
void* list_findKey(const PoolList* list, const char* name);  // the value of the first node whose key equals name
