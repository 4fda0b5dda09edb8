#pragma once
// An MPEG-1 / MPEG-2 video elementary-stream decoder for 4:2:0 frame pictures up to 720 x 576.
// Bytes come in any chunks; finished frames leave in display order through a sink.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/pool_allocator.h"

constexpr int kMaxPictureWidth = 720;
constexpr int kMaxPictureHeight = 576;

// A decoded frame, valid only during the sink call.
struct MpegFrame {
  int width, height;  // displayed size
  const uint8_t* y;
  const uint8_t* cb;
  const uint8_t* cr;
  int yStride, cStride;
};
using MpegFrameSink = void (*)(const MpegFrame& frame, void* context);

class MpegDecoder {
 public:
  // Null when the frame stores cannot be allocated (pool "IFRAME").
  static MpegDecoder* create(MpegFrameSink sink, void* context);
  ~MpegDecoder();
  MpegDecoder(const MpegDecoder&) = delete;
  MpegDecoder& operator=(const MpegDecoder&) = delete;

  void feed(const uint8_t* data, size_t size);
  // End of data: decodes what is pending, outputs the last complete frame and returns to the
  // defaults, ready for an unrelated stream.
  void finish();
  int framesOut() const { return framesOut_; }

 private:
  struct Frame {
    uint8_t* y = nullptr;
    uint8_t* cb = nullptr;
    uint8_t* cr = nullptr;
    int width = 0, height = 0;  // displayed size of the picture it holds
    bool valid = false;
  };
  static constexpr int kYStride = kMaxPictureWidth;
  static constexpr int kCStride = kMaxPictureWidth / 2;
  static constexpr size_t kMaxPendingBytes = 4 << 20;  // a start-code unit larger than this is dropped

  MpegDecoder(MpegFrameSink sink, void* context);
  bool allocateStores();

  // Start-code units.
  void processUnits(bool final);
  void unit(const uint8_t* data, size_t size);
  void sequenceHeader(const uint8_t* data, size_t size);
  void extension(const uint8_t* data, size_t size);
  void pictureHeader(const uint8_t* data, size_t size);
  void sequenceEnd();
  void resetDefaults();
  void updateGeometry();
  void warnSync();

  // Pictures.
  bool beginPicture();
  void endPicture();
  void output(Frame& frame);

  // Slices and macroblocks (mpeg_slice.cpp).
  void slice(int row, const uint8_t* data, size_t size);

  MpegFrameSink sink_;
  void* context_;
  std::vector<uint8_t, PoolAllocator<uint8_t, POOL_IFRAME>> pending_;
  size_t head_ = 0;      // first unconsumed byte of pending_
  size_t scanFrom_ = 0;  // where the search for the end of the unit at head_ goes on
  int framesOut_ = 0;
  bool warnedSync_ = false;
  bool warnedPicture_ = false;  // one slice diagnostic per picture

  Frame frames_[3];
  Frame* forward_ = nullptr;   // older reference
  Frame* backward_ = nullptr;  // newer reference, output when the next reference arrives
  bool backwardShown_ = true;
  Frame* current_ = nullptr;

 public:
  // Stream and picture parameters, read by the slice decoder.
  struct Params {
    bool haveSequence = false;  // a usable sequence header was seen
    bool mpeg2 = false;
    int width = 0, height = 0;  // displayed size
    int mbWidth = 0, mbHeight = 0;
    bool progressiveSequence = true;
    uint8_t intraMatrix[64];
    uint8_t nonIntraMatrix[64];
    // picture
    bool inPicture = false;  // between a usable picture header and the end of its slices
    bool pictureOk = false;  // no error in its slices so far
    bool seenExtension = false;
    int codingType = 0;  // 1 I, 2 P, 3 B
    int fCode[2][2] = {{1, 1}, {1, 1}};
    bool fullPel[2] = {false, false};
    int intraDcPrecision = 0;
    int pictureStructure = 3;
    bool framePredFrameDct = true;
    bool concealmentVectors = false;
    int qScaleType = 0;
    bool intraVlcFormat = false;
    bool alternateScan = false;
    int lastExtensionOwner = 0;  // 1 after a sequence header, 2 after a picture header
  } p_;

 private:
  std::vector<uint8_t, PoolAllocator<uint8_t, POOL_IFRAME>> mbDone_;  // one flag per macroblock of the picture
  friend struct SliceDecoder;
};
