#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <random>
#include <vector>

#include "runtime/pool.h"
#include "store/containers/array.h"
#include "store/containers/filter.h"
#include "store/containers/linked_list.h"

namespace {

// Values in these tests are small integers carried in the pointer word.
ListValue box(intptr_t v) { return reinterpret_cast<ListValue>(v); }
intptr_t unbox(ListValue v) { return reinterpret_cast<intptr_t>(v); }

std::vector<intptr_t> forwards(List* list) {
  std::vector<intptr_t> out;
  for (ListPos p = firstPos(list); p; p = nextPos(list, p)) {
    ListValue v = nullptr;
    EXPECT_EQ(valueAt(list, p, &v), 0);
    out.push_back(unbox(v));
  }
  return out;
}

std::vector<intptr_t> backwards(List* list) {
  std::vector<intptr_t> out;
  for (ListPos p = lastPos(list); p; p = prevPos(list, p)) {
    ListValue v = nullptr;
    valueAt(list, p, &v);
    out.insert(out.begin(), unbox(v));
  }
  return out;
}

// Both walks and the count agree with the expected contents.
void expectContents(List* list, const std::vector<intptr_t>& expected) {
  EXPECT_EQ(count(list), static_cast<int>(expected.size()));
  EXPECT_EQ(forwards(list), expected);
  EXPECT_EQ(backwards(list), expected);
}

ListPos at(List* list, int index) {
  ListPos p = firstPos(list);
  while (index-- > 0) p = nextPos(list, p);
  return p;
}

int threeWay(ListValue a, ListValue b) { return (unbox(a) > unbox(b)) - (unbox(a) < unbox(b)); }

class PoolBalance {
 public:
  PoolBalance() : nodes_(pool_stats(POOL_FTA_APPLICATION).bytesInUse), arrays_(arrayBytes()) {}
  ~PoolBalance() {
    EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION).bytesInUse, nodes_);
    EXPECT_EQ(arrayBytes(), arrays_);
  }

 private:
  static int64_t arrayBytes() { return pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse; }
  int64_t nodes_, arrays_;
};

struct ListKind {
  const char* name;
  std::function<List*()> make;
};

const ListKind kKinds[] = {
    {"LinkedList", [] { return static_cast<List*>(linkedListNew()); }},
    {"Array", [] { return static_cast<List*>(arrayNew(4096)); }},
};

TEST(List, BareListAndBadArgumentsAreRefused) {
  EXPECT_EQ(object_create<List>(), nullptr);
  int32_t zero = 0;
  EXPECT_EQ(object_create<Array>(&zero), nullptr);
  EXPECT_EQ(object_create<Array>(), nullptr);
  EXPECT_EQ(count(nullptr), 0);
  EXPECT_EQ(append(nullptr, box(1)), 2);
  EXPECT_EQ(removeAt(nullptr, nullptr), 2);
  EXPECT_EQ(sort(nullptr, threeWay), 2);
  EXPECT_EQ(firstPos(nullptr), nullptr);
  EXPECT_EQ(positionDistance(nullptr, nullptr, nullptr), -1);
}

// The operations both kinds accept, against a deque.
TEST(List, EndOperationsAgreeWithDeque) {
  for (const ListKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    PoolBalance balance;
    List* list = kind.make();
    ASSERT_NE(list, nullptr);
    std::deque<intptr_t> model;
    std::mt19937 rng(7);
    for (int step = 0; step < 3000; ++step) {
      intptr_t v = step;
      switch (rng() % 6) {
        case 0:
          ASSERT_EQ(append(list, box(v)), 0);
          model.push_back(v);
          break;
        case 1:
          ASSERT_EQ(prepend(list, box(v)), 0);
          model.push_front(v);
          break;
        case 2:
          ASSERT_EQ(insertBefore(list, firstPos(list), box(v)), 0);
          model.push_front(v);
          break;
        case 3:
          ASSERT_EQ(insertBefore(list, nullptr, box(v)), 0);
          model.push_back(v);
          break;
        case 4:
          ASSERT_EQ(removeAt(list, firstPos(list)), model.empty() ? 2 : 0);
          if (!model.empty()) model.pop_front();
          break;
        case 5:
          ASSERT_EQ(removeAt(list, lastPos(list)), model.empty() ? 2 : 0);
          if (!model.empty()) model.pop_back();
          break;
      }
      if (step % 97 == 0) expectContents(list, {model.begin(), model.end()});
    }
    expectContents(list, {model.begin(), model.end()});
    object_delete(list);
  }
}

TEST(LinkedList, InsertAndRemoveAnywhereAgreeWithStdList) {
  PoolBalance balance;
  LinkedList* list = linkedListNew();
  std::list<intptr_t> model;
  std::mt19937 rng(11);
  for (int step = 0; step < 3000; ++step) {
    int index = model.empty() ? 0 : static_cast<int>(rng() % (model.size() + 1));
    auto it = std::next(model.begin(), index);
    if (rng() % 3 != 0) {
      ASSERT_EQ(insertBefore(list, at(list, index), box(step)), 0);
      model.insert(it, step);
    } else if (it != model.end()) {
      ASSERT_EQ(removeAt(list, at(list, index)), 0);
      model.erase(it);
    }
  }
  expectContents(list, {model.begin(), model.end()});
  object_delete(list);
}

TEST(LinkedList, FirstInsertionsSetHeadAndTail) {
  for (auto add : {append, prepend}) {
    LinkedList* list = linkedListNew();
    ASSERT_EQ(add(list, box(5)), 0);
    EXPECT_EQ(list->head, list->tail);
    EXPECT_EQ(firstPos(list), lastPos(list));
    ASSERT_EQ(insertBefore(list, firstPos(list), box(4)), 0);
    ASSERT_EQ(insertBefore(list, nullptr, box(6)), 0);
    expectContents(list, {4, 5, 6});
    object_delete(list);
  }
}

TEST(Array, RingRefusesWhatItCannotHold) {
  PoolBalance balance;
  Array* ring = arrayNew(3);
  for (intptr_t v : {1, 2, 3}) ASSERT_EQ(append(ring, box(v)), 0);
  EXPECT_EQ(append(ring, box(4)), 1);
  EXPECT_EQ(prepend(ring, box(0)), 1);
  expectContents(ring, {1, 2, 3});
  ListPos middle = at(ring, 1);
  EXPECT_EQ(removeAt(ring, middle), 2);
  EXPECT_EQ(insertBefore(ring, middle, box(9)), 2);
  EXPECT_EQ(removeAt(ring, reinterpret_cast<ListPos>(&middle)), 2);  // not a slot at all
  expectContents(ring, {1, 2, 3});

  // Wrap round: take from the front, add at the back.
  ASSERT_EQ(removeAt(ring, firstPos(ring)), 0);
  ASSERT_EQ(append(ring, box(4)), 0);
  expectContents(ring, {2, 3, 4});
  EXPECT_EQ(positionDistance(ring, firstPos(ring), lastPos(ring)), 2);
  EXPECT_EQ(positionDistance(ring, lastPos(ring), firstPos(ring)), -1);
  EXPECT_EQ(positionDistance(ring, at(ring, 1), nullptr), 2);
  EXPECT_TRUE(contains(ring, lastPos(ring)));
  EXPECT_FALSE(contains(ring, nextPos(ring, lastPos(ring))));

  // Emptied, the ring starts again at slot 0.
  while (count(ring) > 0) ASSERT_EQ(removeAt(ring, lastPos(ring)), 0);
  ASSERT_EQ(append(ring, box(7)), 0);
  EXPECT_EQ(firstPos(ring), reinterpret_cast<ListPos>(&ring->storage[0]));
  object_delete(ring);
}

TEST(List, DistanceContainsAndSearch) {
  auto odd = [](void* value, void*) { return static_cast<int>(unbox(value) % 2 == 0); };
  for (const ListKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    List* list = kind.make();
    EXPECT_EQ(findFirst(list, nullptr), nullptr);
    for (intptr_t v = 0; v < 6; ++v) append(list, box(v));
    Filter* filter = filterNew(odd, nullptr);
    EXPECT_EQ(findFirst(list, nullptr), firstPos(list));
    EXPECT_EQ(findFirst(list, filter), at(list, 1));
    EXPECT_EQ(findLast(list, filter), at(list, 5));
    EXPECT_EQ(findNext(list, at(list, 1), filter), at(list, 3));
    EXPECT_EQ(findNext(list, at(list, 5), filter), nullptr);
    EXPECT_EQ(findPrev(list, at(list, 3), filter), at(list, 1));
    EXPECT_EQ(findPrev(list, at(list, 1), filter), nullptr);
    EXPECT_EQ(findFrom(list, at(list, 3), filter), at(list, 3));
    EXPECT_EQ(findFrom(list, at(list, 2), filter), at(list, 3));
    EXPECT_EQ(positionDistance(list, at(list, 1), at(list, 1)), 0);
    EXPECT_EQ(positionDistance(list, at(list, 1), at(list, 4)), 3);
    EXPECT_EQ(positionDistance(list, at(list, 4), at(list, 1)), -1);
    EXPECT_TRUE(contains(list, at(list, 5)));
    EXPECT_FALSE(contains(list, nullptr));
    EXPECT_TRUE(hasNext(list, at(list, 4)));
    EXPECT_FALSE(hasNext(list, at(list, 5)));
    EXPECT_FALSE(hasPrev(list, at(list, 0)));
    ListValue v = box(99);
    EXPECT_EQ(valueAt(list, nullptr, &v), 2);
    EXPECT_EQ(v, nullptr);
    object_delete(filter);
    object_delete(list);
  }
}

TEST(List, ForEachStopsAndToleratesRemovingTheVisitedElement) {
  struct Visit {
    List* list;
    std::vector<intptr_t> seen;
    intptr_t stopAt;
  };
  auto visit = [](ListValue value, void* user) {
    auto* v = static_cast<Visit*>(user);
    v->seen.push_back(unbox(value));
    if (unbox(value) == v->stopAt) return 1;
    // Remove the element just visited: always the first one here.
    return removeAt(v->list, firstPos(v->list));
  };
  for (const ListKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    List* list = kind.make();
    for (intptr_t v = 0; v < 5; ++v) append(list, box(v));
    Visit all{list, {}, -1};
    EXPECT_EQ(forEach(list, visit, &all), 0);
    EXPECT_EQ(all.seen, (std::vector<intptr_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(count(list), 0);
    for (intptr_t v = 0; v < 5; ++v) append(list, box(v));
    Visit some{list, {}, 2};
    EXPECT_EQ(forEach(list, visit, &some), 2);
    EXPECT_EQ(some.seen, (std::vector<intptr_t>{0, 1, 2}));
    expectContents(list, {2, 3, 4});
    object_delete(list);
  }
}

// Erasing destroys the values: the last reference to each target goes, and every block comes back.
TEST(List, ClearAndDestroyReleasesReferences) {
  for (const ListKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    int64_t objects = pool_stats(POOL_FTA_APPLICATION_OBJECT).bytesInUse;
    {
      PoolBalance balance;
      List* list = kind.make();
      List* plain = kind.make();
      for (int i = 0; i < 10; ++i) {
        Reference* ref = reference_new(linkedListNew());  // any object will do as a target
        ASSERT_NE(ref, nullptr);
        ASSERT_EQ(append(list, ref), 0);
        ASSERT_EQ(append(plain, box(i)), 0);
      }
      EXPECT_EQ(clear(plain), 0);
      expectContents(plain, {});
      EXPECT_EQ(clearAndDestroy(list), 0);
      EXPECT_EQ(count(list), 0);
      object_delete(plain);
      object_delete(list);
    }
    EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_OBJECT).bytesInUse, objects);
  }
}

// --- sort ---

struct SortInput {
  const char* name;
  std::function<intptr_t(std::mt19937&, int i, int n)> value;
};

const SortInput kInputs[] = {
    {"random", [](std::mt19937& r, int, int) { return static_cast<intptr_t>(r() % 100000) - 50000; }},
    {"few distinct", [](std::mt19937& r, int, int) { return static_cast<intptr_t>(r() % 3); }},
    {"all equal", [](std::mt19937&, int, int) { return intptr_t{42}; }},
    {"ascending", [](std::mt19937&, int i, int) { return intptr_t{i}; }},
    {"descending", [](std::mt19937&, int i, int n) { return intptr_t{n - i}; }},
    {"organ pipe", [](std::mt19937&, int i, int n) { return intptr_t{std::min(i, n - i)}; }},
    {"extremes", [](std::mt19937& r, int, int) { return r() % 2 ? intptr_t{INT32_MIN} : intptr_t{INT32_MAX}; }},
};

void fill(List* list, std::vector<intptr_t>& model, const SortInput& input, int n, std::mt19937& rng) {
  for (int i = 0; i < n; ++i) {
    intptr_t v = input.value(rng, i, n);
    ASSERT_EQ(append(list, box(v)), 0);
    model.push_back(v);
  }
}

TEST(ListSort, AgreesWithStdSort) {
  std::mt19937 rng(3);
  for (const ListKind& kind : kKinds) {
    for (const SortInput& input : kInputs) {
      for (int n : {0, 1, 2, 3, 4, 5, 7, 16, 100, 1000, 4096}) {
        SCOPED_TRACE(testing::Message() << kind.name << " " << input.name << " n=" << n);
        List* list = kind.make();
        std::vector<intptr_t> model;
        fill(list, model, input, n, rng);
        ASSERT_EQ(sort(list, threeWay), 0);
        std::sort(model.begin(), model.end());
        expectContents(list, model);
        object_delete(list);
      }
    }
  }
}

// An array that has wrapped round sorts like any other.
TEST(ListSort, WrappedRing) {
  Array* ring = arrayNew(50);
  for (int i = 0; i < 30; ++i) append(ring, box(i));
  for (int i = 0; i < 25; ++i) removeAt(ring, firstPos(ring));
  std::vector<intptr_t> model;
  for (int i = 0; i < 40; ++i) {
    intptr_t v = (i * 37) % 41;
    append(ring, box(v));
  }
  model = forwards(ring);
  sort(ring, threeWay);
  std::sort(model.begin(), model.end());
  expectContents(ring, model);
  object_delete(ring);
}

// Whatever a comparison answers, the sort ends and keeps exactly the values it was given.
TEST(ListSort, InconsistentComparisonsTerminateAndKeepTheValues) {
  static std::mt19937 coin(5);
  using Compare = ListCompare;
  const Compare kCompares[] = {
      [](ListValue, ListValue) { return 1; },
      [](ListValue, ListValue) { return -1; },
      [](ListValue, ListValue) { return 0; },
      [](ListValue, ListValue) { return static_cast<int>(coin() % 3) - 1; },
      [](ListValue a, ListValue b) { return unbox(a) < unbox(b) ? 1 : -1; },  // never equal, not antisymmetric
      // A subtraction that overflows for distant values, as a careless caller writes it.
      [](ListValue a, ListValue b) { return static_cast<int>(static_cast<uint32_t>(unbox(a) - unbox(b))); },
  };
  std::mt19937 rng(9);
  for (const ListKind& kind : kKinds) {
    for (Compare compare : kCompares) {
      for (int n : {2, 3, 10, 1000}) {
        SCOPED_TRACE(testing::Message() << kind.name << " n=" << n);
        List* list = kind.make();
        std::vector<intptr_t> model;
        fill(list, model, kInputs[6], n / 2, rng);
        fill(list, model, kInputs[0], n - n / 2, rng);
        ASSERT_EQ(sort(list, compare), 0);
        std::vector<intptr_t> after = forwards(list);
        EXPECT_EQ(count(list), n);
        std::sort(after.begin(), after.end());
        std::sort(model.begin(), model.end());
        EXPECT_EQ(after, model);
        object_delete(list);
      }
    }
  }
}

}  // namespace
