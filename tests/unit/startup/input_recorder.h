#pragma once
// Key listeners for the tests: each records what it receives; whether it consumes is set per listener.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/input/input.h"
#include "runtime/process.h"

struct Seen {
  char listener;
  uint8_t kind;
  uint16_t code;
  bool operator==(const Seen&) const = default;
};

inline std::mutex g_seenLock;
inline std::condition_variable g_seenChanged;
inline std::vector<Seen> g_seen;
// Per listener: which kinds it consumes (a bit per kind value).
inline uint32_t g_consumes[3] = {};

template <int N>
int recordingListener(KeyEvent* event) {
  std::lock_guard<std::mutex> guard(g_seenLock);
  g_seen.push_back({char('A' + N), event->kind, event->code});
  g_seenChanged.notify_all();
  return (g_consumes[N] >> event->kind) & 1 ? 1 : 0;
}

constexpr uint32_t kConsumesAll = 0xFFFFFFFF;
constexpr uint32_t kConsumesNothing = 0;

// The events seen once `count` have arrived (or after `timeoutMs`), then a further 50 ms to catch extras.
inline std::vector<Seen> seenAfter(size_t count, int timeoutMs = 2000) {
  std::unique_lock<std::mutex> lock(g_seenLock);
  g_seenChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return g_seen.size() >= count; });
  lock.unlock();
  process_sleep(50);
  lock.lock();
  return g_seen;
}

inline void clearSeen() {
  std::lock_guard<std::mutex> guard(g_seenLock);
  g_seen.clear();
}

// Starts the input task with a clean state; stops it at the end of each test.
class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool initialised = process_init() == 0;
    ASSERT_TRUE(initialised);
    clearSeen();
    for (uint32_t& c : g_consumes) c = kConsumesNothing;
    power_setOn(1);
    input_setEnabled(true);
    ASSERT_GE(input_start(), 0);
  }
  void TearDown() override {
    input_stop();
    input_setEnabled(false);
    power_setOn(1);
  }
};
