#pragma once
// Multiplexing of tables and PES packets into 188-byte transport packets over one loop of a stream
// file: repetition in stream time, continuity counters, PCR, XOR scrambling of scrambled services.
#include <array>
#include <string>
#include <vector>

#include "bytes.h"

namespace streamgen {

// Sections of one PID sent together every `periodMs` from `fromMs` until `toMs` (0: the end of the
// loop), or, with `spread`, one section at a time, evenly over the loop, `spread` times per loop.
struct TableGroup {
  unsigned pid = 0;
  std::vector<Bytes> sections;
  unsigned periodMs = 1000;
  unsigned spread = 0;
  unsigned fromMs = 0, toMs = 0;
};

struct PesUnit {
  unsigned pid = 0;
  unsigned timeMs = 0;
  Bytes pes;
  bool scrambled = false;
};

struct MuxPlan {
  unsigned durationMs = 1000;
  std::vector<TableGroup> tables;
  std::vector<PesUnit> pes;
  std::vector<unsigned> pcrPids;
  // Sections packed back to back (pointer fields, several per packet) with adaptation fields on
  // table packets; otherwise each section starts its own packet and table packets carry none.
  bool packed = false;
  std::array<uint8_t, 8> evenKey{}, oddKey{};
};

// Packetizes sections of one PID. Normal: every section starts a packet with pointer_field 0 and
// the packet's rest is 0xFF. Packed: sections follow each other, a packet where one begins carries
// its offset in pointer_field, and every other packet carries a small adaptation field.
// Continuity counters are left 0; the multiplexer numbers them.
std::vector<Bytes> packetizeSections(unsigned pid, const std::vector<Bytes>& sections, bool packed);

// Packetizes one PES packet; the last packet is filled with adaptation-field stuffing.
std::vector<Bytes> packetizePes(unsigned pid, const Bytes& pes);

// The whole loop of the file.
Bytes multiplex(const MuxPlan& plan);

}  // namespace streamgen
