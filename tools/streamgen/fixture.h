#pragma once
// The broadcast fixture: satellites, networks, transports with their services and elementary streams,
// and the programme list the event tables are made from. Read from the text format documented in
// assets/streams/README.md.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bytes.h"

namespace streamgen {

// A broadcast text: the bytes as they go into a table (character-table selector included) and, when
// the bytes follow a standard table, the same text as UTF-8.
struct Text {
  Bytes bytes;
  std::string utf8;
  std::string table;  // "6937", "8859-5", "8859-2/3", "utf8" or "raw"
  bool empty() const { return bytes.empty(); }
};

struct Satellite {
  std::string id;
  int position = 0;  // tenths of a degree, east positive
  std::string name;
};

struct Network {
  unsigned id = 0;
  Text name;
  bool lcn = false;        // logical channel numbers (private data specifier 0x28 + descriptor 0x83)
  uint32_t updateOui = 0;  // non-zero: software-update linkage (type 9) to `updateTransport`
  unsigned updateTransport = 0;
};

enum class DeliveryKind { satellite, cable, terrestrial };

struct Delivery {
  DeliveryKind kind = DeliveryKind::satellite;
  uint32_t frequencyKhz = 0;
  // satellite
  std::string satellite;
  char polarisation = 'H';  // H, V, L, R
  std::string modulation;   // satellite: QPSK, 8PSK; cable: 16QAM..256QAM; terrestrial: QPSK, 16QAM, 64QAM
  unsigned symbolRate = 0;  // ksym/s (satellite, cable)
  std::string fec;          // "3/4", ...
  // terrestrial
  unsigned bandwidthCode = 0;  // 0 = 8 MHz, 1 = 7, 2 = 6, 3 = 5, 4..7 reserved
  unsigned hierarchy = 0;
  std::string guard = "1/32";
  std::string mode = "8k";
};

enum class EsKind {
  mpeg1video,
  mpeg2video,
  h264,
  mpeg1audio,
  mpeg2audio,
  ac3,
  eac3,
  aac,
  latm,
  teletext,
  subtitle,
  data,
  ssu,
  ecm_only
};

struct TeletextPage {
  std::string lang;
  unsigned type = 1;  // 1 initial, 2 subtitle, 5 hearing impaired
  unsigned page = 100;
};

struct SubtitleEntry {
  std::string lang;
  unsigned type = 0x10;
  unsigned composition = 1, ancillary = 1;
};

struct ElementaryStream {
  unsigned pid = 0;
  EsKind kind = EsKind::mpeg2video;
  std::string lang;  // empty: no language descriptor
  unsigned audioType = 0;
  int componentTag = -1;  // stream_identifier_descriptor
  bool ca = false;        // CA descriptor in this stream's loop
  std::vector<TeletextPage> pages;
  std::vector<SubtitleEntry> subtitles;
  bool vbi = false;   // VBI data descriptor (teletext service) in the stream loop
  unsigned half = 0;  // with changing tables: sent only in the first (1) or second (2) half
};

struct Linkage {
  unsigned onid = 0, tsid = 0, sid = 0;
};

struct Service {
  unsigned sid = 0;
  unsigned type = 1;
  Text name, provider;
  unsigned pmtPid = 0;
  bool pmtMissing = false;  // listed in the PAT, no PMT ever sent
  unsigned pcrPid = 0;
  bool eitPf = true;
  unsigned scheduleDays = 0;
  unsigned caSystem = 0;  // non-zero: CA descriptor in the program loop (unless caInStreams)
  unsigned ecmPid = 0;
  bool caInStreams = false;
  bool freeCa = false;  // SDT free_CA_mode
  bool scramble = false;
  unsigned running = 4;
  int lcn = -1;
  bool vbiInSdt = false;
  std::optional<Linkage> pfLinkage;  // linkage 0xD8 after private data specifier 0x5F in the present event
  std::vector<ElementaryStream> streams;
  unsigned half = 0;  // with changing tables: listed only in the first (1) or second (2) half
  Text secondName;    // with changing tables: the name in the second half, when it changes
};

struct Transport {
  unsigned tsid = 0;
  unsigned network = 0;
  Delivery delivery;
  std::string file;  // empty: announced in the NIT only
  std::vector<Service> services;
  // Options of the file made for this transport.
  unsigned patSections = 1, sdtSections = 1, nitSections = 1;
  bool tdt = true;
  bool tot = true;
  std::string totCountry = "DEU";
  unsigned totRegion = 0;
  int totOffsetMinutes = 60;
  unsigned otherTransport = 0;  // SDT other and EIT p/f other for this transport of the same network
  bool otherSchedule = false;   // also EIT schedule other
  unsigned nitOther = 0;        // network whose NIT is sent as NIT other
  bool bat = false;
  bool sdt = true, nit = true, eit = true;
  bool packed = false;   // several sections per packet, pointer fields, adaptation fields on table packets
  bool changes = false;  // tables change version in the middle of the loop
  unsigned emmPid = 0;
  unsigned caSystem = 0;       // CAT entry
  unsigned durationMs = 1000;  // stream time of one loop of the file
};

struct Programme {
  Text title;  // empty: no short event descriptor
  Text shortText, extendedText;
  std::vector<std::pair<Text, Text>> items;
  unsigned minutes = 30;
  unsigned genre = 0;  // content byte, 0 = none
  int rating = -1;     // parental rating byte, -1 = none
  std::string ratingCountry = "DEU";
};

struct Fixture {
  std::vector<Satellite> satellites;
  std::vector<Network> networks;
  std::vector<Transport> transports;
  std::vector<Programme> programmes;

  const Network* network(unsigned id) const;
  const Transport* transport(unsigned network, unsigned tsid) const;
  const Satellite* satellite(const std::string& id) const;
};

// Parses a fixture; on failure returns false and sets `error` to "line N: what".
bool parseFixture(const std::string& text, Fixture& out, std::string& error);

// Encodes UTF-8 into the DVB character table named `table`; false when a character has no code there.
bool encodeText(const std::string& table, const std::string& utf8, Text& out, std::string& error);

// Stream type of an elementary stream kind (ISO/IEC 13818-1 Table 2-34).
unsigned streamTypeOf(EsKind kind);
inline bool isVideo(EsKind k) { return k == EsKind::mpeg1video || k == EsKind::mpeg2video || k == EsKind::h264; }
inline bool isAudio(EsKind k) {
  return k == EsKind::mpeg1audio || k == EsKind::mpeg2audio || k == EsKind::ac3 || k == EsKind::eac3 ||
         k == EsKind::aac || k == EsKind::latm;
}
// The codec name an independent demultiplexer reports for a kind ("" for data streams).
const char* codecNameOf(EsKind kind);

}  // namespace streamgen
