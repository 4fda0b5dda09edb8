#include <atomic>
#include <mutex>

#include "runtime/object.h"
#include "runtime/pool.h"

namespace {

// The count-cell store: 8192 cells with in-use flags and a rotating search position. When every cell
// is taken, a 4-byte block of pool POOL_FTA_APPLICATION serves instead.
constexpr int kCells = 8192;
struct CellStore {
  std::mutex lock;
  int32_t cells[kCells] = {};
  bool used[kCells] = {};
  int position = 0;
  int inUse = 0;
};
CellStore g_cells;

int32_t* takeCell() {
  {
    std::lock_guard guard(g_cells.lock);
    int start = g_cells.position;
    int i = start;
    do {
      if (!g_cells.used[i]) {
        g_cells.used[i] = true;
        ++g_cells.inUse;
        g_cells.position = (i + 1) % kCells;
        g_cells.cells[i] = 1;
        return &g_cells.cells[i];
      }
      i = (i + 1) % kCells;
    } while (i != start);
  }
  int32_t* cell = static_cast<int32_t*>(pool_alloc(POOL_FTA_APPLICATION, sizeof(int32_t)));
  if (cell) *cell = 1;
  return cell;
}

void releaseCell(int32_t* cell) {
  if (cell >= g_cells.cells && cell < g_cells.cells + kCells) {
    std::lock_guard guard(g_cells.lock);
    int index = static_cast<int>(cell - g_cells.cells);
    g_cells.used[index] = false;
    --g_cells.inUse;
    g_cells.position = index;
  } else {
    pool_free(POOL_FTA_APPLICATION, cell, sizeof(int32_t));
  }
}

// Counts are shared between tasks; every change is atomic. Returns the value before the decrement.
int32_t decrement(int32_t* cell) { return std::atomic_ref<int32_t>(*cell).fetch_sub(1, std::memory_order_acq_rel); }

}  // namespace

int Reference::classInit(Object* self, void* source) {
  if (!object_initAsParent(self, nullptr, kClassId)) return 0;
  auto* ref = static_cast<Reference*>(self);
  auto* src = static_cast<Object*>(source);
  if (!src) return 0;
  if (src->classId == kClassId) {
    auto* other = static_cast<Reference*>(src);
    if (!other->target || !other->count) return 0;
    std::atomic_ref<int32_t>(*other->count).fetch_add(1, std::memory_order_relaxed);
    ref->target = other->target;
    ref->count = other->count;
    return 1;
  }
  ref->count = takeCell();
  if (!ref->count) return 0;
  ref->target = src;
  return 1;
}

void Reference::classDestroy(Object* self) {
  auto* ref = static_cast<Reference*>(self);
  if (ref->target && ref->count) {
    if (decrement(ref->count) == 1) {
      releaseCell(ref->count);
      object_delete(ref->target);
    }
  }
  ref->target = nullptr;
  ref->count = nullptr;
}

Reference* reference_new(Object* target) { return object_create<Reference>(target); }

void reference_release(Reference* reference) { object_delete(reference); }

Object* reference_detach(Reference* reference) {
  if (!reference || !reference->target || !reference->count) return nullptr;
  Object* target = reference->target;
  if (decrement(reference->count) == 1) releaseCell(reference->count);
  reference->target = nullptr;
  reference->count = nullptr;
  return target;
}

int reference_freeCells() {
  std::lock_guard guard(g_cells.lock);
  return kCells - g_cells.inUse;
}
