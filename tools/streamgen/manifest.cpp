#include "manifest.h"

#include "events.h"
#include "si.h"
#include "tables.h"

namespace streamgen {

namespace {

// ---------------------------------------------------------------- manifest helpers

Json textJson(const Text& t) {
  Json j = Json::object();
  j.set("text", t.table == "raw" ? Json() : Json(t.utf8));
  j.set("hex", hex(t.bytes));
  j.set("table", t.table);
  return j;
}

const char* polarisationName(char p) {
  return p == 'H' ? "horizontal" : p == 'V' ? "vertical" : p == 'L' ? "left" : "right";
}

Json deliveryJson(const Fixture& f, const Delivery& d) {
  Json j = Json::object();
  switch (d.kind) {
    case DeliveryKind::satellite: {
      const Satellite* sat = f.satellite(d.satellite);
      j.set("type", "satellite");
      j.set("frequency_khz", d.frequencyKhz);
      j.set("satellite", d.satellite);
      j.set("orbital_position", sat ? (sat->position < 0 ? -sat->position : sat->position) : 0);
      j.set("east", sat ? sat->position >= 0 : true);
      j.set("position_hundredths", sat ? sat->position * 10 : 0);
      j.set("polarisation", std::string(1, d.polarisation));
      j.set("polarization_code", d.polarisation == 'H' ? 0 : d.polarisation == 'V' ? 1 : d.polarisation == 'L' ? 2 : 3);
      j.set("polarisation_name", polarisationName(d.polarisation));
      j.set("modulation", d.modulation.empty() ? "QPSK" : d.modulation);
      j.set("symbol_rate", d.symbolRate);
      j.set("fec", d.fec);
      j.set("fec_code", fecCode(d.fec));
      break;
    }
    case DeliveryKind::cable:
      j.set("type", "cable");
      j.set("frequency_khz", d.frequencyKhz);
      j.set("modulation", d.modulation);
      j.set("modulation_code", cableModulationCode(d.modulation));
      j.set("symbol_rate", d.symbolRate);
      j.set("fec_code", d.fec.empty() ? 15u : fecCode(d.fec));
      break;
    case DeliveryKind::terrestrial:
      j.set("type", "terrestrial");
      j.set("frequency_khz", d.frequencyKhz);
      j.set("bandwidth_code", d.bandwidthCode);
      j.set("constellation", d.modulation);
      j.set("constellation_code", terrestrialConstellationCode(d.modulation));
      j.set("hierarchy", d.hierarchy);
      j.set("guard", d.guard);
      j.set("mode", d.mode);
      break;
  }
  return j;
}

Json eventJson(const Fixture& f, const Event& e) {
  const Programme& p = f.programmes[e.programme];
  Json j = Json::object();
  j.set("event_id", e.id);
  j.set("start", isoTime(e.start));
  j.set("duration", e.duration);
  j.set("title", p.title.empty() ? Json() : textJson(p.title));
  j.set("genre", p.genre ? Json(p.genre) : Json());
  j.set("rating", p.rating >= 0 ? Json(p.rating) : Json());
  return j;
}

Json nitJson(const Fixture& f, const Network& n, const std::vector<Bytes>& sections) {
  Json j = Json::object();
  j.set("network_id", n.id);
  j.set("name", textJson(n.name));
  j.set("sections", static_cast<unsigned>(sections.size()));
  j.set("update_oui", n.updateOui ? Json(n.updateOui) : Json());
  j.set("update_transport", n.updateOui ? Json(n.updateTransport) : Json());
  Json ts = Json::array();
  for (const Transport& t : f.transports) {
    if (t.network != n.id) continue;
    Json e = Json::object();
    e.set("transport_stream_id", t.tsid);
    e.set("original_network_id", n.id);
    e.set("file", t.file.empty() ? Json() : Json(t.file));
    e.set("delivery", deliveryJson(f, t.delivery));
    Json list = Json::array(), lcn = Json::array();
    for (const Service& s : t.services) {
      Json item = Json::array();
      item.push(s.sid), item.push(s.type);
      list.push(item);
      if (n.lcn && s.lcn >= 0) {
        Json l = Json::array();
        l.push(s.sid), l.push(s.lcn);
        lcn.push(l);
      }
    }
    e.set("services", list);
    e.set("lcn", lcn);
    ts.push(e);
  }
  j.set("transports", ts);
  return j;
}

Json sdtOtherJson(const Transport& o) {
  Json j = Json::object();
  j.set("transport_stream_id", o.tsid);
  j.set("original_network_id", o.network);
  Json list = Json::array();
  for (const Service& s : o.services) {
    Json e = Json::object();
    e.set("service_id", s.sid);
    e.set("type", s.type);
    e.set("name", textJson(s.name));
    list.push(e);
  }
  j.set("services", list);
  return j;
}

Json programsJson(const Transport& t) {
  Json programs = Json::array();
  if (t.nit) {
    Json p = Json::object();
    p.set("number", 0), p.set("pid", kNitPid);
    programs.push(p);
  }
  for (const Service& s : t.services) {
    Json p = Json::object();
    p.set("number", s.sid), p.set("pid", s.pmtPid);
    programs.push(p);
  }
  return programs;
}

Json streamsJson(const Service& s) {
  Json streams = Json::array();
  for (const ElementaryStream& e : s.streams) {
    Json x = Json::object();
    x.set("pid", e.pid);
    x.set("stream_type", streamTypeOf(e.kind));
    const char* codec = codecNameOf(e.kind);
    x.set("codec", *codec ? Json(codec) : Json());
    x.set("language", e.lang.empty() ? Json() : Json(e.lang));
    x.set("component_tag", e.componentTag >= 0 ? Json(e.componentTag) : Json());
    if (!e.pages.empty()) {
      Json pages = Json::array();
      for (const TeletextPage& p : e.pages) {
        Json pj = Json::object();
        pj.set("language", p.lang), pj.set("type", p.type), pj.set("page", p.page);
        pages.push(pj);
      }
      x.set("teletext", pages);
    }
    if (!e.subtitles.empty()) {
      Json subs = Json::array();
      for (const SubtitleEntry& u : e.subtitles) {
        Json sj = Json::object();
        sj.set("language", u.lang), sj.set("type", u.type), sj.set("composition_page", u.composition);
        sj.set("ancillary_page", u.ancillary);
        subs.push(sj);
      }
      x.set("subtitles", subs);
    }
    streams.push(x);
  }
  return streams;
}

Json secondHalfJson(const Transport& full) {
  const Transport second = halfOf(full, 2);
  Json h = Json::object();
  h.set("pat_programs", programsJson(second));
  Json services = Json::array();
  for (const Service& s : second.services) {
    Json j = Json::object();
    j.set("service_id", s.sid);
    j.set("name", textJson(s.name));
    j.set("pmt_pid", s.pmtPid);
    j.set("pcr_pid", s.pcrPid);
    j.set("streams", streamsJson(s));
    services.push(j);
  }
  h.set("services", services);
  return h;
}

}  // namespace

Json manifestOf(const Fixture& f, const Transport& full, int64_t base, const MuxPlan& plan, size_t packets) {
  // With changing tables the manifest describes the first half and lists the second one apart.
  const Transport t = full.changes ? halfOf(full, 1) : full;
  const Network& net = *f.network(t.network);

  Json m = Json::object();
  m.set("file", t.file);
  m.set("time", isoTime(base));
  m.set("packets", static_cast<unsigned>(packets));
  m.set("packed", t.packed);
  m.set("network_id", net.id);
  m.set("original_network_id", net.id);
  m.set("transport_stream_id", t.tsid);
  m.set("delivery", deliveryJson(f, t.delivery));
  Json keys = Json::object();
  keys.set("even", hex(Bytes(plan.evenKey.begin(), plan.evenKey.end())));
  keys.set("odd", hex(Bytes(plan.oddKey.begin(), plan.oddKey.end())));
  m.set("scrambling_keys", keys);

  Json pat = Json::object();
  pat.set("transport_stream_id", t.tsid);
  pat.set("sections", static_cast<unsigned>(patSections(t).size()));
  pat.set("programs", programsJson(t));
  m.set("pat", pat);

  Json services = Json::array();
  for (const Service& s : t.services) {
    Json j = Json::object();
    j.set("service_id", s.sid);
    j.set("type", s.type);
    j.set("name", textJson(s.name));
    j.set("provider", textJson(s.provider));
    j.set("pmt_pid", s.pmtPid);
    j.set("pmt_sent", !s.pmtMissing);
    j.set("pcr_pid", s.pmtMissing ? Json() : Json(s.pcrPid));
    j.set("running", s.running);
    j.set("free_ca_mode", s.freeCa);
    j.set("scrambled", s.scramble);
    j.set("eit_pf", t.eit && s.eitPf);
    j.set("eit_schedule", t.eit && s.scheduleDays > 0);
    j.set("schedule_days", t.eit ? s.scheduleDays : 0u);
    j.set("lcn", s.lcn >= 0 ? Json(s.lcn) : Json());
    j.set("vbi_in_sdt", s.vbiInSdt);
    Json ca = Json();
    if (s.caSystem) {
      ca = Json::object();
      ca.set("system", s.caSystem), ca.set("ecm_pid", s.ecmPid), ca.set("in", s.caInStreams ? "streams" : "program");
    }
    j.set("ca", ca);
    j.set("streams", streamsJson(s));
    Json events = Json();
    if (t.eit && (s.eitPf || s.scheduleDays)) {
      size_t index = 0;
      while (full.services[index].sid != s.sid) ++index;
      std::vector<Event> ev = makeEvents(f, full, index, base, s.scheduleDays);
      events = Json::object();
      size_t present = 0;
      while (present < ev.size() && ev[present].start + ev[present].duration <= base) ++present;
      events.set("present", s.eitPf ? eventJson(f, ev[present]) : Json());
      events.set("following", s.eitPf && present + 1 < ev.size() ? eventJson(f, ev[present + 1]) : Json());
      const int64_t day0 = dayStart(base);
      unsigned count = 0;
      Json first, last;
      for (const Event& e : ev)
        if (s.scheduleDays && e.start < day0 + static_cast<int64_t>(s.scheduleDays) * 86400) {
          if (!count) first = eventJson(f, e);
          last = eventJson(f, e);
          ++count;
        }
      events.set("schedule_count", count);
      events.set("schedule_first", first);
      events.set("schedule_last", last);
      events.set("schedule_tables",
                 s.scheduleDays ? Json(static_cast<unsigned>((s.scheduleDays * 8 - 1) / 32 + 1)) : Json(0));
      events.set("linkage", s.pfLinkage
                                ? Json(std::to_string(s.pfLinkage->onid) + "/" + std::to_string(s.pfLinkage->tsid) +
                                       "/" + std::to_string(s.pfLinkage->sid))
                                : Json());
    }
    j.set("events", events);
    services.push(j);
  }
  m.set("services", services);

  m.set("sdt", t.sdt ? Json(static_cast<unsigned>(sdtSections(t, 0x42, t.sdtSections).size())) : Json());
  m.set("sdt_other", t.sdt && t.otherTransport ? sdtOtherJson(*f.transport(t.network, t.otherTransport)) : Json());
  m.set("eit_other", t.eit && t.otherTransport ? Json(t.otherTransport) : Json());
  m.set("eit_schedule_other", t.eit && t.otherTransport && t.otherSchedule);
  m.set("bat", t.sdt && t.bat);
  m.set("nit", t.nit ? nitJson(f, net, nitSections(f, net, 0x40, t.nitSections)) : Json());
  m.set("nit_other", t.nit && t.nitOther
                         ? nitJson(f, *f.network(t.nitOther), nitSections(f, *f.network(t.nitOther), 0x41, 1))
                         : Json());
  bool anyCa = t.emmPid != 0;
  for (const Service& s : t.services) anyCa = anyCa || s.caSystem;
  Json cat = Json();
  if (anyCa) {
    cat = Json::object();
    cat.set("emm_pid", t.emmPid ? Json(t.emmPid) : Json());
    cat.set("ca_system", t.emmPid ? Json(t.caSystem ? t.caSystem : 0x0B00u) : Json());
  }
  m.set("cat", cat);
  m.set("tdt", t.tdt ? Json(isoTime(base)) : Json());
  Json tot = Json();
  if (t.tot) {
    tot = Json::object();
    tot.set("time", isoTime(base));
    tot.set("country", t.totCountry);
    tot.set("region", t.totRegion);
    tot.set("offset_minutes", t.totOffsetMinutes);
  }
  m.set("tot", tot);
  m.set("second_half", full.changes ? secondHalfJson(full) : Json());
  return m;
}

}  // namespace streamgen
