#pragma once
// `Array`: a ring of fixed capacity that grows and shrinks only at its two ends. The storage is
// charged to pool POOL_FTA_APPLICATION_ARRAY; a position is the address of a slot. A full ring refuses
// new values (1) and never overwrites.
#include "store/containers/list.h"

class Array : public List {
 public:
  ORB_CLASS(Array, 4, List)
  // The argument points to the capacity (int32_t); 0, a missing capacity or no storage refuse.
  static int classInit(Object* self, void* argument);
  static void classDestroy(Object* self);  // frees the storage, not the values

  ListValue* storage = nullptr;
  int32_t start = 0;
  int32_t capacity = 0;

  ListPos first() override { return slot(start); }
  ListPos last() override { return slot(start + count - 1); }
  ListPos prev(ListPos p) override;
  ListPos next(ListPos p) override;
  int insert(ListPos p, ListValue value) override;  // none appends; the first slot prepends
  int remove(ListPos p) override;                   // only the first or the last slot
  int get(ListPos p, ListValue* out) override;
  int swap(ListPos a, ListPos b) override;
  int distance(ListPos a, ListPos b) override;
  ListPos middle(ListPos a, ListPos b) override;

 private:
  ListPos slot(int64_t logicalFromStorage) const;
  int indexOf(ListPos p) const;  // storage index of a slot address, -1 for anything else
  int logical(int index) const { return (index - start + capacity) % capacity; }
  bool holdsElement(ListPos p) const;
};

Array* arrayNew(int32_t capacity);
