#include "generate.h"

#include <set>

#include "elementary.h"
#include "manifest.h"
#include "si.h"
#include "tables.h"

namespace streamgen {

namespace {

const std::array<uint8_t, 8> kEvenKey = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
const std::array<uint8_t, 8> kOddKey = {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x0F};

}  // namespace

MuxPlan planStream(const Fixture& f, const Transport& t, int64_t base) {
  MuxPlan plan;
  plan.durationMs = t.durationMs;
  plan.packed = t.packed;
  plan.evenKey = kEvenKey, plan.oddKey = kOddKey;
  auto add = [&](const PsiTables& psi, unsigned from, unsigned to) {
    plan.tables.push_back({0x0000, psi.pat, 100, 0, from, to});
    for (const auto& [pid, sections] : psi.pmts) plan.tables.push_back({pid, sections, 100, 0, from, to});
    if (!psi.cat.empty()) plan.tables.push_back({0x0001, psi.cat, 500, 0, from, to});
    if (!psi.nit.empty()) plan.tables.push_back({kNitPid, psi.nit, 500, 0, from, to});
    if (!psi.sdt.empty()) plan.tables.push_back({kSdtPid, psi.sdt, 250, 0, from, to});
  };
  if (!t.changes) {
    add(psiTables(f, t), 0, 0);
  } else {
    // First half as listed, second half with the changes; tables whose content changed (and the
    // NIT in any case) carry version 1 there. A looping reader sees the versions alternate.
    PsiTables first = psiTables(f, halfOf(t, 1)), second = psiTables(f, halfOf(t, 2));
    bumpChanged(second.pat, first.pat, false);
    for (auto& [pid, sections] : second.pmts) bumpChanged(sections, first.pmts[pid], false);
    bumpChanged(second.nit, first.nit, true);
    bumpChanged(second.sdt, first.sdt, false);
    add(first, 0, t.durationMs / 2);
    add(second, t.durationMs / 2, t.durationMs);
  }
  if (t.eit) {
    std::vector<Bytes> pf, schedule;
    auto add = [&](const Transport& tr, unsigned pfTable, unsigned schedTable, bool withSchedule) {
      for (size_t index = 0; index < tr.services.size(); ++index) {
        const Service& s = tr.services[index];
        unsigned days = withSchedule ? s.scheduleDays : 0;
        if (!s.eitPf && !days) continue;
        std::vector<Event> events = makeEvents(f, tr, index, base, days);
        if (s.eitPf)
          for (Bytes& x : eitPf(f, tr, s, pfTable, base, events)) pf.push_back(std::move(x));
        if (days)
          for (Bytes& x : eitSchedule(f, tr, s, schedTable, base, events, days)) schedule.push_back(std::move(x));
      }
    };
    add(t, 0x4E, 0x50, true);
    if (t.otherTransport) add(*f.transport(t.network, t.otherTransport), 0x4F, 0x60, t.otherSchedule);
    plan.tables.push_back({kEitPid, pf, 250});
    if (!schedule.empty()) {
      // Twice per loop: a reader that joins mid-loop still sees every section within one loop.
      TableGroup g{kEitPid, schedule, t.durationMs};
      g.spread = 2;
      plan.tables.push_back(g);
    }
  }
  std::vector<Bytes> times;
  if (t.tdt) times.push_back(tdtSection(base));
  if (t.tot) times.push_back(totSection(t, base));
  if (!times.empty()) plan.tables.push_back({kTimePid, times, 500});
  unsigned counter = 0;
  for (const Service& s : t.services)
    if (s.ecmPid)
      plan.tables.push_back({s.ecmPid, {caMessage(0x80, counter), caMessage(0x81, counter + 1)}, 500}), ++counter;
  if (t.emmPid) plan.tables.push_back({t.emmPid, {caMessage(0x82, 7)}, 1000});

  // Payload: two pictures per video stream, three audio frames, one teletext and subtitle packet.
  std::set<unsigned> pcrs;
  for (const Service& s : t.services) {
    if (s.pmtMissing) continue;
    pcrs.insert(s.pcrPid);
    for (const ElementaryStream& e : s.streams) {
      std::vector<double> at = isVideo(e.kind)   ? std::vector<double>{0.25, 0.75}
                               : isAudio(e.kind) ? std::vector<double>{0.2, 0.5, 0.8}
                                                 : std::vector<double>{0.4};
      for (double frac : at) {
        unsigned ms = static_cast<unsigned>(frac * t.durationMs) + (e.pid % 17);
        Bytes pes = pesFor(e.kind, static_cast<uint64_t>(1700 + ms) * 90);
        if (!pes.empty()) plan.pes.push_back({e.pid, ms, pes, s.scramble});
      }
    }
  }
  plan.pcrPids.assign(pcrs.begin(), pcrs.end());
  return plan;
}

StreamFile generateStream(const Fixture& f, const Transport& t, int64_t base) {
  StreamFile out;
  out.path = t.file;
  MuxPlan plan = planStream(f, t, base);
  out.data = multiplex(plan);
  out.manifest = manifestOf(f, t, base, plan, out.data.size() / 188);
  return out;
}
}  // namespace streamgen
