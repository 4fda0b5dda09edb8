// The JPEG decoder on arbitrary bytes.
#include "decode_fuzz.h"
#include "graphics/jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fuzzDecoder(jpeg_decode, data, size); }
