#pragma once
// A standard-library allocator that charges a pool, so containers count against the 64 MiB limit.
// A refused allocation throws std::bad_alloc, as the containers expect.
#include <cstddef>
#include <limits>
#include <new>

#include "runtime/pool.h"

template <class T, int Pool>
struct PoolAllocator {
  using value_type = T;
  template <class U>
  struct rebind {
    using other = PoolAllocator<U, Pool>;
  };
  PoolAllocator() noexcept = default;
  template <class U>
  PoolAllocator(const PoolAllocator<U, Pool>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) / sizeof(T)) throw std::bad_alloc();
    void* p = pool_alloc(Pool, static_cast<int32_t>(n * sizeof(T)));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t n) noexcept { pool_free(Pool, p, static_cast<int32_t>(n * sizeof(T))); }

  template <class U>
  bool operator==(const PoolAllocator<U, Pool>&) const noexcept {
    return true;
  }
};
