#include "store/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "runtime/process.h"
#include "support/tasks.h"

namespace {

// A body that counts its calls; it ends after `limit` calls when limit > 0.
struct Counter {
  std::atomic<int> calls{0};
  int limit = 0;
  std::atomic<int> lastSelfState{-2};
};

int countCalls(void* user) {
  auto* c = static_cast<Counter*>(user);
  c->lastSelfState = threadSelfState();
  int n = ++c->calls;
  process_sleep(1);
  return c->limit > 0 && n >= c->limit ? 0 : 1;
}

// Checks that the body makes no call while the thread is paused, then that it goes on after a resume.
void expectHeld(Thread* t, Counter& c) {
  ASSERT_TRUE(eventually([&] { return threadState(t) == kThreadPaused; }));
  int held = c.calls;
  process_sleep(30);
  EXPECT_EQ(c.calls, held);
}

TEST(Thread, NeedsABody) {
  EXPECT_EQ(threadNew(nullptr), nullptr);
  EXPECT_EQ(threadState(nullptr), -1);
  EXPECT_EQ(threadStart(nullptr, "x", nullptr), -1);
}

TEST(Thread, StartPauseResumeStop) {
  Counter c;
  Thread* t = threadNew(countCalls);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(threadState(t), kThreadCreated);
  EXPECT_EQ(threadResume(t), -1);  // no pause yet
  EXPECT_EQ(threadPause(t), -1);   // no task yet
  EXPECT_EQ(threadStop(t), -1);
  ASSERT_EQ(threadStart(t, "counter", &c), 0);
  EXPECT_EQ(threadStart(t, "counter", &c), -1);
  EXPECT_TRUE(threadIsRunning(t));
  ASSERT_TRUE(eventually([&] { return c.calls > 3; }));
  EXPECT_EQ(c.lastSelfState, kThreadRunning);
  EXPECT_EQ(threadSelfState(), -1);  // the test is no thread's task
  EXPECT_EQ(threadResume(t), -1);    // running

  // Pausing twice in a row works: each pause closes the gate again.
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(threadPause(t), 0);
    EXPECT_EQ(threadPause(t), -1);  // not running any more
    EXPECT_FALSE(threadIsRunning(t));
    expectHeld(t, c);
    int before = c.calls;
    ASSERT_EQ(threadResume(t), 0);
    EXPECT_TRUE(eventually([&] { return c.calls > before + 2; }));
  }

  ASSERT_EQ(threadStop(t), 0);
  EXPECT_EQ(threadState(t), kThreadEnded);  // ended by itself, not let go
  EXPECT_EQ(threadStop(t), -1);
  EXPECT_FALSE(threadIsRunning(t));

  // A thread that has ended can be started again.
  int before = c.calls;
  ASSERT_EQ(threadStart(t, nullptr, &c), 0);
  EXPECT_TRUE(eventually([&] { return c.calls > before; }));
  object_delete(t);  // stops the task
}

// A stop reaches a paused thread: the gate opens and the task ends by itself.
TEST(Thread, StopWhilePausedEndsCooperatively) {
  Counter c;
  Thread* t = threadNew(countCalls);
  ASSERT_EQ(threadStart(t, "paused", &c), 0);
  ASSERT_EQ(threadPause(t), 0);
  expectHeld(t, c);
  int held = c.calls;
  ASSERT_EQ(threadStop(t), 0);
  EXPECT_EQ(threadState(t), kThreadEnded);
  EXPECT_EQ(c.calls, held);
  EXPECT_EQ(threadResume(t), 0);  // the gate exists; no task: nothing changes
  EXPECT_EQ(threadState(t), kThreadEnded);
  object_delete(t);
}

TEST(Thread, BodyThatEndsAtOnce) {
  Counter c;
  c.limit = 1;
  Thread* t = threadNew(countCalls);
  ASSERT_EQ(threadStart(t, "once", &c), 0);
  ASSERT_TRUE(eventually([&] { return threadState(t) == kThreadEnded && !threadIsRunning(t); }));
  EXPECT_EQ(c.calls, 1);
  EXPECT_EQ(threadStop(t), -1);
  EXPECT_EQ(threadPause(t), -1);
  object_delete(t);
}

// Requests made right after the start are not lost, however the start and the task interleave.
TEST(Thread, RequestsRightAfterStartAreKept) {
  for (int i = 0; i < 100; ++i) {
    Counter c;
    Thread* t = threadNew(countCalls);
    ASSERT_EQ(threadStart(t, nullptr, &c), 0);
    if (i % 2 == 0) {
      ASSERT_EQ(threadPause(t), 0);
      ASSERT_TRUE(eventually([&] { return threadState(t) == kThreadPaused; })) << i;
      int held = c.calls;
      ASSERT_EQ(threadResume(t), 0);
      ASSERT_TRUE(eventually([&] { return c.calls > held; }));
    }
    ASSERT_EQ(threadStop(t), 0);
    EXPECT_EQ(threadState(t), kThreadEnded) << i;
    object_delete(t);
  }
}

// A body that does not return in time is let go: the stop returns, the thread can start again, and
// the late body finishes without touching the destroyed Thread.
struct Blocker {
  std::atomic<bool> release{false};
  std::atomic<bool> entered{false};
  std::atomic<bool> returned{false};
};

int blockUntilReleased(void* user) {
  auto* b = static_cast<Blocker*>(user);
  b->entered = true;
  while (!b->release) process_sleep(1);
  b->returned = true;
  return 1;
}

TEST(Thread, BusyBodyIsLetGoAfterTheWait) {
  static Blocker b;  // outlives the test: the late task reads it
  Thread* t = threadNew(blockUntilReleased);
  ASSERT_EQ(threadStart(t, "stuck", &b), 0);
  ASSERT_TRUE(eventually([&] { return b.entered.load(); }));
  ASSERT_EQ(threadStop(t), 0);
  EXPECT_EQ(threadState(t), kThreadStopRequested);
  EXPECT_FALSE(threadIsRunning(t));
  EXPECT_EQ(threadStop(t), -1);  // no task any more
  object_delete(t);
  b.release = true;
  EXPECT_TRUE(eventually([&] { return b.returned.load(); }));
}

// A long body can poll its own state and return early on a stop.
int pollingBody(void* user) {
  auto* c = static_cast<Counter*>(user);
  ++c->calls;
  for (int i = 0; i < 100000 && threadSelfState() == kThreadRunning; ++i) process_sleep(1);
  return 1;
}

TEST(Thread, LongBodyReturnsEarlyOnStop) {
  Counter c;
  Thread* t = threadNew(pollingBody);
  ASSERT_EQ(threadStart(t, "poller", &c), 0);
  ASSERT_TRUE(eventually([&] { return c.calls > 0; }));
  ASSERT_EQ(threadStop(t), 0);
  EXPECT_EQ(threadState(t), kThreadEnded);
  object_delete(t);
}

// Several tasks pull one thread about at random; every operation keeps to its rules, nothing hangs,
// and a last stop always ends the task.
TEST(Thread, ConcurrentRequests) {
  Counter c;
  Thread* t = threadNew(countCalls);
  ASSERT_EQ(threadStart(t, "shared", &c), 0);
  std::atomic<bool> failed{false};
  std::vector<std::thread> controllers;
  for (int k = 0; k < 3; ++k) {
    controllers.emplace_back([&, k] {
      std::mt19937 rng(k);
      for (int i = 0; i < 150; ++i) {
        switch (rng() % 5) {
          case 0:
            threadPause(t);
            break;
          case 1:
            threadResume(t);
            break;
          case 2:
            threadStart(t, nullptr, &c);
            break;
          case 3:
            if (rng() % 4 == 0) threadStop(t);
            break;
          case 4: {
            int s = threadState(t);
            if (s < kThreadCreated || s > kThreadEnded) failed = true;
            break;
          }
        }
        process_sleep(static_cast<int>(rng() % 3));
      }
    });
  }
  for (std::thread& th : controllers) th.join();
  EXPECT_FALSE(failed);
  threadResume(t);
  threadStop(t);
  EXPECT_FALSE(threadIsRunning(t));
  int s = threadState(t);
  EXPECT_TRUE(s == kThreadEnded || s == kThreadCreated) << s;
  object_delete(t);
}

}  // namespace
