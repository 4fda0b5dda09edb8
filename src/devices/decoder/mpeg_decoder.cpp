#include "devices/decoder/mpeg_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "devices/decoder/mpeg_bits.h"
#include "devices/decoder/mpeg_tables.h"
#include "runtime/pool.h"

namespace {

constexpr int32_t kLumaBytes = kMaxPictureWidth * kMaxPictureHeight;
constexpr int32_t kChromaBytes = kLumaBytes / 4;

// The next 00 00 01 prefix at or after `from`, or `size` when there is none.
size_t findStartCode(const uint8_t* data, size_t size, size_t from) {
  while (from + 3 <= size) {
    const void* hit = std::memchr(data + from + 2, 0x01, size - from - 2);
    if (!hit) return size;
    size_t one = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
    if (data[one - 1] == 0 && data[one - 2] == 0) return one - 2;
    from = one - 1;
  }
  return size;
}

void readMatrix(BitReader& bits, uint8_t* matrix) {
  for (int i = 0; i < 64; ++i) matrix[kZigzagScan[i]] = static_cast<uint8_t>(bits.get(8));
}

}  // namespace

MpegDecoder::MpegDecoder(MpegFrameSink sink, void* context) : sink_(sink), context_(context) { resetDefaults(); }

MpegDecoder* MpegDecoder::create(MpegFrameSink sink, void* context) {
  auto* decoder = new (std::nothrow) MpegDecoder(sink, context);
  if (!decoder) return nullptr;
  if (!decoder->allocateStores()) {
    delete decoder;
    return nullptr;
  }
  return decoder;
}

bool MpegDecoder::allocateStores() {
  for (Frame& f : frames_) {
    f.y = static_cast<uint8_t*>(pool_allocZeroed(POOL_IFRAME, kLumaBytes));
    f.cb = static_cast<uint8_t*>(pool_allocZeroed(POOL_IFRAME, kChromaBytes));
    f.cr = static_cast<uint8_t*>(pool_allocZeroed(POOL_IFRAME, kChromaBytes));
    if (!f.y || !f.cb || !f.cr) return false;
  }
  return true;
}

MpegDecoder::~MpegDecoder() {
  for (Frame& f : frames_) {
    if (f.y) pool_free(POOL_IFRAME, f.y, kLumaBytes);
    if (f.cb) pool_free(POOL_IFRAME, f.cb, kChromaBytes);
    if (f.cr) pool_free(POOL_IFRAME, f.cr, kChromaBytes);
  }
}

void MpegDecoder::resetDefaults() {
  p_ = Params{};
  p_.mpeg2 = true;
  std::memcpy(p_.intraMatrix, kDefaultIntraMatrix, 64);
  std::memcpy(p_.nonIntraMatrix, kDefaultNonIntraMatrix, 64);
  forward_ = backward_ = current_ = nullptr;
  backwardShown_ = true;
  for (Frame& f : frames_) f.valid = false;
}

void MpegDecoder::warnSync() {
  if (warnedSync_) return;
  warnedSync_ = true;
  std::printf("streams out of sync\n");
}

void MpegDecoder::feed(const uint8_t* data, size_t size) {
  if (size == 0) return;
  try {
    pending_.insert(pending_.end(), data, data + size);
  } catch (const std::bad_alloc&) {
    std::printf("memory allocation failed\n");
    pending_.clear();
    head_ = scanFrom_ = 0;
    return;
  }
  processUnits(false);
}

void MpegDecoder::finish() {
  processUnits(true);
  pending_.clear();
  head_ = scanFrom_ = 0;
  sequenceEnd();
  warnedSync_ = false;
}

void MpegDecoder::processUnits(bool final) {
  const uint8_t* data = pending_.data();
  size_t size = pending_.size();
  for (;;) {
    size_t start = findStartCode(data, size, head_);
    if (start == size) {
      // Keep two bytes: they may begin a start code that the next chunk completes.
      head_ = final ? size : std::max(head_, size >= 2 ? size - 2 : 0);
      scanFrom_ = head_;
      break;
    }
    if (start != head_) scanFrom_ = start;
    head_ = start;
    size_t end = findStartCode(data, size, std::max(scanFrom_, start + 3));
    if (end == size && !final) {
      scanFrom_ = size >= 2 ? size - 2 : 0;
      if (size - start > kMaxPendingBytes) {
        warnSync();
        head_ = scanFrom_;  // an endless unit: drop it
      }
      break;
    }
    if (start + 3 < end) unit(data + start + 3, end - start - 3);
    head_ = scanFrom_ = end;
    if (end == size) break;
  }
  if (head_ > 0 && (head_ >= size || head_ > 65536)) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(head_));
    scanFrom_ -= head_;
    head_ = 0;
  }
}

void MpegDecoder::unit(const uint8_t* data, size_t size) {
  int code = data[0];
  const uint8_t* body = data + 1;
  size_t length = size - 1;
  if (code >= 0x01 && code <= 0xAF) {
    if (p_.inPicture) slice(code - 1, body, length);
    return;
  }
  switch (code) {
    case 0x00:
      endPicture();
      pictureHeader(body, length);
      break;
    case 0xB3:
      endPicture();
      sequenceHeader(body, length);
      break;
    case 0xB5:
      extension(body, length);
      break;
    case 0xB7:
      sequenceEnd();
      break;
    case 0xB8:
      endPicture();
      p_.lastExtensionOwner = 0;
      break;
    default:
      break;  // user data and system start codes
  }
}

void MpegDecoder::updateGeometry() {
  p_.mbWidth = (p_.width + 15) / 16;
  p_.mbHeight = p_.progressiveSequence ? (p_.height + 15) / 16 : 2 * ((p_.height + 31) / 32);
  if (p_.width == 0 || p_.height == 0) {
    p_.haveSequence = false;
  } else if (p_.mbWidth * 16 > kMaxPictureWidth || p_.mbHeight * 16 > kMaxPictureHeight) {
    std::printf("Too many macroblocks in picture\n");
    p_.haveSequence = false;
  }
}

void MpegDecoder::sequenceHeader(const uint8_t* data, size_t size) {
  BitReader bits(data, size);
  int width = static_cast<int>(bits.get(12));
  int height = static_cast<int>(bits.get(12));
  bits.skip(4 + 4 + 18 + 1 + 10 + 1);  // aspect, frame rate, bit rate, marker, buffer size, constrained
  std::memcpy(p_.intraMatrix, kDefaultIntraMatrix, 64);
  std::memcpy(p_.nonIntraMatrix, kDefaultNonIntraMatrix, 64);
  if (bits.bit()) readMatrix(bits, p_.intraMatrix);
  if (bits.bit()) readMatrix(bits, p_.nonIntraMatrix);
  p_.haveSequence = false;
  p_.lastExtensionOwner = 1;
  if (bits.overrun()) {
    warnSync();
    return;
  }
  if (width != p_.width || height != p_.height) {
    // Another picture size: the last reference is shown, and neither can predict the new pictures.
    if (backward_ && backward_->valid && !backwardShown_) output(*backward_);
    forward_ = backward_ = nullptr;
    backwardShown_ = true;
  }
  p_.width = width;
  p_.height = height;
  p_.mpeg2 = false;  // until a sequence extension says otherwise
  p_.progressiveSequence = true;
  p_.haveSequence = true;
  updateGeometry();
}

void MpegDecoder::extension(const uint8_t* data, size_t size) {
  BitReader bits(data, size);
  int id = static_cast<int>(bits.get(4));
  if (id == 1 && p_.lastExtensionOwner == 1) {
    bits.skip(8);  // profile and level
    p_.progressiveSequence = bits.bit();
    int chromaFormat = static_cast<int>(bits.get(2));
    int widthExt = static_cast<int>(bits.get(2)), heightExt = static_cast<int>(bits.get(2));
    if (bits.overrun() || !p_.haveSequence) return;
    p_.mpeg2 = true;
    if (chromaFormat != 1) {
      std::printf("chroma format %d not supported\n", chromaFormat);
      p_.haveSequence = false;
      return;
    }
    p_.width |= widthExt << 12;
    p_.height |= heightExt << 12;
    updateGeometry();
  } else if (id == 3) {
    if (bits.bit()) readMatrix(bits, p_.intraMatrix);
    if (bits.bit()) readMatrix(bits, p_.nonIntraMatrix);
    if (bits.overrun()) warnSync();
  } else if (id == 8 && p_.lastExtensionOwner == 2 && p_.inPicture) {
    for (auto& sv : p_.fCode)
      for (int& f : sv) f = static_cast<int>(bits.get(4));
    p_.intraDcPrecision = static_cast<int>(bits.get(2));
    p_.pictureStructure = static_cast<int>(bits.get(2));
    bits.skip(1);  // top field first
    p_.framePredFrameDct = bits.bit();
    p_.concealmentVectors = bits.bit();
    p_.qScaleType = static_cast<int>(bits.get(1));
    p_.intraVlcFormat = bits.bit();
    p_.alternateScan = bits.bit();
    if (bits.overrun()) {
      p_.inPicture = false;
      warnSync();
      return;
    }
    if (p_.pictureStructure != 3) {
      std::printf("FIELD PICTURE !!!!\n");
      p_.inPicture = false;
      return;
    }
    p_.seenExtension = true;
  }
}

void MpegDecoder::pictureHeader(const uint8_t* data, size_t size) {
  p_.inPicture = false;
  p_.lastExtensionOwner = 2;
  if (!p_.haveSequence) {
    warnSync();
    return;
  }
  BitReader bits(data, size);
  bits.skip(10);  // temporal reference
  int type = static_cast<int>(bits.get(3));
  bits.skip(16);  // buffer delay
  int fcode[2] = {1, 1};
  for (int s = 0; s < 2 && type >= 2 + s; ++s) {
    p_.fullPel[s] = bits.bit();
    fcode[s] = static_cast<int>(bits.get(3));
  }
  if (bits.overrun() || type < 1 || type > 3) {
    warnSync();  // damaged header, or a DC-only picture, which stills never use
    return;
  }
  p_.codingType = type;
  p_.seenExtension = false;
  p_.intraDcPrecision = 0;
  p_.pictureStructure = 3;
  p_.framePredFrameDct = true;
  p_.concealmentVectors = false;
  p_.qScaleType = 0;
  p_.intraVlcFormat = false;
  p_.alternateScan = false;
  if (!p_.mpeg2) {
    for (int s = 0; s < 2; ++s) {
      if (type >= 2 + s && fcode[s] == 0) {
        warnSync();
        return;
      }
      p_.fCode[s][0] = p_.fCode[s][1] = fcode[s];
    }
  } else {
    p_.fullPel[0] = p_.fullPel[1] = false;
  }
  p_.inPicture = true;
  p_.pictureOk = true;
  warnedPicture_ = false;
  current_ = nullptr;
}

bool MpegDecoder::beginPicture() {
  if (!p_.haveSequence || (p_.mpeg2 && !p_.seenExtension)) return false;
  if (p_.mpeg2) {
    // Motion codes of a used direction must be 1..9.
    for (int s = 0; s < 2; ++s)
      if (p_.codingType >= 2 + s)
        for (int t = 0; t < 2; ++t)
          if (p_.fCode[s][t] < 1 || p_.fCode[s][t] > 9) return false;
  }
  if (p_.codingType == 2 && !(backward_ && backward_->valid)) return false;
  if (p_.codingType == 3 && !(forward_ && forward_->valid && backward_ && backward_->valid)) return false;
  Frame* target = nullptr;
  for (Frame& f : frames_)
    if (&f != backward_ && &f != forward_) target = &f;
  if (!target) target = forward_;
  if (target == forward_) forward_ = nullptr;
  target->valid = false;
  target->width = p_.width;
  target->height = p_.height;
  current_ = target;
  try {
    mbDone_.assign(static_cast<size_t>(p_.mbWidth * p_.mbHeight), 0);
  } catch (const std::bad_alloc&) {
    std::printf("memory allocation failed\n");
    current_ = nullptr;
    return false;
  }
  return true;
}

void MpegDecoder::endPicture() {
  if (!p_.inPicture) return;
  p_.inPicture = false;
  Frame* f = current_;
  current_ = nullptr;
  if (!f) return;
  bool complete = p_.pictureOk && std::all_of(mbDone_.begin(), mbDone_.end(), [](uint8_t d) { return d != 0; });
  if (!complete) return;  // a damaged or truncated picture is never shown nor used as a reference
  f->valid = true;
  if (p_.codingType == 3) {
    output(*f);
    return;
  }
  if (backward_ && !backwardShown_) output(*backward_);
  forward_ = backward_;
  backward_ = f;
  backwardShown_ = false;
}

void MpegDecoder::output(Frame& frame) {
  if (&frame == backward_) backwardShown_ = true;
  MpegFrame out{frame.width, frame.height, frame.y, frame.cb, frame.cr, kYStride, kCStride};
  ++framesOut_;
  if (sink_) sink_(out, context_);
}

void MpegDecoder::sequenceEnd() {
  endPicture();
  if (backward_ && backward_->valid && !backwardShown_) output(*backward_);
  // The stores keep their old samples: resetDefaults marks them invalid, and nothing reads a store
  // before a complete picture has been decoded into it.
  resetDefaults();
}
