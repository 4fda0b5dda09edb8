#pragma once
// Small elementary-stream payloads, so that demultiplexers and probes find well-formed data on the
// audio, video, teletext and subtitle PIDs: a grey MPEG video I-picture, a silent MPEG audio layer II
// frame, teletext stuffing units and an empty subtitle segment set, each wrapped in a PES packet.
#include <cstdint>

#include "bytes.h"
#include "fixture.h"

namespace streamgen {

// Coded grey I-picture 720x576 at 25 Hz with sequence and GOP headers (MPEG-2 with its extensions,
// or MPEG-1).
Bytes greyPicture(bool mpeg2);
// One silent layer II frame, 48 kHz, 128 kbit/s, stereo (384 bytes).
Bytes silentLayer2Frame();

// The PES packet for one access unit of the stream kind at presentation time `pts90k`; empty for
// kinds that carry no payload here (data, update and coded audio/video formats we do not synthesise).
Bytes pesFor(EsKind kind, uint64_t pts90k);

// PES packet: start code, stream id, length (0 for video when too long), PTS.
Bytes pesPacket(unsigned streamId, const Bytes& payload, uint64_t pts90k, unsigned headerStuffing = 0);

}  // namespace streamgen
