#include "elementary.h"

namespace streamgen {

namespace {

class BitWriter {
 public:
  void put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      cur_ = static_cast<uint8_t>((cur_ << 1) | ((value >> i) & 1));
      if (++n_ == 8) out_.push_back(cur_), cur_ = 0, n_ = 0;
    }
  }
  void align() {
    while (n_ != 0) put(0, 1);
  }
  void startCode(unsigned code) {
    align();
    put(0x000001, 24);
    put(code, 8);
  }
  Bytes& data() { return out_; }

 private:
  Bytes out_;
  uint8_t cur_ = 0;
  int n_ = 0;
};

}  // namespace

Bytes greyPicture(bool mpeg2) {
  const unsigned width = 720, height = 576;
  BitWriter w;
  w.startCode(0xB3);  // sequence header
  w.put(width, 12), w.put(height, 12);
  w.put(2, 4);                    // 4:3
  w.put(3, 4);                    // 25 frames/s
  w.put(15000, 18), w.put(1, 1);  // 6 Mbit/s, marker
  w.put(112, 10), w.put(0, 1), w.put(0, 1), w.put(0, 1);
  if (mpeg2) {
    w.startCode(0xB5);                                      // sequence extension
    w.put(1, 4), w.put(0x48, 8), w.put(1, 1), w.put(1, 2);  // Main@Main, progressive, 4:2:0
    w.put(0, 2), w.put(0, 2), w.put(0, 12), w.put(1, 1), w.put(0, 8), w.put(0, 1), w.put(0, 2), w.put(0, 5);
  }
  w.startCode(0xB8);  // GOP: time code 0, closed
  w.put(0, 1), w.put(0, 5), w.put(0, 6), w.put(1, 1), w.put(0, 6), w.put(0, 6), w.put(1, 1), w.put(0, 1);
  w.startCode(0x00);  // picture header: I picture
  w.put(0, 10), w.put(1, 3), w.put(0xFFFF, 16), w.put(0, 1);
  if (mpeg2) {
    w.startCode(0xB5);  // picture coding extension
    w.put(8, 4);
    w.put(0xFFFF, 16);         // f_codes unused in I pictures
    w.put(0, 2), w.put(3, 2);  // 8-bit DC, frame picture
    w.put(0, 1), w.put(1, 1), w.put(0, 1), w.put(0, 1), w.put(0, 1), w.put(0, 1), w.put(0, 1);
    w.put(1, 1), w.put(1, 1), w.put(0, 1);  // chroma_420_type, progressive_frame, no composite
  }
  // One slice per macroblock row; every macroblock intra with zero DC differences and no AC
  // coefficients, so the picture is uniformly mid-grey.
  for (unsigned row = 0; row < height / 16; ++row) {
    w.startCode(1 + row);
    w.put(8, 5), w.put(0, 1);  // quantiser scale, no extra slice information
    for (unsigned mb = 0; mb < width / 16; ++mb) {
      w.put(1, 1);                                                  // address increment 1
      w.put(1, 1);                                                  // macroblock type: intra
      for (int b = 0; b < 4; ++b) w.put(0b100, 3), w.put(0b10, 2);  // luminance DC size 0, end of block
      for (int b = 0; b < 2; ++b) w.put(0b00, 2), w.put(0b10, 2);   // chrominance DC size 0, end of block
    }
  }
  w.align();
  return w.data();
}

Bytes silentLayer2Frame() {
  // MPEG-1 layer II, no CRC, 128 kbit/s, 48 kHz, stereo. With every bit allocation zero the frame
  // carries no samples: silence.
  Bytes f(384, 0);
  f[0] = 0xFF, f[1] = 0xFD, f[2] = 0x84, f[3] = 0x00;
  return f;
}

Bytes pesPacket(unsigned streamId, const Bytes& payload, uint64_t pts90k, unsigned headerStuffing) {
  ByteWriter w;
  w.u24(0x000001), w.u8(streamId);
  size_t len = 3 + 5 + headerStuffing + payload.size();
  w.u16(len > 0xFFFF ? 0 : static_cast<unsigned>(len));
  w.u8(0x84);  // data_alignment_indicator
  w.u8(0x80);  // PTS only
  w.u8(5 + headerStuffing);
  w.u8(0x21 | ((pts90k >> 29) & 0x0E));
  w.u16(static_cast<unsigned>(((pts90k >> 14) & 0xFFFE) | 1));
  w.u16(static_cast<unsigned>(((pts90k << 1) & 0xFFFE) | 1));
  for (unsigned i = 0; i < headerStuffing; ++i) w.u8(0xFF);
  w.bytes(payload);
  return w.data();
}

Bytes pesFor(EsKind kind, uint64_t pts90k) {
  switch (kind) {
    case EsKind::mpeg1video:
    case EsKind::mpeg2video:
      return pesPacket(0xE0, greyPicture(kind == EsKind::mpeg2video), pts90k);
    case EsKind::mpeg1audio:
    case EsKind::mpeg2audio:
      return pesPacket(0xC0, silentLayer2Frame(), pts90k);
    case EsKind::teletext: {
      // data_identifier 0x10, then stuffing data units; the PES fills exactly one 184-byte payload
      // multiple as teletext PES packets must.
      Bytes payload{0x10};
      for (int i = 0; i < 3; ++i) {
        payload.push_back(0xFF), payload.push_back(0x2C);
        payload.insert(payload.end(), 44, 0xFF);
      }
      return pesPacket(0xBD, payload, pts90k, 0x24 - 5);
    }
    case EsKind::subtitle:
      // data_identifier 0x20, subtitle_stream_id 0, end of PES data marker.
      return pesPacket(0xBD, {0x20, 0x00, 0xFF}, pts90k);
    default:
      return {};
  }
}

}  // namespace streamgen
