#include "tables.h"

#include <cstdio>
#include <map>
#include <stdexcept>

namespace streamgen {

namespace {
void appendText(ByteWriter& w, const Text& t, size_t max = 255) {
  size_t n = std::min(t.bytes.size(), max);
  w.u8(static_cast<unsigned>(n));
  w.data().insert(w.data().end(), t.bytes.begin(), t.bytes.begin() + static_cast<long>(n));
}
void appendLang(ByteWriter& w, const std::string& lang) {
  for (size_t i = 0; i < 3; ++i) w.u8(i < lang.size() ? static_cast<uint8_t>(lang[i]) : ' ');
}
}  // namespace

namespace dr {

Bytes make(unsigned tag, const Bytes& body) {
  if (body.size() > 255) {
    char what[48];
    std::snprintf(what, sizeof what, "descriptor 0x%02X too long", tag);
    throw std::runtime_error(what);
  }
  Bytes d{static_cast<uint8_t>(tag), static_cast<uint8_t>(body.size())};
  d.insert(d.end(), body.begin(), body.end());
  return d;
}

Bytes language(const std::string& lang, unsigned audioType) {
  ByteWriter w;
  appendLang(w, lang);
  w.u8(audioType);
  return make(0x0A, w.data());
}

Bytes ca(unsigned system, unsigned pid) {
  ByteWriter w;
  w.u16(system);
  w.u16(0xE000 | pid);
  return make(0x09, w.data());
}

Bytes streamIdentifier(unsigned tag) { return make(0x52, {static_cast<uint8_t>(tag)}); }

Bytes teletext(const std::vector<TeletextPage>& pages) {
  ByteWriter w;
  for (const TeletextPage& p : pages) {
    appendLang(w, p.lang);
    unsigned magazine = p.page / 100 % 8;  // magazine 8 is coded 0
    w.u8((p.type << 3) | magazine);
    w.u8(toBcd(p.page % 100));
  }
  return make(0x56, w.data());
}

Bytes subtitling(const std::vector<SubtitleEntry>& entries) {
  ByteWriter w;
  for (const SubtitleEntry& s : entries) {
    appendLang(w, s.lang);
    w.u8(s.type);
    w.u16(s.composition);
    w.u16(s.ancillary);
  }
  return make(0x59, w.data());
}

Bytes vbiData() {
  // data_service_id 4 (VPS), one line: field parity 1, line offset 16.
  return make(0x45, {0x04, 0x01, 0xF0});
}

Bytes networkName(const Text& name) { return make(0x40, name.bytes); }

Bytes serviceList(const std::vector<std::pair<unsigned, unsigned>>& s) {
  ByteWriter w;
  for (auto [sid, type] : s) w.u16(sid), w.u8(type);
  return make(0x41, w.data());
}

Bytes delivery(const Delivery& d, const Fixture& f) {
  ByteWriter w;
  switch (d.kind) {
    case DeliveryKind::satellite: {
      const Satellite* sat = f.satellite(d.satellite);
      int pos = sat ? sat->position : 0;
      w.u32(toBcd(d.frequencyKhz / 10));  // GHz with 5 decimals = 10 kHz units
      w.u16(toBcd(static_cast<uint32_t>(pos < 0 ? -pos : pos)));
      unsigned pol = d.polarisation == 'H' ? 0 : d.polarisation == 'V' ? 1 : d.polarisation == 'L' ? 2 : 3;
      bool s2 = d.modulation == "8PSK";
      unsigned modType = s2 ? 2 : 1;
      // west_east, polarization, roll_off (00 for DVB-S), modulation_system, modulation_type
      w.u8(((pos >= 0) << 7) | (pol << 5) | (0 << 3) | (s2 << 2) | modType);
      uint32_t sr = toBcd(d.symbolRate * 10);  // Msym/s with 4 decimals = 100 sym/s units
      w.u32((sr << 4) | fecCode(d.fec));
      return make(0x43, w.data());
    }
    case DeliveryKind::cable: {
      w.u32(toBcd(d.frequencyKhz * 10));  // MHz with 4 decimals = 100 Hz units
      w.u16(0xFFF0 | 2);                  // reserved, FEC_outer RS(204/188)
      w.u8(cableModulationCode(d.modulation));
      uint32_t sr = toBcd(d.symbolRate * 10);
      w.u32((sr << 4) | (d.fec.empty() ? 15 : fecCode(d.fec)));
      return make(0x44, w.data());
    }
    case DeliveryKind::terrestrial: {
      w.u32(d.frequencyKhz * 100);  // 10 Hz units
      // bandwidth, priority 1, time slicing and MPE-FEC not used, reserved
      w.u8((d.bandwidthCode << 5) | 0x10 | 0x08 | 0x04 | 0x03);
      static const std::map<std::string, unsigned> rates = {{"1/2", 0}, {"2/3", 1}, {"3/4", 2}, {"5/6", 3}, {"7/8", 4}};
      auto rate = rates.find(d.fec);
      unsigned hp = rate == rates.end() ? 1 : rate->second;
      w.u8((terrestrialConstellationCode(d.modulation) << 6) | ((d.hierarchy & 7) << 3) | hp);
      static const std::map<std::string, unsigned> guards = {{"1/32", 0}, {"1/16", 1}, {"1/8", 2}, {"1/4", 3}};
      unsigned guard = guards.count(d.guard) ? guards.at(d.guard) : 0;
      unsigned mode = d.mode == "2k" ? 0 : d.mode == "4k" ? 2 : 1;
      w.u8((hp << 5) | (guard << 3) | (mode << 1) | 0);  // LP rate = HP rate, no other frequencies
      w.u32(0xFFFFFFFF);
      return make(0x5A, w.data());
    }
  }
  return {};
}

Bytes linkage(unsigned tsid, unsigned onid, unsigned sid, unsigned type, const Bytes& priv) {
  ByteWriter w;
  w.u16(tsid), w.u16(onid), w.u16(sid), w.u8(type);
  w.bytes(priv);
  return make(0x4A, w.data());
}

Bytes privateDataSpecifier(uint32_t value) {
  ByteWriter w;
  w.u32(value);
  return make(0x5F, w.data());
}

Bytes logicalChannels(const std::vector<std::pair<unsigned, unsigned>>& lcn) {
  ByteWriter w;
  for (auto [sid, number] : lcn) w.u16(sid), w.u16(0x8000 | 0x7C00 | (number & 0x3FF));  // visible
  return make(0x83, w.data());
}

Bytes service(unsigned type, const Text& provider, const Text& name) {
  ByteWriter w;
  w.u8(type);
  appendText(w, provider, 120);
  appendText(w, name, 120);
  return make(0x48, w.data());
}

Bytes shortEvent(const std::string& lang, const Text& name, const Text& text) {
  ByteWriter w;
  appendLang(w, lang);
  appendText(w, name, 120);
  appendText(w, text, 248 - std::min<size_t>(name.bytes.size(), 120));
  return make(0x4D, w.data());
}

std::vector<Bytes> extendedEvent(const std::string& lang, const std::vector<std::pair<Text, Text>>& items,
                                 const Text& text) {
  // Items go in the first descriptor; the text is cut into pieces that fill the rest. A character-table
  // selector is repeated at the start of each piece so that every piece decodes on its own.
  Bytes selector;
  Bytes body = text.bytes;
  if (!body.empty() && body[0] < 0x20) {
    size_t n = body[0] == 0x10 ? 3 : 1;
    selector.assign(body.begin(), body.begin() + static_cast<long>(std::min(n, body.size())));
    body.erase(body.begin(), body.begin() + static_cast<long>(selector.size()));
  }
  ByteWriter itemBytes;
  for (const auto& [name, value] : items) appendText(itemBytes, name, 60), appendText(itemBytes, value, 60);
  std::vector<Bytes> pieces;
  size_t pos = 0;
  bool first = true;
  do {
    size_t room = 255 - 6 - (first ? itemBytes.size() : 0) - selector.size();
    size_t n = std::min(room, body.size() - pos);
    Bytes piece = selector;
    piece.insert(piece.end(), body.begin() + static_cast<long>(pos), body.begin() + static_cast<long>(pos + n));
    pieces.push_back(piece);
    pos += n;
    first = false;
  } while (pos < body.size());
  std::vector<Bytes> out;
  unsigned last = static_cast<unsigned>(pieces.size() - 1);
  for (unsigned i = 0; i < pieces.size(); ++i) {
    ByteWriter w;
    w.u8((i << 4) | last);
    appendLang(w, lang);
    const Bytes& its = i == 0 ? itemBytes.data() : Bytes{};
    w.u8(static_cast<unsigned>(its.size()));
    w.bytes(its);
    w.u8(static_cast<unsigned>(pieces[i].size()));
    w.bytes(pieces[i]);
    out.push_back(make(0x4E, w.data()));
  }
  return out;
}

Bytes component(unsigned content, unsigned type, unsigned tag, const std::string& lang) {
  ByteWriter w;
  w.u8(0xF0 | content), w.u8(type), w.u8(tag);
  appendLang(w, lang);
  return make(0x50, w.data());
}

Bytes content(unsigned nibbles) { return make(0x54, {static_cast<uint8_t>(nibbles), 0x00}); }

Bytes parentalRating(const std::string& country, unsigned rating) {
  ByteWriter w;
  appendLang(w, country);
  w.u8(rating);
  return make(0x55, w.data());
}

Bytes localTimeOffset(const std::string& country, unsigned region, int minutes, int64_t now) {
  ByteWriter w;
  appendLang(w, country);
  w.u8((region << 2) | 0x02 | (minutes < 0 ? 1 : 0));
  unsigned m = static_cast<unsigned>(minutes < 0 ? -minutes : minutes);
  w.u16((toBcd(m / 60) << 8) | toBcd(m % 60));
  putUtcTime(w, now + 180 * 86400);  // time_of_change: half a year ahead, same offset after it
  w.u16((toBcd(m / 60) << 8) | toBcd(m % 60));
  return make(0x58, w.data());
}

}  // namespace dr

unsigned fecCode(const std::string& fec) {
  static const std::map<std::string, unsigned> codes = {{"1/2", 1}, {"2/3", 2}, {"3/4", 3}, {"5/6", 4},  {"7/8", 5},
                                                        {"8/9", 6}, {"3/5", 7}, {"4/5", 8}, {"9/10", 9}, {"none", 15}};
  auto it = codes.find(fec);
  return it == codes.end() ? 0 : it->second;
}

unsigned cableModulationCode(const std::string& m) {
  static const std::map<std::string, unsigned> codes = {
      {"16QAM", 1}, {"32QAM", 2}, {"64QAM", 3}, {"128QAM", 4}, {"256QAM", 5}};
  auto it = codes.find(m);
  return it == codes.end() ? 0 : it->second;
}

unsigned terrestrialConstellationCode(const std::string& m) {
  if (m == "QPSK") return 0;
  if (m == "16QAM") return 1;
  if (m == "64QAM") return 2;
  return 3;
}

Bytes longSection(unsigned tableId, unsigned extension, unsigned version, unsigned number, unsigned last,
                  const Bytes& body) {
  ByteWriter w;
  w.u8(tableId);
  // section_syntax_indicator 1, then '0' for the tables of ISO/IEC 13818-1 and reserved_future_use 1
  // for the DVB tables, reserved bits 1; the length is patched below.
  w.u16(tableId < 0x40 ? 0xB000 : 0xF000);
  w.u16(extension);
  w.u8(0xC0 | ((version & 0x1F) << 1) | 1);  // current_next_indicator 1
  w.u8(number), w.u8(last);
  w.bytes(body);
  w.patchLength12(1, static_cast<unsigned>(w.size() - 3 + 4));
  uint32_t crc = crc32Mpeg(w.data().data(), w.size());
  w.u32(crc);
  return w.data();
}

std::vector<std::pair<size_t, size_t>> splitEntries(const std::vector<Bytes>& entries, size_t prefixSize,
                                                    size_t maxBody, unsigned minSections) {
  size_t total = 0;
  for (const Bytes& e : entries) total += e.size();
  // Aim for an even spread when more sections are wanted than the size needs.
  size_t target = minSections > 1 ? (total + minSections - 1) / minSections : maxBody;
  std::vector<std::pair<size_t, size_t>> out;
  size_t first = 0, used = prefixSize;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (prefixSize + entries[i].size() > maxBody) throw std::runtime_error("table entry too large for a section");
    bool full = used + entries[i].size() > maxBody || (used - prefixSize >= target && i > first);
    if (full && out.size() + 1 < 256) {
      out.emplace_back(first, i);
      first = i, used = prefixSize;
    }
    used += entries[i].size();
  }
  out.emplace_back(first, entries.size());
  while (out.size() < minSections) out.emplace_back(entries.size(), entries.size());  // empty sections
  return out;
}

Bytes loop(const std::vector<Bytes>& descriptors) {
  ByteWriter w;
  size_t n = 0;
  for (const Bytes& d : descriptors) n += d.size();
  w.u16(0xF000 | static_cast<unsigned>(n));
  for (const Bytes& d : descriptors) w.bytes(d);
  return w.data();
}

}  // namespace streamgen
