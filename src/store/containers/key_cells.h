#pragma once
// The key-cell store: 32-bit cells that hold the integer keys of maps (record ids, service ids).
// 16384 cells with in-use flags and a rotating search position; when every cell is taken, a 4-byte
// block of pool POOL_FTA_APPLICATION serves instead. Safe to use from any task.
#include <cstdint>

constexpr int kKeyCells = 16384;

// A free cell (its content is left to the caller), or a pool block when the store is full; null when
// the pool refuses.
int32_t* keyCellTake();
// Returns a cell to the store; any other non-null pointer is freed as a 4-byte pool block.
void keyCellRelease(void* cell);
