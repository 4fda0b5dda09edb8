#pragma once
// The receiver clock: seconds on the Unix time scale, held as the value last set and the host time at
// that moment; reading adds the host time elapsed since (measured on the host's monotonic clock, so
// host clock adjustments never make it jump). One listener hears about changes, with a reason code.
#include <cstdint>

// Reasons passed to clock_set, and what each does:
//   1        set, then notify 1
//   3        set, no notification (broadcast time)
//   4        notify 4 without setting
//   0,6,7,8  notify 5, set, then notify the reason
//   2, 5, anything else: nothing
// Notifying waits for a listener to be registered, checking every 50 ms up to 100 times, and gives up
// silently after that.
using ClockListener = void (*)(int reason);

// Start-up: the time base becomes 1 January 2003, 00:00.
void clock_init();
int64_t clock_now();    // whole seconds
int64_t clock_nowMs();  // clock_now() * 1000 plus the milliseconds of the current host second
// year counted from 1900, month 0..11, as in the host's broken-down time; the fields are taken as UTC.
void clock_set(int year, int month, int day, int hour, int minute, int second, int reason);
// Sets the clock from the host's local date and time with reason 1, so the receiver's UTC clock shows
// the host's local time.
void clock_setFromHost();
// Runs clock_setFromHost on a one-shot task (its notification may wait for the listener). The task
// index, or -1.
int clock_startHostSync();

void clock_setListener(ClockListener listener);
ClockListener clock_getListener();
