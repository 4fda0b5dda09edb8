#pragma once
// Tasks, counting semaphores ("mutexes") and copied message queues on host threads.
// Every operation returns 0 or a non-negative index on success and -1 on failure.
#include <cstdint>

constexpr int kProcessSlots = 99;  // task and mutex tables, indices 0..98

// The unit of a task queue. The queue carries copies: on receipt `data` is a block of pool
// POOL_CORE_PROCESS of `size` bytes owned by the receiver (null when size <= 0).
struct ProcessMessage {
  int32_t type = 0;
  void* data = nullptr;
  int32_t size = 0;
};

using ProcessEntry = void (*)(void* argument);

// Clears both tables, reserves mutex slot 0 (the mutex table's lock), creates the task-table lock and
// registers the calling thread as task 0.
int process_init();

// Host priorities: -2 lowest, 0 normal. The priority, stack size and name are accepted and ignored:
// the simulator's tasks all run at the host's normal priority with the default stack.
int process_create(ProcessEntry entry, void* argument, int priority, int stackSize, const char* name);
int process_start(ProcessEntry entry, void* argument, int priority);
int process_delete(int index);  // frees the slot; does not stop the thread
void process_exit();            // process_delete of the calling task, the last call of a task entry
int process_self();             // -1 for a thread that is not in the table
void process_sleep(int ms);
void process_yield();
int process_liveCount();

int process_mutex_create();  // count 1: starts unlocked
int process_mutex_destroy(int index);
int process_mutex_lock(int index);  // waits without limit; -1 if the mutex is destroyed while waiting
int process_mutex_unlock(int index);
int process_mutex_drain(int index);  // takes every count, leaving the mutex locked

int process_send(int taskIndex, const ProcessMessage* message);  // retries 11 times, 10 ms apart
int process_receive(ProcessMessage* message);
// timeoutMs -1 waits without limit; otherwise the wait is timeoutMs rounded up to 100 ms.
int process_receiveTimeout(ProcessMessage* message, int timeoutMs);
