#pragma once
// `LinkedList`: a doubly linked list whose nodes are charged to pool POOL_FTA_APPLICATION.
#include "store/containers/list.h"

class LinkedList : public List {
 public:
  ORB_CLASS(LinkedList, 3, List)
  static int classInit(Object* self, void* argument);
  static void classDestroy(Object* self);  // frees the nodes, not the values

  struct Node {
    ListValue value;
    Node* next;
    Node* prev;
  };
  Node* head = nullptr;
  Node* tail = nullptr;

  ListPos first() override { return pos(head); }
  ListPos last() override { return pos(tail); }
  ListPos prev(ListPos p) override { return p ? pos(node(p)->prev) : nullptr; }
  ListPos next(ListPos p) override { return p ? pos(node(p)->next) : nullptr; }
  int insert(ListPos p, ListValue value) override;
  int remove(ListPos p) override;
  int get(ListPos p, ListValue* out) override;
  int swap(ListPos a, ListPos b) override;
  int distance(ListPos a, ListPos b) override;
  ListPos middle(ListPos a, ListPos b) override;

 private:
  static Node* node(ListPos p) { return reinterpret_cast<Node*>(p); }
  static ListPos pos(Node* n) { return reinterpret_cast<ListPos>(n); }
};

LinkedList* linkedListNew();
