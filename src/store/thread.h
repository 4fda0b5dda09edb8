#pragma once
// `Thread`: a task around a body that is called again and again, with requests to pause, resume and
// stop it from other tasks.
//
// States: 0 created, 1 running, 2 pause requested, 3 paused, 4 stop requested, 5 ended. Requests take
// effect between two body calls: a paused task waits on the thread's gate until `threadResume` opens
// it. A stop is always cooperative: `threadStop` opens the gate, so a paused task leaves at once, and
// waits up to 200 ms; a body that is still busy then is left to finish its call on its own, after
// which its task ends without touching the Thread again (the Thread may already be gone). Long bodies
// can poll `threadSelfState` to return early.
//
// The operations may be called from any task; each request is applied once, and a pause or stop asked
// right after `threadStart` is not lost.
#include <cstdint>
#include <memory>
#include <mutex>

#include "runtime/object.h"

// Returns non-zero to be called again, 0 to end the thread.
using ThreadBody = int (*)(void* user);

enum ThreadState : int32_t {
  kThreadCreated = 0,
  kThreadRunning = 1,
  kThreadPauseRequested = 2,
  kThreadPaused = 3,
  kThreadStopRequested = 4,
  kThreadEnded = 5,
};

struct ThreadRun;
struct ThreadGate;

class Thread : public Object {
 public:
  ORB_CLASS(Thread, 9, Object)
  // The argument points to the ThreadBody; a thread without a body is refused.
  static int classInit(Object* self, void* argument);
  // Stops a running task as `threadStop` does and destroys the gate.
  static void classDestroy(Object* self);

  ThreadBody body = nullptr;
  std::mutex control;                // serialises the operations on this thread
  std::mutex runLock;                // guards `run`, read by the state queries without `control`
  std::shared_ptr<ThreadRun> run;    // the task of the last start, shared with that task
  std::shared_ptr<ThreadGate> gate;  // made on the first pause
};

Thread* threadNew(ThreadBody body);

// -1 when a task already runs. Otherwise starts a task (with a name through `process_create`, stack
// 16384, the name kept for diagnostics; without one through `process_start`) that calls the body with
// `user`; 0.
int threadStart(Thread* thread, const char* name, void* user);
bool threadIsRunning(Thread* thread);  // a task exists and the state is 1
// -1 without a task or when a stop is already requested. Requests the stop, opens the gate, and
// waits up to 20 x 10 ms for the task to end; a task still busy is then let go. 0.
int threadStop(Thread* thread);
// -1 without a task or unless running. Closes the gate (made on first use) and requests the pause. 0.
int threadPause(Thread* thread);
// -1 without a gate, or when a task runs and the state is 1. Lets a paused thread go on. 0.
int threadResume(Thread* thread);
int threadState(Thread* thread);  // -1 without a thread
// The state of the thread whose body the calling task is running; -1 on any other task.
int threadSelfState();
