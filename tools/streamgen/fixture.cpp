#include "fixture.h"

#include <iconv.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <sstream>

namespace streamgen {

const Network* Fixture::network(unsigned id) const {
  for (const Network& n : networks)
    if (n.id == id) return &n;
  return nullptr;
}

const Transport* Fixture::transport(unsigned networkId, unsigned tsid) const {
  for (const Transport& t : transports)
    if (t.network == networkId && t.tsid == tsid) return &t;
  return nullptr;
}

const Satellite* Fixture::satellite(const std::string& id) const {
  for (const Satellite& s : satellites)
    if (s.id == id) return &s;
  return nullptr;
}

unsigned streamTypeOf(EsKind kind) {
  switch (kind) {
    case EsKind::mpeg1video:
      return 0x01;
    case EsKind::mpeg2video:
      return 0x02;
    case EsKind::h264:
      return 0x1B;
    case EsKind::mpeg1audio:
      return 0x03;
    case EsKind::mpeg2audio:
      return 0x04;
    case EsKind::aac:
      return 0x0F;
    case EsKind::latm:
      return 0x11;
    case EsKind::data:
      return 0x05;
    case EsKind::ssu:
      return 0x0B;
    case EsKind::ac3:
    case EsKind::eac3:
    case EsKind::teletext:
    case EsKind::subtitle:
    case EsKind::ecm_only:
      return 0x06;
  }
  return 0x06;
}

const char* codecNameOf(EsKind kind) {
  switch (kind) {
    case EsKind::mpeg1video:
      return "mpeg1video";
    case EsKind::mpeg2video:
      return "mpeg2video";
    case EsKind::h264:
      return "h264";
    case EsKind::mpeg1audio:
    case EsKind::mpeg2audio:
      return "mp2";
    case EsKind::ac3:
      return "ac3";
    case EsKind::eac3:
      return "eac3";
    case EsKind::aac:
      return "aac";
    case EsKind::latm:
      return "aac_latm";
    case EsKind::teletext:
      return "dvb_teletext";
    case EsKind::subtitle:
      return "dvb_subtitle";
    default:
      return "";
  }
}

namespace {

bool iconvEncode(const char* to, const std::string& utf8, Bytes& out, std::string& error) {
  iconv_t cd = iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    error = std::string("no converter to ") + to;
    return false;
  }
  std::string in = utf8;
  char* inp = in.data();
  size_t inLeft = in.size();
  std::string buf(in.size() * 4 + 16, '\0');
  char* outp = buf.data();
  size_t outLeft = buf.size();
  size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || r != 0) {  // r > 0: irreversible (approximated) characters
    error = "\"" + utf8 + "\" cannot be written in " + to;
    return false;
  }
  out.insert(out.end(), buf.data(), outp);
  return true;
}

}  // namespace

bool encodeText(const std::string& table, const std::string& utf8, Text& out, std::string& error) {
  out = Text{};
  out.table = table;
  out.utf8 = utf8;
  if (table == "raw") {  // bytes exactly as written; no standard reading is claimed
    out.bytes.assign(utf8.begin(), utf8.end());
    out.utf8.clear();
    return true;
  }
  if (utf8.empty()) return true;
  if (table == "6937") {
    if (!iconvEncode("ISO_6937", utf8, out.bytes, error)) return false;
    if (!out.bytes.empty() && out.bytes[0] < 0x20) {
      error = "text starts with a control byte";
      return false;
    }
    return true;
  }
  if (table == "utf8") {
    out.bytes.push_back(0x15);
    out.bytes.insert(out.bytes.end(), utf8.begin(), utf8.end());
    return true;
  }
  if (table.rfind("8859-", 0) == 0) {
    bool threeByte = table.size() > 2 && table.compare(table.size() - 2, 2, "/3") == 0;
    int part = std::atoi(table.c_str() + 5);
    if (part < 1 || part > 15 || part == 12 || (!threeByte && part < 5)) {
      error = "unknown character table " + table;
      return false;
    }
    if (threeByte) {
      out.bytes = {0x10, 0x00, static_cast<uint8_t>(part)};
    } else {
      out.bytes = {static_cast<uint8_t>(part - 4)};
    }
    return iconvEncode(("ISO-8859-" + std::to_string(part)).c_str(), utf8, out.bytes, error);
  }
  error = "unknown character table " + table;
  return false;
}

namespace {

struct Token {
  std::string key, value, table;
};

// Splits a line into tokens: words, key=value, key="quoted", key=table:"quoted". Quoted values know
// \" \\ and \xNN.
bool tokenize(const std::string& line, std::vector<Token>& out, std::string& error) {
  size_t i = 0, n = line.size();
  while (true) {
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= n || line[i] == '#') return true;
    Token tok;
    std::string word;
    bool sawEq = false;
    while (i < n && line[i] != ' ' && line[i] != '\t') {
      char c = line[i];
      if (c == '"') {
        ++i;
        std::string q;
        bool closed = false;
        while (i < n) {
          char d = line[i++];
          if (d == '"') {
            closed = true;
            break;
          }
          if (d == '\\' && i < n) {
            char e = line[i++];
            if (e == 'x') {
              if (i + 2 > n || !std::isxdigit(static_cast<unsigned char>(line[i])) ||
                  !std::isxdigit(static_cast<unsigned char>(line[i + 1]))) {
                error = "\\x needs two hex digits";
                return false;
              }
              q += static_cast<char>(std::strtol(line.substr(i, 2).c_str(), nullptr, 16));
              i += 2;
            } else {
              q += e;
            }
          } else {
            q += d;
          }
        }
        if (!closed) {
          error = "unterminated quoted text";
          return false;
        }
        if (sawEq) {
          size_t colon = tok.value.empty() ? std::string::npos : tok.value.size() - 1;
          if (colon != std::string::npos && tok.value[colon] == ':') tok.table = tok.value.substr(0, colon);
          tok.value = q;
        } else {
          word += q;
        }
        continue;
      }
      if (c == '=' && !sawEq) {
        sawEq = true;
        tok.key = word;
        ++i;
        continue;
      }
      (sawEq ? tok.value : word) += c;
      ++i;
    }
    if (!sawEq) tok.value = word;
    out.push_back(tok);
  }
}

class Parser {
 public:
  explicit Parser(Fixture& f) : f_(f) {}
  bool line(const std::vector<Token>& toks);
  std::string error;

 private:
  bool number(const std::string& s, unsigned& out) {
    if (s.empty()) return fail("missing number");
    char* end = nullptr;
    unsigned long v = std::strtoul(s.c_str(), &end, 0);
    if (*end != '\0' || v > 0xFFFFFFFFul) return fail("bad number \"" + s + "\"");
    out = static_cast<unsigned>(v);
    return true;
  }
  bool boolean(const std::string& s, bool& out) {
    if (s == "yes" || s == "1") return out = true, true;
    if (s == "no" || s == "0") return out = false, true;
    return fail("expected yes or no, got \"" + s + "\"");
  }
  bool text(const Token& t, Text& out) {
    std::string e;
    if (!encodeText(t.table.empty() ? "6937" : t.table, t.value, out, e)) return fail(e);
    return true;
  }
  bool fail(const std::string& what) {
    if (error.empty()) error = what;
    return false;
  }
  bool options(const std::vector<Token>& toks, size_t from,
               const std::map<std::string, std::function<bool(const Token&)>>& handlers) {
    for (size_t i = from; i < toks.size(); ++i) {
      auto it = handlers.find(toks[i].key);
      if (it == handlers.end())
        return fail(toks[i].key.empty() ? "unexpected word \"" + toks[i].value + "\"" : "unknown key " + toks[i].key);
      if (!it->second(toks[i])) return false;
    }
    return true;
  }
  bool satellite(const std::vector<Token>& t);
  bool network(const std::vector<Token>& t);
  bool transport(const std::vector<Token>& t);
  bool service(const std::vector<Token>& t);
  bool es(const std::vector<Token>& t);
  bool programme(const std::vector<Token>& t);

  Fixture& f_;
};

bool Parser::line(const std::vector<Token>& toks) {
  const std::string& kw = toks[0].key.empty() ? toks[0].value : toks[0].key;
  if (!toks[0].key.empty()) return fail("a line starts with a keyword");
  if (kw == "satellite") return satellite(toks);
  if (kw == "network") return network(toks);
  if (kw == "transport") return transport(toks);
  if (kw == "service") return service(toks);
  if (kw == "es") return es(toks);
  if (kw == "programme") return programme(toks);
  return fail("unknown keyword " + kw);
}

bool Parser::satellite(const std::vector<Token>& t) {
  if (t.size() < 2 || !t[1].key.empty()) return fail("satellite needs an id");
  Satellite s;
  s.id = t[1].value;
  if (f_.satellite(s.id)) return fail("satellite " + s.id + " declared twice");
  bool havePos = false;
  if (!options(t, 2,
               {{"position",
                 [&](const Token& k) {
                   char* end = nullptr;
                   double deg = std::strtod(k.value.c_str(), &end);
                   if (end == k.value.c_str() || (*end != 'E' && *end != 'W') || end[1] != '\0' || deg < 0 || deg > 180)
                     return fail("position is like 19.2E or 30.0W");
                   s.position = static_cast<int>(deg * 10 + 0.5) * (*end == 'W' ? -1 : 1);
                   return havePos = true;
                 }},
                {"name", [&](const Token& k) { return s.name = k.value, true; }}}))
    return false;
  if (!havePos) return fail("satellite needs a position");
  f_.satellites.push_back(s);
  return true;
}

bool Parser::network(const std::vector<Token>& t) {
  Network n;
  if (t.size() < 2 || !t[1].key.empty() || !number(t[1].value, n.id)) return fail("network needs an id");
  if (n.id == 0 || n.id > 0xFFFF || f_.network(n.id)) return fail("bad or repeated network id");
  if (!options(t, 2,
               {{"name", [&](const Token& k) { return text(k, n.name); }},
                {"lcn", [&](const Token& k) { return boolean(k.value, n.lcn); }},
                {"update_oui", [&](const Token& k) { return number(k.value, n.updateOui); }},
                {"update_transport", [&](const Token& k) { return number(k.value, n.updateTransport); }}}))
    return false;
  f_.networks.push_back(n);
  return true;
}

bool Parser::transport(const std::vector<Token>& t) {
  Transport tr;
  if (t.size() < 2 || !t[1].key.empty() || !number(t[1].value, tr.tsid) || tr.tsid > 0xFFFF)
    return fail("transport needs an id");
  Delivery& d = tr.delivery;
  bool haveKind = false;
  auto frequency = [&](const Token& k) {
    char* end = nullptr;
    double mhz = std::strtod(k.value.c_str(), &end);
    if (end == k.value.c_str() || std::string(end) != "MHz" || mhz <= 0) return fail("frequency is like 10744MHz");
    d.frequencyKhz = static_cast<uint32_t>(mhz * 1000 + 0.5);
    return true;
  };
  if (!options(
          t, 2,
          {{"network", [&](const Token& k) { return number(k.value, tr.network); }},
           {"satellite",
            [&](const Token& k) {
              d.kind = DeliveryKind::satellite, d.satellite = k.value;
              if (!f_.satellite(k.value)) return fail("unknown satellite " + k.value);
              return haveKind = true;
            }},
           {"delivery",
            [&](const Token& k) {
              if (k.value == "cable")
                d.kind = DeliveryKind::cable;
              else if (k.value == "terrestrial")
                d.kind = DeliveryKind::terrestrial;
              else
                return fail("delivery is cable or terrestrial (satellites name their satellite)");
              return haveKind = true;
            }},
           {"frequency", frequency},
           {"polarisation",
            [&](const Token& k) {
              if (k.value.size() != 1 || std::string("HVLR").find(k.value[0]) == std::string::npos)
                return fail("polarisation is H, V, L or R");
              d.polarisation = k.value[0];
              return true;
            }},
           {"symbolrate", [&](const Token& k) { return number(k.value, d.symbolRate); }},
           {"fec", [&](const Token& k) { return d.fec = k.value, true; }},
           {"modulation", [&](const Token& k) { return d.modulation = k.value, true; }},
           {"bandwidth",
            [&](const Token& k) {
              static const std::map<std::string, unsigned> codes = {{"8MHz", 0}, {"7MHz", 1}, {"6MHz", 2}, {"5MHz", 3}};
              auto it = codes.find(k.value);
              if (it != codes.end()) return d.bandwidthCode = it->second, true;
              if (!number(k.value, d.bandwidthCode) || d.bandwidthCode > 7) return fail("bandwidth is 5..8MHz or 0..7");
              return true;
            }},
           {"hierarchy", [&](const Token& k) { return number(k.value, d.hierarchy) && d.hierarchy <= 7; }},
           {"guard", [&](const Token& k) { return d.guard = k.value, true; }},
           {"mode", [&](const Token& k) { return d.mode = k.value, true; }},
           {"file", [&](const Token& k) { return tr.file = k.value, true; }},
           {"pat_sections", [&](const Token& k) { return number(k.value, tr.patSections); }},
           {"sdt_sections", [&](const Token& k) { return number(k.value, tr.sdtSections); }},
           {"nit_sections", [&](const Token& k) { return number(k.value, tr.nitSections); }},
           {"tdt", [&](const Token& k) { return boolean(k.value, tr.tdt); }},
           {"tot",
            [&](const Token& k) {
              if (k.value == "no") return tr.tot = false, true;
              // COUNTRY[/region]:+HH:MM
              unsigned region = 0;
              char country[4] = {}, sign = 0;
              int hh = 0, mm = 0;
              if (std::sscanf(k.value.c_str(), "%3[A-Z]/%u:%c%d:%d", country, &region, &sign, &hh, &mm) != 5 &&
                  (region = 0, std::sscanf(k.value.c_str(), "%3[A-Z]:%c%d:%d", country, &sign, &hh, &mm) != 4))
                return fail("tot is no or like ESP:+01:00 or ESP/1:+01:00");
              if ((sign != '+' && sign != '-') || hh > 12 || mm > 59 || region > 63) return fail("bad tot offset");
              tr.totCountry = country, tr.totRegion = region;
              tr.totOffsetMinutes = (sign == '-' ? -1 : 1) * (hh * 60 + mm);
              return true;
            }},
           {"other", [&](const Token& k) { return number(k.value, tr.otherTransport); }},
           {"other_schedule", [&](const Token& k) { return boolean(k.value, tr.otherSchedule); }},
           {"nit_other", [&](const Token& k) { return number(k.value, tr.nitOther); }},
           {"bat", [&](const Token& k) { return boolean(k.value, tr.bat); }},
           {"sdt", [&](const Token& k) { return boolean(k.value, tr.sdt); }},
           {"nit", [&](const Token& k) { return boolean(k.value, tr.nit); }},
           {"eit", [&](const Token& k) { return boolean(k.value, tr.eit); }},
           {"packed", [&](const Token& k) { return boolean(k.value, tr.packed); }},
           {"changes", [&](const Token& k) { return boolean(k.value, tr.changes); }},
           {"emm", [&](const Token& k) { return number(k.value, tr.emmPid); }},
           {"ca_system", [&](const Token& k) { return number(k.value, tr.caSystem); }},
           {"duration_ms", [&](const Token& k) { return number(k.value, tr.durationMs); }}}))
    return false;
  if (!haveKind) return fail("transport needs satellite= or delivery=");
  if (!f_.network(tr.network)) return fail("transport names an undeclared network");
  if (f_.transport(tr.network, tr.tsid)) return fail("transport declared twice");
  if (d.frequencyKhz == 0) return fail("transport needs a frequency");
  if (tr.patSections < 1 || tr.sdtSections < 1 || tr.nitSections < 1 || tr.patSections > 8 || tr.sdtSections > 8 ||
      tr.nitSections > 8)
    return fail("sections counts are 1..8");
  if (tr.durationMs < 200 || tr.durationMs > 60000) return fail("duration_ms is 200..60000");
  f_.transports.push_back(tr);
  return true;
}

bool Parser::service(const std::vector<Token>& t) {
  if (f_.transports.empty()) return fail("service before any transport");
  Service s;
  if (t.size() < 2 || !t[1].key.empty() || !number(t[1].value, s.sid) || s.sid == 0 || s.sid > 0xFFFF)
    return fail("service needs an id");
  std::optional<bool> scramble;
  if (!options(t, 2,
               {{"type", [&](const Token& k) { return number(k.value, s.type); }},
                {"name", [&](const Token& k) { return text(k, s.name); }},
                {"provider", [&](const Token& k) { return text(k, s.provider); }},
                {"pmt", [&](const Token& k) { return number(k.value, s.pmtPid); }},
                {"pmt_sent",
                 [&](const Token& k) {
                   bool sent;
                   if (!boolean(k.value, sent)) return false;
                   return s.pmtMissing = !sent, true;
                 }},
                {"pcr", [&](const Token& k) { return number(k.value, s.pcrPid); }},
                {"pf", [&](const Token& k) { return boolean(k.value, s.eitPf); }},
                {"schedule", [&](const Token& k) { return number(k.value, s.scheduleDays) && s.scheduleDays <= 8; }},
                {"ca", [&](const Token& k) { return number(k.value, s.caSystem); }},
                {"ecm", [&](const Token& k) { return number(k.value, s.ecmPid); }},
                {"ca_in",
                 [&](const Token& k) {
                   if (k.value != "program" && k.value != "streams") return fail("ca_in is program or streams");
                   return s.caInStreams = k.value == "streams", true;
                 }},
                {"free_ca", [&](const Token& k) { return boolean(k.value, s.freeCa); }},
                {"scramble",
                 [&](const Token& k) {
                   bool b;
                   if (!boolean(k.value, b)) return false;
                   return scramble = b, true;
                 }},
                {"running", [&](const Token& k) { return number(k.value, s.running) && s.running <= 7; }},
                {"lcn",
                 [&](const Token& k) {
                   unsigned v;
                   if (!number(k.value, v) || v > 1023) return fail("lcn is 0..1023");
                   return s.lcn = static_cast<int>(v), true;
                 }},
                {"vbi_sdt", [&](const Token& k) { return boolean(k.value, s.vbiInSdt); }},
                {"half", [&](const Token& k) { return number(k.value, s.half) && s.half <= 2; }},
                {"second_name", [&](const Token& k) { return text(k, s.secondName); }},
                {"pf_linkage", [&](const Token& k) {
                   Linkage l;
                   if (std::sscanf(k.value.c_str(), "%x/%x/%x", &l.onid, &l.tsid, &l.sid) != 3)
                     return fail("pf_linkage is ONID/TSID/SID in hex");
                   return s.pfLinkage = l, true;
                 }}}))
    return false;
  if (s.pmtPid < 0x20 || s.pmtPid > 0x1FFE) return fail("service needs pmt=PID (0x20..0x1FFE)");
  if (s.caSystem && !s.ecmPid) return fail("a CA service needs ecm=PID");
  if ((s.half || !s.secondName.empty()) && !f_.transports.back().changes)
    return fail("half= and second_name= need changes=yes on the transport");
  s.scramble = scramble.value_or(s.caSystem != 0 && s.freeCa);
  for (const Service& o : f_.transports.back().services)
    if (o.sid == s.sid) return fail("service declared twice in a transport");
  f_.transports.back().services.push_back(s);
  return true;
}

bool Parser::es(const std::vector<Token>& t) {
  if (f_.transports.empty() || f_.transports.back().services.empty()) return fail("es before any service");
  Service& s = f_.transports.back().services.back();
  ElementaryStream e;
  if (t.size() < 3 || !t[1].key.empty() || !t[2].key.empty() || !number(t[1].value, e.pid) || e.pid < 0x20 ||
      e.pid > 0x1FFE)
    return fail("es needs a PID (0x20..0x1FFE) and a kind");
  static const std::map<std::string, EsKind> kinds = {{"mpeg1video", EsKind::mpeg1video},
                                                      {"mpeg2video", EsKind::mpeg2video},
                                                      {"h264", EsKind::h264},
                                                      {"mpeg1audio", EsKind::mpeg1audio},
                                                      {"mpeg2audio", EsKind::mpeg2audio},
                                                      {"ac3", EsKind::ac3},
                                                      {"eac3", EsKind::eac3},
                                                      {"aac", EsKind::aac},
                                                      {"latm", EsKind::latm},
                                                      {"teletext", EsKind::teletext},
                                                      {"subtitle", EsKind::subtitle},
                                                      {"data", EsKind::data},
                                                      {"ssu", EsKind::ssu}};
  auto kind = kinds.find(t[2].value);
  if (kind == kinds.end()) return fail("unknown stream kind " + t[2].value);
  e.kind = kind->second;
  const bool changes = f_.transports.back().changes;
  if (!options(t, 3,
               {{"lang",
                 [&](const Token& k) {
                   if (k.value.size() != 3) return fail("lang is three letters");
                   return e.lang = k.value, true;
                 }},
                {"audio_type", [&](const Token& k) { return number(k.value, e.audioType); }},
                {"tag",
                 [&](const Token& k) {
                   unsigned v;
                   if (!number(k.value, v) || v > 255) return fail("tag is 0..255");
                   return e.componentTag = static_cast<int>(v), true;
                 }},
                {"ca", [&](const Token& k) { return boolean(k.value, e.ca); }},
                {"vbi", [&](const Token& k) { return boolean(k.value, e.vbi); }},
                {"half", [&](const Token& k) { return number(k.value, e.half) && e.half <= 2; }},
                {"page",
                 [&](const Token& k) {
                   TeletextPage p;
                   char lang[4] = {};
                   if (std::sscanf(k.value.c_str(), "%3[a-z]/%u/%u", lang, &p.type, &p.page) != 3 || p.page < 100 ||
                       p.page > 899 || p.type > 31)
                     return fail("page is lang/type/page, like deu/2/888");
                   p.lang = lang;
                   e.pages.push_back(p);
                   return true;
                 }},
                {"sub", [&](const Token& k) {
                   SubtitleEntry u;
                   char lang[4] = {};
                   if (std::sscanf(k.value.c_str(), "%3[a-z]/%x/%u/%u", lang, &u.type, &u.composition, &u.ancillary) !=
                       4)
                     return fail("sub is lang/type(hex)/composition/ancillary, like deu/10/1/1");
                   u.lang = lang;
                   e.subtitles.push_back(u);
                   return true;
                 }}}))
    return false;
  if (e.half && !changes) return fail("half= needs changes=yes on the transport");
  for (const Service& o : f_.transports.back().services)
    for (const ElementaryStream& x : o.streams)
      if (x.pid == e.pid && x.kind != e.kind) return fail("PID used by two kinds of stream");
  s.streams.push_back(e);
  return true;
}

bool Parser::programme(const std::vector<Token>& t) {
  Programme p;
  Text pendingItemName;
  if (!options(t, 1,
               {{"minutes", [&](const Token& k) { return number(k.value, p.minutes) && p.minutes >= 1; }},
                {"title", [&](const Token& k) { return text(k, p.title); }},
                {"short", [&](const Token& k) { return text(k, p.shortText); }},
                {"extended", [&](const Token& k) { return text(k, p.extendedText); }},
                {"item_name", [&](const Token& k) { return text(k, pendingItemName); }},
                {"item_text",
                 [&](const Token& k) {
                   Text v;
                   if (!text(k, v)) return false;
                   p.items.emplace_back(pendingItemName, v);
                   return true;
                 }},
                {"genre", [&](const Token& k) { return number(k.value, p.genre) && p.genre <= 0xFF; }},
                {"rating",
                 [&](const Token& k) {
                   unsigned v;
                   if (!number(k.value, v) || v > 0xFF) return fail("rating is 0..255");
                   return p.rating = static_cast<int>(v), true;
                 }},
                {"rating_country", [&](const Token& k) { return p.ratingCountry = k.value, k.value.size() == 3; }}}))
    return false;
  if (p.title.bytes.size() > 200 || p.shortText.bytes.size() > 200) return fail("title and short text up to 200 bytes");
  size_t itemBytes = 0;
  for (const auto& [name, value] : p.items) itemBytes += 2 + name.bytes.size() + value.bytes.size();
  if (itemBytes > 200) return fail("items up to 200 bytes together");
  f_.programmes.push_back(p);
  return true;
}

// Cross-checks that need the whole fixture.
bool validate(const Fixture& f, std::string& error) {
  std::map<std::string, int> files;
  for (const Transport& t : f.transports) {
    if (!t.file.empty() && files[t.file]++) return error = "file " + t.file + " made twice", false;
    if (t.otherTransport && !f.transport(t.network, t.otherTransport))
      return error = "transport " + std::to_string(t.tsid) + ": other= names an unknown transport", false;
    if (t.nitOther && !f.network(t.nitOther)) return error = "nit_other names an unknown network", false;
    std::map<unsigned, std::string> pids = {{0, "PAT"},    {1, "CAT"},    {0x10, "NIT"},
                                            {0x11, "SDT"}, {0x12, "EIT"}, {0x14, "TDT"}};
    auto claim = [&](unsigned pid, const std::string& what) {
      auto it = pids.find(pid);
      if (it != pids.end() && it->second != what) {
        error = "PID " + std::to_string(pid) + " used for " + it->second + " and " + what;
        return false;
      }
      pids[pid] = what;
      return true;
    };
    for (const Service& s : t.services) {
      if (!claim(s.pmtPid, "PMT")) return false;
      if (s.ecmPid && !claim(s.ecmPid, "ECM " + std::to_string(s.sid))) return false;
      for (const ElementaryStream& e : s.streams)
        if (!claim(e.pid, "ES")) return false;
      if (!s.pmtMissing && s.pcrPid == 0) return error = "service " + std::to_string(s.sid) + " needs pcr=", false;
    }
    if (t.emmPid && !claim(t.emmPid, "EMM")) return false;
  }
  for (const Network& n : f.networks)
    if (n.updateOui && !f.transport(n.id, n.updateTransport))
      return error = "update_transport names an unknown transport", false;
  if (f.programmes.empty()) return error = "no programme lines", false;
  return true;
}

}  // namespace

bool parseFixture(const std::string& text, Fixture& out, std::string& error) {
  out = Fixture{};
  Parser p(out);
  std::istringstream in(text);
  std::string line, joined;
  int lineNo = 0, startLine = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (joined.empty()) startLine = lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.back() == '\\') {
      line.pop_back();
      joined += line + " ";
      continue;
    }
    joined += line;
    std::vector<Token> toks;
    std::string e;
    if (!tokenize(joined, toks, e)) {
      error = "line " + std::to_string(startLine) + ": " + e;
      return false;
    }
    joined.clear();
    if (toks.empty()) continue;
    if (!p.line(toks)) {
      error = "line " + std::to_string(startLine) + ": " + (p.error.empty() ? "bad value" : p.error);
      return false;
    }
  }
  if (!joined.empty()) return error = "line " + std::to_string(startLine) + ": continued past the end", false;
  return validate(out, error);
}

}  // namespace streamgen
