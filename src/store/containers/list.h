#pragma once
// The list family: `List` (abstract), with `LinkedList` and `Array` as its two kinds, and the generic
// operations that work on either through the list's eleven slot operations.
//
// An element is one pointer-sized value, usually a `Reference`. A position is an opaque handle (a
// node, or a slot of an array); none is null. The element count is kept by the generic operations
// below, so code outside this family uses those and never calls the slot operations directly.
//
// Result codes: 0 done; 1 out of memory, or array full; 2 bad argument, position not acceptable.
// Lists are not locked: a list shared between tasks is guarded by its owner.
#include <cstdint>

#include "runtime/object.h"

class Filter;

using ListValue = void*;
struct ListSlot;  // never defined: positions are only compared and handed back
using ListPos = ListSlot*;

class List : public Object {
 public:
  ORB_CLASS(List, 2, Object)
  static int classInit(Object* self, void* argument);  // refuses a bare List

  int32_t count = 0;

  // The slot operations. The base versions stand for empty slots: no positions, every change refused.
  virtual ListPos first() { return nullptr; }
  virtual ListPos last() { return nullptr; }
  virtual ListPos prev(ListPos) { return nullptr; }
  virtual ListPos next(ListPos) { return nullptr; }
  virtual int insert(ListPos, ListValue) { return 2; }  // before the position; at the end for none
  virtual int remove(ListPos) { return 2; }             // unlinks; the value is not touched
  virtual int erase(ListPos position);                  // unlinks and destroys the value as an object
  virtual int get(ListPos, ListValue* out);
  virtual int swap(ListPos, ListPos) { return 2; }
  virtual int distance(ListPos, ListPos) { return -1; }  // steps from a to b; -1 when b does not follow
  virtual ListPos middle(ListPos a, ListPos) { return a; }
};

using ListEach = int (*)(ListValue value, void* user);
// Negative, zero or positive as a sorts before, with or after b.
using ListCompare = int (*)(ListValue a, ListValue b);

int count(const List* list);
int append(List* list, ListValue value);
int prepend(List* list, ListValue value);
int insertBefore(List* list, ListPos position, ListValue value);
int removeAt(List* list, ListPos position);
ListPos firstPos(List* list);
ListPos lastPos(List* list);
ListPos nextPos(List* list, ListPos position);  // none after the last position
ListPos prevPos(List* list, ListPos position);  // none before the first position
bool hasNext(List* list, ListPos position);
bool hasPrev(List* list, ListPos position);
// The value at a position; none gives a null value and 2.
int valueAt(List* list, ListPos position, ListValue* out);
// fn(value, user) from first to last; 2 as soon as fn returns non-zero, else 0. fn may remove the
// element it was given.
int forEach(List* list, ListEach fn, void* user);
// Positions whose value passes the filter (no filter passes everything); none when no value passes.
ListPos findFirst(List* list, Filter* filter);
ListPos findLast(List* list, Filter* filter);
ListPos findNext(List* list, ListPos position, Filter* filter);  // after the position
ListPos findPrev(List* list, ListPos position, Filter* filter);  // before the position
ListPos findFrom(List* list, ListPos position, Filter* filter);  // the position itself first
bool contains(List* list, ListPos position);
int positionDistance(List* list, ListPos a, ListPos b);  // 0 when a = b; -1 without list or a
// Sorts the values in place (values move, positions stay). Terminates for any comparison, even an
// inconsistent one, leaving the same values in some order; 2 without list or function.
int sort(List* list, ListCompare compare);
int clear(List* list);            // values untouched; stops at the first refused removal
int clearAndDestroy(List* list);  // destroys every value as an object
