// The PNG decoder on arbitrary bytes.
#include "decode_fuzz.h"
#include "graphics/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fuzzDecoder(png_decode, data, size); }
