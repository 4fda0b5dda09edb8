#include "runtime/process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "runtime/pool.h"
#include "support/tasks.h"

namespace {

// A task that waits for one message, reports it and exits.
struct Mailbox {
  std::atomic<int> received{0};
  std::atomic<int> lastType{-1};
  std::string lastPayload;
  int done = -1;  // a mutex used as a signal: unlocked when the task has finished
};

void receiveOnceAndExit(void* arg) {
  auto* box = static_cast<Mailbox*>(arg);
  ProcessMessage msg;
  if (process_receive(&msg) == 0) {
    box->lastPayload.assign(static_cast<const char*>(msg.data ? msg.data : ""), msg.size);
    pool_free(POOL_CORE_PROCESS, msg.data, msg.size);
    box->lastType = msg.type;
    ++box->received;
  }
  process_exit();
  process_mutex_unlock(box->done);
}

TEST(Tasks, TableFillsAndAFreedSlotIsReused) {
  const int liveBefore = process_liveCount();
  // One signal for all: each task adds a count when it has finished.
  const int done = process_mutex_create();
  ASSERT_GT(done, 0);
  process_mutex_drain(done);
  std::vector<Mailbox> boxes(kProcessSlots + 1);
  std::vector<int> slots;
  for (Mailbox& box : boxes) {
    box.done = done;
    int slot = process_start(receiveOnceAndExit, &box, 0);
    if (slot < 0) break;
    slots.push_back(slot);
  }
  EXPECT_EQ(static_cast<int>(slots.size()), kProcessSlots - liveBefore);
  EXPECT_EQ(process_liveCount(), kProcessSlots);

  // The lowest slot's task exits; the next start takes exactly that slot.
  ProcessMessage quit{1, nullptr, 0};
  ASSERT_EQ(process_send(slots[0], &quit), 0);
  ASSERT_EQ(process_mutex_lock(done), 0);
  EXPECT_TRUE(eventually([&] { return process_liveCount() == kProcessSlots - 1; }));
  Mailbox& again = boxes.back();
  again.done = done;
  EXPECT_EQ(process_start(receiveOnceAndExit, &again, -2), slots[0]);

  for (int slot : slots) ASSERT_EQ(process_send(slot, &quit), 0);
  for (size_t i = 0; i < slots.size(); ++i) process_mutex_lock(done);
  EXPECT_TRUE(eventually([&] { return process_liveCount() == liveBefore; }));
  EXPECT_EQ(again.received, 1);
  process_mutex_destroy(done);
}

TEST(Tasks, MessagesAreCopiedAndArriveInOrder) {
  const int64_t before = pool_stats(POOL_CORE_PROCESS).bytesInUse;
  Mailbox box;
  box.done = process_mutex_create();
  process_mutex_lock(box.done);
  int task = process_start(receiveOnceAndExit, &box, 0);
  ASSERT_GT(task, 0);
  char payload[] = "channel 7";
  ProcessMessage msg{3, payload, static_cast<int32_t>(std::strlen(payload))};
  ASSERT_EQ(process_send(task, &msg), 0);
  std::strcpy(payload, "changed!!");  // the queue holds its own copy
  process_mutex_lock(box.done);
  EXPECT_EQ(box.lastType, 3);
  EXPECT_EQ(box.lastPayload, "channel 7");
  EXPECT_EQ(pool_stats(POOL_CORE_PROCESS).bytesInUse, before);
  process_mutex_destroy(box.done);

  // The main thread is task 0 and has a queue of its own.
  ASSERT_EQ(process_self(), 0);
  for (int type = 1; type <= 3; ++type) {
    ProcessMessage m{type, payload, type == 2 ? 0 : 4};
    ASSERT_EQ(process_send(0, &m), 0);
  }
  for (int type = 1; type <= 3; ++type) {
    ProcessMessage got;
    ASSERT_EQ(process_receiveTimeout(&got, 0), 0);
    EXPECT_EQ(got.type, type);
    if (type == 2) {
      EXPECT_EQ(got.data, nullptr);  // an empty payload arrives as null
      EXPECT_EQ(got.size, 0);
    } else {
      EXPECT_EQ(got.size, 4);
      EXPECT_EQ(std::memcmp(got.data, "chan", 4), 0);
    }
    pool_free(POOL_CORE_PROCESS, got.data, got.size);
  }
  EXPECT_EQ(pool_stats(POOL_CORE_PROCESS).bytesInUse, before);
}

TEST(Tasks, ReceiveWithAndWithoutTimeOut) {
  ProcessMessage got{9, reinterpret_cast<void*>(1), 9};
  EXPECT_EQ(process_receiveTimeout(&got, 0), -1);  // empty queue: one look
  EXPECT_EQ(got.type, 0);
  EXPECT_EQ(got.data, nullptr);
  EXPECT_EQ(process_receiveTimeout(&got, 150), -1);

  // -1 waits without limit until another task sends.
  struct Sender {
    static void run(void*) {
      process_sleep(50);
      ProcessMessage m{42, nullptr, 0};
      process_send(0, &m);
      process_exit();
    }
  };
  ASSERT_GT(process_start(Sender::run, nullptr, 0), 0);
  ASSERT_EQ(process_receiveTimeout(&got, -1), 0);
  EXPECT_EQ(got.type, 42);

  // A thread outside the table has no queue.
  int foreign = 0;
  std::thread([&] { foreign = process_receiveTimeout(&got, 0) == -1 && process_self() == -1; }).join();
  EXPECT_TRUE(foreign);
}

TEST(Tasks, SendReachesATaskBeforeItsReceiveLoopAndFailsForAFreeSlot) {
  struct Late {
    static void run(void* arg) {
      process_sleep(100);  // not yet receiving when the message is sent
      receiveOnceAndExit(arg);
    }
  };
  Mailbox box;
  box.done = process_mutex_create();
  process_mutex_lock(box.done);
  int task = process_start(Late::run, &box, 0);
  ProcessMessage msg{5, nullptr, 0};
  ASSERT_EQ(process_send(task, &msg), 0);
  process_mutex_lock(box.done);
  EXPECT_EQ(box.received, 1);
  EXPECT_TRUE(eventually([&] { return process_send(task, &msg) == -1; }));  // slot freed by process_exit
  EXPECT_EQ(process_send(-1, &msg), -1);
  EXPECT_EQ(process_send(kProcessSlots, &msg), -1);
  EXPECT_EQ(process_send(0, nullptr), -1);
  process_mutex_destroy(box.done);
}

// A task that takes a mutex and reports that it holds it.
struct Locker {
  int mutex;
  std::atomic<int> result{1};
  std::atomic<bool> holding{false};
  static void run(void* arg) {
    auto* self = static_cast<Locker*>(arg);
    self->result = process_mutex_lock(self->mutex);
    self->holding = true;
    process_exit();
  }
};

TEST(Mutexes, LockWaitsForUnlockAndDrainLeavesItLocked) {
  int m = process_mutex_create();
  ASSERT_GT(m, 0);
  ASSERT_EQ(process_mutex_lock(m), 0);  // starts unlocked

  Locker second{m};
  ASSERT_GT(process_start(Locker::run, &second, 0), 0);
  process_sleep(50);
  EXPECT_FALSE(second.holding);
  ASSERT_EQ(process_mutex_unlock(m), 0);
  EXPECT_TRUE(eventually([&] { return second.holding.load(); }));
  EXPECT_EQ(second.result, 0);

  // Three unlocks, then a drain: the next lock waits again.
  for (int i = 0; i < 3; ++i) process_mutex_unlock(m);
  ASSERT_EQ(process_mutex_drain(m), 0);
  Locker third{m};
  ASSERT_GT(process_start(Locker::run, &third, 0), 0);
  process_sleep(50);
  EXPECT_FALSE(third.holding);

  // Destroying a mutex wakes its waiter with a failure instead of leaving it stuck.
  ASSERT_EQ(process_mutex_destroy(m), 0);
  EXPECT_TRUE(eventually([&] { return third.holding.load(); }));
  EXPECT_EQ(third.result, -1);
}

TEST(Mutexes, BadIndicesAndAFullTable) {
  for (int bad : {-1, kProcessSlots, 200}) {
    EXPECT_EQ(process_mutex_lock(bad), -1);
    EXPECT_EQ(process_mutex_unlock(bad), -1);
    EXPECT_EQ(process_mutex_drain(bad), -1);
    EXPECT_EQ(process_mutex_destroy(bad), -1);
  }
  int m = process_mutex_create();
  ASSERT_EQ(process_mutex_destroy(m), 0);
  EXPECT_EQ(process_mutex_destroy(m), -1);
  EXPECT_EQ(process_mutex_lock(m), -1);
  EXPECT_EQ(process_mutex_destroy(0), -1);  // the table's own lock stays

  std::vector<int> made;
  for (int i; (i = process_mutex_create()) >= 0;) made.push_back(i);
  EXPECT_GE(made.size(), 1u);
  EXPECT_LE(made.size(), static_cast<size_t>(kProcessSlots - 2));
  EXPECT_EQ(process_mutex_create(), -1);
  ASSERT_EQ(process_mutex_destroy(made.front()), 0);
  EXPECT_EQ(process_mutex_create(), made.front());  // the lowest free slot
  for (int i : made) process_mutex_destroy(i);
}

}  // namespace
