#include "store/thread.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "runtime/process.h"

// The pause gate: a semaphore that is closed by taking all its counts and opened by giving one. The
// paused task takes the count it is given.
struct ThreadGate {
  int mutex = -1;
  std::atomic<int32_t> flag{0};  // 1 once opened, 0 while closed

  ~ThreadGate() {
    if (mutex >= 0) process_mutex_destroy(mutex);
  }
  void close() {
    flag.store(0);
    process_mutex_drain(mutex);
  }
  void open() {
    flag.store(1);
    process_mutex_unlock(mutex);
  }
};

// One start of a thread: what its task needs. The task holds it to the end, so a task that outlives
// its Thread still has everything it touches.
struct ThreadRun {
  static constexpr int kStarting = -2;  // the task exists, its index is not known yet

  std::atomic<int32_t> state{kThreadRunning};
  std::atomic<int> task{kStarting};
  ThreadBody body = nullptr;
  void* user = nullptr;
  // Set before the first pause request is published and never changed afterwards, so the task reads
  // it after seeing that request without a lock.
  std::shared_ptr<ThreadGate> gate;
  char name[32] = "";
};

namespace {

thread_local ThreadRun* t_run = nullptr;

constexpr int kStopPolls = 20;
constexpr int kStopPollMs = 10;

// The task's part of a pause: the state goes 2 -> 3 and the task waits until a resume or a stop
// opens the gate. False when the gate is gone.
bool waitAtGate(ThreadRun& run, int32_t state) {
  if (state == kThreadPauseRequested && !run.state.compare_exchange_strong(state, kThreadPaused))
    return true;  // resumed or stopped in between: look again
  return run.gate && process_mutex_lock(run.gate->mutex) == 0;
}

void threadTask(void* argument) {
  auto* holder = static_cast<std::shared_ptr<ThreadRun>*>(argument);
  std::shared_ptr<ThreadRun> run = std::move(*holder);
  delete holder;
  t_run = run.get();
  // Requests are honoured before every body call, the first one included; the task itself never
  // overwrites a request.
  for (;;) {
    int32_t state = run->state.load();
    if (state == kThreadStopRequested) break;
    if (state == kThreadPauseRequested || state == kThreadPaused) {
      if (!waitAtGate(*run, state)) break;
      continue;
    }
    if (run->body(run->user) == 0) break;
  }
  t_run = nullptr;
  run->state.store(kThreadEnded);
  run->task.store(-1);
  process_exit();
}

std::shared_ptr<ThreadRun> currentRun(Thread* thread) {
  std::lock_guard guard(thread->runLock);
  return thread->run;
}

bool hasTask(const std::shared_ptr<ThreadRun>& run) { return run && run->task.load() != -1; }

}  // namespace

int Thread::classInit(Object* self, void* argument) {
  auto* body = static_cast<const ThreadBody*>(argument);
  if (!body || !*body) return 0;
  if (!object_initAsParent(self, nullptr, kClassId)) return 0;
  static_cast<Thread*>(self)->body = *body;
  return 1;
}

void Thread::classDestroy(Object* self) {
  auto* thread = static_cast<Thread*>(self);
  threadStop(thread);
  std::lock_guard guard(thread->control);
  thread->gate.reset();  // the mutex goes with the last holder: a task let go may still hold it
  std::lock_guard runGuard(thread->runLock);
  thread->run.reset();
}

Thread* threadNew(ThreadBody body) { return object_create<Thread>(&body); }

int threadStart(Thread* thread, const char* name, void* user) {
  if (!thread) return -1;
  std::lock_guard guard(thread->control);
  if (hasTask(currentRun(thread))) return -1;
  std::shared_ptr<ThreadRun> run;
  try {
    run = std::make_shared<ThreadRun>();
  } catch (...) {
    return -1;
  }
  run->body = thread->body;
  run->user = user;
  if (name) std::snprintf(run->name, sizeof run->name, "%s", name);
  auto* holder = new (std::nothrow) std::shared_ptr<ThreadRun>(run);
  if (!holder) return -1;
  {
    std::lock_guard runGuard(thread->runLock);
    thread->run = run;
  }
  int task = name ? process_create(&threadTask, holder, 0, 16384, name) : process_start(&threadTask, holder, 0);
  if (task < 0) {
    delete holder;
    run->state.store(kThreadEnded);
    run->task.store(-1);
    return -1;
  }
  int starting = ThreadRun::kStarting;
  run->task.compare_exchange_strong(starting, task);  // fails when the task has ended already
  return 0;
}

bool threadIsRunning(Thread* thread) {
  if (!thread) return false;
  std::shared_ptr<ThreadRun> run = currentRun(thread);
  return hasTask(run) && run->state.load() == kThreadRunning;
}

int threadStop(Thread* thread) {
  if (!thread) return -1;
  std::lock_guard guard(thread->control);
  std::shared_ptr<ThreadRun> run = currentRun(thread);
  if (!hasTask(run)) return -1;
  int32_t state = run->state.load();
  do {
    if (state == kThreadStopRequested || state == kThreadEnded) return -1;
  } while (!run->state.compare_exchange_weak(state, kThreadStopRequested));
  if (thread->gate) thread->gate->open();  // a paused task wakes up and leaves
  for (int i = 0; i < kStopPolls && run->task.load() != -1; ++i) process_sleep(kStopPollMs);
  int task = run->task.exchange(-1);
  if (task >= 0) {
    // A body still busy cannot be cut short safely: free the task's slot and let the call finish.
    process_delete(task);
    std::printf("\n\t[THREAD] threadStop: task \"%s\" still busy after %d ms, left to end on its own\n", run->name,
                kStopPolls * kStopPollMs);
  }
  return 0;
}

int threadPause(Thread* thread) {
  if (!thread) return -1;
  std::lock_guard guard(thread->control);
  std::shared_ptr<ThreadRun> run = currentRun(thread);
  if (!hasTask(run) || run->state.load() != kThreadRunning) return -1;
  if (!thread->gate) {
    auto gate = std::make_shared<ThreadGate>();
    gate->mutex = process_mutex_create();
    if (gate->mutex < 0) return -1;
    thread->gate = std::move(gate);
  }
  if (!run->gate) run->gate = thread->gate;
  thread->gate->close();
  int32_t running = kThreadRunning;
  return run->state.compare_exchange_strong(running, kThreadPauseRequested) ? 0 : -1;
}

int threadResume(Thread* thread) {
  if (!thread) return -1;
  std::lock_guard guard(thread->control);
  if (!thread->gate) return -1;
  std::shared_ptr<ThreadRun> run = currentRun(thread);
  if (!hasTask(run)) {
    thread->gate->open();
    return 0;
  }
  int32_t state = run->state.load();
  do {
    if (state == kThreadRunning) return -1;
    // A stop, or an end, stays as it is.
    if (state != kThreadPauseRequested && state != kThreadPaused) return 0;
  } while (!run->state.compare_exchange_weak(state, kThreadRunning));
  thread->gate->open();
  return 0;
}

int threadState(Thread* thread) {
  if (!thread) return -1;
  std::shared_ptr<ThreadRun> run = currentRun(thread);
  return run ? run->state.load() : kThreadCreated;
}

int threadSelfState() { return t_run ? t_run->state.load() : -1; }
