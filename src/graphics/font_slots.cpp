#include "graphics/font.h"

namespace {

// Code points above U+01CE that have a slot: a run of `count` code points starting at `first`,
// mapped to slots from `slot` on. Sorted by code point.
struct SlotRun {
  uint32_t first;
  uint16_t count;
  uint16_t slot;
};

constexpr SlotRun kRuns[] = {
    {0x01E6, 3, 487}, {0x01FE, 1, 511}, {0x02C6, 2, 490}, {0x02C9, 1, 492}, {0x02D8, 5, 493}, {0x066B, 1, 498},
    {0x1E80, 6, 463}, {0x1EF2, 2, 469}, {0x2007, 1, 499}, {0x2010, 1, 486}, {0x2013, 2, 500}, {0x2018, 2, 471},
    {0x201A, 1, 502}, {0x201C, 2, 473}, {0x201E, 1, 503}, {0x2022, 1, 475}, {0x2026, 1, 504}, {0x2030, 1, 505},
    {0x2039, 2, 506}, {0x2044, 1, 476}, {0x20AC, 1, 477}, {0x2122, 1, 508}, {0x2190, 4, 478}, {0x2212, 1, 509},
    {0x2214, 1, 510}, {0x2215, 1, 512}, {0x2219, 1, 513}, {0x221E, 1, 482}, {0x224C, 1, 514}, {0x2268, 2, 515},
    {0x266B, 1, 483}, {0x2713, 1, 484}, {0x2717, 1, 485},
};

}  // namespace

int32_t font_slotOf(uint32_t codePoint) {
  if (codePoint <= 0x01CE) return int32_t(codePoint);
  for (const SlotRun& run : kRuns)
    if (codePoint >= run.first && codePoint < run.first + run.count) return run.slot + int32_t(codePoint - run.first);
  return -1;
}
