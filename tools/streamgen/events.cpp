#include "events.h"

#include <algorithm>
#include <stdexcept>

namespace streamgen {

std::vector<Event> makeEvents(const Fixture& f, const Transport& t, size_t serviceIndex, int64_t base, unsigned days) {
  const size_t n = f.programmes.size();
  const int64_t day0 = dayStart(base);
  const int64_t end = std::max(day0 + static_cast<int64_t>(days) * 86400, base + 86400);
  const size_t first = (serviceIndex * 3 + t.tsid) % n;
  std::vector<Event> before, after;
  Event present{0, base - 20 * 60, 120 * 60, first};
  // Backwards from the present event to the start of the base day; the earliest event is cut so
  // that it starts at 00:00.
  int64_t t0 = present.start;
  for (size_t k = 1; t0 > day0; ++k) {
    size_t prog = (first + n * 1000 - k) % n;
    int64_t len = f.programmes[prog].minutes * 60;
    int64_t start = std::max(day0, t0 - len);
    before.push_back({0, start, static_cast<unsigned>(t0 - start), prog});
    t0 = start;
  }
  int64_t t1 = present.start + present.duration;
  for (size_t k = 1; t1 < end; ++k) {
    size_t prog = (first + k) % n;
    unsigned len = f.programmes[prog].minutes * 60;
    after.push_back({0, t1, len, prog});
    t1 += len;
  }
  std::vector<Event> out(before.rbegin(), before.rend());
  out.push_back(present);
  out.insert(out.end(), after.begin(), after.end());
  if (out.size() > 0xFFFF) throw std::runtime_error("too many events");
  for (size_t i = 0; i < out.size(); ++i) out[i].id = static_cast<unsigned>(i + 1);
  return out;
}

}  // namespace streamgen
