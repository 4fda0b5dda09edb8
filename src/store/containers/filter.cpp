#include "store/containers/filter.h"

namespace {

// A reference stands for the object it refers to.
Object* resolve(Object* object) {
  if (object && object->classId == Reference::kClassId) return static_cast<Reference*>(object)->target;
  return object;
}

// Runs a filter, or the filter a reference refers to. Something that is not a filter passes nothing.
int testObject(Object* object, void* value) {
  Object* target = resolve(object);
  if (!target) return 0;
  if (!object_isA(target, Filter::kClassId)) return -1;
  auto* f = static_cast<Filter*>(target);
  return f->test ? f->test(value, f->user) : 0;
}

int allPass(void* value, void* user) {
  auto* members = static_cast<LinkedList*>(user);
  for (ListPos p = firstPos(members); p; p = nextPos(members, p)) {
    ListValue member = nullptr;
    members->get(p, &member);
    if (testObject(static_cast<Object*>(member), value) != 0) return -1;
  }
  return 0;
}

}  // namespace

int Filter::classInit(Object* self, void* argument) {
  auto* init = static_cast<const FilterInit*>(argument);
  if (!init || !init->test) return 0;
  if (!object_initAsParent(self, nullptr, kClassId)) return 0;
  auto* filter = static_cast<Filter*>(self);
  filter->test = init->test;
  filter->user = init->user;
  return 1;
}

int CompositeFilter::classInit(Object* self, void* argument) {
  (void)argument;
  auto* composite = static_cast<CompositeFilter*>(self);
  composite->members = linkedListNew();
  if (!composite->members) return 0;
  FilterInit init{&allPass, composite->members};
  return object_initAsParent(self, &init, kClassId);
}

void CompositeFilter::classDestroy(Object* self) {
  auto* composite = static_cast<CompositeFilter*>(self);
  object_delete(composite->members);
  composite->members = nullptr;
}

Filter* filterNew(FilterTest test, void* user) {
  FilterInit init{test, user};
  return object_create<Filter>(&init);
}

CompositeFilter* compositeFilterNew() { return object_create<CompositeFilter>(); }

int filterTest(Filter* filter, void* value) { return testObject(filter, value); }

int addFilter(CompositeFilter* composite, Object* filter) {
  if (!composite || !filter) return 2;
  return append(composite->members, filter);
}

int removeFilter(CompositeFilter* composite, Object* filter) {
  Object* wanted = resolve(filter);
  if (!composite || !wanted) return 2;
  LinkedList* members = composite->members;
  for (ListPos p = firstPos(members); p; p = nextPos(members, p)) {
    ListValue member = nullptr;
    members->get(p, &member);
    Object* target = resolve(static_cast<Object*>(member));
    if (target && target->serial == wanted->serial) return removeAt(members, p);
  }
  return 2;
}
