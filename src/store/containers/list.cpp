#include "store/containers/list.h"

#include <utility>

#include "store/containers/filter.h"

int List::classInit(Object* self, void* argument) {
  (void)argument;
  if (self->classId == kClassId) return 0;  // only its kinds are made
  return object_initAsParent(self, nullptr, kClassId);
}

int List::erase(ListPos position) {
  ListValue value = nullptr;
  if (get(position, &value) != 0) return 2;
  int result = remove(position);
  if (result == 0) object_delete(static_cast<Object*>(value));
  return result;
}

int List::get(ListPos, ListValue* out) {
  if (out) *out = nullptr;
  return 2;
}

int count(const List* list) { return list ? list->count : 0; }

int insertBefore(List* list, ListPos position, ListValue value) {
  if (!list) return 2;
  int result = list->insert(position, value);
  if (result == 0) ++list->count;
  return result;
}

int append(List* list, ListValue value) { return insertBefore(list, nullptr, value); }

int prepend(List* list, ListValue value) { return list ? insertBefore(list, list->first(), value) : 2; }

int removeAt(List* list, ListPos position) {
  if (!list || list->count <= 0) return 2;
  int result = list->remove(position);
  if (result == 0) --list->count;
  return result;
}

ListPos firstPos(List* list) { return list && list->count > 0 ? list->first() : nullptr; }

ListPos lastPos(List* list) { return list && list->count > 0 ? list->last() : nullptr; }

ListPos nextPos(List* list, ListPos position) {
  if (!list || !position || list->count <= 0 || position == list->last()) return nullptr;
  return list->next(position);
}

ListPos prevPos(List* list, ListPos position) {
  if (!list || !position || list->count <= 0 || position == list->first()) return nullptr;
  return list->prev(position);
}

bool hasNext(List* list, ListPos position) { return nextPos(list, position) != nullptr; }

bool hasPrev(List* list, ListPos position) { return prevPos(list, position) != nullptr; }

int valueAt(List* list, ListPos position, ListValue* out) {
  if (out) *out = nullptr;
  if (!list || !position || !out) return 2;
  return list->get(position, out);
}

int forEach(List* list, ListEach fn, void* user) {
  if (!list || !fn) return 2;
  // Note the next position before the call, so fn may remove the element it was given.
  for (ListPos p = firstPos(list); p;) {
    ListPos following = nextPos(list, p);
    ListValue value = nullptr;
    list->get(p, &value);
    if (fn(value, user) != 0) return 2;
    p = following;
  }
  return 0;
}

namespace {

bool passes(List* list, ListPos position, Filter* filter) {
  if (!filter) return true;
  ListValue value = nullptr;
  list->get(position, &value);
  return filterTest(filter, value) == 0;
}

ListPos searchForward(List* list, ListPos from, Filter* filter) {
  for (ListPos p = from; p; p = nextPos(list, p))
    if (passes(list, p, filter)) return p;
  return nullptr;
}

ListPos searchBackward(List* list, ListPos from, Filter* filter) {
  for (ListPos p = from; p; p = prevPos(list, p))
    if (passes(list, p, filter)) return p;
  return nullptr;
}

}  // namespace

ListPos findFirst(List* list, Filter* filter) { return searchForward(list, firstPos(list), filter); }

ListPos findLast(List* list, Filter* filter) { return searchBackward(list, lastPos(list), filter); }

ListPos findNext(List* list, ListPos position, Filter* filter) {
  return searchForward(list, nextPos(list, position), filter);
}

ListPos findPrev(List* list, ListPos position, Filter* filter) {
  return searchBackward(list, prevPos(list, position), filter);
}

ListPos findFrom(List* list, ListPos position, Filter* filter) {
  return list && list->count > 0 ? searchForward(list, position, filter) : nullptr;
}

bool contains(List* list, ListPos position) {
  if (!position) return false;
  // Bounded by the count: an array's slots wrap round.
  ListPos p = firstPos(list);
  for (int i = 0; p && i < count(list); ++i, p = list->next(p))
    if (p == position) return true;
  return false;
}

int positionDistance(List* list, ListPos a, ListPos b) {
  if (!list || !a) return -1;
  if (a == b) return 0;
  return list->distance(a, b);
}

namespace {

// A pending range of the sort: n values from lo; hi is the position after the range (none = the end).
struct SortRange {
  ListPos lo;
  ListPos hi;
  int n;
};

// Partitions a range around the value at middle(lo, hi) and returns the pivot's final position and
// index. The scans are bounded by indices, not by the comparison, so an inconsistent comparison can
// neither run them off the range nor keep them going.
struct Split {
  ListPos pivot;
  int pivotIndex;
  ListPos right;  // the position after the pivot
};

Split partition(List* list, const SortRange& r, ListCompare compare) {
  ListPos pivot = list->middle(r.lo, r.hi);
  if (pivot && pivot != r.lo) list->swap(pivot, r.lo);
  ListValue p = nullptr;
  list->get(r.lo, &p);
  auto value = [&](ListPos at) {
    ListValue v = nullptr;
    list->get(at, &v);
    return v;
  };
  // Invariant: [1, ii) holds values <= pivot, (jj, n-1] values >= pivot. Both scans stop on equal
  // values, so runs of equal values split evenly instead of going all to one side.
  ListPos i = list->next(r.lo);
  int ii = 1;
  ListPos j = r.hi ? list->prev(r.hi) : list->last();
  int jj = r.n - 1;
  for (;;) {
    while (ii <= jj && compare(value(i), p) < 0) i = list->next(i), ++ii;
    while (jj >= ii && compare(value(j), p) > 0) j = list->prev(j), --jj;
    if (ii >= jj) {
      // Met on one value that compared both ways (only an inconsistent comparison does that): it
      // joins the left part.
      if (ii == jj) i = list->next(i), ++ii;
      break;
    }
    list->swap(i, j);
    i = list->next(i), ++ii;
    j = list->prev(j), --jj;
  }
  // Here ii == jj + 1: j is the last value of the left part, i the first of the right part.
  if (jj > 0) list->swap(r.lo, j);
  return {j, jj, i};
}

}  // namespace

int sort(List* list, ListCompare compare) {
  if (!list || !compare) return 2;
  if (list->count < 2) return 0;
  // The smaller part is always sorted first, so the stack holds at most log2(count) + 1 ranges.
  constexpr int kStack = 64;
  SortRange stack[kStack];
  int top = 0;
  stack[top++] = {list->first(), nullptr, list->count};
  while (top > 0) {
    SortRange r = stack[--top];
    if (r.n < 2) continue;
    Split s = partition(list, r, compare);
    SortRange left{r.lo, s.pivot, s.pivotIndex};
    SortRange right{s.right, r.hi, r.n - 1 - s.pivotIndex};
    if (left.n < right.n) std::swap(left, right);
    if (left.n > 1) stack[top++] = left;  // the larger part waits
    if (right.n > 1) stack[top++] = right;
  }
  return 0;
}

int clear(List* list) {
  if (!list) return 2;
  while (list->count > 0) {
    int result = removeAt(list, list->last());
    if (result != 0) return result;
  }
  return 0;
}

int clearAndDestroy(List* list) {
  if (!list) return 2;
  while (list->count > 0) {
    int result = list->erase(list->last());
    if (result != 0) return result;
    --list->count;
  }
  return 0;
}
