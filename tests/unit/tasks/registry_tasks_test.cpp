// The class registry and counted references used from several tasks at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "runtime/object.h"
#include "runtime/pool.h"

namespace {

template <class F>
void onThreads(F body) {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      while (!go) std::this_thread::yield();
      body();
    });
  go = true;
  for (std::thread& t : threads) t.join();
}

TEST(RegistryTasks, FirstUseFromManyThreadsAndSharedCounts) {
  const int64_t before = pool_stats(POOL_FTA_APPLICATION_OBJECT).bytesInUse;
  // Nothing has registered Reference in this program yet: the threads race to do it first.
  ASSERT_EQ(class_isRegistered(Reference::kClassId), 0);
  onThreads([] {
    Object* own = object_new(sizeof(Object), 0, nullptr);
    Reference* r = reference_new(own);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(object_isA(r, Reference::kClassId), 0);  // a reference passes for its target's class
    reference_release(r);
  });
  EXPECT_STREQ(class_name(Reference::kClassId), "Reference");

  // References made and dropped concurrently from one shared reference keep its count exact.
  Reference* shared = reference_new(object_new(sizeof(Object), 0, nullptr));
  ASSERT_NE(shared, nullptr);
  onThreads([shared] {
    for (int i = 0; i < 200; ++i) reference_release(reference_new(shared));
  });
  EXPECT_EQ(*shared->count, 1);
  reference_release(shared);  // the last reference takes the target with it
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_OBJECT).bytesInUse, before);
}

}  // namespace
