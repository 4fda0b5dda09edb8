#include "runtime/time/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/process.h"

namespace {

class TaskEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(process_init(), 0); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new TaskEnvironment);

std::mutex g_heardLock;
std::vector<int> g_heard;

void recordingListener(int reason) {
  std::lock_guard lock(g_heardLock);
  g_heard.push_back(reason);
}

std::vector<int> takeHeard() {
  std::lock_guard lock(g_heardLock);
  return std::exchange(g_heard, {});
}

constexpr int64_t k2013 = 1364299200;  // 2013-03-26 12:00:00 UTC

// True when the clock reads `seconds`, allowing for one host second passing meanwhile.
bool reads(int64_t seconds) {
  int64_t now = clock_now();
  return now == seconds || now == seconds + 1;
}

struct ReasonCase {
  int reason;
  bool sets;
  std::vector<int> notifications;
};

TEST(ClockTest, ReasonsDecideSettingAndNotification) {
  const ReasonCase cases[] = {
      {0, true, {5, 0}}, {1, true, {1}},    {2, false, {}},    {3, true, {}},  {4, false, {4}}, {5, false, {}},
      {6, true, {5, 6}}, {7, true, {5, 7}}, {8, true, {5, 8}}, {9, false, {}}, {-1, false, {}},
  };
  clock_setListener(recordingListener);
  for (const ReasonCase& c : cases) {
    SCOPED_TRACE(c.reason);
    clock_init();
    takeHeard();
    clock_set(113, 2, 26, 12, 0, 0, c.reason);
    EXPECT_TRUE(reads(c.sets ? k2013 : 1041379200));
    EXPECT_EQ(takeHeard(), c.notifications);
  }
  clock_setListener(nullptr);
}

TEST(ClockTest, FieldsAreUtcAndNormalised) {
  struct {
    int year, month, day, hour, minute, second;
    int64_t seconds;
  } const cases[] = {
      {113, 2, 26, 12, 0, 0, k2013},        {70, 0, 1, 0, 0, 0, 0},
      {113, 12, 1, 0, 0, 0, 1388534400},  // month 12 is January of the next year
      {112, 1, 29, 23, 59, 59, 1330559999}, {113, 2, 26, 12, 0, 75, k2013 + 75},
  };
  for (const auto& c : cases) {
    clock_set(c.year, c.month, c.day, c.hour, c.minute, c.second, 3);
    EXPECT_TRUE(reads(c.seconds)) << c.seconds;
  }
  clock_init();
  EXPECT_TRUE(reads(1041379200));  // 2003-01-01 00:00
}

TEST(ClockTest, MillisecondsNeverStepBack) {
  clock_set(113, 2, 26, 12, 0, 0, 3);
  std::atomic<bool> backwards{false};
  auto watch = [&] {
    int64_t last = clock_nowMs();
    for (auto stop = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
         std::chrono::steady_clock::now() < stop;) {
      int64_t ms = clock_nowMs();
      if (ms < last) backwards = true;
      int64_t s = clock_now();
      if (s < ms / 1000) backwards = true;  // a later whole-second reading is never behind
      last = ms;
    }
  };
  std::thread other(watch);
  watch();
  other.join();
  EXPECT_FALSE(backwards);
  EXPECT_GE(clock_nowMs(), k2013 * 1000 + 1000);
}

// A listener registered while a notification waits still hears it.
void registerLater(void*) {
  process_sleep(150);
  clock_setListener(recordingListener);
  process_exit();
}

TEST(ClockTest, NotificationWaitsForAListener) {
  clock_setListener(nullptr);
  takeHeard();
  ASSERT_GE(process_start(registerLater, nullptr, 0), 0);
  clock_set(113, 2, 26, 12, 0, 0, 4);
  EXPECT_EQ(takeHeard(), std::vector<int>{4});
  EXPECT_EQ(clock_getListener(), recordingListener);
  clock_setListener(nullptr);
}

TEST(ClockTest, NotificationGivesUpWithoutAListener) {
  clock_setListener(nullptr);
  clock_init();
  clock_set(113, 2, 26, 12, 0, 0, 1);  // waits about five seconds, then returns
  EXPECT_GE(clock_now(), k2013 + 4);   // set before the wait
  EXPECT_LE(clock_now(), k2013 + 7);
  EXPECT_TRUE(takeHeard().empty());
}

TEST(ClockTest, HostSyncShowsTheHostsLocalTime) {
  clock_setListener(recordingListener);
  takeHeard();
  clock_init();
  std::time_t before = std::time(nullptr);
  std::tm local{};
  localtime_r(&before, &local);
  int64_t expected = timegm(&local);
  int task = clock_startHostSync();
  ASSERT_GE(task, 0);
  for (int i = 0; i < 500 && takeHeard().empty(); ++i) process_sleep(10);
  int64_t now = clock_now();
  EXPECT_GE(now, expected);
  EXPECT_LE(now, expected + 6);
  clock_setListener(nullptr);
}

}  // namespace
