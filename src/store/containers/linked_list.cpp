#include "store/containers/linked_list.h"

#include "runtime/pool.h"

int LinkedList::classInit(Object* self, void* argument) { return object_initAsParent(self, argument, kClassId); }

void LinkedList::classDestroy(Object* self) {
  auto* list = static_cast<LinkedList*>(self);
  for (Node* n = list->head; n;) {
    Node* following = n->next;
    pool_free(POOL_FTA_APPLICATION, n, sizeof(Node));
    n = following;
  }
  list->head = list->tail = nullptr;
  list->count = 0;
}

int LinkedList::insert(ListPos p, ListValue value) {
  auto* n = static_cast<Node*>(pool_alloc(POOL_FTA_APPLICATION, sizeof(Node)));
  if (!n) return 1;
  n->value = value;
  Node* before = node(p);
  if (before == head) {  // also the empty list, where both are none
    n->prev = nullptr;
    n->next = head;
    if (head) head->prev = n;
    head = n;
    if (!tail) tail = n;
  } else if (before) {
    n->next = before;
    n->prev = before->prev;
    before->prev->next = n;
    before->prev = n;
  } else {
    n->next = nullptr;
    n->prev = tail;
    tail->next = n;
    tail = n;
  }
  return 0;
}

int LinkedList::remove(ListPos p) {
  Node* n = node(p);
  if (!n) return 2;
  (n->prev ? n->prev->next : head) = n->next;
  (n->next ? n->next->prev : tail) = n->prev;
  pool_free(POOL_FTA_APPLICATION, n, sizeof(Node));
  return 0;
}

int LinkedList::get(ListPos p, ListValue* out) {
  if (!out) return 2;
  *out = p ? node(p)->value : nullptr;
  return p ? 0 : 2;
}

int LinkedList::swap(ListPos a, ListPos b) {
  if (!a || !b) return 2;
  ListValue v = node(a)->value;
  node(a)->value = node(b)->value;
  node(b)->value = v;
  return 0;
}

int LinkedList::distance(ListPos a, ListPos b) {
  int steps = 0;
  for (Node* n = node(a); n; n = n->next, ++steps)
    if (pos(n) == b) return steps;
  return b ? -1 : steps;
}

ListPos LinkedList::middle(ListPos a, ListPos b) {
  Node* lo = node(a);
  Node* hi = b ? node(b) : tail;
  // The far end steps first, so an end that lies just after the range still meets inside it.
  for (bool stepHigh = true; lo && hi && lo != hi; stepHigh = !stepHigh) {
    if (stepHigh)
      hi = hi->prev;
    else
      lo = lo->next;
  }
  return lo && hi ? pos(lo) : a;
}

LinkedList* linkedListNew() { return object_create<LinkedList>(); }
