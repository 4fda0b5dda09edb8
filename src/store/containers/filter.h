#pragma once
// Filters: a test function and its user data. A test result of 0 passes the value (keeps it,
// matches); anything else rejects it. `CompositeFilter` passes a value only when every member
// filter passes it (a logical AND; no members pass everything).
#include "store/containers/linked_list.h"

using FilterTest = int (*)(void* value, void* user);

struct FilterInit {
  FilterTest test = nullptr;
  void* user = nullptr;
};

class Filter : public Object {
 public:
  ORB_CLASS(Filter, 6, Object)
  // The argument is a FilterInit; a filter without a test is refused.
  static int classInit(Object* self, void* argument);

  FilterTest test = nullptr;
  void* user = nullptr;
};

class CompositeFilter : public Filter {
 public:
  ORB_CLASS(CompositeFilter, 7, Filter)
  static int classInit(Object* self, void* argument);
  static void classDestroy(Object* self);  // destroys the member list, not the members

  LinkedList* members = nullptr;  // Filters, or References to them
};

Filter* filterNew(FilterTest test, void* user);
CompositeFilter* compositeFilterNew();

// Runs a filter on a value: 0 passes. No filter passes everything.
int filterTest(Filter* filter, void* value);
// Appends a member: a Filter, or a Reference to one (result as `append`).
int addFilter(CompositeFilter* composite, Object* filter);
// Removes the member with the same object serial number as `filter` (References resolved on both
// sides); 2 when there is none.
int removeFilter(CompositeFilter* composite, Object* filter);
