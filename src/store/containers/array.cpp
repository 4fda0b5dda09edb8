#include "store/containers/array.h"

#include "runtime/pool.h"

int Array::classInit(Object* self, void* argument) {
  if (!object_initAsParent(self, nullptr, kClassId)) return 0;
  auto* array = static_cast<Array*>(self);
  int32_t capacity = argument ? *static_cast<const int32_t*>(argument) : 0;
  if (capacity <= 0 || capacity > INT32_MAX / static_cast<int32_t>(sizeof(ListValue))) return 0;
  array->storage = static_cast<ListValue*>(pool_allocZeroed(POOL_FTA_APPLICATION_ARRAY, capacity * sizeof(ListValue)));
  if (!array->storage) return 0;
  array->capacity = capacity;
  return 1;
}

void Array::classDestroy(Object* self) {
  auto* array = static_cast<Array*>(self);
  pool_free(POOL_FTA_APPLICATION_ARRAY, array->storage, array->capacity * sizeof(ListValue));
  array->storage = nullptr;
  array->capacity = 0;
  array->count = 0;
}

ListPos Array::slot(int64_t index) const {
  int64_t i = ((index % capacity) + capacity) % capacity;
  return reinterpret_cast<ListPos>(storage + i);
}

int Array::indexOf(ListPos p) const {
  auto address = reinterpret_cast<uintptr_t>(p);
  auto begin = reinterpret_cast<uintptr_t>(storage);
  if (!storage || address < begin) return -1;
  uintptr_t offset = address - begin;
  if (offset % sizeof(ListValue) != 0 || offset / sizeof(ListValue) >= static_cast<uintptr_t>(capacity)) return -1;
  return static_cast<int>(offset / sizeof(ListValue));
}

bool Array::holdsElement(ListPos p) const {
  int index = indexOf(p);
  return index >= 0 && logical(index) < count;
}

ListPos Array::prev(ListPos p) {
  int index = indexOf(p);
  return index < 0 ? nullptr : slot(index - 1);
}

ListPos Array::next(ListPos p) {
  int index = indexOf(p);
  return index < 0 ? nullptr : slot(index + 1);
}

int Array::insert(ListPos p, ListValue value) {
  if (p && p != first()) return 2;
  if (count >= capacity) return 1;
  if (p && count > 0) {
    start = (start - 1 + capacity) % capacity;
    storage[start] = value;
  } else {
    storage[(start + count) % capacity] = value;
  }
  return 0;
}

int Array::remove(ListPos p) {
  if (count <= 0 || !p || (p != first() && p != last())) return 2;
  if (count == 1)
    start = 0;
  else if (p == first())
    start = (start + 1) % capacity;
  return 0;
}

int Array::get(ListPos p, ListValue* out) {
  if (!out) return 2;
  *out = nullptr;
  if (!holdsElement(p)) return 2;
  *out = storage[indexOf(p)];
  return 0;
}

int Array::swap(ListPos a, ListPos b) {
  if (!holdsElement(a) || !holdsElement(b)) return 2;
  ListValue& x = storage[indexOf(a)];
  ListValue& y = storage[indexOf(b)];
  ListValue v = x;
  x = y;
  y = v;
  return 0;
}

int Array::distance(ListPos a, ListPos b) {
  int ia = indexOf(a);
  if (ia < 0) return -1;
  int la = logical(ia);
  if (!b) return count - 1 - la + 1;
  int ib = indexOf(b);
  if (ib < 0) return -1;
  int lb = logical(ib);
  return lb >= la ? lb - la : -1;
}

ListPos Array::middle(ListPos a, ListPos b) {
  int d = distance(a, b);
  if (d <= 2) return a;
  return slot(indexOf(a) + d / 2 + 1);
}

Array* arrayNew(int32_t capacity) { return object_create<Array>(&capacity); }
