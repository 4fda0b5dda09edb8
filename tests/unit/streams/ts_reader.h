#pragma once
// Section readers for the tests, written from the transport-stream standard independently of the
// generator: one that honours pointer fields, adaptation fields and packing, and one that reads
// only the simple layout (each section starts a packet right after a zero pointer field, no
// adaptation field), as the receiver's demultiplexer does.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tsr {

using Bytes = std::vector<uint8_t>;

struct Packet {
  unsigned pid, cc;
  bool start, payload, adaptation;
  size_t offset;  // payload offset within the 188 bytes
};

inline Packet header(const uint8_t* p) {
  Packet h{};
  h.pid = ((p[1] & 0x1Fu) << 8) | p[2];
  h.start = (p[1] & 0x40) != 0;
  h.adaptation = (p[3] & 0x20) != 0;
  h.payload = (p[3] & 0x10) != 0;
  h.cc = p[3] & 15u;
  h.offset = h.adaptation ? 5u + p[4] : 4u;
  return h;
}

inline unsigned sectionLength(const uint8_t* s) { return 3u + (((s[1] & 0x0Fu) << 8) | s[2]); }

inline uint32_t crc32(const uint8_t* d, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= static_cast<uint32_t>(d[i]) << 24;
    for (int b = 0; b < 8; ++b) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
  }
  return c;
}

// Standard reading of all sections of a PID (stuffing 0xFF ends the sections of a packet).
inline std::vector<Bytes> sections(const Bytes& ts, unsigned pid) {
  std::vector<Bytes> out;
  Bytes cur;
  bool inSection = false;
  for (size_t at = 0; at + 188 <= ts.size(); at += 188) {
    const uint8_t* p = &ts[at];
    Packet h = header(p);
    if (h.pid != pid || !h.payload || h.offset >= 188) continue;
    size_t pos = h.offset;
    size_t firstStart = 188;
    if (h.start) firstStart = pos + 1 + p[pos], ++pos;
    // Tail of a section in progress.
    size_t tailEnd = std::min<size_t>(firstStart, 188);
    if (inSection) cur.insert(cur.end(), p + pos, p + tailEnd);
    pos = tailEnd;
    while (true) {
      if (inSection && cur.size() >= 3 && cur.size() >= sectionLength(cur.data())) {
        cur.resize(sectionLength(cur.data()));
        out.push_back(cur);
        cur.clear();
        inSection = false;
      }
      if (!h.start || pos >= 188 || p[pos] == 0xFF) break;
      inSection = true;
      cur.assign(p + pos, p + 188);
      pos = 188;
      if (cur.size() >= 3 && cur.size() >= sectionLength(cur.data())) {
        size_t len = sectionLength(cur.data());
        pos = 188 - (cur.size() - len);
        cur.resize(len);
        out.push_back(cur);
        cur.clear();
        inSection = false;
        continue;
      }
      break;
    }
  }
  return out;
}

// The simple reading; `layoutOk` turns false when a packet breaks the simple layout.
inline std::vector<Bytes> simpleSections(const Bytes& ts, unsigned pid, bool& layoutOk) {
  std::vector<Bytes> out;
  Bytes cur;
  size_t want = 0;
  for (size_t at = 0; at + 188 <= ts.size(); at += 188) {
    const uint8_t* p = &ts[at];
    Packet h = header(p);
    if (h.pid != pid) continue;
    if (h.adaptation || (h.start && p[4] != 0)) layoutOk = false;
    if (want == 0) {
      if (!h.start) continue;
      cur.assign(p + 5, p + 188);
      want = sectionLength(cur.data());
    } else {
      cur.insert(cur.end(), p + 4, p + 188);
    }
    if (cur.size() >= want) {
      // The rest of the packet after the section must be stuffing: no second section in it.
      for (size_t i = want; i < cur.size(); ++i)
        if (cur[i] != 0xFF) layoutOk = false;
      cur.resize(want);
      out.push_back(cur);
      want = 0;
    }
  }
  return out;
}

}  // namespace tsr
