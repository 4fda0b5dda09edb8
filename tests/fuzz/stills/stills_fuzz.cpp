// The MPEG-1/MPEG-2 still decoder on arbitrary bytes, fed in chunks whose size the first byte picks,
// with every finished frame's samples read back (the sanitizers catch reads outside the stores).
#include <cstddef>
#include <cstdint>

#include "devices/decoder/mpeg_decoder.h"

namespace {

void touch(const MpegFrame& f, void* context) {
  unsigned sum = 0;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      sum += f.y[y * f.yStride + x] + f.cb[(y / 2) * f.cStride + x / 2] + f.cr[(y / 2) * f.cStride + x / 2];
  *static_cast<unsigned*>(context) += sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned sink = 0;
  static MpegDecoder* decoder = MpegDecoder::create(touch, &sink);
  if (!decoder || size == 0) return 0;
  size_t chunk = data[0] == 0 ? size : static_cast<size_t>(data[0]) * 16;
  ++data, --size;
  for (size_t i = 0; i < size; i += chunk) decoder->feed(data + i, size - i < chunk ? size - i : chunk);
  decoder->finish();
  return 0;
}
