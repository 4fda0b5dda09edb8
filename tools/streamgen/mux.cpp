#include "mux.h"

#include <algorithm>
#include <map>

namespace streamgen {

namespace {

Bytes header(unsigned pid, bool start, unsigned adaptationControl) {
  Bytes p(188, 0xFF);
  p[0] = 0x47;
  p[1] = static_cast<uint8_t>((start ? 0x40 : 0) | ((pid >> 8) & 0x1F));
  p[2] = static_cast<uint8_t>(pid);
  p[3] = static_cast<uint8_t>(adaptationControl << 4);
  return p;
}

// Writes an adaptation field of `length` (bytes after the length byte) at p[4]; stuffed with 0xFF.
void adaptation(Bytes& p, unsigned length) {
  p[4] = static_cast<uint8_t>(length);
  if (length > 0) p[5] = 0x00;  // no flags
  for (unsigned i = 1; i < length; ++i) p[5 + i] = 0xFF;
}

}  // namespace

std::vector<Bytes> packetizeSections(unsigned pid, const std::vector<Bytes>& sections, bool packed) {
  std::vector<Bytes> out;
  if (!packed) {
    for (const Bytes& s : sections) {
      size_t pos = 0;
      bool first = true;
      while (pos < s.size()) {
        Bytes p = header(pid, first, 1);
        size_t at = 4;
        if (first) p[at++] = 0x00;  // pointer_field
        size_t n = std::min(s.size() - pos, 188 - at);
        std::copy(s.begin() + static_cast<long>(pos), s.begin() + static_cast<long>(pos + n),
                  p.begin() + static_cast<long>(at));
        pos += n;
        first = false;
        out.push_back(std::move(p));
      }
    }
    return out;
  }
  // Packed: one byte stream with the section start offsets.
  Bytes stream;
  std::vector<size_t> starts;
  for (const Bytes& s : sections) starts.push_back(stream.size()), stream.insert(stream.end(), s.begin(), s.end());
  size_t pos = 0;
  size_t nextStart = 0;  // index into starts
  for (int index = 0; pos < stream.size(); ++index) {
    bool withAdaptation = index % 2 == 0;
    unsigned afLength = withAdaptation ? 3 : 0;
    size_t room = 184 - (withAdaptation ? 1 + afLength : 0);
    while (nextStart < starts.size() && starts[nextStart] < pos) ++nextStart;
    // Does a section begin within this packet's payload (after the pointer field)?
    bool start = nextStart < starts.size() && starts[nextStart] < pos + room - 1;
    Bytes p = header(pid, start, withAdaptation ? 3 : 1);
    size_t at = 4;
    if (withAdaptation) adaptation(p, afLength), at += 1 + afLength;
    if (start) p[at++] = static_cast<uint8_t>(starts[nextStart] - pos), --room;
    size_t n = std::min(stream.size() - pos, room);
    std::copy(stream.begin() + static_cast<long>(pos), stream.begin() + static_cast<long>(pos + n),
              p.begin() + static_cast<long>(at));
    pos += n;
    out.push_back(std::move(p));
  }
  return out;
}

std::vector<Bytes> packetizePes(unsigned pid, const Bytes& pes) {
  std::vector<Bytes> out;
  size_t pos = 0;
  bool first = true;
  while (pos < pes.size()) {
    size_t left = pes.size() - pos;
    Bytes p;
    if (left >= 184) {
      p = header(pid, first, 1);
      std::copy(pes.begin() + static_cast<long>(pos), pes.begin() + static_cast<long>(pos + 184), p.begin() + 4);
      pos += 184;
    } else {
      p = header(pid, first, 3);
      unsigned af = static_cast<unsigned>(183 - left);  // adaptation_field_length
      adaptation(p, af);
      std::copy(pes.begin() + static_cast<long>(pos), pes.end(), p.begin() + 5 + af);
      pos = pes.size();
    }
    first = false;
    out.push_back(std::move(p));
  }
  return out;
}

Bytes multiplex(const MuxPlan& plan) {
  struct Unit {
    double timeMs;
    size_t order;
    std::vector<Bytes> packets;
    bool scrambled = false;
    bool pcr = false;
    unsigned pid = 0;
  };
  std::vector<Unit> units;
  size_t order = 0;
  const double duration = plan.durationMs;
  for (size_t g = 0; g < plan.tables.size(); ++g) {
    const TableGroup& group = plan.tables[g];
    if (group.sections.empty()) continue;
    if (group.spread) {
      const double n = static_cast<double>(group.sections.size() * group.spread);
      for (size_t i = 0; i < group.sections.size() * group.spread; ++i)
        units.push_back({duration * (static_cast<double>(i) + 0.5) / n, order++,
                         packetizeSections(group.pid, {group.sections[i % group.sections.size()]}, plan.packed)});
      continue;
    }
    std::vector<Bytes> packets = packetizeSections(group.pid, group.sections, plan.packed);
    const double end = group.toMs ? group.toMs : duration;
    for (double t = group.fromMs + static_cast<double>(g % 20); t < end; t += group.periodMs)
      units.push_back({t, order++, packets});
  }
  for (const PesUnit& u : plan.pes) {
    Unit unit{static_cast<double>(u.timeMs), order++, packetizePes(u.pid, u.pes)};
    unit.scrambled = u.scrambled;
    units.push_back(std::move(unit));
  }
  for (unsigned pid : plan.pcrPids)
    for (double t = 1; t < duration; t += 30) {
      Bytes p = header(pid, false, 2);
      p[4] = 183, p[5] = 0x10;  // PCR flag; the value is filled in once positions are known
      Unit unit{t, order++, {p}};
      unit.pcr = true;
      units.push_back(std::move(unit));
    }
  std::stable_sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) {
    return a.timeMs != b.timeMs ? a.timeMs < b.timeMs : a.order < b.order;
  });

  std::vector<Bytes> packets;
  std::vector<bool> isPcr;
  std::map<unsigned, unsigned> cc;  // next continuity counter per PID
  unsigned scrambleParity = 0;
  for (Unit& unit : units) {
    bool odd = unit.scrambled && (scrambleParity++ & 1);
    for (Bytes& p : unit.packets) {
      unsigned pid = ((p[1] & 0x1F) << 8) | p[2];
      unsigned& next = cc.try_emplace(pid, 0).first->second;
      bool payload = (p[3] & 0x10) != 0;
      // A packet without payload repeats the counter of the previous packet of its PID.
      p[3] = static_cast<uint8_t>((p[3] & 0xF0) | (payload ? next : (next + 15) & 15));
      if (payload) next = (next + 1) & 15;
      if (unit.scrambled && payload) {
        size_t at = (p[3] & 0x20) ? 5 + p[4] : 4;
        const auto& key = odd ? plan.oddKey : plan.evenKey;
        for (size_t i = at; i < 188; ++i) p[i] ^= key[(i - at) % 8];
        p[3] = static_cast<uint8_t>(p[3] | (odd ? 0xC0 : 0x80));
      }
      packets.push_back(p);
      isPcr.push_back(unit.pcr);
    }
  }
  // Constant bit rate over the loop: packet i leaves at i * duration / N; PCR counts from 1 s.
  const double n = static_cast<double>(packets.size());
  for (size_t i = 0; i < packets.size(); ++i) {
    if (!isPcr[i]) continue;
    uint64_t ticks = static_cast<uint64_t>((1.0 + static_cast<double>(i) * duration / 1000.0 / n) * 27000000.0);
    uint64_t base = ticks / 300, ext = ticks % 300;
    Bytes& p = packets[i];
    p[6] = static_cast<uint8_t>(base >> 25), p[7] = static_cast<uint8_t>(base >> 17);
    p[8] = static_cast<uint8_t>(base >> 9), p[9] = static_cast<uint8_t>(base >> 1);
    p[10] = static_cast<uint8_t>(((base & 1) << 7) | 0x7E | ((ext >> 8) & 1));
    p[11] = static_cast<uint8_t>(ext);
  }
  Bytes out;
  out.reserve(packets.size() * 188);
  for (const Bytes& p : packets) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace streamgen
