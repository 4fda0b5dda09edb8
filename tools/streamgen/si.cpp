#include "si.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "tables.h"

namespace streamgen {

namespace {

constexpr size_t kPsiBody = 1024 - 12;  // PSI/SI sections up to 1024 bytes
constexpr size_t kEitBody = 4096 - 12;  // EIT sections up to 4096 bytes

std::string eventLanguage(const Service& s) {
  for (const ElementaryStream& e : s.streams)
    if (isAudio(e.kind) && !e.lang.empty()) return e.lang;
  return "eng";
}

}  // namespace

// ---------------------------------------------------------------- PSI

std::vector<Bytes> patSections(const Transport& t) {
  std::vector<Bytes> entries;
  auto entry = [](unsigned number, unsigned pid) {
    ByteWriter w;
    w.u16(number), w.u16(0xE000 | pid);
    return w.data();
  };
  if (t.nit) entries.push_back(entry(0, kNitPid));
  for (const Service& s : t.services) entries.push_back(entry(s.sid, s.pmtPid));
  auto split = splitEntries(entries, 0, kPsiBody, t.patSections);
  std::vector<Bytes> out;
  for (size_t i = 0; i < split.size(); ++i) {
    ByteWriter body;
    for (size_t e = split[i].first; e < split[i].second; ++e) body.bytes(entries[e]);
    out.push_back(
        longSection(0x00, t.tsid, 0, static_cast<unsigned>(i), static_cast<unsigned>(split.size() - 1), body.data()));
  }
  return out;
}

namespace {

Bytes pmtSection(const Service& s) {
  std::vector<Bytes> programInfo;
  if (s.caSystem && !s.caInStreams) programInfo.push_back(dr::ca(s.caSystem, s.ecmPid));
  ByteWriter body;
  body.u16(0xE000 | s.pcrPid);
  body.bytes(loop(programInfo));
  for (const ElementaryStream& e : s.streams) {
    std::vector<Bytes> d;
    if (e.componentTag >= 0) d.push_back(dr::streamIdentifier(static_cast<unsigned>(e.componentTag)));
    if (!e.lang.empty() && (isAudio(e.kind) || isVideo(e.kind))) d.push_back(dr::language(e.lang, e.audioType));
    switch (e.kind) {
      case EsKind::ac3:
        d.push_back(dr::make(0x6A, {0x00}));
        break;
      case EsKind::eac3:
        d.push_back(dr::make(0x7A, {0x00}));
        break;
      case EsKind::teletext:
        d.push_back(dr::teletext(e.pages));
        break;
      case EsKind::subtitle:
        d.push_back(dr::subtitling(e.subtitles));
        break;
      case EsKind::data:
        d.push_back(dr::make(0x6F, {}));
        break;
      case EsKind::ssu:
        d.push_back(dr::make(0x66, {0x00, 0x0A}));
        break;
      default:
        break;
    }
    if (e.vbi) d.push_back(dr::vbiData());
    if (s.caSystem && s.caInStreams && (e.ca || isAudio(e.kind) || isVideo(e.kind)))
      d.push_back(dr::ca(s.caSystem, s.ecmPid));
    body.u8(streamTypeOf(e.kind));
    body.u16(0xE000 | e.pid);
    body.bytes(loop(d));
  }
  if (body.size() > kPsiBody) throw std::runtime_error("PMT of service " + std::to_string(s.sid) + " too large");
  return longSection(0x02, s.sid, 0, 0, 0, body.data());
}

}  // namespace

// ---------------------------------------------------------------- NIT, SDT, BAT

std::vector<Bytes> nitSections(const Fixture& f, const Network& n, unsigned tableId, unsigned minSections) {
  Bytes updateLinkage;
  if (n.updateOui) {
    ByteWriter priv;
    priv.u8(4);  // OUI_data_length: one entry of OUI and an empty selector
    priv.u24(n.updateOui), priv.u8(0);
    updateLinkage = dr::linkage(n.updateTransport, n.id, 0, 0x09, priv.data());
  }
  std::vector<Bytes> networkDescriptors = {dr::networkName(n.name)};
  if (!updateLinkage.empty()) networkDescriptors.push_back(updateLinkage);
  std::vector<Bytes> entries;
  for (const Transport& t : f.transports) {
    if (t.network != n.id) continue;
    std::vector<Bytes> d = {dr::delivery(t.delivery, f)};
    std::vector<std::pair<unsigned, unsigned>> list, lcns;
    for (const Service& s : t.services) {
      list.emplace_back(s.sid, s.type);
      if (s.lcn >= 0) lcns.emplace_back(s.sid, static_cast<unsigned>(s.lcn));
    }
    if (!list.empty()) d.push_back(dr::serviceList(list));
    if (n.lcn && !lcns.empty()) d.push_back(dr::privateDataSpecifier(0x28)), d.push_back(dr::logicalChannels(lcns));
    if (!updateLinkage.empty() && t.tsid == n.updateTransport) d.push_back(updateLinkage);
    ByteWriter w;
    w.u16(t.tsid), w.u16(n.id);
    w.bytes(loop(d));
    entries.push_back(w.data());
  }
  Bytes firstLoop = loop(networkDescriptors);
  auto split = splitEntries(entries, firstLoop.size() + 2, kPsiBody, minSections);
  std::vector<Bytes> out;
  for (size_t i = 0; i < split.size(); ++i) {
    ByteWriter body;
    body.bytes(i == 0 ? firstLoop : loop({}));
    size_t len = 0;
    for (size_t e = split[i].first; e < split[i].second; ++e) len += entries[e].size();
    body.u16(0xF000 | static_cast<unsigned>(len));
    for (size_t e = split[i].first; e < split[i].second; ++e) body.bytes(entries[e]);
    out.push_back(
        longSection(tableId, n.id, 0, static_cast<unsigned>(i), static_cast<unsigned>(split.size() - 1), body.data()));
  }
  return out;
}

std::vector<Bytes> sdtSections(const Transport& t, unsigned tableId, unsigned minSections) {
  std::vector<Bytes> entries;
  for (const Service& s : t.services) {
    std::vector<Bytes> d = {dr::service(s.type, s.provider, s.name)};
    if (s.vbiInSdt) d.push_back(dr::vbiData());
    ByteWriter w;
    w.u16(s.sid);
    bool schedule = t.eit && s.scheduleDays > 0, pf = t.eit && s.eitPf;
    w.u8(0xFC | (schedule << 1) | pf);
    Bytes l = loop(d);
    l[0] = static_cast<uint8_t>((s.running << 5) | (s.freeCa << 4) | (l[0] & 0x0F));
    w.bytes(l);
    entries.push_back(w.data());
  }
  auto split = splitEntries(entries, 3, kPsiBody, minSections);
  std::vector<Bytes> out;
  for (size_t i = 0; i < split.size(); ++i) {
    ByteWriter body;
    body.u16(t.network), body.u8(0xFF);
    for (size_t e = split[i].first; e < split[i].second; ++e) body.bytes(entries[e]);
    out.push_back(longSection(tableId, t.tsid, 0, static_cast<unsigned>(i), static_cast<unsigned>(split.size() - 1),
                              body.data()));
  }
  return out;
}

namespace {

Bytes batSection(const Transport& t) {
  Text name;
  name.bytes = {'T', 'e', 's', 't', ' ', 'B', 'o', 'u', 'q', 'u', 'e', 't'};
  ByteWriter body;
  body.bytes(loop({dr::make(0x47, name.bytes)}));
  std::vector<std::pair<unsigned, unsigned>> list;
  for (const Service& s : t.services) list.emplace_back(s.sid, s.type);
  ByteWriter entry;
  entry.u16(t.tsid), entry.u16(t.network);
  entry.bytes(loop({dr::serviceList(list)}));
  body.u16(0xF000 | static_cast<unsigned>(entry.size()));
  body.bytes(entry.data());
  return longSection(0x4A, 0x0001, 0, 0, 0, body.data());
}

}  // namespace

// ---------------------------------------------------------------- EIT

namespace {

std::vector<Bytes> eventDescriptors(const Fixture& f, const Service& s, const Event& e, bool present) {
  const Programme& p = f.programmes[e.programme];
  std::string lang = eventLanguage(s);
  std::vector<Bytes> d;
  if (!p.title.empty()) d.push_back(dr::shortEvent(lang, p.title, p.shortText));
  if (!p.extendedText.empty() || !p.items.empty())
    for (Bytes& x : dr::extendedEvent(lang, p.items, p.extendedText)) d.push_back(std::move(x));
  unsigned variant = static_cast<unsigned>(e.programme % 4);
  for (const ElementaryStream& es : s.streams) {
    unsigned tag = es.componentTag >= 0 ? static_cast<unsigned>(es.componentTag) : 0;
    static const unsigned mpeg2Types[] = {0x01, 0x03, 0x09, 0x0D};
    static const unsigned h264Types[] = {0x01, 0x03, 0x0B, 0x0C};
    if (es.kind == EsKind::mpeg2video || es.kind == EsKind::mpeg1video)
      d.push_back(dr::component(1, mpeg2Types[variant], tag, lang));
    else if (es.kind == EsKind::h264)
      d.push_back(dr::component(5, h264Types[variant], tag, lang));
    else if (es.kind == EsKind::mpeg1audio || es.kind == EsKind::mpeg2audio)
      d.push_back(dr::component(2, variant + 1, tag, es.lang.empty() ? lang : es.lang));
    else if (es.kind == EsKind::subtitle && !es.subtitles.empty())
      d.push_back(dr::component(3, es.subtitles[0].type, tag, es.subtitles[0].lang));
  }
  if (p.genre) d.push_back(dr::content(p.genre));
  if (p.rating >= 0) d.push_back(dr::parentalRating(p.ratingCountry, static_cast<unsigned>(p.rating)));
  if (present && s.pfLinkage) {
    d.push_back(dr::privateDataSpecifier(0x00000001));
    d.push_back(dr::linkage(s.pfLinkage->tsid, s.pfLinkage->onid, s.pfLinkage->sid, 0xD8, {}));
  }
  return d;
}

unsigned runningStatus(const Event& e, int64_t base) {
  if (e.start <= base && base < e.start + e.duration) return 4;
  return e.start > base ? 1 : 0;
}

Bytes eventEntry(const Fixture& f, const Service& s, const Event& e, int64_t base, bool present) {
  ByteWriter w;
  w.u16(e.id);
  putUtcTime(w, e.start);
  putBcdDuration(w, e.duration);
  Bytes l = loop(eventDescriptors(f, s, e, present));
  l[0] = static_cast<uint8_t>((runningStatus(e, base) << 5) | (s.freeCa << 4) | (l[0] & 0x0F));
  w.bytes(l);
  return w.data();
}

Bytes eitSection(unsigned tableId, const Transport& t, const Service& s, unsigned number, unsigned last,
                 unsigned segmentLast, unsigned lastTable, const std::vector<Bytes>& events) {
  ByteWriter body;
  body.u16(t.tsid), body.u16(t.network), body.u8(segmentLast), body.u8(lastTable);
  for (const Bytes& e : events) body.bytes(e);
  if (body.size() > kEitBody) throw std::runtime_error("EIT section too large");
  return longSection(tableId, s.sid, 0, number, last, body.data());
}

}  // namespace

std::vector<Bytes> eitPf(const Fixture& f, const Transport& t, const Service& s, unsigned tableId, int64_t base,
                         const std::vector<Event>& events) {
  size_t present = 0;
  while (present < events.size() && events[present].start + events[present].duration <= base) ++present;
  std::vector<Bytes> out;
  for (unsigned n = 0; n < 2; ++n) {
    std::vector<Bytes> entries;
    if (present + n < events.size()) entries.push_back(eventEntry(f, s, events[present + n], base, n == 0));
    out.push_back(eitSection(tableId, t, s, n, 1, 1, tableId, entries));
  }
  return out;
}

std::vector<Bytes> eitSchedule(const Fixture& f, const Transport& t, const Service& s, unsigned firstTable,
                               int64_t base, const std::vector<Event>& events, unsigned days) {
  const int64_t day0 = dayStart(base);
  const unsigned segments = days * 8;
  std::vector<std::vector<Bytes>> bySegment(segments);
  for (const Event& e : events) {
    int64_t offset = e.start - day0;
    if (offset >= static_cast<int64_t>(segments) * 10800) continue;
    size_t seg = offset < 0 ? 0 : static_cast<size_t>(offset / 10800);
    bySegment[seg].push_back(eventEntry(f, s, e, base, false));
  }
  const unsigned lastTable = firstTable + (segments - 1) / 32;
  std::vector<Bytes> out;
  for (unsigned table = firstTable; table <= lastTable; ++table) {
    unsigned firstSeg = (table - firstTable) * 32, endSeg = std::min(segments, firstSeg + 32);
    // Split each segment into sections first; the table's last section number depends on all of them.
    std::vector<std::vector<std::pair<size_t, size_t>>> splits;
    for (unsigned seg = firstSeg; seg < endSeg; ++seg) {
      auto split = splitEntries(bySegment[seg], 6, kEitBody, 1);
      if (split.size() > 8) throw std::runtime_error("too many events in a schedule segment");
      splits.push_back(split);
    }
    unsigned lastSection = (endSeg - 1 - firstSeg) * 8 + static_cast<unsigned>(splits.back().size()) - 1;
    for (unsigned seg = firstSeg; seg < endSeg; ++seg) {
      const auto& split = splits[seg - firstSeg];
      unsigned base8 = (seg - firstSeg) * 8;
      for (size_t i = 0; i < split.size(); ++i) {
        std::vector<Bytes> entries(bySegment[seg].begin() + static_cast<long>(split[i].first),
                                   bySegment[seg].begin() + static_cast<long>(split[i].second));
        out.push_back(eitSection(table, t, s, base8 + static_cast<unsigned>(i), lastSection,
                                 base8 + static_cast<unsigned>(split.size()) - 1, lastTable, entries));
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------- time tables

Bytes tdtSection(int64_t now) {
  ByteWriter w;
  w.u8(0x70), w.u16(0x7005);
  putUtcTime(w, now);
  return w.data();
}

Bytes totSection(const Transport& t, int64_t now) {
  ByteWriter w;
  w.u8(0x73), w.u16(0x7000);
  putUtcTime(w, now);
  w.bytes(loop({dr::localTimeOffset(t.totCountry, t.totRegion, t.totOffsetMinutes, now)}));
  w.patchLength12(1, static_cast<unsigned>(w.size() - 3 + 4));
  w.u32(crc32Mpeg(w.data().data(), w.size()));
  return w.data();
}

Bytes caMessage(unsigned tableId, unsigned counter) {
  ByteWriter w;
  w.u8(tableId), w.u16(0x7000 | 16);
  for (unsigned i = 0; i < 16; ++i) w.u8((counter * 16 + i) & 0xFF);
  return w.data();
}

// ---------------------------------------------------------------- whole tables of a transport

PsiTables psiTables(const Fixture& f, const Transport& t) {
  PsiTables out;
  out.pat = patSections(t);
  for (const Service& s : t.services)
    if (!s.pmtMissing) out.pmts[s.pmtPid].push_back(pmtSection(s));
  bool anyCa = t.emmPid != 0;
  for (const Service& s : t.services) anyCa = anyCa || s.caSystem;
  if (anyCa) {
    ByteWriter body;
    if (t.emmPid) body.bytes(dr::ca(t.caSystem ? t.caSystem : 0x0B00, t.emmPid));
    out.cat.push_back(longSection(0x01, 0xFFFF, 0, 0, 0, body.data()));
  }
  if (t.nit) {
    out.nit = nitSections(f, *f.network(t.network), 0x40, t.nitSections);
    if (t.nitOther)
      for (Bytes& x : nitSections(f, *f.network(t.nitOther), 0x41, 1)) out.nit.push_back(std::move(x));
  }
  if (t.sdt) {
    out.sdt = sdtSections(t, 0x42, t.sdtSections);
    if (t.otherTransport)
      for (Bytes& x : sdtSections(*f.transport(t.network, t.otherTransport), 0x46, 1)) out.sdt.push_back(std::move(x));
    if (t.bat) out.sdt.push_back(batSection(t));
  }
  return out;
}

Transport halfOf(const Transport& t, unsigned half) {
  Transport v = t;
  v.services.clear();
  for (Service s : t.services) {
    if (s.half && s.half != half) continue;
    if (half == 2 && !s.secondName.empty()) s.name = s.secondName;
    std::vector<ElementaryStream> streams;
    for (const ElementaryStream& e : s.streams)
      if (!e.half || e.half == half) streams.push_back(e);
    s.streams = streams;
    v.services.push_back(s);
  }
  return v;
}

namespace {

Bytes withVersion(Bytes s, unsigned version) {
  s[5] = static_cast<uint8_t>((s[5] & 0xC1) | ((version & 0x1F) << 1));
  uint32_t crc = crc32Mpeg(s.data(), s.size() - 4);
  for (int i = 0; i < 4; ++i) s[s.size() - 4 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return s;
}

}  // namespace

void bumpChanged(std::vector<Bytes>& now, const std::vector<Bytes>& before, bool always) {
  auto key = [](const Bytes& s) { return (s[0] << 16) | (s[3] << 8) | s[4]; };
  auto count = [&](const std::vector<Bytes>& list, unsigned k) {
    return std::count_if(list.begin(), list.end(), [&](const Bytes& x) { return key(x) == static_cast<int>(k); });
  };
  std::set<int> changed;
  for (const Bytes& n : now) {
    bool same = std::find(before.begin(), before.end(), n) != before.end();
    if (always || !same || count(now, key(n)) != count(before, key(n))) changed.insert(key(n));
  }
  for (Bytes& n : now)
    if (changed.count(key(n))) n = withVersion(n, 1);
}

}  // namespace streamgen
