#pragma once
// The programme events of a service around the broadcast time.
#include <cstdint>
#include <vector>

#include "fixture.h"

namespace streamgen {

struct Event {
  unsigned id = 0;
  int64_t start = 0;
  unsigned duration = 0;
  size_t programme = 0;  // index into Fixture::programmes
};

// The events of a service: one around `base` (from 20 minutes before to 100 minutes after it), the
// programme list cycling before and after it, from 00:00 UTC of the base day for `days` days (at
// least until a day after `base`). Event ids count from 1 in time order. `serviceIndex` (the
// service's place in its transport) chooses where in the programme list the service starts.
std::vector<Event> makeEvents(const Fixture& f, const Transport& t, size_t serviceIndex, int64_t base, unsigned days);

// 00:00 UTC of the day of `t`.
inline int64_t dayStart(int64_t t) { return t - ((t % 86400) + 86400) % 86400; }

}  // namespace streamgen
