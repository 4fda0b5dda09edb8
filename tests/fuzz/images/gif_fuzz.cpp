// The GIF decoder on arbitrary bytes.
#include "decode_fuzz.h"
#include "graphics/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fuzzDecoder(gif_decode, data, size); }
