#include "store/containers/filter.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Passes values below the limit held in the user data.
int below(void* value, void* user) { return reinterpret_cast<intptr_t>(value) < *static_cast<int*>(user) ? 0 : 1; }
int odd(void* value, void*) { return reinterpret_cast<intptr_t>(value) % 2 == 1 ? 0 : 1; }

void* box(intptr_t v) { return reinterpret_cast<void*>(v); }

TEST(Filter, NeedsATest) {
  EXPECT_EQ(filterNew(nullptr, nullptr), nullptr);
  EXPECT_EQ(object_create<Filter>(), nullptr);
  EXPECT_EQ(filterTest(nullptr, box(1)), 0);  // no filter passes everything
}

TEST(CompositeFilter, PassesOnlyWhatEveryMemberPasses) {
  int limit = 10;
  Filter* small = filterNew(below, &limit);
  Filter* odds = filterNew(odd, nullptr);
  CompositeFilter* all = compositeFilterNew();
  ASSERT_NE(all, nullptr);
  struct Case {
    intptr_t value;
    int none, small, both;
  };
  const Case cases[] = {{3, 0, 0, 0}, {4, 0, 0, -1}, {13, 0, 1, -1}, {12, 0, 1, -1}};
  for (const Case& c : cases) EXPECT_EQ(filterTest(all, box(c.value)), c.none) << c.value;
  ASSERT_EQ(addFilter(all, small), 0);
  for (const Case& c : cases) EXPECT_EQ(filterTest(all, box(c.value)) != 0, c.small != 0) << c.value;
  // A member given as a reference counts as the filter it refers to.
  Reference* oddsRef = reference_new(odds);
  ASSERT_EQ(addFilter(all, oddsRef), 0);
  for (const Case& c : cases) EXPECT_EQ(filterTest(all, box(c.value)), c.both) << c.value;

  // Removal finds the member by serial number, through references on either side.
  Reference* smallRef = reference_new(small);
  EXPECT_EQ(removeFilter(all, smallRef), 0);
  EXPECT_EQ(removeFilter(all, smallRef), 2);
  EXPECT_EQ(filterTest(all, box(13)), 0);
  EXPECT_EQ(removeFilter(all, odds), 0);
  EXPECT_EQ(count(all->members), 0);

  // The composite never destroys its members.
  addFilter(all, small);
  object_delete(all);
  EXPECT_EQ(filterTest(small, box(3)), 0);
  object_delete(oddsRef);  // the last reference destroys `odds`
  reference_detach(smallRef);
  object_delete(smallRef);
  object_delete(small);
}

}  // namespace
