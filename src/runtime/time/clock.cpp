#include "runtime/time/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

#include "runtime/process.h"

namespace {

constexpr int64_t kBase2003 = 1041379200;  // 2003-01-01 00:00:00 UTC
constexpr int kListenerPollMs = 50;
constexpr int kListenerPolls = 100;

// Receiver seconds minus the host's monotonic whole seconds: one word, so readers on any task see
// a consistent clock.
std::atomic<int64_t> g_offset{0};
std::atomic<ClockListener> g_listener{nullptr};

int64_t hostMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void setSeconds(int64_t seconds) { g_offset.store(seconds - hostMs() / 1000); }

// Days from 1970-01-01 to the given proleptic Gregorian date (month 1..12).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void notify(int reason) {
  for (int i = 0; i < kListenerPolls; ++i) {
    if (ClockListener listener = g_listener.load()) {
      listener(reason);
      return;
    }
    process_sleep(kListenerPollMs);
  }
}

void hostSyncTask(void*) {
  clock_setFromHost();
  process_exit();
}

}  // namespace

void clock_init() { setSeconds(kBase2003); }

int64_t clock_nowMs() {
  int64_t ms = hostMs();
  return (g_offset.load() + ms / 1000) * 1000 + ms % 1000;
}

int64_t clock_now() { return g_offset.load() + hostMs() / 1000; }

void clock_set(int year, int month, int day, int hour, int minute, int second, int reason) {
  bool set = false;
  bool notifyBefore = false;
  int after = -1;
  switch (reason) {
    case 1:
      set = true;
      after = 1;
      break;
    case 3:
      set = true;
      break;
    case 4:
      after = 4;
      break;
    case 0:
    case 6:
    case 7:
    case 8:
      notifyBefore = true;
      set = true;
      after = reason;
      break;
    default:
      return;
  }
  if (notifyBefore) notify(5);
  if (set) {
    // Normalise the month as the host's calendar conversion would, then count in UTC.
    int64_t y = 1900 + static_cast<int64_t>(year) + (month >= 0 ? month / 12 : (month - 11) / 12);
    int64_t m = ((month % 12) + 12) % 12 + 1;
    int64_t seconds = daysFromCivil(y, m, 1) * 86400 + (static_cast<int64_t>(day) - 1) * 86400 +
                      static_cast<int64_t>(hour) * 3600 + static_cast<int64_t>(minute) * 60 + second;
    setSeconds(seconds);
  }
  if (after >= 0) notify(after);
}

void clock_setFromHost() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  clock_set(local.tm_year, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 1);
}

int clock_startHostSync() { return process_start(hostSyncTask, nullptr, 0); }

void clock_setListener(ClockListener listener) { g_listener.store(listener); }
ClockListener clock_getListener() { return g_listener.load(); }
