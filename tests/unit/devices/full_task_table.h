#pragma once
// Fills every free slot of the task table with tasks that wait on a gate, so that no task can start;
// the destructor opens the gate and waits until they have all ended.
#include "runtime/process.h"

class FullTaskTable {
 public:
  FullTaskTable() : before_(process_liveCount()), gate_(process_mutex_create()) {
    process_mutex_drain(gate_);
    while (process_start(waitAtGate, &gate_, 0) >= 0) {
    }
  }
  ~FullTaskTable() {
    process_mutex_destroy(gate_);  // wakes every waiter
    for (int i = 0; i < 1000 && process_liveCount() > before_; ++i) process_sleep(5);
  }
  FullTaskTable(const FullTaskTable&) = delete;
  FullTaskTable& operator=(const FullTaskTable&) = delete;

 private:
  static void waitAtGate(void* gate) {
    process_mutex_lock(*static_cast<int*>(gate));
    process_exit();
  }
  int before_;
  int gate_;
};
