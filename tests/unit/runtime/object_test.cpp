#include "runtime/object.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "runtime/class_table.h"
#include "runtime/pool.h"

namespace {

std::vector<std::string> g_log;
void* const kFail = reinterpret_cast<void*>(0xBAD);

// A small family with the real ids of the toolkit's classes, logging their inits and destroys.
struct Listener : Object {
  ORB_CLASS(EventListener, 38, Object)
  int* destroyed = nullptr;
  virtual std::string kind() const { return "listener"; }
  static int classInit(Object* self, void* argument) {
    if (!object_initAsParent(self, argument, kClassId)) return 0;
    g_log.push_back("init EventListener");
    return 1;
  }
  static void classDestroy(Object* self) {
    g_log.push_back("destroy EventListener");
    auto* me = static_cast<Listener*>(self);
    if (me->destroyed) ++*me->destroyed;
  }
};

struct TestWidget : Listener {
  ORB_CLASS(Widget, 82, Listener)
  std::string kind() const override { return "widget"; }
  static int classInit(Object* self, void* argument) {
    if (!object_initAsParent(self, argument, kClassId)) return 0;
    g_log.push_back("init Widget");
    return argument == kFail ? 0 : 1;
  }
  static void classDestroy(Object*) { g_log.push_back("destroy Widget"); }
};

// No init or destroy of its own: inherits the parent's init and adds no destroy.
struct TestContainer : TestWidget {
  ORB_CLASS(WidgetContainer, 81, TestWidget)
  std::string kind() const override { return "container"; }
};

struct TestDialog : TestContainer {
  ORB_CLASS(Dialog, 35, TestContainer)
  std::string kind() const override { return "dialog"; }
  static int classInit(Object* self, void* argument) {
    if (!object_initAsParent(self, argument, kClassId)) return 0;
    g_log.push_back("init Dialog");
    return 1;
  }
  static void classDestroy(Object*) { g_log.push_back("destroy Dialog"); }
};

TEST(ClassTable, IdsNamesAndParentsAreConsistent) {
  std::set<std::string> names;
  for (int i = 0; i < kClassTableSize; ++i) {
    const ClassTableEntry& e = kClassTable[i];
    if (i > 0) {
      EXPECT_LT(kClassTable[i - 1].id, e.id);
    }
    EXPECT_LT(e.id, kClassSlots);
    EXPECT_NE(class_tableEntry(e.parent), nullptr) << e.name;
    EXPECT_TRUE(names.insert(e.name).second) << e.name;
    EXPECT_EQ(class_tableId(e.name), e.id);
  }
  EXPECT_EQ(class_tableEntry(270)->parent, class_tableId("Dialog"));  // TimeZoneDialogSpanish
  EXPECT_EQ(class_tableEntry(18)->parent, 17);                        // DVBEventLong under DVBEvent
  EXPECT_EQ(class_tableEntry(21), nullptr);
}

TEST(ClassRegistry, RegistersTheParentChainFirstAndKeepsTheFirstRegistration) {
  EXPECT_EQ(class_registerById(188), 188);  // EITEPGProvider under EPGProvider under Object
  EXPECT_EQ(class_isRegistered(177), 1);
  EXPECT_STREQ(class_name(177), "EPGProvider");
  EXPECT_EQ(class_parent(188), 177);
  EXPECT_EQ(class_registerById(21), kNoClass);

  EXPECT_EQ(class_register(kNoClass, "x", nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(class_isRegistered(kNoClass), 0);
  EXPECT_STREQ(class_name(kNoClass), "");
  EXPECT_EQ(class_register(188, "Other", nullptr, nullptr, nullptr), 1);
  EXPECT_STREQ(class_name(188), "EITEPGProvider");

  // A C++ family registers root first and agrees with the fixed table.
  EXPECT_EQ(class_registerType<TestDialog>(), 35);
  for (ClassId id : {35, 81, 82, 38}) {
    EXPECT_EQ(class_isRegistered(id), 1);
    EXPECT_STREQ(class_name(id), class_tableEntry(id)->name);
    EXPECT_EQ(class_parent(id), class_tableEntry(id)->parent);
  }
}

TEST(ObjectModel, CreationRunsInitsRootFirstAndDestroysMostDerivedFirst) {
  g_log.clear();
  TestDialog* d = object_create<TestDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->classId, 35);
  EXPECT_EQ(d->size, sizeof(TestDialog));
  EXPECT_EQ(d->kind(), "dialog");  // the most derived C++ type is built in the block
  EXPECT_EQ(g_log, (std::vector<std::string>{"init EventListener", "init Widget", "init Dialog"}));

  g_log.clear();
  object_finalize(d);
  EXPECT_EQ(g_log, (std::vector<std::string>{"destroy Dialog", "destroy Widget", "destroy EventListener"}));
  EXPECT_EQ(d->classId, kNoClass);
  g_log.clear();
  object_finalize(d);  // a second destruction does nothing
  EXPECT_TRUE(g_log.empty());
  EXPECT_EQ(object_delete(d), 1);
  EXPECT_EQ(object_delete(nullptr), 0);
}

TEST(ObjectModel, FailedInitDestroysAndFreesTheBlock) {
  class_registerType<TestContainer>();
  PoolStats before = pool_stats(POOL_FTA_APPLICATION_OBJECT);
  g_log.clear();
  EXPECT_EQ(object_new(sizeof(TestContainer), TestContainer::kClassId, kFail), nullptr);
  EXPECT_EQ(g_log,
            (std::vector<std::string>{"init EventListener", "init Widget", "destroy Widget", "destroy EventListener"}));
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_OBJECT).bytesInUse, before.bytesInUse);
}

TEST(ObjectModel, ABlockTooSmallForTheClassIsRefused) {
  class_registerType<TestDialog>();
  PoolStats before = pool_stats(POOL_FTA_APPLICATION_OBJECT);
  g_log.clear();
  // The dialog's C++ type would not fit: nothing is built past the block's end, no init runs.
  for (int size : {static_cast<int>(sizeof(Object)), static_cast<int>(sizeof(TestDialog)) - 1, 0, -8})
    EXPECT_EQ(object_new(size, TestDialog::kClassId, nullptr), nullptr) << size;
  EXPECT_TRUE(g_log.empty());
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_OBJECT).allocCount, before.allocCount);
  Object* bigger = object_new(sizeof(TestDialog) + 16, TestDialog::kClassId, nullptr);
  ASSERT_NE(bigger, nullptr);
  EXPECT_EQ(bigger->size, sizeof(TestDialog) + 16);
  object_delete(bigger);
}

TEST(ObjectModel, SerialsAndInPlaceInit) {
  class_registerById(0);
  Object* a = object_new(sizeof(Object), 0, nullptr);
  Object* b = object_new(sizeof(Object), 0, nullptr);
  ASSERT_TRUE(a && b);
  EXPECT_GE(a->serial, 0xFFFFu);
  EXPECT_EQ(b->serial, a->serial + 1);
  // Object's init keeps a non-null argument in the serial word.
  Object* c = object_new(sizeof(Object), 0, reinterpret_cast<void*>(0x1234));
  EXPECT_EQ(c->serial, 0x1234u);
  for (Object* o : {a, b, c}) object_delete(o);

  alignas(Listener) unsigned char memory[sizeof(Listener)] = {};
  class_registerType<Listener>();
  EXPECT_EQ(object_initInPlace(nullptr, nullptr, Listener::kClassId), 0);
  EXPECT_EQ(object_initInPlace(memory, nullptr, Listener::kClassId), 1);
  auto* inPlace = reinterpret_cast<Listener*>(memory);
  EXPECT_EQ(inPlace->classId, Listener::kClassId);
  EXPECT_EQ(inPlace->kind(), "listener");
  object_finalize(inPlace);
  EXPECT_EQ(inPlace->classId, kNoClass);
}

TEST(ObjectModel, InstanceOf) {
  class_registerById(51);  // Menu
  TestDialog* d = object_create<TestDialog>();
  Reference* ref = reference_new(d);
  ASSERT_TRUE(d && ref);
  struct Case {
    const Object* object;
    ClassId asked;
    int expected;
  };
  const Case cases[] = {
      {d, 35, 1},   {d, 81, 1},   {d, 82, 1},  {d, 38, 1},  {d, 0, 1},    {d, 51, 0},      {d, 1, 0},
      {ref, 35, 1}, {ref, 82, 1}, {ref, 0, 1}, {ref, 1, 0}, {ref, 51, 0}, {nullptr, 0, 0}, {nullptr, 35, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(object_isA(c.object, c.asked), c.expected) << "class " << c.asked;

  // A reference whose target is itself a reference.
  Reference* outer = reference_new(ref);
  Object* realTarget = outer->target;
  outer->target = ref;
  EXPECT_EQ(object_isA(outer, 35), 1);
  EXPECT_EQ(object_isA(outer, 1), 1);
  EXPECT_EQ(object_isA(outer, 82), 0);
  outer->target = realTarget;
  reference_release(outer);
  reference_release(ref);
}

TEST(Reference, SharedCountDestroysTheTargetWithTheLastReference) {
  int destroyed = 0;
  Listener* target = object_create<Listener>();
  target->destroyed = &destroyed;
  Reference* first = reference_new(target);
  Reference* second = reference_new(first);  // from a reference: shares its target and count
  ASSERT_TRUE(first && second);
  EXPECT_EQ(second->target, target);
  EXPECT_EQ(second->count, first->count);
  EXPECT_EQ(*first->count, 2);
  reference_release(first);
  EXPECT_EQ(destroyed, 0);
  reference_release(second);
  EXPECT_EQ(destroyed, 1);

  EXPECT_EQ(reference_new(nullptr), nullptr);

  // Detaching drops the count without destroying.
  Listener* kept = object_create<Listener>();
  kept->destroyed = &destroyed;
  Reference* r = reference_new(kept);
  EXPECT_EQ(reference_detach(r), kept);
  EXPECT_EQ(reference_detach(r), nullptr);
  reference_release(r);
  EXPECT_EQ(destroyed, 1);
  object_delete(kept);
}

TEST(Reference, CountsComeFromThePoolWhenTheStoreIsFull) {
  class_registerById(0);
  Object* target = object_new(sizeof(Object), 0, nullptr);
  std::vector<Reference*> refs;
  // Each reference made from the plain object takes a cell of its own.
  while (reference_freeCells() > 0) refs.push_back(reference_new(target));
  int64_t before = pool_stats(POOL_FTA_APPLICATION).bytesInUse;
  Reference* extra = reference_new(target);
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse - before, 4);
  reference_detach(extra);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse, before);
  reference_release(extra);
  for (Reference* r : refs) reference_detach(r), reference_release(r);
  EXPECT_GT(reference_freeCells(), 8000);
  object_delete(target);
}

}  // namespace
