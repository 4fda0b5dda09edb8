#include "runtime/process.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "runtime/pool.h"

namespace {

// A counting semaphore that blocks on a condition instead of polling. The slots are fixed, so a
// lookup needs no table lock; each slot's generation changes when it is destroyed, which wakes every
// waiter with a failure, so a wait never outlives its semaphore.
struct Semaphore {
  std::mutex m;
  std::condition_variable cv;
  int64_t count = 1;
  bool inUse = false;
  uint64_t generation = 0;
};

// A task's queue: copies of sent messages. Closing it (task deleted) frees what is left.
struct Queue {
  std::mutex m;
  std::condition_variable cv;
  std::deque<ProcessMessage> messages;
  bool closed = false;

  ~Queue() {
    for (ProcessMessage& msg : messages) pool_free(POOL_CORE_PROCESS, msg.data, msg.size);
  }
};

constexpr size_t kQueueDepth = 10000;  // the host's per-thread limit; beyond it a post fails
constexpr int64_t kSemaphoreMax = 0x7FFFFFFF;

struct TaskSlot {
  bool inUse = false;
  uint64_t generation = 0;
  std::shared_ptr<Queue> queue;
};

// The tables are never destroyed: tasks still running while the program exits may touch them.
std::mutex& g_mutexTable = *new std::mutex;  // serialises creation and destruction (slot 0's role)
std::array<Semaphore, kProcessSlots>& g_mutexes = *new std::array<Semaphore, kProcessSlots>;

std::mutex& g_taskTable = *new std::mutex;  // guards g_tasks, g_liveTasks and g_nextGeneration
std::array<TaskSlot, kProcessSlots>& g_tasks = *new std::array<TaskSlot, kProcessSlots>;
int g_liveTasks = 0;
uint64_t g_nextGeneration = 1;
std::atomic<int> g_taskTableLock{-1};  // the task-table lock's slot in the mutex table

thread_local int t_self = -1;
thread_local uint64_t t_generation = 0;

Semaphore* semaphoreAt(int index) { return index >= 0 && index < kProcessSlots ? &g_mutexes[index] : nullptr; }

// Marks a slot free and wakes its waiters.
void retire(Semaphore& sem) {
  std::lock_guard sl(sem.m);
  if (!sem.inUse) return;
  sem.inUse = false;
  ++sem.generation;
  sem.cv.notify_all();
}

std::shared_ptr<Queue> queueOf(int index) {
  if (index < 0 || index >= kProcessSlots) return nullptr;
  std::lock_guard lock(g_taskTable);
  return g_tasks[index].inUse ? g_tasks[index].queue : nullptr;
}

// Hands the queued copy over to the caller, who then owns its payload block.
int takeFrom(Queue& q, ProcessMessage* out, std::unique_lock<std::mutex>& lock) {
  (void)lock;
  if (q.messages.empty()) return -1;
  *out = q.messages.front();
  q.messages.pop_front();
  if (out->size <= 0) {
    out->data = nullptr;
    out->size = out->size < 0 ? 0 : out->size;
  }
  return 0;
}

}  // namespace

int process_init() {
  {
    std::lock_guard lock(g_mutexTable);
    for (Semaphore& sem : g_mutexes) retire(sem);
    std::lock_guard sl(g_mutexes[0].m);
    g_mutexes[0].inUse = true;
    g_mutexes[0].count = 1;
  }
  {
    std::lock_guard lock(g_taskTable);
    for (TaskSlot& slot : g_tasks) {
      if (slot.queue) {
        std::lock_guard ql(slot.queue->m);
        slot.queue->closed = true;
        slot.queue->cv.notify_all();
      }
      slot = TaskSlot{};
    }
    g_liveTasks = 0;
  }
  g_taskTableLock = process_mutex_create();
  if (g_taskTableLock < 0) return -1;
  process_mutex_lock(g_taskTableLock);
  {
    std::lock_guard lock(g_taskTable);
    TaskSlot& main = g_tasks[0];
    main.inUse = true;
    main.generation = g_nextGeneration++;
    main.queue = std::make_shared<Queue>();
    t_self = 0;
    t_generation = main.generation;
    g_liveTasks = 1;
  }
  process_mutex_unlock(g_taskTableLock);
  return 0;
}

int process_create(ProcessEntry entry, void* argument, int priority, int stackSize, const char* name) {
  (void)stackSize;
  (void)name;
  return process_start(entry, argument, priority);
}

int process_start(ProcessEntry entry, void* argument, int priority) {
  (void)priority;
  if (!entry) return -1;
  int index = -1;
  uint64_t generation = 0;
  std::shared_ptr<Queue> queue = std::make_shared<Queue>();
  {
    std::lock_guard lock(g_taskTable);
    if (g_liveTasks >= kProcessSlots) return -1;
    for (int i = 1; i < kProcessSlots; ++i) {
      if (!g_tasks[i].inUse) {
        index = i;
        break;
      }
    }
    if (index < 0) return -1;
    // The queue exists before the thread runs, so a message sent right after the start is kept.
    g_tasks[index].inUse = true;
    g_tasks[index].generation = generation = g_nextGeneration++;
    g_tasks[index].queue = queue;
    ++g_liveTasks;
  }
  try {
    std::thread([entry, argument, index, generation] {
      t_self = index;
      t_generation = generation;
      entry(argument);
    }).detach();
  } catch (...) {
    process_delete(index);
    return -1;
  }
  return index;
}

int process_delete(int index) {
  if (index < 0 || index >= kProcessSlots) return -1;
  std::shared_ptr<Queue> queue;
  {
    std::lock_guard lock(g_taskTable);
    TaskSlot& slot = g_tasks[index];
    if (!slot.inUse) return -1;
    queue = std::move(slot.queue);
    slot.inUse = false;
    --g_liveTasks;
  }
  if (queue) {
    std::lock_guard ql(queue->m);
    queue->closed = true;
    queue->cv.notify_all();
  }
  return 0;
}

void process_exit() { process_delete(process_self()); }

int process_self() {
  if (t_self < 0) return -1;
  std::lock_guard lock(g_taskTable);
  const TaskSlot& slot = g_tasks[t_self];
  return slot.inUse && slot.generation == t_generation ? t_self : -1;
}

void process_sleep(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void process_yield() { process_sleep(1); }

int process_liveCount() {
  std::lock_guard lock(g_taskTable);
  return g_liveTasks;
}

int process_mutex_create() {
  std::lock_guard lock(g_mutexTable);
  for (int i = 1; i < kProcessSlots; ++i) {
    Semaphore& sem = g_mutexes[i];
    std::lock_guard sl(sem.m);
    if (!sem.inUse) {
      sem.inUse = true;
      sem.count = 1;
      return i;
    }
  }
  return -1;
}

int process_mutex_destroy(int index) {
  // The two table locks live as long as the tables.
  if (index <= 0 || index >= kProcessSlots || index == g_taskTableLock) return -1;
  std::lock_guard lock(g_mutexTable);
  Semaphore& sem = g_mutexes[index];
  {
    std::lock_guard sl(sem.m);
    if (!sem.inUse) return -1;
  }
  retire(sem);
  return 0;
}

int process_mutex_lock(int index) {
  Semaphore* sem = semaphoreAt(index);
  if (!sem) return -1;
  std::unique_lock sl(sem->m);
  if (!sem->inUse) return -1;
  const uint64_t generation = sem->generation;
  sem->cv.wait(sl, [&] { return sem->count > 0 || sem->generation != generation; });
  if (sem->generation != generation) return -1;
  --sem->count;
  return 0;
}

int process_mutex_unlock(int index) {
  Semaphore* sem = semaphoreAt(index);
  if (!sem) return -1;
  std::lock_guard sl(sem->m);
  if (!sem->inUse || sem->count >= kSemaphoreMax) return -1;
  ++sem->count;
  sem->cv.notify_one();
  return 0;
}

int process_mutex_drain(int index) {
  Semaphore* sem = semaphoreAt(index);
  if (!sem) return -1;
  std::lock_guard sl(sem->m);
  if (!sem->inUse) return -1;
  sem->count = 0;
  return 0;
}

int process_send(int taskIndex, const ProcessMessage* message) {
  if (!message || taskIndex < 0 || taskIndex >= kProcessSlots) return -1;
  ProcessMessage copy{message->type, nullptr, message->size > 0 ? message->size : 0};
  if (copy.size > 0) {
    if (!message->data) return -1;
    copy.data = pool_alloc(POOL_CORE_PROCESS, copy.size);
    if (!copy.data) return -1;
    std::memcpy(copy.data, message->data, copy.size);
  }
  for (int attempt = 0; attempt < 11; ++attempt) {
    if (attempt > 0) process_sleep(10);
    std::shared_ptr<Queue> q = queueOf(taskIndex);
    if (!q) continue;
    std::lock_guard ql(q->m);
    if (q->closed || q->messages.size() >= kQueueDepth) continue;
    q->messages.push_back(copy);
    q->cv.notify_one();
    return 0;
  }
  pool_free(POOL_CORE_PROCESS, copy.data, copy.size);
  return -1;
}

int process_receive(ProcessMessage* message) { return process_receiveTimeout(message, -1); }

int process_receiveTimeout(ProcessMessage* message, int timeoutMs) {
  if (!message) return -1;
  *message = ProcessMessage{};
  std::shared_ptr<Queue> q = queueOf(process_self());
  if (!q) return -1;
  std::unique_lock ql(q->m);
  auto ready = [&] { return !q->messages.empty() || q->closed; };
  if (timeoutMs == -1) {
    q->cv.wait(ql, ready);
  } else if (timeoutMs > 0) {
    // The receiver looks every 100 ms, so the wait is the time-out rounded up to 100 ms.
    auto wait = std::chrono::milliseconds((static_cast<int64_t>(timeoutMs) + 99) / 100 * 100);
    q->cv.wait_for(ql, wait, ready);
  }
  return takeFrom(*q, message, ql);
}
