// Slices, macroblocks and blocks of a frame picture.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "devices/decoder/mpeg_decoder.h"
#include "devices/decoder/mpeg_idct.h"
#include "devices/decoder/mpeg_motion.h"
#include "devices/decoder/mpeg_tables.h"
#include "devices/decoder/mpeg_vlc.h"

namespace {

constexpr int kMotionField = 1;
constexpr int kMotionFrame = 2;

}  // namespace

struct SliceDecoder {
  using Params = MpegDecoder::Params;
  using Frame = MpegDecoder::Frame;

  MpegDecoder& d;
  const Params& p;
  BitReader bits;
  int quantiserScale = 0;
  int dcPred[3] = {0, 0, 0};
  int pmv[2][2][2] = {};  // [first/second vector][forward/backward][horizontal/vertical]
  int mv[2][2][2] = {};   // vectors of the last macroblock, kept for skipped B macroblocks
  int fieldSelect[2][2] = {};
  int motionType = kMotionFrame;
  int lastFlags = 0;  // macroblock type of the last coded macroblock
  alignas(16) int16_t block[64] = {};
  bool dcOnly = true;  // the block holds nothing beyond its first coefficient

  SliceDecoder(MpegDecoder& decoder, const uint8_t* data, size_t size) : d(decoder), p(decoder.p_), bits(data, size) {}

  void resetDc() {
    int v = 1 << (7 + p.intraDcPrecision);
    dcPred[0] = dcPred[1] = dcPred[2] = v;
  }
  void resetPmv() { std::memset(pmv, 0, sizeof pmv); }

  bool setQuantiser(int code) {
    if (code == 0) return false;
    quantiserScale = kQuantiserScale[p.mpeg2 ? p.qScaleType : 0][code];
    return true;
  }

  // One motion vector component around its prediction, wrapped into the range that f_code allows.
  bool motionComponent(int fcode, int& value, int prediction) {
    if (fcode < 1 || fcode > 9) return false;  // "unused" or reserved in this picture
    int code = vlc_table(Vlc::MotionCode).decode(bits);
    if (code == kVlcInvalid) return false;
    int rSize = fcode - 1;
    int delta = 0;
    if (code != 0) {
      bool negative = bits.bit();
      int residual = rSize > 0 ? static_cast<int>(bits.get(rSize)) : 0;
      delta = ((code - 1) << rSize) + residual + 1;
      if (negative) delta = -delta;
    }
    int f = 1 << rSize;
    int v = prediction + delta;
    if (v < -16 * f) v += 32 * f;
    if (v > 16 * f - 1) v -= 32 * f;
    value = v;
    return true;
  }

  bool motionVectors(int s) {
    const int* fcode = p.fCode[s];
    if (motionType == kMotionFrame) {
      for (int t = 0; t < 2; ++t) {
        if (!motionComponent(fcode[t], mv[0][s][t], pmv[0][s][t])) return false;
        pmv[0][s][t] = pmv[1][s][t] = mv[0][s][t];
      }
      return true;
    }
    for (int r = 0; r < 2; ++r) {
      fieldSelect[r][s] = static_cast<int>(bits.get(1));
      if (!motionComponent(fcode[0], mv[r][s][0], pmv[r][s][0])) return false;
      pmv[r][s][0] = mv[r][s][0];
      if (!motionComponent(fcode[1], mv[r][s][1], pmv[r][s][1] >> 1)) return false;
      pmv[r][s][1] = mv[r][s][1] * 2;
    }
    return true;
  }

  // Forms the prediction of the macroblock from one reference into the picture being decoded.
  void predict(const Frame& ref, int s, int mbx, int mby, bool average) {
    Frame& cur = *d.current_;
    int w = p.mbWidth * 16, h = p.mbHeight * 16;
    constexpr int ys = MpegDecoder::kYStride, cs = MpegDecoder::kCStride;
    uint8_t* dy = cur.y + mby * 16 * ys + mbx * 16;
    uint8_t* dcb = cur.cb + mby * 8 * cs + mbx * 8;
    uint8_t* dcr = cur.cr + mby * 8 * cs + mbx * 8;
    // Full-pel vectors of first-generation streams count whole pixels.
    int scale = p.fullPel[s] ? 2 : 1;
    if (motionType == kMotionFrame) {
      int vx = mv[0][s][0] * scale, vy = mv[0][s][1] * scale;
      mc_predict({ref.y, ys, w, h}, mbx * 32 + vx, mby * 32 + vy, 16, 16, dy, ys, average);
      int cx = mbx * 16 + vx / 2, cy = mby * 16 + vy / 2;
      mc_predict({ref.cb, cs, w / 2, h / 2}, cx, cy, 8, 8, dcb, cs, average);
      mc_predict({ref.cr, cs, w / 2, h / 2}, cx, cy, 8, 8, dcr, cs, average);
      return;
    }
    for (int r = 0; r < 2; ++r) {
      int sel = fieldSelect[r][s];
      int vx = mv[r][s][0], vy = mv[r][s][1];
      mc_predict({ref.y + sel * ys, 2 * ys, w, h / 2}, mbx * 32 + vx, mby * 16 + vy, 16, 8, dy + r * ys, 2 * ys,
                 average);
      int cx = mbx * 16 + vx / 2, cy = mby * 8 + vy / 2;
      mc_predict({ref.cb + sel * cs, 2 * cs, w / 2, h / 4}, cx, cy, 8, 4, dcb + r * cs, 2 * cs, average);
      mc_predict({ref.cr + sel * cs, 2 * cs, w / 2, h / 4}, cx, cy, 8, 4, dcr + r * cs, 2 * cs, average);
    }
  }

  void predictMacroblock(int flags, int mbx, int mby) {
    bool both = (flags & kMbForward) && (flags & kMbBackward);
    if (p.codingType == 2) {
      predict(*d.backward_, 0, mbx, mby, false);
      return;
    }
    if (flags & kMbForward) predict(*d.forward_, 0, mbx, mby, false);
    if (flags & kMbBackward) predict(*d.backward_, 1, mbx, mby, both);
  }

  bool decodeBlock(int index, bool intra) {
    const uint8_t* scan = p.alternateScan ? kAlternateScan : kZigzagScan;
    const uint8_t* matrix = intra ? p.intraMatrix : p.nonIntraMatrix;
    const VlcTable& table = vlc_table(intra && p.intraVlcFormat ? Vlc::DctOne : Vlc::DctZero);
    int sum = 0;
    int i = -1;
    dcOnly = true;
    if (intra) {
      int cc = index < 4 ? 0 : index - 3;
      int size = vlc_table(cc == 0 ? Vlc::DcSizeLuma : Vlc::DcSizeChroma).decode(bits);
      if (size == kVlcInvalid) return false;
      int diff = 0;
      if (size > 0) {
        diff = static_cast<int>(bits.get(size));
        if (diff < (1 << (size - 1))) diff -= (1 << size) - 1;
      }
      dcPred[cc] += diff;
      int dc = std::clamp(dcPred[cc] * (8 >> p.intraDcPrecision), -2048, 2047);
      block[0] = static_cast<int16_t>(dc);
      sum = dc;
      i = 0;
    } else if (bits.peek(1)) {
      // The first coefficient of a non-intra block: "1s" is run 0, level 1.
      bits.skip(1);
      int level = bits.bit() ? -1 : 1;
      i = 0;
      sum = store(scan[0], level, matrix, false);
    }
    for (;;) {
      int v = table.decode(bits);
      int run, level;
      if (v == kDctEob) break;
      if (v == kVlcInvalid) return false;
      if (v == kDctEscape) {
        run = static_cast<int>(bits.get(6));
        if (p.mpeg2) {
          level = static_cast<int>(bits.get(12));
          if (level >= 2048) level -= 4096;
          if (level == 0 || level == -2048) return false;
        } else {
          level = static_cast<int>(bits.get(8));
          if (level == 0)
            level = static_cast<int>(bits.get(8));
          else if (level == 128)
            level = static_cast<int>(bits.get(8)) - 256;
          else if (level > 128)
            level -= 256;
          if (level == 0) return false;
        }
      } else {
        run = dct_run(v);
        level = bits.bit() ? -dct_level(v) : dct_level(v);
      }
      i += run + 1;
      if (i > 63) return false;
      if (i > 0) dcOnly = false;
      sum += store(scan[i], level, matrix, intra);
    }
    if (p.mpeg2 && (sum & 1) == 0) {
      block[63] = static_cast<int16_t>(block[63] ^ 1);
      dcOnly = false;
    }
    return !bits.overrun();
  }

  // Dequantises one coefficient into the block; returns the stored value.
  int store(int pos, int level, const uint8_t* matrix, bool intra) {
    int k = intra ? 0 : (level > 0 ? 1 : -1);
    int v = (2 * level + k) * matrix[pos] * quantiserScale / 32;
    if (!p.mpeg2 && (v & 1) == 0 && v != 0) v += v > 0 ? -1 : 1;  // first-generation oddification
    v = std::clamp(v, -2048, 2047);
    block[pos] = static_cast<int16_t>(v);
    return v;
  }

  bool blocks(int mbx, int mby, bool intra, int pattern, bool fieldDct) {
    Frame& cur = *d.current_;
    constexpr int ys = MpegDecoder::kYStride, cs = MpegDecoder::kCStride;
    for (int b = 0; b < 6; ++b) {
      if (!(pattern & (32 >> b))) continue;
      if (!decodeBlock(b, intra)) return false;
      uint8_t* dst;
      int stride;
      if (b < 4) {
        int row = fieldDct ? (b >> 1) : (b >> 1) * 8;
        dst = cur.y + (mby * 16 + row) * ys + mbx * 16 + (b & 1) * 8;
        stride = fieldDct ? 2 * ys : ys;
      } else {
        dst = (b == 4 ? cur.cb : cur.cr) + mby * 8 * cs + mbx * 8;
        stride = cs;
      }
      if (intra)
        idct_put(block, dcOnly, dst, stride);
      else
        idct_add(block, dcOnly, dst, stride);
    }
    return true;
  }

  bool skipped(int address) {
    int mbx = address % p.mbWidth, mby = address / p.mbWidth;
    resetDc();
    if (p.codingType == 2) {
      resetPmv();
      motionType = kMotionFrame;
      std::memset(mv, 0, sizeof mv);
      predict(*d.backward_, 0, mbx, mby, false);
    } else {
      // A skipped B macroblock repeats the directions of the last one with frame prediction from
      // the prediction vectors, which hold frame units whatever the last macroblock's motion type.
      if (lastFlags & kMbIntra) return false;
      motionType = kMotionFrame;
      std::memcpy(mv[0], pmv[0], sizeof mv[0]);
      predictMacroblock(lastFlags, mbx, mby);
    }
    d.mbDone_[static_cast<size_t>(address)] = 1;
    return true;
  }

  bool macroblock(int address) {
    int mbx = address % p.mbWidth, mby = address / p.mbWidth;
    static constexpr Vlc kTypeTables[] = {Vlc::MbTypeI, Vlc::MbTypeP, Vlc::MbTypeB};
    int flags = vlc_table(kTypeTables[p.codingType - 1]).decode(bits);
    if (flags == kVlcInvalid) return false;
    bool intra = flags & kMbIntra;
    motionType = kMotionFrame;
    bool fieldDct = false;
    if (p.mpeg2 && !p.framePredFrameDct) {
      if (flags & (kMbForward | kMbBackward)) {
        motionType = static_cast<int>(bits.get(2));
        if (motionType != kMotionField && motionType != kMotionFrame) {
          if (motionType == 3) std::printf("dual-prime prediction not supported\n");
          return false;
        }
      }
      if (flags & (kMbIntra | kMbPattern)) fieldDct = bits.bit();
    }
    if ((flags & kMbQuant) && !setQuantiser(static_cast<int>(bits.get(5)))) return false;
    if (intra) {
      if (p.mpeg2 && p.concealmentVectors) {
        if (!motionVectors(0)) return false;
        bits.skip(1);  // marker
      } else {
        resetPmv();
      }
      lastFlags = flags;
      if (!blocks(mbx, mby, true, 63, fieldDct)) return false;
    } else {
      resetDc();
      if ((flags & kMbForward) && !motionVectors(0)) return false;
      if ((flags & kMbBackward) && !motionVectors(1)) return false;
      if (p.codingType == 2 && !(flags & kMbForward)) {
        // A P macroblock without a forward vector predicts from the same place.
        resetPmv();
        std::memset(mv, 0, sizeof mv);
        flags |= kMbForward;
      }
      int pattern = 0;
      if (flags & kMbPattern) {
        pattern = vlc_table(Vlc::CodedBlockPattern).decode(bits);
        if (pattern == kVlcInvalid) return false;
      }
      lastFlags = flags;
      predictMacroblock(flags, mbx, mby);
      if (!blocks(mbx, mby, false, pattern, fieldDct)) return false;
    }
    d.mbDone_[static_cast<size_t>(address)] = 1;
    return !bits.overrun();
  }

  bool run(int row) {
    if (row >= p.mbHeight) return false;
    int code = static_cast<int>(bits.get(5));
    if (!setQuantiser(code)) return false;
    // MPEG-2 may put intra-slice flags first (flag bit 1); extra information bytes follow, each
    // announced by a 1 bit, and a 0 bit ends the header.
    if (!p.mpeg2 || bits.bit()) {
      if (p.mpeg2) bits.skip(8);
      while (bits.bit()) bits.skip(8);
    }
    resetDc();
    resetPmv();
    int total = p.mbWidth * p.mbHeight;
    int address = row * p.mbWidth - 1;
    bool first = true;
    for (;;) {
      int increment = 0;
      for (;;) {
        int v = vlc_table(Vlc::MbAddressIncrement).decode(bits);
        if (v == kVlcInvalid) return false;
        if (v == kMbaStuffing) continue;
        if (v == kMbaEscape) {
          increment += 33;
          continue;
        }
        increment += v;
        break;
      }
      if (bits.overrun()) return false;
      if (!first) {
        if (increment > 1 && p.codingType == 1) return false;  // intra pictures skip nothing
        for (int k = 1; k < increment; ++k)
          if (address + k >= total || !skipped(address + k)) return false;
      }
      address += increment;
      if (address >= total || !macroblock(address)) return false;
      first = false;
      if (bits.peek(23) == 0) return true;  // only the zero bits before the next start code remain
    }
  }
};

void MpegDecoder::slice(int row, const uint8_t* data, size_t size) {
  if (!current_ && !beginPicture()) {
    p_.inPicture = false;
    warnSync();
    return;
  }
  SliceDecoder decoder(*this, data, size);
  if (!decoder.run(row)) {
    p_.pictureOk = false;
    if (!warnedPicture_) {
      warnedPicture_ = true;
      std::printf("streams out of sync\n");
    }
  }
}
