// The stream generator: standard vectors, character tables, fixture errors, and the layout of the
// streams it makes from the project's fixture (checked with a reader written from the standard).
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "bytes.h"
#include "events.h"
#include "fixture.h"
#include "generate.h"
#include "ts_reader.h"

using namespace streamgen;

namespace {

const int64_t kBase = 1364299200;  // 2013-03-26 12:00:00 UTC

const Fixture& projectFixture() {
  static Fixture f = [] {
    std::ifstream in(ORB_SOURCE_DIR "/assets/streams/broadcast.txt");
    std::stringstream s;
    s << in.rdbuf();
    Fixture out;
    std::string error;
    EXPECT_TRUE(parseFixture(s.str(), out, error)) << error;
    return out;
  }();
  return f;
}

std::string hexOf(const Bytes& b) { return hex(b); }

TEST(StreamBasics, StandardVectors) {
  const std::string digits = "123456789";
  EXPECT_EQ(crc32Mpeg(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0x0376E6E7u);
  EXPECT_EQ(mjdOf(400118400), 45218u);  // 1982-09-06, the MJD example of the SI standard
  ByteWriter w;
  putUtcTime(w, 750516300);  // 1993-10-13 12:45:00
  putBcdDuration(w, 1 * 3600 + 45 * 60 + 30);
  EXPECT_EQ(hexOf(w.data()), "c079124500014530");
  int64_t t = 0;
  ASSERT_TRUE(parseIsoTime("2013-03-26T12:00:00Z", t));
  EXPECT_EQ(t, kBase);
  EXPECT_EQ(isoTime(t), "2013-03-26T12:00:00Z");
  for (const char* bad : {"2013-13-01T00:00:00Z", "2013-03-26", "2013-03-26T12:00:00+01", "x"})
    EXPECT_FALSE(parseIsoTime(bad, t)) << bad;
}

TEST(StreamBasics, CharacterTables) {
  struct Case {
    const char* table;
    const char* utf8;
    const char* hex;  // nullptr: refused
  };
  const Case cases[] = {
      {"6937", "Café", "436166c265"},  // diacritic before the letter
      {"8859-5", "Ж", "01b6"},         // one-byte selector 0x01
      {"8859-9", "Ğ", "05d0"},        {"8859-15", "€", "0ba4"},
      {"8859-2/3", "Č", "100002c8"},  // three-byte selector
      {"utf8", "✓", "15e29c93"},      {"raw", "\x0A\x80", "0a80"},
      {"6937", "€", nullptr},                                    // no code for it
      {"8859-5", "é", nullptr},       {"8859-3", "a", nullptr},  // parts below 5 only with the three-byte selector
      {"8859-12", "a", nullptr},      {"latin", "a", nullptr},
  };
  for (const Case& c : cases) {
    Text t;
    std::string error;
    bool ok = encodeText(c.table, c.utf8, t, error);
    if (!c.hex) {
      EXPECT_FALSE(ok) << c.table << " " << c.utf8;
      EXPECT_FALSE(error.empty());
    } else {
      ASSERT_TRUE(ok) << error;
      EXPECT_EQ(hex(t.bytes), c.hex) << c.table;
    }
  }
}

TEST(StreamBasics, FixtureErrorsNameTheLine) {
  const std::string head =
      "satellite s position=19.2E\nnetwork 0xFF01 name=\"N\"\n"
      "transport 1 network=0xFF01 satellite=s frequency=10744MHz file=a.ts\n";
  const std::string programme = "programme minutes=30 title=\"T\"\n";
  struct Case {
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {"frobnicate 1\n", "line 1: unknown keyword frobnicate"},
      {"satellite s position=19.2N\n", "line 1: position is like"},
      {"network 0xFF01 name=\"unterminated\n", "line 1: unterminated quoted text"},
      {"network 0xFF01 name=raw:\"\\xZ1\"\n", "line 1: \\x needs two hex digits"},
      {"service 1 pmt=0x100 pcr=0x101\n", "line 1: service before any transport"},
      {head + "service 1 pmt=0x100 pcr=0x101 colour=red\n", "line 4: unknown key colour"},
      {head + "service 1 pmt=0x100 pcr=0x101 name=8859-5:\"é\"\n", "line 4: \"é\" cannot be written"},
      {head + "service 1 pmt=0x10 pcr=0x101\n", "line 4: service needs pmt=PID"},
      {head + "service 1 pmt=0x100 pcr=0x101\nes 0x101 mpeg2video\nes 0x101 mp3\n", "line 6: unknown stream kind mp3"},
      {head + "service 1 pmt=0x100 pcr=0x101\nes 0x101 mpeg2video\nes 0x101 mpeg1audio\n",
       "line 6: PID used by two kinds"},
      {head + "service 1 pmt=0x100 pcr=0x101\nes 0x100 mpeg2video\n" + programme, "PID 256 used for PMT and ES"},
      {head + "service 1 pmt=0x100 pcr=0x101 ca=0x0B00\n", "line 4: a CA service needs ecm=PID"},
      {"transport 1 network=0xFF09 delivery=cable frequency=459MHz\n", "line 1: transport names an undeclared network"},
      {"network 0xFF01\ntransport 1 network=0xFF01 delivery=cable \\\n frequency=459\n", "line 2: frequency is like"},
      {head, "no programme lines"},
  };
  for (const Case& c : cases) {
    Fixture f;
    std::string error;
    EXPECT_FALSE(parseFixture(c.text, f, error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << "got: " << error << "\nwant: " << c.error;
  }
  Fixture f;
  std::string error;
  EXPECT_TRUE(parseFixture(head + "service 1 pmt=0x100 pcr=0x101\nes 0x101 mpeg2video\n" + programme, f, error))
      << error;
}

TEST(StreamEvents, ContiguousAroundTheBroadcastTime) {
  const Fixture& f = projectFixture();
  const Transport& t = f.transports.front();
  for (int64_t base : {kBase, kBase - 12 * 3600 + 10 * 60 /* 00:10 */, kBase + 11 * 3600 + 59 * 60 /* 23:59 */}) {
    const int64_t day0 = base - base % 86400;
    for (unsigned days : {0u, 1u, 8u}) {
      std::vector<Event> ev = makeEvents(f, t, 2, base, days);
      ASSERT_FALSE(ev.empty());
      EXPECT_EQ(ev.front().start, std::min(day0, base - 20 * 60)) << base;
      EXPECT_GE(ev.back().start + ev.back().duration, std::max<int64_t>(day0 + days * 86400, base + 86400));
      bool present = false;
      for (size_t i = 0; i < ev.size(); ++i) {
        EXPECT_EQ(ev[i].id, i + 1);
        if (i) {
          EXPECT_EQ(ev[i].start, ev[i - 1].start + ev[i - 1].duration);
        }
        present = present || (ev[i].start == base - 20 * 60 && ev[i].duration == 7200);
      }
      EXPECT_TRUE(present) << "the present event spans 20 minutes before to 100 minutes after the base time";
    }
  }
}

class ProjectStreams : public ::testing::Test {
 protected:
  static const std::vector<StreamFile>& streams() {
    static std::vector<StreamFile> all = [] {
      std::vector<StreamFile> out;
      for (const Transport& t : projectFixture().transports)
        if (!t.file.empty()) out.push_back(generateStream(projectFixture(), t, kBase));
      return out;
    }();
    return all;
  }
  static std::set<unsigned> tablePids(const Bytes& ts) {
    std::set<unsigned> pids = {0x00, 0x01, 0x10, 0x11, 0x12, 0x14};
    for (const Bytes& s : tsr::sections(ts, 0))
      for (size_t i = 8; i + 4 <= s.size() - 4; i += 4) pids.insert(((s[i + 2] & 0x1Fu) << 8) | s[i + 3]);
    return pids;
  }
};

TEST_F(ProjectStreams, PacketsAndSectionsAreWellFormed) {
  for (const StreamFile& f : streams()) {
    SCOPED_TRACE(f.path);
    const Bytes& ts = f.data;
    ASSERT_EQ(ts.size() % 188, 0u);
    std::map<unsigned, unsigned> cc;
    for (size_t at = 0; at < ts.size(); at += 188) {
      ASSERT_EQ(ts[at], 0x47);
      tsr::Packet h = tsr::header(&ts[at]);
      EXPECT_EQ(ts[at + 1] & 0x80, 0) << "transport error flag";
      if (!h.payload) continue;
      auto it = cc.find(h.pid);
      if (it != cc.end()) {
        EXPECT_EQ(h.cc, (it->second + 1) % 16) << "PID " << h.pid << " at packet " << at / 188;
      }
      cc[h.pid] = h.cc;
    }
    for (unsigned pid : tablePids(ts)) {
      for (const tsr::Bytes& s : tsr::sections(ts, pid)) {
        bool eit = s[0] >= 0x4E && s[0] <= 0x6F;
        EXPECT_LE(s.size(), eit ? 4096u : 1024u);
        if (s[0] != 0x70 && s[0] < 0x80) {
          EXPECT_EQ(tsr::crc32(s.data(), s.size()), 0u) << "table " << int(s[0]);
        }
        if (s[0] >= 0x40 && s[0] < 0x80) {
          EXPECT_EQ(s[1] & 0x70, 0x70) << "reserved bits of table " << int(s[0]);
        }
      }
    }
  }
}

TEST_F(ProjectStreams, TablesUseTheSimpleLayoutExceptThePackedStream) {
  bool sawPacking = false;
  for (const StreamFile& f : streams()) {
    SCOPED_TRACE(f.path);
    bool packed = f.path == "test/packed_psi.ts";
    for (unsigned pid : tablePids(f.data)) {
      bool layoutOk = true;
      std::vector<tsr::Bytes> simple = tsr::simpleSections(f.data, pid, layoutOk);
      std::vector<tsr::Bytes> standard = tsr::sections(f.data, pid);
      if (!packed) {
        EXPECT_TRUE(layoutOk) << "PID " << pid;
        EXPECT_EQ(simple, standard) << "PID " << pid;
      } else if (!layoutOk) {
        sawPacking = true;
      }
    }
  }
  EXPECT_TRUE(sawPacking) << "the packed stream puts several sections in a packet";
}

TEST_F(ProjectStreams, ScheduleSectionsFollowTheirSegments) {
  const int64_t day0 = kBase - kBase % 86400;
  for (const StreamFile& f : streams()) {
    SCOPED_TRACE(f.path);
    std::map<std::pair<unsigned, unsigned>, std::set<unsigned>> numbers;  // (table, service) -> sections
    for (const tsr::Bytes& s : tsr::sections(f.data, 0x12)) {
      unsigned table = s[0];
      if (table < 0x50 || table > 0x5F) continue;
      unsigned service = (s[3] << 8) | s[4], number = s[6], last = s[7], segmentLast = s[12], lastTable = s[13];
      EXPECT_LE(number, segmentLast);
      EXPECT_EQ(number / 8, segmentLast / 8);
      EXPECT_LE(segmentLast, last);
      EXPECT_GE(lastTable, table);
      numbers[{table, service}].insert(number);
      const int64_t segmentStart = day0 + ((table - 0x50) * 32 + number / 8) * 10800;
      for (size_t i = 14; i + 12 <= s.size() - 4;) {
        unsigned mjd = (s[i + 2] << 8) | s[i + 3];
        auto bcd = [](uint8_t v) { return (v >> 4) * 10 + (v & 15); };
        int64_t start = (int64_t(mjd) - 40587) * 86400 + bcd(s[i + 4]) * 3600 + bcd(s[i + 5]) * 60 + bcd(s[i + 6]);
        if (segmentStart > day0) {
          EXPECT_GE(start, segmentStart);
        }
        EXPECT_LT(start, segmentStart + 10800);
        i += 12 + (((s[i + 10] & 0x0Fu) << 8) | s[i + 11]);
      }
    }
    for (const auto& [key, set] : numbers) EXPECT_TRUE(set.count(0)) << "table " << key.first << " starts at 0";
  }
}

}  // namespace
