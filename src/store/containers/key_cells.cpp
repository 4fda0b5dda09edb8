#include "store/containers/key_cells.h"

#include <mutex>

#include "runtime/pool.h"

namespace {

struct KeyCellStore {
  std::mutex lock;  // maps of several tasks share the store
  int32_t cells[kKeyCells] = {};
  bool used[kKeyCells] = {};
  int position = 0;
};

KeyCellStore g_store;

}  // namespace

int32_t* keyCellTake() {
  {
    std::lock_guard guard(g_store.lock);
    int i = g_store.position;
    for (int tried = 0; tried < kKeyCells; ++tried, i = (i + 1) % kKeyCells) {
      if (g_store.used[i]) continue;
      g_store.used[i] = true;
      g_store.position = (i + 1) % kKeyCells;
      return &g_store.cells[i];
    }
  }
  return static_cast<int32_t*>(pool_alloc(POOL_FTA_APPLICATION, sizeof(int32_t)));
}

void keyCellRelease(void* cell) {
  if (!cell) return;
  auto* p = static_cast<int32_t*>(cell);
  // Compare addresses as integers: the pointer may come from anywhere.
  auto address = reinterpret_cast<uintptr_t>(p);
  auto begin = reinterpret_cast<uintptr_t>(g_store.cells);
  auto end = reinterpret_cast<uintptr_t>(g_store.cells + kKeyCells);
  if (address >= begin && address < end) {
    std::lock_guard guard(g_store.lock);
    int index = static_cast<int>((address - begin) / sizeof(int32_t));
    g_store.used[index] = false;
    g_store.position = index;
    return;
  }
  pool_free(POOL_FTA_APPLICATION, p, sizeof(int32_t));
}
