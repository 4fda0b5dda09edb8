// Message round trip between two tasks and a lock/unlock pair: our task layer against bare
// standard-library primitives doing the same work.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "common/ratio_main.h"
#include "runtime/pool.h"
#include "runtime/process.h"

namespace {

// Echo task: sends every message back to task 0 until it gets type 99.
void echo(void*) {
  ProcessMessage msg;
  while (process_receive(&msg) == 0) {
    int type = msg.type;
    ProcessMessage reply{type, msg.data, msg.size};
    process_send(0, &reply);
    pool_free(POOL_CORE_PROCESS, msg.data, msg.size);
    if (type == 99) break;
  }
  process_exit();
}

void BM_RoundTrip_Tasks(benchmark::State& state) {
  process_init();
  int task = process_start(echo, nullptr, 0);
  char payload[16] = "0123456789abcde";
  for (auto _ : state) {
    ProcessMessage msg{1, payload, sizeof payload}, reply;
    process_send(task, &msg);
    process_receive(&reply);
    pool_free(POOL_CORE_PROCESS, reply.data, reply.size);
  }
  ProcessMessage stop{99, nullptr, 0}, reply;
  process_send(task, &stop);
  process_receive(&reply);
}

// The same exchange on two mutex + condition-variable queues carrying 16-byte copies.
struct StdQueue {
  std::mutex m;
  std::condition_variable cv;
  std::deque<std::pair<int, std::string>> items;
  void push(int type, std::string data) {
    {
      std::lock_guard l(m);
      items.emplace_back(type, std::move(data));
    }
    cv.notify_one();
  }
  std::pair<int, std::string> pop() {
    std::unique_lock l(m);
    cv.wait(l, [&] { return !items.empty(); });
    auto item = std::move(items.front());
    items.pop_front();
    return item;
  }
};

void BM_RoundTrip_Std(benchmark::State& state) {
  StdQueue toEcho, toMain;
  std::thread echoThread([&] {
    for (;;) {
      auto item = toEcho.pop();
      int type = item.first;
      toMain.push(type, std::move(item.second));
      if (type == 99) break;
    }
  });
  std::string payload(16, 'x');
  for (auto _ : state) {
    toEcho.push(1, payload);
    benchmark::DoNotOptimize(toMain.pop());
  }
  toEcho.push(99, {});
  toMain.pop();
  echoThread.join();
}

void BM_LockUnlock_Tasks(benchmark::State& state) {
  process_init();
  int m = process_mutex_create();
  for (auto _ : state) {
    process_mutex_lock(m);
    process_mutex_unlock(m);
  }
  process_mutex_destroy(m);
}

void BM_LockUnlock_Std(benchmark::State& state) {
  std::mutex m;
  for (auto _ : state) {
    m.lock();
    m.unlock();
  }
}

BENCHMARK(BM_RoundTrip_Tasks)->UseRealTime();
BENCHMARK(BM_RoundTrip_Std)->UseRealTime();
BENCHMARK(BM_LockUnlock_Tasks);
BENCHMARK(BM_LockUnlock_Std);
ORB_BENCH_RATIO(BM_RoundTrip_Tasks / real_time, BM_RoundTrip_Std / real_time);
ORB_BENCH_RATIO(BM_LockUnlock_Tasks, BM_LockUnlock_Std);

}  // namespace

ORB_BENCH_RATIO_MAIN()
