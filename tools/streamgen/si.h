#pragma once
// The PSI/SI tables of a transport: PAT, PMT, CAT, NIT, SDT, BAT, EIT, TDT and TOT sections, and the
// two halves of a transport whose tables change in the middle of the loop.
#include <map>
#include <vector>

#include "bytes.h"
#include "events.h"
#include "fixture.h"

namespace streamgen {

constexpr unsigned kNitPid = 0x10, kSdtPid = 0x11, kEitPid = 0x12, kTimePid = 0x14;

struct PsiTables {
  std::vector<Bytes> pat, cat, nit, sdt;        // the SDT list also holds SDT other and BAT
  std::map<unsigned, std::vector<Bytes>> pmts;  // by PID: programs may share a PMT PID
};

PsiTables psiTables(const Fixture& f, const Transport& t);
std::vector<Bytes> patSections(const Transport& t);
std::vector<Bytes> nitSections(const Fixture& f, const Network& n, unsigned tableId, unsigned minSections);
std::vector<Bytes> sdtSections(const Transport& t, unsigned tableId, unsigned minSections);

// Present/following of a service: section 0 the event running at `base`, section 1 the next one.
std::vector<Bytes> eitPf(const Fixture& f, const Transport& t, const Service& s, unsigned tableId, int64_t base,
                         const std::vector<Event>& events);
// Schedule of a service in 3-hour segments from 00:00 UTC of the base day, eight segments per day and
// up to 32 segments (4 days) per table id.
std::vector<Bytes> eitSchedule(const Fixture& f, const Transport& t, const Service& s, unsigned firstTable,
                               int64_t base, const std::vector<Event>& events, unsigned days);
Bytes tdtSection(int64_t now);
Bytes totSection(const Transport& t, int64_t now);
// A short private section (no CRC) standing in for ECM/EMM messages.
Bytes caMessage(unsigned tableId, unsigned counter);

// The transport as one half of a loop with changing tables lists it (services and streams of the
// other half left out, second names in the second half).
Transport halfOf(const Transport& t, unsigned half);
// Gives version 1 to every sub-table (table id and extension) of `now` that differs from `before`,
// or to all of them with `always`.
void bumpChanged(std::vector<Bytes>& now, const std::vector<Bytes>& before, bool always);

}  // namespace streamgen
